#pragma once
// INI (profile) files with the semantics of the Windows private-profile functions: sections
// and keys found case-insensitively with their inner blanks, values trimmed, integers in
// decimal or hexadecimal ("0x" or "$"), keys and sections created when missing and every other
// byte of the file kept as it was. Saving goes through QSaveFile, so a failed write never
// leaves a half-written file behind.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace profile {

// Longest string a read returns: the 2048-character buffer of the classic call, less the
// terminating zero.
constexpr int MaxStringLength = 2047;

// Integer rules of the profile reader: "0x"/"0X" followed by at least one character and "$"
// introduce hexadecimal (up to 32 bits, wrapping into the signed range), anything else is
// decimal with an optional sign (32-bit range). Whatever is not a valid integer gives
// defaultValue.
int parseInteger(QStringView text, int defaultValue);

enum class SaveError {
    None,
    Open,   // the file (or its temporary twin) could not be created
    Write,  // writing the bytes failed (disk full, I/O error)
    Commit, // the finished file could not replace the old one
};

struct SaveResult {
    SaveError error = SaveError::None;
    QString reason; // the system's explanation, empty on success
    bool ok() const { return error == SaveError::None; }
};

// One profile file held in memory. Reads never fail: a missing or unreadable file reads as
// empty (an unreadable one is then never saved over). Writes change the memory copy; save()
// puts it on disk.
class Profile {
public:
    explicit Profile(const QString &path);
    // A profile with the given bytes as its contents, saved to path (the file is not read).
    Profile(const QString &path, const QByteArray &contents);

    QString path() const { return m_path; }
    QByteArray contents() const;

    // The value of section/key, trimmed of blanks and of one pair of enclosing quotes, cut to
    // MaxStringLength characters; defaultValue when the key is missing. A present but empty
    // value reads as the empty string.
    QString readString(QStringView section, QStringView key, const QString &defaultValue) const;
    int readInteger(QStringView section, QStringView key, int defaultValue) const;
    // Read as an integer: any value other than 0 is true.
    bool readBool(QStringView section, QStringView key, bool defaultValue) const;
    bool hasKey(QStringView section, QStringView key) const;

    // Replaces the value of an existing key in place (the key keeps its spelling in the file),
    // or adds the key at the end of its section, or adds the section at the end of the file.
    void writeString(QStringView section, QStringView key, const QString &value);
    void writeInteger(QStringView section, QStringView key, int value);
    void writeBool(QStringView section, QStringView key, bool value);

    // Writes the whole file atomically. The memory copy stays as it is either way.
    SaveResult save() const;

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        QByteArray raw; // the line as in the file, terminator included
        LineKind kind = LineKind::Other;
        QString name;   // section name or key name, trimmed
        QString value;  // key value, trimmed and unquoted
    };

    void parse(const QByteArray &bytes);
    void classify(Line &line) const;
    QString decode(const QByteArray &bytes) const;
    QByteArray encode(const QString &text) const;
    int findSection(QStringView section) const;
    int findKey(int sectionLine, QStringView key) const;
    int sectionEnd(int sectionLine) const;

    QString m_path;
    QList<Line> m_lines;
    QByteArray m_bom;              // a UTF-8 byte-order mark the file started with
    QByteArray m_newline = "\r\n"; // the file's own line terminator, for lines we add
    bool m_utf8 = true;            // the file reads as UTF-8 (else Windows-1252)
    bool m_unreadable = false;     // the file exists but could not be read: never overwrite it
};

} // namespace profile
