#include "preview/RtfRoundTrip.h"

#include "editor/RxRichEd.h"
#include "richedit/ParagraphWalk.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
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

// Tables, lists, bullets and numbers (drawn in the document's default font), pictures and
// other objects, and runs whose text the reader maps from the
// Symbol font, are left to the copy.
bool plainStructure(const QTextDocument &doc)
{
    if (!doc.rootFrame()->childFrames().isEmpty())
        return false;
    const QList<QTextFormat> formats = doc.allFormats();
    return std::none_of(formats.cbegin(), formats.cend(), [](const QTextFormat &f) {
        return f.isListFormat() || f.isTableFormat() || f.isImageFormat()
            || (f.isCharFormat() && (f.objectType() != QTextFormat::NoObject || namesSymbol(f)))
            || (f.isBlockFormat() && (f.objectIndex() >= 0 || f.intProperty(prop::Numbering)));
    });
}

// Printable ASCII, tabs, line breaks and paragraph separators, and nothing a control would
// mark as a link when it reads it.
bool plainText(const QString &text)
{
    const bool allPlain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x20 && u < 0x7F) || u == '\t' || u == '\v' || u == 0x2028 || u == 0x2029;
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

// The numbers of the paragraphs the sample holds, in document order: the first and the last,
// and both paragraphs of the first pair of neighbours of every two shapes. Empty when the
// sample would hold more than limit paragraphs.
std::vector<int> sampleParagraphs(const QTextDocument &doc, int limit)
{
    std::vector<int> sample;
    QHash<QList<int>, int> shapes;
    QSet<qint64> pairs;
    QList<int> shape;
    int previous = -1;
    int number = 0;
    ParagraphWalk walk(doc);
    WalkParagraph b;
    for (; walk.next(b); ++number) {
        shape.clear();
        shape << b.blockFormat << b.markFormat;
        for (const WalkRun &run : b.runs)
            shape << run.format << textTraits(QStringView(b.text).mid(run.offset, run.length));
        auto known = shapes.constFind(shape);
        if (known == shapes.constEnd())
            known = shapes.insert(shape, int(shapes.size()));
        const int id = known.value();
        const qint64 pair = (qint64(previous) << 32) | quint32(id);
        if (!pairs.contains(pair)) {
            pairs.insert(pair);
            if (number > 0 && sample.back() != number - 1)
                sample.push_back(number - 1);
            sample.push_back(number);
            if (int(sample.size()) > limit)
                return {};
        }
        previous = id;
    }
    if (number > 0 && sample.back() != number - 1)
        sample.push_back(number - 1);
    return int(sample.size()) > limit ? std::vector<int>() : sample;
}

// The sampled paragraphs of source, with their formats, as the document of control.
void fillSample(TRxRichEdit &control, const QTextDocument &source, const std::vector<int> &sample)
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
    for (size_t i = 0; i < sample.size(); ++i) {
        const QTextBlock b = source.findBlockByNumber(sample[i]);
        if (i == 0) {
            into.setBlockFormat(b.blockFormat());
            into.setBlockCharFormat(b.charFormat());
        } else {
            into.insertBlock(b.blockFormat(), b.charFormat());
        }
        for (auto it = b.begin(); !it.atEnd(); ++it)
            into.insertText(it.fragment().text(), it.fragment().charFormat());
    }
    into.endEditBlock();
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
        it = isFontProperty(it.key()) ? properties.erase(it) : std::next(it);
    return properties;
}

// Whether a, a format of the source, lays out, draws and writes like b, its copy's: the same
// font once each is resolved against its document's default font (the copy names the default
// family and size that the source leaves to its default), and the same other properties, but
// that the copy names the ANSI character set where the source names none.
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
    const std::vector<int> sample = sampleParagraphs(doc, doc.blockCount() / 4);
    if (sample.empty())
        return false;
    TRxRichEdit original;
    fillSample(original, doc, sample);
    TRxRichEdit copy;
    copy.resize(0, 0);
    replaceSelection(copy, streamOut(original));
    return sameSettings(doc, *copy.document()) && sameBlocks(*original.document(), *copy.document());
}

} // namespace rtfcopy
