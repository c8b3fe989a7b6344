// LoadSettings and SaveSettings: the settings file applied to the window and collected back.
#include "app/Main.h"

#include "app/Exceptions.h"
#include "app/Settings.h"
#include "shell/Shell.h"

#include <QFrame>

QString TfrmMainEditor::settingsPath() const
{
    return m_settingsPath.isEmpty() ? settingsFilePath() : m_settingsPath;
}

void TfrmMainEditor::LoadSettings()
{
    struct FocusAtEnd {
        TRxRichEdit *editor;
        ~FocusAtEnd()
        {
            if (editor->isVisible() && editor->isEnabled())
                editor->setFocus();
        }
    } focus{Editor};

    const Settings s = readSettings(settingsPath());
    TFont font = Editor->Font();
    font.Name = s.editorFont.face;
    Editor->setFont(font);
    font.Size = s.editorFont.size;
    Editor->setFont(font);
    Editor->SelectionFormat.setSize(font.Size);
    TopSize = s.TopSize;
    LeftSize = s.LeftSize;
    RightSize = s.RightSize;
    BottomSize = s.BottomSize;

    ShowToolbar1->setChecked(s.hideToolBar);
    if (s.hideToolBar) {
        CoolBar1->hide();
        layoutControls();
    }
    shell::pumpEvents();
    ShowScrollBar1->setChecked(s.hideScrollBar);
    if (s.hideScrollBar) {
        Editor->setScrollBars(TScrollStyle::ssNone);
        shell::pumpEvents();
        Editor->setTypographyOptions(richedit::TO_ADVANCEDTYPOGRAPHY);
        shell::pumpEvents();
    }
    if (s.halfLevel) {
        KeepTextEyeLevel121->setChecked(false);
        KeepTextEyeLevel121Click();
        shell::pumpEvents();
    }
    if (s.thirdLevel) {
        KeepTextEyeLevel1->setChecked(false);
        KeepTextEyeLevel1Click();
        shell::pumpEvents();
    }
    Editor->setColor(s.editorColour);
    setContainerColour(s.editorColour);
    applySpellingSettings(s.spellCheck, s.spellLanguage);
    shell::pumpEvents();
    emit settingsLoaded(s);
}

void TfrmMainEditor::SaveSettings()
{
    Settings s;
    s.editorFont.face = Editor->SelectionFormat.FaceName();
    s.editorFont.size = Editor->SelectionFormat.Size();
    s.TopSize = TopSize;
    s.LeftSize = LeftSize;
    s.RightSize = RightSize;
    s.BottomSize = BottomSize;
    s.hideToolBar = ShowToolbar1->isChecked();
    s.hideScrollBar = ShowScrollBar1->isChecked();
    s.halfLevel = KeepTextEyeLevel121->isChecked();
    s.thirdLevel = KeepTextEyeLevel1->isChecked();
    s.editorColour = Editor->Color() & 0x00FFFFFF;
    s.spellCheck = m_spellCheck;
    s.spellLanguage = m_spellLanguage;
    const SettingsSaveResult result = saveSettings(s, settingsPath());
    shell::pumpEvents();
    if (!result.ok)
        throw EScrivelleError(result.message);
}
