#include "preview/GmPrinter.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QPainter>
#include <QTransform>

using namespace printing;

int gmPaperCode(TGmPaperSize paper)
{
    switch (paper) {
    case TGmPaperSize::A3: return 8;
    case TGmPaperSize::A4: return 9;
    case TGmPaperSize::A5: return 11;
    case TGmPaperSize::A6: return 70;
    case TGmPaperSize::B5: return 13;
    case TGmPaperSize::C5: return 28;
    case TGmPaperSize::Legal: return 5;
    case TGmPaperSize::Letter: return 1;
    case TGmPaperSize::B4: return 12;
    case TGmPaperSize::Envelope_09: return 19;
    case TGmPaperSize::Envelope_10: return 20;
    case TGmPaperSize::Envelope_11: return 21;
    case TGmPaperSize::Envelope_12: return 22;
    case TGmPaperSize::Envelope_14: return 23;
    case TGmPaperSize::Tabloid: return 3;
    case TGmPaperSize::Ledger: return 4;
    case TGmPaperSize::Executive: return 7;
    default: return -1;
    }
}

TGmSheetCell gmSheetCell(TGmPagesPerSheet perSheet, int n, int b, int c, bool landscapeSheet)
{
    const int g = b / 2;
    const int f = c / 2;
    TGmSheetCell r;
    auto cell = [](int l, int t, int rr, int bb) { return QRect(l, t, rr - l, bb - t); };
    switch (perSheet) {
    case gmOnePage:
        r.cell = cell(0, 0, b, c);
        r.scalePercent = 100;
        break;
    case gmTwoPage:
        r.scalePercent = int(gmTrunc(Extended(qMin(b, c)) / qMax(1, qMax(b, c)) * 100));
        if (landscapeSheet)
            r.cell = (n % 2 == 1) ? cell(0, 0, g, c) : cell(g, 0, b, c);
        else
            r.cell = (n % 2 == 1) ? cell(0, 0, b, f) : cell(0, f, b, c);
        break;
    case gmFourPage:
        r.scalePercent = 49;
        switch (n % 4) {
        case 1: r.cell = cell(0, 0, g, f); break;
        case 2: r.cell = cell(g, 0, b, f); break;
        case 3: r.cell = cell(0, f, g, c); break;
        default: r.cell = cell(g, f, b, c); break;
        }
        break;
    }
    return r;
}

bool gmStartsNewSheet(TGmPagesPerSheet perSheet, int a)
{
    switch (perSheet) {
    case gmOnePage: return true;
    case gmTwoPage: return a % 2 == 0;
    case gmFourPage: return a % 4 == 0;
    }
    return true;
}

// ---- printer info -----------------------------------------------------------------------

void TGmPrinterInfo::update()
{
    m_cannotOpen = !m_device.canOpen();
    m_metrics = m_cannotOpen ? fixedMetrics() : m_device.metrics();
}

TGmOrientedMetrics TGmPrinterInfo::oriented(const Metrics &m, bool landscape)
{
    TGmOrientedMetrics o;
    // Portrait offsets: left, top, right, bottom.
    const int left = m.offsetX;
    const int top = m.offsetY;
    const int right = m.offsetRight;
    const int bottom = m.physicalHeight - m.printableHeight - m.offsetY;
    if (!landscape) {
        o.ppiX = m.dpiX;
        o.ppiY = m.dpiY;
        o.widthInches = Extended(m.physicalWidth) / qMax(1, o.ppiX);
        o.heightInches = Extended(m.physicalHeight) / qMax(1, o.ppiY);
        o.left = left;
        o.top = top;
        o.right = right;
        o.bottom = bottom;
    } else {
        o.ppiX = m.dpiY;
        o.ppiY = m.dpiX;
        // The sides keep the resolutions they were measured at.
        o.widthInches = Extended(m.physicalHeight) / qMax(1, m.dpiY);
        o.heightInches = Extended(m.physicalWidth) / qMax(1, m.dpiX);
        o.left = top;
        o.top = right;
        o.right = bottom;
        o.bottom = left;
    }
    return o;
}

Extended TGmPrinterInfo::ScreenToPrinterX() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const Extended screenDpi = screen ? screen->logicalDotsPerInchX() : 96;
    return screenDpi / qMax(1, m_metrics.dpiX);
}

int TGmPrinterInfo::LandscapeRotation() const
{
    if (m_cannotOpen)
        return 0;
    switch (m_metrics.landscapeRotation) {
    case 90: return 1;
    case 270: return 2;
    default: return 0;
    }
}

// ---- printer ----------------------------------------------------------------------------

TGmPrinter::TGmPrinter() : m_info(m_device)
{
    m_info.update();
}

void TGmPrinter::SelectPrinter(int index)
{
    if (m_printing || !m_device.selectPrinter(index))
        return;
    m_info.update();
    if (OnChangePrinter)
        OnChangePrinter();
}

void TGmPrinter::SelectPrinter(const QString &name)
{
    if (m_printing)
        return;
    m_device.selectPrinter(name);
    m_info.update();
    if (OnChangePrinter)
        OnChangePrinter();
}

void TGmPrinter::SetOrientation(TGmOrientation o)
{
    if (o == m_orientation)
        return;
    m_orientation = o;
    m_info.update();
}

DEVMODE TGmPrinter::readDeviceMode(bool &ok) const
{
    DEVMODE mode;
    ok = m_device.deviceMode(mode);
    return mode;
}

void TGmPrinter::writeDeviceMode(std::uint32_t field, const DEVMODE &mode)
{
    DEVMODE m = mode;
    m.dmFields = field;
    if (!m_device.setDeviceMode(m))
        return;
}

void TGmPrinter::SetPaper(TGmPaperSize paper)
{
    const int code = gmPaperCode(paper);
    if (code < 0)
        return; // no printer code: the printer keeps its paper
    DEVMODE m;
    m.dmPaperSize = code;
    writeDeviceMode(DM_PAPERSIZE, m);
}

TGmPrintColor TGmPrinter::PrintColor() const
{
    bool ok = false;
    const DEVMODE m = readDeviceMode(ok);
    return ok && m.dmColor == DMCOLOR_MONOCHROME ? gmMonochrome : gmColor;
}

void TGmPrinter::SetPrintColor(TGmPrintColor v)
{
    DEVMODE m;
    m.dmColor = v == gmMonochrome ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR;
    writeDeviceMode(DM_COLOR, m);
}

int TGmPrinter::PrintCopies() const
{
    bool ok = false;
    const DEVMODE m = readDeviceMode(ok);
    return ok ? m.dmCopies : 1;
}

void TGmPrinter::SetPrintCopies(int v)
{
    DEVMODE m;
    m.dmCopies = v;
    writeDeviceMode(DM_COPIES, m);
}

bool TGmPrinter::Collate() const
{
    bool ok = false;
    const DEVMODE m = readDeviceMode(ok);
    return ok && m.dmCollate == 1;
}

void TGmPrinter::SetCollate(bool v)
{
    DEVMODE m;
    m.dmCollate = v ? 1 : 0;
    writeDeviceMode(DM_COLLATE, m);
}

TGmPrintQuality TGmPrinter::PrintQuality() const
{
    bool ok = false;
    const DEVMODE m = readDeviceMode(ok);
    if (!ok)
        return gmMedium;
    switch (m.dmPrintQuality) {
    case -1: return gmDraft;
    case -2: return gmLow;
    case -4: return gmHigh;
    default: return gmMedium;
    }
}

void TGmPrinter::SetPrintQuality(TGmPrintQuality v)
{
    DEVMODE m;
    m.dmPrintQuality = -1 - int(v);
    writeDeviceMode(DM_PRINTQUALITY, m);
}

TGmDitherType TGmPrinter::DitherType() const
{
    bool ok = false;
    const DEVMODE m = readDeviceMode(ok);
    if (!ok)
        return gmNone;
    switch (m.dmDitherType) {
    case 2: return gmCourse;
    case 3: return gmFine;
    case 4: return gmLineArt;
    case 10: return gmGrayScale;
    default: return gmNone;
    }
}

void TGmPrinter::SetDitherType(TGmDitherType v)
{
    static constexpr int codes[] = {1, 2, 3, 4, 10};
    DEVMODE m;
    m.dmDitherType = codes[int(v)];
    writeDeviceMode(DM_DITHERTYPE, m);
}

TGmDuplexType TGmPrinter::Duplex() const
{
    bool ok = false;
    const DEVMODE m = readDeviceMode(ok);
    if (!ok)
        return gmSimplex;
    switch (m.dmDuplex) {
    case DMDUP_HORIZONTAL: return gmHorzDuplex;
    case DMDUP_VERTICAL: return gmVertDuplex;
    default: return gmSimplex;
    }
}

void TGmPrinter::SetDuplex(TGmDuplexType v)
{
    DEVMODE m;
    m.dmDuplex = v == gmHorzDuplex ? DMDUP_HORIZONTAL
                                   : (v == gmVertDuplex ? DMDUP_VERTICAL : DMDUP_SIMPLEX);
    writeDeviceMode(DM_DUPLEX, m);
}

void TGmPrinter::showMessage(const QString &text)
{
    m_lastError = text;
    if (OnMessage)
        OnMessage(text);
    else
        qWarning().noquote() << text;
}

bool TGmPrinter::BeginJob()
{
    m_lastError.clear();
    if (!m_device.canOpen()) {
        showMessage(noPrinterMessage());
        return false;
    }
    if (m_printing || !m_device.hasPrinters())
        return false;
    m_printing = true;
    m_aborted = false;
    const int selected = m_device.printerIndex();
    if (BeforePrint)
        BeforePrint();
    if (m_aborted) {
        m_printing = false;
        return false;
    }
    if (m_device.printerIndex() != selected)
        m_device.selectPrinter(selected);

    // Two pages side by side need the sheet turned.
    TGmOrientation sheet = m_orientation;
    if (m_pagesPerSheet == gmTwoPage)
        sheet = sheet == gmPortrait ? gmLandscape : gmPortrait;
    DEVMODE m;
    m.dmOrientation = sheet == gmLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    writeDeviceMode(DM_ORIENTATION, m);
    m_info.update();
    if (!m_device.startDoc(Title)) {
        m_printing = false;
        showMessage(noPrinterMessage());
        return false;
    }
    m_counter = 1;
    m_sheetPending = false;
    setUpMapping();
    return true;
}

void TGmPrinter::setUpMapping()
{
    QPainter *canvas = m_device.painter();
    if (!canvas)
        return;
    const int b = int(gmRound(m_info.PhysicalWidthInches() * m_info.PixelsPerInchX()));
    const int c = int(gmRound(m_info.PhysicalHeightInches() * m_info.PixelsPerInchY()));
    const TGmSheetCell sc = gmSheetCell(m_pagesPerSheet, m_counter, b, c, b > c);
    const qreal scale = sc.scalePercent / 100.0;
    // Page pixels measured from the paper's corner land in the cell; the canvas's origin is
    // the printable area's corner, hence the offsets.
    canvas->setTransform(QTransform(scale, 0, 0, scale, sc.cell.left() - m_info.OffsetLeft(),
                                    sc.cell.top() - m_info.OffsetTop()));
}

void TGmPrinter::NextPage()
{
    if (!m_printing)
        return;
    const int a = m_counter;
    m_counter = a + 1;
    // The sheet itself starts when something is drawn on it, so that a job that ends or is
    // aborted here leaves no blank sheet.
    if (gmStartsNewSheet(m_pagesPerSheet, a))
        m_sheetPending = true;
    setUpMapping();
}

void TGmPrinter::StartPendingSheet()
{
    if (m_printing && m_sheetPending) {
        m_sheetPending = false;
        m_device.newPage();
    }
}

void TGmPrinter::EndJob()
{
    if (!m_printing)
        return;
    if (!m_device.endDoc())
        showMessage(m_device.errorString());
    m_printing = false;
    if (AfterPrint)
        AfterPrint();
}

void TGmPrinter::CancelJob()
{
    if (!m_printing)
        return;
    m_sheetPending = false;
    m_device.abortDoc();
    m_printing = false;
    if (AfterPrint)
        AfterPrint();
}

void TGmPrinter::Abort()
{
    if (!m_printing)
        return;
    m_aborted = true;
    if (OnAbortPrint)
        OnAbortPrint();
}
