// A long document made of tables: reading it into the control (as Open does, without the
// window), opening it in the main window until it is painted, and paginating it for the
// preview at the 300 dpi reference device, through the preview's copy and, as the headless
// jobs do, from the source itself when the copy would be the same document. make_long_rtf.py 300 FILE --tables writes one of
// 300 pages and 30 000 cells; with --long-table the same cells in one table of 10 000 rows.
// In the window, keys are then typed into a cell halfway down the document, each timed until
// the window has answered it (laid out and painted).
//
//   bench_tables FILE.rtf [runs] [--window]     (--window: the window only, no pagination)
#include "app/Main.h"
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_tables FILE.rtf [runs]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const bool windowOnly = argc > 3 && QByteArray(argv[3]) == "--window";
    QTemporaryDir dir;
    std::vector<double> read, loaded, painted, paginated, cpu, shared, sharedCpu, keys, sent, repainted, repaints;
    bool spared = false;
    int pages = 0;
    int characters = 0;
    for (int r = 0; r < runs; ++r) {
        if (!windowOnly) {
            TRxRichEdit editor;
            QElapsedTimer t;
            t.start();
            editor.Lines.LoadDocumentFile(file);
            read.push_back(t.nsecsElapsed() / 1e6);
            characters = editor.textLength();

            TGmPreview preview;
            preview.GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-Reference-Device"));
            preview.OnNeedRichEdit = [](QObject *, TRxRichEdit *&e) { e = new TRxRichEdit; };
            TGmRtfPreview paginator;
            paginator.SetPreview(&preview);
            const std::clock_t c0 = std::clock();
            t.restart();
            paginator.LoadFromRichEdit(&editor);
            paginated.push_back(t.nsecsElapsed() / 1e6);
            cpu.push_back(double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC);
            pages = preview.Count();

            // As the headless jobs paginate: from the source itself when its copy through
            // Rich Text would be the same document.
            TGmPreview sharedPreview;
            sharedPreview.GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-Reference-Device"));
            sharedPreview.OnNeedRichEdit = preview.OnNeedRichEdit;
            TGmRtfPreview sharing;
            sharing.SetPreview(&sharedPreview);
            sharing.SharesUnchangedSource = true;
            const std::clock_t c1 = std::clock();
            t.restart();
            sharing.LoadFromRichEdit(&editor);
            shared.push_back(t.nsecsElapsed() / 1e6);
            sharedCpu.push_back(double(std::clock() - c1) * 1000.0 / CLOCKS_PER_SEC);
            spared = sharedPreview.Pages(1)->RtfInfo().RichEdit() == &editor;
        }
        TfrmMainEditor w;
        w.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
        w.show();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        w.LoadDocument(file);
        loaded.push_back(t.nsecsElapsed() / 1e6);
        w.repaint();
        QApplication::processEvents();
        painted.push_back(t.nsecsElapsed() / 1e6);
        // Keys typed at the end of the first paragraph in a cell halfway down.
        QTextCursor c(w.Editor->document());
        characters = w.Editor->document()->characterCount();
        for (QTextBlock b = w.Editor->document()->findBlock(characters / 2); b.isValid();
             b = b.next()) {
            c.setPosition(b.position() + b.length() - 1);
            if (c.currentTable())
                break;
        }
        w.Editor->setTextCursor(c);
        QApplication::processEvents();
        t.restart();
        w.Editor->viewport()->repaint();
        repaints.push_back(t.nsecsElapsed() / 1e6);
        for (int k = 0; k < 20; ++k) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            t.restart();
            QApplication::sendEvent(w.Editor->viewport(), &press);
            sent.push_back(t.nsecsElapsed() / 1e6);
            w.Editor->viewport()->repaint();
            repainted.push_back(t.nsecsElapsed() / 1e6);
            QApplication::processEvents();
            keys.push_back(t.nsecsElapsed() / 1e6);
        }
        w.Editor->document()->undo();
        w.Editor->setDocumentModified(false);
        w.SetModifiedState(false);
    }
    std::printf("%s: %d characters, %d pages at 300 dpi; medians of %d runs\n", argv[1],
                characters, pages, runs);
    if (!windowOnly) {
        std::printf("  read into the control        %8.1f ms\n", median(read));
        std::printf("  paginated for the preview    %8.1f ms (processor %.1f ms)\n",
                    median(paginated), median(cpu));
        std::printf("  ... from the source itself   %8.1f ms (processor %.1f ms; copy %s)\n",
                    median(shared), median(sharedCpu), spared ? "spared" : "made");
    }
    std::printf("  opened in the window         %8.1f ms\n", median(loaded));
    std::printf("  ... and painted              %8.1f ms\n", median(painted));
    std::printf("  painted halfway down         %8.1f ms\n", median(repaints));
    std::printf("  a key typed in a cell        %8.1f ms (laid out and painted; slowest %.1f ms)\n",
                median(keys), *std::max_element(keys.begin(), keys.end()));
    std::printf("  ... of which the key itself  %8.1f ms, with painting %.1f ms\n", median(sent),
                median(repainted));
    return 0;
}
