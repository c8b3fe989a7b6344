#pragma once
// The printer of the print preview: selection, device-mode properties, the job and the layout
// of one, two or four pages per sheet. TGmPrinterInfo caches the selected printer's metrics.

#include "preview/GmClasses.h"
#include "printing/Printing.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPaintDevice;

enum TGmPrintColor { gmColor, gmMonochrome };
enum TGmPrintQuality { gmDraft, gmLow, gmMedium, gmHigh };
enum TGmDitherType { gmNone, gmCourse, gmFine, gmLineArt, gmGrayScale };
enum TGmDuplexType { gmSimplex, gmHorzDuplex, gmVertDuplex };

// The printer code of a paper size, -1 for sizes the printer has no code for.
int gmPaperCode(TGmPaperSize paper);

// Where page n (from 1) of a sheet lands and at what scale, for a sheet of b x c pixels.
struct TGmSheetCell {
    QRect cell; // left, top, width, height in sheet pixels
    int scalePercent = 100;
};
TGmSheetCell gmSheetCell(TGmPagesPerSheet perSheet, int n, int b, int c, bool landscapeSheet);
// Whether moving on from page a (the old counter) starts a new sheet.
bool gmStartsNewSheet(TGmPagesPerSheet perSheet, int a);

// Printer metrics as read in one orientation.
struct TGmOrientedMetrics {
    int ppiX = 0;
    int ppiY = 0;
    Extended widthInches = 0;
    Extended heightInches = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Metrics of the selected printer in printer pixels, read in portrait; the orientation-aware
// reads follow the printer's current orientation.
class TGmPrinterInfo
{
public:
    explicit TGmPrinterInfo(printing::PrinterDevice &device) : m_device(device) {}
    void update();

    bool landscape() const { return m_device.landscape(); }
    bool cannotOpen() const { return m_cannotOpen; }
    const printing::Metrics &portraitMetrics() const { return m_metrics; }

    int PixelsPerInchX() const { return current().ppiX; }
    int PixelsPerInchY() const { return current().ppiY; }
    Extended PhysicalWidthInches() const { return current().widthInches; }
    Extended PhysicalHeightInches() const { return current().heightInches; }
    // Unprintable borders, turned for landscape.
    int OffsetLeft() const { return current().left; }
    int OffsetTop() const { return current().top; }
    int OffsetRight() const { return current().right; }
    int OffsetBottom() const { return current().bottom; }
    // Portrait metrics read in an orientation: in landscape the resolutions swap, the width is
    // the physical height, and the borders turn (left := top, top := right, right := bottom,
    // bottom := left).
    static TGmOrientedMetrics oriented(const printing::Metrics &m, bool landscape);
    // Screen pixels per inch over the printer's horizontal pixels per inch.
    Extended ScreenToPrinterX() const;
    // 1 for a driver that turns landscape by 90 degrees, 2 for 270, else 0.
    int LandscapeRotation() const;

private:
    TGmOrientedMetrics current() const { return oriented(m_metrics, landscape()); }

    printing::PrinterDevice &m_device;
    printing::Metrics m_metrics = printing::fixedMetrics();
    bool m_cannotOpen = true;
};

// The system printer wrapped for the preview.
class TGmPrinter
{
public:
    TGmPrinter();
    TGmPrinter(const TGmPrinter &) = delete;
    TGmPrinter &operator=(const TGmPrinter &) = delete;

    QString Title = QStringLiteral("<document>");

    QStringList Printers() const { return m_device.printers(); }
    int PrinterIndex() const { return m_device.printerIndex(); }
    QString PrinterName() const { return m_device.printerName(); }
    bool HasPrinters() const { return m_device.hasPrinters(); }
    // Makes a printer current with its driver's defaults, re-reads the metrics, tells
    // OnChangePrinter.
    void SelectPrinter(int index);
    // Selects a printer by name; an unknown name leaves a printer that cannot be opened.
    void SelectPrinter(const QString &name);

    TGmPrinterInfo &PrinterInfo() { return m_info; }
    const TGmPrinterInfo &PrinterInfo() const { return m_info; }
    // The device text is laid out for (the printer, or the fixed 300 dpi reference).
    QPaintDevice *Device() { return m_device.referenceDevice(); }
    // The job's canvas while printing, else null.
    QPainter *Canvas() const { return m_device.painter(); }

    TGmOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TGmOrientation o);
    TGmPagesPerSheet PagesPerSheet() const { return m_pagesPerSheet; }
    void SetPagesPerSheet(TGmPagesPerSheet p) { m_pagesPerSheet = p; }
    void SetPaper(TGmPaperSize paper);

    TGmPrintColor PrintColor() const;
    void SetPrintColor(TGmPrintColor v);
    int PrintCopies() const;
    void SetPrintCopies(int v);
    bool Collate() const;
    void SetCollate(bool v);
    TGmPrintQuality PrintQuality() const;
    void SetPrintQuality(TGmPrintQuality v);
    TGmDitherType DitherType() const;
    void SetDitherType(TGmDitherType v);
    TGmDuplexType Duplex() const;
    void SetDuplex(TGmDuplexType v);

    // Starts a job; false (and nothing printed) when the printer cannot be opened, a job runs
    // already, there is no printer, or BeforePrint aborted it.
    bool BeginJob();
    // Moves to the next page, starting a new sheet when the current one is full. The new
    // sheet is begun by StartPendingSheet, before the page is drawn.
    void NextPage();
    void StartPendingSheet();
    void EndJob();
    // Ends an aborted job, discarding it where the driver allows (else the sheets printed so
    // far go out).
    void CancelJob();
    bool Printing() const { return m_printing; }
    bool Aborted() const { return m_aborted; }
    // Marks the running job as aborted (for BeforePrint and progress handlers).
    void Abort();
    int PageCounter() const { return m_counter; }
    // The message of the last failed job, empty when none.
    QString LastError() const { return m_lastError; }

    // Sends the job to a PDF file instead of the printer (empty: the printer).
    void SetOutputFileName(const QString &fileName) { m_device.setOutputFileName(fileName); }

    std::function<void()> BeforePrint;
    std::function<void()> AfterPrint;
    std::function<void()> OnAbortPrint;
    std::function<void()> OnChangePrinter;
    // Shows the system's messages to the user; without one they go to the log.
    std::function<void(const QString &)> OnMessage;

    static QString noPrinterMessage()
    {
        return QStringLiteral("Unable to print... No Printer available.");
    }

private:
    void writeDeviceMode(std::uint32_t field, const printing::DEVMODE &mode);
    printing::DEVMODE readDeviceMode(bool &ok) const;
    void setUpMapping();
    void showMessage(const QString &text);

    printing::PrinterDevice m_device;
    TGmPrinterInfo m_info;
    TGmOrientation m_orientation = gmPortrait;
    TGmPagesPerSheet m_pagesPerSheet = gmOnePage;
    bool m_printing = false;
    bool m_aborted = false;
    int m_counter = 0;
    bool m_sheetPending = false;
    QString m_lastError;
};
