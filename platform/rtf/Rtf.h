#pragma once
// Rich Text Format in and out of the engine's document. The engine's stream operations call
// these; nothing else in the program parses or writes RTF.

#include <QByteArray>
#include <QString>
#include <functional>

class QTextCursor;
class QTextDocument;

namespace rtf {

// Pulls up to max bytes into buf; returns the count, 0 at the end, -1 on a read error.
using ByteSource = std::function<qint64(char *buf, qint64 max)>;
// Takes the bytes; false stops the writer with an error.
using ByteSink = std::function<bool(const char *data, qint64 len)>;

struct ReadOptions {
    bool plainRtf = false; // SFF_PLAINRTF: keep only the basic formatting
    bool noObjects = false; // pictures and objects are left out
};
struct ReadResult {
    bool ok = true;       // false: the bytes are not RTF at all (the caller retries as text)
    QString message;      // why, for diagnostics (also set for damaged RTF that was read)
    bool readError = false; // the source reported an error; what came before it was read
};
// Reads RTF from source and inserts it at cursor, replacing the cursor's selection.
ReadResult readRtf(const ByteSource &source, QTextCursor &cursor, const ReadOptions &options = {});

struct WriteOptions {
    bool plainRtf = false;  // SFF_PLAINRTF
    bool noObjects = false; // SF_RTFNOOBJS: pictures left out
    // Called after each paragraph (or whole table) is written; false stops the writing, which
    // then fails without touching the document again. Lets a caller pause between paragraphs.
    std::function<bool()> paragraphDone;
};
// Writes the characters [from, to) of the document (to = -1: up to the end) as RTF.
bool writeRtf(const QTextDocument &document, int from, int to, const ByteSink &sink,
              const WriteOptions &options = {});

} // namespace rtf
