// SpellChecker with the installed en_US dictionary and a tiny dictionary of our own: words of
// a paragraph, what is left alone, suggestions, the ignore list, and the personal word list
// that persists and fails cleanly when it cannot be written (a full disk, a name that is not a
// regular file).
#include <QtTest>

#include "editor/SpellChecker.h"

#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QStringList wordsOf(const QString &text)
{
    QStringList out;
    for (const WordSpan &w : SpellChecker::words(text))
        out << text.mid(w.start, w.length);
    return out;
}
} // namespace

class TestSpellChecker : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // A dictionary of our own, found through the extra folder.
        QDir().mkpath(m_dir.filePath(QStringLiteral("dicts")));
        QFile aff(m_dir.filePath(QStringLiteral("dicts/xx_TINY.aff")));
        QVERIFY(aff.open(QIODevice::WriteOnly));
        aff.write("SET UTF-8\n");
        aff.close();
        QFile dic(m_dir.filePath(QStringLiteral("dicts/xx_TINY.dic")));
        QVERIFY(dic.open(QIODevice::WriteOnly));
        dic.write("2\nfoo\nbär\n");
        dic.close();
        qputenv("SCRIVELLE_DICTIONARIES", m_dir.filePath(QStringLiteral("dicts")).toLocal8Bit());
    }

    void installedDictionariesAreFound()
    {
        const QStringList languages = SpellChecker::availableLanguages();
        QVERIFY2(languages.contains(QStringLiteral("en_US")), qPrintable(languages.join(' ')));
        QVERIFY(languages.contains(QStringLiteral("xx_TINY")));
        SpellChecker checker;
        QVERIFY(!checker.setLanguage(QStringLiteral("zz_NONE")));
        QVERIFY(!checker.isReady());
        QVERIFY(checker.misspelled(QStringLiteral("anything at all")).isEmpty());
        QVERIFY(checker.setLanguage(QStringLiteral("xx_TINY")));
        QVERIFY(checker.isCorrect(QStringLiteral("foo")));
        QVERIFY(checker.isCorrect(QStringLiteral("bär")));
        QVERIFY(!checker.isCorrect(QStringLiteral("hello")));
    }

    void dictionaryOfALanguage_data()
    {
        QTest::addColumn<int>("languageId");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("chosen");
        const QStringList both{QStringLiteral("en_US"), QStringLiteral("fr_FR")};
        QTest::newRow("exact") << 1036 << both << QStringLiteral("fr_FR");
        QTest::newRow("English") << 1033 << both << QStringLiteral("en_US");
        QTest::newRow("same language, other country") << 3084 << both << QStringLiteral("fr_FR");
        QTest::newRow("British to American") << 2057 << both << QStringLiteral("en_US");
        QTest::newRow("not installed") << 1031 << both << QString();
        QTest::newRow("no proofing") << 1024 << both << QString();
        QTest::newRow("none") << 0 << both << QString();
        QTest::newRow("unknown identifier") << 99999 << both << QString();
    }
    void dictionaryOfALanguage()
    {
        QFETCH(int, languageId);
        QFETCH(QStringList, installed);
        QFETCH(QString, chosen);
        QCOMPARE(SpellChecker::dictionaryFor(languageId, installed), chosen);
    }

    void wordsOfAParagraph()
    {
        QCOMPARE(wordsOf(QStringLiteral("Don't stop-gap, 'quoted' 42 café\u2019s end.")),
                 (QStringList{"Don't", "stop", "gap", "quoted", "café\u2019s", "end"}));
        QCOMPARE(wordsOf(QString()), QStringList());
        QCOMPARE(wordsOf(QStringLiteral("  ...  ")), QStringList());
        const QList<WordSpan> spans = SpellChecker::words(QStringLiteral("ab  cd"));
        QCOMPARE(spans, (QList<WordSpan>{{0, 2}, {4, 2}}));
    }

    void checksAndSuggestsInEnglish()
    {
        SpellChecker checker;
        QVERIFY(checker.setLanguage(QStringLiteral("en_US")));
        QVERIFY(checker.isCorrect(QStringLiteral("hello")));
        QVERIFY(checker.isCorrect(QStringLiteral("Hello")));
        QVERIFY(!checker.isCorrect(QStringLiteral("helo")));
        QVERIFY(checker.suggestions(QStringLiteral("helo")).contains(QStringLiteral("hello")));
        QVERIFY(checker.suggestions(QStringLiteral("helo"), 2).size() <= 2);
        // Left alone: acronyms, words with digits, single letters.
        for (const char *word : {"NASA", "abc123", "x"})
            QVERIFY(checker.isCorrect(QString::fromLatin1(word)));
        const QString text = QStringLiteral("This is a tset of teh checker.");
        QStringList wrong;
        for (const WordSpan &w : checker.misspelled(text))
            wrong << text.mid(w.start, w.length);
        QCOMPARE(wrong, (QStringList{"tset", "teh"}));
        checker.ignoreAll(QStringLiteral("tset"));
        QVERIFY(checker.isCorrect(QStringLiteral("tset")));
        QVERIFY(!checker.isCorrect(QStringLiteral("teh")));
    }

    void personalWordsPersist()
    {
        const QString path = m_dir.filePath(QStringLiteral("PersonalWords.dic"));
        {
            SpellChecker checker;
            checker.setPersonalListPath(path);
            QVERIFY(checker.setLanguage(QStringLiteral("en_US")));
            QVERIFY(!checker.isCorrect(QStringLiteral("Scrivelle")));
            QVERIFY(checker.addToDictionary(QStringLiteral("Scrivelle")));
            QVERIFY(checker.addToDictionary(QStringLiteral("Scrivelle"))); // once in the file
            QVERIFY(checker.isCorrect(QStringLiteral("Scrivelle")));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Scrivelle\n"));
        // A new run: the list read first, the dictionary loaded after, or the other way round.
        SpellChecker later;
        QVERIFY(later.setLanguage(QStringLiteral("en_US")));
        later.setPersonalListPath(path);
        QVERIFY(later.isCorrect(QStringLiteral("Scrivelle")));
        QVERIFY(!later.isCorrect(QStringLiteral("Scrivele")));
    }

    void anUnwritableListFailsAndKeepsNothing()
    {
        // The list's folder would have to be a regular file: the write cannot happen.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString path = blocker + QStringLiteral("/PersonalWords.dic");
        SpellChecker checker;
        checker.setPersonalListPath(path);
        QVERIFY(checker.setLanguage(QStringLiteral("en_US")));
        QString error;
        QVERIFY(!checker.addToDictionary(QStringLiteral("Zyxwv"), &error));
        QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(path));
        QVERIFY(!checker.isCorrect(QStringLiteral("Zyxwv")));
        QVERIFY(checker.personalWords().isEmpty());
    }

    void aNamedPipeIsNeitherReadNorReplaced()
    {
        // Given a named pipe where the list should be: reading it would wait for a writer.
        const QString path = m_dir.filePath(QStringLiteral("pipe.dic"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        SpellChecker checker;
        checker.setPersonalListPath(path); // returns at once
        QVERIFY(checker.personalWords().isEmpty());
        QString error;
        QVERIFY(!checker.addToDictionary(QStringLiteral("Zyxwv"), &error));
        QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(path));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    void aFullDiskKeepsTheOldList()
    {
        if (geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        const QString mnt = m_dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(mnt));
        if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mnt}) != 0)
            QSKIP("this system does not allow mounting a file system");
        struct Unmount {
            QString mnt;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {mnt}); }
        } unmount{mnt};
        // Given a list of 24 kB and only a few kB of room left beside it.
        const QString path = mnt + QStringLiteral("/PersonalWords.dic");
        QByteArray old;
        for (int i = 0; i < 2000; ++i)
            old += QByteArray("word") + QByteArray::number(100000 + i) + '\n';
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), old.size());
        }
        QFile filler(mnt + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        filler.resize(qMax<qint64>(0, filler.size() - 8 * 1024)); // 8 kB of room
        SpellChecker checker;
        checker.setPersonalListPath(path);
        QCOMPARE(checker.personalWords().size(), 2000);
        // When a word is added, the new list does not fit.
        QString error;
        QVERIFY(!checker.addToDictionary(QStringLiteral("Zyxwv"), &error));
        // Then the failure is reported and the old list is on disk as it was, with no leftovers.
        QCOMPARE(error, QStringLiteral("Unable to write to %1").arg(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), old);
        QCOMPARE(checker.personalWords().size(), 2000);
        QCOMPARE(QDir(mnt).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

QTEST_MAIN(TestSpellChecker)
#include "tst_spellchecker.moc"
