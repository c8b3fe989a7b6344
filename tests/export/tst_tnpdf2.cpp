// The PDF writer: exact bytes of a small document, object numbering for several shapes,
// placement at two screen resolutions, streams with and without compression, the calling
// protocol, staged-file clean-up on every path, and the outside PDF tools.

#include "export/tnpdf2.h"
#include "support/PdfInspect.h"
#include "zlib/ZStream.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace pdfinspect;

namespace {

QDateTime fixedDate()
{
    return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
}

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A writer as the export sets it up, with the date and the screen fixed.
void setUp(TPrintPDF1 &w, const QString &fileName, bool compress = true)
{
    w.FileName = fileName;
    w.PageWidth = 596;
    w.PageHeight = 842;
    w.Compress = compress;
    w.setClock(fixedDate);
    w.setScreenDpi(QSize(96, 96));
}

// Three by two pixels: red, blue, white / white, white, green.
QImage tinyBitmap()
{
    QImage im(3, 2, QImage::Format_RGB32);
    im.fill(Qt::white);
    im.setPixel(0, 0, qRgb(255, 0, 0));
    im.setPixel(1, 0, qRgb(0, 0, 255));
    im.setPixel(2, 1, qRgb(0, 128, 0));
    return im;
}

QByteArray fontObject(int number, int k, const char *name)
{
    return QByteArray::number(number) + " 0 obj\r\n<< /Type /Font\r\n/Subtype /Type1\r\n/Name /F"
        + QByteArray::number(k) + "\r\n/BaseFont /" + name
        + "\r\n/Encoding /WinAnsiEncoding\r\n>>\r\nendobj\r\n";
}

} // namespace

class TestTnpdf2 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void exactBytesOfOnePageWithOneImage()
    {
        // Given one page with a 3 x 2 bitmap, uncompressed, when the document is written,
        // then every byte is as laid out, offsets included.
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("golden.pdf")), false);
        w.TITLE = QStringLiteral("t.pdf");
        w.BeginDoc();
        QImage im = tinyBitmap();
        w.Draw(25, 20, im);
        w.EndDoc();

        QByteArray expected = crlf("%PDF-1.4\n1 0 obj\n<<\n/Producer (Scrivelle PDF writer)\n"
                                   "/Author (Scrivelle PDF writer)\n"
                                   "/CreationDate (D:20260304050607)\n"
                                   "/Creator (Scrivelle PDF writer)\n/Keywords ()\n/Subject ()\n"
                                   "/Title (t.pdf)\n/ModDate ()\n>>\nendobj\n"
                                   "2 0 obj\n<< /Length 3 0 R\n >>\nstream\n"
                                   "q\n2 0 0 1 25 821 cm\n/Im1 Do\nQ\nendstream\nendobj\n"
                                   "3 0 obj\n34\nendobj\n"
                                   "4 0 obj\n<< /Type /Outlines\n/Count 0\n>>\nendobj\n");
        const char *fonts[] = {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique",
                               "Helvetica-BoldOblique", "Courier", "Courier-Bold",
                               "Courier-Oblique", "Courier-BoldOblique", "Times-Roman",
                               "Times-Bold", "Times-Italic", "Times-BoldItalic", "Symbol",
                               "ZapfDingbats"};
        for (int k = 1; k <= 14; ++k)
            expected += fontObject(4 + k, k, fonts[k - 1]);
        expected += crlf("19 0 obj\n<< /Type /Pages\n/Kids [\n22 0 R\n]\n/Count 1\n>>\nendobj\n"
                         "20 0 obj\n<< /ProcSet [ /PDF /Text /ImageC]\n/XObject << \n"
                         "/Im1 21 0 R\n>>\n/Font << \n/F1 5 0 R \n/F2 6 0 R \n/F3 7 0 R \n"
                         "/F4 8 0 R \n/F5 9 0 R \n/F6 10 0 R \n/F7 11 0 R \n/F8 12 0 R \n"
                         "/F9 13 0 R \n/F10 14 0 R \n/F11 15 0 R \n/F12 16 0 R \n"
                         "/F13 17 0 R \n/F14 18 0 R \n>>\n>>\nendobj\n"
                         "21 0 obj\n<< /Type /XObject\n/Subtype /Image\n/Width 3\n/Height 2\n"
                         "/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n/Length 18\n"
                         "/Name /Im1\n>>\nstream\n");
        expected += QByteArray::fromHex("ff00000000ffffffff" "ffffffffffff008000");
        expected += crlf("\nendstream\nendobj\n"
                         "22 0 obj\n<< /Type /Page\n/Parent 19 0 R\n/MediaBox [ 0 0 596 842]\n"
                         "/Contents 2 0 R\n/Resources 20 0 R\n>>\nendobj\n"
                         "23 0 obj\n<< /Type /Catalog\n/Pages 19 0 R\n/Outlines 4 0 R\n>>\n"
                         "endobj\nxref\n0 24\n0000000000 65535 f\n"
                         "0000000010 00000 n\n0000000224 00000 n\n0000000317 00000 n\n"
                         "0000000338 00000 n\n0000000389 00000 n\n0000000504 00000 n\n"
                         "0000000624 00000 n\n0000000747 00000 n\n0000000874 00000 n\n"
                         "0000000987 00000 n\n0000001106 00000 n\n0000001228 00000 n\n"
                         "0000001354 00000 n\n0000001472 00000 n\n0000001590 00000 n\n"
                         "0000001710 00000 n\n0000001834 00000 n\n0000001948 00000 n\n"
                         "0000002068 00000 n\n0000002137 00000 n\n0000002422 00000 n\n"
                         "0000002609 00000 n\n0000002725 00000 n\n"
                         "trailer\n<< /Size 24\n/Root 23 0 R\n/Info 1 0 R\n>>\nstartxref\n"
                         "2798\n%%EOF\n");
        const QByteArray actual = readAll(w.FileName);
        if (actual != expected) {
            qsizetype at = 0;
            while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
                ++at;
            qWarning("first difference at byte %lld:\nactual:   %s\nexpected: %s",
                     qint64(at), actual.mid(at, 40).toHex(' ').constData(),
                     expected.mid(at, 40).toHex(' ').constData());
        }
        QCOMPARE(actual, expected);
    }

    void objectNumbering_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("drawsPerPage");
        QTest::addColumn<bool>("compress");
        QTest::newRow("1 page, 1 image") << 1 << 1 << true;
        QTest::newRow("1 page, nothing drawn") << 1 << 0 << true;
        QTest::newRow("3 pages, 2 images each") << 3 << 2 << true;
        QTest::newRow("4 pages, 1 image each, uncompressed") << 4 << 1 << false;
    }
    void objectNumbering()
    {
        QFETCH(int, pages);
        QFETCH(int, drawsPerPage);
        QFETCH(bool, compress);
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("numbering.pdf")), compress);
        w.BeginDoc();
        for (int p = 0; p < pages; ++p) {
            if (p > 0)
                w.NewPage();
            for (int d = 0; d < drawsPerPage; ++d) {
                QImage im = tinyBitmap();
                w.Draw(25, 20 + d, im);
            }
        }
        QCOMPARE(w.PageNumber(), pages);
        w.EndDoc();
        QVERIFY(!w.isOpen());

        const QByteArray pdf = readAll(w.FileName);
        const int n = pages, m = pages * drawsPerPage;
        const int size = 3 * n + m + 20, catalog = size - 1, pagesTree = 2 * n + 17;
        QVERIFY(pdf.contains("\r\nxref\r\n0 " + QByteArray::number(size) + "\r\n"));
        QVERIFY(pdf.contains("<< /Size " + QByteArray::number(size) + "\r\n/Root "
                             + QByteArray::number(catalog) + " 0 R\r\n"));

        // Every listed offset is where its object starts; startxref names the "xref" line.
        const QList<qint64> offsets = xrefOffsets(pdf);
        QCOMPARE(offsets.size(), catalog);
        QCOMPARE(offsets.first(), qint64(10));
        for (int k = 1; k <= catalog; ++k)
            QVERIFY2(pdf.mid(offsets[k - 1]).startsWith(QByteArray::number(k) + " 0 obj\r\n"),
                     qPrintable(QString::number(k)));
        const qsizetype xref = pdf.lastIndexOf("\r\nxref\r\n") + 2;
        QVERIFY(pdf.endsWith("startxref\r\n" + QByteArray::number(xref) + "\r\n%%EOF\r\n"));

        QVERIFY(object(pdf, 2 * n + 2).contains("/Type /Outlines"));
        QVERIFY(object(pdf, 2 * n + 3).contains("/BaseFont /Helvetica\r\n"));
        QVERIFY(object(pdf, 2 * n + 16).contains("/BaseFont /ZapfDingbats\r\n"));
        QVERIFY(object(pdf, pagesTree).contains("/Count " + QByteArray::number(n) + "\r\n"));
        for (int i = 1; i <= m; ++i)
            QVERIFY(object(pdf, pagesTree + 1 + i).contains("/Name /Im" + QByteArray::number(i)));
        for (int k = 1; k <= n; ++k) {
            const QByteArray page = object(pdf, pagesTree + 1 + m + k);
            QVERIFY(page.contains("/Contents " + QByteArray::number(2 * k) + " 0 R\r\n"));
            QVERIFY(object(pdf, pagesTree).contains(
                "\r\n" + QByteArray::number(pagesTree + 1 + m + k) + " 0 R\r\n"));
            // Image numbers run on across pages: page k shows the images drawn on it.
            QByteArray ops = streamData(pdf, 2 * k);
            if (compress)
                ops = zstream::inflate(ops).data;
            QCOMPARE(ops.count("/Im"), drawsPerPage);
            for (int d = 1; d <= drawsPerPage; ++d)
                QVERIFY(ops.contains("/Im" + QByteArray::number((k - 1) * drawsPerPage + d)
                                     + " Do\r\n"));
        }
        QVERIFY(object(pdf, catalog).contains("/Pages " + QByteArray::number(pagesTree)));
    }

    void placementLine_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("page bitmap at 96 dpi")
            << 96 << 693 << 950 << QByteArray("537 0 0 784 25 38 cm");
        QTest::newRow("page bitmap at 120 dpi")
            << 120 << 693 << 950 << QByteArray("430 0 0 627 25 195 cm");
        QTest::newRow("taller than the page: negative y")
            << 96 << 10 << 1100 << QByteArray("7 0 0 908 25 -86 cm");
    }
    void placementLine()
    {
        QFETCH(int, dpi);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QByteArray, expected);
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("placement.pdf")), false);
        w.setScreenDpi(QSize(dpi, dpi));
        w.BeginDoc();
        QImage im(width, height, QImage::Format_RGB32);
        im.fill(Qt::white);
        w.Draw(25, 20, im);
        w.EndDoc();
        QCOMPARE(streamData(readAll(w.FileName), 2),
                 crlf("q\n") + expected + crlf("\n/Im1 Do\nQ\n"));
    }

    void streamsWithAndWithoutCompression_data()
    {
        QTest::addColumn<bool>("compress");
        QTest::newRow("Compress on") << true;
        QTest::newRow("Compress off") << false;
    }
    void streamsWithAndWithoutCompression()
    {
        QFETCH(bool, compress);
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("streams.pdf")), compress);
        w.BeginDoc();
        QImage im = tinyBitmap();
        w.Draw(25, 20, im);
        w.NewPage(); // the second page stays empty
        w.EndDoc();
        const QByteArray pdf = readAll(w.FileName);

        QCOMPARE(pdf.contains("/Filter"), compress);
        const QByteArray ops1 = crlf("q\n2 0 0 1 25 821 cm\n/Im1 Do\nQ\n");
        const QByteArray pixels = QByteArray::fromHex("ff00000000ffffffffffffffffffff008000");
        // The length objects hold exactly the bytes between "stream" and "endstream".
        QCOMPARE(object(pdf, 3), crlf("3 0 obj\n") + QByteArray::number(streamData(pdf, 2).size())
                                     + crlf("\nendobj\n"));
        QVERIFY(object(pdf, 2).endsWith(streamData(pdf, 2) + crlf("endstream\nendobj\n")));
        if (compress) {
            QCOMPARE(zstream::inflate(streamData(pdf, 2)).data, ops1);
            QCOMPARE(zstream::inflate(streamData(pdf, 4)).data, QByteArray());
            QCOMPARE(streamData(pdf, 4).left(1), QByteArray("\x78")); // a zlib stream
            QCOMPARE(zstream::inflate(streamData(pdf, 23)).data, pixels);
            QVERIFY(object(pdf, 23).contains("/Filter [/FlateDecode]\r\n>>"));
        } else {
            QCOMPARE(streamData(pdf, 2), ops1);
            QCOMPARE(object(pdf, 3), crlf("3 0 obj\n34\nendobj\n"));
            QCOMPARE(object(pdf, 5), crlf("5 0 obj\n0\nendobj\n"));
            QCOMPARE(streamData(pdf, 23), pixels);
        }
    }

    void imagesCompressedAlongsideKeepTheirOrder()
    {
        // Given twelve pages, each with a bitmap of its own colour and size, when they are drawn
        // one after the other while earlier ones are still being compressed, then image n holds
        // page n's pixels.
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("order.pdf")));
        w.BeginDoc();
        QList<QByteArray> expected;
        const int pages = 12;
        for (int k = 0; k < pages; ++k) {
            if (k > 0)
                w.NewPage();
            QImage im(40 + k, 30 + 2 * k, QImage::Format_RGB32);
            im.fill(qRgb(10 * k, 255 - 10 * k, 3 * k));
            im.setPixel(k, k, qRgb(1, 2, 3));
            QImage copy = im.convertToFormat(QImage::Format_RGB888);
            QByteArray raw;
            for (int row = 0; row < copy.height(); ++row)
                raw.append(reinterpret_cast<const char *>(copy.constScanLine(row)),
                           copy.width() * 3);
            expected.append(raw);
            w.Draw(25, 20, im);
        }
        w.EndDoc();
        const QByteArray pdf = readAll(w.FileName);
        // Objects: info, 2 per page, outlines, 14 fonts, pages tree, resources, then images.
        const int firstImage = 1 + 2 * pages + 1 + 14 + 2 + 1;
        for (int k = 0; k < pages; ++k) {
            const QByteArray stream = streamData(pdf, firstImage + k);
            QCOMPARE(zstream::inflate(stream).data, expected[k]);
            QVERIFY(object(pdf, firstImage + k).contains("/Name /Im" + QByteArray::number(k + 1)));
        }
    }

    void beginDocTwiceKeepsOnlyTheSecondDocument()
    {
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("twice.pdf")));
        w.TITLE = QStringLiteral("first");
        w.BeginDoc();
        QImage im = tinyBitmap();
        w.Draw(25, 20, im);
        w.NewPage();
        w.Draw(25, 20, im);
        const QString firstStaging = w.stagingPath();

        w.TITLE = QStringLiteral("second");
        w.BeginDoc();
        QVERIFY(!QDir(firstStaging).exists());
        QCOMPARE(w.PageNumber(), 1);
        w.EndDoc();
        const QByteArray pdf = readAll(w.FileName);
        QCOMPARE(pdf.count("%PDF-1.4"), 1);
        QVERIFY(!pdf.contains("first"));
        QVERIFY(pdf.contains("/Title (second)"));
        QVERIFY(pdf.contains("<< /Size 23\r\n")); // one page, no image
    }

    void infoStringsStayOneLiteral_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain") << QStringLiteral("report.pdf") << QByteArray("(report.pdf)");
        QTest::newRow("parentheses and backslash")
            << QStringLiteral("a) b\\(c.pdf") << QByteArray("(a\\) b\\\\\\(c.pdf)");
        QTest::newRow("Latin-1") << QStringLiteral("caf\u00e9.pdf") << QByteArray("(caf\xe9.pdf)");
        QTest::newRow("beyond Latin-1: UTF-16BE")
            << QStringLiteral("\u20ac(") << QByteArray("(\xfe\xff \xac\\000\\()");
    }
    void infoStringsStayOneLiteral()
    {
        QFETCH(QString, title);
        QFETCH(QByteArray, written);
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("info.pdf")));
        w.TITLE = title;
        w.BeginDoc();
        w.EndDoc();
        QVERIFY(readAll(w.FileName).contains("\r\n/Title " + written + "\r\n/ModDate ()"));
        if (!haveTool("pdfinfo"))
            QSKIP("pdfinfo not installed");
        const ToolRun info = runTool(QStringLiteral("pdfinfo"), {w.FileName});
        QCOMPARE(info.exitCode, 0);
        QVERIFY2(QString::fromUtf8(info.out).contains(QStringLiteral("Title:           ") + title),
                 info.out.constData());
    }

    void callsOutOfOrderAreRefused()
    {
        TPrintPDF1 w;
        setUp(w, path(QStringLiteral("order.pdf")));
        QImage im = tinyBitmap();
        QVERIFY_THROWS_EXCEPTION(std::logic_error, w.Draw(0, 0, im));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, w.NewPage());
        QVERIFY_THROWS_EXCEPTION(std::logic_error, w.EndDoc());
        w.BeginDoc();
        w.EndDoc();
        QVERIFY_THROWS_EXCEPTION(std::logic_error, w.EndDoc());
        QVERIFY(!QFile::exists(path(QStringLiteral("order.pdf.tmp"))));
    }

    void failedDrawLeavesAConsistentDocument()
    {
        // Given no usable temporary folder, when Draw cannot stage its image, then it reports
        // the folder, and the document still finishes without a reference to that image.
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QByteArray savedTmp = qgetenv("TMPDIR");
        const QString blocked = plain.fileName() + QStringLiteral("/tmp");
        TPrintPDF1 w;
        setUp(w, dir.filePath(QStringLiteral("after-failure.pdf")));
        w.BeginDoc();
        QImage im = tinyBitmap();
        qputenv("TMPDIR", blocked.toLocal8Bit());
        QString error;
        try {
            w.Draw(25, 20, im);
        } catch (const std::runtime_error &e) {
            error = QString::fromStdString(e.what());
        }
        qputenv("TMPDIR", savedTmp);
        QCOMPARE(error, QStringLiteral("Cannot create file ") + blocked);
        w.NewPage();
        w.Draw(25, 20, im);
        w.EndDoc();
        const QByteArray pdf = readAll(w.FileName);
        QVERIFY(pdf.contains("<< /Size 27\r\n")); // two pages, one image
        QCOMPARE(zstream::inflate(streamData(pdf, 2)).data, QByteArray());
        QVERIFY(zstream::inflate(streamData(pdf, 4)).data.contains("/Im1 Do"));
    }

    void writersStageApartAndCleanUp()
    {
        // Two writers open at once never share staged files; each folder goes with its writer.
        TPrintPDF1 a, b;
        setUp(a, path(QStringLiteral("a.pdf")));
        setUp(b, path(QStringLiteral("b.pdf")));
        a.BeginDoc();
        b.BeginDoc();
        QImage red(20, 20, QImage::Format_RGB32), blue(20, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        blue.fill(Qt::blue);
        a.Draw(25, 20, red);
        b.Draw(25, 20, blue);
        QVERIFY(a.stagingPath() != b.stagingPath());
        const QString stagedA = a.stagingPath();
        QString stagedB = b.stagingPath();
        a.waitForStaging(); // images are staged by worker threads
        QVERIFY(QFile::exists(stagedA + QStringLiteral("/~tmpim1")));
        a.EndDoc();
        QVERIFY(!QDir(stagedA).exists());
        QVERIFY(QDir(stagedB).exists());
        {
            TPrintPDF1 dropped;
            setUp(dropped, path(QStringLiteral("dropped.pdf")));
            dropped.BeginDoc();
            dropped.Draw(25, 20, blue);
            const QString stagedDropped = dropped.stagingPath();
            QVERIFY(QDir(stagedDropped).exists());
            b.EndDoc();
            QVERIFY(!QDir(stagedB).exists());
            QVERIFY(QDir(stagedDropped).exists());
            // Destroying an open writer takes its staged files along.
            stagedB = stagedDropped;
        }
        QVERIFY(!QDir(stagedB).exists());
        QVERIFY(!QFile::exists(path(QStringLiteral("dropped.pdf"))));
        const QByteArray pdfA = readAll(a.FileName), pdfB = readAll(b.FileName);
        QCOMPARE(zstream::inflate(streamData(pdfA, 21)).data.left(3), QByteArray("\xff\0\0", 3));
        QCOMPARE(zstream::inflate(streamData(pdfB, 21)).data.left(3), QByteArray("\0\0\xff", 3));
    }

    void failedEndDocCleansUpAndKeepsEarlierFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("loseStagedFile");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder is a regular file")
            << QStringLiteral("plain-file/out.pdf") << false
            << QStringLiteral("Cannot create file %1");
        QTest::newRow("target is a folder")
            << QStringLiteral("folder.pdf") << false << QStringLiteral("Cannot create file %1");
        QTest::newRow("staged image lost")
            << QStringLiteral("earlier.pdf") << true << QStringLiteral("Cannot open file %2");
    }
    void failedEndDocCleansUpAndKeepsEarlierFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, loseStagedFile);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain-file")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.pdf")));
        const QByteArray earlier("%PDF-1.4 an earlier export\r\n");
        QFile old(dir.filePath(QStringLiteral("earlier.pdf")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(earlier) == earlier.size());
        old.close();

        TPrintPDF1 w;
        setUp(w, dir.filePath(target));
        w.BeginDoc();
        QImage im = tinyBitmap();
        w.Draw(25, 20, im);
        w.NewPage();
        w.Draw(25, 20, im);
        const QString staging = w.stagingPath();
        const QString lost = staging + QStringLiteral("/~tmpim2");
        w.waitForStaging();
        if (loseStagedFile)
            QVERIFY(QFile::remove(lost));

        QString error;
        try {
            w.EndDoc();
        } catch (const std::runtime_error &e) {
            error = QString::fromStdString(e.what());
        }
        QCOMPARE(error, QString(message).replace(QStringLiteral("%1"), dir.filePath(target))
                            .replace(QStringLiteral("%2"), lost));
        QVERIFY(!w.isOpen());
        QVERIFY(!QDir(staging).exists());
        QCOMPARE(readAll(old.fileName()), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 2);
    }

    void outsideToolsAcceptTheFile_data()
    {
        QTest::addColumn<bool>("compress");
        QTest::newRow("Compress on") << true;
        QTest::newRow("Compress off") << false;
    }
    void outsideToolsAcceptTheFile()
    {
        QFETCH(bool, compress);
        if (!haveTool("qpdf") || !haveTool("pdfinfo") || !haveTool("pdftoppm"))
            QSKIP("qpdf or poppler-utils not installed");
        // Given two pages, each a white page bitmap with a coloured block, when written,
        // then qpdf finds no fault, pdfinfo sees two A4 pages, and the rendering shows the
        // blocks in their colours at their places.
        TPrintPDF1 w;
        const QString file = path(QStringLiteral("oracle.pdf"));
        setUp(w, file, compress);
        w.TITLE = QStringLiteral("oracle.pdf");
        w.BeginDoc();
        const QColor colours[] = {QColor(200, 30, 10), QColor(10, 40, 210)};
        for (int p = 0; p < 2; ++p) {
            if (p > 0)
                w.NewPage();
            QImage page(693, 950, QImage::Format_RGB32);
            page.fill(Qt::white);
            for (int y = 100; y < 300; ++y)
                for (int x = 100; x < 400; ++x)
                    page.setPixel(x, y, colours[p].rgb());
            w.Draw(25, 20, page);
        }
        w.EndDoc();

        const ToolRun check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
        QVERIFY2(check.exitCode == 0, check.out.constData());
        const ToolRun info = runTool(QStringLiteral("pdfinfo"), {file});
        QCOMPARE(info.exitCode, 0);
        QVERIFY(info.out.contains("Pages:           2\n"));
        QVERIFY(info.out.contains("Page size:       596 x 842 pts"));

        for (int p = 0; p < 2; ++p) {
            // At 72 dpi one point is one pixel. Bitmap pixel (x, y) lands at
            // (25 + x * 537 / 693, 20 + y * 784 / 950).
            const QImage shown = renderPage(file, p + 1, 72, path(QStringLiteral("shown")));
            QVERIFY(!shown.isNull());
            QCOMPARE(shown.size(), QSize(596, 842));
            auto near = [](QRgb a, QColor b) {
                return qAbs(qRed(a) - b.red()) < 12 && qAbs(qGreen(a) - b.green()) < 12
                    && qAbs(qBlue(a) - b.blue()) < 12;
            };
            QVERIFY(near(shown.pixel(25 + 250 * 537 / 693, 20 + 200 * 784 / 950), colours[p]));
            QVERIFY(near(shown.pixel(25 + 600 * 537 / 693, 20 + 600 * 784 / 950), Qt::white));
            QVERIFY(near(shown.pixel(10, 10), Qt::white));
        }
    }
};

QTEST_GUILESS_MAIN(TestTnpdf2)
#include "tst_tnpdf2.moc"
