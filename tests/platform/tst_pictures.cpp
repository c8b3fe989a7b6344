// Pictures of the rich edit engine: what bytes become, the host's say over new objects, the
// selection type, scaling, and pictures fitted to the text width on screen, in format-range
// output and in the program's PDF, presentation and printed pages.
#include <QtTest>

#include "support/EditStreams.h"
#include "support/GifDecoder.h"
#include "support/PdfInspect.h"
#include "printing/Printing.h"
#include "richedit/Pictures.h"
#include "richedit/RichEdit.h"
#include "richedit/RichEditOle.h"

#include <QBuffer>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>

using namespace richedit;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Left half red, right half blue: a picture cut off at the right loses its blue.
QImage halves(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h, Qt::red);
    return image;
}

// Counts pixels near a colour.
int count(const QImage &image, QColor colour)
{
    int n = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40)
                ++n;
        }
    return n;
}

// The horizontal extent of the pixels near a colour: (first column, last column).
std::pair<int, int> columns(const QImage &image, QColor colour)
{
    int first = -1, last = -1;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int x = 0; x < rgb.width(); ++x)
        for (int y = 0; y < rgb.height(); ++y) {
            const QColor c = rgb.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.blue() - colour.blue()) < 40
                && c.green() < 40) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    return {first, last};
}

// A host that answers as told.
class Host : public IRichEditOleCallback {
public:
    HRESULT storage = S_OK;
    HRESULT insert = S_OK;
    HRESULT accept = S_OK;
    int deleted = 0;
    HRESULT GetNewStorage(std::unique_ptr<QIODevice> &out) override
    {
        if (FAILED(storage))
            return storage;
        out = std::make_unique<QBuffer>();
        return S_OK;
    }
    HRESULT QueryInsertObject(const QString &, int) override { return insert; }
    HRESULT DeleteObject(IOleObject *) override { ++deleted; return S_OK; }
    HRESULT QueryAcceptData(const QMimeData *, int) override { return accept; }
    HRESULT ContextSensitiveHelp(bool) override { return S_OK; }
    HRESULT GetClipboardData(CHARRANGE, int, QMimeData **) override { return E_NOTIMPL; }
    HRESULT GetDragDropEffect(bool, Qt::KeyboardModifiers, Qt::DropAction *) override
    {
        return E_NOTIMPL;
    }
    HRESULT GetContextMenu(int, IOleObject *, CHARRANGE, QMenu **) override { return E_NOTIMPL; }
};

QList<QTextImageFormat> picturesOf(const QTextDocument *doc)
{
    QList<QTextImageFormat> out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                out.append(it.fragment().charFormat().toImageFormat());
    return out;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Writes an RTF file holding text and a wide two-colour picture pasted into an engine.
    QString writeWideDocument(const QString &name)
    {
        RichEdit engine;
        Host host;
        engine.setOleCallback(&host);
        engine.replaceSel(QStringLiteral("Above the picture\r"), true);
        const PictureSource wide = richedit::pictureFromBytes(encoded(halves(3000, 600), "PNG"));
        [&] { QVERIFY(engine.insertPictures({wide})); }();
        const QString file = m_dir.filePath(name);
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(editstream::out(engine));
        return file;
    }
    static int convert(const QString &from, const QString &to)
    {
        QProcess p;
        p.start(QStringLiteral(SCV_BINARY), {QStringLiteral("--convert"), from, to});
        p.waitForFinished(120000);
        return p.exitCode();
    }

private slots:
    void pictureFromBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("keptBytes");
        QTest::addColumn<QString>("type");
        const QImage image = halves(6, 4);
        QTest::newRow("png") << encoded(image, "PNG") << "png" << true << "PNG Image";
        QTest::newRow("jpeg") << encoded(image, "JPEG") << "jpeg" << true << "JPEG Image";
        QTest::newRow("bmp") << encoded(image, "BMP") << "bmp" << false << "Bitmap Image";
        QTest::newRow("not a picture") << QByteArray("hello") << "" << false << "Picture";
        QTest::newRow("truncated png") << encoded(image, "PNG").left(20) << "" << false
                                       << "Picture";
    }
    // Given file bytes, then PNG and JPEG keep them as they are and other images are bitmaps.
    void pictureFromBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QFETCH(bool, keptBytes);
        QFETCH(QString, type);
        const PictureSource p = richedit::pictureFromBytes(bytes);
        QCOMPARE(p.kind, kind);
        QCOMPARE(p.image.isNull(), kind.isEmpty());
        QCOMPARE(p.bytes == bytes, keptBytes);
        QTextImageFormat f;
        f.setProperty(prop::ImageKind, p.kind);
        QCOMPARE(pictureTypeName(f), type);
    }

    // The host decides: no storage or no leave, and the document stays as it was.
    void hostRefusals_data()
    {
        QTest::addColumn<int>("storage");
        QTest::addColumn<int>("insert");
        QTest::addColumn<bool>("inserted");
        QTest::newRow("accepted") << int(S_OK) << int(S_OK) << true;
        QTest::newRow("no storage") << int(E_OUTOFMEMORY) << int(S_OK) << false;
        QTest::newRow("object refused") << int(S_OK) << int(E_FAIL) << false;
    }
    void hostRefusals()
    {
        QFETCH(int, storage);
        QFETCH(int, insert);
        QFETCH(bool, inserted);
        RichEdit engine;
        Host host;
        host.storage = storage;
        host.insert = insert;
        engine.setOleCallback(&host);
        engine.replaceSel(QStringLiteral("abc"), true);
        engine.exSetSel(1, 2);
        const PictureSource p = richedit::pictureFromBytes(encoded(halves(4, 4), "PNG"));
        QCOMPARE(engine.insertPictures({p}), inserted);
        QCOMPARE(engine.textRange(0, -1), inserted ? QStringLiteral("a\uFFFCc")
                                                   : QStringLiteral("abc"));
        // Without a host no picture comes in at all.
        engine.setOleCallback(nullptr);
        QVERIFY(!engine.getOleInterface());
        QVERIFY(!engine.insertPictures({p}));
    }

    // The selection type and the deletion notice for objects in a deleted range.
    void selectionTypeAndDeletion()
    {
        RichEdit engine;
        Host host;
        engine.setOleCallback(&host);
        engine.replaceSel(QStringLiteral("ab"), true);
        const PictureSource p = richedit::pictureFromBytes(encoded(halves(4, 4), "PNG"));
        engine.insertPictures({p, p});
        engine.replaceSel(QStringLiteral("c"), true); // "ab" + 2 pictures + "c"
        const struct { int from, to, type; } cases[] = {
            {0, 0, SEL_EMPTY},
            {0, 1, SEL_TEXT},
            {0, 2, SEL_TEXT | SEL_MULTICHAR},
            {2, 3, SEL_OBJECT},
            {2, 4, SEL_OBJECT | SEL_MULTIOBJECT},
            {1, 3, SEL_TEXT | SEL_OBJECT},
            {0, 5, SEL_TEXT | SEL_MULTICHAR | SEL_OBJECT | SEL_MULTIOBJECT},
        };
        for (const auto &c : cases) {
            engine.exSetSel(c.from, c.to);
            QCOMPARE(engine.selectionType(), c.type);
        }
        QCOMPARE(engine.getOleInterface()->GetObjectCount(), 2);
        REOBJECT object;
        engine.exSetSel(3, 4);
        QCOMPARE(engine.getOleInterface()->GetObject(REO_IOB_SELECTION, object,
                                                     REO_GETOBJ_POLEOBJ), S_OK);
        QCOMPARE(object.cp, 3);
        QVERIFY(object.poleobj);
        QCOMPARE(object.poleobj->GetUserType(USERCLASSTYPE_FULL), QStringLiteral("PNG Image"));
        engine.exSetSel(1, 3);
        QCOMPARE(engine.getOleInterface()->GetObject(REO_IOB_SELECTION, object, 0), E_INVALIDARG);
        engine.exSetSel(0, 5);
        engine.clearSelection();
        QCOMPARE(host.deleted, 2);
        QCOMPARE(engine.getOleInterface()->GetObjectCount(), 0);
        // The interface of a deleted object fails instead of acting on something else.
        QString why;
        QCOMPARE(object.poleobj->DoVerb(0, &engine, QRect(), &why), E_FAIL);
        QCOMPARE(why, QStringLiteral("The object is no longer in the document"));
    }

    // The scale multiplies the goal size, stays at least 1 %, and keeps the goal.
    void scale()
    {
        QTextImageFormat f;
        f.setWidth(40);
        f.setHeight(20);
        f.setProperty(prop::ImageGoalWidth, 600);
        f.setProperty(prop::ImageGoalHeight, 300);
        setPictureScale(f, 250, 50);
        QCOMPARE(QSizeF(f.width(), f.height()), QSizeF(100, 10));
        QCOMPARE(f.intProperty(prop::ImageGoalWidth), 600);
        setPictureScale(f, 0, 100);
        QCOMPARE(pictureScaleX(f), 1);
        QCOMPARE(f.width(), 1.0);
    }

    // Given a picture wider than the rectangle, format-range output draws it whole at the
    // rectangle's width with its proportions, at printer resolution too.
    void formatRangeFitsTheWidth_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("96 dpi") << 96;
        QTest::newRow("300 dpi") << 300;
    }
    void formatRangeFitsTheWidth()
    {
        QFETCH(int, dpi);
        RichEdit engine;
        Host host;
        engine.setOleCallback(&host);
        engine.insertPictures({richedit::pictureFromBytes(encoded(halves(2000, 500), "PNG"))});
        QImage page(dpi * 3, dpi * 4, QImage::Format_RGB32);
        page.setDotsPerMeterX(qRound(dpi / 0.0254));
        page.setDotsPerMeterY(qRound(dpi / 0.0254));
        page.fill(Qt::white);
        QPainter painter(&page);
        FORMATRANGE fr;
        fr.hdc = &painter;
        fr.hdcTarget = &page;
        fr.rc = {0, 0, 1440 * 2, 1440 * 3}; // two inches wide
        fr.rcPage = fr.rc;
        QCOMPARE(engine.formatRange(&fr, true), engine.textLength());
        painter.end();
        const auto [redFrom, redTo] = columns(page, Qt::red);
        const auto [blueFrom, blueTo] = columns(page, Qt::blue);
        QVERIFY(redFrom >= 0 && blueFrom > redTo - 2);
        QVERIFY2(blueTo <= 2 * dpi && blueTo > 2 * dpi - dpi / 10,
                 qPrintable(QString::number(blueTo)));
        const int height = count(page, Qt::red) / qMax(1, redTo - redFrom + 1);
        QVERIFY2(qAbs(height - dpi / 2) <= 3, qPrintable(QString::number(height))); // 2 in : 0.5 in
    }

    // Given a document with a wide picture, the program's PDF page and presentation frame show
    // it whole (both halves), and a printed page too.
    void exportsShowPictures()
    {
        const QString rtf = writeWideDocument(QStringLiteral("wide.rtf"));
        if (pdfinspect::haveTool("pdftoppm")) {
            const QString pdf = m_dir.filePath(QStringLiteral("wide.pdf"));
            QCOMPARE(convert(rtf, pdf), 0);
            const QImage page = pdfinspect::renderPage(pdf, 1, 72, m_dir.filePath("page"));
            QVERIFY(!page.isNull());
            QVERIFY(count(page, Qt::red) > 1000);
            QVERIFY(count(page, Qt::blue) > 1000);
        }
        const QString tpf = m_dir.filePath(QStringLiteral("wide.tpf"));
        QCOMPARE(convert(rtf, tpf), 0);
        QFile gif(tpf);
        QVERIFY(gif.open(QIODevice::ReadOnly));
        const testgif::File file = testgif::readGif(gif.readAll());
        QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
        const QImage frame = file.picture(0);
        QVERIFY(count(frame, Qt::red) > 1000);
        QVERIFY(count(frame, Qt::blue) > 1000);
        // Kept through the compressed form as well.
        const QString rtc = m_dir.filePath(QStringLiteral("wide.rtc"));
        QCOMPARE(convert(rtf, rtc), 0);
        const QString back = m_dir.filePath(QStringLiteral("back.rtf"));
        QCOMPARE(convert(rtc, back), 0);
        QFile a(rtf), b(back);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
    }

    void printedPageShowsPictures()
    {
        if (!printing::printerNames().contains(QStringLiteral("PDF"))
            || !pdfinspect::haveTool("pdftoppm"))
            QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
        const QString title =
            QStringLiteral("scvpicture%1").arg(QCoreApplication::applicationPid());
        const QString rtf = writeWideDocument(title + QStringLiteral(".rtf"));
        QProcess p;
        p.start(QStringLiteral(SCV_BINARY), {QStringLiteral("--print"), rtf,
                                             QStringLiteral("--printer"), QStringLiteral("PDF")});
        p.waitForFinished(120000);
        QCOMPARE(p.exitCode(), 0);
        const QString env = qEnvironmentVariable("SCV_PDF_OUT");
        QDir out(env.isEmpty() ? QStringLiteral("/var/spool/cups-pdf/scrivelle") : env);
        QString pdf;
        QElapsedTimer timer;
        timer.start();
        while (pdf.isEmpty() && timer.elapsed() < 60000) {
            const QStringList files =
                out.entryList({QStringLiteral("*") + title + QStringLiteral("*.pdf")}, QDir::Files);
            if (!files.isEmpty() && QFileInfo(out.filePath(files.first())).size() > 0) {
                QTest::qWait(500);
                pdf = out.filePath(files.first());
            } else {
                QTest::qWait(200);
            }
        }
        QVERIFY2(!pdf.isEmpty(), "cups-pdf wrote no file");
        const QImage page = pdfinspect::renderPage(pdf, 1, 50, m_dir.filePath("printed"));
        QFile::remove(pdf);
        QVERIFY(count(page, Qt::red) > 500);
        QVERIFY(count(page, Qt::blue) > 500);
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
