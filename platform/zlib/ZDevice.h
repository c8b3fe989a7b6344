#pragma once
// Streaming zlib for files too large to hold twice: a read-only device that inflates a zlib
// stream from another device as it is read, a write-only device that deflates what is written
// into another device, and a copy loop that deflates one device into another, each moving data
// in chunks of a set size.

#include <QIODevice>
#include <memory>

namespace zstream {

// Reads the uncompressed bytes of the zlib stream in source. Damaged data (bad header, bad
// block, wrong checksum), a stream that ends before zlib's end marker, and output beyond
// maxOutput bytes (a compression bomb) make read() fail with -1. seek(0) starts again from
// where source stood when the device was made, so a reader may retry from the start.
class InflateDevice : public QIODevice {
public:
    static constexpr qint64 NoLimit = -1;
    explicit InflateDevice(QIODevice &source, int chunk = 8192, qint64 maxOutput = NoLimit);
    ~InflateDevice() override;
    bool isSequential() const override { return true; }
    bool seek(qint64 pos) override;
    bool reset() override { return seek(0); }
    bool damaged() const;
    // The data inflated to more than maxOutput bytes.
    bool tooLarge() const;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    struct State;
    std::unique_ptr<State> d;
};

// Compresses everything written to it into target as one zlib stream (the given level, window
// bits 15, memory level 8, the default strategy), writing compressed output whenever chunk
// bytes are ready. finish() writes the last block and the Adler-32 trailer. A failed write to
// target is sticky: later writes and finish() fail too.
class DeflateDevice : public QIODevice {
public:
    DeflateDevice(QIODevice &target, int level, int chunk = 8192);
    ~DeflateDevice() override;
    bool isSequential() const override { return true; }
    bool finish();
    bool failed() const;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override;

private:
    bool run(int flush);
    struct State;
    std::unique_ptr<State> d;
};

enum class CopyError { None, Read, Write, Zlib };

// Deflates everything source holds from its current position into target with the zlib
// wrapper: the given level, window bits 15, memory level 8, the default strategy.
CopyError deflateCopy(QIODevice &source, QIODevice &target, int level, int chunk = 8192);

} // namespace zstream
