// The headless jobs, run as a user runs them: the program's own binary with "--" options.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run scrivelle(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // headless jobs must need no display at all
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SCV_BINARY), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void convertRoundTripKeepsTheText()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("in.txt"));
        QFile f(txt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("First paragraph, caf\xE9.\r\n\tTabbed second\r\nThird \x93quoted\x94\r\n");
        f.close();
        const QString rtf = dir.filePath(QStringLiteral("a.rtf"));
        const QString rtc = dir.filePath(QStringLiteral("b.rtc"));
        const QString rtf2 = dir.filePath(QStringLiteral("c.rtf"));
        const QString out = dir.filePath(QStringLiteral("d.txt"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), txt, rtf}).code, 0);
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, rtc}).code, 0);
        QCOMPARE(readAll(rtc).left(2), QByteArray("\x78\x01"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtc, rtf2}).code, 0);
        QCOMPARE(readAll(rtf2), readAll(rtf));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf2, out}).code, 0);
        QCOMPARE(readAll(out), readAll(txt));
    }

    void aNameNotValidInTheEncodingIsRefused()
    {
        // Given a good input and an output name with a byte that UTF-8 cannot hold.
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("in.rtf"));
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi Text\\par}");
        f.close();
        // When converting to it (the shell passes the raw bytes).
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                       QStringLiteral("exec \"$0\" --convert in.rtf \"$(printf 'out\\377.rtf')\""),
                                       QStringLiteral(SCV_BINARY)});
        QVERIFY(p.waitForFinished(60000));
        // Then the job fails with the reason and writes no file under any name.
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("is not valid in the file name encoding; nothing was read or written"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("in.rtf")});
    }

    void convertFailuresGoToStandardError()
    {
        QTemporaryDir dir;
        const Run missing = scrivelle({QStringLiteral("--convert"), dir.filePath(QStringLiteral("none.rtf")),
                                       dir.filePath(QStringLiteral("x.rtf"))});
        QVERIFY(missing.code != 0);
        QVERIFY(missing.err.contains("Cannot open file"));
        const QString txt = dir.filePath(QStringLiteral("in.txt"));
        QFile f(txt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        const Run unsupported = scrivelle({QStringLiteral("--convert"), txt, dir.filePath(QStringLiteral("x.odt"))});
        QVERIFY(unsupported.code != 0);
        QVERIFY(unsupported.err.contains("Unsupported file type"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.odt"))));
    }

    void statsAsTheStatusBarShowsThem()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("hello.txt"));
        QFile f(txt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Hello, world!");
        f.close();
        const Run r = scrivelle({QStringLiteral("--stats"), txt});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("Words: 2\nCharacters: 13\nLines: 1\nWords per line:     2.00\n"));
    }

    // The job's editor is as wide as the window's, not the control's designed 185 pixels:
    // lines of a long paragraph hold several words, as in the window (in a tower of two-word
    // lines a paragraph of a few megabytes grew past the heights the text layout can place).
    void statsCountLinesAtTheWindowsWidth()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("long.txt"));
        QFile f(txt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("word ").repeated(2000));
        f.close();
        const Run r = scrivelle({QStringLiteral("--stats"), txt});
        QCOMPARE(r.code, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QVERIFY(lines.size() > 2 && lines[2].startsWith("Lines: "));
        const int count = lines[2].mid(7).toInt();
        QVERIFY2(count > 0 && count <= 10000 / 40, lines[2].constData()); // 40 characters a line or more
    }

    // Given a manual line break, when converted to text, then it is a CR LF; in the
    // statistics it separates words and counts as one character, and each part is a line.
    void manualLineBreaks()
    {
        QTemporaryDir dir;
        const QString rtf = dir.filePath(QStringLiteral("breaks.rtf"));
        QFile f(rtf);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard breaks:\\line second line\\par}");
        f.close();
        const QString txt = dir.filePath(QStringLiteral("breaks.txt"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, txt}).code, 0);
        QCOMPARE(readAll(txt), QByteArray("breaks:\r\nsecond line"));
        const QString back = dir.filePath(QStringLiteral("back.rtf"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, back}).code, 0);
        QVERIFY(readAll(back).contains("breaks:\\line second line"));
        const Run r = scrivelle({QStringLiteral("--stats"), rtf});
        QCOMPARE(r.out, QByteArray("Words: 3\nCharacters: 19\nLines: 2\nWords per line:     1.50\n"));
    }

    void textReadsBackAsWritten_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QByteArray>("text");
        // Windows-1252 bytes that form valid UTF-8 would come back as other letters.
        QTest::newRow("looks like UTF-8") << QByteArray("{\\rtf1\\ansi \\'c3\\'a9t\\'c3\\'a9\\par}")
                                          << QByteArray("\xEF\xBB\xBF\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9");
        QTest::newRow("table first") << QByteArray("{\\rtf1\\ansi \\trowd\\cellx2000\\cellx4000 "
                                                   "a\\cell b\\cell\\row after\\line end\\par}")
                                     << QByteArray("a\tb\r\nafter\r\nend");
    }
    void textReadsBackAsWritten()
    {
        // Given a rich text document converted to text
        QFETCH(QByteArray, rtf);
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("in.rtf")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(rtf);
        f.close();
        const QString once = dir.filePath(QStringLiteral("once.txt"));
        const QString twice = dir.filePath(QStringLiteral("twice.txt"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), f.fileName(), once}).code, 0);
        QCOMPARE(readAll(once), text);
        // When that text is read and written again, Then it is the same bytes
        QCOMPARE(scrivelle({QStringLiteral("--convert"), once, twice}).code, 0);
        QCOMPARE(readAll(twice), readAll(once));
    }

    void helpAndVersion()
    {
        const Run help = scrivelle({QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("--convert"));
        const Run version = scrivelle({QStringLiteral("--version")});
        QCOMPARE(version.code, 0);
        QVERIFY(version.out.startsWith("Scrivelle "));
        QVERIFY(scrivelle({QStringLiteral("--no-such-option")}).code != 0);
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
