#include "ScriptOutputs.h"

#include "catalogue/TextFormats.h"
#include "storage/AnsiCodec.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace sonquill {

namespace {

// Room for up to bytes more at the end of out, to be written through the pointer returned and
// cut back to what was written: the lists have a line or two for every sound, and QByteArray's
// appends cost several times the copying.
char *makeRoom(QByteArray &out, qsizetype bytes)
{
    const qsizetype start = out.size();
    out.resize(start + bytes);
    return out.data() + start;
}

template <std::size_t N> char *put(char *at, const char (&text)[N])
{
    std::memcpy(at, text, N - 1);
    return at + N - 1;
}

void cutTo(QByteArray &out, const char *end)
{
    out.truncate(end - out.constData());
}

} // namespace

qint16 HighestSoundNumber(const SoundTable &table)
{
    qint16 highest = 0;
    for (const SoundRecord &record : table.records())
        highest = std::max(highest, record.number);
    return highest;
}

void AppendSoundListEntry(QByteArray &out, const SoundRecord &record)
{
    char *at = makeRoom(out, kFourDigitNumberRoom + record.name.size() + 4);
    at += WriteFourDigitNumber(at, record.number);
    at = put(at, "\r\n");
    at += WriteAnsi(at, record.name);
    cutTo(out, put(at, "\r\n"));
}

QByteArray SoundCodeHeaderBytes(const SoundTable &table)
{
    return EncodeAnsi(
        QStringLiteral("//To avoid having to distribute SoundList.DAT with your game,") + kCrLf +
        QStringLiteral("//Copy/paste this code in the Game_start section of the Sonquill module") +
        kCrLf + QStringLiteral("//and replace the 'LoadSoundNames();' call.") + kCrLf +
        QStringLiteral(" ") + kCrLf + QStringLiteral("NumSounds = ") +
        QString::number(HighestSoundNumber(table)) + QStringLiteral("; ") + kCrLf);
}

void AppendSoundCodeEntry(QByteArray &out, const SoundRecord &record)
{
    constexpr qsizetype kFixedBytes = 40; // the code around the number and the name
    char *at = makeRoom(out, kFixedBytes + record.name.size());
    at = put(at, "StrCopy(SoundNames[");
    at = std::to_chars(at, at + 6, record.number).ptr;
    at = put(at, "].Name, \"");
    at += WriteAnsi(at, record.name);
    cutTo(out, put(at, "\");\r\n"));
}

} // namespace sonquill
