// Compressed Rich Text (.rtc): the document's Rich Text in one zlib stream, level 1.
#include "app/Main.h"

#include "app/Exceptions.h"
#include "shell/Shell.h"
#include "zlib/ZDevice.h"

#include <QFile>
#include <QSaveFile>

namespace {
constexpr int kChunk = 8192;
constexpr int kLevel = 1;
}

void TfrmMainEditor::SaveCompressedRtf(const QString &fileName)
{
    shell::pumpEvents();
    shell::HourglassCursor hourglass;
    const QString tmpName = fileName + QStringLiteral(".tmp");
    QFile tmp(tmpName);
    // The temporary copy goes in all cases, also after a failure.
    struct RemoveTmp {
        QFile &file;
        ~RemoveTmp()
        {
            file.close();
            file.remove();
        }
    } removeTmp{tmp};

    if (!tmp.open(QIODevice::ReadWrite | QIODevice::Truncate))
        throw EScrivelleError(QStringLiteral("Cannot create file %1").arg(tmpName));
    Editor->Lines.SaveDocumentStream(tmp);
    if (!tmp.flush())
        throw EScrivelleError(QStringLiteral("Cannot create file %1").arg(tmpName));

    // The target is written beside itself and replaces the old file only when complete, so
    // a failure never leaves an emptied or half-written document behind.
    QSaveFile target(fileName);
    if (!target.open(QIODevice::WriteOnly))
        throw EScrivelleError(QStringLiteral("Cannot create file %1").arg(fileName));
    tmp.seek(0);
    if (zstream::deflateCopy(tmp, target, kLevel, kChunk) != zstream::CopyError::None
        || !target.commit())
        throw EScrivelleError(QStringLiteral("Cannot create file %1").arg(fileName));
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EScrivelleError(QStringLiteral("Cannot open file %1").arg(fileName));
    zstream::InflateDevice inflater(file, kChunk);
    Editor->Lines.LoadDocumentStream(inflater);
    shell::pumpEvents();
}
