#include "export/WaitAnimationGif.h"

#include "export/RxGIF.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <cmath>

QByteArray waitAnimationGif(int frames, int frameDelayMs)
{
    constexpr int kSize = 32;
    constexpr int kDots = 12;
    frames = std::max(frames, 2);
    TGIFImage gif;
    gif.setBackgroundColor(0x00FFFFFF);
    gif.setLooping(true);
    gif.setRepeatCount(0);
    for (int f = 0; f < frames; ++f) {
        QImage image(kSize, kSize, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const int lead = f * kDots / frames;
        for (int d = 0; d < kDots; ++d) {
            // The dot at the head of the turn is darkest; the ones behind it fade out.
            const int age = (lead - d + kDots) % kDots;
            const int shade = 40 + age * 200 / kDots;
            painter.setBrush(QColor(shade, shade, std::min(255, shade + 60)));
            const double angle = 2 * M_PI * d / kDots;
            painter.drawEllipse(QPointF(16 + 11 * std::sin(angle), 16 - 11 * std::cos(angle)), 2.6,
                                2.6);
        }
        painter.end();
        const auto delay = std::uint16_t(std::clamp(frameDelayMs, 10, 65535));
        gif.Frames(gif.AddFrame(image)).setFrameDelay(delay);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    gif.SaveToStream(buffer);
    return buffer.data();
}
