// Document life: New, Open, Save, Save As, the save-changes prompt, and the choice of format
// by a file name's extension.
#include "app/Main.h"

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Settings.h"
#include "documents/DocumentRecovery.h"
#include "app/Forms.h"
#include "documents/History.h"
#include "preview/PrintPreview.h"
#include "shell/Shell.h"

#include <QBuffer>
#include <QFileInfo>

namespace {

const QString kUntitled = QStringLiteral("Untitled Document");

enum class Format { Unknown, Rtf, Doc, Rtc, Txt, Pdf, Tpf };

// The format of a name by its extension; letter case does not matter.
Format formatOf(const QString &fileName)
{
    const QString ext = TfrmMainEditor::extensionOf(fileName).toLower();
    if (ext == QLatin1String(".rtf")) return Format::Rtf;
    if (ext == QLatin1String(".doc")) return Format::Doc;
    if (ext == QLatin1String(".rtc")) return Format::Rtc;
    if (ext == QLatin1String(".txt")) return Format::Txt;
    if (ext == QLatin1String(".pdf")) return Format::Pdf;
    if (ext == QLatin1String(".tpf")) return Format::Tpf;
    return Format::Unknown;
}

bool isExport(Format f) { return f == Format::Pdf || f == Format::Tpf; }
bool canOpen(Format f) { return f == Format::Rtf || f == Format::Doc || f == Format::Rtc || f == Format::Txt; }

// The save dialog's entry for the text PDF: after the six entries of the original list, so that
// their indexes keep their meaning.
constexpr int kTextPdfFilterIndex = 7;

void refuseUnsupported(const QString &fileName)
{
    dialogs::current().information(applicationTitle(),
                                   QStringLiteral("Unsupported file type: %1").arg(fileName));
}

void initDialogs(TfrmMainEditor &w)
{
    if (!w.OpenFileDialog.filter.isEmpty())
        return;
    w.OpenFileDialog.filter = QStringLiteral(
        "Rich Text Format (*.rtf)|*.rtf|Rich Text Compressed (*.rtc)|*.rtc|"
        "Word 97-2003 & 6.0/95 - RTF (*.doc)|*.doc|Plain Text (*.txt)|*.txt|All Files (*.*)|*.*");
    w.OpenFileDialog.defaultExtension = QStringLiteral("rtf");
    w.OpenFileDialog.fileMustExist = true;
    w.SaveDialog1.filter = QStringLiteral(
        "Rich Text Format (*.rtf)|*.rtf|Rich Text Compressed (*.rtc)|*.rtc|"
        "Word 97-2003 & 6.0/95 - RTF (*.doc)|*.doc|Portable Document Format (*.pdf)|*.pdf|"
        "Tessra Presentation Format (*.tpf)|*.tpf|Plain Text (*.txt)|*.txt|"
        "PDF with selectable text (*.pdf)|*.pdf");
    w.SaveDialog1.defaultExtension = QStringLiteral("rtf");
    w.SaveDialog1.overwritePrompt = true;
}

} // namespace

void TfrmMainEditor::QuerySaveChanges()
{
    if (!Editor->DocumentModified())
        return;
    const QString text = QStringLiteral("Save changes to %1?")
                             .arg(QStringLiteral(" [") + fileNamePart(DocumentFileName) + QStringLiteral("] "));
    const dialogs::Answer answer =
        dialogs::current().confirm(applicationTitle(), text, dialogs::Buttons::YesNoCancel);
    if (answer == dialogs::Answer::Yes) {
        const bool untitled = DocumentFileName == kUntitled;
        btnSaveDocClick();
        Editor->setFocus();
        // Yes on an untitled document whose Save dialog was then cancelled: nothing was saved,
        // so the calling command must not go on and drop the work.
        if (untitled && DocumentFileName == kUntitled && Editor->DocumentModified())
            throw EAbort();
        return;
    }
    Editor->setFocus();
    if (answer != dialogs::Answer::No)
        throw EAbort();
}

void TfrmMainEditor::btnNewDocClick()
{
    if (Editor->DocumentModified())
        QuerySaveChanges();
    shell::pumpEvents();
    DocumentFileName = kUntitled;
    setWindowTitle(QStringLiteral("Tessra Office >> ") + DocumentFileName);
    Editor->setPlainText(false);
    Editor->Lines.StreamMode = smUnicode;
    Editor->Lines.Clear();
    Editor->setTypographyOptions(richedit::TO_ADVANCEDTYPOGRAPHY);
    Editor->setDocumentModified(false);
    SetModifiedState(false);
    shell::pumpEvents();
}

void TfrmMainEditor::btnOpenDocClick()
{
    if (Editor->DocumentModified())
        QuerySaveChanges();
    initDialogs(*this);
    OpenFileDialog.title = QStringLiteral("Open Document");
    bool refused = false;
    auto finish = [this, &refused] {
        UpdateStatusBar();
        shell::pumpEvents();
        if (!refused) {
            Editor->setDocumentModified(false);
            SetModifiedState(false);
        }
    };
    try {
        if (dialogs::current().openFile(OpenFileDialog)) {
            const QString name = OpenFileDialog.fileName;
            if (!canOpen(formatOf(name))) {
                refused = true;
                refuseUnsupported(name);
            } else {
                shell::pumpEvents();
                AddHistoryEntry(name);
                shell::pumpEvents();
                LoadDocument(name);
                shell::pumpEvents();
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TfrmMainEditor::LoadDocument(const QString &fileName)
{
    const Format format = formatOf(fileName);
    if (!canOpen(format)) {
        refuseUnsupported(fileName);
        return;
    }
    DocumentFileName = fileName;
    setWindowTitle(QStringLiteral("Tessra Office - >>  [") + fileNamePart(fileName) + QLatin1Char(']'));
    Editor->ClearDocument();
    if (format == Format::Txt) {
        Editor->setPlainText(true);
        Editor->Lines.StreamMode = {};
    } else {
        Editor->setPlainText(false);
        Editor->Lines.StreamMode = smUnicode;
    }
    if (format == Format::Rtc)
        LoadCompressedRtf(fileName);
    else
        Editor->Lines.LoadDocumentFile(fileName);
    shell::pumpEvents();
    Editor->setFocus();
    setApplicationTitle(fileNamePart(DocumentFileName));
    shell::pumpEvents();
}

void TfrmMainEditor::btnSaveDocClick()
{
    initDialogs(*this);
    if (DocumentFileName != kUntitled) {
        SaveDocument(DocumentFileName);
    } else {
        SaveDialog1.fileName = kUntitled;
        if (dialogs::current().saveFile(SaveDialog1))
            saveChosenName(SaveDialog1.fileName);
    }
    shell::pumpEvents();
}

void TfrmMainEditor::saveChosenName(const QString &name)
{
    shell::pumpEvents();
    const Format format = formatOf(name);
    if (format != Format::Unknown && !isExport(format))
        AddHistoryEntry(name);
    shell::pumpEvents();
    const bool textPdf = SaveDialog1.filterIndex == kTextPdfFilterIndex;
    if (saveByExtension(name, textPdf)) {
        SetModifiedState(false);
        Editor->setDocumentModified(false);
    }
}

void TfrmMainEditor::SaveAs1Click()
{
    initDialogs(*this);
    QString start = DocumentFileName;
    if (start != kUntitled)
        start.chop(4);
    SaveDialog1.fileName = start;
    shell::pumpEvents();
    if (dialogs::current().saveFile(SaveDialog1))
        saveChosenName(SaveDialog1.fileName);
    shell::pumpEvents();
}

void TfrmMainEditor::SaveDocument(const QString &fileName)
{
    saveByExtension(fileName);
}

bool TfrmMainEditor::saveByExtension(const QString &fileName, bool textPdf)
{
    const Format format = formatOf(fileName);
    if (format == Format::Unknown) {
        refuseUnsupported(fileName);
        return false;
    }
    if (!isExport(format)) {
        DocumentFileName = fileName;
        setWindowTitle(QStringLiteral("Tessra Office - >>  [") + fileNamePart(fileName) + QLatin1Char(']'));
    }
    // Saving as text turns the control into a plain-text one, which reads back the text it
    // writes. A control nobody looks at (a conversion on the command line, whose layout
    // waits for questions) skips that second copy of the document: the text file is written
    // from the document as it is, the same bytes either way.
    if (!(Editor->layoutDeferred() && format == Format::Txt))
        Editor->setPlainText(format == Format::Txt);
    Editor->Lines.StreamMode = format == Format::Txt ? TRichStreamModes() : TRichStreamModes(smUnicode);
    switch (format) {
    case Format::Rtc: SaveCompressedRtf(fileName); break;
    case Format::Pdf:
        if (textPdf)
            ExportTextPdf(fileName);
        else
            ExportPdf(fileName);
        break;
    case Format::Tpf: ExportPresentation(fileName); break;
    default: Editor->Lines.SaveDocumentFile(fileName); break;
    }
    shell::pumpEvents();
    Editor->setFocus();
    // An export writes another file: the document itself is still unsaved.
    if (!isExport(format)) {
        SetModifiedState(false);
        Editor->setDocumentModified(false);
    }
    setApplicationTitle(fileNamePart(DocumentFileName));
    shell::pumpEvents();
    return !isExport(format);
}

void TfrmMainEditor::enableRecovery(const QString &folder)
{
    delete Recovery;
    Recovery = new DocumentRecovery(folder, Editor, this);
    Recovery->setParent(this);
    Recovery->documentName = [this] {
        return DocumentFileName == kUntitled ? QString() : DocumentFileName;
    };
    Recovery->restoreDocument = [this](const RecoveryCopy &copy) { LoadRecoveredDocument(copy); };
    connect(this, &TfrmMainEditor::modifiedStateSet, Recovery, &DocumentRecovery::modifiedStateSet);
    connect(this, &TfrmMainEditor::settingsLoaded, Recovery,
            [recovery = Recovery](const Settings &s) { recovery->setEnabled(s.recoveryCopies); });
}

void TfrmMainEditor::LoadRecoveredDocument(const RecoveryCopy &copy)
{
    DocumentFileName = copy.fileName.isEmpty() ? kUntitled : copy.fileName;
    if (copy.fileName.isEmpty())
        setWindowTitle(QStringLiteral("Tessra Office >> ") + DocumentFileName);
    else
        setWindowTitle(QStringLiteral("Tessra Office - >>  [") + fileNamePart(DocumentFileName) + QLatin1Char(']'));
    Editor->ClearDocument();
    Editor->setPlainText(false);
    Editor->Lines.StreamMode = smUnicode;
    QBuffer rtf;
    rtf.setData(copy.rtf);
    rtf.open(QIODevice::ReadOnly);
    Editor->Lines.LoadDocumentStream(rtf);
    if (formatOf(DocumentFileName) == Format::Txt) {
        Editor->setPlainText(true);
        Editor->Lines.StreamMode = {};
    }
    Editor->ForgetUndoHistory();
    QTextCursor cursor = Editor->textCursor();
    const int end = Editor->document()->characterCount() - 1;
    cursor.setPosition(qBound(0, copy.anchor, end));
    cursor.setPosition(qBound(0, copy.caret, end), QTextCursor::KeepAnchor);
    Editor->setTextCursor(cursor);
    Editor->ensureCursorVisible();
    Editor->setDocumentModified(true);
    SetModifiedState(true);
    setApplicationTitle(fileNamePart(DocumentFileName));
    EditorSelectionChange();
    Editor->setFocus();
}

void TfrmMainEditor::btnDocHistoryClick()
{
    if (THistoryForm *history = HistoryForm())
        history->exec();
}

void TfrmMainEditor::btnPrintPreviewClick()
{
    if (TForm1 *preview = frmPrintPreview())
        preview->execute();
}

void TfrmMainEditor::SpeedButton2Click()
{
    if (!Editor->document()->isEmpty() && Editor->DocumentModified()) {
        const dialogs::Answer answer = dialogs::current().confirm(
            applicationTitle(), QStringLiteral("Save current document?"), dialogs::Buttons::YesNoCancel);
        if (answer == dialogs::Answer::Cancel)
            throw EAbort();
        if (answer == dialogs::Answer::Yes) {
            btnSaveDocClick();
            // Yes, then a cancelled Save dialog: the work is not saved, so it is not replaced.
            if (Editor->DocumentModified())
                throw EAbort();
        }
    }
    const THistoryForm *history = HistoryForm();
    if (!history || history->ListBox1->count() == 0) {
        dialogs::current().information(applicationTitle(), QStringLiteral("Document History List is Empty."));
        return;
    }
    shell::pumpEvents();
    const QString path = history->ListBox1->item(0)->text();
    if (QFileInfo(path).isFile()) {
        DocumentFileName = path;
        LoadDocument(path);
        shell::pumpEvents();
    } else {
        dialogs::current().information(applicationTitle(),
                                       QStringLiteral("Document does not exist or has been deleted."));
    }
    shell::pumpEvents();
}
