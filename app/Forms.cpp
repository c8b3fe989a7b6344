#include "app/Forms.h"

#include "app/Application.h"
#include "app/Exceptions.h"
#include "app/Main.h"
#include "documents/History.h"
#include "export/PageExport.h"
#include "export/PresentationOptions.h"
#include "preview/PrintPreview.h"

namespace {
TfrmExport *g_export = nullptr;
TfrmPresentation *g_presentation = nullptr;
TForm1 *g_printPreview = nullptr;
} // namespace

ProgramWindows::~ProgramWindows()
{
    // A moved-from set owns no windows and leaves the accessors alone.
    if (others.empty())
        return;
    g_presentation = nullptr;
    g_printPreview = nullptr;
    // Last created first: a window goes before the window its Qt parent is.
    while (!others.empty())
        others.pop_back();
}

TfrmExport *frmExport() { return g_export; }
TfrmPresentation *frmPresentation() { return g_presentation; }
TForm1 *frmPrintPreview() { return g_printPreview; }

ProgramWindows createProgramWindows()
{
    ProgramWindows w;
    w.mainOwner = std::make_unique<TfrmMainEditor>();
    w.main = w.mainOwner.get();
    w.others.push_back(std::make_unique<THistoryForm>(w.main, QString(), w.main));
    auto exportWindow = std::make_unique<TfrmExport>(w.main);
    g_export = exportWindow.get();
    QObject::connect(g_export, &TfrmExport::closed, w.main, [main = w.main] {
        try {
            main->FormReactivate();
        } catch (const std::exception &e) {
            showErrorBox(exceptionMessage(e));
        }
    }, Qt::QueuedConnection); // activation comes once the export has finished, as a message would
    w.others.push_back(std::move(exportWindow));
    auto presentationWindow = std::make_unique<TfrmPresentation>(w.main);
    g_presentation = presentationWindow.get();
    w.others.push_back(std::move(presentationWindow));
    auto previewWindow = std::make_unique<TForm1>(w.main);
    auto headerFooterDialog = std::make_unique<TForm4>(previewWindow.get());
    auto marginsDialog = std::make_unique<TForm3>(previewWindow.get());
    TfrmMainEditor *main = w.main;
    TPreviewHost host;
    host.editor = [main] { return main->Editor; };
    host.documentFileName = [main] { return main->DocumentFileName; };
    host.readMargins = [main](int &left, int &top, int &right, int &bottom) {
        left = main->LeftSize;
        top = main->TopSize;
        right = main->RightSize;
        bottom = main->BottomSize;
    };
    host.writeMargins = [main](int left, int top, int right, int bottom) {
        main->LeftSize = left;
        main->TopSize = top;
        main->RightSize = right;
        main->BottomSize = bottom;
    };
    host.showMessage = [](const QString &text) {
        dialogs::current().information(applicationTitle(), text);
    };
    previewWindow->setHost(std::move(host));
    previewWindow->setDialogs(marginsDialog.get(), headerFooterDialog.get());
    g_printPreview = previewWindow.get();
    // The dialogs belong to the preview window's Qt tree for their modality; they are
    // released before it.
    w.others.push_back(std::move(previewWindow));
    w.others.push_back(std::move(headerFooterDialog));
    w.others.push_back(std::move(marginsDialog));
    return w;
}
