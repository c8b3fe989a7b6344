#pragma once
// The pictures of the history window: 32 × 32 file-kind icons on white (white is their
// transparent colour) and the 16 × 16 glyphs of its buttons.

#include <QList>
#include <QPixmap>

namespace history {

// The image list: index 0 plain text, 1 other files and source code, 2 Rich Text, 3 Word-style
// Rich Text, 4 web pages, 5 (unused) a blank page, 6 compressed Rich Text.
QList<QPixmap> fileKindIcons();

enum class Glyph { Clear, Remove, Search, Open, Close };
QPixmap buttonGlyph(Glyph glyph);

} // namespace history
