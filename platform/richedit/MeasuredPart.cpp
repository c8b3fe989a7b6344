#include "MeasuredPart.h"

#include "MeasuredFlow.h"
#include "MeasuredTable.h"

#include "FormatRange.h"
#include "LineReflow.h"
#include "PageUnits.h"
#include "ParagraphWalk.h"
#include "ResolutionDevice.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QtGui/private/qfont_p.h>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextformat_p.h>

#include <algorithm>
#include <optional>

namespace richedit {

namespace {

// Paragraphs of several runs measured here stay below this length: the text engine splits a
// paragraph's shaping into items of at most 4096 characters, counted from each run's start in
// a document and from the paragraph's start in a text layout of its own.
constexpr int kMaxItem = 4096;

// The direction of a paragraph's text from its first strongly directed character, as the
// document finds it when neither the paragraph's format nor the document's option give one.
Qt::LayoutDirection directionOfText(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text.at(i + 1).unicode());
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirL: return Qt::LeftToRight;
        case QChar::DirR:
        case QChar::DirAL: return Qt::RightToLeft;
        default: break;
        }
    }
    return Qt::LeftToRight;
}

} // namespace

FlowMeasurer::FlowMeasurer(const QTextDocument &source, int dpiX, int dpiY, int widthTwips)
    : m_source(source), m_formats(QTextDocumentPrivate::get(&source)->formatCollection()),
      m_device(dpiX, dpiY), m_dpiY(dpiY), m_scaleX(dpiX / 96.0),
      m_scaleY(qreal(dpiY) / qreal(qt_defaultDpi())),
      m_lineScaling(dpiY != qt_defaultDpi() ? m_scaleY : 1),
      m_pageWidth(QFixed::fromReal(widthTwips * double(dpiX) / 1440.0)), m_right(m_pageWidth),
      m_defaultFont(source.defaultFont(), &m_device)
{
    m_runs.resize(size_t(m_formats->numFormats()));
    m_paragraphFormats.resize(m_runs.size());
}

MeasuredParagraphFormat &FlowMeasurer::paragraphFormat(int index)
{
    MeasuredParagraphFormat &f = m_paragraphFormats[size_t(index)];
    if (f.known)
        return f;
    f.known = true;
    f.format = m_formats->blockFormat(index);
    f.topMargin = f.format.topMargin();
    f.bottomMargin = f.format.bottomMargin();
    // Horizontal margins as the copy scales them to the device; the indent by levels as the
    // layout scales it.
    const bool scaled = !qFuzzyCompare(m_scaleX, 1.0);
    f.leftMargin = QFixed::fromReal(scaled ? f.format.leftMargin() * m_scaleX
                                           : f.format.leftMargin());
    f.rightMargin = QFixed::fromReal(scaled ? f.format.rightMargin() * m_scaleX
                                            : f.format.rightMargin());
    f.textIndent = QFixed::fromReal(scaled ? f.format.textIndent() * m_scaleX
                                           : f.format.textIndent());
    const qreal levels = f.format.indent();
    if (!qIsNull(levels))
        f.indent = QFixed::fromReal(levels * m_scaleY * m_source.indentWidth());
    f.direction = f.format.layoutDirection() != Qt::LayoutDirectionAuto
        ? f.format.layoutDirection() : m_source.defaultTextOption().textDirection();
    f.breakBefore = f.format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
    return f;
}

const MeasuredRunFormat &FlowMeasurer::run(int index)
{
    MeasuredRunFormat &r = m_runs[size_t(index)];
    if (r.known)
        return r;
    r.known = true;
    r.format = m_formats->charFormat(index);
    r.font = QFont(r.format.font(), &m_device);
    r.capitals = r.format.hasProperty(QTextFormat::FontCapitalization)
        && r.format.fontCapitalization() != QFont::MixedCase;
    // The layout's font gives the metrics of a run unless its format moves it up or down
    // (which shrinks it); such runs are measured with their formats.
    r.plain = r.format.verticalAlignment() == QTextCharFormat::AlignNormal
        && !r.format.hasProperty(QTextFormat::TextBaselineOffset)
        && !r.format.hasProperty(QTextFormat::TextSuperScriptBaseline)
        && !r.format.hasProperty(QTextFormat::TextSubScriptBaseline);
    return r;
}

// Gives the layout its text and fonts as the document gives them to the paragraph's layout.
// An empty paragraph takes its height from its mark's font, a paragraph of one plain run from
// that run's font; others have their runs' formats.
bool FlowMeasurer::lay(QTextLayout &layout, const WalkParagraph &p)
{
    if (p.text.contains(QChar::ObjectReplacementCharacter))
        return false;
    if (p.runs.isEmpty()) {
        layout.setFont(run(p.markFormat).font);
        return true;
    }
    // One run: its font brings its capitals, which the engine applies to the whole text here
    // as it does to the run in the document.
    if (p.runs.size() == 1 && run(p.runs.first().format).plain) {
        layout.setFont(run(p.runs.first().format).font);
        return true;
    }
    for (const WalkRun &r : p.runs)
        if (run(r.format).capitals)
            return false;
    if (p.runs.size() > 1 && p.text.size() >= kMaxItem)
        return false;
    QList<QTextLayout::FormatRange> ranges;
    ranges.reserve(p.runs.size());
    for (const WalkRun &r : p.runs)
        ranges.append({r.offset, r.length, run(r.format).format});
    layout.setFont(m_defaultFont);
    layout.setFormats(ranges);
    return true;
}

bool FlowMeasurer::paragraph(const WalkParagraph &p, int position,
                             std::vector<MeasuredParagraph> &paragraphs,
                             std::vector<MeasuredLine> *lines, ParagraphFit *fit)
{
    QTextLayout layout(p.text);
    const bool minimum = fit && fit->wantsMinimum;
    layout.setCacheEnabled(minimum); // shaped once for both layouts of a cell's paragraph
    if (!lay(layout, p))
        return false;
    MeasuredParagraphFormat &f = paragraphFormat(p.blockFormat);
    const QTextBlockFormat &format = f.format;
    // The gap between two paragraphs is the larger of the margins that meet there; the first
    // paragraph's top margin adds nothing.
    if (m_previous) {
        qreal gap = qMax(f.topMargin, m_previous->bottomMargin);
        if (gap > 0)
            gap *= m_scaleY;
        m_y += QFixed::fromReal(gap);
    }
    m_previous = &f;

    const Qt::LayoutDirection direction =
        f.direction != Qt::LayoutDirectionAuto ? f.direction : directionOfText(p.text);
    const bool rtl = direction == Qt::RightToLeft;
    const QFixed left = f.leftMargin + (rtl ? QFixed() : f.indent);
    const QFixed right = m_right - f.rightMargin - (rtl ? f.indent : QFixed());
    const QFixed textIndent = f.textIndent;
    std::optional<QTextOption> &kept = f.options[rtl];
    if (!kept)
        kept = paragraphOption(m_source, format, direction);
    QTextOption option = *kept;
    layout.setTextOption(option);
    const bool either = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;
    const QFixed top = m_y;
    QFixed bottom;
    MeasuredParagraph paragraph;
    paragraph.position = position;
    paragraph.length = p.length;
    paragraph.firstLine = lines ? int(lines->size()) : -1;
    paragraph.breakBefore = f.breakBefore;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        QFixed lineLeft = left;
        QFixed lineRight = right;
        if (line.lineNumber() == 0) {
            if (rtl)
                lineRight -= textIndent;
            else
                lineLeft += textIndent;
        }
        const QFixed width = lineRight - lineLeft;
        line.setLineWidth(width.toReal());
        if (QFixed::fromReal(line.naturalTextWidth()) > width) {
            line.setLineWidth(width.toReal());
            if (QFixed::fromReal(line.naturalTextWidth()) > width) {
                // A word wider than the line is broken anywhere.
                if (either) {
                    option.setWrapMode(QTextOption::WrapAnywhere);
                    layout.setTextOption(option);
                }
                line.setLineWidth(qMax<qreal>(line.naturalTextWidth(), width.toReal()));
                if (fit)
                    fit->overflow = true;
                if (either) {
                    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
                    layout.setTextOption(option);
                }
            }
        }
        const LineStep step = lineStep(format, line, m_lineScaling);
        line.setPosition(QPointF(lineLeft.toReal(), (m_y - top - step.adjustment).toReal()));
        bottom = m_y + step.bottom;
        m_y += step.height;
    }
    layout.endLayout();
    m_y = qMax(m_y, bottom);

    if (fit) {
        fit->height = layout.boundingRect().height();
        fit->top = top;
    }
    const qreal y = top.toReal();
    const int index = int(paragraphs.size());
    paragraph.lineCount = layout.lineCount();
    for (int i = 0; lines && i < paragraph.lineCount; ++i) {
        const QTextLine line = layout.lineAt(i);
        lines->push_back({position + line.textStart(),
                          position + line.textStart() + line.textLength(), y + line.y(),
                          lineExtent(format, &layout, i), index});
    }
    if (paragraph.lineCount == 0) { // a page still takes the paragraph, with no height
        if (lines)
            lines->push_back({position, position, y, 0, index});
        paragraph.lineCount = 1;
    }
    paragraphs.push_back(paragraph);
    if (minimum) {
        // The widest stretch that cannot be broken, as the layout finds it with the paragraph
        // on one line: a paragraph of one line was laid out so already, longer ones (which
        // may have broken a word anywhere) are laid out so again.
        if (layout.lineCount() > 1) {
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
                line.setLineWidth((QFIXED_MAX - (m_right - right) - left).toReal());
            layout.endLayout();
        }
        const QFixed widest = QFixed::fromReal(layout.minimumWidth());
        fit->minimumWidth = widest + left + f.rightMargin + (rtl ? f.indent : QFixed());
    }
    return true;
}

FlowMeasurer::Flow FlowMeasurer::startFlow(QFixed width)
{
    const Flow outer{m_y, m_right, m_previous};
    m_y = 0;
    m_right = width;
    m_previous = nullptr;
    return outer;
}

void FlowMeasurer::endFlow(const Flow &outer)
{
    m_y = outer.y;
    m_right = outer.right;
    m_previous = outer.previous;
}

bool MeasuredPart::suits(const QTextDocument &source)
{
    const QTextOption::Flags shown = QTextOption::AddSpaceForLineAndParagraphSeparators
        | QTextOption::ShowLineAndParagraphSeparators;
    if (source.defaultTextOption().flags() & shown)
        return false;
    if (holdsPlainParagraphsOnly(source))
        return true;
    // Paragraphs and tables of such paragraphs: each table is looked at when it is measured.
    const QList<QTextFrame *> frames = source.rootFrame()->childFrames();
    if (!std::all_of(frames.cbegin(), frames.cend(),
                     [](QTextFrame *f) { return qobject_cast<QTextTable *>(f); }))
        return false;
    const QList<QTextFormat> formats = source.allFormats();
    return std::none_of(formats.cbegin(), formats.cend(), [](const QTextFormat &f) {
        return f.isListFormat() || f.isImageFormat()
            || (f.isCharFormat() && f.objectType() != QTextFormat::NoObject
                && f.objectType() != QTextFormat::TableCellObject)
            || (f.isBlockFormat() && f.objectIndex() >= 0);
    });
}

bool MeasuredPart::measure(const QTextDocument &source, const QTextBlock &first,
                           const QTextBlock &last, int dpiX, int dpiY, int widthTwips)
{
    m_paragraphs.clear();
    m_lines.clear();
    m_tables.clear();
    if (!measureFlow(source, first, last, dpiX, dpiY, widthTwips)) {
        m_paragraphs.clear();
        m_lines.clear();
        m_tables.clear();
        return false;
    }
    return true;
}

bool MeasuredPart::measureFlow(const QTextDocument &source, const QTextBlock &first,
                               const QTextBlock &last, int dpiX, int dpiY, int widthTwips)
{
    FlowMeasurer flow(source, dpiX, dpiY, widthTwips);
    const int base = first.position();
    const int end = last.position();
    // The part's tables, in order: parts hold tables whole.
    std::vector<const QTextTable *> tables;
    for (QTextFrame *frame : source.rootFrame()->childFrames())
        if (frame->firstPosition() > base && frame->lastPosition() < end)
            tables.push_back(qobject_cast<const QTextTable *>(frame));
    // Tables of a kind left to the copy are found before any paragraph is measured.
    if (!std::all_of(tables.cbegin(), tables.cend(),
                     [](const QTextTable *t) { return t && tableSuitsMeasuring(*t); }))
        return false;
    size_t nextTable = 0;
    ParagraphWalk walk(source, base);
    WalkParagraph p;
    bool have = walk.next(p);
    bool afterTable = false;
    qreal bottomBefore = 0; // of the paragraph before a table: its band of heading rows starts there
    while (have && p.position <= end) {
        const QTextTable *table = nextTable < tables.size() ? tables[nextTable] : nullptr;
        if (table && p.position >= table->firstPosition()) {
            const size_t firstRow = m_lines.size();
            if (!measureTable(flow, *table, walk, p, have, base, m_paragraphs, m_lines))
                return false;
            // The band of heading rows repeated on later pages: from the table's top (or the
            // end of the paragraph before it, when that reaches lower) to the first row below
            // them.
            MeasuredHeading heading;
            heading.rows = table->format().headerRowCount();
            heading.top = qMin(m_lines[firstRow].top, bottomBefore);
            heading.bottom = heading.top;
            for (size_t i = firstRow; i < m_lines.size(); ++i) {
                m_lines[i].table = int(m_tables.size());
                if (heading.rows > 0 && m_lines[i].firstRow == heading.rows)
                    heading.bottom = m_lines[i].top;
            }
            m_tables.push_back(heading);
            ++nextTable;
            afterTable = true;
            continue;
        }
        // The layout hides an empty paragraph right before a table in the table's top edge,
        // and one right after a table under its bottom: neither takes room. A paragraph after
        // a table that opens with a line break is moved up by a line.
        const QTextBlockFormat &format = flow.paragraphFormat(p.blockFormat).format;
        const bool beforeTable = table && p.length == 1
            && table->firstPosition() == p.position + 1
            && !format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)
            && !format.hasProperty(QTextFormat::BackgroundBrush);
        if (!beforeTable && afterTable && p.length > 1 && p.text.startsWith(QChar::LineSeparator))
            return false;
        const bool hiddenAfter = !beforeTable && afterTable && p.length == 1;
        const QFixed y = flow.y();
        const qreal marginBefore = flow.previousBottomMargin();
        ParagraphFit fit;
        if (!flow.paragraph(p, p.position - base, m_paragraphs, &m_lines, &fit))
            return false;
        bottomBefore = fit.top.toReal() + fit.height;
        if (beforeTable) {
            flow.setY(y + QFixed::fromReal(qMax(marginBefore, format.topMargin())));
        } else if (hiddenAfter) {
            m_lines.back().top -= fit.height;
            bottomBefore = y.toReal();
            flow.setY(y);
        }
        afterTable = false;
        have = walk.next(p);
    }
    return nextTable == tables.size();
}

// The loop of formatRange over measured lines and rows: the same tests in the same order, so
// that a page ends where it ends there.
int measuredPageEnd(FormatRangeCache &cache, const QTextDocument &source, int length, int cpMin,
                    int dpiX, int dpiY, int widthTwips, qreal pageHeight)
{
    for (bool grow = false;; grow = true) {
        const MeasuredPart *part =
            cache.measuredFor(source, dpiX, dpiY, widthTwips, cpMin, grow);
        if (!part)
            return -1;
        const int base = cache.measuredBase();
        const std::vector<MeasuredLine> &lines = part->lines();
        const std::vector<MeasuredParagraph> &paragraphs = part->paragraphs();
        const std::vector<MeasuredHeading> &tables = part->tables();
        qreal y0 = -1;
        int next = length;
        bool placed = false;
        bool more = false; // the page ended before the part did
        int lastPlaced = part->paragraphAt(cpMin - base);
        qreal room = pageHeight; // below the heading rows repeated at the page's top
        // Heading rows that the page holds at its bottom, with no row of their table under
        // them yet, go to the next page with that row: their table and first position.
        int headingTable = -1;
        int headingStart = -1;
        const size_t from = size_t(part->lineAt(cpMin - base));
        // A page that goes on inside a row (cut on the page before) is left to the copy.
        if (from < lines.size() && lines[from].row && lines[from].start != cpMin - base)
            return -1;
        for (size_t i = from; i < lines.size() && !more; ++i) {
            const MeasuredLine &line = lines[i];
            const MeasuredParagraph &paragraph = paragraphs[size_t(line.paragraph)];
            const int start = base + line.start;
            const int headers = line.row ? tables[size_t(line.table)].rows : 0;
            if (placed && line.paragraph != lastPlaced && line.start == paragraph.position
                && paragraph.breakBefore) {
                next = start;
                more = true;
                continue;
            }
            if (start >= length && placed) {
                more = true;
                continue;
            }
            if (y0 < 0) {
                y0 = line.top;
                if (headers > 0 && line.firstRow >= headers) {
                    const MeasuredHeading &h = tables[size_t(line.table)];
                    if (h.bottom > h.top && h.bottom - h.top <= pageHeight / 2)
                        room = pageHeight - (h.bottom - h.top);
                }
            }
            const bool fits = !(line.top + line.extent - y0 > room);
            if (!fits && line.row && line.extent > room)
                return -1; // a row taller than a page is cut between its lines there
            if (placed && !fits) {
                next = headingTable >= 0 && line.row && line.table == headingTable
                        && line.firstRow >= headers
                    ? headingStart : start;
                more = true;
                continue;
            }
            if (!(line.row && line.table == headingTable && line.firstRow < headers)) {
                headingTable = -1;
                if (headers > 0 && line.firstRow == 0 && placed) {
                    headingTable = line.table;
                    headingStart = start;
                }
            }
            placed = true;
            lastPlaced = line.paragraph;
        }
        // A page that runs past the end of a part that is not the document's end is measured
        // again in a longer part from the page on.
        if (more || cache.measuredReachesEnd())
            return next;
    }
}

int MeasuredPart::paragraphAt(int position) const
{
    const auto after = std::upper_bound(
        m_paragraphs.cbegin(), m_paragraphs.cend(), position,
        [](int pos, const MeasuredParagraph &p) { return pos < p.position; });
    return qMax(0, int(after - m_paragraphs.cbegin()) - 1);
}

int MeasuredPart::lineAt(int position) const
{
    if (m_paragraphs.empty())
        return 0;
    const MeasuredParagraph &p = m_paragraphs[size_t(paragraphAt(position))];
    if (p.lineCount == 0)
        return p.firstLine;
    // The end of the paragraph's text belongs to its last line; otherwise the first line
    // reaching past the position holds it.
    if (position == p.position + p.length - 1)
        return p.firstLine + p.lineCount - 1;
    for (int i = 0; i < p.lineCount; ++i)
        if (m_lines[size_t(p.firstLine + i)].end > position)
            return p.firstLine + i;
    return p.firstLine;
}

} // namespace richedit
