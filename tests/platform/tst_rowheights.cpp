// Rows of a set height on the pages of the format-range operation: at least or exactly that
// high on every device, the document itself unchanged.
#include <QtTest>

#include "richedit/FormatRange.h"
#include "richedit/RichEdit.h"
#include "rtf/Rtf.h"
#include "support/RtfTestSupport.h"

#include <QImage>
#include <QPainter>
#include <QTextCursor>

using namespace richedit;

namespace {

void loadRtf(RichEdit &e, const QByteArray &rtf)
{
    rtftest::readInto(e.document(), rtf);
}

QByteArray writeRtf(RichEdit &e)
{
    QByteArray out;
    rtf::writeRtf(*e.document(), 0, -1, [&](const char *data, qint64 n) {
        out.append(data, n);
        return true;
    });
    return out;
}

// Boxed rows of one cell each, of the given \trrh heights (0: none) and paragraphs.
QByteArray rows(const QList<int> &heights, const QList<int> &paragraphs)
{
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24\\pard Before.\\par ";
    for (int r = 0; r < heights.size(); ++r) {
        rtf += "\\trowd\\trgaph108";
        if (heights.at(r))
            rtf += "\\trrh" + QByteArray::number(heights.at(r));
        rtf += "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx4000"
               "\\pard\\intbl row " + QByteArray::number(r);
        for (int k = 1; k < paragraphs.at(r); ++k)
            rtf += "\\par more";
        rtf += "\\cell\\row ";
    }
    return rtf + "\\pard After.\\par}";
}

// The tops of the horizontal lines of a page drawn at dpi, 6 inches wide.
QList<int> lineTops(RichEdit &e, int dpi, int widthTwips = 1440 * 6)
{
    QImage img(6 * dpi, 6 * dpi, QImage::Format_ARGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    FORMATRANGE fr;
    fr.hdc = &p;
    fr.hdcTarget = &img;
    fr.rc = {0, 0, widthTwips, 1440 * 6};
    fr.rcPage = fr.rc;
    fr.chrg = {0, -1};
    e.formatRange(&fr, true);
    p.end();
    QList<int> tops;
    bool inLine = false;
    for (int y = 0; y < img.height(); ++y) {
        int run = 0;
        for (int x = 0; x < img.width() && run <= dpi * 2; ++x)
            run = qGray(img.pixel(x, y)) < 160 ? run + 1 : 0;
        const bool line = run > dpi * 2; // the table is 2.8 inches wide
        if (line && !inLine)
            tops << y;
        inLine = line;
    }
    return tops;
}

} // namespace

class TestRowHeights : public QObject {
    Q_OBJECT
private slots:
    void rowsHaveTheirHeightOnPages_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("96 dpi") << 96;
        QTest::newRow("300 dpi") << 300;
    }
    // Given rows of no height, at least an inch, exactly half an inch, at least a tenth of an
    // inch with three paragraphs, when a page is drawn, then the rows with a height are that
    // high, the others as high as their text, and the document is written as before.
    void rowsHaveTheirHeightOnPages()
    {
        QFETCH(int, dpi);
        RichEdit e;
        loadRtf(e, rows({0, 1440, -720, 144, 0}, {1, 1, 1, 3, 1}));
        const QByteArray before = writeRtf(e);
        const QList<int> tops = lineTops(e, dpi);
        e.formatRange(nullptr, false);
        QCOMPARE(tops.size(), 6);
        const int natural = tops.at(1) - tops.at(0);
        QVERIFY(natural < dpi / 2);
        QVERIFY2(qAbs(tops.at(2) - tops.at(1) - dpi) <= 2,
                 qPrintable(QString::number(tops.at(2) - tops.at(1))));
        QVERIFY2(qAbs(tops.at(3) - tops.at(2) - dpi / 2) <= 2,
                 qPrintable(QString::number(tops.at(3) - tops.at(2))));
        QVERIFY(tops.at(4) - tops.at(3) > 2 * natural); // taller than its height
        QVERIFY(qAbs(tops.at(5) - tops.at(4) - natural) <= 1);
        QCOMPARE(writeRtf(e), before);
    }

    void aTablesFirstRowHasItsHeight_data()
    {
        QTest::addColumn<QList<int>>("heights");
        QTest::newRow("the first of two rows") << QList<int>{1440, 0};
        QTest::newRow("the first of three rows") << QList<int>{1440, 0, 0};
    }
    // Given a table whose only row of a set height is its first, when a page is drawn, then
    // that row is as high as set (the growth of a table's first cell alone went unseen by the
    // layout, and the row stayed as low as its text).
    void aTablesFirstRowHasItsHeight()
    {
        QFETCH(QList<int>, heights);
        RichEdit e;
        loadRtf(e, rows(heights, QList<int>(heights.size(), 1)));
        const QList<int> tops = lineTops(e, 96);
        QCOMPARE(tops.size(), heights.size() + 1);
        QVERIFY2(qAbs(tops.at(1) - tops.at(0) - 96) <= 2,
                 qPrintable(QString::number(tops.at(1) - tops.at(0))));
    }

    // Given a row of a set height drawn at one width, when the same pages are drawn at
    // another width, then the row keeps its height: what was added for the first width is not
    // added again.
    void anotherWidthKeepsTheHeight()
    {
        RichEdit e;
        loadRtf(e, rows({0, 1440, 0}, {1, 1, 1}));
        const QList<int> first = lineTops(e, 96);
        const QList<int> narrower = lineTops(e, 96, 1440 * 5);
        e.formatRange(nullptr, false);
        QCOMPARE(first.size(), 4);
        QCOMPARE(narrower.size(), 4);
        QVERIFY(qAbs(first.at(2) - first.at(1) - 96) <= 2);
        QVERIFY2(qAbs(narrower.at(2) - narrower.at(1) - 96) <= 2,
                 qPrintable(QString::number(narrower.at(2) - narrower.at(1))));
    }
};

QTEST_MAIN(TestRowHeights)
#include "tst_rowheights.moc"
