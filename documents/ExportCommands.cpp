// The export commands behind ".pdf" and ".tpf" names: the picture PDF, the text PDF and the
// presentation.
#include "app/Main.h"

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Forms.h"
#include "export/PageExport.h"
#include "export/PdfExport.h"
#include "export/PresentationExport.h"
#include "export/TextPdfExport.h"
#include "preview/PreviewPages.h"
#include "preview/PrintPreview.h"

#include <QLabel>

#include <QFileInfo>

namespace {

// The hidden preview of a window that has no preview window (headless runs), kept with the
// window: a batch then asks the system for its printers once, not once a file.
class HiddenPreview : public QObject
{
public:
    explicit HiddenPreview(QObject *window) : QObject(window)
    {
        setObjectName(QStringLiteral("HiddenPreview"));
    }
    TPreviewPages pages;

    static TPreviewPages &of(QObject *window)
    {
        auto *hidden = static_cast<HiddenPreview *>(
            window->findChild<QObject *>(QStringLiteral("HiddenPreview"), Qt::FindDirectChildrenOnly));
        return (hidden ? hidden : new HiddenPreview(window))->pages;
    }
};

} // namespace

void TfrmMainEditor::ExportPdf(const QString &fileName)
{
    PdfExportOptions options;
    options.showInformation = [](const QString &text) {
        dialogs::current().information(applicationTitle(), text);
    };
    // The document title is the name last chosen in the save dialog.
    const QString title = QFileInfo(SaveDialog1.fileName.isEmpty() ? fileName : SaveDialog1.fileName).fileName();
    ::ExportPdf(*Editor, fileName, title, frmExport(), options);
}

void TfrmMainEditor::ExportTextPdf(const QString &fileName)
{
    TextPdfOptions options;
    options.showInformation = [](const QString &text) {
        dialogs::current().information(applicationTitle(), text);
    };
    const QString title = QFileInfo(SaveDialog1.fileName.isEmpty() ? fileName : SaveDialog1.fileName).fileName();
    // The pages of the print preview with the choices made there; headless runs have no
    // preview window and lay the document out as it would at its first showing.
    if (TForm1 *preview = frmPrintPreview()) {
        preview->LayOutUnshown();
        ::ExportTextPdf(preview->GmPreview1->PageList(), fileName, title, frmExport(), options);
        return;
    }
    TPreviewPages &pages = HiddenPreview::of(this);
    pages.setMargins({double(LeftSize), double(TopSize), double(RightSize), double(BottomSize)});
    if (const QString message = pages.layOut(Editor); !message.isEmpty())
        throw EScrivelleError(message);
    ::ExportTextPdf(pages.preview.PageList(), fileName, title, frmExport(), options);
}

void TfrmMainEditor::ExportPresentation(const QString &fileName)
{
    PresentationExportUi ui;
    TfrmPresentation *options = m_headless ? nullptr : frmPresentation();
    if (options) {
        ui.askOptions = [options] {
            options->exec();
            return options->options();
        };
    }
    if (TfrmExport *progress = frmExport()) {
        ui.progress.show = [progress] { progress->show(); };
        ui.progress.setLabel = [progress](const QString &text) {
            progress->lblProgBar->setText(text);
        };
        ui.progress.close = [progress] { progress->close(); };
    }
    ui.showInformation = [](const QString &text) {
        dialogs::current().information(applicationTitle(), text);
    };
    ::ExportPresentation(*Editor, fileName, presentationOptions, ui);
}
