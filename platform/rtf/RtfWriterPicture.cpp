// Pictures of the RTF writer: the original PNG, JPEG or metafile bytes when the document kept
// them, else the shown image encoded as PNG.
#include "RtfWriter.h"

#include "richedit/FormatMapping.h"
#include "richedit/RichEditTypes.h"

#include <QBuffer>
#include <QImage>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace rtf {

namespace prop = richedit::prop;

void RtfWriter::writePicture(const QTextImageFormat &format)
{
    if (m_options.noObjects)
        return;
    const QString kind = format.stringProperty(prop::ImageKind);
    QByteArray data = format.property(prop::ImageData).toByteArray();
    const QVariant resource = m_document.resource(QTextDocument::ImageResource,
                                                  QUrl(format.name()));
    QImage image = resource.value<QImage>();
    if (image.isNull() && resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();

    Cw blip = Cw::PictPng;
    int wmfMode = 0;
    if (kind == QLatin1String("jpeg") && !data.isEmpty()) {
        blip = Cw::PictJpeg;
    } else if (kind == QLatin1String("emf") && !data.isEmpty()) {
        blip = Cw::PictEmf;
    } else if (kind == QLatin1String("wmf") && !data.isEmpty()) {
        blip = Cw::PictWmf;
        wmfMode = 8;
    } else if (kind != QLatin1String("png") || data.isEmpty()) {
        if (image.isNull())
            return; // nothing to write
        data.clear();
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }

    int goalWidth = format.intProperty(prop::ImageGoalWidth);
    int goalHeight = format.intProperty(prop::ImageGoalHeight);
    if (goalWidth <= 0)
        goalWidth = format.width() > 0 ? richedit::pixelsToTwips(format.width())
                                       : image.width() * 15;
    if (goalHeight <= 0)
        goalHeight = format.height() > 0 ? richedit::pixelsToTwips(format.height())
                                         : image.height() * 15;
    int picw = image.width();
    int pich = image.height();
    if (blip == Cw::PictEmf || blip == Cw::PictWmf) { // hundredths of a millimetre
        picw = int(qint64(goalWidth) * 2540 / 1440);
        pich = int(qint64(goalHeight) * 2540 / 1440);
    }

    // An object read from a file goes back as the object with this picture as its result.
    const QByteArray object = format.property(prop::ObjectData).toByteArray();
    if (!object.isEmpty()) {
        raw("{");
        word(Cw::Object);
        if (object[0] != '\\' && object[0] != '{' && object[0] != '}')
            raw(" ");
        m_out.append(object);
        raw("{");
        word(Cw::ObjectResult);
    }
    raw("{");
    word(Cw::Picture);
    if (wmfMode)
        word(blip, wmfMode);
    else
        word(blip);
    word(Cw::PictWidth, picw);
    word(Cw::PictHeight, pich);
    word(Cw::PictGoalWidth, goalWidth);
    word(Cw::PictGoalHeight, goalHeight);
    auto scale = [&format](int property) {
        return format.hasProperty(property) ? format.intProperty(property) : 100;
    };
    const int scaleX = scale(prop::ImageScaleX);
    const int scaleY = scale(prop::ImageScaleY);
    if (scaleX != 100 || scaleY != 100) {
        word(Cw::PictScaleX, scaleX);
        word(Cw::PictScaleY, scaleY);
    }
    raw("\r\n");
    static const char digits[] = "0123456789abcdef";
    const int perLine = 64; // bytes per line of hex
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        m_out.append(digits[b >> 4]);
        m_out.append(digits[b & 0xF]);
        if ((i + 1) % perLine == 0)
            m_out.append("\r\n");
        if (m_out.size() >= 64 * 1024 && !flush(false))
            return;
    }
    raw(object.isEmpty() ? "}" : "}}}");
}

} // namespace rtf
