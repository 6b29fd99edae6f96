#include "SoundInfoFile.h"

#include "AnsiCodec.h"
#include "AtomicFile.h"
#include "CatalogueBackup.h"
#include "DeviceError.h"
#include "ErrorReport.h"

#include "catalogue/PathUtils.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

namespace sonquill {

namespace {

// The smallest record: three 2-byte numbers, a 4-byte size, 36 reserved bytes and eleven empty
// strings of two bytes each.
constexpr qsizetype kMinimumRecordBytes = 2 * 3 + 4 + 36 + 11 * 2;
constexpr qsizetype kMaximumStringBytes = 0xFFFF;

// Writes a catalogue's fields into bytes sized beforehand: a thousand records field by field
// through QByteArray's own appends cost several times the copying itself.
class Writer
{
public:
    explicit Writer(char *at) : m_at(at) {}

    char *at() const { return m_at; }
    void bytes(const char *data, qsizetype size)
    {
        std::memcpy(m_at, data, std::size_t(size));
        m_at += size;
    }
    void le16(quint16 value)
    {
        qToLittleEndian(value, m_at);
        m_at += 2;
    }
    // Room for text.size() bytes behind its length.
    void string(const QString &text)
    {
        // The length field has 16 bits; a longer text is cut so that the file stays readable.
        const qsizetype length = std::min(WriteAnsi(m_at + 2, text), kMaximumStringBytes);
        le16(quint16(length));
        m_at += length;
    }
    void record(const SoundRecord &record)
    {
        string(record.name);
        string(record.filename);
        le16(quint16(record.number));
        le16(quint16(record.locked));
        string(record.category);
        le16(quint16(record.selected));
        qToLittleEndian(std::bit_cast<quint32>(record.size), m_at);
        m_at += 4;
        bytes(record.reserved.data(), qsizetype(record.reserved.size()));
        for (const QString &text : record.reservedText)
            string(text);
    }

private:
    char *m_at;
};

// Reads fields from the bytes of a saved catalogue. A field the bytes cannot supply completely
// takes what is there and marks the data as short; every later field is left as it was.
class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_data(bytes.constData()), m_size(bytes.size()) {}

    bool isShort() const { return m_short; }
    qsizetype remaining() const { return m_size - m_position; }

    void readInt16(qint16 &value)
    {
        char bytes[2];
        if (readRaw(bytes, 2))
            value = qFromLittleEndian<qint16>(bytes);
    }

    void readFloat(float &value)
    {
        char bytes[4];
        if (readRaw(bytes, 4))
            value = std::bit_cast<float>(qFromLittleEndian<quint32>(bytes));
    }

    void readReserved(std::array<char, 36> &reserved)
    {
        const qsizetype available = std::min<qsizetype>(remaining(), 36);
        if (m_short || available <= 0) {
            m_short = true;
            return;
        }
        std::memcpy(reserved.data(), m_data + m_position, std::size_t(available));
        m_position += available;
        if (available < 36)
            m_short = true;
    }

    void readString(QString &text)
    {
        qint16 length = 0;
        readInt16(length);
        if (m_short)
            return;
        // The length never claims more than the bytes that are really there.
        const qsizetype wanted = quint16(length);
        const qsizetype available = std::min(wanted, remaining());
        text = DecodeAnsi(m_data + m_position, available);
        m_position += available;
        if (available < wanted)
            m_short = true;
    }

private:
    bool readRaw(char *out, qsizetype count)
    {
        if (m_short || remaining() < count) {
            m_short = true;
            m_position = m_size;
            return false;
        }
        std::memcpy(out, m_data + m_position, std::size_t(count));
        m_position += count;
        return true;
    }

    const char *m_data;
    qsizetype m_size;
    qsizetype m_position = 0;
    bool m_short = false;
};

void readRecord(Reader &reader, SoundRecord &record)
{
    reader.readString(record.name);
    reader.readString(record.filename);
    reader.readInt16(record.number);
    reader.readInt16(record.locked);
    reader.readString(record.category);
    reader.readInt16(record.selected);
    reader.readFloat(record.size);
    reader.readReserved(record.reserved);
    for (QString &text : record.reservedText)
        reader.readString(text);
}

} // namespace

QByteArray SerializeSoundInfo(const SoundTable &table)
{
    // Room for every text as one byte a unit: no text encodes to more.
    qsizetype room = 2;
    for (const SoundRecord &record : table.records()) {
        room += kMinimumRecordBytes + record.name.size() + record.filename.size() +
                record.category.size();
        for (const QString &text : record.reservedText)
            room += text.size();
    }
    QByteArray out(room, Qt::Uninitialized);
    Writer writer(out.data());
    writer.le16(quint16(table.SoundCount()));
    for (const SoundRecord &record : table.records())
        writer.record(record);
    out.truncate(writer.at() - out.constData());
    return out;
}

SoundTable ParseSoundInfo(const QByteArray &bytes, FileError *error)
{
    if (error)
        *error = FileError{};
    Reader reader(bytes);
    qint16 count = 0;
    reader.readInt16(count);
    if (reader.isShort()) {
        if (error)
            *error = {kFileEndsEarlyError,
                      QStringLiteral("The file ends before the count of sounds")};
        return {};
    }
    QList<SoundRecord> records;
    if (count > 0) {
        // Reserve only what the bytes can really hold, whatever the count claims.
        records.reserve(std::min<qsizetype>(count, reader.remaining() / kMinimumRecordBytes + 1));
        while (records.size() < count && !reader.isShort()) {
            records.emplace_back();
            readRecord(reader, records.back());
        }
        if (reader.isShort()) {
            if (error)
                *error = {kFileEndsEarlyError,
                          QStringLiteral("The file ends before the last record")};
            records.resize(count);
        }
    }
    SoundTable table;
    table.replaceAll(std::move(records));
    return table;
}

QString SoundInfoPath(const QString &folder)
{
    const QString exactName = QString::fromLatin1(kSoundInfoFileName);
    const QString exact = JoinPath(folder, exactName);
    const QFileInfo exactInfo(exact);
    if (exactInfo.exists() || exactInfo.isSymLink())
        return exact;
    // A catalogue copied from FAT media is named SOUNDINFO.DAT or the like; it is this game's
    // catalogue all the same, and is kept under its own name.
    QString found;
    QDirIterator entries(exactInfo.path(), {exactName},
                         QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (found.isEmpty() || name < found)
            found = name;
    }
    return found.isEmpty() ? exact : JoinPath(folder, found);
}

namespace {

// Reads the catalogue at path into table; bytesRead receives the file's bytes.
FileError readCatalogue(SoundTable &table, const QString &path, QByteArray *bytesRead,
                        bool measureSizes = true)
{
    // Only a file of exactly this name counts; a folder of that name is no catalogue.
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return {};
    if (!info.isFile())
        return NotRegularFileError(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DeviceError(file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return DeviceError(file);
    if (bytesRead)
        *bytesRead = bytes;
    FileError error;
    // A file left empty (by a crash during its first save, say) holds an empty catalogue.
    table = bytes.isEmpty() ? SoundTable() : ParseSoundInfo(bytes, &error);
    if (measureSizes)
        table.RefreshSizes(true);
    return error;
}

// True when bytes hold a catalogue that reads whole: nothing short, no records behind a count
// of 0 or below.
bool readsWhole(const QByteArray &bytes)
{
    FileError error;
    const SoundTable table = ParseSoundInfo(bytes, &error);
    return !error && (!table.isEmpty() || bytes.size() == 2);
}

// Before the file at path is replaced by bytes, its present contents go to the backups, so
// that no save, not even one after a damaged file was read as empty, loses a catalogue. A
// whole catalogue whose backup cannot be kept is replaced all the same, with a warning: it is
// what the session read, and refusing would lose the session's edits instead.
FileError keepReplacedCatalogue(const QString &path, const QByteArray &bytes, QString *warning)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {}; // nothing to keep; the write reports a folder or a device
    QFile file(path);
    QByteArray old;
    if (file.open(QIODevice::ReadOnly))
        old = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        FileError error = DeviceError(file);
        error.description = QStringLiteral("%1 was not replaced, because it could not be read "
                                           "to keep a copy: %2")
                                .arg(path, error.description);
        return error;
    }
    if (old.isEmpty() || old == bytes)
        return {};
    FileError error = KeepCatalogueBackup(path, old);
    if (error && readsWhole(old)) {
        if (warning) {
            *warning =
                QStringLiteral("No backup of %1 could be kept in %2: %3")
                    .arg(path, CatalogueBackupFolder(info.absolutePath()), error.description);
        }
        return {};
    }
    if (error) {
        error.description =
            QStringLiteral("%1 was not replaced, because its present contents "
                           "could not be kept in %2: %3")
                .arg(path, CatalogueBackupFolder(info.absolutePath()), error.description);
    }
    return error;
}

} // namespace

FileError WriteSoundInfo(const SoundTable &table, const QString &path, QString *warning)
{
    const QByteArray bytes = SerializeSoundInfo(table);
    if (FileError error = keepReplacedCatalogue(path, bytes, warning))
        return error;
    return WriteWholeFile(path, bytes);
}

FileError ReadSoundInfo(SoundTable &table, const QString &path, QByteArray *bytesRead,
                        bool measureSizes)
{
    return readCatalogue(table, path, bytesRead, measureSizes);
}

FileError SaveSoundInfo(const SoundTable &table, const QString &path, MessageSink &sink)
{
    QString warning;
    FileError pending = WriteSoundInfo(table, path, &warning);
    if (!pending && !warning.isEmpty()) {
        MessageRequest message;
        message.title = QStringLiteral("Sonquill");
        message.text = warning;
        message.icon = MessageRequest::Icon::Exclamation;
        sink.showMessage(message);
    }
    const FileError seen = pending;
    ReportError(sink, pending, QStringLiteral("Saving the SoundInfo.DAT file"));
    return seen;
}

FileError LoadSoundInfo(SoundTable &table, const QString &path, MessageSink &sink, bool *whole,
                        bool measureSizes, QByteArray *bytesRead)
{
    QByteArray bytes;
    FileError pending = readCatalogue(table, path, &bytes, measureSizes);
    if (bytesRead)
        *bytesRead = bytes;
    if (whole) {
        constexpr qsizetype kEmptyCatalogueBytes = 2;
        *whole = !pending && QFileInfo(path).isFile() &&
                 (!table.isEmpty() || bytes.size() == kEmptyCatalogueBytes);
    }
    // A count of 0 or below in a file that holds more may be damage; the next save would
    // replace the only copy of those bytes.
    if (!pending && table.isEmpty() && bytes.size() > 2) {
        QString backup;
        pending = KeepCatalogueBackup(path, bytes, &backup);
        if (pending) {
            pending.description = QStringLiteral("%1 reads as an empty catalogue, and its bytes "
                                                 "could not be kept: %2")
                                      .arg(path, pending.description);
        } else {
            MessageRequest warning;
            warning.title = QStringLiteral("Sonquill");
            warning.text = QStringLiteral("%1 reads as an empty catalogue; its bytes are kept "
                                          "at %2.")
                               .arg(path, backup);
            warning.icon = MessageRequest::Icon::Exclamation;
            sink.showMessage(warning);
        }
    }
    const FileError seen = pending;
    ReportError(sink, pending, QStringLiteral("Loading the SoundInfo.DAT file"));
    return seen;
}

} // namespace sonquill
