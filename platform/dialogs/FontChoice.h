#pragma once
// A font as the program's commands and settings see it, free of any widget: face name, size
// in whole points, style bits, character set and colour (0x00BBGGRR).

#include <QString>
#include <cstdint>

struct FontChoice {
    enum Style : std::uint32_t {
        Bold = 0x1,
        Italic = 0x2,
        Underline = 0x4,
        StrikeOut = 0x8,
    };

    QString face = QStringLiteral("Courier New");
    int size = 12;             // points
    std::uint32_t style = 0;   // Style bits
    int charset = 0;           // ANSI_CHARSET
    std::uint32_t color = 0;   // 0x00BBGGRR

    bool has(Style s) const { return (style & s) != 0; }
    void set(Style s, bool on) { style = on ? (style | s) : (style & ~std::uint32_t(s)); }
    bool operator==(const FontChoice &) const = default;
};
