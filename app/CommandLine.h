#pragma once
// Headless jobs run from "--" options, with no window on screen and no display needed:
// conversion between formats, statistics, help and version.

#include <QString>
#include <QStringList>

// Runs the job argv[1] names; returns the process exit code.
int runCommandLine(int argc, char **argv);

// The arguments argv[first] on as file names, taken from the bytes given rather than from
// QCoreApplication::arguments(), whose decoding turns a name that is not valid in the file-name
// encoding into another name (U+FFFD in place of its bytes). Such a name is not used: the names
// end before it and refusal gets the message for the user; it stays empty otherwise.
QStringList argumentFileNames(int argc, char **argv, int first, QString *refusal);
