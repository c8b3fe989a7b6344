#pragma once
// Where the program keeps its own files (settings, document history): beside the program when
// the user can write that folder, as a program run from its build folder or copied to a folder
// of its own does; otherwise, as for a program installed in a system folder, in the user's
// configuration folder, under the same file names.

#include <QString>
#include <QStringList>

namespace shell {

// True when a new file can be created in folder (tried with a uniquely named file that is
// removed again), which also catches read-only file systems where permission bits lie.
bool canCreateFilesIn(const QString &folder);

// The folder for the program's files: programFolder when it is not one of installedFolders
// (the system folders the installed program runs from) and files can be created in it;
// otherwise userFolder, created when missing.
QString configFolder(const QString &programFolder, const QString &userFolder,
                     const QStringList &installedFolders = {});

// configFolder for this program (its own folder, the user's application configuration folder
// and the folders it is installed to) followed by fileName. The choice is made once per run.
QString configFilePath(const QString &fileName);

} // namespace shell
