// The RTF writer: the shape of what it writes, the fixed point write -> read -> write, and the
// round trip of every property the engine keeps.
#include <QtTest>

#include <QTextTable>

#include "richedit/FormatMapping.h"
#include "richedit/RichEditTypes.h"
#include "support/RtfTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextImageFormat>

namespace prop = richedit::prop;

namespace {

// A LibreOffice profile of this process's own: a second instance sharing the default profile
// (another test run at the same time) would hand the job over or fail.
QString privateProfile()
{
    static QTemporaryDir profile;
    return QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString();
}

// Every property the writer keeps, run by run and paragraph by paragraph, as text.
QString describe(const QTextDocument &document)
{
    QStringList out;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        QStringList p;
        for (int id : {prop::StartIndent, prop::Offset, prop::RightIndent, prop::SpaceBefore,
                       prop::SpaceAfter, prop::SpacingRule, prop::LineSpacing, prop::Numbering,
                       prop::StyleNumber})
            p << QString::number(f.intProperty(id));
        p << QString::number(int(f.alignment() & Qt::AlignHorizontal_Mask))
          << QString::number(f.boolProperty(prop::KeepNext))
          << QString::number(f.boolProperty(prop::PageBreakBefore))
          << QString::number(f.layoutDirection());
        QStringList tabs;
        for (int t : f.property(prop::TabStops).value<QList<int>>())
            tabs << QString::number(t);
        p << tabs.join(QLatin1Char(','));
        out << QStringLiteral("para ") + p.join(QLatin1Char(' '));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            // Hidden text is compared as it really is, not as it is drawn.
            const QTextCharFormat c = richedit::logicalCharFormat(fr.charFormat());
            if (c.isImageFormat()) {
                const QTextImageFormat i = c.toImageFormat();
                out << QStringLiteral("image %1 %2 %3 %4")
                           .arg(i.intProperty(prop::ImageGoalWidth))
                           .arg(i.intProperty(prop::ImageGoalHeight))
                           .arg(i.stringProperty(prop::ImageKind))
                           .arg(QString::fromLatin1(
                               i.property(prop::ImageData).toByteArray().toHex().left(32)));
                continue;
            }
            const QStringList families = c.fontFamilies().toStringList();
            out << QStringLiteral("run [%1] %2 %3 w%4 i%5 u%6 s%7 fg%8 bg%9")
                       .arg(fr.text(), families.value(0))
                       .arg(c.fontPointSize())
                       .arg(c.fontWeight())
                       .arg(c.fontItalic())
                       .arg(int(c.underlineStyle()))
                       .arg(c.fontStrikeOut())
                       .arg(c.hasProperty(QTextFormat::ForegroundBrush)
                                ? c.foreground().color().name() : QStringLiteral("auto"))
                       .arg(c.hasProperty(QTextFormat::BackgroundBrush)
                                ? c.background().color().name() : QStringLiteral("none"))
                   + QStringLiteral(" v%1 rev%2/%3 p%4 h%5 k%6 cs%7")
                         .arg(int(c.verticalAlignment()))
                         .arg(c.boolProperty(prop::Revised))
                         .arg(c.intProperty(prop::RevAuthor))
                         .arg(c.boolProperty(prop::Protected))
                         .arg(c.boolProperty(prop::Hidden))
                         .arg(c.intProperty(prop::Kerning))
                         .arg(c.intProperty(prop::Charset));
        }
    }
    return out.join(QLatin1Char('\n'));
}

QTextCharFormat charFormat(const QString &family, qreal size)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(size);
    f.setProperty(prop::Charset, 0);
    return f;
}

QTextBlockFormat blockFormat(std::initializer_list<std::pair<int, QVariant>> props)
{
    QTextBlockFormat f;
    for (const auto &[id, value] : props)
        f.setProperty(id, value);
    richedit::applyParagraphTwips(f);
    return f;
}

QByteArray pngBytes()
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A document that uses every property the writer keeps.
std::unique_ptr<QTextDocument> richDocument()
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor c(document.get());
    c.setBlockFormat(blockFormat({{prop::StyleNumber, 1}, {prop::KeepNext, true},
                                  {prop::SpaceBefore, 240}, {prop::SpaceAfter, 60}}));
    QTextCharFormat heading = charFormat(QStringLiteral("Arial"), 16);
    heading.setFontWeight(QFont::Bold);
    heading.setProperty(prop::Kerning, 320);
    c.insertText(QStringLiteral("Heading"), heading);

    QTextBlockFormat centred = blockFormat({{prop::StartIndent, 720}, {prop::Offset, -360},
                                            {prop::RightIndent, 144}, {prop::SpacingRule, 1}});
    centred.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centred);
    QTextCharFormat f = charFormat(QStringLiteral("Times New Roman"), 11.5);
    c.insertText(QStringLiteral("plain "), f);
    QTextCharFormat b = f;
    b.setFontItalic(true);
    b.setFontUnderline(true);
    b.setUnderlineStyle(QTextCharFormat::DashUnderline);
    b.setForeground(QColor(0x12, 0x34, 0x56));
    b.setBackground(QColor(Qt::yellow));
    c.insertText(QStringLiteral("fancy {braces} \\ back"), b);
    QTextCharFormat s = f;
    s.setFontStrikeOut(true);
    s.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    c.insertText(QStringLiteral("sup"), s);
    QTextCharFormat r = f;
    r.setProperty(prop::Revised, true);
    r.setProperty(prop::RevAuthor, 3);
    r.setForeground(QColor(Qt::red));
    c.insertText(QStringLiteral(" revised"), r);
    QTextCharFormat hidden = f;
    hidden.setProperty(prop::Protected, true);
    hidden.setProperty(prop::Hidden, true);
    c.insertText(QStringLiteral(" locked"), hidden);

    for (int rule = 2; rule <= 5; ++rule) {
        QTextBlockFormat spaced = blockFormat({{prop::SpacingRule, rule},
                                               {prop::LineSpacing, rule == 5 ? 23 : rule >= 3 ? 300 : 0},
                                               {prop::TabStops, QVariant::fromValue(
                                                                    QList<int>{720, 2880})}});
        spaced.setAlignment(rule % 2 ? Qt::AlignRight : Qt::AlignJustify);
        c.insertBlock(spaced);
        c.insertText(QStringLiteral("rule\t%1\u2028second line \u0416\u20AC").arg(rule), f);
    }
    QTextBlockFormat bullet = blockFormat({{prop::Numbering, int(richedit::PFN_BULLET)},
                                           {prop::StartIndent, 360}, {prop::Offset, 360}});
    c.insertBlock(bullet);
    c.insertText(QStringLiteral("bullet one"), f);
    c.insertBlock(bullet);
    c.insertText(QStringLiteral("bullet two"), f);

    QTextBlockFormat rtl = blockFormat({{prop::PageBreakBefore, true}});
    rtl.setLayoutDirection(Qt::RightToLeft);
    rtl.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    c.insertBlock(rtl);
    QTextCharFormat symbol = charFormat(QStringLiteral("Symbol"), 12);
    symbol.setProperty(prop::Charset, int(richedit::SYMBOL_CHARSET));
    c.insertText(QStringLiteral("\u05D0 dash "), f);
    c.insertText(QStringLiteral("\u2015\u03B1x"), symbol);

    c.insertBlock(QTextBlockFormat());
    const QByteArray png = pngBytes();
    QImage image;
    image.loadFromData(png);
    document->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("img:1")), image);
    QTextImageFormat picture;
    picture.setName(QStringLiteral("img:1"));
    picture.setWidth(40);
    picture.setHeight(20);
    picture.setProperty(prop::ImageGoalWidth, 600);
    picture.setProperty(prop::ImageGoalHeight, 300);
    picture.setProperty(prop::ImageKind, QStringLiteral("png"));
    picture.setProperty(prop::ImageData, png);
    c.insertText(QStringLiteral("picture "), f);
    c.insertImage(picture);
    c.insertBlock(QTextBlockFormat(), charFormat(QStringLiteral("Arial"), 20));
    return document;
}

// Alignment and runs of bold, italic, underline, colour and size, with neighbouring runs
// that look alike merged: what another program must read the same.
QStringList runs(const QTextDocument &document)
{
    QStringList out;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        out << QStringLiteral("paragraph %1").arg(int(b.blockFormat().alignment()
                                                      & Qt::AlignHorizontal_Mask));
        QString last;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            const QString look = QStringLiteral("b%1 i%2 u%3 %4 %5pt: ")
                                     .arg(c.fontWeight() >= QFont::DemiBold)
                                     .arg(c.fontItalic())
                                     .arg(c.fontUnderline())
                                     .arg(c.hasProperty(QTextFormat::ForegroundBrush)
                                              ? c.foreground().color().name()
                                              : QStringLiteral("auto"))
                                     .arg(c.fontPointSize());
            if (look == last)
                out.last() += it.fragment().text();
            else
                out << look + it.fragment().text();
            last = look;
        }
    }
    return out;
}

// Text with the formatting another program must keep.
std::unique_ptr<QTextDocument> oracleDocument()
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor c(document.get());
    const QTextCharFormat f = charFormat(QStringLiteral("Arial"), 12);
    const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                    Qt::AlignJustify};
    for (int i = 0; i < 4; ++i) {
        QTextBlockFormat b = blockFormat({});
        b.setAlignment(aligns[i]);
        if (i > 0)
            c.insertBlock(b);
        else
            c.setBlockFormat(b);
        QTextCharFormat bold = f;
        bold.setFontWeight(QFont::Bold);
        QTextCharFormat italic = f;
        italic.setFontItalic(true);
        italic.setFontPointSize(14 + i);
        QTextCharFormat underline = f;
        underline.setFontUnderline(true);
        underline.setForeground(QColor(0x20 * i, 0x80, 0xC0));
        c.insertText(QStringLiteral("Plain caf\u00E9 "), f);
        c.insertText(QStringLiteral("bold"), bold);
        c.insertText(QStringLiteral(" and "), f);
        c.insertText(QStringLiteral("italic\u2014"), italic);
        c.insertText(QStringLiteral("underlined \u0416"), underline);
        c.insertText(QStringLiteral("\ttab\u2028after a line break."), f);
    }
    QTextBlockFormat bullet = blockFormat({{prop::Numbering, int(richedit::PFN_BULLET)},
                                           {prop::StartIndent, 360}, {prop::Offset, 360}});
    c.insertBlock(bullet);
    c.insertText(QStringLiteral("a bullet"), f);
    c.insertBlock(blockFormat({}));
    c.insertText(QStringLiteral("The end."), f);
    return document;
}

} // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT
private slots:
    // Given a document with every property, when it is written and read back, then every
    // property and all text come back, and writing again gives the same bytes.
    void roundTripOfFormatting()
    {
        const auto original = richDocument();
        const QByteArray first = rtftest::writeDocument(*original);
        rtf::ReadResult result;
        const auto reread = rtftest::readDocument(first, &result);
        QVERIFY(result.ok);
        const QStringList got = describe(*reread).split(QLatin1Char('\n'));
        const QStringList want = describe(*original).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
            QCOMPARE(got.at(i), want.at(i));
        QCOMPARE(got.size(), want.size());
        QCOMPARE(rtftest::writeDocument(*reread), first);
    }

    // Given runs in capitals and small capitals, also straight after one another, when they
    // are written and read back, then each run shows as it did and the bytes are stable.
    void capitalsRoundTrip()
    {
        QTextDocument document;
        QTextCursor c(&document);
        const QList<std::pair<QString, QFont::Capitalization>> parts = {
            {QStringLiteral("caps "), QFont::AllUppercase},
            {QStringLiteral("small "), QFont::SmallCaps},
            {QStringLiteral("plain "), QFont::MixedCase},
            {QStringLiteral("caps"), QFont::AllUppercase}};
        for (const auto &[text, capitals] : parts) {
            QTextCharFormat f = charFormat(QStringLiteral("Arial"), 12);
            if (capitals != QFont::MixedCase)
                f.setFontCapitalization(capitals);
            c.insertText(text, f);
        }
        const QByteArray written = rtftest::writeDocument(document);
        QVERIFY(written.contains("\\caps "));
        QVERIFY(written.contains("\\scaps"));
        const auto reread = rtftest::readDocument(written);
        QList<std::pair<QString, QFont::Capitalization>> got;
        for (auto it = reread->begin().begin(); !it.atEnd(); ++it)
            got.append({it.fragment().text(), it.fragment().charFormat().fontCapitalization()});
        QCOMPARE(got, parts);
        QCOMPARE(rtftest::writeDocument(*reread), written);
    }

    // Given runs in French (with a Japanese East Asian language), English and none, when they
    // are read, written and read again, then each run keeps its language and the bytes are
    // stable; text without a language writes no \lang at all.
    void languagesRoundTrip()
    {
        const QByteArray source = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\lang1036\\langfe1041 "
                                  "Bonjour {\\lang1033 hello} encore\\plain  none\\par}";
        const auto document = rtftest::readDocument(source);
        QList<std::tuple<QString, int, int>> runs;
        for (auto it = document->begin().begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            runs.append({it.fragment().text(), f.intProperty(prop::Language),
                         f.intProperty(prop::LanguageFE)});
        }
        QCOMPARE(runs, (QList<std::tuple<QString, int, int>>{{QStringLiteral("Bonjour "), 1036, 1041},
                                                             {QStringLiteral("hello"), 1033, 1041},
                                                             {QStringLiteral(" encore"), 1036, 1041},
                                                             {QStringLiteral(" none"), 0, 0}}));
        const QByteArray written = rtftest::writeDocument(*document);
        QVERIFY(written.contains("\\lang1036\\langfe1041"));
        QVERIFY(written.contains("\\lang1033"));
        QCOMPARE(rtftest::writeDocument(*rtftest::readDocument(written)), written);

        QTextDocument plain(QStringLiteral("no language"));
        QVERIFY(!rtftest::writeDocument(plain).contains("\\lang"));
    }

    // The document the LibreOffice check uses reads back alike through our own reader.
    void oracleDocumentRoundTrips()
    {
        const auto document = oracleDocument();
        const auto reread = rtftest::readDocument(rtftest::writeDocument(*document));
        QCOMPARE(runs(*reread), runs(*document));
        QCOMPARE(rtftest::documentText(*reread), rtftest::documentText(*document));
    }

    void header()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("x"));
        const QByteArray rtf = rtftest::writeDocument(document);
        QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil"
                                "\\fcharset0 "),
                 rtf.constData());
        QVERIFY(rtf.contains("\\viewkind4\\uc1"));
        QVERIFY(rtf.endsWith("\\par\r\n}\r\n"));
        QVERIFY(!rtf.contains("colortbl")); // no colours used
    }

    void characters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("ascii") << QStringLiteral("abc") << QStringLiteral("Arial") << QByteArray(" abc\\par");
        QTest::newRow("cp1252 byte") << QStringLiteral("caf\u00E9\u2014") << QStringLiteral("Arial")
                                     << QByteArray(" caf\\'e9\\'97\\par");
        QTest::newRow("outside the code page") << QStringLiteral("\u0416\U0001F600")
                                               << QStringLiteral("Arial")
                                               << QByteArray("\\u1046?\\u-10179?\\u-8704?\\par");
        QTest::newRow("escapes") << QStringLiteral("{\\}\t") << QStringLiteral("Arial")
                                 << QByteArray("\\{\\\\\\}\\tab\\par");
        QTest::newRow("symbol long dash") << QStringLiteral("\u2015") << QStringLiteral("Symbol")
                                          << QByteArray("\\'be\\par");
        QTest::newRow("symbol letters") << QStringLiteral("\u03B1\u03B2") << QStringLiteral("Symbol")
                                        << QByteArray(" ab\\par");
        QTest::newRow("backslash in the symbol font") << QStringLiteral("\\{")
                                                      << QStringLiteral("Symbol")
                                                      << QByteArray("\\u92?\\{\\par");
        QTest::newRow("control character") << QStringLiteral("a\u0001b") << QStringLiteral("Arial")
                                           << QByteArray(" a\\'01b\\par");
        QTest::newRow("other code page font") << QStringLiteral("\u00E9") << QStringLiteral("Cyr")
                                              << QByteArray("\\u233?\\par");
        QTest::newRow("not in the symbol table") << QStringLiteral("x") << QStringLiteral("Symbol")
                                                 << QByteArray("\\u120?\\par");
    }
    // Given text in a font, when written, then each character takes the expected form, and it
    // reads back as the same text.
    void characters()
    {
        QFETCH(QString, text);
        QFETCH(QString, family);
        QFETCH(QByteArray, written);
        QTextDocument document;
        QTextCursor c(&document);
        QTextCharFormat f = charFormat(family, 12);
        if (family == QLatin1String("Symbol"))
            f.setProperty(prop::Charset, int(richedit::SYMBOL_CHARSET));
        if (family == QLatin1String("Cyr"))
            f.setProperty(prop::Charset, 204);
        c.insertText(text, f);
        const QByteArray rtf = rtftest::writeDocument(document);
        QVERIFY2(rtf.contains(written), rtf.constData());
        if (family == QLatin1String("Symbol"))
            QVERIFY(rtf.contains("Symbol;") && rtf.contains("\\fcharset2 Symbol;"));
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(rtf)), text + QLatin1Char('\n'));
    }

    // Given a range inside a paragraph, when it is written, then only its characters and no
    // paragraph mark are written; a range over a mark writes the mark.
    void characterRange()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("first line\nsecond"));
        QByteArray part = rtftest::writeDocument(document, 6, 10);
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(part)), QStringLiteral("line\n"));
        QVERIFY(!part.contains("\\par\r"));
        part = rtftest::writeDocument(document, 6, 14);
        QCOMPARE(rtftest::documentText(*rtftest::readDocument(part)),
                 QStringLiteral("line\nsec\n"));
    }

    void emptyDocument()
    {
        QTextDocument document;
        const QByteArray rtf = rtftest::writeDocument(document);
        const auto reread = rtftest::readDocument(rtf);
        QCOMPARE(reread->characterCount(), 1);
        QCOMPARE(rtftest::writeDocument(*reread), rtf);
    }

    void sinkFailureIsReported()
    {
        const auto document = richDocument();
        int calls = 0;
        const bool ok = rtf::writeRtf(*document, 0, -1, [&](const char *, qint64) {
            ++calls;
            return false;
        });
        QVERIFY(!ok);
        QCOMPARE(calls, 1);
    }

    // Given a picture whose original bytes are JPEG, when written, then they are written
    // unchanged as \jpegblip; without objects, no picture is written.
    void pictureKinds()
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG");
        QTextDocument document;
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("img:j")), image);
        QTextImageFormat picture;
        picture.setName(QStringLiteral("img:j"));
        picture.setProperty(prop::ImageKind, QStringLiteral("jpeg"));
        picture.setProperty(prop::ImageData, jpeg);
        QTextCursor(&document).insertImage(picture);
        const QByteArray rtf = rtftest::writeDocument(document);
        QVERIFY(rtf.contains("\\jpegblip\\picw8\\pich8\\picwgoal120\\pichgoal120"));
        QVERIFY(rtf.contains(jpeg.left(16).toHex()));
        const auto reread = rtftest::readDocument(rtf);
        QCOMPARE(rtftest::writeDocument(*reread), rtf);

        QByteArray noObjects;
        rtf::WriteOptions options;
        options.noObjects = true;
        rtf::writeRtf(document, 0, -1, [&](const char *d, qint64 n) {
            noObjects.append(d, n);
            return true;
        }, options);
        QVERIFY(!noObjects.contains("\\pict"));
    }

    void corpusFixedPoint_data()
    {
        QTest::addColumn<QString>("file");
        const QDir dir(rtftest::corpusDir());
        const QStringList names = dir.entryList({QStringLiteral("*.rtf")});
        if (names.isEmpty())
            QSKIP(qPrintable(QStringLiteral("the shared RTF corpus is not at %1").arg(dir.absolutePath())));
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }
    // Given any corpus file, when it is read, written, read and written again, then both
    // writes give the same bytes and the text survives.
    void corpusFixedPoint()
    {
        QFETCH(QString, file);
        const auto document = rtftest::readDocument(rtftest::fileBytes(file));
        const QByteArray first = rtftest::writeDocument(*document);
        const auto reread = rtftest::readDocument(first);
        QCOMPARE(rtftest::documentText(*reread), rtftest::documentText(*document));
        QCOMPARE(describe(*reread), describe(*document));
        QCOMPARE(rtftest::writeDocument(*reread), first);
    }

    // Given what we write, when LibreOffice converts it to text, then it reads the same text;
    // when it converts it to RTF of its own, then we read the same runs back from that.
    void libreOfficeReadsWhatWeWrite()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        QTemporaryDir dir;
        const auto document = oracleDocument();
        QFile out(dir.filePath(QStringLiteral("ours.rtf")));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(rtftest::writeDocument(*document));
        out.close();
        auto convert = [&](const QString &filter, const QString &outDir) {
            QProcess p;
            p.start(soffice, {privateProfile(), QStringLiteral("--headless"),
                              QStringLiteral("--convert-to"), filter, QStringLiteral("--outdir"),
                              outDir, out.fileName()});
            return p.waitForFinished(180000) && p.exitCode() == 0;
        };
        QVERIFY(convert(QStringLiteral("txt:Text (encoded):UTF8"), dir.path()));
        QString text = QString::fromUtf8(rtftest::fileBytes(dir.filePath(QStringLiteral("ours.txt"))));
        text.remove(QChar(0xFEFF));
        // LibreOffice draws the bullets itself and puts them in front of the text.
        text.replace(QRegularExpression(QStringLiteral("(^|\\n) *\\x{2022} ")), QStringLiteral("\\1"));
        QCOMPARE(text, rtftest::documentText(*document));

        const QString theirs = dir.filePath(QStringLiteral("theirs"));
        QVERIFY(QDir().mkpath(theirs));
        QVERIFY(convert(QStringLiteral("rtf:Rich Text Format"), theirs));
        const auto reread =
            rtftest::readDocument(rtftest::fileBytes(theirs + QStringLiteral("/ours.rtf")));
        QCOMPARE(runs(*reread), runs(*document));
    }

    // Given a table we wrote (a title row spanning it, merged cells, shading, borders, a row
    // of other bounds, its own height, kept from splitting and padded), when LibreOffice
    // converts it to its own RTF, then it is still a table with the same cell texts and spans
    // when we read it back, the row still not to be split and its cells padded alike (a
    // cell's \clpadt is its left padding for both).
    void libreOfficeReadsOurTables()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        const QByteArray source =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red200\\green220\\blue255;}"
            "\\pard Before\\par"
            "\\trowd\\trgaph108\\trleft-108\\cellx9000\\pard\\intbl Title\\cell\\row"
            "\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
            "\\clcbpat1\\cellx3000\\clbrdrt\\brdrs\\brdrw10\\cellx6000\\cellx9000"
            "\\pard\\intbl Name\\cell Town\\cell Age\\cell\\row"
            "\\trowd\\trgaph108\\trleft-108\\clmgf\\cellx3000\\clmrg\\cellx6000\\cellx9000"
            "\\pard\\intbl Wide cell\\cell\\cell 42\\cell\\row"
            "\\trowd\\trgaph108\\trleft-108\\trrh-600\\trkeep\\trpaddl200\\trpaddfl3"
            "\\clpadt300\\clpadft3\\clftsWidth3\\clwWidth4608\\cellx4500\\cellx9000"
            "\\pard\\intbl Left half\\cell Right half\\cell\\row"
            "\\pard After\\par}";
        const auto document = rtftest::readDocument(source);
        QTemporaryDir dir;
        QFile out(dir.filePath(QStringLiteral("table.rtf")));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(rtftest::writeDocument(*document));
        out.close();
        const QString theirs = dir.filePath(QStringLiteral("theirs"));
        QVERIFY(QDir().mkpath(theirs));
        QProcess p;
        p.start(soffice, {privateProfile(), QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                          QStringLiteral("rtf:Rich Text Format"), QStringLiteral("--outdir"),
                          theirs, out.fileName()});
        QVERIFY(p.waitForFinished(180000) && p.exitCode() == 0);
        const QByteArray converted = rtftest::fileBytes(theirs + QStringLiteral("/table.rtf"));
        QVERIFY(converted.contains("\\trowd") && converted.contains("\\cell"));
        // A row's own height is one LibreOffice keeps (it lays rows of other indents or
        // alignments out as one table with one alignment, as the engine does).
        QVERIFY(converted.contains("\\trrh-600"));
        const auto reread = rtftest::readDocument(converted);
        QTextTable *table = nullptr;
        for (QTextFrame *f : reread->rootFrame()->childFrames())
            if ((table = qobject_cast<QTextTable *>(f)))
                break;
        QVERIFY(table);
        QCOMPARE(table->rows(), 4);
        auto cellText = [&](int r, int c) {
            QTextCursor cursor = table->cellAt(r, c).firstCursorPosition();
            cursor.setPosition(table->cellAt(r, c).lastCursorPosition().position(),
                               QTextCursor::KeepAnchor);
            return cursor.selectedText();
        };
        QCOMPARE(cellText(0, 0), QStringLiteral("Title"));
        QCOMPARE(table->cellAt(0, 0).columnSpan(), table->columns());
        // The cells of the header row, in order, each where the one before it ends.
        QStringList header;
        for (int c = 0; c < table->columns(); c += table->cellAt(1, c).columnSpan())
            header << cellText(1, c);
        QCOMPARE(header, (QStringList{"Name", "Town", "Age"}));
        QCOMPARE(cellText(2, 0), QStringLiteral("Wide cell"));
        QCOMPARE(cellText(2, table->cellAt(2, 0).columnSpan()), QStringLiteral("42"));
        QCOMPARE(cellText(3, 0), QStringLiteral("Left half"));
        QCOMPARE(cellText(3, table->cellAt(3, 0).columnSpan()), QStringLiteral("Right half"));
        QCOMPARE(table->cellAt(1, 0).format().background().color(), QColor(200, 220, 255));
        QVERIFY(rtftest::writeDocument(*reread).contains("\\trrh-600"));
        QVERIFY(converted.contains("\\trkeep"));
        const int right = table->cellAt(3, 0).columnSpan();
        QCOMPARE(table->cellAt(3, 0).format().toTableCellFormat().leftPadding(), 300 / 15.0);
        QCOMPARE(table->cellAt(3, right).format().toTableCellFormat().leftPadding(), 200 / 15.0);
    }
};

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
