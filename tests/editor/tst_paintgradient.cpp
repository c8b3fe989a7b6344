// PaintGradient: segment lengths, the last segment one short, the repeated boundary line,
// rounding of the step, both directions, staying inside the rectangle, and the failure for
// fewer than two colours.
#include <QtTest>

#include "app/Exceptions.h"
#include "editor/PaintGradient.h"

#include <QImage>
#include <QPainter>

namespace {
const QColor A(0x00, 0x20, 0xF0), B(0xF0, 0x80, 0x10), C(0x40, 0xFF, 0x00);
const QColor kMarker(0x12, 0x34, 0x56);

// Paints a gradient onto a marker-filled image and returns it.
QImage paint(const QRect &rect, const QList<QColor> &colours, bool horizontal,
             QSize size = QSize(60, 50))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kMarker);
    QPainter p(&image);
    PaintGradient(p, rect, colours, horizontal);
    return image;
}

// The whole part of the interpolation between two channels.
int mix(int a, int b, int j, int len) { return int(a + (b - a) * (double(j) / len)); }
} // namespace

class TestPaintGradient : public QObject {
    Q_OBJECT
private slots:
    void thirtyEightPixelsThroughABB()
    {
        // Given the image column's stops A, B, B over 38 pixels
        const QImage image = paint(QRect(0, 0, 38, 10), {A, B, B}, true);
        // Then A at x 0, B exactly at 19 and from there to 37; between, truncated mixes.
        QCOMPARE(image.pixelColor(0, 5), A);
        for (int x = 19; x <= 37; ++x)
            QCOMPARE(image.pixelColor(x, 5), B);
        for (int x : {1, 7, 18}) {
            const QColor c = image.pixelColor(x, 5);
            QCOMPARE(c.red(), mix(A.red(), B.red(), x, 19));
            QCOMPARE(c.green(), mix(A.green(), B.green(), x, 19));
            QCOMPARE(c.blue(), mix(A.blue(), B.blue(), x, 19));
        }
        // Every line runs the full height and nothing is painted past the rectangle.
        QCOMPARE(image.pixelColor(10, 0), image.pixelColor(10, 9));
        QCOMPARE(image.pixelColor(10, 10), kMarker);
        QCOMPARE(image.pixelColor(38, 5), kMarker);
    }

    void lastSegmentIsOneShortAndEndsOnItsColour()
    {
        // Three colours over 38 rows, top to bottom: the second segment runs 19..37 (18 steps).
        const QImage image = paint(QRect(5, 4, 20, 38), {A, B, C}, false);
        QCOMPARE(image.pixelColor(10, 4), A);
        QCOMPARE(image.pixelColor(10, 4 + 19), B);
        QCOMPARE(image.pixelColor(10, 4 + 37), C);
        QCOMPARE(image.pixelColor(10, 4 + 28).green(), mix(B.green(), C.green(), 9, 18));
        QCOMPARE(image.pixelColor(10, 4 + 38), kMarker);
        QCOMPARE(image.pixelColor(4, 10), kMarker);
        QCOMPARE(image.pixelColor(25, 10), kMarker);
        QCOMPARE(image.pixelColor(24, 10), image.pixelColor(5, 10));
    }

    void stepRoundsHalvesToEven_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("step");
        QTest::newRow("38/2") << 38 << 2 << 19;
        QTest::newRow("5/2 down to even") << 5 << 2 << 2;
        QTest::newRow("7/2 up to even") << 7 << 2 << 4;
        QTest::newRow("10/3") << 10 << 3 << 3;
        QTest::newRow("11/3") << 11 << 3 << 4;
        QTest::newRow("1/2") << 1 << 2 << 0;
    }
    void stepRoundsHalvesToEven()
    {
        QFETCH(int, size);
        QFETCH(int, segments);
        QFETCH(int, step);
        QCOMPARE(gradient::stepFor(size, segments), step);
    }

    void stepRoundingDecidesWhereTheMiddleColourFalls()
    {
        // 5 pixels, 2 segments: step 2 (2.5 to even), so B is reached at x 2, C at x 4.
        const QImage image = paint(QRect(0, 0, 5, 3), {A, B, C}, true);
        QCOMPARE(image.pixelColor(0, 1), A);
        QCOMPARE(image.pixelColor(2, 1), B);
        QCOMPARE(image.pixelColor(4, 1), C);
    }

    void tinyRectanglesDoNotCrashOrSpill()
    {
        for (int size : {0, 1, 2, 3}) {
            const QImage image = paint(QRect(10, 10, size, size), {A, B, C}, size % 2 == 0);
            QCOMPARE(image.pixelColor(9, 9), kMarker);
            QCOMPARE(image.pixelColor(10 + size, 10 + size), kMarker);
        }
    }

    void fewerThanTwoColoursFail()
    {
        for (const QList<QColor> &colours : {QList<QColor>{}, QList<QColor>{A}}) {
            QImage image(10, 10, QImage::Format_RGB32);
            image.fill(kMarker);
            QPainter p(&image);
            try {
                PaintGradient(p, QRect(0, 0, 10, 10), colours, true);
                QFAIL("no failure");
            } catch (const EScrivelleError &e) {
                QCOMPARE(e.message(),
                         QStringLiteral("Es müssen mindestens zwei Farben angegeben werden."));
            }
            p.end();
            QCOMPARE(image.pixelColor(5, 5), kMarker);
        }
    }
};

QTEST_MAIN(TestPaintGradient)
#include "tst_paintgradient.moc"
