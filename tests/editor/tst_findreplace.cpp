// TextFinder on documents built in code: matches across formatting runs and paragraph breaks,
// case and whole-word options, going round the document, replacing with each run's format as
// one undo step, and protected text left alone.
#include <QtTest>

#include "editor/FindReplace.h"
#include "richedit/RichEditTypes.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// Appends text in a format to the end of the document.
void add(QTextDocument &doc, const QString &text, const QTextCharFormat &format = {})
{
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    c.insertText(text, format);
}

QTextCharFormat bold()
{
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    return f;
}

QTextCharFormat coloured(const QColor &colour)
{
    QTextCharFormat f;
    f.setForeground(colour);
    return f;
}

QTextCharFormat formatAt(QTextDocument &doc, int position)
{
    QTextCursor c(&doc);
    c.setPosition(position + 1);
    return c.charFormat();
}

} // namespace

class TestFindReplace : public QObject {
    Q_OBJECT
private slots:
    void matchesRunAcrossFormatsAndParagraphs()
    {
        QTextDocument doc;
        add(doc, QStringLiteral("Hel"));
        add(doc, QStringLiteral("lo Wo"), bold());
        add(doc, QStringLiteral("rld\nnext line"));
        TextFinder finder(&doc);
        FindResult r = finder.find(QStringLiteral("hello world"), 0, false, {});
        QCOMPARE(r.start, 0);
        QCOMPARE(r.length, 11);
        QVERIFY(!r.wrapped);
        r = finder.find(QStringLiteral("world\nnext"), 0, false, {});
        QCOMPARE(r.start, 6);
        QVERIFY(!finder.find(QStringLiteral("worldnext"), 0, false, {}).found());
    }

    void caseAndWholeWordOptions()
    {
        QTextDocument doc;
        add(doc, QStringLiteral("Cat concat cat_x cat, CAT"));
        TextFinder finder(&doc);
        FindOptions exact;
        exact.matchCase = true;
        QCOMPARE(finder.findAll(QStringLiteral("cat"), exact), (QList<int>{7, 11, 17}));
        QCOMPARE(finder.findAll(QStringLiteral("cat"), {}), (QList<int>{0, 7, 11, 17, 22}));
        FindOptions words;
        words.wholeWords = true;
        QCOMPARE(finder.findAll(QStringLiteral("cat"), words), (QList<int>{0, 17, 22}));
        words.matchCase = true;
        QCOMPARE(finder.findAll(QStringLiteral("cat"), words), (QList<int>{17}));
        // A search text that itself ends in a non-word character still counts as whole.
        words.matchCase = false;
        QCOMPARE(finder.findAll(QStringLiteral("cat,"), words), (QList<int>{17}));
    }

    void searchGoesRoundOnceEachWay()
    {
        QTextDocument doc;
        add(doc, QStringLiteral("one two one two"));
        TextFinder finder(&doc);
        // Forward from after the last "one": round to the first.
        FindResult r = finder.find(QStringLiteral("one"), 9, false, {});
        QCOMPARE(r.start, 0);
        QVERIFY(r.wrapped);
        r = finder.find(QStringLiteral("one"), 3, false, {});
        QCOMPARE(r.start, 8);
        QVERIFY(!r.wrapped);
        // Backward from before the first "two": round to the last.
        r = finder.find(QStringLiteral("two"), 4, true, {});
        QCOMPARE(r.start, 12);
        QVERIFY(r.wrapped);
        r = finder.find(QStringLiteral("two"), 12, true, {});
        QCOMPARE(r.start, 4);
        QVERIFY(!r.wrapped);
        // The only match, selected: the next search finds it again, round the document.
        QTextDocument single;
        add(single, QStringLiteral("just one here"));
        r = TextFinder(&single).find(QStringLiteral("one"), 8, false, {});
        QCOMPARE(r.start, 5);
        QVERIFY(r.wrapped);
        QVERIFY(!TextFinder(&single).find(QStringLiteral("none"), 0, false, {}).found());
        QVERIFY(!TextFinder(&single).find(QString(), 0, false, {}).found());
    }

    void replaceAllKeepsEachRunsFormatAsOneUndoStep()
    {
        QTextDocument doc;
        add(doc, QStringLiteral("a cat, "));
        add(doc, QStringLiteral("a cat"), bold());
        add(doc, QStringLiteral(", and a "));
        add(doc, QStringLiteral("cat"), coloured(Qt::red));
        add(doc, QStringLiteral("\ncat!"));
        const QString before = doc.toPlainText();
        TextFinder finder(&doc);
        QCOMPARE(finder.replaceAll(QStringLiteral("cat"), QStringLiteral("tiger"), {}), 4);
        QCOMPARE(doc.toPlainText(), QStringLiteral("a tiger, a tiger, and a tiger\ntiger!"));
        QCOMPARE(formatAt(doc, 2).fontWeight(), int(QFont::Normal));
        QCOMPARE(formatAt(doc, 11).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(doc, 15).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(doc, 24).foreground().color(), QColor(Qt::red));
        QCOMPARE(formatAt(doc, 28).foreground().color(), QColor(Qt::red));
        QVERIFY(formatAt(doc, 23).foreground().color() != QColor(Qt::red));
        // One undo brings everything back.
        doc.undo();
        QCOMPARE(doc.toPlainText(), before);
        QCOMPARE(formatAt(doc, 8).fontWeight(), int(QFont::Bold));
    }

    void replacingAMatchOverTwoRunsTakesTheFirstRunsFormat()
    {
        QTextDocument doc;
        add(doc, QStringLiteral("ab"), bold());
        add(doc, QStringLiteral("cd"), coloured(Qt::blue));
        TextFinder finder(&doc);
        QVERIFY(finder.replaceAt(1, 2, QStringLiteral("XY")));
        QCOMPARE(doc.toPlainText(), QStringLiteral("aXYd"));
        QCOMPARE(formatAt(doc, 1).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(doc, 2).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(doc, 3).foreground().color(), QColor(Qt::blue));
        // An empty replacement deletes.
        QVERIFY(finder.replaceAt(1, 2, QString()));
        QCOMPARE(doc.toPlainText(), QStringLiteral("ad"));
        QVERIFY(!finder.replaceAt(1, 5, QStringLiteral("x"))); // past the end
    }

    void protectedMatchesAreNotReplaced()
    {
        QTextDocument doc;
        QTextCharFormat locked;
        locked.setProperty(richedit::prop::Protected, true);
        add(doc, QStringLiteral("cat "));
        add(doc, QStringLiteral("cat"), locked);
        add(doc, QStringLiteral(" cat"));
        TextFinder finder(&doc);
        QCOMPARE(finder.replaceAll(QStringLiteral("cat"), QStringLiteral("dog"), {}), 2);
        QCOMPARE(doc.toPlainText(), QStringLiteral("dog cat dog"));
        QVERIFY(!finder.replaceAt(4, 3, QStringLiteral("dog")));
        QCOMPARE(doc.toPlainText(), QStringLiteral("dog cat dog"));
    }
};

QTEST_MAIN(TestFindReplace)
#include "tst_findreplace.moc"
