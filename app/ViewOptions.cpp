// View options and help: the two eye-level modes, hiding the scroll bar and the toolbar, the
// help text and the clock's home page.
#include "app/Main.h"

#include "app/Application.h"
#include "shell/Shell.h"

#include <QFrame>
#include <QUrl>
#include <cmath>

namespace {
const char kHomePage[] = "https://www.scrivelle.org/";
}

void TfrmMainEditor::setEyeLevel(QAction *own, QAction *other, bool third)
{
    m_editorAligned = true;
    layoutControls();
    shell::pumpEvents();
    if (own->isChecked()) {
        m_editorAligned = true;
        layoutControls();
        B1->hide();
        B2->hide();
        shell::pumpEvents();
        own->setChecked(false);
        other->setChecked(false);
        return;
    }
    m_editorAligned = false;
    const int full = Editor->height();
    const int height = third ? int(std::nearbyint(full / 1.5)) : full / 2;
    Editor->resize(Editor->width(), height);
    B1->move(B1->x(), height - 20);
    B2->move(B2->x(), height - 20);
    shell::pumpEvents();
    int p = Editor->lineIndex(Editor->Lines.LineCount());
    if (p < 0) // past the last line the caret goes to the end of the text
        p = Editor->textLength();
    Editor->setSel(p, p);
    Editor->scrollCaret();
    B1->show();
    B2->show();
    shell::pumpEvents();
    own->setChecked(true);
    other->setChecked(false);
    Editor->resize(eyeLevelEditorWidth(), Editor->height());
}

void TfrmMainEditor::KeepTextEyeLevel121Click()
{
    setEyeLevel(KeepTextEyeLevel121, KeepTextEyeLevel1, false);
}

void TfrmMainEditor::KeepTextEyeLevel1Click()
{
    setEyeLevel(KeepTextEyeLevel1, KeepTextEyeLevel121, true);
}

void TfrmMainEditor::ShowScrollBar1Click()
{
    ShowScrollBar1->setChecked(!ShowScrollBar1->isChecked());
    Editor->setScrollBars(ShowScrollBar1->isChecked() ? TScrollStyle::ssNone : TScrollStyle::ssVertical);
    shell::pumpEvents();
    Editor->setTypographyOptions(richedit::TO_ADVANCEDTYPOGRAPHY);
    Editor->setFocus();
}

void TfrmMainEditor::ShowToolbar1Click()
{
    ShowToolbar1->setChecked(!ShowToolbar1->isChecked());
    CoolBar1->setVisible(!ShowToolbar1->isChecked());
    layoutControls();
    if (!m_editorAligned)
        Editor->move(Editor->x(), CoolBar1->isVisibleTo(this) ? 67 : 26);
}

QString TfrmMainEditor::helpText()
{
    const QStringList lines = {
        QStringLiteral("Short-Cut keys for the editor."),
        QStringLiteral("^^^^^^^^^^^^^^^^^^"),
        QStringLiteral("F1          -  Help Dialog"),
        QStringLiteral("Ctrl + O - Open Document..."),
        QStringLiteral("Ctrl + N - New Document..."),
        QStringLiteral("Ctrl + S - Save Document..."),
        QStringLiteral("Ctrl + P - Print Preview..."),
        QStringLiteral("Ctrl + H - Document History..."),
        QString(),
        QStringLiteral("Ctrl + X - Cut         Ctrl + B - Bold               Ctrl + 1/2/5 - Line Spacing"),
        QStringLiteral("Ctrl + C - Copy      Ctrl + I - Italic               Ctrl + Home/End - Start or End of document"),
        QStringLiteral("Ctrl + V - Paste      Ctrl + U - Underline      Ctrl + Shift + A - Set selection to ALL CAPS"),
        QString(),
        QStringLiteral("Ctrl + Shift + L - Step through the bullet style you want by toggling the L"),
        QString(),
        QStringLiteral("Primary mouse button + Scroll wheel up and down = Zoom Document in or out"),
        QString(),
        QStringLiteral("Ctrl + F - Find...      F3 / Shift + F3 - Find Next / Previous      Ctrl + R - Replace..."),
        QStringLiteral("Misspelled words are underlined in red: right-click one for suggestions,"),
        QStringLiteral("Ignore All or Add to Dictionary. Text in another language is checked with its own"),
        QStringLiteral("dictionary where one is installed."),
        QString(),
        QStringLiteral("Saved Settings."),
        QStringLiteral("^^^^^^^^^^"),
        QStringLiteral("The following attributes are saved when the application closes:"),
        QStringLiteral("- Font Size"),
        QStringLiteral("- Font Name"),
        QStringLiteral("- Editor Eye Level"),
        QStringLiteral("- Editor Background Colour"),
        QStringLiteral("- Print Preview - Page Margins"),
        QStringLiteral("- Scrollbar and ToolBar Visibility"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void TfrmMainEditor::SpeedButton1Click()
{
    dialogs::current().information(applicationTitle(), helpText());
}

void TfrmMainEditor::RxClock1Click()
{
    shell::openUrl(QUrl(QString::fromLatin1(kHomePage)));
}
