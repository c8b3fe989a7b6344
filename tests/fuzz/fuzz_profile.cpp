// libFuzzer target: any bytes as a profile file; reading and writing keys must neither crash
// nor lose the written value.
#include "profile/Profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    profile::Profile p(QStringLiteral("/nonexistent/fuzz.ini"),
                       QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    p.readInteger(u"Page View", u"Editor Colour", 0);
    p.readString(u"Font Name", u"Name", QString());
    p.writeString(u"Page View", u"ToolBar", QStringLiteral("1"));
    if (p.readString(u"Page View", u"ToolBar", QString()) != QStringLiteral("1"))
        std::abort();
    (void)p.contents();
    return 0;
}
