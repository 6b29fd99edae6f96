#pragma once

#include "DistributionError.h"
#include "FileCopy.h"
#include "Manifest.h"
#include "catalogue/SoundTable.h"
#include "processing/ProcessingSteps.h"
#include "soundfacts/SoundFacts.h"
#include "storage/Settings.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace sonquill {

// What a run reads besides the table; the same for every front end.
struct DistributionOptions
{
    bool OggUse = false;
    OggSettings ogg;
    ProcessingSettings processing; // what is done to sounds written from PCM
    QString programFolder;         // where the built-in encoder is looked for
    int timeoutMs = 60000;         // the wait for one encoder
    int jobs = 0;                  // encoders and copies at once; 0: one per processor core
    bool force = false;            // make every target again, even those that are up to date
    // True only when the table is this game folder's catalogue as read whole from its file (or
    // saved there since): only then may files of numbers that left it be removed.
    bool catalogueWhole = false;
};

// What the plan reads of the disk: one scan of the game folder, one stat of each source, the
// record of earlier runs and where the encoder is.
struct FolderState
{
    QString folder;
    Manifest record;
    QHash<QString, FileStamp> soundFiles; // every SOUND<n>.* file of the folder, by name
    QStringList leftoverTemporaries;      // hidden partial files earlier runs left
    QList<FileStamp> sources;             // by table index - 1
    // A source's (device, inode): the table index (1-based) of the last entry with that source.
    QHash<std::pair<quint64, quint64>, int> sourceOwners;
    // By table index - 1: the headers of WAV sources, read only when processing is on.
    QList<SoundFacts> headers;
    QString encoderPath;
    bool encoderFound = false;

    // The table index (1-based) of an entry whose source is the file stamped, by its identity;
    // 0 when it is no entry's source.
    int ownerOf(const FileStamp &stamp) const;

    // record: the folder's record of made files when the caller has loaded it already.
    static FolderState Read(const SoundTable &table, const QString &gameFolder,
                            const DistributionOptions &options,
                            std::optional<Manifest> record = std::nullopt);
};

// What is to become of one entry of the catalogue.
struct PlannedSound
{
    enum class Action {
        Copy,     // copied to target
        Encode,   // encoded to target; on failure copied to fallbackTarget
        UpToDate, // target was made from this source this way and is untouched
        InPlace,  // the source itself is the target
        Refused,  // no file is made; problems say why
    };
    Action action = Action::Refused;
    int tableIndex = 0;
    qint16 number = 0;
    QString source;
    QString target;         // bare file name in the game folder; for a refused sound the name
                            // its file has, when there is one
    QString fallbackTarget; // Encode: the .wav copy's name
    bool fallbackInPlace = false;
    QString fallbackBlocked; // Encode: why the .wav copy cannot be made; empty when it can
    QString fallbackHow;     // Encode: how the .wav would be made, as the record keeps it
    QString how;             // how target is made, as the record keeps it
    bool encodes = false;    // target is (or was found up to date as) the encoder's
    // What is done to the samples; none for a byte copy and for an encoder given the source.
    ProcessingSteps steps;
    bool hideWindow = true;
    // Refused: why no file is made; otherwise what the plan had to give up (an .ogg name that
    // is another sound's source).
    QList<DistributionError> problems;
};

// A file of the folder that no sound makes any more and that the run did not remove.
struct KeptFile
{
    QString name;
    QString reason;
};

// Which files go: only those the record proves this catalogue's runs made, untouched since,
// whose number left a catalogue read whole or whose replacement was made.
struct Removals
{
    QStringList remove; // bare names, sorted
    QList<KeptFile> kept;
    QStringList forgotten; // record entries with no file behind them any more
};

// claimed: the names this run makes (or would), and those of sounds that failed, which keep
// what they are; failedNumbers: numbers whose sound got no file this run.
Removals PlanRemovals(const SoundTable &table, const DistributionOptions &options,
                      const FolderState &state, const QSet<QString> &claimed,
                      const QSet<qint16> &failedNumbers);

struct DistributionPlan
{
    QList<PlannedSound> sounds; // table order
    Removals removals;          // as they will be when every planned file is made
    bool encoderMissing = false;
};

// The whole decision of a run, for every entry and for the folder; changes nothing.
DistributionPlan PlanDistribution(const SoundTable &table, const DistributionOptions &options,
                                  const FolderState &state);

// The plan as "distribute --dry-run" prints it: one line per sound ("<number>\t<action>\t
// <target>\t<source>", the reason last for a refused one), then one per file to remove or keep.
QString DistributionPlanText(const DistributionPlan &plan);
QJsonObject DistributionPlanJson(const DistributionPlan &plan);

// "SOUND<n>.<ext>" in the folder, as a path.
QString SoundFilePath(const QString &gameFolder, const QString &fileName);

} // namespace sonquill
