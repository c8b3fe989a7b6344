#include "app/CommandLine.h"

#include "app/Application.h"
#include "app/BatchConvert.h"
#include "app/Exceptions.h"
#include "app/Main.h"
#include "app/Settings.h"
#include "dialogs/Dialogs.h"
#include "files/SafeFile.h"
#include "preview/PrintJobs.h"
#include "widgets/StatusBar.h"

#include <QResizeEvent>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// Dialogs of a run with nobody to answer: messages are kept for the report, questions are
// cancelled.
class HeadlessDialogs : public dialogs::Dialogs {
public:
    QStringList messages;
    void information(const QString &, const QString &text) override { messages << text; }
    dialogs::Answer confirm(const QString &, const QString &, dialogs::Buttons) override
    {
        return dialogs::Answer::Cancel;
    }
    void error(const QString &, const QString &text) override { messages << text; }
    bool openFile(dialogs::FileDialogOptions &) override { return false; }
    bool saveFile(dialogs::FileDialogOptions &) override { return false; }
    bool chooseFont(FontChoice &) override { return false; }
    bool chooseColour(std::uint32_t &, bool) override { return false; }
    bool inputQuery(const QString &, const QString &, QString &) override { return false; }
};

const char kUsage[] =
    "Usage: scrivelle [FILE]\n"
    "       scrivelle --convert INPUT OUTPUT [--pdf-text] [--page-size SIZE] [--seconds N]\n"
    "                 [--frame COLOUR]\n"
    "       scrivelle --convert-to EXT [--outdir DIR] [--pdf-text] FILE...\n"
    "       scrivelle --stats FILE\n"
    "       scrivelle --pages FILE [--paper NAME] [--landscape] [--margins L,T,R,B]\n"
    "       scrivelle --print FILE [--printer NAME] [--pages-per-sheet 1|2|4]\n"
    "       scrivelle --help | --version\n"
    "\n"
    "  FILE             opened at start-up when it exists\n"
    "  --convert        reads INPUT (.rtf .doc .rtc .txt) and writes OUTPUT by its extension\n"
    "                   (.rtf .doc .rtc .txt .pdf .tpf)\n"
    "  --pdf-text       for .pdf: real, selectable text laid out as the print preview shows it\n"
    "                   (default: one picture per page)\n"
    "  --convert-to     converts every FILE to EXT (rtf doc rtc txt pdf tpf) in one run, each\n"
    "                   beside its input or into DIR; failures are reported and skipped, the\n"
    "                   exit status is 1 when any failed\n"
    "  --page-size      for .tpf: full, half, 800x600, 900x675 or 1000x750 (default full)\n"
    "  --seconds        for .tpf: viewing time of a page, 5 to 60 (default 15)\n"
    "  --frame          for .tpf: draw a frame round each page in this colour (#RRGGBB or a name)\n"
    "  --stats          prints the status bar's statistics for FILE\n"
    "  --pages          prints the page count and each page's character range as the print\n"
    "                   preview lays the document out (margins in millimetres; defaults from\n"
    "                   the settings file)\n"
    "  --print          prints every page on the printer (the default printer when none is\n"
    "                   named), one, two or four pages per sheet\n";

int fail(const QString &message)
{
    std::fprintf(stderr, "scrivelle: %s\n", qPrintable(message));
    return 1;
}

struct Headless {
    HeadlessDialogs dialogs;
    dialogs::Dialogs *previous;
    TfrmMainEditor window;
    Headless() : previous(dialogs::setCurrent(&dialogs))
    {
        window.setHeadless(true);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        // Nobody sees this editor: its document is laid out only where a job asks for a
        // place or size in it (exports lay out copies of their own).
        window.Editor->setLayoutDeferred(true);
        // A window that is never shown gets no resize events, so its editor would keep its
        // designed 185 pixels and lay a long paragraph out in a tower of short lines, past
        // the heights the text layout can place. Deliver them as showing the window would.
        for (QWidget *w : {static_cast<QWidget *>(&window), static_cast<QWidget *>(window.Editor)}) {
            QResizeEvent resized(w->size(), QSize());
            QCoreApplication::sendEvent(w, &resized);
        }
        // The print margins of the settings file, as the window would have them: the text PDF
        // is laid out with them.
        const Settings s = readSettings(window.settingsPath());
        window.LeftSize = s.LeftSize;
        window.TopSize = s.TopSize;
        window.RightSize = s.RightSize;
        window.BottomSize = s.BottomSize;
    }
    ~Headless() { dialogs::setCurrent(previous); }
    // A refusal shown as a message (unsupported names) counts as a failure of the job.
    void checkRefusal()
    {
        for (const QString &m : dialogs.messages)
            if (m.startsWith(QLatin1String("Unsupported file type")))
                throw EScrivelleError(m);
    }
};

int convert(const QStringList &args)
{
    if (args.size() < 2)
        return fail(QStringLiteral("--convert needs INPUT and OUTPUT"));
    // The presentation options after INPUT and OUTPUT, as settings for the options value.
    QStringList settings;
    bool textPdf = false;
    static const QList<std::pair<QString, QString>> kOptions{
        {QStringLiteral("--page-size"), QStringLiteral("page")},
        {QStringLiteral("--seconds"), QStringLiteral("seconds")},
        {QStringLiteral("--frame"), QStringLiteral("frame")}};
    for (int i = 2; i < args.size(); i += 2) {
        if (args[i] == QLatin1String("--pdf-text")) {
            textPdf = true;
            --i; // a flag without a value
            continue;
        }
        const auto option = std::find_if(kOptions.begin(), kOptions.end(),
                                         [&](const auto &o) { return o.first == args[i]; });
        if (option == kOptions.end() || i + 1 >= args.size())
            return fail(QStringLiteral("unknown or incomplete option \"%1\"").arg(args[i]));
        settings << option->second + QLatin1Char('=') + args[i + 1];
    }
    if (textPdf && !args[1].endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return fail(QStringLiteral("--pdf-text needs an OUTPUT name ending in .pdf"));
    Headless h;
    QString error;
    if (!parsePresentationOptions(settings, h.window.presentationOptions, &error))
        return fail(error);
    h.window.LoadDocument(args[0]);
    h.checkRefusal();
    h.window.SaveDialog1.fileName = args[1];
    h.window.saveByExtension(args[1], textPdf);
    h.checkRefusal();
    return 0;
}

int convertMany(const QStringList &args)
{
    BatchJob job;
    if (const QString error = parseBatchArguments(args, job); !error.isEmpty()) {
        fail(error);
        return 2;
    }
    Headless h;
    QTextStream err(stderr);
    return runBatch(job, [&h, &job](const QString &input, const QString &output) {
        h.dialogs.messages.clear();
        h.window.LoadDocument(input);
        h.checkRefusal();
        h.window.SaveDialog1.fileName = output;
        h.window.saveByExtension(output, job.textPdf);
        h.checkRefusal();
    }, err, isatty(fileno(stderr)));
}

int stats(const QStringList &args)
{
    if (args.isEmpty())
        return fail(QStringLiteral("--stats needs FILE"));
    Headless h;
    h.window.show(); // off screen, for the editor's layout at its designed size
    h.window.LoadDocument(args[0]);
    h.checkRefusal();
    QCoreApplication::processEvents();
    h.window.Editor->setSelectionStart(0);
    h.window.UpdateStatusBar();
    QTextStream out(stdout);
    for (int i = 1; i <= 4; ++i)
        out << h.window.StatusBar1->panelText(i) << '\n';
    return 0;
}

} // namespace

QStringList argumentFileNames(int argc, char **argv, int first, QString *refusal)
{
    QStringList names;
    refusal->clear();
    for (int i = first; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString name = files::fileNameFromBytes(raw);
        if (name.isNull() && !raw.isEmpty()) {
            *refusal = QStringLiteral("The name \"%1\" is not valid in the file name encoding; "
                                      "nothing was read or written")
                           .arg(QString::fromLocal8Bit(raw));
            break;
        }
        names << name;
    }
    return names;
}

int runCommandLine(int argc, char **argv)
{
    const QByteArray option(argv[1]);
    if (option == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (option == "--version") {
        std::printf("Scrivelle %s\n", SCRIVELLE_VERSION);
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ScrivelleApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Scrivelle")); // the same settings folder
    QString refusal;
    const QStringList args = argumentFileNames(argc, argv, 2, &refusal);
    if (!refusal.isEmpty())
        return fail(refusal);
    try {
        if (option == "--convert")
            return convert(args);
        if (option == "--convert-to")
            return convertMany(args);
        if (option == "--stats")
            return stats(args);
        if (option == "--pages" || option == "--print") {
            Headless h;
            auto load = [&h](const QString &file) {
                h.window.LoadDocument(file);
                h.checkRefusal();
                return h.window.Editor;
            };
            QTextStream out(stdout);
            QTextStream err(stderr);
            return option == "--pages" ? runPagesJob(args, out, err, load)
                                       : runPrintJob(args, out, err, load);
        }
    } catch (const EAbort &) {
        return fail(QStringLiteral("cancelled"));
    } catch (const std::exception &e) {
        return fail(exceptionMessage(e));
    }
    std::fputs(kUsage, stderr);
    return 2;
}
