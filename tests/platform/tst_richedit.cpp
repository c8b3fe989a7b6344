// Links found as they are typed: in a short paragraph and in one of many thousands of
// characters (where only the text around the change is searched), the typed address becomes a
// link over exactly its characters. The default font set again as it is lays nothing out.
#include "richedit/RichEdit.h"
#include "richedit/TypingLayout.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using richedit::RichEdit;

namespace {

// The link target over each character from `from` for `length` characters ("" for none).
QStringList linksOver(QTextDocument *doc, int from, int length)
{
    QStringList out;
    for (int i = from; i < from + length; ++i) {
        QTextCursor c(doc);
        c.setPosition(i + 1);
        out << c.charFormat().anchorHref();
    }
    return out;
}

} // namespace

class TestRichEdit : public QObject {
    Q_OBJECT
private slots:
    void typedAddressesBecomeLinks_data()
    {
        QTest::addColumn<int>("paragraph"); // characters of "word " before the caret and after
        QTest::newRow("short paragraph") << 40;
        QTest::newRow("long paragraph") << 30000;
    }

    void typedAddressesBecomeLinks()
    {
        QFETCH(int, paragraph);
        // Given a shown control with link detection on and a paragraph of words
        RichEdit editor;
        editor.setAutoUrlDetect(true);
        const QString words = QStringLiteral("word ").repeated(paragraph / 5);
        editor.setPlainText(words + words);
        editor.show();
        QTextCursor c = editor.textCursor();
        c.setPosition(words.size() - 1); // before a space
        editor.setTextCursor(c);

        // When an address is typed into the middle, then more of it
        QTest::keyClicks(&editor, QStringLiteral(" see www.example.org/a"));
        const int at = words.size() + 4;
        QTextDocument *doc = editor.document();

        // Then the address is a link over its characters and nothing around it is
        const QString address = QStringLiteral("www.example.org/a");
        QCOMPARE(linksOver(doc, at, address.size()), QStringList(address.size(), address));
        QCOMPARE(linksOver(doc, at - 4, 4), QStringList(4, QString()));
        QCOMPARE(linksOver(doc, at + address.size(), 5), QStringList(5, QString()));
        // And typing on at its end makes the longer address the link
        c.setPosition(at + address.size());
        editor.setTextCursor(c);
        QTest::keyClicks(&editor, QStringLiteral("bc"));
        const QString longer = address + QStringLiteral("bc");
        QCOMPARE(linksOver(doc, at, longer.size()), QStringList(longer.size(), longer));
        QCOMPARE(doc->firstBlock().text(), words + QStringLiteral("see ") + longer + u' ' + words);
        QCOMPARE(linksOver(doc, at + longer.size(), 5), QStringList(5, QString()));
    }

    void sameDefaultFontLaysNothingOutAgain()
    {
        // Given a shown control with a laid-out document and a default font set
        RichEdit editor;
        editor.resize(400, 300);
        editor.document()->setPlainText(QStringLiteral("Some words\nover two paragraphs"));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        auto *layout = qobject_cast<richedit::TypingLayout *>(editor.document()->documentLayout());
        QVERIFY(layout);
        richedit::CHARFORMAT2 cf;
        cf.dwMask = richedit::CFM_FACE | richedit::CFM_SIZE;
        cf.szFaceName = QStringLiteral("Courier New");
        cf.yHeight = 12 * 20;
        QVERIFY(editor.setCharFormat(richedit::SCF_DEFAULT, cf));
        layout->documentSize();
        const int laidOut = layout->fullEdits();

        // When the same default font is set again (as every activation of the window does)
        QVERIFY(editor.setCharFormat(richedit::SCF_DEFAULT, cf));

        // Then nothing is laid out again; another size still is
        QCOMPARE(layout->fullEdits(), laidOut);
        cf.yHeight = 14 * 20;
        QVERIFY(editor.setCharFormat(richedit::SCF_DEFAULT, cf));
        QCOMPARE(editor.document()->defaultFont().pointSize(), 14);
        QCOMPARE(layout->fullEdits(), laidOut + 1);
    }
};

QTEST_MAIN(TestRichEdit)
#include "tst_richedit.moc"
