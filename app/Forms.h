#pragma once
// The program's windows, created once at start-up in a fixed order and kept until it ends.

#include <QWidget>
#include <memory>
#include <vector>

class TfrmMainEditor;
class TfrmExport;
class TfrmPresentation;
class TForm1;

struct ProgramWindows {
    TfrmMainEditor *main = nullptr;
    // The other six, in creation order; owned here, hidden until shown.
    std::vector<std::unique_ptr<QWidget>> others;
    ~ProgramWindows();
    ProgramWindows() = default;
    ProgramWindows(ProgramWindows &&) = default;
    // Assigning over live windows would release them in the wrong order.
    ProgramWindows &operator=(ProgramWindows &&) = delete;
    std::unique_ptr<TfrmMainEditor> mainOwner;
};

// Creates the seven windows: the main window, "Document History", "Document Export Status...",
// "Presentation Options", "Print Preview", "Header and Footer Text" and "Page Margins".
ProgramWindows createProgramWindows();

// The export progress window (null before the windows are created, or headless).
TfrmExport *frmExport();
// The presentation options window (null before the windows are created, or headless).
TfrmPresentation *frmPresentation();
// The print preview window (null before the windows are created, or headless).
TForm1 *frmPrintPreview();
