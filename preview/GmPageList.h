#pragma once
// The pages of the print preview: each page knows its size, orientation and the slice of the
// hidden document copy that falls on it. The page list owns the pages, margins, header,
// footer and printer, tells its owner about changes, and draws and prints pages.

#include "preview/GmClasses.h"
#include "preview/GmPrinter.h"
#include "richedit/RichEditTypes.h"

#include <QList>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <memory>
#include <vector>

class QPainter;
class TRxRichEdit;
class TGmPageList;

// The slice of the document on one page: the character range, the text rectangle in inches
// from the paper's top-left corner, the hidden control holding the document, the wrap flag.
class TGmPageRtfInfo
{
public:
    TGmPageRtfInfo();
    int cpMin() const { return m_cpMin; }
    int cpMax() const { return m_cpMax; }
    void setRange(int cpMin, int cpMax);
    TGmValueRect &TextRect() { return m_textRect; }
    const TGmValueRect &TextRect() const { return m_textRect; }
    TRxRichEdit *RichEdit() const { return m_richEdit; }
    void setRichEdit(TRxRichEdit *control) { m_richEdit = control; }
    bool WrapLines = true;
    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

private:
    int m_cpMin = 0;
    int m_cpMax = 0;
    TGmValueRect m_textRect;
    TRxRichEdit *m_richEdit = nullptr;
    TGmNotifyEvent m_onChange;
};

// One page of the list; its number is its position from 1.
class TGmPage
{
public:
    explicit TGmPage(TGmPageList *owner);
    TGmPageList *Owner() const { return m_owner; }
    TGmOrientation Orientation() const { return m_orientation; }
    // Portrait puts the shorter side across, landscape the longer one.
    void SetOrientation(TGmOrientation o);
    Extended WidthInches() const { return m_width; }
    Extended HeightInches() const { return m_height; }
    void SetSize(Extended width, Extended height);
    TGmPageRtfInfo &RtfInfo() { return m_rtfInfo; }
    const TGmPageRtfInfo &RtfInfo() const { return m_rtfInfo; }
    bool ShowHeader = true;
    bool ShowFooter = true;
    void setOnChange(TGmNotifyEvent handler) { m_onChange = std::move(handler); }

private:
    void changed();

    TGmPageList *m_owner;
    TGmOrientation m_orientation = gmPortrait;
    Extended m_width = 0;
    Extended m_height = 0;
    TGmPageRtfInfo m_rtfInfo;
    TGmNotifyEvent m_onChange;
};

// The hidden rich-text controls holding document copies, each with a usage count, all children
// of one borderless 0 x 0 host window.
class TGmCustomMemoList
{
public:
    TGmCustomMemoList();
    ~TGmCustomMemoList();
    // The host window new controls are parented to (created on first use).
    QWidget *Host();
    // Takes ownership of a control with usage count 1.
    void Add(QWidget *control);
    int Count() const { return int(m_controls.size()); }
    QWidget *Item(int i) const { return m_controls.at(i).control; }
    int UsageCount(int i) const { return m_controls.at(i).usage; }
    void Clear();

private:
    struct Entry {
        QPointer<QWidget> control;
        int usage = 1;
    };
    std::vector<Entry> m_controls;
    QPointer<QWidget> m_host;
};

// The objects the page list owns besides its pages; only the control list is used.
struct TGmResourceTable {
    TGmCustomMemoList MemoList;
    void Clear() { MemoList.Clear(); }
};

// Handlers the page list's owner sets.
struct TGmPageListEvents {
    TGmNotifyEvent OnPagesChanged;
    TGmNotifyEvent OnPageCountChanged;
    TGmNotifyEvent OnCurrentPageChanged;
    TGmNotifyEvent OnNewPage;
    TGmNotifyEvent OnOrientationChanged;
    TGmNotifyEvent OnPaperSizeChanged;
    TGmNotifyEvent OnMarginsChanged;
    TGmNotifyEvent OnHeaderFooterChanged;
    std::function<TRxRichEdit *()> OnNeedRichEdit;
    TGmNotifyEvent OnCleared;
    std::function<void(int printed, int total)> OnPrintProgress;
};

// The format-range operation of a hidden control (defined with the paginator, which knows
// the control): lays the range out for fr.hdcTarget and, with render, paints it on fr.hdc.
// Returns the first character that did not fit.
int gmFormatRange(TRxRichEdit *control, richedit::FORMATRANGE &fr, bool render);

// The owning list of pages with paper, orientation, margins, header, footer and printer.
class TGmPageList
{
public:
    TGmPageList();
    ~TGmPageList();
    TGmPageList(const TGmPageList &) = delete;
    TGmPageList &operator=(const TGmPageList &) = delete;

    TGmPageListEvents Events;

    int Count() const { return int(m_pages.size()); }
    // Page by number, from 1; null when out of range.
    TGmPage *Pages(int number) const;
    int CurrentPage() const { return m_currentPage; }
    void SetCurrentPage(int n);
    TGmPage *AddPage();
    // Removes the last page unless it is the only one; the current page moves back onto the
    // list when it pointed past it.
    void RemoveLastPage();
    // Removes a page by number unless it is the only one; the current number stays unless it
    // pointed past the end.
    void DeletePage(int number);
    void Clear();

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

    TGmOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TGmOrientation o);
    TGmPaperSize PaperSize() const { return m_paperSize; }
    void SetPaperSize(TGmPaperSize p);
    TGmPagesPerSheet PagesPerSheet() const { return m_pagesPerSheet; }
    void SetPagesPerSheet(TGmPagesPerSheet p) { m_pagesPerSheet = p; }
    // The list's page size in inches, already turned for landscape.
    Extended PageWidthInches() const { return m_pageWidth; }
    Extended PageHeightInches() const { return m_pageHeight; }
    // Sets the size used while the paper size is Custom.
    void SetCustomPageSize(Extended width, Extended height);

    TGmMargins &Margins() { return m_margins; }
    TGmHeader &Header() { return m_header; }
    TGmFooter &Footer() { return m_footer; }
    TGmPrinter &GmPrinter() { return m_printer; }
    TGmResourceTable &ResourceTable() { return m_resources; }
    TRxRichEdit *NeedRichEdit();

    // Header and footer areas of the current page, in inches.
    QRectF HeaderRect() const;
    QRectF FooterRect() const;

    // Draws a page (text slice, header, footer) on a canvas whose units are 1/ppi inch.
    void DrawPage(TGmPage *page, QPainter &canvas, Extended ppiX, Extended ppiY,
                  const QDateTime &now = QDateTime::currentDateTime());
    // Draws a page as a printed sheet shows it: clipped to the margins when ClipMargins is set,
    // else to the paper, on a canvas whose units are 1/ppi inch from the paper's corner.
    void DrawPrintedPage(TGmPage *page, QPainter &canvas, Extended ppiX, Extended ppiY,
                         const QDateTime &now = QDateTime::currentDateTime());
    // Prints pages first to last (descending when first > last); true when a job ran to its end.
    bool PrintPages(int first, int last);
    bool PrintPageList(const QVector<int> &numbers);

private:
    void recalcPageSize();
    void pagesChanged();
    void pageCountChanged();
    void send(const TGmNotifyEvent &handler);
    void drawSlice(TGmPage *page, QPainter &canvas, Extended ppiX, Extended ppiY);

    std::vector<std::unique_ptr<TGmPage>> m_pages;
    int m_currentPage = 1;
    TGmOrientation m_orientation = gmPortrait;
    TGmPagesPerSheet m_pagesPerSheet = gmOnePage;
    TGmPaperSize m_paperSize = TGmPaperSize::A4;
    Extended m_pageWidth = 0;
    Extended m_pageHeight = 0;
    int m_updateCount = 0;
    TGmResourceTable m_resources;
    TGmHeader m_header;
    TGmFooter m_footer;
    TGmMargins m_margins;
    TGmPrinter m_printer;
};
