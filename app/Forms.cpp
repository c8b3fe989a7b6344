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
} // namespace

ProgramWindows::~ProgramWindows()
{
    g_presentation = nullptr;
    others.clear();
}

TfrmExport *frmExport() { return g_export; }
TfrmPresentation *frmPresentation() { return g_presentation; }

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
    w.others.push_back(std::make_unique<TForm1>());
    w.others.push_back(std::make_unique<TForm4>());
    w.others.push_back(std::make_unique<TForm3>());
    return w;
}
