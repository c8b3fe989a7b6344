#pragma once
// TRichEditOleCallback: the host side of the control's embedded objects. The engine asks it
// for storage of new objects and for leave to take data and objects in; it closes an object
// that is being deleted without saving it. It lives as long as the control that owns it.

#include "richedit/RichEditOle.h"

class TRxRichEdit;

class TRichEditOleCallback : public richedit::IRichEditOleCallback {
public:
    explicit TRichEditOleCallback(TRxRichEdit *owner) : m_owner(owner) {}

    // A new storage in memory; E_OUTOFMEMORY when none can be made.
    richedit::HRESULT GetNewStorage(std::unique_ptr<QIODevice> &storage) override;
    // Every object is accepted.
    richedit::HRESULT QueryInsertObject(const QString &userType, int cp) override;
    // Closes the object without saving (OLECLOSE_NOSAVE).
    richedit::HRESULT DeleteObject(richedit::IOleObject *object) override;
    // Every format offered is accepted.
    richedit::HRESULT QueryAcceptData(const QMimeData *data, int reco) override;
    richedit::HRESULT ContextSensitiveHelp(bool enterMode) override;
    // E_NOTIMPL for these three: the engine copies, drags and shows no menu by itself.
    richedit::HRESULT GetClipboardData(richedit::CHARRANGE range, int reco,
                                       QMimeData **data) override;
    richedit::HRESULT GetDragDropEffect(bool drag, Qt::KeyboardModifiers keys,
                                        Qt::DropAction *effect) override;
    richedit::HRESULT GetContextMenu(int selectionType, richedit::IOleObject *object,
                                     richedit::CHARRANGE range, QMenu **menu) override;

    TRxRichEdit *owner() const { return m_owner; }

private:
    TRxRichEdit *m_owner;
};
