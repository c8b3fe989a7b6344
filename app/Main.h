#pragma once
// TfrmMainEditor: the main window round the rich text control `Editor`, with its toolbar, the
// two pop-up menus, the hidden menu of shortcuts, the side panels, the clock and the status bar.
// The handlers are split by concern over several files: app/ (window, status bar, view options,
// settings), documents/ (document life), editor/ (editing commands).

#include "dialogs/Dialogs.h"
#include "editor/RxRichEd.h"
#include "export/PresentationOptions.h"

#include <QAction>
#include <QMenu>
#include <QMargins>
#include <QWidget>

class QLabel;
class QTimer;
class QPainter;
class QToolBar;
class QToolButton;
class QFrame;
class StatisticsCache;
class TStatusBar;
class TRxClock;
class DocumentRecovery;
struct RecoveryCopy;
struct Settings;
class TFindDialog;
class SpellChecking;

class TfrmMainEditor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMainEditor(QWidget *parent = nullptr);
    ~TfrmMainEditor() override;

    // ---- state (shared with the other windows) ----
    QString DocumentFileName;
    int LeftSize = 25;
    int TopSize = 15;
    int RightSize = 25;
    int BottomSize = 15;
    QString WordsText, CharactersText, LinesText, WordsPerLineText;
    bool HeadingTyping = false; // set by the heading commands, read on Enter
    // Presentation choices for runs without the options window (headless jobs).
    PresentationOptions presentationOptions;

    // ---- controls ----
    QFrame *dxContainer1 = nullptr;
    QWidget *CoolBar1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QToolButton *btnNewDoc = nullptr, *btnDocHistory = nullptr, *btnOpenDoc = nullptr,
                *btnSaveDoc = nullptr, *btnPrintPreview = nullptr, *btnUndo = nullptr,
                *btnRedo = nullptr, *btnCut = nullptr, *btnCopy = nullptr, *btnPaste = nullptr,
                *btnCenterAlign = nullptr, *btnAlignJustify = nullptr,
                *btnParagraphAttributes = nullptr, *btnEditorBackground = nullptr,
                *btnFont = nullptr, *btnOpeningQuote = nullptr, *btnClosingQoute = nullptr,
                *btnLongDash = nullptr, *btnClose = nullptr;
    QWidget *Panel1 = nullptr, *Panel2 = nullptr, *Panel3 = nullptr;
    QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr;
    QFrame *B1 = nullptr, *B2 = nullptr;
    TRxClock *RxClock1 = nullptr;
    TRxRichEdit *Editor = nullptr;
    TStatusBar *StatusBar1 = nullptr;

    // ---- menus ----
    QMenu *PopupMenu1 = nullptr;
    QMenu *ParaPopUp = nullptr;
    QAction *Cut2, *Copy2, *Paste2, *SelectAll2, *Delete2, *DeleteAll1, *ExportDocumentAs1,
        *KeepTextEyeLevel121, *KeepTextEyeLevel1, *ShowScrollBar1, *ShowToolbar1, *Exit1;
    QAction *NormalLineSpacing1, *N15LineSpacing1, *DoubleLineSpacing1, *Heading01, *Heading11,
        *Heading31, *NormalDefaultText1, *Charformat21, *EndRevisedText1, *Reset1,
        *RejectRevisedText1, *LeftToRighttext1, *RightToLeftText1;
    QAction *New1, *Open1, *SaveAs1, *Save1, *PrintPreview1, *DocumentHistory1, *Close1, *Bold1,
        *Italic1, *UnderLine1, *bullets1, *Help1;

    // ---- writing aids: find and replace, spelling (classes of their own, wired here) ----
    TFindDialog *FindDialog = nullptr;
    SpellChecking *Spelling = nullptr;
    QAction *Find1 = nullptr, *FindNext1 = nullptr, *FindPrevious1 = nullptr,
            *Replace1 = nullptr;

    // ---- dialogs kept with the window (they remember the filter last chosen) ----
    dialogs::FileDialogOptions OpenFileDialog;
    dialogs::FileDialogOptions SaveDialog1;

    // ---- form events ----
    void FormCreate();
    void FormShow(const QStringList &arguments);
    void FormActivate();
    // Activation when the export progress window closes: settings read again, buttons and
    // status bar refreshed, focus back; the document, its undo history, its Modified flag and
    // the paragraph at the caret are left as they are.
    void FormReactivate();
    void FormResize();
    // Returns false when the close is abandoned.
    bool FormClose();
    void FormDestroy();
    void EditorChange();
    void EditorSelectionChange();
    void EditorKeyUp(QKeyEvent *event);
    void EditorMouseDown(QMouseEvent *event);
    void SetModifiedState(bool flag);
    // Undo and Redo enabled exactly when there is a step to take.
    void updateUndoButtons();

    // ---- status bar ----
    void UpdateStatusBar();
    // While a long document is laid out from the event loop, how far it has got.
    void ShowLayoutProgress(int percent);
    void CountTextStatistics(const QString &text);

    // ---- settings ----
    void LoadSettings();
    void SaveSettings();
    QString settingsPath() const;
    void setSettingsPath(const QString &path) { m_settingsPath = path; }
    // The command-line arguments FormShow looks at (the program's own name excluded).
    void setStartArguments(const QStringList &arguments) { m_arguments = arguments; }
    // Headless jobs show the window off screen for its layout only: no show or activation work.
    void setHeadless(bool on) { m_headless = on; }

    // ---- view options and help ----
    void KeepTextEyeLevel121Click();
    void KeepTextEyeLevel1Click();
    void ShowScrollBar1Click();
    void ShowToolbar1Click();
    void SpeedButton1Click();
    void RxClock1Click();
    static QString helpText();
    bool eyeLevelModeOn() const { return !m_editorAligned; }

    // ---- documents ----
    void QuerySaveChanges();
    void btnNewDocClick();
    void btnOpenDocClick();
    void LoadDocument(const QString &fileName);
    void btnSaveDocClick();
    void SaveAs1Click();
    void SaveDocument(const QString &fileName);
    void SaveCompressedRtf(const QString &fileName);
    void LoadCompressedRtf(const QString &fileName);
    void ExportPdf(const QString &fileName);
    void ExportPresentation(const QString &fileName);
    // Writes the document as a PDF of real text, paginated as the print preview lays it out.
    void ExportTextPdf(const QString &fileName);
    // SaveDocument's work: true when the document itself was written (not an export, not a
    // refused name), which is when its Modified flag may be cleared. A ".pdf" name becomes a
    // text PDF when textPdf is set, else the picture PDF.
    bool saveByExtension(const QString &fileName, bool textPdf = false);
    // What Save and Save As do with the name chosen in the save dialog.
    void saveChosenName(const QString &name);
    void btnDocHistoryClick();
    void btnPrintPreviewClick();
    void SpeedButton2Click();
    void btnCloseClick();

    // ---- recovery copies ----
    // Keeps recovery copies of unsaved work in folder and offers those left by instances that
    // ended abnormally once the window is shown. Without it (headless jobs, most tests) the
    // window keeps none.
    void enableRecovery(const QString &folder);
    DocumentRecovery *Recovery = nullptr;
    // Puts a recovered document in place: its old name (or untitled), its text and formats,
    // the selection it had, and the Modified state, since it is still unsaved.
    void LoadRecoveredDocument(const RecoveryCopy &copy);

    // ---- editing commands ----
    void btnFontClick();
    void btnEditorBackgroundClick();
    void btnCenterAlignClick(QToolButton *sender);
    void btnParagraphAttributesClick();
    void btnOpeningQuoteClick();
    void btnClosingQouteClick();
    void btnLongDashClick();
    void btnUndoClick();
    void btnRedoClick();
    void btnCutClick();
    void btnCopyClick();
    void btnPasteClick();
    void SelectAll2Click();
    void Delete2Click();
    void DeleteAll1Click();
    void NormalLineSpacing1Click();
    void N15LineSpacing1Click();
    void DoubleLineSpacing1Click();
    void Heading01Click();
    void Heading11Click();
    void Heading31Click();
    void NormalDefaultText1Click();
    void Charformat21Click();
    void EndRevisedText1Click();
    void Reset1Click();
    void RejectRevisedText1Click();
    void LeftToRighttext1Click();
    void RightToLeftText1Click();
    void Bold1Click();
    void Italic1Click();
    void UnderLine1Click();
    void bullets1Click();

    // ---- owner-drawn menus (PopupMenu1, ParaPopUp, their submenus) ----
    void MenuItemMeasureItem(QAction *item, QPainter &canvas, int &width, int &height);
    void MenuItemDrawItem(QAction *item, QPainter &canvas, const QRect &rect, bool selected);
    void MeasureSeparator(QAction *item, QPainter &canvas, int &width, int &height);
    void SeparatorDrawItem(QAction *item, QPainter &canvas, const QRect &rect, bool selected);

    // The window caption and the application title rules.
    static QString fileNamePart(const QString &path);
    static QString extensionOf(const QString &fileName);

    // Lays the controls out as their alignments say (the editor fills the rest unless an
    // eye-level mode has taken it out of the alignment).
    void layoutControls();
    // The colour of the container round the editor (0x00BBGGRR).
    void setContainerColour(std::uint32_t colour);

signals:
    // SetModifiedState ran (on every change of the document, and whenever the document is
    // saved, replaced or cleared).
    void modifiedStateSet(bool modified);
    // LoadSettings read the settings file.
    void settingsLoaded(const Settings &settings);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void createControls();
    void createMenus();
    // Hooks both pop-up menus to the four drawing handlers and gives their items pictures.
    void setupOwnerDrawnMenus();
    // Creates the find window and the spelling service and their keys.
    void setupWritingAids();
    // The settings file's spelling choice: on or off, and the dictionary's language; the
    // personal word list lives beside the settings file.
    void applySpellingSettings(bool check, const QString &language);
    QToolButton *addToolButton(const QString &name, const QString &hint, const QString &icon,
                               void (TfrmMainEditor::*handler)());
    QAction *addAction(QMenu *menu, const QString &name, const QString &caption,
                       void (TfrmMainEditor::*handler)(), const QString &shortcutText = {});
    void runHandler(const std::function<void()> &handler);
    void setEyeLevel(QAction *own, QAction *other, bool third);
    QRect clientRect() const;
    // The window manager's frame round the window (the designed one until it is known), the
    // window's outer width, and the editor's width in an eye-level mode.
    QMargins windowFrame() const;
    int formWidth() const;
    int eyeLevelEditorWidth() const;
    // Activation step 1: the frame from the top of the work area to its bottom.
    void fitToWorkArea();
    void refitForFrame();
    void watchFrame();

    StatisticsCache *m_statistics = nullptr;
    QString m_settingsPath;
    bool m_editorAligned = true;
    bool m_shown = false;
    bool m_closing = false;
    bool m_headless = false;
    QMargins m_placedFrame;  // the frame the window's inner area was last placed for
    bool m_fitted = false;   // fitted to the work area by an activation
    QTimer *m_frameWatch = nullptr;
    int m_frameChecks = 0;
    bool m_spellCheck = true;
    QString m_spellLanguage = QStringLiteral("en_US");
    QStringList m_arguments;
};

// The one main window of the program (null before it is created).
TfrmMainEditor *frmMainEditor();
