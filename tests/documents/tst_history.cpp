// The document history window as a user meets it: files opened with Ctrl+O and saved with
// Ctrl+S or Save As fill the list, Ctrl+H shows it, and its buttons, keys and rows reopen,
// search, remove and clear entries; "Open Last Active Document" reopens the first one; the list
// is read from and written to WrdFileList.dat.
#include <QtTest>

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Main.h"
#include "documents/History.h"
#include "documents/HistoryList.h"
#include "support/ScriptedDialogs.h"
#include "support/WindowDriver.h"
#include "widgets/RbPanel.h"
#include "widgets/StatusBar.h"

#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QTemporaryDir>

using dialogs::Answer;
using Kind = ScriptedDialogs::Kind;

class TestHistory : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<WindowDriver> m_driver;
    TfrmMainEditor *m_w = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    THistoryForm *m_h = nullptr; // owned by the main window
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString historyFile() const { return path(QStringLiteral("WrdFileList.dat")); }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        return path(name);
    }
    QString rtf(const QString &name, const QString &text)
    {
        return writeFile(name, "{\\rtf1\\ansi " + text.toLatin1() + "\\par}");
    }
    // The main window and its history window, as the program starts them.
    void start()
    {
        m_driver = std::make_unique<WindowDriver>(m_dir->path());
        m_w = m_driver->window();
        m_dialogs = &m_driver->dialogs();
        m_h = new THistoryForm(m_w, historyFile(), m_w);
    }
    void openWithCtrlO(const QString &file)
    {
        m_dialogs->answerFile(file);
        m_driver->press(QKeySequence(QStringLiteral("Ctrl+O")));
    }
    // Shows the history with Ctrl+H (or the toolbar button) and runs steps while it is up; its
    // Close button ends the showing unless the steps did.
    void inHistory(const std::function<void()> &steps, bool byToolbar = false)
    {
        bool ran = false;
        QTimer::singleShot(0, m_h, [&] {
            ran = true;
            struct CloseAtEnd {
                THistoryForm *h;
                ~CloseAtEnd()
                {
                    if (h->isVisible())
                        QTest::mouseClick(h->btnClose, Qt::LeftButton);
                }
            } closeAtEnd{m_h};
            QVERIFY(m_h->isVisible());
            steps();
        });
        if (byToolbar)
            m_driver->click(m_w->btnDocHistory);
        else
            m_driver->press(QKeySequence(QStringLiteral("Ctrl+H")));
        QVERIFY(ran);
        QVERIFY(!m_h->isVisible());
    }
    QPoint rowCentre(int row) const
    {
        return m_h->ListBox1->visualItemRect(m_h->ListBox1->item(row)).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(m_h->ListBox1->viewport(), Qt::LeftButton, modifiers, rowCentre(row));
    }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (int i = 0; i < m_h->ListBox1->count(); ++i)
            if (m_h->ListBox1->item(i)->isSelected())
                rows << i;
        return rows;
    }
    QStringList informations() const
    {
        QStringList texts;
        for (const auto &s : m_dialogs->shownOf(Kind::Information))
            texts << s.text;
        return texts;
    }
    QString editorText() const { return m_w->Editor->toPlainText().trimmed(); }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void cleanup()
    {
        if (m_w)
            m_w->Editor->setDocumentModified(false);
        m_driver.reset();
        m_w = nullptr;
        m_h = nullptr;
        m_dialogs = nullptr;
    }

    void windowLooksAsDesigned()
    {
        start();
        inHistory([this] {
            QCOMPARE(m_h->size(), QSize(688, 462));
            QVERIFY(m_h->windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(m_h->frameGeometry().center(), m_w->frameGeometry().center()); // centred
            QCOMPARE(m_h->RbPanel1->caption(), QStringLiteral("Document History"));
            QCOMPARE(m_h->ListBox1->geometry(), QRect(13, 12, 662, 349));
            QCOMPARE(m_h->ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
            const QList<std::tuple<QPushButton *, QString, QRect, QString>> buttons{
                {m_h->RbButton1, " Clear List", QRect(13, 10, 75, 25), "Clear All"},
                {m_h->btnRemove, " Remove From List", QRect(105, 10, 136, 25), "Remove Selected Document"},
                {m_h->btnSearch, "Search", QRect(328, 10, 75, 25), ""},
                {m_h->btnOpen, "  Open", QRect(504, 10, 75, 25), "Open Document"},
                {m_h->btnClose, "  Close", QRect(596, 10, 75, 25), "Close"}};
            for (const auto &[button, caption, geometry, status] : buttons) {
                QCOMPARE(button->text(), caption);
                QCOMPARE(button->geometry(), geometry);
                QCOMPARE(button->toolTip(), QString()); // hints start with "|": no tooltip
                QCOMPARE(button->statusTip(), status);
                QVERIFY(!button->icon().isNull());
            }
            QCOMPARE(m_h->focusWidget(), m_h->ListBox1);
        }, true);
    }

    // Given three files opened with Ctrl+O, the history lists them newest first; reopening one
    // from the window moves it to the top without a second entry and loads it.
    void opensFillTheListAndReopenMovesToTop()
    {
        start();
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("Alpha"));
        const QString b = writeFile(QStringLiteral("b.txt"), "Bravo text\n");
        const QString c = rtf(QStringLiteral("c.doc"), QStringLiteral("Charlie"));
        openWithCtrlO(a);
        openWithCtrlO(b);
        openWithCtrlO(c);
        QCOMPARE(editorText(), QStringLiteral("Charlie"));
        QCOMPARE(m_h->entries(), (QStringList{c, b, a}));
        inHistory([&] {
            QCOMPARE(m_h->ListBox1->count(), 3);
            clickRow(1);
            QCOMPARE(selectedRows(), QList<int>{1});
            QTest::mouseClick(m_h->btnOpen, Qt::LeftButton);
            QVERIFY(!m_h->isVisible());
        });
        QCOMPARE(m_h->entries(), (QStringList{b, c, a}));
        QCOMPARE(editorText(), QStringLiteral("Bravo text"));
        QCOMPARE(m_w->windowTitle(), QStringLiteral("Tessra Office - >>  [b.txt]"));
        QCOMPARE(m_w->StatusBar1->panelText(5), QString());
        // A double click opens, too; the same file opened again gives another entry.
        inHistory([&] {
            clickRow(2);
            QTest::mouseDClick(m_h->ListBox1->viewport(), Qt::LeftButton, {}, rowCentre(2));
        });
        QCOMPARE(editorText(), QStringLiteral("Alpha"));
        QCOMPARE(m_h->entries(), (QStringList{a, b, c}));
        openWithCtrlO(a);
        QCOMPARE(m_h->entries(), (QStringList{a, a, b, c}));
        QVERIFY(informations().isEmpty());
    }

    void savesAddTheirNameButExportsDoNot()
    {
        start();
        m_driver->type(QStringLiteral("Saved words"));
        m_dialogs->answerFile(path(QStringLiteral("out.pdf")));
        m_driver->choose(QStringLiteral("SaveAs1"));
        m_dialogs->answerFile(path(QStringLiteral("out.tpf")));
        m_driver->choose(QStringLiteral("Export Document As..."));
        QVERIFY(QFile::exists(path(QStringLiteral("out.pdf"))));
        QVERIFY(QFile::exists(path(QStringLiteral("out.tpf"))));
        QVERIFY(m_h->entries().isEmpty());
        m_driver->type(QStringLiteral(" more"));
        m_dialogs->answerFile(path(QStringLiteral("kept.rtf")));
        m_driver->press(QKeySequence(QStringLiteral("Ctrl+S"))); // untitled: the dialog asks
        m_dialogs->answerFile(path(QStringLiteral("copy.rtc")));
        m_driver->choose(QStringLiteral("SaveAs1"));
        m_driver->press(QKeySequence(QStringLiteral("Ctrl+S"))); // titled: adds nothing
        QCOMPARE(m_h->entries(), (QStringList{path(QStringLiteral("copy.rtc")), path(QStringLiteral("kept.rtf"))}));
    }

    void openNeedsExactlyOneSelectedEntry()
    {
        start();
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("A"));
        const QString b = rtf(QStringLiteral("b.rtf"), QStringLiteral("B"));
        openWithCtrlO(a);
        openWithCtrlO(b);
        inHistory([&] {
            clickRow(0);
            clickRow(1, Qt::ControlModifier);
            QCOMPARE(selectedRows(), (QList<int>{0, 1}));
            QTest::mouseClick(m_h->btnOpen, Qt::LeftButton);
            clickRow(0, Qt::ControlModifier);
            clickRow(1, Qt::ControlModifier);
            QCOMPARE(selectedRows(), QList<int>());
            QTest::mouseClick(m_h->btnOpen, Qt::LeftButton);
            QVERIFY(m_h->isVisible());
        });
        QCOMPARE(informations(), (QStringList{"Please select only one document to open.",
                                              "Please select only one document to open."}));
        QCOMPARE(editorText(), QStringLiteral("B"));
    }

    void enterOpensTheSelectionOrAsksForOne()
    {
        start();
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("A"));
        const QString b = rtf(QStringLiteral("b.rtf"), QStringLiteral("B"));
        openWithCtrlO(a);
        openWithCtrlO(b);
        inHistory([&] {
            QTest::keyClick(m_h->ListBox1, Qt::Key_Down); // the usual list keys still work
            QCOMPARE(selectedRows(), QList<int>{1});
            QTest::keyClick(m_h->ListBox1, Qt::Key_Return);
        });
        QCOMPARE(editorText(), QStringLiteral("A"));
        QCOMPARE(m_h->entries(), (QStringList{a, b}));
        inHistory([&] {
            m_dialogs->answer(Answer::No);
            QTest::mouseClick(m_h->RbButton1, Qt::LeftButton); // "Clear All of List?" No
            QCOMPARE(m_h->ListBox1->count(), 2);
            m_dialogs->answer(Answer::Yes);
            QTest::mouseClick(m_h->RbButton1, Qt::LeftButton);
            QCOMPARE(m_h->ListBox1->count(), 0);
            QCOMPARE(m_h->focusWidget(), m_h->ListBox1);
            QTest::keyClick(m_h->ListBox1, Qt::Key_Return);
            QVERIFY(m_h->isVisible());
        });
        const auto asked = m_dialogs->shownOf(Kind::Confirmation);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].text, QStringLiteral("Clear All of List?"));
        QCOMPARE(asked[0].buttons, dialogs::Buttons::YesNo);
        QCOMPARE(informations(), QStringList{"Please make a selection first."});
    }

    void removeDeletesTheSelectedEntries()
    {
        start();
        QStringList files;
        for (const char *name : {"1.rtf", "2.rtf", "3.rtf", "4.rtf"})
            openWithCtrlO(files.emplaceBack(rtf(QString::fromLatin1(name), QStringLiteral("x"))));
        inHistory([&] {
            clickRow(1);
            clickRow(3, Qt::ControlModifier);
            m_dialogs->answer(Answer::No);
            QTest::mouseClick(m_h->btnRemove, Qt::LeftButton);
            QCOMPARE(m_h->ListBox1->count(), 4);
            m_dialogs->answer(Answer::Yes);
            QTest::mouseClick(m_h->btnRemove, Qt::LeftButton);
        });
        QCOMPARE(m_h->entries(), (QStringList{files[3], files[1]}));
        QCOMPARE(m_dialogs->shownOf(Kind::Confirmation).value(0).text, QStringLiteral("Remove Selected Document(s)?"));
    }

    // Searching "RE" finds the first entry whose file name holds it, never a folder's name.
    void searchFindsFileNamesOnly()
    {
        writeFile(QStringLiteral("WrdFileList.dat"),
                  "/home/REports/a.rtf\r\n/srv/more/b.txt\r\n/x/Final-Report.rtf\r\n/x/PREVIEW.doc\r\n");
        start();
        inHistory([&] {
            QCOMPARE(selectedRows(), QList<int>{0}); // first showing after the file was read
            m_dialogs->answerText(QStringLiteral("RE"));
            QTest::mouseClick(m_h->btnSearch, Qt::LeftButton);
            QCOMPARE(m_h->ListBox1->currentRow(), 2);
            QCOMPARE(selectedRows(), QList<int>{2}); // the old current item was deselected
            m_dialogs->answerText(QString());
            QTest::mouseClick(m_h->btnSearch, Qt::LeftButton);
            m_dialogs->answerText(QStringLiteral("nothing like it"));
            QTest::mouseClick(m_h->btnSearch, Qt::LeftButton);
            m_dialogs->cancelNext();
            QTest::mouseClick(m_h->btnSearch, Qt::LeftButton);
            QCOMPARE(m_h->ListBox1->currentRow(), 2);
        });
        const auto inputs = m_dialogs->shownOf(Kind::Input);
        QCOMPARE(inputs.size(), 4);
        QCOMPARE(inputs[0].title, QStringLiteral("Search for a Document"));
        QCOMPARE(inputs[0].text, QStringLiteral("Enter a document name to search for:"));
        QCOMPARE(inputs[0].defaultText, QStringLiteral("Document Name"));
        QCOMPARE(informations(), QStringList{"Please enter a valid document name to search for."});
    }

    // A blank line is an empty entry drawn with icon 1 and no text; ".RTF" also gets icon 1,
    // ".rtf" icon 2.
    void rowsShowTheIconOfTheirExactExtension()
    {
        writeFile(QStringLiteral("WrdFileList.dat"), "/d/first.txt\r\n\r\n/d/UPPER.RTF\r\n/d/lower.rtf\r\n");
        start();
        QCOMPARE(m_h->entries(), (QStringList{"/d/first.txt", "", "/d/UPPER.RTF", "/d/lower.rtf"}));
        inHistory([&] {
            const QImage shot = m_h->ListBox1->viewport()->grab().toImage();
            auto iconAt = [&](int row) {
                const QRect r = m_h->ListBox1->visualItemRect(m_h->ListBox1->item(row));
                return shot.copy(r.left() + 2, r.top() + 1, 32, 32).convertToFormat(QImage::Format_RGB32);
            };
            auto expected = [&](int index) {
                QImage img(32, 32, QImage::Format_RGB32);
                img.fill(Qt::white);
                QPainter p(&img);
                QPixmap icon = m_h->ImageList1[index];
                icon.setMask(icon.createMaskFromColor(Qt::white));
                p.drawPixmap(0, 0, icon);
                return img;
            };
            QCOMPARE(iconAt(1), expected(1));
            QCOMPARE(iconAt(2), expected(1));
            QCOMPARE(iconAt(3), expected(2));
            QVERIFY(iconAt(3) != expected(1));
            // The blank entry shows no text: right of the icon the row is plain white.
            const QRect r = m_h->ListBox1->visualItemRect(m_h->ListBox1->item(1));
            const QImage text = shot.copy(r.left() + 40, r.top(), r.width() - 41, r.height() - 1);
            QCOMPARE(text.convertToFormat(QImage::Format_RGB32).pixel(0, 0), qRgb(255, 255, 255));
            QCOMPARE(text, [&] { QImage w(text.size(), text.format()); w.fill(Qt::white); return w; }());
        });
    }

    void goneFilesAreReportedAndKept()
    {
        start();
        const QString a = rtf(QStringLiteral("gone.rtf"), QStringLiteral("A"));
        openWithCtrlO(a);
        QVERIFY(QFile::remove(a));
        inHistory([&] {
            clickRow(0);
            QTest::mouseClick(m_h->btnOpen, Qt::LeftButton);
            QVERIFY(m_h->isVisible());
        });
        m_driver->click(m_w->SpeedButton2);
        QCOMPARE(informations(), (QStringList{"Document does not exist or has been moved.",
                                              "Document does not exist or has been deleted."}));
        QCOMPARE(m_h->entries(), QStringList{a});
    }

    void openLastActiveDocument()
    {
        start();
        m_driver->click(m_w->SpeedButton2);
        QCOMPARE(informations(), QStringList{"Document History List is Empty."});
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("Last one"));
        const QString b = rtf(QStringLiteral("b.rtf"), QStringLiteral("Other"));
        openWithCtrlO(b);
        openWithCtrlO(a);
        m_driver->click(m_w->btnNewDoc);
        // Unsaved words: Cancel keeps them; No lets the last document replace them.
        m_driver->type(QStringLiteral("draft"));
        m_dialogs->answer(Answer::Cancel);
        m_driver->click(m_w->SpeedButton2);
        QCOMPARE(editorText(), QStringLiteral("draft"));
        // Yes with the Save dialog cancelled: nothing was saved, so nothing is replaced.
        m_dialogs->answer(Answer::Yes);
        m_dialogs->cancelNext();
        m_driver->click(m_w->SpeedButton2);
        QCOMPARE(editorText(), QStringLiteral("draft"));
        m_dialogs->answer(Answer::No);
        m_driver->click(m_w->SpeedButton2);
        QCOMPARE(editorText(), QStringLiteral("Last one"));
        QCOMPARE(m_w->DocumentFileName, a);
        QCOMPARE(m_h->entries(), (QStringList{a, b})); // the order is left alone
        const auto asked = m_dialogs->shownOf(Kind::Confirmation);
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked[0].text, QStringLiteral("Save current document?"));
        QCOMPARE(asked[0].buttons, dialogs::Buttons::YesNoCancel);
        QVERIFY(m_dialogs->allAnswered());
    }

    // Opening from the history asks about unsaved changes like Open; Cancel keeps the window
    // and the document.
    void unsavedChangesAreNeverReplacedSilently()
    {
        start();
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("Stored"));
        openWithCtrlO(a);
        m_driver->type(QStringLiteral("typed "));
        inHistory([&] {
            clickRow(0);
            m_dialogs->answer(Answer::Cancel);
            QTest::mouseClick(m_h->btnOpen, Qt::LeftButton);
            QVERIFY(m_h->isVisible());
        });
        QCOMPARE(editorText(), QStringLiteral("typed Stored"));
        QVERIFY(m_w->Editor->DocumentModified());
        QCOMPARE(m_dialogs->shownOf(Kind::Confirmation).value(0).text, QStringLiteral("Save changes to  [a.rtf] ?"));
    }

    // The current item stays on its entry while files are opened behind the window, and the
    // next showing selects it.
    void currentItemSurvivesAdditions()
    {
        start();
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("A"));
        const QString b = rtf(QStringLiteral("b.rtf"), QStringLiteral("B"));
        openWithCtrlO(a);
        openWithCtrlO(b);
        inHistory([&] { clickRow(1); }); // a
        openWithCtrlO(b);
        inHistory([&] {
            QCOMPARE(m_h->ListBox1->currentRow(), 2);
            QVERIFY(m_h->ListBox1->item(2)->isSelected());
        });
    }

    void titleStripDragsTheWindow()
    {
        start();
        inHistory([&] {
            const QPoint before = m_h->pos();
            QTest::mousePress(m_h->RbPanel1, Qt::LeftButton, {}, QPoint(100, 20));
            QTest::mouseMove(m_h->RbPanel1, QPoint(140, 50));
            QTest::mouseRelease(m_h->RbPanel1, Qt::LeftButton, {}, QPoint(140, 50));
            QCOMPARE(m_h->pos(), before + QPoint(40, 30));
        });
    }

    // The list goes to the file when the program ends and comes back with the next start;
    // a failed write names the file and leaves the old one alone.
    void listPersistsAndFailedWriteKeepsTheFile()
    {
        start();
        const QString a = rtf(QStringLiteral("a.rtf"), QStringLiteral("A"));
        openWithCtrlO(a);
        openWithCtrlO(a);
        m_h->FormDestroy();
        QFile f(historyFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), (a + "\r\n" + a + "\r\n").toUtf8());
        f.close();
        THistoryForm again(m_w, historyFile());
        QVERIFY(again.fileWasRead());
        QCOMPARE(again.entries(), (QStringList{a, a}));

        const QString blocked = a + QStringLiteral("/WrdFileList.dat"); // through a regular file
        THistoryForm unwritable(m_w, blocked);
        unwritable.AddHistoryEntry(QStringLiteral("/x.rtf"));
        try {
            unwritable.FormDestroy();
            QFAIL("the write should fail");
        } catch (const EScrivelleError &e) {
            QCOMPARE(e.message(), QStringLiteral("Cannot create file ") + blocked);
        }
        QVERIFY(QFileInfo(a).isFile());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
