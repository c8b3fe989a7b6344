#pragma once
// The presentation options: the page size, viewing time and frame of a presentation export,
// as a plain value (filled by the options window or by the command line), the page geometry
// that follows from it, and the borderless options window TfrmPresentation itself.

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

enum class PresentationPageSize { FullPage, HalfPage, ScreenSize };

// The choices of one presentation export. screenSize is one of screenSizeCaptions() and only
// counts with PresentationPageSize::ScreenSize.
struct PresentationOptions {
    static constexpr int kMinSeconds = 5;
    static constexpr int kMaxSeconds = 60;

    PresentationPageSize pageSize = PresentationPageSize::FullPage;
    QString screenSize = QStringLiteral("800 x 600");
    int viewingSeconds = 15;
    bool frame = false;
    QColor frameColour = QColor(0x00, 0x80, 0xC0); // 0x00C08000

    // The frame delay of every page in milliseconds.
    int frameDelay() const { return viewingSeconds * 1000; }
};

// Bitmap size of a page and the bottom-right corner of its text area (pixels); the text area
// always starts at (20, 20).
struct PresentationPage {
    QSize bitmap;
    QPoint textEnd;
};

constexpr int kPresentationMargin = 20;

// "800 x 600", "900 x 675", "1000 x 750".
QStringList screenSizeCaptions();
// The next size up or down, staying at the ends; an unknown caption is taken as "800 x 600".
QString largerScreenSize(const QString &caption);
QString smallerScreenSize(const QString &caption);
PresentationPage presentationPage(const PresentationOptions &options);

// Fills options from command-line settings of the form name=value:
//   page=full | half | 800x600 | 900x675 | 1000x750
//   seconds=5..60
//   frame=off | on | #RRGGBB or a colour name (on with that colour)
// Returns false with a message naming the bad setting; the options are then unchanged.
bool parsePresentationOptions(const QStringList &settings, PresentationOptions &options,
                              QString *error = nullptr);

// Presentation Options: a borderless dialog with a draggable title strip, three page-size
// choices held as the colours of their panels, Smaller/Larger for the screen size, the viewing
// time, and a frame check box with its colour. It is created once, so the choices last for the
// run of the program. "Save" closes it with the OK result; it offers no way to cancel.
class TfrmPresentation : public QDialog
{
    Q_OBJECT

public:
    static constexpr QRgb kSelectedColour = 0xFF0080C0;   // 0x00C08000, medium blue
    static constexpr QRgb kUnselectedColour = 0xFFFFD25E; // 0x005ED2FF, light amber

    explicit TfrmPresentation(QWidget *parent = nullptr);

    // The choices as the window holds them: the page size is read from the panel colours.
    PresentationOptions options() const;
    void setOptions(const PresentationOptions &options);

    // Controls, under the names the rest of the program and the tests use.
    QWidget *RbPanel1 = nullptr;
    QGroupBox *RbPanel3 = nullptr;
    QFrame *Panel1 = nullptr;
    QFrame *Panel2 = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel4 = nullptr;
    QLabel *Label3 = nullptr;
    QToolButton *dxToolButton1 = nullptr;
    QToolButton *dxToolButton2 = nullptr;
    QFrame *Bevel1 = nullptr;
    QFrame *Bevel2 = nullptr;
    QFrame *Bevel3 = nullptr;
    QGroupBox *RbPanel4 = nullptr;
    QSpinBox *RxSpinEdit1 = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *chkFrame = nullptr;
    QLabel *Label5 = nullptr;
    QFrame *Panel5 = nullptr;
    QPushButton *RbButton3 = nullptr;
    QPushButton *btnClose = nullptr;

public slots:
    void Panel1Click();
    void Panel2Click();
    void Panel4Click();
    void dxToolButton1Click();
    void dxToolButton2Click();
    void Panel1MouseMove();
    void Panel2MouseMove();
    void Panel4MouseMove();
    void RbPanel3MouseMove();
    void FormShow();
    void RbButton3Click();
    void RbPanel1MouseDown(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QFrame *makeChoicePanel(QWidget *parent, const QRect &geometry, const QString &caption);
    QFrame *makeBevel(QWidget *parent, const QRect &geometry);
    void select(PresentationPageSize choice);
    void showBevel(QFrame *bevel);
    static QColor panelColour(const QFrame *panel);
    static void setPanelColour(QFrame *panel, QColor colour, QColor caption);

    std::optional<QPoint> m_dragOffset; // dragging by hand where the window system cannot
};
