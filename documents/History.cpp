#include "documents/History.h"

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Main.h"
#include "dialogs/Dialogs.h"
#include "documents/HistoryIcons.h"
#include "documents/HistoryList.h"
#include "editor/PaintGradient.h"
#include "shell/Shell.h"
#include "widgets/RbPanel.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QWindow>

namespace {

THistoryForm *g_history = nullptr;

constexpr int kRowHeight = 35;

QColor bgr(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

void inform(const QString &text) { dialogs::current().information(applicationTitle(), text); }

// Rows of 35 pixels, each painted by the window's ListBox1DrawItem.
class HistoryItemDelegate : public QStyledItemDelegate {
public:
    HistoryItemDelegate(THistoryForm *form) : QStyledItemDelegate(form), m_form(form) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        m_form->ListBox1DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected);
        if (option.state & QStyle::State_HasFocus) { // the current item's focus rectangle
            painter->setPen(QPen(Qt::gray, 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return QSize(option.rect.width(), kRowHeight);
    }

private:
    THistoryForm *m_form;
};

} // namespace

THistoryForm *HistoryForm() { return g_history; }

void AddHistoryEntry(const QString &fileName)
{
    if (g_history)
        g_history->AddHistoryEntry(fileName);
}

void THistoryListBox::keyPressEvent(QKeyEvent *event)
{
    if (OnKeyDown && OnKeyDown(event))
        return;
    QListWidget::keyPressEvent(event);
}

THistoryForm::THistoryForm(TfrmMainEditor *mainWindow, const QString &historyPath, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_main(mainWindow),
      m_path(historyPath.isEmpty() ? history::historyFilePath() : historyPath)
{
    g_history = this;
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(QStringLiteral("Document History"));
    setModal(true);
    createControls();
    setEntries(history::readHistoryFile(m_path, &m_fileRead));
}

THistoryForm::~THistoryForm()
{
    if (g_history == this)
        g_history = nullptr;
}

QPushButton *THistoryForm::addButton(const QString &name, const QString &caption, const QString &hint,
                                     int x, int width, int glyph, void (THistoryForm::*handler)())
{
    auto *b = new QPushButton(caption, RbPanel2);
    b->setObjectName(name);
    b->setGeometry(x, 10, width, 25);
    b->setAutoDefault(false);
    b->setIcon(history::buttonGlyph(history::Glyph(glyph)));
    b->setIconSize(QSize(16, 16));
    b->setCursor(Qt::PointingHandCursor);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    b->setFont(f);
    // A hint "|text" has an empty short part: no tooltip, the long part for a status line.
    b->setToolTip(QString());
    b->setStatusTip(hint.section(QLatin1Char('|'), 1));
    b->setStyleSheet(QStringLiteral(
        "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #E6E6E6);"
        " border: 1px solid #4E8A2A; border-radius: 6px; padding: 0 2px; color: black; }"
        "QPushButton:hover { background: #FFF6D8; }"
        "QPushButton:pressed { background: #F3D98B; }"));
    connect(b, &QPushButton::clicked, this, [this, handler] { runHandler([this, handler] { (this->*handler)(); }); });
    return b;
}

void THistoryForm::createControls()
{
    setFixedSize(688, 462);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, bgr(0x00DEEBEF));
    setPalette(pal);
    ImageList1 = history::fileKindIcons();

    RbPanel1 = new TRbPanel(this);
    RbPanel1->setObjectName(QStringLiteral("RbPanel1"));
    RbPanel1->setGeometry(0, 0, 688, 45);
    RbPanel1->setTwoWayGradient(bgr(0x00D08410), bgr(0x00FFB871));
    RbPanel1->setBorder(Qt::gray, 1);
    RbPanel1->setCaption(QStringLiteral("Document History"));
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(24);
    title.setBold(true);
    RbPanel1->setFont(title);
    QPalette tp = RbPanel1->palette();
    tp.setColor(QPalette::WindowText, Qt::white);
    RbPanel1->setPalette(tp);
    RbPanel1->setCursor(Qt::SizeAllCursor);
    connect(RbPanel1, &TRbPanel::mousePressed, this, [this](QMouseEvent *e) { RbPanel1MouseDown(e); });
    RbPanel1->installEventFilter(this);

    RbPanel3 = new TRbPanel(this);
    RbPanel3->setObjectName(QStringLiteral("RbPanel3"));
    RbPanel3->setGeometry(0, 45, 688, 462 - 90);
    RbPanel3->setFill(Qt::white);
    RbPanel3->setBorder(QColor(0xC0, 0xC0, 0xC0), 7);
    RbPanel3->setCornerRadius(40);

    ListBox1 = new THistoryListBox(RbPanel3);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(13, 12, 662, 349);
    ListBox1->setFrameShape(QFrame::NoFrame);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new HistoryItemDelegate(this));
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont lf(QStringLiteral("Arial"));
    lf.setPixelSize(16);
    ListBox1->setFont(lf);
    QPalette lp = ListBox1->palette();
    lp.setColor(QPalette::Base, Qt::white);
    lp.setColor(QPalette::Text, Qt::black);
    ListBox1->setPalette(lp);
    ListBox1->OnKeyDown = [this](QKeyEvent *e) {
        bool handled = false;
        runHandler([&] { ListBox1KeyDown(e, handled); });
        return handled;
    };
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { runHandler([this] { btnOpenClick(); }); });

    RbPanel2 = new TRbPanel(this);
    RbPanel2->setObjectName(QStringLiteral("RbPanel2"));
    RbPanel2->setGeometry(0, 462 - 45, 688, 45);
    RbPanel2->setTwoWayGradient(bgr(0x00009F00), bgr(0x0052C703));

    using H = THistoryForm;
    using history::Glyph;
    RbButton1 = addButton(QStringLiteral("RbButton1"), QStringLiteral(" Clear List"), QStringLiteral("|Clear All"), 13, 75, int(Glyph::Clear), &H::dxButton1Click);
    btnRemove = addButton(QStringLiteral("btnRemove"), QStringLiteral(" Remove From List"), QStringLiteral("|Remove Selected Document"), 105, 136, int(Glyph::Remove), &H::btnRemoveClick);
    btnSearch = addButton(QStringLiteral("btnSearch"), QStringLiteral("Search"), QString(), 328, 75, int(Glyph::Search), &H::btnSearchClick);
    btnOpen = addButton(QStringLiteral("btnOpen"), QStringLiteral("  Open"), QStringLiteral("|Open Document"), 504, 75, int(Glyph::Open), &H::btnOpenClick);
    btnClose = addButton(QStringLiteral("btnClose"), QStringLiteral("  Close"), QStringLiteral("|Close"), 596, 75, int(Glyph::Close), &H::btnCloseClick);
}

void THistoryForm::runHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const EAbort &) {
        // A cancelled command ends without a word.
    } catch (const std::exception &e) {
        showErrorBox(exceptionMessage(e));
    }
}

// ---- the list -----------------------------------------------------------------------------

QStringList THistoryForm::entries() const
{
    QStringList out;
    for (int i = 0; i < ListBox1->count(); ++i)
        out << ListBox1->item(i)->text();
    return out;
}

void THistoryForm::setEntries(const QStringList &entries)
{
    ListBox1->clear();
    ListBox1->addItems(entries);
}

QList<int> THistoryForm::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : ListBox1->selectionModel()->selectedIndexes())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void THistoryForm::setCurrentRow(int row)
{
    ListBox1->selectionModel()->setCurrentIndex(ListBox1->model()->index(row, 0),
                                                QItemSelectionModel::NoUpdate);
}

void THistoryForm::AddHistoryEntry(const QString &fileName)
{
    const int current = ListBox1->currentRow();
    ListBox1->insertItem(0, fileName);
    setCurrentRow(history::currentAfterInsert(current));
}

void THistoryForm::MoveEntryToTop()
{
    setEntries(history::withEntryOnTop(entries(), selectedRows()));
    setCurrentRow(0);
}

// ---- showing and the buttons ----------------------------------------------------------------

void THistoryForm::showEvent(QShowEvent *event)
{
    if (QWidget *host = parentWidget() ? parentWidget()->window() : static_cast<QWidget *>(m_main))
        move(host->frameGeometry().center() - rect().center());
    QDialog::showEvent(event);
    runHandler([this] { FormShow(); });
}

void THistoryForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // The window it was shown over becomes active again, as after any modal window.
    if (QWidget *host = parentWidget() ? parentWidget()->window() : static_cast<QWidget *>(m_main))
        host->activateWindow();
}

void THistoryForm::FormShow()
{
    if (m_firstShow && m_fileRead && ListBox1->count() > 0)
        ListBox1->item(0)->setSelected(true);
    m_firstShow = false;
    if (ListBox1->count() > 0 && ListBox1->currentRow() >= 0)
        ListBox1->currentItem()->setSelected(true);
    ListBox1->setFocus();
}

void THistoryForm::btnOpenClick()
{
    if (m_main && m_main->Editor->DocumentModified())
        m_main->QuerySaveChanges(); // Cancel ends the command here; the window stays open
    const QList<int> rows = selectedRows();
    if (rows.size() != 1) {
        inform(QStringLiteral("Please select only one document to open."));
        return;
    }
    const QString path = ListBox1->item(rows.first())->text();
    if (!QFileInfo(path).isFile()) {
        inform(QStringLiteral("Document does not exist or has been moved."));
        return;
    }
    MoveEntryToTop();
    hide();
    shell::pumpEvents();
    try {
        shell::pumpEvents();
        if (m_main) {
            m_main->LoadDocument(path);
            shell::pumpEvents();
            m_main->UpdateStatusBar();
            m_main->Editor->setDocumentModified(false);
            m_main->SetModifiedState(false);
        }
    } catch (...) {
        inform(QStringLiteral("Document does not exist or has been moved."));
    }
    btnCloseClick();
}

void THistoryForm::ListBox1KeyDown(QKeyEvent *event, bool &handled)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return;
    handled = true;
    if (ListBox1->currentRow() < 0)
        inform(QStringLiteral("Please make a selection first."));
    else
        btnOpenClick();
}

void THistoryForm::btnRemoveClick()
{
    if (dialogs::current().confirm(applicationTitle(), QStringLiteral("Remove Selected Document(s)?"),
                                   dialogs::Buttons::YesNo) == dialogs::Answer::Yes) {
        const QList<int> rows = selectedRows();
        for (auto it = rows.crbegin(); it != rows.crend(); ++it)
            delete ListBox1->takeItem(*it);
    }
    if (ListBox1->count() > 0 && ListBox1->currentRow() >= 0)
        ListBox1->currentItem()->setSelected(true);
    ListBox1->setFocus();
}

void THistoryForm::dxButton1Click()
{
    if (dialogs::current().confirm(applicationTitle(), QStringLiteral("Clear All of List?"),
                                   dialogs::Buttons::YesNo) == dialogs::Answer::Yes)
        ListBox1->clear();
    ListBox1->setFocus();
}

void THistoryForm::btnCloseClick()
{
    if (isVisible())
        done(QDialog::Accepted);
    else
        setResult(QDialog::Accepted);
}

void THistoryForm::btnSearchClick()
{
    QString text = QStringLiteral("Document Name");
    if (!dialogs::current().inputQuery(QStringLiteral("Search for a Document"),
                                       QStringLiteral("Enter a document name to search for:"), text))
        return;
    if (text.isEmpty()) {
        inform(QStringLiteral("Please enter a valid document name to search for."));
        return;
    }
    const int found = history::findDocument(entries(), text);
    if (found < 0)
        return;
    if (QListWidgetItem *current = ListBox1->currentItem())
        current->setSelected(false);
    setCurrentRow(found);
    ListBox1->item(found)->setSelected(true);
    ListBox1->setFocus();
}

// ---- drawing and dragging -------------------------------------------------------------------

void THistoryForm::ListBox1DrawItem(QPainter &painter, int index, const QRect &rect, bool selected)
{
    if (selected) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect), 2.5, 2.5); // corner ellipses of 5 × 5
        painter.setClipPath(clip);
        PaintGradient(painter, rect, {bgr(0x00DDF5FF), bgr(0x00DDF5FF), bgr(0x005ED2FF)}, false);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(bgr(0x00C5C5C5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -1.5, -1.5), 2.5, 2.5);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setClipping(false);
    } else {
        painter.fillRect(rect, Qt::white);
    }
    painter.setPen(Qt::black);
    const QString path = ListBox1->item(index)->text();
    QPixmap icon = ImageList1.value(history::iconIndex(path));
    icon.setMask(icon.createMaskFromColor(Qt::white)); // white is the transparent colour
    painter.drawPixmap(rect.left() + 2, rect.top() + 1, icon);
    painter.setFont(ListBox1->font());
    const QFontMetrics fm(ListBox1->font());
    const QRect textRect(rect.left() + 40, rect.top() + 8, rect.right() - rect.left() - 40, rect.height() - 8);
    const QString shown = history::shortenPath(path, textRect.width(),
                                               [&fm](const QString &s) { return fm.horizontalAdvance(s); });
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
}

void THistoryForm::RbPanel1MouseDown(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The window system moves the window when it can; elsewhere it follows the mouse.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

bool THistoryForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RbPanel1 && m_dragging) {
        if (event->type() == QEvent::MouseMove)
            move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_dragOffset);
        else if (event->type() == QEvent::MouseButtonRelease)
            m_dragging = false;
    }
    return QDialog::eventFilter(watched, event);
}

void THistoryForm::FormDestroy()
{
    const history::SaveResult result = history::saveHistoryFile(entries(), m_path);
    if (!result.ok)
        throw EScrivelleError(result.message);
}
