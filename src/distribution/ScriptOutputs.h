#pragma once

#include "catalogue/SoundTable.h"

#include <QByteArray>
#include <QString>

namespace sonquill {

inline constexpr char kSoundListFileName[] = "SoundList.dat";
inline constexpr char kSoundCodeFileName[] = "SoundCode.txt";

// Largest number in the table compared as signed values, starting from 0.
qint16 HighestSoundNumber(const SoundTable &table);

// The bytes of the names list and the script code: the header, and one entry appended to out.
QByteArray SoundCodeHeaderBytes(const SoundTable &table);
void AppendSoundListEntry(QByteArray &out, const SoundRecord &record);
void AppendSoundCodeEntry(QByteArray &out, const SoundRecord &record);

} // namespace sonquill
