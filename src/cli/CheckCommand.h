#pragma once

#include "catalogue/SoundTable.h"
#include "check/Check.h"

#include <QString>

namespace sonquill::cli {

// The check command: every finding on stdout, one a line ("text") or as one JSON array
// ("json"), the counts on stderr unless quiet. Returns 0 when nothing is worse than a note, 1 for
// errors (and warnings when strict), 2 for an unknown format.
int RunCheckCommand(const SoundTable &table, const CheckOptions &options, bool strict,
                    const QString &format, bool quiet);

} // namespace sonquill::cli
