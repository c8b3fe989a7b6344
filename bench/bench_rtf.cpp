// RTF throughput: tokenizer, reader (building the document) and writer in MB/s on typical
// formatted RTF (the long corpus documents, their bodies repeated to a larger file), and the
// memory the reader needs beyond the document it builds.
//
// bench_rtf [corpus folder] [megabytes]
// bench_rtf [--reading] FILE.rtf...   (the files as they are, e.g. from make_long_rtf.py;
//                                      --reading: tokenizer and reader only)
#include "rtf/Rtf.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTokenizer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace {

rtf::ByteSource memorySource(const QByteArray &bytes)
{
    return [&bytes, pos = qint64(0)](char *buf, qint64 max) mutable -> qint64 {
        const qint64 n = std::min(max, qint64(bytes.size()) - pos);
        std::memcpy(buf, bytes.constData() + pos, size_t(n));
        pos += n;
        return n;
    };
}

class NullSink : public rtf::RtfSink {
public:
    void insertText(const QString &, const QTextCharFormat &) override {}
    void insertImage(const QTextImageFormat &, const QImage &) override {}
    void endParagraph(const QTextBlockFormat &, const QTextCharFormat &) override {}
    void finish(const QTextBlockFormat &, const QTextCharFormat &, bool) override {}
};

// Resident and peak resident memory in kB (Linux).
long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// The file's header, then its body repeated (each copy in a group) up to about target bytes.
QByteArray replicate(const QByteArray &file, qint64 target)
{
    qsizetype bodyStart = file.indexOf("\\pard");
    if (bodyStart > 0 && file.at(bodyStart - 1) == '{')
        --bodyStart;
    const qsizetype bodyEnd = file.lastIndexOf('}');
    if (bodyStart < 0 || bodyEnd <= bodyStart)
        return file;
    const QByteArray header = file.left(bodyStart);
    const QByteArray body = "{" + file.mid(bodyStart, bodyEnd - bodyStart) + "}\r\n";
    QByteArray out = header;
    out.reserve(target + body.size() + header.size());
    while (out.size() < target)
        out += body;
    out += "}";
    return out;
}

double mbPerSecond(qint64 bytes, qint64 nanoseconds)
{
    return nanoseconds > 0 ? (bytes / 1e6) / (nanoseconds / 1e9) : 0;
}

// The shortest of several runs: the machine is shared, and the best run is the one least
// disturbed.
// prepare runs before each run, untimed (freeing the document the run before built).
template<typename P, typename F>
qint64 bestOf(int runs, P prepare, F run)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed());
    }
    return best;
}

template<typename F>
qint64 bestOf(int runs, F run)
{
    return bestOf(runs, [] {}, run);
}

void measure(const QString &name, const QByteArray &rtf, bool readingOnly = false)
{
    const int runs = rtf.size() < 4'000'000 ? 15 : 3;

    // Tokenizer alone.
    qint64 tokens = 0;
    const qint64 tokenizeNs = bestOf(runs, [&] {
        tokens = 0;
        rtf::RtfTokenizer tokenizer(memorySource(rtf));
        while (tokenizer.next().type != rtf::RtfTokenizer::Type::End)
            ++tokens;
    });

    // Reader into a sink that drops everything: parsing and formats without the document.
    const long parseBefore = statusKb("VmRSS:");
    resetPeak();
    const qint64 parseNs = bestOf(runs, [&] {
        NullSink nullSink;
        rtf::RtfReader(nullSink).read(memorySource(rtf));
    });
    const long parsePeakKb = std::max(0L, statusKb("VmHWM:") - parseBefore);

    // Reader building a document, as a file load does (no undo history). The first run also
    // measures the memory: the document's, and the peak beyond it while reading.
    long documentKb = 0;
    long overheadKb = 0;
    std::unique_ptr<QTextDocument> document;
    const qint64 readNs = bestOf(runs, [&] { document.reset(); }, [&] {
        const long before = statusKb("VmRSS:");
        resetPeak();
        document = std::make_unique<QTextDocument>();
        document->setUndoRedoEnabled(false);
        QTextCursor cursor(document.get());
        rtf::readRtf(memorySource(rtf), cursor);
        if (documentKb == 0) {
            const long after = statusKb("VmRSS:");
            documentKb = std::max(0L, after - before);
            overheadKb = std::max(0L, statusKb("VmHWM:") - after);
        }
    });

    if (readingOnly) {
        std::printf("%-28s %8.2f MB  %9lld tokens  %8d chars  (best of %d)\n", qPrintable(name),
                    rtf.size() / 1e6, static_cast<long long>(tokens), document->characterCount(),
                    runs);
        std::printf("  tokenizer           %8.1f MB/s\n", mbPerSecond(rtf.size(), tokenizeNs));
        std::printf("  reader, no document %8.1f MB/s\n", mbPerSecond(rtf.size(), parseNs));
        std::printf("  reader (no undo)    %8.1f MB/s\n", mbPerSecond(rtf.size(), readNs));
        return;
    }

    // Reader with undo history, as pasting does.
    std::unique_ptr<QTextDocument> withUndo;
    const qint64 readUndoNs = bestOf(runs, [&] { withUndo = std::make_unique<QTextDocument>(); },
                                     [&] {
                                         QTextCursor cursor(withUndo.get());
                                         rtf::readRtf(memorySource(rtf), cursor);
                                     });
    withUndo.reset();

    // Writer.
    qint64 written = 0;
    const qint64 writeNs = bestOf(runs, [&] {
        written = 0;
        rtf::writeRtf(*document, 0, -1, [&](const char *, qint64 n) {
            written += n;
            return true;
        });
    });

    std::printf("%-28s %8.2f MB  %9lld tokens  %8d chars  (best of %d)\n", qPrintable(name),
                rtf.size() / 1e6, static_cast<long long>(tokens), document->characterCount(), runs);
    std::printf("  tokenizer           %8.1f MB/s\n", mbPerSecond(rtf.size(), tokenizeNs));
    std::printf("  reader, no document %8.1f MB/s\n", mbPerSecond(rtf.size(), parseNs));
    std::printf("  reader (no undo)    %8.1f MB/s\n", mbPerSecond(rtf.size(), readNs));
    std::printf("  reader (with undo)  %8.1f MB/s\n", mbPerSecond(rtf.size(), readUndoNs));
    std::printf("  writer              %8.1f MB/s of output (%.2f MB written)\n",
                mbPerSecond(written, writeNs), written / 1e6);
    std::printf("  document %ld kB; peak while reading beyond the document %ld kB = %.2f x file"
                " size; reader alone (no document) %ld kB\n",
                documentKb, overheadKb, overheadKb * 1024.0 / rtf.size(), parsePeakKb);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const bool readingOnly = argc > 1 && QByteArray(argv[1]) == "--reading";
    const int firstFile = readingOnly ? 2 : 1;
    if (argc > firstFile && QByteArray(argv[firstFile]).endsWith(".rtf")) {
        for (int i = firstFile; i < argc; ++i) {
            QFile file(QString::fromLocal8Bit(argv[i]));
            if (!file.open(QIODevice::ReadOnly)) {
                std::printf("missing %s\n", qPrintable(file.fileName()));
                continue;
            }
            measure(QFileInfo(file).fileName(), file.readAll(), readingOnly);
        }
        return 0;
    }
    // By default the corpus beside the source tree.
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QFileInfo(QStringLiteral(__FILE__)).absolutePath()
                                       + QStringLiteral("/../../shared/corpus/rtf");
    const qint64 target = (argc > 2 ? QByteArray(argv[2]).toLongLong() : 20) * 1000 * 1000;
    for (const char *producer : {"libreoffice", "abiword", "pandoc"}) {
        QFile file(dir + QStringLiteral("/large30.%1.rtf").arg(QLatin1String(producer)));
        if (!file.open(QIODevice::ReadOnly)) {
            std::printf("missing %s\n", qPrintable(file.fileName()));
            continue;
        }
        const QByteArray original = file.readAll();
        measure(QStringLiteral("large30.%1").arg(QLatin1String(producer)), original);
        measure(QStringLiteral("large30.%1 x%2").arg(QLatin1String(producer)).arg(target / original.size()),
                replicate(original, target));
    }
    return 0;
}
