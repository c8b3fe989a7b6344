#include "documents/RecoveryWriter.h"

#include "files/SafeFile.h"

#include <QFile>
#include <QSemaphore>

namespace {

// The copy goes to a temporary file beside path and replaces it only when completely written
// and synced; any failed or short write keeps the previous copy as it was.
QString writeAtomically(const QString &path, const QByteArray &bytes)
{
    files::SafeSaveFile file(path);
    if (!file.open())
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace

RecoveryWriter::RecoveryWriter(QObject *parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("recovery copies"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start(QThread::LowPriority);
}

RecoveryWriter::~RecoveryWriter()
{
    waitForIdle();
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

void RecoveryWriter::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::QueuedConnection);
}

void RecoveryWriter::write(const QString &path, const RecoveryCopy &copy)
{
    const quint64 request = ++m_latest;
    post([this, path, copy, request] {
        if (request != m_latest.load())
            return; // a newer state or a removal is queued behind this one
        const QString problem = writeAtomically(path, encodeRecoveryCopy(copy));
        emit written(path, problem.isEmpty(), problem);
    });
}

void RecoveryWriter::remove(const QString &path)
{
    ++m_latest;
    post([path] { QFile::remove(path); });
}

void RecoveryWriter::waitForIdle()
{
    QSemaphore done;
    post([&done] { done.release(); });
    done.acquire();
}
