// Pagination of a rich text control into the preview's pages. Layout runs against the fixed
// 300 dpi reference device (the selected printer cannot be opened), so results do not depend
// on the printers installed.
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

QString lines(int count, int from = 0)
{
    QStringList l;
    for (int i = from; i < from + count; ++i)
        l << QStringLiteral("Line %1 of the document, long enough to be a real line of text.")
                 .arg(i);
    return l.join(QLatin1Char('\r'));
}

// A preview with the reference printer and a paginator that hands out hidden copies.
struct Fixture {
    TGmPreview preview;
    TGmRtfPreview paginator;
    TRxRichEdit source;
    int newPages = 0;
    QList<int> progress;

    Fixture()
    {
        preview.GmPrinter().SelectPrinter(QStringLiteral("Scrivelle-No-Such-Printer"));
        preview.OnNeedRichEdit = [](QObject *, TRxRichEdit *&r) { r = new TRxRichEdit; };
        paginator.SetPreview(&preview);
        paginator.OnNewPage = [this](QObject *, const TGmValue &, const TGmValue &) {
            ++newPages;
        };
        paginator.OnProgress = [this](QObject *, int p) { progress << p; };
    }
    void run(const QString &text)
    {
        source.setWindowText(text);
        preview.Clear();
        paginator.LoadFromRichEdit(&source);
    }
    QList<QPair<int, int>> ranges() const
    {
        QList<QPair<int, int>> r;
        for (int n = 1; n <= preview.Count(); ++n) {
            const TGmPageRtfInfo &info = preview.Pages(n)->RtfInfo();
            r << qMakePair(info.cpMin(), info.cpMax());
        }
        return r;
    }
};

} // namespace

class TestGmRtfPreview : public QObject
{
    Q_OBJECT

private slots:
    void withoutPreviewOnlyTheMessage();
    void emptyDocumentIsOnePage();
    void pagesCoverTheDocumentWithoutGaps();
    void exactFitGivesNoTrailingPage();
    void finalEmptyParagraphEndsTheRun_data();
    void finalEmptyParagraphEndsTheRun();
    void topMarginMovesFirstLine();
    void headerHeightReservedWithEmptyCaptions();
    void noRoomForTextEndsWithoutEmptyPages_data();
    void noRoomForTextEndsWithoutEmptyPages();
    void unwrappedLinesWidenTheRectangle();
    void reusesExistingPagesWithoutForceNewPages();
    void failureRestoresUpdateAndCursor();
    void drawnPageShowsItsSlice();
};

void TestGmRtfPreview::withoutPreviewOnlyTheMessage()
{
    TGmRtfPreview paginator;
    TRxRichEdit source;
    source.setWindowText(QStringLiteral("text"));
    QStringList messages;
    paginator.OnMessage = [&](const QString &m) { messages << m; };
    paginator.LoadFromRichEdit(&source);
    QCOMPARE(messages, QStringList{QStringLiteral(
                           "TGmRtfPreview Error!\n\nThe \"Preview\" property must be set to a "
                           "TGmPreview component")});
    // The preview going away clears the property.
    auto *preview = new TGmPreview;
    paginator.SetPreview(preview);
    delete preview;
    QCOMPARE(paginator.Preview(), nullptr);
}

void TestGmRtfPreview::emptyDocumentIsOnePage()
{
    Fixture f;
    f.run(QString());
    QCOMPARE(f.preview.Count(), 1);
    QCOMPARE(f.ranges(), (QList<QPair<int, int>>{{0, 0}}));
    QCOMPARE(f.newPages, 0);
    QCOMPARE(f.progress, QList<int>{100});
    QCOMPARE(f.preview.ResourceTable().MemoList.Count(), 1);
    QVERIFY(f.preview.Pages(1)->RtfInfo().RichEdit());
}

void TestGmRtfPreview::pagesCoverTheDocumentWithoutGaps()
{
    // Given 300 lines: several pages
    Fixture f;
    f.run(lines(300));
    const int length = f.source.textLength();
    const auto r = f.ranges();
    QVERIFY(r.size() >= 5);
    // Then the ranges follow each other from 0 to the end, none empty
    QCOMPARE(r.first().first, 0);
    QCOMPARE(r.last().second, length);
    for (int i = 0; i < r.size(); ++i) {
        QVERIFY(r[i].second > r[i].first);
        if (i > 0)
            QCOMPARE(r[i].first, r[i - 1].second);
    }
    QCOMPARE(f.newPages, r.size() - 1);
    QCOMPARE(f.progress.size(), r.size());
    QCOMPARE(f.progress.last(), 100);
    QVERIFY(std::is_sorted(f.progress.begin(), f.progress.end()));
    QCOMPARE(f.preview.PageList().UpdateCount(), 0);
    QCOMPARE(f.preview.CurrentPage(), f.preview.Count());
    // A second run after Clear leaves one copy only.
    f.run(lines(10));
    QCOMPARE(f.preview.ResourceTable().MemoList.Count(), 1);
    QCOMPARE(f.preview.Count(), 1);
}

void TestGmRtfPreview::exactFitGivesNoTrailingPage()
{
    // Given the number of lines that fill the first page exactly
    Fixture f;
    f.run(lines(200));
    const int firstPageEnd = f.preview.Pages(1)->RtfInfo().cpMax();
    f.source.setWindowText(lines(200));
    const int perPage = f.source.toPlainText().left(firstPageEnd).count(QChar('\n'));
    QVERIFY(perPage > 10);
    // When a document has exactly that many lines, it is one page
    f.run(lines(perPage));
    QCOMPARE(f.preview.Count(), 1);
    QCOMPARE(f.ranges().first().second, f.source.textLength());
    // And one more line opens the second page
    f.run(lines(perPage + 1));
    QCOMPARE(f.preview.Count(), 2);
    // Twice as many lines fill exactly two pages
    f.run(lines(2 * perPage));
    QCOMPARE(f.preview.Count(), 2);
}

void TestGmRtfPreview::finalEmptyParagraphEndsTheRun_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("one line") << QStringLiteral("Last line\r");
    QTest::newRow("many lines") << lines(200) + QStringLiteral("\r");
    QTest::newRow("empty paragraphs") << QStringLiteral("\r\r\r");
}

void TestGmRtfPreview::finalEmptyParagraphEndsTheRun()
{
    // Whatever the copy keeps of a final empty paragraph, the run ends on its last character
    // and adds no empty page.
    QFETCH(QString, text);
    Fixture f;
    f.run(text);
    const auto r = f.ranges();
    const TRxRichEdit *copy = f.preview.Pages(1)->RtfInfo().RichEdit();
    QVERIFY(copy);
    QCOMPARE(r.last().second, copy->textLength());
    for (int i = 1; i < r.size(); ++i)
        QVERIFY(r[i].second > r[i].first);
    QCOMPARE(f.newPages, r.size() - 1);
}

void TestGmRtfPreview::topMarginMovesFirstLine()
{
    Fixture f;
    f.preview.Margins().Top().setMillimeters(15);
    f.run(lines(400));
    const int top = f.preview.Pages(2)->RtfInfo().TextRect().value(2).twips();
    const int pages = f.preview.Count();
    f.preview.Margins().Top().setMillimeters(16);
    f.run(lines(400));
    QCOMPARE(f.preview.Pages(2)->RtfInfo().TextRect().value(2).twips() - top, 57);
    QVERIFY(f.preview.Count() >= pages);
}

void TestGmRtfPreview::headerHeightReservedWithEmptyCaptions()
{
    Fixture f;
    f.preview.Margins().Top().setMillimeters(10);
    f.preview.Margins().Bottom().setMillimeters(12);
    QFont big(QStringLiteral("Arial"));
    big.setPointSizeF(30);
    f.preview.Header().setFont(1, big);
    f.run(lines(5));
    const TGmValueRect &rect = f.preview.Pages(1)->RtfInfo().TextRect();
    const int headerTwips = int(gmRound(gmFontHeightInches(big) * 1440));
    QCOMPARE(f.paginator.TopOffset().twips(), 567 + headerTwips);
    QCOMPARE(rect.value(2).twips(), 567 + headerTwips + 90);
    const int footerTwips = int(gmRound(f.preview.Footer().heightInches() * 1440));
    QCOMPARE(rect.value(4).twips(), int(gmRound(297 / 25.4L * 1440)) - 680 - footerTwips);
    QCOMPARE(rect.value(1).twips(), 720);
}

void TestGmRtfPreview::noRoomForTextEndsWithoutEmptyPages_data()
{
    QTest::addColumn<double>("topMm");
    QTest::addColumn<double>("leftMm");
    QTest::newRow("top and bottom past the page") << 200.0 << 10.0;
    QTest::newRow("left and right past the page") << 10.0 << 150.0;
}

void TestGmRtfPreview::noRoomForTextEndsWithoutEmptyPages()
{
    QFETCH(double, topMm);
    QFETCH(double, leftMm);
    Fixture f;
    f.preview.Margins().Top().setMillimeters(topMm);
    f.preview.Margins().Bottom().setMillimeters(topMm);
    f.preview.Margins().Left().setMillimeters(leftMm);
    f.preview.Margins().Right().setMillimeters(leftMm);
    QElapsedTimer t;
    t.start();
    f.run(lines(50));
    QVERIFY(t.elapsed() < 5000);
    QCOMPARE(f.preview.Count(), 1);
    QCOMPARE(f.newPages, 0);
    QCOMPARE(f.preview.PageList().UpdateCount(), 0);
}

void TestGmRtfPreview::unwrappedLinesWidenTheRectangle()
{
    Fixture f;
    f.paginator.WrapLines = false;
    f.run(lines(3));
    const TGmPageRtfInfo &info = f.preview.Pages(1)->RtfInfo();
    QVERIFY(!info.WrapLines);
    QCOMPARE(info.TextRect().value(3).twips(),
             (int(gmRound(210 / 25.4L * 1440)) - 720) * 10);
}

void TestGmRtfPreview::reusesExistingPagesWithoutForceNewPages()
{
    Fixture f;
    f.paginator.ForceNewPages = false;
    f.source.setWindowText(lines(150));
    f.preview.Clear();
    for (int i = 0; i < 5; ++i)
        f.preview.AddPage();
    f.preview.FirstPage();
    f.paginator.LoadFromRichEdit(&f.source);
    // The existing six pages are reused; the text needs fewer.
    QCOMPARE(f.preview.Count(), 6);
    const int used = f.preview.CurrentPage();
    QVERIFY(used > 1 && used < 6);
    QCOMPARE(f.preview.Pages(used)->RtfInfo().cpMax(), f.source.textLength());
}

void TestGmRtfPreview::failureRestoresUpdateAndCursor()
{
    Fixture f;
    f.paginator.OnNewPage = [](QObject *, const TGmValue &, const TGmValue &) {
        throw std::runtime_error("stop");
    };
    f.source.setWindowText(lines(300));
    f.preview.Clear();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.paginator.LoadFromRichEdit(&f.source));
    QCOMPARE(f.preview.PageList().UpdateCount(), 0);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    // The pages measured so far stay.
    QCOMPARE(f.preview.Count(), 2);
    QVERIFY(f.preview.Pages(1)->RtfInfo().cpMax() > 0);
}

void TestGmRtfPreview::drawnPageShowsItsSlice()
{
    Fixture f;
    f.run(lines(300));
    const double ppi = 72;
    TGmPage *page = f.preview.Pages(2);
    QImage img(int(page->WidthInches() * ppi), int(page->HeightInches() * ppi),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        f.preview.PageList().DrawPage(page, p, ppi, ppi);
    }
    // Ink only inside the text rectangle, and some near its top.
    const QRectF text = page->RtfInfo().TextRect().inchesRect();
    const QRect area(int(text.left() * ppi) - 2, int(text.top() * ppi) - 2,
                     int(text.width() * ppi) + 4, int(text.height() * ppi) + 4);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                (area.contains(x, y) ? inside : outside)++;
        }
    }
    QVERIFY(inside > 100);
    QCOMPARE(outside, 0);
    int firstInkRow = -1;
    for (int y = 0; y < img.height() && firstInkRow < 0; ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                firstInkRow = y;
                break;
            }
        }
    }
    QVERIFY(firstInkRow >= area.top() && firstInkRow < area.top() + 0.3 * ppi);
}

QTEST_MAIN(TestGmRtfPreview)
#include "tst_gmrtfpreview.moc"
