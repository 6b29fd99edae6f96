#include "Manifest.h"

#include "catalogue/SoundFileNames.h"
#include "storage/AtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cmath>

namespace sonquill {

namespace {

// 2 added the target's ctime and inode; a record of format 1 proves nothing and is dropped.
constexpr int kFormat = 2;

// Nanosecond times do not fit a JSON number exactly; they are kept as decimal text.
QJsonValue wide(qint64 value)
{
    return QString::number(value);
}

qint64 wideOf(const QJsonValue &value)
{
    return value.toString().toLongLong();
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
    if (!QFileInfo(manifest.m_path).isFile())
        return manifest;
    QFile file(manifest.m_path);
    if (!file.open(QIODevice::ReadOnly))
        return manifest;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    if (root.value(QStringLiteral("format")).toInt() != kFormat)
        return manifest;
    const QJsonObject files = root.value(QStringLiteral("files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const auto number = NumberOfSoundFileName(it.key());
        if (!number || it.key().contains(QLatin1Char('/')) || it.key().contains(QLatin1Char('\\')))
            continue;
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
    return manifest;
}

FileError Manifest::Save() const
{
    QJsonObject files;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const MadeRecord &record = it.value();
        QJsonObject entry{
            {QStringLiteral("source"), record.source},
            {QStringLiteral("sourceSize"), wide(record.sourceSize)},
            {QStringLiteral("sourceMtimeNs"), wide(record.sourceMtimeNs)},
            {QStringLiteral("how"), record.how},
            {QStringLiteral("targetSize"), wide(record.targetSize)},
            {QStringLiteral("targetMtimeNs"), wide(record.targetMtimeNs)},
            {QStringLiteral("targetCtimeNs"), wide(record.targetCtimeNs)},
            {QStringLiteral("targetInode"), wide(qint64(record.targetInode))},
        };
        if (std::isfinite(record.gainDb))
            entry.insert(QStringLiteral("gainDb"), record.gainDb);
        files.insert(it.key(), entry);
    }
    const QJsonObject root{{QStringLiteral("format"), kFormat}, {QStringLiteral("files"), files}};
    if (!QDir().mkpath(QFileInfo(m_path).path())) {
        return {int(QFileDevice::OpenError),
                QStringLiteral("the folder %1 cannot be made").arg(QFileInfo(m_path).path())};
    }
    return WriteWholeFile(m_path, QJsonDocument(root).toJson(QJsonDocument::Compact));
}

} // namespace sonquill
