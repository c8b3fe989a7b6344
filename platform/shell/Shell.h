#pragma once
// Services of the desktop shell and window system the commands rely on: the screen's logical
// resolution, the hourglass cursor of long operations, the fade-out of a closing window, running
// pending events in the middle of a command, and opening a web address in the browser.

#include <QUrl>

class QWidget;

namespace shell {

// Logical pixels per inch of the primary screen; 96 when there is no screen.
int screenDpi();

// Shows the hourglass (wait) cursor for its lifetime. Instances nest: the cursor goes back to
// normal only when the outermost one ends. Without a GUI application (headless jobs) it does
// nothing.
class HourglassCursor {
public:
    HourglassCursor();
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor &) = delete;
    HourglassCursor &operator=(const HourglassCursor &) = delete;

private:
    bool m_shown = false;
};

// Blends the window out over the given time and hides it, returning when it is hidden (events
// keep running meanwhile). The window's opacity is back to 1 afterwards, so showing it again
// shows it whole. A window destroyed during the fade is left alone.
void fadeOut(QWidget *window, int milliseconds);

// Lets pending window events run (repaints, posted events, input), then returns.
void pumpEvents();

// Asks the desktop to open the address in its default application (a web page in the browser);
// returns at once. False when no handler took it.
bool openUrl(const QUrl &url);

} // namespace shell
