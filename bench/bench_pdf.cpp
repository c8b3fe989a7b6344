// PDF export figures: time per page and peak memory for a 100-page export through ExportPdf,
// with each page painted like a page of text, and, when LibreOffice is installed and an RTF
// file is given, the time `soffice --headless --convert-to pdf` takes for that file.
//
//   bench_pdf [pages] [file.rtf]

#include "export/PdfExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Resident and peak resident memory of this process, in KiB.
struct Memory {
    long rss = 0;
    long peak = 0;
};

Memory memoryNow()
{
    Memory m;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            m.rss = line.mid(6).trimmed().split(' ').value(0).toLong();
        else if (line.startsWith("VmHWM:"))
            m.peak = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return m;
}

// A document of `pages` pages of 40 lines each, painted as text lines of 11-point type.
class TextPages : public PdfPageSource
{
public:
    explicit TextPages(int pages) : m_length(pages * LinesPerPage) {}

    ColorValue backgroundColor() const override { return m_color; }
    void setBackgroundColor(ColorValue c) override { m_color = c; }
    int documentLength() const override { return m_length; }
    void setPageRect(const richedit::RECT &) override {}

    int formatRange(richedit::FORMATRANGE *fr, bool render) override
    {
        if (!fr)
            return 0;
        const int first = fr->chrg.cpMin;
        const int last = std::min(first + LinesPerPage, fr->chrg.cpMax);
        if (render && fr->hdc) {
            QPainter &p = *fr->hdc;
            QFont font(QStringLiteral("Times New Roman"));
            font.setPixelSize(15);
            p.setFont(font);
            p.setPen(Qt::black);
            for (int line = first; line < last; ++line)
                p.drawText(24, 40 + (line - first) * 22,
                           QStringLiteral("%1. The quick brown fox jumps over the lazy dog, "
                                          "page text for the export benchmark.")
                               .arg(line + 1));
        }
        if (mark && (last - first) > 0 && (last % (10 * LinesPerPage)) == 0)
            mark(last / LinesPerPage);
        return last;
    }

    std::function<void(int)> mark;
    static constexpr int LinesPerPage = 40;

private:
    int m_length;
    ColorValue m_color = White;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.pdf"));

    TextPages source(pages);
    source.mark = [](int page) {
        const Memory m = memoryNow();
        std::printf("  after page %4d: rss %6ld KiB, peak %6ld KiB\n", page, m.rss, m.peak);
    };
    const Memory before = memoryNow();
    std::printf("PDF export of %d pages of 693 x 950 (rss before: %ld KiB)\n", pages, before.rss);
    QElapsedTimer timer;
    timer.start();
    ExportPdf(source, file, QStringLiteral("bench.pdf"), nullptr, {});
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const Memory after = memoryNow();
    const qint64 size = QFileInfo(file).size();
    std::printf("total %.1f ms, %.2f ms per page, file %lld bytes (%.1f KiB per page)\n", ms,
                ms / pages, static_cast<long long>(size), double(size) / 1024.0 / pages);
    std::printf("peak rss %ld KiB, growth over start %ld KiB; one page bitmap is %d KiB\n",
                after.peak, after.peak - before.rss, 693 * 950 * 4 / 1024);

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        std::printf("soffice: not installed, no side-by-side run\n");
    } else if (argc < 3) {
        std::printf("soffice: installed; give an RTF file as second argument to compare\n");
    } else {
        QElapsedTimer peer;
        peer.start();
        QProcess p;
        p.start(soffice, {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                          QStringLiteral("pdf"), QStringLiteral("--outdir"), dir.path(),
                          QString::fromLocal8Bit(argv[2])});
        p.waitForFinished(600000);
        std::printf("soffice --convert-to pdf %s: %.1f ms (exit %d)\n", argv[2],
                    double(peer.nsecsElapsed()) / 1e6, p.exitCode());
    }
    return 0;
}
