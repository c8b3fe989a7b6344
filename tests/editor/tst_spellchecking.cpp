// Spell checking in the main window as a user meets it: the red wavy line after a misspelled
// word is typed, suggestions and the two choices at the top of the right-click menu, the
// personal word list across restarts, the settings switch, and no trace of the underline in
// the saved file, the exported PDF or the Modified flag.
#include <QtTest>

#include "app/Main.h"
#include "editor/SpellChecking.h"
#include "support/ScriptedDialogs.h"
#include "widgets/StatusBar.h"

#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

using Kind = ScriptedDialogs::Kind;

class TestSpellChecking : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QTemporaryDir m_dir;

    QString iniPath() const { return m_dir.filePath(QStringLiteral("DeskTopDock.ini")); }
    std::unique_ptr<TfrmMainEditor> start(const QStringList &arguments = {})
    {
        auto w = std::make_unique<TfrmMainEditor>();
        w->setSettingsPath(iniPath());
        w->setStartArguments(arguments);
        w->show();
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("window not active");
        w->Editor->setFocus();
        return w;
    }
    static void settle(TfrmMainEditor *w)
    {
        QTRY_VERIFY(!w->Spelling->isBusy());
        QCoreApplication::processEvents();
    }
    // Whether the characters [start, start + length) show the red wave under them on screen.
    static bool underlined(TfrmMainEditor *w, int start, int length)
    {
        QTextCursor c(w->Editor->document());
        c.setPosition(start);
        const QRect a = w->Editor->cursorRect(c);
        c.setPosition(start + length);
        const QRect b = w->Editor->cursorRect(c);
        const QImage image = w->Editor->viewport()->grab().toImage();
        const QRect under(a.left() + 1, a.top(), b.left() - a.left() - 2, a.height() + 5);
        return redPixels(image.copy(under)) >= under.width() / 2;
    }
    static int redPixels(const QImage &image)
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 180 && c.green() < 90 && c.blue() < 90)
                    ++n;
            }
        return n;
    }
    static void rightClickAt(TfrmMainEditor *w, int position)
    {
        QTextCursor c(w->Editor->document());
        c.setPosition(position);
        const QPoint at = w->Editor->cursorRect(c).center() + QPoint(2, 0);
        QTest::mousePress(w->Editor->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(w->Editor->viewport(), Qt::RightButton, {}, at);
        QTRY_VERIFY(w->PopupMenu1->isVisible());
    }
    static QStringList menuNames(QMenu *menu)
    {
        QStringList names;
        for (QAction *a : menu->actions())
            names << a->objectName();
        return names;
    }
    // Chooses a menu item with the keyboard: Down until it is active, then Return.
    static void choose(QMenu *menu, QAction *item)
    {
        for (int i = 0; i < 40 && menu->activeAction() != item; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QCOMPARE(menu->activeAction(), item);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(!menu->isVisible());
    }

private slots:
    void init()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        QFile::remove(iniPath());
        QFile::remove(m_dir.filePath(QStringLiteral("PersonalWords.dic")));
    }
    void cleanup() { m_dialogs.reset(); }

    void misspelledWordGetsTheLineAndSuggestionsReplaceIt()
    {
        auto w = start();
        QTest::keyClicks(w->Editor, QStringLiteral("A "));
        QTest::keyClick(w->Editor, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClicks(w->Editor, QStringLiteral("tset"));
        settle(w.get());
        // Still being typed: no line yet.
        QVERIFY(!underlined(w.get(), 2, 4));
        QTest::keyClick(w->Editor, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClicks(w->Editor, QStringLiteral(" ok"));
        settle(w.get());
        QVERIFY(underlined(w.get(), 2, 4));
        QVERIFY(!underlined(w.get(), 7, 2));
        QVERIFY(redPixels(w->Editor->viewport()->grab().toImage()) > 5);

        // The right-click menu opens with the suggestions and the two choices on top, the
        // rest as always.
        rightClickAt(w.get(), 3);
        const QStringList names = menuNames(w->PopupMenu1);
        const int ignore = names.indexOf(QStringLiteral("IgnoreAll1"));
        QVERIFY2(ignore > 0, qPrintable(names.join(' ')));
        QCOMPARE(names.mid(ignore, 4), (QStringList{"IgnoreAll1", "AddToDictionary1", "NSpelling", "Cut2"}));
        QAction *test = nullptr;
        for (QAction *a : w->PopupMenu1->actions().mid(0, ignore)) {
            QCOMPARE(a->objectName(), QStringLiteral("SpellSuggestion"));
            if (a->text() == QStringLiteral("test"))
                test = a;
        }
        QVERIFY(test);
        choose(w->PopupMenu1, test);
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("A test ok"));
        QTextCursor c(w->Editor->document());
        c.setPosition(4);
        QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold)); // the word's own format
        settle(w.get());
        QVERIFY(!underlined(w.get(), 2, 4));
        // One undo brings the word back.
        QTest::keyClick(w->Editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("A tset ok"));

        // Over a correct word the menu is the usual one.
        rightClickAt(w.get(), 8);
        QCOMPARE(w->PopupMenu1->actions().first(), w->Cut2);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Escape);
        w->Editor->setDocumentModified(false);
    }

    void ignoreAllAndAddToDictionaryThatPersists()
    {
        auto w = start();
        QTest::keyClicks(w->Editor, QStringLiteral("zzyzx qqwerty zzyzx Frobnicator end"));
        settle(w.get());
        QVERIFY(underlined(w.get(), 0, 5));
        QVERIFY(underlined(w.get(), 14, 5));
        rightClickAt(w.get(), 2);
        choose(w->PopupMenu1, w->PopupMenu1->findChild<QAction *>(QStringLiteral("IgnoreAll1")));
        settle(w.get());
        QVERIFY(!underlined(w.get(), 0, 5));
        QVERIFY(!underlined(w.get(), 14, 5));
        QVERIFY(underlined(w.get(), 6, 7));

        rightClickAt(w.get(), 22);
        choose(w->PopupMenu1, w->PopupMenu1->findChild<QAction *>(QStringLiteral("AddToDictionary1")));
        settle(w.get());
        QVERIFY(!underlined(w.get(), 20, 11));
        QFile list(m_dir.filePath(QStringLiteral("PersonalWords.dic")));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("Frobnicator\n"));
        w->Editor->setDocumentModified(false);
        w.reset();

        // A new run knows the added word but not the ignored one.
        auto again = start();
        QTest::keyClicks(again->Editor, QStringLiteral("Frobnicator zzyzx end"));
        settle(again.get());
        QVERIFY(!underlined(again.get(), 0, 11));
        QVERIFY(underlined(again.get(), 12, 5));
        again->Editor->setDocumentModified(false);
    }

    void openedDocumentIsCheckedAndStaysUnmodified()
    {
        const QString path = m_dir.filePath(QStringLiteral("letter.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Dear Sir,\r\nI recieved your leter.\r\n");
        f.close();
        auto w = start({path});
        settle(w.get());
        const QString text = w->Editor->toPlainText();
        QVERIFY(underlined(w.get(), int(text.indexOf(QStringLiteral("recieved"))), 8));
        QVERIFY(underlined(w.get(), int(text.indexOf(QStringLiteral("leter"))), 5));
        QVERIFY(!w->Editor->DocumentModified());
        QCOMPARE(w->StatusBar1->panelText(5), QString());
    }

    // Given a document with a misspelled word in a table cell, when it is opened, then the
    // word shows the line under it in the cell, and nothing is drawn beside the first line
    // (where the cell's underline used to land).
    void misspelledWordInATableCell()
    {
        const QString path = m_dir.filePath(QStringLiteral("table.rtf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard Prices:\\par\n"
                "\\trowd\\cellx3000\\cellx6000\\pard\\intbl Juice Jucie\\cell 1.90\\cell\\row\n"
                "\\pard Thank you.\\par}");
        f.close();
        auto w = start({path});
        settle(w.get());
        const QString text = w->Editor->toPlainText();
        QVERIFY(underlined(w.get(), int(text.indexOf(QStringLiteral("Jucie"))), 5));
        QVERIFY(!underlined(w.get(), int(text.indexOf(QStringLiteral("Juice"))), 5));
        QTextCursor start(w->Editor->document());
        const QRect first = w->Editor->cursorRect(start);
        const QImage image = w->Editor->viewport()->grab().toImage();
        QCOMPARE(redPixels(image.copy(QRect(0, first.top(), image.width(), first.height() + 5))), 0);
    }

    // Given a French dictionary beside the English one and a document whose first paragraph
    // is French, the second English and the third without a language, then each paragraph is
    // checked in its own language and the one without in the settings file's (English).
    void paragraphsAreCheckedInTheirLanguage()
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("dicts")));
        QFile aff(m_dir.filePath(QStringLiteral("dicts/fr_FR.aff")));
        QVERIFY(aff.open(QIODevice::WriteOnly));
        aff.write("SET UTF-8\n");
        aff.close();
        QFile dic(m_dir.filePath(QStringLiteral("dicts/fr_FR.dic")));
        QVERIFY(dic.open(QIODevice::WriteOnly));
        dic.write("4\nbonjour\nle\nmonde\nchat\n");
        dic.close();
        const QByteArray before = qgetenv("SCRIVELLE_DICTIONARIES");
        qputenv("SCRIVELLE_DICTIONARIES", m_dir.filePath(QStringLiteral("dicts")).toLocal8Bit());
        const QString path = m_dir.filePath(QStringLiteral("languages.rtf"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs24"
                "{\\lang1036 Bonjour le monde chatt\\par}"
                "{\\lang1033 Hello there wrold\\par}"
                "Bonjour again\\par}");
        f.close();

        auto w = start({path});
        settle(w.get());
        const QString text = w->Editor->toPlainText();
        auto at = [&](const QString &word, int from = 0) { return int(text.indexOf(word, from)); };
        QVERIFY(!underlined(w.get(), at(QStringLiteral("Bonjour")), 7));
        QVERIFY(!underlined(w.get(), at(QStringLiteral("monde")), 5));
        QVERIFY(underlined(w.get(), at(QStringLiteral("chatt")), 5));
        QVERIFY(!underlined(w.get(), at(QStringLiteral("Hello")), 5));
        QVERIFY(underlined(w.get(), at(QStringLiteral("wrold")), 5));
        QVERIFY(underlined(w.get(), at(QStringLiteral("Bonjour again")), 7));
        QVERIFY(!underlined(w.get(), at(QStringLiteral("again")), 5));

        // The French paragraph's suggestions come from the French dictionary
        rightClickAt(w.get(), at(QStringLiteral("chatt")) + 2);
        QStringList suggestions;
        for (QAction *a : w->PopupMenu1->actions())
            if (a->objectName() == QStringLiteral("SpellSuggestion"))
                suggestions << a->text();
        w->PopupMenu1->close();
        QVERIFY2(suggestions.contains(QStringLiteral("chat")), qPrintable(suggestions.join(' ')));
        qputenv("SCRIVELLE_DICTIONARIES", before);
    }

    void savedRtfAndExportedPdfCarryNoUnderline()
    {
        auto w = start();
        QTest::keyClicks(w->Editor, QStringLiteral("Teh wrold is rond. "));
        settle(w.get());
        QVERIFY(underlined(w.get(), 0, 3));
        w->SaveDialog1.initialFolder = m_dir.path();
        m_dialogs->answerFile(QStringLiteral("spelled.rtf"));
        QTest::keyClick(w->Editor, Qt::Key_S, Qt::ControlModifier);
        QFile rtf(m_dir.filePath(QStringLiteral("spelled.rtf")));
        QVERIFY(rtf.open(QIODevice::ReadOnly));
        const QByteArray bytes = rtf.readAll();
        QVERIFY(bytes.contains("Teh wrold"));
        QVERIFY(!bytes.contains("\\ul"));

        // Export through the menu's "Export Document As...".
        m_dialogs->answerFile(QStringLiteral("spelled.pdf"));
        rightClickAt(w.get(), 13);
        choose(w->PopupMenu1, w->ExportDocumentAs1);
        const QString pdf = m_dir.filePath(QStringLiteral("spelled.pdf"));
        QTRY_VERIFY(QFile::exists(pdf));
        QProcess render;
        render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("60"),
                                                 QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                                 pdf, m_dir.filePath(QStringLiteral("page"))});
        QVERIFY(render.waitForFinished(60000));
        const QImage page(m_dir.filePath(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        QCOMPARE(redPixels(page), 0);
        // The screen still shows the line.
        QVERIFY(underlined(w.get(), 0, 3));
    }

    // A paragraph too long to check in one step is checked a part at a time, and after a
    // change only around the change.
    void longParagraphCheckedInPartsAndAroundEdits();
    void recheckAroundAChange_data();
    void recheckAroundAChange();

    void theSettingsKeyTurnsItOff()
    {
        QFile ini(iniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Spelling]\r\nCheck=0\r\n");
        ini.close();
        auto w = start();
        QVERIFY(!w->Spelling->isEnabled());
        QTest::keyClicks(w->Editor, QStringLiteral("tset tset "));
        QTest::qWait(100);
        QVERIFY(!underlined(w.get(), 0, 4));
        rightClickAt(w.get(), 1);
        QCOMPARE(w->PopupMenu1->actions().first(), w->Cut2);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Escape);
        w->Editor->setDocumentModified(false);
        w->SaveSettings();
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("[Spelling]\r\nCheck=0\r\nLanguage=en_US"));
    }
};

void TestSpellChecking::longParagraphCheckedInPartsAndAroundEdits()
{
    // Given one paragraph of 150 000 characters with a misspelled word every few thousand
    const QString path = m_dir.filePath(QStringLiteral("long.txt"));
    QString text;
    for (int i = 0; text.size() < 150000; ++i)
        text += i % 400 == 399 ? QStringLiteral("recieved ") : QStringLiteral("the quick fox ");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toLatin1());
    f.close();

    // When it is opened
    auto w = start({path});
    settle(w.get());
    const QTextBlock block = w->Editor->document()->firstBlock();
    auto fullCheck = [&] { return w->Spelling->checker().misspelled(block.text()); };
    auto shown = [&] { return w->Spelling->underlinesOf(block); };
    // Then every misspelled word is found, as a check of the whole paragraph finds them
    QCOMPARE(shown().size(), int(text.count(QStringLiteral("recieved"))));
    QCOMPARE(shown(), fullCheck());

    // When a misspelled word is typed in the middle and the caret moves on
    QTextCursor c(w->Editor->document());
    const int at = int(text.indexOf(u' ', 75000)); // after a word
    c.setPosition(at);
    w->Editor->setTextCursor(c);
    QTest::keyClicks(w->Editor, QStringLiteral(" wrnog"));
    settle(w.get());
    QTest::keyClicks(w->Editor, QStringLiteral(" word"));
    settle(w.get());
    // Then it is underlined on screen and the rest is as a whole check finds it
    QVERIFY(underlined(w.get(), at + 1, 5));
    QCOMPARE(shown(), fullCheck());

    // When a misspelled word is corrected and another one removed
    const int first = int(block.text().indexOf(QStringLiteral("recieved")));
    c.setPosition(first + 3);
    c.setPosition(first + 5, QTextCursor::KeepAnchor);
    c.insertText(QStringLiteral("ei"));
    const int last = int(block.text().lastIndexOf(QStringLiteral("recieved")));
    c.setPosition(last);
    c.setPosition(last + 9, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    settle(w.get());
    // Then their underlines go, the others stay
    QCOMPARE(shown(), fullCheck());
    QCOMPARE(shown().size(), int(text.count(QStringLiteral("recieved"))) - 1);
    w->Editor->setDocumentModified(false);
}

void TestSpellChecking::recheckAroundAChange_data()
{
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("added");
    QTest::addColumn<int>("recheckAt");

    // "A tset of wrods and more wrods here" with changes everywhere
    QTest::newRow("misspelled word typed") << 10 << 0 << "baad " << -1;
    QTest::newRow("letters inside a misspelled word fix it") << 2 << 4 << "test" << -1;
    QTest::newRow("word split by a space") << 13 << 0 << " " << -1;
    QTest::newRow("words joined") << 6 << 1 << "" << -1;
    QTest::newRow("at the very start") << 0 << 0 << "Teh " << -1;
    QTest::newRow("at the very end") << 35 << 0 << " finel" << -1;
    QTest::newRow("everything replaced") << 0 << 35 << "all new wrods" << -1;
    QTest::newRow("unchanged, one word again") << 0 << 0 << "" << 26;
}

void TestSpellChecking::recheckAroundAChange()
{
    QFETCH(int, at);
    QFETCH(int, removed);
    QFETCH(QString, added);
    QFETCH(int, recheckAt);
    SpellChecker checker;
    QVERIFY(checker.setLanguage(QStringLiteral("en_US")));
    const QString before = QStringLiteral("A tset of wrods and more wrods here");
    QString after = before;
    after.replace(at, removed, added);
    // Given the spans found before the change, when only the change is checked again, then the
    // spans are those a check of the whole new text finds
    const QList<WordSpan> spans = SpellChecking::recheckChange(
        checker, before, checker.misspelled(before), after, recheckAt);
    QCOMPARE(spans, checker.misspelled(after));
}

QTEST_MAIN(TestSpellChecking)
#include "tst_spellchecking.moc"
