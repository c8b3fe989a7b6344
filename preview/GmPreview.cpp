#include "preview/GmPreview.h"

#include <QCoreApplication>
#include <QScopeGuard>

QEvent::Type TGmPreviewNotifyEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TGmPreview::TGmPreview(QWidget *parent) : QAbstractScrollArea(parent)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    connectPageList();
    m_pageShown = m_pageList.Pages(m_pageList.CurrentPage());
}

TGmPreview::~TGmPreview()
{
    // No notifications or handlers run while the page list goes away.
    m_pageList.Events = TGmPageListEvents();
    m_pageList.GmPrinter().OnChangePrinter = nullptr;
}

void TGmPreview::connectPageList()
{
    TGmPageListEvents &e = m_pageList.Events;
    e.OnNewPage = [this] {
        if (OnNewPage)
            OnNewPage(this);
        if (OnDrawHeader)
            OnDrawHeader(this, m_pageList.HeaderRect(), nullptr);
        if (OnDrawFooter)
            OnDrawFooter(this, m_pageList.FooterRect(), nullptr);
    };
    e.OnCurrentPageChanged = [this] {
        showCurrentPage();
        if (OnPageChanged)
            OnPageChanged(this);
        notify(gmNotifyCurrentPageChanged);
    };
    e.OnPagesChanged = [this] {
        showCurrentPage();
        notify(gmNotifyPagesChanged);
    };
    e.OnPageCountChanged = [this] { notify(gmNotifyPageCountChanged); };
    e.OnOrientationChanged = [this] {
        notify(gmNotifyOrientationChanged);
        repaintPaper();
        if (OnOrientationChanged)
            OnOrientationChanged(this);
    };
    e.OnPaperSizeChanged = [this] {
        showCurrentPage();
        notify(gmNotifyPaperSizeChanged);
    };
    e.OnMarginsChanged = [this] {
        repaintPaper();
        notify(gmNotifyPageContentChanged);
    };
    e.OnHeaderFooterChanged = [this] {
        repaintPaper();
        notify(gmNotifyPageContentChanged);
    };
    e.OnNeedRichEdit = [this]() -> TRxRichEdit * {
        TRxRichEdit *richEdit = nullptr;
        if (OnNeedRichEdit)
            OnNeedRichEdit(this, richEdit);
        return richEdit;
    };
    e.OnCleared = [this] {
        if (OnClear)
            OnClear(this);
    };
    e.OnPrintProgress = [this](int printed, int total) {
        if (OnPrintProgress)
            OnPrintProgress(this, printed, total);
    };

    TGmPrinter &printer = m_pageList.GmPrinter();
    printer.BeforePrint = [this] {
        if (BeforePrint)
            BeforePrint(this);
    };
    printer.AfterPrint = [this] {
        if (AfterPrint)
            AfterPrint(this);
    };
    printer.OnAbortPrint = [this] {
        if (OnAbortPrint)
            OnAbortPrint(this);
    };
    printer.OnChangePrinter = [this] {
        notify(gmNotifyPrinterChanged);
        repaintPaper();
    };
}

void TGmPreview::notify(int code)
{
    if (m_pageList.UpdateCount() > 0)
        return;
    // A copy: a control may unregister itself while it is told.
    const QList<QPointer<QWidget>> linked = m_linked;
    for (const QPointer<QWidget> &control : linked) {
        if (control && control->parentWidget()) {
            TGmPreviewNotifyEvent event(code);
            QCoreApplication::sendEvent(control, &event);
        }
    }
}

void TGmPreview::RegisterLinkedControl(QWidget *control)
{
    if (control && !m_linked.contains(control))
        m_linked.append(control);
}

void TGmPreview::UnregisterLinkedControl(QWidget *control)
{
    m_linked.removeAll(control);
}

void TGmPreview::SetPagesPerSheet(TGmPagesPerSheet p)
{
    if (p == m_pageList.PagesPerSheet())
        return;
    m_pageList.SetPagesPerSheet(p);
    notify(gmNotifyPagesPerSheetChanged);
}

void TGmPreview::BeginUpdate()
{
    notify(gmNotifyBeginUpdate);
    m_pageList.BeginUpdate();
    ++m_paperUpdateCount;
}

void TGmPreview::EndUpdate()
{
    m_pageList.EndUpdate();
    if (m_paperUpdateCount > 0 && --m_paperUpdateCount == 0)
        repaintPaper();
    notify(gmNotifyEndUpdate);
}

void TGmPreview::Clear()
{
    m_pageList.Clear();
    showCurrentPage();
}

bool TGmPreview::Print()
{
    BeginUpdate();
    auto end = qScopeGuard([this] { EndUpdate(); });
    return m_pageList.PrintPages(1, Count());
}

bool TGmPreview::PrintCurrentPage()
{
    return m_pageList.PrintPages(CurrentPage(), CurrentPage());
}

void TGmPreview::showCurrentPage()
{
    m_pageShown = m_pageList.Pages(m_pageList.CurrentPage());
    repaintPaper();
}

void TGmPreview::repaintPaper()
{
    if (m_paperUpdateCount == 0)
        viewport()->update();
}
