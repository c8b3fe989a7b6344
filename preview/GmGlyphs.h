#pragma once
// The small pictures of the preview's controls, drawn here rather than loaded: navigator glyphs
// ("FIRST", "PREV", "NEXT", "LAST", "ADDPAGE", "DELETEPAGE", "CLEAR", "ZOOMIN", "ZOOMOUT",
// "ACTUALSIZE", "FITWIDTH", "FITHEIGHT", "FITWHOLEPAGE"), the list pictures ("Envelope",
// "Paper", "Printer") and the picture buttons ("Portrait", "Landscape", "OnePage", "TwoPage",
// "FourPage"). An unknown name gives an empty 16 x 16 picture.

#include <QPixmap>
#include <QString>

QPixmap gmGlyph(const QString &name);
