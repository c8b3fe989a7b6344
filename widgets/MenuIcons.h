#pragma once
// Pictures of the items of the main window's pop-up menus, drawn in the toolbar's style (see
// IconKit.h). Items that stand for a toolbar command (cut, copy, paste, exit) show the very
// picture of its button.

#include <QIcon>
#include <QString>

// The drawn picture of the menu item with this object name; a null icon for items that have
// none (the check-mark toggles of the page view) and for unknown names.
QIcon drawnMenuIcon(const QString &itemName);
