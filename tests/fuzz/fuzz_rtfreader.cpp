// libFuzzer target for the RTF reader: reads the input into a document, writes the document,
// reads and writes that again, and stops when the second write differs from the first.
#include "rtf/Rtf.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

rtf::ByteSource source(const uint8_t *data, size_t size)
{
    return [data, size, pos = size_t(0)](char *buf, qint64 max) mutable -> qint64 {
        // small chunks put token boundaries across reads
        const size_t n = std::min<size_t>({size_t(max), size - pos, 97});
        std::memcpy(buf, data + pos, n);
        pos += n;
        return qint64(n);
    };
}

QByteArray write(const QTextDocument &document)
{
    QByteArray out;
    rtf::writeRtf(document, 0, -1, [&](const char *d, qint64 n) {
        out.append(d, n);
        return true;
    });
    return out;
}

// Whether a second write that differs from the first stops the run. It does unless
// SCRIVELLE_FUZZ_FIXED_POINT=0: the repeatable run in CI looks for crashes and memory errors,
// and the fixed point is explored in longer runs, its findings kept as reader tests.
bool checkFixedPoint()
{
    static const bool check = qgetenv("SCRIVELLE_FUZZ_FIXED_POINT") != "0";
    return check;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    if (!rtf::readRtf(source(data, size), cursor).ok)
        return 0;
    const QByteArray first = write(document);
    QTextDocument again;
    QTextCursor againCursor(&again);
    const auto bytes = reinterpret_cast<const uint8_t *>(first.constData());
    if (!rtf::readRtf(source(bytes, size_t(first.size())), againCursor).ok) {
        std::fprintf(stderr, "the reader refused what the writer wrote:\n%s\n", first.constData());
        std::abort();
    }
    const QByteArray second = write(again);
    if (second != first && checkFixedPoint()) {
        std::fprintf(stderr, "write, read, write is not a fixed point:\n%s\n--- then ---\n%s\n",
                     first.constData(), second.constData());
        std::abort();
    }
    return 0;
}
