#include "preview/PrintPreview.h"

#include "editor/RxRichEd.h"
#include "preview/GmPageNavigator.h"
#include "preview/GmPreview.h"
#include "preview/GmPropertyComboBox.h"
#include "preview/GmPropertyGraphic.h"
#include "preview/GmRtfPreview.h"
#include "preview/GmThumbnails.h"
#include "widgets/RxSpinEdit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QLineEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Colours given as 0x00BBGGRR.
QColor bgr(unsigned value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

const QColor windowColour = bgr(0x00D5AB5E); // blue-grey
const QColor barColour = bgr(0x00E2E2E2);    // light grey
const QColor sideColour = bgr(0x00FE800D);   // blue

QFrame *panel(QWidget *parent, const QColor &colour, const QString &name)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, colour);
    frame->setPalette(pal);
    frame->setAutoFillBackground(true);
    return frame;
}

const QString storedMargins =
    QStringLiteral("720,720,720,720,\"12632256,1,2,4\",\"12632256,1,2,4\"");

} // namespace

TForm1::TForm1(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Print Preview"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowColour);
    setPalette(pal);
    setAutoFillBackground(true);
    createControls();
    configurePreview();
    FormCreate();
}

TForm1::~TForm1()
{
    // The linked controls go before the preview they are registered with.
    delete GmThumbnails1;
    delete GmPageNavigator1;
}

void TForm1::setDialogs(TForm3 *margins, TForm4 *headerFooter)
{
    m_marginsDialog = margins;
    m_headerDialog = headerFooter;
}

QString TForm1::statusText(int page, int count)
{
    return QStringLiteral("Page: %1 of  %2").arg(page).arg(count);
}

void TForm1::createControls()
{
    // Top bar: the two print buttons, the navigator and the page status.
    Panel1 = panel(this, barColour, QStringLiteral("Panel1"));
    Panel1->setFixedHeight(65);
    PrintCurrent = new QPushButton(QStringLiteral("Print C&urrent Page"), Panel1);
    ToolButton8 = new QPushButton(QStringLiteral("&Print All Pages"), Panel1);
    GmPageNavigator1 = new TGmPageNavigator(Panel1);
    GmPageNavigator1->SetVisibleButtons(gmAllNavigateBtns
                                        & ~(gmNavBit(gmAddPage) | gmNavBit(gmDeletePage)
                                            | gmNavBit(gmClear)));
    GmPageNavigator1->SetFlat(true);
    GmPageNavigator1->SetBorderWidth(0);
    GmPageNavigator1->setFixedSize(484, 37);
    GmPageNavigator1->setCursor(Qt::PointingHandCursor);
    Label1 = new QLabel(QStringLiteral("Page 1 of 1"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setStyleSheet(QStringLiteral("color: #808080; font-weight: bold;"));
    // Placed as designed rather than by a layout, so that the bar never forces the window
    // wider than the screen.
    PrintCurrent->setGeometry(10, 17, 136, 31);
    ToolButton8->setGeometry(152, 17, 120, 31);
    GmPageNavigator1->move(284, 14);
    Label1->setGeometry(784, 22, 220, 21);

    // Left bar: the white box of choices, and the thumbnails below it.
    Panel2 = panel(this, sideColour, QStringLiteral("Panel2"));
    Panel2->setFixedWidth(261);
    Panel3 = panel(Panel2, Qt::white, QStringLiteral("Panel3"));
    auto *printerLabel = new QLabel(QStringLiteral("Printer Selection"), Panel3);
    GmPropertyComboBox1 = new TGmPropertyComboBox(Panel3);
    GmPropertyComboBox1->setObjectName(QStringLiteral("GmPropertyComboBox1"));
    auto *paperLabel = new QLabel(QStringLiteral("Paper Size"), Panel3);
    GmPropertyComboBox2 = new TGmPropertyComboBox(Panel3);
    GmPropertyComboBox2->setObjectName(QStringLiteral("GmPropertyComboBox2"));
    GmPropertyComboBox2->SetPreviewProperty(gmPaperList);
    dxButton4 = new QPushButton(QStringLiteral("Page Margins"), Panel3);
    dxButton5 = new QPushButton(QStringLiteral("Header - Footer"), Panel3);
    dxButton3 = new QPushButton(QStringLiteral("&Close"), Panel3);
    GmPropertyGraphic1 = new TGmPropertyGraphic(Panel3);
    GmPropertyGraphic1->setToolTip(QStringLiteral("Page Orientation"));
    GmPropertyGraphic1->setFixedSize(137, 105);
    GmPropertyGraphic2 = new TGmPropertyGraphic(Panel3);
    GmPropertyGraphic2->SetPreviewProperty(gmMultipageGraphic);
    GmPropertyGraphic2->setToolTip(QStringLiteral("Multi-Page Econo Printing"));
    GmPropertyGraphic2->setFixedSize(137, 105);
    for (QPushButton *b : {PrintCurrent, ToolButton8, dxButton3, dxButton4, dxButton5})
        b->setAutoDefault(false);

    auto *box = new QGridLayout(Panel3);
    box->setContentsMargins(6, 6, 6, 6);
    box->setHorizontalSpacing(4);
    box->addWidget(printerLabel, 0, 0, 1, 2);
    box->addWidget(GmPropertyComboBox1, 1, 0, 1, 2);
    box->addWidget(paperLabel, 2, 0, 1, 2);
    box->addWidget(GmPropertyComboBox2, 3, 0, 1, 2);
    for (QPushButton *b : {dxButton3, dxButton4, dxButton5})
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto *buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(dxButton4);
    buttons->addWidget(dxButton5);
    buttons->addStretch();
    box->addWidget(GmPropertyGraphic1, 4, 0);
    box->addLayout(buttons, 4, 1);
    box->addWidget(GmPropertyGraphic2, 5, 0);
    box->addWidget(dxButton3, 5, 1, Qt::AlignBottom);
    box->setColumnStretch(1, 1);

    GmThumbnails1 = new TGmThumbnails(Panel2);
    GmThumbnails1->setToolTip(QStringLiteral("Number of Pages"));
    GmThumbnails1->setFrameShape(QFrame::NoFrame);
    GmThumbnails1->setCursor(Qt::PointingHandCursor);
    GmThumbnails1->SetBackgroundColor(barColour);
    GmThumbnails1->SetThumbSize(8);
    GmThumbnails1->SetGridWidth(2);
    GmThumbnails1->SetLayout(gmThumbGrid);
    GmThumbnails1->SetPageCaptions(QStringLiteral("#"));
    QFont caption(QStringLiteral("Times New Roman"));
    caption.setPixelSize(16);
    caption.setBold(true);
    GmThumbnails1->SetCaptionFont(caption);
    GmThumbnails1->SetShadowWidth(2);
    auto *side = new QVBoxLayout(Panel2);
    side->setContentsMargins(4, 4, 4, 4);
    side->addWidget(Panel3);
    side->addWidget(GmThumbnails1, 1);

    GmPreview1 = new TGmPreview(this);
    GmPreview1->setObjectName(QStringLiteral("GmPreview1"));
    GmRtfPreview1 = new TGmRtfPreview(this);
    GmRtfPreview1->SetPreview(GmPreview1);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(Panel2);
    body->addWidget(GmPreview1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addLayout(body, 1);

    connect(PrintCurrent, &QPushButton::clicked, this, &TForm1::PrintCurrentClick);
    connect(ToolButton8, &QPushButton::clicked, this, &TForm1::ToolButton8Click);
    connect(dxButton3, &QPushButton::clicked, this, &TForm1::dxButton3Click);
    connect(dxButton4, &QPushButton::clicked, this, &TForm1::dxButton4Click);
    connect(dxButton5, &QPushButton::clicked, this, &TForm1::dxButton5Click);
}

void TForm1::configurePreview()
{
    TGmPreview *p = GmPreview1;
    p->installEventFilter(this);
    p->setFrameShape(QFrame::NoFrame);
    p->setToolTip(QStringLiteral("Page View"));
    p->SetLineIncrements(43, 45);
    p->SetGutter(20);
    p->SetMinZoom(10);
    p->SetMaxZoom(800);
    p->SetZoom(30);
    p->ZoomIncrement = 5;
    p->SetPagesPerSheet(gmOnePage);
    p->Margins().Visible = true;
    p->SetMarginValues(storedMargins);
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPointSize(15); // a character height of 20 pixels at 96 per inch
    for (TGmHeaderFooter *hf : {static_cast<TGmHeaderFooter *>(&p->Header()),
                                static_cast<TGmHeaderFooter *>(&p->Footer())}) {
        hf->setVisible(true);
        hf->setShowLine(false);
        for (int i = 0; i < 3; ++i)
            hf->setFont(i, captionFont);
    }

    p->OnNeedRichEdit = [](QObject *, TRxRichEdit *&richEdit) { richEdit = new TRxRichEdit; };
    p->OnNewPage = [this](QObject *) { GmPreview1NewPage(); };
    p->OnPageChanged = [this](QObject *) { GmPreview1PageChanged(); };
    p->OnOrientationChanged = [this](QObject *) { GmPreview1OrientationChanged(); };
    p->OnMouseDown = [this](QObject *, Qt::MouseButton b, Qt::KeyboardModifiers,
                            const QPoint &pos) { GmPreview1MouseDown(b, pos); };
    p->OnMouseUp = [this](QObject *, Qt::MouseButton b, Qt::KeyboardModifiers,
                          const QPoint &) { GmPreview1MouseUp(b); };
    p->GmPrinter().OnMessage = [this](const QString &text) {
        if (m_host.showMessage)
            m_host.showMessage(text);
    };

    GmPageNavigator1->SetPreview(p);
    GmPageNavigator1->Loaded();
    GmThumbnails1->SetPreview(p);
    GmPropertyComboBox1->SetPreview(p);
    GmPropertyComboBox2->SetPreview(p);
    GmPropertyGraphic1->SetPreview(p);
    GmPropertyComboBox2->OnChange = [this](QObject *) { GmPropertyComboBox2Change(); };
    GmPropertyComboBox1->OnEnter = [this](QObject *) { GmPropertyComboBox1Enter(); };
    GmPropertyComboBox2->OnEnter = [this](QObject *) { GmPropertyComboBox2Enter(); };
}

void TForm1::FormCreate()
{
    m_firstActivation = true;
}

void TForm1::execute()
{
    // Sized to the screen's work area before showing, so that the page is fitted to the
    // size the user sees even before the window manager maximises it.
    if (QScreen *s = screen())
        setGeometry(s->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
}

void TForm1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Laid out when the shown window becomes active, at its final (maximised) size; its own
    // dialogs closing activate it again without that.
    m_activationPending = true;
}

bool TForm1::event(QEvent *event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate && m_activationPending) {
        m_activationPending = false;
        FormActivate();
    }
    return result;
}

void TForm1::done(int result)
{
    if (isVisible())
        FormClose();
    QDialog::done(result);
}

void TForm1::FormActivate()
{
    GmPreview1->BeginUpdate();
    auto end = qScopeGuard([this] { GmPreview1->EndUpdate(); });
    if (m_firstActivation) {
        m_firstActivation = false;
        importMargins();
    }
    GmPreview1->Clear();
    GmRtfPreview1->LoadFromRichEdit(m_host.editor ? m_host.editor() : nullptr);
    try {
        GmPreview1->FirstPage();
        GmPreview1->FitWholePage();
        m_fittedZoom = GmPreview1->Zoom();
    } catch (...) {
        // Fitting after the layout is a nicety: the pages are there either way.
    }
}

void TForm1::importMargins()
{
    int left = 25, top = 15, right = 25, bottom = 15;
    if (m_host.readMargins)
        m_host.readMargins(left, top, right, bottom);
    TGmMargins &m = GmPreview1->Margins();
    m.Left().setMillimeters(left);
    m.Top().setMillimeters(top);
    m.Right().setMillimeters(right);
    m.Bottom().setMillimeters(bottom);
}

void TForm1::LayOutUnshown()
{
    if (m_firstActivation)
        importMargins();
    Relayout();
}

void TForm1::FormClose()
{
    const TGmMargins &m = GmPreview1->Margins();
    if (m_host.writeMargins) {
        m_host.writeMargins(int(gmRound(m.Left().millimeters())),
                            int(gmRound(m.Top().millimeters())),
                            int(gmRound(m.Right().millimeters())),
                            int(gmRound(m.Bottom().millimeters())));
    }
    GmPreview1->EndPan();
    m_fittedZoom = -1;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    // The window manager may settle the maximised size only after activation: a page still
    // at the zoom that fitting chose is fitted again to the final size.
    if (watched == GmPreview1 && event->type() == QEvent::Resize && m_fittedZoom > 0
        && GmPreview1->Zoom() == m_fittedZoom) {
        GmPreview1->FitWholePage();
        m_fittedZoom = GmPreview1->Zoom();
    }
    return QDialog::eventFilter(watched, event);
}

void TForm1::Relayout()
{
    GmPreview1->BeginUpdate();
    auto end = qScopeGuard([this] { GmPreview1->EndUpdate(); });
    GmPreview1->Clear();
    GmRtfPreview1->LoadFromRichEdit(m_host.editor ? m_host.editor() : nullptr);
    GmPreview1->FirstPage();
}

void TForm1::printWith(const std::function<void()> &print)
{
    TGmPrinter &printer = GmPreview1->GmPrinter();
    printer.Title = m_host.documentFileName ? m_host.documentFileName()
                                            : QStringLiteral("Untitled Document");
    printer.SetPrintColor(gmColor);
    print();
}

void TForm1::PrintCurrentClick()
{
    printWith([this] { GmPreview1->PrintCurrentPage(); });
}

void TForm1::ToolButton8Click()
{
    printWith([this] { GmPreview1->Print(); });
}

void TForm1::dxButton3Click()
{
    close();
}

void TForm1::dxButton4Click()
{
    if (!m_marginsDialog)
        return;
    TForm3 &d = *m_marginsDialog;
    TGmMargins &m = GmPreview1->Margins();
    d.SpinEdit1->setValue(double(gmRound(m.Left().millimeters())));
    d.SpinEdit2->setValue(double(gmRound(m.Top().millimeters())));
    d.SpinEdit3->setValue(double(gmRound(m.Right().millimeters())));
    d.SpinEdit4->setValue(double(gmRound(m.Bottom().millimeters())));
    if (d.exec() != QDialog::Accepted)
        return;
    GmPreview1->BeginUpdate();
    auto end = qScopeGuard([this] { GmPreview1->EndUpdate(); });
    // The document is laid out again even when setting a margin fails.
    auto layout = qScopeGuard([this] {
        GmPreview1->Clear();
        GmRtfPreview1->LoadFromRichEdit(m_host.editor ? m_host.editor() : nullptr);
        GmPreview1->FirstPage();
    });
    m.Left().setMillimeters(d.SpinEdit1->Value());
    m.Top().setMillimeters(d.SpinEdit2->Value());
    m.Right().setMillimeters(d.SpinEdit3->Value());
    m.Bottom().setMillimeters(d.SpinEdit4->Value());
}

void TForm1::dxButton5Click()
{
    if (!m_headerDialog)
        return;
    TForm4 &d = *m_headerDialog;
    TGmHeader &header = GmPreview1->Header();
    TGmFooter &footer = GmPreview1->Footer();
    // The six texts keep what was typed last time; only the line boxes are set.
    d.CheckBox1->setChecked(header.ShowLine());
    d.CheckBox2->setChecked(footer.ShowLine());
    if (d.exec() != QDialog::Accepted)
        return;
    GmPreview1->BeginUpdate();
    auto end = qScopeGuard([this] { GmPreview1->EndUpdate(); });
    auto layout = qScopeGuard([this] {
        GmPreview1->Clear();
        GmRtfPreview1->LoadFromRichEdit(m_host.editor ? m_host.editor() : nullptr);
        GmPreview1->FirstPage();
    });
    header.setCaption(TGmHeaderFooter::LeftCaption, d.Edit1->text());
    header.setCaption(TGmHeaderFooter::CenterCaption, d.Edit2->text());
    header.setCaption(TGmHeaderFooter::RightCaption, d.Edit3->text());
    footer.setCaption(TGmHeaderFooter::LeftCaption, d.Edit4->text());
    footer.setCaption(TGmHeaderFooter::CenterCaption, d.Edit5->text());
    footer.setCaption(TGmHeaderFooter::RightCaption, d.Edit6->text());
    header.setShowLine(d.CheckBox1->isChecked());
    footer.setShowLine(d.CheckBox2->isChecked());
}

void TForm1::GmPreview1MouseDown(Qt::MouseButton button, const QPoint &pos)
{
    if (button == Qt::LeftButton)
        GmPreview1->StartPan(pos);
}

void TForm1::GmPreview1MouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        GmPreview1->EndPan();
}

void TForm1::GmPreview1NewPage()
{
    Label1->setText(statusText(GmPreview1->CurrentPage(), GmPreview1->Count()));
}

void TForm1::GmPreview1PageChanged()
{
    Label1->setText(statusText(GmPreview1->CurrentPage(), GmPreview1->Count()));
}

void TForm1::GmPreview1OrientationChanged()
{
    Relayout();
}

void TForm1::GmPropertyComboBox2Change()
{
    Relayout();
    GmPreview1->setFocus();
}

void TForm1::GmPropertyComboBox1Enter()
{
    GmPropertyComboBox1->view()->setMinimumWidth(369);
}

void TForm1::GmPropertyComboBox2Enter()
{
    GmPropertyComboBox2->view()->setMinimumWidth(175);
}
