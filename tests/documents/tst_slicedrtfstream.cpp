// Streaming a document in turns: the bytes equal the engine's Rich Text stream-out however
// many turns it takes; an edit or the document's end between turns abandons the stream and
// nothing is emitted as finished; a cancel mid-way is clean.
#include <QtTest>

#include "support/EditStreams.h"
#include "documents/SlicedRtfStream.h"
#include "richedit/RichEdit.h"

#include <QSignalSpy>
#include <QTextCursor>

namespace {

QByteArray streamedOut(richedit::RichEdit &editor)
{
    return editstream::out(editor);
}

// Paragraphs with bold and coloured runs, a bullet list's worth of text and a table.
void fill(richedit::RichEdit &editor, int paragraphs)
{
    QTextCursor c(editor.document());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat red;
    red.setForeground(Qt::red);
    for (int i = 0; i < paragraphs; ++i) {
        c.insertText(QStringLiteral("Paragraph %1 with ").arg(i));
        c.insertText(QStringLiteral("bold"), bold);
        c.insertText(QStringLiteral(" and "), QTextCharFormat());
        c.insertText(QStringLiteral("red \u00e9\u4e2d"), red);
        c.insertBlock();
        if (i == paragraphs / 2) {
            c.insertTable(2, 2);
            c.insertText(QStringLiteral("cell"));
            c.movePosition(QTextCursor::End);
        }
    }
}

} // namespace

class TestSlicedRtfStream : public QObject {
    Q_OBJECT
private slots:
    void bytesEqualTheWholeStreamOut()
    {
        // Given a document of many paragraphs and turns so short that every paragraph ends one
        richedit::RichEdit editor;
        fill(editor, 300);
        SlicedRtfStream stream;
        stream.setTurnLength(0);
        QSignalSpy finished(&stream, &SlicedRtfStream::finished);
        QSignalSpy abandoned(&stream, &SlicedRtfStream::abandoned);
        // When it is streamed from the event loop
        stream.start(editor.document());
        QVERIFY(stream.isRunning());
        QTRY_COMPARE(finished.size(), 1);
        // Then the bytes are exactly the stream-out's, and nothing was abandoned
        QCOMPARE(finished.at(0).at(0).toByteArray(), streamedOut(editor));
        QCOMPARE(abandoned.size(), 0);
        QVERIFY(!stream.isRunning());

        // And finishNow takes all remaining turns at once with the same result
        stream.start(editor.document());
        stream.finishNow();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished.at(1).at(0).toByteArray(), streamedOut(editor));
    }

    void editBetweenTurnsAbandons()
    {
        richedit::RichEdit editor;
        fill(editor, 200);
        SlicedRtfStream stream;
        stream.setTurnLength(0);
        QSignalSpy finished(&stream, &SlicedRtfStream::finished);
        QSignalSpy abandoned(&stream, &SlicedRtfStream::abandoned);
        stream.start(editor.document());
        QCoreApplication::processEvents(); // a turn or a few
        QVERIFY(stream.isRunning());
        // When the user types between two turns
        QTextCursor(editor.document()).insertText(QStringLiteral("typed"));
        // Then the stream is abandoned, never finished with mixed bytes
        QTRY_COMPARE(abandoned.size(), 1);
        QCOMPARE(finished.size(), 0);
        QVERIFY(!stream.isRunning());
    }

    void documentGoingAwayAbandons()
    {
        auto doc = std::make_unique<QTextDocument>();
        QTextCursor c(doc.get());
        for (int i = 0; i < 300; ++i)
            c.insertText(QStringLiteral("words in a paragraph\n"));
        SlicedRtfStream stream;
        stream.setTurnLength(0);
        QSignalSpy abandoned(&stream, &SlicedRtfStream::abandoned);
        stream.start(doc.get());
        QCoreApplication::processEvents();
        doc.reset();
        QTRY_COMPARE(abandoned.size(), 1);
    }

    void cancelMidwayAndRestart()
    {
        richedit::RichEdit editor;
        fill(editor, 200);
        SlicedRtfStream stream;
        stream.setTurnLength(0);
        QSignalSpy finished(&stream, &SlicedRtfStream::finished);
        QSignalSpy abandoned(&stream, &SlicedRtfStream::abandoned);
        stream.start(editor.document());
        QCoreApplication::processEvents();
        stream.cancel();
        QVERIFY(!stream.isRunning());
        stream.start(editor.document()); // a new start after a cancel
        stream.start(editor.document()); // and one over a stream under way
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(abandoned.size(), 0);
        QCOMPARE(finished.at(0).at(0).toByteArray(), streamedOut(editor));
        // A stream under way when the object goes ends cleanly
        stream.start(editor.document());
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestSlicedRtfStream)
#include "tst_slicedrtfstream.moc"
