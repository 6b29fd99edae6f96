#include "AnsiCodec.h"

namespace sonquill {

namespace {

constexpr char kUnrepresentable = '?';

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves undefined map to the C1
// control of the same value, so every byte survives a decode and encode unchanged.
constexpr char16_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct DecodeTable
{
    char16_t units[256];
};

constexpr DecodeTable makeDecodeTable()
{
    DecodeTable table{};
    for (int byte = 0; byte < 256; ++byte)
        table.units[byte] = byte >= 0x80 && byte < 0xA0 ? kHighBlock[byte - 0x80] : char16_t(byte);
    return table;
}

constexpr DecodeTable kDecode = makeDecodeTable();

char encodeUnit(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return char(unit);
    for (int i = 0; i < 32; ++i) {
        if (kHighBlock[i] == unit)
            return char(0x80 + i);
    }
    return kUnrepresentable;
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit < 0xDC00;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit < 0xE000;
}

} // namespace

qsizetype WriteAnsi(char *bytes, QStringView text)
{
    const qsizetype size = text.size();
    const char16_t *units = text.utf16();
    qsizetype written = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            bytes[written++] = char(unit);
            continue;
        }
        // A surrogate pair is one character outside the code page: one '?', not two.
        if (isHighSurrogate(unit) && i + 1 < size && isLowSurrogate(units[i + 1]))
            ++i;
        bytes[written++] = encodeUnit(unit);
    }
    return written;
}

QByteArray EncodeAnsi(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    out.truncate(WriteAnsi(out.data(), text));
    return out;
}

QString DecodeAnsi(const char *data, qsizetype size)
{
    if (size <= 0)
        return {};
    QString text(size, Qt::Uninitialized);
    char16_t *units = reinterpret_cast<char16_t *>(text.data());
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(data);
    for (qsizetype i = 0; i < size; ++i)
        units[i] = kDecode.units[bytes[i]];
    return text;
}

QString DecodeAnsi(const QByteArray &bytes)
{
    return DecodeAnsi(bytes.constData(), bytes.size());
}

bool IsAnsiRepresentable(const QString &text)
{
    return DecodeAnsi(EncodeAnsi(text)) == text;
}

} // namespace sonquill
