#include "preview/RtfRoundTrip.h"

#include "editor/RxRichEd.h"
#include "richedit/ParagraphWalk.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextTable>
#include <algorithm>
#include <cstring>
#include <vector>

using namespace richedit;

namespace rtfcopy {

QByteArray streamOut(TRxRichEdit &source)
{
    QByteArray rtf;
    EDITSTREAM es;
    es.pfnCallback = [&rtf](char *buffer, int cb, int *pcb) {
        rtf.append(buffer, cb);
        *pcb = cb;
        return 0;
    };
    source.streamOut(SF_RTF, es);
    return rtf;
}

void replaceSelection(TRxRichEdit &copy, const QByteArray &rtf)
{
    qsizetype offset = 0;
    EDITSTREAM es;
    es.pfnCallback = [&rtf, &offset](char *buffer, int cb, int *pcb) {
        const int n = int(qMin<qsizetype>(cb, rtf.size() - offset));
        memcpy(buffer, rtf.constData() + offset, size_t(n));
        offset += n;
        *pcb = n;
        return 0;
    };
    copy.streamIn(SF_RTF | SFF_SELECTION, es);
}

namespace {

bool sameTextOption(const QTextOption &a, const QTextOption &b)
{
    return a.alignment() == b.alignment() && a.flags() == b.flags()
        && a.wrapMode() == b.wrapMode() && a.textDirection() == b.textDirection()
        && a.tabStopDistance() == b.tabStopDistance() && a.tabs() == b.tabs();
}

// The settings the layout of a document's pages takes from it besides its text, formats and
// default font.
bool sameSettings(const QTextDocument &a, const QTextDocument &b)
{
    return sameTextOption(a.defaultTextOption(), b.defaultTextOption())
        && a.indentWidth() == b.indentWidth() && a.useDesignMetrics() == b.useDesignMetrics();
}

bool namesSymbol(const QTextFormat &f)
{
    QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    families << f.stringProperty(QTextFormat::FontFamily);
    return f.intProperty(prop::Charset) == SYMBOL_CHARSET
        || std::any_of(families.cbegin(), families.cend(), [](const QString &name) {
               return name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
           });
}

// Lists, bullets and numbers (drawn in the document's default font), pictures and other
// objects, frames other than tables, tables inside tables, and runs whose text the reader maps
// from the Symbol font, are left to the copy. Tables of paragraphs are sampled whole.
bool plainStructure(const QTextDocument &doc)
{
    const QList<QTextFrame *> frames = doc.rootFrame()->childFrames();
    const bool flatTables = std::all_of(frames.cbegin(), frames.cend(), [](QTextFrame *f) {
        return qobject_cast<QTextTable *>(f) && f->childFrames().isEmpty();
    });
    if (!flatTables)
        return false;
    const QList<QTextFormat> formats = doc.allFormats();
    return std::none_of(formats.cbegin(), formats.cend(), [](const QTextFormat &f) {
        const bool cell = f.isCharFormat() && f.objectType() == QTextFormat::TableCellObject;
        return f.isListFormat() || f.isImageFormat()
            || (f.isCharFormat() && !cell
                && (f.objectType() != QTextFormat::NoObject || namesSymbol(f)))
            || (f.isBlockFormat() && (f.objectIndex() >= 0 || f.intProperty(prop::Numbering)));
    });
}

// Printable ASCII, tabs, line breaks, paragraph separators and the marks of table cells, and
// nothing a control would mark as a link when it reads it.
constexpr char16_t kCellStart = 0xFDD0; // the mark that starts each cell of a table
constexpr char16_t kTableEnd = 0xFDD1;  // the mark after a table's last cell

bool plainText(const QString &text)
{
    const bool allPlain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x20 && u < 0x7F) || u == '\t' || u == '\v' || u == 0x2028 || u == 0x2029
            || u == kCellStart || u == kTableEnd;
    });
    return allPlain && !text.contains(QLatin1String("://"))
        && !text.contains(QLatin1String("mailto:"), Qt::CaseInsensitive)
        && !text.contains(QLatin1String("www."), Qt::CaseInsensitive);
}

// What of a run's text the writer treats apart: spaces at either end and a letter, digit or
// hyphen at the start (they meet control words), tabs, line breaks and the characters RTF
// escapes.
int textTraits(QStringView run)
{
    if (run.isEmpty())
        return 0;
    const QChar front = run.front();
    int traits = (front == QLatin1Char(' ') ? 1 : 0) | (run.back() == QLatin1Char(' ') ? 2 : 0)
        | (front.isLetterOrNumber() || front == QLatin1Char('-') ? 32 : 0);
    for (QChar c : run) {
        if (c == QLatin1Char('\t'))
            traits |= 4;
        else if (c == QLatin1Char('\v') || c.unicode() == 0x2028)
            traits |= 8;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
            traits |= 16;
    }
    return traits;
}

// A unit of the sample: a paragraph outside tables (its position), or a whole table.
struct SampleUnit {
    int position = -1;
    QTextTable *table = nullptr;
};

// Format indexes for the shapes, with the object a format belongs to left out: the marks that
// start and end a table's cells name their table, so that every table would otherwise have a
// shape of its own.
class FormatIds {
public:
    explicit FormatIds(const QTextDocument &doc) : m_formats(doc.allFormats()) {}
    int operator()(int index)
    {
        auto known = m_ids.constFind(index);
        if (known != m_ids.constEnd())
            return known.value();
        QTextFormat f = index >= 0 && index < m_formats.size() ? m_formats.at(index) : QTextFormat();
        f.clearProperty(QTextFormat::ObjectIndex);
        int id = int(m_distinct.indexOf(f));
        if (id < 0) {
            id = int(m_distinct.size());
            m_distinct.append(f);
        }
        m_ids.insert(index, id);
        return id;
    }

private:
    QList<QTextFormat> m_formats;
    QList<QTextFormat> m_distinct;
    QHash<int, int> m_ids;
};

// A paragraph's shape: its paragraph format, its mark's format and its runs' formats and
// text traits.
void appendShape(QList<int> &shape, const WalkParagraph &p, FormatIds &ids)
{
    shape << -2 << ids(p.blockFormat) << ids(p.markFormat);
    for (const WalkRun &run : p.runs)
        shape << ids(run.format) << textTraits(QStringView(p.text).mid(run.offset, run.length));
}

// A table's shape besides its paragraphs': its format, its grid and each cell's format and
// spans.
void appendTableShape(QList<int> &shape, const QTextTable &table, FormatIds &ids)
{
    shape << -1 << ids(table.formatIndex()) << table.rows() << table.columns();
    for (int r = 0; r < table.rows(); ++r)
        for (int c = 0; c < table.columns(); ++c) {
            const QTextTableCell cell = table.cellAt(r, c);
            shape << ids(cell.tableCellFormatIndex()) << cell.rowSpan() << cell.columnSpan();
        }
}

// The units the sample holds, in document order: the first and the last, and both units of the
// first pair of neighbours of every two shapes. A table is one unit, its shape that of its grid
// and of all its paragraphs. Empty when the sample would hold more than limit paragraphs.
std::vector<SampleUnit> sampleUnits(const QTextDocument &doc, int limit)
{
    std::vector<SampleUnit> units; // every unit of the document, for the sample's look-ups
    std::vector<int> sample;
    int sampled = 0; // paragraphs in the sample
    std::vector<int> paragraphs; // of each unit
    QHash<QList<int>, int> shapes;
    QSet<qint64> pairs;
    FormatIds ids(doc);
    const QList<QTextFrame *> tables = doc.rootFrame()->childFrames();
    qsizetype nextTable = 0;
    QList<int> shape;
    int previous = -1;
    // A table comes after the paragraph before it: two tables never meet in a document.
    auto take = [&](size_t unit) {
        if (!sample.empty() && sample.back() == int(unit))
            return;
        if (units[unit].table && unit > 0 && (sample.empty() || sample.back() != int(unit) - 1)) {
            sample.push_back(int(unit) - 1);
            sampled += paragraphs[unit - 1];
        }
        sample.push_back(int(unit));
        sampled += paragraphs[unit];
    };
    // Closes the unit just read: its shape is looked up, and a new pair of shapes takes it and
    // the unit before it into the sample.
    auto close = [&]() {
        auto known = shapes.constFind(shape);
        if (known == shapes.constEnd())
            known = shapes.insert(shape, int(shapes.size()));
        const int id = known.value();
        const qint64 pair = (qint64(previous) << 32) | quint32(id);
        const size_t unit = units.size() - 1;
        if (!pairs.contains(pair)) {
            pairs.insert(pair);
            if (unit > 0)
                take(unit - 1);
            take(unit);
        }
        previous = id;
        shape.clear();
    };
    ParagraphWalk walk(doc);
    WalkParagraph b;
    QTextTable *inTable = nullptr;
    while (walk.next(b)) {
        if (inTable && b.position > inTable->lastPosition()) {
            close();
            inTable = nullptr;
        }
        if (!inTable && nextTable < tables.size()
            && b.position >= tables.at(nextTable)->firstPosition()) {
            inTable = static_cast<QTextTable *>(tables.at(nextTable++));
            units.push_back({-1, inTable});
            paragraphs.push_back(0);
            appendTableShape(shape, *inTable, ids);
        } else if (!inTable) {
            units.push_back({b.position, nullptr});
            paragraphs.push_back(0);
        }
        ++paragraphs.back();
        appendShape(shape, b, ids);
        if (!inTable)
            close();
        if (sampled > limit)
            return {};
    }
    if (inTable)
        close();
    if (!units.empty())
        take(units.size() - 1);
    if (sampled > limit || nextTable < tables.size())
        return {};
    std::vector<SampleUnit> chosen;
    chosen.reserve(sample.size());
    for (int unit : sample)
        chosen.push_back(units[size_t(unit)]);
    return chosen;
}

// The sampled units of source, with their formats, as the document of control: paragraphs run
// by run, tables through a document fragment of each.
void fillSample(TRxRichEdit &control, const QTextDocument &source,
                const std::vector<SampleUnit> &sample)
{
    QTextDocument *doc = control.document();
    doc->setDefaultFont(source.defaultFont());
    doc->setDefaultTextOption(source.defaultTextOption());
    doc->setIndentWidth(source.indentWidth());
    doc->setUseDesignMetrics(source.useDesignMetrics());
    doc->setDocumentMargin(source.documentMargin());
    doc->setUndoRedoEnabled(false);
    QTextCursor into(doc);
    into.beginEditBlock();
    // A paragraph after a table goes into the paragraph the table leaves behind it.
    bool newParagraph = false;
    for (const SampleUnit &unit : sample) {
        if (unit.table) {
            // Placed inside an edit block, the cursor lays nothing of the source out.
            QTextCursor cursor(const_cast<QTextDocument *>(&source));
            cursor.beginEditBlock();
            cursor.setPosition(unit.table->firstPosition() - 1);
            cursor.setPosition(unit.table->lastPosition() + 1, QTextCursor::KeepAnchor);
            const QTextDocumentFragment fragment(cursor);
            cursor.endEditBlock();
            into.movePosition(QTextCursor::End);
            into.insertFragment(fragment);
            into.movePosition(QTextCursor::End);
            newParagraph = false;
            continue;
        }
        const QTextBlock b = source.findBlock(unit.position);
        if (newParagraph) {
            into.insertBlock(b.blockFormat(), b.charFormat());
        } else {
            into.setBlockFormat(b.blockFormat());
            into.setBlockCharFormat(b.charFormat());
        }
        for (auto it = b.begin(); !it.atEnd(); ++it)
            into.insertText(it.fragment().text(), it.fragment().charFormat());
        newParagraph = true;
    }
    into.endEditBlock();
}

// The blocks the sampled units of source hold, in order.
QList<QTextBlock> unitBlocks(const QTextDocument &source, const std::vector<SampleUnit> &sample)
{
    QList<QTextBlock> blocks;
    for (const SampleUnit &unit : sample) {
        if (!unit.table) {
            blocks << source.findBlock(unit.position);
            continue;
        }
        for (QTextBlock b = source.findBlock(unit.table->firstPosition());
             b.isValid() && b.position() <= unit.table->lastPosition(); b = b.next())
            blocks << b;
    }
    return blocks;
}

QTextFormat withoutObject(QTextFormat f)
{
    f.clearProperty(QTextFormat::ObjectIndex);
    return f;
}

// Whether the tables of a and b have the same formats, grids, cell formats and spans.
bool sameTables(const QList<QTextTable *> &a, const QList<QTextTable *> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QTextTable &x = *a.at(i);
        const QTextTable &y = *b.at(i);
        if (withoutObject(x.format()) != withoutObject(y.format()) || x.rows() != y.rows()
            || x.columns() != y.columns())
            return false;
        for (int r = 0; r < x.rows(); ++r)
            for (int c = 0; c < x.columns(); ++c) {
                const QTextTableCell p = x.cellAt(r, c);
                const QTextTableCell q = y.cellAt(r, c);
                if (withoutObject(p.format()) != withoutObject(q.format())
                    || p.rowSpan() != q.rowSpan() || p.columnSpan() != q.columnSpan())
                    return false;
            }
    }
    return true;
}

QList<QTextTable *> tablesOf(const QTextDocument &doc)
{
    QList<QTextTable *> tables;
    for (QTextFrame *f : doc.rootFrame()->childFrames())
        if (auto *t = qobject_cast<QTextTable *>(f))
            tables << t;
    return tables;
}

// Whether the sample document holds exactly the sampled units of source: the same paragraphs
// with the same formats, and the same tables. Otherwise it would not speak for source.
bool sampleIsFaithful(const QTextDocument &sample, const QTextDocument &source,
                      const std::vector<SampleUnit> &units)
{
    const QList<QTextBlock> blocks = unitBlocks(source, units);
    if (blocks.size() != sample.blockCount())
        return false;
    QTextBlock y = sample.begin();
    for (const QTextBlock &x : blocks) {
        if (x.text() != y.text() || x.blockFormat() != y.blockFormat()
            || withoutObject(x.charFormat()) != withoutObject(y.charFormat()))
            return false;
        auto i = x.begin();
        auto j = y.begin();
        for (; !i.atEnd() && !j.atEnd(); ++i, ++j) {
            if (i.fragment().length() != j.fragment().length()
                || i.fragment().charFormat() != j.fragment().charFormat())
                return false;
        }
        if (i.atEnd() != j.atEnd())
            return false;
        y = y.next();
    }
    QList<QTextTable *> sampled;
    for (const SampleUnit &unit : units)
        if (unit.table)
            sampled << unit.table;
    return sameTables(sampled, tablesOf(sample));
}

// Properties the layout takes together as one font, resolved against the document's default
// font.
bool isFontProperty(int id)
{
    return (id >= QTextFormat::FirstFontProperty && id <= QTextFormat::FontStretch)
        || (id >= QTextFormat::FontFamily && id <= QTextFormat::LastFontProperty
            && id != QTextFormat::FontSizeAdjustment);
}

QMap<int, QVariant> propertiesBesidesFont(const QTextCharFormat &f)
{
    QMap<int, QVariant> properties = f.properties();
    for (auto it = properties.begin(); it != properties.end();)
        it = isFontProperty(it.key()) || it.key() == QTextFormat::ObjectIndex
            ? properties.erase(it) : std::next(it);
    return properties;
}

// Whether a, a format of the source, lays out, draws and writes like b, its copy's: the same
// font once each is resolved against its document's default font (the copy names the default
// family and size that the source leaves to its default), and the same other properties, but
// that the copy names the ANSI character set where the source names none, and that the marks
// of table cells name their own document's table.
bool sameCharFormat(const QTextCharFormat &a, const QFont &aDefault, const QTextCharFormat &b,
                    const QFont &bDefault)
{
    if (a.font().resolve(aDefault) != b.font().resolve(bDefault))
        return false;
    const QMap<int, QVariant> pa = propertiesBesidesFont(a);
    QMap<int, QVariant> pb = propertiesBesidesFont(b);
    if (!pa.contains(prop::Charset) && pb.value(prop::Charset).toInt() == ANSI_CHARSET)
        pb.remove(prop::Charset);
    return pa == pb;
}

// Whether b, the copy of a, holds a's paragraphs and runs with a's formats.
bool sameBlocks(const QTextDocument &a, const QTextDocument &b)
{
    const QFont aDefault = a.defaultFont();
    const QFont bDefault = b.defaultFont();
    if (a.blockCount() != b.blockCount())
        return false;
    for (QTextBlock x = a.begin(), y = b.begin(); x.isValid(); x = x.next(), y = y.next()) {
        // The paragraph mark's format sets the height of an empty paragraph only: a paragraph
        // with text is laid out and drawn from its runs.
        if (x.text() != y.text() || x.blockFormat() != y.blockFormat()
            || (x.length() == 1
                && !sameCharFormat(x.charFormat(), aDefault, y.charFormat(), bDefault)))
            return false;
        auto i = x.begin();
        auto j = y.begin();
        for (; !i.atEnd() && !j.atEnd(); ++i, ++j) {
            const QTextFragment f = i.fragment();
            const QTextFragment g = j.fragment();
            if (f.position() - x.position() != g.position() - y.position()
                || f.length() != g.length()
                || !sameCharFormat(f.charFormat(), aDefault, g.charFormat(), bDefault))
                return false;
        }
        if (i.atEnd() != j.atEnd())
            return false;
    }
    return true;
}

} // namespace

bool readsBackUnchanged(TRxRichEdit &source)
{
    const QTextDocument &doc = *source.document();
    if (doc.isEmpty() || !plainStructure(doc))
        return false;
    const QString text = doc.toRawText();
    if (!plainText(text))
        return false;
    const std::vector<SampleUnit> sample = sampleUnits(doc, doc.blockCount() / 4);
    if (sample.empty())
        return false;
    TRxRichEdit original;
    fillSample(original, doc, sample);
    if (!sampleIsFaithful(*original.document(), doc, sample))
        return false;
    TRxRichEdit copy;
    copy.resize(0, 0);
    replaceSelection(copy, streamOut(original));
    return sameSettings(doc, *copy.document()) && sameBlocks(*original.document(), *copy.document())
        && sameTables(tablesOf(*original.document()), tablesOf(*copy.document()));
}

} // namespace rtfcopy
