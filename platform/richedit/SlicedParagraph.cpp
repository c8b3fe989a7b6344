#include "SlicedParagraph.h"

#include "LineReflow.h"

#include <QElapsedTimer>
#include <QTextLayout>
#include <QtGui/private/qtextengine_p.h>
#include <algorithm>

namespace richedit {

namespace {

int nextLineStart(const QScriptLine &line)
{
    return line.from + line.length + line.trailingSpaces;
}

} // namespace

SlicedParagraph::SlicedParagraph(const QTextBlock &block, const Geometry &geometry,
                                 int keepBefore, bool analysed)
    : m_anchor(block), m_geometry(geometry), m_option(geometry.option)
{
    QTextLayout *layout = block.layout();
    // The shaping stays between the steps; without it every step would work the whole
    // paragraph out again.
    layout->setCacheEnabled(true);
    if (keepBefore >= 0 && layout->lineCount() > 0) {
        changedAt(keepBefore, analysed);
        return;
    }
    layout->clearLayout();
    if (!analysed)
        layout->engine()->invalidate();
    layout->setTextOption(m_option);
}

int SlicedParagraph::laidOut() const
{
    const QTextEngine *engine = block().layout()->engine();
    return engine->lines.isEmpty() ? 0 : nextLineStart(engine->lines.last());
}

void SlicedParagraph::layOut(qint64 nanoseconds, int lines)
{
    if (m_done)
        return;
    QTextLayout *layout = block().layout();
    QTextEngine *engine = layout->engine();
    // An edit since the last step dropped the paragraph's shaping: itemizing makes it anew.
    engine->itemize();
    engine->layoutData->layoutState = QTextEngine::InLayout;
    QElapsedTimer timer;
    timer.start();
    do {
        const QTextLine line = layout->createLine();
        if (!line.isValid()) {
            m_done = true;
            break;
        }
        layOutLine(layout, line);
    } while (--lines > 0 || timer.nsecsElapsed() < nanoseconds);
    layout->endLayout();
}

void SlicedParagraph::layOutLine(QTextLayout *layout, QTextLine line)
{
    // Qt's document layout for a line of the main flow with no floats beside it.
    line.setLeadingIncluded(true);
    const QFixed left = m_geometry.left + (line.lineNumber() == 0 ? m_geometry.indent : QFixed());
    const QFixed width = m_geometry.right - left;
    line.setLineWidth(width.toReal());
    if (QFixed::fromReal(line.naturalTextWidth()) > width) {
        line.setLineWidth(width.toReal());
        if (QFixed::fromReal(line.naturalTextWidth()) > width) {
            // A word wider than the line: Qt breaks it anywhere, and goes on with word
            // wrapping for the rest of the paragraph.
            const bool either = m_option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;
            if (either) {
                m_option.setWrapMode(QTextOption::WrapAnywhere);
                layout->setTextOption(m_option);
            }
            line.setLineWidth(qMax<qreal>(line.naturalTextWidth(), width.toReal()));
            if (either) {
                m_option.setWrapMode(QTextOption::WordWrap);
                layout->setTextOption(m_option);
            }
        }
    }
    const LineStep step = lineStep(block().blockFormat(), line, m_geometry.scaling);
    line.setPosition(QPointF(left.toReal(), (m_y - step.adjustment).toReal()));
    m_bottom = m_y + step.bottom;
    m_y += step.height;
}

void SlicedParagraph::changedAt(int position, bool analysed)
{
    QTextLayout *layout = block().layout();
    QTextEngine *engine = layout->engine();
    QScriptLineArray &lines = engine->lines;
    // The line holding the edit, and the one before it.
    const auto holding = std::upper_bound(lines.cbegin(), lines.cend(), position,
                                          [](int p, const QScriptLine &l) { return p < l.from; });
    int keep = qMax(0, int(holding - lines.cbegin()) - 2);
    // Lines made after a switch of the wrap mode cannot be taken up again halfway.
    if (!sameOption(layout->textOption(), m_geometry.option))
        keep = 0;
    lines.resize(keep);
    // A change of formats leaves the text as it was: the shaping must go all the same, unless
    // the analysis was made for the change.
    if (!analysed)
        engine->invalidate();
    m_done = false;
    if (keep == 0) {
        m_y = m_bottom = QFixed();
        m_option = m_geometry.option;
        layout->setTextOption(m_option);
        return;
    }
    // The next line goes below the last one kept, as the steps placed it.
    const QTextLine last = layout->lineAt(keep - 1);
    const LineStep step = lineStep(block().blockFormat(), last, m_geometry.scaling);
    const QFixed top = QFixed::fromReal(last.y()) + step.adjustment;
    m_bottom = top + step.bottom;
    m_y = top + step.height;
}

} // namespace richedit
