// Opening a long document in the main window, as Open does: from the call until the document
// is shown, editable and scrollable (the load returned, the window painted, a scroll to the end
// painted, a keystroke taken), with the time to the first paint and to the last separately;
// then the time each further keystroke takes until painted, and each paint of the window.
//
//   bench_open FILE.rtf [runs]
#include "app/Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
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
    std::vector<double> loaded, painted, scrolled, typed, repainted;
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
        // Typing on: each key taken and painted, then the window painted whole again.
        for (int k = 0; k < 3; ++k) {
            QElapsedTimer key;
            key.start();
            // A document at the control's limit takes no more text: make room first.
            QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(w.Editor, &del);
            QKeyEvent next(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
            QApplication::sendEvent(w.Editor, &next);
            w.Editor->viewport()->repaint();
            QApplication::processEvents();
            typed.push_back(key.nsecsElapsed() / 1e6);
            key.restart();
            w.Editor->viewport()->repaint();
            repainted.push_back(key.nsecsElapsed() / 1e6);
        }
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
    std::printf("then each Delete and key, painted %7.1f ms\n", median(typed));
    std::printf("  and each paint         %8.1f ms\n", median(repainted));
    return 0;
}
