// Rich edit engine figures: paginating long documents with the format-range operation
// (measuring mode), rendering one page near the start and near the end, and typing a character
// at the end of a long document.
#include "richedit/RichEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTextCursor>
#include <cstdio>

using namespace richedit;

namespace {

// About 45 lines of 12-point text make one Letter page.
void fill(RichEdit &e, int pages)
{
    QString para = QStringLiteral("The quick brown fox jumps over the lazy dog; pack my box with "
                                  "five dozen liquor jugs. ");
    para = para.repeated(3);
    QStringList paras;
    for (int i = 0; i < pages * 15; ++i)
        paras << para;
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Times New Roman")});
    f.setFontPointSize(12);
    QTextCursor c(e.document());
    c.insertText(paras.join(QLatin1Char('\n')), f);
}

FORMATRANGE range(QPaintDevice *target, QPainter *p, int cp)
{
    FORMATRANGE fr;
    fr.hdc = p;
    fr.hdcTarget = target;
    fr.rc = {1440, 1440, 1440 * 15 / 2, 1440 * 10};
    fr.rcPage = {0, 0, 12240, 15840};
    fr.chrg = {cp, -1};
    return fr;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QImage target(816, 1056, QImage::Format_ARGB32);
    target.setDotsPerMeterX(3780);
    target.setDotsPerMeterY(3780);

    for (int pages : {100, 250, 500}) {
        RichEdit e;
        fill(e, pages);
        QElapsedTimer t;
        t.start();
        int cp = 0, count = 0;
        QList<int> starts;
        while (cp < e.textLength()) {
            starts << cp;
            const FORMATRANGE fr = range(&target, nullptr, cp);
            const int next = e.formatRange(&fr, false);
            if (next <= cp)
                break;
            cp = next;
            ++count;
        }
        const double ms = t.nsecsElapsed() / 1e6;
        std::printf("paginate %4d-page text: %d pages in %8.1f ms (%.3f ms/page)\n", pages, count,
                    ms, ms / count);
        if (pages == 500) {
            for (int k : {0, count - 1}) {
                QImage img(816, 1056, QImage::Format_ARGB32);
                img.fill(Qt::white);
                QElapsedTimer r;
                r.start();
                const int reps = 20;
                for (int i = 0; i < reps; ++i) {
                    QPainter p(&img);
                    const FORMATRANGE fr = range(&target, &p, starts[k]);
                    e.formatRange(&fr, true);
                }
                std::printf("render page %3d: %.2f ms\n", k + 1, r.nsecsElapsed() / 1e6 / reps);
            }
        }
        e.formatRange(nullptr, false);
    }

    RichEdit e;
    fill(e, 500);
    e.resize(709, 464);
    e.show();
    QApplication::processEvents();
    QTextCursor c = e.textCursor();
    c.movePosition(QTextCursor::End);
    e.setTextCursor(c);
    e.lineCount();
    QElapsedTimer t;
    const int keys = 200;
    qint64 total = 0;
    for (int i = 0; i < keys; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        t.start();
        QApplication::sendEvent(&e, &press);
        total += t.nsecsElapsed();
        QApplication::processEvents();
    }
    std::printf("typed character at the end of a 500-page document: %.3f ms per key\n",
                total / 1e6 / keys);
    t.start();
    const int lines = e.lineCount();
    std::printf("display line count of it: %d lines in %.3f ms\n", lines, t.nsecsElapsed() / 1e6);
    return 0;
}
