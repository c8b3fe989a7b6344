#pragma once
// Files opened and written so that nothing is lost or left half-done:
// - SafeSaveFile writes beside the target and replaces it only when every write, the final
//   flush and the sync to disk succeeded; any failure keeps the old file byte for byte.
// - openRegularFile opens only regular files for reading: a named pipe, a device or a folder
//   is refused before anything waits on it.

#include <QSaveFile>
#include <QString>

class QFile;

namespace files {

// A QSaveFile that checks what QSaveFile alone does not: QSaveFile::commit() can report success
// after a buffered write ran out of room, renaming a cut file into place. This one writes
// unbuffered, keeps the first failed or short write as a sticky error, and commit() flushes,
// syncs, and renames only when all of that went well; otherwise it cancels and returns false.
class SafeSaveFile : public QSaveFile {
public:
    explicit SafeSaveFile(const QString &name);
    ~SafeSaveFile() override;

    // Opens the temporary file beside the target for writing. Refuses a target that exists but
    // is not a regular file (renaming over a device or a folder would destroy it).
    bool open();
    // True once any write fell short; later writes are refused.
    bool failed() const { return m_failed; }
    // Flushes, syncs and renames over the target. False (and the old file untouched) after any
    // failure, here or in an earlier write.
    bool commit();

protected:
    qint64 writeData(const char *data, qint64 len) override;

private:
    using QSaveFile::open;
    bool m_failed = false;
};

// Opens path read-only when it is a regular file (symbolic links to one are followed). Never
// blocks on a named pipe or a device: the file is opened without waiting and checked before use.
// False when it does not exist, cannot be read or is not a regular file.
bool openRegularFile(QFile &file, const QString &path);

// A name given as raw bytes (a command-line argument) as a QString that names the same file,
// or an empty string when the bytes are not valid in the file-name encoding and would
// therefore name another file once converted.
QString fileNameFromBytes(const QByteArray &bytes);

} // namespace files
