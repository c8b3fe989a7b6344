// A long document made of tables: reading it into the control (as Open does, without the
// window), opening it in the main window until it is painted, and paginating it for the
// preview at the 300 dpi reference device, through the preview's copy and, as the headless
// jobs do, from the source itself when the copy would be the same document. make_long_rtf.py 300 FILE --tables writes one of
// 300 pages and 30 000 cells.
//
//   bench_tables FILE.rtf [runs]
#include "app/Main.h"
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"

#include <QApplication>
#include <QElapsedTimer>
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
    QTemporaryDir dir;
    std::vector<double> read, loaded, painted, paginated, cpu, shared, sharedCpu;
    bool spared = false;
    int pages = 0;
    int characters = 0;
    for (int r = 0; r < runs; ++r) {
        {
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
        w.Editor->setDocumentModified(false);
        w.SetModifiedState(false);
    }
    std::printf("%s: %d characters, %d pages at 300 dpi; medians of %d runs\n", argv[1],
                characters, pages, runs);
    std::printf("  read into the control        %8.1f ms\n", median(read));
    std::printf("  paginated for the preview    %8.1f ms (processor %.1f ms)\n",
                median(paginated), median(cpu));
    std::printf("  ... from the source itself   %8.1f ms (processor %.1f ms; copy %s)\n",
                median(shared), median(sharedCpu), spared ? "spared" : "made");
    std::printf("  opened in the window         %8.1f ms\n", median(loaded));
    std::printf("  ... and painted              %8.1f ms\n", median(painted));
    return 0;
}
