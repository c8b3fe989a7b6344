#pragma once
// The rich edit engine: a QTextEdit that answers the classic rich edit messages (one typed
// method per message, same structures and units), so the rich text control above it can be
// written exactly against them. Works shown or hidden; headless jobs use it unshown.

#include "RichEditTypes.h"

#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>
#include <memory>

class QTextDocument;

namespace richedit {

class FormatRangeCache;

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
    int textLength() const; // EM_GETTEXTLENGTHEX: characters, one per paragraph break
    QString textRange(int cpMin, int cpMax) const; // paragraph breaks as CR
    QString windowText() const; // paragraph breaks as CR LF
    void setWindowText(const QString &text);

    // ---- line metrics on the control's own layout (display lines) ----
    int lineCount() const;              // EM_GETLINECOUNT, at least 1
    int lineFromChar(int cp) const;     // EM_EXLINEFROMCHAR
    int lineIndex(int line) const;      // EM_LINEINDEX: -1 past the last line
    int lineLength(int cp) const;       // EM_LINELENGTH of the line holding cp

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

    // ---- streams (EM_STREAMIN / EM_STREAMOUT) ----
    // The engine offers the callback buffers of this many bytes (4096 unless changed, 4 at least).
    void setStreamBufferSize(int bytes) { m_streamBuffer = qMax(4, bytes); }
    int streamIn(int format, EDITSTREAM &es);
    int streamOut(int format, EDITSTREAM &es);

    // ---- EM_FORMATRANGE ----
    // fr == nullptr frees the cached layout. Returns the first character that did not fit.
    int formatRange(const FORMATRANGE *fr, bool render);

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

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
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

private:
    void connectDocument();
    void onContentsChange(int position, int removed, int added);
    void detectUrls(int from, int to);
    void stepBulletStyle();
    void moveToNextCell(bool backwards);
    void toggleAllCaps();
    void applyLineSpacingKey(int rule);
    QTextCursor wordCursorAt(int pos) const;
    void paintBullets(QPainter &painter, const QRect &area);

    std::unique_ptr<FormatRangeCache> m_rangeCache;
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
    bool m_clipboardReleased = false; // a whole-document stream-in is running
    QString m_pressedLink;
};

} // namespace richedit
