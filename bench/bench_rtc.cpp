// Compressed Rich Text: the streaming deflate and inflate of .rtc files against raw zlib level 1
// on the same 5 MB of RTF, and a whole save and load of that document through the main window.
#include "app/Main.h"
#include "zlib/ZDevice.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <zlib.h>

namespace {
template <typename F>
double bestOf(int runs, F f)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // 5 MB of typical formatted RTF.
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                     "{\\colortbl ;\\red200\\green0\\blue0;}\\viewkind4\\uc1\r\n";
    // Words drawn from a small vocabulary by a fixed pseudo-random sequence, so the text
    // compresses like prose rather than like one repeated line.
    const char *words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "pack",
                           "my", "box", "with", "five", "dozen", "liquor", "jugs", "walled",
                           "garden", "market", "square", "sleeping", "town", "coast", "path",
                           "morning", "evening", "river", "bridge", "stone", "harbour", "light"};
    quint32 seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7FFF; };
    while (rtf.size() < 5 * 1024 * 1024) {
        rtf += "\\pard\\qj\\f1\\fs24 ";
        for (int i = 0; i < 60; ++i) {
            const quint32 r = next();
            if (r % 17 == 0)
                rtf += "\\b ";
            rtf += words[r % 31];
            if (r % 17 == 0)
                rtf += "\\b0";
            rtf += (r % 13 == 0) ? ", " : " ";
        }
        rtf += "\\par\r\n";
    }
    rtf += "}";

    QByteArray packed;
    const double ours = bestOf(5, [&] {
        QBuffer in(&rtf);
        in.open(QIODevice::ReadOnly);
        packed.clear();
        QBuffer out(&packed);
        out.open(QIODevice::WriteOnly);
        zstream::deflateCopy(in, out, 1, 8192);
    });
    QByteArray raw(compressBound(uLong(rtf.size())), Qt::Uninitialized);
    const double zlibDeflate = bestOf(5, [&] {
        uLongf len = uLongf(raw.size());
        compress2(reinterpret_cast<Bytef *>(raw.data()), &len,
                  reinterpret_cast<const Bytef *>(rtf.constData()), uLong(rtf.size()), 1);
    });
    QByteArray back(rtf.size(), Qt::Uninitialized);
    const double oursInflate = bestOf(5, [&] {
        QBuffer in(&packed);
        in.open(QIODevice::ReadOnly);
        zstream::InflateDevice inflater(in, 8192);
        qint64 total = 0;
        for (qint64 n; (n = inflater.read(back.data(), 65536)) > 0;)
            total += n;
    });
    const double zlibInflate = bestOf(5, [&] {
        uLongf len = uLongf(back.size());
        uncompress(reinterpret_cast<Bytef *>(back.data()), &len,
                   reinterpret_cast<const Bytef *>(packed.constData()), uLong(packed.size()));
    });
    std::printf("%.1f MB RTF -> %.2f MB .rtc\n", rtf.size() / 1048576.0, packed.size() / 1048576.0);
    std::printf("deflate: streaming %.1f ms, raw zlib level 1 %.1f ms (x%.2f)\n", ours, zlibDeflate,
                ours / zlibDeflate);
    std::printf("inflate: streaming %.1f ms, raw zlib %.1f ms (x%.2f)\n", oursInflate, zlibInflate,
                oursInflate / zlibInflate);

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("big.rtf"));
    QFile f(source);
    f.open(QIODevice::WriteOnly);
    f.write(rtf);
    f.close();
    TfrmMainEditor w;
    w.setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
    w.setHeadless(true);
    const double load = bestOf(1, [&] { w.LoadDocument(source); });
    const QString rtc = dir.filePath(QStringLiteral("big.rtc"));
    const double save = bestOf(3, [&] { w.SaveDocument(rtc); });
    const double loadRtc = bestOf(3, [&] { w.LoadDocument(rtc); });
    std::printf("window: open .rtf %.0f ms, save .rtc %.0f ms, open .rtc %.0f ms\n", load, save, loadRtc);
    return 0;
}
