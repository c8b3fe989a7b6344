#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/Exceptions.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "dialogs/Dialogs.h"
#include "documents/RecoveryStore.h"
#include "documents/History.h"

#include <QDebug>
#include <QIcon>
#include <QTimer>

namespace {
QString g_title = QStringLiteral(" Scrivelle");
}

QString applicationTitle() { return g_title; }

void setApplicationTitle(const QString &title)
{
    // Kept for the error boxes only: as the toolkit's display name it would be appended to
    // every window title, and the title bar shows the window's caption alone.
    g_title = title;
}

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showErrorBox(const QString &message)
{
    dialogs::current().error(applicationTitle(), errorBoxText(message));
}

ScrivelleApplication::ScrivelleApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool ScrivelleApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort &) {
        return false;
    } catch (const std::exception &e) {
        showErrorBox(exceptionMessage(e));
        return false;
    } catch (...) {
        showErrorBox(QStringLiteral("Unexpected failure"));
        return false;
    }
}

int scrivelleMain(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]).startsWith("--"))
        return runCommandLine(argc, argv);

    ScrivelleApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivelle"));
    // The desktop entry and icon of an installed program (window icon, Wayland application id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.scrivelle.Scrivelle"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.scrivelle.Scrivelle")));
    setApplicationTitle(QStringLiteral(" Scrivelle"));
    // The toolkit has taken its own options out of argv; the rest name files by their bytes,
    // as for the headless jobs, so a name the encoding cannot hold never opens another file.
    QString refusal;
    const QStringList arguments = argumentFileNames(argc, argv, 1, &refusal);

    ProgramWindows windows = createProgramWindows();
    windows.main->setStartArguments(arguments);
    windows.main->enableRecovery(RecoveryStore::defaultFolder());
    windows.main->show();
    if (arguments.isEmpty() && !refusal.isEmpty()) // the window opens only the first name
        QTimer::singleShot(0, [refusal] { showErrorBox(refusal); });
    const int rc = app.exec();
    try {
        windows.main->FormDestroy();
    } catch (const std::exception &e) {
        showErrorBox(exceptionMessage(e));
    }
    try {
        if (THistoryForm *history = HistoryForm())
            history->FormDestroy();
    } catch (const std::exception &e) {
        showErrorBox(exceptionMessage(e));
    }
    return rc;
}
