#include "editor/SpellChecker.h"

#include "files/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBoundaryFinder>
#include <hunspell.hxx>

SpellChecker::SpellChecker() = default;
SpellChecker::~SpellChecker() = default;

QStringList SpellChecker::dictionaryFolders()
{
    QStringList folders;
    const QString extra = qEnvironmentVariable("SCRIVELLE_DICTIONARIES");
    if (!extra.isEmpty())
        folders << extra.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QStringLiteral("/usr/share/hunspell") << QStringLiteral("/usr/share/myspell/dicts");
    return folders;
}

QStringList SpellChecker::availableLanguages()
{
    QStringList languages;
    for (const QString &folder : dictionaryFolders()) {
        const QDir dir(folder);
        for (const QFileInfo &aff : dir.entryInfoList({QStringLiteral("*.aff")}, QDir::Files)) {
            const QString name = aff.completeBaseName();
            if (dir.exists(name + QStringLiteral(".dic")) && !languages.contains(name))
                languages << name;
        }
    }
    languages.sort();
    return languages;
}

QString SpellChecker::localeOfLanguageId(int languageId)
{
    struct Entry {
        int id;
        const char *locale;
    };
    static constexpr Entry kLocales[] = {
        {1026, "bg_BG"}, {1027, "ca_ES"}, {1029, "cs_CZ"}, {1030, "da_DK"}, {1031, "de_DE"},
        {1032, "el_GR"}, {1033, "en_US"}, {1034, "es_ES"}, {1035, "fi_FI"}, {1036, "fr_FR"},
        {1037, "he_IL"}, {1038, "hu_HU"}, {1039, "is_IS"}, {1040, "it_IT"}, {1043, "nl_NL"},
        {1044, "nb_NO"}, {1045, "pl_PL"}, {1046, "pt_BR"}, {1048, "ro_RO"}, {1049, "ru_RU"},
        {1050, "hr_HR"}, {1051, "sk_SK"}, {1053, "sv_SE"}, {1055, "tr_TR"}, {1058, "uk_UA"},
        {1060, "sl_SI"}, {1061, "et_EE"}, {1062, "lv_LV"}, {1063, "lt_LT"}, {1069, "eu_ES"},
        {1110, "gl_ES"}, {2055, "de_CH"}, {2057, "en_GB"}, {2058, "es_MX"}, {2060, "fr_BE"},
        {2067, "nl_BE"}, {2068, "nn_NO"}, {2070, "pt_PT"}, {3079, "de_AT"}, {3081, "en_AU"},
        {3082, "es_ES"}, {3084, "fr_CA"}, {4105, "en_CA"}, {4108, "fr_CH"}, {5129, "en_NZ"},
        {6153, "en_IE"}, {7177, "en_ZA"}, {16393, "en_IN"},
    };
    for (const Entry &e : kLocales) {
        if (e.id == languageId)
            return QString::fromLatin1(e.locale);
    }
    return {};
}

QString SpellChecker::dictionaryFor(int languageId, const QStringList &available)
{
    const QString locale = localeOfLanguageId(languageId);
    if (locale.isEmpty())
        return {};
    if (available.contains(locale))
        return locale;
    const QString language = locale.section(QLatin1Char('_'), 0, 0) + QLatin1Char('_');
    for (const QString &name : available) {
        if (name.startsWith(language))
            return name;
    }
    return {};
}

bool SpellChecker::setLanguage(const QString &language)
{
    if (language == m_language && m_hunspell)
        return true;
    m_hunspell.reset();
    m_language.clear();
    for (const QString &folder : dictionaryFolders()) {
        const QString base = QDir(folder).filePath(language);
        const QFileInfo aff(base + QStringLiteral(".aff")), dic(base + QStringLiteral(".dic"));
        if (!aff.isFile() || !dic.isFile() || !aff.isReadable() || !dic.isReadable())
            continue;
        m_hunspell = std::make_unique<Hunspell>(QFile::encodeName(aff.filePath()).constData(),
                                                QFile::encodeName(dic.filePath()).constData());
        const QString encoding = QString::fromStdString(m_hunspell->get_dict_encoding()).toUpper();
        m_utf8 = !encoding.startsWith(QStringLiteral("ISO8859-1"))
                 && !encoding.startsWith(QStringLiteral("ISO-8859-1"));
        m_language = language;
        for (const QString &word : std::as_const(m_personal))
            m_hunspell->add(encode(word));
        return true;
    }
    return false;
}

std::string SpellChecker::encode(const QString &word) const
{
    return m_utf8 ? word.toStdString() : word.toLatin1().toStdString();
}

QString SpellChecker::decode(const std::string &word) const
{
    return m_utf8 ? QString::fromStdString(word) : QString::fromLatin1(word.data(), qsizetype(word.size()));
}

bool SpellChecker::leftAlone(const QString &word)
{
    if (word.size() < 2)
        return true;
    bool lower = false;
    for (QChar c : word) {
        if (c.isDigit())
            return true;
        lower = lower || c.isLower();
    }
    return !lower; // all capitals: an acronym
}

bool SpellChecker::isCorrect(const QString &word) const
{
    if (!m_hunspell || leftAlone(word) || m_ignored.contains(word))
        return true;
    // Latin-1 dictionaries cannot hold other characters; such words are not judged.
    if (!m_utf8 && QString::fromLatin1(word.toLatin1()) != word)
        return true;
    return m_hunspell->spell(encode(word));
}

QStringList SpellChecker::suggestions(const QString &word, int limit) const
{
    QStringList out;
    if (!m_hunspell)
        return out;
    for (const std::string &s : m_hunspell->suggest(encode(word))) {
        if (out.size() >= limit)
            break;
        out << decode(s);
    }
    return out;
}

void SpellChecker::ignoreAll(const QString &word)
{
    m_ignored.insert(word);
}

void SpellChecker::setPersonalListPath(const QString &path)
{
    m_personalPath = path;
    m_personal.clear();
    QFile file;
    // Only a regular file is read: a named pipe at that name would wait for a writer.
    if (files::openRegularFile(file, path)) {
        // A list of a few thousand words at most; anything bigger is not ours.
        const QByteArray bytes = file.read(4 * 1024 * 1024);
        for (const QString &line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
            const QString word = line.trimmed();
            if (!word.isEmpty() && !m_personal.contains(word))
                m_personal << word;
        }
    }
    if (m_hunspell) {
        const QString language = m_language;
        m_language.clear();
        setLanguage(language); // a fresh dictionary with the list's words
    }
}

bool SpellChecker::addToDictionary(const QString &word, QString *error)
{
    const QString clean = word.trimmed();
    if (clean.isEmpty() || clean.contains(QLatin1Char('\n')))
        return false;
    if (!m_personal.contains(clean)) {
        QStringList list = m_personal;
        list << clean;
        if (!m_personalPath.isEmpty()) {
            // Synced before it replaces the old list; any failure keeps that list as it was.
            files::SafeSaveFile file(m_personalPath);
            const QByteArray bytes = list.join(QLatin1Char('\n')).toUtf8() + '\n';
            const bool ok = file.open() && file.write(bytes) == bytes.size() && file.commit();
            if (!ok) {
                if (error)
                    *error = QStringLiteral("Unable to write to %1").arg(m_personalPath);
                return false;
            }
        }
        m_personal = list;
    }
    if (m_hunspell)
        m_hunspell->add(encode(clean));
    return true;
}

void SpellChecker::acceptWord(const QString &word)
{
    const QString clean = word.trimmed();
    if (clean.isEmpty())
        return;
    if (!m_personal.contains(clean))
        m_personal << clean;
    if (m_hunspell)
        m_hunspell->add(encode(clean));
}

QList<WordSpan> SpellChecker::words(const QString &text)
{
    QList<WordSpan> spans;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    while (start >= 0 && start < text.size()) {
        const qsizetype end = finder.toNextBoundary();
        if (end < 0)
            break;
        if (finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem) {
            int s = int(start), e = int(end);
            // Quotes round a word are not part of it.
            while (s < e && (text[s] == QLatin1Char('\'') || text[s] == QChar(0x2019)))
                ++s;
            while (e > s && (text[e - 1] == QLatin1Char('\'') || text[e - 1] == QChar(0x2019)))
                --e;
            bool letter = false;
            for (int i = s; i < e && !letter; ++i)
                letter = text[i].isLetter();
            if (letter)
                spans << WordSpan{s, e - s};
        }
        start = end;
    }
    return spans;
}

QList<WordSpan> SpellChecker::misspelled(const QString &text) const
{
    QList<WordSpan> out;
    if (!m_hunspell)
        return out;
    for (const WordSpan &w : words(text))
        if (!isCorrect(text.mid(w.start, w.length)))
            out << w;
    return out;
}
