// The paragraph walk reads what QTextBlock reports (positions, format indexes, runs), from any
// starting paragraph; the appender builds the document a text cursor would build.
#include <QtTest>

#include "richedit/ParagraphWalk.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace richedit;

namespace {

QTextCharFormat bold()
{
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    return f;
}

QTextBlockFormat indented(int margin)
{
    QTextBlockFormat f;
    f.setLeftMargin(margin);
    return f;
}

// Paragraphs of several shapes: plain, runs of two formats, empty ones with a formatted mark,
// a paragraph format of its own, and text inserted out of order so that one run of one format
// is three fragments apart in the text store (QTextBlock's iterator gives it as one run).
void fill(QTextDocument &doc)
{
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("plain"));
    c.insertBlock(indented(20), bold());
    c.insertText(QStringLiteral("one "));
    c.insertText(QStringLiteral("two"), bold());
    c.insertText(QStringLiteral(" three"));
    c.insertBlock(QTextBlockFormat(), bold()); // empty, its mark bold
    c.insertBlock(indented(40));
    c.insertText(QStringLiteral("tail\u2028line"));
    c.setPosition(2);
    c.insertText(QStringLiteral("XY")); // "plXYain": the run is now three fragments
    c.movePosition(QTextCursor::End);
    c.insertBlock();
}

struct Seen {
    int position, length, blockFormat, markFormat;
    QString text;
    QList<int> formats;
    bool operator==(const Seen &) const = default;
};

QList<Seen> byBlocks(const QTextDocument &doc, int from)
{
    QList<Seen> seen;
    for (QTextBlock b = doc.findBlock(from); b.isValid(); b = b.next()) {
        Seen s{b.position(), b.length(), b.blockFormatIndex(), b.charFormatIndex(), {}, {}};
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            s.text += it.fragment().text();
            s.formats << it.fragment().charFormatIndex();
        }
        seen << s;
    }
    return seen;
}

QList<Seen> byWalk(const QTextDocument &doc, int from)
{
    QList<Seen> seen;
    ParagraphWalk walk(doc, from);
    WalkParagraph p;
    while (walk.next(p)) {
        Seen s{p.position, p.length, p.blockFormat, p.markFormat, {}, {}};
        for (const WalkRun &run : p.runs) {
            s.text += p.text.mid(run.offset, run.length);
            s.formats << run.format;
        }
        seen << s;
    }
    return seen;
}

// Text, paragraph formats and runs with their formats, as a reader of the document sees them.
QStringList dump(const QTextDocument &doc)
{
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QString line = QStringLiteral("[%1|%2]").arg(b.blockFormat().leftMargin())
                           .arg(b.charFormat().fontWeight());
        for (auto it = b.begin(); !it.atEnd(); ++it)
            line += QStringLiteral("(%1:%2)").arg(it.fragment().text())
                        .arg(it.fragment().charFormat().fontWeight());
        out << line;
    }
    return out;
}

} // namespace

class TestParagraphWalk : public QObject {
    Q_OBJECT
private slots:
    void walkReadsWhatBlocksReport_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("document start") << 0;
        QTest::newRow("inside the runs paragraph") << 9;
        QTest::newRow("empty paragraph") << 22;
        QTest::newRow("last paragraph") << 33;
    }
    void walkReadsWhatBlocksReport()
    {
        QFETCH(int, from);
        QTextDocument doc;
        fill(doc);
        QCOMPARE(byWalk(doc, from).size(), byBlocks(doc, from).size());
        QVERIFY(byWalk(doc, from) == byBlocks(doc, from));
    }

    void textReadInPlaceIsTheDocumentsText()
    {
        // Given paragraphs whose runs lie apart in the text store
        QTextDocument doc;
        fill(doc);
        const int length = doc.characterCount();
        // Then every stretch read in place is what the document holds there
        for (int from = 0; from <= length; ++from) {
            for (int to = from; to <= length + 1; ++to) {
                QString expected;
                for (int i = from; i < qMin(to, length); ++i)
                    expected += doc.characterAt(i);
                QCOMPARE(richedit::textBetween(doc, from, to), expected);
            }
        }
        // And each paragraph's text compares with itself and with texts that differ
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            const QString text = b.text();
            QVERIFY(richedit::sameText(b, text));
            QCOMPARE(richedit::commonTextPrefix(b, text), text.size());
            QVERIFY(!richedit::sameText(b, text + u'x'));
            QCOMPARE(richedit::commonTextPrefix(b, text, 2), qMin<qsizetype>(2, text.size()));
            for (int i = 0; i < text.size(); ++i) {
                QString changed = text;
                changed[i] = u'#';
                QVERIFY(!richedit::sameText(b, changed));
                QCOMPARE(richedit::commonTextPrefix(b, changed), i);
                QCOMPARE(richedit::commonTextPrefix(b, text.left(i)), i);
            }
        }
    }

    void emptyDocumentHasOneEmptyParagraph()
    {
        QTextDocument doc;
        ParagraphWalk walk(doc);
        WalkParagraph p;
        QVERIFY(walk.next(p));
        QCOMPARE(p.length, 1);
        QVERIFY(p.runs.isEmpty());
        QVERIFY(!walk.next(p));
    }

    void appenderCopiesAsACursorWould_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("from the start") << 0;
        QTest::newRow("from the runs paragraph") << 9;
    }
    // Given a document, when its paragraphs from one on are appended to another one (the
    // first paragraph's runs into the target's own first paragraph), then the target reads
    // like a cursor copy: same text, paragraph formats, marks and run formats.
    void appenderCopiesAsACursorWould()
    {
        QFETCH(int, from);
        QTextDocument source;
        fill(source);
        const QTextBlock first = source.findBlock(from);
        QTextDocument target;
        target.setUndoRedoEnabled(false);
        QTextCursor into(&target);
        into.setBlockFormat(first.blockFormat());
        into.setBlockCharFormat(first.charFormat());
        into.beginEditBlock();
        appendParagraphs(source, target, from);
        into.endEditBlock();

        QTextDocument expected;
        QTextCursor c(&expected);
        c.setBlockFormat(first.blockFormat());
        c.setBlockCharFormat(first.charFormat());
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            if (b != first)
                c.insertBlock(b.blockFormat(), b.charFormat());
            for (auto it = b.begin(); !it.atEnd(); ++it)
                c.insertText(it.fragment().text(), it.fragment().charFormat());
        }
        QCOMPARE(dump(target), dump(expected));
        QCOMPARE(target.toRawText(), expected.toRawText());
    }
};

QTEST_MAIN(TestParagraphWalk)
#include "tst_paragraphwalk.moc"
