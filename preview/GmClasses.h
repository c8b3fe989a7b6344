#pragma once
// Lengths, units, paper sizes, margins, header and footer of the print preview. Lengths are kept
// in inches as extended reals; whole device units come from round-half-to-even.

#include <QDateTime>
#include <QFont>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QVector>
#include <array>
#include <cstdint>
#include <functional>

class QPainter;

using Extended = long double;
using TGmNotifyEvent = std::function<void()>;

// Rounds to the nearest integer, halves to the even neighbour.
std::int64_t gmRound(Extended x);
// Truncates toward zero.
std::int64_t gmTrunc(Extended x);

enum TGmMeasurement { gmUnits, gmPixels, gmMillimeters, gmCentimeters, gmInches, gmTwips };

Extended gmToInches(Extended value, TGmMeasurement unit);
Extended gmFromInches(Extended inches, TGmMeasurement unit);
// Converts between two units; the same unit returns the value untouched.
Extended gmConvert(Extended value, TGmMeasurement from, TGmMeasurement to);

enum TGmOrientation { gmPortrait, gmLandscape };
enum TGmPagesPerSheet { gmOnePage, gmTwoPage, gmFourPage };

enum class TGmPaperSize {
    A3, A4, A5, A6, B5, C5, C6, C65, Legal, Letter, Custom, B4, Envelope_DL, Envelope_DL_Maxi,
    Envelope_09, Envelope_10, Envelope_11, Envelope_12, Envelope_14, Tabloid, Ledger, Executive
};
constexpr int gmPaperSizeCount = 22;

// Portrait width and height of a paper size in inches; false for Custom (no size of its own).
bool gmPaperSizeInches(TGmPaperSize paper, Extended &width, Extended &height);
// The name of a paper size as the enumeration spells it ("A4", "Envelope_DL", ...).
QString gmPaperSizeName(TGmPaperSize paper);
// Parses a paper size name, letter case ignored; false when unknown.
bool gmPaperSizeFromName(const QString &name, TGmPaperSize &paper);

// One length stored in inches. Writes call the change handler only when the stored value
// really changes.
class TGmValue
{
public:
    explicit TGmValue(Extended inches = 0) : m_inches(inches) {}
    TGmValue(const TGmValue &) = delete;
    TGmValue &operator=(const TGmValue &) = delete;

    Extended inches() const { return m_inches; }
    Extended millimeters() const { return gmFromInches(m_inches, gmMillimeters); }
    int twips() const { return int(gmRound(m_inches * 1440)); }
    Extended value(TGmMeasurement unit) const { return gmFromInches(m_inches, unit); }
    int pixels(Extended resolution) const { return int(gmRound(resolution * m_inches)); }

    void setInches(Extended inches);
    void setMillimeters(Extended mm) { setInches(gmToInches(mm, gmMillimeters)); }
    void setTwips(int twips) { setInches(Extended(twips) / 1440); }
    void setValue(Extended value, TGmMeasurement unit) { setInches(gmToInches(value, unit)); }

    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

private:
    Extended m_inches;
    TGmNotifyEvent m_onChange;
};

// Two lengths; a change of either calls the pair's handler.
class TGmCustomValueSize
{
public:
    TGmCustomValueSize();
    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

protected:
    TGmValue m_first;
    TGmValue m_second;

private:
    TGmNotifyEvent m_onChange;
};

class TGmValueSize : public TGmCustomValueSize
{
public:
    TGmValue &width() { return m_first; }
    TGmValue &height() { return m_second; }
    const TGmValue &width() const { return m_first; }
    const TGmValue &height() const { return m_second; }
};

class TGmValuePoint : public TGmCustomValueSize
{
public:
    TGmValue &x() { return m_first; }
    TGmValue &y() { return m_second; }
    const TGmValue &x() const { return m_first; }
    const TGmValue &y() const { return m_second; }
};

// Top-left and bottom-right points; the four lengths are also addressed 1 = left, 2 = top,
// 3 = right, 4 = bottom.
class TGmValueRect
{
public:
    TGmValueRect();
    TGmValuePoint &topLeft() { return m_topLeft; }
    TGmValuePoint &bottomRight() { return m_bottomRight; }
    TGmValue &value(int index);
    const TGmValue &value(int index) const;
    void setInches(Extended left, Extended top, Extended right, Extended bottom);
    QRectF inchesRect() const;
    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

private:
    TGmValuePoint m_topLeft;
    TGmValuePoint m_bottomRight;
    TGmNotifyEvent m_onChange;
};

// The four margins read and written as single-precision reals in one unit.
class TGmMargins;
class TGmMarginValues
{
public:
    explicit TGmMarginValues(TGmMargins &margins) : m_margins(margins) {}
    TGmMeasurement ValueMeasurement = gmInches;
    float Left() const;
    float Top() const;
    float Right() const;
    float Bottom() const;
    void setLeft(float v);
    void setTop(float v);
    void setRight(float v);
    void setBottom(float v);

private:
    TGmMargins &m_margins;
};

// Page margins, their pens and flags. Margins start at half an inch; every change (margin or
// pen) calls the margins-changed handler.
class TGmMargins
{
public:
    TGmMargins();
    TGmMargins(const TGmMargins &) = delete;
    TGmMargins &operator=(const TGmMargins &) = delete;

    TGmValue &Left() { return m_left; }
    TGmValue &Top() { return m_top; }
    TGmValue &Right() { return m_right; }
    TGmValue &Bottom() { return m_bottom; }
    const TGmValue &Left() const { return m_left; }
    const TGmValue &Top() const { return m_top; }
    const TGmValue &Right() const { return m_right; }
    const TGmValue &Bottom() const { return m_bottom; }
    TGmMarginValues &Values() { return m_values; }

    const QPen &Pen() const { return m_pen; }
    const QPen &PrinterMarginPen() const { return m_printerMarginPen; }
    void setPen(const QPen &pen);
    void setPrinterMarginPen(const QPen &pen);

    bool ClipMargins = false;
    bool ShowPrinterMargins = false;
    bool Visible = false;

    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

private:
    void changed();

    TGmValue m_left;
    TGmValue m_top;
    TGmValue m_right;
    TGmValue m_bottom;
    TGmMarginValues m_values;
    QPen m_pen;
    QPen m_printerMarginPen;
    TGmNotifyEvent m_onChange;
};

// One caption of a header or footer: its text and font (Arial 12 points when created).
struct TGmHeaderFooterCaption {
    QString Caption;
    QFont Font;
};

// Header or footer: three captions, the separating line and the height (0 = automatic: the
// height of the largest caption font). Every change calls the header-or-footer handler.
class TGmHeaderFooter
{
public:
    TGmHeaderFooter();
    virtual ~TGmHeaderFooter() = default;
    TGmHeaderFooter(const TGmHeaderFooter &) = delete;
    TGmHeaderFooter &operator=(const TGmHeaderFooter &) = delete;

    enum Index { LeftCaption = 0, CenterCaption = 1, RightCaption = 2 };
    const TGmHeaderFooterCaption &Captions(int index) const { return m_captions.at(index); }
    const TGmHeaderFooterCaption &CaptionLeft() const { return m_captions[0]; }
    const TGmHeaderFooterCaption &CaptionCenter() const { return m_captions[1]; }
    const TGmHeaderFooterCaption &CaptionRight() const { return m_captions[2]; }
    void setCaption(int index, const QString &text);
    void setFont(int index, const QFont &font);

    const QPen &Pen() const { return m_pen; }
    void setPen(const QPen &pen);
    bool ShowLine() const { return m_showLine; }
    void setShowLine(bool show);
    bool Visible() const { return m_visible; }
    void setVisible(bool visible);

    // The explicit height; 0 means automatic.
    TGmValue &Height() { return m_height; }
    // The height in inches in effect: the explicit one, else that of the largest caption font.
    Extended heightInches() const;

    // Draws the three captions and the line into a device rectangle (right and bottom are the
    // edges, not the last pixels) at the given resolution. The header puts its text on the
    // rectangle's bottom edge, the footer on its top edge.
    void draw(QPainter &painter, int left, int top, int right, int bottom, Extended ppiX,
              int pageNumber, int pageCount, const QDateTime &now) const;

    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

protected:
    virtual bool isHeader() const = 0;

private:
    void changed();

    std::array<TGmHeaderFooterCaption, 3> m_captions;
    QPen m_pen;
    bool m_showLine = true;
    bool m_visible = false;
    TGmValue m_height;
    TGmNotifyEvent m_onChange;
};

class TGmHeader : public TGmHeaderFooter
{
protected:
    bool isHeader() const override { return true; }
};

class TGmFooter : public TGmHeaderFooter
{
protected:
    bool isHeader() const override { return false; }
};

// Replaces "{DATE}", "{TIME}", "{PAGE}" and "{NUMPAGES}" in that order, every occurrence.
QString gmExpandCaption(QString text, int pageNumber, int pageCount, const QDateTime &now);

// Full character height (ascent plus descent) of a font in inches, measured at 600 per inch.
Extended gmFontHeightInches(const QFont &font);

// Measures text at a fine reference resolution and draws it with advances scaled from that
// reference, so that a string is equally wide at every zoom and on the printer.
class TGmFontMapper
{
public:
    static constexpr int ReferenceResolution = 7200;

    // Width and height of a string in inches.
    static Extended textWidth(const QFont &font, const QString &text);
    static Extended textHeight(const QFont &font);
    // Advances in canvas units from widths at the reference resolution: each is truncated, the
    // fractions are summed, and whenever the sum exceeds 1 its whole part goes to the current
    // character and leaves the sum.
    static QVector<int> advances(const QVector<Extended> &referenceWidths, Extended resolution);
    // Draws text with its top-left at (x, y) in the painter's coordinates, whose resolution is
    // given; the font's point size is applied for that resolution.
    static void drawText(QPainter &painter, int x, int y, const QFont &font, const QString &text,
                         Extended resolution);
    // The font scaled for a painter whose units are 1/resolution inch.
    static QFont fontFor(const QPainter &painter, const QFont &font, Extended resolution);
};
