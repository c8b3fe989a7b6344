// Heading rows of a table repeated at the top of each page of the format-range operation:
// the pages' text as a PDF holds it, measuring against rendering, heading rows too tall to
// repeat, and the PDF export of the program itself.
#include <QtTest>

#include "richedit/RichEdit.h"
#include "rtf/Rtf.h"
#include "support/EnginePdf.h"
#include "support/PdfInspect.h"
#include "support/RtfTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextTable>

using namespace richedit;

namespace {

void loadRtf(RichEdit &e, const QByteArray &rtf)
{
    QTextCursor c(e.document());
    rtf::readRtf(rtftest::memorySource(rtf), c);
}

// A paragraph, then a bordered table of `heading` rows marked \trhdr (words H0a H0b, H1a ...)
// over `rows` rows (words r000 x000 ...); row `tall` (when >= 0) holds 120 paragraphs t000...
// in its first cell, so that it runs over pages.
QByteArray headedTable(int heading, int rows, int tall = -1, int headingParagraphs = 1,
                       int linesBefore = 0)
{
    const QByteArray def = "\\trowd\\trgaph108\\clbrdrl\\brdrs\\clbrdrt\\brdrs\\clbrdrb\\brdrs"
                           "\\cellx3000\\clbrdrl\\brdrs\\clbrdrr\\brdrs\\clbrdrt\\brdrs\\clbrdrb"
                           "\\brdrs\\cellx6000 ";
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Courier New;}}\\f0\\fs24\\pard Before.\\par ";
    for (int k = 0; k < linesBefore; ++k)
        rtf += "Line " + QByteArray::number(k) + "\\par ";
    for (int h = 0; h < heading; ++h) {
        rtf += def;
        rtf.insert(rtf.size() - 1, "\\trhdr");
        QByteArrayList lines;
        for (int k = 0; k < headingParagraphs; ++k)
            lines << "H" + QByteArray::number(h) + "a" + (k ? QByteArray::number(k) : "");
        rtf += "\\pard\\intbl " + lines.join("\\par ") + "\\cell\\pard\\intbl H"
            + QByteArray::number(h) + "b\\cell\\row ";
    }
    for (int r = 0; r < rows; ++r) {
        const QByteArray n = QByteArray::number(r).rightJustified(3, '0');
        rtf += def + "\\pard\\intbl r" + n;
        if (r == tall)
            for (int k = 0; k < 120; ++k)
                rtf += "\\par t" + QByteArray::number(k).rightJustified(3, '0');
        rtf += "\\cell\\pard\\intbl x" + n + "\\cell\\row ";
    }
    return rtf + "\\pard After.\\par}";
}

FORMATRANGE rangeFor(QPaintDevice *target, QPainter *p, int heightTwips, int cpMin)
{
    return enginepdf::pageRange(target, p, 1440 * 6, heightTwips, cpMin);
}

// The pages' first positions, measured only or rendered into img.
QList<int> paginate(RichEdit &e, QImage &img, int heightTwips, bool render)
{
    return enginepdf::pageStarts(e, img, 1440 * 6, heightTwips, render);
}

// The words of each page of a PDF of the engine's pages, as pdftotext reads them.
QList<QStringList> pdfPages(RichEdit &e, int dpi, int heightTwips)
{
    return enginepdf::pageWords(e, dpi, heightTwips);
}

// The words of list that start with prefix followed by a digit.
QStringList withPrefix(const QList<QStringList> &pages, QChar prefix)
{
    QStringList w;
    for (const QStringList &page : pages)
        for (const QString &word : page)
            if (word.size() == 4 && word.at(0) == prefix && word.at(1).isDigit())
                w << word;
    return w;
}

QStringList numbered(char prefix, int n)
{
    QStringList w;
    for (int i = 0; i < n; ++i)
        w << QLatin1Char(prefix) + QString::number(i).rightJustified(3, QLatin1Char('0'));
    return w;
}

} // namespace

class TestHeaderRows : public QObject {
    Q_OBJECT

private slots:
    // Given a table of two heading rows over a hundred rows, one of them cut over pages, when
    // its pages are written to a PDF at 96 and 300 dpi, then every page the table goes on
    // over starts with both heading rows, once, and every other row and line is on exactly
    // one page; measuring gives the pages that rendering gives, whole or a part at a time.
    void headingRowsStartEveryPageOfTheTable_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("96 dpi") << 96;
        QTest::newRow("300 dpi") << 300;
    }
    void headingRowsStartEveryPageOfTheTable()
    {
        QFETCH(int, dpi);
        RichEdit e;
        loadRtf(e, headedTable(2, 100, 60));
        auto *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        QCOMPARE(table->format().headerRowCount(), 2);

        const QList<QStringList> pages = pdfPages(e, dpi, 1440 * 6);
        QVERIFY2(pages.size() >= 5, qPrintable(QString::number(pages.size())));
        QCOMPARE(pages.first().mid(0, 5), (QStringList{"Before.", "H0a", "H0b", "H1a", "H1b"}));
        for (int i = 1; i < pages.size(); ++i) {
            const QStringList &page = pages.at(i);
            if (page.first() == QLatin1String("After."))
                continue;
            QCOMPARE(page.mid(0, 4), (QStringList{"H0a", "H0b", "H1a", "H1b"}));
            QCOMPARE(page.count(QStringLiteral("H0a")), 1);
        }
        QCOMPARE(withPrefix(pages, QLatin1Char('r')), numbered('r', 100));
        QCOMPARE(withPrefix(pages, QLatin1Char('x')), numbered('x', 100));
        QCOMPARE(withPrefix(pages, QLatin1Char('t')), numbered('t', 120));

        QImage img(816, 1056, QImage::Format_ARGB32);
        img.setDotsPerMeterX(qRound(dpi / 0.0254));
        img.setDotsPerMeterY(qRound(dpi / 0.0254));
        const QList<int> measured = paginate(e, img, 1440 * 6, false);
        QCOMPARE(paginate(e, img, 1440 * 6, true), measured);
        QCOMPARE(measured.size(), pages.size());
        // Laid out a small part at a time (parts hold tables whole), the pages are the same.
        e.setFormatRangePartSize(40);
        QCOMPARE(paginate(e, img, 1440 * 6, false), measured);
        e.setFormatRangePartSize(256 * 1024);
        // A page that starts inside the table does not start in its heading rows.
        const int bodyStart = table->cellAt(2, 0).firstPosition();
        for (int start : measured.mid(1))
            QVERIFY(start >= bodyStart || start > table->lastPosition());
    }

    // Given a table whose rows from the fourth on are indented (in the engine a table of
    // their own after a joint), when its pages are written to a PDF, then every page the
    // indented rows go on over starts with the heading row of the table they continue, and
    // every row is on exactly one page.
    void rowsPlacedApartRepeatTheHeadingOfTheirTable()
    {
        QList<QByteArray> parts = headedTable(1, 100).split('\\');
        QByteArray rtf = parts.takeFirst();
        int defined = 0;
        for (const QByteArray &part : parts) {
            rtf += '\\' + part;
            if (part == "trowd" && ++defined > 4) // (the heading row and three rows stay)
                rtf += "\\trleft720";
        }
        RichEdit e;
        loadRtf(e, rtf);
        QCOMPARE(e.document()->rootFrame()->childFrames().size(), 2);
        const QList<QStringList> pages = pdfPages(e, 96, 1440 * 6);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        for (int i = 1; i < pages.size(); ++i) {
            if (pages.at(i).first() != QLatin1String("After."))
                QCOMPARE(pages.at(i).mid(0, 2), (QStringList{"H0a", "H0b"}));
        }
        QCOMPARE(withPrefix(pages, QLatin1Char('r')), numbered('r', 100));
        QCOMPARE(withPrefix(pages, QLatin1Char('x')), numbered('x', 100));
    }

    // Given a page rendered as a picture that starts below the heading rows, then the heading
    // row's top border is drawn at the top of the page and its text lies above the first row
    // of the page: the page's own rows are moved down by the heading rows' height.
    void aRenderedPageDrawsTheHeadingAboveItsRows()
    {
        RichEdit e;
        loadRtf(e, headedTable(1, 60));
        auto *table = qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
        QVERIFY(table);
        const int from = table->cellAt(30, 0).firstPosition();
        auto render = [&](int cp) {
            QImage img(816, 600, QImage::Format_ARGB32);
            img.setDotsPerMeterX(3780);
            img.setDotsPerMeterY(3780);
            img.fill(Qt::white);
            QPainter p(&img);
            const FORMATRANGE fr = rangeFor(&img, &p, 1440 * 4, cp);
            const int next = e.formatRange(&fr, true);
            p.end();
            e.formatRange(nullptr, false);
            return std::make_pair(img, next);
        };
        const auto [page, next] = render(from);
        const auto [first, firstNext] = render(0);
        QVERIFY(next > from);
        // The page below a heading holds fewer rows than a page of the same height would hold
        // without one, and its rows do not run past the rectangle.
        auto darkRows = [](const QImage &img, int x0, int x1) {
            QList<int> rows;
            for (int y = 0; y < img.height(); ++y) {
                int dark = 0;
                for (int x = x0; x < x1; ++x)
                    dark += qGray(img.pixel(x, y)) < 128;
                if (dark > (x1 - x0) / 2)
                    rows << y;
            }
            return rows;
        };
        const QList<int> lines = darkRows(page, 10, 280);
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.first() <= 1, qPrintable(QString::number(lines.first())));
        QVERIFY(lines.last() < 4 * 96);
        // The heading's band is the same picture as the table's top on the first page.
        int headingBottom = -1;
        for (int y = 1; y < 60 && headingBottom < 0; ++y)
            if (lines.contains(y))
                headingBottom = y;
        QVERIFY(headingBottom > 10);
        const int firstTop = darkRows(first, 10, 280).first();
        QCOMPARE(page.copy(0, 0, 600, headingBottom),
                 first.copy(0, firstTop, 600, headingBottom));
        QVERIFY(firstNext > 0);
    }

    // Given a table whose heading rows come at the bottom of a page, with less room under
    // them than its first row needs (a page ending at each line before the table in turn),
    // when paginated, then the heading rows go to the next page with the first row, unless
    // they start a page themselves; measuring gives the pages rendering gives.
    void headingRowsAreNotLeftAloneAtAPageBottom()
    {
        int moved = 0;
        for (int lines = 14; lines < 24; ++lines) {
            RichEdit e;
            loadRtf(e, headedTable(2, 6, -1, 1, lines));
            auto *table =
                qobject_cast<QTextTable *>(e.document()->rootFrame()->childFrames().value(0));
            QVERIFY(table);
            const int headingStart = table->cellAt(0, 0).firstPosition();
            const int bodyStart = table->cellAt(2, 0).firstPosition();
            QImage img(816, 1056, QImage::Format_ARGB32);
            img.setDotsPerMeterX(3780);
            img.setDotsPerMeterY(3780);
            const QList<int> starts = paginate(e, img, 1440 * 4, false);
            QCOMPARE(paginate(e, img, 1440 * 4, true), starts);
            const qsizetype body = starts.indexOf(bodyStart);
            QVERIFY2(body < 0 || starts.value(body - 1) == headingStart,
                     qPrintable(QStringLiteral("%1 lines before").arg(lines)));
            moved += starts.contains(headingStart);
        }
        QVERIFY(moved > 0); // some of the cases put the heading rows at a page's top
    }

    // Given heading rows taller than half a page, when paginated, then they are not repeated
    // (rows below them would have too little room) and every row is still on one page.
    void headingRowsTallerThanHalfAPageAreNotRepeated()
    {
        RichEdit e;
        loadRtf(e, headedTable(1, 80, -1, 30));
        const QList<QStringList> pages = pdfPages(e, 96, 1440 * 6);
        QVERIFY(pages.size() >= 3);
        int headings = 0;
        for (const QStringList &page : pages)
            headings += page.count(QStringLiteral("H0b"));
        QCOMPARE(headings, 1);
        QCOMPARE(withPrefix(pages, QLatin1Char('r')), numbered('r', 80));
    }

    // Given numbered paragraphs over more than a page, the last of them in the heading cell of
    // a long table, when the pages are written to a PDF a small part at a time (so that the
    // table's pages are laid out from a part that starts among the numbered paragraphs),
    // then the heading is numbered as in the document on every page, the original and each
    // repeated copy alike.
    void repeatedHeadingsKeepTheirNumbers()
    {
        RichEdit e;
        loadRtf(e, headedTable(1, 90, -1, 1, 60));
        QTextCursor c(e.document());
        QTextBlockFormat numberedFormat;
        numberedFormat.setProperty(prop::Numbering, int(PFN_ARABIC));
        for (QTextBlock b = e.document()->begin(); b.isValid(); b = b.next())
            if (b.text().startsWith(QLatin1String("Line ")) || b.text() == QLatin1String("H0a")) {
                c.setPosition(b.position());
                c.mergeBlockFormat(numberedFormat);
            }
        e.setFormatRangePartSize(200);
        const QList<QStringList> pages = pdfPages(e, 300, 1440 * 6);
        e.setFormatRangePartSize(256 * 1024);
        int headings = 0;
        for (const QStringList &page : pages) {
            const qsizetype at = page.indexOf(QStringLiteral("H0a"));
            if (at < 0)
                continue;
            ++headings;
            // (the number is in the PDF next to the paragraph's text, before or after it)
            const QStringList around = page.mid(qMax<qsizetype>(0, at - 1), 3);
            QVERIFY2(around.contains(QStringLiteral("61."))
                         && around.filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).size() == 1,
                     qPrintable(page.mid(0, 8).join(QLatin1Char(' '))));
        }
        QVERIFY2(headings >= 3, qPrintable(QString::number(headings)));
    }

    // Given a Word file with a long table under two heading rows, when the program exports it
    // to PDF from the command line, then each of its pages starts with the heading rows and
    // every part of the table is there once.
    void theExportedPdfRepeatsTheHeadingRows()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("inventory.rtf"));
        QVERIFY(QFile::copy(QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_header_rows.word.rtf"),
                            source));
        QProcess run;
        run.start(QStringLiteral(SCV_BINARY),
                  {QStringLiteral("--convert-to"), QStringLiteral("pdf"), source,
                   QStringLiteral("--pdf-text")});
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitCode(), 0);
        const QString pdf = dir.filePath(QStringLiteral("inventory.pdf"));
        const QString text = QString::fromUtf8(
            pdfinspect::runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out);
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 2, qPrintable(text.left(200)));
        QStringList parts;
        for (const QString &page : pages) {
            const QStringList words =
                page.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            const qsizetype at = words.indexOf(QStringLiteral("Part"));
            QVERIFY2(at >= 0 && at <= 4, qPrintable(page.left(80)));
            QCOMPARE(words.mid(at, 6), (QStringList{"Part", "Count", "Shelf", "(number)",
                                                    "(pieces)", "(aisle)"}));
            QCOMPARE(words.count(QStringLiteral("Shelf")), 1);
            for (const QString &w : words)
                if (w.startsWith(QLatin1String("P-")))
                    parts << w;
        }
        QCOMPARE(parts.size(), 90);
        QCOMPARE(parts.first(), QStringLiteral("P-001"));
        QCOMPARE(parts.last(), QStringLiteral("P-090"));
        QCOMPARE(parts.removeDuplicates(), 0);
    }
};

QTEST_MAIN(TestHeaderRows)
#include "tst_headerrows.moc"
