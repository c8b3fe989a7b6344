// A control's streams to and from bytes in memory, as the file commands stream to and from files.
#pragma once

#include "richedit/RichEdit.h"

#include <QByteArray>
#include <cstring>

namespace editstream {

// What the control writes in the given format (SF_RTF, SF_TEXT, ...).
inline QByteArray out(richedit::RichEdit &editor, int format = richedit::SF_RTF)
{
    QByteArray bytes;
    richedit::EDITSTREAM es;
    es.pfnCallback = [&bytes](char *buffer, int cb, int *pcb) {
        bytes.append(buffer, cb);
        *pcb = cb;
        return 0;
    };
    editor.streamOut(format, es);
    return bytes;
}

// Streams the bytes into the control in the given format; the control's answer.
inline int in(richedit::RichEdit &editor, const QByteArray &bytes, int format = richedit::SF_RTF)
{
    qsizetype at = 0;
    richedit::EDITSTREAM es;
    es.pfnCallback = [&](char *buffer, int cb, int *pcb) {
        *pcb = int(qMin<qsizetype>(cb, bytes.size() - at));
        std::memcpy(buffer, bytes.constData() + at, size_t(*pcb));
        at += *pcb;
        return 0;
    };
    return editor.streamIn(format, es);
}

} // namespace editstream
