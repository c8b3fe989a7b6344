// The --pages and --print command-line jobs and the margins they take from the settings file.
#include "app/Exceptions.h"
#include "editor/RxRichEd.h"
#include "preview/PrintJobs.h"
#include "printing/Printing.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct JobResult {
    int code = 0;
    QString out;
    QString err;
};

using Job = int (*)(QStringList, QTextStream &, QTextStream &, const TDocumentLoader &);

JobResult runJob(Job job, const QStringList &args, const TDocumentLoader &load = {})
{
    JobResult r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = job(args, out, err, load);
    out.flush();
    err.flush();
    return r;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray textLines(int count)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += "A short line number " + QByteArray::number(i) + "\r\n";
    return b;
}

// Page ranges from the job's output: "Pages: n" then "i: from-to" lines.
QList<QPair<int, int>> parseRanges(const QString &out, int &count)
{
    QList<QPair<int, int>> r;
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    count = lines.isEmpty() ? -1 : lines.first().mid(7).toInt();
    const QRegularExpression re(QStringLiteral("^(\\d+): (\\d+)-(\\d+)$"));
    for (int i = 1; i < lines.size(); ++i) {
        const auto m = re.match(lines.at(i));
        if (!m.hasMatch() || m.captured(1).toInt() != i)
            return {};
        r << qMakePair(m.captured(2).toInt(), m.captured(3).toInt());
    }
    return r;
}

} // namespace

class TestPrintJobs : public QObject
{
    Q_OBJECT

private slots:
    void pagesListsContiguousRanges();
    void emptyDocumentIsOnePage();
    void oneParagraphOfTwoMegabytes();
    void orientationAndMarginsChangeTheLayout();
    void badArguments_data();
    void badArguments();
    void marginsFromSettingsFile();
    void documentsComeFromTheLoader();
    void printWithoutPrinterReportsTheMessage();
    void printsOnTheVirtualPrinter();

private:
    QTemporaryDir m_dir;
};

void TestPrintJobs::pagesListsContiguousRanges()
{
    const QString file = writeFile(m_dir, QStringLiteral("long.txt"), textLines(400));
    const JobResult r = runJob(runPagesJob, {QStringLiteral("--pages"), file,
                                             QStringLiteral("--margins"),
                                             QStringLiteral("20,20,20,20")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    int count = 0;
    const auto ranges = parseRanges(r.out, count);
    QVERIFY2(count > 1, qPrintable(r.out));
    QCOMPARE(ranges.size(), count);
    QCOMPARE(ranges.first().first, 0);
    for (int i = 1; i < ranges.size(); ++i)
        QCOMPARE(ranges[i].first, ranges[i - 1].second);
    // Every character of the text (a paragraph end counts one) is on a page.
    const int length = QString::fromLatin1(textLines(400)).remove('\n').size();
    QVERIFY(qAbs(ranges.last().second - length) <= 1);
}

void TestPrintJobs::oneParagraphOfTwoMegabytes()
{
    // Given an RTF file of one paragraph of 2 MB (longer than the layout takes at once at the
    // printer's resolution), when its pages are listed, then they follow each other, each
    // starts at a word, and the last one ends with the paragraph's last word.
    QByteArray words;
    for (int i = 0; words.size() < (2 << 20); ++i)
        words += "word" + QByteArray::number(i % 977) + ' ';
    words += "finis";
    const QString file = writeFile(m_dir, QStringLiteral("paragraph.rtf"),
                                   "{\\rtf1\\ansi " + words + "}");
    const JobResult r = runJob(runPagesJob, {file, QStringLiteral("--margins"),
                                             QStringLiteral("20,20,20,20")});
    QCOMPARE(r.code, 0);
    int count = 0;
    const auto ranges = parseRanges(r.out, count);
    QVERIFY2(count > 500, qPrintable(r.out.left(200)));
    QCOMPARE(ranges.size(), count);
    QCOMPARE(ranges.first().first, 0);
    for (int i = 1; i < ranges.size(); ++i) {
        QCOMPARE(ranges[i].first, ranges[i - 1].second);
        QCOMPARE(words.at(ranges[i].first - 1), ' ');
    }
    QCOMPARE(ranges.last().second, words.size());
    QVERIFY(words.size() - ranges.last().first < 10000);
}

void TestPrintJobs::emptyDocumentIsOnePage()
{
    const QString file = writeFile(m_dir, QStringLiteral("empty.txt"), QByteArray());
    const JobResult r = runJob(runPagesJob, {file});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QStringLiteral("Pages: 1\n1: 0-0\n"));
}

void TestPrintJobs::orientationAndMarginsChangeTheLayout()
{
    const QString file = writeFile(m_dir, QStringLiteral("lines.txt"), textLines(300));
    auto pages = [&](const QStringList &extra) {
        const JobResult r = runJob(runPagesJob, QStringList{file} + extra);
        int count = -1;
        parseRanges(r.out, count);
        return count;
    };
    const int portrait = pages({QStringLiteral("--margins"), QStringLiteral("10,10,10,10")});
    const int landscape = pages({QStringLiteral("--landscape"), QStringLiteral("--margins"),
                                 QStringLiteral("10,10,10,10")});
    const int wide = pages({QStringLiteral("--margins"), QStringLiteral("10,60,10,60")});
    const int a3 = pages({QStringLiteral("--paper"), QStringLiteral("a3"),
                          QStringLiteral("--margins"), QStringLiteral("10,10,10,10")});
    QVERIFY(portrait > 1);
    QVERIFY(landscape > portrait); // short lines: fewer per page across
    QVERIFY(wide > portrait);
    QVERIFY(a3 < portrait);
}

void TestPrintJobs::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    const QString missing = QStringLiteral("/nonexistent/folder/doc.txt");
    QTest::newRow("no file") << QStringList{QStringLiteral("--pages")} << "no document given";
    QTest::newRow("unknown option") << QStringList{missing, QStringLiteral("--zoom")}
                                    << "unknown option --zoom";
    QTest::newRow("missing value") << QStringList{missing, QStringLiteral("--paper")}
                                   << "--paper needs a value";
    QTest::newRow("bad margins") << QStringList{missing, QStringLiteral("--margins"),
                                                QStringLiteral("1,2,3")}
                                 << "--margins wants four millimetre values L,T,R,B";
    QTest::newRow("missing file") << QStringList{missing} << "Cannot open file " + missing;
}

void TestPrintJobs::badArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const JobResult r = runJob(runPagesJob, args);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    const QString file = writeFile(m_dir, QStringLiteral("one.txt"), "x");
    const JobResult paper = runJob(runPagesJob, {file, QStringLiteral("--paper"),
                                                 QStringLiteral("A0")});
    QCOMPARE(paper.code, 1);
    QVERIFY(paper.err.contains(QStringLiteral("unknown paper size A0")));
}

void TestPrintJobs::marginsFromSettingsFile()
{
    QTemporaryDir dir;
    PrintMargins defaults = readPrintMargins(dir.path());
    QCOMPARE(defaults.left, 25.0);
    QCOMPARE(defaults.top, 15.0);
    QCOMPARE(defaults.right, 25.0);
    QCOMPARE(defaults.bottom, 15.0);
    writeFile(dir, QStringLiteral("DeskTopDock.ini"),
              "[Font Name]\r\nName=Courier New\r\n[print margins]\r\nTopSize=20\r\n"
              "leftsize=30\r\nRightSize=abc\r\n[Page View]\r\nBottomSize=99\r\n");
    const PrintMargins m = readPrintMargins(dir.path());
    QCOMPARE(m.top, 20.0);
    QCOMPARE(m.left, 30.0);
    QCOMPARE(m.right, 25.0);  // not a number: the default
    QCOMPARE(m.bottom, 15.0); // in another section
}

void TestPrintJobs::documentsComeFromTheLoader()
{
    // Given a loader that hands out its own control
    TRxRichEdit editor;
    editor.setWindowText(QString::fromLatin1(textLines(300)).trimmed());
    QStringList asked;
    const TDocumentLoader loader = [&](const QString &name) {
        asked << name;
        return &editor;
    };
    const JobResult r = runJob(runPagesJob, {QStringLiteral("any.rtc")},
                               [](const QString &) -> TRxRichEdit * {
                                   throw EScrivelleError(QStringLiteral("Damaged file"));
                               });
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err.trimmed(), QStringLiteral("Damaged file"));

    const QString file = writeFile(m_dir, QStringLiteral("doc.rtc"), "x");
    const JobResult loaded = runJob(runPagesJob, {file}, loader);
    QCOMPARE(loaded.code, 0);
    QCOMPARE(asked, QStringList{file});
    int count = 0;
    const auto ranges = parseRanges(loaded.out, count);
    QVERIFY(count > 1);
    QCOMPARE(ranges.last().second, editor.textLength());
}

void TestPrintJobs::printWithoutPrinterReportsTheMessage()
{
    const QString file = writeFile(m_dir, QStringLiteral("print.txt"), textLines(10));
    const JobResult r = runJob(runPrintJob, {QStringLiteral("--print"), file,
                                             QStringLiteral("--printer"),
                                             QStringLiteral("Scrivelle-No-Such-Printer")});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err.trimmed(), QStringLiteral("Unable to print... No Printer available."));
    QVERIFY(r.out.isEmpty());
    const JobResult bad = runJob(runPrintJob, {file, QStringLiteral("--pages-per-sheet"),
                                               QStringLiteral("3")});
    QCOMPARE(bad.code, 1);
}

void TestPrintJobs::printsOnTheVirtualPrinter()
{
    if (!printing::printerNames().contains(QStringLiteral("PDF")))
        QSKIP("no CUPS \"PDF\" queue (scripts/printer.sh sets one up)");
    const QString file = writeFile(m_dir, QStringLiteral("job.txt"), textLines(200));
    const JobResult r = runJob(runPrintJob, {file, QStringLiteral("--printer"),
                                             QStringLiteral("PDF"),
                                             QStringLiteral("--pages-per-sheet"),
                                             QStringLiteral("2")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(QStringLiteral("Printed ")), qPrintable(r.out + r.err));
    QVERIFY(r.out.trimmed().endsWith(QStringLiteral(" on PDF")));
}

QTEST_MAIN(TestPrintJobs)
#include "tst_printjobs.moc"
