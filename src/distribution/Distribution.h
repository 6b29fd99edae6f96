#pragma once

#include "ProcessRunner.h"
#include "ProgressSink.h"
#include "catalogue/SoundTable.h"
#include "storage/MessageSink.h"
#include "storage/Settings.h"

#include <QString>

#include <functional>

namespace sonquill {

// The target names the engine plays sounds by: "<folder>/SOUND<n>.<ext>" and ".ogg".
QString CopyTarget(const QString &gameFolder, qint16 number, const QString &extension);
QString EncodeTarget(const QString &gameFolder, qint16 number);
// FileExtension of the path, lower-cased and stripped of blanks at both ends.
QString DistributionExtension(const QString &path);

// Everything one run reads besides the table.
struct DistributionOptions
{
    bool OggUse = false;
    OggSettings ogg;
    QString programFolder; // where the built-in encoder is looked for
    int timeoutMs = 60000; // the wait for one encoder
    // false: the summary is only returned in the result, for a caller that shows it itself.
    bool showSummary = true;
};

struct DistributionResult
{
    QString ErrorText; // one line per failure, each ended by CR LF
    qint64 SourceTotal = 0;
    qint64 EncodedTotal = 0;
    QString summaryTitle;
    QString summaryText;
    bool soundFailed = false; // ErrorText not empty
    bool saveFailed = false;  // the catalogue could not be saved
    int encodedCount = 0;
    int copiedCount = 0; // copies made or already in place, fallback copies included
};

// The collaborators of a run: the user, the progress window, the process starter.
struct DistributionServices
{
    MessageSink &messages;
    ProgressSink &progress;
    ProcessRunner &runner;
    // Saves the catalogue at the end of the run; true when saved. Empty: nothing is saved.
    std::function<bool()> saveCatalogue = {};
};

// The distribution run: every sound into gameFolder under its number, the names list and
// script code, the summary message, then the catalogue saved into gameFolder. Never stops on
// a failure; never deletes or overwrites a file that is the source of an entry, and replaces a
// target only with a complete copy.
DistributionResult Distribute(const SoundTable &table, const QString &gameFolder,
                              const DistributionOptions &options, DistributionServices services);

} // namespace sonquill
