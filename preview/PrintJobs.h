#pragma once
// Headless jobs of the command line that go through the preview's own code paths:
//   --pages FILE [--paper NAME] [--landscape] [--margins L,T,R,B]
//       prints the page count and each page's character range as the preview lays it out;
//   --print FILE [--printer NAME] [--pages-per-sheet 1|2|4]
//       prints every page as "Print All Pages" does.
// Margins are millimetres; missing ones come from the settings file beside the program.
// Both need a QApplication (any platform, offscreen included). The argument list may start
// with the option itself or with FILE. Exit codes: 0 done, 1 bad arguments or unreadable
// file, 2 nothing printed (no printer available, or the job failed).

#include "preview/PreviewPages.h"

#include <QStringList>
#include <QTextStream>
#include <functional>

class TRxRichEdit;

// Opens a document and returns the control holding it, alive for the rest of the job; throws
// on failure. Without one, .rtf, .doc and .txt files are read into a control of the job's own.
using TDocumentLoader = std::function<TRxRichEdit *(const QString &fileName)>;

int runPagesJob(QStringList args, QTextStream &out, QTextStream &err,
                const TDocumentLoader &load = {});
int runPrintJob(QStringList args, QTextStream &out, QTextStream &err,
                const TDocumentLoader &load = {});

// The four print margins in millimetres from the settings file DeskTopDock.ini in the given
// folder ("Print Margins"; 25, 15, 25, 15 when missing).
PrintMargins readPrintMargins(const QString &folder);
