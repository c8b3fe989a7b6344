#pragma once
// Embedded objects of the rich edit engine, in the shape of the classic object interfaces:
// the engine's IRichEditOle (objects of the document, host names), each object's IOleObject
// (user type, verbs, close) and the host's IRichEditOleCallback, without which the engine
// accepts no new object. The objects of this build are pictures; they live in the document as
// picture characters (Pictures.h). What an object "opens" is a copy of its picture in a private
// temporary folder, handed to the desktop's image viewer; closing an object removes that copy.
// Nothing is activated in place here, so no object is ever REO_INPLACEACTIVE.

#include "RichEditTypes.h"

#include <QIODevice>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTextImageFormat>
#include <map>
#include <memory>

class QMenu;
class QMimeData;
class QTemporaryDir;
class QWidget;

namespace richedit {

class RichEdit;

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// EM_SELECTIONTYPE
constexpr int SEL_EMPTY = 0x0000;
constexpr int SEL_TEXT = 0x0001;
constexpr int SEL_OBJECT = 0x0002;
constexpr int SEL_MULTICHAR = 0x0004;
constexpr int SEL_MULTIOBJECT = 0x0008;

constexpr int REO_IOB_SELECTION = -1; // GetObject: the selected object
constexpr std::uint32_t REO_GETOBJ_POLEOBJ = 0x00000001;
constexpr std::uint32_t REO_INPLACEACTIVE = 0x02000000;
constexpr std::uint32_t REO_OPEN = 0x04000000;
constexpr std::uint32_t REO_SELECTED = 0x08000000;

constexpr int OLECLOSE_SAVEIFDIRTY = 0;
constexpr int OLECLOSE_NOSAVE = 1;
constexpr int OLECLOSE_PROMPTSAVE = 2;

constexpr int OLEVERBATTRIB_NEVERDIRTIES = 1;
constexpr int OLEVERBATTRIB_ONCONTAINERMENU = 2;
constexpr int USERCLASSTYPE_FULL = 1;

// Why data is offered to QueryAcceptData / GetClipboardData.
constexpr int RECO_PASTE = 0;
constexpr int RECO_DROP = 1;
constexpr int RECO_COPY = 2;
constexpr int RECO_CUT = 3;
constexpr int RECO_DRAG = 4;

struct OLEVERB {
    int lVerb = 0;
    QString lpszVerbName;
    int grfAttribs = 0;
};

// One embedded object. The interface pointer stays valid while the engine lives; its calls
// fail with E_FAIL once the object's character has left the document.
class IOleObject {
public:
    virtual ~IOleObject() = default;
    virtual QString GetUserType(int form) const = 0;
    virtual QList<OLEVERB> EnumVerbs() const = 0;
    // Runs a verb for the object, shown in site's rect; a failure tells why in *why.
    virtual HRESULT DoVerb(int verb, QWidget *site, const QRect &rect, QString *why) = 0;
    virtual HRESULT Close(int saveOption) = 0;
};

// REOBJECT: an object and where it sits.
struct REOBJECT {
    int cbStruct = sizeof(REOBJECT);
    int cp = -1;                         // its character position
    std::shared_ptr<IOleObject> poleobj; // with REO_GETOBJ_POLEOBJ
    QSize sizel;                         // shown size in twips
    std::uint32_t dwFlags = 0;           // REO_OPEN while a copy is open, REO_SELECTED
};

// What the engine asks of its host (EM_SETOLECALLBACK). In-place activation does not exist
// here, so GetInPlaceContext and ShowContainerUI are not part of it.
class IRichEditOleCallback {
public:
    virtual ~IRichEditOleCallback() = default;
    // Memory for a new object's data: the engine writes the data there and takes it back as
    // the object's own. A failure refuses the object and leaves the document unchanged.
    virtual HRESULT GetNewStorage(std::unique_ptr<QIODevice> &storage) = 0;
    virtual HRESULT QueryInsertObject(const QString &userType, int cp) = 0;
    // The object's character is being deleted.
    virtual HRESULT DeleteObject(IOleObject *object) = 0;
    // Data offered for paste or drop (reco RECO_PASTE, RECO_DROP); a failure refuses it all.
    virtual HRESULT QueryAcceptData(const QMimeData *data, int reco) = 0;
    virtual HRESULT ContextSensitiveHelp(bool enterMode) = 0;
    // E_NOTIMPL: the engine copies as it would by itself.
    virtual HRESULT GetClipboardData(CHARRANGE range, int reco, QMimeData **data) = 0;
    virtual HRESULT GetDragDropEffect(bool drag, Qt::KeyboardModifiers keys,
                                      Qt::DropAction *effect) = 0;
    virtual HRESULT GetContextMenu(int selectionType, IOleObject *object, CHARRANGE range,
                                   QMenu **menu) = 0;
};

// The engine's IRichEditOle (EM_GETOLEINTERFACE): exists while the engine has a host callback.
class RichEditOle {
public:
    explicit RichEditOle(RichEdit *engine);
    ~RichEditOle();
    RichEditOle(const RichEditOle &) = delete;
    RichEditOle &operator=(const RichEditOle &) = delete;

    int GetObjectCount() const;
    // index from 0, or REO_IOB_SELECTION for the selected object (the selection must be that
    // one object). E_INVALIDARG when there is no such object.
    HRESULT GetObject(int index, REOBJECT &object, std::uint32_t flags);
    HRESULT SetHostNames(const QString &container, const QString &document);
    QString containerName() const { return m_container; }
    QString documentName() const { return m_document; }
    HRESULT InPlaceDeactivate() { return S_OK; } // nothing is ever active in place

    // ---- used by the engine's objects ----
    RichEdit *engine() const { return m_engine; }
    // The picture format of the named object and its position; false when it is gone.
    bool find(const QString &name, QTextImageFormat &format, int &cp) const;
    // The open copy of an object ("" when none); opening writes one and returns its path.
    QString openCopy(const QString &name) const;
    QString writeCopy(const QString &name, const QByteArray &bytes, const QString &suffix,
                      const QString &typeName);
    void removeCopy(const QString &name);
    // The characters [from, to) are about to be deleted: the host hears of each object there.
    void notifyDeletion(int from, int to, IRichEditOleCallback *callback);

private:
    std::shared_ptr<IOleObject> objectFor(const QString &name);

    RichEdit *m_engine;
    QString m_container;
    QString m_document;
    std::unique_ptr<QTemporaryDir> m_copies;
    std::map<QString, QString> m_openCopies;                     // object name -> file
    std::map<QString, std::shared_ptr<IOleObject>> m_objects;    // object name -> interface
};

} // namespace richedit
