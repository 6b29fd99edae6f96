#include "Manifest.h"

#include "catalogue/SoundFileNames.h"
#include "storage/AtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStandardPaths>
#include <QStringList>

#include <cmath>

namespace sonquill {

namespace {

// 2 added the target's ctime and inode; a record of format 1 proves nothing and is dropped.
constexpr int kFormat = 2;

qint64 wideOf(const QJsonValue &value)
{
    return value.toString().toLongLong();
}

// text as a JSON string, escaped as QJsonDocument escapes it.
void appendJsonString(QByteArray &out, const QString &text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (uchar(c) < 0x20) {
                out += "\\u00";
                out += kHex[uchar(c) >> 4];
                out += kHex[uchar(c) & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// The record's file, byte for byte as QJsonDocument writes it compact (keys sorted), built
// directly: a QJsonObject of a thousand entries takes longer to build than a small run's copies.
// Nanosecond times do not fit a JSON number exactly; they are kept as decimal text.
QByteArray recordJson(const QHash<QString, MadeRecord> &records)
{
    QStringList names = records.keys();
    names.sort();
    QByteArray out;
    out.reserve(names.size() * 320 + 32);
    out += "{\"files\":{";
    bool first = true;
    for (const QString &name : std::as_const(names)) {
        const MadeRecord &record = *records.constFind(name);
        const auto wide = [&out](const char *key, qint64 value) {
            out += ",\"";
            out += key;
            out += "\":\"";
            out += QByteArray::number(value);
            out += '"';
        };
        if (!first)
            out += ',';
        first = false;
        appendJsonString(out, name);
        out += ":{";
        if (std::isfinite(record.gainDb)) {
            out += "\"gainDb\":";
            out += QByteArray::number(record.gainDb, 'g', QLocale::FloatingPointShortest);
            out += ',';
        }
        out += "\"how\":";
        appendJsonString(out, record.how);
        out += ",\"source\":";
        appendJsonString(out, record.source);
        wide("sourceMtimeNs", record.sourceMtimeNs);
        wide("sourceSize", record.sourceSize);
        wide("targetCtimeNs", record.targetCtimeNs);
        wide("targetInode", qint64(record.targetInode));
        wide("targetMtimeNs", record.targetMtimeNs);
        wide("targetSize", record.targetSize);
        out += '}';
    }
    out += "},\"format\":";
    out += QByteArray::number(kFormat);
    out += '}';
    return out;
}

// The same file, unchanged, as far as one stat can tell.
bool sameStamp(const FileStamp &a, const FileStamp &b)
{
    return a.exists && b.exists && a.regular && b.regular && a.size == b.size &&
           a.mtimeNs == b.mtimeNs && a.ctimeNs == b.ctimeNs && a.device == b.device &&
           a.inode == b.inode;
}

} // namespace

bool MadeRecord::describes(const FileStamp &targetNow) const
{
    return targetNow.exists && targetNow.regular && targetInode != 0 &&
           targetNow.inode == targetInode && targetNow.size == targetSize &&
           targetNow.mtimeNs == targetMtimeNs && targetNow.ctimeNs == targetCtimeNs;
}

bool MadeRecord::matches(const QString &sourcePath, const FileStamp &sourceNow,
                         const QString &madeHow, const FileStamp &targetNow) const
{
    return source == sourcePath && how == madeHow && sourceNow.exists && sourceNow.regular &&
           sourceNow.size == sourceSize && sourceNow.mtimeNs == sourceMtimeNs &&
           describes(targetNow);
}

MadeRecord MadeRecord::of(const QString &sourcePath, const FileStamp &sourceStamp,
                          const QString &madeHow, const FileStamp &targetStamp)
{
    return {sourcePath,       sourceStamp.size,    sourceStamp.mtimeNs, madeHow,
            targetStamp.size, targetStamp.mtimeNs, targetStamp.ctimeNs, targetStamp.inode};
}

QString Manifest::PathFor(const QString &gameFolder)
{
    const QFileInfo info(gameFolder);
    QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(info.absoluteFilePath());
    QString name = QFileInfo(canonical).fileName();
    for (QChar &c : name) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('-') || c == QLatin1Char('_');
        if (!plain)
            c = QLatin1Char('_');
    }
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache + QStringLiteral("/Sonquill/distribution/") + name.left(64) + QLatin1Char('-') +
           QString::fromLatin1(hash) + QStringLiteral(".json");
}

Manifest Manifest::Load(const QString &gameFolder)
{
    Manifest manifest;
    manifest.m_path = PathFor(gameFolder);
    // A pipe or a device under the record's name would block the run or never end.
    const FileStamp before = StampOf(manifest.m_path);
    if (!before.exists || !before.regular)
        return manifest;
    QFile file(manifest.m_path);
    if (!file.open(QIODevice::ReadOnly))
        return manifest;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    if (root.value(QStringLiteral("format")).toInt() != kFormat)
        return manifest;
    const QJsonObject files = root.value(QStringLiteral("files")).toObject();
    bool dropped = false;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const auto number = NumberOfSoundFileName(it.key());
        if (!number || it.key().contains(QLatin1Char('/')) ||
            it.key().contains(QLatin1Char('\\'))) {
            dropped = true;
            continue;
        }
        MadeRecord record;
        record.source = entry.value(QStringLiteral("source")).toString();
        record.sourceSize = wideOf(entry.value(QStringLiteral("sourceSize")));
        record.sourceMtimeNs = wideOf(entry.value(QStringLiteral("sourceMtimeNs")));
        record.how = entry.value(QStringLiteral("how")).toString();
        record.targetSize = wideOf(entry.value(QStringLiteral("targetSize")));
        record.targetMtimeNs = wideOf(entry.value(QStringLiteral("targetMtimeNs")));
        record.targetCtimeNs = wideOf(entry.value(QStringLiteral("targetCtimeNs")));
        record.targetInode = quint64(wideOf(entry.value(QStringLiteral("targetInode"))));
        if (entry.value(QStringLiteral("gainDb")).isDouble())
            record.gainDb = entry.value(QStringLiteral("gainDb")).toDouble();
        manifest.records.insert(it.key(), record);
    }
    // Known to hold exactly these records only when nothing was dropped and the file did not
    // change while it was read.
    const FileStamp after = StampOf(manifest.m_path);
    if (!dropped && sameStamp(before, after)) {
        manifest.m_onDisk = manifest.records;
        manifest.m_diskStamp = after;
        manifest.m_inSync = true;
    }
    return manifest;
}

FileError Manifest::Save()
{
    // A run with nothing to do leaves the record as it is: serialising and writing it whole
    // costs more than the rest of such a run.
    if (m_inSync && records == m_onDisk && sameStamp(m_diskStamp, StampOf(m_path)))
        return {};
    m_inSync = false;
    if (!QDir().mkpath(QFileInfo(m_path).path())) {
        return {int(QFileDevice::OpenError),
                QStringLiteral("the folder %1 cannot be made").arg(QFileInfo(m_path).path())};
    }
    if (const FileError failed = WriteWholeFile(m_path, recordJson(records)))
        return failed;
    m_onDisk = records;
    m_diskStamp = StampOf(m_path);
    m_inSync = m_diskStamp.exists && m_diskStamp.regular;
    return {};
}

} // namespace sonquill
