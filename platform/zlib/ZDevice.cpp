#include "ZDevice.h"

#include <vector>
#include <zlib.h>

namespace zstream {

struct InflateDevice::State {
    QIODevice *source = nullptr;
    qint64 sourceStart = 0;
    qint64 maxOutput = InflateDevice::NoLimit;
    qint64 produced = 0;
    z_stream z{};
    std::vector<unsigned char> in;
    bool initialised = false;
    bool sourceEnded = false;
    bool finished = false;
    bool damaged = false;
    bool tooLarge = false;
};

InflateDevice::InflateDevice(QIODevice &source, int chunk, qint64 maxOutput)
    : d(std::make_unique<State>())
{
    d->source = &source;
    d->sourceStart = source.isSequential() ? -1 : source.pos();
    d->maxOutput = maxOutput;
    d->in.resize(size_t(qMax(16, chunk)));
    d->initialised = inflateInit(&d->z) == Z_OK;
    d->damaged = !d->initialised;
    // Unbuffered: what was read is never held here, so seek(0) can start cleanly again.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

InflateDevice::~InflateDevice()
{
    if (d->initialised)
        inflateEnd(&d->z);
}

bool InflateDevice::damaged() const { return d->damaged; }
bool InflateDevice::tooLarge() const { return d->tooLarge; }

bool InflateDevice::seek(qint64 pos)
{
    // Only a rewind to the start is possible, and only on a source that can go back.
    if (pos != 0 || d->sourceStart < 0 || !d->source->seek(d->sourceStart))
        return false;
    if (d->initialised)
        inflateEnd(&d->z);
    d->z = z_stream{};
    d->initialised = inflateInit(&d->z) == Z_OK;
    d->damaged = !d->initialised;
    d->sourceEnded = false;
    d->finished = false;
    d->tooLarge = false;
    d->produced = 0;
    return true;
}

qint64 InflateDevice::readData(char *data, qint64 maxSize)
{
    if (d->damaged)
        return -1;
    if (d->finished || maxSize <= 0)
        return 0;
    d->z.next_out = reinterpret_cast<Bytef *>(data);
    d->z.avail_out = uInt(qMin<qint64>(maxSize, 1 << 30));
    while (d->z.avail_out > 0) {
        if (d->z.avail_in == 0 && !d->sourceEnded) {
            const qint64 n = d->source->read(reinterpret_cast<char *>(d->in.data()), qint64(d->in.size()));
            if (n < 0) {
                d->damaged = true;
                return -1;
            }
            d->sourceEnded = n == 0;
            d->z.next_in = d->in.data();
            d->z.avail_in = uInt(n);
        }
        const int rc = ::inflate(&d->z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            d->finished = true;
            break;
        }
        // The file ended before zlib's end marker and nothing more can come out: a cut file
        // is damaged, never a shorter document.
        const bool cut = rc == Z_BUF_ERROR && d->sourceEnded;
        if (cut || (rc != Z_OK && rc != Z_BUF_ERROR)) {
            d->damaged = true;
            return -1;
        }
    }
    const qint64 got = qint64(reinterpret_cast<char *>(d->z.next_out) - data);
    d->produced += got;
    if (d->maxOutput >= 0 && d->produced > d->maxOutput) {
        d->tooLarge = true;
        d->damaged = true;
        return -1;
    }
    return got;
}

struct DeflateDevice::State {
    QIODevice *target = nullptr;
    z_stream z{};
    std::vector<unsigned char> out;
    bool initialised = false;
    bool failed = false;
    bool finished = false;
};

DeflateDevice::DeflateDevice(QIODevice &target, int level, int chunk)
    : d(std::make_unique<State>())
{
    d->target = &target;
    d->out.resize(size_t(qMax(16, chunk)));
    d->initialised = deflateInit2(&d->z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    d->failed = !d->initialised;
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

DeflateDevice::~DeflateDevice()
{
    if (d->initialised)
        deflateEnd(&d->z);
}

bool DeflateDevice::failed() const { return d->failed; }

// Runs the compressor over what is pending, writing each full output chunk (and with Z_FINISH
// the rest) to the target.
bool DeflateDevice::run(int flush)
{
    do {
        d->z.next_out = d->out.data();
        d->z.avail_out = uInt(d->out.size());
        const int rc = ::deflate(&d->z, flush);
        if (rc == Z_STREAM_ERROR) {
            d->failed = true;
            return false;
        }
        const qint64 have = qint64(d->out.size() - d->z.avail_out);
        if (have > 0 && d->target->write(reinterpret_cast<const char *>(d->out.data()), have) != have) {
            d->failed = true;
            return false;
        }
        if (flush == Z_FINISH && rc == Z_STREAM_END)
            return true;
    } while (d->z.avail_out == 0 || flush == Z_FINISH);
    return true;
}

qint64 DeflateDevice::writeData(const char *data, qint64 len)
{
    if (d->failed || d->finished)
        return -1;
    qint64 left = len;
    while (left > 0) {
        const qint64 slice = qMin<qint64>(left, 1 << 30);
        d->z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        d->z.avail_in = uInt(slice);
        if (!run(Z_NO_FLUSH))
            return -1;
        data += slice;
        left -= slice;
    }
    return len;
}

bool DeflateDevice::finish()
{
    if (d->failed || d->finished)
        return !d->failed;
    d->z.next_in = nullptr;
    d->z.avail_in = 0;
    d->finished = run(Z_FINISH);
    return d->finished;
}

CopyError deflateCopy(QIODevice &source, QIODevice &target, int level, int chunk)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return CopyError::Zlib;
    std::vector<char> in(size_t(qMax(16, chunk)));
    std::vector<unsigned char> out(size_t(qMax(16, chunk)));
    CopyError error = CopyError::None;
    int flush = Z_NO_FLUSH;
    do {
        const qint64 n = source.read(in.data(), qint64(in.size()));
        if (n < 0) {
            error = CopyError::Read;
            break;
        }
        flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = reinterpret_cast<Bytef *>(in.data());
        z.avail_in = uInt(n);
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            if (::deflate(&z, flush) == Z_STREAM_ERROR) {
                error = CopyError::Zlib;
                break;
            }
            const qint64 have = qint64(out.size() - z.avail_out);
            if (have > 0 && target.write(reinterpret_cast<const char *>(out.data()), have) != have) {
                error = CopyError::Write;
                break;
            }
        } while (z.avail_out == 0);
    } while (error == CopyError::None && flush != Z_FINISH);
    deflateEnd(&z);
    return error;
}

} // namespace zstream
