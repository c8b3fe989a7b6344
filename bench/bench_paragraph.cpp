// Opening one very long paragraph in the main window, as Open does, and typing in it.
//
// For each size (megabytes of "word " in one paragraph) it reports, in wall and CPU time:
//   - the load returned, and the window's first paint after it;
//   - the layout done (the status bar shows the line figures), and the longest time the event
//     loop went without a turn meanwhile (how long the window could not answer the user);
//   - a keystroke at the start, in the middle and at the end of the paragraph, each taken and
//     painted (median of five);
//   - twenty characters typed at the start, in the middle and at the end, each key sent
//     through the event loop as a user's would be: the CPU time per key, and the longest time
//     the event loop went without a turn while typing and for a moment after it.
//
//   bench_paragraph [--qt] [--start] [SIZE ...]
//                                (SIZE in MB, or in KB with a k: 256k; default 2 8 16)
//
// --start opens the file as the program does with a file named on its command line (the load
// between the window's showing and its activation), timed from the showing; otherwise Open's
// load into a window already shown is timed.
// --qt has every key laid out by Qt's own text analysis (no kept analysis), to see what the
// kept analysis saves at each size.
#include "app/Main.h"
#include "richedit/TypingLayout.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Lap {
    double wall = 0, cpu = 0;
};

class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = cpuMs();
    }
    Lap lap() const { return {m_wall.nsecsElapsed() / 1e6, cpuMs() - m_cpu}; }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

bool writeParagraph(const QString &path, int kilobytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // A little short of the size: 16 MB would leave no room under the control's limit of
    // 16 M characters for the keys typed below.
    const qsizetype characters = qsizetype(kilobytes) * 1024 - qMin(1000, kilobytes * 64);
    f.write("{\\rtf1\\ansi ");
    f.write(QByteArray("word ").repeated(characters / 5 + 1).left(characters));
    f.write("}");
    return f.flush();
}

Lap median(std::vector<Lap> v)
{
    std::sort(v.begin(), v.end(), [](const Lap &a, const Lap &b) { return a.wall < b.wall; });
    return v[v.size() / 2];
}

// A key typed at `position` and the window painted, five times; the median.
Lap keystroke(TfrmMainEditor &w, int position)
{
    std::vector<Lap> laps;
    for (int k = 0; k < 5; ++k) {
        QTextCursor c = w.Editor->textCursor();
        c.setPosition(position);
        w.Editor->setTextCursor(c);
        QApplication::processEvents();
        Stopwatch t;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
        QApplication::sendEvent(w.Editor, &key);
        w.Editor->viewport()->repaint();
        QApplication::processEvents();
        laps.push_back(t.lap());
    }
    return median(laps);
}

richedit::TypingLayout *typingLayout(TfrmMainEditor &w)
{
    return qobject_cast<richedit::TypingLayout *>(w.Editor->document()->documentLayout());
}

struct Typing {
    double cpuPerKey = 0;
    double longestGapMs = 0;
    int analyses = 0; // of the whole paragraph kept meanwhile
};

// Times the turns of the event loop while it runs: the longest wait between two turns.
class GapMeter
{
public:
    GapMeter()
    {
        m_beat.setInterval(0);
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_turn.nsecsElapsed());
            m_turn.restart();
        });
        m_turn.start();
        m_beat.start();
    }
    double longestMs() const { return m_longest / 1e6; }

private:
    QElapsedTimer m_turn;
    QTimer m_beat;
    qint64 m_longest = 0;
};

// Twenty keys typed at `position`, each posted to the editor and the event loop run until it
// is idle again (which paints), then the event loop alone for a further 300 ms, timing its
// turns throughout.
Typing typeAt(TfrmMainEditor &w, int position)
{
    QTextCursor c = w.Editor->textCursor();
    c.setPosition(position);
    w.Editor->setTextCursor(c);
    QApplication::processEvents();
    constexpr int Keys = 20;
    const double cpu = cpuMs();
    const int analyses = typingLayout(w)->analysesKept();
    GapMeter gaps;
    for (int k = 0; k < Keys; ++k) {
        const QChar ch = QLatin1Char(char('a' + k % 26));
        QApplication::postEvent(w.Editor, new QKeyEvent(QEvent::KeyPress, Qt::Key_A + k % 26,
                                                        Qt::NoModifier, QString(ch)));
        QApplication::processEvents();
    }
    const double typed = cpuMs() - cpu;
    QElapsedTimer after;
    after.start();
    while (after.elapsed() < 300)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return {typed / Keys, gaps.longestMs(), typingLayout(w)->analysesKept() - analyses};
}

void print(const char *what, Typing t)
{
    std::printf("  %-34s %8.1f ms cpu/key %6.0f ms longest gap %2d new analyses\n", what,
                t.cpuPerKey, t.longestGapMs, t.analyses);
}

void print(const char *what, Lap lap)
{
    std::printf("  %-34s %8.0f ms wall %8.0f ms cpu\n", what, lap.wall, lap.cpu);
}

void run(const QString &file, const QString &size, bool qtAnalysis, bool started,
         const QString &settings)
{
    TfrmMainEditor w;
    w.setSettingsPath(settings);
    Stopwatch t;
    if (started) {
        // As the program opens a file named on its command line: the window shows and
        // activates with the file loaded in between.
        w.setStartArguments({file});
        w.show();
    } else {
        w.resize(900, 700);
        w.show();
        QApplication::processEvents();
        t.restart();
        w.LoadDocument(file);
    }
    const Lap loaded = t.lap();
    w.repaint();
    const Lap painted = t.lap();

    // The event loop until the status bar shows the line figures, timing its turns.
    double longest = 0;
    {
        GapMeter gaps;
        while (w.StatusBar1->panelText(3).isEmpty() && t.lap().wall < 120000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        longest = gaps.longestMs();
    }
    const Lap laidOut = t.lap();
    const QString lines = w.StatusBar1->panelText(3);
    const qint64 sliced = typingLayout(w)->slicedCharacters();
    if (qtAnalysis) {
        // Every key analysed and laid out by Qt's engine, as for a paragraph of ordinary size.
        typingLayout(w)->setKeptParagraph(std::numeric_limits<int>::max());
        w.Editor->document()->firstBlock().layout()->setCacheEnabled(false);
    }

    const int length = w.Editor->document()->characterCount() - 1;
    const Lap atStart = keystroke(w, 0);
    const Lap inMiddle = keystroke(w, length / 2);
    const Lap atEnd = keystroke(w, w.Editor->document()->characterCount() - 1);
    const Typing typedStart = typeAt(w, 0);
    const Typing typedMiddle = typeAt(w, length / 2);
    const Typing typedEnd = typeAt(w, w.Editor->document()->characterCount() - 1);

    std::printf("%s paragraph of %d characters (%s)%s%s:\n", qPrintable(size), length,
                qPrintable(lines), started ? ", opened at start-up" : "",
                qtAnalysis ? ", Qt's own analysis" : "");
    print("load returned", loaded);
    print("first paint", painted);
    print("layout done (line figures shown)", laidOut);
    std::printf("  %-34s %8.0f ms\n", "longest wait for the event loop", longest);
    std::printf("  %-34s %8.2f times the paragraph\n", "laid out in slices",
                double(sliced) / length);
    print("keystroke at the start", atStart);
    print("keystroke in the middle", inMiddle);
    print("keystroke at the end", atEnd);
    print("20 keys typed at the start", typedStart);
    print("20 keys typed in the middle", typedMiddle);
    print("20 keys typed at the end", typedEnd);
    std::fflush(stdout);
    w.Editor->setDocumentModified(false);
    w.SetModifiedState(false);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool qtAnalysis = false;
    bool started = false;
    QStringList sizes;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--qt")
            qtAnalysis = true;
        else if (QByteArray(argv[i]) == "--start")
            started = true;
        else
            sizes << QString::fromLocal8Bit(argv[i]);
    }
    if (sizes.isEmpty())
        sizes = {QStringLiteral("2"), QStringLiteral("8"), QStringLiteral("16")};
    QTemporaryDir dir;
    for (const QString &size : std::as_const(sizes)) {
        const bool kb = size.endsWith(u'k', Qt::CaseInsensitive);
        const int kilobytes = std::max(1, (kb ? size.chopped(1) : size).toInt()) * (kb ? 1 : 1024);
        const QString file = dir.filePath(QStringLiteral("paragraph%1k.rtf").arg(kilobytes));
        if (!writeParagraph(file, kilobytes)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        run(file, kb ? size.toUpper() + u'B' : size + QStringLiteral(" MB"), qtAnalysis, started,
            dir.filePath(QStringLiteral("DeskTopDock.ini")));
    }
    return 0;
}
