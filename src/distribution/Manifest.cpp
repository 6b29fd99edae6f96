#include "Manifest.h"

#include "catalogue/SoundFileNames.h"
#include "storage/AtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QStringList>
#include <QtEndian>

#include <bit>
#include <cmath>
#include <optional>

namespace sonquill {

namespace {

// The record is a QDataStream of its entries behind a magic and a format number. Format 2 was
// JSON, read once when no record of this format exists yet, so an upgrade remakes nothing; it
// had added the target's ctime and inode to format 1, which proves nothing and is dropped.
constexpr quint32 kMagic = 0x53515243; // "SQRC"
constexpr qint32 kFormat = 3;
constexpr int kJsonFormat = 2;

// Writes what a QDataStream (Qt 6.4 format) writes (big-endian numbers, a string as its byte
// count and UTF-16, a null string as a count of 0xFFFFFFFF) straight into bytes sized exactly
// beforehand: a thousand entries through a QIODevice cost more than the rest of a run's saving.
class RecordWriter
{
public:
    explicit RecordWriter(char *at) : m_at(at) {}

    static qsizetype sizeOf(const QString &value) { return 4 + 2 * value.size(); }
    template <typename Number> void write(Number value)
    {
        qToBigEndian(value, m_at);
        m_at += sizeof(Number);
    }
    void write(double value) { write(std::bit_cast<quint64>(value)); }
    void write(const QString &value)
    {
        constexpr quint32 kNullString = 0xFFFFFFFF;
        write(value.isNull() ? kNullString : quint32(2 * value.size()));
        // unicode(), not utf16(): that one may reallocate a null string to terminate it.
        qToBigEndian<char16_t>(value.unicode(), value.size(), m_at);
        m_at += 2 * value.size();
    }
    const char *at() const { return m_at; }

private:
    char *m_at;
};

QByteArray recordBytes(const QHash<QString, MadeRecord> &records)
{
    constexpr qsizetype kNumbersPerEntry = 7; // of 8 bytes each
    qsizetype size = sizeof kMagic + sizeof kFormat + sizeof(qint32);
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        size += RecordWriter::sizeOf(it.key()) + RecordWriter::sizeOf(it.value().source) +
                RecordWriter::sizeOf(it.value().how) + kNumbersPerEntry * 8;
    }
    QByteArray out(size, Qt::Uninitialized);
    RecordWriter writer(out.data());
    writer.write(kMagic);
    writer.write(kFormat);
    writer.write(qint32(records.size()));
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const MadeRecord &record = it.value();
        writer.write(it.key());
        writer.write(record.source);
        writer.write(record.how);
        writer.write(record.sourceSize);
        writer.write(record.sourceMtimeNs);
        writer.write(record.targetSize);
        writer.write(record.targetMtimeNs);
        writer.write(record.targetCtimeNs);
        writer.write(record.targetInode);
        writer.write(record.gainDb);
    }
    Q_ASSERT(writer.at() == out.constData() + out.size());
    return out;
}

// A name the record may hold: a bare SOUND<n> file of the game folder, nothing that leads out
// of it.
bool isRecordableName(const QString &name)
{
    return NumberOfSoundFileName(name) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\'));
}

// Reads the fields QDataStream wrote (big-endian numbers, strings as a byte count and UTF-16)
// straight from the bytes: ten reads an entry through a QIODevice cost a run with nothing to do
// more than all else it does with the record.
class RecordReader
{
public:
    explicit RecordReader(const QByteArray &bytes)
        : m_at(bytes.constData()), m_end(bytes.constData() + bytes.size())
    {}

    template <typename Number> bool read(Number &value)
    {
        if (m_end - m_at < qsizetype(sizeof(Number)))
            return false;
        value = qFromBigEndian<Number>(m_at);
        m_at += sizeof(Number);
        return true;
    }
    bool read(double &value)
    {
        quint64 bits = 0;
        if (!read(bits))
            return false;
        value = std::bit_cast<double>(bits);
        return true;
    }
    bool read(QString &value)
    {
        constexpr quint32 kNullString = 0xFFFFFFFF;
        quint32 bytes = 0;
        if (!read(bytes))
            return false;
        if (bytes == kNullString) {
            value = QString();
            return true;
        }
        if (bytes % 2 != 0 || quint64(m_end - m_at) < bytes)
            return false;
        value.resize(qsizetype(bytes / 2));
        qFromBigEndian<char16_t>(m_at, qsizetype(bytes / 2), value.data());
        m_at += bytes;
        return true;
    }
    bool atEnd() const { return m_at == m_end; }

private:
    const char *m_at;
    const char *m_end;
};

// The entries of a record file; false when it is no record of this format or is cut short.
// dropped is set when entries were left out for their names.
bool parseRecord(const QByteArray &bytes, QHash<QString, MadeRecord> &records, bool *dropped)
{
    RecordReader stream(bytes);
    quint32 magic = 0;
    qint32 format = 0;
    qint32 count = 0;
    if (!stream.read(magic) || !stream.read(format) || !stream.read(count) || magic != kMagic ||
        format != kFormat || count < 0)
        return false;
    records.reserve(qMin(count, 100000));
    for (qint32 i = 0; i < count; ++i) {
        QString name;
        MadeRecord record;
        if (!stream.read(name) || !stream.read(record.source) || !stream.read(record.how) ||
            !stream.read(record.sourceSize) || !stream.read(record.sourceMtimeNs) ||
            !stream.read(record.targetSize) || !stream.read(record.targetMtimeNs) ||
            !stream.read(record.targetCtimeNs) || !stream.read(record.targetInode) ||
            !stream.read(record.gainDb))
            return false;
        if (isRecordableName(name))
            records.insert(name, record);
        else
            *dropped = true;
    }
    return stream.atEnd();
}

qint64 wideOf(const QJsonValue &value)
{
    return value.toString().toLongLong();
}

// The entries of a record an earlier version wrote as JSON.
bool parseJsonRecord(const QByteArray &bytes, QHash<QString, MadeRecord> &records, bool *dropped)
{
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    if (root.value(QStringLiteral("format")).toInt() != kJsonFormat)
        return false;
    const QJsonObject files = root.value(QStringLiteral("files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (!isRecordableName(it.key())) {
            *dropped = true;
            continue;
        }
        const QJsonObject entry = it.value().toObject();
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
        records.insert(it.key(), record);
    }
    return true;
}

// The bytes of a regular file, or nothing: a pipe or a device under the record's name would
// block the run or never end. stamp receives the file's stamp before it was read.
std::optional<QByteArray> readRegularFile(const QString &path, FileStamp *stamp)
{
    *stamp = StampOf(path);
    if (!stamp->exists || !stamp->regular)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
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
           QString::fromLatin1(hash) + QStringLiteral(".record");
}

QString Manifest::JsonPathFor(const QString &gameFolder)
{
    QString path = PathFor(gameFolder);
    path.chop(int(qstrlen(".record")));
    return path + QStringLiteral(".json");
}

Manifest Manifest::Load(const QString &gameFolder)
{
    Manifest manifest;
    manifest.m_path = PathFor(gameFolder);
    FileStamp before;
    bool dropped = false;
    if (const auto bytes = readRegularFile(manifest.m_path, &before)) {
        if (!parseRecord(*bytes, manifest.records, &dropped)) {
            manifest.records.clear();
            return manifest;
        }
    } else if (!before.exists) {
        manifest.m_legacyPath = JsonPathFor(gameFolder);
        FileStamp legacy;
        if (const auto json = readRegularFile(manifest.m_legacyPath, &legacy)) {
            if (!parseJsonRecord(*json, manifest.records, &dropped))
                manifest.records.clear();
        }
        // Written in this format by the next save, which then removes the JSON.
        return manifest;
    } else {
        return manifest;
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

bool Manifest::isSaved() const
{
    return m_inSync && records == m_onDisk && sameStamp(m_diskStamp, StampOf(m_path));
}

FileError Manifest::Save()
{
    // A run with nothing to do leaves the record as it is: serialising and writing it whole
    // costs more than the rest of such a run.
    if (isSaved())
        return {};
    m_inSync = false;
    if (!QDir().mkpath(QFileInfo(m_path).path())) {
        return {int(QFileDevice::OpenError),
                QStringLiteral("the folder %1 cannot be made").arg(QFileInfo(m_path).path())};
    }
    if (const FileError failed = WriteWholeFile(m_path, recordBytes(records)))
        return failed;
    if (!m_legacyPath.isEmpty()) {
        QFile::remove(m_legacyPath);
        m_legacyPath.clear();
    }
    m_onDisk = records;
    m_diskStamp = StampOf(m_path);
    m_inSync = m_diskStamp.exists && m_diskStamp.regular;
    return {};
}

} // namespace sonquill
