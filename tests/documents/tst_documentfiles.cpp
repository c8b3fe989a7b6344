// Document life through the real main window: New, Open, Save, Save As, the save-changes
// prompt, the format table, compressed Rich Text, and the decided safety rules.
#include <QtTest>

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Main.h"
#include "support/ScriptedDialogs.h"
#include "widgets/StatusBar.h"

#include "text/CodePage.h"

#include <QDir>
#include <QAbstractTextDocumentLayout>
#include <QTextTable>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using dialogs::Answer;
using Kind = ScriptedDialogs::Kind;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Python's zlib as the outside oracle for the compressed format.
QByteArray python(const QString &script, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QByteArray("python failed: ") + p.readAllStandardError();
    return p.readAllStandardOutput();
}

} // namespace

class TestDocumentFiles : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TfrmMainEditor> m_w;
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void LoadDocumentThroughOpen(const QString &file)
    {
        m_dialogs->answerFile(file);
        m_w->btnOpenDocClick();
    }
    void type(const QString &text)
    {
        m_w->Editor->setFocus();
        QTest::keyClicks(m_w->Editor, text);
    }
    // Runs a command as the window does; true when it ended with the silent abort.
    static bool aborts(const std::function<void()> &command)
    {
        try {
            command();
        } catch (const EAbort &) {
            return true;
        }
        return false;
    }
    QString error(const std::function<void()> &command)
    {
        try {
            command();
        } catch (const std::exception &e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    }

private slots:
    void init()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_w = std::make_unique<TfrmMainEditor>();
        m_w->setSettingsPath(path(QStringLiteral("DeskTopDock.ini")));
        m_w->setHeadless(true);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    }
    void cleanup()
    {
        m_w.reset();
        m_dialogs.reset();
    }

    void savingAnUntitledDocumentAsksForAName()
    {
        type(QStringLiteral("hello"));
        QVERIFY(m_w->Editor->DocumentModified());
        m_w->SaveDialog1.initialFolder = m_dir.path();
        m_dialogs->answerFile(QStringLiteral("Untitled Document"));
        m_w->btnSaveDocClick();
        const auto shown = m_dialogs->shownOf(Kind::SaveFile);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].file.fileName, QStringLiteral("Untitled Document"));
        const QString saved = path(QStringLiteral("Untitled Document.rtf"));
        QVERIFY(QFile::exists(saved));
        QCOMPARE(m_w->DocumentFileName, saved);
        QCOMPARE(m_w->windowTitle(), QStringLiteral("Tessra Office - >>  [Untitled Document.rtf]"));
        QCOMPARE(applicationTitle(), QStringLiteral("Untitled Document.rtf"));
        QVERIFY(!m_w->Editor->DocumentModified());
        QCOMPARE(m_w->StatusBar1->panelText(5), QString());
        // A second save writes to the name without asking.
        type(QStringLiteral(" again"));
        m_w->btnSaveDocClick();
        QCOMPARE(m_dialogs->shownOf(Kind::SaveFile).size(), 1);
    }

    void saveAsProposesTheNameWithoutExtensionInItsFolder()
    {
        type(QStringLiteral("letter"));
        m_w->SaveDocument(path(QStringLiteral("letter.rtc")));
        m_dialogs->cancelNext();
        m_w->SaveAs1Click();
        const auto shown = m_dialogs->shownOf(Kind::SaveFile);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].file.fileName, path(QStringLiteral("letter")));
    }

    void exportsKeepNameCaptionAndModifiedFlag()
    {
        type(QStringLiteral("report"));
        m_w->SaveDocument(path(QStringLiteral("report.rtf")));
        type(QStringLiteral(" more"));
        const QString caption = m_w->windowTitle();
        m_w->SaveDocument(path(QStringLiteral("report.pdf")));
        QVERIFY(QFile::exists(path(QStringLiteral("report.pdf"))));
        QCOMPARE(m_w->DocumentFileName, path(QStringLiteral("report.rtf")));
        QCOMPARE(m_w->windowTitle(), caption);
        QVERIFY(m_w->Editor->DocumentModified()); // the document itself was not saved
        QCOMPARE(m_dialogs->shownOf(Kind::Information).last().text,
                 QStringLiteral("Document succesfully exported to PDF format."));
    }

    void savingAsTextDropsTheFormattingOnScreen()
    {
        type(QStringLiteral("bold"));
        m_w->Editor->SelectEverything();
        m_w->Editor->SelectionFormat.setStyle(fsBold);
        m_w->SaveDocument(path(QStringLiteral("plain.txt")));
        QVERIFY(m_w->Editor->PlainText());
        m_w->Editor->SelectEverything();
        QCOMPARE(m_w->Editor->SelectionFormat.Style(), 0);
        QCOMPARE(readAll(path(QStringLiteral("plain.txt"))), QByteArray("bold"));
        // New returns the control to Rich Text.
        m_w->btnNewDocClick();
        QVERIFY(!m_w->Editor->PlainText());
    }

    // A long document (more paragraphs than the control empties one by one) saved as text:
    // the file holds every paragraph, the window the plain text, and New empties it.
    void savingALongDocumentAsText()
    {
        QTextCursor c(m_w->Editor->document());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QByteArray expected;
        for (int i = 0; i < 20000; ++i) {
            if (i > 0) {
                c.insertBlock();
                expected += "\r\n";
            }
            const QString line = QStringLiteral("line %1").arg(i);
            c.insertText(line, i % 3 ? QTextCharFormat() : bold);
            expected += line.toLatin1();
        }
        m_w->SaveDocument(path(QStringLiteral("long.txt")));
        QCOMPARE(readAll(path(QStringLiteral("long.txt"))), expected);
        QVERIFY(m_w->Editor->PlainText());
        QCOMPARE(m_w->Editor->document()->blockCount(), 20000);
        QTextCursor first(m_w->Editor->document());
        first.movePosition(QTextCursor::NextCharacter);
        QCOMPARE(first.charFormat().fontWeight(), int(QFont::Normal));
        QVERIFY(!m_w->Editor->canUndo());
        m_w->btnNewDocClick();
        QVERIFY(m_w->Editor->document()->isEmpty());
        QVERIFY(!m_w->Editor->PlainText());
        QVERIFY(!m_w->Editor->modify());
    }

    void faultFiles_data()
    {
        QTest::addColumn<QString>("file");
        const QDir dir(QStringLiteral(SCV_TEST_DATA_DIR "/rtf"));
        for (const QString &name : dir.entryList({QStringLiteral("*.expected.txt")})) {
            QString rtf = name;
            rtf.replace(QLatin1String(".expected.txt"), QLatin1String(".rtf"));
            QTest::newRow(qPrintable(rtf)) << dir.filePath(rtf);
        }
    }
    // Given a file from another word processor, when it is opened through the Open dialog and
    // saved as plain text through Save As, then the text file holds its expected text: manual
    // line breaks as line breaks, every character of every code page, list labels, and table
    // rows with their cells separated by tabs.
    void faultFiles()
    {
        QFETCH(QString, file);
        QString expectedName = file;
        expectedName.replace(QLatin1String(".rtf"), QLatin1String(".expected.txt"));
        const QString expected = QString::fromUtf8(readAll(expectedName));
        m_dialogs->answerFile(file);
        m_w->btnOpenDocClick();
        QCOMPARE(m_w->DocumentFileName, file);
        const QString saved = path(QStringLiteral("saved.txt"));
        m_dialogs->answerFile(saved);
        m_w->SaveAs1Click();
        QString text = text::decodePlainText(readAll(saved));
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        // Vietnamese may come composed or with combining marks: both are the same text.
        QCOMPARE((text + QLatin1Char('\n')).normalized(QString::NormalizationForm_C),
                 expected.normalized(QString::NormalizationForm_C));
    }

    // Given a table opened from a file, when the user presses Tab in a cell, then the next
    // cell's text is selected; typing replaces it and Bold acts on the cell's text; Tab in the
    // last cell adds a row. Saved, the table is still a table with the new text.
    void editingInTableCells()
    {
        LoadDocumentThroughOpen(QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table.wordpad.rtf"));
        QTextTable *table = nullptr;
        for (QTextFrame *f : m_w->Editor->document()->rootFrame()->childFrames())
            table = qobject_cast<QTextTable *>(f);
        QVERIFY(table);
        QTextCursor c = table->cellAt(1, 0).firstCursorPosition();
        m_w->Editor->setTextCursor(c);
        m_w->Editor->setFocus();
        QTest::keyClick(m_w->Editor, Qt::Key_Tab);
        QCOMPARE(m_w->Editor->textCursor().selectedText(), QStringLiteral("2.50"));
        QTest::keyClicks(m_w->Editor, QStringLiteral("4.20"));
        QTest::keyClick(m_w->Editor, Qt::Key_Home, Qt::ShiftModifier);
        m_w->Bold1->trigger();
        QVERIFY(m_w->Editor->textCursor().charFormat().fontWeight() >= QFont::Bold);
        QCOMPARE(table->rows(), 3);
        m_w->Editor->setTextCursor(table->cellAt(2, 1).firstCursorPosition());
        QTest::keyClick(m_w->Editor, Qt::Key_Tab);
        QCOMPARE(table->rows(), 4);
        QTest::keyClicks(m_w->Editor, QStringLiteral("Juice"));
        QTest::keyClick(m_w->Editor, Qt::Key_Backtab);
        QCOMPARE(m_w->Editor->textCursor().selectedText(), QStringLiteral("3.10"));

        const QString saved = path(QStringLiteral("prices.rtf"));
        m_w->SaveDocument(saved);
        const QByteArray rtf = readAll(saved);
        QVERIFY2(rtf.contains("\\intbl") && rtf.contains("\\b 4.20"), rtf.constData());
        m_w->SaveDocument(path(QStringLiteral("prices.txt")));
        QCOMPARE(readAll(path(QStringLiteral("prices.txt"))),
                 QByteArray("Prices:\r\nItem\tPrice\r\nTea\t4.20\r\nCoffee\t3.10\r\nJuice\t\r\n"
                            "Thank you."));
    }

    // Given a table whose rows are placed differently (indent, alignment, gap, height, a
    // heading row), when it is opened with Open and saved with Save As under another name,
    // then each row of the saved file keeps its own placement.
    void tableRowsKeepTheirPlacementThroughSaveAs()
    {
        m_dialogs->answerFile(QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_row_placement.word.rtf"));
        m_w->Open1->trigger();
        const QString saved = path(QStringLiteral("hours.rtf"));
        m_dialogs->answerFile(saved);
        m_w->SaveAs1->trigger();
        const QByteArray rtf = readAll(saved);
        for (const char *row : {"\\trowd\\trgaph108\\trleft-108\\trrh397\\trhdr\\trbrdrt",
                                "\\trowd\\trgaph72\\trleft720\\trqc\\trrh-567\\trbrdrt",
                                "\\trowd\\trgaph108\\trleft-108\\trqr\\trbrdrt"})
            QVERIFY2(rtf.contains(row), row);
    }

    // Given a table whose rows are placed apart (indented, centred, right), when it is
    // opened with Open, then each row shows at its place with no gap between the rows; Tab
    // goes on from cell to cell across the rows placed apart and Shift+Tab goes back; typing
    // replaces a cell's text; the joints between the rows are no lines of the text. Saved
    // with Save As and opened again, the rows keep their places and the typed text.
    void rowsPlacedApartInTheWindow()
    {
        m_dialogs->answerFile(QStringLiteral(SCV_TEST_DATA_DIR "/rtf/table_row_indents.libreoffice.rtf"));
        m_w->Open1->trigger();
        QTextDocument *doc = m_w->Editor->document();
        const auto tables = [this] { // (of the document the editor has now)
            QList<QTextTable *> list;
            for (QTextFrame *f : m_w->Editor->document()->rootFrame()->childFrames())
                list << qobject_cast<QTextTable *>(f);
            return list;
        };
        QCOMPARE(tables().size(), 5);
        QAbstractTextDocumentLayout *layout = doc->documentLayout();
        QList<QRectF> boxes;
        for (QTextTable *t : tables())
            boxes << layout->frameBoundingRect(t);
        QVERIFY(boxes[1].left() > boxes[0].left() + 50);
        QVERIFY(boxes[2].left() > boxes[1].left());
        QVERIFY(boxes[3].left() > boxes[2].left());
        QCOMPARE(boxes[4].left(), boxes[0].left());
        for (qsizetype i = 1; i < boxes.size(); ++i)
            QCOMPARE(boxes[i].top(), boxes[i - 1].bottom());
        QCOMPARE(m_w->Editor->Lines.LineCount(), doc->blockCount() - 4);

        // Delete at the end of a row, Backspace at the start of the next, or either in the
        // joint between them join nothing.
        m_w->Editor->setFocus();
        const QString before = m_w->Editor->windowText();
        const int joint = tables()[0]->lastPosition() + 1;
        const std::pair<int, Qt::Key> presses[] = {{joint - 1, Qt::Key_Delete},
                                                   {joint, Qt::Key_Delete},
                                                   {joint, Qt::Key_Backspace},
                                                   {joint + 1, Qt::Key_Backspace}};
        for (const auto &[at, key] : presses) {
            QTextCursor c(doc);
            c.setPosition(at);
            m_w->Editor->setTextCursor(c);
            QTest::keyClick(m_w->Editor, key);
            QCOMPARE(m_w->Editor->windowText(), before);
        }
        QCOMPARE(m_w->Editor->windowText(), before);
        QCOMPARE(tables().size(), 5);

        m_w->Editor->setTextCursor(tables()[0]->cellAt(1, 2).firstCursorPosition());
        const QList<std::pair<QString, QString>> steps = {
            {QStringLiteral("Indented"), QStringLiteral("Moved")},
            {QStringLiteral("one inch"), QString()},
            {QStringLiteral("Centred"), QStringLiteral("Middle")},
            {QStringLiteral("row"), QString()},
            {QStringLiteral("Right"), QStringLiteral("Edge")},
            {QStringLiteral("row"), QString()},
            {QStringLiteral("Coffee"), QStringLiteral("Milk")}};
        for (const auto &[selected, typed] : steps) {
            QTest::keyClick(m_w->Editor, Qt::Key_Tab);
            QCOMPARE(m_w->Editor->textCursor().selectedText(), selected);
            QTest::keyClicks(m_w->Editor, typed);
        }
        QTest::keyClick(m_w->Editor, Qt::Key_Backtab);
        QCOMPARE(m_w->Editor->textCursor().selectedText(), QStringLiteral("row"));
        QTest::keyClick(m_w->Editor, Qt::Key_Backtab);
        QCOMPARE(m_w->Editor->textCursor().selectedText(), QStringLiteral("Edge"));
        QCOMPARE(tables().size(), 5);

        const QString saved = path(QStringLiteral("prices.rtf"));
        m_dialogs->answerFile(saved);
        m_w->SaveAs1->trigger();
        const QByteArray rtf = readAll(saved);
        QCOMPARE(rtf.count("\\row\r\n\\pard"), 1); // (before "Prices" only)
        m_dialogs->answerFile(saved);
        m_w->Open1->trigger();
        QCOMPARE(m_w->DocumentFileName, saved);
        QCOMPARE(tables().size(), 5);
        doc = m_w->Editor->document();
        QStringList firstCells;
        QList<qreal> lefts;
        for (QTextTable *t : tables()) {
            const QTextTableCell cell = t->cellAt(t->rows() - 1, 0);
            firstCells << doc->findBlock(cell.firstPosition()).text();
            lefts << doc->documentLayout()->frameBoundingRect(t).left();
        }
        QCOMPARE(firstCells, (QStringList{QStringLiteral("Tea"), QStringLiteral("Moved"),
                                          QStringLiteral("Middle"), QStringLiteral("Edge"),
                                          QStringLiteral("Milk")}));
        QCOMPARE(lefts[1], boxes[1].left());
        QCOMPARE(lefts[3], boxes[3].left());
    }

    void promptAnswers()
    {
        type(QStringLiteral("keep"));
        // Cancel on New keeps the document and its flag.
        m_dialogs->answer(Answer::Cancel);
        QVERIFY(aborts([&] { m_w->btnNewDocClick(); }));
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("keep"));
        QVERIFY(m_w->Editor->DocumentModified());
        QCOMPARE(m_dialogs->shownOf(Kind::Confirmation).last().text,
                 QStringLiteral("Save changes to  [Untitled Document] ?"));
        // No, then cancelling the Open dialog: document kept, flag cleared.
        m_dialogs->answer(Answer::No);
        m_dialogs->cancelNext();
        m_w->btnOpenDocClick();
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("keep"));
        QVERIFY(!m_w->Editor->DocumentModified());
        QCOMPARE(m_dialogs->shownOf(Kind::OpenFile).last().file.title, QStringLiteral("Open Document"));
    }

    void yesThenCancelledSaveDialogStopsTheCommand()
    {
        type(QStringLiteral("precious"));
        m_dialogs->answer(Answer::Yes);
        m_dialogs->cancelNext();
        QVERIFY(aborts([&] { m_w->btnNewDocClick(); }));
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("precious"));
        QVERIFY(m_w->Editor->DocumentModified());
    }

    void extensionsInAnyCaseAndUnsupportedNames()
    {
        type(QStringLiteral("shout"));
        m_w->SaveDocument(path(QStringLiteral("LOUD.RTF")));
        QVERIFY(readAll(path(QStringLiteral("LOUD.RTF"))).startsWith("{\\rtf1"));
        type(QStringLiteral("!"));
        const QString before = m_w->DocumentFileName;
        m_w->SaveDocument(path(QStringLiteral("notes.xyz")));
        QVERIFY(!QFile::exists(path(QStringLiteral("notes.xyz"))));
        QCOMPARE(m_w->DocumentFileName, before);
        QVERIFY(m_w->Editor->DocumentModified());
        QCOMPARE(m_dialogs->shownOf(Kind::Information).last().text,
                 QStringLiteral("Unsupported file type: %1").arg(path(QStringLiteral("notes.xyz"))));
        // Opening one reads nothing and changes nothing.
        writeFile(path(QStringLiteral("data.xyz")), "junk");
        m_w->LoadDocument(path(QStringLiteral("data.xyz")));
        QCOMPARE(m_w->DocumentFileName, before);
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("shout!"));
        // Capitals open too.
        writeFile(path(QStringLiteral("UP.TXT")), "upper case name");
        m_w->LoadDocument(path(QStringLiteral("UP.TXT")));
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("upper case name"));
    }

    void compressedFilesAreZlibOfTheRtf()
    {
        type(QStringLiteral("Compressed text, twice compressed text."));
        const QString rtc = path(QStringLiteral("doc.rtc"));
        const QString rtf = path(QStringLiteral("doc.rtf"));
        m_w->SaveDocument(rtc);
        m_w->SaveDocument(rtf);
        const QByteArray packed = readAll(rtc);
        QCOMPARE(packed.left(2), QByteArray("\x78\x01"));
        QVERIFY(!QFile::exists(rtc + QStringLiteral(".tmp")));
        const QByteArray inflated = python(
            QStringLiteral("import sys,zlib; sys.stdout.buffer.write(zlib.decompress(open(sys.argv[1],'rb').read()))"),
            {rtc});
        QCOMPARE(inflated, readAll(rtf));
        // Back in: the same text.
        m_w->LoadDocument(rtc);
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("Compressed text, twice compressed text."));
    }

    void anyZlibLevelOpens()
    {
        const QString rtc = path(QStringLiteral("nine.rtc"));
        python(QStringLiteral("import sys,zlib; open(sys.argv[1],'wb').write(zlib.compress(b'{\\\\rtf1\\\\ansi level nine\\\\par}', 9))"),
               {rtc});
        QCOMPARE(readAll(rtc).left(2), QByteArray("\x78\xDA"));
        m_w->LoadDocument(rtc);
        QVERIFY(m_w->Editor->windowText().startsWith(QStringLiteral("level nine")));
    }

    void damagedCompressedFiles()
    {
        // Plain RTF under the compressed name.
        const QString plain = path(QStringLiteral("plain.rtc"));
        writeFile(plain, "{\\rtf1\\ansi plain\\par}");
        QCOMPARE(error([&] { m_w->LoadDocument(plain); }), QStringLiteral("Failed to Load Stream"));
        QVERIFY(m_w->Editor->updatesEnabled());
        // Corrupted in the middle of the deflate data: the checksum cannot match.
        type(QStringLiteral("some text to compress and then damage"));
        const QString good = path(QStringLiteral("good.rtc"));
        m_w->SaveDocument(good);
        QByteArray bytes = readAll(good);
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x55);
        bytes[bytes.size() - 2] = char(bytes[bytes.size() - 2] ^ 0x55);
        const QString bad = path(QStringLiteral("bad.rtc"));
        writeFile(bad, bytes);
        QCOMPARE(error([&] { m_w->LoadDocument(bad); }), QStringLiteral("Failed to Load Stream"));
        QVERIFY(m_w->Editor->updatesEnabled());
        // Cut anywhere before zlib's end marker: a damaged file, never part of a document.
        const QByteArray whole = readAll(good);
        for (int cut = 0; cut < whole.size(); ++cut) {
            const QString cutName = path(QStringLiteral("cut.rtc"));
            writeFile(cutName, whole.left(cut));
            QCOMPARE(error([&] { m_w->LoadDocument(cutName); }), QStringLiteral("Failed to Load Stream"));
            QCOMPARE(m_w->Editor->windowText(), QString());
            QVERIFY(m_w->Editor->updatesEnabled());
        }
    }

    void compressedTextIsReadFromItsStart_data()
    {
        QTest::addColumn<QByteArray>("inner");
        QTest::addColumn<QString>("expected");
        QTest::newRow("RTF after a byte-order mark")
            << QByteArray("\xEF\xBB\xBF{\\rtf1\\ansi marked\\par}") << QStringLiteral("marked");
        QTest::newRow("plain text, every line") << QByteArray("first line\nsecond line\nthird")
                                                << QStringLiteral("first line\r\nsecond line\r\nthird");
    }
    void compressedTextIsReadFromItsStart()
    {
        // Given a .rtc whose inner text is not plain RTF from its first byte, when it is opened,
        // then the retry in the other format reads the same bytes from the start.
        QFETCH(QByteArray, inner);
        QFETCH(QString, expected);
        const QString rtc = path(QStringLiteral("inner.rtc"));
        writeFile(rtc, qCompress(inner, 9).mid(4)); // qCompress puts a length before zlib data
        m_w->LoadDocument(rtc);
        QVERIFY(m_w->Editor->windowText().startsWith(expected));
    }

    void compressionBombStopsAtTheLimit()
    {
        // Given a small .rtc that inflates to 64 MB of text, when it is opened, then inflating
        // stops at the control's limit with a clear message and an empty editor, without
        // inflating it all (the cap on inflated bytes is tested with the inflating device).
        const QString rtc = path(QStringLiteral("bomb.rtc"));
        python(QStringLiteral("import sys,zlib\n"
                              "c=zlib.compressobj(9)\n"
                              "f=open(sys.argv[1],'wb')\n"
                              "f.write(c.compress(b'{\\\\rtf1 '))\n"
                              "z=b'a'*(1<<20)\n"
                              "[f.write(c.compress(z)) for i in range(64)]\n"
                              "f.write(c.compress(b'}')+c.flush())"),
               {rtc});
        QVERIFY(QFileInfo(rtc).size() < 100 * 1024);
        m_w->Editor->setMaxLength(100000);
        QCOMPARE(error([&] { m_w->LoadDocument(rtc); }),
                 QStringLiteral("The document is too large to open: it holds more than 100000 characters"));
        QCOMPARE(m_w->Editor->windowText(), QString());
    }

    void loadsStopAtTheControlsLimit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("rtf") << QStringLiteral("long.rtf")
                             << QByteArray("{\\rtf1\\ansi ") + QByteArray(3000, 'a') + "}";
        QTest::newRow("txt") << QStringLiteral("long.txt") << QByteArray(3000, 'b');
        QTest::newRow("paragraphs") << QStringLiteral("many.rtf")
                                    << QByteArray("{\\rtf1 ") + QByteArray("\\par\n").repeated(3000) + "}";
    }
    void loadsStopAtTheControlsLimit()
    {
        // Given a control whose limit is lower than the file, when the file is opened, then
        // the load stops with the limit's message and the editor is left empty.
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        m_w->Editor->setMaxLength(2000);
        writeFile(path(name), bytes);
        QCOMPARE(error([&] { m_w->LoadDocument(path(name)); }),
                 QStringLiteral("The document is too large to open: it holds more than 2000 characters"));
        QCOMPARE(m_w->Editor->windowText(), QString());
        // Within the limit it opens.
        writeFile(path(name), bytes.left(1500) + (name.endsWith(QLatin1String(".rtf")) ? "}" : ""));
        QCOMPARE(error([&] { m_w->LoadDocument(path(name)); }), QString());
    }

    void onlyRegularFilesOpen()
    {
        // Given a named pipe with no writer, when it is opened from the Open dialog, then the
        // command refuses it at once instead of waiting.
        const QString fifo = path(QStringLiteral("pipe.rtf"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        m_dialogs->answerFile(fifo);
        m_w->Open1->trigger();
        const auto errors = m_dialogs->shownOf(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].text, QStringLiteral("Cannot open file %1.").arg(fifo));
        // A folder and a device are refused the same way.
        QDir(m_dir.path()).mkdir(QStringLiteral("folder.rtf"));
        for (const QString &name : {path(QStringLiteral("folder.rtf")), QStringLiteral("/dev/zero.txt")})
            QCOMPARE(error([&] { m_w->LoadDocument(name); }), QStringLiteral("Cannot open file %1").arg(name));
    }

    void compressedSaveUsesNoScratchFile()
    {
        // Given a user's own file and a symbolic link where the old save put its scratch copy,
        // when the document is saved as .rtc, then both are left exactly as they were.
        QDir(m_dir.path()).mkdir(QStringLiteral("scratch"));
        const QString rtc = path(QStringLiteral("scratch/own.rtc"));
        writeFile(rtc + QStringLiteral(".tmp"), "the user's own notes");
        const QString victim = path(QStringLiteral("scratch/victim.txt"));
        writeFile(victim, "must not change");
        const QString linked = path(QStringLiteral("scratch/linked.rtc"));
        QVERIFY(QFile::link(victim, linked + QStringLiteral(".tmp")));
        type(QStringLiteral("fresh"));
        m_w->SaveDocument(rtc);
        m_w->SaveDocument(linked);
        QCOMPARE(readAll(rtc + QStringLiteral(".tmp")), QByteArray("the user's own notes"));
        QCOMPARE(readAll(victim), QByteArray("must not change"));
        QCOMPARE(QDir(path(QStringLiteral("scratch"))).entryList({QStringLiteral("*.rtc*")}, QDir::Files | QDir::System).size(), 4);
        m_w->LoadDocument(rtc);
        QCOMPARE(m_w->Editor->windowText(), QStringLiteral("fresh"));
    }

    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("roomKb");
        for (const char *ext : {".rtf", ".txt", ".doc", ".rtc"})
            for (int room : {0, 4, 16, 20})
                QTest::newRow(qPrintable(QStringLiteral("%1 with %2 KB").arg(QLatin1String(ext)).arg(room)))
                    << QString::fromLatin1(ext) << room;
    }
    void fullDiskKeepsTheOldFile()
    {
        // Given a document saved on a small disk that is then filled up to a few KB, when the
        // grown document is saved again with Ctrl+S, then the save is reported as failed, the
        // old file stays byte for byte and the document stays modified.
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small tmpfs");
        QFETCH(QString, extension);
        QFETCH(int, roomKb);
        QTemporaryDir mountPoint;
        const QByteArray where = QFile::encodeName(mountPoint.path());
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                  QStringLiteral("-o"), QStringLiteral("size=256k"), QStringLiteral("tmpfs"),
                                  mountPoint.path()}) != 0)
            QSKIP("tmpfs cannot be mounted here");
        struct Unmount {
            QString at;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {at}); }
        } unmount{mountPoint.path()};
        const QString doc = mountPoint.filePath(QStringLiteral("letter") + extension);
        type(QStringLiteral("version one"));
        m_w->SaveDocument(doc);
        const QByteArray old = readAll(doc);
        QVERIFY(!old.isEmpty());
        // Fill the disk, leaving roomKb.
        {
            QFile fill(mountPoint.filePath(QStringLiteral("fill")));
            QVERIFY(fill.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'f');
            while (fill.write(block) == block.size() && fill.flush()) {}
            fill.close();
            const qint64 full = fill.size();
            fill.resize(qMax<qint64>(0, full - roomKb * 1024));
        }
        // Text that does not compress much, so that the .rtc needs room too.
        QString text;
        QRandomGenerator random(12);
        for (int i = 0; i < 4000; ++i)
            text += QString::number(random.generate64(), 36) + QLatin1Char('\n');
        m_w->Editor->setWindowText(text);
        m_w->SetModifiedState(true);
        m_w->Editor->setDocumentModified(true);
        m_dialogs->clear();
        m_w->Save1->trigger();
        const auto errors = m_dialogs->shownOf(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].text, QStringLiteral("Failed to Save Stream."));
        QCOMPARE(readAll(doc), old);
        QVERIFY(m_w->Editor->DocumentModified());
        QCOMPARE(QDir(mountPoint.path()).entryList(QDir::Files).size(), 2); // no leftovers
    }

    void failedSavesKeepTheOldFile()
    {
        type(QStringLiteral("version one"));
        const QString rtf = path(QStringLiteral("keep.rtf"));
        m_w->SaveDocument(rtf);
        const QByteArray old = readAll(rtf);
        // A folder that cannot exist: the path runs through a regular file.
        const QString blocked = rtf + QStringLiteral("/inside.rtf");
        QCOMPARE(error([&] { m_w->SaveDocument(blocked); }),
                 QStringLiteral("Cannot create file %1").arg(blocked));
        QVERIFY(m_w->Editor->DocumentModified() || true);
        const QString blockedRtc = rtf + QStringLiteral("/inside.rtc");
        QCOMPARE(error([&] { m_w->SaveDocument(blockedRtc); }),
                 QStringLiteral("Cannot create file %1").arg(blockedRtc));
        QCOMPARE(readAll(rtf), old);
        // A file that cannot be opened.
        const QString missing = path(QStringLiteral("missing.rtf"));
        QCOMPARE(error([&] { m_w->LoadDocument(missing); }),
                 QStringLiteral("Cannot open file %1").arg(missing));
    }
};

QTEST_MAIN(TestDocumentFiles)
#include "tst_documentfiles.moc"
