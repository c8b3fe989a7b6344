// A long paragraph's text analysis kept across edits: after keys, pastes and format changes in
// a shown control, the engine's items, character attributes and text are exactly what Qt's
// engine makes of the paragraph from scratch, and the lines are where Qt's layout puts them.
#include "app/Main.h"
#include "editor/RxRichEd.h"
#include "richedit/RichEdit.h"
#include "richedit/TypingLayout.h"
#include "support/ScriptedDialogs.h"
#include "support/WindowDriver.h"

#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QtGui/private/qtextengine_p.h>

using richedit::RichEdit;
using richedit::TypingLayout;

namespace {

TypingLayout *layoutOf(RichEdit &editor)
{
    return qobject_cast<TypingLayout *>(editor.document()->documentLayout());
}

// The engine's analysis of a paragraph as text: the string, every item's start and analysis,
// and the character attributes.
QStringList analysisOf(const QTextBlock &block)
{
    QTextEngine *engine = block.layout()->engine();
    engine->itemize();
    const QCharAttributes *attributes = engine->attributes();
    const QTextEngine::LayoutData *d = engine->layoutData;
    QStringList out;
    out << QStringLiteral("bidi %1").arg(d->hasBidi);
    out << (d->string == block.text() ? QStringLiteral("text as the paragraph's")
                                      : QStringLiteral("text differs"));
    for (const QScriptItem &item : d->items) {
        const QScriptAnalysis &a = item.analysis;
        out << QStringLiteral("item %1 script %2 flags %3 level %4 bidi %5/%6")
                   .arg(item.position).arg(a.script).arg(a.flags).arg(a.bidiLevel)
                   .arg(a.bidiFlags).arg(int(a.bidiDirection));
    }
    const QByteArray bytes(reinterpret_cast<const char *>(attributes),
                           d->string.size() * qsizetype(sizeof(QCharAttributes)));
    out << QStringLiteral("attributes %1").arg(QString::fromLatin1(bytes.toHex()));
    return out;
}

// What Qt's engine makes of the paragraph from scratch.
QStringList freshAnalysisOf(const QTextBlock &block)
{
    block.layout()->engine()->invalidate();
    return analysisOf(block);
}

// Every line's start, place and width.
QStringList linesOf(const QTextBlock &block)
{
    QStringList out;
    const QTextLayout *l = block.layout();
    for (int i = 0; i < l->lineCount(); ++i) {
        const QTextLine line = l->lineAt(i);
        out << QStringLiteral("%1 %2,%3 w%4 n%5").arg(line.textStart()).arg(line.x())
                   .arg(line.y()).arg(line.width()).arg(line.textLength());
    }
    return out;
}

// The lines Qt's own layout makes of the paragraph, from an analysis of its own (its layout
// analyses a paragraph anew when it lays it out).
QStringList qtLinesOf(RichEdit &editor, const QTextBlock &block)
{
    TypingLayout *layout = layoutOf(editor);
    const bool slicing = layout->slicingOn();
    layout->setSlicing(false);
    editor.document()->markContentsDirty(0, editor.document()->characterCount());
    editor.document()->documentLayout()->documentSize();
    const QStringList lines = linesOf(block);
    layout->setSlicing(slicing);
    return lines;
}

// A key that types the character, as a keyboard with that letter sends it.
void typeCharacter(QWidget &widget, QChar c)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&widget, &release);
}

QString words(int characters)
{
    static const QStringList list = {QStringLiteral("word"), QStringLiteral("in"),
        QStringLiteral("paragraph"), QStringLiteral("typewriting"), QStringLiteral("a"),
        QStringLiteral("extraordinarily"), QStringLiteral("don't"), QStringLiteral("e.g."),
        QStringLiteral("1,250.75"), QStringLiteral("(quoted)"), QStringLiteral("co-operate")};
    QString text;
    for (int i = 0; text.size() < characters; ++i)
        text += list.at((i * 7 + i / 3) % list.size()) + u' ';
    return text.left(characters);
}

// A shown control with one long paragraph (long for its layout) between two short ones, a bold
// run and a tab in it, laid out, and one edit typed so that its analysis is kept. The paragraph
// is long enough to keep its analysis, and to be laid out in slices unless `sliced` is false.
struct Shown {
    RichEdit editor;
    QTextBlock block;
    explicit Shown(bool sliced = true)
    {
        editor.resize(420, 300);
        layoutOf(editor)->setLongParagraph(sliced ? 2000 : 1 << 20);
        layoutOf(editor)->setKeptParagraph(2000);
        QTextCursor c(editor.document());
        c.insertText(QStringLiteral("A short paragraph."));
        c.insertBlock();
        c.insertText(words(6000));
        c.insertText(QStringLiteral("\tbold words "), boldFormat());
        c.insertText(words(6000), QTextCharFormat());
        c.insertBlock();
        c.insertText(QStringLiteral("The end."));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        while (layoutOf(editor)->layoutStatus() != 100 || layoutOf(editor)->slicing())
            QTest::qWait(5);
        block = editor.document()->findBlockByNumber(1);
        caretAt(100);
        QTest::keyClick(&editor, Qt::Key_Z);
    }
    static QTextCharFormat boldFormat()
    {
        QTextCharFormat f;
        f.setFontWeight(QFont::Bold);
        return f;
    }
    void caretAt(int offset)
    {
        QTextCursor c = editor.textCursor();
        c.setPosition(block.position() + offset);
        editor.setTextCursor(c);
    }
};

} // namespace

class TestKeptAnalysis : public QObject {
    Q_OBJECT
private slots:
    void editsLeaveTheAnalysisQtWouldMake_data();
    void editsLeaveTheAnalysisQtWouldMake();
    void otherScriptsAndRightToLeftTextLetTheEngineWork_data();
    void otherScriptsAndRightToLeftTextLetTheEngineWork();
    void undoAndAFormatChangeKeepTheText();
    void newFormatsAndWidthsKeepTheAnalysis_data();
    void newFormatsAndWidthsKeepTheAnalysis();
    void theFirstKeyAfterQtsWholeLayoutPatchesItsAnalysis();
    void typingInTheWindowIntoALongParagraph_data();
    void typingInTheWindowIntoALongParagraph();
};

void TestKeptAnalysis::editsLeaveTheAnalysisQtWouldMake_data()
{
    // Keys: letters; '\b' Backspace, '\x7f' Delete, '\t' Tab, '|' a paste of text with a tab
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("sliced"); // the paragraph also long enough for slices
    const struct {
        const char *name;
        int offset;
        QString keys;
    } rows[] = {
        {"letters in the middle", 3000, QStringLiteral("abc")},
        {"at the start", 0, QStringLiteral("Xy ")},
        {"at the end", -1, QStringLiteral(" end")},
        {"spaces split a word", 4101, QStringLiteral("  ")},
        {"Backspace across an item's end", 4100, QStringLiteral("\b\b\b\b\b\b")},
        {"Delete joins words", 2000, QStringLiteral("\x7f\x7f\x7f")},
        {"Backspace at the start of the paragraph's text", 2, QStringLiteral("\b\b")},
        {"a tab typed", 5000, QStringLiteral("\tx")},
        {"the tab deleted", 6001, QStringLiteral("\b")},
        {"next to the bold run", 6000, QStringLiteral("ab")},
        {"a paste with tabs", 9000, QStringLiteral("|")},
        {"punctuation and digits", 7000, QStringLiteral("(1.5), 'x'-y!")},
        {"no-break space and soft hyphen", 7000, QStringLiteral("a\u00a0b\u00adc")},
        {"accents", 7000, QStringLiteral("caf\u00e9 na\u00efve")},
    };
    for (bool sliced : {true, false}) {
        for (const auto &row : rows) {
            QTest::addRow("%s%s", row.name, sliced ? "" : ", too short for slices")
                << row.offset << row.keys << sliced;
        }
    }
}

void TestKeptAnalysis::editsLeaveTheAnalysisQtWouldMake()
{
    QFETCH(int, offset);
    QFETCH(QString, keys);
    QFETCH(bool, sliced);

    // Given a laid-out long paragraph whose analysis is kept, the caret in it
    Shown shown(sliced);
    TypingLayout *layout = layoutOf(shown.editor);
    QVERIFY(layout->analysisKept(shown.block));
    shown.caretAt(offset < 0 ? shown.block.length() - 1 : offset);

    // When keys are typed
    for (const QChar k : keys) {
        if (k == u'\b')
            QTest::keyClick(&shown.editor, Qt::Key_Backspace);
        else if (k == u'\x7f')
            QTest::keyClick(&shown.editor, Qt::Key_Delete);
        else if (k == u'\t')
            QTest::keyClick(&shown.editor, Qt::Key_Tab);
        else if (k == u'|')
            shown.editor.textCursor().insertText(QStringLiteral("pasted\ttext ") + words(5000));
        else
            typeCharacter(shown.editor, k);
        // Then after each one the engine works with the kept analysis, patched, and that is
        // the analysis Qt's engine makes of the paragraph from scratch
        QVERIFY(layout->analysisKept(shown.block));
        const QStringList patched = analysisOf(shown.block);
        QCOMPARE(patched, freshAnalysisOf(shown.block));
    }
    // And the lines are Qt's
    QTRY_VERIFY_WITH_TIMEOUT(!layout->slicing(), 20000);
    const QStringList lines = linesOf(shown.block);
    QCOMPARE(lines, qtLinesOf(shown.editor, shown.block));
}

void TestKeptAnalysis::otherScriptsAndRightToLeftTextLetTheEngineWork_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Greek") << QStringLiteral("\u03b1\u03b2");
    QTest::newRow("Hebrew") << QStringLiteral("\u05d0\u05d1");
    QTest::newRow("a line separator") << QStringLiteral("a\u2028b");
    QTest::newRow("a character outside the basic plane") << QStringLiteral("\U0001F600");
}

void TestKeptAnalysis::otherScriptsAndRightToLeftTextLetTheEngineWork()
{
    QFETCH(QString, text);
    // Given a long paragraph whose analysis is kept
    Shown shown;
    TypingLayout *layout = layoutOf(shown.editor);
    QVERIFY(layout->analysisKept(shown.block));
    shown.caretAt(3000);

    // When text the kept analysis cannot take is typed
    shown.editor.textCursor().insertText(text);

    // Then the engine analyses the paragraph itself, as Qt does (it may be kept from there on)
    const QStringList analysis = analysisOf(shown.block);
    QCOMPARE(analysis, freshAnalysisOf(shown.block));
    QVERIFY(shown.block.text().contains(text));
    // And typing on from there leaves Qt's analysis as well
    QTest::keyClicks(&shown.editor, QStringLiteral("ab"));
    QCOMPARE(analysisOf(shown.block), freshAnalysisOf(shown.block));
}

void TestKeptAnalysis::undoAndAFormatChangeKeepTheText()
{
    // Given a long paragraph whose analysis is kept
    Shown shown;
    TypingLayout *layout = layoutOf(shown.editor);
    const QString before = shown.block.text();
    shown.caretAt(4000);

    // When a word is typed, a stretch across the bold run made italic, and both undone
    QTest::keyClicks(&shown.editor, QStringLiteral("hello "));
    QCOMPARE(shown.block.text(), before.left(4000) + QStringLiteral("hello ") + before.mid(4000));
    QTextCursor c = shown.editor.textCursor();
    c.setPosition(shown.block.position() + 5990);
    c.setPosition(shown.block.position() + 6020, QTextCursor::KeepAnchor);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    c.mergeCharFormat(italic);

    // Then the analysis stays Qt's throughout, the items splitting at the new format runs
    QVERIFY(layout->analysisKept(shown.block));
    QCOMPARE(analysisOf(shown.block), freshAnalysisOf(shown.block));
    shown.editor.document()->undo();
    QCOMPARE(analysisOf(shown.block), freshAnalysisOf(shown.block));
    shown.editor.document()->undo();
    QCOMPARE(shown.block.text(), before);
    QCOMPARE(analysisOf(shown.block), freshAnalysisOf(shown.block));
}

void TestKeptAnalysis::newFormatsAndWidthsKeepTheAnalysis_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("kept"); // the analysis stays the one kept
    QTest::newRow("justified") << "justified" << true;
    QTest::newRow("all of it bold") << "bold" << true;
    QTest::newRow("a new width") << "width" << true;
    QTest::newRow("capitals, which the engine works out itself") << "capitals" << false;
}

void TestKeptAnalysis::newFormatsAndWidthsKeepTheAnalysis()
{
    QFETCH(QString, change);
    QFETCH(bool, kept);
    // Given a long paragraph laid out in slices, whose analysis is kept
    Shown shown;
    TypingLayout *layout = layoutOf(shown.editor);
    QVERIFY(layout->analysisKept(shown.block));
    const int analyses = layout->analysesKept();

    // When its alignment, its font or the control's width changes
    QTextCursor c(shown.block);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    if (change == u"justified") {
        QTextBlockFormat f;
        f.setAlignment(Qt::AlignJustify);
        c.mergeBlockFormat(f);
    } else if (change == u"bold") {
        c.mergeCharFormat(Shown::boldFormat());
    } else if (change == u"width") {
        shown.editor.resize(300, 300);
    } else {
        QTextCharFormat f;
        f.setFontCapitalization(QFont::AllUppercase);
        c.mergeCharFormat(f);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!layout->slicing(), 20000);

    // Then the paragraph is laid out again from the analysis it had (unless the change needs
    // one of the engine's own), and that analysis and the lines are what Qt makes of it
    QCOMPARE(layout->analysisKept(shown.block), kept);
    if (kept)
        QCOMPARE(layout->analysesKept(), analyses);
    QCOMPARE(analysisOf(shown.block), freshAnalysisOf(shown.block));
    const QStringList lines = linesOf(shown.block);
    QCOMPARE(lines, qtLinesOf(shown.editor, shown.block));
    // And keys typed after it leave the analysis Qt makes
    shown.caretAt(3000);
    QTest::keyClicks(&shown.editor, QStringLiteral("ab"));
    QCOMPARE(layout->analysisKept(shown.block), kept);
    QCOMPARE(analysisOf(shown.block), freshAnalysisOf(shown.block));
}

void TestKeptAnalysis::theFirstKeyAfterQtsWholeLayoutPatchesItsAnalysis()
{
    // Given a long paragraph laid out whole by Qt's layout (as in a hidden control)
    RichEdit editor;
    editor.resize(420, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    TypingLayout *layout = layoutOf(editor);
    layout->setSlicing(false);
    layout->setKeptParagraph(2000);
    editor.setPlainText(QStringLiteral("Short.\n") + words(20000) + QStringLiteral("\nThe end."));
    editor.document()->documentLayout()->blockBoundingRect(editor.document()->lastBlock());
    const QTextBlock block = editor.document()->findBlockByNumber(1);
    QVERIFY(block.layout()->lineCount() > 10);

    // When the caret comes into it, and it is typed into
    QTextCursor c(block);
    c.setPosition(block.position() + 9000);
    editor.setTextCursor(c);
    const int analyses = layout->analysesKept();
    QVERIFY(layout->analysisKept(block));
    layout->setSlicing(true);
    QTest::keyClicks(&editor, QStringLiteral("ab"));

    // Then the keys patched the analysis Qt's layout made, with no analysis of its own
    QVERIFY(layout->analysisKept(block));
    QCOMPARE(layout->analysesKept(), analyses);
    QCOMPARE(analysisOf(block), freshAnalysisOf(block));
    QTRY_VERIFY_WITH_TIMEOUT(!layout->slicing(), 20000);
    const QStringList lines = linesOf(block);
    QCOMPARE(lines, qtLinesOf(editor, block));
}

void TestKeptAnalysis::typingInTheWindowIntoALongParagraph_data()
{
    QTest::addColumn<int>("words"); // of "word " in the paragraph
    QTest::addColumn<bool>("atStartUp"); // the file named on the command line, else opened
    QTest::newRow("200 000 characters, opened") << 40000 << false;
    QTest::newRow("1.2 million characters, opened") << 240000 << false;
    QTest::newRow("1.2 million characters, named on the command line") << 240000 << true;
}

void TestKeptAnalysis::typingInTheWindowIntoALongParagraph()
{
    QFETCH(int, words);
    QFETCH(bool, atStartUp);
    // Given a file of one long paragraph, opened with Open or named on the command line (then
    // justified as the window activates), and laid out
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("paragraph.txt"));
    const QString original = QStringLiteral("word ").repeated(words) + QStringLiteral("end");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(original.toLatin1());
    }
    WindowDriver w(dir.path(), {}, atStartUp ? QStringList{file} : QStringList());
    TRxRichEdit *editor = w->Editor;
    if (!atStartUp) {
        w.dialogs().answerFile(file);
        w.choose(QStringLiteral("Open"));
    }
    auto *layout = qobject_cast<TypingLayout *>(editor->document()->documentLayout());
    QVERIFY(layout);
    QTRY_VERIFY_WITH_TIMEOUT(!layout->slicing(), 120000);
    const QTextBlock block = editor->document()->firstBlock();
    QCOMPARE(block.text(), original);
    if (atStartUp) {
        // (the activation's new width and alignment lay the paragraph out again, from the
        // analysis made as it was opened)
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignJustify);
        QCOMPARE(layout->analysesKept(), 1);
    }

    // When keys are typed at the start, in the middle and at the end, and one Backspace
    QString expected = original;
    const QList<int> places = {0, words / 2 * 5 + 2, int(original.size())};
    for (int i = 0; i < places.size(); ++i) {
        const int at = places[i] + 3 * i; // after what was typed before
        QTextCursor c = editor->textCursor();
        c.setPosition(at);
        editor->setTextCursor(c);
        QTest::keyClicks(editor, QStringLiteral("abc"));
        expected.insert(at, QStringLiteral("abc"));
        // Then each lands where the caret was, the caret after it, with the kept analysis
        QCOMPARE(editor->textCursor().position(), at + 3);
        QVERIFY(layout->analysisKept(block));
        QCOMPARE(block.text().size(), expected.size());
        QCOMPARE(block.text().mid(at - qMin(at, 10), 20), expected.mid(at - qMin(at, 10), 20));
    }
    QTest::keyClick(editor, Qt::Key_Backspace);
    expected.chop(1);
    QCOMPARE(block.text(), expected);
    QCOMPARE(editor->textCursor().position(), expected.size());

    // And the lines shown (once the slices an edit may have started are done) are those of
    // Qt's own layout of the whole paragraph
    QTRY_VERIFY_WITH_TIMEOUT(!layout->slicing(), 120000);
    const QStringList typed = linesOf(block);
    QCOMPARE(typed, qtLinesOf(*editor, block));

    // And Save writes the typed text
    w.press(QKeySequence(Qt::CTRL | Qt::Key_S));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLatin1(saved.readAll()), expected);

    // And Undo takes every key back
    for (int i = 0; i < 20 && block.text() != original; ++i)
        w.press(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(block.text(), original);
    QCOMPARE(analysisOf(block), freshAnalysisOf(block));
    editor->setDocumentModified(false);
    w->SetModifiedState(false);
}

QTEST_MAIN(TestKeptAnalysis)
#include "tst_keptanalysis.moc"
