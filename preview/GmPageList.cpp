#include "preview/GmPageList.h"

#include <QPainter>
#include <QScopeGuard>

// ---- slice and page ---------------------------------------------------------------------

TGmPageRtfInfo::TGmPageRtfInfo() = default;

void TGmPageRtfInfo::setRange(int cpMin, int cpMax)
{
    if (cpMin == m_cpMin && cpMax == m_cpMax)
        return;
    m_cpMin = cpMin;
    m_cpMax = cpMax;
    if (m_onChange)
        m_onChange();
}

TGmPage::TGmPage(TGmPageList *owner) : m_owner(owner) {}

void TGmPage::SetOrientation(TGmOrientation o)
{
    const Extended small = qMin(m_width, m_height);
    const Extended large = qMax(m_width, m_height);
    if (o == gmPortrait) {
        m_width = small;
        m_height = large;
    } else {
        m_width = large;
        m_height = small;
    }
    m_orientation = o;
    changed();
}

void TGmPage::SetSize(Extended width, Extended height)
{
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    changed();
}

void TGmPage::changed()
{
    if (m_onChange)
        m_onChange();
}

// ---- hidden controls --------------------------------------------------------------------

TGmCustomMemoList::TGmCustomMemoList() = default;

TGmCustomMemoList::~TGmCustomMemoList()
{
    Clear();
    delete m_host.data();
}

QWidget *TGmCustomMemoList::Host()
{
    if (!m_host) {
        // Never shown: the controls lay out and render without being on screen.
        m_host = new QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool);
        m_host->setAttribute(Qt::WA_DontShowOnScreen);
        m_host->resize(0, 0);
    }
    return m_host;
}

void TGmCustomMemoList::Add(QWidget *control)
{
    if (!control)
        return;
    control->setParent(Host());
    m_controls.push_back({control, 1});
}

void TGmCustomMemoList::Clear()
{
    for (Entry &e : m_controls)
        delete e.control.data();
    m_controls.clear();
}

// ---- page list --------------------------------------------------------------------------

TGmPageList::TGmPageList()
{
    m_margins.setOnChange([this] {
        if (m_updateCount == 0)
            send(Events.OnMarginsChanged);
    });
    auto headerFooter = [this] {
        if (m_updateCount == 0)
            send(Events.OnHeaderFooterChanged);
    };
    m_header.setOnChange(headerFooter);
    m_footer.setOnChange(headerFooter);
    recalcPageSize();
    AddPage();
}

TGmPageList::~TGmPageList()
{
    // The pages refer to the hidden controls; drop them first.
    m_pages.clear();
}

TGmPage *TGmPageList::Pages(int number) const
{
    if (number < 1 || number > Count())
        return nullptr;
    return m_pages[number - 1].get();
}

void TGmPageList::send(const TGmNotifyEvent &handler)
{
    if (handler)
        handler();
}

void TGmPageList::pagesChanged()
{
    if (m_updateCount == 0)
        send(Events.OnPagesChanged);
}

void TGmPageList::pageCountChanged()
{
    if (m_updateCount == 0)
        send(Events.OnPageCountChanged);
}

void TGmPageList::SetCurrentPage(int n)
{
    if (n == m_currentPage || n < 1 || n > Count())
        return;
    m_currentPage = n;
    send(Events.OnCurrentPageChanged);
}

void TGmPageList::recalcPageSize()
{
    Extended w = 0;
    Extended h = 0;
    if (!gmPaperSizeInches(m_paperSize, w, h))
        return; // Custom keeps the size the list has
    if (m_orientation == gmLandscape)
        std::swap(w, h);
    m_pageWidth = w;
    m_pageHeight = h;
}

void TGmPageList::SetCustomPageSize(Extended width, Extended height)
{
    m_pageWidth = width;
    m_pageHeight = height;
}

TGmPage *TGmPageList::AddPage()
{
    auto page = std::make_unique<TGmPage>(this);
    page->SetOrientation(m_orientation);
    recalcPageSize();
    page->SetSize(m_pageWidth, m_pageHeight);
    page->setOnChange([this] { pagesChanged(); });
    page->RtfInfo().setOnChange([this] { pagesChanged(); });
    TGmPage *result = page.get();
    m_pages.push_back(std::move(page));
    pageCountChanged();
    pagesChanged();
    if (m_currentPage != Count()) {
        m_currentPage = Count();
        send(Events.OnCurrentPageChanged);
    }
    send(Events.OnNewPage);
    return result;
}

void TGmPageList::RemoveLastPage()
{
    DeletePage(Count());
}

void TGmPageList::DeletePage(int number)
{
    if (Count() <= 1 || number < 1 || number > Count())
        return;
    m_pages.erase(m_pages.begin() + (number - 1));
    pageCountChanged();
    pagesChanged();
    if (m_currentPage > Count()) {
        m_currentPage = Count();
        send(Events.OnCurrentPageChanged);
    } else if (m_currentPage == number) {
        // Another page now stands at the current number.
        send(Events.OnCurrentPageChanged);
    }
}

void TGmPageList::Clear()
{
    m_pages.clear();
    m_resources.Clear();
    m_currentPage = 1;
    AddPage();
    send(Events.OnCleared);
}

void TGmPageList::BeginUpdate()
{
    ++m_updateCount;
}

void TGmPageList::EndUpdate()
{
    if (m_updateCount == 0)
        return;
    --m_updateCount;
    if (m_updateCount == 0) {
        send(Events.OnPageCountChanged);
        send(Events.OnPagesChanged);
    }
}

void TGmPageList::SetOrientation(TGmOrientation o)
{
    {
        BeginUpdate();
        auto end = qScopeGuard([this] { EndUpdate(); });
        for (auto &page : m_pages)
            page->SetOrientation(o);
        m_orientation = o;
        if (!m_pages.empty()) {
            m_pageWidth = m_pages.front()->WidthInches();
            m_pageHeight = m_pages.front()->HeightInches();
        }
    }
    send(Events.OnOrientationChanged);
}

void TGmPageList::SetPaperSize(TGmPaperSize p)
{
    if (p == m_paperSize)
        return;
    {
        BeginUpdate();
        auto end = qScopeGuard([this] { EndUpdate(); });
        m_paperSize = p;
        recalcPageSize();
        for (auto &page : m_pages)
            page->SetSize(m_pageWidth, m_pageHeight);
    }
    send(Events.OnPaperSizeChanged);
}

TRxRichEdit *TGmPageList::NeedRichEdit()
{
    return Events.OnNeedRichEdit ? Events.OnNeedRichEdit() : nullptr;
}

QRectF TGmPageList::HeaderRect() const
{
    const TGmPage *page = Pages(m_currentPage);
    const Extended width = page ? page->WidthInches() : m_pageWidth;
    const Extended top = m_margins.Top().inches();
    return QRectF(QPointF(double(m_margins.Left().inches()), double(top)),
                  QPointF(double(width - m_margins.Right().inches()),
                          double(top + m_header.heightInches())));
}

QRectF TGmPageList::FooterRect() const
{
    const TGmPage *page = Pages(m_currentPage);
    const Extended width = page ? page->WidthInches() : m_pageWidth;
    const Extended height = page ? page->HeightInches() : m_pageHeight;
    const Extended bottom = height - m_margins.Bottom().inches();
    return QRectF(QPointF(double(m_margins.Left().inches()),
                          double(bottom - m_footer.heightInches())),
                  QPointF(double(width - m_margins.Right().inches()), double(bottom)));
}

void TGmPageList::drawSlice(TGmPage *page, QPainter &canvas, Extended ppiX, Extended ppiY)
{
    const TGmPageRtfInfo &info = page->RtfInfo();
    richedit::FORMATRANGE fr;
    fr.hdcTarget = m_printer.Device();
    fr.rcPage = {0, 0, int(gmRound(page->WidthInches() * 1440)),
                 int(gmRound(page->HeightInches() * 1440))};
    const TGmValueRect &r = info.TextRect();
    fr.rc = {r.value(1).twips(), r.value(2).twips(), r.value(3).twips(),
             r.value(4).twips() + 1};
    if (!info.WrapLines)
        fr.rc.right *= 10;
    fr.chrg = {info.cpMin(), info.cpMax()};

    canvas.save();
    auto restore = qScopeGuard([&canvas] { canvas.restore(); });
    if (&canvas != m_printer.Canvas() && canvas.device()) {
        // The operation draws in the canvas device's own pixels; the canvas's units are
        // 1/ppi inch. The lines stay those of the printer whatever the scale.
        canvas.scale(double(ppiX) / canvas.device()->logicalDpiX(),
                     double(ppiY) / canvas.device()->logicalDpiY());
    }
    fr.hdc = &canvas;
    gmFormatRange(info.RichEdit(), fr, true);
}

void TGmPageList::DrawPage(TGmPage *page, QPainter &canvas, Extended ppiX, Extended ppiY,
                           const QDateTime &now)
{
    if (!page)
        return;
    if (page->RtfInfo().RichEdit())
        drawSlice(page, canvas, ppiX, ppiY);

    int number = 1;
    for (int i = 0; i < Count(); ++i) {
        if (m_pages[i].get() == page)
            number = i + 1;
    }
    const Extended width = page->WidthInches();
    const Extended height = page->HeightInches();
    const Extended left = m_margins.Left().inches();
    const Extended top = m_margins.Top().inches();
    const Extended right = m_margins.Right().inches();
    const Extended bottom = m_margins.Bottom().inches();
    const int x1 = int(gmRound(ppiX * left));
    const int x2 = int(gmRound((width - right) * ppiX));
    if (page->ShowHeader && m_header.Visible()) {
        m_header.draw(canvas, x1, int(gmRound(ppiY * top)), x2,
                      int(gmRound((m_header.heightInches() + top) * ppiY)), ppiX, number,
                      Count(), now);
    }
    if (page->ShowFooter && m_footer.Visible()) {
        m_footer.draw(canvas, x1,
                      int(gmRound((height - bottom - m_footer.heightInches()) * ppiY)), x2,
                      int(gmRound((height - bottom) * ppiY)), ppiX, number, Count(), now);
    }
}

void TGmPageList::DrawPrintedPage(TGmPage *page, QPainter &canvas, Extended x, Extended y,
                                  const QDateTime &now)
{
    QRect clip;
    if (m_margins.ClipMargins) {
        clip = QRect(QPoint(int(gmRound(m_margins.Left().inches() * x)),
                            int(gmRound(m_margins.Top().inches() * y))),
                     QPoint(int(gmRound((page->WidthInches() - m_margins.Right().inches()) * x))
                                - 1,
                            int(gmRound((page->HeightInches() - m_margins.Bottom().inches()) * y))
                                - 1));
    } else {
        clip = QRect(0, 0, int(gmRound(page->WidthInches() * x)),
                     int(gmRound(page->HeightInches() * y)));
    }
    canvas.setClipRect(clip, Qt::ReplaceClip);
    DrawPage(page, canvas, x, y, now);
    canvas.setClipping(false);
}

bool TGmPageList::PrintPages(int first, int last)
{
    QVector<int> numbers;
    if (first < last) {
        for (int n = first; n <= last; ++n)
            numbers.append(n);
    } else {
        for (int n = first; n >= last; --n)
            numbers.append(n);
    }
    return PrintPageList(numbers);
}

bool TGmPageList::PrintPageList(const QVector<int> &numbers)
{
    QVector<TGmPage *> pages;
    for (int n : numbers) {
        if (TGmPage *p = Pages(n))
            pages.append(p);
    }
    if (pages.isEmpty())
        return false;

    m_printer.SetOrientation(pages.first()->Orientation());
    m_printer.SetPagesPerSheet(m_pagesPerSheet);
    m_printer.SetPaper(m_paperSize);
    if (!m_printer.BeginJob() || m_printer.Aborted())
        return false;

    for (int i = 0; i < pages.size(); ++i) {
        TGmPage *page = pages.at(i);
        m_printer.StartPendingSheet();
        QPainter *canvas = m_printer.Canvas();
        DrawPrintedPage(page, *canvas, m_printer.PrinterInfo().PixelsPerInchX(),
                        m_printer.PrinterInfo().PixelsPerInchY());
        if (i + 1 < pages.size())
            m_printer.NextPage();
        if (Events.OnPrintProgress)
            Events.OnPrintProgress(i + 1, int(pages.size()));
        if (m_printer.Aborted()) {
            // An aborted job is ended rather than left open on the printer.
            m_printer.CancelJob();
            return false;
        }
    }
    m_printer.EndJob();
    return m_printer.LastError().isEmpty();
}
