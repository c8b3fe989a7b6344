#include "shell/ConfigPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef SCRIVELLE_INSTALL_BINDIR
#define SCRIVELLE_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace shell {

bool canCreateFilesIn(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".scrivelle-probe-XXXXXX")));
    return probe.open(); // removed again when probe goes
}

QString configFolder(const QString &programFolder, const QString &userFolder,
                     const QStringList &installedFolders)
{
    const QString program = QDir::cleanPath(programFolder);
    bool installed = false;
    for (const QString &folder : installedFolders)
        installed = installed || QDir::cleanPath(folder) == program;
    if (!installed && canCreateFilesIn(program))
        return program;
    QDir().mkpath(userFolder);
    return QDir::cleanPath(userFolder);
}

QString configFilePath(const QString &fileName)
{
    static const QString folder = configFolder(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
        // The configured installation folder and the one of the Debian package.
        {QStringLiteral(SCRIVELLE_INSTALL_BINDIR), QStringLiteral("/usr/bin")});
    return QDir(folder).filePath(fileName);
}

} // namespace shell
