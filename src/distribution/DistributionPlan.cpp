#include "DistributionPlan.h"

#include "Encoder.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundFileNames.h"

#include <QDirIterator>
#include <QJsonArray>

#include <algorithm>
#include <bitset>
#include <utility>

#ifndef Q_OS_WIN
#include <dirent.h>
#endif

namespace sonquill {

namespace {

// Encoders of files this large show their console window (2000 kB of 1000 bytes).
constexpr float kShownWindowBytes = 2000000.0f;

const QString kMadeByCopy = QStringLiteral("copy");
// A WAV written from its processed samples rather than copied.
const QString kMadeAsWav = QStringLiteral("wav");

// How a target is made: its making, then what was done to the samples, if anything.
QString madeHow(const QString &making, const ProcessingSteps &steps)
{
    return steps.any() ? making + QStringLiteral("\nprocessed: ") + steps.text() : making;
}

QString notReplaced(const QString &fileName, qint16 owner)
{
    return QStringLiteral("%1 was not replaced because it is the source file of sound #%2")
        .arg(fileName, QString::number(owner));
}

// Sound numbers as one bit each: a plan asks after every sound's.
class NumberSet
{
public:
    void insert(qint16 number) { m_bits.set(quint16(number)); }
    bool contains(qint16 number) const { return m_bits.test(quint16(number)); }

private:
    std::bitset<65536> m_bits;
};

QString actionName(PlannedSound::Action action)
{
    switch (action) {
    case PlannedSound::Action::Copy:
        return QStringLiteral("copy");
    case PlannedSound::Action::Encode:
        return QStringLiteral("encode");
    case PlannedSound::Action::UpToDate:
        return QStringLiteral("up-to-date");
    case PlannedSound::Action::InPlace:
        return QStringLiteral("in-place");
    case PlannedSound::Action::Refused:
        return QStringLiteral("refused");
    }
    return {};
}

DistributionError problem(const PlannedSound &sound, DistributionError::Code code,
                          const QString &reason)
{
    return {code, sound.tableIndex, sound.number, sound.source, reason};
}

} // namespace

int FolderState::ownerOf(const FileStamp &stamp) const
{
    return stamp.exists && stamp.inode != 0 ? sourceOwners.value({stamp.device, stamp.inode}, 0)
                                            : 0;
}

QString SoundFilePath(const QString &gameFolder, const QString &fileName)
{
    return JoinPath(gameFolder, fileName);
}

FolderState FolderState::Read(const SoundTable &table, const QString &gameFolder,
                              const DistributionOptions &options, std::optional<Manifest> record)
{
    FolderState state;
    state.folder = gameFolder;
    state.record = record ? std::move(*record) : Manifest::Load(gameFolder);
    // No folder named: nothing in it (an empty path would list the current folder).
#ifdef Q_OS_WIN
    QDirIterator entries(gameFolder, QDir::Files | QDir::Hidden | QDir::System);
    while (!gameFolder.isEmpty() && entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (NumberOfSoundFileName(name))
            state.soundFiles.insert(name, StampOf(entries.filePath()));
        else if (name.startsWith(QLatin1Char('.')) && IsLeftoverTemporary(name))
            state.leftoverTemporaries.append(name);
    }
#else
    // One pass, each SOUND<n> file stamped relative to the open folder: a run with nothing to
    // do costs little more than these stats.
    state.soundFiles.reserve(table.SoundCount());
    DIR *folder =
        gameFolder.isEmpty() ? nullptr : ::opendir(QFile::encodeName(gameFolder).constData());
    while (const dirent *entry = folder ? ::readdir(folder) : nullptr) {
        if (entry->d_type == DT_DIR)
            continue;
        const QString name = DecodeFileName(entry->d_name);
        if (NumberOfSoundFileName(name)) {
            if (const auto stamp = StampInFolder(::dirfd(folder), entry->d_name))
                state.soundFiles.insert(name, *stamp);
        } else if (name.startsWith(QLatin1Char('.')) && IsLeftoverTemporary(name)) {
            state.leftoverTemporaries.append(name);
        }
    }
    if (folder)
        ::closedir(folder);
#endif
    state.sources.reserve(table.SoundCount());
    FolderStamps stamps;
    for (const SoundRecord &record : table.records())
        state.sources.append(record.filename.isEmpty() ? FileStamp{} : stamps.of(record.filename));
    state.sourceOwners.reserve(state.sources.size());
    for (int index = 1; index <= state.sources.size(); ++index) {
        const FileStamp &stamp = state.sources.at(index - 1);
        if (stamp.exists && stamp.inode != 0)
            state.sourceOwners.insert({stamp.device, stamp.inode}, index);
    }
    // Only WAVs are written from PCM; their channels and rate decide which steps change them.
    if (options.processing.any()) {
        state.headers.reserve(table.SoundCount());
        for (int index = 1; index <= table.SoundCount(); ++index) {
            const QString &source = table.at(index).filename;
            const bool wav = SoundExtension(source) == QLatin1String("wav") &&
                             state.sources.value(index - 1).regular;
            state.headers.append(wav ? ReadSoundFacts(source) : SoundFacts{});
        }
    }
    if (options.OggUse) {
        if (options.ogg.UseCustom == 0) {
            const EncoderLocation location = LocateEncoder(options.programFolder);
            state.encoderPath = location.EncoderPath;
            state.encoderFound = location.found;
        } else {
            state.encoderFound = true;
        }
    }
    return state;
}

DistributionPlan PlanDistribution(const SoundTable &table, const DistributionOptions &options,
                                  const FolderState &state)
{
    using Action = PlannedSound::Action;
    using Code = DistributionError::Code;
    DistributionPlan plan;
    plan.encoderMissing = options.OggUse && !state.encoderFound;
    const auto stampOfTarget = [&state](const QString &name) {
        return state.soundFiles.value(name);
    };
    // Wide enough for any 16-bit MinSize.
    const double threshold = double(options.ogg.MinSize) * 1000.0;

    NumberSet numbers;
    QSet<QString> made;
    QSet<qint16> failed;
    plan.sounds.reserve(table.SoundCount());
    for (int index = 1; index <= table.SoundCount(); ++index) {
        const SoundRecord &record = table.at(index);
        PlannedSound sound;
        sound.tableIndex = index;
        sound.number = record.number;
        sound.source = record.filename;
        const FileStamp &source = state.sources.value(index - 1);
        const QString extension = SoundExtension(record.filename);
        const bool wav = extension == u"wav";

        // A number outside 1 to 999 names no file the engine plays, and a second sound with
        // the same number would overwrite the first one's file.
        if (record.number < SoundTable::kLowestNumber ||
            record.number > SoundTable::kHighestNumber) {
            sound.problems << problem(
                sound, Code::NumberOutOfRange,
                QStringLiteral("The number %1 is not between 1 and 999; no file was made.")
                    .arg(record.number));
        } else if (numbers.contains(record.number)) {
            sound.problems << problem(sound, Code::NumberTaken,
                                      QStringLiteral("The number %1 is already used by an earlier "
                                                     "sound; no file was made.")
                                          .arg(record.number));
        } else if (extension.isEmpty()) {
            numbers.insert(record.number);
            sound.problems << problem(
                sound, Code::NoExtension,
                QStringLiteral("The source file has no extension to name its copy by."));
        } else if (const QString why = source.unreadableReason(); !why.isEmpty()) {
            numbers.insert(record.number);
            // The file the number has now stays: its name is claimed, not made.
            // (Its size is unknown now, so either name may be the one it has.)
            sound.target = SoundFileName(record.number, extension);
            if (wav && options.OggUse)
                sound.fallbackTarget = SoundFileName(record.number, QStringLiteral("ogg"));
            sound.problems << problem(
                sound, Code::SourceUnreadable,
                QStringLiteral("The source file cannot be read: %1").arg(why));
        }
        if (!sound.problems.isEmpty()) {
            for (const QString &name : {sound.target, sound.fallbackTarget}) {
                if (!name.isEmpty())
                    made.insert(name);
            }
            // The number's first sound got no file: whatever it had before stays.
            if (sound.problems.first().code != Code::NumberOutOfRange &&
                sound.problems.first().code != Code::NumberTaken)
                failed.insert(record.number);
            plan.sounds.append(std::move(sound));
            continue;
        }
        numbers.insert(record.number);

        const QString copyName = SoundFileName(record.number, extension);
        if (wav) {
            const SoundFacts header = state.headers.value(index - 1);
            sound.steps =
                StepsFor(options.processing, record.category, header.channels, header.sampleRate);
        }
        const bool encode = wav && options.OggUse && state.encoderFound &&
                            double(CatalogueSize(source.size)) >= threshold;
        if (encode) {
            sound.action = Action::Encode;
            sound.encodes = true;
            sound.target = SoundFileName(record.number, QStringLiteral("ogg"));
            sound.how = madeHow(
                BuildEncoderCommand(options.ogg, state.encoderPath, record.filename, sound.target),
                sound.steps);
            sound.hideWindow = CatalogueSize(source.size) < kShownWindowBytes;
            sound.fallbackTarget = copyName;
            sound.fallbackHow = sound.steps.any() ? madeHow(kMadeAsWav, sound.steps) : kMadeByCopy;
            const FileStamp fallback = stampOfTarget(copyName);
            if (fallback.sameFileAs(source)) {
                sound.fallbackInPlace = true;
            } else if (const int owner = state.ownerOf(fallback)) {
                sound.fallbackBlocked = notReplaced(copyName, table.at(owner).number);
            }
            if (const int owner = state.ownerOf(stampOfTarget(sound.target))) {
                // The .ogg name is someone's source: this sound gets its .wav copy instead.
                sound.problems << problem(sound, Code::TargetIsSource,
                                          notReplaced(sound.target, table.at(owner).number));
                sound.action = Action::Copy;
                sound.encodes = false;
                sound.target = copyName;
            }
        } else {
            sound.action = Action::Copy;
            sound.target = copyName;
        }
        if (sound.action == Action::Copy) {
            sound.how = sound.steps.any() ? madeHow(kMadeAsWav, sound.steps) : kMadeByCopy;
            sound.fallbackHow.clear();
            const FileStamp target = stampOfTarget(sound.target);
            // A source that already is its own target is in place; copying it onto itself
            // could only do harm, and processing it would change the source.
            if (target.sameFileAs(source)) {
                sound.action = Action::InPlace;
                sound.steps = {};
            } else if (const int owner = state.ownerOf(target)) {
                sound.problems << problem(sound, Code::TargetIsSource,
                                          notReplaced(sound.target, table.at(owner).number));
                sound.action = Action::Refused;
                sound.target.clear();
                failed.insert(record.number);
                plan.sounds.append(std::move(sound));
                continue;
            }
        }
        if (!options.force && sound.action != Action::InPlace) {
            const auto recorded = state.record.records.constFind(sound.target);
            if (recorded != state.record.records.cend() &&
                recorded->matches(record.filename, source, sound.how, stampOfTarget(sound.target)))
                sound.action = Action::UpToDate;
        }
        made.insert(sound.target);
        plan.sounds.append(std::move(sound));
    }
    plan.removals = PlanRemovals(table, options, state, made, failed);
    return plan;
}

Removals PlanRemovals(const SoundTable &table, const DistributionOptions &options,
                      const FolderState &state, const QSet<QString> &claimed,
                      const QSet<qint16> &failedNumbers)
{
    Removals removals;
    NumberSet numbers;
    for (const SoundRecord &record : table.records())
        numbers.insert(record.number);

    // Files this run makes are no candidates; the rest are looked at in name order.
    QStringList names;
    for (auto it = state.soundFiles.cbegin(); it != state.soundFiles.cend(); ++it) {
        if (!claimed.contains(it.key()))
            names << it.key();
    }
    for (auto it = state.record.records.cbegin(); it != state.record.records.cend(); ++it) {
        if (!state.soundFiles.contains(it.key()))
            removals.forgotten << it.key();
    }
    names.sort();
    for (const QString &name : std::as_const(names)) {
        const FileStamp stamp = state.soundFiles.value(name);
        // Someone's source stays where it is, named nowhere: it is not a leftover.
        if (state.ownerOf(stamp) != 0)
            continue;
        const qint16 number = *NumberOfSoundFileName(name);
        const auto recorded = state.record.records.constFind(name);
        QString reason;
        if (recorded == state.record.records.cend())
            reason = QStringLiteral("not made by this catalogue");
        else if (!recorded->describes(stamp))
            reason = QStringLiteral("changed since it was made");
        else if (failedNumbers.contains(number))
            reason = QStringLiteral("its replacement was not made");
        else if (!numbers.contains(number) && !options.catalogueWhole)
            reason = QStringLiteral("the catalogue was not read whole");
        if (reason.isEmpty())
            removals.remove << name;
        else
            removals.kept.append({name, reason});
    }
    removals.forgotten.sort();
    return removals;
}

QString DistributionPlanText(const DistributionPlan &plan)
{
    QString text;
    for (const PlannedSound &sound : plan.sounds) {
        // Fixed columns first, so that a script finds each in its place: the processing is "-"
        // when there is none.
        text += QString::number(sound.number) + u'\t' + actionName(sound.action) + u'\t' +
                sound.target + u'\t' + sound.source + u'\t' +
                (sound.steps.any() ? sound.steps.text() : QStringLiteral("-"));
        for (const DistributionError &problem : sound.problems)
            text += u'\t' + problem.reason;
        text += u'\n';
    }
    for (const QString &name : plan.removals.remove)
        text += QStringLiteral("remove\t") + name + u'\n';
    for (const KeptFile &kept : plan.removals.kept)
        text += QStringLiteral("keep\t") + kept.name + u'\t' + kept.reason + u'\n';
    return text;
}

QJsonObject DistributionPlanJson(const DistributionPlan &plan)
{
    QJsonArray sounds;
    for (const PlannedSound &sound : plan.sounds) {
        sounds.append(QJsonObject{
            {QStringLiteral("number"), sound.number},
            {QStringLiteral("source"), sound.source},
            {QStringLiteral("action"), actionName(sound.action)},
            {QStringLiteral("target"), sound.target.isEmpty() ? QJsonValue() : sound.target},
            {QStringLiteral("errors"), DistributionErrorsJson(sound.problems)},
            {QStringLiteral("processing"),
             sound.steps.any() ? QJsonValue(sound.steps.text()) : QJsonValue()},
        });
    }
    QJsonArray kept;
    for (const KeptFile &file : plan.removals.kept)
        kept.append(QJsonObject{{QStringLiteral("name"), file.name},
                                {QStringLiteral("reason"), file.reason}});
    return QJsonObject{
        {QStringLiteral("schema"), 1},
        {QStringLiteral("command"), QStringLiteral("distribute --dry-run")},
        {QStringLiteral("sounds"), sounds},
        {QStringLiteral("removedFiles"), QJsonArray::fromStringList(plan.removals.remove)},
        {QStringLiteral("keptFiles"), kept},
        {QStringLiteral("encoderMissing"), plan.encoderMissing},
    };
}

} // namespace sonquill
