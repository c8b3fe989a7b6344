#include "HeaderRows.h"

#include "FormatRange.h"
#include "PageUnits.h"
#include "RichEditTypes.h"
#include "TableJoint.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

namespace richedit {

HeaderBand repeatedHeader(QTextDocument &doc, const PageUnit &first, qreal pageHeight)
{
    if (!first.row || !first.table)
        return {};
    // Rows that a file places apart from the rows above them are tables of their own after a
    // joint (TableJoint.h), one table in the file: a page that starts in one of them repeats
    // the heading rows of the table they continue.
    QTextTable *table = first.table;
    int firstRow = first.firstRow;
    while (table->format().headerRowCount() <= 0
           && table->format().boolProperty(prop::TableHeadingBefore)) {
        QTextTable *before = tableBeforeJoint(*table);
        if (!before)
            break;
        table = before;
        firstRow = table->rows();
    }
    const int headers = table->format().headerRowCount();
    if (headers <= 0 || firstRow < headers)
        return {};
    // The band runs from the table's top to the top of the first unit below the heading rows,
    // as the walker places the units of the table's first rows.
    HeaderBand band;
    band.table = table;
    // The table's frame starts below its top border and padding; the paragraph before it (a
    // table always has one) ends where the table's drawing starts.
    band.top = doc.documentLayout()->frameBoundingRect(table).top();
    const QTextBlock before = doc.findBlock(table->firstPosition() - 1);
    if (before.isValid() && outermostTableAt(doc, before.position()) != table)
        band.top = qMin(band.top, doc.documentLayout()->blockBoundingRect(before).bottom());
    PageUnitWalker walker(doc, table->firstPosition());
    PageUnit unit;
    bool inTable = false;
    while ((inTable = walker.next(unit) && unit.row && unit.table == table)) {
        if (unit.firstRow >= headers) {
            band.bottom = unit.top;
            break;
        }
        if (unit.endRow > headers)
            return {}; // a cell reaches down from the heading rows into the body
    }
    if (!inTable && table != first.table) // (a table of heading rows only, continued)
        band.bottom = doc.documentLayout()->frameBoundingRect(table).bottom();
    if (!band.isValid() || band.height() > pageHeight / 2)
        return {};
    return band;
}

void HeadingRowsStart::note(const PageUnit &unit, bool placedBefore, int start,
                            qreal clipBottom, const QTextBlock &lastPlaced, qsizetype tableRuns)
{
    const int headers = unit.row && unit.table ? unit.table->format().headerRowCount() : 0;
    if (unit.row && unit.table == m_table && unit.firstRow < headers && unit.endRow <= headers)
        return; // a further heading row of the table noted
    *this = HeadingRowsStart();
    // (heading rows that start a page stay there: moving them would not make room)
    if (headers > 0 && unit.firstRow == 0 && unit.endRow <= headers && placedBefore
        && !unit.continued) {
        m_table = unit.table;
        m_start = start;
        m_clipBottom = clipBottom;
        m_lastPlaced = lastPlaced;
        m_tableRuns = tableRuns;
    }
}

bool HeadingRowsStart::orphaned(const PageUnit &unit) const
{
    return m_table && unit.row && unit.table == m_table
        && unit.firstRow >= m_table->format().headerRowCount();
}

void drawHeaderBand(QPainter &p, QTextDocument &doc, const HeaderBand &band, qreal width,
                    bool ownLinesOnly, const QTextDocument &source, int base)
{
    if (!band.isValid())
        return;
    p.save();
    p.setClipRect(QRectF(0, 0, width, band.height()), Qt::IntersectClip);
    p.translate(0, -band.top);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    // The layout draws every paragraph its clip touches whole: a pixel inside the band keeps
    // the paragraph before the table and the first row below the heading rows out of it.
    context.clip = ownLinesOnly ? QRectF(0, band.top + 1, width, band.height() - 2)
                                : QRectF(0, band.top, width, band.height());
    if (!context.clip.isEmpty())
        doc.documentLayout()->draw(&p, context);
    // The numbers of numbered paragraphs in the heading cells, which the layout leaves out.
    // They are counted in the whole document: counted in the part, a part that starts among
    // the paragraphs numbered before the table numbered the copies from there.
    const int headers = band.table->format().headerRowCount();
    for (const CellLine &line : cellLines(doc, band.table, 0, headers))
        if (line.line == 0)
            drawParagraphMarker(p, line.block, blockOffset(line.block),
                                source.findBlock(base + line.block.position()));
    p.restore();
}

} // namespace richedit
