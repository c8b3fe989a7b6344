// Writing aids on a 300-page document in the main window's editor: replace-all of a common
// word (one undoable step, with the relayout it causes; in a given file through the window's
// Replace All button), and the cost of a keystroke with
// spell checking on (the key itself, and the idle check of the changed paragraph after it).
// Also the first full check of the document, which runs in idle slices.
//
//   bench_writingaids [FILE.rtf]   (a file, e.g. from make_long_rtf.py, adds replace-all in it)
#include "app/Main.h"
#include "dialogs/Dialogs.h"
#include "editor/FindDialog.h"
#include "editor/FindReplace.h"
#include "editor/SpellChecking.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <ctime>
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

// Messages are not shown: the run goes on by itself.
class QuietDialogs : public dialogs::Dialogs {
public:
    void information(const QString &, const QString &) override {}
    dialogs::Answer confirm(const QString &, const QString &, dialogs::Buttons) override
    {
        return dialogs::Answer::Cancel;
    }
    void error(const QString &, const QString &) override {}
    bool openFile(dialogs::FileDialogOptions &) override { return false; }
    bool saveFile(dialogs::FileDialogOptions &) override { return false; }
    bool chooseFont(FontChoice &) override { return false; }
    bool chooseColour(std::uint32_t &, bool) override { return false; }
    bool inputQuery(const QString &, const QString &, QString &) override { return false; }
};

// Processor time of this thread in milliseconds: on a shared machine wall time includes the
// waits for a processor, which this leaves out.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
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

    if (argc > 1) { // replace-all in a real document loaded as Open loads it, from the window
        QuietDialogs quiet;
        dialogs::Dialogs *previous = dialogs::setCurrent(&quiet);
        w.LoadDocument(QString::fromLocal8Bit(argv[1]));
        w.Editor->document()->documentLayout()->blockBoundingRect(w.Editor->document()->lastBlock());
        w.UpdateStatusBar();
        QApplication::processEvents();
        w.FindDialog->showReplace();
        w.FindDialog->FindEdit->setText(QStringLiteral("the"));
        w.FindDialog->ReplaceEdit->setText(QStringLiteral("a"));
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        double cpu = threadCpuMs();
        w.FindDialog->btnReplaceAll->click();
        const double replaceMs = t.nsecsElapsed() / 1e6, replaceCpu = threadCpuMs() - cpu;
        t.restart();
        cpu = threadCpuMs();
        QApplication::processEvents(); // the layout of what is shown, and its paint
        const double shownMs = t.nsecsElapsed() / 1e6, shownCpu = threadCpuMs() - cpu;
        t.restart();
        w.UpdateStatusBar(); // as the next move of the caret does
        while (!w.Editor->lineMetricsCurrent() && t.elapsed() < 60000) // the rest, in slices
            QApplication::processEvents();
        std::printf("%s, Replace All in the window: \"%s\": %.1f ms (processor %.1f), then "
                    "%.1f ms (processor %.1f) to lay out and paint what is shown; the rest laid "
                    "out from the event loop in %.1f ms\n",
                    argv[1], qPrintable(w.FindDialog->StatusLabel->text()), replaceMs, replaceCpu,
                    shownMs, shownCpu, t.nsecsElapsed() / 1e6);
        w.FindDialog->hide();
        w.Editor->undo();
        w.Editor->setDocumentModified(false);
        dialogs::setCurrent(previous);
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

    std::vector<double> keys, idle, plain, keysCpu, idleCpu, plainCpu;
    for (int i = 0; i < 200; ++i) {
        const QString letter = (i % 6 == 5) ? QStringLiteral(" ") : QStringLiteral("x");
        QKeyEvent press(QEvent::KeyPress, letter == QStringLiteral(" ") ? Qt::Key_Space : Qt::Key_X,
                        Qt::NoModifier, letter);
        t.restart();
        double cpu = threadCpuMs();
        QApplication::sendEvent(w.Editor, &press);
        keys.push_back(t.nsecsElapsed() / 1e6);
        keysCpu.push_back(threadCpuMs() - cpu);
        t.restart();
        cpu = threadCpuMs();
        QApplication::processEvents(); // the idle check of the changed paragraph and the paint
        idle.push_back(t.nsecsElapsed() / 1e6);
        idleCpu.push_back(threadCpuMs() - cpu);
    }
    report("keystroke at the end of 300 pages, spelling on (key event)", keys);
    report("  the same in processor time", keysCpu);
    report("idle work after each keystroke, spelling on (check + paint)", idle);
    report("  the same in processor time", idleCpu);
    w.Spelling->setEnabled(false);
    for (int i = 0; i < 200; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        t.restart();
        const double cpu = threadCpuMs();
        QApplication::sendEvent(w.Editor, &press);
        QApplication::processEvents();
        plain.push_back(t.nsecsElapsed() / 1e6);
        plainCpu.push_back(threadCpuMs() - cpu);
    }
    report("keystroke with its idle work, spelling off (reference)", plain);
    report("  the same in processor time", plainCpu);
    w.Editor->setDocumentModified(false);
    return 0;
}
