#include "Shell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

namespace shell {

namespace {

// True when a GUI application runs (not a bare QCoreApplication of a headless job).
bool haveGui()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

int screenDpi()
{
    const QScreen *screen = haveGui() ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen)
        return 96;
    const int dpi = qRound(screen->logicalDotsPerInch());
    return dpi > 0 ? dpi : 96;
}

HourglassCursor::HourglassCursor()
    : m_shown(haveGui())
{
    if (m_shown)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

HourglassCursor::~HourglassCursor()
{
    if (m_shown && haveGui())
        QGuiApplication::restoreOverrideCursor();
}

void fadeOut(QWidget *window, int milliseconds)
{
    if (!window)
        return;
    QPointer<QWidget> guard(window);
    if (window->isVisible() && milliseconds > 0) {
        QPropertyAnimation animation(window, "windowOpacity");
        animation.setDuration(milliseconds);
        animation.setStartValue(window->windowOpacity());
        animation.setEndValue(0.0);
        QEventLoop loop;
        QObject::connect(&animation, &QAbstractAnimation::finished, &loop, &QEventLoop::quit);
        QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
        animation.start();
        loop.exec();
    }
    if (!guard)
        return;
    guard->hide();
    guard->setWindowOpacity(1.0);
}

void pumpEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace shell
