// Keys typed into a table cell of a shown control leave every paragraph, cell and line exactly
// where Qt's full layout puts them, whether the edit was laid out in the cell alone or by Qt's
// layout, and plain typing in a cell is laid out in the cell alone.
#include "app/Main.h"
#include "editor/RxRichEd.h"
#include "richedit/RichEdit.h"
#include "richedit/TypingLayout.h"
#include "support/KeyTyping.h"
#include "support/ScriptedDialogs.h"
#include "support/WindowDriver.h"

#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

using richedit::RichEdit;
using richedit::TypingLayout;

namespace {

// Every paragraph's rectangle in the document and every line's place and width.
QStringList geometry(QTextDocument *doc)
{
    QStringList out;
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout *l = b.layout();
        const QRectF r = layout->blockBoundingRect(b);
        QString row = QStringLiteral("%1 [%2,%3 %4x%5]:").arg(b.blockNumber()).arg(r.x())
                          .arg(r.y()).arg(r.width()).arg(r.height());
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
    doc->markContentsDirty(0, doc->characterCount());
    doc->documentLayout()->blockBoundingRect(doc->lastBlock());
    return geometry(doc);
}

TypingLayout *layoutOf(RichEdit &editor)
{
    return qobject_cast<TypingLayout *>(editor.document()->documentLayout());
}

// A paragraph, then a table of 60 rows in three columns of fixed widths (as Rich Text tables
// are read) whose cells hold one to three words, every fifth cell two paragraphs and every
// seventh a sentence over two lines, then a closing paragraph. Columns of `variable` width
// follow their contents instead; `merged` joins the first two cells of row 4.
void fill(QTextDocument *doc, bool variable = false, bool merged = false)
{
    QTextCursor c(doc);
    c.beginEditBlock();
    c.insertText(QStringLiteral("Before the table"));
    c.insertBlock();
    QTextTableFormat tf;
    tf.setCellPadding(4);
    tf.setBorder(1);
    if (!variable) {
        tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 90),
                                      QTextLength(QTextLength::FixedLength, 160),
                                      QTextLength(QTextLength::FixedLength, 120)});
    }
    QTextTable *table = c.insertTable(60, 3, tf);
    for (int r = 0; r < 60; ++r) {
        for (int col = 0; col < 3; ++col) {
            QTextCursor cell = table->cellAt(r, col).firstCursorPosition();
            const int n = r * 3 + col;
            cell.insertText(QStringLiteral("cell %1 words").arg(n).left(5 + n % 9));
            if (n % 5 == 2)
                cell.insertText(QStringLiteral("\nsecond paragraph"));
            if (n % 7 == 3)
                cell.insertText(QStringLiteral(" and a sentence that runs on"));
        }
    }
    if (merged)
        table->mergeCells(4, 0, 1, 2);
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral("After the table"));
    c.endEditBlock();
}

struct Shown {
    RichEdit editor;
    explicit Shown(bool variable = false, bool merged = false)
    {
        editor.resize(480, 320);
        fill(editor.document(), variable, merged);
        editor.show();
        editor.document()->documentLayout()->documentSize();
        while (layoutOf(editor)->layoutStatus() != 100)
            QTest::qWait(5);
    }
    QTextTable *table() const
    {
        return QTextCursor(editor.document()->findBlockByNumber(2)).currentTable();
    }
    // The caret in cell (row, column), `offset` characters into it (-1: at its end).
    void caretIn(int row, int column, int offset)
    {
        const QTextTableCell cell = table()->cellAt(row, column);
        QTextCursor c = cell.firstCursorPosition();
        c.setPosition(offset < 0 ? cell.lastPosition() : cell.firstPosition() + offset);
        editor.setTextCursor(c);
    }
};

} // namespace

class TestTypingLayoutCells : public QObject {
    Q_OBJECT
private slots:
    void typingInACellLeavesTheFullLayout_data();
    void typingInACellLeavesTheFullLayout();
    void undoAfterTypingInACell();
    void paragraphBelowTheTableAfterTypingInACell();
    void typingInACellOfALongTableInTheWindow();
};

void TestTypingLayoutCells::typingInACellLeavesTheFullLayout_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("offset");   // into the cell; -1 its end
    QTest::addColumn<QString>("keys"); // letters; '\b' Backspace, '\x7f' Delete, '\n' Enter
    QTest::addColumn<bool>("variable");
    QTest::addColumn<bool>("merged");
    QTest::addColumn<bool>("shortcut"); // whether the first key is laid out in the cell alone

    QTest::newRow("start of a cell") << 10 << 0 << 0 << "ab" << false << false << true;
    QTest::newRow("middle of a cell") << 10 << 1 << 3 << "xyz" << false << false << true;
    QTest::newRow("end of a cell") << 20 << 1 << -1 << "s!" << false << false << true;
    QTest::newRow("first row") << 0 << 0 << 2 << "q" << false << false << true;
    QTest::newRow("last row") << 59 << 2 << -1 << "z" << false << false << true;
    QTest::newRow("cell of two paragraphs, first") << 2 << 1 << 1 << "ab" << false << false
                                                   << true;
    QTest::newRow("cell of two paragraphs, second") << 2 << 1 << -1 << "cd" << false << false
                                                    << true;
    QTest::newRow("letters then Backspace") << 12 << 1 << 4 << "ab\b\b\b" << false << false
                                            << true;
    QTest::newRow("Backspace alone") << 12 << 1 << 4 << "\b" << false << false << true;
    QTest::newRow("Delete") << 12 << 1 << 2 << "\x7f\x7f" << false << false << true;
    // A word that no longer fits on the line: the paragraph, the row and all below grow.
    QTest::newRow("word pushed to the next line")
        << 14 << 0 << -1 << " pushed onwards" << false << false << true;
    // A word wider than its column would widen the column.
    QTest::newRow("word wider than the column")
        << 14 << 0 << -1 << QString(30, u'w') << false << false << true;
    QTest::newRow("Enter in a cell") << 16 << 1 << 3 << "a\nb" << false << false << true;
    QTest::newRow("columns of variable width") << 10 << 1 << 3 << "ab" << true << false
                                               << false;
    QTest::newRow("merged cell") << 4 << 0 << 2 << "ab" << false << true << false;
    QTest::newRow("cell beside a merged one") << 4 << 2 << 2 << "ab" << false << true << true;
}

void TestTypingLayoutCells::typingInACellLeavesTheFullLayout()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, offset);
    QFETCH(QString, keys);
    QFETCH(bool, variable);
    QFETCH(bool, merged);
    QFETCH(bool, shortcut);

    // Given a laid-out table with the caret in a cell
    Shown shown(variable, merged);
    shown.caretIn(row, column, offset);
    TypingLayout *layout = layoutOf(shown.editor);
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
    // and the caret is still in the cell it was typed into
    QCOMPARE(shown.table()->cellAt(shown.editor.textCursor().position()).row(), row);
}

void TestTypingLayoutCells::undoAfterTypingInACell()
{
    // Given letters typed in a cell
    Shown shown;
    shown.caretIn(30, 1, 2);
    const QString text = shown.editor.document()->toPlainText();
    QTest::keyClicks(&shown.editor, QStringLiteral("undone"));

    // When they are undone
    QTest::keyClick(&shown.editor, Qt::Key_Z, Qt::ControlModifier);

    // Then the text is as it was, laid out as Qt lays it out
    QCOMPARE(shown.editor.document()->toPlainText(), text);
    const QStringList undone = geometry(shown.editor.document());
    QCOMPARE(undone, fullLayoutGeometry(shown.editor.document()));
}

void TestTypingLayoutCells::paragraphBelowTheTableAfterTypingInACell()
{
    // Given letters typed and taken back in a cell (the position marks past the table moved)
    Shown shown;
    shown.caretIn(50, 0, 1);
    QTest::keyClicks(&shown.editor, QStringLiteral("abc"));
    QTest::keyClick(&shown.editor, Qt::Key_Backspace);

    // When the paragraph below the table is typed into, and a click lands on it
    QTextCursor c(shown.editor.document()->lastBlock());
    c.movePosition(QTextCursor::EndOfBlock);
    shown.editor.setTextCursor(c);
    QTest::keyClicks(&shown.editor, QStringLiteral(" then"));
    QCOMPARE(shown.editor.document()->lastBlock().text(), QStringLiteral("After the table then"));
    const QStringList typed = geometry(shown.editor.document());
    QCOMPARE(typed, fullLayoutGeometry(shown.editor.document()));

    // Then the point of the paragraph's first letter is found in it
    const QRectF last = shown.editor.document()->documentLayout()->blockBoundingRect(
        shown.editor.document()->lastBlock());
    const int hit = shown.editor.document()->documentLayout()->hitTest(
        last.topLeft() + QPointF(2, 3), Qt::FuzzyHit);
    QCOMPARE(hit, shown.editor.document()->lastBlock().position());
}

// A Rich Text file of one table of `rows` rows in three columns of fixed widths; cell (r, c)
// reads "rRcC".
QByteArray longTableRtf(int rows)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\pard\\f0\\fs24\n";
    for (int r = 0; r < rows; ++r) {
        rtf += "\\trowd\\trgaph108\\cellx2000\\cellx6000\\cellx9000\n";
        for (int c = 0; c < 3; ++c)
            rtf += "\\pard\\intbl r" + QByteArray::number(r) + "c" + QByteArray::number(c)
                   + "\\cell ";
        rtf += "\\row\n";
    }
    return rtf + "\\pard After the table\\par}";
}

QTextTable *firstTable(QTextDocument *doc)
{
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (QTextTable *table = QTextCursor(b).currentTable())
            return table;
    }
    return nullptr;
}

void TestTypingLayoutCells::typingInACellOfALongTableInTheWindow()
{
    // Given a file of a table of 400 rows, opened with Open
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rows.rtf"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(longTableRtf(400));
    }
    WindowDriver w(dir.path());
    TRxRichEdit *editor = w->Editor;
    w.dialogs().answerFile(file);
    w.choose(QStringLiteral("Open"));
    QTextDocument *doc = editor->document();
    TypingLayout *layout = qobject_cast<TypingLayout *>(doc->documentLayout());
    QVERIFY(layout);
    QTRY_COMPARE(layout->layoutStatus(), 100);
    QTextTable *table = firstTable(doc);
    QVERIFY(table);
    QCOMPARE(table->rows(), 400);

    // When a click lands at the end of the text of cell (250, 1), scrolled into view
    const QTextBlock cellBlock = doc->findBlock(table->cellAt(250, 1).firstPosition());
    QCOMPARE(cellBlock.text(), QStringLiteral("r250c1"));
    const QRectF box = doc->documentLayout()->blockBoundingRect(cellBlock);
    editor->verticalScrollBar()->setValue(int(box.top()) - 40);
    const QPoint at(int(box.right()) - 4 - editor->horizontalScrollBar()->value(),
                    int(box.center().y()) - editor->verticalScrollBar()->value());
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(editor->textCursor().position(), cellBlock.position() + cellBlock.length() - 1);

    // and letters are typed, then one is taken back with Backspace
    const int before = layout->shortcutEdits();
    QTest::keyClicks(editor, QStringLiteral("xyz"));
    QTest::keyClick(editor, Qt::Key_Backspace);

    // Then the cell holds them, the caret follows them, and they were laid out in the cell
    QCOMPARE(cellBlock.text(), QStringLiteral("r250c1xy"));
    QCOMPARE(editor->textCursor().position(), cellBlock.position() + 8);
    QCOMPARE(layout->shortcutEdits(), before + 4);
    const QStringList typed = geometry(doc);
    QCOMPARE(typed, fullLayoutGeometry(doc));

    // And Save writes them into the cell
    w.press(QKeySequence(Qt::CTRL | Qt::Key_S));
    TRxRichEdit reopened;
    reopened.Lines.LoadDocumentFile(file);
    QTextTable *saved = firstTable(reopened.document());
    QVERIFY(saved);
    QCOMPARE(saved->rows(), 400);
    QCOMPARE(reopened.document()->findBlock(saved->cellAt(250, 1).firstPosition()).text(),
             QStringLiteral("r250c1xy"));
    QCOMPARE(reopened.document()->findBlock(saved->cellAt(250, 2).firstPosition()).text(),
             QStringLiteral("r250c2"));
}

QTEST_MAIN(TestTypingLayoutCells)
#include "tst_typinglayoutcells.moc"
