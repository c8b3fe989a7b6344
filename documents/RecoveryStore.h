#pragma once
// The folder of recovery copies. Every running instance holds a lock file of its own
// ("<id>.lock") for as long as it runs and keeps at most one copy ("<id>.recovery") beside it.
// A copy whose lock nobody holds belongs to an instance that ended without cleaning up (a
// crash, a kill, a power cut): an orphan. Claiming an orphan takes its lock, so two instances
// starting together never offer the same copy, and a running instance's copy is never taken.
// Copies that cannot be read are renamed aside ("<id>.recovery.damaged"), never deleted.

#include <QLockFile>
#include <QString>
#include <memory>
#include <vector>

class RecoveryStore {
public:
    // One claimed orphan: its copy file, held under its lock until released.
    struct Orphan {
        QString id;
        QString path;
        std::unique_ptr<QLockFile> lock;
    };

    explicit RecoveryStore(QString folder);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    // The folder where the program keeps its copies: the user's data folder + "/recovery".
    static QString defaultFolder();

    const QString &folder() const { return m_folder; }
    // Creates the folder and takes this instance's lock; false (and error() says why) when
    // either fails. Safe to call again once it has succeeded.
    bool open();
    bool isOpen() const { return m_lock != nullptr; }
    QString error() const { return m_error; }
    // This instance's copy ("<id>.recovery"); empty before open().
    QString ownCopyPath() const;

    // Claims the copies of instances that are no longer running, oldest first by file time.
    // Lock files left without a copy are cleared on the way.
    std::vector<Orphan> claimOrphans();
    // Deletes the orphan's copy and lets its lock go; false when the copy could not be removed.
    bool discard(Orphan &orphan);
    // Renames the orphan's copy to "<id>.recovery.damaged" (or "...damaged-2" and so on when
    // taken) and lets its lock go; returns the new path, or empty when the rename failed.
    QString keepAside(Orphan &orphan);
    // Makes the orphan's copy this instance's own (a restored document goes on being kept
    // safe under this instance's lock) and lets its lock go; false when the rename failed.
    bool adopt(Orphan &orphan);
    // Lets the orphan's lock go and leaves its copy for the next start.
    static void release(Orphan &orphan);

private:
    QString lockPathOf(const QString &id) const;
    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
    QString m_error;
};
