#pragma once
// The system's printers over Qt PrintSupport (CUPS on Linux): the printer list, the selected
// printer's metrics in device pixels, its device mode (paper, orientation, colour, copies, ...)
// in the classic DEVMODE units, and print jobs made of pages. When there is no printer, or the
// selected one cannot be opened, a fixed 300 dpi A4 reference device stands in for layout.

#include <QPaintDevice>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QPainter;
class QPrinter;

namespace printing {

// Device-mode field bits and values, as published for DEVMODE.
constexpr std::uint32_t DM_ORIENTATION = 0x00000001;
constexpr std::uint32_t DM_PAPERSIZE = 0x00000002;
constexpr std::uint32_t DM_COPIES = 0x00000100;
constexpr std::uint32_t DM_PRINTQUALITY = 0x00000400;
constexpr std::uint32_t DM_COLOR = 0x00000800;
constexpr std::uint32_t DM_DUPLEX = 0x00001000;
constexpr std::uint32_t DM_COLLATE = 0x00008000;
constexpr std::uint32_t DM_DITHERTYPE = 0x04000000;

constexpr int DMORIENT_PORTRAIT = 1;
constexpr int DMORIENT_LANDSCAPE = 2;
constexpr int DMCOLOR_MONOCHROME = 1;
constexpr int DMCOLOR_COLOR = 2;
constexpr int DMDUP_SIMPLEX = 1;
constexpr int DMDUP_VERTICAL = 2;
constexpr int DMDUP_HORIZONTAL = 3;

// The device-mode fields this system reads and writes.
struct DEVMODE {
    std::uint32_t dmFields = 0;
    int dmOrientation = DMORIENT_PORTRAIT;
    int dmPaperSize = 0;
    int dmCopies = 1;
    int dmPrintQuality = -3;
    int dmColor = DMCOLOR_COLOR;
    int dmDuplex = DMDUP_SIMPLEX;
    int dmCollate = 0;
    int dmDitherType = 1;
};

// Device metrics in device pixels, taken in portrait.
struct Metrics {
    int physicalWidth = 0;
    int physicalHeight = 0;
    int printableWidth = 0;
    int printableHeight = 0;
    int offsetX = 0; // unprintable left border
    int offsetY = 0; // unprintable top border
    int offsetRight = 0; // unprintable right border
    int dpiX = 0;
    int dpiY = 0;
    int landscapeRotation = 0; // degrees the driver turns landscape pages: 0, 90 or 270
};

// The fixed reference device: A4 at 300 dpi, offsets 65/50/58/50.
Metrics fixedMetrics();

// A paint device that only answers metrics (300 dpi, A4): the layout reference when no
// printer can be used. It cannot be painted on.
class ReferenceDevice : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric m) const override;
};

// Names of the installed printers, in the system's order, and the index of the default one
// (-1 when there is none).
QStringList printerNames();
int defaultPrinterIndex();

// Maps the DEVMODE paper codes the system uses to sizes Qt knows; false for unknown codes.
bool paperFromCode(int code, int &qtPageSizeId);
int codeFromPaper(int qtPageSizeId);

// One selected printer with its device mode and, while printing, its job.
class PrinterDevice
{
public:
    PrinterDevice();
    ~PrinterDevice();
    PrinterDevice(const PrinterDevice &) = delete;
    PrinterDevice &operator=(const PrinterDevice &) = delete;

    // Re-reads the system's printer list and selects the default printer.
    void refresh();
    QStringList printers() const { return m_names; }
    bool hasPrinters() const { return !m_names.isEmpty(); }
    int printerIndex() const { return m_index; }
    QString printerName() const { return m_name; }
    // Selects by index with the driver's default device mode; false for a bad index.
    bool selectPrinter(int index);
    // Selects by name; a name that is not installed stays selected but cannot be opened.
    void selectPrinter(const QString &name);

    // Whether the selected printer can be opened (an information context would succeed).
    bool canOpen() const;
    // Portrait metrics of the selected printer, or the fixed ones when it cannot be opened.
    Metrics metrics() const;
    // The device text is laid out for: the printer, or the fixed 300 dpi reference device.
    QPaintDevice *referenceDevice();

    // Device mode of the selected printer; false when there is none (no printer).
    bool deviceMode(DEVMODE &mode) const;
    // Applies the fields named in dmFields; false when there is no device mode to write.
    bool setDeviceMode(const DEVMODE &mode);
    // Resets the device mode to the driver's defaults.
    void resetDeviceMode();
    bool landscape() const;

    // Print job. startDoc sends output to the selected printer, or to a PDF file when an output
    // file is set (used by tests and to print to a file).
    void setOutputFileName(const QString &fileName);
    bool startDoc(const QString &title);
    bool newPage();
    bool endDoc();
    // Ends the job, throwing its pages away where the driver allows; true when it did.
    bool abortDoc();
    bool isPrinting() const { return m_painter != nullptr; }
    QPainter *painter() const { return m_painter.get(); }
    QString errorString() const { return m_error; }

private:
    void createPrinter();

    QStringList m_names;
    int m_index = -1;
    QString m_name;
    QString m_outputFile;
    QString m_error;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    ReferenceDevice m_reference;
    Metrics m_jobMetrics;
    // Device-mode fields Qt has no setting for (or that a driver may not support) are kept here.
    int m_quality = -3;
    int m_dither = 1;
    int m_duplex = DMDUP_SIMPLEX;
};

} // namespace printing
