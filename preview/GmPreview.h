#pragma once
// The print preview control: owner of the page list (and through it of the margins, header,
// footer and printer), page navigation, printing, and the numbered notifications its linked
// controls (thumbnails, navigator, choice boxes) receive. The scrolling paper view, zoom and
// mouse handling build on this class.

#include "preview/GmPageList.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <functional>

class TRxRichEdit;

// Codes sent to linked controls.
enum TGmNotification : int {
    gmNotifyPagesPerSheetChanged = 7034,
    gmNotifyPageContentChanged = 7035,
    gmNotifyOrientationChanged = 7036,
    gmNotifyPagesChanged = 7038,
    gmNotifyPageCountChanged = 7039,
    gmNotifyPrinterChanged = 7042,
    gmNotifyBeginUpdate = 7043,
    gmNotifyEndUpdate = 7044,
    gmNotifyPaperSizeChanged = 7045,
    gmNotifyCurrentPageChanged = 7047,
};

// The event a linked control receives for each notification.
class TGmPreviewNotifyEvent : public QEvent
{
public:
    explicit TGmPreviewNotifyEvent(int code) : QEvent(eventType()), m_code(code) {}
    int code() const { return m_code; }
    static QEvent::Type eventType();

private:
    int m_code;
};

class TGmPreview : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TGmPreview(QWidget *parent = nullptr);
    ~TGmPreview() override;

    TGmPageList &PageList() { return m_pageList; }
    TGmMargins &Margins() { return m_pageList.Margins(); }
    TGmHeader &Header() { return m_pageList.Header(); }
    TGmFooter &Footer() { return m_pageList.Footer(); }
    TGmPrinter &GmPrinter() { return m_pageList.GmPrinter(); }
    TGmResourceTable &ResourceTable() { return m_pageList.ResourceTable(); }

    TGmOrientation Orientation() const { return m_pageList.Orientation(); }
    void SetOrientation(TGmOrientation o) { m_pageList.SetOrientation(o); }
    TGmPaperSize PaperSize() const { return m_pageList.PaperSize(); }
    void SetPaperSize(TGmPaperSize p) { m_pageList.SetPaperSize(p); }
    TGmPagesPerSheet PagesPerSheet() const { return m_pageList.PagesPerSheet(); }
    void SetPagesPerSheet(TGmPagesPerSheet p);

    int Count() const { return m_pageList.Count(); }
    TGmPage *Pages(int number) const { return m_pageList.Pages(number); }
    int CurrentPage() const { return m_pageList.CurrentPage(); }
    void SetCurrentPage(int n) { m_pageList.SetCurrentPage(n); }
    // The page the paper view shows: always the current page after a notification.
    TGmPage *PageShown() const { return m_pageShown; }

    void BeginUpdate();
    void EndUpdate();
    void Clear();
    TGmPage *AddPage() { return m_pageList.AddPage(); }
    void FirstPage() { SetCurrentPage(1); }
    void PrevPage() { SetCurrentPage(CurrentPage() - 1); }
    void NextPage() { SetCurrentPage(CurrentPage() + 1); }
    void LastPage() { SetCurrentPage(Count()); }

    // Prints every page inside an update bracket; true when the job ran to its end.
    bool Print();
    // Prints the current page alone.
    bool PrintCurrentPage();

    // Linked controls register themselves and receive TGmPreviewNotifyEvent while they have a
    // parent window.
    void RegisterLinkedControl(QWidget *control);
    void UnregisterLinkedControl(QWidget *control);

    std::function<void(QObject *sender, TRxRichEdit *&richEdit)> OnNeedRichEdit;
    std::function<void(QObject *sender)> OnNewPage;
    std::function<void(QObject *sender)> OnPageChanged;
    std::function<void(QObject *sender)> OnOrientationChanged;
    std::function<void(QObject *sender)> OnClear;
    // The header or footer area of the current page in inches, and the canvas (null while
    // nothing is being painted).
    std::function<void(QObject *sender, const QRectF &rect, QPainter *canvas)> OnDrawHeader;
    std::function<void(QObject *sender, const QRectF &rect, QPainter *canvas)> OnDrawFooter;
    std::function<void(QObject *sender)> BeforePrint;
    std::function<void(QObject *sender)> AfterPrint;
    std::function<void(QObject *sender)> OnAbortPrint;
    std::function<void(QObject *sender, int printed, int total)> OnPrintProgress;

protected:
    // Sends a code to the linked controls, unless an update runs.
    void notify(int code);
    // The paper view shows the current page; the view's scroll ranges and painting hook in.
    virtual void showCurrentPage();
    virtual void repaintPaper();

private:
    void connectPageList();

    TGmPageList m_pageList;
    TGmPage *m_pageShown = nullptr;
    int m_paperUpdateCount = 0;
    QList<QPointer<QWidget>> m_linked;
};
