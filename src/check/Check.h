#pragma once

#include "Finding.h"
#include "catalogue/SoundTable.h"
#include "soundfacts/SoundFactsCache.h"
#include "storage/Settings.h"

#include <QList>

namespace sonquill {

// The encoder and processing settings a distribution run would use.
struct CheckOptions
{
    bool oggUse = false;
    OggSettings ogg;
    ProcessingSettings processing;
    QString programFolder; // where the built-in encoder is looked for
    QString gameFolder;    // the folder the sounds would go to; empty: none looked at
};

// Looks at every sound before distribution: files that are missing or not sounds, numbers
// the game cannot play, entries that clash, content that does not match its extension, sources
// that clip, sounds far louder or quieter than their category (loudness normalisation off) or
// too short or quiet to be normalised (on), duplicate files, names the script output would
// break on, and the space Ogg encoding would save. Each finding once, in catalogue order. Reads
// every sound whole once (the cache keeps its loudness).
QList<Finding> CheckCatalogue(const SoundTable &table, const CheckOptions &options,
                              SoundFactsCache &cache);

// The size oggenc is expected to give this sound at the quality (-1 to 10), in bytes.
qint64 EstimatedOggBytes(const SoundFacts &facts, int quality);

} // namespace sonquill
