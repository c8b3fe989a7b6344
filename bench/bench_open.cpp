// Opening a long document in the main window, as Open does: from the call until the document
// is shown, editable and scrollable (the load returned, the window painted, a scroll to the end
// painted, a keystroke taken), with the time to the first paint and to the last separately.
//
//   bench_open FILE.rtf [runs]
#include "app/Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_open FILE.rtf [runs]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir dir;
    std::vector<double> loaded, painted, scrolled;
    for (int r = 0; r < runs; ++r) {
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
        QScrollBar *bar = w.Editor->verticalScrollBar();
        bar->setValue(bar->maximum());
        w.Editor->viewport()->repaint();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(w.Editor, &press);
        QApplication::processEvents();
        scrolled.push_back(t.nsecsElapsed() / 1e6);
        w.Editor->setDocumentModified(false);
        w.SetModifiedState(false);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("open %s, %d runs, medians:\n", argv[1], runs);
    std::printf("  load returned          %8.1f ms\n", median(loaded));
    std::printf("  first paint            %8.1f ms\n", median(painted));
    std::printf("  scrolled to the end,\n  a key typed and painted %7.1f ms\n", median(scrolled));
    return 0;
}
