#pragma once
// The text PDF: the pages of the print preview written through the toolkit's PDF output, each
// drawn by the same page drawing as a printed sheet (text slice, header and footer), so the
// text stays real text in embedded font subsets that readers can search, select and read aloud.
// The picture PDF export stays the default for ".pdf" names; this one is chosen explicitly.

#include <QDateTime>
#include <QString>

#include <functional>

class TfrmExport;
class TGmPageList;

struct TextPdfOptions {
    // The time the header and footer show for {DATE} and {TIME}; null takes the current time.
    std::function<QDateTime()> clock;
    // Shows the success message; null shows nothing (headless runs).
    std::function<void(const QString &)> showInformation;
};

// Writes every page of pages, as laid out for the preview's printer (or reference device), to
// fileName as a PDF with title as its document title: one PDF page per preview page, of the
// page's paper size and orientation, at the layout device's resolution. The file is replaced
// only when the whole PDF is written ("Cannot create file NAME" otherwise, the old file kept).
// progress, when given, shows the share of pages done and is closed on every path.
void ExportTextPdf(TGmPageList &pages, const QString &fileName, const QString &title,
                   TfrmExport *progress, const TextPdfOptions &options = {});
