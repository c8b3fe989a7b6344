// Profile (INI) files: value forms, lookup rules, in-place edits and failed saves.
#include <QtTest>

#include "profile/Profile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("test.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot prepare %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void integerForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        const int def = -77;
        QTest::newRow("decimal") << "255" << 255;
        QTest::newRow("negative") << "-12" << -12;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("0x hex") << "0x0000FF" << 255;
        QTest::newRow("0X hex") << "0XfF" << 255;
        QTest::newRow("dollar hex") << "$F4DEB9" << 0xF4DEB9;
        QTest::newRow("negative dollar") << "-$10" << -16;
        QTest::newRow("hex wraps") << "$FFFFFFFF" << -1;
        QTest::newRow("hex too wide") << "$100000000" << def;
        QTest::newRow("bare 0x") << "0x" << def;
        QTest::newRow("bare dollar") << "$" << def;
        QTest::newRow("word") << "blue" << def;
        QTest::newRow("trailing junk") << "12px" << def;
        QTest::newRow("empty") << "" << def;
        QTest::newRow("int max") << "2147483647" << 2147483647;
        QTest::newRow("int min") << "-2147483648" << int(-2147483648LL);
        QTest::newRow("overflow") << "2147483648" << def;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("0x then junk") << "0xZZ" << def;
        QTest::newRow("leading blank") << " 5" << 5;
    }
    void integerForms()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(profile::parseInteger(text, -77), expected);
    }

    void lookup_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray f = "[Page View]\r\nEditor Colour = 0x0000FF \r\nEmpty=\r\n"
                             "Quoted=\"  a b  \"\r\n[ Font Name ]\nName=Arial\n;Name=comment\n"
                             "[Font Name]\r\nName=second section ignored\r\n";
        QTest::newRow("exact") << f << "Page View" << "Editor Colour" << "0x0000FF";
        QTest::newRow("case-insensitive") << f << "page view" << "EDITOR COLOUR" << "0x0000FF";
        QTest::newRow("blanks around names") << f << "Font Name" << "Name" << "Arial";
        QTest::newRow("inner blank matters") << f << "PageView" << "Editor Colour" << "default";
        QTest::newRow("empty value") << f << "Page View" << "Empty" << "";
        QTest::newRow("quotes stripped") << f << "Page View" << "Quoted" << "  a b  ";
        QTest::newRow("missing key") << f << "Page View" << "ToolBar" << "default";
        QTest::newRow("missing section") << f << "Print Margins" << "TopSize" << "default";
        QTest::newRow("key of another section") << f << "Font Name" << "Empty" << "default";
        QTest::newRow("no newline at end") << QByteArray("[S]\nK=v") << "S" << "K" << "v";
        QTest::newRow("utf8") << QByteArray("[S]\nK=caf\xC3\xA9\n") << "S" << "K"
                              << QStringLiteral("caf\u00E9");
        QTest::newRow("cp1252") << QByteArray("[S]\nK=caf\xE9\n") << "S" << "K"
                                << QStringLiteral("caf\u00E9");
        QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF[S]\nK=v\n") << "S" << "K" << "v";
    }
    void lookup()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const profile::Profile p(writeFile(dir, file));
        QCOMPARE(p.readString(section, key, QStringLiteral("default")), expected);
    }

    void stringsAreCutAt2047()
    {
        QTemporaryDir dir;
        const QByteArray longValue(5000, 'x');
        const profile::Profile p(writeFile(dir, "[S]\nK=" + longValue + "\n"));
        QCOMPARE(p.readString(u"S", u"K", {}).size(), profile::MaxStringLength);
    }

    void missingOrUnreadableFileReadsEmpty()
    {
        QTemporaryDir dir;
        const profile::Profile missing(dir.filePath(QStringLiteral("none.ini")));
        QCOMPARE(missing.readInteger(u"S", u"K", 9), 9);
        const profile::Profile folder(dir.path());
        QCOMPARE(folder.readString(u"S", u"K", QStringLiteral("d")), QStringLiteral("d"));
    }

    // Given a file with comments, odd lines and foreign keys, when keys are written,
    // then only the touched values change and new keys land at the end of their section.
    void writesPreserveEverythingElse_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const QByteArray base = "; settings\r\n[Font Name]\r\n  name =  Arial  \r\nOther=1\r\n"
                                "\r\n[Page View]\r\nGarbage line\r\nToolBar=0\r\n";
        QTest::newRow("replace keeps key spelling")
            << base << "FONT NAME" << "Name" << "Courier New"
            << QByteArray("; settings\r\n[Font Name]\r\n  name =Courier New\r\nOther=1\r\n"
                          "\r\n[Page View]\r\nGarbage line\r\nToolBar=0\r\n");
        QTest::newRow("new key after the last key of its section")
            << base << "Font Name" << "Size" << "12"
            << QByteArray("; settings\r\n[Font Name]\r\n  name =  Arial  \r\nOther=1\r\nSize=12\r\n"
                          "\r\n[Page View]\r\nGarbage line\r\nToolBar=0\r\n");
        QTest::newRow("new section at the end")
            << base << "Print Margins" << "TopSize" << "15"
            << base + "\r\n[Print Margins]\r\nTopSize=15\r\n";
        QTest::newRow("unterminated last line")
            << QByteArray("[S]\nA=1") << "S" << "B" << "2" << QByteArray("[S]\nA=1\nB=2\n");
        QTest::newRow("unterminated last line, new section")
            << QByteArray("[S]\nA=1") << "T" << "B" << "2"
            << QByteArray("[S]\nA=1\n\n[T]\nB=2\n");
        QTest::newRow("empty file")
            << QByteArray() << "S" << "K" << "v" << QByteArray("[S]\r\nK=v\r\n");
        QTest::newRow("line breaks in values are flattened")
            << QByteArray("[S]\n") << "S" << "K" << "a\r\n[Evil]\nX=1"
            << QByteArray("[S]\nK=a  [Evil] X=1\n");
        QTest::newRow("section without keys")
            << QByteArray("[S]\n\n[T]\n") << "S" << "K" << "v" << QByteArray("[S]\nK=v\n\n[T]\n");
        QTest::newRow("cp1252 file stays cp1252")
            << QByteArray("[S]\nA=\xE9\n") << "S" << "B" << QStringLiteral("\u00E8")
            << QByteArray("[S]\nA=\xE9\nB=\xE8\n");
        QTest::newRow("bom kept")
            << QByteArray("\xEF\xBB\xBF[S]\nA=1\n") << "S" << "A" << "2"
            << QByteArray("\xEF\xBB\xBF[S]\nA=2\n");
    }
    void writesPreserveEverythingElse()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = writeFile(dir, before);
        profile::Profile p(path);
        p.writeString(section, key, value);
        QVERIFY(p.save().ok());
        QCOMPARE(readFile(path), after);
        if (!value.contains(u'\n'))
            QCOMPARE(profile::Profile(path).readString(section, key, {}), value);
    }

    void writtenValuesReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.ini"));
        profile::Profile p(path);
        p.writeInteger(u"Page View", u"Editor Colour", -5);
        p.writeBool(u"Page View", u"ToolBar", true);
        p.writeString(u"Font Name", u"Name", QStringLiteral("\u00C4rial"));
        QVERIFY(p.save().ok());
        const profile::Profile back(path);
        QCOMPARE(back.readInteger(u"Page View", u"Editor Colour", 0), -5);
        QCOMPARE(back.readBool(u"Page View", u"ToolBar", false), true);
        QCOMPARE(back.readString(u"Font Name", u"Name", {}), QStringLiteral("\u00C4rial"));
    }

    // Root can write anywhere, so the failures are made with paths no one can use.
    void unwritableTargets_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<int>("error");
        QTest::newRow("through a regular file") << "plain/DeskTopDock.ini"
                                                << int(profile::SaveError::Open);
        QTest::newRow("folder missing") << "nowhere/DeskTopDock.ini"
                                        << int(profile::SaveError::Open);
        QTest::newRow("target is a folder") << "folder" << int(profile::SaveError::Open);
    }
    void unwritableTargets()
    {
        QFETCH(QString, relativePath);
        QFETCH(int, error);
        QTemporaryDir dir;
        writeFile(dir, "x");
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("test.ini")),
                              dir.filePath(QStringLiteral("plain"))));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        profile::Profile p(dir.filePath(relativePath));
        p.writeString(u"S", u"K", QStringLiteral("v"));
        const profile::SaveResult result = p.save();
        QCOMPARE(int(result.error), error);
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(readFile(dir.filePath(QStringLiteral("plain"))), QByteArray("x"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
    }

    // Given random files built from typical and odd lines, when one key is written, then it
    // reads back, every other key reads as before, and the old lines are all still there, in
    // order, with at most the written line changed.
    void randomFilesKeepTheirLines()
    {
        const QList<QByteArray> fragments = {
            "[Page View]", " [ page view ] ", "[Font Name]", "[Broken", "[]", "ToolBar=1",
            "toolbar = 0x10", "Name=Arial", " name = \"Times\" ", ";comment=1", "garbage",
            "", "   ", "Editor Colour=$FF", "=no key", "Size=12", "caf\xE9=\xE9t\xE9",
            "K\xC3\xA9=v"};
        const QList<QByteArray> breaks = {"\r\n", "\n", "\r\n", ""};
        const QStringList sections = {"Page View", "Font Name", "Print Margins"};
        const QStringList keys = {"ToolBar", "Name", "Size", "Editor Colour", "New Key"};
        QRandomGenerator rng(2047);
        for (int round = 0; round < 2000; ++round) {
            QByteArray bytes;
            const int lines = rng.bounded(0, 10);
            for (int i = 0; i < lines; ++i) {
                bytes += fragments[rng.bounded(int(fragments.size()))];
                bytes += i + 1 < lines ? breaks[rng.bounded(3)] : breaks[rng.bounded(4)];
            }
            profile::Profile p(QStringLiteral("/nowhere.ini"), bytes);
            QHash<QString, QString> before;
            for (const QString &sec : sections)
                for (const QString &key : keys)
                    before[sec + u'/' + key] = p.readString(sec, key, QStringLiteral("<none>"));

            const QString section = sections[rng.bounded(int(sections.size()))];
            const QString key = keys[rng.bounded(int(keys.size()))];
            const QString value = QString::number(rng.bounded(1000));
            p.writeString(section, key, value);
            QCOMPARE(p.readString(section, key, {}), value);
            for (const QString &sec : sections)
                for (const QString &k : keys)
                    if (sec.compare(section, Qt::CaseInsensitive) || k != key)
                        QCOMPARE(p.readString(sec, k, QStringLiteral("<none>")),
                                 before[sec + u'/' + k]);

            auto linesOf = [](const QByteArray &b) {
                QList<QByteArray> out;
                for (QByteArray l : b.split('\n'))
                    out.append(l.endsWith('\r') ? l.chopped(1) : l);
                if (!out.isEmpty() && out.last().isEmpty())
                    out.removeLast();
                return out;
            };
            const QList<QByteArray> old = linesOf(bytes);
            const QList<QByteArray> now = linesOf(p.contents());
            // Longest common subsequence: at most one old line (the written key) is gone, and
            // at most three lines (blank, section, key) are new.
            QList<QList<int>> lcs(old.size() + 1, QList<int>(now.size() + 1, 0));
            for (qsizetype a = old.size() - 1; a >= 0; --a)
                for (qsizetype b = now.size() - 1; b >= 0; --b)
                    lcs[a][b] = old[a] == now[b] ? lcs[a + 1][b + 1] + 1
                                                 : qMax(lcs[a + 1][b], lcs[a][b + 1]);
            const int common = lcs[0][0];
            QVERIFY2(old.size() - common <= 1, bytes.constData());
            QVERIFY2(now.size() - common <= 3, bytes.constData());
        }
    }

    void devicesAreNeverReplaced()
    {
        profile::Profile p(QStringLiteral("/dev/null"));
        p.writeString(u"S", u"K", QStringLiteral("v"));
        QCOMPARE(p.save().error, profile::SaveError::Open);
        QVERIFY(!QFileInfo(QStringLiteral("/dev/null")).isFile());
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
