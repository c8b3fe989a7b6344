#include "preview/GmClasses.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

std::int64_t gmRound(Extended x)
{
    // nearbyint follows the default rounding mode, which is to nearest, ties to even.
    return std::int64_t(std::nearbyint(x));
}

std::int64_t gmTrunc(Extended x)
{
    return std::int64_t(std::trunc(x));
}

Extended gmToInches(Extended value, TGmMeasurement unit)
{
    switch (unit) {
    case gmUnits: return value / 100 / 25.4L;
    case gmPixels: return value / 96;
    case gmMillimeters: return value / 25.4L;
    case gmCentimeters: return value * 10 / 25.4L;
    case gmInches: return value;
    case gmTwips: return value / 1440;
    }
    return value;
}

Extended gmFromInches(Extended inches, TGmMeasurement unit)
{
    switch (unit) {
    case gmUnits: return inches * 25.4L * 100;
    case gmPixels: return inches * 96;
    case gmMillimeters: return inches * 25.4L;
    case gmCentimeters: return inches * 25.4L / 10;
    case gmInches: return inches;
    case gmTwips: return inches * 1440;
    }
    return inches;
}

Extended gmConvert(Extended value, TGmMeasurement from, TGmMeasurement to)
{
    if (from == to)
        return value;
    return gmFromInches(gmToInches(value, from), to);
}

namespace {

struct PaperEntry {
    const char *name;
    Extended width;
    Extended height;
    TGmMeasurement unit; // the unit the size is defined in
};

// In the enumeration's order; Custom has no size.
constexpr PaperEntry paperTable[gmPaperSizeCount] = {
    {"A3", 297, 420, gmMillimeters},
    {"A4", 210, 297, gmMillimeters},
    {"A5", 148.5L, 210, gmMillimeters},
    {"A6", 105, 148, gmMillimeters},
    {"B5", 6.92L, 9.84L, gmInches},
    {"C5", 6.38L, 9.02L, gmInches},
    {"C6", 114, 162, gmMillimeters},
    {"C65", 114, 229, gmMillimeters},
    {"Legal", 8.5L, 14, gmInches},
    {"Letter", 8.5L, 11, gmInches},
    {"Custom", 0, 0, gmInches},
    {"B4", 250, 354, gmMillimeters},
    {"Envelope_DL", 110, 220, gmMillimeters},
    {"Envelope_DL_Maxi", 120, 235, gmMillimeters},
    {"Envelope_09", 3.78L, 8.78L, gmInches},
    {"Envelope_10", 4.18L, 9.12L, gmInches},
    {"Envelope_11", 4.12L, 10.38L, gmInches},
    {"Envelope_12", 12.44L, 11.0L, gmInches},
    {"Envelope_14", 14.5L, 11.12L, gmInches},
    {"Tabloid", 11, 17, gmInches},
    {"Ledger", 17, 11, gmInches},
    {"Executive", 7.14L, 10.12L, gmInches},
};

} // namespace

bool gmPaperSizeInches(TGmPaperSize paper, Extended &width, Extended &height)
{
    const int i = int(paper);
    if (i < 0 || i >= gmPaperSizeCount || paper == TGmPaperSize::Custom)
        return false;
    const PaperEntry &e = paperTable[i];
    width = gmToInches(e.width, e.unit);
    height = gmToInches(e.height, e.unit);
    return true;
}

QString gmPaperSizeName(TGmPaperSize paper)
{
    const int i = int(paper);
    if (i < 0 || i >= gmPaperSizeCount)
        return QString();
    return QString::fromLatin1(paperTable[i].name);
}

bool gmPaperSizeFromName(const QString &name, TGmPaperSize &paper)
{
    for (int i = 0; i < gmPaperSizeCount; ++i) {
        if (name.compare(QLatin1String(paperTable[i].name), Qt::CaseInsensitive) == 0) {
            paper = TGmPaperSize(i);
            return true;
        }
    }
    return false;
}

// ---- values -----------------------------------------------------------------------------

void TGmValue::setInches(Extended inches)
{
    if (inches == m_inches)
        return;
    m_inches = inches;
    if (m_onChange)
        m_onChange();
}

TGmCustomValueSize::TGmCustomValueSize()
{
    auto relay = [this] {
        if (m_onChange)
            m_onChange();
    };
    m_first.setOnChange(relay);
    m_second.setOnChange(relay);
}

TGmValueRect::TGmValueRect()
{
    auto relay = [this] {
        if (m_onChange)
            m_onChange();
    };
    m_topLeft.setOnChange(relay);
    m_bottomRight.setOnChange(relay);
}

TGmValue &TGmValueRect::value(int index)
{
    switch (index) {
    case 1: return m_topLeft.x();
    case 2: return m_topLeft.y();
    case 3: return m_bottomRight.x();
    default: return m_bottomRight.y();
    }
}

const TGmValue &TGmValueRect::value(int index) const
{
    switch (index) {
    case 1: return m_topLeft.x();
    case 2: return m_topLeft.y();
    case 3: return m_bottomRight.x();
    default: return m_bottomRight.y();
    }
}

void TGmValueRect::setInches(Extended left, Extended top, Extended right, Extended bottom)
{
    m_topLeft.x().setInches(left);
    m_topLeft.y().setInches(top);
    m_bottomRight.x().setInches(right);
    m_bottomRight.y().setInches(bottom);
}

QRectF TGmValueRect::inchesRect() const
{
    return QRectF(QPointF(double(value(1).inches()), double(value(2).inches())),
                  QPointF(double(value(3).inches()), double(value(4).inches())));
}

// ---- margins ----------------------------------------------------------------------------

float TGmMarginValues::Left() const
{
    return float(m_margins.Left().value(ValueMeasurement));
}
float TGmMarginValues::Top() const
{
    return float(m_margins.Top().value(ValueMeasurement));
}
float TGmMarginValues::Right() const
{
    return float(m_margins.Right().value(ValueMeasurement));
}
float TGmMarginValues::Bottom() const
{
    return float(m_margins.Bottom().value(ValueMeasurement));
}
void TGmMarginValues::setLeft(float v)
{
    m_margins.Left().setValue(v, ValueMeasurement);
}
void TGmMarginValues::setTop(float v)
{
    m_margins.Top().setValue(v, ValueMeasurement);
}
void TGmMarginValues::setRight(float v)
{
    m_margins.Right().setValue(v, ValueMeasurement);
}
void TGmMarginValues::setBottom(float v)
{
    m_margins.Bottom().setValue(v, ValueMeasurement);
}

static QPen dottedSilverPen()
{
    QPen pen(QColor(0xC0, 0xC0, 0xC0));
    pen.setWidth(1);
    pen.setStyle(Qt::DotLine);
    return pen;
}

TGmMargins::TGmMargins()
    : m_left(0.5L), m_top(0.5L), m_right(0.5L), m_bottom(0.5L), m_values(*this),
      m_pen(dottedSilverPen()), m_printerMarginPen(dottedSilverPen())
{
    for (TGmValue *v : {&m_left, &m_top, &m_right, &m_bottom})
        v->setOnChange([this] { changed(); });
}

void TGmMargins::setPen(const QPen &pen)
{
    if (pen == m_pen)
        return;
    m_pen = pen;
    changed();
}

void TGmMargins::setPrinterMarginPen(const QPen &pen)
{
    if (pen == m_printerMarginPen)
        return;
    m_printerMarginPen = pen;
    changed();
}

void TGmMargins::changed()
{
    if (m_onChange)
        m_onChange();
}

// ---- header and footer ------------------------------------------------------------------

TGmHeaderFooter::TGmHeaderFooter()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(12);
    for (auto &c : m_captions)
        c.Font = font;
    m_height.setOnChange([this] { changed(); });
}

void TGmHeaderFooter::setCaption(int index, const QString &text)
{
    if (index < 0 || index > 2 || m_captions[index].Caption == text)
        return;
    m_captions[index].Caption = text;
    changed();
}

void TGmHeaderFooter::setFont(int index, const QFont &font)
{
    if (index < 0 || index > 2 || m_captions[index].Font == font)
        return;
    m_captions[index].Font = font;
    changed();
}

void TGmHeaderFooter::setPen(const QPen &pen)
{
    if (pen == m_pen)
        return;
    m_pen = pen;
    changed();
}

void TGmHeaderFooter::setShowLine(bool show)
{
    if (show == m_showLine)
        return;
    m_showLine = show;
    changed();
}

void TGmHeaderFooter::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    changed();
}

void TGmHeaderFooter::changed()
{
    if (m_onChange)
        m_onChange();
}

Extended TGmHeaderFooter::heightInches() const
{
    if (m_height.inches() != 0)
        return m_height.inches();
    // The largest point size wins; on a tie the earlier caption (left, centre, right).
    const QFont *largest = &m_captions[0].Font;
    for (int i = 1; i < 3; ++i) {
        if (m_captions[i].Font.pointSizeF() > largest->pointSizeF())
            largest = &m_captions[i].Font;
    }
    return gmFontHeightInches(*largest);
}

void TGmHeaderFooter::draw(QPainter &painter, int left, int top, int right, int bottom,
                           Extended ppiX, int pageNumber, int pageCount,
                           const QDateTime &now) const
{
    for (int i = 0; i < 3; ++i) {
        const TGmHeaderFooterCaption &c = m_captions[i];
        const QString text = gmExpandCaption(c.Caption, pageNumber, pageCount, now);
        if (text.isEmpty())
            continue;
        const int width = int(gmRound(TGmFontMapper::textWidth(c.Font, text) * ppiX));
        int x = left;
        if (i == CenterCaption)
            x = int(gmTrunc(Extended(left + right - width) / 2));
        else if (i == RightCaption)
            x = right - width;
        const int y = isHeader()
            ? bottom - int(gmRound(ppiX * TGmFontMapper::textHeight(c.Font)))
            : top;
        TGmFontMapper::drawText(painter, x, y, c.Font, text, ppiX);
    }
    if (m_showLine) {
        painter.save();
        painter.setPen(m_pen);
        const int y = isHeader() ? bottom : top;
        painter.drawLine(left, y, right, y);
        painter.restore();
    }
}

QString gmExpandCaption(QString text, int pageNumber, int pageCount, const QDateTime &now)
{
    text.replace(QLatin1String("{DATE}"), now.date().toString(QStringLiteral("dd/MM/yyyy")));
    text.replace(QLatin1String("{TIME}"), now.time().toString(QStringLiteral("hh/mm")));
    text.replace(QLatin1String("{PAGE}"), QString::number(pageNumber));
    text.replace(QLatin1String("{NUMPAGES}"), QString::number(pageCount));
    return text;
}

// ---- text measurement -------------------------------------------------------------------

static QFont fontAtPixels(const QFont &font, Extended unitsPerInch)
{
    QFont f(font);
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    f.setPixelSize(qMax(1, int(gmRound(points * unitsPerInch / 72))));
    return f;
}

Extended gmFontHeightInches(const QFont &font)
{
    const QFontMetricsF fm(fontAtPixels(font, 600));
    return Extended(fm.ascent() + fm.descent()) / 600;
}

Extended TGmFontMapper::textWidth(const QFont &font, const QString &text)
{
    const QFontMetricsF fm(fontAtPixels(font, ReferenceResolution));
    return Extended(fm.horizontalAdvance(text)) / ReferenceResolution;
}

Extended TGmFontMapper::textHeight(const QFont &font)
{
    const QFontMetricsF fm(fontAtPixels(font, ReferenceResolution));
    return Extended(fm.ascent() + fm.descent()) / ReferenceResolution;
}

QVector<int> TGmFontMapper::advances(const QVector<Extended> &referenceWidths,
                                     Extended resolution)
{
    QVector<int> result;
    result.reserve(referenceWidths.size());
    Extended sum = 0;
    for (Extended w : referenceWidths) {
        const Extended scaled = w / ReferenceResolution * resolution;
        int advance = int(gmTrunc(scaled));
        sum += scaled - advance;
        if (sum > 1) {
            // Only the whole part handed out leaves the sum. Taking away the rounded sum
            // instead dropped a unit whenever the fraction was above one half, and long
            // strings came out narrower than measured.
            const int whole = int(gmTrunc(sum));
            advance += whole;
            sum -= whole;
        }
        result.append(advance);
    }
    return result;
}

QFont TGmFontMapper::fontFor(const QPainter &painter, const QFont &font, Extended resolution)
{
    // Points are turned into the painter's logical units: 1/resolution inch.
    QFont f(font);
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    const int deviceDpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    f.setPointSizeF(points * double(resolution) / qMax(1, deviceDpi));
    return f;
}

void TGmFontMapper::drawText(QPainter &painter, int x, int y, const QFont &font,
                             const QString &text, Extended resolution)
{
    const QFontMetricsF ref(fontAtPixels(font, ReferenceResolution));
    QVector<Extended> widths;
    widths.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character.
        const int len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        widths.append(Extended(ref.horizontalAdvance(text.mid(i, len))));
        if (len == 2) {
            widths.append(0);
            ++i;
        }
    }
    const QVector<int> adv = advances(widths, resolution);

    painter.save();
    const QFont scaled = fontFor(painter, font, resolution);
    painter.setFont(scaled);
    const qreal ascent = QFontMetricsF(scaled, painter.device()).ascent();
    int pos = x;
    for (int i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
        painter.drawText(QPointF(pos, y + ascent), text.mid(i, pair ? 2 : 1));
        pos += adv.at(i) + (pair ? adv.at(i + 1) : 0);
        if (pair)
            ++i;
    }
    painter.restore();
}
