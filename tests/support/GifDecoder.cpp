#include "support/GifDecoder.h"

namespace testgif {
namespace {

struct Reader {
    const QByteArray &data;
    qsizetype pos = 0;
    bool fail = false;

    int byte()
    {
        if (pos >= data.size()) {
            fail = true;
            return 0;
        }
        return std::uint8_t(data[pos++]);
    }
    int word()
    {
        const int lo = byte();
        return lo | (byte() << 8);
    }
    QList<QByteArray> subBlocks()
    {
        QList<QByteArray> blocks;
        for (;;) {
            const int n = byte();
            if (fail || n == 0)
                return blocks;
            if (pos + n > data.size()) {
                fail = true;
                return blocks;
            }
            blocks.append(data.mid(pos, n));
            pos += n;
        }
    }
    std::vector<std::uint32_t> table(int entries)
    {
        std::vector<std::uint32_t> t;
        for (int i = 0; i < entries; ++i) {
            const int r = byte(), g = byte();
            t.push_back(std::uint32_t(r << 16 | g << 8 | byte()));
        }
        return t;
    }
};

// Plain LZW decoding with a table of (prefix, suffix) pairs.
QString decodeLzw(Frame &frame, const QByteArray &stream)
{
    const int m = frame.minCodeSize;
    if (m < 2 || m > 8)
        return QStringLiteral("bad minimum code size");
    const int clear = 1 << m, end = clear + 1;
    std::vector<int> prefix(4096, -1), suffix(4096, 0), first(4096, 0);
    for (int i = 0; i < clear; ++i) {
        suffix[i] = i;
        first[i] = i;
    }
    int width = m + 1, next = clear + 2, previous = -1;
    std::uint32_t bits = 0;
    int count = 0;
    qsizetype pos = 0;
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> stack;
    bool ended = false;
    while (!ended) {
        while (count < width && pos < stream.size()) {
            bits |= std::uint32_t(std::uint8_t(stream[pos++])) << count;
            count += 8;
        }
        if (count < width)
            return QStringLiteral("data ends without end code");
        const int code = int(bits & ((1u << width) - 1));
        bits >>= width;
        count -= width;
        frame.codes.push_back(code);
        if (code == clear) {
            width = m + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) {
            ended = true;
            break;
        }
        if (code > next || (code == next && previous < 0))
            return QStringLiteral("code %1 beyond table (%2)").arg(code).arg(next);
        int c = code == next ? previous : code;
        stack.clear();
        while (c >= clear + 2) {
            stack.push_back(std::uint8_t(suffix[c]));
            c = prefix[c];
        }
        stack.push_back(std::uint8_t(c));
        const std::uint8_t head = stack.back();
        out.insert(out.end(), stack.rbegin(), stack.rend());
        if (code == next)
            out.push_back(head);
        if (previous >= 0 && next < 4096) {
            prefix[next] = previous;
            suffix[next] = head;
            ++next;
            if (next == (1 << width) && width < 12)
                ++width;
        }
        previous = code;
    }
    const qsizetype expected = qsizetype(frame.width) * frame.height;
    if (qsizetype(out.size()) != expected)
        return QStringLiteral("%1 pixels decoded, %2 expected").arg(out.size()).arg(expected);
    if (frame.packed & 0x40) {
        std::vector<std::uint8_t> rows(out.size());
        static constexpr int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        qsizetype src = 0;
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < frame.height; y += step[pass], src += frame.width)
                std::copy_n(out.begin() + src, frame.width,
                            rows.begin() + qsizetype(y) * frame.width);
        out.swap(rows);
    }
    frame.indices = std::move(out);
    return {};
}

} // namespace

File readGif(const QByteArray &bytes)
{
    File file;
    Reader r{bytes};
    if (bytes.left(3) != "GIF") {
        file.error = QStringLiteral("no GIF signature");
        return file;
    }
    r.pos = 3;
    file.version = bytes.mid(3, 3);
    r.pos = 6;
    file.width = r.word();
    file.height = r.word();
    file.packed = r.byte();
    file.background = r.byte();
    file.aspect = r.byte();
    if (file.packed & 0x80)
        file.globalTable = r.table(1 << ((file.packed & 7) + 1));
    QList<Extension> pending;
    while (!r.fail) {
        const int introducer = r.byte();
        if (introducer == 0x3B) {
            file.trailer = true;
            break;
        }
        if (introducer == 0x21) {
            Extension e;
            e.label = r.byte();
            e.blocks = r.subBlocks();
            pending.append(e);
            continue;
        }
        if (introducer != 0x2C) {
            file.error =
                QStringLiteral("unknown block 0x%1 at %2").arg(introducer, 0, 16).arg(r.pos - 1);
            return file;
        }
        Frame f;
        if (file.frames.isEmpty())
            for (const Extension &e : pending)
                if (e.label != 0xF9)
                    file.leadingExtensions.append(e);
        f.extensions = pending;
        pending.clear();
        f.left = r.word();
        f.top = r.word();
        f.width = r.word();
        f.height = r.word();
        f.packed = r.byte();
        if (f.packed & 0x80)
            f.localTable = r.table(1 << ((f.packed & 7) + 1));
        f.minCodeSize = r.byte();
        const QList<QByteArray> blocks = r.subBlocks();
        QByteArray stream;
        for (const QByteArray &b : blocks) {
            f.subBlockSizes.append(int(b.size()));
            stream += b;
        }
        if (r.fail)
            break;
        const QString error = decodeLzw(f, stream);
        if (!error.isEmpty()) {
            file.error = QStringLiteral("frame %1: %2").arg(file.frames.size()).arg(error);
            return file;
        }
        file.frames.append(f);
    }
    file.trailingExtensions = pending;
    if (r.fail)
        file.error = QStringLiteral("file ends early");
    else if (!file.trailer)
        file.error = QStringLiteral("no trailer");
    else if (r.pos != bytes.size())
        file.error = QStringLiteral("%1 bytes after the trailer").arg(bytes.size() - r.pos);
    return file;
}

QImage File::picture(int index) const
{
    const Frame &f = frames.at(index);
    const std::vector<std::uint32_t> &table = f.localTable.empty() ? globalTable : f.localTable;
    QImage image(f.width, f.height, QImage::Format_RGB32);
    for (int y = 0; y < f.height; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < f.width; ++x) {
            const std::uint8_t i = f.indices[std::size_t(y) * f.width + x];
            row[x] = 0xFF000000u | (i < table.size() ? table[i] : 0);
        }
    }
    return image;
}

int File::delay(int index) const
{
    for (const Extension &e : frames.at(index).extensions)
        if (e.label == 0xF9 && !e.blocks.isEmpty() && e.blocks[0].size() >= 4)
            return std::uint8_t(e.blocks[0][1]) | std::uint8_t(e.blocks[0][2]) << 8;
    return -1;
}

} // namespace testgif
