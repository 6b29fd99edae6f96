#pragma once

#include "catalogue/SoundTable.h"
#include "services/MessageSink.h"
#include "services/ProcessRunner.h"
#include "services/ProgressSink.h"
#include "storage/Settings.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>

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
    int jobs = 0;          // encoders and copies at once; 0: one per processor core
    bool force = false;    // make every target again, even those that are up to date
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
    bool soundFailed = false;    // ErrorText not empty
    bool saveFailed = false;     // the catalogue could not be saved
    bool listsFailed = false;    // SoundList.dat or SoundCode.txt could not be written
    bool encoderMissing = false; // Ogg encoding asked for, no encoder found
    bool cancelled = false;      // stopped on request before every sound was done
    int encodedCount = 0;
    int copiedCount = 0;   // copies made or already in place, fallback copies included
    int upToDateCount = 0; // targets left as they were because nothing they came from changed
    int doneCount = 0;     // sounds dealt with, also those that failed
    int soundCount = 0;
    QStringList staleDeleted; // files an earlier run made that no sound makes any more
    QStringList notMade;      // SOUND<n> files in the folder this catalogue did not make
};

// The result for "distribute --json".
QJsonObject DistributionResultJson(const DistributionResult &result);

// The collaborators of a run: the user, the progress window, the process starter, and the
// owner of the catalogue.
struct DistributionServices
{
    MessageSink &messages;
    ProgressSink &progress;
    ProcessRunner &runner;
    // Asked often (at least every 100 ms while encoders run); true stops the run.
    std::function<bool()> cancelled = {};
    // Saves the catalogue at the end of a run that was not cancelled; false when it failed.
    // Empty: nothing is saved.
    std::function<bool()> saveCatalogue = {};
};

// The distribution run: every sound into gameFolder under its number (only those whose
// source, making or target changed since they were made), the names list and script code,
// the removal of files earlier runs made that no sound makes any more, the summary message,
// then the catalogue saved through services.saveCatalogue. Never stops on a failure; never
// deletes or overwrites a file that is the source of an entry, and replaces a target only
// with a complete file.
DistributionResult Distribute(const SoundTable &table, const QString &gameFolder,
                              const DistributionOptions &options, DistributionServices services);

} // namespace sonquill
