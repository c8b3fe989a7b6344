#include "zlib/ZStream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>

namespace zstream {

namespace {

// zlib counts in uInt; feed large inputs in slices that fit.
constexpr qsizetype MaxSlice = qsizetype(1) << 30;

Result failure(Status status)
{
    return Result{QByteArray(), status};
}

} // namespace

Result deflate(QByteArrayView input, int level, int chunk)
{
    chunk = std::max(chunk, 1);
    z_stream strm{};
    if (deflateInit(&strm, level) != Z_OK)
        return failure(Status::OutOfMemory);

    QByteArray out;
    const auto *next = reinterpret_cast<const Bytef *>(input.data());
    qsizetype left = input.size();
    int flush = Z_NO_FLUSH;
    do {
        const qsizetype slice = std::min(left, MaxSlice);
        strm.next_in = const_cast<Bytef *>(next);
        strm.avail_in = uInt(slice);
        next += slice;
        left -= slice;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            const qsizetype used = out.size();
            out.resize(used + chunk);
            strm.next_out = reinterpret_cast<Bytef *>(out.data() + used);
            strm.avail_out = uInt(chunk);
            const int rc = ::deflate(&strm, flush);
            out.resize(used + chunk - qsizetype(strm.avail_out));
            if (rc == Z_STREAM_ERROR) {
                deflateEnd(&strm);
                return failure(Status::OutOfMemory);
            }
        } while (strm.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&strm);
    return Result{out, Status::Ok};
}

Result deflateOneShot(QByteArrayView input, int level)
{
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(std::clamp(level, 1, 12));
    if (!compressor)
        return failure(Status::OutOfMemory);
    QByteArray out;
    out.resize(qsizetype(libdeflate_zlib_compress_bound(compressor, size_t(input.size()))));
    const size_t written = libdeflate_zlib_compress(compressor, input.data(),
                                                    size_t(input.size()), out.data(),
                                                    size_t(out.size()));
    libdeflate_free_compressor(compressor);
    if (written == 0) // cannot happen with a bound-sized buffer; never return a cut stream
        return failure(Status::OutOfMemory);
    out.resize(qsizetype(written));
    return Result{std::move(out), Status::Ok};
}

Result inflate(QByteArrayView input, int chunk)
{
    chunk = std::max(chunk, 1);
    z_stream strm{};
    if (inflateInit(&strm) != Z_OK)
        return failure(Status::OutOfMemory);

    QByteArray out;
    const auto *next = reinterpret_cast<const Bytef *>(input.data());
    qsizetype left = input.size();
    int rc = Z_OK;
    do {
        const qsizetype slice = std::min(left, MaxSlice);
        strm.next_in = const_cast<Bytef *>(next);
        strm.avail_in = uInt(slice);
        next += slice;
        left -= slice;
        do {
            const qsizetype used = out.size();
            out.resize(used + chunk);
            strm.next_out = reinterpret_cast<Bytef *>(out.data() + used);
            strm.avail_out = uInt(chunk);
            rc = ::inflate(&strm, Z_NO_FLUSH);
            out.resize(used + chunk - qsizetype(strm.avail_out));
            if (rc == Z_MEM_ERROR) {
                inflateEnd(&strm);
                return failure(Status::OutOfMemory);
            }
            if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR || rc == Z_STREAM_ERROR) {
                inflateEnd(&strm);
                return failure(Status::Damaged);
            }
            // Z_BUF_ERROR with input left means no progress is possible; with none left it
            // just asks for more input.
        } while (strm.avail_out == 0 && rc != Z_STREAM_END);
    } while (rc != Z_STREAM_END && left > 0);

    const bool trailing = strm.avail_in > 0 || left > 0;
    inflateEnd(&strm);
    if (rc != Z_STREAM_END || trailing)
        return failure(Status::Damaged);
    return Result{out, Status::Ok};
}

} // namespace zstream
