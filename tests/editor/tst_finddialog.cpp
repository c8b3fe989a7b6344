// Find and replace in the main window as a user works it: Ctrl+F, typing the text, the
// window's buttons, F3 and Shift+F3 in the editor, the message when the search goes round,
// Ctrl+R and Replace All on formatted text undone with one Ctrl+Z.
#include <QtTest>

#include "app/Main.h"
#include "editor/FindDialog.h"
#include "support/ScriptedDialogs.h"
#include "widgets/StatusBar.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using Kind = ScriptedDialogs::Kind;

class TestFindDialog : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<TfrmMainEditor> m_window;
    QTemporaryDir m_dir;

    TRxRichEdit *ed() { return m_window->Editor; }
    TFindDialog *dlg() { return m_window->FindDialog; }
    void typeText(const QString &text)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(ed(), Qt::Key_Return);
            QTest::keyClicks(ed(), lines[i]);
        }
    }
    QString selected() { return ed()->textCursor().selectedText(); }
    int selStart() { return ed()->textCursor().selectionStart(); }
    QStringList messages()
    {
        QStringList out;
        for (const auto &s : m_dialogs->shownOf(Kind::Information))
            out << s.text;
        return out;
    }

private slots:
    void init()
    {
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_window = std::make_unique<TfrmMainEditor>();
        m_window->setSettingsPath(m_dir.filePath(QStringLiteral("DeskTopDock.ini")));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        ed()->setFocus();
    }
    void cleanup()
    {
        dlg()->hide();
        ed()->setDocumentModified(false);
        m_window.reset();
        m_dialogs.reset();
    }

    void ctrlFFindsAndF3GoesRoundWithAMessage()
    {
        typeText(QStringLiteral("Apples and pears.\nMore apples, fewer pears."));
        QTest::keyClick(ed(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(ed(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(dlg()->isVisible());
        QTRY_VERIFY(dlg()->FindEdit->hasFocus());
        QTest::keyClicks(dlg()->FindEdit, QStringLiteral("apples"));
        QTest::keyClick(dlg()->FindEdit, Qt::Key_Return); // Find Next is the default button
        QCOMPARE(selected(), QStringLiteral("Apples"));
        QCOMPARE(selStart(), 0);
        QTest::mouseClick(dlg()->btnFindNext, Qt::LeftButton);
        QCOMPARE(selStart(), 23);
        QVERIFY(messages().isEmpty());
        // F3 in the editor: past the last match the search goes round, and says so.
        ed()->activateWindow();
        ed()->setFocus();
        QTest::keyClick(ed(), Qt::Key_F3);
        QCOMPARE(selStart(), 0);
        QCOMPARE(messages(), QStringList{TFindDialog::wrappedText(false)});
        // Shift+F3 goes back, round the start.
        QTest::keyClick(ed(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(selStart(), 23);
        QCOMPARE(messages().last(), TFindDialog::wrappedText(true));
        // Match case: only the lower-case one, found again round the end.
        dlg()->MatchCase->setChecked(true);
        QTest::keyClick(ed(), Qt::Key_F3);
        QCOMPARE(selStart(), 23);
        // Nothing to find: said plainly, selection kept.
        dlg()->FindEdit->setText(QStringLiteral("plums"));
        QTest::mouseClick(dlg()->btnFindNext, Qt::LeftButton);
        QCOMPARE(messages().last(), QStringLiteral("Cannot find \"plums\"."));
        QCOMPARE(selStart(), 23);
        QCOMPARE(dlg()->StatusLabel->text(), QStringLiteral("Cannot find \"plums\"."));
    }

    void wholeWordsAndTheSelectionAsSearchText()
    {
        typeText(QStringLiteral("cat concat cat"));
        // Select the last "cat" and press Ctrl+F: it becomes the text to find.
        QTest::keyClick(ed(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(ed(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(ed(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(ed(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(dlg()->isVisible());
        QCOMPARE(dlg()->FindEdit->text(), QStringLiteral("cat"));
        QTest::mouseClick(dlg()->WholeWords, Qt::LeftButton);
        QVERIFY(dlg()->WholeWords->isChecked());
        QTest::mouseClick(dlg()->btnFindNext, Qt::LeftButton);
        QCOMPARE(selStart(), 0); // round past "concat"
        QTest::mouseClick(dlg()->btnFindNext, Qt::LeftButton);
        QCOMPARE(selStart(), 11);
    }

    void replaceAllOnFormattedTextIsOneUndoStep()
    {
        typeText(QStringLiteral("the cat sat; "));
        QTest::keyClick(ed(), Qt::Key_B, Qt::ControlModifier);
        typeText(QStringLiteral("the cat ran"));
        QTest::keyClick(ed(), Qt::Key_B, Qt::ControlModifier);
        typeText(QStringLiteral(" and the cat slept"));
        const QString before = ed()->toPlainText();
        m_window->SetModifiedState(false);

        QTest::keyClick(ed(), Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(dlg()->isVisible());
        QTRY_VERIFY(dlg()->ReplaceEdit->hasFocus());
        dlg()->FindEdit->setText(QStringLiteral("cat"));
        QTest::keyClicks(dlg()->ReplaceEdit, QStringLiteral("dog"));
        QTest::mouseClick(dlg()->btnReplaceAll, Qt::LeftButton);
        QCOMPARE(ed()->toPlainText(), QStringLiteral("the dog sat; the dog ran and the dog slept"));
        QCOMPARE(messages().last(), QStringLiteral("Replaced 3 occurrences."));
        QCOMPARE(m_window->StatusBar1->panelText(5), QStringLiteral("Modified"));
        // The bold run stays bold, the plain ones plain.
        auto boldAt = [this](int p) {
            QTextCursor c(ed()->document());
            c.setPosition(p + 1);
            return c.charFormat().fontWeight() == QFont::Bold;
        };
        QVERIFY(boldAt(17));
        QVERIFY(!boldAt(5));
        QVERIFY(!boldAt(33));
        // One Ctrl+Z in the editor undoes all three.
        ed()->activateWindow();
        ed()->setFocus();
        QTest::keyClick(ed(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ed()->toPlainText(), before);
    }

    void replaceOneStepsThroughTheMatches()
    {
        typeText(QStringLiteral("red, red, red"));
        QTest::keyClick(ed(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(ed(), Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(dlg()->isVisible());
        dlg()->FindEdit->setText(QStringLiteral("red"));
        dlg()->ReplaceEdit->setText(QStringLiteral("blue"));
        // The first press only finds; each further press replaces the selected one.
        QTest::mouseClick(dlg()->btnReplace, Qt::LeftButton);
        QCOMPARE(ed()->toPlainText(), QStringLiteral("red, red, red"));
        QCOMPARE(selStart(), 0);
        QTest::mouseClick(dlg()->btnReplace, Qt::LeftButton);
        QCOMPARE(ed()->toPlainText(), QStringLiteral("blue, red, red"));
        QCOMPARE(selStart(), 6);
        QTest::mouseClick(dlg()->btnReplace, Qt::LeftButton);
        QCOMPARE(ed()->toPlainText(), QStringLiteral("blue, blue, red"));
        QTest::mouseClick(dlg()->btnReplaceAll, Qt::LeftButton);
        QCOMPARE(ed()->toPlainText(), QStringLiteral("blue, blue, blue"));
        QCOMPARE(messages().last(), QStringLiteral("Replaced 1 occurrence."));
        QTest::mouseClick(dlg()->btnReplaceAll, Qt::LeftButton);
        QCOMPARE(messages().last(), QStringLiteral("Cannot find \"red\"."));
        QTest::mouseClick(dlg()->btnClose, Qt::LeftButton);
        QVERIFY(!dlg()->isVisible());
    }
};

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
