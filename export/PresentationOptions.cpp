#include "export/PresentationOptions.h"

#include "dialogs/Dialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QWindow>

// ---- options and page geometry ------------------------------------------------------------

QStringList screenSizeCaptions()
{
    return {QStringLiteral("800 x 600"), QStringLiteral("900 x 675"), QStringLiteral("1000 x 750")};
}

QString largerScreenSize(const QString &caption)
{
    const QStringList sizes = screenSizeCaptions();
    const int i = std::max<int>(0, int(sizes.indexOf(caption)));
    return sizes[std::min<int>(i + 1, int(sizes.size()) - 1)];
}

QString smallerScreenSize(const QString &caption)
{
    const QStringList sizes = screenSizeCaptions();
    const int i = std::max<int>(0, int(sizes.indexOf(caption)));
    return sizes[std::max(i - 1, 0)];
}

PresentationPage presentationPage(const PresentationOptions &options)
{
    switch (options.pageSize) {
    case PresentationPageSize::FullPage:
        return {QSize(693, 950), QPoint(673, 930)};
    case PresentationPageSize::HalfPage:
        return {QSize(693, 485), QPoint(673, 465)};
    case PresentationPageSize::ScreenSize:
        break;
    }
    if (options.screenSize == QLatin1String("900 x 675"))
        return {QSize(900, 675), QPoint(880, 655)};
    if (options.screenSize == QLatin1String("1000 x 750"))
        return {QSize(1000, 750), QPoint(980, 730)};
    return {QSize(800, 600), QPoint(780, 580)};
}

bool parsePresentationOptions(const QStringList &settings, PresentationOptions &options,
                              QString *error)
{
    PresentationOptions result = options;
    for (const QString &setting : settings) {
        const qsizetype eq = setting.indexOf(QLatin1Char('='));
        const QString name = setting.left(eq).trimmed().toLower();
        const QString value = eq < 0 ? QString() : setting.mid(eq + 1).trimmed();
        bool ok = eq > 0;
        if (ok && name == QLatin1String("page")) {
            const QString v = value.toLower().remove(QLatin1Char(' '));
            if (v == QLatin1String("full")) {
                result.pageSize = PresentationPageSize::FullPage;
            } else if (v == QLatin1String("half")) {
                result.pageSize = PresentationPageSize::HalfPage;
            } else {
                ok = false;
                for (const QString &caption : screenSizeCaptions()) {
                    if (QString(caption).remove(QLatin1Char(' ')) == v) {
                        result.pageSize = PresentationPageSize::ScreenSize;
                        result.screenSize = caption;
                        ok = true;
                    }
                }
            }
        } else if (ok && name == QLatin1String("seconds")) {
            const int seconds = value.toInt(&ok);
            ok = ok && seconds >= PresentationOptions::kMinSeconds
                 && seconds <= PresentationOptions::kMaxSeconds;
            if (ok)
                result.viewingSeconds = seconds;
        } else if (ok && name == QLatin1String("frame")) {
            if (value == QLatin1String("off")) {
                result.frame = false;
            } else if (value == QLatin1String("on")) {
                result.frame = true;
            } else {
                const QColor colour = QColor::fromString(value);
                ok = colour.isValid();
                if (ok) {
                    result.frame = true;
                    result.frameColour = colour;
                }
            }
        } else {
            ok = false;
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("Unknown presentation setting \"%1\".").arg(setting);
            return false;
        }
    }
    options = result;
    return true;
}

// ---- the title strip ----------------------------------------------------------------------

namespace {

// The caption strip across the top of the window: a blue gradient with a white bold caption.
class TitleStrip : public QWidget
{
public:
    TitleStrip(const QString &caption, QWidget *parent) : QWidget(parent), m_caption(caption) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), 0);
        gradient.setColorAt(0, QColor(0x00, 0x30, 0x80));
        gradient.setColorAt(1, QColor(0x40, 0x90, 0xE0));
        painter.fillRect(rect(), gradient);
        QFont font(QStringLiteral("Arial"), 10, QFont::Bold);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(10, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, m_caption);
    }

private:
    QString m_caption;
};

QLabel *captionOf(QFrame *panel)
{
    return panel->findChild<QLabel *>(QStringLiteral("caption"), Qt::FindDirectChildrenOnly);
}

} // namespace

// ---- the window ---------------------------------------------------------------------------

TfrmPresentation::TfrmPresentation(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPresentation"));
    setWindowTitle(QStringLiteral("Presentation Options"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(634, 253);

    RbPanel1 = new TitleStrip(QStringLiteral("Presentation Page Options"), this);
    RbPanel1->setGeometry(0, 0, 634, 26);
    RbPanel1->installEventFilter(this);

    RbPanel3 = new QGroupBox(QStringLiteral("Presentation Page Size"), this);
    RbPanel3->setGeometry(8, 32, 380, 213);
    RbPanel3->setMouseTracking(true);
    RbPanel3->installEventFilter(this);

    Bevel1 = makeBevel(RbPanel3, QRect(16, 26, 81, 105));
    Bevel2 = makeBevel(RbPanel3, QRect(126, 26, 81, 106));
    Bevel3 = makeBevel(RbPanel3, QRect(236, 38, 105, 81));
    Panel1 = makeChoicePanel(RbPanel3, QRect(20, 30, 73, 97), QStringLiteral("Full Page"));
    Panel2 = makeChoicePanel(RbPanel3, QRect(130, 30, 73, 49), QStringLiteral("Half Page"));
    Panel3 = makeChoicePanel(RbPanel3, QRect(130, 79, 73, 49), QStringLiteral("Half Page"));
    Panel4 = makeChoicePanel(RbPanel3, QRect(240, 42, 97, 73), QStringLiteral("Screen Size 4:3"));
    captionOf(Panel4)->setGeometry(0, 8, 97, 24);
    Label3 = new QLabel(QStringLiteral("800 x 600"), Panel4);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setGeometry(0, 36, 97, 24);
    Label3->setAttribute(Qt::WA_TransparentForMouseEvents); // its clicks are Panel4's

    dxToolButton1 = new QToolButton(RbPanel3);
    dxToolButton1->setArrowType(Qt::LeftArrow);
    dxToolButton1->setToolTip(QStringLiteral("Smaller"));
    dxToolButton1->setGeometry(240, 124, 28, 22);
    dxToolButton2 = new QToolButton(RbPanel3);
    dxToolButton2->setArrowType(Qt::RightArrow);
    dxToolButton2->setToolTip(QStringLiteral("Larger"));
    dxToolButton2->setGeometry(309, 124, 28, 22);
    connect(dxToolButton1, &QToolButton::clicked, this, &TfrmPresentation::dxToolButton1Click);
    connect(dxToolButton2, &QToolButton::clicked, this, &TfrmPresentation::dxToolButton2Click);

    RbPanel4 = new QGroupBox(QStringLiteral("Set the Viewing Time Per Page"), this);
    RbPanel4->setGeometry(396, 32, 230, 80);
    RxSpinEdit1 = new QSpinBox(RbPanel4);
    RxSpinEdit1->setRange(PresentationOptions::kMinSeconds, PresentationOptions::kMaxSeconds);
    RxSpinEdit1->setValue(15);
    RxSpinEdit1->setGeometry(16, 32, 64, 26);
    Label2 = new QLabel(QStringLiteral("Seconds"), RbPanel4);
    Label2->setGeometry(90, 32, 100, 26);

    chkFrame = new QCheckBox(QStringLiteral("Add a frame to each page."), this);
    chkFrame->setGeometry(404, 122, 220, 24);
    Label5 = new QLabel(QStringLiteral("Frame Colour:"), this);
    Label5->setGeometry(404, 156, 96, 24);
    Panel5 = new QFrame(this);
    Panel5->setFrameShape(QFrame::Box);
    Panel5->setAutoFillBackground(true);
    Panel5->setGeometry(504, 156, 44, 24);
    setPanelColour(Panel5, QColor(0x00, 0x80, 0xC0), Qt::black);
    RbButton3 = new QPushButton(QStringLiteral("..."), this);
    RbButton3->setGeometry(556, 156, 32, 24);
    connect(RbButton3, &QPushButton::clicked, this, &TfrmPresentation::RbButton3Click);

    btnClose = new QPushButton(QStringLiteral("Save"), this);
    btnClose->setGeometry(534, 212, 88, 30);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    select(PresentationPageSize::FullPage);
    showBevel(nullptr);
}

QFrame *TfrmPresentation::makeChoicePanel(QWidget *parent, const QRect &geometry,
                                          const QString &caption)
{
    auto *panel = new QFrame(parent);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    panel->setGeometry(geometry);
    panel->setMouseTracking(true);
    panel->setCursor(Qt::PointingHandCursor);
    panel->installEventFilter(this);
    auto *label = new QLabel(caption, panel);
    label->setObjectName(QStringLiteral("caption"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setGeometry(2, 2, geometry.width() - 4, geometry.height() - 4);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return panel;
}

QFrame *TfrmPresentation::makeBevel(QWidget *parent, const QRect &geometry)
{
    auto *bevel = new QFrame(parent);
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setLineWidth(1);
    bevel->setMidLineWidth(1);
    bevel->setGeometry(geometry);
    bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
    bevel->hide();
    return bevel;
}

QColor TfrmPresentation::panelColour(const QFrame *panel)
{
    return panel->palette().color(QPalette::Window);
}

void TfrmPresentation::setPanelColour(QFrame *panel, QColor colour, QColor caption)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, caption);
    panel->setPalette(palette);
    if (QLabel *label = captionOf(panel)) {
        QPalette text = label->palette();
        text.setColor(QPalette::WindowText, caption);
        label->setPalette(text);
    }
}

// The selected choice's panels turn medium blue with white captions, the others light amber
// with black ones; Label3 follows the screen size choice.
void TfrmPresentation::select(PresentationPageSize choice)
{
    const QColor on(kSelectedColour), off(kUnselectedColour);
    auto paint = [&](QFrame *panel, bool selected) {
        setPanelColour(panel, selected ? on : off, selected ? Qt::white : Qt::black);
    };
    paint(Panel1, choice == PresentationPageSize::FullPage);
    paint(Panel2, choice == PresentationPageSize::HalfPage);
    paint(Panel3, choice == PresentationPageSize::HalfPage);
    paint(Panel4, choice == PresentationPageSize::ScreenSize);
    QPalette text = Label3->palette();
    text.setColor(QPalette::WindowText,
                  choice == PresentationPageSize::ScreenSize ? Qt::white : Qt::black);
    Label3->setPalette(text);
}

void TfrmPresentation::showBevel(QFrame *bevel)
{
    for (QFrame *b : {Bevel1, Bevel2, Bevel3})
        b->setVisible(b == bevel);
}

PresentationOptions TfrmPresentation::options() const
{
    PresentationOptions o;
    const QColor on(kSelectedColour);
    if (panelColour(Panel1) == on)
        o.pageSize = PresentationPageSize::FullPage;
    else if (panelColour(Panel2) == on)
        o.pageSize = PresentationPageSize::HalfPage;
    else if (panelColour(Panel4) == on)
        o.pageSize = PresentationPageSize::ScreenSize;
    o.screenSize = Label3->text();
    o.viewingSeconds = RxSpinEdit1->value();
    o.frame = chkFrame->isChecked();
    o.frameColour = panelColour(Panel5);
    return o;
}

void TfrmPresentation::setOptions(const PresentationOptions &o)
{
    select(o.pageSize);
    Label3->setText(screenSizeCaptions().contains(o.screenSize) ? o.screenSize
                                                                : screenSizeCaptions().first());
    RxSpinEdit1->setValue(o.viewingSeconds);
    chkFrame->setChecked(o.frame);
    setPanelColour(Panel5, o.frameColour, Qt::black);
}

// ---- handlers -----------------------------------------------------------------------------

void TfrmPresentation::Panel1Click()
{
    select(PresentationPageSize::FullPage);
}

void TfrmPresentation::Panel2Click()
{
    select(PresentationPageSize::HalfPage);
}

void TfrmPresentation::Panel4Click()
{
    select(PresentationPageSize::ScreenSize);
}

void TfrmPresentation::dxToolButton1Click()
{
    Label3->setText(smallerScreenSize(Label3->text()));
}

void TfrmPresentation::dxToolButton2Click()
{
    Label3->setText(largerScreenSize(Label3->text()));
}

void TfrmPresentation::Panel1MouseMove()
{
    showBevel(Bevel1);
}

void TfrmPresentation::Panel2MouseMove()
{
    showBevel(Bevel2);
}

void TfrmPresentation::Panel4MouseMove()
{
    showBevel(Bevel3);
}

void TfrmPresentation::RbPanel3MouseMove()
{
    showBevel(nullptr);
}

void TfrmPresentation::FormShow()
{
    showBevel(nullptr);
}

// ColorDialog1: the full-open colour dialog, preset with the swatch's colour.
void TfrmPresentation::RbButton3Click()
{
    const QColor current = panelColour(Panel5);
    std::uint32_t colour = std::uint32_t(current.red()) | std::uint32_t(current.green()) << 8
                           | std::uint32_t(current.blue()) << 16;
    if (dialogs::current().chooseColour(colour, true))
        setPanelColour(Panel5, QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF),
                                      int((colour >> 16) & 0xFF)),
                       Qt::black);
}

// Moves the window by its title strip: the window system does it where it can, else the strip
// follows the mouse by hand until the button is released.
void TfrmPresentation::RbPanel1MouseDown(const QPoint &globalPos)
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = globalPos - frameGeometry().topLeft();
}

bool TfrmPresentation::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == RbPanel1) {
        // Only mouse events are mouse events: casting any other event would be undefined.
        const bool isMouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove
                             || type == QEvent::MouseButtonRelease;
        auto *mouse = isMouse ? static_cast<QMouseEvent *>(event) : nullptr;
        if (!mouse)
            return QDialog::eventFilter(watched, event);
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            RbPanel1MouseDown(mouse->globalPosition().toPoint());
            return true;
        }
        if (type == QEvent::MouseMove && m_dragOffset && (mouse->buttons() & Qt::LeftButton)) {
            move(mouse->globalPosition().toPoint() - *m_dragOffset);
            return true;
        }
        if (type == QEvent::MouseButtonRelease)
            m_dragOffset.reset();
        return QDialog::eventFilter(watched, event);
    }
    const bool choicePanel = watched == Panel1 || watched == Panel2 || watched == Panel3
                             || watched == Panel4;
    if (type == QEvent::MouseButtonPress && choicePanel)
        return true; // take the press so the release (the click) comes here too
    if (type == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->rect().contains(mouse->position().toPoint())) {
            if (watched == Panel1)
                Panel1Click();
            else if (watched == Panel2 || watched == Panel3)
                Panel2Click();
            else if (watched == Panel4)
                Panel4Click();
        }
    } else if (type == QEvent::MouseMove) {
        // Handled moves stop here so the group behind a choice does not hide its bevel again.
        if (watched == Panel1)
            Panel1MouseMove();
        else if (watched == Panel2 || watched == Panel3)
            Panel2MouseMove();
        else if (watched == Panel4)
            Panel4MouseMove();
        else if (watched == RbPanel3)
            RbPanel3MouseMove();
        return choicePanel || watched == RbPanel3;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPresentation::showEvent(QShowEvent *event)
{
    // Centred on the window it belongs to, else on the screen.
    const QRect area = parentWidget() ? parentWidget()->window()->frameGeometry()
                                      : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid())
        move(area.center() - rect().center());
    FormShow();
    QDialog::showEvent(event);
}
