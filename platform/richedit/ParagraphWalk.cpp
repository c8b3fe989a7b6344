#include "ParagraphWalk.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QtGui/private/qtextdocument_p.h>

#include <algorithm>

namespace richedit {

int commonTextPrefix(const QTextBlock &block, QStringView text, int limit)
{
    if (!block.isValid())
        return 0;
    const QTextDocumentPrivate *doc = QTextDocumentPrivate::get(block);
    const QString &store = doc->buffer();
    const auto &fragments = doc->fragmentMap();
    const int end = int(qMin<qsizetype>(qMin(limit, block.length() - 1), text.size()));
    int done = 0;
    unsigned f = fragments.findNode(block.position());
    // (A paragraph starts a fragment of its own; the first one is read from the paragraph's
    // start all the same.)
    int skip = f ? block.position() - int(fragments.position(f)) : 0;
    for (; f && done < end; f = fragments.next(f), skip = 0) {
        const int take = qMin(int(fragments.size(f)) - skip, end - done);
        const QStringView piece =
            QStringView(store).mid(fragments.fragment(f)->stringPosition + skip, take);
        const QStringView against = text.mid(done, take);
        if (piece != against) {
            int i = 0;
            while (piece[i] == against[i])
                ++i;
            return done + i;
        }
        done += take;
    }
    return done;
}

bool sameText(const QTextBlock &block, QStringView text)
{
    return block.isValid() && text.size() == block.length() - 1
           && commonTextPrefix(block, text) == text.size();
}

bool holdsPlainParagraphsOnly(const QTextDocument &doc)
{
    if (!doc.rootFrame()->childFrames().isEmpty())
        return false;
    const QList<QTextFormat> formats = doc.allFormats();
    return std::none_of(formats.cbegin(), formats.cend(), [](const QTextFormat &f) {
        return f.isListFormat() || f.isTableFormat() || f.isImageFormat()
            || (f.isCharFormat() && f.objectType() != QTextFormat::NoObject)
            || (f.isBlockFormat() && f.objectIndex() >= 0);
    });
}

QString textBetween(const QTextDocument &document, int from, int to)
{
    const QTextDocumentPrivate *doc = QTextDocumentPrivate::get(&document);
    const QString &store = doc->buffer();
    const auto &fragments = doc->fragmentMap();
    from = qMax(0, from);
    to = qMin(to, doc->length());
    QString text;
    if (to <= from)
        return text;
    text.reserve(to - from);
    unsigned f = fragments.findNode(from);
    int skip = f ? from - int(fragments.position(f)) : 0;
    for (; f && text.size() < to - from; f = fragments.next(f), skip = 0) {
        const int take =
            int(qMin<qsizetype>(int(fragments.size(f)) - skip, to - from - text.size()));
        text += QStringView(store).mid(fragments.fragment(f)->stringPosition + skip, take);
    }
    return text;
}

ParagraphWalk::ParagraphWalk(const QTextDocument &doc, int from)
    : m_doc(QTextDocumentPrivate::get(&doc)), m_buffer(m_doc->buffer())
{
    const QTextBlock block = doc.findBlock(from);
    if (!block.isValid())
        return;
    m_block = unsigned(block.fragmentIndex());
    m_position = block.position();
    m_fragment = m_doc->fragmentMap().findNode(m_position);
    m_markFormat = m_doc->blockCharFormatIndex(int(m_block));
}

bool ParagraphWalk::next(WalkParagraph &p)
{
    if (!m_block)
        return false;
    const auto &blocks = m_doc->blockMap();
    const auto &fragments = m_doc->fragmentMap();
    p.position = m_position;
    p.length = int(blocks.size(m_block));
    p.blockFormat = blocks.fragment(m_block)->format;
    p.markFormat = m_markFormat;
    p.text.clear();
    p.runs.clear();
    // The paragraph's fragments in order; its mark is the last character of the last one
    // (the document keeps marks in fragments of their own, but nothing here relies on it).
    for (int covered = 0; covered < p.length && m_fragment;) {
        const QTextFragmentData *f = fragments.fragment(m_fragment);
        const int size = int(fragments.size(m_fragment));
        covered += size;
        const int text = covered >= p.length ? size - 1 : size;
        if (text > 0) {
            if (!p.runs.isEmpty() && p.runs.last().format == f->format)
                p.runs.last().length += text;
            else
                p.runs.append({int(p.text.size()), text, f->format});
            p.text += QStringView(m_buffer).mid(f->stringPosition, text);
        }
        if (covered >= p.length)
            m_markFormat = f->format; // the mark's format is that of the next paragraph
        m_fragment = fragments.next(m_fragment);
    }
    m_position += p.length;
    m_block = blocks.next(m_block);
    return true;
}

ParagraphAppender::ParagraphAppender(const QTextDocument &source, QTextDocument &target)
    : m_source(QTextDocumentPrivate::get(&source)), m_target(QTextDocumentPrivate::get(&target))
{
    const int formats = m_source->formatCollection()->numFormats();
    m_charFormats.assign(size_t(formats), -1);
    m_blockFormats.assign(size_t(formats), -1);
}

// As a text cursor stores a character format it is given: without an object index.
int ParagraphAppender::charFormat(int sourceIndex)
{
    int &mapped = m_charFormats[size_t(sourceIndex)];
    if (mapped < 0) {
        QTextFormat format = m_source->formatCollection()->format(sourceIndex);
        format.clearProperty(QTextFormat::ObjectIndex);
        mapped = m_target->formatCollection()->indexForFormat(format);
    }
    return mapped;
}

int ParagraphAppender::blockFormat(int sourceIndex)
{
    int &mapped = m_blockFormats[size_t(sourceIndex)];
    if (mapped < 0)
        mapped = m_target->formatCollection()->indexForFormat(
            m_source->formatCollection()->format(sourceIndex));
    return mapped;
}

void ParagraphAppender::appendMark(const WalkParagraph &p)
{
    m_target->insertBlock(m_target->length() - 1, blockFormat(p.blockFormat),
                          charFormat(p.markFormat));
}

void ParagraphAppender::appendRuns(const WalkParagraph &p)
{
    if (p.runs.size() == 1) {
        m_target->insert(m_target->length() - 1, p.text, charFormat(p.runs.first().format));
        return;
    }
    for (const WalkRun &run : p.runs)
        m_target->insert(m_target->length() - 1, p.text.mid(run.offset, run.length),
                         charFormat(run.format));
}

void appendParagraphs(const QTextDocument &source, QTextDocument &target, int from,
                      int lastStart)
{
    ParagraphWalk walk(source, from);
    ParagraphAppender append(source, target);
    WalkParagraph p;
    for (bool first = true; walk.next(p) && p.position <= lastStart; first = false) {
        if (!first)
            append.appendMark(p);
        append.appendRuns(p);
    }
}

} // namespace richedit
