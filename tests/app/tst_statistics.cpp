// Status bar statistics: the separator set, counting, panel texts, and the per-paragraph cache
// against the whole-text count under random edits.
#include <QtTest>

#include "app/Statistics.h"
#include "richedit/TableJoint.h"
#include "support/RtfTestSupport.h"
#include "text/CodePage.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

// The document as the editor's window text: paragraphs joined by CR LF.
QString windowText(const QTextDocument &doc)
{
    QStringList paragraphs;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        paragraphs.append(b.text());
    return paragraphs.join(QStringLiteral("\r\n"));
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
private slots:
    void separatorSet()
    {
        const QByteArray punctuation = "!#$%()*,./:;?@\\^";
        int members = 0;
        for (int b = 0; b < 256; ++b) {
            const bool expected = b <= 32 || punctuation.contains(char(b));
            QCOMPARE(IsWordSeparator(static_cast<unsigned char>(b)), expected);
            QCOMPARE(isWordSeparatorChar(text::cp1252ToUnicode(static_cast<unsigned char>(b))
                                             .unicode()),
                     expected);
            members += expected;
        }
        QCOMPARE(members, 49);
    }

    void counting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("characters");
        QTest::addColumn<QString>("wordsPerLine");
        QTest::newRow("empty document") << "" << 0 << "0" << "0" << "    0.00";
        QTest::newRow("hello world") << "Hello, world!" << 1 << "2" << "13" << "    2.00";
        QTest::newRow("two paragraphs") << "one\r\ntwo" << 2 << "2" << "8" << "    1.00";
        QTest::newRow("only separators") << " \t,.;\r\n" << 1 << "0" << "7" << "    0.00";
        QTest::newRow("thirds round") << "a b" << 3 << "2" << "3" << "    0.67";
        QTest::newRow("wide quotient") << "a b c d e f g h i j" << 0 << "10" << "19"
                                       << "   10.00";
        QTest::newRow("typographic quotes join") << QStringLiteral("\u201Cquoted\u201D said")
                                                 << 1 << "2" << "13" << "    2.00";
        QTest::newRow("long dash joins") << QStringLiteral("yes\u2014no") << 1 << "1" << "6"
                                         << "    1.00";
        QTest::newRow("no-break space joins") << QStringLiteral("10\u00A0km") << 1 << "1" << "5"
                                              << "    1.00";
        QTest::newRow("other script") << QStringLiteral("\u0416\u0443\u043A \u0435\u0441\u0442")
                                      << 1 << "2" << "7" << "    2.00";
        QTest::newRow("astral character is one") << QStringLiteral("a\U0001F600b c") << 1 << "2"
                                                 << "5" << "    2.00";
        QTest::newRow("line separator splits") << QStringLiteral("a\u2028b") << 1 << "2" << "3"
                                               << "    2.00";
        QTest::newRow("ideographic space splits") << QStringLiteral("a\u3000b") << 1 << "2"
                                                  << "3" << "    2.00";
        for (const char *w : {"don't", "e-mail", "x+y", "snake_case", "a&b", "<tag>", "[x]", "a=b"})
            QTest::newRow(w) << QString::fromLatin1(w) << 1 << "1"
                             << QString::number(qstrlen(w)) << "    1.00";
        for (const char *w : {"3.5", "a/b", "a:b", "a^b", "a@b", "a\\b", "a#b", "a(b)", "a?b"})
            QTest::newRow(w) << QString::fromLatin1(w) << 1 << "2"
                             << QString::number(qstrlen(w)) << "    2.00";
    }
    void counting()
    {
        QFETCH(QString, text);
        QFETCH(int, lineCount);
        QFETCH(QString, words);
        QFETCH(QString, characters);
        QFETCH(QString, wordsPerLine);
        const StatisticsTexts t = CountTextStatistics(QStringView(text), lineCount);
        QCOMPARE(t.WordsText, words);
        QCOMPARE(t.CharactersText, characters);
        QCOMPARE(t.LinesText, QString::number(lineCount));
        QCOMPARE(t.WordsPerLineText, wordsPerLine);
        // Where the text is all Windows-1252, the byte count agrees.
        if (text::fitsCp1252(text))
            QCOMPARE(CountTextStatistics(QByteArrayView(text::encode(text)), lineCount), t);
    }

    void panelTexts_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("start") << 0 << 0 << "Line:   1  Col:   1";
        QTest::newRow("third line") << 2 << 0 << "Line:   3  Col:   1";
        QTest::newRow("wide numbers") << 999 << 119 << "Line: 1000  Col: 120";
    }
    void panelTexts()
    {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, expected);
        QCOMPARE(lineColumnText(line, column), expected);
    }

    void allPanels()
    {
        const StatusPanelTexts p =
            statusPanelTexts(0, 13, CountTextStatistics(u"Hello, world!", 1));
        QCOMPARE(p.lineColumn, QStringLiteral("Line:   1  Col:  14"));
        QCOMPARE(p.words, QStringLiteral("Words: 2"));
        QCOMPARE(p.characters, QStringLiteral("Characters: 13"));
        QCOMPARE(p.lines, QStringLiteral("Lines: 1"));
        QCOMPARE(p.wordsPerLine, QStringLiteral("Words per line:     2.00"));
        const StatusPanelTexts empty = statusPanelTexts(0, 0, CountTextStatistics(u"", 0));
        QCOMPARE(empty.wordsPerLine, QStringLiteral("Words per line:     0.00"));
        QCOMPARE(empty.lines, QStringLiteral("Lines: 0"));
    }

    void cacheFollowsSimpleEdits()
    {
        QTextDocument doc;
        StatisticsCache cache(&doc);
        QCOMPARE(cache.counts(), TextCounts{});
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("one"));
        c.insertBlock();
        c.insertText(QStringLiteral("two"));
        QCOMPARE(cache.counts(), (TextCounts{2, 8}));
        c.setPosition(1);
        c.setPosition(6, QTextCursor::KeepAnchor);
        c.removeSelectedText(); // "o" + "o"
        QCOMPARE(cache.counts(), (TextCounts{1, 2}));
        doc.undo();
        QCOMPARE(cache.counts(), (TextCounts{2, 8}));
        QCOMPARE(cache.fullCounts(), 1);
        doc.setPlainText(QStringLiteral("a b\nc"));
        QCOMPARE(cache.counts(), (TextCounts{3, 6}));
        doc.clear();
        QCOMPARE(cache.counts(), TextCounts{});

        QTextDocument other(QStringLiteral("new document"));
        cache.setDocument(&other);
        QCOMPARE(cache.counts(), (TextCounts{2, 12}));
        QTextCursor(&doc).insertText(QStringLiteral("ignored now"));
        QTextCursor(&other).insertText(QStringLiteral("a "));
        QCOMPARE(cache.counts(), (TextCounts{3, 14}));
    }

    // Given tables joined where a file's rows are placed apart, when counted, then the joints
    // count neither as paragraphs nor as breaks; when a table beside a joint is removed or
    // the removal undone, the cache still equals a fresh count of the document.
    void jointsBetweenTablesAreNotCounted()
    {
        QTextDocument doc;
        StatisticsCache cache(&doc);
        rtftest::readInto(&doc, rtftest::fileBytes(QStringLiteral(
                                    SCV_TEST_DATA_DIR "/rtf/table_row_indents.libreoffice.rtf")));
        QStringList paragraphs;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            if (!richedit::isTableJoint(b))
                paragraphs.append(b.text());
        QCOMPARE(paragraphs.size(), doc.blockCount() - 4);
        QCOMPARE(cache.counts(), countText(paragraphs.join(QStringLiteral("\r\n"))));
        auto *second = qobject_cast<QTextTable *>(doc.rootFrame()->childFrames().value(1));
        QVERIFY(second);
        second->removeRows(0, second->rows());
        QCOMPARE(cache.counts(), StatisticsCache(&doc).counts());
        doc.undo();
        QCOMPARE(cache.counts(), StatisticsCache(&doc).counts());
        QCOMPARE(cache.counts(), countText(paragraphs.join(QStringLiteral("\r\n"))));
    }

    // Given a document under a long run of random edits (typing, deleting across paragraphs,
    // formatting, undo and redo, replacing everything), the cache equals the whole-text count
    // after every single edit, and it never had to count the whole document again.
    void cacheEqualsReferenceUnderRandomEdits_data()
    {
        // Paragraphs this long and longer are counted in pieces this long
        QTest::addColumn<int>("longParagraph");
        QTest::addColumn<int>("piece");
        QTest::newRow("whole paragraphs") << 65536 << 4096;
        QTest::newRow("pieces of 2") << 1 << 2;
        QTest::newRow("pieces of 5 in paragraphs of 20") << 20 << 5;
    }

    void cacheEqualsReferenceUnderRandomEdits()
    {
        QFETCH(int, longParagraph);
        QFETCH(int, piece);
        QRandomGenerator rng(20261207);
        const QString alphabet = QStringLiteral("abc xyz,.-'\t\u2014\u0416\u201C\u3000\u2028\U0001F600");
        auto randomText = [&] {
            QString s;
            const int n = rng.bounded(1, 12);
            for (int i = 0; i < n; ++i) {
                if (rng.bounded(8) == 0)
                    s += QChar::ParagraphSeparator;
                else
                    s += alphabet[rng.bounded(int(alphabet.size()))];
            }
            return s;
        };

        QTextDocument doc;
        doc.setPlainText(QStringLiteral("First paragraph, with words.\nSecond one.\n\nFourth."));
        StatisticsCache cache(&doc);
        cache.setLongParagraph(longParagraph, piece);
        const int initialFullCounts = cache.fullCounts();
        for (int step = 0; step < 3000; ++step) {
            QTextCursor c(&doc);
            const int end = doc.characterCount() - 1;
            const int a = rng.bounded(end + 1);
            const int b = rng.bounded(end + 1);
            switch (rng.bounded(9)) {
            case 0:
            case 1:
            case 2:
                c.setPosition(a);
                c.insertText(randomText());
                break;
            case 3:
                c.setPosition(a);
                c.setPosition(b, QTextCursor::KeepAnchor);
                c.removeSelectedText();
                break;
            case 4:
                c.setPosition(a);
                c.insertBlock();
                break;
            case 5: {
                c.setPosition(a);
                c.setPosition(b, QTextCursor::KeepAnchor);
                QTextCharFormat f;
                f.setFontWeight(rng.bounded(2) ? QFont::Bold : QFont::Normal);
                c.mergeCharFormat(f);
                break;
            }
            case 6:
                doc.undo();
                break;
            case 7:
                doc.redo();
                break;
            case 8:
                c.setPosition(a);
                c.setPosition(b, QTextCursor::KeepAnchor);
                c.beginEditBlock();
                c.insertText(randomText());
                c.insertBlock();
                c.insertText(randomText());
                c.endEditBlock();
                break;
            }
            const TextCounts expected = countText(windowText(doc));
            if (cache.counts() != expected)
                QFAIL(qPrintable(QStringLiteral("step %1: cache %2/%3, reference %4/%5")
                                     .arg(step)
                                     .arg(cache.counts().words)
                                     .arg(cache.counts().characters)
                                     .arg(expected.words)
                                     .arg(expected.characters)));
        }
        QCOMPARE(cache.fullCounts(), initialFullCounts);
    }
};

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
