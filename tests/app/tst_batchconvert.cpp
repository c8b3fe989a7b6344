// Batch conversion: the arguments and output names directly, and whole runs of the program's
// own binary as a user types them (one damaged file among good ones, an output folder, names
// with spaces and non-ASCII letters).
#include "app/BatchConvert.h"
#include "app/Exceptions.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QByteArray err;
};

Run scrivelle(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(SCV_BINARY), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError()};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBatchConvert : public QObject
{
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("outDir");
        QTest::addColumn<int>("files");
        QTest::newRow("plain") << QStringList{"pdf", "a.rtf", "b.txt"} << "" << "pdf" << ""
                               << 2;
        QTest::newRow("dot and case") << QStringList{".RTC", "a.rtf"} << "" << "rtc" << "" << 1;
        QTest::newRow("outdir anywhere") << QStringList{"txt", "a.rtf", "--outdir", "out", "b.rtf"}
                                         << "" << "txt" << "out" << 2;
        QTest::newRow("file named like an option after --")
            << QStringList{"rtf", "--", "--outdir"} << "" << "rtf" << "" << 1;
        QTest::newRow("nothing") << QStringList{}
                                 << "--convert-to needs an extension and at least one file"
                                 << "" << "" << 0;
        QTest::newRow("no files") << QStringList{"pdf"}
                                  << "--convert-to needs at least one file" << "pdf" << "" << 0;
        QTest::newRow("unknown extension")
            << QStringList{"odt", "a.rtf"}
            << "--convert-to: unknown extension \"odt\" (one of rtf doc rtc txt pdf tpf)" << ""
            << "" << 0;
        QTest::newRow("outdir without folder") << QStringList{"pdf", "a.rtf", "--outdir"}
                                               << "--outdir needs a folder" << "pdf" << "" << 1;
        QTest::newRow("unknown option") << QStringList{"pdf", "--fast", "a.rtf"}
                                        << "--convert-to: unknown option \"--fast\"" << "pdf"
                                        << "" << 0;
        QTest::newRow("text pdf of rtf") << QStringList{"rtf", "--pdf-text", "a.txt"}
                                         << "--pdf-text needs --convert-to pdf" << "rtf" << ""
                                         << 1;
    }

    void arguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        BatchJob job;
        QCOMPARE(parseBatchArguments(args, job), error);
        if (error.isEmpty()) {
            QTEST(job.extension, "extension");
            QTEST(job.outDir, "outDir");
            QTEST(int(job.files.size()), "files");
        }
    }

    void outputNames()
    {
        BatchJob job;
        job.extension = QStringLiteral("pdf");
        QCOMPARE(batchOutputName(QStringLiteral("/d/letter.v2.rtf"), job),
                 QStringLiteral("/d/letter.v2.pdf"));
        QCOMPARE(batchOutputName(QStringLiteral("notes"), job), QStringLiteral("notes.pdf"));
        job.outDir = QStringLiteral("/out/");
        QCOMPARE(batchOutputName(QStringLiteral("/d/a b.rtf"), job),
                 QStringLiteral("/out/a b.pdf"));
    }

    // A converter that fails for some names: every file is tried, each failure is named once,
    // and an output never replaces its input or another input's output.
    void runGoesOnAfterFailures()
    {
        BatchJob job;
        job.extension = QStringLiteral("rtf");
        job.files = {QStringLiteral("/d/a.txt"), QStringLiteral("/d/bad.txt"),
                     QStringLiteral("/d/c.rtf"), QStringLiteral("/d/a.rtc"),
                     QStringLiteral("/d/e.txt")};
        QStringList done;
        QString errors;
        QTextStream err(&errors);
        const int code = runBatch(job, [&done](const QString &in, const QString &out) {
            if (in.contains(QLatin1String("bad")))
                throw EScrivelleError(QStringLiteral("Failed to Load Stream"));
            done << out;
        }, err, false);
        QCOMPARE(code, 1);
        QCOMPARE(done, (QStringList{"/d/a.rtf", "/d/e.rtf"}));
        QCOMPARE(errors,
                 QStringLiteral("scrivelle: /d/bad.txt: Failed to Load Stream\n"
                                "scrivelle: /d/c.rtf: the output would replace the input; "
                                "nothing was written\n"
                                "scrivelle: /d/a.rtc: /d/a.rtf was already written by this run; "
                                "nothing was written\n"));
    }

    void terminalShowsProgress()
    {
        BatchJob job;
        job.extension = QStringLiteral("txt");
        job.files = {QStringLiteral("one.rtf"), QStringLiteral("two.rtf")};
        QString text;
        QTextStream err(&text);
        QCOMPARE(runBatch(job, [](const QString &, const QString &) {}, err, true), 0);
        QVERIFY(text.contains(QLatin1String("[1/2] one.rtf")));
        QVERIFY(text.contains(QLatin1String("[2/2] two.rtf")));
        QVERIFY(text.endsWith(QLatin1String("Converted 2 of 2 files\n")));
    }

    // Given three files, one of them a cut compressed file, when they are converted in one
    // run, then the two good ones are written, the damaged one is named, and the run fails.
    void oneDamagedFileAmongThree()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("first letter.txt"));
        const QString b = dir.filePath(QStringLiteral("cut.rtc"));
        const QString c = dir.filePath(QStringLiteral("Überschrift été.rtf"));
        writeFile(a, "The first letter\r\n");
        writeFile(c, "{\\rtf1\\ansi Second {\\b letter}\\par}");
        const QString whole = dir.filePath(QStringLiteral("whole.rtc"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), a, whole}).code, 0);
        writeFile(b, readFile(whole).left(12));

        const Run run = scrivelle({QStringLiteral("--convert-to"), QStringLiteral("pdf"), a, b, c,
                                   QStringLiteral("--pdf-text")});
        QCOMPARE(run.code, 1);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("first letter.pdf"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Überschrift été.pdf"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("cut.pdf"))));
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.contains(QStringLiteral("scrivelle: %1: Failed to Load Stream").arg(b)),
                 run.err);
        QCOMPARE(err.count(QStringLiteral("scrivelle: ")), 1);
        QVERIFY(!err.contains(QLatin1String("Converted"))); // no terminal, no progress
    }

    void outputFolderIsUsedAndMade()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a note.txt"));
        const QString b = dir.filePath(QStringLiteral("ñandú.txt"));
        writeFile(a, "First\r\n");
        writeFile(b, "Second, caf\xE9\r\n");
        const QString out = dir.filePath(QStringLiteral("new folder/rich"));
        const Run run = scrivelle({QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                                   QStringLiteral("--outdir"), out, a, b});
        QCOMPARE(run.code, 0);
        QVERIFY2(!run.err.contains("scrivelle:"), run.err);
        QVERIFY(readFile(out + QStringLiteral("/a note.rtf")).startsWith("{\\rtf1"));
        QVERIFY(readFile(out + QStringLiteral("/ñandú.rtf")).contains("caf\\'e9"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a note.rtf"))));
        // Back again: the same text as the original.
        QCOMPARE(scrivelle({QStringLiteral("--convert-to"), QStringLiteral("txt"),
                            QStringLiteral("--outdir"), dir.filePath(QStringLiteral("back")),
                            out + QStringLiteral("/ñandú.rtf")}).code, 0);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("back/ñandú.txt"))),
                 QByteArray("Second, caf\xE9\r\n"));
    }

    void usageErrorsStopBeforeAnyWork()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        writeFile(a, "x\r\n");
        const Run run = scrivelle({QStringLiteral("--convert-to"), QStringLiteral("odt"), a});
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.contains("unknown extension"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.txt")});
        // An output folder that cannot be made (a file is in the way).
        const Run blocked = scrivelle({QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                                       QStringLiteral("--outdir"), a + QStringLiteral("/sub"), a});
        QCOMPARE(blocked.code, 1);
        QVERIFY(blocked.err.contains("cannot create the folder"));
    }
};

QTEST_MAIN(TestBatchConvert)
#include "tst_batchconvert.moc"
