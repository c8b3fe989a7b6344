// Writing aids on a 300-page document in the main window's editor: replace-all of a common
// word (one undoable step, with the relayout it causes), and the cost of a keystroke with
// spell checking on (the key itself, and the idle check of the changed paragraph after it).
// Also the first full check of the document, which runs in idle slices.
//
//   bench_writingaids [FILE.rtf]   (a file, e.g. from make_long_rtf.py, adds replace-all in it)
#include "app/Main.h"
#include "editor/FindReplace.h"
#include "editor/SpellChecking.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// About 300 pages of 12-point text: 15 paragraphs of ~60 words a page, a few misspellings.
QString document(int pages)
{
    const QString para = QStringLiteral(
        "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs. "
        "When the evening came the travellers reached the river and found the ferry gone, so "
        "they made camp by the water and waited for the mornning light to cross. ");
    QStringList paras;
    for (int i = 0; i < pages * 15; ++i)
        paras << para;
    return paras.join(QLatin1Char('\n'));
}

void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.3f ms, 95th percentile %.3f ms, max %.3f ms\n", what,
                ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TfrmMainEditor w;
    w.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
    w.show();
    QApplication::processEvents();

    for (int pages : {75, 150, 300}) {
        w.Spelling->setEnabled(false);
        w.Editor->clear();
        QTextCursor c(w.Editor->document());
        c.insertText(document(pages));
        QApplication::processEvents();
        const int words = int(w.Editor->document()->toPlainText().count(QStringLiteral(" the ")));
        QElapsedTimer t;
        t.start();
        const int n = TextFinder(w.Editor->document()).replaceAll(QStringLiteral("the"),
                                                                  QStringLiteral("a"), {});
        const double replaceMs = t.nsecsElapsed() / 1e6;
        t.restart();
        QApplication::processEvents(); // the relayout and repaint that follow
        std::printf("%d pages: replace-all of \"the\" (%d replaced, ~%d as a word): %.1f ms, "
                    "then %.1f ms to lay out and paint\n",
                    pages, n, words, replaceMs, t.nsecsElapsed() / 1e6);
    }

    if (argc > 1) { // replace-all in a real document loaded as Open loads it
        w.LoadDocument(QString::fromLocal8Bit(argv[1]));
        w.Editor->document()->documentLayout()->blockBoundingRect(w.Editor->document()->lastBlock());
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        const int n = TextFinder(w.Editor->document()).replaceAll(QStringLiteral("the"),
                                                                  QStringLiteral("a"), {});
        const double replaceMs = t.nsecsElapsed() / 1e6;
        t.restart();
        QApplication::processEvents();
        std::printf("%s: replace-all of \"the\" (%d replaced): %.1f ms, then %.1f ms to lay out "
                    "and paint\n", argv[1], n, replaceMs, t.nsecsElapsed() / 1e6);
        w.Editor->undo();
        w.Editor->setDocumentModified(false);
    }

    // The checker alone on one paragraph, and its word splitting.
    {
        SpellChecker checker;
        checker.setLanguage(QStringLiteral("en_US"));
        const QString para = document(1).section(QLatin1Char('\n'), 0, 0);
        QElapsedTimer t;
        t.start();
        int found = 0;
        for (int i = 0; i < 100; ++i)
            found += int(checker.misspelled(para).size());
        const double check = t.nsecsElapsed() / 1e6 / 100;
        t.restart();
        for (int i = 0; i < 100; ++i)
            found += int(SpellChecker::words(para).size());
        std::printf("one paragraph of %d words: checked in %.3f ms, split in %.3f ms (%d)\n",
                    int(SpellChecker::words(para).size()), check, t.nsecsElapsed() / 1e6 / 100, found);
    }

    // Spelling: the first full check, then keystrokes at the end of the document.
    w.Editor->clear();
    QTextCursor c(w.Editor->document());
    c.insertText(document(300));
    w.Spelling->setLanguage(QStringLiteral("en_US"));
    QElapsedTimer t;
    t.start();
    w.Spelling->setEnabled(true);
    w.Spelling->checkAllNow();
    std::printf("first full check of 300 pages (in idle slices of 4 ms): %.1f ms of work\n",
                t.nsecsElapsed() / 1e6);
    c.movePosition(QTextCursor::End);
    w.Editor->setTextCursor(c);
    QApplication::processEvents();

    std::vector<double> keys, idle, plain;
    for (int i = 0; i < 200; ++i) {
        const QString letter = (i % 6 == 5) ? QStringLiteral(" ") : QStringLiteral("x");
        QKeyEvent press(QEvent::KeyPress, letter == QStringLiteral(" ") ? Qt::Key_Space : Qt::Key_X,
                        Qt::NoModifier, letter);
        t.restart();
        QApplication::sendEvent(w.Editor, &press);
        keys.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        QApplication::processEvents(); // the idle check of the changed paragraph and the paint
        idle.push_back(t.nsecsElapsed() / 1e6);
    }
    report("keystroke at the end of 300 pages, spelling on (key event)", keys);
    report("idle work after each keystroke, spelling on (check + paint)", idle);
    w.Spelling->setEnabled(false);
    for (int i = 0; i < 200; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        t.restart();
        QApplication::sendEvent(w.Editor, &press);
        QApplication::processEvents();
        plain.push_back(t.nsecsElapsed() / 1e6);
    }
    report("keystroke with its idle work, spelling off (reference)", plain);
    w.Editor->setDocumentModified(false);
    return 0;
}
