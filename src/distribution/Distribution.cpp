#include "Distribution.h"

#include "Encoder.h"
#include "FileCopy.h"
#include "Manifest.h"
#include "ScriptOutputs.h"
#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundFileNames.h"
#include "catalogue/TextFormats.h"
#include "processing/SoundProcessor.h"
#include "services/FileError.h"
#include "soundfacts/SoundFacts.h"
#include "storage/AtomicFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace sonquill {

namespace {

// How often the calling thread looks at the progress window and the cancel question.
constexpr std::chrono::milliseconds kPollInterval(20);
// How often the record is written while a run works, so that a killed run keeps most of it.
constexpr qint64 kRecordSaveIntervalMs = 1000;

using Action = PlannedSound::Action;
using Code = DistributionError::Code;

// What came of one planned sound, filled in by whichever thread did the work.
struct Outcome
{
    QString made;        // the file name the sound has now; empty when it got none
    FileStamp madeStamp; // of the file made in this run, as it was right after
    std::optional<MadeRecord> record;
    QList<DistributionError> errors;
    bool done = false;
    bool encoded = false;
    bool copied = false;
    bool upToDate = false;
    qint64 sourceBytes = 0;
    qint64 encodedBytes = 0;
};

// One run of the encoder: the hidden file it wrote and its size, or why it failed (the file
// then removed).
struct Encoding
{
    QString file;
    QString why;
    RunResult::Outcome outcome = RunResult::Outcome::Finished;
    qint64 bytes = 0;
};

// The first bytes of every Ogg file.
bool isOggFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayLiteral("OggS");
}

// One distribution run and its state.
class Run
{
public:
    Run(const SoundTable &table, const QString &gameFolder, const DistributionOptions &options,
        DistributionServices services)
        : m_table(table), m_folder(gameFolder), m_options(options), m_services(services)
    {}

    DistributionResult execute();
    // The result of a run that would change nothing, found without changing anything; nothing
    // when the run has something to do.
    std::optional<DistributionResult> probe(Manifest record);

private:
    bool pollCancel();
    QString path(const QString &name) const { return SoundFilePath(m_folder, name); }
    // Does the work of a sound; false when it was stopped before it was done.
    bool perform(const PlannedSound &sound, Outcome &outcome, const std::function<bool()> &stop);
    bool encode(const PlannedSound &sound, Outcome &outcome, const std::function<bool()> &stop);
    Encoding runEncoder(const PlannedSound &sound, const QString &input,
                        const std::function<bool()> &stop);
    void correctEncoding(const PlannedSound &sound, const QString &pcm, ProcessedSound &processed,
                         Encoding &encoding, const std::function<bool()> &stop);
    void copyInto(const PlannedSound &sound, const QString &name, Outcome &outcome);
    void writeProcessed(const PlannedSound &sound, Outcome &outcome);
    // The encoder's failure stands: the number gets its .wav, processed when pcm holds the
    // processed samples (which it then becomes).
    void fallBack(const PlannedSound &sound, const QString &pcm, const ProcessedSound &processed,
                  Outcome &outcome);
    void finished(int position);
    void runInline();
    void runPool(int threads);
    void saveRecord(bool atEnd);
    // Reads the folder (and the record, unless given) and plans.
    void readAndPlan(std::optional<Manifest> record = std::nullopt);
    // Marks a sound that needs no work as done.
    void leaveAsItIs(const PlannedSound &sound, Outcome &outcome);
    Removals plannedRemovals() const;
    void removeLeftovers();
    // SoundList.dat's and SoundCode.txt's file names with the bytes they should hold.
    QList<std::pair<QString, QByteArray>> listBytes() const;
    // True when a list file holds bytes already.
    bool listHolds(const QString &filePath, const QByteArray &bytes) const;
    void writeLists();
    void summarise();

    // A source's size as this run found it, counted as the catalogue's size column counts it.
    qint64 sourceBytes(int tableIndex) const
    {
        const float size = float(CatalogueSize(m_state.sources.value(tableIndex - 1).size));
        return qint64(RoundHalfEven(double(size)));
    }
    DistributionError error(const PlannedSound &sound, Code code, const QString &reason) const
    {
        return {code, sound.tableIndex, sound.number, sound.source, reason};
    }

    const SoundTable &m_table;
    const QString m_folder;
    const DistributionOptions &m_options;
    DistributionServices m_services;
    FolderState m_state;
    DistributionPlan m_plan;
    std::vector<Outcome> m_outcomes; // by plan position
    DistributionResult m_result;
    QList<DistributionError> m_folderErrors;
    QElapsedTimer m_sinceRecordSaved;
    bool m_recordChanged = false;
    std::atomic<bool> m_stop{false};
    SpareFiles m_spares; // replaced copies, for the next copies to write into
};

bool Run::pollCancel()
{
    if (!m_stop.load() &&
        ((m_services.cancelled && m_services.cancelled()) || m_services.progress.cancelRequested()))
        m_stop.store(true);
    return m_stop.load();
}

void Run::copyInto(const PlannedSound &sound, const QString &name, Outcome &outcome)
{
    FileStamp made;
    if (const FileError failed = CopyReplacing(sound.source, path(name), &made, &m_spares)) {
        const bool unreadable = failed.description.startsWith(QLatin1String("The source file"));
        outcome.errors << error(sound, unreadable ? Code::SourceUnreadable : Code::CopyFailed,
                                failed.description);
        return;
    }
    outcome.made = name;
    outcome.madeStamp = made;
    outcome.copied = true;
    outcome.record = MadeRecord::of(sound.source, m_state.sources.value(sound.tableIndex - 1),
                                    QStringLiteral("copy"), made);
}

// The processing's problem as an error line: "The sound cannot be processed: <why>".
DistributionError processingError(const PlannedSound &sound, const ProcessedSound &processed)
{
    return {Code::ProcessingFailed, sound.tableIndex, sound.number, sound.source,
            (processed.sourceProblem ? QStringLiteral("The sound cannot be processed: %1")
                                     : QStringLiteral("The processed sound cannot be written: %1"))
                .arg(processed.problem)};
}

// A WAV written from its processed samples, to a hidden name first as every made file is; when
// the source cannot be decoded after all, it is copied as it is.
void Run::writeProcessed(const PlannedSound &sound, Outcome &outcome)
{
    const QString temporary = TemporaryBeside(path(sound.target), QStringLiteral(".wav"));
    const ProcessedSound processed = WriteProcessedWav(sound.source, temporary, sound.steps);
    if (!processed.problem.isEmpty()) {
        outcome.errors << processingError(sound, processed);
        if (processed.sourceProblem)
            copyInto(sound, sound.target, outcome);
        return;
    }
    if (const FileError renamed = RenameOver(temporary, path(sound.target))) {
        QFile::remove(temporary);
        outcome.errors << error(sound, Code::CopyFailed, renamed.description);
        return;
    }
    outcome.made = sound.target;
    outcome.copied = true;
    outcome.record = MadeRecord::of(sound.source, m_state.sources.value(sound.tableIndex - 1),
                                    sound.how, StampOf(path(sound.target)));
    outcome.record->gainDb = processed.gainDb;
}

void Run::fallBack(const PlannedSound &sound, const QString &pcm, const ProcessedSound &processed,
                   Outcome &outcome)
{
    // The .wav copy stands for this number now; an earlier .ogg goes only once it is made, and
    // only when the record proves it.
    if (sound.fallbackInPlace) {
        outcome.made = sound.fallbackTarget;
    } else if (!sound.fallbackBlocked.isEmpty()) {
        outcome.errors << error(sound, Code::TargetIsSource, sound.fallbackBlocked);
    } else if (sound.steps.any() && !pcm.isEmpty() &&
               !RenameOver(pcm, path(sound.fallbackTarget))) {
        outcome.made = sound.fallbackTarget;
        outcome.copied = true;
        outcome.record = MadeRecord::of(sound.source, m_state.sources.value(sound.tableIndex - 1),
                                        sound.fallbackHow, StampOf(path(sound.fallbackTarget)));
        outcome.record->gainDb = processed.gainDb;
    } else {
        copyInto(sound, sound.fallbackTarget, outcome);
    }
    if (!pcm.isEmpty())
        QFile::remove(pcm);
}

// libsndfile reads it and oggenc does not (IMA ADPCM, u-law, A-law, 32-bit integer, RF64...):
// the encoder gets it decoded.
bool needsDecoding(const QString &source)
{
    const SoundFacts facts = ReadSoundFacts(source);
    return facts.readable && !OggencReads(facts);
}

Encoding Run::runEncoder(const PlannedSound &sound, const QString &input,
                         const std::function<bool()> &stop)
{
    // The encoder writes a hidden file that becomes the target only once it has finished well,
    // so no run, however it ends, leaves a partial sound under the engine's name.
    Encoding encoding;
    encoding.file = TemporaryBeside(path(sound.target), QStringLiteral(".ogg"));
    const QString command =
        BuildEncoderCommand(m_options.ogg, m_state.encoderPath, input, encoding.file);
    const RunResult run =
        m_services.runner.RunUntil(command, sound.hideWindow, m_options.timeoutMs, stop);
    encoding.outcome = run.outcome;
    if (run.outcome == RunResult::Outcome::Cancelled) {
        QFile::remove(encoding.file);
        return encoding;
    }
    // An encoder that says it succeeded is believed only with an Ogg file to show for it.
    const FileStamp written = StampOf(encoding.file);
    encoding.bytes = written.size;
    const QString seconds = QString::number(double(m_options.timeoutMs) / 1000.0);
    if (run.outcome == RunResult::Outcome::NotStarted) {
        encoding.why =
            QStringLiteral("OGG encoding was unsuccessful: the encoder could not be started: %1")
                .arg(run.error);
    } else if (run.outcome == RunResult::Outcome::TimedOut) {
        encoding.why =
            QStringLiteral("OGG encoding was unsuccessful (or took longer than %1 seconds).")
                .arg(seconds);
    } else {
        QString detail;
        if (run.crashed)
            detail = QStringLiteral("The encoder was ended by a signal");
        else if (run.exitCode != 0)
            detail = QStringLiteral("The encoder exited with code %1").arg(run.exitCode);
        else if (!written.exists || !written.regular)
            detail = QStringLiteral("The encoder wrote no file");
        else if (written.size == 0)
            detail = QStringLiteral("The encoder wrote an empty file");
        else if (!isOggFile(encoding.file))
            detail = QStringLiteral("The encoder's output is not an Ogg file");
        if (!detail.isEmpty()) {
            if (!run.errorOutput.isEmpty())
                detail += QStringLiteral(": ") + run.errorOutput;
            encoding.why =
                QStringLiteral("OGG encoding was unsuccessful (or took longer than %1 seconds). ")
                    .arg(seconds) +
                detail + QLatin1Char('.');
        }
    }
    if (!encoding.why.isEmpty())
        QFile::remove(encoding.file);
    return encoding;
}

// A lossy encoder changes loudness and peaks: noisy sounds come out up to a LU or two louder or
// quieter, and peaks move. The sounds at risk (noise-like ones, and those whose true peak is
// close to the ceiling) are measured again once encoded; one whose loudness missed the target
// by more than kLoudnessToleranceLu, or whose true peak went above the ceiling, is made once
// more with the gain corrected by as much. The encoder does nearly the same to nearly the same
// samples, so the second encoding lands where it should.
void Run::correctEncoding(const PlannedSound &sound, const QString &pcm, ProcessedSound &processed,
                          Encoding &encoding, const std::function<bool()> &stop)
{
    constexpr double kLoudnessToleranceLu = 0.3;
    constexpr double kPeakMarginDb = 0.1; // under the ceiling, for the encoder's own variation
    // An encoder moves a peak by up to about a dB, and a peak far from the ceiling may have been
    // read up to a dB low: closer than this, the encoding is measured.
    constexpr double kPeakRiskDb = 2.0;
    constexpr double kNoisyShare = 0.2; // pink noise has about a third
    if (!std::isfinite(processed.gainDb))
        return; // too short or too quiet to measure: left at its level
    const double ceiling = sound.steps.ceilingDbtp;
    const bool nearCeiling =
        processed.measured.truePeakDbtp + processed.gainDb >= ceiling - kPeakRiskDb;
    if (processed.differenceShare < kNoisyShare && !nearCeiling)
        return;
    const Loudness encoded =
        MeasureLoudness(encoding.file, nearCeiling ? std::optional(ceiling) : std::nullopt)
            .loudness;
    // The gain the ceiling allowed was less than the target asked for.
    const bool heldByCeiling =
        processed.measured.integratedLufs + processed.gainDb < sound.steps.targetLufs - 0.01;
    double change = 0;
    if (encoded.measurable() && !heldByCeiling &&
        std::fabs(sound.steps.targetLufs - encoded.integratedLufs) > kLoudnessToleranceLu)
        change = sound.steps.targetLufs - encoded.integratedLufs;
    if (encoded.truePeakDbtp + change > ceiling)
        change = std::min(change, ceiling - kPeakMarginDb - encoded.truePeakDbtp);
    // A peak not measured stays as far from the ceiling as it was.
    if (!nearCeiling)
        change = std::min(change, ceiling - kPeakRiskDb -
                                      (processed.measured.truePeakDbtp + processed.gainDb));
    if (std::fabs(change) < 0.05)
        return;
    ProcessingSteps corrected = sound.steps;
    corrected.gainCorrectionDb = change;
    QFile::remove(pcm);
    ProcessedSound again = WriteProcessedWav(sound.source, pcm, corrected);
    if (!again.problem.isEmpty())
        return;
    Encoding second = runEncoder(sound, pcm, stop);
    if (!second.why.isEmpty() || second.outcome == RunResult::Outcome::Cancelled)
        return;
    QFile::remove(encoding.file);
    encoding = second;
    processed = again;
}

bool Run::encode(const PlannedSound &sound, Outcome &outcome, const std::function<bool()> &stop)
{
    // The encoder reads the source itself unless its samples are to change or it cannot read
    // them; then it reads a processed PCM copy in the game folder's hidden temporary space.
    QString pcm;
    ProcessedSound processed;
    if (sound.steps.any() || needsDecoding(sound.source)) {
        pcm = TemporaryBeside(path(sound.target), QStringLiteral(".wav"));
        processed = WriteProcessedWav(sound.source, pcm, sound.steps);
        if (!processed.problem.isEmpty()) {
            outcome.errors << processingError(sound, processed);
            fallBack(sound, QString(), processed, outcome);
            return true;
        }
    }
    Encoding encoding = runEncoder(sound, pcm.isEmpty() ? sound.source : pcm, stop);
    if (encoding.why.isEmpty() && encoding.outcome != RunResult::Outcome::Cancelled &&
        sound.steps.normalise)
        correctEncoding(sound, pcm, processed, encoding, stop);
    if (encoding.outcome == RunResult::Outcome::Cancelled) {
        if (!pcm.isEmpty())
            QFile::remove(pcm);
        return false;
    }
    if (encoding.why.isEmpty()) {
        if (const FileError renamed = RenameOver(encoding.file, path(sound.target))) {
            QFile::remove(encoding.file);
            encoding.why = renamed.description;
        } else {
            outcome.made = sound.target;
            outcome.madeStamp = StampOf(path(sound.target));
            outcome.encoded = true;
            outcome.record =
                MadeRecord::of(sound.source, m_state.sources.value(sound.tableIndex - 1), sound.how,
                               outcome.madeStamp);
            outcome.record->gainDb = processed.gainDb;
            outcome.sourceBytes = sourceBytes(sound.tableIndex);
            outcome.encodedBytes = encoding.bytes;
            if (!pcm.isEmpty())
                QFile::remove(pcm);
            return true;
        }
    }
    outcome.errors << error(sound,
                            encoding.outcome == RunResult::Outcome::NotStarted
                                ? Code::EncoderNotStarted
                                : Code::EncoderFailed,
                            encoding.why);
    fallBack(sound, pcm, processed, outcome);
    return true;
}

bool Run::perform(const PlannedSound &sound, Outcome &outcome, const std::function<bool()> &stop)
{
    if (sound.action == Action::Copy) {
        if (sound.steps.any())
            writeProcessed(sound, outcome);
        else
            copyInto(sound, sound.target, outcome);
        return true;
    }
    return encode(sound, outcome, stop);
}

// On the calling thread: the progress step and the record of a sound that is done.
void Run::finished(int position)
{
    const PlannedSound &sound = m_plan.sounds.at(position);
    const Outcome &outcome = m_outcomes[std::size_t(position)];
    if (outcome.record && !outcome.made.isEmpty()) {
        m_state.record.records.insert(outcome.made, *outcome.record);
        m_recordChanged = true;
    }
    m_services.progress.soundFinished(sound.tableIndex);
    m_services.progress.AdvanceProgress(1);
    saveRecord(false);
}

// One sound after the other on the calling thread.
void Run::runInline()
{
    const std::function<bool()> stop = [this] {
        m_services.progress.keepAlive();
        saveRecord(false);
        return pollCancel();
    };
    for (int position = 0; position < m_plan.sounds.size(); ++position) {
        Outcome &outcome = m_outcomes[std::size_t(position)];
        if (outcome.done)
            continue;
        if (stop())
            return;
        outcome.done = perform(m_plan.sounds.at(position), outcome, stop);
        if (outcome.done)
            finished(position);
    }
}

// Several sounds at once on worker threads; the calling thread alone talks to the progress
// sink and the record, as each sound is done, and asks whether to stop.
void Run::runPool(int threads)
{
    std::vector<int> work;
    for (int position = 0; position < m_plan.sounds.size(); ++position) {
        if (!m_outcomes[std::size_t(position)].done)
            work.push_back(position);
    }
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> done; // plan positions, in the order the sounds were done
    int running = threads;
    const std::function<bool()> stop = [this] { return m_stop.load(); };

    std::vector<std::thread> workers;
    workers.reserve(std::size_t(threads));
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (;;) {
                const std::size_t i = next.fetch_add(1);
                if (i >= work.size() || m_stop.load())
                    break;
                const int position = work[i];
                Outcome outcome;
                const bool ended = perform(m_plan.sounds.at(position), outcome, stop);
                std::lock_guard lock(mutex);
                outcome.done = ended;
                m_outcomes[std::size_t(position)] = std::move(outcome);
                if (ended)
                    done.push_back(position);
                changed.notify_one();
            }
            std::lock_guard lock(mutex);
            --running;
            changed.notify_one();
        });
    }
    std::size_t reported = 0;
    for (;;) {
        std::vector<int> now;
        bool over = false;
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, kPollInterval);
            now.assign(done.begin() + std::ptrdiff_t(reported), done.end());
            over = running == 0;
        }
        for (const int position : now) {
            finished(position);
            ++reported;
        }
        if (over)
            break;
        m_services.progress.keepAlive();
        saveRecord(false);
        pollCancel();
    }
    for (std::thread &worker : workers)
        worker.join();
}

void Run::saveRecord(bool atEnd)
{
    if (!atEnd && (!m_recordChanged || m_sinceRecordSaved.elapsed() < kRecordSaveIntervalMs))
        return;
    m_sinceRecordSaved.start();
    m_recordChanged = false;
    const FileError failed = m_state.record.Save();
    if (failed && atEnd) {
        m_result.warnings << QStringLiteral("The record of the files made cannot be saved, so "
                                            "the next distribution makes them all again: %1")
                                 .arg(failed.description);
    }
}

// Files that earlier runs made and that no sound makes any more go, when the record proves
// it; every other one stays and is named.
Removals Run::plannedRemovals() const
{
    QSet<QString> claimed;
    QSet<qint16> failed;
    for (int position = 0; position < m_plan.sounds.size(); ++position) {
        const PlannedSound &sound = m_plan.sounds.at(position);
        const Outcome &outcome = m_outcomes[std::size_t(position)];
        if (!outcome.made.isEmpty()) {
            claimed.insert(outcome.made);
            continue;
        }
        // Nothing made: what the number has now stays as it is.
        for (const QString &name : {sound.target, sound.fallbackTarget}) {
            if (!name.isEmpty())
                claimed.insert(name);
        }
        if (sound.action != Action::Refused ||
            (sound.problems.first().code != Code::NumberOutOfRange &&
             sound.problems.first().code != Code::NumberTaken))
            failed.insert(sound.number);
    }
    return PlanRemovals(m_table, m_options, m_state, claimed, failed);
}

void Run::removeLeftovers()
{
    // Files made in this run are in the folder now, under their names; the others were there
    // when it was read.
    for (const Outcome &outcome : m_outcomes) {
        if (!outcome.made.isEmpty() && (outcome.copied || outcome.encoded))
            m_state.soundFiles.insert(outcome.made, outcome.madeStamp);
    }
    const Removals removals = plannedRemovals();
    for (const QString &name : removals.forgotten)
        m_state.record.records.remove(name);
    m_result.kept = removals.kept;
    for (const QString &name : removals.remove) {
        // Looked at once more just before it goes: nobody may have put another file there.
        const MadeRecord recorded = m_state.record.records.value(name);
        if (!recorded.describes(StampOf(path(name)))) {
            m_result.kept.append({name, QStringLiteral("changed since it was made")});
            continue;
        }
        QFile file(path(name));
        if (file.remove()) {
            m_result.removed << name;
            m_state.record.records.remove(name);
        } else {
            m_folderErrors.append({Code::NotRemoved, 0, *NumberOfSoundFileName(name), path(name),
                                   QStringLiteral("%1 was made by an earlier distribution and is "
                                                  "no longer used, but it cannot be deleted: %2")
                                       .arg(name, file.errorString())});
        }
    }
    // A file kept because it changed is no longer the one the record describes.
    for (const KeptFile &kept : std::as_const(m_result.kept))
        m_state.record.records.remove(kept.name);
}

// Both files are written whole at the end, in one step each, and left untouched when their
// content would not change.
QList<std::pair<QString, QByteArray>> Run::listBytes() const
{
    QByteArray soundList;
    QByteArray soundCode = SoundCodeHeaderBytes(m_table);
    // Room for typical names, so that the lists grow once rather than with every entry.
    soundList.reserve(m_table.SoundCount() * 24);
    soundCode.reserve(soundCode.size() + m_table.SoundCount() * 48);
    for (const SoundRecord &record : m_table.records()) {
        AppendSoundListEntry(soundList, record);
        AppendSoundCodeEntry(soundCode, record);
    }
    return {{JoinPath(m_folder, QString::fromLatin1(kSoundListFileName)), soundList},
            {JoinPath(m_folder, QString::fromLatin1(kSoundCodeFileName)), soundCode}};
}

bool Run::listHolds(const QString &filePath, const QByteArray &bytes) const
{
    const FileStamp stamp = StampOf(filePath);
    QFile existing(filePath);
    return stamp.exists && stamp.regular && stamp.size == bytes.size() &&
           existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes;
}

void Run::writeLists()
{
    for (const auto &[filePath, bytes] : listBytes()) {
        const QString name = QFileInfo(filePath).fileName();
        const auto failure = [&](const QString &why) {
            m_folderErrors.append({Code::ListNotWritten, 0, 0, filePath, why});
            m_result.listsFailed = true;
        };
        // A device or a folder under that name is never replaced: through a link, the file
        // written whole would take the device's place.
        const FileStamp stamp = StampOf(filePath);
        if (stamp.exists && !stamp.regular) {
            failure(QStringLiteral("%1 cannot be written: it is not a regular file").arg(name));
            continue;
        }
        if (listHolds(filePath, bytes))
            continue;
        const int owner = m_state.ownerOf(stamp);
        if (stamp.exists && owner != 0) {
            failure(QStringLiteral("%1 was not replaced because it is the source file of sound #%2")
                        .arg(name, QString::number(m_table.at(owner).number)));
            continue;
        }
        if (const FileError failed = WriteWholeFile(filePath, bytes))
            failure(QStringLiteral("%1 cannot be written: %2").arg(name, failed.description));
    }
}

void Run::summarise()
{
    for (int position = 0; position < m_plan.sounds.size(); ++position) {
        const PlannedSound &sound = m_plan.sounds.at(position);
        const Outcome &outcome = m_outcomes[std::size_t(position)];
        if (!outcome.done)
            continue;
        ++m_result.doneCount;
        m_result.errors << sound.problems << outcome.errors;
        m_result.SourceTotal += outcome.sourceBytes;
        m_result.EncodedTotal += outcome.encodedBytes;
        m_result.encodedCount += outcome.encoded ? 1 : 0;
        m_result.copiedCount += outcome.copied ? 1 : 0;
        m_result.upToDateCount += outcome.upToDate ? 1 : 0;
        m_result.failedCount += outcome.made.isEmpty() ? 1 : 0;
        if (outcome.encoded || outcome.copied)
            m_result.made << outcome.made;
    }
    m_result.errors << m_folderErrors;
    m_result.ErrorText = ErrorLines(m_result.errors, m_table);
    m_result.soundFailed = !m_result.errors.isEmpty();

    if (m_result.cancelled) {
        m_result.summaryTitle = QStringLiteral("Distribution Cancelled");
        m_result.summaryText =
            m_result.ErrorText + QStringLiteral("Distribution cancelled: %1 of %2 sounds done.")
                                     .arg(m_result.doneCount)
                                     .arg(m_result.soundCount);
        return;
    }
    QString text;
    if (m_options.OggUse) {
        text = kCrLf + kCrLf + QStringLiteral("Ogg-encoding compressed wav's from ") +
               KilobytesText(double(m_result.SourceTotal)) + QStringLiteral(" kB to ") +
               KilobytesText(double(m_result.EncodedTotal)) + QStringLiteral(" kB.");
    }
    if (m_result.soundFailed) {
        m_result.summaryTitle = QStringLiteral("Errors During Copy!");
        text = m_result.ErrorText + text;
    } else {
        m_result.summaryTitle = QStringLiteral("Copying Complete");
        text = QStringLiteral("Copying/Encoding of ") + QString::number(m_result.soundCount) +
               QStringLiteral(" files was successful.") + text;
    }
    if (!m_result.removed.isEmpty()) {
        text += kCrLf + kCrLf +
                QStringLiteral("Removed, as earlier distributions made them for numbers no "
                               "longer in use: ") +
                m_result.removed.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    if (!m_result.kept.isEmpty()) {
        QStringList kept;
        for (const KeptFile &file : std::as_const(m_result.kept))
            kept << file.name + QStringLiteral(" (") + file.reason + QLatin1Char(')');
        text += kCrLf + kCrLf + QStringLiteral("Left in place, as no sound makes them: ") +
                kept.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    if (m_result.upToDateCount > 0) {
        text += kCrLf + kCrLf +
                (m_result.upToDateCount == 1 ? QStringLiteral("1 sound was already up to date.")
                                             : QStringLiteral("%1 sounds were already up to date.")
                                                   .arg(m_result.upToDateCount));
    }
    if (m_result.encoderMissing) {
        text += kCrLf + kCrLf +
                QStringLiteral("Nothing was encoded: the encoder was not found, so the WAV files "
                               "were copied.");
    }
    for (const QString &warning : std::as_const(m_result.warnings))
        text += kCrLf + kCrLf + warning;
    m_result.summaryText = text;
}

void Run::readAndPlan(std::optional<Manifest> record)
{
    m_result.soundCount = m_table.SoundCount();
    m_state = FolderState::Read(m_table, m_folder, m_options, std::move(record));
    m_result.sourceSizes.reserve(m_state.sources.size());
    for (const FileStamp &source : std::as_const(m_state.sources))
        m_result.sourceSizes.append(source.unreadableReason().isEmpty() ? CatalogueSize(source.size)
                                                                        : -1);
    m_plan = PlanDistribution(m_table, m_options, m_state);
    m_result.encoderMissing = m_plan.encoderMissing;
    m_outcomes.resize(std::size_t(m_plan.sounds.size()));
}

void Run::leaveAsItIs(const PlannedSound &sound, Outcome &outcome)
{
    if (sound.action == Action::UpToDate) {
        outcome.made = sound.target;
        outcome.upToDate = true;
        if (sound.encodes) {
            outcome.sourceBytes = sourceBytes(sound.tableIndex);
            outcome.encodedBytes = m_state.soundFiles.value(sound.target).size;
        }
    } else if (sound.action == Action::InPlace) {
        // The author's own file: never recorded, so never removed as a leftover.
        outcome.made = sound.target;
        outcome.upToDate = true;
        m_state.record.records.remove(sound.target);
    }
    outcome.done = true;
}

std::optional<DistributionResult> Run::probe(Manifest record)
{
    // A first run, or one after the record was lost: there is work, and no need to look for it.
    if (!record.isSaved())
        return std::nullopt;
    readAndPlan(std::move(record));
    if (m_plan.encoderMissing || !m_state.leftoverTemporaries.isEmpty())
        return std::nullopt;
    for (int position = 0; position < m_plan.sounds.size(); ++position) {
        const PlannedSound &sound = m_plan.sounds.at(position);
        // A refused sound is an error to report. (A file in place drops its record entry,
        // which the record's check below then sees.)
        if ((sound.action != Action::UpToDate && sound.action != Action::InPlace) ||
            !sound.problems.isEmpty())
            return std::nullopt;
        leaveAsItIs(sound, m_outcomes[std::size_t(position)]);
    }
    // Every sound is left as it is, so the plan's removals are the run's.
    const Removals &removals = m_plan.removals;
    if (!removals.remove.isEmpty() || !removals.forgotten.isEmpty())
        return std::nullopt;
    for (const KeptFile &kept : removals.kept) {
        if (m_state.record.records.contains(kept.name))
            return std::nullopt;
    }
    for (const auto &[filePath, bytes] : listBytes()) {
        if (!listHolds(filePath, bytes))
            return std::nullopt;
    }
    if (!m_state.record.isSaved())
        return std::nullopt;
    m_result.kept = removals.kept;
    summarise();
    return m_result;
}

DistributionResult Run::execute()
{
    m_services.progress.ShowProgress(
        QStringLiteral("Distributing Files"),
        QStringLiteral("Copying") +
            (m_options.OggUse ? QStringLiteral("/Encoding ") : QStringLiteral(" ")) +
            QString::number(m_table.SoundCount()) + QStringLiteral(" files..."),
        m_table.SoundCount(), false);

    readAndPlan();
    // The record is saved a second into the run and every second after, and at its end: a run
    // shorter than that writes it once.
    m_sinceRecordSaved.start();
    // Partial files of runs that were killed: no run is working here now (the caller holds
    // the folder), so nobody is still writing them.
    for (const QString &name : std::as_const(m_state.leftoverTemporaries)) {
        if (QFile::remove(JoinPath(m_folder, name)))
            m_result.temporariesRemoved << name;
    }

    int pending = 0;
    bool onlyCopies = true;
    for (int position = 0; position < m_plan.sounds.size(); ++position) {
        const PlannedSound &sound = m_plan.sounds.at(position);
        Outcome &outcome = m_outcomes[std::size_t(position)];
        if (sound.action == Action::Copy || sound.action == Action::Encode) {
            ++pending;
            onlyCopies = onlyCopies && sound.action == Action::Copy && !sound.steps.any();
            continue;
        }
        leaveAsItIs(sound, outcome);
        m_services.progress.soundFinished(sound.tableIndex);
        m_services.progress.AdvanceProgress(1);
    }

    // Plain copies into one folder wait for each other on the folder's lock: more threads only
    // spin on it.
    const int jobs = onlyCopies           ? 1
                     : m_options.jobs > 0 ? m_options.jobs
                                          : QThread::idealThreadCount();
    const int threads = std::min(std::max(jobs, 1), pending);
    if (!pollCancel() && pending > 0) {
        if (threads > 1 && m_services.runner.concurrent())
            runPool(threads);
        else
            runInline();
    }
    m_result.cancelled =
        m_stop.load() && std::any_of(m_outcomes.begin(), m_outcomes.end(),
                                     [](const Outcome &outcome) { return !outcome.done; });
    if (!m_result.cancelled) {
        removeLeftovers();
        writeLists();
    }
    saveRecord(true);
    m_services.progress.CloseProgress();
    summarise();
    return m_result;
}

} // namespace

QString DistributionError::codeName() const
{
    switch (code) {
    case Code::NumberOutOfRange:
        return QStringLiteral("number-out-of-range");
    case Code::NumberTaken:
        return QStringLiteral("number-taken");
    case Code::NoExtension:
        return QStringLiteral("no-extension");
    case Code::SourceUnreadable:
        return QStringLiteral("source-unreadable");
    case Code::TargetIsSource:
        return QStringLiteral("target-is-source");
    case Code::EncoderNotStarted:
        return QStringLiteral("encoder-not-started");
    case Code::EncoderFailed:
        return QStringLiteral("encoder-failed");
    case Code::ProcessingFailed:
        return QStringLiteral("processing-failed");
    case Code::CopyFailed:
        return QStringLiteral("copy-failed");
    case Code::NotRemoved:
        return QStringLiteral("not-removed");
    case Code::ListNotWritten:
        return QStringLiteral("list-not-written");
    }
    return {};
}

QJsonArray DistributionErrorsJson(const QList<DistributionError> &errors)
{
    QJsonArray array;
    for (const DistributionError &error : errors) {
        array.append(QJsonObject{
            {QStringLiteral("code"), error.codeName()},
            {QStringLiteral("number"),
             error.tableIndex > 0 || error.number != 0 ? QJsonValue(error.number) : QJsonValue()},
            {QStringLiteral("path"), error.path},
            {QStringLiteral("message"), error.reason},
        });
    }
    return array;
}

QString ErrorLines(const QList<DistributionError> &errors, const SoundTable &table)
{
    QString text;
    for (const DistributionError &error : errors) {
        if (error.tableIndex > 0 && table.isValidIndex(error.tableIndex)) {
            const SoundRecord &record = table.at(error.tableIndex);
            text += record.filename + QStringLiteral(" (#") + QString::number(record.number) +
                    QStringLiteral(") : ");
        }
        text += error.reason + kCrLf;
    }
    return text;
}

DistributionResult Distribute(const SoundTable &table, const QString &gameFolder,
                              const DistributionOptions &options, DistributionServices services)
{
    return Run(table, gameFolder, options, services).execute();
}

std::optional<DistributionResult> DistributionIfUpToDate(const SoundTable &table,
                                                         const QString &gameFolder,
                                                         const DistributionOptions &options,
                                                         DistributionServices services,
                                                         Manifest record)
{
    return Run(table, gameFolder, options, services).probe(std::move(record));
}

QJsonObject DistributionResultJson(const DistributionResult &result)
{
    QJsonArray kept;
    for (const KeptFile &file : result.kept)
        kept.append(QJsonObject{{QStringLiteral("name"), file.name},
                                {QStringLiteral("reason"), file.reason}});
    return QJsonObject{
        {QStringLiteral("schema"), 1},
        {QStringLiteral("command"), QStringLiteral("distribute")},
        {QStringLiteral("title"), result.summaryTitle},
        {QStringLiteral("text"), result.summaryText},
        {QStringLiteral("sounds"), result.soundCount},
        {QStringLiteral("done"), result.doneCount},
        {QStringLiteral("copied"), result.copiedCount},
        {QStringLiteral("encoded"), result.encodedCount},
        {QStringLiteral("upToDate"), result.upToDateCount},
        {QStringLiteral("failed"), result.failedCount},
        {QStringLiteral("removed"), int(result.removed.size())},
        {QStringLiteral("kept"), int(result.kept.size())},
        {QStringLiteral("removedFiles"), QJsonArray::fromStringList(result.removed)},
        {QStringLiteral("keptFiles"), kept},
        {QStringLiteral("made"), QJsonArray::fromStringList(result.made)},
        {QStringLiteral("temporariesRemoved"),
         QJsonArray::fromStringList(result.temporariesRemoved)},
        {QStringLiteral("errors"), DistributionErrorsJson(result.errors)},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(result.warnings)},
        {QStringLiteral("sourceBytes"), double(result.SourceTotal)},
        {QStringLiteral("encodedBytes"), double(result.EncodedTotal)},
        {QStringLiteral("cancelled"), result.cancelled},
        {QStringLiteral("encoderMissing"), result.encoderMissing},
        {QStringLiteral("listsFailed"), result.listsFailed},
    };
}

QString DistributionResultLine(const DistributionResult &result, const SoundTable &table)
{
    QStringList parts;
    if (result.cancelled)
        parts << QStringLiteral("cancelled after %1 of %2 sounds")
                     .arg(result.doneCount)
                     .arg(result.soundCount);
    if (!result.made.isEmpty())
        parts << QStringLiteral("made ") + result.made.join(QStringLiteral(", "));
    if (!result.removed.isEmpty())
        parts << QStringLiteral("removed ") + result.removed.join(QStringLiteral(", "));
    for (const KeptFile &kept : result.kept)
        parts << QStringLiteral("kept %1 (%2)").arg(kept.name, kept.reason);
    if (result.upToDateCount > 0)
        parts << QStringLiteral("%1 up to date").arg(result.upToDateCount);
    if (result.encoderMissing)
        parts << EncoderNotFoundText();
    for (const DistributionError &error : result.errors) {
        QString line = ErrorLines({error}, table);
        parts << line.replace(kCrLf, QStringLiteral(" ")).trimmed();
    }
    for (const QString &warning : result.warnings)
        parts << QStringLiteral("warning: ") + warning;
    if (parts.isEmpty())
        parts << QStringLiteral("nothing to distribute");
    return parts.join(QStringLiteral("; "));
}

} // namespace sonquill
