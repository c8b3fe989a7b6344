#pragma once
// TRxRichEdit: the rich text control that holds the open document. A layer over the rich edit
// engine giving attributes in whole points, streaming through a line-break-normalising load
// path, plain/rich text switching, window re-creation and the control's events.

#include "richedit/RichEdit.h"

#include <QFlags>
#include <QIODevice>
#include <functional>
#include <memory>

class TRxRichEdit;
class TRichEditOleCallback;
class SelectionBarStrip;
class QMenu;

// Colours as the control's callers give them: 0x00BBGGRR, or one of the two values that stand
// for the automatic text colour.
using TColor = std::uint32_t;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clWindow = 0x80000005;

enum TFontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };

// A font object as the dialogs and the settings hand it around.
struct TFont {
    QString Name = QStringLiteral("Courier New");
    int Size = 12; // points
    TFontStyles Style = 0;
    std::uint8_t Charset = 0;
    TColor Color = clWindowText;
    TFontPitch Pitch = TFontPitch::fpDefault;
    int Weight = 0; // 0: unknown (no CFM_WEIGHT written)
};

// Version of the rich edit library in use: this build reports version 3.
extern int ControlLibraryVersion;

// Character attributes of one target (default format, selection, or word at the caret).
class TRxTextAttributes {
public:
    enum Target { atDefault = richedit::SCF_DEFAULT, atSelection = richedit::SCF_SELECTION,
                  atWord = richedit::SCF_SELECTION | richedit::SCF_WORD };
    TRxTextAttributes(TRxRichEdit *owner, Target target) : m_owner(owner), m_target(target) {}

    QString FaceName() const;
    void setFaceName(const QString &name);
    int Size() const;
    void setSize(int points);
    TFontStyles Style() const;
    void setStyle(TFontStyles style);
    // Writes one style bit only: every run of the target keeps its other styles.
    void setStyleBit(TFontStyle bit, bool on);
    std::uint8_t Charset() const;
    void setCharset(std::uint8_t charset);
    TColor Color() const;
    void setColor(TColor color);
    TFontPitch Pitch() const;

    void AssignFont(const TFont &font);
    void Assign(const TRxTextAttributes &source);
    void AssignTo(TFont &font) const;

    richedit::CHARFORMAT2 get() const;
    void set(const richedit::CHARFORMAT2 &cf);
    Target target() const { return m_target; }

private:
    TRxRichEdit *m_owner;
    Target m_target;
};

enum class TParaAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2, taJustify = 3 };

// Paragraph attributes of the paragraphs the selection touches.
class TRxParaAttributes {
public:
    explicit TRxParaAttributes(TRxRichEdit *owner) : m_owner(owner) {}

    TParaAlignment Alignment() const;
    void setAlignment(TParaAlignment a);
    int FirstIndent() const;
    void setFirstIndent(int points);
    int LeftIndent() const;
    void setLeftIndent(int points);
    int RightIndent() const;
    void setRightIndent(int points);
    int SpaceBefore() const;
    void setSpaceBefore(int points);
    int SpaceAfter() const;
    void setSpaceAfter(int points);
    int LineSpacing() const;
    void setLineSpacing(int points);
    int SpacingRule() const;
    void setSpacingRule(int rule);
    void setBulleted(bool on);
    int TabStop(int index) const;
    void setTabStop(int index, int points);
    int TabStopCount() const;
    void setTabStopCount(int count);

    richedit::PARAFORMAT2 get() const;
    void set(const richedit::PARAFORMAT2 &pf);

private:
    void writeReadFirst(std::uint32_t mask, const std::function<void(richedit::PARAFORMAT2 &)> &fill);
    // A write of one length member from a zero-filled structure, points to twips.
    void writePoints(std::uint32_t mask, std::int32_t richedit::PARAFORMAT2::*field, int points);
    TRxRichEdit *m_owner;
};

enum class TRichStreamFormat { sfDefault, sfRichText, sfPlainText };
enum TRichStreamMode { smSelection = 1, smPlainRtf = 2, smNoObjects = 4, smUnicode = 8 };
Q_DECLARE_FLAGS(TRichStreamModes, TRichStreamMode)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRichStreamModes)

// Reads and writes stream bytes unchanged; its presence is remembered by the line object.
class TConversion {
public:
    virtual ~TConversion() = default;
    virtual qint64 ConvertReadStream(QIODevice &stream, char *buffer, qint64 count);
    virtual qint64 ConvertWriteStream(QIODevice &stream, const char *buffer, qint64 count);
};

// Rewrites CR LF, lone LF and lone CR as CR LF across chunk boundaries: a CR ending one chunk
// is decided with the first byte of the next.
class LineBreakNormalizer {
public:
    // Converts input into out (which needs room for 2 × size + 2 bytes); returns the count.
    int convert(const char *input, int size, char *out);
    // The end of the stream: a pending CR becomes CR LF.
    int finish(char *out);
    bool pendingCR() const { return m_pendingCR; }

private:
    bool m_pendingCR = false;
};

// The control's text as a line object: counts, bulk update and streaming.
class TRichEditStrings {
public:
    explicit TRichEditStrings(TRxRichEdit *owner) : m_owner(owner) {}

    int LineCount() const;
    void Clear();
    void BeginBulkUpdate();
    void EndBulkUpdate();
    void LoadDocumentStream(QIODevice &stream);
    void SaveDocumentStream(QIODevice &stream);
    void LoadDocumentFile(const QString &path);
    void SaveDocumentFile(const QString &path);

    TRichStreamFormat StreamFormat = TRichStreamFormat::sfDefault;
    TRichStreamModes StreamMode;
    bool hasConverter() const { return bool(m_converter); }

private:
    int basicFormat() const;
    // Runs a file operation with the stream format its extension picks ("txt", "rtf"); the
    // format is restored afterwards, and a failure also drops the converter.
    void withFileFormat(const QString &path, const std::function<void()> &operation);
    TRxRichEdit *m_owner;
    std::unique_ptr<TConversion> m_converter;
    int m_bulk = 0;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TRxRichEdit : public richedit::RichEdit {
    Q_OBJECT
public:
    explicit TRxRichEdit(QWidget *parent = nullptr);
    ~TRxRichEdit() override;

    TRxTextAttributes SelectionFormat{this, TRxTextAttributes::atSelection};
    TRxTextAttributes DefaultFormat{this, TRxTextAttributes::atDefault};
    TRxTextAttributes WordFormat{this, TRxTextAttributes::atWord};
    TRxParaAttributes ParagraphFormat{this};
    TRichEditStrings Lines{this};

    // Properties.
    bool PlainText() const { return m_plainText; }
    void setPlainText(bool on);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void setScrollBars(TScrollStyle s);
    bool HideScrollBars() const { return m_hideScrollBars; }
    void setHideScrollBars(bool on);
    bool SelectionBar() const { return m_selectionBar; }
    void setSelectionBar(bool on);
    bool AllowObjects() const { return m_allowObjects; }
    void setAllowObjects(bool on);
    bool HideSelection() const { return m_hideSel; }
    void setHideSelection(bool on);
    int UndoLimit() const { return undoLimit(); }
    void setUndoLimit(int limit);
    bool AutoURLDetect() const { return autoUrlDetect(); }
    void setAutoURLDetect(bool on) { setAutoUrlDetect(on); }
    bool WordSelection() const { return wordSelection(); }
    void setWordSelection(bool on) { richedit::RichEdit::setWordSelection(on); }
    bool WantTabs() const { return !tabChangesFocus(); }
    void setWantTabs(bool on) { setTabChangesFocus(!on); }
    bool WordWrap() const { return lineWrapMode() != NoWrap; }
    void setWordWrap(bool on);
    bool AllowInPlace() const { return m_allowInPlace; }
    void setAllowInPlace(bool on) { m_allowInPlace = on; }
    bool AutoVerbMenu() const { return m_autoVerbMenu; }
    void setAutoVerbMenu(bool on) { m_autoVerbMenu = on; }
    QString Title() const { return m_title; }
    void setTitle(const QString &t);
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int n);
    TColor Color() const { return m_color; }
    void setColor(TColor c);
    const TFont &Font() const { return m_font; }
    void setFont(const TFont &f);
    richedit::RECT PageArea{180, 180, 1308, 1924};

    // Operations.
    void ClearDocument();
    bool DocumentModified() const { return modify(); }
    void setDocumentModified(bool m) { setModify(m); }
    int SelectionStart() const { return exGetSel().cpMin; }
    void setSelectionStart(int p);
    int SelectionLength() const { const auto r = exGetSel(); return r.cpMax - r.cpMin; }
    void setSelectionLength(int n);
    void ReplaceSelection(const QString &text);
    void SelectEverything() { exSetSel(0, -1); }
    void DeleteSelection() { clearSelection(); }
    void CutSelection() { cutSelection(); }
    void CopySelected() { copy(); }
    void PasteClipboard() { paste(); }
    void UndoStep() { undo(); }
    bool CanUndoStep() const { return canUndo(); }
    void RedoStep() { redo(); }
    bool CanRedoStep() const { return ControlLibraryVersion >= 2 && canRedo(); }
    void ForgetUndoHistory() { emptyUndoBuffer(); }
    QPoint CaretLineColumn() const; // x = column, y = line, both zero-based
    void setCaretLineColumn(int line, int column);
    QString TextBetween(int start, int end) const;

    // Embedded objects (RxRichEdObjects.cpp).
    // The pop-up menu assigned to the control (none for the main window's Editor).
    QMenu *PopupMenu = nullptr;
    // The menu the control shows when asked for its pop-up menu: with exactly one object
    // selected, its verb menu headed by "%s Properties"; otherwise the assigned menu.
    QMenu *GetPopupMenu();
    // "%s Properties": the object properties dialog for the selected object; true when the
    // user confirmed it. A changed scale is applied as one undo step.
    bool ObjectPropertiesDialog();
    // Runs a verb of the selected object; failures raise EScrivelleError.
    void DoObjectVerb(int verb);

    // Events.
    std::function<void()> OnChange;
    std::function<void()> OnSelectionChange;
    std::function<void(const QRect &)> OnResizeRequest;
    std::function<void(int start, int end, bool &allow)> OnProtectChange;
    std::function<void(int message, int start, int end, bool &allow)> OnProtectChangeEx;
    std::function<void(bool &keep)> OnSaveClipboard;
    std::function<void(const QString &url, Qt::MouseButton button)> OnURLClick;
    std::function<void(QKeyEvent *)> OnKeyUp;
    std::function<void(QMouseEvent *)> OnMouseDown;

    // Selects the display line at a height of the viewport (extend: from the selection start).
    void selectLineAt(int viewportY, bool extend);

    // The default colour the window-text colour stands for.
    static TColor windowTextRgb() { return 0x000000; }

    // Closes every object of the document without saving (their open copies go); the objects
    // stay in the document. Run by ClearDocument, by "Clear All" and when the window goes.
    void CloseObjects();

protected:
    void contextMenuEvent(QContextMenuEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    void recreateWindow();
    // Objects: the callback and interface of window creation, the host names, the closing
    // of every object at ClearDocument and when the window goes.
    void connectObjects();
    void disconnectObjects();
    void SetHostNames();
    std::unique_ptr<TRichEditOleCallback> m_oleCallback;
    QMenu *m_verbMenu = nullptr;
    // A property of the window itself: a changed value re-creates the window.
    template <typename T>
    void setWindowProperty(T &field, T value);
    void applyWindowStyle();
    void placeSelectionBar();
    static constexpr int kSelectionBarWidth = 8;
    SelectionBarStrip *m_selectionBarStrip = nullptr;
    int textMode() const;

    bool m_plainText = false;
    TScrollStyle m_scrollBars = TScrollStyle::ssBoth;
    bool m_hideScrollBars = true;
    bool m_selectionBar = true;
    bool m_allowObjects = true;
    bool m_allowInPlace = true;
    bool m_autoVerbMenu = true;
    bool m_hideSel = true;
    int m_maxLength = 0;
    TColor m_color = clWindow;
    TFont m_font;
    QString m_title;
};
