// The host side of the rich text control's embedded objects: the callback object, the host
// names, closing objects, the verb menu and the object properties dialog.
#include "editor/RichEditOleCallback.h"

#include "app/Exceptions.h"
#include "dialogs/Dialogs.h"
#include "dialogs/ObjectProperties.h"
#include "editor/RxRichEd.h"
#include "richedit/Pictures.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QTextDocument>

using namespace richedit;

namespace {

// The data of the menu item "%s Properties"; verbs carry their own numbers (0 and up).
constexpr int kPropertiesItem = -1000;

} // namespace

// ---- TRichEditOleCallback -----------------------------------------------------------------

HRESULT TRichEditOleCallback::GetNewStorage(std::unique_ptr<QIODevice> &storage)
{
    storage.reset();
    try {
        auto buffer = std::make_unique<QBuffer>();
        if (!buffer->open(QIODevice::ReadWrite))
            return E_OUTOFMEMORY;
        storage = std::move(buffer);
        return S_OK;
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TRichEditOleCallback::QueryInsertObject(const QString &, int)
{
    return S_OK;
}

HRESULT TRichEditOleCallback::DeleteObject(IOleObject *object)
{
    if (object)
        object->Close(OLECLOSE_NOSAVE);
    return S_OK;
}

HRESULT TRichEditOleCallback::QueryAcceptData(const QMimeData *, int)
{
    return S_OK;
}

HRESULT TRichEditOleCallback::ContextSensitiveHelp(bool)
{
    return S_OK;
}

HRESULT TRichEditOleCallback::GetClipboardData(CHARRANGE, int, QMimeData **)
{
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::GetDragDropEffect(bool, Qt::KeyboardModifiers, Qt::DropAction *)
{
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::GetContextMenu(int, IOleObject *, CHARRANGE, QMenu **)
{
    return E_NOTIMPL;
}

// ---- the control's side ---------------------------------------------------------------------

void TRxRichEdit::connectObjects()
{
    if (!m_oleCallback)
        m_oleCallback = std::make_unique<TRichEditOleCallback>(this);
    setOleCallback(m_oleCallback.get());
    SetHostNames();
}

void TRxRichEdit::disconnectObjects()
{
    setOleCallback(nullptr); // releases the interface; the callback stays with the control
}

void TRxRichEdit::setTitle(const QString &t)
{
    if (t == m_title)
        return;
    m_title = t;
    SetHostNames();
}

void TRxRichEdit::SetHostNames()
{
    RichEditOle *ole = getOleInterface();
    if (!ole)
        return;
    // The application title is the display name the program gives itself.
    QString container = QGuiApplication::applicationDisplayName().trimmed();
    if (container.isEmpty())
        container = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString document = m_title.trimmed().isEmpty() ? container : m_title;
    ole->SetHostNames(container, document);
}

void TRxRichEdit::CloseObjects()
{
    RichEditOle *ole = getOleInterface();
    if (!ole)
        return;
    for (int i = ole->GetObjectCount() - 1; i >= 0; --i) {
        REOBJECT object;
        if (FAILED(ole->GetObject(i, object, REO_GETOBJ_POLEOBJ)))
            continue;
        if (object.dwFlags & REO_INPLACEACTIVE)
            ole->InPlaceDeactivate();
        if (object.poleobj)
            object.poleobj->Close(OLECLOSE_NOSAVE);
    }
}

QMenu *TRxRichEdit::GetPopupMenu()
{
    delete m_verbMenu;
    m_verbMenu = nullptr;
    RichEditOle *ole = getOleInterface();
    if (!m_autoVerbMenu || !ole || selectionType() != SEL_OBJECT)
        return PopupMenu;
    REOBJECT object;
    if (FAILED(ole->GetObject(REO_IOB_SELECTION, object, REO_GETOBJ_POLEOBJ)) || !object.poleobj
        || (object.dwFlags & REO_INPLACEACTIVE))
        return PopupMenu;

    auto *verbs = new QMenu(this);
    verbs->setObjectName(QStringLiteral("VerbMenu"));
    bool found = false;
    for (const OLEVERB &verb : object.poleobj->EnumVerbs()) {
        if (verb.lVerb < 0 || !(verb.grfAttribs & OLEVERBATTRIB_ONCONTAINERMENU))
            break;
        QAction *item = verbs->addAction(verb.lpszVerbName);
        item->setData(verb.lVerb);
        if (verb.lVerb == 0)
            verbs->setDefaultAction(item);
        found = true;
    }
    const QString type = object.poleobj->GetUserType(USERCLASSTYPE_FULL);
    const QString properties = QStringLiteral("%1 Properties").arg(type);
    if (PopupMenu && !PopupMenu->isEmpty()) {
        // The assigned menu's items, then the object's: a copy, so the assigned menu itself
        // does not grow each time.
        auto *menu = new QMenu(this);
        menu->addActions(PopupMenu->actions());
        menu->addSeparator();
        menu->addAction(properties)->setData(kPropertiesItem);
        if (found) {
            verbs->setTitle(type);
            menu->addMenu(verbs);
            verbs->setParent(menu, verbs->windowFlags());
        } else {
            delete verbs;
        }
        m_verbMenu = menu;
        return menu;
    }
    if (!found) {
        delete verbs;
        return PopupMenu;
    }
    QAction *first = verbs->actions().value(0);
    auto *item = new QAction(properties, verbs);
    item->setData(kPropertiesItem);
    verbs->insertAction(first, item);
    m_verbMenu = verbs;
    return verbs;
}

void TRxRichEdit::contextMenuEvent(QContextMenuEvent *e)
{
    // The host may have opened its own menu on the button press already; then this request
    // shows nothing more.
    if (QApplication::activePopupWidget())
        return;
    QMenu *menu = GetPopupMenu();
    if (!menu)
        return;
    const bool ours = menu == m_verbMenu;
    QAction *chosen = menu->exec(e->globalPos());
    e->accept();
    if (!ours || !chosen || !chosen->data().isValid())
        return;
    // The command runs after the menu has closed, so that its errors reach the caller of this
    // event rather than the menu's own loop.
    const int item = chosen->data().toInt();
    if (item == kPropertiesItem)
        ObjectPropertiesDialog();
    else
        DoObjectVerb(item);
}

void TRxRichEdit::DoObjectVerb(int verb)
{
    RichEditOle *ole = getOleInterface();
    REOBJECT object;
    if (!ole || FAILED(ole->GetObject(REO_IOB_SELECTION, object, REO_GETOBJ_POLEOBJ))
        || !object.poleobj)
        return;
    QString why;
    if (FAILED(object.poleobj->DoVerb(verb, this, viewport()->rect(), &why)))
        throw EScrivelleError(why);
}

bool TRxRichEdit::ObjectPropertiesDialog()
{
    RichEditOle *ole = getOleInterface();
    REOBJECT object;
    if (!ole || FAILED(ole->GetObject(REO_IOB_SELECTION, object, REO_GETOBJ_POLEOBJ))
        || !object.poleobj || (object.dwFlags & REO_INPLACEACTIVE))
        return false;
    QTextCursor at(document());
    at.setPosition(object.cp + 1);
    const QTextImageFormat format = at.charFormat().toImageFormat();
    const QString type = object.poleobj->GetUserType(USERCLASSTYPE_FULL);
    dialogs::ObjectProperties properties;
    properties.caption = QStringLiteral("%1 Properties").arg(type);
    properties.typeName = type;
    properties.bytes = pictureBytes(document(), format).size();
    properties.pixels = pictureImage(document(), format).size();
    properties.scale = pictureScaleX(format);
    properties.minScale = 0;
    properties.maxScale = 500;
    const int before = properties.scale;
    if (!dialogs::current().objectProperties(properties, this))
        return false;
    if (properties.scale != before || pictureScaleY(format) != before)
        setPictureScale(object.cp, properties.scale, properties.scale);
    return true;
}
