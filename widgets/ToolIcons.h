#pragma once
// Pictograms for the main window's toolbar buttons, drawn with QPainter so the toolbar reads
// well where the desktop offers no icon theme. Each picture is drawn on a 32 × 32 grid in one
// flat style (dark grey outlines, one accent colour per kind of action, transparent ground) and
// rendered at several sizes, with a greyed look for disabled buttons.

#include <QIcon>
#include <QString>

// The drawn icon for the toolbar button with this object name; a null icon for unknown names.
QIcon drawnToolIcon(const QString &name);
