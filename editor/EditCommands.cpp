// The editing and formatting commands of the main window: font and background dialogs,
// alignment, smart quotes and the long dash, headings, undo and redo, clipboard, line spacing,
// revision marks, text direction, the style toggles and the paragraph dialog command.
#include "app/Main.h"

#include "editor/ParaFmt.h"
#include "richedit/TableCells.h"
#include "shell/Shell.h"
#include "text/CodePage.h"

#include <QFrame>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <cmath>
#include <vector>

using namespace richedit;

namespace {

// Character target of the style and font commands: the selection when there is one, else the
// word at the caret (or the insertion format between words).
TRxTextAttributes &currentTarget(TRxRichEdit *editor)
{
    return editor->SelectionLength() >= 1 ? editor->SelectionFormat : editor->WordFormat;
}

// The paragraph structure the commands build by hand; version 1 has no PARAFORMAT2 and sends
// size 0, which the control ignores.
PARAFORMAT2 handParaFormat(std::uint32_t mask)
{
    PARAFORMAT2 pf;
    pf.cbSize = ControlLibraryVersion >= 2 ? 188 : 0;
    pf.dwMask = mask;
    return pf;
}

void sendParaFormat(TRxRichEdit *editor, const PARAFORMAT2 &pf)
{
    if (pf.cbSize == 0)
        return; // the control ignores a structure of size 0
    editor->setParaFormat(pf);
}

// EM_SETCHARFORMAT with the selection-or-word flag and a zero-filled structure.
void sendWordCharFormat(TRxRichEdit *editor, const CHARFORMAT2 &cf)
{
    editor->setCharFormat(SCF_SELECTION | SCF_WORD, cf);
}

void setKerning(TRxRichEdit *editor, int twips)
{
    CHARFORMAT2 cf;
    cf.dwMask = CFM_KERNING;
    cf.wKerning = std::uint16_t(twips);
    sendWordCharFormat(editor, cf);
}

void setKeepWithNext(TRxRichEdit *editor, bool on)
{
    PARAFORMAT2 pf = handParaFormat(PFM_KEEPNEXT);
    pf.wEffects = on ? PFE_KEEPNEXT : 0;
    sendParaFormat(editor, pf);
}

// Nearest whole number, halves going to the even neighbour (16.5 -> 16, 19.5 -> 20).
int roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return int(lower) + 1;
    if (fraction < 0.5)
        return int(lower);
    return std::fmod(lower, 2.0) == 0 ? int(lower) : int(lower) + 1;
}

void focusEditor(TRxRichEdit *editor)
{
    if (editor->isVisible() && editor->isEnabled())
        editor->setFocus();
}

std::uint32_t rgbOfColor(TColor c)
{
    if (c == clWindowText || c == clDefault)
        return TRxRichEdit::windowTextRgb();
    if (c == clWindow)
        return 0xFFFFFF;
    return c & 0x00FFFFFF;
}

// The style toggles: the check mark gives the direction (checked: the style goes, unchecked:
// it comes) and flips; only the toggle's own style bit is written over the target, so a mixed
// selection keeps its other styles.
void toggleStyle(TRxRichEdit *editor, QAction *mark, TFontStyle bit)
{
    const bool on = !mark->isChecked();
    currentTarget(editor).setStyleBit(bit, on);
    mark->setChecked(on);
}

} // namespace

// ---- font and colour ----------------------------------------------------------------------

void TfrmMainEditor::btnFontClick()
{
    struct FocusBack {
        TRxRichEdit *editor;
        ~FocusBack() { focusEditor(editor); }
    } focusBack{Editor};

    TFont font;
    Editor->SelectionFormat.AssignTo(font);
    const bool automatic = font.Color == clWindowText || font.Color == clDefault;
    FontChoice choice;
    choice.face = font.Name;
    choice.size = font.Size;
    choice.style = std::uint32_t(font.Style);
    choice.charset = font.Charset;
    choice.color = rgbOfColor(font.Color);
    const std::uint32_t presetColour = choice.color;
    const FontChoice preset = choice;
    if (!dialogs::current().chooseFont(choice) || choice == preset)
        return; // OK without a change leaves every run of the selection as it was

    font.Name = choice.face;
    font.Size = choice.size;
    font.Style = TFontStyles(choice.style & 0xF);
    font.Charset = std::uint8_t(choice.charset);
    // An automatic colour the user left alone stays automatic rather than becoming black.
    font.Color = (automatic && choice.color == presetColour) ? clWindowText : choice.color;
    font.Weight = 0;
    // The current target is taken anew at each write.
    currentTarget(Editor).AssignFont(font);
    currentTarget(Editor).setStyle(font.Style); // the automatic colour replaced the style bits
    currentTarget(Editor).setCharset(font.Charset);
}

void TfrmMainEditor::btnEditorBackgroundClick()
{
    std::uint32_t colour = rgbOfColor(Editor->Color());
    if (!dialogs::current().chooseColour(colour, true))
        return;
    Editor->setColor(colour);
    setContainerColour(colour);
}

// ---- alignment, quotes, dash --------------------------------------------------------------

void TfrmMainEditor::btnCenterAlignClick(QToolButton *sender)
{
    btnCenterAlign->setChecked(false);
    btnAlignJustify->setChecked(false);
    if (sender)
        sender->setChecked(true);
    if (btnCenterAlign->isChecked())
        Editor->ParagraphFormat.setAlignment(TParaAlignment::taCenter);
    else if (btnAlignJustify->isChecked())
        Editor->ParagraphFormat.setAlignment(TParaAlignment::taJustify);
}

void TfrmMainEditor::btnOpeningQuoteClick()
{
    Editor->ReplaceSelection(QString(text::cp1252ToUnicode(0x93)));
    Editor->setSelectionStart(Editor->SelectionStart() + Editor->SelectionLength());
}

void TfrmMainEditor::btnClosingQouteClick()
{
    Editor->ReplaceSelection(QString(text::cp1252ToUnicode(0x94)));
    Editor->setSelectionStart(Editor->SelectionStart() + Editor->SelectionLength());
}

void TfrmMainEditor::btnLongDashClick()
{
    const QString face = Editor->SelectionFormat.FaceName();
    Editor->SelectionFormat.setFaceName(QStringLiteral("Symbol"));
    Editor->SelectionFormat.setCharset(SYMBOL_CHARSET);
    // Inserted directly rather than through the clipboard, which keeps what the user put there.
    Editor->ReplaceSelection(QString(QChar(text::symbolToUnicode(0xBE))));
    Editor->setSelectionStart(Editor->SelectionStart() + Editor->SelectionLength());
    Editor->SelectionFormat.setCharset(ANSI_CHARSET);
    Editor->SelectionFormat.setFaceName(face);
}

// ---- headings -----------------------------------------------------------------------------

namespace {

void applyHeading(TRxRichEdit *editor, int number, TFontStyles style, int size)
{
    PARAFORMAT2 pf = handParaFormat(PFM_STYLE);
    pf.sStyle = std::int16_t(number);
    sendParaFormat(editor, pf);
    setKeepWithNext(editor, true);
    setKerning(editor, 320); // kern pairs from 16 points up
    editor->ParagraphFormat.setSpaceBefore(12);
    editor->ParagraphFormat.setSpaceAfter(3);
    editor->SelectionFormat.setStyle(style);
    editor->SelectionFormat.setSize(size);
}

// Back to the document's default font, with no space around the paragraph.
void applyNormalText(TRxRichEdit *editor)
{
    editor->SelectionFormat.Assign(editor->DefaultFormat);
    editor->ParagraphFormat.setSpaceBefore(0);
    editor->ParagraphFormat.setSpaceAfter(0);
}

} // namespace

void TfrmMainEditor::Heading01Click()
{
    HeadingTyping = true;
    applyHeading(Editor, 1, fsBold, 16);
}

void TfrmMainEditor::Heading11Click()
{
    HeadingTyping = true;
    applyHeading(Editor, 2, fsBold | fsItalic, 14);
}

void TfrmMainEditor::Heading31Click()
{
    HeadingTyping = true;
    applyHeading(Editor, 3, fsBold, 13);
}

void TfrmMainEditor::NormalDefaultText1Click()
{
    HeadingTyping = false;
    setKeepWithNext(Editor, false);
    setKerning(Editor, 0);
    applyNormalText(Editor); // the paragraph's style number stays
}

// Enter released after a heading command: the new paragraph the key has started goes back to
// normal text, so typing continues in the default font.
void TfrmMainEditor::EditorKeyUp(QKeyEvent *event)
{
    if (!HeadingTyping || !event
        || (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter))
        return;
    HeadingTyping = false;
    setKeepWithNext(Editor, false);
    applyNormalText(Editor);
}

// ---- undo, clipboard, clearing ------------------------------------------------------------

void TfrmMainEditor::btnUndoClick()
{
    Editor->UndoStep();
    shell::pumpEvents();
    EditorChange();
    shell::pumpEvents();
    EditorSelectionChange();
}

void TfrmMainEditor::btnRedoClick()
{
    Editor->RedoStep();
    shell::pumpEvents();
    EditorChange();
    shell::pumpEvents();
    EditorSelectionChange();
    shell::pumpEvents();
}

void TfrmMainEditor::btnCutClick() { Editor->CutSelection(); }
void TfrmMainEditor::btnCopyClick() { Editor->CopySelected(); }
void TfrmMainEditor::btnPasteClick() { Editor->PasteClipboard(); }
void TfrmMainEditor::SelectAll2Click() { Editor->SelectEverything(); }
void TfrmMainEditor::Delete2Click() { Editor->DeleteSelection(); }

void TfrmMainEditor::DeleteAll1Click()
{
    // The document is emptied and its modified flag cleared, so no save prompt follows; the
    // emptying is one undo step, so Undo brings the text back (modified again). Objects are
    // closed as on any clearing: their open copies go, the pictures stay in the undo history.
    Editor->CloseObjects();
    Editor->replaceAll(QString());
    Editor->setDocumentModified(false);
    EditorChange(); // the modified indicator follows the cleared flag
}

// ---- line spacing -------------------------------------------------------------------------

void TfrmMainEditor::NormalLineSpacing1Click()
{
    Editor->ParagraphFormat.setSpacingRule(0);
}

void TfrmMainEditor::N15LineSpacing1Click()
{
    Editor->ParagraphFormat.setSpacingRule(3); // at least
    Editor->ParagraphFormat.setLineSpacing(roundHalfEven(Editor->SelectionFormat.Size() * 1.5));
}

void TfrmMainEditor::DoubleLineSpacing1Click()
{
    Editor->ParagraphFormat.setSpacingRule(5); // in twentieths of a line
    Editor->ParagraphFormat.setLineSpacing(2); // 40: two lines
}

// ---- revision marks -----------------------------------------------------------------------

namespace {

void setRevision(TRxRichEdit *editor, bool revised)
{
    CHARFORMAT2 cf;
    cf.dwMask = CFM_COLOR | CFM_REVAUTHOR | CFM_REVISED;
    cf.dwEffects = revised ? CFE_REVISED : 0;
    cf.bRevAuthor = revised ? 3 : 0;
    cf.crTextColor = revised ? 0x000000FF : 0x00000000; // red, or an explicit black
    sendWordCharFormat(editor, cf);
}

} // namespace

void TfrmMainEditor::Charformat21Click() { setRevision(Editor, true); }
void TfrmMainEditor::EndRevisedText1Click() { setRevision(Editor, false); }
void TfrmMainEditor::Reset1Click() { setRevision(Editor, false); }

void TfrmMainEditor::RejectRevisedText1Click()
{
    if (Editor->SelectionLength() > 0)
        Editor->ReplaceSelection(QString());
}

// ---- text direction -----------------------------------------------------------------------

void TfrmMainEditor::LeftToRighttext1Click()
{
    sendParaFormat(Editor, handParaFormat(PFM_RTLPARA));
}

void TfrmMainEditor::RightToLeftText1Click()
{
    PARAFORMAT2 pf = handParaFormat(PFM_RTLPARA);
    pf.wEffects = PFE_RTLPARA;
    sendParaFormat(Editor, pf);
}

// ---- style toggles ------------------------------------------------------------------------

void TfrmMainEditor::Bold1Click() { toggleStyle(Editor, Bold1, fsBold); }
void TfrmMainEditor::Italic1Click() { toggleStyle(Editor, Italic1, fsItalic); }
void TfrmMainEditor::UnderLine1Click() { toggleStyle(Editor, UnderLine1, fsUnderline); }

void TfrmMainEditor::bullets1Click()
{
    bullets1->setChecked(!bullets1->isChecked());
    Editor->ParagraphFormat.setBulleted(bullets1->isChecked());
}

// ---- paragraph dialog ---------------------------------------------------------------------

void TfrmMainEditor::btnParagraphAttributesClick()
{
    // Every paragraph the dialog may write, with its complete format, so that Cancel can put
    // each one back exactly as it was.
    QTextDocument *doc = Editor->document();
    std::vector<std::pair<int, QTextBlockFormat>> kept;
    for (const QTextBlock &b : richedit::selectedParagraphs(Editor->textCursor()))
        kept.emplace_back(b.blockNumber(), b.blockFormat());
    const bool modified = Editor->DocumentModified();

    shell::pumpEvents();
    const bool confirmed = ExecuteParagraphDialog(Editor->ParagraphFormat, this);
    if (!confirmed) {
        QTextCursor edit(doc);
        edit.beginEditBlock();
        for (const auto &[number, format] : kept) {
            const QTextBlock b = doc->findBlockByNumber(number);
            if (b.isValid())
                QTextCursor(b).setBlockFormat(format);
        }
        edit.endEditBlock();
        Editor->viewport()->update();
        Editor->setDocumentModified(modified);
        SetModifiedState(modified);
    }
    shell::pumpEvents();
    EditorSelectionChange(); // the alignment buttons show what the dialog left
    focusEditor(Editor);
}
