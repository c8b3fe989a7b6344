// Units, lengths, paper sizes, margins, header and footer of the print preview.
#include "preview/GmClasses.h"

#include <QtTest>
#include <cmath>

class TestGmClasses : public QObject
{
    Q_OBJECT

private slots:
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void convertsUnits_data();
    void convertsUnits();
    void sameUnitIsUntouched();
    void valueNotifiesOnlyRealChanges();
    void valueReadsTwipsAndPixelsRounded();
    void paperSizes_data();
    void paperSizes();
    void paperSizeOrderAndNames();
    void marginsStartAtHalfInchAndNotify();
    void marginValuesInChosenUnit();
    void headerHeightFromLargestFont();
    void headerHeightTieTakesLeftCaption();
    void explicitHeightWins();
    void headerFooterNotifiesChanges();
    void expandsCaptions_data();
    void expandsCaptions();
    void advancesCarryFractions_data();
    void advancesCarryFractions();
    void advancesStayWithinOneUnitOfExactWidth();
};

void TestGmClasses::roundsHalfToEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("0.5") << 0.5 << qint64(0);
    QTest::newRow("1.5") << 1.5 << qint64(2);
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("-0.5") << -0.5 << qint64(0);
    QTest::newRow("-1.5") << -1.5 << qint64(-2);
    QTest::newRow("2.51") << 2.51 << qint64(3);
    QTest::newRow("-2.49") << -2.49 << qint64(-2);
}

void TestGmClasses::roundsHalfToEven()
{
    QFETCH(double, x);
    QFETCH(qint64, expected);
    QCOMPARE(gmRound(x), expected);
}

void TestGmClasses::convertsUnits_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("inches");
    QTest::newRow("units") << int(gmUnits) << 2540.0 << 1.0;
    QTest::newRow("pixels") << int(gmPixels) << 48.0 << 0.5;
    QTest::newRow("millimetres") << int(gmMillimeters) << 25.4 << 1.0;
    QTest::newRow("centimetres") << int(gmCentimeters) << 5.08 << 2.0;
    QTest::newRow("inches") << int(gmInches) << 3.25 << 3.25;
    QTest::newRow("twips") << int(gmTwips) << 720.0 << 0.5;
}

void TestGmClasses::convertsUnits()
{
    QFETCH(int, unit);
    QFETCH(double, value);
    QFETCH(double, inches);
    const auto u = TGmMeasurement(unit);
    QVERIFY(std::fabs(double(gmToInches(value, u)) - inches) < 1e-12);
    QVERIFY(std::fabs(double(gmFromInches(inches, u)) - value) < 1e-9);
    // Through a value object and back.
    TGmValue v;
    v.setValue(value, u);
    QVERIFY(std::fabs(double(v.value(u)) - value) < 1e-9);
}

void TestGmClasses::sameUnitIsUntouched()
{
    const Extended odd = 0.1L;
    QCOMPARE(gmConvert(odd, gmMillimeters, gmMillimeters), odd);
    QCOMPARE(gmConvert(odd, gmUnits, gmUnits), odd);
}

void TestGmClasses::valueNotifiesOnlyRealChanges()
{
    // Given a value of 0.5 inch with a handler
    TGmValue v(0.5L);
    int calls = 0;
    v.setOnChange([&] { ++calls; });
    // When the same length is written in other units, nothing is reported
    v.setTwips(720);
    v.setInches(0.5L);
    QCOMPARE(calls, 0);
    // When it really changes, once per write
    v.setMillimeters(20);
    QCOMPARE(calls, 1);
    v.setMillimeters(20);
    QCOMPARE(calls, 1);
}

void TestGmClasses::valueReadsTwipsAndPixelsRounded()
{
    TGmValue v;
    v.setMillimeters(1);
    QCOMPARE(v.twips(), 57); // 56.69 twips
    v.setInches(0.5L); // exact halves of a device unit round to the even neighbour
    QCOMPARE(v.pixels(1), 0);
    QCOMPARE(v.pixels(3), 2);
    QCOMPARE(v.pixels(5), 2);
    QCOMPARE(v.pixels(7), 4);
}

void TestGmClasses::paperSizes_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<double>("widthMm");
    QTest::addColumn<double>("heightMm");
    QTest::newRow("A3") << int(TGmPaperSize::A3) << 297.0 << 420.0;
    QTest::newRow("A4") << int(TGmPaperSize::A4) << 210.0 << 297.0;
    QTest::newRow("A5") << int(TGmPaperSize::A5) << 148.5 << 210.0;
    QTest::newRow("Letter") << int(TGmPaperSize::Letter) << 215.9 << 279.4;
    QTest::newRow("B5 in inches") << int(TGmPaperSize::B5) << 6.92 * 25.4 << 9.84 * 25.4;
    QTest::newRow("Envelope_12 wider than high") << int(TGmPaperSize::Envelope_12)
                                                 << 12.44 * 25.4 << 11.0 * 25.4;
    QTest::newRow("Ledger") << int(TGmPaperSize::Ledger) << 17 * 25.4 << 11 * 25.4;
    QTest::newRow("Executive") << int(TGmPaperSize::Executive) << 7.14 * 25.4 << 10.12 * 25.4;
}

void TestGmClasses::paperSizes()
{
    QFETCH(int, paper);
    QFETCH(double, widthMm);
    QFETCH(double, heightMm);
    Extended w = 0;
    Extended h = 0;
    QVERIFY(gmPaperSizeInches(TGmPaperSize(paper), w, h));
    QVERIFY(std::fabs(double(w * 25.4L) - widthMm) < 1e-9);
    QVERIFY(std::fabs(double(h * 25.4L) - heightMm) < 1e-9);
}

void TestGmClasses::paperSizeOrderAndNames()
{
    const QStringList expected = {
        "A3", "A4", "A5", "A6", "B5", "C5", "C6", "C65", "Legal", "Letter", "Custom", "B4",
        "Envelope_DL", "Envelope_DL_Maxi", "Envelope_09", "Envelope_10", "Envelope_11",
        "Envelope_12", "Envelope_14", "Tabloid", "Ledger", "Executive"};
    QCOMPARE(expected.size(), gmPaperSizeCount);
    for (int i = 0; i < gmPaperSizeCount; ++i) {
        QCOMPARE(gmPaperSizeName(TGmPaperSize(i)), expected.at(i));
        TGmPaperSize parsed;
        QVERIFY(gmPaperSizeFromName(expected.at(i).toLower(), parsed));
        QCOMPARE(int(parsed), i);
    }
    Extended w = 1;
    Extended h = 1;
    QVERIFY(!gmPaperSizeInches(TGmPaperSize::Custom, w, h));
    TGmPaperSize unused;
    QVERIFY(!gmPaperSizeFromName("A0", unused));
}

void TestGmClasses::marginsStartAtHalfInchAndNotify()
{
    TGmMargins m;
    QCOMPARE(m.Left().twips(), 720);
    QCOMPARE(m.Bottom().twips(), 720);
    QVERIFY(!m.Visible && !m.ClipMargins && !m.ShowPrinterMargins);
    QCOMPARE(m.Pen().color(), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(m.Pen().style(), Qt::DotLine);
    int calls = 0;
    m.setOnChange([&] { ++calls; });
    m.Top().setInches(0.5L);     // same value
    m.setPen(m.Pen());           // same pen
    QCOMPARE(calls, 0);
    m.Top().setMillimeters(15);
    m.setPrinterMarginPen(QPen(Qt::red));
    QCOMPARE(calls, 2);
}

void TestGmClasses::marginValuesInChosenUnit()
{
    TGmMargins m;
    m.Values().ValueMeasurement = gmMillimeters;
    QCOMPARE(m.Values().Left(), 12.7f);
    m.Values().setRight(25.0f);
    QCOMPARE(m.Right().twips(), int(gmRound(25.0L / 25.4L * 1440)));
}

void TestGmClasses::headerHeightFromLargestFont()
{
    TGmHeader header;
    QFont big(QStringLiteral("Arial"));
    big.setPointSizeF(20);
    header.setFont(TGmHeaderFooter::RightCaption, big);
    QCOMPARE(header.heightInches(), gmFontHeightInches(big));
    QVERIFY(header.heightInches() > gmFontHeightInches(header.CaptionLeft().Font));
    // Empty captions still reserve the height of their fonts.
    QVERIFY(header.CaptionRight().Caption.isEmpty());
}

void TestGmClasses::headerHeightTieTakesLeftCaption()
{
    TGmFooter footer;
    QFont courier(QStringLiteral("Courier New"));
    courier.setPointSizeF(12);
    QFont times(QStringLiteral("Times New Roman"));
    times.setPointSizeF(12);
    footer.setFont(TGmHeaderFooter::LeftCaption, courier);
    footer.setFont(TGmHeaderFooter::CenterCaption, times);
    QCOMPARE(footer.heightInches(), gmFontHeightInches(courier));
}

void TestGmClasses::explicitHeightWins()
{
    TGmHeader header;
    header.Height().setInches(0.75L);
    QCOMPARE(header.heightInches(), 0.75L);
    header.Height().setInches(0);
    QCOMPARE(header.heightInches(), gmFontHeightInches(header.CaptionLeft().Font));
}

void TestGmClasses::headerFooterNotifiesChanges()
{
    TGmHeader header;
    int calls = 0;
    header.setOnChange([&] { ++calls; });
    header.setShowLine(true); // already true
    header.setCaption(0, QString());
    QCOMPARE(calls, 0);
    header.setCaption(1, QStringLiteral("Title"));
    header.setVisible(true);
    header.setShowLine(false);
    header.Height().setMillimeters(10);
    header.setFont(2, QFont(QStringLiteral("Times New Roman"), 9));
    QCOMPARE(calls, 5);
}

void TestGmClasses::expandsCaptions_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("expected");
    QTest::newRow("page") << "{PAGE}" << "2";
    QTest::newRow("count") << "{NUMPAGES}" << "5";
    QTest::newRow("page twice") << "{PAGE}-{PAGE}" << "2-2";
    QTest::newRow("page of") << "Page {PAGE} of {NUMPAGES}" << "Page 2 of 5";
    QTest::newRow("date") << "{DATE}" << "03/07/2026";
    QTest::newRow("time") << "at {TIME}" << "at 09/05";
    QTest::newRow("lower case is text") << "{page}" << "{page}";
    QTest::newRow("plain") << "Report" << "Report";
}

void TestGmClasses::expandsCaptions()
{
    QFETCH(QString, caption);
    QFETCH(QString, expected);
    const QDateTime now(QDate(2026, 7, 3), QTime(9, 5, 30));
    QCOMPARE(gmExpandCaption(caption, 2, 5, now), expected);
}

void TestGmClasses::advancesCarryFractions_data()
{
    QTest::addColumn<QVector<double>>("widths");
    QTest::addColumn<double>("resolution");
    QTest::addColumn<QVector<int>>("expected");
    QTest::newRow("thirds at 96") << QVector<double>(8, 100.0) << 96.0
                                  << QVector<int>{1, 1, 1, 2, 1, 1, 2, 1};
    QTest::newRow("whole at 600") << QVector<double>(3, 1152.0) << 600.0
                                  << QVector<int>{96, 96, 96};
    // 1.8 units each: the sum 1.6 hands out 1 and keeps 0.6, not -0.4.
    QTest::newRow("fraction above half") << QVector<double>(4, 135.0) << 96.0
                                         << QVector<int>{1, 2, 2, 2};
}

void TestGmClasses::advancesCarryFractions()
{
    QFETCH(QVector<double>, widths);
    QFETCH(double, resolution);
    QFETCH(QVector<int>, expected);
    QVector<Extended> w;
    for (double d : widths)
        w.append(d);
    QCOMPARE(TGmFontMapper::advances(w, resolution), expected);
}

void TestGmClasses::advancesStayWithinOneUnitOfExactWidth()
{
    // The drawn string is as wide as the measured one, give or take a unit, at any zoom.
    QRandomGenerator rng(7);
    for (int round = 0; round < 200; ++round) {
        QVector<Extended> widths;
        Extended exact = 0;
        const Extended res = 20 + rng.bounded(1200);
        for (int i = 0; i < 1 + int(rng.bounded(60)); ++i) {
            widths.append(Extended(rng.bounded(30000)) / 7);
            exact += widths.last() / TGmFontMapper::ReferenceResolution * res;
        }
        int total = 0;
        for (int a : TGmFontMapper::advances(widths, res))
            total += a;
        QVERIFY2(std::fabs(double(total - exact)) <= 1.0,
                 qPrintable(QStringLiteral("%1 vs %2").arg(total).arg(double(exact))));
    }
}

QTEST_MAIN(TestGmClasses)
#include "tst_gmclasses.moc"
