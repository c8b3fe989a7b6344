// The engine's clipboard and drop handling and its embedded objects: RTF, pictures and text
// come in by paste and drop; pictures are objects only while a host callback is set.
#include "RichEdit.h"

#include "FormatMapping.h"
#include "PageUnits.h"
#include "Pictures.h"
#include "RichEditOle.h"
#include "TableCells.h"
#include "rtf/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace richedit {

namespace {

const QString kRtfTypes[] = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")};

// The number of picture characters in [from, to).
int countPictures(const QTextDocument *doc, int from, int to)
{
    int count = 0;
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().isImageFormat())
                count += qMax(0, qMin(to, f.position() + f.length()) - qMax(from, f.position()));
        }
    }
    return count;
}

// The picture's data through the host's storage: written there and read back. Empty when the
// storage fails.
std::optional<QByteArray> throughStorage(QIODevice &storage, const QByteArray &data)
{
    if (!storage.isOpen() && !storage.open(QIODevice::ReadWrite))
        return std::nullopt;
    if (storage.write(data) != data.size() || !storage.seek(0))
        return std::nullopt;
    const QByteArray back = storage.read(data.size());
    if (back.size() != data.size())
        return std::nullopt;
    return back;
}

// The selection for the clipboard: the formats the engine writes itself (Rich Text, plain
// text, pictures) and those of the text control (HTML, ...), which it makes only when they
// are asked for. The control's own plain text would replace the engine's when it makes them.
class SelectionMimeData : public QMimeData {
public:
    explicit SelectionMimeData(QMimeData *rich) : m_rich(rich) {}
    QStringList formats() const override
    {
        QStringList all = QMimeData::formats();
        for (const QString &f : m_rich->formats())
            if (!all.contains(f))
                all << f;
        return all;
    }
    bool hasFormat(const QString &format) const override { return formats().contains(format); }

protected:
    QVariant retrieveData(const QString &format, QMetaType type) const override
    {
        if (QMimeData::formats().contains(format))
            return QMimeData::retrieveData(format, type);
        return m_rich->data(format);
    }

private:
    std::unique_ptr<QMimeData> m_rich;
};

} // namespace

// ---- clipboard and drop -------------------------------------------------------------------

QMimeData *RichEdit::createMimeDataFromSelection() const
{
    auto *data = new SelectionMimeData(QTextEdit::createMimeDataFromSelection());
    const QTextCursor c = textCursor();
    QByteArray rtfBytes;
    const auto sink = [&rtfBytes](const char *d, qint64 n) {
        rtfBytes.append(d, n);
        return true;
    };
    // A block of table cells is copied as a table of those cells alone; its positions would
    // take in cells beside the block and leave out the last cell's text.
    if (const std::unique_ptr<QTextDocument> cells = copyOfSelectedCells(c))
        rtf::writeRtf(*cells, 0, cells->characterCount() - 1, sink);
    else
        rtf::writeRtf(*document(), c.selectionStart(), c.selectionEnd(), sink);
    data->setData(kRtfTypes[0], rtfBytes);
    data->setData(kRtfTypes[1], rtfBytes);
    data->setText(plainTextOfSelection(c));
    if (selectionType() == SEL_OBJECT) { // one picture: also as a picture for other programs
        QTextCursor at = c;
        at.setPosition(c.selectionEnd());
        const QTextImageFormat f = at.charFormat().toImageFormat();
        const bool jpeg = f.stringProperty(prop::ImageKind) == QLatin1String("jpeg");
        data->setData(jpeg ? QStringLiteral("image/jpeg") : QStringLiteral("image/png"),
                      pictureBytes(document(), f));
        data->setImageData(pictureImage(document(), f));
    }
    return data;
}

bool RichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasFormat(kRtfTypes[0]) || source->hasFormat(kRtfTypes[1])
        || (m_oleCallback && !m_plainMode && mayOfferPicture(source))
        || QTextEdit::canInsertFromMimeData(source);
}

bool RichEdit::insertRtfFromMimeData(const QMimeData *source, QTextCursor &c)
{
    rtf::ReadOptions options;
    options.noObjects = !m_oleCallback; // no host: no objects come in
    for (const QString &type : kRtfTypes) {
        if (!source->hasFormat(type))
            continue;
        const QByteArray bytes = source->data(type);
        qint64 at = 0;
        c.beginEditBlock();
        const rtf::ReadResult r = rtf::readRtf(
            [&](char *buf, qint64 max) {
                const qint64 n = qMin(max, qint64(bytes.size()) - at);
                memcpy(buf, bytes.constData() + at, size_t(n));
                at += n;
                return n;
            },
            c, options);
        c.endEditBlock();
        if (r.ok)
            return true;
    }
    return false;
}

void RichEdit::insertFromMimeData(const QMimeData *source)
{
    if (m_oleCallback
        && FAILED(m_oleCallback->QueryAcceptData(source, m_dropping ? RECO_DROP : RECO_PASTE)))
        return;
    QTextCursor c = textCursor();
    if (!m_plainMode) {
        if (source->hasFormat(kRtfTypes[0]) || source->hasFormat(kRtfTypes[1])) {
            if (!allowEdit(c.selectionStart(), c.selectionEnd()))
                return;
            if (insertRtfFromMimeData(source, c)) {
                setTextCursor(c);
                return;
            }
        }
        if (m_oleCallback) {
            const QList<PictureSource> pictures = picturesFromMimeData(source);
            if (!pictures.isEmpty()) {
                insertPictures(pictures);
                return;
            }
        }
    }
    if (!allowEdit(c.selectionStart(), c.selectionEnd()))
        return;
    if (source->hasText()) {
        c.insertText(source->text());
        setTextCursor(c);
        return;
    }
    if (!m_plainMode)
        QTextEdit::insertFromMimeData(source);
}

void RichEdit::dropEvent(QDropEvent *e)
{
    struct Dropping {
        bool &flag;
        explicit Dropping(bool &f) : flag(f) { flag = true; }
        ~Dropping() { flag = false; }
    } dropping(m_dropping);
    QTextEdit::dropEvent(e);
}

// ---- embedded objects ---------------------------------------------------------------------

void RichEdit::setOleCallback(IRichEditOleCallback *callback)
{
    m_oleCallback = callback;
    if (!callback)
        m_ole.reset();
    else if (!m_ole)
        m_ole = std::make_unique<RichEditOle>(this);
}

int RichEdit::selectionType() const
{
    const CHARRANGE r = exGetSel();
    if (r.cpMin == r.cpMax)
        return SEL_EMPTY;
    const int objects = countPictures(document(), r.cpMin, r.cpMax);
    const int chars = r.cpMax - r.cpMin - objects;
    int type = 0;
    if (chars > 0)
        type |= SEL_TEXT;
    if (chars > 1)
        type |= SEL_MULTICHAR;
    if (objects > 0)
        type |= SEL_OBJECT;
    if (objects > 1)
        type |= SEL_MULTIOBJECT;
    return type;
}

bool RichEdit::insertPictures(const QList<PictureSource> &pictures)
{
    if (!m_oleCallback || m_plainMode || pictures.isEmpty())
        return false;
    QTextCursor c = textCursor();
    // Storage and leave for every picture first, so that a refusal changes nothing.
    QList<PictureSource> accepted;
    for (const PictureSource &picture : pictures) {
        std::unique_ptr<QIODevice> storage;
        if (FAILED(m_oleCallback->GetNewStorage(storage)) || !storage)
            return false;
        PictureSource kept = picture;
        QByteArray data = picture.bytes;
        if (data.isEmpty()) { // a bitmap is stored as PNG
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            picture.image.save(&buffer, "PNG");
        }
        const std::optional<QByteArray> stored = throughStorage(*storage, data);
        if (!stored)
            return false;
        if (!picture.bytes.isEmpty())
            kept.bytes = *stored;
        QTextImageFormat probe;
        probe.setProperty(prop::ImageKind, picture.kind);
        if (FAILED(m_oleCallback->QueryInsertObject(pictureTypeName(probe), c.selectionStart())))
            return false;
        accepted.append(kept);
    }
    if (!allowEdit(c.selectionStart(), c.selectionEnd()))
        return false;
    QTextCharFormat textFormat = c.charFormat();
    if (textFormat.isImageFormat())
        textFormat = c.blockCharFormat();
    c.beginEditBlock();
    c.removeSelectedText();
    for (const PictureSource &picture : accepted)
        c.insertImage(pictureFormat(document(), picture));
    c.endEditBlock();
    c.setCharFormat(textFormat); // typing after the picture goes on in the text's format
    setTextCursor(c);
    return true;
}

bool RichEdit::setPictureScale(int cp, int scaleX, int scaleY)
{
    QTextCursor c(document());
    if (cp < 0 || cp >= textLength())
        return false;
    c.setPosition(cp);
    c.setPosition(cp + 1, QTextCursor::KeepAnchor);
    if (!c.charFormat().isImageFormat())
        return false;
    QTextImageFormat f = c.charFormat().toImageFormat();
    richedit::setPictureScale(f, scaleX, scaleY);
    c.setCharFormat(f);
    return true;
}

int RichEdit::pictureAt(const QPoint &viewportPoint) const
{
    const QPointF at = viewportPoint + QPointF(horizontalScrollBar()->value(),
                                               verticalScrollBar()->value());
    const int pos = cursorForPosition(viewportPoint).position();
    QTextDocument *doc = document();
    for (int cp : {pos - 1, pos}) {
        if (cp < 0 || cp >= textLength()
            || doc->characterAt(cp) != QChar::ObjectReplacementCharacter)
            continue;
        const QTextBlock b = doc->findBlock(cp);
        doc->documentLayout()->blockBoundingRect(b); // laid out
        const QTextLayout *l = b.layout();
        if (!l)
            continue;
        const QTextLine line = l->lineForTextPosition(cp - b.position());
        if (!line.isValid())
            continue;
        const qreal x1 = line.cursorToX(cp - b.position());
        const qreal x2 = line.cursorToX(cp - b.position() + 1);
        // (a paragraph in a table cell is laid out in the cell's place)
        const QPointF origin = blockOffset(b) + l->position();
        const QRectF area(origin.x() + qMin(x1, x2), origin.y() + line.y(), qAbs(x2 - x1),
                          line.height());
        if (area.contains(at))
            return cp;
    }
    return -1;
}

} // namespace richedit
