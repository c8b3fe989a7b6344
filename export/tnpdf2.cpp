#include "export/tnpdf2.h"

#include "app/Exceptions.h"
#include "shell/Shell.h"
#include "zlib/ZStream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include "files/SafeFile.h"
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <stdexcept>

const QString TPrintPDF1::DefaultAttribution = QStringLiteral("Scrivelle PDF writer");

namespace {

constexpr int FontCount = 14;
const char *const FontNames[FontCount] = {
    "Helvetica",   "Helvetica-Bold",   "Helvetica-Oblique",   "Helvetica-BoldOblique",
    "Courier",     "Courier-Bold",     "Courier-Oblique",     "Courier-BoldOblique",
    "Times-Roman", "Times-Bold",       "Times-Italic",        "Times-BoldItalic",
    "Symbol",      "ZapfDingbats"};

// Bytes of "stream", "endstream" and "endobj" with their line ends: what a content stream
// object holds after its stream start besides the stream data.
constexpr qsizetype StreamKeywordBytes = 27;

void line(QByteArray &buffer, QByteArrayView text)
{
    buffer.append(text).append("\r\n");
}

QByteArray num(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray compressed(const QByteArray &data)
{
    auto result = zstream::deflateOneShot(data);
    if (!result.ok())
        throw std::bad_alloc();
    return std::move(result.data);
}

} // namespace

// The inside of a literal string for the information dictionary. Text that fits in printable
// ASCII and Latin-1 is written as single bytes (the same in PDFDocEncoding and Windows-1252);
// anything else as UTF-16BE with a byte-order mark. Backslashes, parentheses and control bytes
// are escaped, so a file name holding them still yields one well-formed string.
static QByteArray pdfStringBody(const QString &text)
{
    bool singleBytes = true;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x7F && u < 0xA0) || u > 0xFF) {
            singleBytes = false;
            break;
        }
    }
    QByteArray raw;
    if (singleBytes) {
        raw = text.toLatin1();
    } else {
        raw.append("\xFE\xFF", 2);
        for (QChar c : text) {
            raw.append(char(c.unicode() >> 8));
            raw.append(char(c.unicode() & 0xFF));
        }
    }
    QByteArray out;
    out.reserve(raw.size());
    for (char ch : raw) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '(' || ch == ')') {
            out.append('\\').append(ch);
        } else if (b < 0x20) {
            out.append('\\').append(char('0' + (b >> 6))).append(char('0' + ((b >> 3) & 7)))
                .append(char('0' + (b & 7)));
        } else {
            out.append(ch);
        }
    }
    return out;
}

TPrintPDF1::TPrintPDF1()
    : m_clock([] { return QDateTime::currentDateTime(); })
{
}

TPrintPDF1::~TPrintPDF1() = default;

void TPrintPDF1::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

void TPrintPDF1::setScreenDpi(QSize dpi)
{
    m_screenDpi = dpi;
}

QString TPrintPDF1::stagingPath() const
{
    return m_staging ? m_staging->path() : QString();
}

void TPrintPDF1::resetDocument()
{
    m_pending.clear(); // waits for the workers; their failures no longer matter
    m_open = false;
    m_pageNumber = 0;
    m_imageCount = 0;
    m_objectCount = 0;
    m_document = QByteArray();
    m_object = QByteArray();
    m_content = QByteArray();
    m_offsets.clear();
    m_streamStart = 0;
    m_staging.reset(); // removes the folder and every staged file in it
}

// Appends the assembled object to the document and records where the next one starts.
void TPrintPDF1::appendObject()
{
    m_document.append(m_object);
    m_offsets.append(m_document.size());
}

void TPrintPDF1::BeginDoc()
{
    resetDocument();
    m_open = true;
    m_pageNumber = 1;

    line(m_document, "%PDF-1.4");
    m_offsets.append(m_document.size());

    m_object.clear();
    line(m_object, num(nextObject()) + " 0 obj");
    line(m_object, "<<");
    line(m_object, "/Producer (" + pdfStringBody(Producer) + ")");
    line(m_object, "/Author (" + pdfStringBody(Author) + ")");
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    line(m_object, "/CreationDate (D:" + now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
                       + ")");
    line(m_object, "/Creator (" + pdfStringBody(Creator) + ")");
    line(m_object, "/Keywords (" + pdfStringBody(Keywords) + ")");
    line(m_object, "/Subject (" + pdfStringBody(Subject) + ")");
    line(m_object, "/Title (" + pdfStringBody(TITLE) + ")");
    line(m_object, "/ModDate ()");
    line(m_object, ">>");
    line(m_object, "endobj");
    appendObject();

    openContentStream();
}

// Starts the content stream object of a new page; it stays in the object buffer while the
// page is drawn.
void TPrintPDF1::openContentStream()
{
    const int c = nextObject();
    m_object.clear();
    line(m_object, num(c) + " 0 obj");
    line(m_object, "<< /Length " + num(c + 1) + " 0 R");
    if (Compress)
        line(m_object, "/Filter [/FlateDecode]");
    line(m_object, " >>");
    m_streamStart = m_object.size();
    line(m_object, "stream");
    m_content.clear();
}

// Ends the page's content stream and writes the object holding its length.
void TPrintPDF1::closeContentStream()
{
    m_object.append(Compress ? compressed(m_content) : m_content);
    m_content.clear();
    line(m_object, "endstream");
    line(m_object, "endobj");
    appendObject();
    const qsizetype length = m_object.size() - m_streamStart - StreamKeywordBytes;

    m_object.clear();
    line(m_object, num(nextObject()) + " 0 obj");
    line(m_object, num(length));
    line(m_object, "endobj");
    appendObject();
}

void TPrintPDF1::NewPage()
{
    if (!m_open)
        throw std::logic_error("NewPage called without an open PDF document");
    ++m_pageNumber;
    closeContentStream();
    openContentStream();
}

QString TPrintPDF1::stagedFileName(int image) const
{
    return m_staging->filePath(QStringLiteral("~tmpim") + QString::number(image));
}

void TPrintPDF1::ensureStaging()
{
    if (m_staging)
        return;
    // An unusable TMPDIR gives an empty temporary path; refuse it rather than stage in the root
    // folder.
    const QString base = QDir::tempPath();
    if (!base.isEmpty())
        m_staging = std::make_unique<QTemporaryDir>(base + QStringLiteral("/scrivelle-pdf-XXXXXX"));
    if (!m_staging || !m_staging->isValid()) {
        m_staging.reset();
        const QString where = base.isEmpty() ? qEnvironmentVariable("TMPDIR") : base;
        throw EScrivelleError("Cannot create file " + where);
    }
}

// Runs on a worker thread: touches nothing but its own file.
void TPrintPDF1::writeStagedFile(int image, const QByteArray &body) const
{
    const QString name = stagedFileName(image);
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(body) != body.size()
        || !file.flush()) {
        file.remove();
        throw EScrivelleError("Cannot create file " + name);
    }
}

// Waits until no more than keep images are in flight; the first failure among those waited for
// is thrown.
void TPrintPDF1::waitForImages(std::size_t keep)
{
    while (m_pending.size() > keep) {
        std::future<void> oldest = std::move(m_pending.front());
        m_pending.pop_front();
        oldest.get();
    }
}

void TPrintPDF1::Draw(int X, int Y, QImage &bitmap)
{
    if (!m_open)
        throw std::logic_error("Draw called without an open PDF document");
    if (bitmap.isNull())
        throw std::invalid_argument("Draw called with an empty bitmap");

    const QSize dpi = m_screenDpi.isEmpty() ? QSize(shell::screenDpi(), shell::screenDpi())
                                          : m_screenDpi;
    // Eight inches of screen pixels span the page width, 10.625 inches its height.
    const double sx = double(PageWidth) / (8.0 * dpi.width());
    const double sy = double(PageHeight) / (10.625 * dpi.height());
    const int w = int(bitmap.width() * sx);
    const int h = int(bitmap.height() * sy);
    const int y = PageHeight - Y - h;

    if (bitmap.format() != QImage::Format_RGB888)
        bitmap.convertTo(QImage::Format_RGB888);
    const int n = m_imageCount + 1;
    const qsizetype rowBytes = qsizetype(bitmap.width()) * 3;
    QByteArray pixels;
    pixels.reserve(rowBytes * bitmap.height());
    for (int row = 0; row < bitmap.height(); ++row)
        pixels.append(reinterpret_cast<const char *>(bitmap.constScanLine(row)), rowBytes);

    ensureStaging();
    const std::size_t workers = std::size_t(std::max(1, QThread::idealThreadCount()));
    waitForImages(workers - 1);
    m_pending.push_back(std::async(
        std::launch::async, [this, n, compress = Compress, width = bitmap.width(),
                             height = bitmap.height(), pixels = std::move(pixels)]() mutable {
            if (compress)
                pixels = compressed(pixels);
            QByteArray image;
            line(image, "<< /Type /XObject");
            line(image, "/Subtype /Image");
            line(image, "/Width " + num(width));
            line(image, "/Height " + num(height));
            line(image, "/ColorSpace /DeviceRGB");
            line(image, "/BitsPerComponent 8");
            line(image, "/Length " + num(pixels.size()));
            line(image, "/Name /Im" + num(n));
            if (compress)
                line(image, "/Filter [/FlateDecode]");
            line(image, ">>");
            line(image, "stream");
            image.append(pixels);
            pixels = QByteArray();
            writeStagedFile(n, image);
        }));

    // Should staging this image fail, the next Draw or EndDoc reports it and no file is written.
    m_imageCount = n;
    line(m_content, "q");
    line(m_content, num(w) + " 0 0 " + num(h) + " " + num(X) + " " + num(y) + " cm");
    line(m_content, "/Im" + num(n) + " Do");
    line(m_content, "Q");
}

void TPrintPDF1::EndDoc()
{
    if (!m_open)
        throw std::logic_error("EndDoc called without an open PDF document");
    // Back to idle on every path: buffers freed, staged files and their folder removed.
    struct Reset {
        TPrintPDF1 *writer;
        ~Reset() { writer->resetDocument(); }
    } reset{this};

    waitForImages(0);
    closeContentStream();
    writeTail();
    saveDocument();
}

// Everything after the last content stream: outline root, fonts, pages tree, resources,
// images, page objects, catalog, cross-reference table and trailer.
void TPrintPDF1::writeTail()
{
    const int pages = m_pageNumber;
    const int images = m_imageCount;

    const int outlines = nextObject();
    m_object.clear();
    line(m_object, num(outlines) + " 0 obj");
    line(m_object, "<< /Type /Outlines");
    line(m_object, "/Count 0");
    line(m_object, ">>");
    line(m_object, "endobj");
    appendObject();

    int fonts[FontCount];
    for (int k = 0; k < FontCount; ++k) {
        fonts[k] = nextObject();
        m_object.clear();
        line(m_object, num(fonts[k]) + " 0 obj");
        line(m_object, "<< /Type /Font");
        line(m_object, "/Subtype /Type1");
        line(m_object, "/Name /F" + num(k + 1));
        line(m_object, QByteArray("/BaseFont /") + FontNames[k]);
        line(m_object, "/Encoding /WinAnsiEncoding");
        line(m_object, ">>");
        line(m_object, "endobj");
        appendObject();
    }

    const int pagesTree = nextObject();
    m_object.clear();
    line(m_object, num(pagesTree) + " 0 obj");
    line(m_object, "<< /Type /Pages");
    line(m_object, "/Kids [");
    for (int k = 1; k <= pages; ++k)
        line(m_object, num(pagesTree + k + images + 1) + " 0 R");
    line(m_object, "]");
    line(m_object, "/Count " + num(pages));
    line(m_object, ">>");
    line(m_object, "endobj");
    appendObject();

    const int resources = nextObject();
    m_object.clear();
    line(m_object, num(resources) + " 0 obj");
    line(m_object, "<< /ProcSet [ /PDF /Text /ImageC]");
    line(m_object, "/XObject << ");
    for (int n = 1; n <= images; ++n)
        line(m_object, "/Im" + num(n) + " " + num(resources + n) + " 0 R");
    line(m_object, ">>");
    line(m_object, "/Font << ");
    for (int k = 0; k < FontCount; ++k)
        line(m_object, "/F" + num(k + 1) + " " + num(fonts[k]) + " 0 R ");
    line(m_object, ">>");
    line(m_object, ">>");
    line(m_object, "endobj");
    appendObject();

    // The images make up nearly all of the file: grow the document once, not by doubling.
    qint64 stagedBytes = 0;
    for (int n = 1; n <= images; ++n)
        stagedBytes += QFileInfo(stagedFileName(n)).size() + 64;
    m_document.reserve(m_document.size() + stagedBytes + 256 * (pages + 32));

    for (int n = 1; n <= images; ++n) {
        const QString name = stagedFileName(n);
        QFile staged(name);
        if (!staged.open(QIODevice::ReadOnly))
            throw EScrivelleError("Cannot open file " + name);
        m_object.clear();
        line(m_object, num(nextObject()) + " 0 obj");
        m_object.append(staged.readAll());
        if (staged.error() != QFileDevice::NoError)
            throw EScrivelleError("Cannot open file " + name);
        m_object.append("\r\n");
        line(m_object, "endstream");
        line(m_object, "endobj");
        appendObject();
    }

    for (int k = 1; k <= pages; ++k) {
        m_object.clear();
        line(m_object, num(nextObject()) + " 0 obj");
        line(m_object, "<< /Type /Page");
        line(m_object, "/Parent " + num(pagesTree) + " 0 R");
        line(m_object, "/MediaBox [ 0 0 " + num(PageWidth) + " " + num(PageHeight) + "]");
        line(m_object, "/Contents " + num(2 * k) + " 0 R");
        line(m_object, "/Resources " + num(resources) + " 0 R");
        line(m_object, ">>");
        line(m_object, "endobj");
        appendObject();
    }

    const int catalog = nextObject();
    m_object.clear();
    line(m_object, num(catalog) + " 0 obj");
    line(m_object, "<< /Type /Catalog");
    line(m_object, "/Pages " + num(pagesTree) + " 0 R");
    line(m_object, "/Outlines " + num(outlines) + " 0 R");
    line(m_object, ">>");
    line(m_object, "endobj");
    appendObject();

    const int size = catalog + 1;
    line(m_document, "xref");
    line(m_document, "0 " + num(size));
    line(m_document, "0000000000 65535 f");
    for (int k = 0; k < catalog; ++k)
        line(m_document, num(m_offsets[k]).rightJustified(10, '0') + " 00000 n");
    line(m_document, "trailer");
    line(m_document, "<< /Size " + num(size));
    line(m_document, "/Root " + num(catalog) + " 0 R");
    line(m_document, "/Info 1 0 R");
    line(m_document, ">>");
    line(m_document, "startxref");
    line(m_document, num(m_offsets.last()));
    line(m_document, "%%EOF");
}

// Writes the document under FileName through a temporary file in the same folder that replaces
// the target only once every byte is written and synced (a full disk keeps the old file).
void TPrintPDF1::saveDocument()
{
    files::SafeSaveFile file(FileName);
    if (!file.open() || file.write(m_document) != m_document.size() || !file.commit())
        throw EScrivelleError("Cannot create file " + FileName);
}
