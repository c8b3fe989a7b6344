#pragma once
// The user settings kept between runs in DeskTopDock.ini beside the program: editor font name
// and size, the four print margins, the view switches, the eye-level mode, the editor colour
// and spell checking (on or off, and the dictionary's language). Reading and writing are plain functions over a value struct; the main window applies
// the values to its widgets and collects them back.

#include "dialogs/FontChoice.h"

#include <QString>
#include <cstdint>

namespace profile {
class Profile;
}

enum class EyeLevelMode { None, Half, Third };

// The range of a print margin in millimetres, as the margins dialog allows it.
constexpr int kMinMarginMm = 0;
constexpr int kMaxMarginMm = 1000;

struct Settings {
    FontChoice editorFont;                    // only face and size are stored
    int TopSize = 15;                       // print margins, whole millimetres
    int LeftSize = 25;
    int RightSize = 25;
    int BottomSize = 15;
    bool hideToolBar = false;               // "ToolBar": check mark of "Hide Toolbar"
    bool hideScrollBar = false;             // "ScrollBar": check mark of "Hide ScrollBar"
    bool halfLevel = false;                 // "Half Level"
    bool thirdLevel = false;                // "Third Level"
    std::uint32_t editorColour = 0x00F4DEB9; // 0x00BBGGRR, light blue
    // "Recovery"/"Copies": recovery copies of unsaved work. Read only: the key is the user's
    // to add, the program never writes it.
    bool recoveryCopies = true;
    bool spellCheck = true;                 // [Spelling] "Check": underline misspelled words
    QString spellLanguage = QStringLiteral("en_US"); // [Spelling] "Language": the dictionary

    // The mode loading ends in: the one-third mode is turned on after the one-half mode and
    // replaces it, so both flags together give Third.
    EyeLevelMode eyeLevelMode() const;
    bool operator==(const Settings &) const = default;
};

// The outcome of writing the file; message is the user's text "Unable to write to <path>".
struct SettingsSaveResult {
    bool ok = true;
    QString message;
};

// DeskTopDock.ini beside the program, or in the user's configuration folder when the program's
// folder cannot be written (shell::configFilePath).
QString settingsFilePath();

// Reads every value in the file's order; a missing file, section or key, or a value that is
// not a valid integer, gives the default, and nothing is reported.
Settings readSettings(const profile::Profile &file);
Settings readSettings(const QString &path);

// Writes every value in the file's order into the profile (sections and keys created when
// missing, everything else kept), then saves it atomically.
void writeSettings(const Settings &settings, profile::Profile &file);
SettingsSaveResult saveSettings(const Settings &settings, const QString &path);
