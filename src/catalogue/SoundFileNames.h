#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace sonquill {

// The names the engine plays sounds by, "SOUND<n>.<ext>", and the sound files it plays: the one
// place that builds, matches and reads them.

// The extensions of the files the game plays, lower case: wav, mp3, ogg, voc.
const QStringList &SoundExtensions();
// The extension of path (after its last "."), lower-cased and stripped of white space at both
// ends (a no-break space included); empty when the file name holds no ".".
QString SoundExtension(const QString &path);
// True when path ends in one of SoundExtensions().
bool IsSoundFile(const QString &path);

// "SOUND<n>.<extension>": n in decimal without leading zeros, SOUND in upper case.
QString SoundFileName(qint16 number, const QString &extension);
// The number of a name the engine would take for a sound ("SOUND" in any case, 1 to 999 with
// no leading zero, ".", anything); nothing for any other name.
std::optional<qint16> NumberOfSoundFileName(const QString &fileName);

} // namespace sonquill
