// Recovery copies and typing: how long the window thread spends on each keystroke in a
// 300-page document while recovery copies are being taken and written, against the same typing
// with copies off; what one copy costs the window thread (the longest turn of streaming the
// document, which runs in turns between events) and in all, and what its writing costs the
// writer's thread (encoding, writing, syncing).
#include "app/Main.h"
#include "documents/DocumentRecovery.h"
#include "richedit/TypingLayout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// About 45 lines of 12-point text make one Letter page; every paragraph has a bold run.
void fill(QTextEdit *editor, int pages)
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

// Processor time of the calling thread: on a machine shared with other work a keystroke's wall
// time includes waits for a processor, which this leaves out.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Figures {
    double median = 0, p90 = 0, p99 = 0, max = 0;
};

Figures figuresOf(QList<double> times)
{
    std::sort(times.begin(), times.end());
    const auto at = [&](double share) { return times[qsizetype((times.size() - 1) * share)]; };
    return {at(0.5), at(0.9), at(0.99), times.back()};
}

// What a run of keystrokes does: letters, letters with a space every sixth (so that lines
// wrap as in prose), Enter then a letter, or Backspace after each letter.
enum class Keys { Letters, Prose, Enter, Backspace };

QKeyEvent keyOf(QEvent::Type type, Keys keys, int i)
{
    if (keys == Keys::Enter && i % 2 == 0)
        return QKeyEvent(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    if (keys == Keys::Backspace && i % 2 == 1)
        return QKeyEvent(type, Qt::Key_Backspace, Qt::NoModifier);
    if (keys == Keys::Prose && i % 6 == 5)
        return QKeyEvent(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    return QKeyEvent(type, Qt::Key_A + i % 26, Qt::NoModifier, QString(QChar(u'a' + i % 26)));
}

// Types count keys at share of the document (0 the start, 1 the end), one every gapMs, and
// returns the time each keystroke (press and release) took on the window thread. stall: the
// most processor time a single event-loop pass took between two keystrokes (a key pressed then
// would have waited at least that long).
QList<double> type(QTextEdit *editor, double share, Keys keys, int count, int gapMs,
                   double *stall, QList<double> *cpu)
{
    *stall = 0;
    QTextCursor c = editor->textCursor();
    c.setPosition(qBound(0, int((editor->document()->characterCount() - 1) * share),
                         editor->document()->characterCount() - 1));
    editor->setTextCursor(c);
    QList<double> times;
    for (int i = 0; i < count; ++i) {
        QKeyEvent press = keyOf(QEvent::KeyPress, keys, i);
        QKeyEvent release = keyOf(QEvent::KeyRelease, keys, i);
        QElapsedTimer t;
        t.start();
        const double cpuStart = threadCpuMs();
        QApplication::sendEvent(editor, &press);
        QApplication::sendEvent(editor, &release);
        times << t.nsecsElapsed() / 1e6;
        *cpu << threadCpuMs() - cpuStart;
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < gapMs) { // timers (the copies) run between keystrokes, as in use
            const double busy = threadCpuMs();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            *stall = std::max(*stall, threadCpuMs() - busy);
        }
    }
    return times;
}

void report(const char *what, const Figures &f, const Figures &cpu, double stall)
{
    std::printf("%-33s median %6.3f p90 %6.3f p99 %6.3f max %6.3f ms (processor: p99 %6.3f"
                " max %6.3f); longest pass between keys %5.1f ms (processor)\n",
                what, f.median, f.p90, f.p99, f.max, cpu.p99, cpu.max, stall);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int pages = 300;
    const int keys = 120;
    const int gapMs = 40; // 25 keys a second: a fast typist

    TfrmMainEditor window;
    window.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
    window.enableRecovery(dir.filePath(QStringLiteral("recovery")));
    window.show();
    QCoreApplication::processEvents();
    // A document file given on the command line (bench/make_long_rtf.py makes one) is opened
    // as a user opens it; otherwise the document is typed in.
    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!file.isEmpty()) {
        window.LoadDocument(file);
        window.Editor->Lines.LineCount(); // the whole layout, as after the background layout
    } else {
        fill(window.Editor, pages);
    }
    window.SetModifiedState(true);
    std::printf("document: %s, %d characters\n",
                file.isEmpty() ? "300 typed pages" : qPrintable(file),
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

    // Keystrokes by place and kind, copies off, then on with delays short enough that many
    // copies are taken and written during each run.
    struct Run {
        const char *name;
        double share;
        Keys keys;
    };
    const Run runs[] = {{"letters at the start", 0.0, Keys::Letters},
                        {"letters in the middle", 0.5, Keys::Letters},
                        {"letters at the end", 1.0, Keys::Letters},
                        {"prose (lines wrap) in the middle", 0.5, Keys::Prose},
                        {"Enter in the middle", 0.5, Keys::Enter},
                        {"Backspace in the middle", 0.5, Keys::Backspace},
                        {"prose (lines wrap) at the start", 0.0, Keys::Prose}};
    int copies = 0;
    double longestCopyMs = 0;
    QObject::connect(window.Recovery, &DocumentRecovery::copyWritten, [&] {
        ++copies;
        longestCopyMs = std::max(longestCopyMs, window.Recovery->lastCopyMs());
    });
    for (const bool on : {false, true}) {
        window.Recovery->setEnabled(on);
        window.Recovery->setDelays(100, 1000);
        std::printf("copies %s:\n", on ? "on" : "off");
        QList<double> all, allCpu;
        double longestStall = 0;
        for (const Run &run : runs) {
            // Moving the caret elsewhere takes a user a moment: the layout settles meanwhile.
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 1500)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            double stall = 0;
            QList<double> cpu;
            const QList<double> times = type(window.Editor, run.share, run.keys, keys, gapMs,
                                             &stall, &cpu);
            report(run.name, figuresOf(times), figuresOf(cpu), stall);
            if (const auto *layout = qobject_cast<richedit::TypingLayout *>(
                    window.Editor->document()->documentLayout()))
                std::printf("%33s edits laid out alone so far %d, by the whole layout %d\n", "",
                            layout->shortcutEdits(), layout->fullEdits());
            all << times;
            allCpu << cpu;
            longestStall = std::max(longestStall, stall);
        }
        report("all keystrokes", figuresOf(all), figuresOf(allCpu), longestStall);
    }
    window.Recovery->waitForWrites();
    std::printf("copies written during typing: %d; longest turn of streaming one: %.1f ms\n",
                copies, longestCopyMs);

    // The same keystrokes in a bare text edit with the same document: what the toolkit's own
    // editing and layout cost, with nothing of ours connected.
    QTextEdit bare;
    bare.resize(window.Editor->size());
    bare.show();
    if (!file.isEmpty())
        bare.setDocument(window.Editor->document()->clone(&bare));
    else
        fill(&bare, pages);
    QCoreApplication::processEvents();
    std::printf("bare text edit, same document:\n");
    for (const Run &run : runs) {
        double stall = 0;
        QList<double> cpu;
        const QList<double> times = type(&bare, run.share, run.keys, keys / 2, gapMs, &stall, &cpu);
        report(run.name, figuresOf(times), figuresOf(cpu), stall);
    }
    window.Editor->setDocumentModified(false);
    window.SetModifiedState(false);
    return 0;
}
