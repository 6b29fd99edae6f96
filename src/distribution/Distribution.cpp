#include "Distribution.h"

#include "ClearFiles.h"
#include "Encoder.h"
#include "FileCopy.h"
#include "Manifest.h"
#include "ScriptOutputs.h"
#include "SourceFiles.h"
#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/TextFormats.h"
#include "services/FileError.h"
#include "storage/AtomicFile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sonquill {

namespace {

// Encoders of files this large show their console window (2000 kB of 1000 bytes).
constexpr float kShownWindowBytes = 2000000.0f;
// How often the calling thread looks at the progress window and the cancel question.
constexpr std::chrono::milliseconds kPollInterval(20);

const QString kMadeByCopy = QStringLiteral("copy");

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

// One sound of the run: what is to be done, filled in on the calling thread, and what came of
// it, filled in by whichever thread did the work.
struct Sound
{
    enum class Work { None, Copy, Encode };
    enum class Fallback { Copy, InPlace, Blocked };

    Work work = Work::None;
    QString source;
    FileStamp sourceStamp;
    QString target;
    QString how; // as recorded in the manifest
    bool hideWindow = true;
    float recordedSize = 0.0f;
    Fallback fallback = Fallback::Copy;
    QString fallbackTarget;
    QString fallbackBlocked; // the error line's text when the fallback target is a source

    QStringList errors;
    QString claimed;                  // the target file name this sound stands for
    std::optional<MadeRecord> record; // set when the target was made or found up to date
    bool done = false;
    bool encoded = false;
    bool copied = false;
    bool upToDate = false;
    qint64 sourceBytes = 0;
    qint64 encodedBytes = 0;
};

// One distribution run and its state.
class Run
{
public:
    Run(const SoundTable &table, const QString &gameFolder, const DistributionOptions &options,
        DistributionServices services)
        : m_table(table), m_folder(gameFolder), m_options(options), m_services(services),
          m_sounds(std::size_t(std::max<int>(table.SoundCount(), 0)))
    {}

    DistributionResult execute();

private:
    const SourceFiles &sources();
    bool pollCancel();
    void plan(int index, bool encoderAvailable, QSet<qint16> &numbers);
    void planCopy(Sound &sound, int index);
    void planEncode(Sound &sound, int index);
    // Does the work of a sound; false when it was stopped before it was done.
    bool perform(Sound &sound, const std::function<bool()> &stop);
    void copyInto(Sound &sound, const QString &target);
    void runInline();
    void runPool(int threads);
    void finishFolder(Manifest &manifest);
    void writeLists();
    void summarise();

    QString encodingFailedText() const
    {
        return QStringLiteral("OGG encoding was unsuccessful (or took longer than %1 seconds).")
            .arg(QString::number(double(m_options.timeoutMs) / 1000.0));
    }
    QString errorLine(int index, const QString &description) const
    {
        const SoundRecord &record = m_table.at(index);
        return record.filename + QStringLiteral(" (#") + QString::number(record.number) +
               QStringLiteral(") : ") + description + kCrLf;
    }

    const SoundTable &m_table;
    const QString m_folder;
    const DistributionOptions &m_options;
    DistributionServices m_services;
    std::optional<SourceFiles> m_sources;
    std::vector<Sound> m_sounds; // by table index - 1
    Manifest m_manifest;
    DistributionResult m_result;
    QString m_encoderPath;
    QString m_folderErrors; // lines that belong to no sound
    std::atomic<bool> m_stop{false};
};

// The sources are resolved only when something is to be written: an up-to-date run never
// needs them.
const SourceFiles &Run::sources()
{
    if (!m_sources)
        m_sources.emplace(m_table);
    return *m_sources;
}

bool Run::pollCancel()
{
    if (!m_stop.load() &&
        ((m_services.cancelled && m_services.cancelled()) || m_services.progress.cancelRequested()))
        m_stop.store(true);
    return m_stop.load();
}

void Run::plan(int index, bool encoderAvailable, QSet<qint16> &numbers)
{
    const SoundRecord &record = m_table.at(index);
    Sound &sound = m_sounds[std::size_t(index - 1)];
    sound.source = record.filename;
    sound.recordedSize = record.size;
    // A number outside 1 to 999 names no file the engine plays, and a second sound with the
    // same number would overwrite the first one's file.
    if (record.number < 1 || record.number > 999) {
        sound.errors << QStringLiteral("The number %1 is not between 1 and 999; no file was made.")
                            .arg(record.number);
        sound.done = true;
        return;
    }
    if (numbers.contains(record.number)) {
        sound.errors << QStringLiteral("The number %1 is already used by an earlier sound; no "
                                       "file was made.")
                            .arg(record.number);
        sound.done = true;
        return;
    }
    numbers.insert(record.number);

    const QString extension = DistributionExtension(record.filename);
    // Wide enough for any 16-bit MinSize.
    const double threshold = double(m_options.ogg.MinSize) * 1000.0;
    const bool encode = extension == QLatin1String("wav") && m_options.OggUse && encoderAvailable &&
                        double(record.size) >= threshold;
    if (encode) {
        sound.target = EncodeTarget(m_folder, record.number);
        sound.how =
            BuildEncoderCommand(m_options.ogg, m_encoderPath, record.filename, sound.target);
    } else {
        // Without an extension the "extension" is the whole path; it must never name a place
        // outside the game folder.
        if (extension.contains(QLatin1Char('/')) || extension.contains(QLatin1Char('\\'))) {
            sound.errors << QStringLiteral("The source file has no extension to name its copy by.");
            sound.done = true;
            return;
        }
        sound.target = CopyTarget(m_folder, record.number, extension);
        sound.how = kMadeByCopy;
    }
    sound.claimed = fileNameOf(sound.target);
    sound.sourceStamp = StampOf(record.filename);

    if (!m_options.force) {
        const auto made = m_manifest.records.constFind(sound.claimed);
        if (made != m_manifest.records.cend() &&
            made->matches(record.filename, sound.sourceStamp, sound.how, StampOf(sound.target))) {
            sound.record = *made;
            sound.upToDate = true;
            sound.done = true;
            if (encode) {
                sound.encoded = true;
                sound.sourceBytes = qint64(RoundHalfEven(double(record.size)));
                sound.encodedBytes = made->targetSize;
            } else {
                sound.copied = true;
            }
            return;
        }
    }
    if (encode)
        planEncode(sound, index);
    else
        planCopy(sound, index);
}

void Run::planCopy(Sound &sound, int index)
{
    const QString resolvedTarget = SourceFiles::resolve(sound.target);
    // A source that already is its own target is in place; copying it onto itself could only
    // do harm.
    if (!resolvedTarget.isEmpty() && resolvedTarget == sources().resolvedSource(index)) {
        sound.copied = true;
        sound.record =
            MadeRecord::of(sound.source, sound.sourceStamp, kMadeByCopy, sound.sourceStamp);
        sound.done = true;
        return;
    }
    if (const auto owner = sources().ownerOfResolved(resolvedTarget)) {
        sound.errors << NotReplacedText(sound.claimed, *owner);
        sound.done = true;
        return;
    }
    sound.work = Sound::Work::Copy;
}

void Run::planEncode(Sound &sound, int index)
{
    const SoundRecord &record = m_table.at(index);
    sound.hideWindow = record.size < kShownWindowBytes;
    sound.fallbackTarget = CopyTarget(m_folder, record.number, QStringLiteral("wav"));
    const QString resolvedFallback = SourceFiles::resolve(sound.fallbackTarget);
    if (!resolvedFallback.isEmpty() && resolvedFallback == sources().resolvedSource(index)) {
        sound.fallback = Sound::Fallback::InPlace;
    } else if (const auto owner = sources().ownerOfResolved(resolvedFallback)) {
        sound.fallback = Sound::Fallback::Blocked;
        sound.fallbackBlocked = NotReplacedText(fileNameOf(sound.fallbackTarget), *owner);
    }
    if (const auto owner = sources().ownerOf(sound.target)) {
        sound.errors << NotReplacedText(sound.claimed, *owner);
        // The .ogg name is someone's source: this sound gets its .wav copy instead.
        sound.target = sound.fallbackTarget;
        sound.claimed = fileNameOf(sound.target);
        sound.how = kMadeByCopy;
        if (sound.fallback == Sound::Fallback::InPlace) {
            sound.copied = true;
            sound.record =
                MadeRecord::of(sound.source, sound.sourceStamp, kMadeByCopy, sound.sourceStamp);
            sound.done = true;
        } else if (sound.fallback == Sound::Fallback::Blocked) {
            sound.errors << sound.fallbackBlocked;
            sound.done = true;
        } else {
            sound.work = Sound::Work::Copy;
        }
        return;
    }
    sound.work = Sound::Work::Encode;
}

void Run::copyInto(Sound &sound, const QString &target)
{
    sound.claimed = fileNameOf(target);
    FileStamp made;
    if (const FileError error = CopyReplacing(sound.source, target, &made)) {
        sound.errors << error.description;
        return;
    }
    sound.copied = true;
    sound.record = MadeRecord::of(sound.source, sound.sourceStamp, kMadeByCopy, made);
}

bool Run::perform(Sound &sound, const std::function<bool()> &stop)
{
    if (sound.work == Sound::Work::Copy) {
        copyInto(sound, sound.target);
        return true;
    }
    // The encoder writes a hidden file that becomes the target only once it has finished well,
    // so no run, however it ends, leaves a partial sound under the engine's name.
    const QString temporary = TemporaryBeside(sound.target, QStringLiteral(".ogg"));
    const QString command =
        BuildEncoderCommand(m_options.ogg, m_encoderPath, sound.source, temporary);
    const RunResult run =
        m_services.runner.RunUntil(command, sound.hideWindow, m_options.timeoutMs, stop);
    if (run.outcome == RunResult::Outcome::Cancelled) {
        QFile::remove(temporary);
        return false;
    }
    const FileStamp written = StampOf(temporary);
    if (run.succeeded() && written.regular) {
        const FileError renamed = RenameOver(temporary, sound.target);
        if (!renamed) {
            sound.encoded = true;
            sound.record = MadeRecord::of(sound.source, sound.sourceStamp, sound.how, written);
            sound.sourceBytes = qint64(RoundHalfEven(double(sound.recordedSize)));
            sound.encodedBytes = written.size;
            return true;
        }
        sound.errors << renamed.description;
    }
    QFile::remove(temporary);
    if (run.outcome == RunResult::Outcome::NotStarted) {
        sound.errors << QStringLiteral(
                            "OGG encoding was unsuccessful: the encoder could not be started: %1")
                            .arg(run.error);
    } else {
        sound.errors << encodingFailedText();
    }
    // The .wav copy stands for this number now; an .ogg from an earlier run must not stay
    // beside it.
    QFile::remove(sound.target);
    switch (sound.fallback) {
    case Sound::Fallback::Copy:
        copyInto(sound, sound.fallbackTarget);
        break;
    case Sound::Fallback::InPlace:
        sound.claimed = fileNameOf(sound.fallbackTarget);
        sound.copied = true;
        sound.record =
            MadeRecord::of(sound.source, sound.sourceStamp, kMadeByCopy, sound.sourceStamp);
        break;
    case Sound::Fallback::Blocked:
        sound.claimed = fileNameOf(sound.fallbackTarget);
        sound.errors << sound.fallbackBlocked;
        break;
    }
    return true;
}

// One sound after the other on the calling thread, which keeps the window alive and asks
// whether to stop while an encoder runs.
void Run::runInline()
{
    const std::function<bool()> stop = [this] {
        m_services.progress.keepAlive();
        return pollCancel();
    };
    for (Sound &sound : m_sounds) {
        if (sound.work == Sound::Work::None || sound.done)
            continue;
        if (stop())
            return;
        sound.done = perform(sound, stop);
        if (sound.done) {
            m_services.progress.soundFinished(int(&sound - m_sounds.data()) + 1);
            m_services.progress.AdvanceProgress(1);
        }
    }
}

// Several sounds at once on worker threads; the calling thread alone talks to the progress
// window, advancing it as each sound is done, and asks whether to stop.
void Run::runPool(int threads)
{
    std::vector<Sound *> work;
    for (Sound &sound : m_sounds) {
        if (sound.work != Sound::Work::None && !sound.done)
            work.push_back(&sound);
    }
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> finished; // table indexes, in the order the sounds were done
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
                const bool done = perform(*work[i], stop);
                std::lock_guard lock(mutex);
                work[i]->done = done;
                if (done)
                    finished.push_back(int(work[i] - m_sounds.data()) + 1);
                changed.notify_one();
            }
            std::lock_guard lock(mutex);
            --running;
            changed.notify_one();
        });
    }
    std::size_t advanced = 0;
    for (;;) {
        std::vector<int> now;
        bool over = false;
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, kPollInterval);
            now.assign(finished.begin() + std::ptrdiff_t(advanced), finished.end());
            over = running == 0;
        }
        for (const int index : now) {
            m_services.progress.soundFinished(index);
            m_services.progress.AdvanceProgress(1);
            ++advanced;
        }
        if (over)
            break;
        m_services.progress.keepAlive();
        pollCancel();
    }
    for (std::thread &worker : workers)
        worker.join();
}

// Files that earlier runs made and that no sound makes any more go; files this catalogue never
// made are left alone and named.
void Run::finishFolder(Manifest &manifest)
{
    QSet<QString> claimed;
    for (const Sound &sound : m_sounds) {
        if (!sound.claimed.isEmpty())
            claimed.insert(sound.claimed);
    }
    const QStringList recorded = manifest.records.keys();
    for (const QString &name : recorded) {
        if (claimed.contains(name))
            continue;
        const QString path = JoinPath(m_folder, name);
        if (!StampOf(path).exists || sources().ownerOf(path)) {
            manifest.records.remove(name);
            continue;
        }
        QFile file(path);
        if (file.remove()) {
            m_result.staleDeleted << name;
            manifest.records.remove(name);
        } else {
            m_folderErrors += QStringLiteral("%1 was made by an earlier distribution and is no "
                                             "longer used, but it cannot be deleted: %2")
                                  .arg(name, file.errorString()) +
                              kCrLf;
        }
    }
    m_result.staleDeleted.sort();
    QDirIterator entries(m_folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (!IsNumberedSoundFileName(name) || claimed.contains(name) ||
            manifest.records.contains(name) || sources().ownerOf(entries.filePath()))
            continue;
        m_result.notMade << name;
    }
    m_result.notMade.sort();
}

// Both files are written whole at the end, in one step each, and left untouched when their
// content would not change (then the sources need not be resolved either).
void Run::writeLists()
{
    QByteArray soundList;
    QByteArray soundCode = SoundCodeHeaderBytes(m_table);
    for (const SoundRecord &record : m_table.records()) {
        soundList += SoundListEntryBytes(record);
        soundCode += SoundCodeEntryBytes(record);
    }
    const auto write = [this](const char *fileName, const QByteArray &bytes) {
        const QString name = QString::fromLatin1(fileName);
        const QString path = JoinPath(m_folder, name);
        // A device or a folder under that name is never replaced: through a link, the file
        // written whole would take the device's place.
        const FileStamp stamp = StampOf(path);
        if (stamp.exists && !stamp.regular) {
            m_folderErrors +=
                QStringLiteral("%1 cannot be written: it is not a regular file").arg(name) + kCrLf;
            m_result.listsFailed = true;
            return;
        }
        QFile existing(path);
        if (stamp.exists && stamp.size == bytes.size() && existing.open(QIODevice::ReadOnly) &&
            existing.readAll() == bytes)
            return;
        if (const auto owner = sources().ownerOf(path)) {
            m_folderErrors += NotReplacedText(name, *owner) + kCrLf;
            m_result.listsFailed = true;
            return;
        }
        if (const FileError error = WriteWholeFile(path, bytes)) {
            m_folderErrors +=
                QStringLiteral("%1 cannot be written: %2").arg(name, error.description) + kCrLf;
            m_result.listsFailed = true;
        }
    };
    write(kSoundListFileName, soundList);
    write(kSoundCodeFileName, soundCode);
}

void Run::summarise()
{
    for (int index = 1; index <= int(m_sounds.size()); ++index) {
        const Sound &sound = m_sounds[std::size_t(index - 1)];
        if (!sound.done)
            continue;
        ++m_result.doneCount;
        for (const QString &error : sound.errors)
            m_result.ErrorText += errorLine(index, error);
        m_result.SourceTotal += sound.sourceBytes;
        m_result.EncodedTotal += sound.encodedBytes;
        m_result.encodedCount += sound.encoded ? 1 : 0;
        m_result.copiedCount += sound.copied ? 1 : 0;
        m_result.upToDateCount += sound.upToDate ? 1 : 0;
    }
    m_result.ErrorText += m_folderErrors;
    m_result.soundFailed = !m_result.ErrorText.isEmpty();

    MessageRequest summary;
    if (m_result.cancelled) {
        summary.title = QStringLiteral("Distribution Cancelled");
        summary.text =
            m_result.ErrorText + QStringLiteral("Distribution cancelled: %1 of %2 sounds done.")
                                     .arg(m_result.doneCount)
                                     .arg(m_result.soundCount);
        summary.icon = MessageRequest::Icon::Exclamation;
    } else {
        QString sizeSentence;
        if (m_options.OggUse) {
            sizeSentence = kCrLf + kCrLf + QStringLiteral("Ogg-encoding compressed wav's from ") +
                           KilobytesText(double(m_result.SourceTotal)) + QStringLiteral(" kB to ") +
                           KilobytesText(double(m_result.EncodedTotal)) + QStringLiteral(" kB.");
        }
        if (m_result.soundFailed) {
            summary.title = QStringLiteral("Errors During Copy!");
            summary.text = m_result.ErrorText + sizeSentence;
            summary.icon = MessageRequest::Icon::Exclamation;
        } else {
            summary.title = QStringLiteral("Copying Complete");
            summary.text = QStringLiteral("Copying/Encoding of ") +
                           QString::number(m_result.soundCount) +
                           QStringLiteral(" files was successful.") + sizeSentence;
        }
        if (!m_result.notMade.isEmpty()) {
            summary.text += kCrLf + kCrLf +
                            QStringLiteral("Not made by this catalogue and left in place: ") +
                            m_result.notMade.join(QStringLiteral(", ")) + QLatin1Char('.');
        }
        if (m_result.upToDateCount > 0) {
            summary.text +=
                kCrLf + kCrLf +
                (m_result.upToDateCount == 1 ? QStringLiteral("1 sound was already up to date.")
                                             : QStringLiteral("%1 sounds were already up to date.")
                                                   .arg(m_result.upToDateCount));
        }
    }
    m_result.summaryTitle = summary.title;
    m_result.summaryText = summary.text;
    if (m_options.showSummary)
        m_services.messages.showMessage(summary);
}

DistributionResult Run::execute()
{
    const qint16 count = m_table.SoundCount();
    m_result.soundCount = count;
    m_services.progress.ShowProgress(
        QStringLiteral("Distributing Files"),
        QStringLiteral("Copying") +
            (m_options.OggUse ? QStringLiteral("/Encoding ") : QStringLiteral(" ")) +
            QString::number(count) + QStringLiteral(" files..."),
        count, false);

    bool encoderAvailable = false;
    if (m_options.OggUse) {
        if (m_options.ogg.UseCustom == 0) {
            const EncoderLocation location = LocateEncoder(m_options.programFolder);
            m_encoderPath = location.EncoderPath;
            encoderAvailable = location.found;
            if (!encoderAvailable) {
                m_result.encoderMissing = true;
                MessageRequest notFound;
                notFound.title = EncoderNotFoundTitle();
                notFound.text = EncoderNotFoundText();
                m_services.messages.showMessage(notFound);
            }
        } else {
            encoderAvailable = true;
        }
    }

    m_manifest = Manifest::Load(m_folder);
    QSet<qint16> numbers;
    for (int index = 1; index <= count && !pollCancel(); ++index) {
        plan(index, encoderAvailable, numbers);
        if (m_sounds[std::size_t(index - 1)].done) {
            m_services.progress.soundFinished(index);
            m_services.progress.AdvanceProgress(1);
        }
    }

    int pending = 0;
    for (const Sound &sound : m_sounds)
        pending += sound.work != Sound::Work::None && !sound.done ? 1 : 0;
    const int jobs = m_options.jobs > 0 ? m_options.jobs : QThread::idealThreadCount();
    const int threads = std::min(std::max(jobs, 1), pending);
    if (!m_stop.load()) {
        if (threads > 1 && m_services.runner.concurrent())
            runPool(threads);
        else
            runInline();
    }
    m_result.cancelled = m_stop.load() && std::any_of(m_sounds.begin(), m_sounds.end(),
                                                      [](const Sound &s) { return !s.done; });

    // What was made is recorded also when the run was cancelled; a target that could not be
    // made keeps the record of what it still is.
    for (const Sound &sound : m_sounds) {
        if (sound.done && sound.record && !sound.claimed.isEmpty())
            m_manifest.records.insert(sound.claimed, *sound.record);
    }
    if (!m_result.cancelled) {
        finishFolder(m_manifest);
        writeLists();
    }
    if (const FileError error = m_manifest.Save()) {
        m_folderErrors += QStringLiteral("The record of the files made cannot be saved, so the "
                                         "next distribution makes them all again: %1")
                              .arg(error.description) +
                          kCrLf;
    }
    m_services.progress.CloseProgress();
    summarise();
    if (!m_result.cancelled && m_services.saveCatalogue)
        m_result.saveFailed = !m_services.saveCatalogue();
    return m_result;
}

} // namespace

QString CopyTarget(const QString &gameFolder, qint16 number, const QString &extension)
{
    return JoinPath(gameFolder, QStringLiteral("SOUND") + QString::number(number) +
                                    QLatin1Char('.') + extension);
}

QString EncodeTarget(const QString &gameFolder, qint16 number)
{
    return CopyTarget(gameFolder, number, QStringLiteral("ogg"));
}

QString DistributionExtension(const QString &path)
{
    QString extension = FileExtension(path).toLower();
    qsizetype start = 0;
    qsizetype end = extension.size();
    while (start < end && extension[start] == QLatin1Char(' '))
        ++start;
    while (end > start && extension[end - 1] == QLatin1Char(' '))
        --end;
    return extension.mid(start, end - start);
}

DistributionResult Distribute(const SoundTable &table, const QString &gameFolder,
                              const DistributionOptions &options, DistributionServices services)
{
    return Run(table, gameFolder, options, services).execute();
}

QJsonObject DistributionResultJson(const DistributionResult &result)
{
    const auto lines = [](const QString &text) {
        QJsonArray array;
        for (const QString &line : text.split(kCrLf, Qt::SkipEmptyParts))
            array.append(line);
        return array;
    };
    return QJsonObject{
        {QStringLiteral("title"), result.summaryTitle},
        {QStringLiteral("text"), result.summaryText},
        {QStringLiteral("sounds"), result.soundCount},
        {QStringLiteral("done"), result.doneCount},
        {QStringLiteral("encoded"), result.encodedCount},
        {QStringLiteral("copied"), result.copiedCount},
        {QStringLiteral("upToDate"), result.upToDateCount},
        {QStringLiteral("errors"), lines(result.ErrorText)},
        {QStringLiteral("sourceBytes"), double(result.SourceTotal)},
        {QStringLiteral("encodedBytes"), double(result.EncodedTotal)},
        {QStringLiteral("staleDeleted"), QJsonArray::fromStringList(result.staleDeleted)},
        {QStringLiteral("notMade"), QJsonArray::fromStringList(result.notMade)},
        {QStringLiteral("cancelled"), result.cancelled},
        {QStringLiteral("encoderMissing"), result.encoderMissing},
        {QStringLiteral("listsFailed"), result.listsFailed},
        {QStringLiteral("saveFailed"), result.saveFailed},
    };
}

} // namespace sonquill
