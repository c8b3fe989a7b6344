#pragma once
// Whole-buffer deflate and inflate in the zlib format (RFC 1950: two-byte header, Adler-32
// trailer), written as zlib's zpipe loop. Shared by every file format that stores zlib data.

#include <QByteArray>
#include <QByteArrayView>

namespace zstream {

constexpr int DefaultLevel = -1; // Z_DEFAULT_COMPRESSION
constexpr int DefaultChunk = 16384;

enum class Status {
    Ok,
    Damaged,     // the data is not zlib data, fails its checksum, or ends before stream end
    OutOfMemory, // zlib could not allocate its state
};

struct Result {
    QByteArray data;
    Status status = Status::Ok;
    bool ok() const { return status == Status::Ok; }
};

// Compresses input at the given level (0-9, or DefaultLevel). chunk is the output step
// (injectable so tests can cross chunk boundaries with small inputs). On failure the data is
// empty and the status says why.
Result deflate(QByteArrayView input, int level = DefaultLevel, int chunk = DefaultChunk);

// Compresses a whole buffer into one zlib stream with libdeflate's one-shot compressor: the same
// format at about twice zlib's speed, with other (equally valid, slightly smaller) bytes than
// deflate() gives. For large buffers written once, such as page images. level is 1-12; 6 matches
// zlib's default in effort.
Result deflateOneShot(QByteArrayView input, int level = 6);

// Decompresses one complete zlib stream. Input that ends before the stream end, or that holds
// bytes after it, is Damaged and gives no data: a partial result is never returned.
Result inflate(QByteArrayView input, int chunk = DefaultChunk);

} // namespace zstream
