#pragma once
// TfrmExport: the small always-on-top window that shows how much of a document an export has
// done. It is created once with the main window as its parent, shown without modality while an
// export runs and closed at its end; closing resets the percentage and hands the activation
// back to the main window.

#include "shell/Shell.h"

#include <QDialog>

#include <optional>

class QLabel;
class QTimer;

// A looping 32 x 32 wait animation: a ring of dots whose bright spot turns while it is shown.
class WaitAnimation : public QWidget
{
    Q_OBJECT

public:
    explicit WaitAnimation(QWidget *parent = nullptr);
    bool isAnimating() const;
    int frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer *m_timer;
    int m_frame = 0;
};

class TfrmExport : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmExport(QWidget *mainWindow = nullptr);

    // The percentage label's text for a position in a document: the truncated share followed
    // by "%". An empty document counts as done.
    static QString progressText(qint64 position, qint64 length);
    // Shows progressText(position, length) in lblProgBar.
    void setProgress(qint64 position, qint64 length);

    WaitAnimation *RxGIFAnimator1;
    QLabel *lblProgBar;
    QLabel *lblStatus;

signals:
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormClose();
};

// The busy state of an export that shows its progress window: the hourglass and the progress
// window (when there is one) from construction; finish() closes the window and restores the
// cursor before the closing message. The window is closed on every way out.
class ExportBusy
{
public:
    explicit ExportBusy(TfrmExport *progress);
    ~ExportBusy();
    ExportBusy(const ExportBusy &) = delete;
    ExportBusy &operator=(const ExportBusy &) = delete;
    void finish();

private:
    void closeProgress();
    TfrmExport *m_progress;
    bool m_progressOpen = false;
    std::optional<shell::HourglassCursor> m_hourglass;
};
