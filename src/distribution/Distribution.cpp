#include "Distribution.h"

#include "Encoder.h"
#include "ScriptOutputs.h"
#include "SourceFiles.h"
#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/TextFormats.h"
#include "storage/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace sonquill {

namespace {

// Encoders of files this large show their console window (2000 kB of 1000 bytes).
constexpr float kShownWindowBytes = 2000000.0f;

FileError failure(int number, const QString &description)
{
    return FileError{number != 0 ? number : int(QFileDevice::UnspecifiedError), description};
}

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

// One of the two script outputs, written piece by piece as the run goes. A file that could not
// be created fails every later write in the same way, so its failure stays pending.
class ScriptOutput
{
public:
    explicit ScriptOutput(const QString &path) : m_file(path), m_name(fileNameOf(path)) {}

    FileError create(const SourceFiles &sources)
    {
        if (const auto owner = sources.ownerOf(m_file.fileName())) {
            m_failure = failure(QFileDevice::OpenError, NotReplacedText(m_name, *owner));
        } else if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate |
                                QIODevice::Unbuffered)) {
            m_failure = failure(
                m_file.error(),
                QStringLiteral("%1 cannot be created: %2").arg(m_name, m_file.errorString()));
        }
        return m_failure;
    }

    FileError write(const QByteArray &bytes)
    {
        if (!m_file.isOpen())
            return m_failure;
        if (m_file.write(bytes) == bytes.size())
            return {};
        return failure(
            m_file.error(),
            QStringLiteral("%1 cannot be written: %2").arg(m_name, m_file.errorString()));
    }

    void close() { m_file.close(); }

private:
    QFile m_file;
    QString m_name;
    FileError m_failure;
};

// Copies source to target, replacing target only once the copy is complete: the copy is
// written beside it and renamed over it, so a missing source, a full disk or a failed read
// leaves the old target exactly as it was.
FileError copyReplacing(const QString &source, const QString &target)
{
    const QString targetName = fileNameOf(target);
    // A pipe would block the run for good and a device could fill the disk.
    const QFileInfo sourceInfo(source);
    if (sourceInfo.exists() && !sourceInfo.isFile()) {
        return failure(QFileDevice::OpenError,
                       QStringLiteral("The source file cannot be read: it is not a regular file"));
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return failure(in.error(),
                       QStringLiteral("The source file cannot be read: %1").arg(in.errorString()));
    }
    QTemporaryFile out(target + QStringLiteral(".XXXXXX"));
    if (!out.open()) {
        return failure(
            out.error(),
            QStringLiteral("%1 cannot be created: %2").arg(targetName, out.errorString()));
    }
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            return failure(
                in.error(),
                QStringLiteral("The source file cannot be read: %1").arg(in.errorString()));
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got) {
            return failure(
                out.error(),
                QStringLiteral("%1 cannot be written: %2").arg(targetName, out.errorString()));
        }
    }
    if (!out.flush()) {
        return failure(
            out.error(),
            QStringLiteral("%1 cannot be written: %2").arg(targetName, out.errorString()));
    }
    out.setPermissions(in.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.close();

    std::error_code renameError;
    std::filesystem::rename(QFileInfo(out.fileName()).filesystemFilePath(),
                            QFileInfo(target).filesystemFilePath(), renameError);
    if (renameError) {
        return failure(renameError.value(),
                       QStringLiteral("%1 cannot be replaced: %2")
                           .arg(targetName, QString::fromStdString(renameError.message())));
    }
    out.setAutoRemove(false);
    return {};
}

// One distribution run and its state.
class Run
{
public:
    Run(const SoundTable &table, const QString &gameFolder, const DistributionOptions &options,
        DistributionServices services)
        : m_table(table), m_folder(gameFolder), m_options(options), m_services(services),
          m_sources(table)
    {}

    DistributionResult execute();

private:
    void fail(const FileError &error)
    {
        if (error)
            m_pending = error;
    }
    void appendErrorLine(const SoundRecord &record, const QString &description);
    void copyPath(int index, const QString &extension);
    void encodePath(int index);
    QString encodingFailedText() const;

    const SoundTable &m_table;
    const QString m_folder;
    const DistributionOptions &m_options;
    DistributionServices m_services;
    const SourceFiles m_sources;
    DistributionResult m_result;
    FileError m_pending;
    QString m_encoderPath;
};

void Run::appendErrorLine(const SoundRecord &record, const QString &description)
{
    m_result.ErrorText += record.filename + QStringLiteral(" (#") + QString::number(record.number) +
                          QStringLiteral(") : ") + description + kCrLf;
}

void Run::copyPath(int index, const QString &extension)
{
    const SoundRecord &record = m_table.at(index);
    // Without an extension the "extension" is the whole path; it must never name a place
    // outside the game folder.
    if (extension.contains(QLatin1Char('/')) || extension.contains(QLatin1Char('\\'))) {
        fail(failure(QFileDevice::CopyError,
                     QStringLiteral("The source file has no extension to name its copy by.")));
        return;
    }
    const QString target = CopyTarget(m_folder, record.number, extension);
    const QString resolvedTarget = SourceFiles::resolve(target);
    // A source that already is its own target is in place; copying it onto itself could only
    // do harm.
    if (!resolvedTarget.isEmpty() && resolvedTarget == m_sources.resolvedSource(index)) {
        ++m_result.copiedCount;
        return;
    }
    if (const auto owner = m_sources.ownerOfResolved(resolvedTarget)) {
        fail(failure(QFileDevice::CopyError, NotReplacedText(fileNameOf(target), *owner)));
        return;
    }
    const FileError copyError = copyReplacing(record.filename, target);
    if (copyError)
        fail(copyError);
    else
        ++m_result.copiedCount;
}

QString Run::encodingFailedText() const
{
    return QStringLiteral("OGG encoding was unsuccessful (or took longer than %1 seconds).")
        .arg(QString::number(double(m_options.timeoutMs) / 1000.0));
}

void Run::encodePath(int index)
{
    const SoundRecord &record = m_table.at(index);
    static const QString kFallbackExtension = QStringLiteral("wav");
    const QString oggTarget = EncodeTarget(m_folder, record.number);
    if (const auto owner = m_sources.ownerOf(oggTarget)) {
        appendErrorLine(record, NotReplacedText(fileNameOf(oggTarget), *owner));
        m_pending = {};
        copyPath(index, kFallbackExtension);
        return;
    }
    const QString command =
        BuildEncoderCommand(m_options.ogg, m_encoderPath, record.filename, oggTarget);
    QFile::remove(oggTarget);
    m_pending = {};
    const RunResult run =
        m_services.runner.RunAndWait(command, record.size < kShownWindowBytes, m_options.timeoutMs,
                                     [this] { m_services.progress.keepAlive(); });
    const bool written = QFileInfo(oggTarget).isFile();
    if (written && run.succeeded()) {
        m_result.SourceTotal += qint64(RoundHalfEven(double(record.size)));
        m_result.EncodedTotal += std::max<qint32>(FileSizeBytes(oggTarget), 0);
        ++m_result.encodedCount;
        return;
    }
    // What an encoder that failed or crashed left behind is not a sound; it must not stand
    // beside the .wav copy. A still running encoder's file is left to it.
    if (written && run.outcome == RunResult::Outcome::Finished)
        QFile::remove(oggTarget);
    appendErrorLine(record, encodingFailedText());
    m_pending = {};
    copyPath(index, kFallbackExtension);
}

DistributionResult Run::execute()
{
    ScriptOutput soundList(JoinPath(m_folder, QString::fromLatin1(kSoundListFileName)));
    ScriptOutput soundCode(JoinPath(m_folder, QString::fromLatin1(kSoundCodeFileName)));
    fail(soundList.create(m_sources));
    fail(soundCode.create(m_sources));
    fail(soundCode.write(SoundCodeHeaderBytes(m_table)));

    const qint16 count = m_table.SoundCount();
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
                MessageRequest notFound;
                notFound.title = EncoderNotFoundTitle();
                notFound.text = EncoderNotFoundText();
                m_services.messages.showMessage(notFound);
            }
        } else {
            encoderAvailable = true;
        }
    }
    // Wide enough for any 16-bit MinSize.
    const double threshold = double(m_options.ogg.MinSize) * 1000.0;

    for (int index = 1; index <= count; ++index) {
        const SoundRecord &record = m_table.at(index);
        const QString extension = DistributionExtension(record.filename);
        const bool encode = extension == QLatin1String("wav") && m_options.OggUse &&
                            encoderAvailable && double(record.size) >= threshold;
        if (encode)
            encodePath(index);
        else
            copyPath(index, extension);

        if (m_pending) {
            appendErrorLine(record, m_pending.description);
            m_pending = {};
        }
        fail(soundList.write(SoundListEntryBytes(record)));
        fail(soundCode.write(SoundCodeEntryBytes(record)));
        m_services.progress.AdvanceProgress(1);
    }

    m_services.progress.CloseProgress();
    soundList.close();
    soundCode.close();

    QString sizeSentence;
    if (m_options.OggUse) {
        sizeSentence = kCrLf + kCrLf + QStringLiteral("Ogg-encoding compressed wav's from ") +
                       KilobytesText(double(m_result.SourceTotal)) + QStringLiteral(" kB to ") +
                       KilobytesText(double(m_result.EncodedTotal)) + QStringLiteral(" kB.");
    }
    MessageRequest summary;
    m_result.soundFailed = !m_result.ErrorText.isEmpty();
    if (m_result.soundFailed) {
        summary.title = QStringLiteral("Errors During Copy!");
        summary.text = m_result.ErrorText + sizeSentence;
        summary.icon = MessageRequest::Icon::Exclamation;
    } else {
        summary.title = QStringLiteral("Copying Complete");
        summary.text = QStringLiteral("Copying/Encoding of ") + QString::number(count) +
                       QStringLiteral(" files was successful.") + sizeSentence;
    }
    m_result.summaryTitle = summary.title;
    m_result.summaryText = summary.text;
    if (m_options.showSummary)
        m_services.messages.showMessage(summary);

    m_result.saveFailed = m_services.saveCatalogue && !m_services.saveCatalogue();
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

} // namespace sonquill
