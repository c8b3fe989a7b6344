// The main window's owner-drawn menu handlers: PopupMenu1, ParaPopUp and their submenus ask
// them for each item's size and let them paint it; the items get their pictures here.
#include "app/Main.h"

#include "editor/OwnerDrawMenu.h"
#include "widgets/MenuIcons.h"

void TfrmMainEditor::setupOwnerDrawnMenus()
{
    for (QMenu *root : {PopupMenu1, ParaPopUp}) {
        auto *menu = qobject_cast<TOwnerDrawMenu *>(root);
        if (!menu)
            continue;
        TOwnerDrawMenu::Events &events = menu->events();
        events.OnMeasureItem = [this](QAction *item, QPainter &canvas, int &w, int &h) {
            MenuItemMeasureItem(item, canvas, w, h);
        };
        events.OnDrawItem = [this](QAction *item, QPainter &canvas, const QRect &r, bool sel) {
            MenuItemDrawItem(item, canvas, r, sel);
        };
        events.OnMeasureSeparator = [this](QAction *item, QPainter &canvas, int &w, int &h) {
            MeasureSeparator(item, canvas, w, h);
        };
        events.OnDrawSeparator = [this](QAction *item, QPainter &canvas, const QRect &r,
                                        bool sel) { SeparatorDrawItem(item, canvas, r, sel); };
        // Every item of the menu tree with a picture of its own gets it (toggles have none).
        QList<QMenu *> pending{menu};
        while (!pending.isEmpty()) {
            QMenu *m = pending.takeFirst();
            for (QAction *a : m->actions()) {
                const QString name = a->menu() ? a->menu()->objectName() : a->objectName();
                const QIcon icon = drawnMenuIcon(name);
                if (!icon.isNull())
                    a->setIcon(icon);
                if (a->menu())
                    pending << a->menu();
            }
        }
    }
}

void TfrmMainEditor::MenuItemMeasureItem(QAction *item, QPainter &canvas, int &width,
                                         int &height)
{
    menudraw::measureItem(item, canvas, menudraw::menuHasImages(item), width, height);
}

void TfrmMainEditor::MenuItemDrawItem(QAction *item, QPainter &canvas, const QRect &rect,
                                      bool selected)
{
    menudraw::drawItem(item, canvas, rect, selected, menudraw::menuHasImages(item));
}

void TfrmMainEditor::MeasureSeparator(QAction *, QPainter &, int &width, int &height)
{
    menudraw::measureSeparator(width, height);
}

void TfrmMainEditor::SeparatorDrawItem(QAction *item, QPainter &canvas, const QRect &rect,
                                       bool)
{
    menudraw::drawSeparator(canvas, rect, menudraw::menuHasImages(item));
}
