#include "app/BatchConvert.h"

#include "app/Exceptions.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QStringList kExtensions = {QStringLiteral("rtf"), QStringLiteral("doc"),
                                 QStringLiteral("rtc"), QStringLiteral("txt"),
                                 QStringLiteral("pdf"), QStringLiteral("tpf")};

// Where the progress line stands: "[3/100] name", rewritten in place on a terminal.
void showProgress(QTextStream &err, int done, int total, const QString &name)
{
    err << "\r\033[K[" << done << '/' << total << "] " << name;
    err.flush();
}

void clearProgress(QTextStream &err)
{
    err << "\r\033[K";
}

} // namespace

QString parseBatchArguments(const QStringList &args, BatchJob &job)
{
    if (args.isEmpty())
        return QStringLiteral("--convert-to needs an extension and at least one file");
    QString ext = args.first().toLower();
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    if (!kExtensions.contains(ext))
        return QStringLiteral("--convert-to: unknown extension \"%1\" (one of %2)")
            .arg(args.first(), kExtensions.join(QLatin1Char(' ')));
    job.extension = ext;
    bool filesOnly = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!filesOnly && a == QLatin1String("--")) {
            filesOnly = true;
        } else if (!filesOnly && a == QLatin1String("--outdir")) {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
                return QStringLiteral("--outdir needs a folder");
            job.outDir = args.at(++i);
        } else if (!filesOnly && a == QLatin1String("--pdf-text")) {
            job.textPdf = true;
        } else if (!filesOnly && a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("--convert-to: unknown option \"%1\"").arg(a);
        } else {
            job.files << a;
        }
    }
    if (job.textPdf && job.extension != QLatin1String("pdf"))
        return QStringLiteral("--pdf-text needs --convert-to pdf");
    if (job.files.isEmpty())
        return QStringLiteral("--convert-to needs at least one file");
    return QString();
}

QString batchOutputName(const QString &input, const BatchJob &job)
{
    const QFileInfo in(input);
    const QString name = in.completeBaseName() + QLatin1Char('.') + job.extension;
    return QDir::cleanPath(job.outDir.isEmpty() ? in.dir().filePath(name)
                                                : QDir(job.outDir).filePath(name));
}

int runBatch(const BatchJob &job, const BatchConverter &convert, QTextStream &err,
             bool terminal)
{
    if (!job.outDir.isEmpty() && !QDir().mkpath(job.outDir)) {
        err << "scrivelle: cannot create the folder " << job.outDir << Qt::endl;
        return 1;
    }
    const int total = int(job.files.size());
    int failed = 0;
    QSet<QString> written; // outputs of this run, so one input never replaces another's
    for (int i = 0; i < total; ++i) {
        const QString &input = job.files.at(i);
        const QString output = batchOutputName(input, job);
        if (terminal)
            showProgress(err, i + 1, total, input);
        QString error;
        const QString outputKey = QFileInfo(output).absoluteFilePath();
        const QString canonicalOut = QFileInfo(output).canonicalFilePath();
        if (outputKey == QFileInfo(input).absoluteFilePath()
            || (!canonicalOut.isEmpty() && canonicalOut == QFileInfo(input).canonicalFilePath())) {
            error = QStringLiteral("the output would replace the input; nothing was written");
        } else if (written.contains(outputKey)) {
            error = QStringLiteral("%1 was already written by this run; nothing was written")
                        .arg(output);
        } else {
            try {
                convert(input, output);
                written.insert(outputKey);
            } catch (const EAbort &) {
                error = QStringLiteral("cancelled");
            } catch (const std::exception &e) {
                error = exceptionMessage(e);
            }
        }
        if (!error.isEmpty()) {
            ++failed;
            if (terminal)
                clearProgress(err);
            err << "scrivelle: " << input << ": " << error << Qt::endl;
        }
    }
    if (terminal) {
        clearProgress(err);
        err << "Converted " << (total - failed) << " of " << total
            << (total == 1 ? " file" : " files") << Qt::endl;
    }
    return failed > 0 ? 1 : 0;
}
