#include "documents/RecoveryCopy.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <zlib.h>

namespace {

const QByteArray kSignature = QByteArrayLiteral("SCRIVELLE RECOVERY COPY 1\n");

quint32 crcOf(const QByteArray &bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most 4 GiB per call; a document is far smaller, but walk in steps anyway.
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const uInt step = uInt(qMin<qsizetype>(left, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef *>(p), step);
        p += step;
        left -= step;
    }
    return quint32(crc);
}

} // namespace

QByteArray encodeRecoveryCopy(const RecoveryCopy &copy)
{
    QJsonObject header;
    header[QStringLiteral("fileName")] = copy.fileName;
    header[QStringLiteral("anchor")] = copy.anchor;
    header[QStringLiteral("caret")] = copy.caret;
    header[QStringLiteral("time")] = copy.time.toUTC().toString(Qt::ISODateWithMs);
    header[QStringLiteral("excerpt")] = copy.excerpt;
    header[QStringLiteral("length")] = double(copy.rtf.size());
    header[QStringLiteral("crc32")] = double(crcOf(copy.rtf));
    QByteArray out = kSignature;
    out += QJsonDocument(header).toJson(QJsonDocument::Compact);
    out += '\n';
    out += copy.rtf;
    return out;
}

RecoveryCopyRead decodeRecoveryCopy(const QByteArray &bytes)
{
    RecoveryCopyRead result;
    if (!bytes.startsWith(kSignature)) {
        result.status = RecoveryCopyStatus::NotACopy;
        return result;
    }
    const qsizetype headerStart = kSignature.size();
    const qsizetype headerEnd = bytes.indexOf('\n', headerStart);
    if (headerEnd < 0) {
        result.status = RecoveryCopyStatus::BadHeader;
        return result;
    }
    QJsonParseError error;
    const QJsonDocument json =
        QJsonDocument::fromJson(bytes.mid(headerStart, headerEnd - headerStart), &error);
    const QJsonObject header = json.object();
    const QJsonValue length = header.value(QStringLiteral("length"));
    const QJsonValue crc = header.value(QStringLiteral("crc32"));
    const QDateTime time = QDateTime::fromString(header.value(QStringLiteral("time")).toString(),
                                                 Qt::ISODateWithMs);
    if (error.error != QJsonParseError::NoError || !json.isObject() || !length.isDouble()
        || !crc.isDouble() || length.toDouble() < 0 || !time.isValid()) {
        result.status = RecoveryCopyStatus::BadHeader;
        return result;
    }
    const qsizetype payloadStart = headerEnd + 1;
    const qsizetype payloadLength = qsizetype(length.toDouble());
    const qsizetype available = bytes.size() - payloadStart;
    if (available < payloadLength) {
        result.status = RecoveryCopyStatus::Truncated;
        return result;
    }
    const QByteArray rtf = bytes.mid(payloadStart, payloadLength);
    if (available > payloadLength || crcOf(rtf) != quint32(crc.toDouble())) {
        result.status = RecoveryCopyStatus::Corrupted;
        return result;
    }
    result.copy.fileName = header.value(QStringLiteral("fileName")).toString();
    result.copy.anchor = header.value(QStringLiteral("anchor")).toInt();
    result.copy.caret = header.value(QStringLiteral("caret")).toInt();
    result.copy.time = time;
    result.copy.excerpt = header.value(QStringLiteral("excerpt")).toString();
    result.copy.rtf = rtf;
    return result;
}

QString recoveryCopyProblem(RecoveryCopyStatus status)
{
    switch (status) {
    case RecoveryCopyStatus::Ok: return QString();
    case RecoveryCopyStatus::NotACopy: return QStringLiteral("it is not a recovery copy");
    case RecoveryCopyStatus::BadHeader: return QStringLiteral("its description is damaged");
    case RecoveryCopyStatus::Truncated: return QStringLiteral("it is incomplete");
    case RecoveryCopyStatus::Corrupted: return QStringLiteral("its contents are damaged");
    }
    return QString();
}
