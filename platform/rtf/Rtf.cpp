// Placeholder until the RTF reader and writer land: reads nothing, writes an empty document.
#include "Rtf.h"

namespace rtf {

ReadResult readRtf(const ByteSource &, QTextCursor &, const ReadOptions &)
{
    return {false, QStringLiteral("RTF reader not available")};
}

bool writeRtf(const QTextDocument &, int, int, const ByteSink &sink, const WriteOptions &)
{
    static const char empty[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0}";
    return sink(empty, sizeof(empty) - 1);
}

} // namespace rtf
