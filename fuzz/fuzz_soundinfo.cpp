// libFuzzer target for the saved catalogue reader. Besides crashes and sanitizer reports it
// checks two promises of the format: a file read without error is written back as exactly the
// bytes that were read, and a short file still yields as many records as its count announces.
#include "storage/SoundInfoFile.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    sonquill::FileError error;
    const sonquill::SoundTable table = sonquill::ParseSoundInfo(bytes, &error);
    if (size < 2) {
        if (!error || !table.isEmpty())
            std::abort();
        return 0;
    }
    const qint16 count = qFromLittleEndian<qint16>(data);
    if (table.SoundCount() != std::max<qint16>(count, 0))
        std::abort();
    if (!error && count >= 0 && !bytes.startsWith(sonquill::SerializeSoundInfo(table)))
        std::abort();
    if (error && count <= 0)
        std::abort();
    return 0;
}
