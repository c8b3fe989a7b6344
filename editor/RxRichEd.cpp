#include "editor/RxRichEd.h"

#include "app/Exceptions.h"
#include "editor/StreamErrors.h"
#include "files/SafeFile.h"
#include "editor/RichEditOleCallback.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <vector>

using namespace richedit;

int ControlLibraryVersion = 3;

// The strip left of the text in which a click selects the whole display line beside it, a
// double click the paragraph, and a drag whole lines.
class SelectionBarStrip : public QWidget {
public:
    explicit SelectionBarStrip(TRxRichEdit *edit) : QWidget(edit), m_edit(edit)
    {
        setCursor(Qt::ArrowCursor);
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), richedit::colorOf(m_edit->bkgndColor()));
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        m_edit->setFocus();
        m_edit->selectLineAt(int(e->position().y()), e->modifiers() & Qt::ShiftModifier);
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (e->buttons() & Qt::LeftButton)
            m_edit->selectLineAt(int(e->position().y()), true);
    }
    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        QTextCursor c = m_edit->cursorForPosition(QPoint(0, int(e->position().y())));
        c.movePosition(QTextCursor::StartOfBlock);
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        m_edit->exSetSel(c.selectionStart(), c.selectionEnd());
    }

private:
    TRxRichEdit *m_edit;
};

namespace {

COLORREF colorToRgb(TColor c)
{
    if (c == clWindow)
        return 0xFFFFFF;
    if (c == clWindowText || c == clDefault)
        return TRxRichEdit::windowTextRgb();
    return c & 0x00FFFFFF;
}

std::uint32_t charStructSize() { return ControlLibraryVersion == 1 ? 60 : 84; }
std::uint32_t paraStructSize() { return ControlLibraryVersion == 1 ? 156 : 188; }

} // namespace

// ---- character attributes -----------------------------------------------------------------

CHARFORMAT2 TRxTextAttributes::get() const
{
    CHARFORMAT2 cf = m_owner->getCharFormat(m_target);
    cf.cbSize = charStructSize();
    return cf;
}

void TRxTextAttributes::set(const CHARFORMAT2 &cf)
{
    m_owner->setCharFormat(m_target, cf);
}

QString TRxTextAttributes::FaceName() const { return get().szFaceName; }

void TRxTextAttributes::setFaceName(const QString &name)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = CFM_FACE;
    cf.szFaceName = name.left(LF_FACESIZE - 1);
    set(cf);
}

int TRxTextAttributes::Size() const { return get().yHeight / 20; }

void TRxTextAttributes::setSize(int points)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = CFM_SIZE;
    cf.yHeight = points * 20;
    set(cf);
}

TFontStyles TRxTextAttributes::Style() const { return int(get().dwEffects & 0xF); }

void TRxTextAttributes::setStyle(TFontStyles style)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    cf.dwEffects = std::uint32_t(style & 0xF);
    set(cf);
}

void TRxTextAttributes::setStyleBit(TFontStyle bit, bool on)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = std::uint32_t(bit); // CFM_BOLD .. CFM_STRIKEOUT match the style bits
    cf.dwEffects = on ? std::uint32_t(bit) : 0;
    set(cf);
}

std::uint8_t TRxTextAttributes::Charset() const { return get().bCharSet; }

void TRxTextAttributes::setCharset(std::uint8_t charset)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = CFM_CHARSET;
    cf.bCharSet = charset;
    set(cf);
}

TColor TRxTextAttributes::Color() const
{
    const CHARFORMAT2 cf = get();
    return (cf.dwEffects & CFE_AUTOCOLOR) ? clWindowText : cf.crTextColor;
}

void TRxTextAttributes::setColor(TColor color)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = CFM_COLOR;
    if (color == clWindowText || color == clDefault)
        cf.dwEffects = CFE_AUTOCOLOR;
    else
        cf.crTextColor = colorToRgb(color);
    set(cf);
}

TFontPitch TRxTextAttributes::Pitch() const
{
    switch (get().bPitchAndFamily & 3) {
    case 1: return TFontPitch::fpFixed;
    case 2: return TFontPitch::fpVariable;
    default: return TFontPitch::fpDefault;
    }
}

void TRxTextAttributes::AssignFont(const TFont &font)
{
    CHARFORMAT2 cf;
    cf.cbSize = charStructSize();
    cf.dwMask = CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_FACE
        | CFM_COLOR | CFM_CHARSET | CFM_WEIGHT;
    cf.wWeight = std::uint16_t(font.Weight > 0 ? font.Weight : (font.Style & fsBold) ? 700 : 400);
    cf.yHeight = font.Size * 20;
    cf.bPitchAndFamily = font.Pitch == TFontPitch::fpVariable ? 2
        : font.Pitch == TFontPitch::fpFixed ? 1 : 0;
    cf.dwEffects = std::uint32_t(font.Style & 0xF);
    cf.szFaceName = font.Name.left(LF_FACESIZE - 1);
    cf.bCharSet = font.Charset;
    if (font.Color == clWindowText || font.Color == clDefault)
        cf.dwEffects = CFE_AUTOCOLOR; // replaces the style bits: callers set Style again
    else
        cf.crTextColor = colorToRgb(font.Color);
    set(cf);
}

void TRxTextAttributes::Assign(const TRxTextAttributes &source)
{
    set(source.get());
}

void TRxTextAttributes::AssignTo(TFont &font) const
{
    font.Color = Color();
    font.Name = FaceName();
    font.Charset = Charset();
    font.Style = Style();
    font.Size = Size();
    font.Pitch = Pitch();
}

// ---- paragraph attributes -----------------------------------------------------------------

PARAFORMAT2 TRxParaAttributes::get() const
{
    PARAFORMAT2 pf = m_owner->getParaFormat();
    pf.cbSize = paraStructSize();
    return pf;
}

void TRxParaAttributes::set(const PARAFORMAT2 &source)
{
    PARAFORMAT2 pf = source;
    if ((pf.dwMask & PFM_ALIGNMENT) && m_owner->layoutDirection() == Qt::RightToLeft) {
        if (pf.wAlignment == PFA_LEFT)
            pf.wAlignment = PFA_RIGHT;
        else if (pf.wAlignment == PFA_RIGHT)
            pf.wAlignment = PFA_LEFT;
    }
    m_owner->setParaFormat(pf);
}

void TRxParaAttributes::writeReadFirst(std::uint32_t mask,
                                       const std::function<void(PARAFORMAT2 &)> &fill)
{
    PARAFORMAT2 pf = get();
    pf.dwMask = mask;
    fill(pf);
    set(pf);
}

TParaAlignment TRxParaAttributes::Alignment() const
{
    const int a = int(get().wAlignment) - 1;
    return TParaAlignment(qBound(0, a, 3));
}

void TRxParaAttributes::setAlignment(TParaAlignment a)
{
    PARAFORMAT2 pf;
    pf.cbSize = paraStructSize();
    pf.dwMask = PFM_ALIGNMENT;
    pf.wAlignment = std::uint16_t(int(a) + 1);
    set(pf);
}

int TRxParaAttributes::FirstIndent() const { return get().dxStartIndent / 20; }
int TRxParaAttributes::LeftIndent() const { return get().dxOffset / 20; }
int TRxParaAttributes::RightIndent() const { return get().dxRightIndent / 20; }
int TRxParaAttributes::SpaceBefore() const { return get().dySpaceBefore / 20; }
int TRxParaAttributes::SpaceAfter() const { return get().dySpaceAfter / 20; }
int TRxParaAttributes::LineSpacing() const { return get().dyLineSpacing / 20; }
int TRxParaAttributes::SpacingRule() const { return get().bLineSpacingRule; }

void TRxParaAttributes::writePoints(std::uint32_t mask, std::int32_t PARAFORMAT2::*field, int points)
{
    PARAFORMAT2 pf;
    pf.dwMask = mask;
    pf.*field = points * 20;
    set(pf);
}

void TRxParaAttributes::setFirstIndent(int points)
{
    writePoints(PFM_STARTINDENT, &PARAFORMAT2::dxStartIndent, points);
}

void TRxParaAttributes::setLeftIndent(int points)
{
    writePoints(PFM_OFFSET, &PARAFORMAT2::dxOffset, points);
}

void TRxParaAttributes::setRightIndent(int points)
{
    writePoints(PFM_RIGHTINDENT, &PARAFORMAT2::dxRightIndent, points);
}

void TRxParaAttributes::setSpaceBefore(int points)
{
    if (ControlLibraryVersion >= 2)
        writePoints(PFM_SPACEBEFORE, &PARAFORMAT2::dySpaceBefore, points);
}

void TRxParaAttributes::setSpaceAfter(int points)
{
    if (ControlLibraryVersion >= 2)
        writePoints(PFM_SPACEAFTER, &PARAFORMAT2::dySpaceAfter, points);
}

void TRxParaAttributes::setLineSpacing(int points)
{
    if (ControlLibraryVersion < 2)
        return;
    writeReadFirst(PFM_LINESPACING, [points](PARAFORMAT2 &pf) { pf.dyLineSpacing = points * 20; });
}

void TRxParaAttributes::setSpacingRule(int rule)
{
    if (ControlLibraryVersion < 2)
        return;
    writeReadFirst(PFM_LINESPACING,
                   [rule](PARAFORMAT2 &pf) { pf.bLineSpacingRule = std::uint8_t(rule); });
}

void TRxParaAttributes::setBulleted(bool on)
{
    if (!on)
        setLeftIndent(0);
    else if (LeftIndent() < 10)
        setLeftIndent(10);
    PARAFORMAT2 pf;
    pf.dwMask = PFM_NUMBERING;
    pf.wNumbering = on ? PFN_BULLET : 0;
    set(pf);
}

int TRxParaAttributes::TabStop(int index) const
{
    if (index < 0 || index >= MAX_TAB_STOPS)
        return 0;
    return get().rgxTabs[size_t(index)] / 20;
}

void TRxParaAttributes::setTabStop(int index, int points)
{
    if (index < 0 || index >= MAX_TAB_STOPS)
        return;
    writeReadFirst(PFM_TABSTOPS, [index, points](PARAFORMAT2 &pf) {
        pf.rgxTabs[size_t(index)] = points * 20;
        if (pf.cTabCount < index)
            pf.cTabCount = std::int16_t(index);
    });
}

int TRxParaAttributes::TabStopCount() const { return get().cTabCount; }

void TRxParaAttributes::setTabStopCount(int count)
{
    writeReadFirst(PFM_TABSTOPS, [count](PARAFORMAT2 &pf) {
        pf.cTabCount = std::int16_t(qBound(0, count, MAX_TAB_STOPS));
    });
}

// ---- line break normalisation -------------------------------------------------------------

int LineBreakNormalizer::convert(const char *in, int size, char *out)
{
    int n = 0;
    for (int i = 0; i < size; ++i) {
        const char c = in[i];
        if (m_pendingCR) {
            out[n++] = '\r';
            out[n++] = '\n';
            m_pendingCR = false;
            if (c == '\n')
                continue; // the LF of a CR LF pair
        }
        if (c == '\r') {
            m_pendingCR = true;
        } else if (c == '\n') {
            out[n++] = '\r';
            out[n++] = '\n';
        } else {
            out[n++] = c;
        }
    }
    return n;
}

int LineBreakNormalizer::finish(char *out)
{
    if (!m_pendingCR)
        return 0;
    m_pendingCR = false;
    out[0] = '\r';
    out[1] = '\n';
    return 2;
}

// ---- streams ------------------------------------------------------------------------------

qint64 TConversion::ConvertReadStream(QIODevice &stream, char *buffer, qint64 count)
{
    return stream.read(buffer, count);
}

qint64 TConversion::ConvertWriteStream(QIODevice &stream, const char *buffer, qint64 count)
{
    return stream.write(buffer, count);
}

int TRichEditStrings::LineCount() const
{
    const int count = m_owner->lineCount();
    const int lastStart = m_owner->lineIndex(count - 1);
    if (lastStart >= 0 && m_owner->lineLength(lastStart) == 0)
        return count - 1;
    return count;
}

void TRichEditStrings::Clear() { m_owner->ClearDocument(); }

void TRichEditStrings::BeginBulkUpdate()
{
    if (m_bulk++ == 0 && m_owner->isVisible())
        m_owner->setUpdatesEnabled(false);
}

void TRichEditStrings::EndBulkUpdate()
{
    if (m_bulk == 0 || --m_bulk > 0)
        return;
    if (m_owner->isVisible())
        m_owner->setUpdatesEnabled(true);
    m_owner->viewport()->update();
}

int TRichEditStrings::basicFormat() const
{
    switch (StreamFormat) {
    case TRichStreamFormat::sfRichText: return SF_RTF;
    case TRichStreamFormat::sfPlainText: return SF_TEXT;
    default: return m_owner->PlainText() ? SF_TEXT : SF_RTF;
    }
}

void TRichEditStrings::LoadDocumentStream(QIODevice &stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion *converter = m_converter.get();
    if (!converter) {
        temporary = std::make_unique<TConversion>();
        converter = temporary.get();
    }
    const qint64 position = stream.pos();
    const int basic = basicFormat();
    int flags = basic;
    if (basic == SF_RTF && StreamMode.testFlag(smPlainRtf))
        flags |= SFF_PLAINRTF;
    if (basic == SF_TEXT && StreamMode.testFlag(smUnicode) && ControlLibraryVersion >= 2)
        flags |= SF_UNICODE;
    if (StreamMode.testFlag(smSelection))
        flags |= SFF_SELECTION;

    auto attempt = [&](int format) {
        LineBreakNormalizer normalizer;
        bool ended = false;
        std::vector<char> chunk;
        EDITSTREAM es;
        es.pfnCallback = [&](char *buffer, int cb, int *pcb) -> int {
            *pcb = 0;
            if (ended)
                return 0;
            try {
                // A chunk that is only a CR gives no bytes yet: read on, since a count of 0
                // would end the transfer.
                while (*pcb == 0 && !ended) {
                    // Half the buffer, less room for a CR LF still owed from the last chunk.
                    const int want = cb / 2 - (normalizer.pendingCR() ? 1 : 0);
                    chunk.resize(size_t(qMax(want, 1)));
                    const qint64 got = converter->ConvertReadStream(stream, chunk.data(), want);
                    if (got < 0)
                        return 1;
                    if (got == 0) {
                        ended = true;
                        *pcb = normalizer.finish(buffer);
                    } else {
                        *pcb = normalizer.convert(chunk.data(), int(got), buffer);
                    }
                }
                return 0;
            } catch (...) {
                return 1;
            }
        };
        m_owner->streamIn(format, es);
        // Past the control's limit the load stops at once: reading it again in the other
        // format would only pass the limit again.
        if (es.dwError == RichEdit::StreamErrorTooLarge)
            throw EScrivelleError(documentTooLargeMessage(m_owner->textLimit()));
        return es.dwError == 0;
    };

    if (!attempt(flags)) {
        // The retry reads the same bytes from the start; a stream that cannot go back (and
        // so would hand the retry only what the first try left) fails the load instead.
        if (!stream.seek(position) || !attempt(basic == SF_RTF ? SF_TEXT : SF_RTF))
            throw EScrivelleError(QStringLiteral("Failed to Load Stream"));
    }
    m_owner->exSetSel(0, 0);
    m_owner->scrollCaret();
}

void TRichEditStrings::SaveDocumentStream(QIODevice &stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion *converter = m_converter.get();
    if (!converter) {
        temporary = std::make_unique<TConversion>();
        converter = temporary.get();
    }
    const int basic = basicFormat();
    int flags = basic;
    if (basic == SF_RTF) {
        if (StreamMode.testFlag(smNoObjects))
            flags = SF_RTFNOOBJS;
        if (StreamMode.testFlag(smPlainRtf))
            flags |= SFF_PLAINRTF;
    } else if (StreamMode.testFlag(smUnicode) && ControlLibraryVersion >= 2) {
        flags |= SF_UNICODE;
    }
    if (StreamMode.testFlag(smSelection))
        flags |= SFF_SELECTION;
    EDITSTREAM es;
    es.pfnCallback = [&](char *buffer, int cb, int *pcb) -> int {
        try {
            const qint64 n = converter->ConvertWriteStream(stream, buffer, cb);
            if (n != cb)
                return 2;
            *pcb = int(n);
            return 0;
        } catch (...) {
            return 2;
        }
    };
    m_owner->streamOut(flags, es);
    if (es.dwError != 0)
        throw EScrivelleError(QStringLiteral("Failed to Save Stream"));
}

namespace {
// The conversion table of file operations: extension -> stream format for its duration.
bool formatForExtension(const QString &path, TRichStreamFormat *format)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("txt")) {
        *format = TRichStreamFormat::sfPlainText;
        return true;
    }
    if (ext == QLatin1String("rtf")) {
        *format = TRichStreamFormat::sfRichText;
        return true;
    }
    return false;
}
} // namespace

void TRichEditStrings::withFileFormat(const QString &path, const std::function<void()> &operation)
{
    const TRichStreamFormat previous = StreamFormat;
    TRichStreamFormat format;
    if (formatForExtension(path, &format)) {
        if (!m_converter)
            m_converter = std::make_unique<TConversion>();
        StreamFormat = format;
    }
    try {
        operation();
    } catch (...) {
        StreamFormat = previous;
        m_converter.reset();
        throw;
    }
    StreamFormat = previous;
}

void TRichEditStrings::LoadDocumentFile(const QString &path)
{
    withFileFormat(path, [&] {
        // Only regular files: a named pipe or a device would wait or never end.
        QFile file;
        if (!files::openRegularFile(file, path))
            throw EScrivelleError(QStringLiteral("Cannot open file %1").arg(path));
        LoadDocumentStream(file);
    });
}

void TRichEditStrings::SaveDocumentFile(const QString &path)
{
    withFileFormat(path, [&] {
        // Written beside the target and put in its place only when every write, the flush
        // and the sync succeeded, so a failed save (a full disk among others) never destroys
        // or cuts the previous file.
        files::SafeSaveFile file(path);
        if (!file.open())
            throw EScrivelleError(QStringLiteral("Cannot create file %1").arg(path));
        SaveDocumentStream(file);
        if (!file.commit())
            throw EScrivelleError(QStringLiteral("Failed to Save Stream"));
    });
}

// ---- the control --------------------------------------------------------------------------

TRxRichEdit::TRxRichEdit(QWidget *parent) : RichEdit(parent)
{
    resize(185, 89);
    setFocusPolicy(Qt::StrongFocus);
    setEventMask(ENM_CHANGE | ENM_REQUESTRESIZE | ENM_SELCHANGE | ENM_PROTECTED
                 | (ControlLibraryVersion >= 2 ? ENM_LINK : 0));
    setBkgndColor(colorToRgb(m_color));
    exLimitText(0xFFFFFF);
    RichEdit::setUndoLimit(100);
    setAutoUrlDetect(true);
    setLangOptions(0x2);
    setTextMode(TM_RICHTEXT | TM_MULTILEVELUNDO);
    applyWindowStyle();
    hideSelection(m_hideSel);

    connect(this, &RichEdit::changeNotify, this, [this] {
        if (OnChange)
            OnChange();
    });
    connect(this, &RichEdit::selChangeNotify, this, [this] {
        if (OnSelectionChange)
            OnSelectionChange();
    });
    connect(this, &RichEdit::requestResizeNotify, this, [this](const QRect &r) {
        if (OnResizeRequest)
            OnResizeRequest(r);
    });
    connect(this, &RichEdit::protectedNotify, this, [this](int from, int to, bool *allow) {
        *allow = false;
        if (OnProtectChangeEx)
            OnProtectChangeEx(0, from, to, *allow);
        else if (OnProtectChange)
            OnProtectChange(from, to, *allow);
    });
    connect(this, &RichEdit::linkNotify, this, [this](const QString &url, Qt::MouseButton b) {
        if (OnURLClick)
            OnURLClick(url, b);
    });
    connect(this, &RichEdit::saveClipboardNotify, this, [this](bool *keep) {
        if (OnSaveClipboard)
            OnSaveClipboard(*keep);
    });
    // A scroll bar that must stay visible shows disabled while nothing scrolls.
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int max) {
        verticalScrollBar()->setEnabled(max > 0);
    });
    if (m_allowObjects)
        connectObjects();
}

TRxRichEdit::~TRxRichEdit()
{
    releaseClipboard(); // while OnSaveClipboard can still answer
    CloseObjects();
    disconnectObjects();
}

void TRxRichEdit::applyWindowStyle()
{
    const auto policy = m_hideScrollBars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
    const bool vertical = m_scrollBars == TScrollStyle::ssVertical || m_scrollBars == TScrollStyle::ssBoth;
    const bool horizontal = (m_scrollBars == TScrollStyle::ssHorizontal
                             || m_scrollBars == TScrollStyle::ssBoth) && !WordWrap();
    setVerticalScrollBarPolicy(vertical ? policy : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? policy : Qt::ScrollBarAlwaysOff);
    setViewportMargins(m_selectionBar ? kSelectionBarWidth : 0, 0, 0, 0);
    if (!m_selectionBarStrip) {
        m_selectionBarStrip = new SelectionBarStrip(this);
    }
    m_selectionBarStrip->setVisible(m_selectionBar);
    placeSelectionBar();
}

void TRxRichEdit::placeSelectionBar()
{
    if (m_selectionBarStrip) {
        const QRect vp = viewport()->geometry();
        m_selectionBarStrip->setGeometry(vp.left() - kSelectionBarWidth, vp.top(),
                                         kSelectionBarWidth, vp.height());
    }
}

void TRxRichEdit::resizeEvent(QResizeEvent *e)
{
    RichEdit::resizeEvent(e);
    placeSelectionBar();
}

void TRxRichEdit::selectLineAt(int viewportY, bool extend)
{
    const QTextCursor at = cursorForPosition(QPoint(0, viewportY));
    const int line = lineFromChar(at.position());
    const int start = lineIndex(line);
    const int next = lineIndex(line + 1);
    const int end = next < 0 ? textLength() : next;
    if (extend)
        exSetSel(qMin(SelectionStart(), start), qMax(SelectionStart() + SelectionLength(), end));
    else
        exSetSel(start, end);
}

int TRxRichEdit::textMode() const
{
    return (m_plainText ? TM_PLAINTEXT : TM_RICHTEXT)
        | (UndoLimit() > 1 ? TM_MULTILEVELUNDO : TM_SINGLELEVELUNDO);
}

void TRxRichEdit::recreateWindow()
{
    // The document goes through a memory stream in the current format and mode; the modified
    // flag is carried over; undo history does not survive.
    const bool modified = modify();
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    saved.write("\0", 1);
    Lines.SaveDocumentStream(saved);
    saved.seek(0);
    CloseObjects(); // the old window goes: its objects are closed and the interface released
    disconnectObjects();
    resetDocument();
    applyWindowStyle();
    setTextMode(textMode());
    if (m_allowObjects)
        connectObjects();
    char marker;
    saved.read(&marker, 1);
    Lines.LoadDocumentStream(saved);
    setModify(modified);
    exSetSel(0, 0);
}

template <typename T>
void TRxRichEdit::setWindowProperty(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    recreateWindow();
}

void TRxRichEdit::setScrollBars(TScrollStyle s) { setWindowProperty(m_scrollBars, s); }
void TRxRichEdit::setHideScrollBars(bool on) { setWindowProperty(m_hideScrollBars, on); }
void TRxRichEdit::setSelectionBar(bool on) { setWindowProperty(m_selectionBar, on); }
void TRxRichEdit::setAllowObjects(bool on) { setWindowProperty(m_allowObjects, on); }

void TRxRichEdit::setHideSelection(bool on)
{
    if (on == m_hideSel)
        return;
    m_hideSel = on;
    hideSelection(on);
}

void TRxRichEdit::setUndoLimit(int limit)
{
    if (ControlLibraryVersion >= 2)
        RichEdit::setUndoLimit(limit);
}

void TRxRichEdit::setWordWrap(bool on)
{
    setLineWrapMode(on ? WidgetWidth : NoWrap);
    applyWindowStyle();
}

void TRxRichEdit::setMaxLength(int n)
{
    m_maxLength = n;
    exLimitText(n == 0 ? 0xFFFFFF : n);
}

void TRxRichEdit::setColor(TColor c)
{
    m_color = c;
    setBkgndColor(colorToRgb(c));
}

void TRxRichEdit::setFont(const TFont &f)
{
    m_font = f;
    DefaultFormat.AssignFont(f);
}

void TRxRichEdit::setPlainText(bool on)
{
    if (on == m_plainText)
        return;
    const TRichStreamFormat format = Lines.StreamFormat;
    const TRichStreamModes mode = Lines.StreamMode;
    QBuffer memory;
    memory.open(QIODevice::ReadWrite);
    Lines.StreamFormat = on ? TRichStreamFormat::sfPlainText : TRichStreamFormat::sfRichText;
    Lines.StreamMode = {};
    try {
        Lines.SaveDocumentStream(memory);
        setEventMask(eventMask() & ~ENM_CHANGE);
        setWindowText(QString());
        m_plainText = on;
        setTextMode(textMode());
        setEventMask(eventMask() | ENM_CHANGE);
        memory.seek(0);
        Lines.LoadDocumentStream(memory);
    } catch (...) {
        setEventMask(eventMask() | ENM_CHANGE);
        Lines.StreamFormat = format;
        Lines.StreamMode = mode;
        throw;
    }
    Lines.StreamFormat = format;
    Lines.StreamMode = mode;
}

void TRxRichEdit::ClearDocument()
{
    CloseObjects();
    setWindowText(QString());
    setModify(false);
}

void TRxRichEdit::setSelectionStart(int p)
{
    exSetSel(p, p);
}

void TRxRichEdit::setSelectionLength(int n)
{
    const int start = SelectionStart();
    exSetSel(start, start + n);
    scrollCaret();
}

void TRxRichEdit::ReplaceSelection(const QString &text)
{
    const int start = SelectionStart();
    replaceSel(text, UndoLimit() > 1 && ControlLibraryVersion >= 2);
    const qsizetype zero = text.indexOf(QChar(0));
    const int length = int(zero < 0 ? text.size() : zero);
    exSetSel(start, start + length);
    scrollCaret();
}

QPoint TRxRichEdit::CaretLineColumn() const
{
    const CHARRANGE r = exGetSel();
    const int line = lineFromChar(r.cpMax);
    const int column = r.cpMax - lineIndex(-1);
    return QPoint(column, line);
}

void TRxRichEdit::setCaretLineColumn(int line, int column)
{
    const int p = lineIndex(line) + column;
    setSel(p, p);
}

QString TRxRichEdit::TextBetween(int start, int end) const
{
    return textRange(start, end).left(qMax(0, end - start));
}

void TRxRichEdit::keyReleaseEvent(QKeyEvent *e)
{
    RichEdit::keyReleaseEvent(e);
    if (OnKeyUp)
        OnKeyUp(e);
}

void TRxRichEdit::mousePressEvent(QMouseEvent *e)
{
    RichEdit::mousePressEvent(e);
    if (OnMouseDown)
        OnMouseDown(e);
}
