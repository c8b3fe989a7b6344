#pragma once
// The control's size limit as loading applies it, and the message of a load that passes it.

#include <QString>

// EM_EXLIMITTEXT's default: the most characters a document may hold.
constexpr int kMaxDocumentCharacters = 0xFFFFFF;

// limit: the control's limit in force (kMaxDocumentCharacters unless set lower).
inline QString documentTooLargeMessage(int limit = kMaxDocumentCharacters)
{
    return QStringLiteral("The document is too large to open: it holds more than %1 characters")
        .arg(limit);
}
