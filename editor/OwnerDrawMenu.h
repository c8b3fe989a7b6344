#pragma once
// Owner-drawn pop-up menus: TOwnerDrawMenu is a QMenu whose items are measured and painted by
// its owner's handlers (one pair for ordinary items, one for separators), the way the main
// window's right-click and paragraph menus draw themselves. Keyboard navigation, accelerators,
// submenus and check marks stay Qt's own; only sizes and pictures come from the handlers.
// The `menudraw` functions are the drawing itself: a 38-pixel picture column with its gradient,
// caption, right-aligned shortcut text, an optional hint line under the caption, the rounded
// amber highlight of the hovered item, check marks and 3-pixel separators.

#include <QMenu>
#include <functional>
#include <memory>

class QPainter;

class TOwnerDrawMenu : public QMenu {
    Q_OBJECT
public:
    using MeasureEvent = std::function<void(QAction *item, QPainter &canvas, int &width,
                                            int &height)>;
    using DrawEvent = std::function<void(QAction *item, QPainter &canvas, const QRect &rect,
                                         bool selected)>;
    // The four events, shared by a menu and the submenus made with addOwnerDrawMenu. An unset
    // event leaves that kind of item to the Qt style.
    struct Events {
        MeasureEvent OnMeasureItem;
        DrawEvent OnDrawItem;
        MeasureEvent OnMeasureSeparator;
        DrawEvent OnDrawSeparator;
    };

    explicit TOwnerDrawMenu(QWidget *parent = nullptr);
    ~TOwnerDrawMenu() override;

    Events &events() { return *m_events; }
    // A submenu drawn by the same events, added as an item of this menu.
    TOwnerDrawMenu *addOwnerDrawMenu(const QString &title);
    // Whether the menu has an image list (a picture column); true by default.
    bool hasImages() const { return m_hasImages; }
    void setHasImages(bool on) { m_hasImages = on; }

    // The action the style is measuring or painting (set as Qt prepares each item).
    QAction *styledAction() const { return const_cast<QAction *>(m_styled); }

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override;

private:
    std::shared_ptr<Events> m_events;
    bool m_hasImages = true;
    mutable const QAction *m_styled = nullptr;
};

namespace menudraw {

// Colours of the owner-drawn menus, as 0x00BBGGRR values.
constexpr unsigned kItemBackground = 0x00FAFAFA;
constexpr unsigned kColumnLeft = 0x00F7EEDF, kColumnRight = 0x00D3A87C;
constexpr unsigned kAmberTop = 0x00DDF5FF, kAmberBottom = 0x005ED2FF;
constexpr unsigned kOutline = 0x00C5C5C5;
constexpr unsigned kEnabledText = 0x006E1500, kDisabledText = 0x00C0C0C0;
constexpr unsigned kCheckFrame = 0x009E9E9E;
constexpr int kColumnWidth = 38;

// What an item shows: caption (with "&" marking the accelerator), shortcut text ("Ctrl+X",
// from the action's shortcut), hint (the action's status tip), picture, state.
QString captionOf(const QAction *item);
QString shortcutTextOf(const QAction *item);
QString hintOf(const QAction *item);

// Size of a text as the platform's DrawText measures it with external leading: the widest
// line ("&" prefixes removed) and line spacing times the number of lines; empty text is 0 × 0.
QSize measureText(const QFontMetrics &metrics, const QString &text);

// The item handlers' work. `hasImages`: the menu has a picture column.
void measureItem(const QAction *item, QPainter &canvas, bool hasImages, int &width,
                 int &height);
void drawItem(const QAction *item, QPainter &canvas, const QRect &rect, bool selected,
              bool hasImages);
void measureSeparator(int &width, int &height);
void drawSeparator(QPainter &canvas, const QRect &rect, bool hasImages);

// Whether the menu an item belongs to has a picture column (true outside owner-drawn menus).
bool menuHasImages(const QAction *item);

// The check mark drawn on a checked item that has no picture of its own.
const QPixmap &checkMarkBitmap();

} // namespace menudraw
