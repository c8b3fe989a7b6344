#include "preview/GmRtfPreview.h"

#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/RtfRoundTrip.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScopeGuard>

using namespace richedit;

int gmFormatRange(TRxRichEdit *control, FORMATRANGE &fr, bool render)
{
    if (!control)
        return fr.chrg.cpMin;
    return control->formatRange(&fr, render);
}

namespace {

// Shows the hourglass for its lifetime and gives the previous cursor back on every path.
class WaitCursor
{
public:
    WaitCursor()
    {
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_set = true;
        }
    }
    ~WaitCursor()
    {
        if (m_set)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool m_set = false;
};

} // namespace

TGmRtfPreview::TGmRtfPreview(QObject *parent) : QObject(parent) {}

QString TGmRtfPreview::noPreviewMessage()
{
    return QStringLiteral("TGmRtfPreview Error!\n\n"
                          "The \"Preview\" property must be set to a TGmPreview component");
}

void TGmRtfPreview::LoadFromRichEdit(TRxRichEdit *source)
{
    if (!m_preview) {
        if (OnMessage)
            OnMessage(noPreviewMessage());
        else
            qWarning().noquote() << noPreviewMessage();
        return;
    }
    if (!source)
        return;
    TGmPreview *preview = m_preview;
    TGmPageList &list = preview->PageList();

    preview->BeginUpdate();
    auto endUpdate = qScopeGuard([preview = m_preview] {
        if (preview)
            preview->EndUpdate();
    });
    const TGmMargins &margins = list.Margins();
    m_topOffset.setTwips(margins.Top().twips()
                         + int(gmRound(list.Header().heightInches() * 1440)));
    m_bottomOffset.setTwips(margins.Bottom().twips()
                            + int(gmRound(list.Footer().heightInches() * 1440)));
    const WaitCursor hourglass;

    FORMATRANGE fr;
    fr.hdc = nullptr; // measuring only
    fr.hdcTarget = list.GmPrinter().Device();
    fr.chrg.cpMax = -1;

    source->setTypographyOptions(TO_ADVANCEDTYPOGRAPHY);
    source->formatRange(nullptr, false);

    // The control the pages are laid out from: the source itself when its owner keeps it
    // unchanged and a copy would be the very same document; otherwise a hidden copy, owned by
    // the resource table from the start so that no path leaks it.
    const bool unchanged = rtfcopy::readsBackUnchanged(*source);
    TRxRichEdit *laidOut = source;
    if (!SharesUnchangedSource || !unchanged) {
        laidOut = list.NeedRichEdit();
        if (!laidOut)
            return;
        list.ResourceTable().MemoList.Add(laidOut);
        laidOut->resize(0, 0);
        // The copy is the document itself when Rich Text would give it back unchanged (a
        // direct copy costs about half the round trip); otherwise the source streams out,
        // whether or not it sits in a window, and Rich Text read into the copy's (empty)
        // selection becomes its whole document.
        if (unchanged)
            laidOut->copyDocumentOf(*source->document());
        else
            rtfcopy::replaceSelection(*laidOut, rtfcopy::streamOut(*source));
    }
    // The length of the text that is measured: the laid-out one's. The Rich Text round trip may
    // drop a final empty paragraph of the source, whose end the copy would then never reach.
    const int length = laidOut->textLength();

    const int topOffset = m_topOffset.twips();
    const int bottomOffset = m_bottomOffset.twips();
    const int firstPage = list.CurrentPage();
    int start = 0;
    int end = 0;
    do {
        TGmPage *page = list.Pages(list.CurrentPage());
        const RECT pageRect{0, 0, int(gmRound(page->WidthInches() * 1440)),
                            int(gmRound(page->HeightInches() * 1440))};
        RECT rc = pageRect;
        rc.left += margins.Left().twips();
        rc.top += topOffset + 90; // a fixed 1/16 inch between the header and the first line
        rc.right -= margins.Right().twips();
        rc.bottom -= bottomOffset;
        if (!WrapLines)
            rc.right *= 10;
        fr.rc = rc;
        fr.rcPage = pageRect;
        fr.chrg.cpMin = start;

        laidOut->setTypographyOptions(TO_ADVANCEDTYPOGRAPHY);
        end = laidOut->formatRange(&fr, false);

        TGmPageRtfInfo &info = page->RtfInfo();
        info.TextRect().setInches(Extended(rc.left) / 1440, Extended(rc.top) / 1440,
                                  Extended(rc.right) / 1440, Extended(rc.bottom) / 1440);
        info.setRange(start, end);
        info.setRichEdit(laidOut);
        info.WrapLines = WrapLines;

        const bool more = end < length && end != -1;
        if (more && end <= start) {
            // This page has no room for any text, and no later page of the same size has:
            // stop here rather than loop, and drop the page if this run added it.
            if (list.CurrentPage() > firstPage && list.CurrentPage() == list.Count()
                && ForceNewPages)
                list.RemoveLastPage();
            else
                info.setRichEdit(nullptr);
            break;
        }
        if (more) {
            if (list.CurrentPage() == list.Count() || ForceNewPages)
                preview->AddPage();
            else
                preview->NextPage();
            if (OnNewPage)
                OnNewPage(this, m_topOffset, m_bottomOffset);
        }
        // An empty document is complete at once (its percentage would divide by zero).
        if (OnProgress)
            OnProgress(this, length > 0 ? int(gmRound(Extended(end) / length * 100)) : 100);
        start = end;
    } while (end < length && end != -1);
}
