#include "export/PageExport.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int DotCount = 8;
constexpr int FrameMilliseconds = 100;

QFont exportFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(32);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

} // namespace

WaitAnimation::WaitAnimation(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    setFixedSize(32, 32);
    m_timer->setInterval(FrameMilliseconds);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % DotCount;
        update();
    });
}

bool WaitAnimation::isAnimating() const
{
    return m_timer->isActive();
}

void WaitAnimation::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void WaitAnimation::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    QWidget::hideEvent(event);
}

// Eight dots on a circle; the dot of the current frame is darkest and the ones behind it fade.
void WaitAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.translate(16, 16);
    for (int i = 0; i < DotCount; ++i) {
        const int age = (m_frame - i + DotCount) % DotCount;
        const int shade = 60 + age * 170 / DotCount;
        painter.setBrush(QColor(shade, shade, shade));
        painter.save();
        painter.rotate(i * 360.0 / DotCount);
        painter.drawEllipse(QPointF(0, -11), 3.5, 3.5);
        painter.restore();
    }
}

TfrmExport::TfrmExport(QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                              | Qt::WindowStaysOnTopHint)
    , RxGIFAnimator1(new WaitAnimation(this))
    , lblProgBar(new QLabel(QStringLiteral("0%"), this))
    , lblStatus(new QLabel(QStringLiteral("Exporting Data..."), this))
{
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Document Export Status..."));
    setModal(false);
    setFixedSize(306, 125);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    RxGIFAnimator1->setObjectName(QStringLiteral("RxGIFAnimator1"));
    RxGIFAnimator1->move(104, 24);

    lblProgBar->setObjectName(QStringLiteral("lblProgBar"));
    lblProgBar->setFont(exportFont());
    lblProgBar->setGeometry(150, 24, 150, 40);

    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setFont(exportFont());
    lblStatus->setGeometry(24, 72, 257, 36);
    lblStatus->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblStatus->setWordWrap(true);
}

QString TfrmExport::progressText(qint64 position, qint64 length)
{
    const qint64 percent = length <= 0 ? 100 : std::clamp<qint64>(position * 100 / length, 0, 100);
    return QString::number(percent) + QLatin1Char('%');
}

void TfrmExport::setProgress(qint64 position, qint64 length)
{
    lblProgBar->setText(progressText(position, length));
}

// Centred on the main window each time it appears.
void TfrmExport::showEvent(QShowEvent *event)
{
    if (const QWidget *main = parentWidget() ? parentWidget()->window() : nullptr) {
        QRect frame = frameGeometry();
        frame.moveCenter(main->frameGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TfrmExport::closeEvent(QCloseEvent *event)
{
    FormClose();
    QDialog::closeEvent(event);
    if (event->isAccepted()) {
        if (QWidget *main = parentWidget() ? parentWidget()->window() : nullptr)
            main->activateWindow();
        emit closed();
    }
}

// Escape would hide the window behind the running export's back; only close() ends it.
void TfrmExport::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmExport::FormClose()
{
    lblProgBar->setText(QStringLiteral("0%"));
}

ExportBusy::ExportBusy(TfrmExport *progress) : m_progress(progress)
{
    m_hourglass.emplace();
    if (m_progress) {
        m_progress->show();
        m_progressOpen = true;
    }
    shell::pumpEvents();
}

ExportBusy::~ExportBusy()
{
    closeProgress();
}

void ExportBusy::closeProgress()
{
    if (m_progressOpen) {
        m_progressOpen = false;
        m_progress->close();
    }
}

void ExportBusy::finish()
{
    closeProgress();
    m_hourglass.reset();
    shell::pumpEvents();
}
