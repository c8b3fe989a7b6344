// The status bar statistics: caret line and column, words, characters, lines, words per line.
#include "app/Main.h"

#include "app/Statistics.h"
#include "widgets/StatusBar.h"

void TfrmMainEditor::UpdateStatusBar()
{
    // The counts come from the per-paragraph cache, which gives exactly what a scan of the
    // whole window text gives, at the cost of the paragraphs changed since the last refresh.
    if (m_statistics->document() != Editor->document())
        m_statistics->setDocument(Editor->document());
    if (!Editor->lineMetricsAtHand()) {
        // A long document just opened (or laid out anew) is laid out from the event loop so
        // that it can be read and edited at once; the caret line and the line figures follow
        // when the layout is complete (lineMetricsReady calls this again).
        const StatisticsTexts texts = m_statistics->texts(0);
        StatusBar1->setPanelText(0, QString());
        StatusBar1->setPanelText(1, QStringLiteral("Words: ") + texts.WordsText);
        StatusBar1->setPanelText(2, QStringLiteral("Characters: ") + texts.CharactersText);
        StatusBar1->setPanelText(3, QString());
        StatusBar1->setPanelText(4, QString());
        Editor->layOutInBackground();
        return;
    }
    const QPoint caret = Editor->CaretLineColumn();
    const StatisticsTexts texts = m_statistics->texts(Editor->Lines.LineCount());
    WordsText = texts.WordsText;
    CharactersText = texts.CharactersText;
    LinesText = texts.LinesText;
    WordsPerLineText = texts.WordsPerLineText;
    const StatusPanelTexts panels = statusPanelTexts(caret.y(), caret.x(), texts);
    StatusBar1->setPanelText(0, panels.lineColumn);
    StatusBar1->setPanelText(1, panels.words);
    StatusBar1->setPanelText(2, panels.characters);
    StatusBar1->setPanelText(3, panels.lines);
    StatusBar1->setPanelText(4, panels.wordsPerLine);
}

void TfrmMainEditor::ShowLayoutProgress(int percent)
{
    // The caret line's panel is empty until the layout is complete: it tells the progress.
    if (!Editor->lineMetricsAtHand())
        StatusBar1->setPanelText(0, QStringLiteral("Laying out: %1%").arg(percent));
}

void TfrmMainEditor::CountTextStatistics(const QString &text)
{
    const StatisticsTexts texts = ::CountTextStatistics(QStringView(text), Editor->Lines.LineCount());
    WordsText = texts.WordsText;
    CharactersText = texts.CharactersText;
    LinesText = texts.LinesText;
    WordsPerLineText = texts.WordsPerLineText;
}
