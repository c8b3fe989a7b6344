// Wrapping a paragraph again around an edit: when the new lines do not meet the old ones
// within the lines allowed, the wrapping stops there without laying out the rest.
#include "richedit/LineReflow.h"

#include <QTest>
#include <QTextBlockFormat>
#include <QTextLayout>
#include <QtGui/private/qtextengine_p.h>

using richedit::reflowLines;

class TestLineReflow : public QObject {
    Q_OBJECT
private slots:
    void givenUpLinesLeaveNoLineOverTheRest();
};

void TestLineReflow::givenUpLinesLeaveNoLineOverTheRest()
{
    // Given a paragraph of evenly filled lines, laid out, and a word typed at its start (which
    // pushes a word down every line)
    const QString text = QStringLiteral("word ").repeated(4000);
    QTextLayout layout(text, QFont());
    layout.setCacheEnabled(true);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(200);
    layout.endLayout();
    const int lines = layout.lineCount();
    QVERIFY(lines > 100);
    // (the old lines stay as the edit leaves them, with the text changed under them)
    const QScriptLineArray old = layout.engine()->lines;
    layout.setText(QStringLiteral("longerword ") + text);
    layout.engine()->lines = old;

    // When it is wrapped again from the edit with at most ten lines allowed
    const richedit::Reflow reflow = reflowLines(&layout, QTextBlockFormat(), 1, 0, 0, 11, 10);

    // Then it gives up, and the last line it made holds no more than a line's worth
    QVERIFY(!reflow.done);
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    QVERIFY2(last.textLength() < 100, qPrintable(QString::number(last.textLength())));
}

QTEST_MAIN(TestLineReflow)
#include "tst_linereflow.moc"
