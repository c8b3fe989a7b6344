// The text PDF as users reach it: the command line's --convert ... --pdf-text, and the save
// dialog's "PDF with selectable text (*.pdf)" entry in the window, checked with the outside PDF
// tools (pdftotext, pdffonts, pdfinfo) against what the print preview shows.
#include "app/Forms.h"
#include "app/Main.h"
#include "preview/GmPreview.h"
#include "preview/PrintPreview.h"
#include "support/PdfInspect.h"
#include "support/SolidPng.h"
#include "support/ScriptedDialogs.h"
#include "support/TallRow.h"
#include "support/WindowDriver.h"

#include <QBuffer>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using pdfinspect::runTool;

namespace {

// SHA-256 of the picture export of pictureExportIsUnchanged's document, creation date masked.
constexpr char kPicturePdfSha256[] =
    "0725b3f08d87c770fddb7811d60328d1362729c3558e6a29afa6b0d250e69b9f";

struct Run {
    int code = -1;
    QByteArray err;
    QByteArray out;
};

Run scrivelle(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(SCV_BINARY), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError(),
            p.readAllStandardOutput()};
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

// A document of numbered words: short paragraphs, then one paragraph long enough to run over
// a page break, then short ones again. Every word is unique, so order and repeats show.
QByteArray numberedWords(QStringList &words)
{
    QByteArray text;
    int n = 0;
    auto paragraph = [&](int count) {
        QStringList p;
        for (int i = 0; i < count; ++i)
            p << QStringLiteral("w%1").arg(n++, 4, 10, QLatin1Char('0'));
        words << p;
        text += p.join(QLatin1Char(' ')).toLatin1() + "\r\n";
    };
    for (int i = 0; i < 30; ++i)
        paragraph(12);
    paragraph(900);
    for (int i = 0; i < 30; ++i)
        paragraph(12);
    return text;
}

// Rich text of numbered words with bordered two-column tables: a short paragraph, rows of
// one-line and several-line cells, and a long paragraph after each table, repeated until
// page breaks fall between rows, inside the paragraphs and right after a table.
QByteArray numberedWordsInTables(QStringList &words)
{
    int n = 0;
    auto run = [&](int count) {
        QStringList p;
        for (int i = 0; i < count; ++i)
            p << QStringLiteral("w%1").arg(n++, 4, 10, QLatin1Char('0'));
        words << p;
        return p.join(QLatin1Char(' ')).toLatin1();
    };
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs24 ";
    for (int t = 0; t < 12; ++t) {
        rtf += "\\pard " + run(12) + "\\par\n";
        for (int r = 0; r < 6; ++r) {
            const QByteArray left = run(1); // numbered in reading order
            const QByteArray right = run(r % 2 ? 25 : 4);
            rtf += "\\trowd\\trgaph108\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx3000"
                   "\\clbrdrt\\brdrs\\clbrdrb\\brdrs\\cellx9000 \\pard\\intbl " + left
                + "\\cell\\pard\\intbl " + right + "\\cell\\row\n";
        }
        rtf += "\\pard " + run(40) + "\\par\n";
    }
    return rtf + "}";
}

QStringList wordsOf(const QByteArray &text)
{
    return QString::fromUtf8(text).split(QRegularExpression(QStringLiteral("\\s+")),
                                         Qt::SkipEmptyParts);
}

int pdfPages(const QString &pdf)
{
    const QByteArray info = runTool(QStringLiteral("pdfinfo"), {pdf}).out;
    return QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                              QRegularExpression::MultilineOption)
        .match(QString::fromLatin1(info)).captured(1).toInt();
}

QString pageSize(const QString &pdf)
{
    const QByteArray info = runTool(QStringLiteral("pdfinfo"), {pdf}).out;
    return QRegularExpression(QStringLiteral("^Page size:\\s+(\\S+ x \\S+) pts"),
                              QRegularExpression::MultilineOption)
        .match(QString::fromLatin1(info)).captured(1);
}

// The font rows of pdffonts: name and the "emb" column.
QList<std::pair<QString, QString>> fonts(const QString &pdf)
{
    QList<std::pair<QString, QString>> rows;
    const QList<QByteArray> lines = runTool(QStringLiteral("pdffonts"), {pdf}).out.split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = QString::fromLatin1(lines[i]).split(QLatin1Char(' '),
                                                                     Qt::SkipEmptyParts);
        if (cols.size() >= 7)
            rows.append({cols.first(), cols.at(cols.size() - 5)});
    }
    return rows;
}

QByteArray pdfText(const QString &pdf)
{
    return runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out;
}

} // namespace

class TestTextPdfExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *tool : {"pdftotext", "pdffonts", "pdfinfo", "pdfimages"})
            QVERIFY2(pdfinspect::haveTool(tool), tool);
    }

    void commandLineGivesTheTextInOrderWithEmbeddedFonts_data()
    {
        QTest::addColumn<bool>("tables");
        QTest::newRow("paragraphs") << false;
        QTest::newRow("tables") << true;
    }

    void commandLineGivesTheTextInOrderWithEmbeddedFonts()
    {
        QFETCH(bool, tables);
        QTemporaryDir dir;
        QStringList words;
        const QString txt = dir.filePath(tables ? QStringLiteral("words.rtf")
                                                : QStringLiteral("words.txt"));
        writeFile(txt, tables ? numberedWordsInTables(words) : numberedWords(words));
        const QString pdf = dir.filePath(QStringLiteral("words.pdf"));

        const Run run = scrivelle({QStringLiteral("--convert"), txt, pdf,
                                   QStringLiteral("--pdf-text")});
        QCOMPARE(run.code, 0);

        // Every word once and in order, the lines and rows at the page breaks too.
        QCOMPARE(wordsOf(pdfText(pdf)), words);
        const auto rows = fonts(pdf);
        QVERIFY(!rows.isEmpty());
        for (const auto &row : rows)
            QVERIFY2(row.second == QLatin1String("yes"), qPrintable(row.first));
        // The same pages as the preview's layout, as the page job reports it.
        const Run pages = scrivelle({QStringLiteral("--pages"), txt});
        const int expected = QRegularExpression(QStringLiteral("^Pages: (\\d+)"))
                                 .match(QString::fromLatin1(pages.out)).captured(1).toInt();
        QVERIFY(expected >= 3);
        QCOMPARE(pdfPages(pdf), expected);
        QCOMPARE(pageSize(pdf), QStringLiteral("595 x 842"));
        // Real text is small: far below the picture PDF's 160 KB a page.
        QVERIFY(QFileInfo(pdf).size() < 30000 * expected);
    }

    // A table row taller than a page goes on over the next pages in both PDFs: in the text PDF
    // every line of both cells once and in order, as many pages as the preview's layout has.
    void tallRowGoesOnOverPages()
    {
        QTemporaryDir dir;
        QStringList first;
        QStringList second;
        const QString rtf = dir.filePath(QStringLiteral("tall.rtf"));
        writeFile(rtf, tallrow::document(first, second));
        const QString text = dir.filePath(QStringLiteral("text.pdf"));
        const QString picture = dir.filePath(QStringLiteral("picture.pdf"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, text, QStringLiteral("--pdf-text")})
                     .code, 0);
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, picture}).code, 0);

        const QStringList words = wordsOf(pdfText(text));
        auto only = [&words](QChar prefix) {
            QStringList w;
            for (const QString &word : words)
                if (word.size() == 4 && word.startsWith(prefix) && word.at(1).isDigit())
                    w << word;
            return w;
        };
        QCOMPARE(only(QLatin1Char('a')), first);
        QCOMPARE(only(QLatin1Char('g')), second);
        for (const char *word : {"Before.", "one", "two", "three", "four", "After."})
            QCOMPARE(words.count(QLatin1String(word)), 1);

        const Run pages = scrivelle({QStringLiteral("--pages"), rtf});
        const int expected = QRegularExpression(QStringLiteral("^Pages: (\\d+)"))
                                 .match(QString::fromLatin1(pages.out)).captured(1).toInt();
        QVERIFY2(expected >= 4, pages.out.constData());
        QCOMPARE(pdfPages(text), expected);
        // The picture export has a page of its own size; the row goes on over its pages too.
        QVERIFY2(pdfPages(picture) >= 4, qPrintable(QString::number(pdfPages(picture))));
    }

    void picturesStayPictures()
    {
        QTemporaryDir dir;
        const QByteArray png = testsupport::solidPng(40, 30, Qt::red);
        const QString rtf = dir.filePath(QStringLiteral("pic.rtf"));
        writeFile(rtf, "{\\rtf1\\ansi Before {\\pict\\pngblip\\picw40\\pich30\\picwgoal1200"
                       "\\pichgoal900 " + png.toHex() + "} after.\\par}");
        const QString pdf = dir.filePath(QStringLiteral("pic.pdf"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, pdf, QStringLiteral("--pdf-text")})
                     .code, 0);
        QCOMPARE(QString::fromUtf8(pdfText(pdf)).simplified(), QStringLiteral("Before after."));
        const QList<QByteArray> images =
            runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).out.split('\n');
        QCOMPARE(images.size(), 4); // two heading lines, one image, the final newline
        QVERIFY(images.at(2).simplified().startsWith("1 0 image 40 30 rgb"));
    }

    // The picture export stays the default for ".pdf" and writes the bytes it always wrote
    // (this hash was taken before the text PDF existed; the creation date is masked).
    void pictureExportIsUnchanged()
    {
        QTemporaryDir dir;
        const QString rtf = dir.filePath(QStringLiteral("picture.rtf"));
        writeFile(rtf, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}"
                       "\\f0\\fs24 Plain {\\b bold} {\\i italic}\\par"
                       "\\f1\\fs32 A heading in Arial\\par"
                       "\\f0\\fs20 Small text with a tab\\tab and more.\\par}");
        const QString pdf = dir.filePath(QStringLiteral("picture.pdf"));
        QCOMPARE(scrivelle({QStringLiteral("--convert"), rtf, pdf}).code, 0);
        QByteArray bytes = readFile(pdf);
        bytes.replace(QRegularExpression(QStringLiteral("CreationDate \\(D:\\d+"))
                          .match(QString::fromLatin1(bytes)).captured(0).toLatin1(),
                      "CreationDate (D:");
        QVERIFY(fonts(pdf).size() <= 14); // only the writer's standard fonts, never embedded
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 QByteArray(kPicturePdfSha256));
    }

    void commandLineRefusals()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("in.txt"));
        writeFile(txt, "Some text\r\n");

        // Given a name that is no PDF, nothing is written.
        const QString rtf = dir.filePath(QStringLiteral("out.rtf"));
        Run run = scrivelle({QStringLiteral("--convert"), txt, rtf, QStringLiteral("--pdf-text")});
        QVERIFY(run.code != 0);
        QVERIFY(run.err.contains("--pdf-text needs an OUTPUT name ending in .pdf"));
        QVERIFY(!QFile::exists(rtf));

        // A folder in the way of the output: the error names it, the folder stays.
        const QString folder = dir.filePath(QStringLiteral("taken.pdf"));
        QVERIFY(QDir().mkdir(folder));
        run = scrivelle({QStringLiteral("--convert"), txt, folder, QStringLiteral("--pdf-text")});
        QVERIFY(run.code != 0);
        QVERIFY2(run.err.contains("Cannot create file " + folder.toUtf8()), run.err);
        QVERIFY(QFileInfo(folder).isDir());

        // A name through a regular file cannot be made: the error names it.
        const QString through = txt + QStringLiteral("/x.pdf");
        run = scrivelle({QStringLiteral("--convert"), txt, through, QStringLiteral("--pdf-text")});
        QVERIFY(run.code != 0);
        QVERIFY2(run.err.contains("Cannot create file " + through.toUtf8()), run.err);
        QCOMPARE(readFile(txt), QByteArray("Some text\r\n"));
    }

    // The real save dialog: the user picks the text PDF entry, types a name without extension,
    // and gets a text PDF; the entries before it keep their places.
    void saveDialogEntryMakesATextPdf()
    {
        QTemporaryDir dir;
        WindowDriver w(dir.path());
        w.type(QStringLiteral("Searchable words in the window"));
        w.useRealDialogs();
        w->SaveDialog1.initialFolder = dir.path();
        QStringList filters;
        w.onDialog([&](QWidget *d) {
            auto *dialog = qobject_cast<QFileDialog *>(d);
            QVERIFY(dialog);
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            for (int i = 0; i < types->count(); ++i)
                filters << types->itemText(i);
            types->setFocus();
            QTest::keyClick(types, Qt::Key_End);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(dir.filePath(QStringLiteral("report")));
            QTest::keyClick(name, Qt::Key_Return);
        });
        QString message;
        w.onDialog([&](QWidget *d) {
            auto *box = qobject_cast<QMessageBox *>(d);
            QVERIFY(box);
            message = box->text();
            box->accept();
        });
        w.choose(QStringLiteral("Export Document As..."));
        QVERIFY(w.dialogsHandled());
        QCOMPARE(filters.size(), 7);
        QCOMPARE(filters.at(3), QStringLiteral("Portable Document Format (*.pdf)"));
        QCOMPARE(filters.at(6), QStringLiteral("PDF with selectable text (*.pdf)"));
        QCOMPARE(message, QStringLiteral("Document succesfully exported to PDF format."));

        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(QString::fromUtf8(pdfText(pdf)).simplified(),
                 QStringLiteral("Searchable words in the window"));
        QVERIFY(!fonts(pdf).isEmpty());
        // An export: the document keeps its name and stays unsaved.
        QVERIFY(w->Editor->DocumentModified());
        QVERIFY(!w.caption().contains(QStringLiteral("report")));
    }

    // With the program's windows: the header typed in the print preview and its paper are in
    // the text PDF, page for page; the picture entry still makes a picture PDF.
    void previewChoicesReachThePdf()
    {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        std::optional<ProgramWindows> windows(createProgramWindows());
        TfrmMainEditor *main = windows->main;
        main->setSettingsPath(dir.filePath(QStringLiteral("DeskTopDock.ini")));
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        QStringList lines;
        for (int i = 1; i <= 140; ++i)
            lines << QStringLiteral("Line %1 of the export test.").arg(i);
        main->Editor->setWindowText(lines.join(QLatin1Char('\r')));

        TForm1 *preview = frmPrintPreview();
        TGmPreview *pages = preview->GmPreview1;
        pages->Header().setCaption(TGmHeaderFooter::CenterCaption,
                                   QStringLiteral("Sheet {PAGE} of {NUMPAGES}"));
        pages->SetPaperSize(TGmPaperSize::Letter);

        const QString text = dir.filePath(QStringLiteral("text.pdf"));
        dialogs.answerFile(text, 7);
        main->ExportDocumentAs1->trigger();
        QVERIFY(dialogs.allAnswered());
        QCOMPARE(pdfPages(text), pages->Count());
        QCOMPARE(pages->Count(), 3);
        QCOMPARE(pageSize(text), QStringLiteral("612 x 792"));
        const QString extracted = QString::fromUtf8(pdfText(text));
        for (int n = 1; n <= 3; ++n)
            QVERIFY(extracted.contains(QStringLiteral("Sheet %1 of 3").arg(n)));
        QVERIFY(extracted.indexOf(QStringLiteral("Line 139 of")) > extracted.indexOf(
                    QStringLiteral("Line 2 of")));

        // Turned to landscape: wider, shorter pages, more of them, as the preview has them.
        pages->SetOrientation(gmLandscape);
        dialogs.answerFile(text, 7);
        main->ExportDocumentAs1->trigger();
        QVERIFY(dialogs.allAnswered());
        QVERIFY(pages->Count() > 3);
        QCOMPARE(pdfPages(text), pages->Count());
        QCOMPARE(pageSize(text), QStringLiteral("792 x 612"));

        const QString picture = dir.filePath(QStringLiteral("picture.pdf"));
        dialogs.answerFile(picture, 4);
        main->ExportDocumentAs1->trigger();
        QVERIFY(dialogs.allAnswered());
        QCOMPARE(QString::fromUtf8(pdfText(picture)).simplified(), QString());
        QCOMPARE(pageSize(picture), QStringLiteral("596 x 842"));
        main->Editor->setDocumentModified(false);
        windows.reset();
    }
};

QTEST_MAIN(TestTextPdfExport)
#include "tst_textpdfexport.moc"
