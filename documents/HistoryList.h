#pragma once
// The document history list without a window: the history file's format, the file-kind icon of
// an entry, the search by file name, how the current item follows an insertion, and the path
// shortened to fit a row. The history window applies these to its list box.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace history {

// WrdFileList.dat beside the program (or in the user's configuration folder, as the settings).
QString historyFilePath();

// The entries of the file's bytes: lines broken at CR, LF or CR LF, an empty line being an empty
// entry; a break at the very end starts no further entry; a zero byte ends the text. Bytes are
// UTF-8 (the system's code page here) or, when they are not valid UTF-8, Windows-1252.
QStringList parseEntries(const QByteArray &bytes);
// The file's bytes for the entries: every one followed by CR LF, in UTF-8.
QByteArray formatEntries(const QStringList &entries);

// The entries of the history file; a file that is missing or cannot be read gives none, and
// *read (when given) tells whether it was read.
QStringList readHistoryFile(const QString &path, bool *read = nullptr);

// The outcome of writing the file; message is the user's text "Cannot create file <path>".
struct SaveResult {
    bool ok = true;
    QString message;
};
// Replaces the file with the entries, atomically: on any failure the previous file stays as it
// was. Only a regular file is ever replaced.
SaveResult saveHistoryFile(const QStringList &entries, const QString &path);

// The index of the file-kind icon for a path, by its extension compared with letter case:
// ".txt" 0; ".pas", ".cpp", ".h", ".sql" 1; ".rtf" 2; ".doc" 3; ".htm", ".html", ".xml" 4;
// ".rtc" 6; anything else 1.
int iconIndex(const QString &path);

// Only the ASCII letters A to Z lowered; every other character kept.
QString asciiLower(const QString &text);
// The first entry whose file name (the folders left out) holds text, letter case of A to Z
// ignored; -1 when none does.
int findDocument(const QStringList &entries, const QString &text);

// The current item after a path went in at the top of a list whose current item was current
// (-1 for none): the same entry, one row further down, or the new first entry when there was none.
int currentAfterInsert(int current);

// The entries after the selected one moved to the top: its path inserted first, then every
// selected row (counted before the insertion) removed.
QStringList withEntryOnTop(const QStringList &entries, const QList<int> &selectedRows);

// path made to fit width by replacing the middle of its folder part with "...", keeping the
// start of the path and the whole file name; width measures a text. A path that fits is kept;
// when not even ".../name" fits, that is what is returned.
QString shortenPath(const QString &path, int width, const std::function<int(const QString &)> &measure);

} // namespace history
