// The status bar statistics: caret line and column, words, characters, lines, words per line.
#include "app/Main.h"

#include "app/Statistics.h"
#include "widgets/StatusBar.h"

void TfrmMainEditor::UpdateStatusBar()
{
    const QPoint caret = Editor->CaretLineColumn();
    // The counts come from the per-paragraph cache, which gives exactly what a scan of the
    // whole window text gives, at the cost of the paragraphs changed since the last refresh.
    if (m_statistics->document() != Editor->document())
        m_statistics->setDocument(Editor->document());
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

void TfrmMainEditor::CountTextStatistics(const QString &text)
{
    const StatisticsTexts texts = ::CountTextStatistics(QStringView(text), Editor->Lines.LineCount());
    WordsText = texts.WordsText;
    CharactersText = texts.CharactersText;
    LinesText = texts.LinesText;
    WordsPerLineText = texts.WordsPerLineText;
}
