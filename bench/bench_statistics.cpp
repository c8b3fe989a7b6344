// Status bar statistics on a 500-page document: the whole-text count on every refresh against
// the per-paragraph cache, for a character typed at the end and in the middle.
#include "app/Statistics.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// About 500 pages of 45 lines of 70 characters, in paragraphs of about six lines.
QString manuscript()
{
    const QString sentence =
        QStringLiteral("The quick brown fox, it is said, jumps over the lazy dog's back again. ");
    QString text;
    for (int page = 0; page < 500; ++page) {
        for (int paragraph = 0; paragraph < 7; ++paragraph) {
            for (int line = 0; line < 6; ++line)
                text += sentence;
            text += u'\n';
        }
    }
    return text;
}

QString windowText(const QTextDocument &doc)
{
    QStringList paragraphs;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        paragraphs.append(b.text());
    return paragraphs.join(QStringLiteral("\r\n"));
}

struct Figures {
    double median = 0;
    double worst = 0;
};

// Times the insertion and refresh() for each of n typed characters at the position where().
Figures timeKeystrokes(QTextDocument &doc, int n, const std::function<int()> &where,
                       const std::function<void()> &refresh)
{
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        QTextCursor c(&doc);
        c.setPosition(where());
        QElapsedTimer t;
        t.start();
        c.insertText(QStringLiteral("x"));
        refresh();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextDocument doc;
    doc.setPlainText(manuscript());
    doc.documentLayout();
    std::printf("document: %d paragraphs, %d characters\n", doc.blockCount(),
                doc.characterCount());

    const auto atEnd = [&] { return doc.characterCount() - 1; };
    const auto inMiddle = [&] { return doc.characterCount() / 2; };
    volatile qint64 sink = 0;

    const Figures bareEnd = timeKeystrokes(doc, 200, atEnd, [] {});
    const Figures bareMiddle = timeKeystrokes(doc, 200, inMiddle, [] {});
    const Figures fullEnd = timeKeystrokes(doc, 50, atEnd, [&] {
        sink = sink + CountTextStatistics(QStringView(windowText(doc)), 1).WordsText.size();
    });

    StatisticsCache cache(&doc);
    QElapsedTimer build;
    build.start();
    cache.rebuild();
    const double buildMs = double(build.nsecsElapsed()) / 1e6;
    const auto cached = [&] { sink = sink + cache.texts(1).WordsText.size(); };
    const Figures cacheEnd = timeKeystrokes(doc, 200, atEnd, cached);
    const Figures cacheMiddle = timeKeystrokes(doc, 200, inMiddle, cached);

    std::printf("typing alone (document's own work):   median %.3f ms, worst %.3f ms at end\n",
                bareEnd.median, bareEnd.worst);
    std::printf("                                       median %.3f ms, worst %.3f ms in middle\n",
                bareMiddle.median, bareMiddle.worst);
    std::printf("whole-text count per keystroke:        median %.3f ms, worst %.3f ms\n",
                fullEnd.median, fullEnd.worst);
    std::printf("cached count per keystroke, at end:    median %.3f ms, worst %.3f ms\n",
                cacheEnd.median, cacheEnd.worst);
    std::printf("cached count per keystroke, in middle: median %.3f ms, worst %.3f ms\n",
                cacheMiddle.median, cacheMiddle.worst);
    std::printf("full count when the cache is built:    %.3f ms\n", buildMs);
    std::printf("whole-document counts while typing: %d\n", cache.fullCounts() - 2);
    return sink < 0;
}
