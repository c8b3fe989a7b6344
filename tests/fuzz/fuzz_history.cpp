// libFuzzer target: any bytes as a history file; reading must not crash, and what is read must
// write back and read again as the same entries.
#include "documents/HistoryList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QStringList entries =
        history::parseEntries(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Byte-order marks at the very start belong to the file, not to the first path.
    while (!entries.isEmpty() && entries.first().startsWith(QChar(0xFEFF)))
        entries.first().remove(0, 1);
    if (history::parseEntries(history::formatEntries(entries)) != entries)
        std::abort();
    for (const QString &entry : entries)
        (void)history::iconIndex(entry);
    return 0;
}
