#include "export/PdfExport.h"

#include "app/Exceptions.h"
#include "editor/RxRichEd.h"
#include "export/PageExport.h"
#include "export/tnpdf2.h"
#include "shell/Shell.h"

#include <QPainter>

#include <exception>
#include <memory>
#include <stdexcept>

namespace pdfexport {

const char *const DoneMessage = "Document succesfully exported to PDF format.";

richedit::RECT textRect(QSize dpi)
{
    return richedit::RECT{28800 / dpi.width(), 28800 / dpi.height(), 997920 / dpi.width(),
                          1368000 / dpi.height()};
}

} // namespace pdfexport

namespace {

const char *const Producer = "Tessra(R) Office - https://www.tessra-office.example";
const char *const Author = "Tessra Office - Morrowgate Release";
const char *const Creator = "Plumet Express v1.0 (c) 2004-2007 Tessra Software";
const char *const Keywords = "RTF Export to PDF";
const char *const Subject = "Full RTF Document with Formatting and Objects.";

// Runs a clean-up step when the scope ends, whichever way it ends.
template <typename F>
class Finally
{
public:
    explicit Finally(F f) : m_f(std::move(f)) {}
    ~Finally()
    {
        try {
            m_f();
        } catch (...) {
            // A clean-up step must not replace the error that is already on its way.
        }
    }
    Finally(const Finally &) = delete;
    Finally &operator=(const Finally &) = delete;

private:
    F m_f;
};

// The rich text control as a page source.
class EditorPages : public PdfPageSource
{
public:
    explicit EditorPages(TRxRichEdit &editor) : m_editor(editor) {}

    ColorValue backgroundColor() const override { return m_editor.Color(); }
    void setBackgroundColor(ColorValue color) override { m_editor.setColor(color); }
    // The window text counts two characters per paragraph break; the text between 0 and that
    // length counts one, as the control's positions do.
    int documentLength() const override
    {
        return int(m_editor.TextBetween(0, int(m_editor.windowText().size())).size());
    }
    void setPageRect(const richedit::RECT &rect) override { m_editor.PageArea = rect; }
    int formatRange(richedit::FORMATRANGE *fr, bool render) override
    {
        return m_editor.formatRange(fr, render);
    }

private:
    TRxRichEdit &m_editor;
};

} // namespace

void SwapRedBlue(QImage &bitmap)
{
    // The platform's 24-bit bitmap holds blue, green, red bytes; swapping red and blue gives the
    // red, green, blue bytes the PDF image takes, which is what a conversion to RGB888 makes
    // in one pass.
    bitmap.convertTo(QImage::Format_RGB888);
}

void ExportPdf(PdfPageSource &source, const QString &fileName, const QString &title,
               TfrmExport *progress, const PdfExportOptions &options)
{
    using namespace pdfexport;

    const PdfPageSource::ColorValue savedColor = source.backgroundColor();
    Finally restoreColor([&] { source.setBackgroundColor(savedColor); });
    source.setBackgroundColor(PdfPageSource::White);
    ExportBusy busy(progress);

    auto writer = std::make_unique<TPrintPDF1>();
    writer->Compress = true;
    writer->PageWidth = PageWidth;
    writer->PageHeight = PageHeight;
    writer->FileName = fileName;
    writer->Producer = QString::fromLatin1(Producer);
    writer->Author = QString::fromLatin1(Author);
    writer->Creator = QString::fromLatin1(Creator);
    writer->Keywords = QString::fromLatin1(Keywords);
    writer->Subject = QString::fromLatin1(Subject);
    writer->TITLE = title;
    if (options.clock)
        writer->setClock(options.clock);
    const QSize dpi = options.screenDpi.isEmpty() ? QSize(shell::screenDpi(), shell::screenDpi())
                                                  : options.screenDpi;
    writer->setScreenDpi(dpi);
    shell::pumpEvents();

    const richedit::RECT rect = textRect(dpi);
    source.setPageRect(rect);
    richedit::FORMATRANGE fr;
    fr.rc = rect;
    fr.rcPage = rect;
    const int length = source.documentLength();
    fr.chrg = richedit::CHARRANGE{0, length};
    // Released on every path once rendering may have begun.
    bool layoutHeld = true;
    auto releaseLayout = [&] {
        if (layoutHeld) {
            layoutHeld = false;
            source.formatRange(nullptr, false);
        }
    };
    Finally releaseOnFailure(releaseLayout);
    shell::pumpEvents();
    writer->BeginDoc();

    std::exception_ptr failure;
    int r = 0;
    do {
        QImage bitmap(BitmapWidth, BitmapHeight, QImage::Format_RGB32);
        bitmap.fill(Qt::white);
        // Like a bitmap made for the screen, it reports the screen's resolution, which is what
        // the control lays the text out for.
        bitmap.setDotsPerMeterX(qRound(dpi.width() / 0.0254));
        bitmap.setDotsPerMeterY(qRound(dpi.height() / 0.0254));
        fr.rc = rect;
        try {
            QPainter painter(&bitmap);
            fr.hdc = &painter;
            fr.hdcTarget = &bitmap;
            r = source.formatRange(&fr, true);
        } catch (...) {
            failure = std::current_exception();
        }
        fr.hdc = nullptr;
        fr.hdcTarget = nullptr;
        shell::pumpEvents();
        try {
            SwapRedBlue(bitmap);
            writer->Draw(DrawX, DrawY, bitmap);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        bitmap = QImage();
        if (failure)
            break;
        if (r < length) {
            // A page that takes nothing would repeat for ever.
            if (r <= fr.chrg.cpMin) {
                failure = std::make_exception_ptr(EScrivelleError(
                    QStringLiteral("The document could not be laid out: position %1 does not "
                                   "fit on a page.")
                        .arg(fr.chrg.cpMin)));
                break;
            }
            writer->NewPage();
            shell::pumpEvents();
            fr.chrg.cpMin = r;
        }
        if (progress)
            progress->setProgress(r, length);
        shell::pumpEvents();
    } while (r < length);

    // The pages made so far are saved even after a failure; the first failure is the one
    // reported.
    try {
        writer->EndDoc();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    shell::pumpEvents();
    releaseLayout();
    writer.reset();
    shell::pumpEvents();
    if (failure)
        std::rethrow_exception(failure);

    busy.finish();
    if (options.showInformation)
        options.showInformation(QString::fromLatin1(DoneMessage));
}

void ExportPdf(TRxRichEdit &editor, const QString &fileName, const QString &title,
               TfrmExport *progress, const PdfExportOptions &options)
{
    EditorPages pages(editor);
    ExportPdf(pages, fileName, title, progress, options);
}
