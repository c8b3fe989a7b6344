// The control's document layout: keys typed into a shown control leave every paragraph exactly
// where Qt's full layout puts it, whether the edit took the one-paragraph shortcut or not, and
// the shortcut is taken for plain typing.
#include "support/EditStreams.h"
#include "support/KeyTyping.h"
#include "richedit/RichEdit.h"
#include "richedit/TypingLayout.h"
#include "support/RtfTestSupport.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

using richedit::RichEdit;
using richedit::TypingLayout;

namespace {

// Every paragraph's place and every line's place and width, one line of text per paragraph.
QStringList geometry(QTextDocument *doc)
{
    QStringList out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout *l = b.layout();
        QString row = QStringLiteral("%1 @%2,%3:").arg(b.blockNumber()).arg(l->position().x())
                          .arg(l->position().y());
        for (int i = 0; i < l->lineCount(); ++i) {
            const QTextLine line = l->lineAt(i);
            row += QStringLiteral(" [%1 %2,%3 w%4]").arg(line.textStart()).arg(line.x())
                       .arg(line.y()).arg(line.width());
        }
        out << row;
    }
    out << QStringLiteral("size %1x%2").arg(doc->size().width()).arg(doc->size().height());
    return out;
}

// What Qt's layout makes of the document from scratch.
QStringList fullLayoutGeometry(QTextDocument *doc)
{
    // Qt's own layout of every paragraph, long ones too, in one go.
    auto *layout = qobject_cast<TypingLayout *>(doc->documentLayout());
    const bool slicing = layout && layout->slicingOn();
    if (slicing)
        layout->setSlicing(false);
    doc->markContentsDirty(0, doc->characterCount());
    doc->documentLayout()->blockBoundingRect(doc->lastBlock()); // all of it, before reading
    const QStringList out = geometry(doc);
    if (slicing)
        layout->setSlicing(true);
    return out;
}

TypingLayout *layoutOf(RichEdit &editor)
{
    return qobject_cast<TypingLayout *>(editor.document()->documentLayout());
}

const QString Prose = QStringLiteral("The quick brown fox jumps over the lazy dog near the bank of "
                                     "the river while five dozen liquor jugs wait. ");

// 160 paragraphs (several of Qt's position marks) of two or three lines in varied formats: indents, a first-line indent,
// centred, double spaced, fixed line height, space before and after, a list, a bold run.
void fill(QTextDocument *doc, bool withTable)
{
    QTextCursor c(doc);
    c.beginEditBlock();
    for (int i = 0; i < 160; ++i) {
        QTextBlockFormat f;
        switch (i % 8) {
        case 1: f.setLeftMargin(30); f.setRightMargin(20); break;
        case 2: f.setTextIndent(25); break;
        case 3: f.setAlignment(Qt::AlignHCenter); break;
        case 4: f.setLineHeight(200, QTextBlockFormat::ProportionalHeight); break;
        case 5: f.setLineHeight(22, QTextBlockFormat::FixedHeight); break;
        case 6: f.setTopMargin(6); f.setBottomMargin(9); break;
        default: break;
        }
        if (i > 0)
            c.insertBlock(f);
        else
            c.setBlockFormat(f);
        if (i % 8 == 7)
            c.createList(QTextListFormat::ListDisc);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.insertText(Prose.left(60 + i % 5 * 20));
        c.insertText(QStringLiteral("bold run "), bold);
        c.insertText(QStringLiteral("end"), QTextCharFormat());
        if (withTable && i == 20) {
            c.insertTable(2, 2);
            c.movePosition(QTextCursor::End);
        }
    }
    c.endEditBlock();
}

struct Shown {
    RichEdit editor;
    explicit Shown(bool withTable = false)
    {
        editor.resize(420, 300);
        fill(editor.document(), withTable);
        editor.show();
        editor.document()->documentLayout()->documentSize(); // the whole layout, now
        while (layoutOf(editor)->layoutStatus() != 100)
            QTest::qWait(5);
    }
    void caretAt(int blockNumber, int offset)
    {
        const QTextBlock b = editor.document()->findBlockByNumber(blockNumber);
        QTextCursor c(b);
        c.setPosition(b.position() + qMin(offset, b.length() - 1));
        editor.setTextCursor(c);
    }
};

} // namespace

class TestTypingLayout : public QObject {
    Q_OBJECT
private slots:
    void typingLeavesTheFullLayout_data();
    void typingLeavesTheFullLayout();
    void editsFarApartAfterShortcutEdits();
    void marksSettleAfterAPause();
    void clickAfterShortcutEditsFindsTheRightPlace();
    void paragraphsRunLeftToRightUnlessMarked();
    void lastParagraphDrawnWhileTyping();
    void deferredLayoutWaitsForAQuestion();
    void editOverALongStretchIsLaidOutFromTheEventLoop();
    void longParagraphEditsLeaveTheFullLayout_data();
    void longParagraphEditsLeaveTheFullLayout();
    void longParagraphDrawnAsAfterTheFullLayout();
    void longParagraphsLaidOutInSlicesAsQtWould_data();
    void longParagraphsLaidOutInSlicesAsQtWould();
    void editsWhileSlicingEndAsQtWould_data();
    void editsWhileSlicingEndAsQtWould();
    void hiddenControlLaysOutLongParagraphsAtOnce();
    void slicingEndsWithAScrollBarShownAsNeeded();
};

void TestTypingLayout::typingLeavesTheFullLayout_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("keys"); // letters; '\n' is Enter, '\b' Backspace
    QTest::addColumn<bool>("withTable");
    QTest::addColumn<bool>("shortcut"); // whether the first key must take the shortcut

    QTest::newRow("plain paragraph, middle") << 8 << 20 << "abc" << false << true;
    QTest::newRow("indented both sides") << 9 << 5 << "xyz" << false << true;
    QTest::newRow("first-line indent") << 10 << 3 << "mno" << false << true;
    QTest::newRow("centred") << 11 << 30 << "pq" << false << true;
    QTest::newRow("double spaced") << 12 << 10 << "rs" << false << true;
    QTest::newRow("fixed line height") << 13 << 10 << "tu" << false << true;
    QTest::newRow("space before and after") << 14 << 10 << "vw" << false << true;
    QTest::newRow("list item") << 15 << 10 << "ab" << false << true;
    QTest::newRow("first paragraph") << 0 << 0 << "Hello " << false << true;
    QTest::newRow("letters then Backspace") << 8 << 20 << "ab\b\bc" << false << true;
    // Enough letters to wrap the paragraph onto one more line: Qt's layout moves the rest.
    QTest::newRow("typing that wraps") << 16 << 40 << QString(70, u'w') << false << true;
    QTest::newRow("Enter") << 17 << 12 << "a\nb" << false << true;
    QTest::newRow("Backspace alone") << 18 << 12 << "\b" << false << false;
    QTest::newRow("Backspace joins paragraphs") << 19 << 0 << "\b\b" << false << false;
    QTest::newRow("next to a table") << 20 << 10 << "ab" << true << false;
    QTest::newRow("after a table") << 30 << 10 << "ab" << true << true;
}

void TestTypingLayout::typingLeavesTheFullLayout()
{
    QFETCH(int, block);
    QFETCH(int, offset);
    QFETCH(QString, keys);
    QFETCH(bool, withTable);
    QFETCH(bool, shortcut);

    // Given a laid-out document with the caret in a paragraph
    Shown shown(withTable);
    shown.caretAt(block, offset);
    TypingLayout *layout = layoutOf(shown.editor);
    QVERIFY(layout);
    const int before = layout->shortcutEdits();

    // When keys are typed
    for (int i = 0; i < keys.size(); ++i) {
        typeKey(&shown.editor, keys.at(i));
        if (i == 0)
            QCOMPARE(layout->shortcutEdits() > before, shortcut);
        // Then after each key every paragraph and line is where Qt's full layout puts it
        const QStringList typed = geometry(shown.editor.document());
        QCOMPARE(typed, fullLayoutGeometry(shown.editor.document()));
    }
}

void TestTypingLayout::editsFarApartAfterShortcutEdits()
{
    // Given letters typed near the start (taken by the shortcut)
    Shown shown;
    TypingLayout *layout = layoutOf(shown.editor);
    shown.caretAt(1, 10);
    QTest::keyClicks(&shown.editor, QStringLiteral("early"));
    QVERIFY(layout->marksPending());

    // When Enter is pressed far below, then near the typing
    shown.caretAt(150, 5);
    QTest::keyClick(&shown.editor, Qt::Key_Return);
    QVERIFY(!layout->marksPending());
    QStringList typed = geometry(shown.editor.document());
    QCOMPARE(typed, fullLayoutGeometry(shown.editor.document()));

    shown.caretAt(2, 10);
    QTest::keyClicks(&shown.editor, QStringLiteral("again"));
    shown.caretAt(2, 30);
    QTest::keyClick(&shown.editor, Qt::Key_Return);

    // Then the layout is the full layout both times
    typed = geometry(shown.editor.document());
    QCOMPARE(typed, fullLayoutGeometry(shown.editor.document()));
}

void TestTypingLayout::marksSettleAfterAPause()
{
    Shown shown;
    TypingLayout *layout = layoutOf(shown.editor);
    shown.caretAt(5, 10);
    QTest::keyClicks(&shown.editor, QStringLiteral("pause"));
    QVERIFY(layout->marksPending());
    QTRY_VERIFY_WITH_TIMEOUT(!layout->marksPending(), 3000);
    // Shrinking text is safe again once the marks are settled.
    const int before = layout->shortcutEdits();
    QTest::keyClick(&shown.editor, Qt::Key_Backspace);
    QCOMPARE(layout->shortcutEdits(), before);
    const QStringList typed = geometry(shown.editor.document());
    QCOMPARE(typed, fullLayoutGeometry(shown.editor.document()));
}

void TestTypingLayout::clickAfterShortcutEditsFindsTheRightPlace()
{
    // Given many letters typed in the first paragraphs (marks behind the text that follows)
    Shown shown;
    for (int b = 0; b < 6; ++b) {
        shown.caretAt(b, 4);
        QTest::keyClicks(&shown.editor, QStringLiteral("ab"));
    }
    QVERIFY(layoutOf(shown.editor)->marksPending());

    // When a point in a paragraph further down is looked up, as a click does
    QTextDocument *doc = shown.editor.document();
    for (int b = 10; b < 160; b += 7) {
        const QTextBlock block = doc->findBlockByNumber(b);
        const QTextLine line = block.layout()->lineAt(0);
        const QPointF point = block.layout()->position() + QPointF(line.x() + 2, line.y() + 2);
        // Then it falls in that paragraph
        const int at = doc->documentLayout()->hitTest(point, Qt::FuzzyHit);
        QCOMPARE(doc->findBlock(at).blockNumber(), b);
    }
}

void TestTypingLayout::paragraphsRunLeftToRightUnlessMarked()
{
    // Given a paragraph of Hebrew without a direction of its own and one marked right to left
    RichEdit editor;
    QTextCursor c(editor.document());
    c.insertText(QStringLiteral("\u05E9\u05DC\u05D5\u05DD abc"));
    QTextBlockFormat rtl;
    rtl.setLayoutDirection(Qt::RightToLeft);
    c.insertBlock(rtl);
    c.insertText(QStringLiteral("abc \u05E9\u05DC\u05D5\u05DD"));

    // Then the first runs left to right, as in the classic control, and the second as marked,
    // also in a document loaded in place of the first
    QCOMPARE(editor.document()->firstBlock().textDirection(), Qt::LeftToRight);
    QCOMPARE(editor.document()->lastBlock().textDirection(), Qt::RightToLeft);
    const QByteArray rtf = "{\\rtf1\\ansi\\uc1 \\u1513?\\u1500?\\u1493?\\u1501?\\par}";
    editstream::in(editor, rtf);
    QCOMPARE(editor.document()->firstBlock().text(), QStringLiteral("\u05E9\u05DC\u05D5\u05DD"));
    QCOMPARE(editor.document()->firstBlock().textDirection(), Qt::LeftToRight);
    QVERIFY(layoutOf(editor)); // a loaded document types as quickly
}


namespace {

// The document drawn around its last paragraph, as the control's viewport draws it.
QImage endOfDocument(QTextDocument *doc)
{
    const QTextLayout *last = doc->lastBlock().layout();
    const qreal top = last->position().y() - 60;
    QImage image(500, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.translate(0, -top);
    doc->drawContents(&p, QRectF(0, top, 500, 120));
    return image;
}

} // namespace

void TestTypingLayout::lastParagraphDrawnWhileTyping()
{
    // Given a document that ends in a short paragraph
    Shown shown;
    QTextDocument *doc = shown.editor.document();
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.insertBlock();
    end.insertText(QStringLiteral("End"));
    doc->documentLayout()->documentSize();
    TypingLayout *layout = layoutOf(shown.editor);
    layout->settle();

    // When more letters than it holds are typed near the start without a pause
    shown.caretAt(2, 10);
    QTest::keyClicks(&shown.editor, QStringLiteral("abcdef"));
    QVERIFY(layout->marksPending());

    // Then a click on it still finds it, and it is drawn as after Qt's full layout
    const QTextBlock last = doc->lastBlock();
    const QPointF point = last.layout()->position() + QPointF(last.layout()->lineAt(0).x() + 2, 3);
    QCOMPARE(doc->findBlock(doc->documentLayout()->hitTest(point, Qt::FuzzyHit)).blockNumber(),
             last.blockNumber());
    const QImage typed = endOfDocument(doc);
    fullLayoutGeometry(doc);
    QCOMPARE(typed, endOfDocument(doc));
}

void TestTypingLayout::deferredLayoutWaitsForAQuestion()
{
    // Given a control nobody sees whose layout is deferred, and one laid out as usual, each
    // with a long document loaded
    QTextDocument source;
    fill(&source, true);
    const QByteArray rtf = rtftest::writeDocument(source);
    RichEdit deferred;
    RichEdit usual;
    deferred.setLayoutDeferred(true);
    for (RichEdit *e : {&deferred, &usual}) {
        e->resize(420, 300);
        e->setAttribute(Qt::WA_DontShowOnScreen); // shown for its width, never painted
        e->show();
        editstream::in(*e, rtf);
    }
    QTest::qWait(20); // Qt's layout would go on from its timers meanwhile
    QTextDocument *doc = deferred.document();
    TypingLayout *layout = layoutOf(deferred);

    // Then the document is laid out no further than asked (the control asks for the caret's
    // place at the start)
    QCOMPARE(doc->lastBlock().layout()->lineCount(), 0);

    // When the first paragraph's place is asked, only the start is laid out
    doc->documentLayout()->blockBoundingRect(doc->firstBlock());
    QVERIFY(doc->firstBlock().layout()->lineCount() > 0);
    QTest::qWait(20);
    QCOMPARE(doc->lastBlock().layout()->lineCount(), 0);

    // And every answer that needs the whole document is the usual layout's
    QCOMPARE(deferred.lineCount(), usual.lineCount());
    QCOMPARE(doc->documentLayout()->documentSize(), usual.document()->documentLayout()->documentSize());
    QCOMPARE(geometry(doc), geometry(usual.document()));

    // When deferral ends, edits are laid out as they come
    deferred.setLayoutDeferred(false);
    for (RichEdit *e : {&deferred, &usual}) {
        QTextCursor c(e->document()->findBlockByNumber(40));
        c.insertText(Prose + Prose);
    }
    QTRY_COMPARE(layout->layoutStatus(), 100);
    QCOMPARE(geometry(doc), geometry(usual.document()));
}

void TestTypingLayout::editOverALongStretchIsLaidOutFromTheEventLoop()
{
    // Given a shown, laid-out document
    Shown shown;
    QTextDocument *doc = shown.editor.document();
    TypingLayout *layout = layoutOf(shown.editor);

    // When one edit block changes text all over a long stretch (as replace-all does)
    QTextCursor c(doc);
    c.beginEditBlock();
    c.movePosition(QTextCursor::End);
    for (int i = 0; i < 600; ++i)
        c.insertText(QStringLiteral("\n") + Prose + Prose);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QTextCursor word(b);
        word.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        word.insertText(QStringLiteral("A "));
    }
    c.endEditBlock();

    // Then the edit returns before the whole document is laid out, and the layout finishes
    // from the event loop exactly as Qt's full layout makes it
    QVERIFY(layout->layoutStatus() < 100);
    QTRY_COMPARE(layout->layoutStatus(), 100);
    const QStringList laidOut = geometry(doc);
    QCOMPARE(laidOut, fullLayoutGeometry(doc));
}

namespace {

// Words of every length, so that lines end at different places and some edits move a word from
// one line to the next.
QString longText(int characters, int seed)
{
    static const QStringList words = {QStringLiteral("a"), QStringLiteral("in"),
        QStringLiteral("the"), QStringLiteral("word"), QStringLiteral("quick"),
        QStringLiteral("letters"), QStringLiteral("paragraph"), QStringLiteral("typewriting"),
        QStringLiteral("extraordinarily"), QStringLiteral("internationalisation")};
    QString text;
    for (int i = seed; text.size() < characters; ++i)
        text += words.at((i * 7 + i / 3) % words.size()) + u' ';
    return text.left(characters);
}

// Short paragraphs with long ones (over the layout's long-paragraph size, made small) first,
// in the middle, in varied formats and last.
struct ShownLong {
    RichEdit editor;
    // `sliced` false: the long paragraphs keep their analysis but are too short for slices.
    explicit ShownLong(const QTextBlockFormat &longFormat, bool sliced = true)
    {
        editor.resize(420, 300);
        QTextCursor c(editor.document());
        c.beginEditBlock();
        for (int i = 0; i < 12; ++i) {
            if (i > 0)
                c.insertBlock(QTextBlockFormat());
            if (i == 0 || i == 5 || i == 11) {
                c.setBlockFormat(longFormat);
                c.insertText(longText(2500, i));
            } else {
                c.insertText(Prose.left(40 + i * 7));
            }
        }
        c.endEditBlock();
        layoutOf(editor)->setLongParagraph(sliced ? 1000 : 1 << 20);
        layoutOf(editor)->setKeptParagraph(1000);
        editor.show();
        editor.document()->documentLayout()->documentSize();
        while (layoutOf(editor)->layoutStatus() != 100)
            QTest::qWait(5);
    }
};

} // namespace

void TestTypingLayout::longParagraphEditsLeaveTheFullLayout_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("keys"); // letters; '\b' Backspace, '\x7f' Delete, '|' a paste
    QTest::addColumn<int>("format"); // 0 plain, 1 indents, 2 double, 3 fixed height, 4 justified
    QTest::addColumn<bool>("sliced"); // the paragraphs also long enough for slices

    for (bool sliced : {true, false}) {
        const char *range = sliced ? "" : ", too short for slices";
        QTest::addRow("%s%s", "middle", range) << 5 << 1200 << "abc" << 0 << sliced;
        QTest::addRow("%s%s", "start of the paragraph", range) << 5 << 0 << "Xy" << 0 << sliced;
        QTest::addRow("%s%s", "first paragraph, start", range) << 0 << 0 << "Hello " << 0 << sliced;
        QTest::addRow("%s%s", "spaces split words", range) << 5 << 803 << "  " << 0 << sliced;
        QTest::addRow("%s%s", "Backspace", range) << 5 << 1500 << "\b\b\b\b" << 0 << sliced;
        QTest::addRow("%s%s", "Delete joins words", range)
            << 5 << 600 << "\x7f\x7f\x7f" << 0 << sliced;
        QTest::addRow("%s%s", "typing that adds a line", range)
            << 5 << 2490 << QString(90, u'w') << 0 << sliced;
        QTest::addRow("%s%s", "deleting that takes a line away", range)
            << 5 << 2400 << QString(80, u'\b') << 0 << sliced;
        QTest::addRow("%s%s", "paste in the middle", range) << 5 << 1000 << "|" << 0 << sliced;
        QTest::addRow("%s%s", "last paragraph, end", range)
            << 11 << 2500 << "end of it" << 0 << sliced;
        QTest::addRow("%s%s", "indents and margins", range) << 5 << 50 << "ab cd" << 1 << sliced;
        QTest::addRow("%s%s", "double spaced", range) << 5 << 700 << "xyz" << 2 << sliced;
        QTest::addRow("%s%s", "fixed line height", range)
            << 5 << 700 << QString(40, u'q') << 3 << sliced;
        QTest::addRow("%s%s", "justified, at the start", range)
            << 5 << 0 << "NEWWORDS TYPED HERE " << 4 << sliced;
    }
}

void TestTypingLayout::longParagraphEditsLeaveTheFullLayout()
{
    QFETCH(int, block);
    QFETCH(int, offset);
    QFETCH(QString, keys);
    QFETCH(int, format);
    QFETCH(bool, sliced);

    // Given laid-out long paragraphs among short ones, the caret in one
    QTextBlockFormat longFormat;
    if (format == 1) {
        longFormat.setTextIndent(30);
        longFormat.setLeftMargin(20);
        longFormat.setRightMargin(15);
        longFormat.setTopMargin(8);
    } else if (format == 2) {
        longFormat.setLineHeight(200, QTextBlockFormat::ProportionalHeight);
    } else if (format == 3) {
        longFormat.setLineHeight(19, QTextBlockFormat::FixedHeight);
    } else if (format == 4) {
        longFormat.setAlignment(Qt::AlignJustify);
    }
    ShownLong shown(longFormat, sliced);
    QTextDocument *doc = shown.editor.document();
    const QTextBlock b = doc->findBlockByNumber(block);
    QTextCursor caret(doc);
    caret.setPosition(b.position() + qMin(offset, b.length() - 1));
    shown.editor.setTextCursor(caret);
    TypingLayout *layout = layoutOf(shown.editor);

    // When keys are typed
    for (const QChar k : keys) {
        const int full = layout->fullEdits();
        if (k == u'\b')
            QTest::keyClick(&shown.editor, Qt::Key_Backspace);
        else if (k == u'\x7f')
            QTest::keyClick(&shown.editor, Qt::Key_Delete);
        else if (k == u'|')
            shown.editor.textCursor().insertText(longText(700, 3));
        else
            QTest::keyClick(&shown.editor, k.toLatin1());
        // Then after each one every paragraph and line is where Qt's full layout puts it,
        // without Qt laying the long paragraph out again
        QCOMPARE(layout->fullEdits(), full);
        const QStringList typed = geometry(doc);
        QCOMPARE(typed, fullLayoutGeometry(doc));
    }
}

void TestTypingLayout::longParagraphDrawnAsAfterTheFullLayout()
{
    // Given a long last paragraph, laid out
    ShownLong shown{QTextBlockFormat()};
    QTextDocument *doc = shown.editor.document();
    QTextCursor caret(doc);
    caret.setPosition(doc->lastBlock().position() + 2300);
    shown.editor.setTextCursor(caret);

    // When words are typed near its end, and the caret is put back where it was
    QTest::keyClicks(&shown.editor, QStringLiteral("more words that wrap onto a new line here "));
    caret.setPosition(doc->lastBlock().position() + 2300);
    shown.editor.setTextCursor(caret);

    // Then the end of the document is drawn as after Qt's full layout, and a point on its
    // last line finds that line's text
    const QImage typed = endOfDocument(doc);
    const QTextLayout *last = doc->lastBlock().layout();
    const QTextLine line = last->lineAt(last->lineCount() - 1);
    const QPointF point = last->position() + QPointF(line.x() + 1, line.y() + 2);
    QCOMPARE(doc->documentLayout()->hitTest(point, Qt::FuzzyHit),
             doc->lastBlock().position() + line.textStart());
    fullLayoutGeometry(doc);
    QCOMPARE(typed, endOfDocument(doc));
}

namespace {

QTextBlockFormat longFormatFor(int format)
{
    QTextBlockFormat f;
    switch (format) {
    case 1:
        f.setTextIndent(30);
        f.setLeftMargin(20);
        f.setRightMargin(15);
        f.setTopMargin(8);
        break;
    case 2: f.setLineHeight(200, QTextBlockFormat::ProportionalHeight); break;
    case 3: f.setLineHeight(19, QTextBlockFormat::FixedHeight); break;
    case 4: f.setAlignment(Qt::AlignJustify); break;
    case 5: f.setAlignment(Qt::AlignHCenter); break;
    default: break;
    }
    return f;
}

// A shown control whose long paragraphs are laid out in slices of one line each, started by a
// change of the control's width. (Its scroll bar is always shown: a document of one line that
// grows would show it, change the width and start again.)
void startSlicing(ShownLong &shown)
{
    TypingLayout *layout = layoutOf(shown.editor);
    QTRY_VERIFY(!layout->slicing());
    shown.editor.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QTRY_VERIFY(!layout->slicing());
    layout->setSliceTime(1, 1, 1);
    shown.editor.resize(380, 300);
}

} // namespace

void TestTypingLayout::longParagraphsLaidOutInSlicesAsQtWould_data()
{
    QTest::addColumn<int>("format"); // as longFormatFor, 6: a word wider than a line, 7: big runs
    QTest::newRow("plain") << 0;
    QTest::newRow("indents and margins") << 1;
    QTest::newRow("double spaced") << 2;
    QTest::newRow("fixed line height") << 3;
    QTest::newRow("justified") << 4;
    QTest::newRow("centred") << 5;
    QTest::newRow("a word wider than a line") << 6;
    QTest::newRow("runs in a larger font") << 7;
}

void TestTypingLayout::longParagraphsLaidOutInSlicesAsQtWould()
{
    QFETCH(int, format);
    // Given long paragraphs first, in the middle and last of a shown control
    ShownLong shown(longFormatFor(format));
    QTextDocument *doc = shown.editor.document();
    QTextCursor c(doc->findBlockByNumber(5));
    c.setPosition(c.position() + 700);
    if (format == 6) {
        c.insertText(QString(150, u'm'));
    } else if (format == 7) {
        QTextCharFormat big;
        big.setFontPointSize(20);
        c.setPosition(c.position() + 400, QTextCursor::KeepAnchor);
        c.mergeCharFormat(big);
    }
    TypingLayout *layout = layoutOf(shown.editor);

    // When the control's width changes
    startSlicing(shown);

    // Then the first long paragraph shows its first lines at once while the rest waits, and
    // once the slices are done every line is where Qt's own layout puts it
    QVERIFY(layout->slicing());
    const int firstLines = doc->firstBlock().layout()->lineCount();
    QVERIFY(firstLines >= 1);
    QVERIFY(layout->slicedPercent() < 100);
    QTRY_VERIFY(!layout->slicing());
    QVERIFY(doc->firstBlock().layout()->lineCount() > firstLines);
    const QStringList sliced = geometry(doc);
    QCOMPARE(sliced, fullLayoutGeometry(doc));
}

void TestTypingLayout::editsWhileSlicingEndAsQtWould_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("keys"); // letters; '\b' Backspace, '\r' Enter, '|' a paste
    QTest::addColumn<int>("slices");   // slices laid out before the keys

    QTest::newRow("typing in the paragraph being sliced") << 0 << 100 << "abc" << 5;
    QTest::newRow("typing past its lines laid out") << 0 << 2000 << "xy" << 3;
    QTest::newRow("Backspace in it") << 0 << 60 << "\b\b\b" << 6;
    QTest::newRow("Enter splits it") << 0 << 1200 << "\rnew" << 4;
    QTest::newRow("typing in a waiting paragraph") << 5 << 300 << "waiting" << 2;
    QTest::newRow("Enter in a waiting paragraph") << 11 << 1500 << "\r" << 2;
    QTest::newRow("typing between them") << 3 << 10 << "short" << 2;
    QTest::newRow("a paste into it") << 0 << 500 << "|" << 3;
    QTest::newRow("Backspace joins it to the one before") << 5 << 0 << "\b" << 2;
}

void TestTypingLayout::editsWhileSlicingEndAsQtWould()
{
    QFETCH(int, block);
    QFETCH(int, offset);
    QFETCH(QString, keys);
    QFETCH(int, slices);

    // Given long paragraphs being laid out in slices, a few of them done
    ShownLong shown{QTextBlockFormat()};
    QTextDocument *doc = shown.editor.document();
    TypingLayout *layout = layoutOf(shown.editor);
    startSlicing(shown);
    for (int i = 0; i < slices; ++i)
        layout->continueSlicing(1);
    QVERIFY(layout->slicing());

    // When keys are typed meanwhile
    const QTextBlock b = doc->findBlockByNumber(block);
    QTextCursor caret(doc);
    caret.setPosition(b.position() + qMin(offset, b.length() - 1));
    shown.editor.setTextCursor(caret);
    for (const QChar k : keys) {
        if (k == u'\b')
            QTest::keyClick(&shown.editor, Qt::Key_Backspace);
        else if (k == u'\r')
            QTest::keyClick(&shown.editor, Qt::Key_Return);
        else if (k == u'|')
            shown.editor.textCursor().insertText(longText(700, 3));
        else
            QTest::keyClick(&shown.editor, k.toLatin1());
        layout->continueSlicing(1);
    }

    // Then once the slices are done every paragraph and line is where Qt's layout puts it
    QTRY_VERIFY(!layout->slicing());
    for (QTextBlock p = doc->begin(); p.isValid(); p = p.next())
        QVERIFY(p.isVisible());
    const QStringList sliced = geometry(doc);
    QCOMPARE(sliced, fullLayoutGeometry(doc));
}

void TestTypingLayout::hiddenControlLaysOutLongParagraphsAtOnce()
{
    // Given a control that was shown and has long paragraphs waiting for slices
    ShownLong shown{QTextBlockFormat()};
    TypingLayout *layout = layoutOf(shown.editor);
    startSlicing(shown);
    QVERIFY(layout->slicing());

    // When its line metrics are asked for while it is hidden
    shown.editor.hide();
    const int lines = shown.editor.lineCount();

    // Then they are those of the whole layout, made at once
    QVERIFY(!layout->slicing());
    QTextDocument *doc = shown.editor.document();
    int counted = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        counted += qMax(1, b.layout()->lineCount());
    QCOMPARE(lines, counted);
    const QStringList laidOut = geometry(doc);
    QCOMPARE(laidOut, fullLayoutGeometry(doc));
}

void TestTypingLayout::slicingEndsWithAScrollBarShownAsNeeded()
{
    // Given long paragraphs in a control whose scroll bar shows only when needed
    ShownLong shown{QTextBlockFormat()};
    TypingLayout *layout = layoutOf(shown.editor);
    shown.editor.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QTRY_VERIFY(!layout->slicing());

    // When its width changes, which lays them out in slices again
    shown.editor.resize(360, 300);

    // Then the slices come to an end (the scroll bar does not come and go, starting the
    // layout again each time), with the lines of Qt's layout
    QTRY_VERIFY(!layout->slicing());
    QVERIFY(shown.editor.verticalScrollBar()->isVisible());
    const QStringList sliced = geometry(shown.editor.document());
    QCOMPARE(sliced, fullLayoutGeometry(shown.editor.document()));
}

QTEST_MAIN(TestTypingLayout)
#include "tst_typinglayout.moc"
