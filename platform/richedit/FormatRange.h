#pragma once
// The format-range operation's layout: a copy of the document laid out for one target device
// and one width, kept between calls so that paginating n pages costs one layout, not n.

#include <QPointF>
#include <memory>

class QPainter;
class QPaintDevice;
class QTextBlock;
class QTextDocument;

namespace richedit {

class FormatRangeCache {
public:
    FormatRangeCache();
    ~FormatRangeCache();
    void reset();
    // The source document laid out at the device's resolution and the width in twips.
    QTextDocument *layoutFor(const QTextDocument &source, int dpiX, int dpiY, int widthTwips);
    bool isEmpty() const { return !m_doc; }

private:
    std::unique_ptr<QTextDocument> m_doc;
    std::unique_ptr<QPaintDevice> m_device;
    int m_dpiX = 0;
    int m_dpiY = 0;
    int m_width = -1;
};

// Draws the bullet or number of a numbered paragraph in its left indent; offset is where the
// document's origin lies on the painter.
void drawParagraphMarker(QPainter &painter, const QTextBlock &block, QPointF offset);

} // namespace richedit
