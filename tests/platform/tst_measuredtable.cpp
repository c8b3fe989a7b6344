// Measuring the rows of tables without a copy of their part: every row must start, reach and
// leave room under it exactly as in the copy's layout, so that the pages come out the same
// whichever way they are found; tables beyond what the measuring reproduces are left to the
// copy.
#include <QtTest>

#include "richedit/FormatRange.h"
#include "richedit/MeasuredPart.h"
#include "richedit/MeasuredTable.h"
#include "richedit/PageUnits.h"
#include "richedit/RichEdit.h"
#include "support/EnginePdf.h"
#include "support/RtfTestSupport.h"

#include <QDirIterator>
#include <QImage>
#include <QTextDocument>
#include <QTextTable>

using namespace richedit;

namespace {

// A page unit as both ways give it, written out to compare.
QString describe(int start, bool row, qreal top, qreal extent, qreal below, qreal border)
{
    return QStringLiteral("%1%2@%3+%4").arg(row ? QStringLiteral("row ") : QString()).arg(start)
               .arg(top, 0, 'g', 17).arg(extent, 0, 'g', 17)
        + (row ? QStringLiteral(" below %1 border %2").arg(below, 0, 'g', 17).arg(border, 0, 'g', 17)
               : QString());
}

// The units of the document's copy, laid out whole.
QStringList copiedUnits(const QTextDocument &doc, int dpiX, int dpiY, int widthTwips)
{
    FormatRangeCache cache;
    QTextDocument *part = cache.layoutFor(doc, dpiX, dpiY, widthTwips, 0);
    QStringList units;
    PageUnitWalker walker(*part, 0);
    PageUnit u;
    while (walker.next(u))
        units << describe(u.start, u.row, u.top, u.extent, u.below, u.border);
    return units;
}

// The units of the document as measured; empty when the measuring refuses it.
QStringList measuredUnits(const QTextDocument &doc, int dpiX, int dpiY, int widthTwips)
{
    MeasuredPart part;
    QStringList units;
    if (!part.measure(doc, doc.begin(), doc.lastBlock(), dpiX, dpiY, widthTwips))
        return units;
    for (const MeasuredLine &l : part.lines())
        units << describe(l.start, l.row, l.top, l.extent, l.below, l.border);
    return units;
}

QByteArray rtfDocument(const QByteArray &body)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
           "\\pard\\f0\\fs24 " + body + "}";
}

QByteArray borders(int twips, const char *sides = "tlbr")
{
    QByteArray out;
    for (const char *s = sides; *s; ++s)
        out += QByteArray("\\clbrdr") + *s + "\\brdrs\\brdrw" + QByteArray::number(twips);
    return out;
}

// A row of cells, each given as its cell definition (borders, merging...) and its content.
QByteArray row(const QList<QPair<QByteArray, QByteArray>> &cells, const QByteArray &rowWords = {},
               int width = 2500)
{
    QByteArray out = "\\trowd\\trgaph108\\trleft0" + rowWords;
    int x = 0;
    for (const auto &cell : cells) {
        x += width;
        out += cell.first + "\\cellx" + QByteArray::number(x);
    }
    out += "\n";
    for (const auto &cell : cells)
        out += "\\pard\\intbl " + cell.second + "\\cell ";
    return out + "\\row\n";
}

QByteArray words(int n, const QByteArray &word = "word")
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += (i ? " " : "") + word + QByteArray::number(i % 7);
    return out;
}

// Table shapes the measuring reproduces, each as the whole document.
QList<QPair<QString, QByteArray>> shapes()
{
    const QByteArray b1 = borders(10);
    QList<QPair<QString, QByteArray>> out;
    auto add = [&](const QString &name, const QByteArray &body) { out.append({name, rtfDocument(body)}); };
    QByteArray plain;
    for (int r = 0; r < 6; ++r)
        plain += row({{b1, words(1 + r)}, {b1, words(3) + "\\par " + words(2)}, {b1, ""}});
    add(QStringLiteral("bordered cells, a second paragraph, empty cells"),
        "Before the table.\\par\n" + plain + "\\pard After it.\\par More.");
    QByteArray none;
    for (int r = 0; r < 4; ++r)
        none += row({{"", words(5)}, {"", words(12)}});
    add(QStringLiteral("no borders, the table first"), none + "\\pard\\par After.");
    QByteArray mixed;
    for (int r = 0; r < 5; ++r)
        mixed += row({{borders(15 * r, "tb") + borders(60, "lr"), words(2 + r)},
                      {borders(90, "b") + borders(7, "t"), words(4)},
                      {borders(r % 2 ? 45 : 0), words(1)}});
    add(QStringLiteral("borders of several widths, mixed between neighbours"),
        "\\sa240 Spaced before.\\par\n" + mixed + "\\pard\\sb300 Spaced after.\\par");
    QByteArray padded;
    for (int r = 0; r < 4; ++r)
        padded += row({{b1 + "\\clpadl200\\clpadfl3\\clpadt90\\clpadft3", words(6)},
                       {b1, words(9)}},
                      "\\trpaddl60\\trpaddt150\\trpaddb75\\trpaddr30\\trpaddfl3\\trpaddft3"
                      "\\trpaddfb3\\trpaddfr3");
    add(QStringLiteral("padding of rows and cells"), padded + "\\pard End.");
    QByteArray gap = "\\trowd\\trgaph400\\trleft-400" + b1 + "\\cellx2000" + b1
        + "\\cellx5000\n\\pard\\intbl " + words(8) + "\\cell \\pard\\intbl x\\cell \\row\n";
    add(QStringLiteral("a wide gap, a row starting left of the margin"), gap + "\\pard\\par");
    QByteArray merged;
    merged += row({{b1 + "\\clmgf", words(14)}, {b1 + "\\clmrg", ""}, {b1, words(2)}});
    merged += row({{b1, words(2)}, {b1 + "\\clmgf", words(20)}, {b1 + "\\clmrg", ""}});
    merged += row({{b1, "a"}, {b1, "b"}, {b1, "c"}});
    add(QStringLiteral("cells merged across columns"), "Text\\par\n" + merged + "\\pard\\par\\par");
    QByteArray fonts;
    for (int r = 0; r < 4; ++r)
        fonts += row({{b1, "{\\fs16 " + words(7) + "}"}, {b1, "{\\f1\\fs44 " + words(3) + "}"},
                      {b1, "{\\fs24 " + words(2) + "}{\\fs36\\b " + words(2) + "}"}});
    add(QStringLiteral("fonts of several sizes"), fonts + "\\pard After.");
    QByteArray spaced = "\\trowd\\trgaph108" + b1 + "\\cellx3000" + b1 + "\\cellx6000\n"
        "\\pard\\intbl\\sb120\\sa240 " + words(6) + "\\par\\pard\\intbl\\sb60\\sa30\\li300 "
        + words(9) + "\\par\\pard\\intbl\\sl-400\\slmult0 " + words(5)
        + "\\cell\\pard\\intbl\\sl480\\slmult1 " + words(15) + "\\cell\\row\n";
    add(QStringLiteral("several paragraphs with spacing in a cell"),
        "\\sa200 Above.\\par\n" + spaced + spaced + "\\pard\\sb100 Below.\\par");
    QByteArray tall;
    for (int r = 0; r < 40; ++r)
        tall += row({{b1, words(1 + r % 9)}, {b1, words(2)}}, {}, 3000);
    add(QStringLiteral("words wider than their cells, which break anywhere"),
        row({{b1, QByteArray(12, 'W') + " " + QByteArray(80, 'm')}, {b1, "b"}}) + "\\pard x");
    add(QStringLiteral("a table wider than the page"),
        row({{b1, words(9)}, {b1, "b"}, {b1, words(40)}, {b1, "d"}}, {}, 3000) + "\\pard x");
    QByteArray heights;
    for (int r = 0; r < 8; ++r)
        heights += row({{b1, words(r % 3 ? 2 : 25)}, {b1 + "\\clpadb60\\clpadfb3", words(1 + r)},
                        {borders(40), r == 5 ? words(3) + "\\par\\sa100 " + words(4) : "x"}},
                       r % 4 == 0 ? "\\trrh900" : r % 4 == 1 ? "\\trrh-700" : r % 4 == 2 ? "\\trrh200" : "");
    add(QStringLiteral("rows of a set height, at least and exactly"),
        "Before.\\par\n" + heights + "\\pard\\par\n" + row({{b1, "last"}}, "\\trrh1500") + "\\pard End.");
    add(QStringLiteral("a table of one row of a set height"),
        "Before.\\par\n" + row({{b1, "alone"}}, "\\trrh1500") + "\\pard End.");
    QByteArray lastSet = row({{borders(60) + "\\clpadt120\\clpadft3", words(3)}, {b1, "b"}},
                             "\\trpaddt45\\trpaddft3");
    lastSet += row({{b1, words(2)}, {borders(90, "b") + borders(10, "tlr"), words(30)}},
                   "\\trrh-900");
    add(QStringLiteral("a last row of an exact height, a padded first cell"),
        "Before.\\par\n" + lastSet + "\\pard\\par\n" + lastSet + "\\pard End.");
    QByteArray aligned;
    for (int r = 0; r < 6; ++r)
        aligned += row({{b1 + (r % 2 ? "\\clvertalb" : "\\clvertalc"), words(1 + r)},
                        {b1 + "\\clvertalc\\clpadb90\\clpadfb3", words(3 * r + 2)},
                        {borders(40) + "\\clvertalb", r == 2 ? words(3) + "\\par " + words(30) : "x"}},
                       r % 3 == 0 ? "\\trrh1200" : r % 3 == 1 ? "\\trrh-600" : "");
    add(QStringLiteral("cells aligned to the middle and the bottom, rows of set heights"),
        "Before.\\par\n" + aligned + "\\pard\\par\n" + aligned + "\\pard End.");
    QByteArray down;
    for (int r = 0; r < 8; ++r) {
        const int k = r % 4;
        down += row({{b1 + (k == 0 ? "\\clvmgf" : "\\clvmrg"), k == 0 ? words(40) : ""},
                     {borders(k == 1 ? 60 : 10) + (k == 1 ? "\\clvmgf\\clvertalc" : k == 2 ? "\\clvmrg" : ""),
                      k == 2 ? "" : words(2 + r)},
                     {b1, r == 5 ? words(3) + "\\par " + words(20) : "x"}});
    }
    add(QStringLiteral("cells merged down, taller and lower than the rows they cover"),
        "Before.\\par\n" + down + "\\pard\\par\n" + down + "\\pard End.");
    QByteArray whole;
    for (int r = 0; r < 3; ++r)
        whole += row({{b1 + (r ? "\\clvmrg" : "\\clvmgf"), r ? "" : "a"},
                      {b1 + (r ? "\\clvmrg" : "\\clvmgf"), r ? "" : words(9)}});
    whole += row({{b1 + "\\clmgf\\clvmgf", words(12)}, {b1 + "\\clmrg\\clvmgf", ""}});
    whole += row({{b1 + "\\clmgf\\clvmrg", ""}, {b1 + "\\clmrg\\clvmrg", ""}});
    whole += row({{b1, "end"}, {b1, "end"}});
    add(QStringLiteral("rows all of whose cells come from above, cells merged both ways"),
        whole + "\\pard End.");
    QByteArray apart;
    for (int r = 0; r < 6; ++r)
        apart += row({{b1, words(2 + r)}, {b1, words(3)}},
                     r < 2 ? "" : r < 4 ? "\\trleft600" : "\\trqc");
    add(QStringLiteral("rows placed apart, joined across empty paragraphs"),
        "Before.\\par\n" + apart + "\\pard After.");
    QByteArray headed;
    for (int r = 0; r < 30; ++r)
        headed += row({{b1, r < 2 ? "Heading " + words(r + 1) : words(1 + r % 6)},
                       {borders(r == 1 ? 60 : 10), words(2)}},
                      r < 2 ? "\\trhdr" : "");
    add(QStringLiteral("heading rows, tables one after another"),
        "Text before.\\par\n" + headed + "\\pard\\par\n" + headed + "\\pard Between.\\par\n"
            + headed + "\\pard\\sa300 After.\\par");
    add(QStringLiteral("many rows, tables one after another"),
        tall + "\\pard\\par\n" + tall + "\\pard Between.\\par\n" + tall + "\\pard\\par");
    return out;
}

// Pages found by measuring and by drawing (which lays out the copy) for a page height.
QList<int> paginate(RichEdit &e, int dpiX, int dpiY, int widthTwips, int heightTwips, bool render)
{
    QImage img(1200, 1600, QImage::Format_ARGB32);
    img.setDotsPerMeterX(qRound(dpiX / 0.0254));
    img.setDotsPerMeterY(qRound(dpiY / 0.0254));
    return enginepdf::pageStarts(e, img, widthTwips, heightTwips, render);
}

} // namespace

class TestMeasuredTable : public QObject {
    Q_OBJECT
private slots:
    void rowsAreWhereTheCopysLayoutPutsThem_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("dpiX");
        QTest::addColumn<int>("dpiY");
        const QList<QList<int>> devices = {{96, 96}, {141, 141}, {300, 300}, {600, 600}, {600, 300}};
        for (const auto &[name, doc] : shapes())
            for (const QList<int> &d : devices)
                QTest::addRow("%s, %dx%d", qPrintable(name), d[0], d[1]) << doc << d[0] << d[1];
    }
    void rowsAreWhereTheCopysLayoutPutsThem()
    {
        // Given a document with tables of a common shape, when it is measured for a device,
        // then every line and every row is the copy's: start, top, extent, room and line below.
        QFETCH(QByteArray, document);
        QFETCH(int, dpiX);
        QFETCH(int, dpiY);
        RichEdit e;
        rtftest::readInto(e.document(), document);
        QVERIFY(MeasuredPart::suits(*e.document()));
        const QStringList measured = measuredUnits(*e.document(), dpiX, dpiY, 1440 * 7);
        QVERIFY2(!measured.isEmpty(), "refused");
        QCOMPARE(measured, copiedUnits(*e.document(), dpiX, dpiY, 1440 * 7));
    }

    void measuredPagesAreTheDrawnPages_data()
    {
        QTest::addColumn<int>("heightTwips");
        QTest::addColumn<int>("part");
        QTest::newRow("small pages") << 1200 << 256 * 1024;
        QTest::newRow("larger pages") << 1440 * 4 << 256 * 1024;
        QTest::newRow("small pages, small parts") << 1200 << 300;
    }
    void measuredPagesAreTheDrawnPages()
    {
        // Given the table documents, when they are paginated by measuring and by drawing, in
        // parts of any size, then the pages are the same.
        QFETCH(int, heightTwips);
        QFETCH(int, part);
        for (const auto &[name, doc] : shapes()) {
            RichEdit e;
            rtftest::readInto(e.document(), doc);
            e.setFormatRangePartSize(part);
            for (const QList<int> &d : QList<QList<int>>{{300, 300}, {600, 300}}) {
                const QList<int> drawn = paginate(e, d[0], d[1], 1440 * 7, heightTwips, true);
                QVERIFY2(paginate(e, d[0], d[1], 1440 * 7, heightTwips, false) == drawn,
                         qPrintable(name));
            }
        }
    }

    void whatTheMeasuringCannotReproduceIsLeftToTheCopy_data()
    {
        QTest::addColumn<QByteArray>("document");
        const QByteArray b1 = borders(10);
        QTest::newRow("cells merged down under heading rows")
            << rtfDocument(row({{b1, "h"}, {b1, "h"}}, "\\trhdr")
                           + row({{b1 + "\\clvmgf", "a"}, {b1, "b"}})
                           + row({{b1 + "\\clvmrg", ""}, {b1, "c"}}) + "\\pard x");
        QTest::newRow("cells merged down in a row of a set height")
            << rtfDocument("Text.\\par\n" + row({{b1, "a"}, {b1, "b"}}) + "\\pard Between.\\par\n"
                           + row({{b1, "c"}, {b1 + "\\clvmgf", words(5)}}, "\\trrh900")
                           + row({{b1, "d"}, {b1 + "\\clvmrg", ""}}) + "\\pard x");
    }
    void whatTheMeasuringCannotReproduceIsLeftToTheCopy()
    {
        // Given a table beyond what the measuring reproduces, when its document is paginated,
        // then the measuring refuses it and the pages are still those of drawing.
        QFETCH(QByteArray, document);
        RichEdit e;
        rtftest::readInto(e.document(), document);
        MeasuredPart part;
        QVERIFY(!part.measure(*e.document(), e.document()->begin(), e.document()->lastBlock(),
                              300, 300, 1440 * 7));
        // Found from the table's shape, before any paragraph is laid out.
        const QList<QTextFrame *> frames = e.document()->rootFrame()->childFrames();
        QVERIFY(std::any_of(frames.cbegin(), frames.cend(), [](QTextFrame *f) {
            auto *table = qobject_cast<QTextTable *>(f);
            return table && !tableSuitsMeasuring(*table);
        }));
        QCOMPARE(paginate(e, 300, 300, 1440 * 7, 700, false),
                 paginate(e, 300, 300, 1440 * 7, 700, true));
    }

    void aRowTallerThanAPageIsCutByTheCopy()
    {
        // Given a row taller than a page among rows that are not, when the document is
        // paginated by measuring, then the row is cut as drawing cuts it.
        const QByteArray b1 = borders(10);
        QByteArray body;
        for (int r = 0; r < 6; ++r)
            body += row({{b1, words(r == 3 ? 400 : 5)}, {b1, "x"}});
        RichEdit e;
        rtftest::readInto(e.document(), rtfDocument(body + "\\pard After."));
        const QList<int> drawn = paginate(e, 300, 300, 1440 * 7, 1440 * 2, true);
        QVERIFY(drawn.size() > 3);
        QCOMPARE(paginate(e, 300, 300, 1440 * 7, 1440 * 2, false), drawn);
    }

    void corpusTablesMeasureAsTheirCopies()
    {
        // Given the documents with tables of the Rich Text corpora, when each is measured at
        // several resolutions, then its units are the copy's (those the measuring refuses
        // aside), and so are its pages.
        QStringList files;
        for (const QString &dir : {QStringLiteral(SCV_TEST_DATA_DIR "/rtf"), rtftest::corpusDir()}) {
            QDirIterator it(dir, {QStringLiteral("*.rtf")});
            while (it.hasNext())
                files << it.next();
        }
        int measured = 0;
        for (const QString &name : files) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            RichEdit e;
            rtftest::readInto(e.document(), file.readAll());
            if (e.document()->rootFrame()->childFrames().isEmpty()
                || !MeasuredPart::suits(*e.document()))
                continue;
            for (const QList<int> &d : QList<QList<int>>{{96, 96}, {300, 300}, {600, 300}}) {
                const QStringList got = measuredUnits(*e.document(), d[0], d[1], 1440 * 6);
                if (got.isEmpty())
                    continue;
                QVERIFY2(got == copiedUnits(*e.document(), d[0], d[1], 1440 * 6),
                         qPrintable(QStringLiteral("%1 at %2x%3").arg(name).arg(d[0]).arg(d[1])));
                ++measured;
            }
            QVERIFY2(paginate(e, 300, 300, 1440 * 6, 1440 * 2, false)
                         == paginate(e, 300, 300, 1440 * 6, 1440 * 2, true),
                     qPrintable(name));
        }
        QVERIFY(measured >= 3);
    }
};

QTEST_MAIN(TestMeasuredTable)
#include "tst_measuredtable.moc"
