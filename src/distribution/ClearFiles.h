#pragma once

#include "catalogue/SoundTable.h"

#include <QString>
#include <QStringList>

namespace sonquill {

// The File menu's clearing of old numbered files: one scan of folder, deleting every file named
// "SOUND" + n + "." + anything (n from 1 to 999 without leading zeros, letters in any case),
// and the partial files a killed distribution left.
// A file that is the source of a catalogue entry is kept and its name added to skipped (when
// given). A file that cannot be deleted is added to failed (when given) as
// "<name>: <the platform's reason>". Returns the number of files deleted.
int ClearNumberedFiles(const QString &folder, const SoundTable &table, QStringList *skipped,
                       QStringList *failed = nullptr);

} // namespace sonquill
