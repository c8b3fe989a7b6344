// The thumbnail strip: one thumbnail per page, layouts, captions, the selection following the
// current page and clicks choosing it, rebuilding once at the end of an update.
#include "preview/GmPreview.h"
#include "preview/GmThumbnails.h"

#include <QtTest>

namespace {
struct Fixture {
    QWidget window;
    TGmPreview *preview = new TGmPreview(&window);
    TGmThumbnails *thumbs = new TGmThumbnails(&window);
    explicit Fixture(int pages)
    {
        window.resize(600, 800);
        preview->setGeometry(300, 0, 300, 800);
        thumbs->setGeometry(0, 0, 261, 400);
        for (int i = 1; i < pages; ++i)
            preview->AddPage();
        preview->FirstPage();
        thumbs->SetThumbSize(8);
        thumbs->SetGridWidth(2);
        thumbs->SetLayout(gmThumbGrid);
        thumbs->SetPreview(preview);
        window.show();
    }
};
} // namespace

class TestGmThumbnails : public QObject
{
    Q_OBJECT

private slots:
    void gridRowsAndClick();
    void sizeFromZoomSpacingAndCaption();
    void rowAndColumnLayouts();
    void captions();
    void selectionFollowsAndScrollsIntoView();
    void rebuildsOnceAtTheEndOfAnUpdate();
    void highlightStyles();
    void onlyThumbnailsInViewAreDrawn();
};

void TestGmThumbnails::gridRowsAndClick()
{
    // Given 5 pages in a grid of width 2
    Fixture f(5);
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QCOMPARE(f.thumbs->Count(), 5);
    // Then rows of 2, 2 and 1, each step overlapping by a pixel
    QList<int> rowTops;
    for (int i = 0; i < 5; ++i)
        rowTops << f.thumbs->Thumbnail(i)->y();
    const int h = f.thumbs->Thumbnail(0)->height();
    const int w = f.thumbs->Thumbnail(0)->width();
    QCOMPARE(rowTops, (QList<int>{0, 0, h - 1, h - 1, 2 * (h - 1)}));
    QCOMPARE(f.thumbs->Thumbnail(1)->x(), w - 1);
    QCOMPARE(f.thumbs->Thumbnail(4)->x(), 0);
    QCOMPARE(f.thumbs->SelectedIndex(), 0);
    // When the fifth is clicked
    TGmThumbnail *fifth = f.thumbs->Thumbnail(4);
    QTest::mouseClick(fifth, Qt::LeftButton, {}, QPoint(20, 20));
    // Then page 5 is current and its thumbnail selected and in view
    QCOMPARE(f.preview->CurrentPage(), 5);
    QCOMPARE(f.thumbs->SelectedIndex(), 4);
    QVERIFY(fifth->Selected());
    QVERIFY(!f.thumbs->Thumbnail(0)->Selected());
    QVERIFY(f.thumbs->viewport()->rect().contains(fifth->geometry()));
}

void TestGmThumbnails::sizeFromZoomSpacingAndCaption()
{
    Fixture f(1);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(16);
    font.setBold(true);
    f.thumbs->SetCaptionFont(font);
    TGmThumbnail *t = f.thumbs->Thumbnail(0);
    // A4 at 10 %: 79 x 112 pixels; 8 of spacing round it, 4 + the caption below
    QCOMPARE(t->Zoom(), 10);
    QCOMPARE(t->pagePixels(), QSize(79, 112));
    QCOMPARE(t->width(), 79 + 16);
    QCOMPARE(t->height(), 112 + 8 + 8 + 4 + QFontMetrics(font).height());
    QCOMPARE(t->pageRect().topLeft(), QPoint(8, 8));
    f.thumbs->SetShowCaption(false);
    QCOMPARE(t->height(), 112 + 16);
}

void TestGmThumbnails::rowAndColumnLayouts()
{
    Fixture f(3);
    f.thumbs->SetLayout(gmThumbHorz);
    const int w = f.thumbs->Thumbnail(0)->width();
    QCOMPARE(f.thumbs->Thumbnail(2)->pos(), QPoint(2 * (w - 1), 0));
    f.thumbs->SetLayout(gmThumbVert);
    const int h = f.thumbs->Thumbnail(0)->height();
    QCOMPARE(f.thumbs->Thumbnail(2)->pos(), QPoint(0, 2 * (h - 1)));
}

void TestGmThumbnails::captions()
{
    Fixture f(3);
    QCOMPARE(f.thumbs->Thumbnail(2)->caption(), QStringLiteral("3"));
    f.thumbs->SetPageCaptions(QStringLiteral("Page #"));
    QCOMPARE(f.thumbs->Thumbnail(2)->caption(), QStringLiteral("Page 3"));
    f.thumbs->SetPageCaptions(QStringLiteral("# of #"));
    QCOMPARE(f.thumbs->Thumbnail(1)->caption(), QStringLiteral("2 of 2"));
}

void TestGmThumbnails::selectionFollowsAndScrollsIntoView()
{
    Fixture f(12);
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QVERIFY(f.thumbs->verticalScrollBar()->maximum() > 0);
    f.preview->LastPage();
    QCOMPARE(f.thumbs->SelectedIndex(), 11);
    QVERIFY(f.thumbs->viewport()->rect().contains(f.thumbs->Thumbnail(11)->geometry()));
    QVERIFY(f.thumbs->verticalScrollBar()->value() > 0);
    f.preview->FirstPage();
    QCOMPARE(f.thumbs->verticalScrollBar()->value(), 0);
    QCOMPARE(f.thumbs->SelectedIndex(), 0);
}

void TestGmThumbnails::rebuildsOnceAtTheEndOfAnUpdate()
{
    Fixture f(2);
    f.preview->BeginUpdate();
    QVERIFY(f.thumbs->Updating());
    f.preview->Clear();
    for (int i = 0; i < 4; ++i)
        f.preview->AddPage();
    f.preview->SetCurrentPage(3);
    // Nothing yet: still the two thumbnails of before
    QCOMPARE(f.thumbs->Count(), 2);
    f.preview->EndUpdate();
    QVERIFY(!f.thumbs->Updating());
    QCOMPARE(f.thumbs->Count(), 5);
    QCOMPARE(f.thumbs->SelectedIndex(), 2);
    // A click while an update runs is ignored
    f.preview->BeginUpdate();
    QTest::mouseClick(f.thumbs->Thumbnail(0), Qt::LeftButton, {}, QPoint(20, 20));
    f.preview->EndUpdate();
    QCOMPARE(f.preview->CurrentPage(), 3);
}

void TestGmThumbnails::highlightStyles()
{
    Fixture f(2);
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    TGmThumbnail *t = f.thumbs->Thumbnail(0);
    const QRect page = t->pageRect();
    const QRgb blue = qRgb(0, 0, 255);
    QImage image = t->grab().toImage();
    // Thick line: two pixels of the page's edge in blue
    QCOMPARE(image.pixel(page.left(), page.center().y()), blue);
    QCOMPARE(image.pixel(page.left() + 1, page.center().y()), blue);
    QCOMPARE(image.pixel(page.left() + 2, page.center().y()), qRgb(255, 255, 255));
    f.thumbs->HighlightStyle = gmThinLine;
    image = t->grab().toImage();
    QCOMPARE(image.pixel(page.left(), page.center().y()), blue);
    QCOMPARE(image.pixel(page.left() + 1, page.center().y()), qRgb(255, 255, 255));
    // Background: the thumbnail filled in blue round the page
    f.thumbs->HighlightStyle = gmBackground;
    image = t->grab().toImage();
    QCOMPARE(image.pixel(2, 2), blue);
    QCOMPARE(image.pixel(page.left(), page.center().y()), qRgb(0, 0, 0));
    // The unselected one keeps the strip's background
    QCOMPARE(f.thumbs->Thumbnail(1)->grab().toImage().pixel(2, 2), qRgb(0xC0, 0xC0, 0xC0));
}

void TestGmThumbnails::onlyThumbnailsInViewAreDrawn()
{
    // Given 40 pages in a strip that shows a few rows
    Fixture f(40);
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    auto drawn = [&f] {
        QList<int> pages;
        for (int i = 0; i < f.thumbs->Count(); ++i)
            if (f.thumbs->Thumbnail(i)->pictureReady())
                pages << i + 1;
        return pages;
    };
    f.thumbs->viewport()->grab();
    const QList<int> first = drawn();
    QVERIFY(!first.isEmpty());
    QVERIFY2(first.size() <= 8, qPrintable(QString::number(first.size())));
    QCOMPARE(first.first(), 1);
    // When scrolled to the end, the last ones are drawn as they come into view
    f.thumbs->verticalScrollBar()->setValue(f.thumbs->verticalScrollBar()->maximum());
    f.thumbs->viewport()->grab();
    QVERIFY(drawn().contains(40));
    QVERIFY(!drawn().contains(20));
}

QTEST_MAIN(TestGmThumbnails)
#include "tst_gmthumbnails.moc"
