#pragma once
// The rich edit engine: a QTextEdit that answers the classic rich edit messages (one typed
// method per message, same structures and units), so the rich text control above it can be
// written exactly against them. Works shown or hidden; headless jobs use it unshown.

#include "RichEditTypes.h"

#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>
#include <memory>

class QTextBlock;
class QTextDocument;
class QTimer;

namespace richedit {

class TypingLayout;

class FormatRangeCache;
class IRichEditOleCallback;
class RichEditOle;
struct PictureSource;

class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEdit(QWidget *parent = nullptr);
    ~RichEdit() override;

    // ---- character and paragraph formats (EM_GET/SETCHARFORMAT, EM_GET/SETPARAFORMAT) ----
    CHARFORMAT2 getCharFormat(int scf) const;
    bool setCharFormat(int scf, const CHARFORMAT2 &cf);
    PARAFORMAT2 getParaFormat() const;
    bool setParaFormat(const PARAFORMAT2 &pf);

    // ---- selection and text ----
    CHARRANGE exGetSel() const;
    void exSetSel(int cpMin, int cpMax); // cpMax -1: to the end; no scrolling
    void setSel(int cpMin, int cpMax) { exSetSel(cpMin, cpMax); }
    void scrollCaret();
    void replaceSel(const QString &text, bool canUndo);
    void clearSelection(); // WM_CLEAR
    void cutSelection();   // WM_CUT: refused for protected text; objects cut are deleted
    int textLength() const; // EM_GETTEXTLENGTHEX: characters, one per paragraph break
    QString textRange(int cpMin, int cpMax) const; // paragraph breaks as CR
    QString windowText() const; // paragraph breaks as CR LF
    void setWindowText(const QString &text);
    // The whole document replaced by text with default formats, as one step that undo can take
    // back (setWindowText empties the undo history instead).
    void replaceAll(const QString &text);
    // The control's document becomes a copy of source's (text, formats, tables, the
    // document's settings), as a load makes it, with an empty undo history. source is not
    // laid out by it.
    void copyDocumentOf(const QTextDocument &source);

    // ---- line metrics on the control's own layout (display lines) ----
    int lineCount() const;              // EM_GETLINECOUNT, at least 1
    int lineFromChar(int cp) const;     // EM_EXLINEFROMCHAR
    int lineIndex(int line) const;      // EM_LINEINDEX: -1 past the last line
    int lineLength(int cp) const;       // EM_LINELENGTH of the line holding cp
    // True when the line metrics can be answered without laying anything out.
    bool lineMetricsCurrent() const;
    // True when they can be answered without a noticeable wait: current, or only edits over a
    // short stretch since the last complete layout (their paragraphs alone are counted again),
    // or a document short enough, or a hidden control (which always lays out in one go).
    bool lineMetricsAtHand() const;
    // Lays the document out from the event loop, a few milliseconds at a time, with the
    // user's input handled in between, and emits lineMetricsReady() when the line metrics are
    // current. Does nothing (but emit) when they already are.
    void layOutInBackground();
    // A control nobody sees (a conversion on the command line) lays its document out only as
    // far as something asks for its geometry; every question is still answered exactly.
    void setLayoutDeferred(bool on);
    bool layoutDeferred() const { return m_layoutDeferred; }

    // ---- undo and the modified flag ----
    bool canUndo() const;
    bool canRedo() const;
    void emptyUndoBuffer();
    int setUndoLimit(int limit); // returns the limit in force
    int undoLimit() const { return m_undoLimit; }
    bool modify() const;
    void setModify(bool modified);

    // ---- options ----
    void setBkgndColor(COLORREF color);
    COLORREF bkgndColor() const { return m_background; }
    void exLimitText(int limit);
    int textLimit() const { return m_textLimit; }
    void hideSelection(bool hide);
    void setWordSelection(bool on) { m_wordSelection = on; }
    bool wordSelection() const { return m_wordSelection; }
    void setAutoUrlDetect(bool on);
    bool autoUrlDetect() const { return m_autoUrlDetect; }
    void setTypographyOptions(int options) { m_typography = options; }
    int typographyOptions() const { return m_typography; }
    void setLangOptions(int options) { m_langOptions = options; }
    int langOptions() const { return m_langOptions; }
    void setEventMask(std::uint32_t mask) { m_eventMask = mask; }
    std::uint32_t eventMask() const { return m_eventMask; }
    void setTextMode(int mode); // TM_PLAINTEXT or TM_RICHTEXT, only while empty
    bool isPlainTextMode() const { return m_plainMode; }

    // ---- zoom (EM_SETZOOM; Ctrl and the mouse wheel) ----
    // The document is shown larger or smaller: fonts, indents and pictures are laid out for a
    // screen of that many percent of its resolution. No character format changes.
    int zoomPercent() const { return m_zoom; }
    void setZoomPercent(int percent); // bounded to 10..500
    static constexpr int kZoomStep = 10;

    // ---- streams (EM_STREAMIN / EM_STREAMOUT) ----
    // The engine offers the callback buffers of this many bytes (4096 unless changed, 4 at least).
    void setStreamBufferSize(int bytes) { m_streamBuffer = qMax(4, bytes); }
    // EDITSTREAM.dwError of a stream-in stopped because the text passed the control's limit
    // (textLimit()); the document is then left as it was.
    static constexpr int StreamErrorTooLarge = -20;
    // A whole-document stream-in builds the new document apart from the control and puts it in
    // place only when complete: nothing is laid out while it grows (the control lays it out
    // afterwards, the visible part first and the rest in slices from the event loop), and a
    // failed or refused load leaves the control's document as it was.
    int streamIn(int format, EDITSTREAM &es);
    int streamOut(int format, EDITSTREAM &es);

    // ---- EM_FORMATRANGE ----
    // fr == nullptr frees the cached layout. Returns the first character that did not fit.
    int formatRange(const FORMATRANGE *fr, bool render);
    // Most characters the format range lays out at a time (256 K unless changed; tests make it
    // small to cross the borders of the parts).
    void setFormatRangePartSize(int characters);

    // ---- embedded objects (EM_SETOLECALLBACK, EM_GETOLEINTERFACE, EM_SELECTIONTYPE) ----
    // With a host callback the engine accepts objects and has an object interface; nullptr
    // takes both away (objects already in the document stay as they are).
    void setOleCallback(IRichEditOleCallback *callback);
    RichEditOle *getOleInterface() const { return m_ole.get(); }
    int selectionType() const; // SEL_* bits
    // Replaces the selection with pictures as a paste does, asking the host for storage and
    // leave for each; false when there is no host or it refused (the document is unchanged).
    bool insertPictures(const QList<PictureSource> &pictures);
    // Scales the picture at cp (percent of its goal size); one undo step.
    bool setPictureScale(int cp, int scaleX, int scaleY);
    // The picture character whose drawn area holds the viewport point, or -1.
    int pictureAt(const QPoint &viewportPoint) const;

    // ---- the paragraph a position lies in, for painting and tests ----
    QTextCursor engineCursor() const { return textCursor(); }

signals:
    void changeNotify();                          // EN_CHANGE
    void selChangeNotify();                       // EN_SELCHANGE
    void requestResizeNotify(const QRect &rect);  // EN_REQUESTRESIZE
    // EN_PROTECTED: set *allow to let the edit through.
    void protectedNotify(int cpMin, int cpMax, bool *allow);
    void linkNotify(const QString &url, Qt::MouseButton button); // EN_LINK click
    void saveClipboardNotify(bool *keep);         // EN_SAVECLIPBOARD
    // A layout asked for by layOutInBackground() is complete.
    void lineMetricsReady();
    // How far the layout of long paragraphs in slices has got (percent), now and then.
    void layoutProgress(int percent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

    // The edit [from, to) is about to happen; false when protected text refuses it.
    bool allowEdit(int from, int to);
    // Asks whether clipboard data the control owns may stay; derived destructors call it first.
    void releaseClipboard();
    // Replaces the document (used when re-creating the window); undo history goes with it.
    void resetDocument();
    // An empty document with the control's default font and text options, not yet shown.
    std::unique_ptr<QTextDocument> makeDocument() const;
    // Makes fresh the control's document, freeing the old one when the control owned it.
    void adoptDocument(std::unique_ptr<QTextDocument> fresh);

private:
    // Lays the whole document out at the control's width and records each block's display
    // line count; does nothing when neither the text nor the width nor the font changed since
    // the last time.
    void ensureLaidOut() const;
    // Records the display line count of the blocks from first to last (inclusive).
    void recordLineCounts(QTextBlock first, const QTextBlock &last) const;
    void layOutSlice();
    // Waits for the long paragraphs laid out in slices (see TypingLayout).
    void finishSlices() const;
    void onSlicingFinished();
    void onSlicingProgress();
    TypingLayout *typingLayout() const;
    void connectDocument();
    void applyZoom();
    void onContentsChange(int position, int removed, int added);
    void detectUrls(int from, int to);
    // The text of the paragraph to look for links in after a change from `from` to `to`, and
    // (in `start`) where it starts in the document.
    QString urlSearchText(const QTextBlock &block, int from, int to, int *start) const;
    void stepBulletStyle();
    void moveToNextCell(bool backwards);
    void toggleAllCaps();
    void applyLineSpacingKey(int rule);
    QTextCursor wordCursorAt(int pos) const;
    void paintBullets(QPainter &painter, const QRect &area);
    bool protectionAllows(int from, int to);
    void dropPictureFormatAtCaret();
    bool insertRtfFromMimeData(const QMimeData *source, QTextCursor &cursor);

    std::unique_ptr<FormatRangeCache> m_rangeCache;
    std::unique_ptr<QPaintDevice> m_zoomDevice; // the scaled screen the document is laid out for
    int m_zoom = 100;
    int m_zoomWheel = 0; // wheel turned with Ctrl but not yet a whole notch
    COLORREF m_background = 0xFFFFFF;
    int m_textLimit = 0xFFFFFF;
    int m_undoLimit = 100;
    int m_typography = 0;
    int m_langOptions = 0;
    int m_streamBuffer = 4096;
    std::uint32_t m_eventMask = 0;
    bool m_plainMode = false;
    bool m_wordSelection = true;
    bool m_autoUrlDetect = false;
    bool m_hideSelection = true;
    bool m_inUrlDetect = false;
    bool m_loading = false;
    bool m_layoutDeferred = false;
    bool m_clipboardReleased = false; // a whole-document stream-in is running
    QString m_pressedLink;
    // What the last complete layout was made for.
    struct LayoutKey {
        const QTextDocument *doc = nullptr;
        int revision = -1;
        qreal width = -1;
        QString font;
        const QPaintDevice *device = nullptr; // the zoom's device, or none
        bool operator==(const LayoutKey &) const = default;
    };
    LayoutKey currentLayoutKey() const;
    // True when the document changed since the last complete layout by edits only.
    bool onlyEditsSinceLayout(const LayoutKey &now) const;
    mutable LayoutKey m_laidOut;
    // The characters edited since the last complete layout, in the document's present
    // positions ([-1, -1] when none): only their blocks' line counts need recording again.
    mutable int m_changedFrom = -1;
    mutable int m_changedTo = -1;
    mutable bool m_slicing = false;
    QTimer *m_layoutTimer = nullptr; // drives layOutInBackground()
    QTextCursor m_paintedTop; // the paragraph at the top of the last paint over the text
    int m_layoutPosition = 0;        // where the background layout has got to
    bool m_awaitingSlices = false;   // the background layout waits for long paragraphs
    IRichEditOleCallback *m_oleCallback = nullptr;
    std::unique_ptr<RichEditOle> m_ole;
    bool m_dropping = false; // a drop is being inserted (RECO_DROP rather than RECO_PASTE)
};

} // namespace richedit
