#pragma once
// WindowDriver: the main window driven as a user drives it, for tests.
//
// It starts a TfrmMainEditor the way the program does (shown, activated, its settings file in
// a folder of the test's choosing) and then only touches what a user touches:
//
//   choose("Hide Toolbar")      opens the menu that holds the item as the user opens it (a right
//                               click in the editor for the pop-up menu, the arrow of the
//                               paragraph button for the paragraph menu), goes through submenus
//                               and clicks the item with the mouse; an item of the hidden menu
//                               bar is reached by its shortcut, or, when it has none, triggered
//                               as a menu triggers it. Items are named by object name or caption.
//   type("text")                key clicks into the editor
//   press("Ctrl+B")             a key sequence on the widget that has the focus
//   click(widget)               a left click in the middle of a widget (a tool button, ...)
//   onDialog(handler)           the handler runs on the next modal dialog as it opens (a real
//                               Qt dialog: the paragraph dialog, the font dialog, ...)
//   caption(), status(i)        the title bar's text and a status bar panel's text
//   dialogs()                   the scripted dialogs layer: queue answers for message boxes and
//                               the common dialogs, read the boxes that were shown
//   isChecked("Hide Toolbar")   the check mark of a menu item
//
// While the driver lives the scripted dialogs are the process's dialogs, unless the test calls
// useRealDialogs() (then the Qt dialogs open and onDialog answers them).

#include "app/Main.h"
#include "support/ScriptedDialogs.h"

#include <QKeySequence>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

class WindowDriver {
public:
    // Starts the main window with its settings file in folder (written first when settings is
    // not empty) and the given command-line arguments.
    explicit WindowDriver(const QString &folder, const QByteArray &settings = {},
                          const QStringList &arguments = {});
    ~WindowDriver();
    WindowDriver(const WindowDriver &) = delete;
    WindowDriver &operator=(const WindowDriver &) = delete;

    TfrmMainEditor *window() const { return m_window.get(); }
    TfrmMainEditor *operator->() const { return m_window.get(); }
    ScriptedDialogs &dialogs() { Q_ASSERT(m_dialogs); return *m_dialogs; }
    // From now on the Qt dialogs open (whatever dialogs were current before), until the
    // driver ends; dialogs() is then no longer available.
    void useRealDialogs();

    // The menu item with this object name or caption (without "&" and shortcut column).
    QAction *item(const QString &nameOrCaption) const;
    void choose(const QString &nameOrCaption);
    void choose(QAction *item);
    bool isChecked(const QString &nameOrCaption) const;

    void type(const QString &text);
    void press(const QKeySequence &keys);
    void click(QWidget *widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = {});
    // Runs handler on the next modal widget that opens (waits up to five seconds for it).
    void onDialog(std::function<void(QWidget *dialog)> handler);
    // True when every onDialog handler has run.
    bool dialogsHandled() const { return m_pendingHandlers == 0; }

    QString caption() const;
    QString status(int panel) const;

private:
    void clickThrough(const QList<QMenu *> &chain, QAction *item);

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    bool m_realDialogs = false;
    dialogs::Dialogs *m_dialogsBefore = nullptr; // current before useRealDialogs()
    std::unique_ptr<TfrmMainEditor> m_window;
    int m_pendingHandlers = 0;
};
