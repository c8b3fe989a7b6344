#pragma once
// Shared code of the RTF tests: byte sources and sinks over memory, reading into a fresh
// document, writing a document to bytes, and the document's text as lines.

#include "rtf/Rtf.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <memory>

namespace rtftest {

// The shared RTF corpus beside the repository; SCV_CORPUS_DIR in the environment points
// elsewhere. Tests that need it skip with a message when it is absent.
inline QString corpusDir()
{
    const QByteArray overridden = qgetenv("SCV_CORPUS_DIR");
    return overridden.isEmpty() ? QStringLiteral(SCV_CORPUS_DIR) : QString::fromLocal8Bit(overridden);
}

// A source over bytes that hands out at most chunk bytes per call.
inline rtf::ByteSource memorySource(const QByteArray &bytes, qint64 chunk = 1 << 20)
{
    auto pos = std::make_shared<qint64>(0);
    return [bytes, pos, chunk](char *buf, qint64 max) -> qint64 {
        const qint64 n = std::min({max, chunk, qint64(bytes.size()) - *pos});
        std::memcpy(buf, bytes.constData() + *pos, size_t(n));
        *pos += n;
        return n;
    };
}

// Reads Rich Text into an existing document at its start, as a load does.
inline rtf::ReadResult readInto(QTextDocument *document, const QByteArray &rtf)
{
    QTextCursor cursor(document);
    return rtf::readRtf(memorySource(rtf), cursor);
}

inline std::unique_ptr<QTextDocument> readDocument(const QByteArray &rtf,
                                                   rtf::ReadResult *result = nullptr,
                                                   const rtf::ReadOptions &options = {})
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    const rtf::ReadResult r = rtf::readRtf(memorySource(rtf), cursor, options);
    if (result)
        *result = r;
    return document;
}

inline QByteArray writeDocument(const QTextDocument &document, int from = 0, int to = -1)
{
    QByteArray out;
    rtf::writeRtf(document, from, to, [&](const char *data, qint64 len) {
        out.append(data, len);
        return true;
    });
    return out;
}

// Every paragraph as one line ended by a line feed; manual line breaks become line feeds and
// pictures give no text, as in a plain text export.
inline QString documentText(const QTextDocument &document)
{
    QString out;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        QString line = b.text();
        line.replace(QChar::LineSeparator, QLatin1Char('\n'));
        line.remove(QChar::ObjectReplacementCharacter);
        out += line + QLatin1Char('\n');
    }
    return out;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace rtftest
