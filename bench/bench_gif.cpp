// Encodes a 30-page full-page presentation (693 x 950 pages of rendered text, 15 s a page, endless
// loop) with the GIF writer and, side by side, with ImageMagick's convert on the same pages saved
// as PNG; prints time and size of both.
//
//   bench_gif [pages] [runs]

#include "export/RxGIF.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <time.h>

namespace {

constexpr int kPageWidth = 693;
constexpr int kPageHeight = 950;
constexpr int kTextLeft = 20, kTextTop = 20, kTextRight = 673, kTextBottom = 930;

// A page of text-like content: a heading, justified-looking paragraphs of random words with
// anti-aliased glyphs, now and then a coloured word, like a rendered document page.
QImage makePage(int number, QRandomGenerator &random, bool antialiased)
{
    static const char *words[] = {"the", "document", "presentation", "of", "page", "and", "text",
                                  "colour", "frame", "Scrivelle", "writes", "every", "with",
                                  "a", "paragraph", "format", "quick", "export", "line", "in"};
    QImage page(kPageWidth, kPageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont heading(QStringLiteral("Arial"), 20, QFont::Bold);
    QFont body(QStringLiteral("Times New Roman"), 11);
    if (!antialiased) {
        heading.setStyleStrategy(QFont::NoAntialias);
        body.setStyleStrategy(QFont::NoAntialias);
    }
    painter.setFont(heading);
    painter.setPen(QColor(0x1F, 0x3A, 0x93));
    painter.drawText(kTextLeft, kTextTop + 28, QStringLiteral("Chapter %1").arg(number + 1));
    painter.setFont(body);
    const int lineHeight = painter.fontMetrics().height() + 2;
    int y = kTextTop + 60;
    while (y < kTextBottom - lineHeight) {
        int x = kTextLeft;
        const bool paragraphEnd = random.bounded(8) == 0;
        const int lineEnd = paragraphEnd ? kTextLeft + random.bounded(200, 600) : kTextRight;
        while (true) {
            const QString word = QString::fromLatin1(words[random.bounded(20)]);
            const int w = painter.fontMetrics().horizontalAdvance(word + QLatin1Char(' '));
            if (x + w > lineEnd)
                break;
            painter.setPen(random.bounded(40) == 0 ? QColor(0xC0, 0x10, 0x10) : QColor(Qt::black));
            painter.drawText(x, y, word);
            x += w;
        }
        y += paragraphEnd ? lineHeight * 2 : lineHeight;
    }
    return page;
}

// CPU time of this process, and of its finished children, in milliseconds: steadier than the
// wall clock on a shared machine.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double childCpuMs()
{
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3
           + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Times both encoders on the given pages and prints one block of figures.
void compare(const char *title, const std::vector<QImage> &images, const QTemporaryDir &dir,
             const QString &prefix, int runs)
{
    QStringList pngs;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const QString name = QStringLiteral("%1%2.png").arg(prefix).arg(i, 3, 10, QLatin1Char('0'));
        const QString png = dir.filePath(name);
        images[i].save(png);
        pngs << png;
    }

    // The writer: frames added as the export adds them, then one save.
    const QString ours = dir.filePath(prefix + QStringLiteral("-ours.gif"));
    std::vector<double> ourTimes, ourCpu;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMs();
        TGIFImage gif;
        gif.Comment() << QStringLiteral("Bench presentation");
        gif.setBackgroundColor(0x00FFFFFF);
        gif.setLooping(true);
        gif.setRepeatCount(0);
        for (const QImage &image : images) {
            const int index = gif.AddFrame(image);
            gif.Frames(index).setFrameDelay(15000);
        }
        gif.SaveToFile(ours);
        ourTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        ourCpu.push_back(cpuMs() - cpuStart);
    }

    // ImageMagick on the same pages.
    QString convert = QStringLiteral("/usr/bin/convert");
    if (!QFileInfo::exists(convert))
        convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    const QString theirs = dir.filePath(prefix + QStringLiteral("-imagemagick.gif"));
    std::vector<double> theirTimes, theirCpu;
    for (int run = 0; run < runs && !convert.isEmpty(); ++run) {
        const double childStart = childCpuMs();
        QStringList args{QStringLiteral("-delay"), QStringLiteral("1500"), QStringLiteral("-loop"),
                         QStringLiteral("0"), QStringLiteral("-colors"), QStringLiteral("256")};
        args << pngs << theirs;
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.start(convert, args);
        process.waitForFinished(-1);
        theirTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        theirCpu.push_back(childCpuMs() - childStart);
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            std::printf("convert failed: %s\n", process.readAllStandardError().constData());
            theirTimes.clear();
            break;
        }
    }

    std::printf("%s: %zu pages of %d x %d, median of %d runs\n", title, images.size(), kPageWidth,
                kPageHeight, runs);
    std::printf("  scrivelle    %9.1f ms wall %9.1f ms cpu  %10lld bytes\n", median(ourTimes),
                median(ourCpu), static_cast<long long>(QFileInfo(ours).size()));
    if (!theirTimes.empty())
        std::printf("  imagemagick  %9.1f ms wall %9.1f ms cpu  %10lld bytes"
                    "   (convert -delay 1500 -loop 0 -colors 256)\n",
                    median(theirTimes), median(theirCpu),
                    static_cast<long long>(QFileInfo(theirs).size()));
    else
        std::printf("  imagemagick  not available\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
        dir.setAutoRemove(false);
        std::printf("pages and files kept in %s\n", qPrintable(dir.path()));
    }
    for (const bool antialiased : {true, false}) {
        QRandomGenerator random(20261207);
        std::vector<QImage> images;
        for (int i = 0; i < pages; ++i)
            images.push_back(makePage(i, random, antialiased));
        compare(antialiased ? "Anti-aliased text" : "Plain text (no anti-aliasing)", images, dir,
                QLatin1String(antialiased ? "aa" : "plain"), runs);
    }
    // Nearly empty pages: long runs of one colour are the LZW table's hardest case.
    std::vector<QImage> sparse;
    for (int i = 0; i < pages; ++i) {
        QImage page(kPageWidth, kPageHeight, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setFont(QFont(QStringLiteral("Arial"), 20, QFont::Bold));
        painter.drawText(kTextLeft, kTextTop + 28, QStringLiteral("Section %1").arg(i + 1));
        sparse.push_back(page);
    }
    compare("Nearly empty pages", sparse, dir, QStringLiteral("sparse"), runs);
    return 0;
}
