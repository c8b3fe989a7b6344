// The paragraph at a height, as painting over the text looks for it: the same paragraph as
// Qt's hit test finds (or the one before a table that holds it) wherever the search starts,
// and without justifying the lines of a long justified paragraph above the height.
#include "richedit/BlockAtHeight.h"
#include "richedit/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QtGui/private/qtextengine_p.h>

using richedit::blockAtHeight;
using richedit::RichEdit;

namespace {

// Short paragraphs, a table of 12 rows in two columns with two paragraphs in some cells and a
// cell over three rows, more short paragraphs, a long
// justified paragraph and a last short one, in a shown control.
struct Shown {
    RichEdit editor;
    QTextDocument *doc = editor.document();
    Shown()
    {
        editor.resize(420, 300);
        QTextCursor c(doc);
        for (int i = 0; i < 5; ++i) {
            c.insertText(QStringLiteral("Paragraph %1.").arg(i));
            c.insertBlock();
        }
        QTextTable *table = c.insertTable(12, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(
            QStringLiteral("cell one\ncell one again"));
        table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("cell two"));
        table->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("cell three"));
        for (int row = 2; row < 12; ++row)
            table->cellAt(row, row % 2).firstCursorPosition().insertText(
                QStringLiteral("row %1\nof two paragraphs").arg(row));
        table->mergeCells(6, 0, 3, 1); // a cell reaching down over three rows
        c.movePosition(QTextCursor::End);
        for (int i = 0; i < 5; ++i) {
            c.insertBlock();
            c.insertText(QStringLiteral("After the table %1.").arg(i));
        }
        QTextBlockFormat justified;
        justified.setAlignment(Qt::AlignJustify);
        c.insertBlock(justified);
        c.insertText(QStringLiteral("justified words in a long paragraph ").repeated(3000));
        c.insertBlock(QTextBlockFormat());
        c.insertText(QStringLiteral("The end."));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        doc->documentLayout()->documentSize();
    }
};

// The paragraph Qt's hit test finds at the height, or in a table the first paragraph of its
// row (in the first row the paragraph before the table, which reaches into it); and the earliest one painting may start from instead: the one before it, or the first
// of the row above (a height in a row's padding lies above the row's paragraphs).
struct Expected {
    QTextBlock block;
    QTextBlock earliest;
};

Expected expectedAt(QTextDocument *doc, qreal y)
{
    // (a point in the first column: left of a table Qt finds the paragraph before it)
    const int hit = doc->documentLayout()->hitTest(QPointF(10, y), Qt::FuzzyHit);
    const QTextBlock b = doc->findBlock(qMax(0, hit));
    QTextTable *table = QTextCursor(b).currentTable();
    if (!table)
        return {b, b.previous()};
    const int row = table->cellAt(b.position()).row();
    const auto rowStart = [&](int r) {
        return r == 0 ? doc->findBlock(table->firstPosition() - 1)
                      : doc->findBlock(table->cellAt(r, 0).firstPosition());
    };
    return {rowStart(row), row > 0 ? rowStart(row - 1) : rowStart(row).previous()};
}

} // namespace

class TestBlockAtHeight : public QObject {
    Q_OBJECT
private slots:
    void findsQtsParagraphFromAnyStart();
    void leavesTheLinesAboveUnjustified();
};

void TestBlockAtHeight::findsQtsParagraphFromAnyStart()
{
    // Given a laid-out document with a table and a long paragraph
    Shown shown;
    QTextDocument *doc = shown.doc;
    const qreal height = doc->documentLayout()->documentSize().height();
    const QList<QTextBlock> starts = {QTextBlock(), doc->firstBlock(), doc->lastBlock(),
                                      doc->findBlockByNumber(7)};
    // When the paragraph is looked for at heights all down the document, from several places
    for (qreal y = 0; y < height; y += 7) {
        const Expected expected = expectedAt(doc, y);
        for (const QTextBlock &start : starts) {
            for (int steps : {512, 2}) {
                // Then no paragraph before it reaches below the height (painting from it
                // misses none), and it is Qt's or one a little before, in a table the first
                // of a row
                const QTextBlock found = blockAtHeight(*doc, y, start, steps);
                QVERIFY2(found.isValid(), qPrintable(QStringLiteral("y %1").arg(y)));
                for (QTextBlock b = doc->firstBlock(); b != found; b = b.next()) {
                    QVERIFY2(doc->documentLayout()->blockBoundingRect(b).bottom() <= y,
                             qPrintable(QStringLiteral("y %1: %2 reaches it, found %3").arg(y)
                                            .arg(b.blockNumber()).arg(found.blockNumber())));
                }
                QVERIFY2(found.blockNumber() >= expected.earliest.blockNumber(),
                         qPrintable(QStringLiteral("y %1: %2 before %3").arg(y)
                                        .arg(found.blockNumber())
                                        .arg(expected.earliest.blockNumber())));
                QVERIFY(richedit::laterParagraphsBelow(*doc, found));
            }
        }
    }
}

void TestBlockAtHeight::leavesTheLinesAboveUnjustified()
{
    // Given a long justified paragraph shown from its middle
    Shown shown;
    QTextDocument *doc = shown.doc;
    const QTextBlock longOne = doc->lastBlock().previous();
    QTextCursor c(longOne);
    c.setPosition(longOne.position() + longOne.length() / 2);
    shown.editor.setTextCursor(c);
    shown.editor.ensureCursorVisible();

    // When keys are typed there and the control is painted
    QTest::keyClicks(&shown.editor, QStringLiteral("xy"));
    shown.editor.viewport()->repaint();

    // Then the paragraph's first line was not shaped again to be justified: only the lines
    // shown were (a hit test of the paint's top would justify every line above it)
    const QTextEngine *engine = longOne.layout()->engine();
    QVERIFY(engine->layoutData);
    QCOMPARE(engine->layoutData->items.first().num_glyphs, 0);
    const QTextLayout *layout = longOne.layout();
    const qreal middle = layout->position().y() + layout->lineAt(layout->lineCount() / 2).y();
    QCOMPARE(blockAtHeight(*doc, middle, doc->firstBlock()), longOne);
    QCOMPARE(engine->layoutData->items.first().num_glyphs, 0);
}

QTEST_MAIN(TestBlockAtHeight)
#include "tst_blockatheight.moc"
