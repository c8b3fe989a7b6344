#pragma once
// A small, independent GIF reader for tests: walks the blocks of a GIF file, keeps every field,
// and decodes the LZW data of each frame to colour indices. It shares no code with the writer.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

namespace testgif {

struct Extension {
    int label = 0;
    QList<QByteArray> blocks; // every sub-block, the first one included
};

struct Frame {
    QList<Extension> extensions; // the extensions just before the image
    int left = 0, top = 0, width = 0, height = 0;
    int packed = 0;
    std::vector<std::uint32_t> localTable; // 0xRRGGBB
    int minCodeSize = 0;
    QList<int> subBlockSizes;
    std::vector<int> codes;          // the codes as read, clear and end included
    std::vector<std::uint8_t> indices; // rows top to bottom (deinterlaced)
};

struct File {
    QByteArray version;
    int width = 0, height = 0, packed = 0, background = 0, aspect = 0;
    std::vector<std::uint32_t> globalTable;
    QList<Extension> leadingExtensions; // before the first image, graphic controls left out
    QList<Frame> frames;
    QList<Extension> trailingExtensions; // after the last image
    bool trailer = false;
    QString error; // empty when the file was read to its trailer without fault

    // The frame as an RGB32 picture through its local or the global table.
    QImage picture(int frame) const;
    // Delay (hundredths) from the frame's graphic control extension, -1 without one.
    int delay(int frame) const;
};

File readGif(const QByteArray &bytes);

} // namespace testgif
