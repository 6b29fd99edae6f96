#include "ScriptOutputs.h"

#include "storage/AnsiCodec.h"

#include <algorithm>

namespace sonquill {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// The number with at least four digits, a minus sign before the padded digits ("-0005").
QString fourDigits(qint16 number)
{
    const QString digits = QStringLiteral("%1").arg(qAbs(int(number)), 4, 10, QLatin1Char('0'));
    return number < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace

qint16 HighestSoundNumber(const SoundTable &table)
{
    qint16 highest = 0;
    for (const SoundRecord &record : table.records())
        highest = std::max(highest, record.number);
    return highest;
}

QByteArray SoundListEntryBytes(const SoundRecord &record)
{
    return EncodeAnsi(fourDigits(record.number) + kLineEnd + record.name + kLineEnd);
}

QByteArray SoundCodeHeaderBytes(const SoundTable &table)
{
    return EncodeAnsi(
        QStringLiteral("//To avoid having to distribute SoundList.DAT with your game,") + kLineEnd +
        QStringLiteral("//Copy/paste this code in the Game_start section of the Sonquill module") +
        kLineEnd + QStringLiteral("//and replace the 'LoadSoundNames();' call.") + kLineEnd +
        QStringLiteral(" ") + kLineEnd + QStringLiteral("NumSounds = ") +
        QString::number(HighestSoundNumber(table)) + QStringLiteral("; ") + kLineEnd);
}

QByteArray SoundCodeEntryBytes(const SoundRecord &record)
{
    return EncodeAnsi(QStringLiteral("StrCopy(SoundNames[") + QString::number(record.number) +
                      QStringLiteral("].Name, \"") + record.name + QStringLiteral("\");") +
                      kLineEnd);
}

} // namespace sonquill
