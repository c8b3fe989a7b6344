#include "Profile.h"

#include "text/CodePage.h"

#include <QFile>
#include <QFileInfo>
#include "files/SafeFile.h"

namespace profile {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

// The line without its terminator ("\r\n", "\n" or a lone "\r").
QByteArray lineContent(const QByteArray &raw)
{
    qsizetype n = raw.size();
    if (n > 0 && raw[n - 1] == '\n')
        --n;
    if (n > 0 && raw[n - 1] == '\r')
        --n;
    return raw.left(n);
}

QByteArray lineTerminator(const QByteArray &raw)
{
    return raw.mid(lineContent(raw).size());
}

// A value must stay on its line: a line break inside it would forge further keys.
QString singleLine(const QString &value)
{
    QString out = value;
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

int digitValue(QChar c, int base)
{
    int v = -1;
    if (c >= u'0' && c <= u'9')
        v = c.unicode() - u'0';
    else if (c >= u'a' && c <= u'f')
        v = c.unicode() - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        v = c.unicode() - u'A' + 10;
    return v < base ? v : -1;
}

} // namespace

int parseInteger(QStringView text, int defaultValue)
{
    QString s = text.toString();
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X'))
        s = u'$' + s.mid(2);

    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    }
    if (i == s.size())
        return defaultValue;

    quint64 magnitude = 0;
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    for (; i < s.size(); ++i) {
        const int d = digitValue(s[i], base);
        if (d < 0)
            return defaultValue;
        magnitude = magnitude * base + quint64(d);
        if (magnitude > limit)
            return defaultValue;
    }
    // Hexadecimal covers all 32 bits and wraps into the signed range ($FFFFFFFF is -1).
    const quint32 bits = quint32(magnitude);
    const qint64 value = base == 16 ? qint64(qint32(bits)) : qint64(magnitude);
    return int(negative ? -value : value);
}

Profile::Profile(const QString &path)
    : m_path(path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        parse(file.readAll());
    else
        m_unreadable = file.exists();
}

Profile::Profile(const QString &path, const QByteArray &contents)
    : m_path(path)
{
    parse(contents);
}

void Profile::parse(const QByteArray &bytesIn)
{
    QByteArray bytes = bytesIn;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_bom = bytes.left(3);
        bytes.remove(0, 3);
    }
    m_utf8 = text::isValidUtf8(bytes.constData(), bytes.size());

    const qsizetype firstBreak = bytes.indexOf('\n');
    if (firstBreak >= 0)
        m_newline = (firstBreak > 0 && bytes[firstBreak - 1] == '\r') ? "\r\n" : "\n";

    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        Line line;
        line.raw = bytes.mid(start, end - start);
        classify(line);
        m_lines.append(line);
        start = end;
    }
}

QString Profile::decode(const QByteArray &bytes) const
{
    return m_utf8 ? QString::fromUtf8(bytes) : text::decode(bytes, 1252);
}

QByteArray Profile::encode(const QString &text) const
{
    return m_utf8 ? text.toUtf8() : text::encode(text, 1252);
}

void Profile::classify(Line &line) const
{
    const QString content = decode(lineContent(line.raw));
    const QStringView trimmed = trimBlanks(content);
    line.kind = LineKind::Other;
    line.name.clear();
    line.value.clear();
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        const QStringView inner = close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1);
        line.kind = LineKind::Section;
        line.name = trimBlanks(inner).toString();
        return;
    }
    if (trimmed.startsWith(u';'))
        return; // comment
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0)
        return;
    line.kind = LineKind::Key;
    line.name = trimBlanks(trimmed.left(eq)).toString();
    QStringView value = trimBlanks(trimmed.mid(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    line.value = value.toString();
}

int Profile::findSection(QStringView section) const
{
    const QStringView wanted = trimBlanks(section);
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.kind == LineKind::Section
            && QStringView(line.name).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Profile::sectionEnd(int sectionLine) const
{
    int i = sectionLine + 1;
    while (i < m_lines.size() && m_lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

int Profile::findKey(int sectionLine, QStringView key) const
{
    const QStringView wanted = trimBlanks(key);
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i) {
        const Line &line = m_lines[i];
        if (line.kind == LineKind::Key
            && QStringView(line.name).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool Profile::hasKey(QStringView section, QStringView key) const
{
    const int s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QString Profile::readString(QStringView section, QStringView key,
                            const QString &defaultValue) const
{
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0)
        return defaultValue.left(MaxStringLength);
    return m_lines[k].value.left(MaxStringLength);
}

int Profile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0)
        return defaultValue;
    return parseInteger(QStringView(m_lines[k].value).left(MaxStringLength), defaultValue);
}

bool Profile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void Profile::writeString(QStringView section, QStringView key, const QString &valueIn)
{
    const QByteArray value = encode(singleLine(valueIn));
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k >= 0) {
        // Keep everything up to the equals sign byte for byte, replace only the value.
        Line &line = m_lines[k];
        const QByteArray content = lineContent(line.raw);
        line.raw = content.left(content.indexOf('=') + 1) + value + lineTerminator(line.raw);
        classify(line);
        return;
    }

    auto terminateLast = [this](int index) {
        if (index >= 0 && lineTerminator(m_lines[index].raw).isEmpty())
            m_lines[index].raw += m_newline;
    };
    Line line;
    line.raw = encode(trimBlanks(key).toString()) + '=' + value + m_newline;
    classify(line);

    if (s >= 0) {
        // After the section's last key, so blank lines before the next section stay there.
        int insertAt = s + 1;
        const int end = sectionEnd(s);
        for (int i = s + 1; i < end; ++i) {
            if (m_lines[i].kind == LineKind::Key)
                insertAt = i + 1;
        }
        terminateLast(insertAt - 1);
        m_lines.insert(insertAt, line);
        return;
    }

    terminateLast(int(m_lines.size()) - 1);
    if (!m_lines.isEmpty()) {
        Line blank;
        blank.raw = m_newline;
        m_lines.append(blank);
    }
    Line header;
    header.raw = '[' + encode(trimBlanks(section).toString()) + ']' + m_newline;
    classify(header);
    m_lines.append(header);
    m_lines.append(line);
}

void Profile::writeInteger(QStringView section, QStringView key, int value)
{
    writeString(section, key, QString::number(value));
}

void Profile::writeBool(QStringView section, QStringView key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray Profile::contents() const
{
    QByteArray out = m_bom;
    for (const Line &line : m_lines)
        out += line.raw;
    return out;
}

SaveResult Profile::save() const
{
    // Only a regular file is ever replaced: renaming over a device or a folder would destroy it.
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        return {SaveError::Open, QStringLiteral("Not a regular file")};
    // Saving over a file whose contents could not be read would lose them.
    if (m_unreadable)
        return {SaveError::Open, QStringLiteral("The existing file could not be read")};

    // Every write, the flush and the sync are checked before the rename (a full disk keeps
    // the old file).
    files::SafeSaveFile file(m_path);
    if (!file.open())
        return {SaveError::Open, file.errorString()};
    const QByteArray bytes = contents();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {SaveError::Write, reason};
    }
    if (!file.commit()) {
        const SaveError error = file.failed() || file.error() == QFileDevice::WriteError
            ? SaveError::Write : SaveError::Commit;
        return {error, file.errorString()};
    }
    return {};
}

} // namespace profile
