#pragma once
// TGmRtfPreview lays a rich text control's document out on the pages of a preview: it makes
// one hidden copy of the document (or, for an owner that keeps the source unchanged, uses the
// source when the copy would be the same document) and asks it, page by page, how much text
// fits into the page's text rectangle, laid out for the printer. Each page then records its
// character range, its text rectangle and that control, so preview and print break lines and
// pages alike.

#include "preview/GmClasses.h"

#include <QObject>
#include <QPointer>
#include <functional>

class TGmPreview;
class TRxRichEdit;

class TGmRtfPreview : public QObject
{
    Q_OBJECT

public:
    explicit TGmRtfPreview(QObject *parent = nullptr);

    // The preview whose pages are filled; cleared when that preview is destroyed.
    TGmPreview *Preview() const { return m_preview; }
    void SetPreview(TGmPreview *preview) { m_preview = preview; }

    // Overflow always appends a page (false: moves on to the next existing page while any).
    bool ForceNewPages = true;
    // False multiplies the right edge of every text rectangle by 10: lines are not wrapped.
    bool WrapLines = true;
    // True promises that the source control outlives the pages and stays unchanged while they
    // are used (headless jobs): the pages are then laid out from the source itself whenever a
    // copy would be the same document, which spares copying a long document.
    bool SharesUnchangedSource = false;

    // Space above and below the text, in effect during and after the last run.
    const TGmValue &TopOffset() const { return m_topOffset; }
    const TGmValue &BottomOffset() const { return m_bottomOffset; }

    std::function<void(QObject *sender, const TGmValue &ATopMargin,
                       const TGmValue &ABottomMargin)> OnNewPage;
    std::function<void(QObject *sender, int Percent)> OnProgress;
    // Shows the paginator's message to the user; without one it goes to the log.
    std::function<void(const QString &)> OnMessage;

    // Paginates the control's whole document into the preview from its current page on.
    // Without a preview it shows the message below and does nothing else. Pagination also ends
    // when a page can take no text at all (text rectangle without room), leaving no empty page.
    void LoadFromRichEdit(TRxRichEdit *source);

    static QString noPreviewMessage();

private:
    QPointer<TGmPreview> m_preview;
    TGmValue m_topOffset;
    TGmValue m_bottomOffset;
};
