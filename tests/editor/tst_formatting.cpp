// Formatting as a user meets it in the main window: the background colour, the font dialog,
// the style keys on mixed text, zooming and plain-text mode, and Clear All with its undo. The
// window is driven through its buttons, menus and keys; results are read from the screen
// picture, the editor's formats or the saved file.
#include <QtTest>

#include "app/Main.h"
#include "support/WindowDriver.h"

#include <QFrame>
#include <QTemporaryDir>
#include <QToolButton>

using namespace richedit;

namespace {

// The colour of the editor's picture at a point of its viewport.
QColor pixelAt(QWidget *widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

} // namespace

class TestFormatting : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void backgroundColourFillsTheWholeEditor()
    {
        WindowDriver w(m_dir.path());
        w.dialogs().answerColour(0x00FF00); // green
        w.click(w->btnEditorBackground);
        QVERIFY(w.dialogs().allAnswered());
        const QColor green(0, 255, 0);
        QWidget *editor = w->Editor;
        // The text area, the selection bar at the left edge and the container round it.
        QCOMPARE(pixelAt(editor, QPoint(editor->width() / 2, editor->height() / 2)), green);
        QCOMPARE(pixelAt(editor, QPoint(2, editor->height() / 2)), green);
        QCOMPARE(pixelAt(editor, QPoint(editor->width() - 40, 5)), green);
        QCOMPARE(w->dxContainer1->palette().color(QPalette::Window), green);
    }

    void backgroundColourFromTheSettingsFile()
    {
        WindowDriver w(m_dir.path(), "[Page View]\r\nEditor Colour=16711680\r\n"); // blue
        QWidget *editor = w->Editor;
        QCOMPARE(pixelAt(editor, QPoint(editor->width() / 2, editor->height() / 2)), QColor(0, 0, 255));
    }
};

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
