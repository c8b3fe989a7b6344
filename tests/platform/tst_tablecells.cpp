// Tables as a user edits them in the main window: a block of selected cells under the
// formatting commands, the clipboard and the cut; Tab in the last cell; the arrow keys into a
// table. The window is driven with clicks and keys; results are read from the document the
// editor shows, the clipboard and the saved file.
#include <QtTest>

#include "app/Main.h"
#include "richedit/RichEditOle.h"
#include "richedit/RichEditTypes.h"
#include "support/SolidPng.h"
#include "support/WindowDriver.h"

#include <QClipboard>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextTable>
#include <QToolButton>

namespace {

const QString kPrices = QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table.wordpad.rtf");
const QString kMerged = QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_merged.libreoffice.rtf");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QTextTable *tableAt(QTextDocument *doc, int index = 0)
{
    for (QTextFrame *f : doc->rootFrame()->childFrames()) {
        if (auto *t = qobject_cast<QTextTable *>(f); t && index-- == 0)
            return t;
    }
    return nullptr;
}

QString cellText(QTextTable *table, int row, int column)
{
    QTextCursor c = table->cellAt(row, column).firstCursorPosition();
    c.setPosition(table->cellAt(row, column).lastPosition(), QTextCursor::KeepAnchor);
    return c.selectedText();
}

// The viewport point of a document position, a little right of the caret there.
QPoint pointOf(TRxRichEdit *editor, int position)
{
    QTextCursor c(editor->document());
    c.setPosition(position);
    return editor->cursorRect(c).center() + QPoint(1, 0);
}

// A left click at a document position (with Shift: the selection runs to it).
void clickAt(TRxRichEdit *editor, int position, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, modifiers, pointOf(editor, position));
}

// Each row definition of the Rich Text: from \trowd to the end of the last \cellx before the
// row's first \cell.
QList<QByteArray> rowDefinitions(const QByteArray &rtf)
{
    static const QRegularExpression firstCell(QStringLiteral("\\\\cell(?!x)"));
    static const QRegularExpression lastBoundary(QStringLiteral("\\\\cellx-?\\d+(?!.*\\\\cellx)"),
                                                 QRegularExpression::DotMatchesEverythingOption);
    QList<QByteArray> rows;
    const QString text = QString::fromLatin1(rtf);
    for (qsizetype at = text.indexOf(QLatin1String("\\trowd")); at >= 0;) {
        const qsizetype next = text.indexOf(QLatin1String("\\trowd"), at + 1);
        QString row = text.mid(at, next < 0 ? -1 : next - at);
        const QRegularExpressionMatch cell = firstCell.match(row);
        if (cell.hasMatch())
            row.truncate(cell.capturedStart());
        const QRegularExpressionMatch boundary = lastBoundary.match(row);
        rows << row.left(boundary.hasMatch() ? boundary.capturedEnd() : row.size()).toLatin1();
        at = next;
    }
    return rows;
}

int weight(QTextTable *table, int row, int column)
{
    QTextCursor c = table->cellAt(row, column).lastCursorPosition();
    return c.charFormat().fontWeight();
}

Qt::Alignment alignment(QTextTable *table, int row, int column)
{
    return table->cellAt(row, column).firstCursorPosition().blockFormat().alignment()
        & Qt::AlignHorizontal_Mask;
}

} // namespace

class TestTableCells : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString saveAs(WindowDriver &w, const QString &name)
    {
        const QString file = path(name);
        w.dialogs().answerFile(file);
        w.choose(QStringLiteral("SaveAs1"));
        return file;
    }
    QString writeRtf(const QString &name, const QByteArray &rtf)
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size())
            return {};
        return f.fileName();
    }

private slots:
    // Given the price table, when Tab is pressed in its last cell, then a row made like the
    // last one follows (its borders, padding and cell boundaries, the cells' font); typing
    // fills it, and one undo takes the row away again.
    void tabInTheLastCellAddsARowLikeTheLast()
    {
        WindowDriver w(m_dir.path(), {}, {kPrices});
        TRxRichEdit *e = w->Editor;
        QTextTable *table = tableAt(e->document());
        QVERIFY(table);
        clickAt(e, table->cellAt(2, 1).lastPosition());
        w.press(QKeySequence(Qt::Key_Tab));
        QCOMPARE(table->rows(), 4);
        w.press(QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(table->rows(), 3);
        clickAt(e, table->cellAt(2, 1).lastPosition());
        w.press(QKeySequence(Qt::Key_Tab));
        w.type(QStringLiteral("Juice"));
        w.press(QKeySequence(Qt::Key_Tab));
        w.type(QStringLiteral("1.90"));
        QCOMPARE(cellText(table, 3, 0), QStringLiteral("Juice"));
        QCOMPARE(cellText(table, 3, 1), QStringLiteral("1.90"));
        const QTextCharFormat typed = table->cellAt(3, 1).lastCursorPosition().charFormat();
        QCOMPARE(typed.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
        QCOMPARE(typed.fontPointSize(), 11.0);

        const QList<QByteArray> rows = rowDefinitions(readAll(saveAs(w, QStringLiteral("p.rtf"))));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.at(3), rows.at(2));
        QVERIFY2(rows.at(3).contains("\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx6000"),
                 rows.at(3).constData());
    }

    // Given tables whose last row has a joined cell or a cell joined from the row above, when
    // Tab adds a row, then the new row's cells are joined as the cells above them are, and a
    // cell joined from above gives its borders but not its joining.
    void aNewRowIsJoinedAsTheRowAbove()
    {
        const QString joined = writeRtf(
            QStringLiteral("joined.rtf"),
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\n"
            "\\trowd\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl a\\cell b\\cell c\\cell\\row\n"
            "\\trowd\\clmgf\\clbrdrb\\brdrs\\brdrw10\\cellx2000\\clmrg\\cellx4000\\cellx6000"
            "\\pard\\intbl wide\\cell\\cell z\\cell\\row\n\\pard after\\par}");
        {
            WindowDriver w(m_dir.path(), {}, {joined});
            QTextTable *table = tableAt(w->Editor->document());
            QVERIFY(table);
            clickAt(w->Editor, table->cellAt(1, 2).lastPosition());
            w.press(QKeySequence(Qt::Key_Tab));
            QCOMPARE(table->rows(), 3);
            QCOMPARE(table->cellAt(2, 0).columnSpan(), 2);
            QCOMPARE(table->cellAt(2, 2).columnSpan(), 1);
            QCOMPARE(w->Editor->textCursor().position(), table->cellAt(2, 0).firstPosition());
            const QByteArray rtf = readAll(saveAs(w, QStringLiteral("joined2.rtf")));
            const QList<QByteArray> rows = rowDefinitions(rtf);
            QCOMPARE(rows.size(), 3);
            QCOMPARE(rows.at(2), rows.at(1));
        }
        {
            WindowDriver w(m_dir.path(), {}, {kMerged});
            QTextTable *table = tableAt(w->Editor->document());
            QVERIFY(table);
            QCOMPARE(table->cellAt(2, 0).row(), 1); // "Weekend" reaches down into the last row
            clickAt(w->Editor, table->cellAt(2, 2).lastPosition());
            w.press(QKeySequence(Qt::Key_Tab));
            QCOMPARE(table->rows(), 4);
            for (int c = 0; c < 3; ++c) {
                QCOMPARE(table->cellAt(3, c).row(), 3);
                QCOMPARE(table->cellAt(3, c).rowSpan(), 1);
                QCOMPARE(table->cellAt(3, c).format().property(richedit::prop::CellBorderStyles),
                         table->cellAt(2, 1).format().property(richedit::prop::CellBorderStyles));
            }
            const QList<QByteArray> rows =
                rowDefinitions(readAll(saveAs(w, QStringLiteral("merged2.rtf"))));
            QCOMPARE(rows.size(), 4);
            QVERIFY2(!rows.at(3).contains("\\clvm"), rows.at(3).constData());
        }
    }

    // Given a block of cells selected with Shift and the mouse (one column of two rows), when
    // the style keys, the alignment button and a heading act on it, then every selected cell
    // changes, the last one too, and the cells beside the block keep their formats.
    void formattingActsOnEverySelectedCell()
    {
        WindowDriver w(m_dir.path(), {}, {kPrices});
        TRxRichEdit *e = w->Editor;
        QTextTable *table = tableAt(e->document());
        QVERIFY(table);
        clickAt(e, table->cellAt(1, 1).firstPosition());
        clickAt(e, table->cellAt(2, 1).lastPosition(), Qt::ShiftModifier);
        QVERIFY(e->textCursor().hasComplexSelection());

        w.press(QKeySequence(QStringLiteral("Ctrl+B")));
        QCOMPARE(weight(table, 1, 1), int(QFont::Bold));
        QCOMPARE(weight(table, 2, 1), int(QFont::Bold));
        QCOMPARE(weight(table, 2, 0), int(QFont::Normal));

        w.click(w->btnCenterAlign);
        QCOMPARE(alignment(table, 1, 1), Qt::AlignHCenter);
        QCOMPARE(alignment(table, 2, 1), Qt::AlignHCenter);
        QCOMPARE(alignment(table, 1, 0), Qt::AlignLeft);
        QCOMPARE(alignment(table, 2, 0), Qt::AlignLeft);

        w.choose(QStringLiteral("Heading01"));
        for (int r : {1, 2})
            QCOMPARE(table->cellAt(r, 1).lastCursorPosition().charFormat().fontPointSize(), 16.0);
        QCOMPARE(table->cellAt(2, 0).lastCursorPosition().charFormat().fontPointSize(), 11.0);
        // The formats as the selection shows them: the same in every cell.
        QCOMPARE(e->getParaFormat().dwMask & richedit::PFM_ALIGNMENT, richedit::PFM_ALIGNMENT);
        QCOMPARE(e->getParaFormat().wAlignment, richedit::PFA_CENTER);
    }

    // Given a block of cells, when it is copied, then other programs get its rows as lines
    // with the cells separated by tabs, and pasting it makes a table of just those cells, as
    // wide as they were; cut empties the cells and undo brings the text back.
    void copyingABlockOfCells()
    {
        WindowDriver w(m_dir.path(), {}, {kPrices});
        TRxRichEdit *e = w->Editor;
        QTextTable *table = tableAt(e->document());
        QVERIFY(table);
        clickAt(e, table->cellAt(1, 0).firstPosition());
        clickAt(e, table->cellAt(2, 1).lastPosition(), Qt::ShiftModifier);
        w.press(QKeySequence(QStringLiteral("Ctrl+C")));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Tea\t2.50\nCoffee\t3.10\n"));

        clickAt(e, table->lastPosition() + 1);
        w.press(QKeySequence(QStringLiteral("Ctrl+V")));
        QTextTable *pasted = tableAt(e->document(), 1);
        QVERIFY(pasted);
        QCOMPARE(pasted->rows(), 2);
        QCOMPARE(pasted->columns(), 2);
        QCOMPARE(cellText(pasted, 1, 1), QStringLiteral("3.10"));

        // The second column alone: a table one column wide, as wide as that column.
        clickAt(e, table->cellAt(1, 1).firstPosition());
        clickAt(e, table->cellAt(2, 1).lastPosition(), Qt::ShiftModifier);
        w.press(QKeySequence(QStringLiteral("Ctrl+C")));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("2.50\n3.10\n"));
        const QByteArray rtf = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf"));
        const QList<QByteArray> rows = rowDefinitions(rtf);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows.at(0).contains("\\trleft-108") && rows.at(0).endsWith("\\cellx2892"),
                 rows.at(0).constData());

        w.press(QKeySequence(QStringLiteral("Ctrl+X")));
        QCOMPARE(cellText(table, 1, 1), QString());
        QCOMPARE(cellText(table, 2, 1), QString());
        QCOMPARE(cellText(table, 2, 0), QStringLiteral("Coffee"));
        w.press(QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(cellText(table, 2, 1), QStringLiteral("3.10"));
    }

    // Given a table between two long lines, when the caret goes down from the line above at
    // the second column's place, then it lands in the second column's first cell, goes on down
    // that column and out under it; going up it comes back the same way; and coming up from
    // anywhere on the line below at that place it lands in that column's last cell.
    void upAndDownEnterTheCellUnderTheCaret()
    {
        const QString file = writeRtf(
            QStringLiteral("between.rtf"),
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard\\fs20 A line of text above the "
            "table that reaches across all of its columns and further.\\par\n"
            "\\trowd\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl a1\\cell b1\\cell c1\\cell\\row\n"
            "\\trowd\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl a2\\cell b2\\cell c2\\cell\\row\n"
            "\\pard A line of text below the table that reaches across all of its columns and "
            "further.\\par}");
        WindowDriver w(m_dir.path(), {}, {file});
        TRxRichEdit *e = w->Editor;
        QTextTable *table = tableAt(e->document());
        QVERIFY(table);
        const int column = pointOf(e, table->cellAt(0, 1).firstPosition()).x() + 10;
        auto cellOfCaret = [&] {
            const QTextCursor c = e->textCursor();
            if (c.currentTable() != table)
                return QPoint(-1, -1);
            return QPoint(table->cellAt(c).column(), table->cellAt(c).row());
        };
        QTest::mouseClick(e->viewport(), Qt::LeftButton, {}, QPoint(column, pointOf(e, 0).y()));
        w.press(QKeySequence(Qt::Key_Down));
        QCOMPARE(cellOfCaret(), QPoint(1, 0));
        w.press(QKeySequence(Qt::Key_Down));
        QCOMPARE(cellOfCaret(), QPoint(1, 1));
        // Out of the table below the second column, not at the line's start.
        w.press(QKeySequence(Qt::Key_Down));
        QCOMPARE(e->textCursor().block().text().left(6), QStringLiteral("A line"));
        QVERIFY(e->textCursor().block().position() > table->lastPosition());
        QVERIFY(qAbs(e->cursorRect().x() - column) < 12);
        // Back up into the table, on up through the column and out above it.
        w.press(QKeySequence(Qt::Key_Up));
        QCOMPARE(cellOfCaret(), QPoint(1, 1));
        w.press(QKeySequence(Qt::Key_Up));
        QCOMPARE(cellOfCaret(), QPoint(1, 0));
        w.press(QKeySequence(Qt::Key_Up));
        QCOMPARE(e->textCursor().block().position(), 0);
        QVERIFY(qAbs(e->cursorRect().x() - column) < 12);

        QTest::mouseClick(e->viewport(), Qt::LeftButton, {},
                          QPoint(column, pointOf(e, table->lastPosition() + 1).y()));
        w.press(QKeySequence(Qt::Key_Up));
        QCOMPARE(cellOfCaret(), QPoint(1, 1));
        // With Shift the selection runs from the line below into the table.
        QTest::mouseClick(e->viewport(), Qt::LeftButton, {},
                          QPoint(column, pointOf(e, table->lastPosition() + 1).y()));
        w.press(QKeySequence(QStringLiteral("Shift+Up")));
        QVERIFY(e->textCursor().hasSelection());
        QVERIFY(e->textCursor().selectionStart() <= table->cellAt(1, 1).lastPosition());
    }

    // Given a cell of the price table, when bullets are switched on there with the keys, then
    // the bullet shows in the cell in front of its text, and nothing is drawn beside the
    // document's first line (where a cell's bullet used to land).
    void aBulletInACellShowsInTheCell()
    {
        WindowDriver w(m_dir.path(), {}, {kPrices});
        TRxRichEdit *e = w->Editor;
        QTextTable *table = tableAt(e->document());
        QVERIFY(table);
        const int coffee = table->cellAt(2, 0).firstPosition();
        const QRect firstLine = e->cursorRect(QTextCursor(e->document()));
        const QImage before = e->viewport()->grab().toImage();
        clickAt(e, coffee);
        const QRect unbulleted = e->cursorRect();
        w.press(QKeySequence(QStringLiteral("Ctrl+Alt+B")));
        const QRect text = e->cursorRect();
        QVERIFY(text.x() > unbulleted.x() + 4);
        const QImage after = e->viewport()->grab().toImage();
        auto darkIn = [](const QImage &image, const QRect &area) {
            int dark = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    dark += qGray(image.pixel(x, y)) < 128;
            return dark;
        };
        QVERIFY(darkIn(after, QRect(QPoint(unbulleted.x(), text.top()),
                                    QPoint(text.x() - 2, text.bottom())))
                > 0);
        const QRect besideFirstLine(QPoint(0, firstLine.top()),
                                    QPoint(firstLine.x() - 1, firstLine.bottom()));
        QCOMPARE(after.copy(besideFirstLine), before.copy(besideFirstLine));
    }

    // Given a picture in a table cell, when it is clicked, then it is selected as one
    // character, as a picture outside a table is.
    void aClickSelectsAPictureInACell()
    {
        const QByteArray png = testsupport::solidPng(60, 40, Qt::red).toHex();
        const QString file = writeRtf(
            QStringLiteral("picture.rtf"),
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard Above\\par\n"
            "\\trowd\\cellx3000\\cellx6000\\pard\\intbl x\\cell ab{\\pict\\pngblip\\picw60"
            "\\pich40\\picwgoal900\\pichgoal600 " + png + "}cd\\cell\\row\n\\pard Below\\par}");
        WindowDriver w(m_dir.path(), {}, {file});
        TRxRichEdit *e = w->Editor;
        QTextTable *table = tableAt(e->document());
        QVERIFY(table);
        const int picture = table->cellAt(0, 1).firstPosition() + 2;
        QCOMPARE(e->document()->characterAt(picture), QChar(QChar::ObjectReplacementCharacter));
        const QPoint left = pointOf(e, picture), right = pointOf(e, picture + 1);
        QTest::mouseClick(e->viewport(), Qt::LeftButton, {},
                          QPoint((left.x() + right.x()) / 2, right.y()));
        QCOMPARE(e->SelectionStart(), picture);
        QCOMPARE(e->SelectionLength(), 1);
        QCOMPARE(e->selectionType(), richedit::SEL_OBJECT);
    }
};

QTEST_MAIN(TestTableCells)
#include "tst_tablecells.moc"
