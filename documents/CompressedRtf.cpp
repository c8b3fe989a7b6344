// Compressed Rich Text (.rtc): the document's Rich Text in one zlib stream, level 1.
#include "app/Main.h"

#include "app/Exceptions.h"
#include "editor/StreamErrors.h"
#include "files/SafeFile.h"
#include "shell/Shell.h"
#include "zlib/ZDevice.h"

#include <QFile>

namespace {
constexpr int kChunk = 8192;
constexpr int kLevel = 1;
// The most Rich Text a document within the control's limit could need: a compressed file that
// inflates past it is a compression bomb, stopped before it costs time or memory.
constexpr qint64 kMaxInflated = qint64(kMaxDocumentCharacters) * 16;
}

// The control's Rich Text is compressed as it streams out, straight into a temporary file
// beside the target that replaces the target only when complete. There is no scratch copy
// under a fixed name (which two saves at once, a symbolic link or a user's own file of that
// name would turn into lost data), and a failed save leaves the old file as it was.
void TfrmMainEditor::SaveCompressedRtf(const QString &fileName)
{
    shell::pumpEvents();
    shell::HourglassCursor hourglass;
    files::SafeSaveFile target(fileName);
    if (!target.open())
        throw EScrivelleError(QStringLiteral("Cannot create file %1").arg(fileName));
    zstream::DeflateDevice deflater(target, kLevel, kChunk);
    Editor->Lines.SaveDocumentStream(deflater);
    if (!deflater.finish() || !target.commit())
        throw EScrivelleError(QStringLiteral("Failed to Save Stream"));
    shell::pumpEvents();
}

void TfrmMainEditor::LoadCompressedRtf(const QString &fileName)
{
    shell::HourglassCursor hourglass;
    shell::pumpEvents();
    Editor->Lines.BeginBulkUpdate();
    struct EndBulk {
        TRichEditStrings &lines;
        ~EndBulk() { lines.EndBulkUpdate(); }
    } endBulk{Editor->Lines};
    QFile file;
    if (!files::openRegularFile(file, fileName))
        throw EScrivelleError(QStringLiteral("Cannot open file %1").arg(fileName));
    zstream::InflateDevice inflater(file, kChunk, kMaxInflated);
    try {
        Editor->Lines.LoadDocumentStream(inflater);
    } catch (const EScrivelleError &) {
        if (inflater.tooLarge())
            throw EScrivelleError(documentTooLargeMessage(Editor->textLimit()));
        throw;
    }
    shell::pumpEvents();
}
