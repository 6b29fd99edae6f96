#include "Commands.h"

#include "ConsoleServices.h"
#include "catalogue/NumberRules.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "catalogue/TextFormats.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "distribution/ProcessRunner.h"
#include "storage/Settings.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <cmath>
#include <cstdio>
#include <optional>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace sonquill::cli {

namespace {

const QString kGameFolder = QStringLiteral("game-folder");
const QString kCategory = QStringLiteral("category");
const QString kOgg = QStringLiteral("ogg");
const QString kNoOgg = QStringLiteral("no-ogg");
const QString kQuality = QStringLiteral("quality");
const QString kMinSize = QStringLiteral("min-size");
const QString kCustomCommand = QStringLiteral("custom-command");
const QString kTimeout = QStringLiteral("timeout");
const QString kYes = QStringLiteral("yes");

const char kCommandsHelp[] =
    "Keeps the sound catalogue of an Orvane game folder and distributes its sounds.\n"
    "\n"
    "Commands:\n"
    "  list                          one line per sound: number, X when locked, category,\n"
    "                                name, file (separated by tabs)\n"
    "  add [--category TEXT] FILE... add sound files with the lowest free numbers\n"
    "  remove NUMBER...              remove the sounds carrying these numbers\n"
    "  lock NUMBER...                lock the numbers of these sounds\n"
    "  unlock NUMBER...              unlock them\n"
    "  renumber OLD NEW              give the sound OLD the number NEW\n"
    "  distribute [--ogg|--no-ogg] [--quality N] [--min-size KB] [--custom-command TEMPLATE]\n"
    "             [--timeout SECONDS]\n"
    "                                put every sound into the game folder as SOUND<n>.<ext>\n"
    "  lists                         write AllSounds.txt, LockedSounds.txt and\n"
    "                                WinampPlaylist.m3u\n"
    "  clean --yes                   delete the SOUND<n>.* files of the game folder\n"
    "\n"
    "Exit codes: 0 done, 1 the work ran but something failed, 2 bad usage (nothing changed).";

// The options each command accepts besides --game-folder.
const QMap<QString, QStringList> &commandOptions()
{
    static const QMap<QString, QStringList> options{
        {QStringLiteral("list"), {}},
        {QStringLiteral("add"), {kCategory}},
        {QStringLiteral("remove"), {}},
        {QStringLiteral("lock"), {}},
        {QStringLiteral("unlock"), {}},
        {QStringLiteral("renumber"), {}},
        {QStringLiteral("distribute"),
         {kOgg, kNoOgg, kQuality, kMinSize, kCustomCommand, kTimeout}},
        {QStringLiteral("lists"), {}},
        {QStringLiteral("clean"), {kYes}},
    };
    return options;
}

int usageError(const QString &reason)
{
    printErr(QStringLiteral("sonquill-cli: ") + reason + QLatin1Char('\n'));
    return ExitUsage;
}

int failed(const QString &reason)
{
    printErr(QStringLiteral("sonquill-cli: ") + reason + QLatin1Char('\n'));
    return ExitFailed;
}

// A sound number as typed on the command line: a whole number within 16 bits.
std::optional<qint16> parseNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}

// An open catalogue: the game folder and the table loaded from it.
class Catalogue
{
public:
    Catalogue(QString folder, ConsoleMessages &messages)
        : m_folder(std::move(folder)), m_messages(messages)
    {}

    const QString &folder() const { return m_folder; }
    QString filePath() const { return SoundInfoPath(m_folder); }
    SoundTable &table() { return m_table; }

    // 0 when loaded, otherwise the exit code; a damaged catalogue is never used, so it can
    // never be overwritten by this program.
    int load()
    {
        if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir())
            return usageError(QStringLiteral("the game folder '%1' does not exist").arg(m_folder));
        if (LoadSoundInfo(m_table, filePath(), m_messages))
            return failed(QStringLiteral("the catalogue '%1' cannot be read; nothing was changed")
                              .arg(filePath()));
        return 0;
    }

    // ExitSuccess when saved, ExitFailed (after the error report) when not.
    int save()
    {
        if (SaveSoundInfo(m_table, filePath(), m_messages))
            return failed(QStringLiteral("the catalogue '%1' could not be saved").arg(filePath()));
        return ExitSuccess;
    }

    // The numbers as typed, each carried by at least one sound; otherwise the reason.
    std::optional<QList<qint16>> existingNumbers(const QStringList &texts, QString *reason) const
    {
        QList<qint16> numbers;
        for (const QString &text : texts) {
            const auto number = parseNumber(text);
            if (!number) {
                *reason = QStringLiteral("'%1' is not a sound number").arg(text);
                return std::nullopt;
            }
            if (m_table.IndexOfNumber(*number) == 0) {
                *reason = QStringLiteral("no sound has the number %1").arg(*number);
                return std::nullopt;
            }
            numbers.append(*number);
        }
        return numbers;
    }

private:
    QString m_folder;
    ConsoleMessages &m_messages;
    SoundTable m_table;
};

int listCommand(Catalogue &catalogue, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("list takes no arguments"));
    QString out;
    for (const SoundRecord &record : catalogue.table().records()) {
        out += QString::number(record.number) + QLatin1Char('\t') +
               (record.isLocked() ? QStringLiteral("X") : QString()) + QLatin1Char('\t') +
               record.category + QLatin1Char('\t') + record.name + QLatin1Char('\t') +
               record.filename + QLatin1Char('\n');
    }
    printOut(out);
    return ExitSuccess;
}

int addCommand(Catalogue &catalogue, const QStringList &files, const QString &category)
{
    if (files.isEmpty())
        return usageError(QStringLiteral("add needs at least one sound file"));
    QStringList paths;
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (!info.exists() || info.isDir())
            return usageError(QStringLiteral("'%1' is not a file").arg(file));
        paths.append(info.absoluteFilePath());
    }
    SoundTable &table = catalogue.table();
    if (table.SoundCount() + paths.size() > SoundTable::kMaxCount) {
        return usageError(
            QStringLiteral("the catalogue holds at most %1 sounds").arg(SoundTable::kMaxCount));
    }

    // As the window adds: afterwards exactly the new sounds are selected.
    table.SetAllSelected(false);
    QList<int> added;
    for (const QString &path : std::as_const(paths)) {
        SoundRecord record;
        record.name = NameFromPath(path);
        record.filename = path;
        record.locked = kFalse16;
        record.category = category;
        record.selected = kTrue16;
        record.size = 0.0f;
        added.append(table.AddSound(record));
    }
    table.RefreshSizes(false);

    int exitCode = ExitSuccess;
    QString out;
    for (const int index : std::as_const(added)) {
        const SoundRecord &record = table.at(index);
        out += QString::number(record.number) + QLatin1Char('\t') + record.filename +
               QLatin1Char('\n');
        if (record.number == 0) {
            printErr(QStringLiteral("sonquill-cli: every number from 1 to 999 is taken; '%1' was "
                                    "added with the number 0\n")
                         .arg(record.filename));
            exitCode = ExitFailed;
        }
    }
    printOut(out);
    return std::max(exitCode, catalogue.save());
}

int removeCommand(Catalogue &catalogue, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("remove needs at least one sound number"));
    QString reason;
    const auto numbers = catalogue.existingNumbers(arguments, &reason);
    if (!numbers)
        return usageError(reason);
    const QSet<qint16> doomed(numbers->cbegin(), numbers->cend());
    SoundTable &table = catalogue.table();
    // From the end, so the indexes still to visit stay valid.
    for (int index = table.SoundCount(); index >= 1; --index) {
        if (doomed.contains(table.at(index).number))
            table.RemoveSound(index);
    }
    return catalogue.save();
}

int lockCommand(Catalogue &catalogue, const QStringList &arguments, bool lock)
{
    if (arguments.isEmpty()) {
        return usageError(QStringLiteral("%1 needs at least one sound number")
                              .arg(lock ? QStringLiteral("lock") : QStringLiteral("unlock")));
    }
    QString reason;
    const auto numbers = catalogue.existingNumbers(arguments, &reason);
    if (!numbers)
        return usageError(reason);
    SoundTable &table = catalogue.table();
    for (int index = 1; index <= table.SoundCount(); ++index) {
        if (numbers->contains(table.at(index).number))
            table.at(index).locked = toBool16(lock);
    }
    return catalogue.save();
}

int renumberCommand(Catalogue &catalogue, const QStringList &arguments)
{
    if (arguments.size() != 2)
        return usageError(QStringLiteral("renumber needs the old and the new number"));
    QString reason;
    const auto old = catalogue.existingNumbers({arguments.first()}, &reason);
    if (!old)
        return usageError(reason);
    SoundTable &table = catalogue.table();
    SoundRecord &record = table.at(table.IndexOfNumber(old->first()));
    if (record.isLocked()) {
        return usageError(QStringLiteral("sound #%1 ('%2') is locked; unlock it first")
                              .arg(QString::number(record.number), record.name));
    }
    const NumberEdit edit = CheckNumberEdit(table, record.number, arguments.last());
    switch (edit.verdict) {
    case NumberEdit::Verdict::TooHigh:
        return usageError(NumberTooHighMessage());
    case NumberEdit::Verdict::TooLow:
        return usageError(NumberTooLowMessage());
    case NumberEdit::Verdict::Taken:
        return usageError(NumberTakenMessage(edit).replace(kCrLf, QStringLiteral(" ")));
    case NumberEdit::Verdict::Unchanged:
        return ExitSuccess;
    case NumberEdit::Verdict::Accepted:
        break;
    }
    record.number = edit.number;
    return catalogue.save();
}

// The run's encoder settings: the stored ones, with this run's options laid over them.
std::optional<DistributionOptions> distributionOptions(const QCommandLineParser &parser,
                                                       QString *reason)
{
    const SettingsStore store;
    DistributionOptions options;
    options.ogg = LoadOggSettings(store);
    options.OggUse = store.oggUse() == 1;
    options.programFolder = QCoreApplication::applicationDirPath();
    options.showSummary = false;

    if (parser.isSet(kOgg) && parser.isSet(kNoOgg)) {
        *reason = QStringLiteral("--ogg and --no-ogg exclude each other");
        return std::nullopt;
    }
    if (parser.isSet(kOgg))
        options.OggUse = true;
    if (parser.isSet(kNoOgg))
        options.OggUse = false;
    if (parser.isSet(kQuality)) {
        bool ok = false;
        const int quality = parser.value(kQuality).toInt(&ok);
        if (!ok || quality < kLowestQuality || quality > kHighestQuality) {
            *reason = QStringLiteral("--quality takes a whole number from 0 to 10");
            return std::nullopt;
        }
        options.ogg.Quality = qint16(quality);
    }
    if (parser.isSet(kMinSize)) {
        bool ok = false;
        const int minSize = parser.value(kMinSize).toInt(&ok);
        if (!ok || minSize < 0 || minSize > 32000) {
            *reason = QStringLiteral("--min-size takes a whole number of kB from 0 to 32000");
            return std::nullopt;
        }
        options.ogg.MinSize = qint16(minSize);
    }
    if (parser.isSet(kCustomCommand)) {
        const QString command = parser.value(kCustomCommand);
        if (command.trimmed().isEmpty()) {
            *reason = QStringLiteral("--custom-command needs a command template");
            return std::nullopt;
        }
        options.ogg.UseCustom = 1;
        options.ogg.CustomPath = command;
    }
    if (parser.isSet(kTimeout)) {
        bool ok = false;
        const double seconds = parser.value(kTimeout).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0.0 || seconds > 86400.0) {
            *reason = QStringLiteral("--timeout takes a number of seconds above 0, at most 86400");
            return std::nullopt;
        }
        options.timeoutMs = std::max(1, int(std::lround(seconds * 1000.0)));
    }
    return options;
}

int distributeCommand(Catalogue &catalogue, const QStringList &arguments,
                      const QCommandLineParser &parser, ConsoleMessages &messages)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("distribute takes no arguments besides its options"));
    QString reason;
    const auto options = distributionOptions(parser, &reason);
    if (!options)
        return usageError(reason);

    ConsoleProgress progress(catalogue.table(), isatty(fileno(stderr)) != 0);
    SystemProcessRunner runner;
    const DistributionResult result =
        Distribute(catalogue.table(), catalogue.folder(), *options,
                   DistributionServices{messages, progress, runner, {}, [&] {
                                            return catalogue.save() == ExitSuccess;
                                        }});
    printOut(result.summaryTitle + QLatin1Char('\n') + result.summaryText + QLatin1Char('\n'));
    return result.soundFailed || result.saveFailed ? ExitFailed : ExitSuccess;
}

int listsCommand(Catalogue &catalogue, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("lists takes no arguments"));
    const SoundTable &table = catalogue.table();
    // Without a grid the display order is the table order.
    QList<int> order;
    for (int index = 1; index <= table.SoundCount(); ++index)
        order.append(index);

    int exitCode = ExitSuccess;
    const auto report = [&](const char *fileName, const FileError &error) {
        const QString path = JoinPath(catalogue.folder(), QString::fromLatin1(fileName));
        if (error) {
            exitCode = failed(
                QStringLiteral("'%1' could not be written: %2").arg(path, error.description));
        } else {
            printOut(path + QLatin1Char('\n'));
        }
    };
    const QString folder = catalogue.folder();
    report(kAllSoundsFileName,
           MakeListOfAll(table, order, JoinPath(folder, QString::fromLatin1(kAllSoundsFileName))));
    report(kLockedSoundsFileName,
           MakeListOfLocked(table, JoinPath(folder, QString::fromLatin1(kLockedSoundsFileName))));
    report(kPlaylistFileName,
           MakeWinampList(table, order, JoinPath(folder, QString::fromLatin1(kPlaylistFileName))));
    return exitCode;
}

int cleanCommand(Catalogue &catalogue, const QStringList &arguments, bool confirmed)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("clean takes no arguments"));
    if (!confirmed) {
        return usageError(QStringLiteral(
            "clean deletes every SOUND<n>.* file in the game folder; confirm with --yes"));
    }
    QStringList kept;
    const int deleted = ClearNumberedFiles(catalogue.folder(), catalogue.table(), &kept);
    for (const QString &name : std::as_const(kept)) {
        printErr(QStringLiteral("sonquill-cli: kept %1: it is the source file of a sound in the "
                                "catalogue\n")
                     .arg(name));
    }
    printOut(QStringLiteral("Deleted %1 files.\n").arg(deleted));
    return ExitSuccess;
}

} // namespace

int RunCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kCommandsHelp));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addOptions({
        {{QStringLiteral("g"), kGameFolder},
         QStringLiteral("The compiled-game folder (default: the folder last used)."),
         QStringLiteral("DIR")},
        {kCategory, QStringLiteral("add: the category of the new sounds (default Misc)."),
         QStringLiteral("TEXT")},
        {kOgg, QStringLiteral("distribute: encode WAV files to Ogg Vorbis for this run.")},
        {kNoOgg, QStringLiteral("distribute: do not encode for this run.")},
        {kQuality, QStringLiteral("distribute: encoding quality 0 to 10 for this run."),
         QStringLiteral("N")},
        {kMinSize, QStringLiteral("distribute: smallest WAV to encode, in kB of 1000 bytes."),
         QStringLiteral("KB")},
        {kCustomCommand,
         QStringLiteral("distribute: encoder command, %1 the source, %2 the destination."),
         QStringLiteral("TEMPLATE")},
        {kTimeout, QStringLiteral("distribute: how long to wait for one encoder (default 60)."),
         QStringLiteral("SECONDS")},
        {kYes, QStringLiteral("clean: confirm the deletion.")},
    });
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, add, remove, lock, unlock, renumber, "
                                                "distribute, lists or clean."));
    parser.addPositionalArgument(QStringLiteral("arguments"),
                                 QStringLiteral("The command's arguments."),
                                 QStringLiteral("[ARGS...]"));

    if (!parser.parse(arguments))
        return usageError(parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(helpOption))
        parser.showHelp(ExitSuccess);
    // Only the parser's own processing can print the help with Qt's options; it then exits.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments);
    if (parser.isSet(versionOption))
        parser.showVersion();

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given (see --help)"));
    const QString command = positional.takeFirst();
    const auto allowed = commandOptions().constFind(command);
    if (allowed == commandOptions().cend())
        return usageError(QStringLiteral("unknown command '%1' (see --help)").arg(command));
    for (const QString &option : parser.optionNames()) {
        const QString name = option == QLatin1String("g") ? kGameFolder : option;
        if (name != kGameFolder && !allowed->contains(name))
            return usageError(QStringLiteral("--%1 does not apply to %2").arg(name, command));
    }

    QString folder = parser.value(kGameFolder);
    if (!parser.isSet(kGameFolder)) {
        folder = SettingsStore().lastGameDir();
        if (folder.isEmpty())
            folder = DefaultGameFolder();
    }

    ConsoleMessages messages;
    Catalogue catalogue(folder, messages);
    if (const int loadFailure = catalogue.load())
        return loadFailure;

    if (command == QLatin1String("list"))
        return listCommand(catalogue, positional);
    if (command == QLatin1String("add")) {
        const QString category =
            parser.isSet(kCategory) ? parser.value(kCategory) : QStringLiteral("Misc");
        return addCommand(catalogue, positional, category);
    }
    if (command == QLatin1String("remove"))
        return removeCommand(catalogue, positional);
    if (command == QLatin1String("lock") || command == QLatin1String("unlock"))
        return lockCommand(catalogue, positional, command == QLatin1String("lock"));
    if (command == QLatin1String("renumber"))
        return renumberCommand(catalogue, positional);
    if (command == QLatin1String("distribute"))
        return distributeCommand(catalogue, positional, parser, messages);
    if (command == QLatin1String("lists"))
        return listsCommand(catalogue, positional);
    return cleanCommand(catalogue, positional, parser.isSet(kYes));
}

} // namespace sonquill::cli
