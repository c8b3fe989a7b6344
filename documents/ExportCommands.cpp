// The two export commands behind ".pdf" and ".tpf" names.
#include "app/Main.h"

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Forms.h"
#include "export/PdfExport.h"

#include <QFileInfo>

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

void TfrmMainEditor::ExportPresentation(const QString &fileName)
{
    Q_UNUSED(fileName);
    throw EScrivelleError(QStringLiteral("Presentation export is not available in this build"));
}
