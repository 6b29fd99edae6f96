#include "SoundInfoFile.h"

#include "AnsiCodec.h"
#include "AtomicFile.h"
#include "DeviceError.h"
#include "ErrorReport.h"

#include "catalogue/PathUtils.h"

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

void appendLe16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendString(QByteArray &out, const QString &text)
{
    QByteArray bytes = EncodeAnsi(text);
    // The length field has 16 bits; a longer text is cut so that the file stays readable.
    if (bytes.size() > kMaximumStringBytes)
        bytes.truncate(kMaximumStringBytes);
    appendLe16(out, quint16(bytes.size()));
    out.append(bytes);
}

void appendRecord(QByteArray &out, const SoundRecord &record)
{
    appendString(out, record.name);
    appendString(out, record.filename);
    appendLe16(out, quint16(record.number));
    appendLe16(out, quint16(record.locked));
    appendString(out, record.category);
    appendLe16(out, quint16(record.selected));
    char size[4];
    qToLittleEndian(std::bit_cast<quint32>(record.size), size);
    out.append(size, 4);
    out.append(record.reserved.data(), qsizetype(record.reserved.size()));
    for (const QString &text : record.reservedText)
        appendString(out, text);
}

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
    qsizetype estimate = 2;
    for (const SoundRecord &record : table.records()) {
        estimate += kMinimumRecordBytes + record.name.size() + record.filename.size() +
                    record.category.size();
        for (const QString &text : record.reservedText)
            estimate += text.size();
    }
    QByteArray out;
    out.reserve(estimate);
    appendLe16(out, quint16(table.SoundCount()));
    for (const SoundRecord &record : table.records())
        appendRecord(out, record);
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
    return JoinPath(folder, QString::fromLatin1(kSoundInfoFileName));
}

FileError WriteSoundInfo(const SoundTable &table, const QString &path)
{
    return WriteWholeFile(path, SerializeSoundInfo(table));
}

FileError ReadSoundInfo(SoundTable &table, const QString &path)
{
    // Only a file of exactly this name counts; a folder of that name is no catalogue.
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DeviceError(file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return DeviceError(file);
    FileError error;
    table = ParseSoundInfo(bytes, &error);
    table.RefreshSizes(true);
    return error;
}

FileError SaveSoundInfo(const SoundTable &table, const QString &path, MessageSink &sink)
{
    FileError pending = WriteSoundInfo(table, path);
    const FileError seen = pending;
    ReportError(sink, pending, QStringLiteral("Saving the SoundInfo.DAT file"));
    return seen;
}

FileError LoadSoundInfo(SoundTable &table, const QString &path, MessageSink &sink)
{
    FileError pending = ReadSoundInfo(table, path);
    const FileError seen = pending;
    ReportError(sink, pending, QStringLiteral("Loading the SoundInfo.DAT file"));
    return seen;
}

} // namespace sonquill
