#pragma once
// Writes recovery copies on a thread of its own, so the window never waits for the disk: the
// copy is encoded, written beside its target, synced and renamed into place there. Requests
// run in the order given; a write that a newer request has overtaken is skipped, since only
// the newest state of the document matters.

#include "documents/RecoveryCopy.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>

class RecoveryWriter : public QObject {
    Q_OBJECT
public:
    explicit RecoveryWriter(QObject *parent = nullptr);
    // Finishes what was asked, then stops the thread.
    ~RecoveryWriter() override;

    // Queue a write of copy to path (replaced atomically) or the removal of path.
    void write(const QString &path, const RecoveryCopy &copy);
    void remove(const QString &path);
    // Blocks until every request made so far has been carried out.
    void waitForIdle();

signals:
    // After every write that was carried out: ok, or the reason it failed. Emitted on the
    // writer's thread; connections to window objects are queued.
    void written(const QString &path, bool ok, const QString &problem);

private:
    void post(std::function<void()> task);
    QThread m_thread;
    QObject *m_context = nullptr; // lives on m_thread; requests run as its queued calls
    std::atomic<quint64> m_latest{0};
};
