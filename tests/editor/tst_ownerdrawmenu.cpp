// The owner-drawn pop-up menus of the main window as a user meets them: opened by a right
// click or the paragraph button's arrow, measured and painted by the window's handlers,
// hovered, checked, disabled, and worked from the keyboard.
#include <QtTest>

#include "app/Main.h"
#include "editor/OwnerDrawMenu.h"
#include "editor/PaintGradient.h"
#include "support/ScriptedDialogs.h"
#include "support/WindowDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

using namespace menudraw;

namespace {

bool near(const QColor &a, const QColor &b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

// How many pixels of a rectangle of the image have (about) this colour.
int countColour(const QImage &image, const QRect &area, const QColor &colour, int tolerance = 6)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (near(image.pixelColor(x, y), colour, tolerance))
                ++n;
    return n;
}

} // namespace

class TestOwnerDrawMenu : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QTemporaryDir m_dir;

    std::unique_ptr<TfrmMainEditor> start()
    {
        auto w = std::make_unique<TfrmMainEditor>();
        w->setSettingsPath(m_dir.filePath(QStringLiteral("DeskTopDock.ini")));
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qWarning("window not exposed");
        return w;
    }
    // Opens the editor's menu as the user does, with a right click.
    void rightClick(TfrmMainEditor *w)
    {
        QTest::mousePress(w->Editor->viewport(), Qt::RightButton, {}, QPoint(40, 40));
        QTest::mouseRelease(w->Editor->viewport(), Qt::RightButton, {}, QPoint(40, 40));
        QTRY_VERIFY(w->PopupMenu1->isVisible());
    }
    static QMenu *submenuOf(QMenu *menu, const QString &name)
    {
        return menu->findChild<QMenu *>(name);
    }
    // The item's rectangle in the menu's picture, and its client-relative left edge.
    static QRect itemRect(QMenu *menu, QAction *a) { return menu->actionGeometry(a); }

private slots:
    void init() { m_dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup() { m_dialogs.reset(); }

    void itemsAreMeasuredByTheHandlers()
    {
        auto w = start();
        rightClick(w.get());
        QMenu *menu = w->PopupMenu1;
        // An item with a shortcut is wider by the shortcut's width + 8 than without it.
        QImage scratch(1, 1, QImage::Format_RGB32);
        QPainter canvas(&scratch);
        int withW = 0, withH = 0, withoutW = 0, withoutH = 0;
        w->MenuItemMeasureItem(w->Cut2, canvas, withW, withH);
        QAction bare(w->Cut2->text());
        w->MenuItemMeasureItem(&bare, canvas, withoutW, withoutH);
        QFont bold = QApplication::font("QMenu");
        bold.setPointSize(10);
        bold.setBold(true);
        canvas.setFont(bold);
        QCOMPARE(withW - withoutW, canvas.fontMetrics().horizontalAdvance(QStringLiteral("Ctrl+X")) + 8);
        QCOMPARE(withH, withoutH);
        // The menu lays its items out at the handlers' heights; separators are 3 pixels.
        QCOMPARE(itemRect(menu, w->Cut2).height(), withH);
        const QAction *n1 = menu->findChild<QAction *>(QStringLiteral("N1"));
        QVERIFY(n1);
        QCOMPARE(itemRect(menu, const_cast<QAction *>(n1)).height(), 3);
        QVERIFY(menu->width() >= withW);
        // "Exit" carries Alt+F4 in its shortcut column, not in its caption.
        QCOMPARE(captionOf(w->Exit1), QStringLiteral("Exit"));
        QCOMPARE(shortcutTextOf(w->Exit1), QStringLiteral("Alt+F4"));
        w->PopupMenu1->hide();

        // The hinted item is taller than its neighbour by the hint's height.
        QMenu *track = submenuOf(w->ParaPopUp, QStringLiteral("rackChanges1"));
        QVERIFY(track);
        int hintW = 0, hintH = 0, plainW = 0, plainH = 0;
        w->MenuItemMeasureItem(w->RejectRevisedText1, canvas, hintW, hintH);
        w->MenuItemMeasureItem(w->Reset1, canvas, plainW, plainH);
        QFont regular = bold;
        regular.setBold(false);
        QCOMPARE(hintH - plainH, QFontMetrics(regular).lineSpacing());
        QCOMPARE(hintOf(w->RejectRevisedText1),
                 QStringLiteral("Deletes the selected text that was revised."));
    }

    void renderedMenuShowsColumnHighlightAndDisabledText()
    {
        auto w = start();
        w->DeleteAll1->setEnabled(false);
        rightClick(w.get());
        QMenu *menu = w->PopupMenu1;
        // Hover "Select All" with the mouse.
        const QRect hovered = itemRect(menu, w->SelectAll2);
        QTest::mouseMove(menu, hovered.center());
        QTRY_COMPARE(menu->activeAction(), w->SelectAll2);
        const QImage image = menu->grab().toImage();
        const int left = hovered.left(); // the client edge: the picture column starts here

        // An unhovered item: the horizontal column gradient from light to steel blue, then
        // the near-white background.
        const QRect paste = itemRect(menu, w->Paste2);
        const int y = paste.top() + 2;
        QCOMPARE(image.pixelColor(left, y), colorFromBgr(kColumnLeft));
        QCOMPARE(image.pixelColor(left + 37, y), colorFromBgr(kColumnRight));
        QCOMPARE(image.pixelColor(paste.right() - 2, y), colorFromBgr(kItemBackground));

        // The hovered item: amber band, pale at the top and deeper at the bottom, also over
        // the picture column, with the grey outline.
        const QColor top = image.pixelColor(left + 60, hovered.top() + 2);
        const QColor bottom = image.pixelColor(left + 60, hovered.bottom() - 2);
        QVERIFY2(near(top, colorFromBgr(kAmberTop), 12), qPrintable(top.name()));
        QVERIFY2(bottom.blue() < top.blue() - 60 && bottom.red() == 0xFF, qPrintable(bottom.name()));
        QVERIFY(near(image.pixelColor(left + 2, hovered.bottom() - 2), bottom, 12));
        QCOMPARE(image.pixelColor(left + 60, hovered.top()), colorFromBgr(kOutline));

        // Navy caption text on enabled items, silver on the disabled one, which keeps its
        // picture in colour and gets no highlight.
        const QRect clearAll = itemRect(menu, w->DeleteAll1);
        const QRect textArea(left + 42, clearAll.top() + 11, 60, 14);
        QVERIFY(countColour(image, textArea, colorFromBgr(kDisabledText), 20) > 10);
        QCOMPARE(countColour(image, textArea, colorFromBgr(kEnabledText), 30), 0);
        const QRect pasteText(left + 42, paste.top() + 11, 40, 14);
        QVERIFY(countColour(image, pasteText, colorFromBgr(kEnabledText), 30) > 10);
        const QRect picture(left + 4, clearAll.top() + 4, 32, 32);
        QVERIFY(countColour(image, picture, QColor(0xD2, 0x3C, 0x3C), 10) > 10); // red badge

        // Moving onto the disabled item paints no highlight there.
        QTest::mouseMove(menu, clearAll.center());
        QTest::qWait(50);
        const QImage again = menu->grab().toImage();
        QCOMPARE(again.pixelColor(left + 60, clearAll.top() + 2), colorFromBgr(kItemBackground));

        // Separators: the column runs on, the grey line starts at x 38, two pixels above the
        // bottom.
        const QAction *n1 = menu->findChild<QAction *>(QStringLiteral("N1"));
        const QRect sep = itemRect(menu, const_cast<QAction *>(n1));
        QCOMPARE(image.pixelColor(left, sep.top() + 1), colorFromBgr(kColumnLeft));
        QCOMPARE(image.pixelColor(left + 38, sep.bottom() - 1), colorFromBgr(kOutline));
        QCOMPARE(image.pixelColor(left + 37, sep.bottom() - 1).blue(), 0xD3);
        QCOMPARE(image.pixelColor(left + 80, sep.bottom()), colorFromBgr(kItemBackground));
        menu->hide();
    }

    void checkedToggleShowsTheCheckGlyph()
    {
        // Given a settings file that hides the toolbar, the "Hide Toolbar" toggle is checked.
        QFile ini(m_dir.filePath(QStringLiteral("DeskTopDock.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Page View]\r\nToolBar=1\r\n");
        ini.close();
        auto w = start();
        QVERIFY(w->ShowToolbar1->isChecked());

        // When "Page View" is opened from the keyboard
        rightClick(w.get());
        QMenu *view = submenuOf(w->PopupMenu1, QStringLiteral("extView1"));
        QVERIFY(view);
        while (w->PopupMenu1->activeAction() != view->menuAction())
            QTest::keyClick(w->PopupMenu1, Qt::Key_Up);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Right);
        QTRY_VERIFY(view->isVisible());

        // Then the checked item without a picture has the cream-to-amber column, the grey
        // frame and the check glyph; the unchecked one beside it has neither.
        const QImage image = view->grab().toImage();
        const QRect item = itemRect(view, w->ShowToolbar1);
        const int left = item.left();
        QCOMPARE(image.pixelColor(left, item.top()), colorFromBgr(kCheckFrame));
        QCOMPARE(image.pixelColor(left + 37, item.bottom()), colorFromBgr(kCheckFrame));
        QVERIFY(near(image.pixelColor(left + 5, item.top() + 1), colorFromBgr(kAmberTop), 12));
        QVERIFY(image.pixelColor(left + 5, item.bottom() - 1).blue() < 0xA0);
        const QRect glyph(left + 10, item.top() + 6, 20, item.height() - 12);
        QVERIFY(countColour(image, glyph, Qt::black, 60) > 8);
        const QRect other = itemRect(view, w->ShowScrollBar1);
        QCOMPARE(countColour(image, QRect(left + 10, other.top() + 6, 20, other.height() - 12),
                             Qt::black, 60), 0);
        QCOMPARE(image.pixelColor(left, other.top() + 3), colorFromBgr(kColumnLeft));
        QTest::keyClick(view, Qt::Key_Escape);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Escape);
        QTRY_VERIFY(!w->PopupMenu1->isVisible());
    }

    void acceleratorLetterRunsTheItem()
    {
        auto w = start();
        w->Editor->setFocus();
        QTest::keyClicks(w->Editor, QStringLiteral("scissors"));
        QTest::keyClick(w->Editor, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(w->Editor, Qt::Key_Left, Qt::ShiftModifier);
        rightClick(w.get());
        QTest::keyClick(w->PopupMenu1, Qt::Key_T); // "Cu&t"
        QTRY_VERIFY(!w->PopupMenu1->isVisible());
        QCOMPARE(w->Editor->toPlainText(), QStringLiteral("scisso"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("rs"));
        // Down, Down, Return runs the third item ("Paste").
        rightClick(w.get());
        QTest::keyClick(w->PopupMenu1, Qt::Key_Down);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Down);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Down);
        QCOMPARE(w->PopupMenu1->activeAction(), w->Paste2);
        QTest::keyClick(w->PopupMenu1, Qt::Key_Return);
        QTRY_COMPARE(w->Editor->toPlainText(), QStringLiteral("scissors"));
    }

    void paragraphMenuOpensFromItsArrowAndShowsTheHintLine()
    {
        auto w = start();
        QMenu *track = submenuOf(w->ParaPopUp, QStringLiteral("rackChanges1"));
        QImage image;
        QRect reject;
        bool opened = false;
        // The arrow opens the menu modally; look and choose while it is open.
        QTimer::singleShot(100, this, [&] {
            opened = w->ParaPopUp->isVisible();
            w->ParaPopUp->setActiveAction(track->menuAction());
            QTest::keyClick(w->ParaPopUp, Qt::Key_Right);
            QTest::qWait(50);
            while (track->activeAction() != w->RejectRevisedText1)
                QTest::keyClick(track, Qt::Key_Down);
            QTest::qWait(20);
            image = track->grab().toImage();
            reject = itemRect(track, w->RejectRevisedText1);
            QTest::keyClick(track, Qt::Key_Escape);
            QTest::keyClick(w->ParaPopUp, Qt::Key_Escape);
        });
        QToolButton *b = w->btnParagraphAttributes;
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() - 4, b->height() / 2));
        QVERIFY(opened);
        QVERIFY(!image.isNull());
        // The hint line sits under the caption in navy; the highlight is two stacked bands,
        // each going from pale to deep amber.
        const int left = reject.left();
        const int h = QFontMetrics(QFont(QStringLiteral("Arial"), 10, QFont::Bold)).lineSpacing();
        const QRect hintArea(left + 42, reject.top() + h + 14, 120, h);
        QVERIFY(countColour(image, hintArea, colorFromBgr(kEnabledText), 40) > 20);
        const int split = reject.top() + h + 12;
        const QColor endOfFirst = image.pixelColor(left + 200, split - 1);
        const QColor startOfSecond = image.pixelColor(left + 200, split);
        QVERIFY2(startOfSecond.blue() > endOfFirst.blue() + 60,
                 qPrintable(endOfFirst.name() + QLatin1Char(' ') + startOfSecond.name()));
        // Every item of the paragraph menu has a picture.
        for (QAction *a : w->ParaPopUp->actions())
            if (!a->isSeparator())
                QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
        for (QAction *a : track->actions())
            if (!a->isSeparator())
                QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
        // In the editor's menu only the page-view toggles go without.
        for (QAction *a : {w->Cut2, w->Copy2, w->Paste2, w->SelectAll2, w->Delete2,
                           w->DeleteAll1, w->ExportDocumentAs1, w->Exit1})
            QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
        for (QAction *a : {w->KeepTextEyeLevel121, w->KeepTextEyeLevel1, w->ShowScrollBar1,
                           w->ShowToolbar1})
            QVERIFY(a->icon().isNull());
    }

    void itemsStillWorkFromTheMouse()
    {
        // Given the window as the program starts it
        m_dialogs.reset();
        WindowDriver d(m_dir.path());
        // When toggles, submenus and commands are clicked in the owner-drawn menus
        d.choose(QStringLiteral("Hide Toolbar"));
        QVERIFY(d.isChecked(QStringLiteral("Hide Toolbar")));
        QVERIFY(!d->CoolBar1->isVisible());
        d.choose(QStringLiteral("Hide Toolbar"));
        QVERIFY(!d.isChecked(QStringLiteral("Hide Toolbar")));
        QVERIFY(d->CoolBar1->isVisible());
        d.type(QStringLiteral("Heading here"));
        d.choose(QStringLiteral("Select All"));
        QCOMPARE(d->Editor->textCursor().selectedText(), QStringLiteral("Heading here"));
        d.choose(QStringLiteral("Heading 1 - Bold / Size 16"));
        QTextCursor c(d->Editor->document());
        c.setPosition(2);
        QCOMPARE(c.charFormat().fontPointSize(), 16.0);
        d.choose(QStringLiteral("Clear Selection"));
        // Then each did its work
        QCOMPARE(d->Editor->toPlainText(), QString());
        d->Editor->setDocumentModified(false);
        m_dialogs = std::make_unique<ScriptedDialogs>();
    }
};

QTEST_MAIN(TestOwnerDrawMenu)
#include "tst_ownerdrawmenu.moc"
