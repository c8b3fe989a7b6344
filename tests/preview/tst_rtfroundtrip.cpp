// The preview's copy through Rich Text, and the check that lets headless jobs lay their pages
// out from the source itself when the copy would be the same document.
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"
#include "preview/RtfRoundTrip.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QtTest>

namespace {

// Loads Rich Text as a document file is loaded.
void load(TRxRichEdit &control, const QByteArray &rtf)
{
    QBuffer buffer;
    buffer.setData(rtf);
    buffer.open(QIODevice::ReadOnly);
    control.Lines.LoadDocumentStream(buffer);
}

// count paragraphs going round six shapes: plain, bold and italic runs, centred, indented
// with a hanging first line, right to left, and empty.
QByteArray mixedDocument(int count)
{
    QByteArray body;
    for (int i = 0; i < count; ++i) {
        switch (i % 6) {
        case 0: body += "\\pard Plain text of paragraph " + QByteArray::number(i)
                    + ", long enough to run over more than one line of a page of the preview.\\par\n"; break;
        case 1: body += "\\pard Some {\\b bold} and {\\i\\fs28 large italic} words.\\par\n"; break;
        case 2: body += "\\pard\\qc A centred line\\tab with a tab.\\par\n"; break;
        case 3: body += "\\pard\\li720\\fi-360 Indented, with a hanging first line.\\par\n"; break;
        case 4: body += "\\pard\\rtlpar Right to left.\\par\n"; break;
        default: body += "\\pard\\par\n"; break;
        }
    }
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\fs20 " + body + "}";
}

// One paragraph of body between two runs of repeat plain paragraphs.
QByteArray wrap(const QByteArray &body, int repeat = 200, const QByteArray &fonts = {})
{
    QByteArray all;
    for (int i = 0; i < repeat; ++i)
        all += "Paragraph of plain text.\\par\n";
    return "{\\rtf1\\ansi" + fonts + " " + all + body + "\\par\n" + all + "}";
}

// count tables of rows bordered cells (the first row shaded, some cells of two paragraphs),
// each after a heading, ending with a table and an empty paragraph as word processors write
// them.
QByteArray tableDocument(int count, int rows = 12)
{
    QByteArray body;
    const QByteArray border = "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                              "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
    for (int t = 0; t < count; ++t) {
        body += "\\pard\\sb240\\sa120\\keepn{\\b\\fs30 Table " + QByteArray::number(t)
            + "}\\par\n";
        for (int r = 0; r < rows; ++r) {
            body += "\\trowd\\trgaph108\\trleft0";
            for (int x : {2000, 6000, 9000})
                body += border + (r == 0 ? "\\clcbpat2" : "") + "\\cellx" + QByteArray::number(x);
            for (int c = 0; c < 3; ++c) {
                body += "\\pard\\intbl cell " + QByteArray::number(r) + " " + QByteArray::number(c);
                if ((r * 3 + c) % 11 == 5)
                    body += "\\par and a second paragraph in it";
                body += "\\cell ";
            }
            body += "\\row\n";
        }
    }
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}"
           "{\\colortbl ;\\red0\\green0\\blue0;\\red220\\green220\\blue220;}\\fs24 "
        + body + "\\pard\n}";
}

// A preview on the fixed reference device, paginating one source.
struct Pages {
    TGmPreview preview;
    TGmRtfPreview paginator;

    explicit Pages(bool shares)
    {
        preview.GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer"));
        preview.OnNeedRichEdit = [](QObject *, TRxRichEdit *&r) { r = new TRxRichEdit; };
        paginator.SetPreview(&preview);
        paginator.SharesUnchangedSource = shares;
    }
    QList<QPair<int, int>> ranges() const
    {
        QList<QPair<int, int>> r;
        for (int n = 1; n <= preview.Count(); ++n)
            r << qMakePair(preview.Pages(n)->RtfInfo().cpMin(), preview.Pages(n)->RtfInfo().cpMax());
        return r;
    }
    QImage draw(int number)
    {
        TGmPage *page = preview.Pages(number);
        QImage image(int(page->WidthInches() * 96), int(page->HeightInches() * 96),
                     QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        preview.PageList().DrawPage(page, painter, 96, 96, QDateTime(QDate(2024, 1, 1), QTime()));
        return image;
    }
};

// The pages of source's copy through Rich Text, as the preview made its copy before a direct
// copy was made where the copy check allows: the copy laid out from itself.
QList<QPair<int, int>> richTextCopyPages(TRxRichEdit &source, QList<QImage> *images = nullptr)
{
    TRxRichEdit copy;
    copy.resize(0, 0);
    rtfcopy::replaceSelection(copy, rtfcopy::streamOut(source));
    Pages pages(true);
    pages.paginator.LoadFromRichEdit(&copy);
    for (int n = 1; images && n <= pages.preview.Count(); ++n)
        *images << pages.draw(n);
    return pages.ranges();
}

} // namespace

class TestRtfRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void readsBackUnchanged_data();
    void readsBackUnchanged();
    void aLateFormatThatDoesNotReadBackIsFound();
    void aLateCellFormatThatDoesNotReadBackIsFound();
    void sharedPagesEqualCopiedPages();
    void sharedTablePagesEqualCopiedPages();
    void sharedPagesOfSampleFilesEqualCopiedPages_data();
    void sharedPagesOfSampleFilesEqualCopiedPages();
    void withoutThePromiseTheCopyIsMade();
};

void TestRtfRoundTrip::readsBackUnchanged_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("unchanged");
    QTest::newRow("paragraphs of a few shapes") << mixedDocument(300) << true;
    QTest::newRow("too few paragraphs for a sample") << mixedDocument(3) << false;
    QTest::newRow("a table") << wrap("\\trowd\\cellx2000\\cellx4000 a\\cell b\\cell\\row") << true;
    QTest::newRow("tables of a few shapes") << tableDocument(40) << true;
    QTest::newRow("a bullet") << wrap("{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}Item")
                              << false;
    QTest::newRow("a link's text") << wrap("see www.example.com") << false;
    QTest::newRow("text beyond ASCII") << wrap("caf\\u233?") << false;
    QTest::newRow("a Symbol-font run")
        << wrap("{\\f1 abc}", 200, "{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}") << false;
}

void TestRtfRoundTrip::readsBackUnchanged()
{
    // Given a document loaded from Rich Text
    QFETCH(QByteArray, rtf);
    QFETCH(bool, unchanged);
    TRxRichEdit source;
    load(source, rtf);
    QVERIFY(source.textLength() > 0);
    // When asked whether a copy would be the same document, then the answer is as expected
    QCOMPARE(rtfcopy::readsBackUnchanged(source), unchanged);
    QVERIFY(source.textLength() > 0); // and the source is left as it was
}

void TestRtfRoundTrip::aLateFormatThatDoesNotReadBackIsFound()
{
    // Given 300 plain paragraphs and, in the middle, one run whose format Rich Text cannot
    // carry (overline)
    TRxRichEdit source;
    load(source, wrap("Middle paragraph", 150));
    QVERIFY(rtfcopy::readsBackUnchanged(source));
    QTextCursor cursor(source.document());
    cursor.setPosition(source.document()->findBlockByNumber(150).position());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat overline;
    overline.setFontOverline(true);
    cursor.mergeCharFormat(overline);
    // Then the sample finds it
    QVERIFY(!rtfcopy::readsBackUnchanged(source));
}

void TestRtfRoundTrip::aLateCellFormatThatDoesNotReadBackIsFound()
{
    // Given forty tables alike whose copy would be the same document
    TRxRichEdit source;
    load(source, tableDocument(40));
    QVERIFY(rtfcopy::readsBackUnchanged(source));
    const QList<QTextFrame *> tables = source.document()->rootFrame()->childFrames();
    QCOMPARE(tables.size(), 40);
    // When one cell of the thirtieth table gets a format Rich Text cannot carry, or a run in
    // a cell of the twentieth does, then the sample finds either, and the copy is the same
    // document again once it is gone
    auto *late = qobject_cast<QTextTable *>(tables.at(29));
    QTextTableCell cell = late->cellAt(5, 1);
    QTextTableCellFormat odd = cell.format().toTableCellFormat();
    odd.setProperty(QTextFormat::UserProperty + 999, 7);
    cell.setFormat(odd);
    QVERIFY(!rtfcopy::readsBackUnchanged(source));
    odd.clearProperty(QTextFormat::UserProperty + 999);
    cell.setFormat(odd);
    QVERIFY(rtfcopy::readsBackUnchanged(source));
    QTextCursor inCell = qobject_cast<QTextTable *>(tables.at(19))->cellAt(3, 2).firstCursorPosition();
    inCell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    const QTextCharFormat plain = inCell.charFormat();
    QTextCharFormat overline;
    overline.setFontOverline(true);
    inCell.mergeCharFormat(overline);
    QVERIFY(!rtfcopy::readsBackUnchanged(source));
    inCell.setCharFormat(plain);
    QVERIFY(rtfcopy::readsBackUnchanged(source));
    // and so is a table put into a cell (Rich Text reads nested cells into their outer cell)
    qobject_cast<QTextTable *>(tables.at(9))->cellAt(1, 1).firstCursorPosition().insertTable(1, 2);
    QVERIFY(!rtfcopy::readsBackUnchanged(source));
}

void TestRtfRoundTrip::sharedTablePagesEqualCopiedPages()
{
    // Given a document of tables long enough for several pages, paginated once through the
    // copy and once from the source itself
    TRxRichEdit source;
    load(source, tableDocument(30, 20));
    Pages copied(false);
    copied.paginator.LoadFromRichEdit(&source);
    Pages shared(true);
    shared.paginator.LoadFromRichEdit(&source);
    QVERIFY(copied.preview.Count() > 5);
    QCOMPARE(shared.preview.Pages(1)->RtfInfo().RichEdit(), &source);
    // Then the pages hold the same text and look the same, and those of the copy through Rich
    // Text
    QList<QImage> richText;
    QCOMPARE(richTextCopyPages(source, &richText), copied.ranges());
    QCOMPARE(shared.ranges(), copied.ranges());
    for (int n : {1, 2, copied.preview.Count() / 2, copied.preview.Count()}) {
        QCOMPARE(shared.draw(n), copied.draw(n));
        QCOMPARE(richText.value(n - 1), copied.draw(n));
    }
}

void TestRtfRoundTrip::sharedPagesOfSampleFilesEqualCopiedPages_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(SCV_TEST_DATA_DIR "/rtf"));
    for (const QString &name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files))
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestRtfRoundTrip::sharedPagesOfSampleFilesEqualCopiedPages()
{
    // Given a file written by another word processor, repeated until its copy check has a
    // sample to go by, paginated through the copy and from the source where the check allows
    QFETCH(QString, file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray rtf = f.readAll();
    const qsizetype open = rtf.indexOf("\\pard");
    const qsizetype close = rtf.lastIndexOf('}');
    QVERIFY(open > 0 && close > open);
    QByteArray body;
    for (int i = 0; i < 8; ++i)
        body += rtf.mid(open, close - open) + "\\pard\\par\n";
    TRxRichEdit source;
    load(source, rtf.left(open) + body + "}");
    Pages copied(false);
    copied.paginator.LoadFromRichEdit(&source);
    Pages shared(true);
    shared.paginator.LoadFromRichEdit(&source);
    // Then whichever way the pages were laid out (the source itself, its direct copy where
    // the check allows, its copy through Rich Text), they hold the same text and look the same
    QList<QImage> richText;
    QCOMPARE(richTextCopyPages(source, &richText), copied.ranges());
    QCOMPARE(shared.ranges(), copied.ranges());
    for (int n = 1; n <= copied.preview.Count(); ++n) {
        const QImage page = copied.draw(n);
        QCOMPARE(shared.draw(n), page);
        QCOMPARE(richText.value(n - 1), page);
    }
}

void TestRtfRoundTrip::sharedPagesEqualCopiedPages()
{
    // Given a document whose copy would be the same document, paginated once through the copy
    // and once from the source itself
    TRxRichEdit source;
    load(source, mixedDocument(600));
    Pages copied(false);
    copied.paginator.LoadFromRichEdit(&source);
    Pages shared(true);
    shared.paginator.LoadFromRichEdit(&source);
    QVERIFY(copied.preview.Count() > 3);
    QVERIFY(copied.preview.Pages(1)->RtfInfo().RichEdit() != &source);
    QCOMPARE(shared.preview.Pages(1)->RtfInfo().RichEdit(), &source);
    // Then the pages hold the same text and look the same, and those of the copy through Rich
    // Text
    QCOMPARE(richTextCopyPages(source), copied.ranges());
    QCOMPARE(shared.ranges(), copied.ranges());
    for (int n : {1, 2, copied.preview.Count()})
        QCOMPARE(shared.draw(n), copied.draw(n));
}

void TestRtfRoundTrip::withoutThePromiseTheCopyIsMade()
{
    // Given a document that would read back unchanged, and a paginator whose owner may change
    // the source later (the print preview window)
    for (const QByteArray &rtf : {mixedDocument(300), tableDocument(40)}) {
        TRxRichEdit source;
        load(source, rtf);
        QVERIFY(rtfcopy::readsBackUnchanged(source));
        const QString text = source.document()->toRawText();
        const int tables = int(source.document()->rootFrame()->childFrames().size());
        Pages pages(false);
        pages.paginator.LoadFromRichEdit(&source);
        // When the source changes after the pagination
        TRxRichEdit *laidOut = pages.preview.Pages(1)->RtfInfo().RichEdit();
        source.setWindowText(QStringLiteral("changed"));
        // Then the pages keep their own copy, the whole document with its tables, which
        // nothing can undo
        QVERIFY(laidOut != &source);
        QCOMPARE(laidOut->document()->toRawText(), text);
        QCOMPARE(int(laidOut->document()->rootFrame()->childFrames().size()), tables);
        QVERIFY(!laidOut->document()->isUndoAvailable());
        QVERIFY(!laidOut->document()->isModified());
    }
}

QTEST_MAIN(TestRtfRoundTrip)
#include "tst_rtfroundtrip.moc"
