#include "RichEditOle.h"

#include "FormatMapping.h"
#include "Pictures.h"
#include "RichEdit.h"
#include "rtf/Rtf.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace richedit {

namespace {

constexpr int kVerbOpen = 0;
constexpr int kVerbCopy = 1;

// Visits the picture characters in [from, to) in order (to < 0: up to the end); stops when
// visit returns false.
template <typename F>
void forEachPicture(const QTextDocument *doc, F visit, int from = 0, int to = -1)
{
    // A document whose formats hold no picture format has no picture: its text is not walked
    // (closing a control of a million paragraphs would otherwise take a second).
    const QList<QTextFormat> formats = doc->allFormats();
    if (std::none_of(formats.cbegin(), formats.cend(),
                     [](const QTextFormat &f) { return f.isImageFormat(); }))
        return;
    if (to < 0)
        to = doc->characterCount();
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            const QTextImageFormat format = fragment.charFormat().toImageFormat();
            const int start = qMax(from, fragment.position());
            const int end = qMin(to, fragment.position() + fragment.length());
            for (int cp = start; cp < end; ++cp)
                if (!visit(cp, format))
                    return;
        }
    }
}

// A picture as an embedded object. It refers to its character by the picture's resource name,
// which stays with the character through undo and redo.
class PictureObject : public IOleObject {
public:
    PictureObject(RichEditOle *ole, const QString &name) : m_ole(ole), m_name(name) {}

    QString GetUserType(int) const override
    {
        QTextImageFormat format;
        int cp = 0;
        return m_ole->find(m_name, format, cp) ? pictureTypeName(format) : QString();
    }

    QList<OLEVERB> EnumVerbs() const override
    {
        const int attributes = OLEVERBATTRIB_ONCONTAINERMENU | OLEVERBATTRIB_NEVERDIRTIES;
        return {{kVerbOpen, QStringLiteral("Open"), attributes},
                {kVerbCopy, QStringLiteral("Copy"), attributes}};
    }

    HRESULT DoVerb(int verb, QWidget *, const QRect &, QString *why) override
    {
        QTextImageFormat format;
        int cp = 0;
        if (!m_ole->find(m_name, format, cp)) {
            if (why)
                *why = QStringLiteral("The object is no longer in the document");
            return E_FAIL;
        }
        const QTextDocument *doc = m_ole->engine()->document();
        if (verb == kVerbCopy) {
            copyToClipboard(doc, format, cp);
            return S_OK;
        }
        if (verb != kVerbOpen) {
            if (why)
                *why = QStringLiteral("The object does not know this action");
            return E_INVALIDARG;
        }
        QString path = m_ole->openCopy(m_name);
        if (path.isEmpty()) {
            const bool jpeg = format.stringProperty(prop::ImageKind) == QLatin1String("jpeg");
            path = m_ole->writeCopy(m_name, pictureBytes(doc, format),
                                    jpeg ? QStringLiteral("jpg") : QStringLiteral("png"),
                                    pictureTypeName(format));
            if (path.isEmpty()) {
                if (why)
                    *why = QStringLiteral("Cannot create a copy of the picture in %1")
                               .arg(QDir::tempPath());
                return E_FAIL;
            }
        }
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
            if (why)
                *why = QStringLiteral("No program to show %1 is set up on this desktop").arg(path);
            return E_FAIL;
        }
        return S_OK;
    }

    HRESULT Close(int) override
    {
        // Nothing is ever changed in the open copy that could be saved back, so every close
        // discards it.
        m_ole->removeCopy(m_name);
        return S_OK;
    }

private:
    static void copyToClipboard(const QTextDocument *doc, const QTextImageFormat &format, int cp)
    {
        auto *data = new QMimeData;
        QByteArray rtfBytes;
        rtf::writeRtf(*doc, cp, cp + 1, [&rtfBytes](const char *d, qint64 n) {
            rtfBytes.append(d, n);
            return true;
        });
        data->setData(QStringLiteral("text/rtf"), rtfBytes);
        data->setData(QStringLiteral("application/rtf"), rtfBytes);
        const bool jpeg = format.stringProperty(prop::ImageKind) == QLatin1String("jpeg");
        data->setData(jpeg ? QStringLiteral("image/jpeg") : QStringLiteral("image/png"),
                      pictureBytes(doc, format));
        data->setImageData(pictureImage(doc, format));
        QGuiApplication::clipboard()->setMimeData(data);
    }

    RichEditOle *m_ole;
    QString m_name;
};

QString fileNameOf(QString text)
{
    for (QChar &c : text)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return text.trimmed();
}

} // namespace

RichEditOle::RichEditOle(RichEdit *engine) : m_engine(engine) {}

RichEditOle::~RichEditOle() = default; // the temporary folder goes with its open copies

int RichEditOle::GetObjectCount() const
{
    int count = 0;
    forEachPicture(m_engine->document(), [&count](int, const QTextImageFormat &) {
        ++count;
        return true;
    });
    return count;
}

std::shared_ptr<IOleObject> RichEditOle::objectFor(const QString &name)
{
    std::shared_ptr<IOleObject> &object = m_objects[name];
    if (!object)
        object = std::make_shared<PictureObject>(this, name);
    return object;
}

HRESULT RichEditOle::GetObject(int index, REOBJECT &object, std::uint32_t flags)
{
    const QTextDocument *doc = m_engine->document();
    int cp = -1;
    QTextImageFormat format;
    if (index == REO_IOB_SELECTION) {
        const CHARRANGE sel = m_engine->exGetSel();
        if (sel.cpMax - sel.cpMin != 1)
            return E_INVALIDARG;
        QTextCursor c(const_cast<QTextDocument *>(doc));
        c.setPosition(sel.cpMax);
        if (!c.charFormat().isImageFormat() || doc->characterAt(sel.cpMin)
                                                   != QChar::ObjectReplacementCharacter)
            return E_INVALIDARG;
        cp = sel.cpMin;
        format = c.charFormat().toImageFormat();
    } else {
        int i = 0;
        forEachPicture(doc, [&](int at, const QTextImageFormat &f) {
            if (i++ != index)
                return true;
            cp = at;
            format = f;
            return false;
        });
        if (cp < 0)
            return E_INVALIDARG;
    }
    object.cp = cp;
    object.sizel = QSize(pixelsToTwips(format.width()), pixelsToTwips(format.height()));
    object.dwFlags = 0;
    if (m_openCopies.count(format.name()))
        object.dwFlags |= REO_OPEN;
    const CHARRANGE sel = m_engine->exGetSel();
    if (sel.cpMin <= cp && cp < sel.cpMax)
        object.dwFlags |= REO_SELECTED;
    object.poleobj = (flags & REO_GETOBJ_POLEOBJ) ? objectFor(format.name()) : nullptr;
    return S_OK;
}

HRESULT RichEditOle::SetHostNames(const QString &container, const QString &document)
{
    m_container = container;
    m_document = document;
    return S_OK;
}

bool RichEditOle::find(const QString &name, QTextImageFormat &format, int &cp) const
{
    bool found = false;
    forEachPicture(m_engine->document(), [&](int at, const QTextImageFormat &f) {
        if (f.name() != name)
            return true;
        format = f;
        cp = at;
        found = true;
        return false;
    });
    return found;
}

QString RichEditOle::openCopy(const QString &name) const
{
    const auto it = m_openCopies.find(name);
    return it != m_openCopies.end() && QFile::exists(it->second) ? it->second : QString();
}

QString RichEditOle::writeCopy(const QString &name, const QByteArray &bytes,
                               const QString &suffix, const QString &typeName)
{
    if (!m_copies) {
        m_copies = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                   + QStringLiteral("/scrivelle-objects-XXXXXX"));
        if (!m_copies->isValid()) {
            m_copies.reset();
            return {};
        }
    }
    // Each copy in a folder of its own, made exclusively, so that its name can tell the
    // viewer what it shows: "PNG Image in Document One.png".
    QDir root(m_copies->path());
    QString folder;
    for (int n = 1; n < 100000; ++n) {
        if (root.mkdir(QString::number(n))) {
            folder = root.filePath(QString::number(n));
            break;
        }
    }
    if (folder.isEmpty())
        return {};
    const QString host = m_document.trimmed().isEmpty() ? m_container : m_document;
    QString base = host.isEmpty() ? typeName : typeName + QStringLiteral(" in ") + host;
    base = fileNameOf(base);
    if (base.isEmpty())
        base = QStringLiteral("picture");
    const QString path = QDir(folder).filePath(base + QLatin1Char('.') + suffix);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size()
        || !file.flush()) {
        file.close();
        QFile::remove(path);
        QDir().rmdir(folder);
        return {};
    }
    m_openCopies[name] = path;
    return path;
}

void RichEditOle::notifyDeletion(int from, int to, IRichEditOleCallback *callback)
{
    if (!callback)
        return;
    QStringList names;
    forEachPicture(m_engine->document(), [&names](int, const QTextImageFormat &f) {
        names.append(f.name());
        return true;
    }, from, to);
    for (const QString &name : names)
        callback->DeleteObject(objectFor(name).get());
}

void RichEditOle::removeCopy(const QString &name)
{
    const auto it = m_openCopies.find(name);
    if (it == m_openCopies.end())
        return;
    const QString path = it->second;
    m_openCopies.erase(it);
    QFile::remove(path);
    QDir().rmdir(QFileInfo(path).path());
}

} // namespace richedit
