#include "app/Settings.h"

#include "profile/Profile.h"
#include "shell/ConfigPath.h"


namespace {

// Section and key names exactly as the file spells them.
constexpr auto kFontName = u"Font Name";
constexpr auto kFontSize = u"Font Size";
constexpr auto kMargins = u"Print Margins";
constexpr auto kPageView = u"Page View";
constexpr auto kRecovery = u"Recovery";
constexpr auto kSpelling = u"Spelling";

} // namespace

EyeLevelMode Settings::eyeLevelMode() const
{
    if (thirdLevel)
        return EyeLevelMode::Third;
    return halfLevel ? EyeLevelMode::Half : EyeLevelMode::None;
}

QString settingsFilePath()
{
    return shell::configFilePath(QStringLiteral("DeskTopDock.ini"));
}

Settings readSettings(const profile::Profile &file)
{
    const Settings d;
    Settings s;
    s.editorFont.face = file.readString(kFontName, u"Name", d.editorFont.face);
    s.editorFont.size = file.readInteger(kFontSize, u"Size", d.editorFont.size);
    // Margins keep to the range the margins dialog allows: a hand-edited file with negative or
    // huge values would otherwise reach the page arithmetic as they are.
    auto margin = [&file](const char16_t *key, int fallback) {
        return qBound(kMinMarginMm, file.readInteger(kMargins, key, fallback), kMaxMarginMm);
    };
    s.TopSize = margin(u"TopSize", d.TopSize);
    s.LeftSize = margin(u"LeftSize", d.LeftSize);
    s.RightSize = margin(u"RightSize", d.RightSize);
    s.BottomSize = margin(u"BottomSize", d.BottomSize);
    s.hideToolBar = file.readBool(kPageView, u"ToolBar", d.hideToolBar);
    s.hideScrollBar = file.readBool(kPageView, u"ScrollBar", d.hideScrollBar);
    s.halfLevel = file.readBool(kPageView, u"Half Level", d.halfLevel);
    s.thirdLevel = file.readBool(kPageView, u"Third Level", d.thirdLevel);
    s.editorColour = std::uint32_t(
        file.readInteger(kPageView, u"Editor Colour", int(d.editorColour)));
    s.recoveryCopies = file.readBool(kRecovery, u"Copies", d.recoveryCopies);
    s.spellCheck = file.readBool(kSpelling, u"Check", d.spellCheck);
    s.spellLanguage = file.readString(kSpelling, u"Language", d.spellLanguage);
    return s;
}

Settings readSettings(const QString &path)
{
    return readSettings(profile::Profile(path));
}

void writeSettings(const Settings &s, profile::Profile &file)
{
    file.writeString(kFontName, u"Name", s.editorFont.face);
    file.writeInteger(kFontSize, u"Size", s.editorFont.size);
    file.writeInteger(kMargins, u"TopSize", s.TopSize);
    file.writeInteger(kMargins, u"LeftSize", s.LeftSize);
    file.writeInteger(kMargins, u"RightSize", s.RightSize);
    file.writeInteger(kMargins, u"BottomSize", s.BottomSize);
    file.writeBool(kPageView, u"ToolBar", s.hideToolBar);
    file.writeBool(kPageView, u"ScrollBar", s.hideScrollBar);
    file.writeBool(kPageView, u"Half Level", s.halfLevel);
    file.writeBool(kPageView, u"Third Level", s.thirdLevel);
    file.writeInteger(kPageView, u"Editor Colour", int(s.editorColour));
    file.writeBool(kSpelling, u"Check", s.spellCheck);
    file.writeString(kSpelling, u"Language", s.spellLanguage);
}

SettingsSaveResult saveSettings(const Settings &settings, const QString &path)
{
    profile::Profile file(path);
    writeSettings(settings, file);
    if (file.save().ok())
        return {};
    return {false, QStringLiteral("Unable to write to %1").arg(path)};
}
