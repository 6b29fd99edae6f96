#pragma once

#include "Finding.h"
#include "catalogue/SoundTable.h"
#include "soundfacts/SoundFactsCache.h"
#include "storage/Settings.h"

#include <QList>

namespace sonquill {

// The encoder settings a distribution run would use.
struct CheckOptions
{
    bool oggUse = false;
    OggSettings ogg;
    QString programFolder; // where the built-in encoder is looked for
    QString gameFolder;    // the folder the sounds would go to; empty: none looked at
};

// Looks at every sound before distribution: files that are missing or not sounds, numbers
// the game cannot play, entries that clash, content that does not match its extension, WAVs
// the encoder cannot read, duplicate files, names the script output would break on, and the
// space Ogg encoding would save. Each finding once, in catalogue order.
QList<Finding> CheckCatalogue(const SoundTable &table, const CheckOptions &options,
                              SoundFactsCache &cache);

// The size oggenc is expected to give this sound at the quality (-1 to 10), in bytes.
qint64 EstimatedOggBytes(const SoundFacts &facts, int quality);

} // namespace sonquill
