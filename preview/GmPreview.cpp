#include "preview/GmPreview.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QWheelEvent>
#include <iterator>

QEvent::Type TGmPreviewNotifyEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TGmPreview::TGmPreview(QWidget *parent) : QAbstractScrollArea(parent)
{
    m_paper = new TGmPaperImage(viewport());
    m_paper->setPageList(&m_pageList);
    m_paper->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
    SetBackgroundColor(QColor(0xC0, 0xC0, 0xC0));
    connectPageList();
    m_pageShown = m_pageList.Pages(m_pageList.CurrentPage());
    m_paper->setPage(m_pageShown);
    UpdateScrollRanges();
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
    m_paper->beginUpdate();
}

void TGmPreview::EndUpdate()
{
    m_pageList.EndUpdate();
    m_paper->endUpdate();
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
    m_paper->setPage(m_pageShown);
    UpdateScrollRanges();
}

void TGmPreview::repaintPaper()
{
    m_paper->invalidate();
}

// ---- the view ----------------------------------------------------------------------------

int gmZoomStepIn(int zoom)
{
    for (int step : gmZoomTable) {
        if (step > zoom)
            return step;
    }
    return zoom;
}

int gmZoomStepOut(int zoom)
{
    for (int i = int(std::size(gmZoomTable)) - 1; i >= 0; --i) {
        if (gmZoomTable[i] < zoom)
            return gmZoomTable[i];
    }
    return zoom;
}

void TGmPreview::SetBackgroundColor(const QColor &color)
{
    m_paper->Background = color;
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, color);
    viewport()->setPalette(pal);
    m_paper->update();
}

void TGmPreview::SetGutter(int pixels)
{
    m_paper->setGutters(QMargins(pixels, pixels, pixels, pixels));
    UpdateScrollRanges();
}

void TGmPreview::SetLineIncrements(int horizontal, int vertical)
{
    horizontalScrollBar()->setSingleStep(horizontal);
    verticalScrollBar()->setSingleStep(vertical);
}

void TGmPreview::UpdateScrollRanges()
{
    const QSize page = m_paper->pagePixels();
    const QMargins g = m_paper->Gutters();
    const QSize range(page.width() + g.left() + g.right(), page.height() + g.top() + g.bottom());
    const QSize client = viewport()->size();
    horizontalScrollBar()->setPageStep(qMax(1, client.width()));
    verticalScrollBar()->setPageStep(qMax(1, client.height()));
    horizontalScrollBar()->setRange(0, qMax(0, range.width() - client.width()));
    verticalScrollBar()->setRange(0, qMax(0, range.height() - client.height()));
    placePaper();
}

void TGmPreview::placePaper()
{
    // The paper covers the larger of the client area and the scroll range, shifted by the
    // scroll positions: a small page is centred, a large one scrolls with its gutters.
    const QSize page = m_paper->pagePixels();
    const QMargins g = m_paper->Gutters();
    const QSize client = viewport()->size();
    const QSize size(qMax(client.width(), page.width() + g.left() + g.right()),
                     qMax(client.height(), page.height() + g.top() + g.bottom()));
    m_paper->setGeometry(-horizontalScrollBar()->value(), -verticalScrollBar()->value(),
                         size.width(), size.height());
}

void TGmPreview::SetZoom(int zoom)
{
    if (zoom > m_maxZoom)
        zoom = m_maxZoom;
    if (zoom < m_minZoom)
        zoom = m_minZoom;
    if (zoom == Zoom())
        return;
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    if (h->maximum() > 0)
        m_hPercent = double(h->value()) / h->maximum() * 100;
    if (v->maximum() >= 1)
        m_vPercent = double(v->value()) / v->maximum() * 100;
    auto restore = qScopeGuard([this, h, v] {
        h->setValue(int(gmRound(Extended(h->maximum()) * m_hPercent / 100)));
        v->setValue(int(gmRound(Extended(v->maximum()) * m_vPercent / 100)));
    });
    m_paper->setZoom(zoom);
    UpdateScrollRanges();
}

void TGmPreview::ZoomIn()
{
    if (ZoomStyle == gmFixedZoom)
        SetZoom(Zoom() + ZoomIncrement);
    else
        SetZoom(gmZoomStepIn(Zoom()));
}

void TGmPreview::ZoomOut()
{
    if (ZoomStyle == gmFixedZoom)
        SetZoom(Zoom() - ZoomIncrement);
    else
        SetZoom(gmZoomStepOut(Zoom()));
}

void TGmPreview::FitHeight()
{
    if (!m_pageShown || m_pageShown->HeightInches() <= 0)
        return;
    const QMargins g = m_paper->Gutters();
    const Extended factor = Extended(height() - g.top() - g.bottom() - 20)
                            / (m_pageShown->HeightInches() * 96);
    SetZoom(int(gmTrunc(factor * 100)));
}

void TGmPreview::FitWidth()
{
    if (!m_pageShown || m_pageShown->WidthInches() <= 0)
        return;
    const QMargins g = m_paper->Gutters();
    const Extended factor = Extended(width() - g.left() - g.right() - 20)
                            / (m_pageShown->WidthInches() * 96);
    SetZoom(int(gmTrunc(factor * 100)));
}

void TGmPreview::FitWholePage()
{
    if (!m_pageShown || m_pageShown->WidthInches() <= 0 || m_pageShown->HeightInches() <= 0)
        return;
    const QMargins g = m_paper->Gutters();
    const Extended fitHeight = Extended(height() - g.top() - g.bottom() - 20)
                               / (m_pageShown->HeightInches() * 96);
    const Extended fitWidth = Extended(width() - g.left() - g.right() - 20)
                              / (m_pageShown->WidthInches() * 96);
    SetZoom(int(gmTrunc(qMin(fitHeight, fitWidth) * 100)));
}

void TGmPreview::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void TGmPreview::scrollContentsBy(int, int)
{
    placePaper();
}

QScrollBar *TGmPreview::activeBar() const
{
    if (verticalScrollBar()->isVisible())
        return verticalScrollBar();
    if (horizontalScrollBar()->isVisible())
        return horizontalScrollBar();
    return nullptr;
}

void TGmPreview::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = activeBar();
    if (!bar) {
        event->ignore();
        return;
    }
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_PageUp: bar->setValue(bar->value() - 10 * bar->singleStep()); break;
    case Qt::Key_PageDown: bar->setValue(bar->value() + 10 * bar->singleStep()); break;
    case Qt::Key_Home:
        h->setValue(h->minimum());
        v->setValue(v->minimum());
        break;
    case Qt::Key_End:
        h->setValue(h->maximum());
        v->setValue(v->maximum());
        break;
    case Qt::Key_Left: h->setValue(h->value() - h->singleStep()); break;
    case Qt::Key_Right: h->setValue(h->value() + h->singleStep()); break;
    case Qt::Key_Up: v->setValue(v->value() - v->singleStep()); break;
    case Qt::Key_Down: v->setValue(v->value() + v->singleStep()); break;
    default: event->ignore(); return;
    }
    event->accept();
}

void TGmPreview::wheelEvent(QWheelEvent *event)
{
    if (QScrollBar *bar = activeBar()) {
        const QPoint angle = event->angleDelta();
        const int delta = angle.y() != 0 ? angle.y() : angle.x();
        bar->setValue(bar->value() + (delta <= 0 ? bar->singleStep() : -bar->singleStep()));
    }
    event->accept();
}

void TGmPreview::StartPan(const QPoint &pos)
{
    if (m_panning)
        return;
    m_panning = true;
    m_panStart = pos;
    m_panScroll = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    m_paper->setCursor(Qt::ClosedHandCursor);
}

void TGmPreview::EndPan()
{
    m_panning = false;
    m_paper->unsetCursor();
}

void TGmPreview::leaveEvent(QEvent *event)
{
    EndPan();
    QAbstractScrollArea::leaveEvent(event);
}

bool TGmPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_paper)
        return QAbstractScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        setFocus(Qt::MouseFocusReason);
        if (OnMouseDown)
            OnMouseDown(this, e->button(), e->modifiers(), m_paper->mapTo(this, e->pos()));
        return true;
    }
    case QEvent::MouseMove:
        if (m_panning) {
            const QPoint pos = m_paper->mapTo(this, static_cast<QMouseEvent *>(event)->pos());
            horizontalScrollBar()->setValue(m_panScroll.x() + m_panStart.x() - pos.x());
            verticalScrollBar()->setValue(m_panScroll.y() + m_panStart.y() - pos.y());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (OnMouseUp)
            OnMouseUp(this, e->button(), e->modifiers(), m_paper->mapTo(this, e->pos()));
        EndPan();
        return true;
    }
    case QEvent::Wheel:
        // The paper's wheel turns scroll the preview, whoever delivers them.
        wheelEvent(static_cast<QWheelEvent *>(event));
        return true;
    case QEvent::Leave: EndPan(); break;
    default: break;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- stored margin values ------------------------------------------------------------------

namespace {

// Colour as 0x00BBGGRR.
int colorValue(const QColor &c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QColor colorFromValue(qint64 v)
{
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

// Pen styles by their stored numbers: solid, dash, dot, dash-dot, dash-dot-dot, clear.
int penStyleValue(Qt::PenStyle style)
{
    switch (style) {
    case Qt::DashLine: return 1;
    case Qt::DotLine: return 2;
    case Qt::DashDotLine: return 3;
    case Qt::DashDotDotLine: return 4;
    case Qt::NoPen: return 5;
    default: return 0;
    }
}

Qt::PenStyle penStyleFromValue(int v)
{
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                          Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen};
    return v >= 0 && v < 6 ? styles[v] : Qt::SolidLine;
}

constexpr int penModeCopy = 4;

QString penText(const QPen &pen)
{
    return QStringLiteral("\"%1,%2,%3,%4\"")
        .arg(colorValue(pen.color()))
        .arg(pen.width())
        .arg(penStyleValue(pen.style()))
        .arg(penModeCopy);
}

// Splits at commas outside double quotes; quotes are removed.
QStringList splitItems(const QString &text)
{
    QStringList items;
    QString item;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted) {
            items << item.trimmed();
            item.clear();
        } else
            item += c;
    }
    items << item.trimmed();
    return items;
}

bool penFromText(const QString &text, QPen &pen)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 3)
        return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    const qint64 color = parts.at(0).trimmed().toLongLong(&ok1);
    const int width = parts.at(1).trimmed().toInt(&ok2);
    const int style = parts.at(2).trimmed().toInt(&ok3);
    if (!ok1 || !ok2 || !ok3)
        return false;
    pen = QPen(colorFromValue(color), qMax(0, width), penStyleFromValue(style));
    return true;
}

} // namespace

QString TGmPreview::MarginValues()
{
    TGmMargins &m = Margins();
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(m.Left().twips())
        .arg(m.Top().twips())
        .arg(m.Right().twips())
        .arg(m.Bottom().twips())
        .arg(penText(m.Pen()), penText(m.PrinterMarginPen()));
}

bool TGmPreview::SetMarginValues(const QString &text)
{
    const QStringList items = splitItems(text);
    if (items.size() < 4)
        return false;
    int twips[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        twips[i] = items.at(i).toInt(&ok);
        if (!ok)
            return false;
    }
    QPen pen = Margins().Pen();
    QPen printerPen = Margins().PrinterMarginPen();
    if (items.size() > 4 && !penFromText(items.at(4), pen))
        return false;
    if (items.size() > 5 && !penFromText(items.at(5), printerPen))
        return false;
    TGmMargins &m = Margins();
    m.Left().setTwips(twips[0]);
    m.Top().setTwips(twips[1]);
    m.Right().setTwips(twips[2]);
    m.Bottom().setTwips(twips[3]);
    m.setPen(pen);
    m.setPrinterMarginPen(printerPen);
    return true;
}
