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

// Short paragraphs, a 2 x 2 table with two paragraphs in a cell, more short paragraphs, a long
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
        QTextTable *table = c.insertTable(2, 2);
        table->cellAt(0, 0).firstCursorPosition().insertText(
            QStringLiteral("cell one\ncell one again"));
        table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("cell two"));
        table->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("cell three"));
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

// The paragraph Qt's hit test finds at the height, moved out of any table.
QTextBlock expectedAt(QTextDocument *doc, qreal y)
{
    const int hit = doc->documentLayout()->hitTest(QPointF(0, y), Qt::FuzzyHit);
    QTextBlock b = doc->findBlock(qMax(0, hit));
    for (QTextFrame *f = QTextCursor(b).currentFrame(); f && f != doc->rootFrame();
         f = f->parentFrame())
        b = doc->findBlock(f->firstPosition() - 1);
    return b;
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
        const QTextBlock expected = expectedAt(doc, y);
        for (const QTextBlock &start : starts) {
            for (int steps : {512, 2}) {
                // Then it is Qt's, or one before it that starts above the height (in the
                // space between two paragraphs), never one in a table
                const QTextBlock found = blockAtHeight(*doc, y, start, steps);
                QVERIFY2(found.isValid(), qPrintable(QStringLiteral("y %1").arg(y)));
                QVERIFY2(found.blockNumber() <= expected.blockNumber(),
                         qPrintable(QStringLiteral("y %1: %2 after %3").arg(y)
                                        .arg(found.blockNumber()).arg(expected.blockNumber())));
                QVERIFY(found.blockNumber() >= expected.previous().blockNumber());
                QVERIFY(!QTextCursor(found).currentTable());
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
