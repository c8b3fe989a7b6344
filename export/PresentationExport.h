#pragma once
// The presentation export's page loop: renders the document page by page into bitmaps of the
// chosen size, adds each as one frame of an animated GIF with the chosen delay, and saves it.
// The document side (the format-range operation of the rich text control) and the progress
// window are reached through small interfaces, so the loop runs the same with the window, from
// the command line and in tests.

#include "export/PresentationOptions.h"
#include "richedit/RichEditTypes.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;
class TRxRichEdit;

// The text the user sees once the file is written.
inline constexpr const char *kPresentationExportedText =
    "Document Succesfully Exported to Tessra Presentation File Format.";

// A rectangle in twips, as the format-range record holds it.
using TwipsRect = richedit::RECT;

// The document as the export sees it: its length and the format-range operation.
class PresentationPageSource
{
public:
    virtual ~PresentationPageSource() = default;
    // Number of character positions in the document.
    virtual int documentLength() = 0;
    // Lays out and paints the text from position start into textRect (twips, at the screen's
    // resolution) on the painter over the page bitmap; returns the first position that did not
    // fit. May throw; the export then saves the pages made so far and passes the error on.
    virtual int formatRange(QPainter &painter, const TwipsRect &textRect, int start) = 0;
    // Frees the layout kept between pages (the format-range call with no record).
    virtual void releaseLayout() = 0;
};

// The progress window and the event pump; every member may be empty.
struct PresentationProgress {
    std::function<void()> show;                       // shown without modality
    std::function<void(const QString &)> setLabel;    // the percentage, "42%"
    std::function<void()> close;
    std::function<void()> pumpEvents;                 // let pending window messages run
};

// The six comment lines every presentation file carries.
QStringList presentationComment();

// The text rectangle in twips for a page: 20 pixels in from the top left, to the text area's
// end, at the given logical pixels per inch.
TwipsRect presentationTextRect(const PresentationPage &page, int dpiX, int dpiY);

// Draws the coloured frame of a page: an 8-pixel rectangle, then a 5-pixel rounded rectangle
// with 30 x 30 corners, both over a white fill, so the text painted afterwards lies on top.
void drawPresentationFrame(QPainter &painter, const QSize &size, const QColor &colour);

// Exports the whole document to fileName (created or replaced atomically). On every path the
// layout is released and the progress window closed. When a page fails to render, the pages
// made so far are still saved and the error is passed on. Fails with the GIF writer's errors,
// EFCreateError when the file cannot be created, and std::runtime_error when a page cannot
// hold any text (the document would otherwise never end).
void exportPresentationPages(const QString &fileName, const PresentationOptions &options,
                             PresentationPageSource &pages, const PresentationProgress &progress,
                             int dpiX, int dpiY);

// The rich text control as a page source: its length in character positions and its
// format-range operation, painting on the page bitmap laid out at the bitmap's resolution.
class RichEditPageSource : public PresentationPageSource
{
public:
    explicit RichEditPageSource(TRxRichEdit &editor) : m_editor(editor) {}
    int documentLength() override;
    int formatRange(QPainter &painter, const TwipsRect &textRect, int start) override;
    void releaseLayout() override;

private:
    TRxRichEdit &m_editor;
};

// What the export needs of the windows around it; every member may be empty (the command line
// runs without any).
struct PresentationExportUi {
    // Shows the options window modally and returns its choices; empty: the given options.
    std::function<PresentationOptions()> askOptions;
    PresentationProgress progress;
    // Shows the information message once the file is written.
    std::function<void(const QString &)> showInformation;
};

// Exports the editor's whole document as a presentation file at the screen's resolution: white
// editor background and the hourglass for the duration, the options, the page loop (events
// pumped between steps when the ui gives no pump), the success message. The background colour
// and the cursor are restored on every path; failures pass on as the page loop's.
void ExportPresentation(TRxRichEdit &editor, const QString &FileName,
                        const PresentationOptions &options, const PresentationExportUi &ui);
