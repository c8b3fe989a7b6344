#include "ZDevice.h"

#include <vector>
#include <zlib.h>

namespace zstream {

struct InflateDevice::State {
    QIODevice *source = nullptr;
    z_stream z{};
    std::vector<unsigned char> in;
    bool initialised = false;
    bool finished = false;
    bool damaged = false;
};

InflateDevice::InflateDevice(QIODevice &source, int chunk) : d(std::make_unique<State>())
{
    d->source = &source;
    d->in.resize(size_t(qMax(16, chunk)));
    d->initialised = inflateInit(&d->z) == Z_OK;
    d->damaged = !d->initialised;
    open(QIODevice::ReadOnly);
}

InflateDevice::~InflateDevice()
{
    if (d->initialised)
        inflateEnd(&d->z);
}

bool InflateDevice::damaged() const { return d->damaged; }

qint64 InflateDevice::readData(char *data, qint64 maxSize)
{
    if (d->damaged)
        return -1;
    if (d->finished || maxSize <= 0)
        return 0;
    d->z.next_out = reinterpret_cast<Bytef *>(data);
    d->z.avail_out = uInt(qMin<qint64>(maxSize, 1 << 30));
    while (d->z.avail_out > 0) {
        if (d->z.avail_in == 0) {
            const qint64 n = d->source->read(reinterpret_cast<char *>(d->in.data()), qint64(d->in.size()));
            if (n < 0) {
                d->damaged = true;
                return -1;
            }
            if (n == 0)
                break; // cut short: the data ends here
            d->z.next_in = d->in.data();
            d->z.avail_in = uInt(n);
        }
        const int rc = ::inflate(&d->z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            d->finished = true;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            d->damaged = true;
            return -1;
        }
    }
    return qint64(reinterpret_cast<char *>(d->z.next_out) - data);
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
