#pragma once
// Batch conversion from the command line:
//   scrivelle --convert-to EXT [--outdir DIR] [--pdf-text] FILE...
// converts every FILE in one process, each written as NAME.EXT beside its input or into DIR.
// A file that fails is reported on standard error with its name and the others go on; the run
// ends with status 1 when any failed. Progress goes to standard error when that is a terminal.
// The conversion itself is the caller's (the window's open and save, unshown).

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

struct BatchJob {
    QString extension; // without the full stop, lower case
    QString outDir;    // empty: beside each input
    bool textPdf = false;
    QStringList files;
};

// Reads the arguments after --convert-to; returns an error text, empty when they are fine.
QString parseBatchArguments(const QStringList &args, BatchJob &job);

// The name input is written to: its base name with the job's extension, in the output folder
// or beside the input.
QString batchOutputName(const QString &input, const BatchJob &job);

// Converts input to output; throws std::exception with the user's message on failure.
using BatchConverter = std::function<void(const QString &input, const QString &output)>;

// Runs the job; err gets the failures (and progress when terminal is set). Returns 0 when all
// files were converted, 1 when any failed.
int runBatch(const BatchJob &job, const BatchConverter &convert, QTextStream &err,
             bool terminal);
