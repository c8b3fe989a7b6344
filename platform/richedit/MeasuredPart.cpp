#include "MeasuredPart.h"

#include "FormatRange.h"
#include "LineReflow.h"
#include "PageUnits.h"
#include "ParagraphWalk.h"
#include "ResolutionDevice.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
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

// What a run's format takes for its measuring.
struct RunFormat {
    bool known = false;
    bool plain = false; // its font alone lays it out as the copy's layout does
    bool capitals = false; // by format: the engine itemizes those per run in a document
    QFont font;           // at the device's resolution
    QTextCharFormat format;
};

// What a paragraph format gives the placing of its lines, worked out once per format.
struct ParagraphFormat {
    bool known = false;
    QTextBlockFormat format;
    qreal topMargin = 0;
    qreal bottomMargin = 0;
    QFixed leftMargin;  // scaled to the device as the copy scales it
    QFixed rightMargin;
    QFixed textIndent;
    QFixed indent;      // by levels
    Qt::LayoutDirection direction = Qt::LayoutDirectionAuto; // Auto: found from the text
    bool breakBefore = false;
    std::optional<QTextOption> options[2]; // left to right, right to left
};

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

// Measures paragraphs one after the other, keeping what their formats give for measuring.
class Measurer {
public:
    Measurer(const QTextDocument &source, int dpiX, int dpiY, int widthTwips)
        : m_source(source), m_formats(QTextDocumentPrivate::get(&source)->formatCollection()),
          m_device(dpiX, dpiY), m_scaleX(dpiX / 96.0),
          m_scaleY(qreal(dpiY) / qreal(qt_defaultDpi())),
          m_lineScaling(dpiY != qt_defaultDpi() ? m_scaleY : 1),
          m_right(QFixed::fromReal(widthTwips * double(dpiX) / 1440.0)),
          m_defaultFont(source.defaultFont(), &m_device)
    {
        m_runs.resize(size_t(m_formats->numFormats()));
        m_paragraphFormats.resize(m_runs.size());
    }

    bool paragraph(const WalkParagraph &p, int position,
                   std::vector<MeasuredParagraph> &paragraphs, std::vector<MeasuredLine> &lines);

private:
    const RunFormat &run(int index);
    ParagraphFormat &paragraphFormat(int index);
    bool lay(QTextLayout &layout, const WalkParagraph &p);

    const QTextDocument &m_source;
    const QTextFormatCollection *m_formats;
    ResolutionDevice m_device;
    qreal m_scaleX;
    qreal m_scaleY;
    qreal m_lineScaling; // of line heights: none at the layout's own resolution
    QFixed m_right; // the right edge of the text: the page width
    QFont m_defaultFont;
    std::vector<RunFormat> m_runs;
    std::vector<ParagraphFormat> m_paragraphFormats;
    QFixed m_y; // the next paragraph's top, before the gap above it
    const ParagraphFormat *m_previous = nullptr;
};

ParagraphFormat &Measurer::paragraphFormat(int index)
{
    ParagraphFormat &f = m_paragraphFormats[size_t(index)];
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

const RunFormat &Measurer::run(int index)
{
    RunFormat &r = m_runs[size_t(index)];
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
bool Measurer::lay(QTextLayout &layout, const WalkParagraph &p)
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

bool Measurer::paragraph(const WalkParagraph &p, int position,
                         std::vector<MeasuredParagraph> &paragraphs,
                         std::vector<MeasuredLine> &lines)
{
    QTextLayout layout(p.text);
    layout.setCacheEnabled(false);
    if (!lay(layout, p))
        return false;
    ParagraphFormat &f = paragraphFormat(p.blockFormat);
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
    paragraph.firstLine = int(lines.size());
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

    const qreal y = top.toReal();
    const int index = int(paragraphs.size());
    paragraph.lineCount = layout.lineCount();
    for (int i = 0; i < paragraph.lineCount; ++i) {
        const QTextLine line = layout.lineAt(i);
        lines.push_back({position + line.textStart(),
                         position + line.textStart() + line.textLength(), y + line.y(),
                         lineExtent(format, &layout, i), index});
    }
    if (paragraph.lineCount == 0) { // a page still takes the paragraph, with no height
        lines.push_back({position, position, y, 0, index});
        paragraph.lineCount = 1;
    }
    paragraphs.push_back(paragraph);
    return true;
}

} // namespace

bool MeasuredPart::suits(const QTextDocument &source)
{
    const QTextOption::Flags shown = QTextOption::AddSpaceForLineAndParagraphSeparators
        | QTextOption::ShowLineAndParagraphSeparators;
    return !(source.defaultTextOption().flags() & shown) && holdsPlainParagraphsOnly(source);
}

bool MeasuredPart::measure(const QTextDocument &source, const QTextBlock &first,
                           const QTextBlock &last, int dpiX, int dpiY, int widthTwips)
{
    m_paragraphs.clear();
    m_lines.clear();
    Measurer measurer(source, dpiX, dpiY, widthTwips);
    ParagraphWalk walk(source, first.position());
    const int base = first.position();
    const int end = last.position();
    WalkParagraph p;
    while (walk.next(p) && p.position <= end) {
        if (!measurer.paragraph(p, p.position - base, m_paragraphs, m_lines)) {
            m_paragraphs.clear();
            m_lines.clear();
            return false;
        }
    }
    return true;
}

// The loop of formatRange for a document without tables, over measured lines: the same
// tests in the same order, so that a page ends where it ends there.
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
        qreal y0 = -1;
        int next = length;
        bool placed = false;
        bool more = false; // the page ended before the part did
        int lastPlaced = part->paragraphAt(cpMin - base);
        for (size_t i = size_t(part->lineAt(cpMin - base)); i < lines.size() && !more; ++i) {
            const MeasuredLine &line = lines[i];
            const MeasuredParagraph &paragraph = paragraphs[size_t(line.paragraph)];
            const int start = base + line.start;
            if (placed && line.paragraph != lastPlaced && line.start == paragraph.position
                && paragraph.breakBefore) {
                next = start;
                more = true;
            } else if (start >= length && placed) {
                more = true;
            } else {
                if (y0 < 0)
                    y0 = line.top;
                if (placed && line.top + line.extent - y0 > pageHeight) {
                    next = start;
                    more = true;
                } else {
                    placed = true;
                    lastPlaced = line.paragraph;
                }
            }
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
