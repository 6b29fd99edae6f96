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

QByteArray SoundListEntryBytes(const SoundRecord &record)
{
    return EncodeAnsi(FourDigitNumber(record.number) + kCrLf + record.name + kCrLf);
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

QByteArray SoundCodeEntryBytes(const SoundRecord &record)
{
    return EncodeAnsi(QStringLiteral("StrCopy(SoundNames[") + QString::number(record.number) +
                      QStringLiteral("].Name, \"") + record.name + QStringLiteral("\");") + kCrLf);
}

} // namespace sonquill
