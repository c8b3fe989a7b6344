#pragma once
// The print preview control: a scrolling window that shows the current page of its page list
// as a sheet of paper at a zoom factor. It owns the page list (and through it the margins,
// header, footer and printer), offers navigation, zoom, fitting, panning, keyboard and wheel
// scrolling and printing, and tells its linked controls (thumbnails, navigator, choice boxes,
// pictures) about every change through numbered notifications.

#include "preview/GmPageList.h"
#include "preview/GmPaperImage.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
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

enum TGmZoomStyle { gmFixedZoom, gmVariableZoom };

// The steps of ZoomIn and ZoomOut with gmVariableZoom, in percent.
inline constexpr int gmZoomTable[15] = {7, 10, 14, 20, 30, 45, 60, 80, 120, 170, 250, 350, 500,
                                        650, 800};
// The zoom a variable step from `zoom` asks for, or `zoom` itself past the table's ends.
int gmZoomStepIn(int zoom);
int gmZoomStepOut(int zoom);

class TGmPreview : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TGmPreview(QWidget *parent = nullptr);
    ~TGmPreview() override;

    // ---- the view ----
    TGmPaperImage *PaperImage() const { return m_paper; }
    int Zoom() const { return m_paper->Zoom(); }
    // Clamps to MinZoom..MaxZoom and keeps each scroll position at the same fraction of its
    // extent (restored even when the repaint fails).
    void SetZoom(int zoom);
    int MinZoom() const { return m_minZoom; }
    int MaxZoom() const { return m_maxZoom; }
    // An inverted pair is kept as given; SetZoom then clamps to MinZoom.
    void SetMinZoom(int z) { m_minZoom = z; }
    void SetMaxZoom(int z) { m_maxZoom = z; }
    int ZoomIncrement = 10;
    TGmZoomStyle ZoomStyle = gmVariableZoom;
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitHeight();
    void FitWholePage();
    // Sets all four gutters of the paper image.
    void SetGutter(int pixels);
    TGmShadow &Shadow() { return m_paper->Shadow; }
    TGmPageGrid &PageGrid() { return m_paper->PageGrid; }
    void SetBackgroundColor(const QColor &color);
    // Scroll bar line increments in pixels.
    void SetLineIncrements(int horizontal, int vertical);
    // Recomputes the scroll ranges from the page at the current zoom and realigns the paper.
    void UpdateScrollRanges();

    // Panning: the scroll positions follow the cursor from where the pan started; the
    // position is in this control's coordinates.
    void StartPan(const QPoint &pos);
    void EndPan();
    bool Panning() const { return m_panning; }

    // The margins and margin pens as a form description stores them: "L,T,R,B" in twips, then
    // the margin pen and the printer margin pen, each a quoted "colour,width,style,mode".
    QString MarginValues();
    // Reads that form; false (nothing changed) when fewer than four numbers are given or an
    // item is not a number.
    bool SetMarginValues(const QString &text);

    // Mouse presses and releases on the paper (button, modifiers, position in this control).
    std::function<void(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers,
                       const QPoint &pos)> OnMouseDown;
    std::function<void(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers,
                       const QPoint &pos)> OnMouseUp;

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
    void DeleteCurrentPage() { m_pageList.DeletePage(CurrentPage()); }

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
    // The paper view shows the current page with fresh scroll ranges.
    void showCurrentPage();
    // The page's content changed: drawn again.
    void repaintPaper();

    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void connectPageList();
    void placePaper();
    // The bar the wheel and the page keys move: the vertical one if shown, else the
    // horizontal one if shown, else none.
    QScrollBar *activeBar() const;

    TGmPageList m_pageList;
    TGmPage *m_pageShown = nullptr;
    TGmPaperImage *m_paper = nullptr;
    int m_minZoom = 5;
    int m_maxZoom = 400;
    double m_hPercent = 0;
    double m_vPercent = 0;
    bool m_panning = false;
    QPoint m_panStart;
    QPoint m_panScroll;
    QList<QPointer<QWidget>> m_linked;
};
