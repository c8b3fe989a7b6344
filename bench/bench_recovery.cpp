// Recovery copies and typing: how long the window thread spends on each keystroke in a
// 300-page document while recovery copies are being taken and written, against the same typing
// with copies off; what one copy costs the window thread (the longest turn of streaming the
// document, which runs in turns between events) and in all, and what its writing costs the
// writer's thread (encoding, writing, syncing).
#include "app/Main.h"
#include "documents/DocumentRecovery.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>

namespace {

// About 45 lines of 12-point text make one Letter page; every paragraph has a bold run.
void fill(TRxRichEdit *editor, int pages)
{
    const QString para = QStringLiteral("The quick brown fox jumps over the lazy dog; pack my box "
                                        "with five dozen liquor jugs. ").repeated(3);
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("Times New Roman")});
    plain.setFontPointSize(12);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    QTextCursor c(editor->document());
    c.beginEditBlock();
    for (int i = 0; i < pages * 15; ++i) {
        c.insertText(para, plain);
        c.insertText(QStringLiteral("bold words"), bold);
        c.insertBlock();
    }
    c.endEditBlock();
}

struct Figures {
    double median = 0, p99 = 0, max = 0;
};

Figures figuresOf(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[qsizetype(times.size() * 0.99)], times.back()};
}

// Types count characters in the middle of the document, one every gapMs, and returns the time
// each keystroke (press and release) took on the window thread. stall: the longest the window
// thread was busy between two keystrokes (a key pressed then would have waited that long).
QList<double> type(TfrmMainEditor &window, int count, int gapMs, double *stall)
{
    *stall = 0;
    QTextCursor c = window.Editor->textCursor();
    c.setPosition(window.Editor->document()->characterCount() / 2);
    window.Editor->setTextCursor(c);
    QList<double> times;
    for (int i = 0; i < count; ++i) {
        const QString text(QChar(u'a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, text);
        QElapsedTimer t;
        t.start();
        QApplication::sendEvent(window.Editor, &press);
        QApplication::sendEvent(window.Editor, &release);
        times << t.nsecsElapsed() / 1e6;
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < gapMs) { // timers (the copies) run between keystrokes, as in use
            QElapsedTimer busy;
            busy.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, gapMs);
            *stall = std::max(*stall, busy.nsecsElapsed() / 1e6);
        }
    }
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int pages = 300;
    const int keys = 300;
    const int gapMs = 40; // 25 keys a second: a fast typist

    TfrmMainEditor window;
    window.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
    window.enableRecovery(dir.filePath(QStringLiteral("recovery")));
    window.show();
    QCoreApplication::processEvents();
    fill(window.Editor, pages);
    window.SetModifiedState(true);
    std::printf("document: %d pages, %d characters\n", pages,
                window.Editor->document()->characterCount());

    // Copies taken directly: streaming in turns, then the writer's share (best of five).
    QElapsedTimer t;
    double streamMs = 1e9, turnMs = 1e9, writeMs = 1e9;
    for (int i = 0; i < 5; ++i) {
        window.SetModifiedState(true);
        bool streamed = false;
        auto c = QObject::connect(window.Recovery, &DocumentRecovery::copyWritten,
                                  [&] { streamed = true; });
        t.restart();
        window.Recovery->takeCopy();
        while (window.Recovery->lastCopyMs() == 0 || !streamed) {
            QCoreApplication::processEvents();
            if (t.elapsed() > 10000)
                break;
        }
        streamMs = std::min(streamMs, t.nsecsElapsed() / 1e6);
        turnMs = std::min(turnMs, window.Recovery->lastCopyMs());
        QObject::disconnect(c);
        t.restart();
        window.Recovery->takeCopy();
        window.Recovery->waitForWrites();
        writeMs = std::min(writeMs, t.nsecsElapsed() / 1e6);
    }
    std::printf("one copy: streamed in turns of at most %.1f ms on the window thread, written "
                "%.1f ms after it was started; taken at once (stream and writer) %.1f ms, %.0f KB\n",
                turnMs, streamMs, writeMs,
                QFileInfo(window.Recovery->copyPath()).size() / 1024.0);

    // What recovery itself adds to a keystroke: the Modified state handed on, a timer restarted.
    t.restart();
    const int calls = 100000;
    for (int i = 0; i < calls; ++i)
        window.Recovery->modifiedStateSet(true);
    std::printf("recovery's own work per keystroke: %.2f us\n", t.nsecsElapsed() / 1e3 / calls);

    window.Recovery->setEnabled(false);
    double stallOff = 0, stallOn = 0;
    const Figures off = figuresOf(type(window, keys, gapMs, &stallOff));
    std::printf("typing, copies off:            median %.3f ms, p99 %.3f ms, max %.3f ms;"
                " longest stall between keys %.1f ms\n", off.median, off.p99, off.max, stallOff);

    // Copies on, with delays short enough that many are taken and written during the run.
    window.Recovery->setEnabled(true);
    window.Recovery->setDelays(100, 1000);
    int copies = 0;
    double longestCopyMs = 0;
    QObject::connect(window.Recovery, &DocumentRecovery::copyWritten, [&] {
        ++copies;
        longestCopyMs = std::max(longestCopyMs, window.Recovery->lastCopyMs());
    });
    const Figures on = figuresOf(type(window, keys, gapMs, &stallOn));
    window.Recovery->waitForWrites();
    std::printf("typing, copies on:             median %.3f ms, p99 %.3f ms, max %.3f ms;"
                " longest stall between keys %.1f ms\n", on.median, on.p99, on.max, stallOn);
    std::printf("copies written during typing: %d; longest turn of streaming one: %.1f ms\n",
                copies, longestCopyMs);
    window.Editor->setDocumentModified(false);
    window.SetModifiedState(false);
    return 0;
}
