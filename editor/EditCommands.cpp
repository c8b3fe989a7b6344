// The editing and formatting commands of the main window.
#include "app/Main.h"

void TfrmMainEditor::btnFontClick() {}
void TfrmMainEditor::btnEditorBackgroundClick() {}
void TfrmMainEditor::btnCenterAlignClick(QToolButton *) {}
void TfrmMainEditor::btnParagraphAttributesClick() {}
void TfrmMainEditor::btnOpeningQuoteClick() {}
void TfrmMainEditor::btnClosingQouteClick() {}
void TfrmMainEditor::btnLongDashClick() {}
void TfrmMainEditor::btnUndoClick() { Editor->UndoStep(); }
void TfrmMainEditor::btnRedoClick() { Editor->RedoStep(); }
void TfrmMainEditor::btnCutClick() { Editor->CutSelection(); }
void TfrmMainEditor::btnCopyClick() { Editor->CopySelected(); }
void TfrmMainEditor::btnPasteClick() { Editor->PasteClipboard(); }
void TfrmMainEditor::SelectAll2Click() { Editor->SelectEverything(); }
void TfrmMainEditor::Delete2Click() { Editor->DeleteSelection(); }
void TfrmMainEditor::DeleteAll1Click() { Editor->Lines.Clear(); }
void TfrmMainEditor::NormalLineSpacing1Click() {}
void TfrmMainEditor::N15LineSpacing1Click() {}
void TfrmMainEditor::DoubleLineSpacing1Click() {}
void TfrmMainEditor::Heading01Click() {}
void TfrmMainEditor::Heading11Click() {}
void TfrmMainEditor::Heading31Click() {}
void TfrmMainEditor::NormalDefaultText1Click() {}
void TfrmMainEditor::Charformat21Click() {}
void TfrmMainEditor::EndRevisedText1Click() {}
void TfrmMainEditor::Reset1Click() {}
void TfrmMainEditor::RejectRevisedText1Click() {}
void TfrmMainEditor::LeftToRighttext1Click() {}
void TfrmMainEditor::RightToLeftText1Click() {}
void TfrmMainEditor::Bold1Click() {}
void TfrmMainEditor::Italic1Click() {}
void TfrmMainEditor::UnderLine1Click() {}
void TfrmMainEditor::bullets1Click() {}
void TfrmMainEditor::EditorKeyUp(QKeyEvent *) {}
