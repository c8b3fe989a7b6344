// RTF throughput: tokenizer, reader (building the document) and writer in MB/s on typical
// formatted RTF (the long corpus documents, their bodies repeated to a larger file), and the
// memory the reader needs beyond the document it builds.
//
// bench_rtf [corpus folder] [megabytes]
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

void measure(const QString &name, const QByteArray &rtf)
{
    // Tokenizer alone.
    QElapsedTimer timer;
    timer.start();
    qint64 tokens = 0;
    {
        rtf::RtfTokenizer tokenizer(memorySource(rtf));
        while (tokenizer.next().type != rtf::RtfTokenizer::Type::End)
            ++tokens;
    }
    const qint64 tokenizeNs = timer.nsecsElapsed();

    // Reader into a sink that drops everything: parsing and formats without the document.
    NullSink nullSink;
    timer.restart();
    rtf::RtfReader(nullSink).read(memorySource(rtf));
    const qint64 parseNs = timer.nsecsElapsed();

    // Reader building a document, as a file load does (no undo history).
    const long before = statusKb("VmRSS:");
    resetPeak();
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    timer.restart();
    {
        QTextCursor cursor(document.get());
        rtf::readRtf(memorySource(rtf), cursor);
    }
    const qint64 readNs = timer.nsecsElapsed();
    const long peak = statusKb("VmHWM:");
    const long after = statusKb("VmRSS:");

    // Writer.
    qint64 written = 0;
    timer.restart();
    rtf::writeRtf(*document, 0, -1, [&](const char *, qint64 n) {
        written += n;
        return true;
    });
    const qint64 writeNs = timer.nsecsElapsed();

    // Reader with undo history, as pasting does.
    QTextDocument withUndo;
    timer.restart();
    {
        QTextCursor cursor(&withUndo);
        rtf::readRtf(memorySource(rtf), cursor);
    }
    const qint64 readUndoNs = timer.nsecsElapsed();

    const long documentKb = std::max(0L, after - before);
    const long overheadKb = std::max(0L, peak - after);
    std::printf("%-28s %8.2f MB  %9lld tokens  %8d chars\n", qPrintable(name), rtf.size() / 1e6,
                static_cast<long long>(tokens), document->characterCount());
    std::printf("  tokenizer           %8.1f MB/s\n", mbPerSecond(rtf.size(), tokenizeNs));
    std::printf("  reader, no document %8.1f MB/s\n", mbPerSecond(rtf.size(), parseNs));
    std::printf("  reader (no undo)    %8.1f MB/s\n", mbPerSecond(rtf.size(), readNs));
    std::printf("  reader (with undo)  %8.1f MB/s\n", mbPerSecond(rtf.size(), readUndoNs));
    std::printf("  writer              %8.1f MB/s of output (%.2f MB written)\n",
                mbPerSecond(written, writeNs), written / 1e6);
    std::printf("  document %ld kB, reader peak beyond it %ld kB = %.2f x file size\n", documentKb,
                overheadKb, overheadKb * 1024.0 / rtf.size());
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
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
