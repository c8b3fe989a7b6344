#pragma once
// The print preview's pages without its window: a preview control set up as the preview window
// sets it up (header and footer shown without their lines, every caption in Arial 15 points),
// laying a document out for the selected printer, or for the fixed reference device when none
// can be opened. Headless jobs (page counts, printing, the text PDF) use it, so that what they
// produce is paginated exactly as the preview shows it.

#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"

#include <QString>

class TRxRichEdit;

// The four print margins in millimetres.
struct PrintMargins {
    double left = 25;
    double top = 15;
    double right = 25;
    double bottom = 15;
};

class TPreviewPages
{
public:
    TPreviewPages();
    TPreviewPages(const TPreviewPages &) = delete;
    TPreviewPages &operator=(const TPreviewPages &) = delete;

    TGmPreview preview;
    TGmRtfPreview paginator;

    void setMargins(const PrintMargins &margins);
    // Lays source out from page 1 (null: no pages); returns the paginator's message, empty
    // when the layout went well. The pages may be laid out from source itself, which must then
    // outlive them and stay unchanged while they are drawn.
    QString layOut(TRxRichEdit *source);

private:
    QString m_message;
};
