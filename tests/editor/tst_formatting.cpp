// Formatting as a user meets it in the main window: the background colour, the font dialog,
// the style keys on mixed text, zooming and plain-text mode, and Clear All with its undo. The
// window is driven through its buttons, menus and keys; results are read from the screen
// picture, the editor's formats or the saved file.
#include <QtTest>

#include "app/Main.h"
#include "dialogs/FontDialog.h"
#include "richedit/FormatMapping.h"
#include "support/WindowDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBlock>

#include <QFrame>
#include <QTemporaryDir>
#include <QToolButton>

using namespace richedit;

namespace {

// The colour of the editor's picture at a point of its viewport.
QColor pixelAt(QWidget *widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

// Presses a button of a dialog's button box.
void pressButton(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    auto *box = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(box);
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

QComboBox *field(QWidget *dialog, const char *name)
{
    return dialog->findChild<QComboBox *>(QLatin1String(name));
}

// Every run of the editor's document with the effects it shows, one line each.
QStringList effectRuns(TRxRichEdit *editor)
{
    QStringList out;
    for (QTextBlock b = editor->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = richedit::logicalCharFormat(it.fragment().charFormat());
            out << QStringLiteral("[%1] caps%2 strike%3 v%4 u%5 hidden%6 protected%7 revised%8")
                       .arg(it.fragment().text())
                       .arg(int(f.fontCapitalization()))
                       .arg(f.fontStrikeOut())
                       .arg(int(f.verticalAlignment()))
                       .arg(int(f.underlineStyle()))
                       .arg(f.boolProperty(prop::Hidden))
                       .arg(f.boolProperty(prop::Protected))
                       .arg(f.boolProperty(prop::Revised));
        }
    }
    return out;
}

// One notch of the mouse wheel over the editor with Ctrl held.
void ctrlWheel(TRxRichEdit *editor, int notches)
{
    QWidget *viewport = editor->viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
}

// The height of the first paragraph as the editor lays it out on screen.
qreal firstLineHeight(TRxRichEdit *editor)
{
    const QTextBlock b = editor->document()->begin();
    return b.layout()->lineAt(0).height();
}

// The face and size of the character at pos as the editor shows it.
QString shownFont(TRxRichEdit *editor, int pos)
{
    QTextCursor c(editor->document());
    c.setPosition(pos + 1);
    const QFont f = c.charFormat().font().resolve(editor->document()->defaultFont());
    return QStringLiteral("%1 %2").arg(f.family()).arg(f.pointSize());
}

} // namespace

class TestFormatting : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void backgroundColourFillsTheWholeEditor()
    {
        WindowDriver w(m_dir.path());
        w.dialogs().answerColour(0x00FF00); // green
        w.click(w->btnEditorBackground);
        QVERIFY(w.dialogs().allAnswered());
        const QColor green(0, 255, 0);
        QWidget *editor = w->Editor;
        // The text area, the selection bar at the left edge and the container round it.
        QCOMPARE(pixelAt(editor, QPoint(editor->width() / 2, editor->height() / 2)), green);
        QCOMPARE(pixelAt(editor, QPoint(2, editor->height() / 2)), green);
        QCOMPARE(pixelAt(editor, QPoint(editor->width() - 40, 5)), green);
        QCOMPARE(w->dxContainer1->palette().color(QPalette::Window), green);
    }

    void backgroundColourFromTheSettingsFile()
    {
        WindowDriver w(m_dir.path(), "[Page View]\r\nEditor Colour=16711680\r\n"); // blue
        QWidget *editor = w->Editor;
        QCOMPARE(pixelAt(editor, QPoint(editor->width() / 2, editor->height() / 2)), QColor(0, 0, 255));
    }

    void fontDialogOpensWithTheSelectionsFont()
    {
        WindowDriver w(m_dir.path());
        w.useRealDialogs();
        w.type(QStringLiteral("typewriter text"));
        w->Editor->SelectEverything();
        w->Editor->setDocumentModified(false);
        QStringList preset;
        w.onDialog([&](QWidget *dialog) {
            QVERIFY(qobject_cast<dialogs::FontDialog *>(dialog));
            preset = {field(dialog, "face")->currentText(), field(dialog, "size")->currentText(),
                      field(dialog, "style")->currentText(), field(dialog, "colour")->currentText(),
                      field(dialog, "script")->currentText()};
            pressButton(dialog, QDialogButtonBox::Ok);
        });
        w.click(w->btnFont);
        QVERIFY(w.dialogsHandled());
        QCOMPARE(preset, (QStringList{QStringLiteral("Courier New"), QStringLiteral("12"),
                                      QStringLiteral("Regular"), QStringLiteral("Black"),
                                      QStringLiteral("Western")}));
        // OK without a change changes nothing.
        QCOMPARE(w->Editor->SelectionFormat.FaceName(), QStringLiteral("Courier New"));
        QCOMPARE(w->Editor->SelectionFormat.Color(), clWindowText);
        QVERIFY(!w->Editor->DocumentModified());
        QCOMPARE(w->focusWidget(), static_cast<QWidget *>(w->Editor)); // focus back when the window is active again
    }

    void fontDialogSetsFaceSizeStyleEffectsColourAndScript()
    {
        WindowDriver w(m_dir.path());
        w.useRealDialogs();
        w.type(QStringLiteral("colour me"));
        w->Editor->SelectEverything();
        w.onDialog([&](QWidget *dialog) {
            field(dialog, "face")->setCurrentText(QStringLiteral("Times New Roman"));
            field(dialog, "size")->setCurrentText(QStringLiteral("14"));
            field(dialog, "style")->setCurrentIndex(3); // Bold Italic
            dialog->findChild<QCheckBox *>(QStringLiteral("underline"))->setChecked(true);
            QComboBox *colour = field(dialog, "colour");
            colour->setCurrentIndex(colour->findText(QStringLiteral("Red")));
            emit colour->activated(colour->currentIndex());
            QComboBox *script = field(dialog, "script");
            script->setCurrentIndex(script->findText(QStringLiteral("Greek")));
            pressButton(dialog, QDialogButtonBox::Ok);
        });
        w.click(w->btnFont);
        QVERIFY(w.dialogsHandled());
        w->Editor->exSetSel(2, 3);
        const TRxTextAttributes &f = w->Editor->SelectionFormat;
        QCOMPARE(f.FaceName(), QStringLiteral("Times New Roman"));
        QCOMPARE(f.Size(), 14);
        QCOMPARE(f.Style(), fsBold | fsItalic | fsUnderline);
        QCOMPARE(f.Color(), TColor(0x0000FF));
        QCOMPARE(int(f.Charset()), 161);
    }

    void fontDialogCancelledChangesNothing()
    {
        WindowDriver w(m_dir.path());
        w.useRealDialogs();
        w.type(QStringLiteral("stay"));
        w->Editor->SelectEverything();
        w.onDialog([&](QWidget *dialog) {
            field(dialog, "size")->setCurrentText(QStringLiteral("30"));
            pressButton(dialog, QDialogButtonBox::Cancel);
        });
        w.click(w->btnFont);
        QVERIFY(w.dialogsHandled());
        QCOMPARE(w->Editor->SelectionFormat.Size(), 12);
        QCOMPARE(w->focusWidget(), static_cast<QWidget *>(w->Editor)); // focus back when the window is active again
    }

    void styleKeysOnAMixedSelectionWriteOnlyTheirOwnStyle()
    {
        // Given a line with a bold, an italic and an underlined word, typed with the keys.
        WindowDriver w(m_dir.path());
        w.press(QKeySequence(QStringLiteral("Ctrl+B")));
        w.type(QStringLiteral("bold"));
        w.press(QKeySequence(QStringLiteral("Ctrl+B")));
        w.type(QStringLiteral(" "));
        w.press(QKeySequence(QStringLiteral("Ctrl+I")));
        w.type(QStringLiteral("italic"));
        w.press(QKeySequence(QStringLiteral("Ctrl+I")));
        w.type(QStringLiteral(" "));
        w.press(QKeySequence(QStringLiteral("Ctrl+U")));
        w.type(QStringLiteral("under"));
        w.press(QKeySequence(QStringLiteral("Ctrl+U")));
        auto styleAt = [&](int pos) {
            w->Editor->exSetSel(pos, pos + 1);
            return w->Editor->SelectionFormat.Style();
        };
        QCOMPARE(styleAt(0), fsBold);
        QCOMPARE(styleAt(5), fsItalic);
        QCOMPARE(styleAt(12), fsUnderline);
        // When the whole line is made bold (the mark is clear, so Ctrl+B sets bold)...
        w->Editor->SelectEverything();
        w.press(QKeySequence(QStringLiteral("Ctrl+B")));
        // ...the italic and the underline stay; the next Ctrl+B takes only the bold away.
        QCOMPARE(styleAt(0), fsBold);
        QCOMPARE(styleAt(5), fsBold | fsItalic);
        QCOMPARE(styleAt(12), fsBold | fsUnderline);
        w->Editor->SelectEverything();
        w.press(QKeySequence(QStringLiteral("Ctrl+B")));
        QCOMPARE(styleAt(0), 0);
        QCOMPARE(styleAt(5), fsItalic);
        QCOMPARE(styleAt(12), fsUnderline);
    }

    void characterEffectsSurviveSaveAndOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("rtf") << QStringLiteral("effects.rtf");
        QTest::newRow("rtc") << QStringLiteral("effects.rtc");
    }
    void characterEffectsSurviveSaveAndOpen()
    {
        QFETCH(QString, name);
        WindowDriver w(m_dir.path());
        TRxRichEdit *ed = w->Editor;
        const QString line = QStringLiteral("shout small struck up down hidden guarded revised dotted wavy");
        w.type(line);
        // Selects a word of the line, then gives it its effect.
        auto word = [&](const QString &text, auto apply) {
            const int start = int(line.indexOf(text));
            ed->exSetSel(start, start + int(text.size()));
            apply();
        };
        auto effect = [&](std::uint32_t mask, std::uint32_t effects) {
            CHARFORMAT2 cf;
            cf.dwMask = mask;
            cf.dwEffects = effects;
            ed->setCharFormat(SCF_SELECTION, cf);
        };
        auto qtFormat = [&](auto set) {
            QTextCharFormat f;
            set(f);
            QTextCursor c = ed->textCursor();
            c.mergeCharFormat(f);
        };
        // Capitals from the keyboard, as the help text offers them.
        word(QStringLiteral("shout"), [&] { w.press(QKeySequence(QStringLiteral("Ctrl+Shift+A"))); });
        word(QStringLiteral("small"), [&] { qtFormat([](QTextCharFormat &f) { f.setFontCapitalization(QFont::SmallCaps); }); });
        word(QStringLiteral("struck"), [&] { effect(CFM_STRIKEOUT, CFE_STRIKEOUT); });
        word(QStringLiteral("up"), [&] { effect(CFM_SUPERSCRIPT, CFE_SUPERSCRIPT); });
        word(QStringLiteral("down"), [&] { effect(CFM_SUPERSCRIPT, CFE_SUBSCRIPT); });
        word(QStringLiteral("hidden"), [&] { effect(CFM_HIDDEN, CFE_HIDDEN); });
        word(QStringLiteral("guarded"), [&] { effect(CFM_PROTECTED, CFE_PROTECTED); });
        word(QStringLiteral("revised"), [&] { w.choose(QStringLiteral("Mark as Revised Text")); });
        word(QStringLiteral("dotted"), [&] { qtFormat([](QTextCharFormat &f) { f.setUnderlineStyle(QTextCharFormat::DotLine); }); });
        word(QStringLiteral("wavy"), [&] { qtFormat([](QTextCharFormat &f) { f.setUnderlineStyle(QTextCharFormat::WaveUnderline); }); });
        const QStringList before = effectRuns(ed);
        QVERIFY2(before.first().startsWith(QStringLiteral("[shout] caps1 ")), qPrintable(before.join(QLatin1Char('\n'))));

        // Saved with Ctrl+S under the name typed in the save dialog, then opened again.
        w.dialogs().answerFile(QDir(m_dir.path()).filePath(name));
        w.press(QKeySequence(QStringLiteral("Ctrl+S")));
        QVERIFY(QFile::exists(QDir(m_dir.path()).filePath(name)));
        w.press(QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(ed->textLength(), 0);
        w.dialogs().answerFile(QDir(m_dir.path()).filePath(name));
        w.press(QKeySequence(QStringLiteral("Ctrl+O")));
        QVERIFY(w.dialogs().allAnswered());
        QCOMPARE(effectRuns(ed), before);
    }

    void plainTextShowsTheEditorFont()
    {
        WindowDriver w(m_dir.path());
        w.type(QStringLiteral("plain words"));
        QCOMPARE(shownFont(w->Editor, 0), QStringLiteral("Courier New 12"));
        w.dialogs().answerFile(QDir(m_dir.path()).filePath(QStringLiteral("notes.txt")));
        w.press(QKeySequence(QStringLiteral("Ctrl+S")));
        QVERIFY(w->Editor->PlainText());
        QCOMPARE(w->Editor->windowText(), QStringLiteral("plain words"));
        QCOMPARE(shownFont(w->Editor, 0), QStringLiteral("Courier New 12"));
        // A change of the window's own font leaves the document's font alone.
        w->setFont(QFont(QStringLiteral("DejaVu Sans"), 7));
        QCOMPARE(shownFont(w->Editor, 0), QStringLiteral("Courier New 12"));
    }

    void zoomScalesWhatIsShownOnly_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::newRow("formatted") << false;
        QTest::newRow("plain text") << true;
    }
    void zoomScalesWhatIsShownOnly()
    {
        QFETCH(bool, plain);
        WindowDriver w(m_dir.path());
        TRxRichEdit *ed = w->Editor;
        w.type(QStringLiteral("zoom me"));
        if (plain) {
            w.dialogs().answerFile(QDir(m_dir.path()).filePath(QStringLiteral("zoom.txt")));
            w.press(QKeySequence(QStringLiteral("Ctrl+S")));
            QVERIFY(ed->PlainText());
        } else {
            ed->SelectEverything();
            ed->SelectionFormat.setSize(20);
            ed->exSetSel(0, 0);
        }
        const QString font = shownFont(ed, 0);
        const qreal before = firstLineHeight(ed);
        ctrlWheel(ed, 3);
        QTRY_VERIFY(firstLineHeight(ed) > before * 1.2);
        // The characters keep their format; only the picture on screen is larger.
        QCOMPARE(shownFont(ed, 0), font);
        ed->SelectEverything();
        QCOMPARE(ed->SelectionFormat.FaceName(), QStringLiteral("Courier New"));
        QCOMPARE(ed->SelectionFormat.Size(), plain ? 12 : 20);
        ctrlWheel(ed, -3);
        QTRY_COMPARE(firstLineHeight(ed), before);
        ctrlWheel(ed, 2);
        // The settings file keeps the editor font, not the zoomed one.
        w->FormDestroy();
        QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("DeskTopDock.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY2(text.contains("Name=Courier New"), text.constData());
        QVERIFY2(text.contains(plain ? "Size=12" : "Size=20"), text.constData());
    }

    void clearAllCanBeUndone()
    {
        WindowDriver w(m_dir.path());
        w.type(QStringLiteral("precious work"));
        w->Editor->SelectEverything();
        w.press(QKeySequence(QStringLiteral("Ctrl+B")));
        QCOMPARE(w.status(5), QStringLiteral("Modified"));
        w.choose(QStringLiteral("Clear All"));
        QCOMPARE(w->Editor->windowText(), QString());
        QCOMPARE(w.status(5), QString());
        QVERIFY(w->btnUndo->isEnabled());
        // Ctrl+Z brings the text back, bold as it was, and the document is modified again.
        w.press(QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(w->Editor->windowText(), QStringLiteral("precious work"));
        QCOMPARE(w.status(5), QStringLiteral("Modified"));
        w->Editor->exSetSel(0, 1);
        QCOMPARE(w->Editor->SelectionFormat.Style(), fsBold);
        // The toolbar's Undo does the same.
        w.choose(QStringLiteral("Clear All"));
        w.click(w->btnUndo);
        QCOMPARE(w->Editor->windowText(), QStringLiteral("precious work"));
        QCOMPARE(w.status(5), QStringLiteral("Modified"));
        // Clear All followed by New asks nothing.
        w.choose(QStringLiteral("Clear All"));
        w.press(QKeySequence(QStringLiteral("Ctrl+N")));
        QVERIFY(w.dialogs().shownOf(ScriptedDialogs::Kind::Confirmation).isEmpty());
    }
};

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
