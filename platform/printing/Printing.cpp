#include "printing/Printing.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace printing {

Metrics fixedMetrics()
{
    Metrics m;
    m.physicalWidth = 2481;
    m.physicalHeight = 3507;
    m.offsetX = 65;
    m.offsetY = 50;
    m.offsetRight = 58;
    // Physical size minus the four offsets (left 65, top 50, right 58, bottom 50).
    m.printableWidth = 2481 - 65 - 58;
    m.printableHeight = 3507 - 50 - 50;
    m.dpiX = 300;
    m.dpiY = 300;
    return m;
}

int ReferenceDevice::metric(PaintDeviceMetric m) const
{
    const Metrics f = fixedMetrics();
    switch (m) {
    case PdmWidth: return f.printableWidth;
    case PdmHeight: return f.printableHeight;
    case PdmWidthMM: return f.printableWidth * 254 / 3000;
    case PdmHeightMM: return f.printableHeight * 254 / 3000;
    case PdmNumColors: return 1 << 24;
    case PdmDepth: return 24;
    case PdmDpiX:
    case PdmPhysicalDpiX: return f.dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY: return f.dpiY;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    }
    return 0;
}

QStringList printerNames()
{
    return QPrinterInfo::availablePrinterNames();
}

int defaultPrinterIndex()
{
    const QStringList names = printerNames();
    if (names.isEmpty())
        return -1;
    const int i = names.indexOf(QPrinterInfo::defaultPrinterName());
    return i < 0 ? 0 : i;
}

namespace {

struct PaperCode {
    int code;
    QPageSize::PageSizeId id;
};

constexpr PaperCode paperCodes[] = {
    {1, QPageSize::Letter},     {3, QPageSize::Tabloid},     {4, QPageSize::Ledger},
    {5, QPageSize::Legal},      {7, QPageSize::Executive},   {8, QPageSize::A3},
    {9, QPageSize::A4},         {11, QPageSize::A5},         {12, QPageSize::JisB4},
    {13, QPageSize::JisB5},     {19, QPageSize::Envelope9},  {20, QPageSize::Envelope10},
    {21, QPageSize::Envelope11}, {22, QPageSize::Envelope12}, {23, QPageSize::Envelope14},
    {28, QPageSize::EnvelopeC5}, {70, QPageSize::A6},
};

} // namespace

bool paperFromCode(int code, int &qtPageSizeId)
{
    for (const PaperCode &p : paperCodes) {
        if (p.code == code) {
            qtPageSizeId = p.id;
            return true;
        }
    }
    return false;
}

int codeFromPaper(int qtPageSizeId)
{
    for (const PaperCode &p : paperCodes) {
        if (p.id == qtPageSizeId)
            return p.code;
    }
    return 0;
}

PrinterDevice::PrinterDevice()
{
    refresh();
}

PrinterDevice::~PrinterDevice()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void PrinterDevice::refresh()
{
    m_names = printerNames();
    m_index = defaultPrinterIndex();
    m_name = m_index >= 0 ? m_names.at(m_index) : QString();
    createPrinter();
}

void PrinterDevice::createPrinter()
{
    if (isPrinting())
        return;
    m_printer.reset();
    m_quality = -3;
    m_dither = 1;
    m_duplex = DMDUP_SIMPLEX;
    if (!canOpen())
        return;
    // The driver's defaults: a fresh printer object for the selected queue.
    m_printer = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(m_name),
                                           QPrinter::HighResolution);
    m_printer->setFullPage(false);
}

bool PrinterDevice::selectPrinter(int index)
{
    if (index < 0 || index >= m_names.size())
        return false;
    m_index = index;
    m_name = m_names.at(index);
    createPrinter();
    return true;
}

void PrinterDevice::selectPrinter(const QString &name)
{
    m_index = m_names.indexOf(name);
    m_name = name;
    createPrinter();
}

bool PrinterDevice::canOpen() const
{
    return !m_name.isEmpty() && !QPrinterInfo::printerInfo(m_name).isNull();
}

Metrics PrinterDevice::metrics() const
{
    if (!m_printer)
        return fixedMetrics();
    // The layout cannot change while a job runs: answer what was read before it began.
    if (isPrinting())
        return m_jobMetrics;
    // Read in portrait, then give the printer its orientation back.
    const QPageLayout saved = m_printer->pageLayout();
    m_printer->setPageOrientation(QPageLayout::Portrait);
    Metrics m;
    const QRect paper = m_printer->paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = m_printer->pageRect(QPrinter::DevicePixel).toRect();
    m.dpiX = m_printer->resolution();
    m.dpiY = m_printer->resolution();
    m.physicalWidth = paper.width();
    m.physicalHeight = paper.height();
    m.printableWidth = page.width();
    m.printableHeight = page.height();
    m.offsetX = page.left();
    m.offsetY = page.top();
    m.offsetRight = page.left(); // the right border is taken as equal to the left one
    // CUPS turns landscape pages by 90 degrees.
    m.landscapeRotation = 90;
    m_printer->setPageLayout(saved);
    return m;
}

QPaintDevice *PrinterDevice::referenceDevice()
{
    if (m_printer)
        return m_printer.get();
    return &m_reference;
}

bool PrinterDevice::landscape() const
{
    return m_printer && m_printer->pageLayout().orientation() == QPageLayout::Landscape;
}

bool PrinterDevice::deviceMode(DEVMODE &mode) const
{
    if (!m_printer)
        return false;
    mode = DEVMODE();
    mode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_COLOR
        | DM_DUPLEX | DM_COLLATE | DM_DITHERTYPE;
    mode.dmOrientation = landscape() ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.dmPaperSize = codeFromPaper(m_printer->pageLayout().pageSize().id());
    mode.dmCopies = m_printer->copyCount();
    mode.dmPrintQuality = m_quality;
    mode.dmColor = m_printer->colorMode() == QPrinter::GrayScale ? DMCOLOR_MONOCHROME
                                                                  : DMCOLOR_COLOR;
    mode.dmDuplex = m_duplex;
    mode.dmCollate = m_printer->collateCopies() ? 1 : 0;
    mode.dmDitherType = m_dither;
    return true;
}

bool PrinterDevice::setDeviceMode(const DEVMODE &mode)
{
    if (!m_printer)
        return false;
    const bool printing = isPrinting();
    if (mode.dmFields & DM_ORIENTATION) {
        m_printer->setPageOrientation(mode.dmOrientation == DMORIENT_LANDSCAPE
                                          ? QPageLayout::Landscape
                                          : QPageLayout::Portrait);
    }
    if ((mode.dmFields & DM_PAPERSIZE) && !printing) {
        int id = 0;
        if (paperFromCode(mode.dmPaperSize, id))
            m_printer->setPageSize(QPageSize(QPageSize::PageSizeId(id)));
    }
    if ((mode.dmFields & DM_COPIES) && !printing)
        m_printer->setCopyCount(qMax(1, mode.dmCopies));
    if (mode.dmFields & DM_PRINTQUALITY)
        m_quality = mode.dmPrintQuality;
    if ((mode.dmFields & DM_COLOR) && !printing) {
        m_printer->setColorMode(mode.dmColor == DMCOLOR_MONOCHROME ? QPrinter::GrayScale
                                                                   : QPrinter::Color);
    }
    if ((mode.dmFields & DM_DUPLEX) && !printing) {
        // Kept as written even when the driver cannot print on both sides.
        m_duplex = mode.dmDuplex;
        switch (mode.dmDuplex) {
        case DMDUP_VERTICAL: m_printer->setDuplex(QPrinter::DuplexLongSide); break;
        case DMDUP_HORIZONTAL: m_printer->setDuplex(QPrinter::DuplexShortSide); break;
        default: m_printer->setDuplex(QPrinter::DuplexNone); break;
        }
    }
    if ((mode.dmFields & DM_COLLATE) && !printing)
        m_printer->setCollateCopies(mode.dmCollate != 0);
    if (mode.dmFields & DM_DITHERTYPE)
        m_dither = mode.dmDitherType;
    return true;
}

void PrinterDevice::resetDeviceMode()
{
    createPrinter();
}

void PrinterDevice::setOutputFileName(const QString &fileName)
{
    m_outputFile = fileName;
}

bool PrinterDevice::startDoc(const QString &title)
{
    m_error.clear();
    if (isPrinting())
        return false;
    if (!m_printer) {
        m_error = QStringLiteral("no printer can be opened");
        return false;
    }
    m_printer->setDocName(title);
    if (!m_outputFile.isEmpty()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(m_outputFile);
    }
    m_jobMetrics = metrics();
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get())) {
        m_error = QStringLiteral("the printer refused the job");
        return false;
    }
    m_painter = std::move(painter);
    return true;
}

bool PrinterDevice::newPage()
{
    if (!isPrinting())
        return false;
    return m_printer->newPage();
}

bool PrinterDevice::endDoc()
{
    if (!isPrinting())
        return false;
    const bool ok = m_painter->end();
    m_painter.reset();
    if (!ok)
        m_error = QStringLiteral("the job could not be finished");
    return ok;
}

bool PrinterDevice::abortDoc()
{
    if (!isPrinting())
        return false;
    // Not every driver can take a job back (CUPS receives it only when it ends): then the
    // sheets printed so far go out.
    const bool discarded = m_printer->abort();
    m_painter->end();
    m_painter.reset();
    return discarded;
}

} // namespace printing
