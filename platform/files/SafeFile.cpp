#include "SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

SafeSaveFile::SafeSaveFile(const QString &name) : QSaveFile(name) {}

SafeSaveFile::~SafeSaveFile() = default;

bool SafeSaveFile::open()
{
    const QFileInfo info(fileName());
    if (info.exists() && !info.isFile()) {
        setErrorString(QStringLiteral("Not a regular file"));
        return false;
    }
    m_failed = false;
    // Unbuffered: every write reaches the file at once and reports its own failure, instead
    // of a buffer whose flush fails later where QSaveFile does not look.
    return QSaveFile::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 SafeSaveFile::writeData(const char *data, qint64 len)
{
    if (m_failed)
        return -1;
    const qint64 written = QSaveFile::writeData(data, len);
    if (written != len) {
        m_failed = true;
        return -1;
    }
    return written;
}

bool SafeSaveFile::commit()
{
    if (!isOpen())
        return false;
    bool ok = !m_failed && flush();
    // The data must be on the disk before the rename makes it the document: a file system
    // that allocates late reports a full disk only here.
    while (ok && ::fsync(handle()) != 0) {
        if (errno != EINTR && errno != EINVAL && errno != EROFS)
            ok = false;
        else if (errno != EINTR)
            break; // a file that cannot be synced (a special file system): nothing to wait for
    }
    if (!ok) {
        cancelWriting();
        QSaveFile::commit(); // discards the temporary file
        return false;
    }
    return QSaveFile::commit();
}

bool openRegularFile(QFile &file, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

QString fileNameFromBytes(const QByteArray &bytes)
{
    const QString name = QFile::decodeName(bytes);
    return QFile::encodeName(name) == bytes ? name : QString();
}

} // namespace files
