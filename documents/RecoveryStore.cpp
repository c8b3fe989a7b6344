#include "documents/RecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

namespace {

const QString kCopySuffix = QStringLiteral(".recovery");
const QString kLockSuffix = QStringLiteral(".lock");

// A lock that only a running process holds: never stale by age, only when its owner is gone.
std::unique_ptr<QLockFile> tryLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

RecoveryStore::RecoveryStore(QString folder) : m_folder(std::move(folder)) {}

RecoveryStore::~RecoveryStore() = default;

QString RecoveryStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QStringLiteral("/recovery");
}

QString RecoveryStore::lockPathOf(const QString &id) const
{
    return QDir(m_folder).filePath(id + kLockSuffix);
}

QString RecoveryStore::ownCopyPath() const
{
    return m_id.isEmpty() ? QString() : QDir(m_folder).filePath(m_id + kCopySuffix);
}

bool RecoveryStore::open()
{
    if (m_lock)
        return true;
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("the folder %1 cannot be created").arg(m_folder);
        return false;
    }
    // A fresh name per run: the process id tells a person whose it is, the random part keeps
    // a reused process id from meeting an old copy.
    for (int attempt = 0; attempt < 8 && !m_lock; ++attempt) {
        const QString id = QStringLiteral("%1-%2")
                               .arg(QCoreApplication::applicationPid())
                               .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (QFile::exists(QDir(m_folder).filePath(id + kCopySuffix)))
            continue;
        if (auto lock = tryLock(lockPathOf(id))) {
            m_lock = std::move(lock);
            m_id = id;
        }
    }
    if (!m_lock) {
        m_error = QStringLiteral("no lock file can be made in %1").arg(m_folder);
        return false;
    }
    m_error.clear();
    return true;
}

std::vector<RecoveryStore::Orphan> RecoveryStore::claimOrphans()
{
    std::vector<Orphan> orphans;
    const QDir dir(m_folder);
    const QFileInfoList copies = dir.entryInfoList({QLatin1Char('*') + kCopySuffix},
                                                   QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo &copy : copies) {
        const QString id = copy.completeBaseName();
        if (id == m_id)
            continue;
        if (auto lock = tryLock(lockPathOf(id)))
            orphans.push_back({id, copy.filePath(), std::move(lock)});
    }
    // Lock files of instances that ended with nothing to recover.
    for (const QFileInfo &lockFile : dir.entryInfoList({QLatin1Char('*') + kLockSuffix}, QDir::Files)) {
        const QString id = lockFile.completeBaseName();
        if (id == m_id || QFile::exists(dir.filePath(id + kCopySuffix)))
            continue;
        if (auto lock = tryLock(lockFile.filePath()))
            lock->unlock();
    }
    return orphans;
}

bool RecoveryStore::discard(Orphan &orphan)
{
    const bool removed = QFile::remove(orphan.path) || !QFile::exists(orphan.path);
    if (removed)
        release(orphan);
    return removed;
}

QString RecoveryStore::keepAside(Orphan &orphan)
{
    QString target = orphan.path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = orphan.path + QStringLiteral(".damaged-%1").arg(n);
    if (!QFile::rename(orphan.path, target))
        return QString();
    release(orphan);
    return target;
}

bool RecoveryStore::adopt(Orphan &orphan)
{
    if (!open())
        return false;
    // rename() replaces an existing copy of ours in one step.
    if (std::rename(QFile::encodeName(orphan.path).constData(),
                    QFile::encodeName(ownCopyPath()).constData())
        != 0)
        return false;
    release(orphan);
    return true;
}

void RecoveryStore::release(Orphan &orphan)
{
    if (orphan.lock)
        orphan.lock->unlock();
    orphan.lock.reset();
}
