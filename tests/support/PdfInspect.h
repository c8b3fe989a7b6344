#pragma once
// Test-side reading of the writer's output: objects found through the cross-reference table,
// stream data cut by the length the file declares, and the outside PDF tools.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>

namespace pdfinspect {

inline QByteArray crlf(const char *text)
{
    return QByteArray(text).replace("\n", "\r\n");
}

// Byte offsets listed in the cross-reference table, object 1 first.
inline QList<qint64> xrefOffsets(const QByteArray &pdf)
{
    QList<qint64> offsets;
    const qsizetype xref = pdf.lastIndexOf("\r\nxref\r\n");
    if (xref < 0)
        return offsets;
    const QList<QByteArray> lines = pdf.mid(xref + 2).split('\n');
    const int count = lines.value(1).split(' ').value(1).trimmed().toInt();
    for (int k = 1; k < count; ++k)
        offsets.append(lines.value(2 + k).left(10).toLongLong());
    return offsets;
}

// Text of object n, from its "n 0 obj" line through its "endobj" line.
inline QByteArray object(const QByteArray &pdf, int n)
{
    const QList<qint64> offsets = xrefOffsets(pdf);
    if (n < 1 || n > offsets.size())
        return {};
    const qint64 start = offsets[n - 1];
    const qsizetype end = pdf.indexOf("endobj\r\n", start);
    return end < 0 ? QByteArray() : pdf.mid(start, end + 8 - start);
}

// The stream data of object n, cut by the /Length the object declares, either directly or
// through an indirect length object.
inline QByteArray streamData(const QByteArray &pdf, int n)
{
    const QByteArray obj = object(pdf, n);
    static const QRegularExpression direct(QStringLiteral("/Length (\\d+)\\r\\n"));
    static const QRegularExpression indirect(QStringLiteral("/Length (\\d+) 0 R"));
    qint64 length = -1;
    if (auto m = indirect.match(QString::fromLatin1(obj)); m.hasMatch())
        length = object(pdf, m.captured(1).toInt()).split('\n').value(1).trimmed().toLongLong();
    else if (auto d = direct.match(QString::fromLatin1(obj)); d.hasMatch())
        length = d.captured(1).toLongLong();
    const qsizetype data = obj.indexOf("stream\r\n");
    return length < 0 || data < 0 ? QByteArray() : obj.mid(data + 8, length);
}

inline bool haveTool(const char *name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
};

inline ToolRun runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

// Renders page `page` of a PDF at the given resolution through pdftoppm; null when it fails.
inline QImage renderPage(const QString &pdf, int page, int dpi, const QString &prefix)
{
    const QString n = QString::number(page);
    const ToolRun r = runTool(QStringLiteral("pdftoppm"),
                              {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), n,
                               QStringLiteral("-l"), n, QStringLiteral("-singlefile"),
                               QStringLiteral("-png"), pdf, prefix});
    return r.exitCode == 0 ? QImage(prefix + QStringLiteral(".png")) : QImage();
}

} // namespace pdfinspect
