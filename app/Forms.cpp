#include "app/Forms.h"

#include "app/Main.h"
#include "documents/History.h"
#include "export/PageExport.h"
#include "preview/PrintPreview.h"

ProgramWindows::~ProgramWindows()
{
    others.clear();
}

namespace {
std::unique_ptr<QWidget> shellWindow(const QString &caption)
{
    auto w = std::make_unique<QWidget>();
    w->setWindowTitle(caption);
    return w;
}
std::unique_ptr<QWidget> createPresentationOptionsWindow()
{
    return shellWindow(QStringLiteral("Presentation Options"));
}
TfrmExport *g_export = nullptr;
} // namespace

TfrmExport *frmExport() { return g_export; }

ProgramWindows createProgramWindows()
{
    ProgramWindows w;
    w.mainOwner = std::make_unique<TfrmMainEditor>();
    w.main = w.mainOwner.get();
    w.others.push_back(std::make_unique<THistoryForm>());
    auto exportWindow = std::make_unique<TfrmExport>(w.main);
    g_export = exportWindow.get();
    w.others.push_back(std::move(exportWindow));
    w.others.push_back(createPresentationOptionsWindow());
    w.others.push_back(std::make_unique<TForm1>());
    w.others.push_back(std::make_unique<TForm4>());
    w.others.push_back(std::make_unique<TForm3>());
    return w;
}
