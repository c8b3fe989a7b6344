#pragma once
// SpellChecker: Hunspell dictionaries for the editor's spell checking. It finds the installed
// dictionaries (".aff" and ".dic" pairs), checks and suggests words in one language at a time,
// keeps the words the user chose to ignore for this session and the personal word list, a
// UTF-8 file with one word a line that is read at start and written whenever a word is added.

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class Hunspell;

// A word of a paragraph's text: its first character and length.
struct WordSpan {
    int start = 0;
    int length = 0;
    bool operator==(const WordSpan &) const = default;
};

class SpellChecker {
public:
    SpellChecker();
    ~SpellChecker();
    SpellChecker(const SpellChecker &) = delete;
    SpellChecker &operator=(const SpellChecker &) = delete;

    // Folders searched for dictionaries: those of SCRIVELLE_DICTIONARIES (separated by ":"),
    // then /usr/share/hunspell and /usr/share/myspell/dicts.
    static QStringList dictionaryFolders();
    // Languages with an installed dictionary ("en_US", ...), sorted.
    static QStringList availableLanguages();
    // The locale name ("fr_FR") of a Windows language identifier as RTF's \lang gives it;
    // empty for none, "no proofing" (1024) and identifiers not known here.
    static QString localeOfLanguageId(int languageId);
    // Among `available` dictionaries, the one for a language identifier: the same locale, else
    // one of the same language ("fr_CA" for "fr_FR"); empty when there is none.
    static QString dictionaryFor(int languageId, const QStringList &available);

    // Loads the dictionary of `language`; false (keeping none) when it is not installed or
    // cannot be read. The personal words are added to it.
    bool setLanguage(const QString &language);
    QString language() const { return m_language; }
    bool isReady() const { return m_hunspell != nullptr; }

    // True for words the dictionary, the personal list or the ignore list accepts, and for
    // words the checker leaves alone (with digits, all capitals, a single letter).
    bool isCorrect(const QString &word) const;
    QStringList suggestions(const QString &word, int limit = 6) const;

    void ignoreAll(const QString &word);
    // Takes a word into the loaded dictionary and the personal words known, without writing
    // the list (another checker of the same list has written it).
    void acceptWord(const QString &word);
    // Adds the word to the personal list file and the loaded dictionary. Returns false with
    // `error` set ("Unable to write to <path>") when the file cannot be written.
    bool addToDictionary(const QString &word, QString *error = nullptr);

    // The personal word list file; reading it replaces the words known so far.
    void setPersonalListPath(const QString &path);
    QString personalListPath() const { return m_personalPath; }
    QStringList personalWords() const { return m_personal; }

    // The words of a paragraph: runs of letters (with inner apostrophes and hyphens kept
    // apart), as Unicode word boundaries give them.
    static QList<WordSpan> words(const QString &text);
    // The misspelled words of a paragraph.
    QList<WordSpan> misspelled(const QString &text) const;

private:
    std::string encode(const QString &word) const;
    QString decode(const std::string &word) const;
    static bool leftAlone(const QString &word);

    std::unique_ptr<Hunspell> m_hunspell;
    QString m_language;
    bool m_utf8 = true;
    QSet<QString> m_ignored;
    QStringList m_personal;
    QString m_personalPath;
};
