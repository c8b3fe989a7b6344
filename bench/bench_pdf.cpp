// PDF export figures.
//   1. A document of about 100 pages in the rich text control exported with ExportPdf: time
//      per page, file size, resident memory along the way and at its peak.
//   2. The writer alone: 100 page bitmaps of 693 x 950 painted with text lines, drawn and saved.
//   3. When LibreOffice is installed and an RTF file is given, that file through both
//      `soffice --headless --convert-to pdf` and ExportPdf.
//
//   bench_pdf [pages] [file.rtf]

#include "editor/RxRichEd.h"
#include "export/PdfExport.h"
#include "export/tnpdf2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// The control as page source, printing memory every tenth page.
class MeteredPages : public PdfPageSource
{
public:
    explicit MeteredPages(TRxRichEdit &editor) : m_editor(editor) {}
    ColorValue backgroundColor() const override { return m_editor.Color(); }
    void setBackgroundColor(ColorValue c) override { m_editor.setColor(c); }
    int documentLength() const override
    {
        return int(m_editor.TextBetween(0, int(m_editor.windowText().size())).size());
    }
    void setPageRect(const richedit::RECT &rect) override { m_editor.PageArea = rect; }
    int formatRange(richedit::FORMATRANGE *fr, bool render) override
    {
        if (fr && ++pages % 10 == 0) {
            const Memory m = memoryNow();
            std::printf("  page %4d: rss %6ld KiB, peak %6ld KiB\n", pages, m.rss, m.peak);
        }
        return m_editor.formatRange(fr, render);
    }
    int pages = 0;

private:
    TRxRichEdit &m_editor;
};

void report(const char *what, double ms, int pages, const QString &file, const Memory &before)
{
    const qint64 size = QFileInfo(file).size();
    const Memory after = memoryNow();
    std::printf("%s: %d pages, %.1f ms, %.2f ms per page, file %lld bytes (%.1f KiB per page)\n",
                what, pages, ms, ms / pages, static_cast<long long>(size),
                double(size) / 1024.0 / pages);
    std::printf("  peak rss %ld KiB (%ld KiB over the start); one page bitmap is %d KiB\n",
                after.peak, after.peak - before.rss, 693 * 950 * 4 / 1024);
}

int exportControl(TRxRichEdit &editor, const QString &file, bool metered)
{
    if (!metered) {
        ExportPdf(editor, file, QFileInfo(file).fileName(), nullptr, {});
        return 0;
    }
    MeteredPages source(editor);
    ExportPdf(source, file, QFileInfo(file).fileName(), nullptr, {});
    return source.pages;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int wanted = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    QTemporaryDir dir;

    // 1. Two-line paragraphs of 12-point text, 24 of them to a page at 96 dpi.
    {
        TRxRichEdit editor;
        QStringList paragraphs;
        for (int i = 1; i <= wanted * 24; ++i)
            paragraphs << QStringLiteral("Paragraph %1: the quick brown fox jumps over the lazy "
                                         "dog, with some more words so that the line wraps onto "
                                         "a second one.").arg(i);
        editor.setWindowText(paragraphs.join(QLatin1Char('\n')));
        editor.SelectEverything();
        editor.SelectionFormat.setSize(12);
        editor.SelectionFormat.setFaceName(QStringLiteral("Times New Roman"));
        const QString file = dir.filePath(QStringLiteral("control.pdf"));
        const Memory before = memoryNow();
        std::printf("ExportPdf of the rich text control (rss before: %ld KiB)\n", before.rss);
        QElapsedTimer timer;
        timer.start();
        const int pages = exportControl(editor, file, true);
        report("ExportPdf", double(timer.nsecsElapsed()) / 1e6, pages, file, before);
    }

    // 2. The writer alone.
    {
        const QString file = dir.filePath(QStringLiteral("writer.pdf"));
        const Memory before = memoryNow();
        QElapsedTimer timer;
        timer.start();
        TPrintPDF1 writer;
        writer.FileName = file;
        writer.PageWidth = 596;
        writer.PageHeight = 842;
        writer.BeginDoc();
        QFont font(QStringLiteral("Times New Roman"));
        font.setPixelSize(16);
        for (int page = 0; page < wanted; ++page) {
            if (page > 0)
                writer.NewPage();
            QImage bitmap(693, 950, QImage::Format_RGB32);
            bitmap.fill(Qt::white);
            {
                QPainter p(&bitmap);
                p.setFont(font);
                for (int line = 0; line < 45; ++line)
                    p.drawText(24, 40 + line * 20,
                               QStringLiteral("Line %1 of page %2: the quick brown fox jumps over "
                                              "the lazy dog.").arg(line + 1).arg(page + 1));
            }
            SwapRedBlue(bitmap);
            writer.Draw(25, 20, bitmap);
        }
        writer.EndDoc();
        report("Writer alone", double(timer.nsecsElapsed()) / 1e6, wanted, file, before);
    }

    // 3. Side by side with LibreOffice.
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        std::printf("soffice: not installed, no side-by-side run\n");
    } else if (argc < 3) {
        std::printf("soffice: installed; give an RTF file as second argument to compare\n");
    } else {
        const QString rtf = QString::fromLocal8Bit(argv[2]);
        TRxRichEdit editor;
        editor.Lines.LoadDocumentFile(rtf);
        QElapsedTimer ours;
        ours.start();
        exportControl(editor, dir.filePath(QStringLiteral("ours.pdf")), false);
        std::printf("ExportPdf %s: %.1f ms\n", argv[2], double(ours.nsecsElapsed()) / 1e6);
        QElapsedTimer peer;
        peer.start();
        QProcess p;
        p.start(soffice, {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                          QStringLiteral("pdf"), QStringLiteral("--outdir"), dir.path(), rtf});
        p.waitForFinished(600000);
        std::printf("soffice --convert-to pdf %s: %.1f ms (exit %d)\n", argv[2],
                    double(peer.nsecsElapsed()) / 1e6, p.exitCode());
    }
    return 0;
}
