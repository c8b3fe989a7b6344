#include "documents/HistoryList.h"

#include "files/SafeFile.h"
#include "shell/ConfigPath.h"
#include "text/CodePage.h"

#include <QFile>
#include <QFileInfo>

namespace history {

namespace {

qsizetype nameStart(const QString &path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
}

} // namespace

QString historyFilePath()
{
    return shell::configFilePath(QStringLiteral("WrdFileList.dat"));
}

QStringList parseEntries(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QString text = text::decodePlainText(nul < 0 ? bytes : bytes.left(nul));
    QStringList entries;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        entries << text.mid(start, end - start);
        if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n && text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return entries;
}

QByteArray formatEntries(const QStringList &entries)
{
    QByteArray out;
    for (const QString &entry : entries)
        out += entry.toUtf8() + "\r\n";
    return out;
}

QStringList readHistoryFile(const QString &path, bool *read)
{
    QFile file(path);
    const bool ok = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
    if (read)
        *read = ok;
    return ok ? parseEntries(file.readAll()) : QStringList();
}

SaveResult saveHistoryFile(const QStringList &entries, const QString &path)
{
    const SaveResult failed{false, QStringLiteral("Cannot create file %1").arg(path)};
    // Written beside the list and synced before it replaces it: a full disk, a crash or a
    // target that is not a regular file keeps the previous list as it was.
    files::SafeSaveFile file(path);
    if (!file.open())
        return failed;
    const QByteArray bytes = formatEntries(entries);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return failed;
    return {};
}

int iconIndex(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart(path))
        return 1;
    const QString ext = path.mid(dot);
    static const QList<std::pair<QString, int>> table{
        {QStringLiteral(".txt"), 0},  {QStringLiteral(".pas"), 1}, {QStringLiteral(".cpp"), 1},
        {QStringLiteral(".h"), 1},    {QStringLiteral(".sql"), 1}, {QStringLiteral(".rtf"), 2},
        {QStringLiteral(".doc"), 3},  {QStringLiteral(".htm"), 4}, {QStringLiteral(".html"), 4},
        {QStringLiteral(".xml"), 4},  {QStringLiteral(".rtc"), 6}};
    for (const auto &[known, index] : table)
        if (ext == known)
            return index;
    return 1;
}

QString asciiLower(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return out;
}

int findDocument(const QStringList &entries, const QString &text)
{
    const QString wanted = asciiLower(text);
    for (int i = 0; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        if (asciiLower(entry.mid(nameStart(entry))).contains(wanted))
            return i;
    }
    return -1;
}

int currentAfterInsert(int current)
{
    return current < 0 ? 0 : current + 1;
}

QStringList withEntryOnTop(const QStringList &entries, const QList<int> &selectedRows)
{
    if (selectedRows.isEmpty())
        return entries;
    QStringList out{entries.value(selectedRows.first())};
    for (int i = 0; i < entries.size(); ++i)
        if (!selectedRows.contains(i))
            out << entries[i];
    return out;
}

QString shortenPath(const QString &path, int width, const std::function<int(const QString &)> &measure)
{
    if (measure(path) <= width)
        return path;
    const qsizetype start = nameStart(path);
    const QString ellipsis = QStringLiteral("...");
    const QString tail = start > 0 ? path.mid(start - 1) : path; // separator and file name
    // The longest start of the folder part that fits before the ellipsis and the name (the
    // width grows with the length kept, so a binary search finds it).
    qsizetype fits = 0;
    for (qsizetype lo = 1, hi = start - 1; lo <= hi;) {
        const qsizetype mid = (lo + hi) / 2;
        if (measure(path.left(mid) + ellipsis + tail) <= width) {
            fits = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (fits > 0)
        return path.left(fits) + ellipsis + tail;
    return ellipsis + tail;
}

} // namespace history
