// libFuzzer target for the whole load: the input goes into the rich edit engine as it comes
// from a file (RTF with the retry as plain text), and again as the body of a compressed .rtc
// through the inflating device; every document that loads is laid out in the control and
// paginated with the format-range operation at printer resolution. Inputs are capped in size
// and the engine's limit is lowered to match, so a run stays quick.
#include "richedit/RichEdit.h"
#include "zlib/ZDevice.h"
#include "zlib/ZStream.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>

namespace {

constexpr size_t kMaxInput = 64 * 1024;
constexpr int kLimit = 256 * 1024; // characters

// Streams the device into the engine as the rich text control does: SF_RTF, then once more as
// SF_TEXT from the start when that fails.
bool load(richedit::RichEdit &edit, QIODevice &device)
{
    auto attempt = [&](int format) {
        richedit::EDITSTREAM es;
        es.pfnCallback = [&](char *buffer, int cb, int *pcb) -> int {
            const qint64 n = device.read(buffer, cb);
            *pcb = n > 0 ? int(n) : 0;
            return n < 0 ? 1 : 0;
        };
        edit.streamIn(format, es);
        return es.dwError == 0;
    };
    return attempt(richedit::SF_RTF) || (device.seek(0) && attempt(richedit::SF_TEXT));
}

void paginate(richedit::RichEdit &edit)
{
    QImage page(64, 64, QImage::Format_RGB32);
    page.setDotsPerMeterX(11811); // 300 dpi
    page.setDotsPerMeterY(11811);
    richedit::FORMATRANGE fr;
    fr.hdcTarget = &page;
    fr.rc = {0, 0, 11906 - 2 * 1417, 16838 - 2 * 850};
    fr.rcPage = {0, 0, 11906, 16838};
    const int length = edit.textLength();
    for (int start = 0, pages = 0; start < length && pages < 200; ++pages) {
        fr.chrg = {start, -1};
        const int next = edit.formatRange(&fr, false);
        if (next <= start)
            break;
        start = next;
    }
    edit.formatRange(nullptr, false);
    edit.lineCount();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > kMaxInput)
        return 0;
    static richedit::RichEdit *edit = [] {
        auto *e = new richedit::RichEdit;
        e->resize(600, 400);
        e->exLimitText(kLimit);
        return e;
    }();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QBuffer plain;
    plain.setData(bytes);
    plain.open(QIODevice::ReadOnly);
    if (load(*edit, plain))
        paginate(*edit);

    // The same bytes as the inside of a .rtc, and the raw bytes as a .rtc.
    for (const QByteArray &file : {zstream::deflate(bytes, 1).data, bytes}) {
        QBuffer packed;
        packed.setData(file);
        packed.open(QIODevice::ReadOnly);
        zstream::InflateDevice inflater(packed, 8192, qint64(kLimit) * 16);
        if (load(*edit, inflater))
            paginate(*edit);
    }
    return 0;
}
