#pragma once
// Streaming zlib for files too large to hold twice: a read-only device that inflates a zlib
// stream from another device as it is read, and a copy loop that deflates one device into
// another, each moving data in chunks of a set size.

#include <QIODevice>
#include <memory>

namespace zstream {

// Reads the uncompressed bytes of the zlib stream in source. Damaged data (bad header, bad
// block, wrong checksum) makes read() fail with -1; a stream cut short ends the data early.
class InflateDevice : public QIODevice {
public:
    explicit InflateDevice(QIODevice &source, int chunk = 8192);
    ~InflateDevice() override;
    bool isSequential() const override { return true; }
    bool damaged() const;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    struct State;
    std::unique_ptr<State> d;
};

enum class CopyError { None, Read, Write, Zlib };

// Deflates everything source holds from its current position into target with the zlib
// wrapper: the given level, window bits 15, memory level 8, the default strategy.
CopyError deflateCopy(QIODevice &source, QIODevice &target, int level, int chunk = 8192);

} // namespace zstream
