#include "app/Forms.h"

#include "app/Main.h"
#include "documents/History.h"
#include "preview/PrintPreview.h"

ProgramWindows::~ProgramWindows() = default;

namespace {
std::unique_ptr<QWidget> shellWindow(const QString &caption)
{
    auto w = std::make_unique<QWidget>();
    w->setWindowTitle(caption);
    return w;
}
std::unique_ptr<QWidget> createExportStatusWindow()
{
    return shellWindow(QStringLiteral("Document Export Status..."));
}
std::unique_ptr<QWidget> createPresentationOptionsWindow()
{
    return shellWindow(QStringLiteral("Presentation Options"));
}
} // namespace

ProgramWindows createProgramWindows()
{
    ProgramWindows w;
    w.mainOwner = std::make_unique<TfrmMainEditor>();
    w.main = w.mainOwner.get();
    w.others.push_back(std::make_unique<THistoryForm>());
    w.others.push_back(createExportStatusWindow());
    w.others.push_back(createPresentationOptionsWindow());
    w.others.push_back(std::make_unique<TForm1>());
    w.others.push_back(std::make_unique<TForm4>());
    w.others.push_back(std::make_unique<TForm3>());
    return w;
}
