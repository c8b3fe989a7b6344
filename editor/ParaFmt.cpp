#include "editor/ParaFmt.h"

#include "editor/RxRichEd.h"
#include "widgets/RxSpinEdit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <cmath>
#include <limits>

namespace {

constexpr int kWidth = 639;
constexpr int kHeight = 363;
constexpr int kStripHeight = 45;
constexpr int kTabCount = 32;
constexpr int kDefaultTab = 36; // points

QColor bgr(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QFont arialPixels(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A strip filled with a double vertical gradient: from the first colour to the second at half
// height and back, with an optional centred caption.
class GradientPanel : public QWidget {
public:
    GradientPanel(QColor from, QColor to, QWidget *parent)
        : QWidget(parent), m_from(from), m_to(to) {}
    QString caption;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0, m_from);
        g.setColorAt(0.5, m_to);
        g.setColorAt(1, m_from);
        p.fillRect(rect(), g);
        if (!caption.isEmpty()) {
            p.setPen(Qt::white);
            p.setFont(font());
            p.drawText(rect(), Qt::AlignCenter, caption);
        }
    }

private:
    QColor m_from, m_to;
};

// The white body with rounded corners inside a wide silver border.
class BodyPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(rect()).adjusted(7, 7, -7, -7), 8, 8);
    }
};

} // namespace

TParaFormatDlg::TParaFormatDlg(TRxParaAttributes &paragraph, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_paragraph(paragraph)
{
    setObjectName(QStringLiteral("ParaFormatDlg"));
    setFixedSize(kWidth, kHeight);
    createControls();
}

TRxSpinEdit *TParaFormatDlg::addField(QWidget *parent, int x, int y, int tag, int step,
                                      bool limited)
{
    auto *f = new TRxSpinEdit(parent);
    f->setGeometry(x, y, 65, 24);
    f->setTag(tag);
    f->setIncrement(step);
    f->setDecimals(0);
    if (limited)
        f->setLimits(0, std::numeric_limits<std::int32_t>::max());
    f->editor()->setAlignment(Qt::AlignCenter);
    f->editor()->setFont(arialPixels(16));
    return f;
}

QLabel *TParaFormatDlg::addLabel(QWidget *parent, const QString &text, int x, int y)
{
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

void TParaFormatDlg::createControls()
{
    auto *title = new GradientPanel(bgr(0x00D08410), bgr(0x00FFB871), this);
    title->caption = QStringLiteral("Current Paragraph Attributes");
    title->setFont(arialPixels(19, true));
    title->setGeometry(0, 0, kWidth, kStripHeight);
    RbPanel1 = title;
    RbPanel1->setObjectName(QStringLiteral("RbPanel1"));
    RbPanel1->installEventFilter(this);

    RbPanel2 = new GradientPanel(bgr(0x00009F00), bgr(0x0052C703), this);
    RbPanel2->setObjectName(QStringLiteral("RbPanel2"));
    RbPanel2->setGeometry(0, kHeight - kStripHeight, kWidth, kStripHeight);
    RbButton2 = new QPushButton(QStringLiteral("OK"), RbPanel2);
    RbButton2->setObjectName(QStringLiteral("RbButton2"));
    RbButton2->setGeometry(432, 10, 75, 25);
    RbButton1 = new QPushButton(QStringLiteral("Cancel"), RbPanel2);
    RbButton1->setObjectName(QStringLiteral("RbButton1"));
    RbButton1->setGeometry(536, 10, 75, 25);
    for (QPushButton *b : {RbButton1, RbButton2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(RbButton2, &QPushButton::clicked, this, &QDialog::accept);
    connect(RbButton1, &QPushButton::clicked, this, &QDialog::reject);

    RbPanel3 = new BodyPanel(this);
    RbPanel3->setObjectName(QStringLiteral("RbPanel3"));
    RbPanel3->setGeometry(0, kStripHeight, kWidth, kHeight - 2 * kStripHeight);
    RbPanel3->setMouseTracking(true);
    RbPanel3->installEventFilter(this);

    IndentBox = new QGroupBox(QStringLiteral(" Indentation "), RbPanel3);
    IndentBox->setGeometry(20, 16, 189, 190);
    SpacingBox = new QGroupBox(QStringLiteral(" Spacing "), RbPanel3);
    SpacingBox->setGeometry(220, 16, 197, 190);
    Alignment = new QGroupBox(QStringLiteral(" Alignment "), RbPanel3);
    Alignment->setGeometry(428, 16, 189, 190);
    for (QGroupBox *box : {IndentBox, SpacingBox}) {
        box->setMouseTracking(true);
        box->installEventFilter(this);
    }

    // Indentation: no limits, first line may be negative.
    const int rows[] = {24, 76, 128};
    FirstIndent = addField(IndentBox, 96, rows[0], 1, 1, false);
    LeftIndent = addField(IndentBox, 96, rows[1], 2, 1, false);
    RightIndent = addField(IndentBox, 96, rows[2], 3, 1, false);
    addLabel(IndentBox, QStringLiteral("&First line: "), 12, 30)->setBuddy(FirstIndent->editor());
    addLabel(IndentBox, QStringLiteral("Hanging Left: "), 12, 83);
    addLabel(IndentBox, QStringLiteral("Right Indent:"), 12, 134);
    for (int y : rows)
        addLabel(IndentBox, QStringLiteral("pt"), 166, y + 4);
    Label11 = addLabel(IndentBox, QString(), 12, 165);

    SpaceBefore = addField(SpacingBox, 101, rows[0], 1, 1, true);
    SpaceAfter = addField(SpacingBox, 101, rows[1], 2, 1, true);
    LineSpacing = addField(SpacingBox, 101, rows[2], 3, 5, true);
    addLabel(SpacingBox, QStringLiteral("Space &before: "), 12, 30)
        ->setBuddy(SpaceBefore->editor());
    addLabel(SpacingBox, QStringLiteral("Space &after: "), 12, 83)
        ->setBuddy(SpaceAfter->editor());
    addLabel(SpacingBox, QStringLiteral("Li&ne spacing: "), 12, 134)
        ->setBuddy(LineSpacing->editor());
    for (int y : rows)
        addLabel(SpacingBox, QStringLiteral("pt"), 172, y + 4);
    Label14 = addLabel(SpacingBox, QString(), 12, 165);

    AlignmentItems = new QButtonGroup(this);
    const QString items[] = {QStringLiteral("Left"), QStringLiteral("Right"),
                             QStringLiteral("Center"), QStringLiteral("Justify")};
    for (int i = 0; i < 4; ++i) {
        auto *r = new QRadioButton(items[i], Alignment);
        r->setGeometry(16, 30 + i * 36, 150, 24);
        AlignmentItems->addButton(r, i);
    }
    connect(AlignmentItems, &QButtonGroup::idClicked, this, [this] { AlignmentClick(); });

    Label7 = addLabel(RbPanel3, QStringLiteral("Tab Size In Current Paragraph:"), 32, 224);
    TabStops = addField(RbPanel3, 220, 219, 0, 1, false);
    TabStops->setValue(kDefaultTab);
    Label8 = addLabel(RbPanel3, QStringLiteral("Default Value: 36 Points / 0.5 Inch / 12.7 mm"),
                      296, 225);
    Label9 = addLabel(RbPanel3, QString(), 448, 244);

    for (QLabel *hint : {Label9, Label11, Label14}) {
        hint->setFont(arialPixels(13));
        hint->setStyleSheet(QStringLiteral("color: #808080;"));
        hint->hide();
    }

    for (TRxSpinEdit *f : {FirstIndent, LeftIndent, RightIndent}) {
        connect(f, &TRxSpinEdit::stepped, this, [this, f] { FirstIndentChange(f); });
        connect(f, &TRxSpinEdit::keyDown, this, [this, f](int key) { FirstIndentKeyDown(f, key); });
        connect(f, &TRxSpinEdit::pointerMoved, this, [this, f] { FirstIndentMouseMove(f); });
    }
    for (TRxSpinEdit *f : {SpaceBefore, SpaceAfter, LineSpacing}) {
        connect(f, &TRxSpinEdit::stepped, this, [this, f] { SpaceBeforeChange(f); });
        connect(f, &TRxSpinEdit::keyDown, this, [this, f](int key) { SpaceBeforeKeyDown(f, key); });
        connect(f, &TRxSpinEdit::pointerMoved, this, [this, f] { SpaceBeforeMouseMove(f); });
    }
    connect(TabStops, &TRxSpinEdit::stepped, this, [this] { TabStopsChange(); });
    connect(TabStops, &TRxSpinEdit::keyDown, this, [this](int key) { TabStopsKeyDown(key); });
    connect(TabStops, &TRxSpinEdit::pointerMoved, this, [this] { TabStopsMouseMove(); });
}

// ---- hint texts ---------------------------------------------------------------------------

QString TParaFormatDlg::formatHintNumber(double value)
{
    const QLocale locale;
    QString s = locale.toString(value, 'f', 2).remove(locale.groupSeparator());
    if (s.endsWith(QLatin1Char('0')))
        s.chop(1); // "0.50" -> "0.5"; "0.00" keeps one decimal as "0.0"
    return s;
}

QString TParaFormatDlg::hintText(double points)
{
    const double inches = points / 72.0;
    const double millimetres = points / 72.0 * 25.4;
    return formatHintNumber(inches) + QStringLiteral(" Inch / ") + formatHintNumber(millimetres)
        + QStringLiteral(" mm");
}

void TParaFormatDlg::showHint(QLabel *label, TRxSpinEdit *field)
{
    if (field)
        label->setText(hintText(field->Value()));
    label->adjustSize();
    label->show();
}

TRxSpinEdit *TParaFormatDlg::indentField(int tag) const
{
    switch (tag) {
    case 1: return FirstIndent;
    case 2: return LeftIndent;
    case 3: return RightIndent;
    default: return nullptr;
    }
}

TRxSpinEdit *TParaFormatDlg::spacingField(int tag) const
{
    switch (tag) {
    case 1: return SpaceBefore;
    case 2: return SpaceAfter;
    case 3: return LineSpacing;
    default: return nullptr;
    }
}

// ---- filling and writing ------------------------------------------------------------------

void TParaFormatDlg::FillFromParagraph(TRxParaAttributes &paragraph)
{
    LeftIndent->setValue(paragraph.LeftIndent());
    RightIndent->setValue(paragraph.RightIndent());
    FirstIndent->setValue(paragraph.FirstIndent());
    // Checking an item from code raises no click, so nothing is written here.
    if (QAbstractButton *item = AlignmentItems->button(int(paragraph.Alignment())))
        item->setChecked(true);
    SpaceBefore->setValue(paragraph.SpaceBefore());
    SpaceAfter->setValue(paragraph.SpaceAfter());
    LineSpacing->setValue(paragraph.LineSpacing());
    const int tab = paragraph.TabStop(0);
    TabStops->setValue(tab == 0 ? kDefaultTab : tab);
    Label9->setText(hintText(TabStops->Value()));
    Label9->adjustSize();
}

void TParaFormatDlg::ApplyToParagraph(TRxParaAttributes &paragraph)
{
    // Whole points, halves to the even neighbour.
    auto whole = [](const TRxSpinEdit *f) { return int(std::nearbyint(f->Value())); };
    paragraph.setLeftIndent(whole(LeftIndent));
    paragraph.setRightIndent(whole(RightIndent));
    paragraph.setFirstIndent(whole(FirstIndent));
    const int alignment = AlignmentItems->checkedId();
    if (alignment >= 0)
        paragraph.setAlignment(TParaAlignment(alignment));
    paragraph.setSpaceBefore(whole(SpaceBefore));
    paragraph.setSpaceAfter(whole(SpaceAfter));
    const int spacing = whole(LineSpacing);
    paragraph.setSpacingRule(spacing <= 0 ? 0 : 3); // single, or at least the given points
    paragraph.setLineSpacing(spacing);
    paragraph.setTabStopCount(kTabCount);
    const int tab = whole(TabStops);
    for (int i = 0; i < kTabCount; ++i)
        paragraph.setTabStop(i, tab * (i + 1));
}

// ---- event handlers -----------------------------------------------------------------------

void TParaFormatDlg::FirstIndentChange(TRxSpinEdit *sender)
{
    ApplyToParagraph(m_paragraph);
    showHint(Label11, indentField(sender->Tag()));
}

void TParaFormatDlg::SpaceBeforeChange(TRxSpinEdit *sender)
{
    ApplyToParagraph(m_paragraph);
    showHint(Label14, spacingField(sender->Tag()));
}

void TParaFormatDlg::TabStopsChange()
{
    ApplyToParagraph(m_paragraph);
    showHint(Label9, TabStops);
}

void TParaFormatDlg::FirstIndentKeyDown(TRxSpinEdit *sender, int key)
{
    ApplyToParagraph(m_paragraph);
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        showHint(Label11, indentField(sender->Tag()));
}

void TParaFormatDlg::SpaceBeforeKeyDown(TRxSpinEdit *sender, int key)
{
    ApplyToParagraph(m_paragraph);
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        showHint(Label14, spacingField(sender->Tag()));
}

void TParaFormatDlg::TabStopsKeyDown(int key)
{
    ApplyToParagraph(m_paragraph);
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        showHint(Label9, TabStops);
}

void TParaFormatDlg::FirstIndentMouseMove(TRxSpinEdit *sender)
{
    showHint(Label11, indentField(sender->Tag()));
}

void TParaFormatDlg::SpaceBeforeMouseMove(TRxSpinEdit *sender)
{
    showHint(Label14, spacingField(sender->Tag()));
}

void TParaFormatDlg::TabStopsMouseMove()
{
    showHint(Label9, nullptr); // shown with the text it has
}

void TParaFormatDlg::RbPanel3MouseMove()
{
    Label9->hide();
    Label11->hide();
    Label14->hide();
}

void TParaFormatDlg::AlignmentClick()
{
    if (isVisible())
        ApplyToParagraph(m_paragraph);
}

void TParaFormatDlg::RbPanel1MouseDown()
{
    // The window system moves the borderless window as if its caption were dragged; where it
    // cannot, the title strip follows the pointer itself (see eventFilter).
    if (QWindow *w = windowHandle(); w && w->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = QCursor::pos() - pos();
}

bool TParaFormatDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RbPanel1) {
        auto globalPos = [event] {
            return static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            RbPanel1MouseDown();
            if (m_dragging)
                m_dragOffset = globalPos() - pos();
            return true;
        case QEvent::MouseMove:
            if (m_dragging)
                move(globalPos() - m_dragOffset);
            return m_dragging;
        case QEvent::MouseButtonRelease:
            m_dragging = false;
            return true;
        default:
            break;
        }
    } else if (event->type() == QEvent::MouseMove
               && (watched == RbPanel3 || watched == IndentBox || watched == SpacingBox)) {
        RbPanel3MouseMove();
    }
    return QDialog::eventFilter(watched, event);
}

// ---- running the dialog -------------------------------------------------------------------

bool ExecuteParagraphDialog(TRxParaAttributes &paragraph, QWidget *centreOn)
{
    QWidget *owner = centreOn ? centreOn->window() : QApplication::activeWindow();
    TParaFormatDlg dialog(paragraph, owner);
    dialog.FillFromParagraph(paragraph);
    if (owner)
        dialog.move(owner->frameGeometry().center() - dialog.rect().center());
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok)
        dialog.ApplyToParagraph(paragraph);
    return ok;
}
