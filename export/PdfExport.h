#pragma once
// The PDF export: renders the document of the rich text control page by page into white
// 693 x 950 bitmaps through the format-range operation and hands each one to the PDF writer as
// one A4 page, while the progress window shows the share done.
//
// The export reaches the control only through PdfPageSource, so the same code runs from the
// main window and headless (no progress window, no message box).

#include "richedit/RichEditTypes.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>

class TfrmExport;
class TRxRichEdit;

// What the export needs of the rich text control.
class PdfPageSource
{
public:
    // A colour value as the control holds it: 0x00BBGGRR or a system colour, kept verbatim so
    // that restoring it gives back exactly what was there.
    using ColorValue = std::uint32_t;
    static constexpr ColorValue White = 0x00FFFFFF;

    virtual ~PdfPageSource() = default;
    // The control's background colour (`Color`).
    virtual ColorValue backgroundColor() const = 0;
    virtual void setBackgroundColor(ColorValue color) = 0;
    // Length of the text between positions 0 and the end, one position per paragraph break.
    virtual int documentLength() const = 0;
    // Stores the rectangle (twips) the control uses as its page rectangle.
    virtual void setPageRect(const richedit::RECT &rect) = 0;
    // EM_FORMATRANGE: lays out and, when render is set, paints the range from fr->chrg.cpMin
    // into fr->rc; returns the first position that did not fit. A null record releases the
    // control's cached layout.
    virtual int formatRange(richedit::FORMATRANGE *fr, bool render) = 0;
};

struct PdfExportOptions {
    // Screen logical pixels per inch; empty asks the primary screen.
    QSize screenDpi;
    // The creation date written into the file; null takes the current local time.
    std::function<QDateTime()> clock;
    // Shows the success message; null shows nothing (headless runs).
    std::function<void(const QString &)> showInformation;
};

namespace pdfexport {
constexpr int BitmapWidth = 693;
constexpr int BitmapHeight = 950;
constexpr int PageWidth = 596;  // A4 in whole points
constexpr int PageHeight = 842;
constexpr int DrawX = 25;
constexpr int DrawY = 20;
extern const char *const DoneMessage;

// The rectangle (twips) that covers screen pixels (20, 20) to (693, 950) at the given dpi.
richedit::RECT textRect(QSize dpi);
} // namespace pdfexport

// Converts bitmap to 24 bits per pixel and exchanges the first and third byte of every pixel,
// so that bytes stored blue, green, red read red, green, blue as the PDF writer copies them.
// The bitmap is then labelled with the format its bytes now have, so it still shows the same
// colours.
void SwapRedBlue(QImage &bitmap);

// Exports the whole document of source to fileName (replaced atomically) with title as the
// document title. Throws EScrivelleError with the user message when rendering, staging or
// saving fails; the pages made before a rendering failure are still saved. On every path the
// control's background colour is restored, its cached layout released and progress closed.
void ExportPdf(PdfPageSource &source, const QString &fileName, const QString &title,
               TfrmExport *progress, const PdfExportOptions &options = {});

// The same for the rich text control: its background colour, text, page rectangle and
// format-range operation serve as the page source. title is the file-name part of the name last
// chosen in the save dialog; progress may be null (headless).
void ExportPdf(TRxRichEdit &editor, const QString &fileName, const QString &title,
               TfrmExport *progress, const PdfExportOptions &options = {});
