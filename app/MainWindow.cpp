// The main window: its controls and layout, menus, and the form events (create, show,
// activate, resize, close, destroy) with the change and selection handlers.
#include "app/Main.h"

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Statistics.h"
#include "app/WindowPlacement.h"
#include "documents/DocumentRecovery.h"
#include "editor/OwnerDrawMenu.h"
#include "editor/SpellChecking.h"
#include "shell/Shell.h"
#include "widgets/Clock.h"
#include "widgets/StatusBar.h"
#include "widgets/ToolIcons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QCursor>
#include <QTimer>
#include <QWindow>

namespace {

TfrmMainEditor *g_mainWindow = nullptr;

// The frame the layout rules were designed with: 4-pixel borders and a 30-pixel title bar.
// It stands in for the real frame until the window manager has framed the window.
const QMargins kDesignedFrame(4, 30, 4, 4);
constexpr int kWindowWidth = 1024;  // outer size of the window
constexpr int kWindowHeight = 584;

QColor bgr(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// A 32 × 32 picture for a toolbar button: the desktop theme's icon when there is one, else our
// own drawing for the button, else a badge with a short label, so the toolbar reads well
// without a theme.
QIcon toolIcon(const QString &themeName, const QString &label, const QString &buttonName)
{
    QIcon icon = QIcon::fromTheme(themeName);
    if (!icon.isNull())
        return icon;
    icon = drawnToolIcon(buttonName);
    if (!icon.isNull())
        return icon;
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x4A, 0x78, 0xB0));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(label.size() > 2 ? 9 : 14);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(2, 2, 28, 28), Qt::AlignCenter, label);
    return QIcon(pm);
}

} // namespace

TfrmMainEditor *frmMainEditor() { return g_mainWindow; }

TfrmMainEditor::TfrmMainEditor(QWidget *parent) : QWidget(parent)
{
    g_mainWindow = this;
    setObjectName(QStringLiteral("frmMainEditor"));
    setWindowTitle(QStringLiteral("Tessra Office - Scrivelle"));
    createControls();
    createMenus();
    setupWritingAids();
    const QMargins frame = kDesignedFrame;
    m_placedFrame = frame;
    const int innerHeight = kWindowHeight - frame.top() - frame.bottom();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(placement::centredInnerRect(screen->availableGeometry(), frame, kWindowWidth, innerHeight));
    else
        resize(kWindowWidth - frame.left() - frame.right(), innerHeight);
    FormCreate();
}

TfrmMainEditor::~TfrmMainEditor()
{
    delete Recovery; // a normal end: its copy goes before the editor does
    if (g_mainWindow == this)
        g_mainWindow = nullptr;
}

QToolButton *TfrmMainEditor::addToolButton(const QString &name, const QString &hint,
                                           const QString &icon,
                                           void (TfrmMainEditor::*handler)())
{
    auto *b = new QToolButton(ToolBar1);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFixedSize(50, 40);
    b->setIconSize(QSize(32, 32));
    b->setIcon(toolIcon(icon, name.mid(3, 2), name));
    ToolBar1->addWidget(b);
    if (handler)
        connect(b, &QToolButton::clicked, this, [this, handler] { runHandler([=, this] { (this->*handler)(); }); });
    return b;
}

QAction *TfrmMainEditor::addAction(QMenu *menu, const QString &name, const QString &caption,
                                   void (TfrmMainEditor::*handler)(), const QString &shortcutText)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcutText.isEmpty()) {
        // Shown in the item's shortcut column; the pop-up menus are not key owners, so the
        // key does not act through the menu.
        a->setShortcut(QKeySequence(shortcutText));
        a->setShortcutVisibleInContextMenu(false);
    }
    if (menu)
        menu->addAction(a);
    if (handler) {
        // A checkable item ticks itself before it reports the trigger; its handler owns the
        // tick, so the item's state is put back first and the handler sets it as it decides.
        connect(a, &QAction::triggered, this, [this, a, handler](bool checked) {
            if (a->isCheckable())
                a->setChecked(!checked);
            runHandler([=, this] { (this->*handler)(); });
        });
    }
    return a;
}

void TfrmMainEditor::runHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const EAbort &) {
        // A cancelled command ends without a word.
    } catch (const std::exception &e) {
        showErrorBox(exceptionMessage(e));
    }
}

void TfrmMainEditor::createControls()
{
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    dxContainer1 = new QFrame(this);
    dxContainer1->setObjectName(QStringLiteral("dxContainer1"));
    dxContainer1->setAutoFillBackground(true);
    setContainerColour(0x00F4DEB9);

    CoolBar1 = new QWidget(dxContainer1);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setStyleSheet(QStringLiteral(
        "#CoolBar1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FAFAFA,"
        " stop:1 #E4E4E4); border-bottom: 1px solid #C8C8C8; }"));
    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->setStyleSheet(QStringLiteral("QToolBar { background: #EFEFEF; border: none; spacing: 0px;"
                                           " padding: 0px; margin: 0px; }"
                                           "QToolBar::separator { width: 8px; margin: 0px; }"));

    btnNewDoc = addToolButton(QStringLiteral("btnNewDoc"), QStringLiteral("New Document"), QStringLiteral("document-new"), &TfrmMainEditor::btnNewDocClick);
    btnDocHistory = addToolButton(QStringLiteral("btnDocHistory"), QStringLiteral("Document History..."), QStringLiteral("document-open-recent"), &TfrmMainEditor::btnDocHistoryClick);
    btnOpenDoc = addToolButton(QStringLiteral("btnOpenDoc"), QStringLiteral("Open..."), QStringLiteral("document-open"), &TfrmMainEditor::btnOpenDocClick);
    btnSaveDoc = addToolButton(QStringLiteral("btnSaveDoc"), QStringLiteral("Save..."), QStringLiteral("document-save"), &TfrmMainEditor::btnSaveDocClick);
    btnPrintPreview = addToolButton(QStringLiteral("btnPrintPreview"), QStringLiteral("Print Preview..."), QStringLiteral("document-print-preview"), &TfrmMainEditor::btnPrintPreviewClick);
    ToolBar1->addSeparator();
    btnUndo = addToolButton(QStringLiteral("btnUndo"), QStringLiteral("Undo Action"), QStringLiteral("edit-undo"), &TfrmMainEditor::btnUndoClick);
    btnRedo = addToolButton(QStringLiteral("btnRedo"), QStringLiteral("Redo Action"), QStringLiteral("edit-redo"), &TfrmMainEditor::btnRedoClick);
    ToolBar1->addSeparator();
    btnCut = addToolButton(QStringLiteral("btnCut"), QStringLiteral("Cut"), QStringLiteral("edit-cut"), &TfrmMainEditor::btnCutClick);
    btnCopy = addToolButton(QStringLiteral("btnCopy"), QStringLiteral("Copy"), QStringLiteral("edit-copy"), &TfrmMainEditor::btnCopyClick);
    btnPaste = addToolButton(QStringLiteral("btnPaste"), QStringLiteral("Paste"), QStringLiteral("edit-paste"), &TfrmMainEditor::btnPasteClick);
    ToolBar1->addSeparator();
    btnCenterAlign = addToolButton(QStringLiteral("btnCenterAlign"), QStringLiteral("Center Text"), QStringLiteral("format-justify-center"), nullptr);
    btnAlignJustify = addToolButton(QStringLiteral("btnAlignJustify"), QStringLiteral("Justify Text"), QStringLiteral("format-justify-fill"), nullptr);
    for (QToolButton *b : {btnCenterAlign, btnAlignJustify}) {
        b->setCheckable(true);
        connect(b, &QToolButton::clicked, this, [this, b] { runHandler([=, this] { btnCenterAlignClick(b); }); });
    }
    btnParagraphAttributes = addToolButton(QStringLiteral("btnParagraphAttributes"), QStringLiteral("Paragraph Attributes"), QStringLiteral("format-indent-more"), &TfrmMainEditor::btnParagraphAttributesClick);
    btnParagraphAttributes->setPopupMode(QToolButton::MenuButtonPopup);
    btnParagraphAttributes->setFixedSize(62, 40);
    ToolBar1->addSeparator();
    btnEditorBackground = addToolButton(QStringLiteral("btnEditorBackground"), QStringLiteral("Editor Background Colour..."), QStringLiteral("color-fill"), &TfrmMainEditor::btnEditorBackgroundClick);
    btnFont = addToolButton(QStringLiteral("btnFont"), QStringLiteral("Font Selection and Style..."), QStringLiteral("preferences-desktop-font"), &TfrmMainEditor::btnFontClick);
    btnOpeningQuote = addToolButton(QStringLiteral("btnOpeningQuote"), QStringLiteral("Opening Smart Quote"), QString(), &TfrmMainEditor::btnOpeningQuoteClick);
    btnOpeningQuote->setIcon(toolIcon(QString(), QStringLiteral("\u201C"), btnOpeningQuote->objectName()));
    btnClosingQoute = addToolButton(QStringLiteral("btnClosingQoute"), QStringLiteral("Closing Smart Quote"), QString(), &TfrmMainEditor::btnClosingQouteClick);
    btnClosingQoute->setIcon(toolIcon(QString(), QStringLiteral("\u201D"), btnClosingQoute->objectName()));
    btnLongDash = addToolButton(QStringLiteral("btnLongDash"), QStringLiteral("Dash"), QString(), &TfrmMainEditor::btnLongDashClick);
    btnLongDash->setIcon(toolIcon(QString(), QStringLiteral("\u2014"), btnLongDash->objectName()));
    btnClose = addToolButton(QStringLiteral("btnClose"), QStringLiteral("Exit"), QStringLiteral("application-exit"), &TfrmMainEditor::btnCloseClick);

    Panel1 = new QWidget(dxContainer1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel2 = new QWidget(dxContainer1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel3 = new QWidget(dxContainer1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    for (QWidget *p : {Panel1, Panel2, Panel3}) {
        p->setAutoFillBackground(true);
        QPalette wp = p->palette();
        wp.setColor(QPalette::Window, Qt::white);
        p->setPalette(wp);
    }

    SpeedButton1 = new QToolButton(Panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("?"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setGeometry(12, 2, 23, 22);
    QFont qf(QStringLiteral("Arial"));
    qf.setPixelSize(19);
    qf.setBold(true);
    SpeedButton1->setFont(qf);
    SpeedButton1->setStyleSheet(QStringLiteral("color: #0000CE;"));
    SpeedButton1->setCursor(Qt::WhatsThisCursor);
    SpeedButton1->setToolTip(QStringLiteral("Help File..."));
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { runHandler([this] { SpeedButton1Click(); }); });

    SpeedButton2 = new QToolButton(Panel2);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setGeometry(12, 50, 30, 30);
    SpeedButton2->setIconSize(QSize(24, 24));
    SpeedButton2->setIcon(toolIcon(QStringLiteral("document-open-recent"), QStringLiteral("\u21BA"),
                                    SpeedButton2->objectName()));
    SpeedButton2->setCursor(Qt::PointingHandCursor);
    SpeedButton2->setToolTip(QStringLiteral("Open Last Active Document"));
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { runHandler([this] { SpeedButton2Click(); }); });

    B1 = new QFrame(Panel2);
    B1->setObjectName(QStringLiteral("B1"));
    B1->setGeometry(1, 248, 40, 10);
    B2 = new QFrame(Panel3);
    B2->setObjectName(QStringLiteral("B2"));
    B2->setGeometry(110, 248, 40, 10);
    for (QFrame *b : {B1, B2}) {
        b->setStyleSheet(QStringLiteral("border: none; border-bottom: 1px solid #808080;"));
        b->hide();
    }

    RxClock1 = new TRxClock(Panel3);
    RxClock1->setObjectName(QStringLiteral("RxClock1"));
    RxClock1->setGeometry(20, 432, 110, 25);
    QFont cf(QStringLiteral("Arial"));
    cf.setPixelSize(16);
    cf.setBold(true);
    RxClock1->setFont(cf);
    RxClock1->setStyleSheet(QStringLiteral("color: #B1B1B1; background: white;"));
    RxClock1->setCursor(Qt::PointingHandCursor);
    RxClock1->setToolTip(QStringLiteral("Go To My Home Page..."));
    connect(RxClock1, &TRxClock::clicked, this, [this] { runHandler([this] { RxClock1Click(); }); });

    Editor = new TRxRichEdit(dxContainer1);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setFrameShape(QFrame::NoFrame);
    Editor->setColor(0x00F4DEB9);
    TFont font;
    font.Name = QStringLiteral("Courier New");
    font.Size = 12;
    font.Pitch = TFontPitch::fpFixed;
    Editor->setFont(font);
    Editor->setHideSelection(false);
    Editor->setHideScrollBars(false);
    Editor->setScrollBars(TScrollStyle::ssVertical);
    Editor->Lines.StreamMode = smUnicode;
    Editor->setWantTabs(true);
    Editor->setTitle(QStringLiteral("Document One"));
    Editor->OnChange = [this] { runHandler([this] { EditorChange(); }); };
    Editor->OnSelectionChange = [this] { runHandler([this] { EditorSelectionChange(); }); };
    Editor->OnKeyUp = [this](QKeyEvent *e) { runHandler([=, this] { EditorKeyUp(e); }); };
    Editor->OnMouseDown = [this](QMouseEvent *e) { runHandler([=, this] { EditorMouseDown(e); }); };

    StatusBar1 = new TStatusBar({125, 125, 150, 125, 175, 125}, dxContainer1);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAutoFillBackground(true);
    QPalette sp = StatusBar1->palette();
    sp.setColor(QPalette::Window, bgr(0x00E2E2E2));
    StatusBar1->setPalette(sp);

    m_statistics = new StatisticsCache(Editor->document(), this);
    connect(Editor, &richedit::RichEdit::lineMetricsReady, this,
            [this] { runHandler([this] { UpdateStatusBar(); }); });
    connect(Editor, &richedit::RichEdit::layoutProgress, this, &TfrmMainEditor::ShowLayoutProgress);
}

void TfrmMainEditor::createMenus()
{
    using M = TfrmMainEditor;
    auto *popup = new TOwnerDrawMenu(this);
    PopupMenu1 = popup;
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Cut2 = addAction(PopupMenu1, QStringLiteral("Cut2"), QStringLiteral("Cu&t"), &M::btnCutClick, QStringLiteral("Ctrl+X"));
    Copy2 = addAction(PopupMenu1, QStringLiteral("Copy2"), QStringLiteral("&Copy"), &M::btnCopyClick, QStringLiteral("Ctrl+C"));
    Paste2 = addAction(PopupMenu1, QStringLiteral("Paste2"), QStringLiteral("&Paste"), &M::btnPasteClick, QStringLiteral("Ctrl+V"));
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N1"));
    SelectAll2 = addAction(PopupMenu1, QStringLiteral("SelectAll2"), QStringLiteral("Select All"), &M::SelectAll2Click, QStringLiteral("Ctrl+A"));
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N27"));
    Delete2 = addAction(PopupMenu1, QStringLiteral("Delete2"), QStringLiteral("Clear Selection"), &M::Delete2Click, QStringLiteral("Ctrl+D"));
    DeleteAll1 = addAction(PopupMenu1, QStringLiteral("DeleteAll1"), QStringLiteral("Clear All"), &M::DeleteAll1Click);
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N2"));
    ExportDocumentAs1 = addAction(PopupMenu1, QStringLiteral("ExportDocumentAs1"), QStringLiteral("Export Document As..."), &M::SaveAs1Click);
    QMenu *pageView = popup->addOwnerDrawMenu(QStringLiteral("Page View"));
    pageView->setObjectName(QStringLiteral("extView1"));
    KeepTextEyeLevel121 = addAction(pageView, QStringLiteral("KeepTextEyeLevel121"), QStringLiteral("Keep Text Eye Level - 1/2"), &M::KeepTextEyeLevel121Click);
    KeepTextEyeLevel1 = addAction(pageView, QStringLiteral("KeepTextEyeLevel1"), QStringLiteral("Keep Text Eye Level - 1/3"), &M::KeepTextEyeLevel1Click);
    pageView->addSeparator()->setObjectName(QStringLiteral("N3"));
    ShowScrollBar1 = addAction(pageView, QStringLiteral("ShowScrollBar1"), QStringLiteral("Hide ScrollBar"), &M::ShowScrollBar1Click);
    ShowToolbar1 = addAction(pageView, QStringLiteral("ShowToolbar1"), QStringLiteral("Hide Toolbar"), &M::ShowToolbar1Click);
    for (QAction *a : {KeepTextEyeLevel121, KeepTextEyeLevel1, ShowScrollBar1, ShowToolbar1})
        a->setCheckable(true);
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N4"));
    Exit1 = addAction(PopupMenu1, QStringLiteral("Exit1"), QStringLiteral("Exit"), &M::btnCloseClick, QStringLiteral("Alt+F4"));

    auto *para = new TOwnerDrawMenu(this);
    ParaPopUp = para;
    ParaPopUp->setObjectName(QStringLiteral("ParaPopUp"));
    NormalLineSpacing1 = addAction(ParaPopUp, QStringLiteral("NormalLineSpacing1"), QStringLiteral("Single Line Spacing"), &M::NormalLineSpacing1Click);
    N15LineSpacing1 = addAction(ParaPopUp, QStringLiteral("N15LineSpacing1"), QStringLiteral("1.5 Line Spacing"), &M::N15LineSpacing1Click);
    DoubleLineSpacing1 = addAction(ParaPopUp, QStringLiteral("DoubleLineSpacing1"), QStringLiteral("Double Line Spacing"), &M::DoubleLineSpacing1Click);
    ParaPopUp->addSeparator()->setObjectName(QStringLiteral("N75"));
    Heading01 = addAction(ParaPopUp, QStringLiteral("Heading01"), QStringLiteral("Heading 1 - Bold / Size 16"), &M::Heading01Click);
    Heading11 = addAction(ParaPopUp, QStringLiteral("Heading11"), QStringLiteral("Heading 2 - Bold / Italic / Size 14"), &M::Heading11Click);
    Heading31 = addAction(ParaPopUp, QStringLiteral("Heading31"), QStringLiteral("Heading 3 - Bold / Size 13"), &M::Heading31Click);
    NormalDefaultText1 = addAction(ParaPopUp, QStringLiteral("NormalDefaultText1"), QStringLiteral("Normal Default Text"), &M::NormalDefaultText1Click);
    ParaPopUp->addSeparator()->setObjectName(QStringLiteral("N28"));
    QMenu *track = para->addOwnerDrawMenu(QStringLiteral("Track Changes"));
    track->setObjectName(QStringLiteral("rackChanges1"));
    Charformat21 = addAction(track, QStringLiteral("Charformat21"), QStringLiteral("Mark as Revised Text"), &M::Charformat21Click);
    EndRevisedText1 = addAction(track, QStringLiteral("EndRevisedText1"), QStringLiteral("End Revised Text"), &M::EndRevisedText1Click);
    track->addSeparator()->setObjectName(QStringLiteral("N54"));
    Reset1 = addAction(track, QStringLiteral("Reset1"), QStringLiteral("Accept Changes Made"), &M::Reset1Click);
    RejectRevisedText1 = addAction(track, QStringLiteral("RejectRevisedText1"), QStringLiteral("Reject Selected Changes"), &M::RejectRevisedText1Click);
    RejectRevisedText1->setStatusTip(QStringLiteral("Deletes the selected text that was revised."));
    ParaPopUp->addSeparator()->setObjectName(QStringLiteral("N60"));
    LeftToRighttext1 = addAction(ParaPopUp, QStringLiteral("LeftToRighttext1"), QStringLiteral("LTR - Left To Right Text"), &M::LeftToRighttext1Click);
    RightToLeftText1 = addAction(ParaPopUp, QStringLiteral("RightToLeftText1"), QStringLiteral("RTL - Right To Left Text"), &M::RightToLeftText1Click);
    btnParagraphAttributes->setMenu(ParaPopUp);
    // The menu held the mouse while it was open, so the button never heard the pointer leave:
    // once the menu has closed, a button the pointer is no longer over drops its raised look.
    connect(ParaPopUp, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, btnParagraphAttributes, [b = btnParagraphAttributes] {
            if (b->rect().contains(b->mapFromGlobal(QCursor::pos())))
                return;
            b->setAttribute(Qt::WA_UnderMouse, false);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(b, &leave);
            b->update();
        });
    });

    // The hidden main menu: no menu bar is shown, its items exist for their shortcuts.
    auto hidden = [this](const QString &name, const QString &caption, void (M::*handler)(),
                         const QKeySequence &key) {
        QAction *a = addAction(nullptr, name, caption, handler);
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        QWidget::addAction(a);
        return a;
    };
    New1 = hidden(QStringLiteral("New1"), QStringLiteral("New"), &M::btnNewDocClick, QKeySequence(Qt::CTRL | Qt::Key_N));
    Open1 = hidden(QStringLiteral("Open1"), QStringLiteral("Open"), &M::btnOpenDocClick, QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveAs1 = hidden(QStringLiteral("SaveAs1"), QStringLiteral("Save As..."), &M::SaveAs1Click, {});
    Save1 = hidden(QStringLiteral("Save1"), QStringLiteral("Save"), &M::btnSaveDocClick, QKeySequence(Qt::CTRL | Qt::Key_S));
    PrintPreview1 = hidden(QStringLiteral("PrintPreview1"), QStringLiteral("Print Preview"), &M::btnPrintPreviewClick, QKeySequence(Qt::CTRL | Qt::Key_P));
    DocumentHistory1 = hidden(QStringLiteral("DocumentHistory1"), QStringLiteral("Document History"), &M::btnDocHistoryClick, QKeySequence(Qt::CTRL | Qt::Key_H));
    Close1 = hidden(QStringLiteral("Close1"), QStringLiteral("Exit"), &M::btnCloseClick, {});
    Bold1 = hidden(QStringLiteral("Bold1"), QStringLiteral("Bold"), &M::Bold1Click, QKeySequence(Qt::CTRL | Qt::Key_B));
    Italic1 = hidden(QStringLiteral("Italic1"), QStringLiteral("Italic"), &M::Italic1Click, QKeySequence(Qt::CTRL | Qt::Key_I));
    UnderLine1 = hidden(QStringLiteral("UnderLine1"), QStringLiteral("UnderLine"), &M::UnderLine1Click, QKeySequence(Qt::CTRL | Qt::Key_U));
    bullets1 = hidden(QStringLiteral("bullets1"), QStringLiteral("bullets"), &M::bullets1Click, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B));
    Help1 = hidden(QStringLiteral("Help1"), QStringLiteral("Help"), &M::SpeedButton1Click, QKeySequence(Qt::Key_F1));
    for (QAction *a : {Bold1, Italic1, UnderLine1, bullets1})
        a->setCheckable(true);
    setupOwnerDrawnMenus();
}

// ---- layout -------------------------------------------------------------------------------

QRect TfrmMainEditor::clientRect() const
{
    const int top = 1 + (CoolBar1->isVisibleTo(const_cast<TfrmMainEditor *>(this)) ? 40 : 0) + 25;
    const int bottom = height() - 1 - 19;
    return QRect(1 + 155, top, width() - 2 - 155 - 150, qMax(0, bottom - top));
}

void TfrmMainEditor::setContainerColour(std::uint32_t colour)
{
    // Through the style sheet, which draws the container (a palette colour alone gives way to
    // the style sheet's own background when the container is polished again).
    const QColor c = bgr(colour);
    dxContainer1->setStyleSheet(
        QStringLiteral("#dxContainer1 { border: 1px solid #E2E2E2; background-color: %1; }").arg(c.name()));
    QPalette pal = dxContainer1->palette();
    pal.setColor(QPalette::Window, c);
    dxContainer1->setPalette(pal);
}

void TfrmMainEditor::layoutControls()
{
    dxContainer1->setGeometry(0, 0, width(), height());
    const int inner = width() - 2;
    int y = 1;
    if (CoolBar1->isVisibleTo(this)) {
        CoolBar1->setGeometry(1, y, inner, 40);
        ToolBar1->setGeometry(qMax(0, ToolBar1->property("indent").toInt()), 0, inner, 40);
        y += 40;
    }
    Panel1->setGeometry(1, y, inner, 25);
    y += 25;
    const int bottom = height() - 1 - 19;
    StatusBar1->setGeometry(1, bottom, inner, 19);
    Panel2->setGeometry(1, y, 155, qMax(0, bottom - y));
    Panel3->setGeometry(width() - 1 - 150, y, 150, qMax(0, bottom - y));
    // The clock keeps its place above the panel's bottom, where the activation put it, so a
    // shorter window does not lose it below the status bar.
    RxClock1->move(RxClock1->x(), qMax(0, Panel3->height() - 35));
    if (m_editorAligned)
        Editor->setGeometry(clientRect());
}

void TfrmMainEditor::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
    FormResize();
}

QMargins TfrmMainEditor::windowFrame() const
{
    // Asked of the window itself each time: the widget keeps the frame it saw first, which
    // may be from before the window manager framed the window.
    const QWindow *window = windowHandle();
    if (!isVisible() || !window)
        return kDesignedFrame;
    const QMargins frame = window->frameMargins();
    return frame.isNull() ? kDesignedFrame : frame;
}

int TfrmMainEditor::formWidth() const
{
    const QMargins frame = windowFrame();
    return width() + frame.left() + frame.right();
}

void TfrmMainEditor::fitToWorkArea()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The outer left edge and width as they were placed, measured with the frame they were
    // placed for; the inner area is then fitted with the frame the window has now.
    const int outerLeft = geometry().left() - m_placedFrame.left();
    const int outerWidth = width() + m_placedFrame.left() + m_placedFrame.right();
    m_placedFrame = windowFrame();
    m_fitted = true;
    setGeometry(placement::fullHeightInnerRect(screen->availableGeometry(), m_placedFrame,
                                               outerLeft, outerWidth));
}

void TfrmMainEditor::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    refitForFrame();
}

// The window manager frames the window after it is shown, and may leave the inner area where
// it was (no move to hear of): once the real frame is known, the window is fitted to the
// work area again by that frame. The frame is looked for on moves and for two seconds after
// each activation.
void TfrmMainEditor::refitForFrame()
{
    if (m_fitted && m_placedFrame != windowFrame())
        fitToWorkArea();
}

void TfrmMainEditor::watchFrame()
{
    if (!m_frameWatch) {
        m_frameWatch = new QTimer(this);
        m_frameWatch->setInterval(100);
        connect(m_frameWatch, &QTimer::timeout, this, [this] {
            refitForFrame();
            if (++m_frameChecks >= 20)
                m_frameWatch->stop();
        });
    }
    m_frameChecks = 0;
    m_frameWatch->start();
}

void TfrmMainEditor::FormResize()
{
    const int formWidth = this->formWidth();
    ToolBar1->setProperty("indent", (formWidth - 1025) / 2);
    if (CoolBar1->isVisibleTo(this))
        ToolBar1->setGeometry(qMax(0, (formWidth - 1025) / 2), 0, width() - 2, 40);
    if (!m_editorAligned)
        Editor->resize(eyeLevelEditorWidth(), Editor->height());
}

int TfrmMainEditor::eyeLevelEditorWidth() const
{
    return formWidth() - 155 - 150 - 10; // the side panels and the window's frame
}

// ---- form events --------------------------------------------------------------------------

void TfrmMainEditor::FormCreate()
{
    DocumentFileName = QStringLiteral("Untitled Document");
    Editor->setTypographyOptions(richedit::TO_ADVANCEDTYPOGRAPHY);
    SetModifiedState(false);
    updateUndoButtons(); // nothing to undo yet
}

void TfrmMainEditor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown || m_headless)
        return;
    m_shown = true;
    runHandler([this] { FormShow(m_arguments); });
    runHandler([this] { FormActivate(); });
    // Unsaved work of an instance that did not end normally is offered once the window is up.
    if (Recovery)
        QMetaObject::invokeMethod(Recovery, &DocumentRecovery::offerOrphans, Qt::QueuedConnection);
}

void TfrmMainEditor::FormShow(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return;
    const QFileInfo first(arguments.first());
    if (first.exists() && first.isFile())
        LoadDocument(arguments.first());
}

void TfrmMainEditor::FormActivate()
{
    fitToWorkArea();
    watchFrame();
    RxClock1->move(RxClock1->x(), Panel3->height() - 35);
    LoadSettings();
    Editor->ParagraphFormat.setAlignment(TParaAlignment::taJustify);
    Editor->setTypographyOptions(richedit::TO_ADVANCEDTYPOGRAPHY);
    shell::pumpEvents();
    EditorSelectionChange();
    Editor->ForgetUndoHistory();
    updateUndoButtons();
    UpdateStatusBar();
    Editor->setDocumentModified(false);
    SetModifiedState(false);
    Editor->setFocus();
}

void TfrmMainEditor::FormReactivate()
{
    RxClock1->move(RxClock1->x(), Panel3->height() - 35);
    LoadSettings();
    Editor->setTypographyOptions(richedit::TO_ADVANCEDTYPOGRAPHY);
    shell::pumpEvents();
    EditorSelectionChange();
    UpdateStatusBar();
    Editor->setFocus();
}

void TfrmMainEditor::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    bool close = true;
    try {
        close = FormClose();
    } catch (const EAbort &) {
        close = false;
    } catch (const std::exception &e) {
        showErrorBox(exceptionMessage(e));
        close = false;
    }
    if (close) {
        m_closing = true;
        event->accept();
    } else {
        event->ignore();
    }
}

bool TfrmMainEditor::FormClose()
{
    if (Editor->DocumentModified())
        QuerySaveChanges(); // Cancel throws the silent abort: the close is abandoned
    if (Editor->DocumentModified())
        return true; // answered No: close at once, no fade
    try {
        shell::pumpEvents();
        shell::fadeOut(this, 600);
        shell::pumpEvents();
    } catch (...) {
    }
    return true;
}

void TfrmMainEditor::FormDestroy()
{
    SaveSettings();
}

void TfrmMainEditor::SetModifiedState(bool flag)
{
    StatusBar1->setPanelText(5, flag ? QStringLiteral("Modified") : QString());
    Editor->setDocumentModified(flag);
    emit modifiedStateSet(flag);
}

void TfrmMainEditor::EditorSelectionChange()
{
    const TParaAlignment a = Editor->ParagraphFormat.Alignment();
    btnCenterAlign->setChecked(a == TParaAlignment::taCenter);
    btnAlignJustify->setChecked(a == TParaAlignment::taJustify);
    // A headless job's window is never seen: its status bar would only cost a layout of the
    // whole document on every selection change (jobs that report statistics update it).
    if (!(m_headless && !isVisible()))
        UpdateStatusBar();
}

void TfrmMainEditor::EditorChange()
{
    SetModifiedState(Editor->DocumentModified());
    updateUndoButtons();
}

void TfrmMainEditor::updateUndoButtons()
{
    btnUndo->setEnabled(Editor->CanUndoStep());
    btnRedo->setEnabled(Editor->CanRedoStep());
}

void TfrmMainEditor::EditorMouseDown(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        // Over a misspelled word the menu starts with the spelling choices.
        if (Spelling)
            Spelling->preparePopup(PopupMenu1,
                                   Editor->cursorForPosition(event->position().toPoint()).position());
        PopupMenu1->popup(event->globalPosition().toPoint());
    }
}

void TfrmMainEditor::btnCloseClick()
{
    close();
}

QString TfrmMainEditor::fileNamePart(const QString &path)
{
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

QString TfrmMainEditor::extensionOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = qMax(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    if (dot < 0 || dot < slash)
        return QString();
    return fileName.mid(dot);
}
