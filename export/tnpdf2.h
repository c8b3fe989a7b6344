#pragma once
// TPrintPDF1 writes a PDF 1.4 file whose pages are pictures. A caller opens a document with
// BeginDoc, places bitmaps on the current page with Draw, starts further pages with NewPage and
// finishes with EndDoc, which assembles the rest of the file in memory and saves it under
// FileName in one atomic write. Every image is compressed and parked in a staged file in the
// writer's own temporary folder; compression runs on worker threads (at most as many images in
// flight as the machine has cores) while the caller renders the next page, and the file's bytes
// are the same as if each image were compressed in turn. A failure while staging an image is
// reported by the next Draw or by EndDoc.
//
// Objects are numbered in file order: 1 the information dictionary, 2k and 2k+1 the content
// stream of page k and its length, then the outline root, the fourteen standard fonts, the pages
// tree, the shared resources, the images, the page objects and the catalog.
//
// Failures throw EScrivelleError with the user message ("Cannot create file %s", "Cannot open
// file %s"); calls out of order throw std::logic_error. Whatever happens, EndDoc leaves the
// writer idle with its staged files removed, and a failed EndDoc leaves any earlier file of that
// name untouched.

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <deque>
#include <functional>
#include <future>
#include <memory>

class QTemporaryDir;

class TPrintPDF1
{
public:
    // The text the three attribution properties hold until the caller sets them.
    static const QString DefaultAttribution;

    TPrintPDF1();
    ~TPrintPDF1();
    TPrintPDF1(const TPrintPDF1 &) = delete;
    TPrintPDF1 &operator=(const TPrintPDF1 &) = delete;

    // Published properties, read when BeginDoc, Draw, NewPage and EndDoc run.
    QString FileName;
    QString TITLE;
    int PageWidth = 612;  // points
    int PageHeight = 792; // points
    QString Author = DefaultAttribution;
    QString Creator = DefaultAttribution;
    QString Keywords;
    QString Subject;
    QString Producer = DefaultAttribution;
    bool Compress = true;

    // Pages of the open document: 1 after BeginDoc, plus one per NewPage.
    int PageNumber() const { return m_pageNumber; }

    void BeginDoc();
    // Places bitmap with its top-left corner X points from the left and Y points from the top
    // of the current page. The bitmap is converted to 24 bits per pixel in place; its bytes are
    // copied in red, green, blue order.
    void Draw(int X, int Y, QImage &bitmap);
    void NewPage();
    void EndDoc();

    bool isOpen() const { return m_open; }
    // The time written as the creation date (the current local time unless replaced).
    void setClock(std::function<QDateTime()> clock);
    // Screen resolution used to scale bitmaps; (0, 0) asks the primary screen at each Draw.
    void setScreenDpi(QSize dpi);
    // Folder of the staged image files, empty while nothing is staged.
    QString stagingPath() const;
    // Waits until every image drawn so far is in its staged file; throws the first failure.
    void waitForStaging() { waitForImages(0); }

private:
    void resetDocument();
    void appendObject();
    void openContentStream();
    void closeContentStream();
    int nextObject() { return ++m_objectCount; }
    QString stagedFileName(int image) const;
    void ensureStaging();
    void writeStagedFile(int image, const QByteArray &body) const;
    void waitForImages(std::size_t keep);
    void writeTail();
    void saveDocument();

    std::function<QDateTime()> m_clock;
    QSize m_screenDpi;

    bool m_open = false;
    int m_pageNumber = 0;
    int m_imageCount = 0;
    int m_objectCount = 0;
    QByteArray m_document;     // the file written so far
    QByteArray m_object;       // the object being assembled
    QByteArray m_content;      // the current page's operators, uncompressed
    QList<qint64> m_offsets;   // entry k: offset of object k+1; last: offset of the next write
    qsizetype m_streamStart = 0;
    std::unique_ptr<QTemporaryDir> m_staging;
    // Images being compressed and staged, oldest first. Declared after the staging folder so
    // that the workers are finished before the folder goes.
    std::deque<std::future<void>> m_pending;
};
