#include "ScriptOutputs.h"

#include "catalogue/TextFormats.h"
#include "storage/AnsiCodec.h"

#include <algorithm>

namespace sonquill {

namespace {} // namespace

qint16 HighestSoundNumber(const SoundTable &table)
{
    qint16 highest = 0;
    for (const SoundRecord &record : table.records())
        highest = std::max(highest, record.number);
    return highest;
}

void AppendSoundListEntry(QByteArray &out, const SoundRecord &record)
{
    AppendAnsi(out, FourDigitNumber(record.number));
    out += "\r\n";
    AppendAnsi(out, record.name);
    out += "\r\n";
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
    out += "StrCopy(SoundNames[";
    out += QByteArray::number(record.number);
    out += "].Name, \"";
    AppendAnsi(out, record.name);
    out += "\");\r\n";
}

} // namespace sonquill
