#pragma once
// One recovery copy: the unsaved document as Rich Text with what is needed to give it back as
// it was (its file name, the selection, when it was taken). On disk a copy is one file: a
// signature line, one line of JSON naming the payload's length and CRC-32, then the RTF bytes.
// Reading checks all three, so a copy cut short by a crash or a full disk is recognised as
// damaged instead of giving back part of a document.

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct RecoveryCopy {
    QString fileName;  // the document's file, empty when it was never saved
    int anchor = 0;    // the selection: where it started and where the caret stood
    int caret = 0;
    QDateTime time;    // when the copy was taken (UTC)
    QString excerpt;   // the first words of the text, to tell untitled copies apart
    QByteArray rtf;    // the whole document as Rich Text, pictures included

    bool operator==(const RecoveryCopy &) const = default;
};

// What reading a copy found.
enum class RecoveryCopyStatus {
    Ok,
    NotACopy,   // no signature: some other file
    BadHeader,  // the description line is missing or unreadable
    Truncated,  // fewer payload bytes than the header names
    Corrupted,  // payload bytes that fail the checksum, or bytes after the payload
};

struct RecoveryCopyRead {
    RecoveryCopyStatus status = RecoveryCopyStatus::Ok;
    RecoveryCopy copy; // valid only when status is Ok
    bool ok() const { return status == RecoveryCopyStatus::Ok; }
};

// The bytes of a copy file.
QByteArray encodeRecoveryCopy(const RecoveryCopy &copy);
// Reads the bytes of a copy file; never returns part of a document.
RecoveryCopyRead decodeRecoveryCopy(const QByteArray &bytes);
// Why a copy could not be read, in words for the user ("it is incomplete").
QString recoveryCopyProblem(RecoveryCopyStatus status);
