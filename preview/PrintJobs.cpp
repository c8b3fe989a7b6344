#include "preview/PrintJobs.h"

#include "app/Exceptions.h"
#include "app/Settings.h"
#include "editor/RxRichEd.h"
#include "preview/GmPreview.h"
#include "preview/GmRtfPreview.h"
#include "preview/PreviewPages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

namespace {

// The job's own control; a base of its own so that it outlives the pages laid out from it.
struct JobDocument {
    TRxRichEdit ownSource;
};

// The hidden preview of a job and the control holding its document (the job's own one, unless
// a loader gives another).
struct PreviewSetup : JobDocument, TPreviewPages {
    TRxRichEdit *source = &ownSource;
};

struct Options {
    QString file;
    QString paper;
    bool landscape = false;
    bool hasMargins = false;
    PrintMargins margins;
    QString printer;
    int perSheet = 1;
};

// Parses the options a job accepts; returns an error text, empty when fine.
QString parse(QStringList args, const QString &job, const QStringList &known, Options &o)
{
    if (!args.isEmpty() && args.first() == job)
        args.removeFirst();
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args.at(i);
        const bool takesValue = a == QLatin1String("--paper") || a == QLatin1String("--margins")
            || a == QLatin1String("--printer") || a == QLatin1String("--pages-per-sheet");
        if (a.startsWith(QLatin1String("--")) && !known.contains(a))
            return QStringLiteral("unknown option %1").arg(a);
        if (takesValue && i + 1 >= args.size())
            return QStringLiteral("%1 needs a value").arg(a);
        if (a == QLatin1String("--paper")) {
            o.paper = args.at(++i);
        } else if (a == QLatin1String("--landscape")) {
            o.landscape = true;
        } else if (a == QLatin1String("--margins")) {
            const QStringList parts = args.at(++i).split(QLatin1Char(','));
            double v[4];
            bool ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k) {
                v[k] = parts.at(k).trimmed().toDouble(&ok);
                ok = ok && v[k] >= kMinMarginMm && v[k] <= kMaxMarginMm;
            }
            if (!ok)
                return QStringLiteral("--margins wants four millimetre values L,T,R,B from %1 to %2")
                    .arg(kMinMarginMm).arg(kMaxMarginMm);
            o.hasMargins = true;
            o.margins = {v[0], v[1], v[2], v[3]};
        } else if (a == QLatin1String("--printer")) {
            o.printer = args.at(++i);
        } else if (a == QLatin1String("--pages-per-sheet")) {
            const QString v = args.at(++i);
            if (v != QLatin1String("1") && v != QLatin1String("2") && v != QLatin1String("4"))
                return QStringLiteral("--pages-per-sheet must be 1, 2 or 4");
            o.perSheet = v.toInt();
        } else if (o.file.isEmpty()) {
            o.file = a;
        } else {
            return QStringLiteral("unexpected argument %1").arg(a);
        }
    }
    if (o.file.isEmpty())
        return QStringLiteral("no document given");
    return QString();
}

// Loads the document and lays it out; returns an error text, empty when fine.
QString paginate(PreviewSetup &s, const Options &o, const TDocumentLoader &load)
{
    const PrintMargins m = o.hasMargins
        ? o.margins : readPrintMargins(QCoreApplication::applicationDirPath());
    s.setMargins(m);
    if (!o.paper.isEmpty()) {
        TGmPaperSize paper;
        if (!gmPaperSizeFromName(o.paper, paper) || paper == TGmPaperSize::Custom)
            return QStringLiteral("unknown paper size %1").arg(o.paper);
        s.preview.SetPaperSize(paper);
    }
    if (o.landscape)
        s.preview.SetOrientation(gmLandscape);
    // Margins that meet or cross on the page leave no room for a single line: say so rather
    // than lay out an empty page.
    Extended width = 0, height = 0;
    if (gmPaperSizeInches(s.preview.PaperSize(), width, height)) {
        if (o.landscape)
            std::swap(width, height);
        const double wMm = double(width) * 25.4, hMm = double(height) * 25.4;
        if (m.left + m.right >= wMm || m.top + m.bottom >= hMm)
            return QStringLiteral("The margins (%1, %2, %3, %4 mm) leave no room for text on a "
                                  "page of %5 x %6 mm")
                .arg(m.left).arg(m.top).arg(m.right).arg(m.bottom)
                .arg(qRound(wMm)).arg(qRound(hMm));
    }
    try {
        if (load)
            s.source = load(o.file);
        else if (QFileInfo(o.file).isFile())
            s.ownSource.Lines.LoadDocumentFile(o.file);
        else
            s.source = nullptr;
    } catch (const std::exception &e) {
        return exceptionMessage(e);
    }
    if (!s.source)
        return QStringLiteral("Cannot open file %1").arg(o.file);
    return s.layOut(s.source);
}

} // namespace

PrintMargins readPrintMargins(const QString &folder)
{
    const Settings settings =
        readSettings(QDir(folder).filePath(QStringLiteral("DeskTopDock.ini")));
    return {double(settings.LeftSize), double(settings.TopSize), double(settings.RightSize),
            double(settings.BottomSize)};
}

int runPagesJob(QStringList args, QTextStream &out, QTextStream &err,
                const TDocumentLoader &load)
{
    Options o;
    const QStringList known = {QStringLiteral("--paper"), QStringLiteral("--landscape"),
                               QStringLiteral("--margins")};
    if (const QString e = parse(args, QStringLiteral("--pages"), known, o); !e.isEmpty()) {
        err << "--pages: " << e << Qt::endl;
        return 1;
    }
    auto s = std::make_unique<PreviewSetup>();
    if (const QString e = paginate(*s, o, load); !e.isEmpty()) {
        err << e << Qt::endl;
        return 1;
    }
    out << "Pages: " << s->preview.Count() << '\n';
    for (int n = 1; n <= s->preview.Count(); ++n) {
        const TGmPageRtfInfo &info = s->preview.Pages(n)->RtfInfo();
        out << n << ": " << info.cpMin() << '-' << info.cpMax() << '\n';
    }
    out.flush();
    return 0;
}

int runPrintJob(QStringList args, QTextStream &out, QTextStream &err,
                const TDocumentLoader &load)
{
    Options o;
    const QStringList known = {QStringLiteral("--printer"), QStringLiteral("--pages-per-sheet")};
    if (const QString e = parse(args, QStringLiteral("--print"), known, o); !e.isEmpty()) {
        err << "--print: " << e << Qt::endl;
        return 1;
    }
    auto s = std::make_unique<PreviewSetup>();
    TGmPrinter &printer = s->preview.GmPrinter();
    if (!o.printer.isEmpty())
        printer.SelectPrinter(o.printer);
    if (const QString e = paginate(*s, o, load); !e.isEmpty()) {
        err << e << Qt::endl;
        return 1;
    }
    s->preview.SetPagesPerSheet(o.perSheet == 4 ? gmFourPage
                                                : (o.perSheet == 2 ? gmTwoPage : gmOnePage));
    printer.Title = QFileInfo(o.file).absoluteFilePath();
    printer.OnMessage = [&err](const QString &m) { err << m << Qt::endl; };
    if (!s->preview.Print())
        return 2;
    out << "Printed " << s->preview.Count() << (s->preview.Count() == 1 ? " page" : " pages")
        << " on " << printer.PrinterName() << Qt::endl;
    return 0;
}
