#include "support/WindowDriver.h"

#include "widgets/StatusBar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

QString plainCaption(const QAction *a)
{
    QString text = a->text();
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        text.truncate(tab);
    text.remove(QLatin1Char('&'));
    return text.trimmed();
}

// The menus from the outermost one down to the one that holds item.
QList<QMenu *> menuChain(QAction *item)
{
    QList<QMenu *> chain;
    QAction *a = item;
    while (a) {
        QMenu *holder = nullptr;
        for (QObject *o : a->associatedObjects()) {
            if (auto *m = qobject_cast<QMenu *>(o)) {
                holder = m;
                break;
            }
        }
        if (!holder || chain.contains(holder))
            break;
        chain.prepend(holder);
        a = holder->menuAction();
    }
    return chain;
}

bool anyMenuVisible(const QList<QMenu *> &chain)
{
    for (QMenu *m : chain) {
        if (m->isVisible())
            return true;
    }
    return false;
}

} // namespace

WindowDriver::WindowDriver(const QString &folder, const QByteArray &settings,
                           const QStringList &arguments)
    : m_dialogs(std::make_unique<ScriptedDialogs>())
{
    const QString ini = QDir(folder).filePath(QStringLiteral("DeskTopDock.ini"));
    QFile::remove(ini);
    if (!settings.isEmpty()) {
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly))
            f.write(settings);
    }
    m_window = std::make_unique<TfrmMainEditor>();
    m_window->setSettingsPath(ini);
    m_window->setStartArguments(arguments);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("main window not exposed");
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("main window not active");
}

WindowDriver::~WindowDriver()
{
    if (m_window) {
        m_window->Editor->setDocumentModified(false); // no save prompt as the window goes
        m_window->hide();
    }
    m_window.reset();
    m_dialogs.reset();
    if (m_realDialogs)
        dialogs::setCurrent(m_dialogsBefore);
}

void WindowDriver::useRealDialogs()
{
    m_dialogs.reset();
    if (!m_realDialogs) {
        m_realDialogs = true;
        m_dialogsBefore = dialogs::setCurrent(nullptr); // the Qt dialogs
    }
}

QAction *WindowDriver::item(const QString &nameOrCaption) const
{
    const QList<QAction *> all = m_window->findChildren<QAction *>();
    for (QAction *a : all) {
        if (a->objectName() == nameOrCaption)
            return a;
    }
    for (QAction *a : all) {
        if (!a->isSeparator() && plainCaption(a) == nameOrCaption)
            return a;
    }
    return nullptr;
}

bool WindowDriver::isChecked(const QString &nameOrCaption) const
{
    const QAction *a = item(nameOrCaption);
    return a && a->isChecked();
}

void WindowDriver::choose(const QString &nameOrCaption)
{
    QAction *a = item(nameOrCaption);
    if (!a) {
        QFAIL(qPrintable(QStringLiteral("no menu item \"%1\"").arg(nameOrCaption)));
        return;
    }
    choose(a);
}

void WindowDriver::choose(QAction *item)
{
    const QList<QMenu *> chain = menuChain(item);
    if (chain.isEmpty()) {
        // The hidden menu bar: its items are reached by their keys.
        if (!item->shortcut().isEmpty())
            press(item->shortcut());
        else
            item->activate(QAction::Trigger); // what a menu does with a clicked item
        return;
    }
    clickThrough(chain, item);
}

void WindowDriver::clickThrough(const QList<QMenu *> &chain, QAction *item)
{
    // The clicks run from a timer, since some menus open modally (the drop-down arrow of a
    // tool button) and the opening click only returns once the menu has closed.
    int level = 0;
    bool done = false;
    QTimer clicker;
    clicker.setInterval(10);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        QMenu *menu = chain[level];
        if (!menu->isVisible())
            return;
        QAction *target = level + 1 < chain.size() ? chain[level + 1]->menuAction() : item;
        const QRect r = menu->actionGeometry(target);
        if (r.isEmpty())
            return;
        QTest::mouseMove(menu, r.center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, r.center());
        if (++level == chain.size()) {
            done = true;
            clicker.stop();
        }
    });
    clicker.start();

    QMenu *top = chain.first();
    QToolButton *opener = nullptr;
    for (QToolButton *b : m_window->findChildren<QToolButton *>()) {
        if (b->menu() == top)
            opener = b;
    }
    if (top == m_window->PopupMenu1) {
        QWidget *viewport = m_window->Editor->viewport();
        const QPoint at(viewport->width() / 3, viewport->height() / 3);
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    } else if (opener) {
        // The arrow at the right edge of a drop-down button.
        QTest::mouseClick(opener, Qt::LeftButton, {}, QPoint(opener->width() - 5, opener->height() / 2));
    } else {
        top->popup(m_window->mapToGlobal(m_window->rect().center()));
    }
    if (!QTest::qWaitFor([&] { return done; }, 5000))
        qWarning("menu item \"%s\" could not be clicked", qPrintable(plainCaption(item)));
    clicker.stop();
    QTest::qWaitFor([&] { return !anyMenuVisible(chain); }, 2000);
}

void WindowDriver::type(const QString &text)
{
    m_window->Editor->setFocus();
    QTest::keyClicks(m_window->Editor, text);
}

void WindowDriver::press(const QKeySequence &keys)
{
    QWidget *target = QApplication::focusWidget();
    if (!target || target->window() != m_window.get())
        target = m_window->Editor;
    QTest::keySequence(target, keys);
}

void WindowDriver::click(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    QTest::mouseClick(widget, button, {}, at.isNull() ? widget->rect().center() : at);
}

void WindowDriver::onDialog(std::function<void(QWidget *)> handler)
{
    ++m_pendingHandlers;
    auto *watch = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    watch->setInterval(10);
    QObject::connect(watch, &QTimer::timeout, watch, [this, watch, started, handler] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) {
            if (started->elapsed() > 5000) {
                qWarning("no dialog opened");
                watch->deleteLater();
            }
            return;
        }
        watch->stop();
        watch->deleteLater();
        --m_pendingHandlers;
        handler(dialog);
    });
    watch->start();
}

QString WindowDriver::caption() const
{
    // What a title bar shows: the toolkit appends the application's display name, when one
    // has been set, to every window title.
    QString title = m_window->windowTitle();
    const QString displayName = QGuiApplication::applicationDisplayName();
    if (displayName != QCoreApplication::applicationName() && !title.endsWith(displayName))
        title += QStringLiteral(" \u2014 ") + displayName;
    return title;
}

QString WindowDriver::status(int panel) const
{
    return m_window->StatusBar1->panelText(panel);
}
