#pragma once

#include "distribution/DistributionPlan.h"
#include "services/MessageSink.h"
#include "session/CatalogueSession.h"

#include <QString>

namespace sonquill::cli {

// distribute --watch: a run as distribute makes it (the catalogue saved), then another each
// time the catalogue or a source changes, until SIGINT, SIGTERM or SIGHUP. session holds the
// folder's catalogue, loaded and locked; the lock is held only while a run works. Prints one
// line per run (one JSON object with json) and one for each source that disappears. Returns the
// signal's exit code.
int RunDistributeWatch(CatalogueSession &session, const QString &folder,
                       const DistributionOptions &options, bool json, bool quiet,
                       MessageSink &messages);

} // namespace sonquill::cli
