#pragma once
// TGmPageNavigator: a bar of navigation and zoom buttons linked to a preview control. Each
// button performs one operation of the preview; the buttons are enabled from the preview's
// page and zoom when it sends its notifications, and all are disabled without a preview.

#include <QPointer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>

class TGmPreview;

enum TGmNavigateBtn {
    gmFirstPage, gmPrevPage, gmNextPage, gmLastPage, gmAddPage, gmDeletePage, gmClear,
    gmZoomIn, gmZoomOut, gmActualSize, gmFitWidth, gmFitHeight, gmFitWholePage
};
constexpr int gmNavigateBtnCount = 13;
using TGmNavigateBtns = unsigned; // one bit per TGmNavigateBtn
constexpr TGmNavigateBtns gmNavBit(TGmNavigateBtn b) { return 1u << b; }
constexpr TGmNavigateBtns gmAllNavigateBtns = (1u << gmNavigateBtnCount) - 1;

// The fixed facts of each button: glyph name, hint and group.
struct TGmNavButtonInfo {
    const char *glyph;
    const char *hint;
    int group;
};
const TGmNavButtonInfo &gmNavButtonInfo(TGmNavigateBtn button);

class TGmNavButton : public QToolButton
{
    Q_OBJECT
public:
    TGmNavButton(TGmNavigateBtn button, QWidget *parent);
    TGmNavigateBtn Button() const { return m_button; }
    int Group() const { return gmNavButtonInfo(m_button).group; }

private:
    TGmNavigateBtn m_button;
};

class TGmPageNavigator : public QWidget
{
    Q_OBJECT

public:
    explicit TGmPageNavigator(QWidget *parent = nullptr);
    ~TGmPageNavigator() override;

    TGmPreview *Preview() const { return m_preview; }
    // Registers with the preview (unregistering from the previous one) and refreshes.
    void SetPreview(TGmPreview *preview);

    TGmNavButton *Buttons(TGmNavigateBtn b) const { return m_buttons[b]; }
    TGmNavigateBtns VisibleButtons() const { return m_visible; }
    void SetVisibleButtons(TGmNavigateBtns buttons);
    int ButtonWidth() const { return m_buttonWidth; }
    int ButtonHeight() const { return m_buttonHeight; }
    void SetButtonSize(int width, int height);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool GroupButtons() const { return m_groupButtons; }
    void SetGroupButtons(bool on);
    int GroupSpacing() const { return m_groupSpacing; }
    void SetGroupSpacing(int pixels);
    bool ShowButtonHints() const { return m_showHints; }
    void SetShowButtonHints(bool on);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool on);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int pixels);

    // After a click's action has run.
    std::function<void(QObject *sender, TGmNavigateBtn button)> OnClickButton;
    // Asked once per button by Loaded(), with the hint to show.
    std::function<void(QObject *sender, TGmNavigateBtn button, QString &hint)> OnGetButtonHint;
    // Ends the set-up: the hints are asked for and the buttons placed.
    void Loaded();

    // Places the visible buttons (called on every size or setting change).
    void LayoutButtons();
    // Enables the buttons from the preview's state (all disabled without a preview).
    void RefreshButtonStates();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void click(TGmNavigateBtn b);
    void applyHints();

    QPointer<TGmPreview> m_preview;
    std::array<TGmNavButton *, gmNavigateBtnCount> m_buttons{};
    std::array<QString, gmNavigateBtnCount> m_hints;
    TGmNavigateBtns m_visible = gmAllNavigateBtns;
    int m_buttonWidth = 34;
    int m_buttonHeight = 34;
    bool m_flat = false;
    bool m_groupButtons = true;
    int m_groupSpacing = 8;
    bool m_showHints = true;
    bool m_autoSize = false;
    int m_borderWidth = 6;
};
