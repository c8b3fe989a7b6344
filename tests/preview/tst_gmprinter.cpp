// Printing: pages per sheet, device-mode values, the no-printer path, and real jobs through
// the CUPS "PDF" queue (cups-pdf), checked with pdfinfo and pdftoppm.
#include "preview/GmPageList.h"
#include "preview/GmPrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString pdfQueue = QStringLiteral("PDF");

QString pdfOutputDir()
{
    const QString env = qEnvironmentVariable("SCV_PDF_OUT");
    return env.isEmpty() ? QStringLiteral("/var/spool/cups-pdf/scrivelle") : env;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Waits for the PDF that cups-pdf writes for a job title.
QString waitForPdf(const QString &title)
{
    QElapsedTimer timer;
    timer.start();
    QDir dir(pdfOutputDir());
    while (timer.elapsed() < 60000) {
        const QStringList files = dir.entryList({title + QStringLiteral("*.pdf")}, QDir::Files);
        if (!files.isEmpty()) {
            const QString path = dir.filePath(files.first());
            // Done when the size stops changing.
            const qint64 size = QFileInfo(path).size();
            QTest::qWait(300);
            if (size > 0 && QFileInfo(path).size() == size)
                return path;
        }
        QTest::qWait(200);
    }
    return QString();
}

struct PdfInfo {
    int pages = 0;
    QList<QSizeF> sizes; // points
};

PdfInfo pdfInfo(const QString &path)
{
    PdfInfo info;
    const QString out = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                        QStringLiteral("-l"), QStringLiteral("99"),
                                                        path});
    const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"),
                                   QRegularExpression::MultilineOption);
    info.pages = pages.match(out).captured(1).toInt();
    const QRegularExpression size(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+)"),
                                  QRegularExpression::MultilineOption);
    for (auto it = size.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        info.sizes.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return info;
}

// One sheet of a PDF rasterised in grey at 50 dpi.
QImage pdfSheet(const QString &path, int sheet)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("sheet"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"),
                                     QStringLiteral("-gray"), QStringLiteral("-singlefile"),
                                     QStringLiteral("-f"), QString::number(sheet),
                                     QStringLiteral("-l"), QString::number(sheet), path, prefix});
    return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// Bounding box of the dark pixels inside an area of the image.
QRect inkBox(const QImage &img, const QRect &area)
{
    QRect box;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar *line = img.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (line[x] < 160)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestGmPrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sheetCells_data();
    void sheetCells();
    void newSheets_data();
    void newSheets();
    void paperCodes_data();
    void paperCodes();
    void twoPerSheetScaleOfA4Is70();
    void landscapeTurnsMetrics();
    void noPrinterUsesFixedMetricsAndRefusesJob();
    void deviceModeValuesRoundTrip();
    void printsPagesPerSheet_data();
    void printsPagesPerSheet();
    void printsCurrentPageOnly();
    void paperSizeReachesThePrinter_data();
    void paperSizeReachesThePrinter();
    void beforePrintCanAbort();

private:
    bool havePdfPrinter();
    void makeFivePages(TGmPageList &list);
    bool m_cupsReady = false;
};

void TestGmPrinter::initTestCase()
{
    // Bring the virtual printer up when the project's script is there.
    const QString script = QStringLiteral(SCV_SOURCE_DIR "/scripts/printer.sh");
    if (!printing::printerNames().contains(pdfQueue) && QFileInfo::exists(script))
        run(QStringLiteral("bash"), {script});
    m_cupsReady = printing::printerNames().contains(pdfQueue)
        && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()
        && QFileInfo(pdfOutputDir()).isDir();
}

bool TestGmPrinter::havePdfPrinter()
{
    return m_cupsReady;
}

void TestGmPrinter::sheetCells_data()
{
    QTest::addColumn<int>("perSheet");
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QRect>("cell");
    QTest::addColumn<int>("scale");
    const int b = 3508, c = 2480; // landscape A4 at 300 dpi
    QTest::newRow("one") << int(gmOnePage) << 7 << false << QRect(0, 0, c, b) << 100;
    QTest::newRow("two, page 1 left") << int(gmTwoPage) << 1 << true << QRect(0, 0, 1754, c) << 70;
    QTest::newRow("two, page 2 right") << int(gmTwoPage) << 2 << true
                                       << QRect(1754, 0, 1754, c) << 70;
    QTest::newRow("two, page 3 left") << int(gmTwoPage) << 3 << true << QRect(0, 0, 1754, c) << 70;
    QTest::newRow("four, 1 top-left") << int(gmFourPage) << 1 << false << QRect(0, 0, 1240, 1754)
                                      << 49;
    QTest::newRow("four, 2 top-right") << int(gmFourPage) << 2 << false
                                       << QRect(1240, 0, 1240, 1754) << 49;
    QTest::newRow("four, 3 bottom-left") << int(gmFourPage) << 3 << false
                                         << QRect(0, 1754, 1240, 1754) << 49;
    QTest::newRow("four, 4 bottom-right") << int(gmFourPage) << 4 << false
                                          << QRect(1240, 1754, 1240, 1754) << 49;
    QTest::newRow("four, 5 top-left again") << int(gmFourPage) << 5 << false
                                            << QRect(0, 0, 1240, 1754) << 49;
}

void TestGmPrinter::sheetCells()
{
    QFETCH(int, perSheet);
    QFETCH(int, n);
    QFETCH(bool, landscape);
    QFETCH(QRect, cell);
    QFETCH(int, scale);
    const int b = landscape ? 3508 : 2480;
    const int c = landscape ? 2480 : 3508;
    const TGmSheetCell sc = gmSheetCell(TGmPagesPerSheet(perSheet), n, b, c, landscape);
    QCOMPARE(sc.cell, cell);
    QCOMPARE(sc.scalePercent, scale);
}

void TestGmPrinter::newSheets_data()
{
    QTest::addColumn<int>("perSheet");
    QTest::addColumn<QString>("sheetsAfter"); // old counters 1..8 that start a sheet
    QTest::newRow("one") << int(gmOnePage) << "1,2,3,4,5,6,7,8";
    QTest::newRow("two") << int(gmTwoPage) << "2,4,6,8";
    QTest::newRow("four") << int(gmFourPage) << "4,8";
}

void TestGmPrinter::newSheets()
{
    QFETCH(int, perSheet);
    QFETCH(QString, sheetsAfter);
    QStringList got;
    for (int a = 1; a <= 8; ++a) {
        if (gmStartsNewSheet(TGmPagesPerSheet(perSheet), a))
            got << QString::number(a);
    }
    QCOMPARE(got.join(','), sheetsAfter);
}

void TestGmPrinter::paperCodes_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("code");
    QTest::newRow("A3") << int(TGmPaperSize::A3) << 8;
    QTest::newRow("A4") << int(TGmPaperSize::A4) << 9;
    QTest::newRow("A6") << int(TGmPaperSize::A6) << 70;
    QTest::newRow("C5") << int(TGmPaperSize::C5) << 28;
    QTest::newRow("Letter") << int(TGmPaperSize::Letter) << 1;
    QTest::newRow("Ledger") << int(TGmPaperSize::Ledger) << 4;
    QTest::newRow("C6") << int(TGmPaperSize::C6) << -1;
    QTest::newRow("Custom") << int(TGmPaperSize::Custom) << -1;
    QTest::newRow("Envelope_DL") << int(TGmPaperSize::Envelope_DL) << -1;
}

void TestGmPrinter::paperCodes()
{
    QFETCH(int, paper);
    QFETCH(int, code);
    QCOMPARE(gmPaperCode(TGmPaperSize(paper)), code);
}

void TestGmPrinter::twoPerSheetScaleOfA4Is70()
{
    // From the sheet's pixel sizes at any resolution.
    for (int dpi : {300, 600, 1200}) {
        const int b = int(gmRound(297 / 25.4L * dpi));
        const int c = int(gmRound(210 / 25.4L * dpi));
        QCOMPARE(gmSheetCell(gmTwoPage, 1, b, c, true).scalePercent, 70);
    }
}

void TestGmPrinter::landscapeTurnsMetrics()
{
    printing::Metrics m = printing::fixedMetrics();
    m.dpiX = 300;
    m.dpiY = 600;
    m.physicalHeight = 7014; // 11.69 in at 600
    m.printableHeight = 7014 - 100 - 90;
    const TGmOrientedMetrics p = TGmPrinterInfo::oriented(m, false);
    QCOMPARE(p.ppiX, 300);
    QCOMPARE(p.ppiY, 600);
    QCOMPARE(p.widthInches, 2481 / 300.0L);
    QCOMPARE(p.heightInches, 7014 / 600.0L);
    QCOMPARE(QList<int>({p.left, p.top, p.right, p.bottom}), QList<int>({65, 50, 58, 140}));
    const TGmOrientedMetrics l = TGmPrinterInfo::oriented(m, true);
    QCOMPARE(l.ppiX, 600);
    QCOMPARE(l.ppiY, 300);
    QCOMPARE(l.widthInches, 7014 / 600.0L);
    QCOMPARE(l.heightInches, 2481 / 300.0L);
    QCOMPARE(QList<int>({l.left, l.top, l.right, l.bottom}), QList<int>({50, 58, 140, 65}));
}

void TestGmPrinter::noPrinterUsesFixedMetricsAndRefusesJob()
{
    // Given a printer that cannot be opened
    TGmPageList list;
    TGmPrinter &printer = list.GmPrinter();
    printer.SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer"));
    const TGmPrinterInfo &info = printer.PrinterInfo();
    QVERIFY(info.cannotOpen());
    QCOMPARE(info.PixelsPerInchX(), 300);
    QCOMPARE(info.PixelsPerInchY(), 300);
    QCOMPARE(info.PhysicalWidthInches(), 2481 / 300.0L);
    QCOMPARE(info.PhysicalHeightInches(), 3507 / 300.0L);
    QCOMPARE(info.OffsetLeft(), 65);
    QCOMPARE(info.OffsetTop(), 50);
    QCOMPARE(info.OffsetRight(), 58);
    QCOMPARE(info.OffsetBottom(), 50);
    QCOMPARE(printer.Device()->logicalDpiX(), 300);
    QCOMPARE(printer.Device()->logicalDpiY(), 300);
    // Reads without a device mode give the defaults.
    QCOMPARE(printer.PrintColor(), gmColor);
    QCOMPARE(printer.PrintCopies(), 1);
    QCOMPARE(printer.PrintQuality(), gmMedium);
    QCOMPARE(printer.DitherType(), gmNone);
    QCOMPARE(printer.Duplex(), gmSimplex);
    QVERIFY(!printer.Collate());

    // When all pages are printed, the message shows and nothing else happens
    QStringList messages;
    int before = 0;
    int progress = 0;
    printer.OnMessage = [&](const QString &m) { messages << m; };
    printer.BeforePrint = [&] { ++before; };
    list.Events.OnPrintProgress = [&](int, int) { ++progress; };
    list.AddPage();
    QVERIFY(!list.PrintPages(1, list.Count()));
    QCOMPARE(messages, QStringList{QStringLiteral("Unable to print... No Printer available.")});
    QCOMPARE(before, 0);
    QCOMPARE(progress, 0);
    QVERIFY(!printer.Printing());
}

void TestGmPrinter::deviceModeValuesRoundTrip()
{
    if (!havePdfPrinter())
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    TGmPrinter printer;
    printer.SelectPrinter(printer.Printers().indexOf(pdfQueue));
    QVERIFY(!printer.PrinterInfo().cannotOpen());
    printer.SetPrintColor(gmMonochrome);
    printer.SetPrintCopies(3);
    printer.SetCollate(true);
    printer.SetPrintQuality(gmHigh);
    printer.SetDitherType(gmGrayScale);
    printer.SetDuplex(gmVertDuplex);
    QCOMPARE(printer.PrintColor(), gmMonochrome);
    QCOMPARE(printer.PrintCopies(), 3);
    QVERIFY(printer.Collate());
    QCOMPARE(printer.PrintQuality(), gmHigh);
    QCOMPARE(printer.DitherType(), gmGrayScale);
    QCOMPARE(printer.Duplex(), gmVertDuplex);
    // Selecting the printer again brings the driver's defaults back.
    int changes = 0;
    printer.OnChangePrinter = [&] { ++changes; };
    printer.SelectPrinter(printer.PrinterIndex());
    QCOMPARE(changes, 1);
    QCOMPARE(printer.PrintCopies(), 1);
    QCOMPARE(printer.DitherType(), gmNone);
}

void TestGmPrinter::makeFivePages(TGmPageList &list)
{
    list.GmPrinter().SelectPrinter(list.GmPrinter().Printers().indexOf(pdfQueue));
    for (int i = 1; i < 5; ++i)
        list.AddPage();
    list.Footer().setVisible(true);
    list.Footer().setCaption(TGmHeaderFooter::CenterCaption, QStringLiteral("Sheet test {PAGE}"));
}

void TestGmPrinter::printsPagesPerSheet_data()
{
    QTest::addColumn<int>("perSheet");
    QTest::addColumn<bool>("landscapePages");
    QTest::addColumn<int>("sheets");
    QTest::addColumn<bool>("landscapeSheets");
    QTest::newRow("one") << int(gmOnePage) << false << 5 << false;
    QTest::newRow("two") << int(gmTwoPage) << false << 3 << true;
    QTest::newRow("four") << int(gmFourPage) << false << 2 << false;
    QTest::newRow("one, landscape pages") << int(gmOnePage) << true << 5 << true;
    QTest::newRow("two, landscape pages") << int(gmTwoPage) << true << 3 << false;
}

void TestGmPrinter::printsPagesPerSheet()
{
    if (!havePdfPrinter())
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    QFETCH(int, perSheet);
    QFETCH(bool, landscapePages);
    QFETCH(int, sheets);
    QFETCH(bool, landscapeSheets);

    // Given five A4 pages printed n per sheet
    TGmPageList list;
    makeFivePages(list);
    if (landscapePages)
        list.SetOrientation(gmLandscape);
    list.SetPagesPerSheet(TGmPagesPerSheet(perSheet));
    const QString title = QStringLiteral("scvsheets%1x%2x%3")
                              .arg(perSheet)
                              .arg(int(landscapePages))
                              .arg(QCoreApplication::applicationPid());
    list.GmPrinter().Title = title;
    QList<QPair<int, int>> progress;
    int after = 0;
    list.Events.OnPrintProgress = [&](int i, int n) { progress.append({i, n}); };
    list.GmPrinter().AfterPrint = [&] { ++after; };

    // When all pages are printed
    QVERIFY(list.PrintPages(1, list.Count()));
    QCOMPARE(progress.size(), 5);
    QCOMPARE(progress.last(), qMakePair(5, 5));
    QCOMPARE(after, 1);

    // Then the PDF has the expected number of A4 sheets. The queue's paper is A4 portrait:
    // CUPS turns landscape sheets onto it, so their orientation shows in the content.
    const QString pdf = waitForPdf(title);
    QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no file");
    const PdfInfo info = pdfInfo(pdf);
    QCOMPARE(info.pages, sheets);
    QCOMPARE(info.sizes.size(), sheets);
    for (const QSizeF &s : info.sizes) {
        QVERIFY2(qAbs(s.width() - 595) < 2 && qAbs(s.height() - 842) < 2,
                 qPrintable(QStringLiteral("%1 x %2").arg(s.width()).arg(s.height())));
    }
    // Every page has a footer with its line: one ink mark per page, a horizontal one on a
    // portrait sheet, a vertical one on a turned landscape sheet.
    const QImage first = pdfSheet(pdf, 1);
    const QImage last = pdfSheet(pdf, sheets);
    QVERIFY(!first.isNull() && !last.isNull());
    const int w = first.width();
    const int h = first.height();
    auto along = [landscapeSheets](const QRect &box) {
        return landscapeSheets ? box.height() > 3 * box.width() : box.width() > 3 * box.height();
    };
    const QRect top(0, 0, w, h / 2);
    const QRect bottom(0, h / 2, w, h - h / 2);
    if (perSheet == gmOnePage) {
        const QRect box = inkBox(first, first.rect());
        QVERIFY(!box.isEmpty() && along(box));
    } else if (perSheet == gmTwoPage) {
        // Pages 1 and 2 on one sheet; the last sheet holds page 5 alone.
        const QRect a = inkBox(first, top);
        const QRect b = inkBox(first, bottom);
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        QVERIFY(along(a) && along(b));
        QVERIFY((inkBox(last, top).isEmpty()) != (inkBox(last, bottom).isEmpty()));
    } else {
        // Four cells on the first sheet; page 5 alone top-left on the second.
        for (const QRect &q : {QRect(0, 0, w / 2, h / 2), QRect(w / 2, 0, w - w / 2, h / 2),
                               QRect(0, h / 2, w / 2, h - h / 2),
                               QRect(w / 2, h / 2, w - w / 2, h - h / 2)})
            QVERIFY(!inkBox(first, q).isEmpty());
        const QRect box = inkBox(last, last.rect());
        QVERIFY(!box.isEmpty());
        QVERIFY(box.right() < w / 2 && box.bottom() < h / 2);
    }
    QFile::remove(pdf);
}

void TestGmPrinter::printsCurrentPageOnly()
{
    if (!havePdfPrinter())
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    // Given five pages whose footers differ only by their number, printed all and then the
    // current one (page 3)
    TGmPageList list;
    makeFivePages(list);
    const QString all = QStringLiteral("scvall%1").arg(QCoreApplication::applicationPid());
    list.GmPrinter().Title = all;
    QVERIFY(list.PrintPages(1, list.Count()));
    list.SetCurrentPage(3);
    const QString title = QStringLiteral("scvcurrent%1").arg(QCoreApplication::applicationPid());
    list.GmPrinter().Title = title;
    QVERIFY(list.PrintPages(list.CurrentPage(), list.CurrentPage()));

    // Then one sheet comes out, the same as the third sheet of the whole document
    const QString allPdf = waitForPdf(all);
    const QString pdf = waitForPdf(title);
    QVERIFY(!pdf.isEmpty() && !allPdf.isEmpty());
    QCOMPARE(pdfInfo(pdf).pages, 1);
    const QImage sheet = pdfSheet(pdf, 1);
    QVERIFY(!inkBox(sheet, sheet.rect()).isEmpty());
    QCOMPARE(sheet, pdfSheet(allPdf, 3));
    QVERIFY(sheet != pdfSheet(allPdf, 2));
    QVERIFY(sheet != pdfSheet(allPdf, 4));
    QFile::remove(pdf);
    QFile::remove(allPdf);
}

void TestGmPrinter::paperSizeReachesThePrinter_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<QSizeF>("points");
    QTest::newRow("A5") << int(TGmPaperSize::A5) << QSizeF(421, 595);
    QTest::newRow("A3") << int(TGmPaperSize::A3) << QSizeF(842, 1191);
    QTest::newRow("Letter") << int(TGmPaperSize::Letter) << QSizeF(612, 792);
}

void TestGmPrinter::paperSizeReachesThePrinter()
{
    if (!havePdfPrinter())
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    QFETCH(int, paper);
    QFETCH(QSizeF, points);
    TGmPageList list;
    list.GmPrinter().SelectPrinter(list.GmPrinter().Printers().indexOf(pdfQueue));
    list.SetPaperSize(TGmPaperSize(paper));
    list.Header().setVisible(true);
    list.Header().setCaption(0, QStringLiteral("Paper"));
    const QString title = QStringLiteral("scvpaper%1x%2")
                              .arg(paper)
                              .arg(QCoreApplication::applicationPid());
    list.GmPrinter().Title = title;
    QVERIFY(list.PrintPages(1, 1));
    const QString pdf = waitForPdf(title);
    QVERIFY(!pdf.isEmpty());
    const PdfInfo info = pdfInfo(pdf);
    QCOMPARE(info.pages, 1);
    QVERIFY2(qAbs(info.sizes.first().width() - points.width()) < 2
                 && qAbs(info.sizes.first().height() - points.height()) < 2,
             qPrintable(QStringLiteral("%1 x %2").arg(info.sizes.first().width())
                            .arg(info.sizes.first().height())));
    QFile::remove(pdf);
}

void TestGmPrinter::beforePrintCanAbort()
{
    if (!havePdfPrinter())
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    TGmPageList list;
    makeFivePages(list);
    int progress = 0;
    list.Events.OnPrintProgress = [&](int, int) { ++progress; };
    list.GmPrinter().BeforePrint = [&] { list.GmPrinter().Abort(); };
    QVERIFY(!list.PrintPages(1, 5));
    QCOMPARE(progress, 0);
    QVERIFY(!list.GmPrinter().Printing());

    // Aborted after the second page: the job is ended, not left open; what CUPS receives
    // (it cannot take a job back) is the two pages drawn, without a blank third sheet.
    list.GmPrinter().BeforePrint = nullptr;
    int aborts = 0;
    int after = 0;
    list.GmPrinter().OnAbortPrint = [&] { ++aborts; };
    list.GmPrinter().AfterPrint = [&] { ++after; };
    list.Events.OnPrintProgress = [&](int i, int) {
        ++progress;
        if (i == 2)
            list.GmPrinter().Abort();
    };
    const QString title = QStringLiteral("scvabort%1").arg(QCoreApplication::applicationPid());
    list.GmPrinter().Title = title;
    QVERIFY(!list.PrintPages(1, 5));
    QCOMPARE(progress, 2);
    QCOMPARE(aborts, 1);
    QCOMPARE(after, 1);
    QVERIFY(!list.GmPrinter().Printing());
    const QString pdf = waitForPdf(title);
    QVERIFY(!pdf.isEmpty());
    QCOMPARE(pdfInfo(pdf).pages, 2);
    QFile::remove(pdf);
    // And the printer takes the next job.
    list.Events.OnPrintProgress = nullptr;
    list.GmPrinter().Title = title + QStringLiteral("next");
    QVERIFY(list.PrintPages(1, 1));
    const QString next = waitForPdf(title + QStringLiteral("next"));
    QCOMPARE(pdfInfo(next).pages, 1);
    QFile::remove(next);
}

QTEST_MAIN(TestGmPrinter)
#include "tst_gmprinter.moc"
