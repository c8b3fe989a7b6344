#include "export/PresentationExport.h"

#include "editor/RxRichEd.h"
#include "export/GifStream.h"
#include "export/RxGIF.h"
#include "shell/Shell.h"

#include <QPainter>
#include "files/SafeFile.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr GifColor kWhite = 0x00FFFFFF;

void pump(const PresentationProgress &progress)
{
    if (progress.pumpEvents)
        progress.pumpEvents();
}

// Releases the layout and closes the progress window when the export ends, however it ends.
class ExportCleanup
{
public:
    ExportCleanup(PresentationPageSource &pages, const PresentationProgress &progress)
        : m_pages(pages), m_progress(progress)
    {
    }
    ~ExportCleanup()
    {
        try {
            m_pages.releaseLayout();
        } catch (...) {
        }
        if (m_progress.close)
            m_progress.close();
    }
    ExportCleanup(const ExportCleanup &) = delete;
    ExportCleanup &operator=(const ExportCleanup &) = delete;

private:
    PresentationPageSource &m_pages;
    const PresentationProgress &m_progress;
};

// Truncated share of the document done, as the progress label shows it.
QString percentText(int position, int length)
{
    int percent = 100; // an empty document is done at once
    if (length > 0)
        percent = int(double(position) / double(length) * 100.0);
    return QString::number(std::clamp(percent, 0, 100)) + QLatin1Char('%');
}

} // namespace

QStringList presentationComment()
{
    return {QStringLiteral("Created by Lintavo Wordprocessor version 7.2.2(8.0)"),
            QStringLiteral("Application created by the Scrivelle developers"),
            QStringLiteral("Tessra Office - Varnhollow version 2.2"),
            QStringLiteral("Company Name: Scrivelle"),
            QStringLiteral("Web Site: https://scrivelle.example.org"
                           " or https://www.scrivelle.example.org"),
            QStringLiteral("This is a Tessra Office Presentation File.")};
}

TwipsRect presentationTextRect(const PresentationPage &page, int dpiX, int dpiY)
{
    TwipsRect rc;
    rc.left = kPresentationMargin * kTwipsPerInch / dpiX;
    rc.top = kPresentationMargin * kTwipsPerInch / dpiY;
    rc.right = page.textEnd.x() * kTwipsPerInch / dpiX;
    rc.bottom = page.textEnd.y() * kTwipsPerInch / dpiY;
    return rc;
}

void drawPresentationFrame(QPainter &painter, const QSize &size, const QColor &colour)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(colour, 8, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::white);
    const QRect outline(0, 0, size.width() - 1, size.height() - 1);
    painter.drawRect(outline);
    pen.setWidth(5);
    painter.setPen(pen);
    painter.drawRoundedRect(outline, 15, 15); // a 30 x 30 corner ellipse
    painter.restore();
}

void exportPresentationPages(const QString &fileName, const PresentationOptions &options,
                             PresentationPageSource &pages, const PresentationProgress &progress,
                             int dpiX, int dpiY)
{
    if (dpiX <= 0 || dpiY <= 0)
        throw std::invalid_argument("screen resolution must be positive");
    const PresentationPage page = presentationPage(options);
    // The bitmap carries the screen's resolution, so the text is laid out as on the screen.
    const int dotsPerMeterX = qRound(dpiX / 0.0254);
    const int dotsPerMeterY = qRound(dpiY / 0.0254);

    ExportCleanup cleanup(pages, progress);
    if (progress.show)
        progress.show();
    pump(progress);

    const int seconds = std::clamp(options.viewingSeconds, PresentationOptions::kMinSeconds,
                                   PresentationOptions::kMaxSeconds);
    const auto delay = std::uint16_t(seconds * 1000);
    pump(progress);

    TGIFImage gif;
    gif.Comment() << presentationComment();
    gif.setBackgroundColor(kWhite);
    gif.setTransparent(false);
    gif.setLooping(true);
    gif.setRepeatCount(0);
    pump(progress);

    // Frames go to the file as they are made, so memory stays that of one page however long
    // the document; the file replaces the target only once complete (every write, the flush
    // and the sync checked).
    files::SafeSaveFile file(fileName);
    auto createError = [&] {
        return EFCreateError(QStringLiteral("Cannot create file \"%1\". %2")
                                 .arg(fileName, file.errorString())
                                 .toStdString());
    };
    TGIFStreamWriter writer(gif, file);
    // Finishes the file with the frames written so far and puts it in place.
    auto complete = [&] {
        if (!file.isOpen())
            return;
        writer.finish();
        if (!file.commit())
            throw createError();
    };

    const TwipsRect textRect = presentationTextRect(page, dpiX, dpiY);
    const int length = pages.documentLength();
    int start = 0;
    pump(progress);

    try {
        int rendered = 0;
        do {
            int next = 0;
            {
                QImage bitmap(page.bitmap, QImage::Format_RGB32);
                bitmap.setDotsPerMeterX(dotsPerMeterX);
                bitmap.setDotsPerMeterY(dotsPerMeterY);
                bitmap.fill(Qt::white);
                {
                    QPainter painter(&bitmap);
                    if (options.frame)
                        drawPresentationFrame(painter, page.bitmap, options.frameColour);
                    next = pages.formatRange(painter, textRect, start);
                }
                pump(progress);
                if (!file.isOpen() && !file.open())
                    throw createError();
                writer.addFrame(bitmap, delay);
            }
            pump(progress);
            rendered = next;
            if (rendered < length) {
                // A page that takes no text would repeat forever.
                if (rendered <= start)
                    throw std::runtime_error(
                        QStringLiteral("The page is too small for the text at position %1.")
                            .arg(start)
                            .toStdString());
                pump(progress);
                start = rendered;
            }
            if (progress.setLabel)
                progress.setLabel(percentText(rendered, length));
            pump(progress);
        } while (rendered < length);
    } catch (...) {
        // The pages made so far still go to the file; the first error is the one reported.
        if (writer.frameCount() > 0) {
            try {
                complete();
            } catch (...) {
            }
        }
        throw;
    }
    complete();
    pump(progress);
}

// ---- the rich text control as page source -------------------------------------------------

int RichEditPageSource::documentLength()
{
    return m_editor.textLength();
}

int RichEditPageSource::formatRange(QPainter &painter, const TwipsRect &textRect, int start)
{
    richedit::FORMATRANGE fr;
    fr.hdc = &painter;
    fr.hdcTarget = painter.device();
    fr.rc = textRect;
    fr.rcPage = fr.rc;
    fr.chrg = {start, m_editor.textLength()};
    m_editor.PageArea = fr.rc;
    return m_editor.formatRange(&fr, true);
}

void RichEditPageSource::releaseLayout()
{
    m_editor.formatRange(nullptr, false);
}

namespace {

// Gives the editor a white background for the export and its own colour back afterwards.
class WhiteBackground
{
public:
    explicit WhiteBackground(TRxRichEdit &editor) : m_editor(editor), m_colour(editor.Color())
    {
        m_editor.setColor(0x00FFFFFF);
    }
    ~WhiteBackground() { m_editor.setColor(m_colour); }
    WhiteBackground(const WhiteBackground &) = delete;
    WhiteBackground &operator=(const WhiteBackground &) = delete;

private:
    TRxRichEdit &m_editor;
    TColor m_colour;
};

} // namespace

void ExportPresentation(TRxRichEdit &editor, const QString &FileName,
                        const PresentationOptions &options, const PresentationExportUi &ui)
{
    WhiteBackground background(editor);
    std::optional<shell::HourglassCursor> hourglass(std::in_place);
    // The window offers no way to cancel: the export goes on however it was closed.
    const PresentationOptions chosen = ui.askOptions ? ui.askOptions() : options;

    PresentationProgress progress = ui.progress;
    if (!progress.pumpEvents)
        progress.pumpEvents = shell::pumpEvents;
    RichEditPageSource pages(editor);
    const int dpi = shell::screenDpi();
    exportPresentationPages(FileName, chosen, pages, progress, dpi, dpi);

    hourglass.reset(); // the default cursor while the message shows
    progress.pumpEvents();
    if (ui.showInformation)
        ui.showInformation(QString::fromLatin1(kPresentationExportedText));
}
