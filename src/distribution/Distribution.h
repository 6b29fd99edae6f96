#pragma once

#include "DistributionError.h"
#include "DistributionPlan.h"
#include "catalogue/SoundTable.h"
#include "services/ProcessRunner.h"
#include "services/ProgressSink.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace sonquill {

struct DistributionResult
{
    QList<DistributionError> errors; // table order, then the folder's own files
    QString ErrorText;               // errors as the summary shows them, one line each
    qint64 SourceTotal = 0;
    qint64 EncodedTotal = 0;
    QString summaryTitle;
    QString summaryText;
    bool soundFailed = false;    // errors not empty
    bool listsFailed = false;    // SoundList.dat or SoundCode.txt could not be written
    bool encoderMissing = false; // Ogg encoding asked for, no encoder found
    bool cancelled = false;      // stopped on request before every sound was done
    int soundCount = 0;
    int doneCount = 0;     // sounds dealt with, also those that failed
    int encodedCount = 0;  // encoded in this run
    int copiedCount = 0;   // copied in this run, fallback copies included
    int upToDateCount = 0; // left as they were: made earlier from the same source, or in place
    int failedCount = 0;   // sounds that got no file
    QStringList made;      // the files this run made (encoded or copied), in table order
    QStringList removed;   // files earlier runs made that no sound makes any more
    QList<KeptFile> kept;  // SOUND<n> files no sound makes, left for lack of proof
    QStringList temporariesRemoved; // partial files earlier runs left behind
    QStringList warnings;           // what went wrong without harming the game folder
    // Each source's size in table order as the run found it, -1 for one it cannot read; what
    // a catalogue's size column holds.
    QList<qint32> sourceSizes;
};

// The summary message's text for the error lines of a run.
QString ErrorLines(const QList<DistributionError> &errors, const SoundTable &table);

// The result for "distribute --json".
QJsonObject DistributionResultJson(const DistributionResult &result);

// The result in one line, for a run that keeps the game folder up to date: what was made,
// removed and kept, how many were up to date, and each error ("made SOUND2.wav; 2 up to date").
QString DistributionResultLine(const DistributionResult &result, const SoundTable &table);

// The collaborators of a run, all called on the thread that runs it.
struct DistributionServices
{
    ProgressSink &progress;
    ProcessRunner &runner;
    // Asked often (at least every 100 ms while encoders run); true stops the run.
    std::function<bool()> cancelled = {};
};

// The distribution run: plans, then puts every sound into gameFolder under its number (only
// those whose source, making or target changed since they were made), removes what the record
// proves earlier runs made and no sound makes any more, and writes the names list and script
// code. Never stops on a failure; never deletes or overwrites a file that is the source of an
// entry; replaces a target only with a complete file. Saving the catalogue and showing the
// summary are the caller's.
DistributionResult Distribute(const SoundTable &table, const QString &gameFolder,
                              const DistributionOptions &options, DistributionServices services);

// The result Distribute would give when it would change nothing at all (every sound up to date,
// nothing to remove, the lists and the record as they should be), found by reading alone, so
// without holding the folder; nothing when the run has work to do or errors to report. record
// is the folder's record of made files as Manifest::Load gives it: with none saved, nothing can
// be up to date, and the folder is not looked at.
std::optional<DistributionResult> DistributionIfUpToDate(const SoundTable &table,
                                                         const QString &gameFolder,
                                                         const DistributionOptions &options,
                                                         DistributionServices services,
                                                         Manifest record);

} // namespace sonquill
