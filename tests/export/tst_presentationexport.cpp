// The presentation export's page loop with a document that lays out fixed-height lines, read
// back with an independent GIF reader (and ImageMagick where installed).

#include "app/Forms.h"
#include "app/Main.h"
#include "editor/RxRichEd.h"
#include "export/PresentationExport.h"
#include "export/RxGIF.h"
#include "support/GifDecoder.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

// A document of `length` characters, ten to a line, each line 300 twips high. Lines are painted
// as black bars so the pages look like text.
class FakePages : public PresentationPageSource
{
public:
    explicit FakePages(int length) : m_length(length) {}

    int documentLength() override { return m_length; }

    int formatRange(QPainter &painter, const TwipsRect &rc, int start) override
    {
        const QRect textRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        ++calls;
        if (calls == failOnCall)
            throw std::runtime_error("page could not be rendered");
        starts.append(start);
        auto *image = static_cast<QImage *>(painter.device());
        cornerBeforeText.append(image->pixel(2, 2));
        if (stall)
            return start;
        const int lines = textRect.height() / kLineTwips;
        const int end = std::min(m_length, start + lines * kCharsPerLine);
        const double pixelsPerTwip = 96.0 / 1440.0;
        for (int i = 0; i < (end - start + kCharsPerLine - 1) / kCharsPerLine; ++i) {
            const int top = int((textRect.top() + i * kLineTwips) * pixelsPerTwip);
            painter.fillRect(QRect(int(textRect.left() * pixelsPerTwip), top, 300, 14), Qt::black);
        }
        return end;
    }

    void releaseLayout() override { ++releases; }

    static constexpr int kLineTwips = 300;
    static constexpr int kCharsPerLine = 10;
    int calls = 0;
    int failOnCall = -1;
    bool stall = false;
    int releases = 0;
    QList<int> starts;
    QList<QRgb> cornerBeforeText;

private:
    int m_length;
};

struct ProgressLog {
    int shown = 0;
    int closed = 0;
    QStringList labels;

    PresentationProgress hooks()
    {
        return {[this] { ++shown; }, [this](const QString &s) { labels << s; },
                [this] { ++closed; }, {}};
    }
};

testgif::File readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return testgif::readGif(f.readAll());
}

} // namespace

class TestPresentationExport : public QObject
{
    Q_OBJECT

private slots:
    void textRect_data();
    void textRect();
    void pagesPerSize_data();
    void pagesPerSize();
    void onePageHasNoLoop();
    void frameUnderText_data();
    void frameUnderText();
    void failingPageKeepsEarlierPages();
    void pageWithoutRoomStops();
    void emptyDocument();
    void richTextControl();
    void richTextControlFailure();
    void savingFromTheMainWindow();
    void convertFromTheCommandLine_data();
    void convertFromTheCommandLine();
};

void TestPresentationExport::textRect_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QRect>("expected");
    // left, top, right, bottom in twips
    QTest::newRow("full page, 96 dpi") << int(PresentationPageSize::FullPage) << 96
                                       << QRect(300, 300, 10095, 13950);
    QTest::newRow("half page, 96 dpi") << int(PresentationPageSize::HalfPage) << 96
                                       << QRect(300, 300, 10095, 6975);
    QTest::newRow("full page, 120 dpi") << int(PresentationPageSize::FullPage) << 120
                                        << QRect(240, 240, 8076, 11160);
}

void TestPresentationExport::textRect()
{
    QFETCH(int, choice);
    QFETCH(int, dpi);
    QFETCH(QRect, expected);
    PresentationOptions o;
    o.pageSize = PresentationPageSize(choice);
    const TwipsRect rc = presentationTextRect(presentationPage(o), dpi, dpi);
    QCOMPARE(QRect(rc.left, rc.top, rc.right, rc.bottom), expected);
}

void TestPresentationExport::pagesPerSize_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("labels");
    // 1350 characters: 45 lines fit a full page, 22 a half page.
    QTest::newRow("full page") << int(PresentationPageSize::FullPage) << "800 x 600" << 3
                               << QSize(693, 950) << QStringList{"33%", "66%", "100%"};
    QTest::newRow("half page") << int(PresentationPageSize::HalfPage) << "800 x 600" << 7
                               << QSize(693, 485)
                               << QStringList{"16%", "32%", "48%", "65%", "81%", "97%", "100%"};
    QTest::newRow("1000 x 750") << int(PresentationPageSize::ScreenSize) << "1000 x 750" << 4
                                << QSize(1000, 750) << QStringList{"25%", "51%", "77%", "100%"};
}

// Given a three-page document, every page becomes a frame of the chosen size with the chosen
// delay, the loop runs forever, the comment has six lines, and the progress label counts up.
void TestPresentationExport::pagesPerSize()
{
    QFETCH(int, choice);
    QFETCH(QString, screen);
    QFETCH(int, frames);
    QFETCH(QSize, size);
    QFETCH(QStringList, labels);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("deck.tpf"));
    PresentationOptions o;
    o.pageSize = PresentationPageSize(choice);
    o.screenSize = screen;
    o.viewingSeconds = 60;
    FakePages pages(1350);
    ProgressLog log;
    exportPresentationPages(path, o, pages, log.hooks(), 96, 96);

    QCOMPARE(log.labels, labels);
    QCOMPARE(log.shown, 1);
    QCOMPARE(log.closed, 1);
    QCOMPARE(pages.releases, 1);
    QCOMPARE(pages.calls, frames);
    // Each page starts where the previous one stopped.
    for (int i = 1; i < pages.starts.size(); ++i)
        QVERIFY(pages.starts[i] > pages.starts[i - 1]);

    const testgif::File file = readFile(path);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.version, QByteArray("89a"));
    QCOMPARE(QSize(file.width, file.height), size);
    QCOMPARE(file.frames.size(), frames);
    for (int i = 0; i < frames; ++i) {
        QCOMPARE(QSize(file.frames[i].width, file.frames[i].height), size);
        QCOMPARE(file.delay(i), 6000);
    }
    QCOMPARE(file.leadingExtensions.size(), 1); // NETSCAPE2.0, endless
    QCOMPARE(file.leadingExtensions[0].blocks.value(1), QByteArray::fromHex("010000"));
    QCOMPARE(file.trailingExtensions.size(), 1);
    QCOMPARE(file.trailingExtensions[0].blocks.size(), 6);
    QCOMPARE(file.trailingExtensions[0].blocks[0],
             QByteArray("Created by Lintavo Wordprocessor version 7.2.2(8.0)"));
    QCOMPARE(file.trailingExtensions[0].blocks[5],
             QByteArray("This is a Tessra Office Presentation File."));
    QCOMPARE(file.globalTable.at(std::size_t(file.background)), 0xFFFFFFu);

    const QString identify = QStandardPaths::findExecutable(QStringLiteral("identify"));
    if (!identify.isEmpty()) {
        QProcess process;
        process.start(identify, {QStringLiteral("-format"), QStringLiteral("%wx%h %T;"), path});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QString each = QStringLiteral("%1x%2 6000;").arg(size.width()).arg(size.height());
        QCOMPARE(QString::fromLatin1(process.readAllStandardOutput()), each.repeated(frames));
    }
}

void TestPresentationExport::onePageHasNoLoop()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("one.tpf"));
    FakePages pages(100);
    ProgressLog log;
    exportPresentationPages(path, PresentationOptions(), pages, log.hooks(), 96, 96);
    const testgif::File file = readFile(path);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames.size(), 1);
    QVERIFY(file.leadingExtensions.isEmpty());
    QCOMPARE(file.delay(0), 1500);
    QCOMPARE(log.labels, QStringList{QStringLiteral("100%")});
}

void TestPresentationExport::frameUnderText_data()
{
    QTest::addColumn<bool>("frame");
    QTest::newRow("no frame") << false;
    QTest::newRow("frame") << true;
}

// With the frame on, its colour is on the page before the text is painted, on every page; with
// it off, the page is white there.
void TestPresentationExport::frameUnderText()
{
    QFETCH(bool, frame);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("framed.tpf"));
    PresentationOptions o;
    o.frame = frame;
    o.frameColour = QColor(0x00, 0x80, 0xC0);
    FakePages pages(1000);
    ProgressLog log;
    exportPresentationPages(path, o, pages, log.hooks(), 96, 96);
    QCOMPARE(pages.cornerBeforeText.size(), 3);
    for (QRgb corner : pages.cornerBeforeText)
        QCOMPARE(QColor(corner), frame ? o.frameColour : QColor(Qt::white));

    const testgif::File file = readFile(path);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    const QImage first = file.picture(0);
    QCOMPARE(QColor(first.pixel(2, 2)), frame ? o.frameColour : QColor(Qt::white));
    QCOMPARE(QColor(first.pixel(first.width() - 3, first.height() - 3)),
             frame ? o.frameColour : QColor(Qt::white));
    QCOMPARE(QColor(first.pixel(first.width() / 2, first.height() - 12)), QColor(Qt::white));
    QCOMPARE(QColor(first.pixel(25, 25)), QColor(Qt::black)); // the text
}

// Given a failure on the third page, the two pages made go to the file, the error reaches the
// caller, and the layout and progress window are cleaned up.
void TestPresentationExport::failingPageKeepsEarlierPages()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("partial.tpf"));
    FakePages pages(5000);
    pages.failOnCall = 3;
    ProgressLog log;
    try {
        exportPresentationPages(path, PresentationOptions(), pages, log.hooks(), 96, 96);
        QFAIL("the failure did not reach the caller");
    } catch (const std::runtime_error &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("page could not be rendered"));
    }
    QCOMPARE(log.closed, 1);
    QCOMPARE(pages.releases, 1);
    const testgif::File file = readFile(path);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames.size(), 2);
}

// A page that takes no text ends the export with an error instead of adding frames forever.
void TestPresentationExport::pageWithoutRoomStops()
{
    QTemporaryDir dir;
    FakePages pages(100);
    pages.stall = true;
    ProgressLog log;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             exportPresentationPages(dir.filePath(QStringLiteral("x.tpf")),
                                                     PresentationOptions(), pages, log.hooks(), 96,
                                                     96));
    QCOMPARE(pages.calls, 1);
    QCOMPARE(log.closed, 1);
}

void TestPresentationExport::emptyDocument()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.tpf"));
    FakePages pages(0);
    ProgressLog log;
    exportPresentationPages(path, PresentationOptions(), pages, log.hooks(), 96, 96);
    QCOMPARE(log.labels, QStringList{QStringLiteral("100%")});
    const testgif::File file = readFile(path);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QCOMPARE(file.frames.size(), 1);
}

namespace {

void fillEditor(TRxRichEdit &editor, int lines)
{
    QStringList text;
    for (int i = 0; i < lines; ++i)
        text << QStringLiteral("Line %1 of the presentation, with some words to show.").arg(i);
    editor.SelectEverything();
    editor.replaceSel(text.join(QLatin1Char('\n')), true);
}

int darkPixels(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++n;
    return n;
}

} // namespace

// Given a coloured editor with a long text, the export makes pages of text on white, half pages
// take about twice as many frames, the success message comes once, and the editor gets its
// colour back.
void TestPresentationExport::richTextControl()
{
    TRxRichEdit editor;
    editor.resize(400, 300);
    fillEditor(editor, 150);
    editor.setColor(0x00C0FFFF);
    QTemporaryDir dir;

    auto exportAs = [&](PresentationPageSize size, QStringList &messages) {
        PresentationOptions o;
        o.pageSize = size;
        PresentationExportUi ui;
        int asked = 0;
        TColor colourWhileAsked = 0;
        ui.askOptions = [&] {
            ++asked;
            colourWhileAsked = editor.Color();
            return o;
        };
        ui.showInformation = [&](const QString &text) { messages << text; };
        const QString path = dir.filePath(QStringLiteral("deck%1.tpf").arg(int(size)));
        ExportPresentation(editor, path, PresentationOptions(), ui);
        if (asked != 1 || colourWhileAsked != 0x00FFFFFF) // white while exporting
            return testgif::File{};
        return readFile(path);
    };

    QStringList messages;
    const testgif::File full = exportAs(PresentationPageSize::FullPage, messages);
    QVERIFY2(full.error.isEmpty(), qPrintable(full.error));
    QCOMPARE(messages, QStringList{QString::fromLatin1(kPresentationExportedText)});
    QCOMPARE(editor.Color(), TColor(0x00C0FFFF));
    QVERIFY(full.frames.size() >= 2);
    const QImage first = full.picture(0);
    QCOMPARE(first.size(), QSize(693, 950));
    QVERIFY(darkPixels(first, QRect(20, 20, 653, 910)) > 1000);
    QCOMPARE(darkPixels(first, QRect(0, 0, 693, 19)), 0);   // top margin
    QCOMPARE(darkPixels(first, QRect(0, 0, 19, 950)), 0);   // left margin
    QCOMPARE(QColor(first.pixel(400, 940)), QColor(Qt::white));

    messages.clear();
    const testgif::File half = exportAs(PresentationPageSize::HalfPage, messages);
    QVERIFY2(half.error.isEmpty(), qPrintable(half.error));
    QCOMPARE(QSize(half.width, half.height), QSize(693, 485));
    QVERIFY2(half.frames.size() >= 2 * full.frames.size() - 1
                 && half.frames.size() <= 2 * full.frames.size() + 1,
             qPrintable(QStringLiteral("%1 half pages for %2 full ones")
                            .arg(half.frames.size()).arg(full.frames.size())));
}

void TestPresentationExport::richTextControlFailure()
{
    TRxRichEdit editor;
    fillEditor(editor, 5);
    editor.setColor(0x00123456);
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QStringList messages;
    PresentationExportUi ui;
    ui.showInformation = [&](const QString &text) { messages << text; };
    QVERIFY_THROWS_EXCEPTION(EFCreateError,
                             ExportPresentation(editor, blocker + QStringLiteral("/x.tpf"),
                                                PresentationOptions(), ui));
    QVERIFY(messages.isEmpty());
    QCOMPARE(editor.Color(), TColor(0x00123456));
    QVERIFY(!QGuiApplication::overrideCursor());
}

// Given the program's windows, saving under a ".tpf" name asks for the options (answered here:
// half page, 60 seconds, "Save"), writes the GIF and reports success.
void TestPresentationExport::savingFromTheMainWindow()
{
    ScriptedDialogs dialogs;
    ProgramWindows windows = createProgramWindows();
    fillEditor(*windows.main->Editor, 60);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("deck.tpf"));
    int asked = 0;
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, this, [&] {
        TfrmPresentation *form = frmPresentation();
        if (!form || !form->isVisible())
            return;
        ++asked;
        form->Panel2Click();
        form->RxSpinEdit1->setValue(60);
        form->btnClose->click();
    });
    answer.start();
    windows.main->SaveDocument(path);
    answer.stop();

    QCOMPARE(asked, 1);
    const auto messages = dialogs.shownOf(ScriptedDialogs::Kind::Information);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, QString::fromLatin1(kPresentationExportedText));
    const testgif::File file = readFile(path);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QVERIFY(file.frames.size() >= 2);
    QCOMPARE(QSize(file.width, file.height), QSize(693, 485));
    QCOMPARE(file.delay(0), 6000);
    // The choices stay for the next export in the same run.
    QCOMPARE(frmPresentation()->options().pageSize, PresentationPageSize::HalfPage);
}

void TestPresentationExport::convertFromTheCommandLine_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("identified"); // identify's "%wx%h %T;" for the first frame
    QTest::newRow("defaults") << QStringList() << 0 << "693x950 1500;";
    QTest::newRow("screen size, 60 s, frame")
        << QStringList{"--page-size", "1000x750", "--seconds", "60", "--frame", "navy"} << 0
        << "1000x750 6000;";
    QTest::newRow("bad seconds") << QStringList{"--seconds", "4"} << 1 << "";
    QTest::newRow("unknown option") << QStringList{"--speed", "2"} << 1 << "";
}

void TestPresentationExport::convertFromTheCommandLine()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, identified);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.txt"));
    const QString output = dir.filePath(QStringLiteral("out.tpf"));
    {
        QFile f(input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < 120; ++i)
            f.write("A line of text for the presentation, number " + QByteArray::number(i) + "\n");
    }
    QProcess process;
    process.start(QStringLiteral(SCV_BINARY),
                  QStringList{QStringLiteral("--convert"), input, output} + options);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), exitCode);
    if (exitCode != 0) {
        QVERIFY(!QFile::exists(output));
        QVERIFY(!process.readAllStandardError().isEmpty());
        return;
    }
    const testgif::File file = readFile(output);
    QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
    QVERIFY(file.frames.size() >= 2);
    const QString identify = QStandardPaths::findExecutable(QStringLiteral("identify"));
    if (identify.isEmpty())
        QSKIP("ImageMagick is not installed");
    QProcess id;
    id.start(identify, {QStringLiteral("-format"), QStringLiteral("%wx%h %T;"), output + "[0]"});
    QVERIFY(id.waitForFinished(60000));
    QCOMPARE(QString::fromLatin1(id.readAllStandardOutput()), identified);
}

QTEST_MAIN(TestPresentationExport)
#include "tst_presentationexport.moc"
