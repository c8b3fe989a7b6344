// The status bar as a user sees it while editing a long document: after typing, new and joined
// paragraphs, pastes, undo and redo, its caret line and line count equal a count made afresh
// over the whole laid-out document, although only the edited paragraphs are counted again.
// After Open, the panels that need the whole layout follow once it is done, from the event
// loop, while the document can already be edited.
#include <QtTest>

#include "app/Main.h"
#include "editor/FindDialog.h"
#include "richedit/TypingLayout.h"
#include "support/WindowDriver.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

namespace {

struct Reference {
    int caretLine = 0;
    int lines = 0;
};

// The display lines counted over every paragraph of the fully laid-out document, and the line
// of the caret, with the status bar's rule that an empty last line is not counted.
Reference countAfresh(TRxRichEdit *editor)
{
    QTextDocument *doc = editor->document();
    doc->documentLayout()->blockBoundingRect(doc->lastBlock());
    const int caret = editor->textCursor().position();
    Reference r;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout *layout = b.layout();
        const int lines = qMax(1, layout->lineCount());
        if (b.contains(caret) || (b == doc->lastBlock() && caret >= b.position())) {
            const QTextLine line = layout->lineForTextPosition(caret - b.position());
            r.caretLine = r.lines + (line.isValid() ? line.lineNumber() : lines - 1);
        }
        r.lines += lines;
    }
    if (doc->lastBlock().text().isEmpty())
        --r.lines;
    return r;
}

QString paragraphs(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("Paragraph %1: ").arg(i)
                    + QStringLiteral("words that wrap over a few lines ").repeated(1 + i % 7);
    return list.join(QLatin1Char('\n'));
}

} // namespace

#define VERIFY_FRESH_COUNT(w, step)                                                           \
    do {                                                                                       \
        const QString problem = mismatch(w, step);                                             \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                      \
    } while (false)

class TestStatusBar : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // Empty when the status bar shows the fresh count, else what differs.
    static QString mismatch(WindowDriver &w, const char *step)
    {
        const Reference r = countAfresh(w->Editor);
        const QString lines = QStringLiteral("Lines: %1").arg(r.lines);
        const QString caretLine = QStringLiteral("Line: %1").arg(r.caretLine + 1, 3);
        if (w.status(3) == lines && w.status(0).startsWith(caretLine + QLatin1Char(' ')))
            return {};
        return QStringLiteral("%1: status bar \"%2\" \"%3\", counted afresh \"%4\" \"%5\"")
            .arg(QLatin1String(step), w.status(0), w.status(3), caretLine, lines);
    }

private slots:
    void lineFiguresFollowEditsExactly()
    {
        // Given a long document pasted into the window, with the caret in its middle
        WindowDriver w(m_dir.path());
        QGuiApplication::clipboard()->setText(paragraphs(400));
        w.press(QKeySequence(QStringLiteral("Ctrl+V")));
        VERIFY_FRESH_COUNT(w, "paste of 400 paragraphs");
        QTextCursor c = w->Editor->textCursor();
        c.setPosition(w->Editor->document()->findBlockByNumber(200).position() + 20);
        w->Editor->setTextCursor(c);

        // When the user types until the paragraph wraps once more, splits and joins paragraphs,
        // pastes more lines, undoes and redoes, then each time the figures equal a fresh count.
        w.type(QStringLiteral("more words making this paragraph longer ").repeated(3));
        VERIFY_FRESH_COUNT(w, "typing");
        w.press(QKeySequence(Qt::Key_Return));
        w.press(QKeySequence(Qt::Key_Return));
        VERIFY_FRESH_COUNT(w, "new paragraphs");
        w.press(QKeySequence(Qt::Key_Backspace));
        w.press(QKeySequence(Qt::Key_Backspace));
        VERIFY_FRESH_COUNT(w, "joined paragraphs");
        QGuiApplication::clipboard()->setText(paragraphs(12));
        w.press(QKeySequence(QStringLiteral("Ctrl+V")));
        VERIFY_FRESH_COUNT(w, "paste in the middle");
        w.press(QKeySequence(QStringLiteral("Ctrl+Shift+Home")));
        w.press(QKeySequence(Qt::Key_Delete));
        VERIFY_FRESH_COUNT(w, "deleting the first half");
        w.click(w->btnUndo);
        VERIFY_FRESH_COUNT(w, "undo");
        w.click(w->btnUndo);
        VERIFY_FRESH_COUNT(w, "undo of the paste");
        w.click(w->btnRedo);
        VERIFY_FRESH_COUNT(w, "redo");
    }

    void lineFiguresFollowOpenFromTheEventLoop()
    {
        // Given a long document on disk
        const QString file = m_dir.filePath(QStringLiteral("long.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(paragraphs(3000).toUtf8());
        }
        WindowDriver w(m_dir.path());
        // When it is opened
        w.dialogs().answerFile(file);
        w.choose(QStringLiteral("Open"));
        // Then the words are counted at once, the editor takes keys before the layout is done,
        // and the line figures arrive once it is
        QVERIFY(w.status(1).startsWith(QStringLiteral("Words: ")));
        QTRY_VERIFY_WITH_TIMEOUT(w->Editor->lineMetricsCurrent(), 20000);
        QTRY_VERIFY(w.status(3) != QString());
        VERIFY_FRESH_COUNT(w, "after Open");
    }

    void lineFiguresOfALongParagraphAreRightOnceShown()
    {
        // Given a file of one long paragraph of words, many lines long in the window
        const QString file = m_dir.filePath(QStringLiteral("paragraph.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("word ").repeated(80000) + "end");
        }
        WindowDriver w(m_dir.path());
        // When it is opened and the figures are shown, before any caret move
        w.dialogs().answerFile(file);
        w.choose(QStringLiteral("Open"));
        QTRY_VERIFY_WITH_TIMEOUT(w.status(3) != QString(), 20000);
        // Then the line figures are those of the paragraph as the window shows it
        QTRY_VERIFY_WITH_TIMEOUT(w->Editor->lineMetricsCurrent(), 20000);
        QCoreApplication::processEvents();
        VERIFY_FRESH_COUNT(w, "after Open of a long paragraph");
    }

    void aParagraphOfAMillionCharactersIsShownAtOnceAndLaidOutInSlices()
    {
        // Given a file of one paragraph of 1.2 million characters, a marked word near its end
        const QString file = m_dir.filePath(QStringLiteral("million.txt"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("word ").repeated(240000) + "needle end");
        }
        WindowDriver w(m_dir.path());
        TRxRichEdit *editor = w->Editor;

        // When it is opened
        w.dialogs().answerFile(file);
        w.choose(QStringLiteral("Open"));

        // Then its first lines are shown at once and the rest follows in slices, the line
        // figures waiting for them, and the editor takes keys meanwhile
        auto *layout = qobject_cast<richedit::TypingLayout *>(editor->document()->documentLayout());
        QVERIFY(layout);
        QVERIFY(layout->slicing());
        QVERIFY(editor->document()->firstBlock().layout()->lineCount() >= 200);
        QCOMPARE(w.status(3), QString());
        QTest::keyClick(editor, Qt::Key_X);
        QCOMPARE(editor->document()->firstBlock().text().left(5), QStringLiteral("xword"));
        // (short slices from here on, so that the progress shows on any machine)
        layout->setSliceTime(100'000, 100'000, 1);
        QTRY_VERIFY(w.status(0).startsWith(QStringLiteral("Laying out: ")));
        QTRY_VERIFY_WITH_TIMEOUT(w.status(3) != QString(), 60000);
        QVERIFY(w.status(0).startsWith(QStringLiteral("Line: ")));
        QVERIFY(!layout->slicing());

        // And the line figures are those of Qt's own layout of the whole paragraph
        const QString shown = w.status(3);
        layout->setSlicing(false);
        editor->document()->markContentsDirty(0, editor->document()->characterCount());
        const Reference whole = countAfresh(editor);
        layout->setSlicing(true);
        QCOMPARE(shown, QStringLiteral("Lines: %1").arg(whole.lines));

        // And Ctrl+End takes the caret to the end, scrolled into view
        QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(editor->textCursor().position(), editor->document()->characterCount() - 1);
        QVERIFY(editor->verticalScrollBar()->value() > editor->verticalScrollBar()->maximum() - 20);
        QVERIFY(editor->viewport()->rect().contains(editor->cursorRect().center()));

        // And Find goes from the start to the marked word and shows it
        QTest::keyClick(editor, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w->FindDialog->isVisible());
        QTest::keyClicks(w->FindDialog->FindEdit, QStringLiteral("needle"));
        QTest::keyClick(w->FindDialog->FindEdit, Qt::Key_Return);
        QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("needle"));
        QVERIFY(editor->viewport()->rect().contains(editor->cursorRect().center()));
        w->FindDialog->hide();
        editor->setDocumentModified(false);
    }
};

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
