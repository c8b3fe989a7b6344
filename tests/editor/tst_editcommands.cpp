// Editing commands of the main window, driven through its keys, toolbar and menus, with the
// document checked through the rich text control.
#include <QtTest>

#include "support/ScriptedDialogs.h"
#include "app/Main.h"
#include "text/CodePage.h"
#include "widgets/StatusBar.h"

#include <QBuffer>
#include <QClipboard>
#include <QFrame>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

using namespace richedit;

class TestEditCommands : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TfrmMainEditor> m_window;
    TRxRichEdit *ed() const { return m_window->Editor; }

    // Given: a shown, active main window holding text, caret at the start, nothing modified.
    void start(const QString &text = QString())
    {
        m_window->setFocus();
        ed()->Lines.Clear();
        ed()->SelectionFormat.Assign(ed()->DefaultFormat);
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(ed(), Qt::Key_Return);
            QTest::keyClicks(ed(), lines[i]);
        }
        ed()->exSetSel(0, 0);
        ed()->setDocumentModified(false);
        m_window->SetModifiedState(false);
        ed()->ForgetUndoHistory();
        m_window->HeadingTyping = false;
        for (QAction *a : {m_window->Bold1, m_window->Italic1, m_window->UnderLine1,
                           m_window->bullets1})
            a->setChecked(false);
        ed()->setFocus();
    }
    void select(int from, int to) { ed()->exSetSel(from, to); }
    // The character format of the character at pos, read through the selection.
    CHARFORMAT2 charAt(int pos)
    {
        const CHARRANGE keep = ed()->exGetSel();
        select(pos, pos + 1);
        const CHARFORMAT2 cf = ed()->SelectionFormat.get();
        select(keep.cpMin, keep.cpMax);
        return cf;
    }
    int styleAt(int pos) { return int(charAt(pos).dwEffects & 0xF); }
    PARAFORMAT2 paraAt(int pos)
    {
        const CHARRANGE keep = ed()->exGetSel();
        select(pos, pos);
        const PARAFORMAT2 pf = ed()->ParagraphFormat.get();
        select(keep.cpMin, keep.cpMax);
        return pf;
    }
    QString text() const { return ed()->TextBetween(0, ed()->textLength()); }

private slots:
    void initTestCase()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_window = std::make_unique<TfrmMainEditor>();
        m_window->setSettingsPath(m_dir.filePath(QStringLiteral("DeskTopDock.ini")));
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void cleanupTestCase()
    {
        m_window->SetModifiedState(false);
        m_window.reset();
    }

    void init() { m_dialogs->clear(); }
    void cleanup() { QVERIFY2(m_dialogs->allAnswered(), "a dialog found no answer"); }

    // Ctrl+B, Ctrl+I, Ctrl+U: the check mark decides the direction, not the text.
    void styleToggles_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("bit");
        QTest::addColumn<bool>("initially");
        QTest::addColumn<int>("presses");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<bool>("checked");
        const struct { const char *name; int key; int bit; } keys[] = {
            {"bold", Qt::Key_B, fsBold}, {"italic", Qt::Key_I, fsItalic},
            {"underline", Qt::Key_U, fsUnderline}};
        for (const auto &k : keys) {
            for (bool set : {false, true}) {
                const char *on = set ? "set" : "plain";
                QTest::addRow("%s once on %s", k.name, on) << k.key << k.bit << set << 1 << true
                                                          << true;
                QTest::addRow("%s twice on %s", k.name, on) << k.key << k.bit << set << 2 << false
                                                           << false;
            }
        }
    }
    void styleToggles()
    {
        QFETCH(int, key);
        QFETCH(int, bit);
        QFETCH(bool, initially);
        QFETCH(int, presses);
        QFETCH(bool, expected);
        QFETCH(bool, checked);
        start(QStringLiteral("alpha beta gamma"));
        if (initially) {
            select(6, 10);
            ed()->SelectionFormat.setStyle(bit);
        }
        select(6, 10); // "beta"
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(ed(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(bool(styleAt(7) & bit), expected);
        QCOMPARE(styleAt(0) & bit, 0); // the neighbours keep their style
        QCOMPARE(styleAt(12) & bit, 0);
        QAction *mark = key == Qt::Key_B ? m_window->Bold1
            : key == Qt::Key_I ? m_window->Italic1 : m_window->UnderLine1;
        QCOMPARE(mark->isChecked(), checked);
        QCOMPARE(text(), QStringLiteral("alpha beta gamma"));
    }

    // Nothing selected: inside a word the whole word, between two spaces only what is typed.
    void boldAtCaret()
    {
        start(QStringLiteral("alpha beta  gamma"));
        select(8, 8); // inside "beta"
        QTest::keyClick(ed(), Qt::Key_B, Qt::ControlModifier);
        for (int p = 6; p < 10; ++p)
            QCOMPARE(styleAt(p), int(fsBold));
        QCOMPARE(styleAt(4), 0);
        QCOMPARE(styleAt(10), 0);

        m_window->Bold1->setChecked(false);
        select(11, 11); // between the two spaces
        QTest::keyClick(ed(), Qt::Key_B, Qt::ControlModifier);
        QTest::keyClicks(ed(), QStringLiteral("x")); // before the caret moves elsewhere
        QCOMPARE(text(), QStringLiteral("alpha beta x gamma"));
        QCOMPARE(styleAt(11), int(fsBold));
        for (int p : {10, 12, 13, 17})
            QCOMPARE(styleAt(p), 0);
    }

    void bulletsToggle()
    {
        start(QStringLiteral("item"));
        QTest::keyClick(ed(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(paraAt(0).wNumbering, PFN_BULLET);
        QCOMPARE(ed()->ParagraphFormat.LeftIndent(), 10);
        QVERIFY(m_window->bullets1->isChecked());
        ed()->ParagraphFormat.setLeftIndent(30);
        QTest::keyClick(ed(), Qt::Key_B, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(paraAt(0).wNumbering, std::uint16_t(0));
        QCOMPARE(ed()->ParagraphFormat.LeftIndent(), 0);
        QVERIFY(!m_window->bullets1->isChecked());
    }

    // A quote replaces the selection; the caret ends right after it with nothing selected.
    void smartQuotes_data()
    {
        QTest::addColumn<bool>("opening");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("opening over selection") << true << 4 << 9 << u"say \u201C now"_qs;
        QTest::newRow("closing over selection") << false << 4 << 9 << u"say \u201D now"_qs;
        QTest::newRow("opening at caret") << true << 4 << 4 << u"say \u201Chello now"_qs;
    }
    void smartQuotes()
    {
        QFETCH(bool, opening);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        start(QStringLiteral("say hello now"));
        select(from, to);
        QTest::mouseClick(opening ? m_window->btnOpeningQuote : m_window->btnClosingQoute,
                          Qt::LeftButton);
        QCOMPARE(text(), expected);
        QCOMPARE(ed()->SelectionStart(), 5);
        QCOMPARE(ed()->SelectionLength(), 0);
    }

    // The dash is a Symbol character; what follows is in the previous face, ANSI again, and
    // the clipboard keeps what the user had put there.
    void longDash()
    {
        start(QStringLiteral("ab"));
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        select(1, 1);
        QTest::mouseClick(m_window->btnLongDash, Qt::LeftButton);
        QTest::keyClicks(ed(), QStringLiteral("x"));
        QCOMPARE(text(), QStringLiteral("a") + QChar(text::symbolToUnicode(0xBE))
                             + QStringLiteral("xb"));
        const CHARFORMAT2 dash = charAt(1);
        QCOMPARE(dash.szFaceName, QStringLiteral("Symbol"));
        QCOMPARE(dash.bCharSet, SYMBOL_CHARSET);
        const CHARFORMAT2 next = charAt(2);
        QCOMPARE(next.szFaceName, QStringLiteral("Courier New"));
        QCOMPARE(next.bCharSet, ANSI_CHARSET);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    }

    void longDashOverSelection()
    {
        start(QStringLiteral("one two"));
        select(3, 4);
        QTest::mouseClick(m_window->btnLongDash, Qt::LeftButton);
        QCOMPARE(text(), QStringLiteral("one") + QChar(text::symbolToUnicode(0xBE))
                             + QStringLiteral("two"));
        QCOMPARE(charAt(3).szFaceName, QStringLiteral("Symbol"));
        QCOMPARE(ed()->SelectionStart(), 4);
        QCOMPARE(ed()->SelectionLength(), 0);
    }

    // A heading, typing, Enter and typing: the heading paragraph keeps its look, the next one
    // is normal text but still carries the style number.
    void headings_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("size");
        QTest::newRow("heading 1") << "Heading01" << 1 << int(fsBold) << 16;
        QTest::newRow("heading 2") << "Heading11" << 2 << int(fsBold | fsItalic) << 14;
        QTest::newRow("heading 3") << "Heading31" << 3 << int(fsBold) << 13;
    }
    void headings()
    {
        QFETCH(QString, action);
        QFETCH(int, number);
        QFETCH(int, style);
        QFETCH(int, size);
        start();
        m_window->findChild<QAction *>(action)->trigger();
        QVERIFY(m_window->HeadingTyping);
        QTest::keyClicks(ed(), QStringLiteral("Title"));
        const CHARFORMAT2 head = charAt(1);
        QCOMPARE(int(head.dwEffects & 0xF), style);
        QCOMPARE(head.yHeight, size * 20);
        QCOMPARE(head.wKerning, std::uint16_t(320));
        PARAFORMAT2 pf = paraAt(0);
        QCOMPARE(pf.sStyle, std::int16_t(number));
        QCOMPARE(pf.dySpaceBefore, 240);
        QCOMPARE(pf.dySpaceAfter, 60);
        QVERIFY(pf.wEffects & PFE_KEEPNEXT);

        QTest::keyClick(ed(), Qt::Key_Return);
        QVERIFY(!m_window->HeadingTyping);
        QTest::keyClicks(ed(), QStringLiteral("body"));
        const CHARFORMAT2 body = charAt(7);
        QCOMPARE(int(body.dwEffects & 0xF), 0);
        QCOMPARE(body.yHeight, 240);
        QCOMPARE(body.szFaceName, QStringLiteral("Courier New"));
        pf = paraAt(7);
        QCOMPARE(pf.dySpaceBefore, 0);
        QCOMPARE(pf.dySpaceAfter, 0);
        QCOMPARE(pf.sStyle, std::int16_t(number));
        QVERIFY(!(pf.wEffects & PFE_KEEPNEXT));
        // The heading paragraph is left as it was.
        QCOMPARE(paraAt(0).dySpaceBefore, 240);
        QCOMPARE(charAt(1).yHeight, size * 20);

        // A second Enter is an ordinary key again.
        ed()->ParagraphFormat.setSpaceBefore(5);
        QTest::keyClick(ed(), Qt::Key_Return);
        QCOMPARE(ed()->ParagraphFormat.SpaceBefore(), 5);
    }

    void normalDefaultText()
    {
        start(QStringLiteral("Title"));
        select(0, 5);
        m_window->Heading01->trigger();
        m_window->NormalDefaultText1->trigger();
        QVERIFY(!m_window->HeadingTyping);
        const CHARFORMAT2 cf = charAt(2);
        QCOMPARE(int(cf.dwEffects & 0xF), 0);
        QCOMPARE(cf.yHeight, 240);
        QCOMPARE(cf.wKerning, std::uint16_t(0));
        const PARAFORMAT2 pf = paraAt(0);
        QCOMPARE(pf.sStyle, std::int16_t(1));
        QCOMPARE(pf.dySpaceBefore, 0);
        QVERIFY(!(pf.wEffects & PFE_KEEPNEXT));
    }

    // 1.5 spacing is at least one and a half times the size, halves to the even neighbour.
    void oneAndHalfSpacing_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("twips");
        QTest::newRow("10 points") << 10 << 300;
        QTest::newRow("11 points") << 11 << 320;
        QTest::newRow("13 points") << 13 << 400;
    }
    void oneAndHalfSpacing()
    {
        QFETCH(int, size);
        QFETCH(int, twips);
        start(QStringLiteral("some text"));
        select(0, 9);
        ed()->SelectionFormat.setSize(size);
        m_window->N15LineSpacing1->trigger();
        const PARAFORMAT2 pf = paraAt(0);
        QCOMPARE(int(pf.bLineSpacingRule), 3);
        QCOMPARE(pf.dyLineSpacing, twips);
    }

    void doubleThenSingle()
    {
        start(QStringLiteral("lines"));
        m_window->DoubleLineSpacing1->trigger();
        QCOMPARE(int(paraAt(0).bLineSpacingRule), 5);
        QCOMPARE(paraAt(0).dyLineSpacing, 40);
        m_window->NormalLineSpacing1->trigger();
        QCOMPARE(int(paraAt(0).bLineSpacingRule), 0);
        QCOMPARE(paraAt(0).dyLineSpacing, 40);
    }

    // Marking makes revised red text of author 3; accepting or ending leaves explicit black.
    void markThenAccept_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("accept") << "Reset1";
        QTest::newRow("end revised") << "EndRevisedText1";
    }
    void markThenAccept()
    {
        QFETCH(QString, action);
        start(QStringLiteral("blue words"));
        select(0, 4);
        ed()->SelectionFormat.setColor(0xFF0000); // blue
        m_window->Charformat21->trigger();
        CHARFORMAT2 cf = charAt(1);
        QVERIFY(cf.dwEffects & CFE_REVISED);
        QCOMPARE(int(cf.bRevAuthor), 3);
        QCOMPARE(cf.crTextColor, COLORREF(0x0000FF));
        QCOMPARE(styleAt(6), 0);
        QVERIFY(!(charAt(6).dwEffects & CFE_REVISED));

        select(0, 4);
        m_window->findChild<QAction *>(action)->trigger();
        cf = charAt(1);
        QVERIFY(!(cf.dwEffects & CFE_REVISED));
        QVERIFY(!(cf.dwEffects & CFE_AUTOCOLOR));
        QCOMPARE(int(cf.bRevAuthor), 0);
        QCOMPARE(cf.crTextColor, COLORREF(0));
    }

    // The marks and the dash live in the character formatting and survive Rich Text.
    void marksSurviveRichText()
    {
        start(QStringLiteral("ab"));
        select(0, 1);
        m_window->Charformat21->trigger();
        select(2, 2);
        QTest::mouseClick(m_window->btnLongDash, Qt::LeftButton);
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        ed()->Lines.SaveDocumentStream(buffer);
        buffer.seek(0);
        ed()->Lines.LoadDocumentStream(buffer);
        QCOMPARE(text(), QStringLiteral("ab") + QChar(text::symbolToUnicode(0xBE)));
        const CHARFORMAT2 marked = charAt(0);
        QVERIFY(marked.dwEffects & CFE_REVISED);
        QCOMPARE(marked.crTextColor, COLORREF(0x0000FF));
        QVERIFY(!(charAt(1).dwEffects & CFE_REVISED));
        QCOMPARE(charAt(2).szFaceName, QStringLiteral("Symbol"));
    }

    void reject()
    {
        start(QStringLiteral("keep drop"));
        select(4, 4);
        m_window->RejectRevisedText1->trigger();
        QCOMPARE(text(), QStringLiteral("keep drop"));
        QVERIFY(!ed()->DocumentModified());
        QVERIFY(!ed()->CanUndoStep());

        select(4, 9);
        m_window->RejectRevisedText1->trigger();
        QCOMPARE(text(), QStringLiteral("keep"));
        QTest::mouseClick(m_window->btnUndo, Qt::LeftButton);
        QCOMPARE(text(), QStringLiteral("keep drop"));
    }

    void direction()
    {
        start(QStringLiteral("text"));
        ed()->ParagraphFormat.setAlignment(TParaAlignment::taCenter);
        m_window->RightToLeftText1->trigger();
        QVERIFY(paraAt(0).wEffects & PFE_RTLPARA);
        QCOMPARE(paraAt(0).wAlignment, PFA_CENTER);
        m_window->LeftToRighttext1->trigger();
        QVERIFY(!(paraAt(0).wEffects & PFE_RTLPARA));
    }

    // The alignment buttons: a pressed one stays pressed; the other one releases it; the
    // selection handler follows the paragraph at the caret.
    void alignmentButtons()
    {
        start(QStringLiteral("first\nsecond"));
        ed()->ParagraphFormat.setAlignment(TParaAlignment::taLeftJustify);
        select(1, 1);
        QToolButton *centre = m_window->btnCenterAlign;
        QToolButton *justify = m_window->btnAlignJustify;
        QTest::mouseClick(centre, Qt::LeftButton);
        QCOMPARE(ed()->ParagraphFormat.Alignment(), TParaAlignment::taCenter);
        QVERIFY(centre->isChecked() && !justify->isChecked());
        QTest::mouseClick(centre, Qt::LeftButton);
        QCOMPARE(ed()->ParagraphFormat.Alignment(), TParaAlignment::taCenter);
        QVERIFY(centre->isChecked() && !justify->isChecked());
        QTest::mouseClick(justify, Qt::LeftButton);
        QCOMPARE(ed()->ParagraphFormat.Alignment(), TParaAlignment::taJustify);
        QVERIFY(!centre->isChecked() && justify->isChecked());

        select(8, 8); // the second paragraph, left aligned
        QCOMPARE(ed()->ParagraphFormat.Alignment(), TParaAlignment::taLeftJustify);
        QVERIFY(!centre->isChecked() && !justify->isChecked());
        select(1, 1);
        QVERIFY(!centre->isChecked() && justify->isChecked());
    }

    // "Clear All" clears the modified flag: New asks nothing afterwards.
    void clearAllThenNew()
    {
        start();
        QTest::keyClicks(ed(), QStringLiteral("unsaved work"));
        QVERIFY(ed()->DocumentModified());
        m_window->DeleteAll1->trigger();
        QCOMPARE(text(), QString());
        QVERIFY(!ed()->DocumentModified());
        QCOMPARE(m_window->StatusBar1->panelText(5), QString());
        QTest::mouseClick(m_window->btnNewDoc, Qt::LeftButton);
        QVERIFY(m_dialogs->shownOf(ScriptedDialogs::Kind::Confirmation).isEmpty());
    }

    void undoRedoButtons()
    {
        start();
        QTest::keyClicks(ed(), QStringLiteral("abc"));
        m_window->EditorChange();
        QVERIFY(m_window->btnUndo->isEnabled());
        QTest::mouseClick(m_window->btnUndo, Qt::LeftButton);
        QCOMPARE(text(), QString());
        QVERIFY(m_window->btnRedo->isEnabled());
        QVERIFY(!m_window->btnUndo->isEnabled());
        QTest::mouseClick(m_window->btnRedo, Qt::LeftButton);
        QCOMPARE(text(), QStringLiteral("abc"));
        QVERIFY(!m_window->btnRedo->isEnabled());
        QVERIFY(m_window->btnUndo->isEnabled());
    }

    // The font dialog shows the selection's font; OK applies it to the word at the caret with
    // its style, even though the automatic colour replaced the style bits on the way.
    void fontDialog()
    {
        start(QStringLiteral("one two"));
        select(5, 5);
        FontChoice chosen;
        chosen.face = QStringLiteral("Arial");
        chosen.size = 20;
        chosen.style = FontChoice::Bold | FontChoice::Underline;
        chosen.charset = 0;
        chosen.color = 0;
        m_dialogs->answerFont(chosen);
        QTest::mouseClick(m_window->btnFont, Qt::LeftButton);
        const auto shown = m_dialogs->shownOf(ScriptedDialogs::Kind::Font);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().font.face, QStringLiteral("Courier New"));
        QCOMPARE(shown.first().font.size, 12);
        const CHARFORMAT2 cf = charAt(5);
        QCOMPARE(cf.szFaceName, QStringLiteral("Arial"));
        QCOMPARE(cf.yHeight, 400);
        QCOMPARE(int(cf.dwEffects & 0xF), int(fsBold | fsUnderline));
        QVERIFY(cf.dwEffects & CFE_AUTOCOLOR); // left alone, so still automatic
        QCOMPARE(charAt(1).szFaceName, QStringLiteral("Courier New"));
        QVERIFY(ed()->hasFocus());

        m_dialogs->cancelNext();
        select(0, 3);
        QTest::mouseClick(m_window->btnFont, Qt::LeftButton);
        QCOMPARE(charAt(1).szFaceName, QStringLiteral("Courier New"));
        QVERIFY(ed()->hasFocus());
    }

    void backgroundColour()
    {
        start();
        m_dialogs->answerColour(0x0000FF);
        QTest::mouseClick(m_window->btnEditorBackground, Qt::LeftButton);
        const auto shown = m_dialogs->shownOf(ScriptedDialogs::Kind::Colour);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().colour, std::uint32_t(0x00F4DEB9));
        QVERIFY(shown.first().fullOpen);
        QCOMPARE(ed()->Color(), TColor(0x0000FF));
        QCOMPARE(m_window->dxContainer1->palette().color(QPalette::Window), QColor(255, 0, 0));
        m_dialogs->cancelNext();
        QTest::mouseClick(m_window->btnEditorBackground, Qt::LeftButton);
        QCOMPARE(ed()->Color(), TColor(0x0000FF));
        ed()->setColor(0x00F4DEB9);
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
