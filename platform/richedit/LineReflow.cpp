#include "LineReflow.h"

#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextObject>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/private/qtextengine_p.h>
#include <algorithm>

namespace richedit {

LineStep lineStep(const QTextBlockFormat &format, const QTextLine &line, qreal scaling)
{
    const qreal rawHeight = qCeil(line.ascent() + line.descent() + line.leading());
    LineStep step;
    step.height = QFixed::fromReal(format.lineHeight(rawHeight, scaling));
    step.bottom = QFixed::fromReal(format.lineHeight(line.height(), scaling));
    const int type = format.lineHeightType();
    if (type == QTextBlockFormat::FixedHeight)
        step.adjustment = QFixed::fromReal(line.ascent() + qMax(line.leading(), qreal(0)))
                          - ((step.height * 4) / 5);
    else if (type == QTextBlockFormat::MinimumHeight)
        step.adjustment = QFixed::fromReal(line.height()) - step.height;
    return step;
}

QTextOption paragraphOption(const QTextDocument &document, const QTextBlockFormat &format,
                            Qt::LayoutDirection direction)
{
    const QTextOption defaults = document.defaultTextOption();
    QTextOption option = defaults;
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    Qt::Alignment align = defaults.alignment();
    if (format.hasProperty(QTextFormat::BlockAlignment))
        align = format.alignment();
    option.setAlignment(QGuiApplicationPrivate::visualAlignment(direction, align));
    if (format.nonBreakableLines())
        option.setWrapMode(QTextOption::ManualWrap);
    return option;
}

namespace {

int nextLineStart(const QScriptLine &line)
{
    return line.from + line.length + line.trailingSpaces;
}

// The first of lines[begin..] that starts at or after pos.
QScriptLineArray::const_iterator lineStartingAt(const QScriptLineArray &lines, int begin, int pos)
{
    return std::lower_bound(lines.cbegin() + begin, lines.cend(), pos,
                            [](const QScriptLine &l, int p) { return l.from < p; });
}

} // namespace

Reflow reflowLines(QTextLayout *layout, const QTextBlockFormat &format, qreal scaling, int from,
                   int removed, int added, int maxLines)
{
    Reflow result;
    QTextEngine *engine = layout->engine();
    // The lines as they were before the edit; the copy shares the list until the layout below
    // clears it.
    const QScriptLineArray old = engine->lines;
    const int count = int(old.size());
    if (count == 0 || from < 0 || from > nextLineStart(old.last()))
        return result;
    const int delta = added - removed;
    const int editEnd = from + added; // in the new text

    // The line holding the edit, and the one before it: the start of an edited word may now fit
    // at the end of the line above.
    const int holding = int(lineStartingAt(old, 0, from + 1) - old.cbegin()) - 1;
    const int first = qMax(0, holding - 1);
    const QTextLine firstLine = layout->lineAt(first);
    QFixed y = old.at(first).y + lineStep(format, firstLine, scaling).adjustment;
    result.top = y;

    // What beginLayout() does but throwing the paragraph's analysis away: it is up to date
    // (worked out again by the engine after the edit, or patched for it).
    engine->itemize();
    engine->layoutData->layoutState = QTextEngine::InLayout;
    engine->lines = old.mid(0, first);
    int meets = -1; // the old line the new ones meet
    bool fits = true;
    bool tooMany = false;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        const int i = line.lineNumber();
        // A line left without a width would be laid out over the whole rest of the paragraph
        // when the layout ends: the lines are given up on here, so a column will do.
        if (i - first >= maxLines) {
            line.setNumColumns(1);
            tooMany = true;
            break;
        }
        if (i >= count && count == 1) {
            line.setNumColumns(1);
            fits = false; // no old line without the first line's indent to take the width from
            break;
        }
        const QScriptLine &shape = old.at(qMin(i, count - 1));
        line.setLeadingIncluded(true);
        line.setLineWidth(shape.width.toReal());
        if (QFixed::fromReal(line.naturalTextWidth()) > shape.width) {
            fits = false; // Qt's layout would wrap this line anywhere
            break;
        }
        const LineStep step = lineStep(format, line, scaling);
        line.setPosition(QPointF(shape.x.toReal(), (y - step.adjustment).toReal()));
        result.bottom = y + step.bottom;
        y += step.height;
        const int next = nextLineStart(engine->lines.at(i));
        if (next >= editEnd) {
            const auto match = lineStartingAt(old, first + 1, next - delta);
            if (match != old.cend() && match->from == next - delta) {
                meets = int(match - old.cbegin());
                break;
            }
        }
    }
    if (fits && meets >= 0) {
        // The old lines from there on, after the edit's characters and below the new lines.
        const int at = int(engine->lines.size());
        engine->lines.append(old.mid(meets));
        for (qsizetype j = at; j < engine->lines.size(); ++j)
            engine->lines[j].from += delta;
        const QTextLine kept = layout->lineAt(at);
        const QFixed oldTop = engine->lines.at(at).y + lineStep(format, kept, scaling).adjustment;
        const QFixed shift = y - oldTop;
        if (shift != 0) {
            for (qsizetype j = at; j < engine->lines.size(); ++j)
                engine->lines[j].y += shift;
        }
        result.moved = shift != 0;
    } else {
        result.moved = true; // wrapped to the paragraph's end: its height may have changed
    }
    layout->endLayout();
    result.done = fits && !tooMany;
    return result;
}

Margins marginsOf(const QTextDocument &document, const QTextBlockFormat &format, qreal dpiScale)
{
    qreal indent = format.indent();
    if (const QTextObject *object = document.objectForFormat(format))
        indent += object->format().toListFormat().indent();
    Margins m;
    m.left = QFixed::fromReal(format.leftMargin());
    if (!qIsNull(indent))
        m.left += QFixed::fromReal(indent * dpiScale * document.indentWidth());
    m.right = QFixed::fromReal(format.rightMargin());
    m.indent = QFixed::fromReal(format.textIndent());
    return m;
}

bool sameOption(const QTextOption &a, const QTextOption &b)
{
    return a.alignment() == b.alignment() && a.wrapMode() == b.wrapMode()
           && a.textDirection() == b.textDirection() && a.flags() == b.flags()
           && a.tabStopDistance() == b.tabStopDistance() && a.tabs() == b.tabs();
}

std::optional<QFixed> checkedEnd(const QTextLayout &layout, const QTextBlockFormat &format,
                                 const Margins &margins, QFixed xLeft, QFixed xRight,
                                 qreal scaling)
{
    const QFixed top = QFixed::fromReal(layout.position().y());
    QFixed y = top;
    QFixed bottom;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const QFixed left = margins.left + (i == 0 ? margins.indent : QFixed());
        if (QFixed::fromReal(line.x()) != left
            || xLeft + left + QFixed::fromReal(line.width()) + margins.right != xRight)
            return std::nullopt;
        const LineStep step = lineStep(format, line, scaling);
        if (QFixed::fromReal(line.y()) != y - top - step.adjustment)
            return std::nullopt;
        bottom = y + step.bottom;
        y += step.height;
    }
    return qMax(y, bottom);
}

bool relayLines(QTextLayout &layout, const QTextBlockFormat &format, const Margins &margins,
                QFixed xLeft, QFixed xRight, qreal scaling, int lineCount, QFixed oldEnd)
{
    const QFixed top = QFixed::fromReal(layout.position().y());
    const QFixed lineLeft = xLeft + margins.left;
    const QFixed lineRight = xRight - margins.right;
    QFixed y = top;
    QFixed bottom;
    int lines = 0;
    bool fits = true;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        const QFixed left = lineLeft + (lines == 0 ? margins.indent : QFixed());
        line.setLineWidth((lineRight - left).toReal());
        if (QFixed::fromReal(line.naturalTextWidth()) > lineRight - left)
            fits = false;
        const LineStep step = lineStep(format, line, scaling);
        line.setPosition(QPointF((left - xLeft).toReal(), (y - top - step.adjustment).toReal()));
        bottom = y + step.bottom;
        y += step.height;
        ++lines;
    }
    layout.endLayout();
    return fits && lines == lineCount && qMax(y, bottom) == oldEnd;
}

} // namespace richedit
