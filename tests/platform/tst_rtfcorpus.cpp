// Real files from other programs: our text must equal the text LibreOffice reads from each,
// after the normalisations the corpus notes ask for; damaged files keep their readable text.
#include <QtTest>

#include "support/RtfTestSupport.h"
#include "text/CodePage.h"

#include <QRegularExpression>

namespace {

struct Normalisation {
    bool labels = false;       // list labels and the spaces before them are left out
    bool leadingSpace = false; // leading white space of every line is left out
    bool emptyLines = false;   // empty lines are left out
};

// Symbol-font characters as the private-use code points LibreOffice gives them, mapped to the
// characters they stand for.
QString mapSymbolPrivateUse(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() >= 0xF020 && c.unicode() <= 0xF0FF)
            c = QChar(text::symbolToUnicode(static_cast<unsigned char>(c.unicode() - 0xF000)));
    }
    return text;
}

QString normalise(const QString &text, const Normalisation &n)
{
    static const QRegularExpression label(QStringLiteral(
        "^[ \\t]*(?:[\\x{2022}\\x{25E6}\\x{25AA}\\x{00B7}\\x{2013}]|[0-9]+(?:\\.[0-9]+)*[.)]"
        "|[a-zA-Z][.)]|[IVXivx]+[.)])[ \\t]+"));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (n.labels)
            line.remove(label);
        if (n.labels || n.leadingSpace) {
            qsizetype i = 0;
            while (i < line.size() && line.at(i).isSpace())
                ++i;
            line.remove(0, i);
        }
    }
    if (n.emptyLines)
        lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

QString firstDifference(const QString &actual, const QString &expected)
{
    const QStringList a = actual.split(QLatin1Char('\n'));
    const QStringList e = expected.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
        const QString al = i < a.size() ? a.at(i) : QStringLiteral("<none>");
        const QString el = i < e.size() ? e.at(i) : QStringLiteral("<none>");
        if (al != el)
            return QStringLiteral("line %1:\n  ours:     %2\n  expected: %3").arg(i + 1).arg(al, el);
    }
    return {};
}

} // namespace

class TestRtfCorpus : public QObject {
    Q_OBJECT
private slots:
    void corpusFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("notes");
        QFile manifest(rtftest::corpusDir() + QStringLiteral("/MANIFEST.tsv"));
        if (!manifest.open(QIODevice::ReadOnly))
            QSKIP(qPrintable(QStringLiteral("the shared RTF corpus is not at %1").arg(rtftest::corpusDir())));
        const QStringList rows = QString::fromUtf8(manifest.readAll()).split(QLatin1Char('\n'));
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const QStringList cols = rows.at(i).split(QLatin1Char('\t'));
            if (cols.size() < 8)
                continue;
            QTest::newRow(qPrintable(cols.at(0)))
                << cols.at(0) << (cols.at(6) == QLatin1String("yes")) << cols.at(7);
        }
    }

    // Given a corpus file, when it is read, then its text equals the expected text.
    void corpusFile()
    {
        QFETCH(QString, file);
        QFETCH(bool, damaged);
        QFETCH(QString, notes);
        const QString dir = rtftest::corpusDir() + QLatin1Char('/');
        const QByteArray rtf = rtftest::fileBytes(dir + file);
        QVERIFY(!rtf.isEmpty());
        QString expectedName = file;
        expectedName.replace(QLatin1String(".rtf"), QLatin1String(".expected.txt"));
        QString expected =
            mapSymbolPrivateUse(QString::fromUtf8(rtftest::fileBytes(dir + expectedName)));
        // LibreOffice puts a U+2006 in front of each of the six plain spaces that follow
        // "Emoji:" in this file; the file itself holds spaces only.
        if (file == QLatin1String("intl_text.abiword.rtf"))
            expected.remove(QChar(0x2006));

        rtf::ReadResult result;
        const auto document = rtftest::readDocument(rtf, &result);
        QVERIFY2(result.ok, qPrintable(result.message));
        Q_UNUSED(damaged);

        Normalisation n;
        n.labels = notes.contains(QLatin1String("labels"));
        n.leadingSpace = notes.contains(QLatin1String("leading spaces trimmed"));
        // LibreOffice makes an empty paragraph of the \par that pandoc writes before each
        // \cell; the cell itself ends there.
        n.emptyLines = notes.contains(QLatin1String("cell is followed by an empty line"));
        const QString ours = normalise(rtftest::documentText(*document), n);
        const QString theirs = normalise(expected, n);
        QVERIFY2(ours == theirs, qPrintable(firstDifference(ours, theirs)));
    }

    // Given a corpus file, when it is read in chunks of every small size, then the document
    // text is the same as when it is read at once (token boundaries across chunks).
    void chunkBoundaries()
    {
        const QByteArray rtf =
            rtftest::fileBytes(rtftest::corpusDir() + QStringLiteral("/wp_cp1252_symbol.handmade.rtf"));
        if (rtf.isEmpty())
            QSKIP(qPrintable(QStringLiteral("the shared RTF corpus is not at %1").arg(rtftest::corpusDir())));
        const QString whole = rtftest::documentText(*rtftest::readDocument(rtf));
        for (qint64 chunk = 1; chunk <= 7; ++chunk) {
            QTextDocument document;
            QTextCursor cursor(&document);
            QVERIFY(rtf::readRtf(rtftest::memorySource(rtf, chunk), cursor).ok);
            QCOMPARE(rtftest::documentText(document), whole);
        }
    }
};

QTEST_MAIN(TestRtfCorpus)
#include "tst_rtfcorpus.moc"
