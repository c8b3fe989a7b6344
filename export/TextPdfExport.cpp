#include "export/TextPdfExport.h"

#include "app/Exceptions.h"
#include "export/PageExport.h"
#include "export/PdfExport.h"
#include "files/SafeFile.h"
#include "preview/GmPageList.h"
#include "shell/Shell.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>


namespace {

// The PDF page of a preview page: its paper size and orientation, no margins, so that page
// coordinates count from the paper's corner as on a printed sheet.
QPageLayout pageLayoutOf(const TGmPage &page)
{
    const double width = double(page.WidthInches());
    const double height = double(page.HeightInches());
    const QPageSize size(QSizeF(qMin(width, height), qMax(width, height)), QPageSize::Inch,
                         QString(), QPageSize::ExactMatch);
    return QPageLayout(size, width > height ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF());
}

[[noreturn]] void cannotCreate(const QString &fileName)
{
    throw EScrivelleError(QStringLiteral("Cannot create file ") + fileName);
}

// The finished PDF bytes into fileName, replacing it only when all of them are on the disk.
void saveBytes(const QByteArray &pdf, const QString &fileName)
{
    files::SafeSaveFile file(fileName);
    if (!file.open() || file.write(pdf) != pdf.size() || !file.commit())
        cannotCreate(fileName);
}

} // namespace

void ExportTextPdf(TGmPageList &pages, const QString &fileName, const QString &title,
                   TfrmExport *progress, const TextPdfOptions &options)
{
    ExportBusy busy(progress);

    const TGmPrinterInfo &info = pages.GmPrinter().PrinterInfo();
    const int ppiX = info.PixelsPerInchX();
    const int ppiY = info.PixelsPerInchY();
    const QDateTime now = options.clock ? options.clock() : QDateTime::currentDateTime();
    const int count = pages.Count();

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(ppiX);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Scrivelle"));
        if (count > 0)
            writer.setPageLayout(pageLayoutOf(*pages.Pages(1)));
        QPainter canvas;
        if (!canvas.begin(&writer))
            cannotCreate(fileName);
        for (int n = 1; n <= count; ++n) {
            TGmPage *page = pages.Pages(n);
            if (n > 1) {
                writer.setPageLayout(pageLayoutOf(*page));
                if (!writer.newPage())
                    cannotCreate(fileName);
            }
            // The canvas counts 1/ppi inch on both axes, as the printer's does; the writer's
            // pixels are 1/ppiX inch.
            canvas.save();
            if (ppiY != ppiX)
                canvas.scale(1.0, double(ppiX) / ppiY);
            pages.DrawPrintedPage(page, canvas, ppiX, ppiY, now);
            canvas.restore();
            if (progress)
                progress->setProgress(n, count);
            shell::pumpEvents();
        }
        if (!canvas.end())
            cannotCreate(fileName);
    }
    buffer.close();
    saveBytes(buffer.data(), fileName);

    busy.finish();
    if (options.showInformation)
        options.showInformation(QString::fromLatin1(pdfexport::DoneMessage));
}
