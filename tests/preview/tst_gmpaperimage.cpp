// The paper on screen: what a grab of the preview shows for a page with text (white paper,
// black outline, shadow strips, margin lines, the text's first line), and that a change of
// content reaches the kept page picture.
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"

#include <QtTest>

namespace {

const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);

bool isDark(QRgb c)
{
    return qGray(c) < 100;
}

// Dark pixels in a rectangle of an image.
int darkPixels(const QImage &image, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += isDark(image.pixel(x, y)) ? 1 : 0;
    return n;
}

struct Fixture {
    QWidget window;
    TGmPreview *preview;
    TGmRtfPreview paginator;
    TRxRichEdit source;
    Fixture()
    {
        window.resize(700, 900);
        preview = new TGmPreview(&window);
        preview->setGeometry(0, 0, 700, 900);
        preview->GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer"));
        preview->OnNeedRichEdit = [](QObject *, TRxRichEdit *&r) { r = new TRxRichEdit; };
        preview->Margins().Visible = true;
        preview->SetGutter(20);
        paginator.SetPreview(preview);
        source.setWindowText(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW MMMMMMMMMMMMMMMMM\r"
                                            "Second paragraph."));
        preview->Clear();
        paginator.LoadFromRichEdit(&source);
        preview->SetZoom(70);
        window.show();
    }
    QImage grab() { return preview->PaperImage()->grab().toImage(); }
};

} // namespace

class TestGmPaperImage : public QObject
{
    Q_OBJECT

private slots:
    void pageOnSilverWithOutlineAndShadow();
    void textOfTheFirstLineIsDrawn();
    void contentChangeReachesThePicture();
    void screenPixels();
};

void TestGmPaperImage::pageOnSilverWithOutlineAndShadow()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QImage image = f.grab();
    const QRect page = f.preview->PaperImage()->pageRect();
    // A4 at 70 %: R(96 x 8.27 x 0.7) by R(96 x 11.69 x 0.7)
    QCOMPARE(page.size(), QSize(556, 786));
    const int right = page.left() + page.width();   // first column after the page
    const int bottom = page.top() + page.height();  // first row below it

    // Silver round the page, white paper inside its black outline
    QCOMPARE(image.pixel(2, 2), silver);
    QCOMPARE(image.pixel(page.left() + 3, page.top() + 3), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(page.left(), page.center().y()), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(right - 1, page.center().y()), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(page.center().x(), page.top()), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(page.center().x(), bottom - 1), qRgb(0, 0, 0));
    // The shadow: three pixels wide, one pixel off the right and bottom edges
    QCOMPARE(image.pixel(right, page.center().y()), silver);
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(image.pixel(right + i, page.center().y()), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(page.center().x(), bottom + i), qRgb(0, 0, 0));
    }
    QCOMPARE(image.pixel(right + 4, page.center().y()), silver);
    QCOMPARE(image.pixel(right + 2, page.top() + 2), silver); // the strip starts lower
    // A dotted silver margin line half an inch in from the left edge
    const int marginX = page.left() + int(0.5 * 96 * 0.7);
    int silverDots = 0;
    for (int y = page.top() + 100; y < page.top() + 200; ++y)
        for (int x = marginX - 1; x <= marginX + 1; ++x)
            silverDots += image.pixel(x, y) == silver ? 1 : 0;
    QVERIFY2(silverDots > 20, qPrintable(QString::number(silverDots)));
}

void TestGmPaperImage::textOfTheFirstLineIsDrawn()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QImage image = f.grab();
    const QRect page = f.preview->PaperImage()->pageRect();
    const QRectF text = f.preview->Pages(1)->RtfInfo().TextRect().inchesRect();
    auto px = [](qreal inches) { return int(inches * 96 * 0.7); };
    // The first line: a band of 12 points below the text rectangle's top
    const QRect firstLine(page.left() + px(text.left()), page.top() + px(text.top()),
                          px(text.width()), px(12.0 / 72));
    QVERIFY2(darkPixels(image, firstLine) > 200,
             qPrintable(QString::number(darkPixels(image, firstLine))));
    // and nothing above it in the top margin
    const QRect above(firstLine.left(), page.top() + 5, firstLine.width(),
                      firstLine.top() - page.top() - 10);
    QCOMPARE(darkPixels(image, above), 0);
}

void TestGmPaperImage::contentChangeReachesThePicture()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QRect page = f.preview->PaperImage()->pageRect();
    const QRect headerBand(page.left() + 60, page.top() + 5, page.width() - 120, 40);
    QCOMPARE(darkPixels(f.grab(), headerBand), 0);
    // When the header gets a caption
    f.preview->Header().setVisible(true);
    f.preview->Header().setCaption(TGmHeaderFooter::CenterCaption, QStringLiteral("HEADER"));
    // Then the grab shows it without any other repaint request
    QVERIFY(darkPixels(f.grab(), headerBand) > 50);
}

void TestGmPaperImage::screenPixels()
{
    QCOMPARE(gmScreenPixels(8.27L, 100), 794);
    QCOMPARE(gmScreenPixels(297 / 25.4L, 30), 337);
}

QTEST_MAIN(TestGmPaperImage)
#include "tst_gmpaperimage.moc"
