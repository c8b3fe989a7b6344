#pragma once
// The engine's pages one after another: their first positions, measured only or drawn into a
// picture, and drawn into a PDF, as a printer would get them, with the words of each page as
// the outside tool pdftotext reads them back.

#include "richedit/RichEdit.h"
#include "support/PdfInspect.h"

#include <QBuffer>
#include <QFile>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

namespace enginepdf {

// The range of a page widthTwips by heightTwips from cpMin, drawn with p (measured only when
// null) for target.
inline richedit::FORMATRANGE pageRange(QPaintDevice *target, QPainter *p, int widthTwips,
                                       int heightTwips, int cpMin)
{
    richedit::FORMATRANGE fr;
    fr.hdc = p;
    fr.hdcTarget = target;
    fr.rc = {0, 0, widthTwips, heightTwips};
    fr.rcPage = fr.rc;
    fr.chrg = {cpMin, -1};
    return fr;
}

// The first position of every page widthTwips by heightTwips, measured for target or, with
// render, drawn into it page after page.
inline QList<int> pageStarts(richedit::RichEdit &e, QPaintDevice &target, int widthTwips,
                             int heightTwips, bool render)
{
    QList<int> starts;
    for (int cp = 0; cp < e.textLength();) {
        starts << cp;
        QPainter p;
        if (render)
            p.begin(&target);
        const richedit::FORMATRANGE fr =
            pageRange(&target, render ? &p : nullptr, widthTwips, heightTwips, cp);
        const int next = e.formatRange(&fr, render);
        if (next <= cp)
            break;
        cp = next;
    }
    e.formatRange(nullptr, false);
    return starts;
}

// Writes the engine's pages, 6 inches wide and heightTwips high, into a Letter PDF at path at
// the given resolution; the number of pages, or -1 when the file cannot be written.
inline int writePages(richedit::RichEdit &e, int dpi, int heightTwips, const QString &path)
{
    int pages = 0;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(dpi);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF());
        QPainter p(&writer);
        int cp = 0;
        while (cp < e.textLength()) {
            if (pages > 0)
                writer.newPage();
            richedit::FORMATRANGE fr;
            fr.hdc = &p;
            fr.hdcTarget = &writer;
            fr.rc = {0, 0, 1440 * 6, heightTwips};
            fr.rcPage = fr.rc;
            fr.chrg = {cp, -1};
            const int next = e.formatRange(&fr, true);
            ++pages;
            if (next <= cp)
                break;
            cp = next;
        }
    }
    e.formatRange(nullptr, false);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(buffer.data()) != buffer.size())
        return -1;
    return pages;
}

// The words of each page of such a PDF; the number of pages written in *pages when given.
inline QList<QStringList> pageWords(richedit::RichEdit &e, int dpi, int heightTwips,
                                    int *pages = nullptr)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pages.pdf"));
    const int written = writePages(e, dpi, heightTwips, path);
    if (pages)
        *pages = written;
    if (written < 0)
        return {};
    const QString text = QString::fromUtf8(
        pdfinspect::runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).out);
    QList<QStringList> words;
    for (const QString &page : text.split(QLatin1Char('\f'), Qt::SkipEmptyParts))
        words << page.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    return words;
}

} // namespace enginepdf
