#include "Commands.h"

#include "CheckCommand.h"
#include "ConsoleServices.h"
#include "Interrupts.h"
#include "NearestName.h"
#include "WatchCommand.h"
#include "catalogue/DisplayOrder.h"
#include "catalogue/NumberRules.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "catalogue/TextFormats.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "distribution/SystemProcessRunner.h"
#include "session/CatalogueSession.h"
#include "soundfacts/SoundFactsCache.h"
#include "storage/Settings.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <numeric>
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
const QString kQuiet = QStringLiteral("quiet");
const QString kCategory = QStringLiteral("category");
const QString kFormat = QStringLiteral("format");
const QString kOgg = QStringLiteral("ogg");
const QString kNoOgg = QStringLiteral("no-ogg");
const QString kQuality = QStringLiteral("quality");
const QString kMinSize = QStringLiteral("min-size");
const QString kCustomCommand = QStringLiteral("custom-command");
const QString kTimeout = QStringLiteral("timeout");
const QString kYes = QStringLiteral("yes");
const QString kStrict = QStringLiteral("strict");
const QString kJobs = QStringLiteral("jobs");
const QString kForce = QStringLiteral("force");
const QString kJson = QStringLiteral("json");
const QString kDryRun = QStringLiteral("dry-run");
const QString kWatch = QStringLiteral("watch");
const QString kOrder = QStringLiteral("order");
const QString kLoudness = QStringLiteral("loudness");
const QString kNoLoudness = QStringLiteral("no-loudness");
const QString kTarget = QStringLiteral("target");
const QString kCeiling = QStringLiteral("ceiling");
const QString kCategoryOffset = QStringLiteral("category-offset");
const QString kTrim = QStringLiteral("trim");
const QString kNoTrim = QStringLiteral("no-trim");
const QString kTrimThreshold = QStringLiteral("trim-threshold");
const QString kTrimPad = QStringLiteral("trim-pad");
const QString kMono = QStringLiteral("mono");
const QString kNoMono = QStringLiteral("no-mono");
const QString kMaxRate = QStringLiteral("max-rate");
// The processing options distribute, its dry run and check take alike.
const QStringList kProcessingOptions{kLoudness,       kNoLoudness, kTarget,  kCeiling,
                                     kCategoryOffset, kTrim,       kNoTrim,  kTrimPad,
                                     kMono,           kNoMono,     kMaxRate, kTrimThreshold};

// One command: how it is called, what it does, the options it accepts besides the global ones,
// and whether it only reads the catalogue. A reader takes no lock on the folder: saves replace
// the catalogue file whole, so it always sees a whole file, and never waits for a distribution.
struct Command
{
    QString synopsis;
    QString description;
    QStringList options;
    bool readOnly = false;
};

// What distribute and check say about the processing options.
QString processingHelp()
{
    return QStringLiteral(
        "Processing (all off unless stored or given; applies to every WAV, whether encoded or "
        "written as a .wav; MP3, Ogg and VOC files are copied untouched; sources never change):\n"
        "  --loudness, --no-loudness   normalise to a target integrated loudness (EBU R128)\n"
        "  --target LUFS               the target, -70 to 0 (default -18); turns loudness on\n"
        "  --ceiling DBTP              the true peak the gain never exceeds (default -1)\n"
        "  --category-offset CAT=LU    LU added to the target for a category, e.g. "
        "Ambience=-8;\n"
        "                              repeat for more categories\n"
        "  --trim, --no-trim           remove silence at both ends\n"
        "  --trim-threshold DBFS       silence is below this (default -60); turns trim on\n"
        "  --trim-pad MS               silence kept at each end (default 10); turns trim on\n"
        "  --mono, --no-mono           mix several channels down to one\n"
        "  --max-rate HZ               resample sounds above 22050, 32000, 44100 or 48000 Hz "
        "down to it; 0: no limit\n"
        "Write negative values as --target=-14 or --target -14.");
}

const QMap<QString, Command> &commands()
{
    static const QMap<QString, Command> table{
        {QStringLiteral("list"),
         {QStringLiteral("list [--format tsv|json]"),
          QStringLiteral("Prints the catalogue, one sound a line: number, X when locked, "
                         "category, name and file, separated by tabs. --format json prints an "
                         "array of objects instead."),
          {kFormat},
          true}},
        {QStringLiteral("add"),
         {QStringLiteral("add [--category TEXT] FILE..."),
          QStringLiteral("Adds sound files with the lowest free numbers (category Misc unless "
                         "given) and prints each new number with its file. Files that are "
                         "missing or whose names the catalogue cannot store are refused, and "
                         "then nothing is added."),
          {kCategory}}},
        {QStringLiteral("remove"),
         {QStringLiteral("remove NUMBER..."),
          QStringLiteral("Removes the sounds carrying these numbers."),
          {}}},
        {QStringLiteral("lock"),
         {QStringLiteral("lock NUMBER..."),
          QStringLiteral("Locks the numbers of these sounds."),
          {}}},
        {QStringLiteral("unlock"),
         {QStringLiteral("unlock NUMBER..."), QStringLiteral("Unlocks these sounds."), {}}},
        {QStringLiteral("renumber"),
         {QStringLiteral("renumber OLD NEW"),
          QStringLiteral("Gives the sound OLD the number NEW (1 to 999, not taken, the sound "
                         "not locked)."),
          {}}},
        {QStringLiteral("distribute"),
         {QStringLiteral("distribute [--ogg|--no-ogg] [--quality N] [--min-size KB] "
                         "[--custom-command TEMPLATE] [PROCESSING...] [--timeout SECONDS] "
                         "[--jobs N] [--force] [--json] [--dry-run] [--watch]"),
          QStringLiteral("Puts every sound into the game folder as SOUND<n>.<ext>, encoding "
                         "large enough WAV files to Ogg Vorbis when asked, writes SoundList.dat "
                         "and SoundCode.txt and saves the catalogue. Sounds whose files are "
                         "already up to date are not made again (--force makes all), and up to "
                         "N encoders run at once (--jobs, default one per core). A SOUND<n> "
                         "file no sound makes any more is removed only when the record of "
                         "earlier runs proves this catalogue made it and nobody changed it "
                         "since, its number left a catalogue that was read whole, and no "
                         "replacement for it failed; every removal and every file kept is "
                         "named. The options hold for this run only; the stored Ogg and "
                         "processing settings apply otherwise. --json prints the summary as JSON; "
                         "--dry-run prints "
                         "what would be made and removed and changes nothing. Ctrl-C, SIGTERM "
                         "or a closed terminal stops the run, keeping what is done (exit 130, "
                         "143 or 129). With --watch it stays after the run: whenever the "
                         "catalogue or a source file changes (also by a rename or a file made "
                         "anew) and then stays quiet for 0.2 s, it runs again, making only what "
                         "changed, and prints one line per run (one JSON object per line with "
                         "--json); a source that disappears is named once and its files stay "
                         "until it is back. It holds the folder only while a run works, so the "
                         "window and other commands can change the catalogue meanwhile; their "
                         "saves are distributed too. Ctrl-C, SIGTERM or a closed terminal ends "
                         "it.\n\n") +
              processingHelp(),
          QStringList{kOgg, kNoOgg, kQuality, kMinSize, kCustomCommand, kTimeout, kJobs, kForce,
                      kJson, kDryRun, kWatch} +
              kProcessingOptions}},
        {QStringLiteral("lists"),
         {QStringLiteral("lists [--order number|name|category|table]"),
          QStringLiteral("Writes AllSounds.txt, LockedSounds.txt and WinampPlaylist.m3u into "
                         "the game folder. AllSounds.txt and the playlist list the sounds by "
                         "number, as the window shows them at start (--order number, the "
                         "default); by name or by category, each then by number, as after a "
                         "click on that column's header; or in the catalogue's own order "
                         "(--order table). LockedSounds.txt is always in the catalogue's order."),
          {kOrder}}},
        {QStringLiteral("check"),
         {QStringLiteral("check [--strict] [--format text|json] [--ogg|--no-ogg] [--quality N] "
                         "[--min-size KB] [--custom-command TEMPLATE] [PROCESSING...]"),
          QStringLiteral("Looks at every sound before distribution and reports each finding "
                         "with its sound, one a line: errors (missing or unreadable files, "
                         "numbers outside 1 to 999 or used twice, one file entered twice), "
                         "warnings (content that does not match the extension, sources that clip "
                         "(true peak above 0 dBTP), duplicate content, names that break the "
                         "script code, empty names and categories) and notes (space Ogg encoding "
                         "would save; with loudness normalisation off, sounds more than 10 LU "
                         "from the median of their category; with it on, sounds too short or "
                         "too quiet to measure, which keep their level). The encoding and "
                         "processing options are distribute's, for the run to be checked. "
                         "Exits 1 when it finds errors, or warnings with --strict.\n\n") +
              processingHelp(),
          QStringList{kStrict, kFormat, kOgg, kNoOgg, kQuality, kMinSize, kCustomCommand} +
              kProcessingOptions,
          true}},
        {QStringLiteral("clean"),
         {QStringLiteral("clean --yes"),
          QStringLiteral("Deletes the SOUND<n>.* files of the game folder, keeping any that is "
                         "the source of a sound in the catalogue."),
          {kYes}}},
    };
    return table;
}

QString commandsOverview()
{
    QString text = QStringLiteral(
        "Keeps the sound catalogue of an Orvane game folder and distributes its sounds.\n\n"
        "Commands (sonquill-cli help COMMAND tells more):\n");
    for (auto it = commands().cbegin(); it != commands().cend(); ++it)
        text += QStringLiteral("  ") + it->synopsis + QLatin1Char('\n');
    text += QStringLiteral("\nExit codes: 0 done, 1 the work ran but something failed, 2 bad "
                           "usage (nothing changed), 129/130/143 stopped by SIGHUP, Ctrl-C or "
                           "SIGTERM.\nEnvironment: SONQUILL_LOCK_WAIT, the seconds to wait for a "
                           "folder another program holds (default 10).");
    return text;
}

QString commandHelpText(const QString &name, const QCommandLineParser &parser)
{
    const Command &help = commands()[name];
    QString text = QStringLiteral("Usage: sonquill-cli [-g DIR] [--quiet] ") + help.synopsis +
                   QStringLiteral("\n\n") + help.description + QLatin1Char('\n');
    Q_UNUSED(parser);
    return text;
}

// How long a command waits for another program to finish with the folder: ten seconds, or
// SONQUILL_LOCK_WAIT seconds for build scripts that run many commands at once.
int lockWaitMs()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("SONQUILL_LOCK_WAIT").toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86400)
        return 10000;
    return int(seconds * 1000);
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

// A sound number as typed on the command line: a whole decimal number within 16 bits.
std::optional<qint16> parseNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}

// What one invocation works with: the catalogue (the session's table, or one read without the
// session for a command that only reads), the session on the game folder, and whether to be
// quiet.
struct Context
{
    const SoundTable &table;
    CatalogueSession &session;
    QString folder;
    bool quiet = false;
    bool catalogueWhole = false; // the table is the folder's catalogue, read whole

    void say(const QString &text) const
    {
        if (!quiet)
            printOut(text);
    }

    // ExitSuccess when saved; the failure has been reported otherwise.
    int save() const
    {
        if (session.save(folder))
            return failed(
                QStringLiteral("the catalogue '%1' could not be saved").arg(SoundInfoPath(folder)));
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
            if (table.IndexOfNumber(*number) == 0) {
                *reason = QStringLiteral("no sound has the number %1").arg(*number);
                return std::nullopt;
            }
            numbers.append(*number);
        }
        return numbers;
    }
};

int listCommand(const Context &context, const QStringList &arguments, const QString &format)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("list takes no arguments"));
    const QList<SoundRecord> &records = context.table.records();
    if (format == QLatin1String("json")) {
        SoundFactsCache facts;
        QJsonArray sounds;
        for (const SoundRecord &record : records) {
            // What the file itself says; null where it cannot be read as a sound.
            const SoundFacts read = facts.facts(record.filename);
            const auto known = [&read](const QJsonValue &value) {
                return read.readable ? value : QJsonValue();
            };
            const Loudness loudness =
                read.readable ? facts.loudness(record.filename).loudness : Loudness{};
            const auto hundredths = [](double value) {
                return std::isfinite(value) ? QJsonValue(std::round(value * 100) / 100)
                                            : QJsonValue();
            };
            sounds.append(QJsonObject{
                {QStringLiteral("number"), record.number},
                {QStringLiteral("locked"), record.isLocked()},
                {QStringLiteral("category"), record.category},
                {QStringLiteral("name"), record.name},
                {QStringLiteral("file"), record.filename},
                {QStringLiteral("size"),
                 record.size < 0 ? QJsonValue() : QJsonValue(double(record.size))},
                {QStringLiteral("format"), known(read.format)},
                {QStringLiteral("seconds"), known(read.seconds)},
                {QStringLiteral("channels"), known(read.channels)},
                {QStringLiteral("sampleRate"), known(read.sampleRate)},
                // null when the file is no sound, or too short or too quiet to measure.
                {QStringLiteral("loudness"), known(hundredths(loudness.integratedLufs))},
                {QStringLiteral("truePeak"), known(hundredths(loudness.truePeakDbtp))},
            });
        }
        printOut(QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("schema"), 1},
                                      {QStringLiteral("command"), QStringLiteral("list")},
                                      {QStringLiteral("sounds"), sounds}})
                .toJson(QJsonDocument::Indented)));
        return ExitSuccess;
    }
    if (format != QLatin1String("tsv"))
        return usageError(QStringLiteral("--format takes tsv or json"));
    QString out;
    for (const SoundRecord &record : records) {
        out += QString::number(record.number) + QLatin1Char('\t') +
               (record.isLocked() ? QStringLiteral("X") : QString()) + QLatin1Char('\t') +
               record.category + QLatin1Char('\t') + record.name + QLatin1Char('\t') +
               record.filename + QLatin1Char('\n');
    }
    printOut(out);
    return ExitSuccess;
}

// The text with tabs, line breaks and other control characters written as \t, \n and \xNN.
QString visibleControls(const QString &text)
{
    QString shown;
    for (const QChar c : text) {
        if (c == QLatin1Char('\t'))
            shown += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            shown += QStringLiteral("\\n");
        else if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

int addCommand(const Context &context, const QStringList &files, const QString &category)
{
    if (files.isEmpty())
        return usageError(QStringLiteral("add needs at least one sound file"));
    if (const TextVerdict verdict = CheckTypedText(category); verdict != TextVerdict::Accepted)
        return usageError(QStringLiteral("the category '%1' cannot be stored: %2")
                              .arg(category, TypedTextRefusal(verdict)));
    QStringList refusals;
    for (const QString &file : files) {
        // Such a path would break list's lines, and the window cannot show it either.
        if (std::any_of(file.cbegin(), file.cend(),
                        [](QChar c) { return c.category() == QChar::Other_Control; })) {
            refusals.append(QStringLiteral("'%1' was not added: its path holds a tab, line break "
                                           "or other control character")
                                .arg(visibleControls(file)));
        }
        for (const AddedFile &refused : context.session.refusedFiles({file}))
            refusals.append(
                QStringLiteral("'%1' was not added: %2").arg(refused.path, refused.reason()));
    }
    if (!refusals.isEmpty()) {
        for (qsizetype i = 0; i + 1 < refusals.size(); ++i)
            printErr(QStringLiteral("sonquill-cli: ") + refusals[i] + QLatin1Char('\n'));
        return usageError(refusals.last());
    }

    const QList<AddedFile> results = context.session.addFiles(files, category);
    int exitCode = ExitSuccess;
    QString out;
    for (const AddedFile &result : results) {
        if (result.added())
            out += QString::number(result.number) + QLatin1Char('\t') + result.path +
                   QLatin1Char('\n');
        if (result.outcome != AddedFile::Outcome::Added) {
            printErr(QStringLiteral("sonquill-cli: '%1'%2: %3\n")
                         .arg(result.path,
                              result.added() ? QString() : QStringLiteral(" was not added"),
                              result.reason()));
            exitCode = ExitFailed;
        }
    }
    // The numbers are only promised once the catalogue holding them is saved.
    if (const int saved = context.save())
        return saved;
    printOut(out);
    return exitCode;
}

int removeCommand(const Context &context, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("remove needs at least one sound number"));
    QString reason;
    const auto numbers = context.existingNumbers(arguments, &reason);
    if (!numbers)
        return usageError(reason);
    context.session.removeNumbers(*numbers);
    return context.save();
}

int lockCommand(const Context &context, const QStringList &arguments, bool lock)
{
    if (arguments.isEmpty()) {
        return usageError(QStringLiteral("%1 needs at least one sound number")
                              .arg(lock ? QStringLiteral("lock") : QStringLiteral("unlock")));
    }
    QString reason;
    const auto numbers = context.existingNumbers(arguments, &reason);
    if (!numbers)
        return usageError(reason);
    context.session.setLockedNumbers(*numbers, lock);
    return context.save();
}

int renumberCommand(const Context &context, const QStringList &arguments)
{
    if (arguments.size() != 2)
        return usageError(QStringLiteral("renumber needs the old and the new number"));
    QString reason;
    const auto old = context.existingNumbers({arguments.first()}, &reason);
    if (!old)
        return usageError(reason);
    // The new number as strictly as the old: "12abc" is no number, whatever the editor reads.
    const auto wanted = parseNumber(arguments.last());
    if (!wanted)
        return usageError(QStringLiteral("'%1' is not a sound number").arg(arguments.last()));
    const int index = context.session.table().IndexOfNumber(old->first());
    const SoundRecord record = context.session.table().at(index);
    const NumberEdit edit = context.session.renumber(index, QString::number(*wanted));
    switch (edit.verdict) {
    case NumberEdit::Verdict::Locked:
        return usageError(QStringLiteral("sound #%1 ('%2') is locked; unlock it first")
                              .arg(QString::number(record.number), record.name));
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
    return context.save();
}

// A number option within [low, high]; false (reason set) when it is given otherwise.
bool numberOption(const QCommandLineParser &parser, const QString &name, double low, double high,
                  double &value, QString *reason)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double given = parser.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(given) || given < low || given > high) {
        *reason = QStringLiteral("--%1 takes a number from %2 to %3")
                      .arg(name, QString::number(low), QString::number(high));
        return false;
    }
    value = given;
    return true;
}

// A switch and its --no- form; a value option of the switch turns it on.
bool switchOption(const QCommandLineParser &parser, const QString &on, const QString &off,
                  const QStringList &values, bool &state, QString *reason)
{
    const bool valueGiven = std::any_of(values.cbegin(), values.cend(),
                                        [&](const QString &name) { return parser.isSet(name); });
    if (parser.isSet(off) && (parser.isSet(on) || valueGiven)) {
        *reason =
            QStringLiteral("--%1 excludes --%2").arg(off, valueGiven ? values.join(", --") : on);
        return false;
    }
    if (parser.isSet(on) || valueGiven)
        state = true;
    if (parser.isSet(off))
        state = false;
    return true;
}

// The stored processing settings with this invocation's processing options laid over them.
bool processingOptions(const QCommandLineParser &parser, ProcessingSettings &settings,
                       QString *reason)
{
    if (!switchOption(parser, kLoudness, kNoLoudness, {kTarget}, settings.loudness, reason) ||
        !numberOption(parser, kTarget, -70, 0, settings.targetLufs, reason) ||
        !numberOption(parser, kCeiling, -40, 0, settings.ceilingDbtp, reason) ||
        !switchOption(parser, kTrim, kNoTrim, {kTrimThreshold, kTrimPad}, settings.trim, reason) ||
        !numberOption(parser, kTrimThreshold, -120, 0, settings.trimThresholdDb, reason) ||
        !numberOption(parser, kTrimPad, 0, 10000, settings.trimPadMs, reason) ||
        !switchOption(parser, kMono, kNoMono, {}, settings.mono, reason))
        return false;
    for (const QString &text : parser.values(kCategoryOffset)) {
        const auto offsets = ParseCategoryOffsets(text);
        if (!offsets || offsets->isEmpty()) {
            *reason = QStringLiteral("--category-offset takes CATEGORY=LU, an offset from -40 to "
                                     "40, not '%1'")
                          .arg(text);
            return false;
        }
        for (auto it = offsets->cbegin(); it != offsets->cend(); ++it) {
            // One spelling per category: a given one replaces a stored one in any case.
            for (const QString &stored : settings.categoryOffsets.keys()) {
                if (stored.compare(it.key(), Qt::CaseInsensitive) == 0)
                    settings.categoryOffsets.remove(stored);
            }
            settings.categoryOffsets.insert(it.key(), it.value());
        }
    }
    if (parser.isSet(kMaxRate)) {
        bool ok = false;
        const int rate = parser.value(kMaxRate).toInt(&ok);
        const bool known = std::find(std::begin(kProcessingRates), std::end(kProcessingRates),
                                     rate) != std::end(kProcessingRates);
        if (!ok || (rate != 0 && !known)) {
            *reason = QStringLiteral("--max-rate takes 22050, 32000, 44100, 48000 or 0");
            return false;
        }
        settings.maxRate = rate;
    }
    return true;
}

// What a run would encode: the stored Ogg settings, with this invocation's options laid over
// them. check reads these too, so that it looks at the run that will be made.
std::optional<CheckOptions> planOptions(const QCommandLineParser &parser, QString *reason)
{
    const SettingsStore store;
    CheckOptions options;
    options.ogg = LoadOggSettings(store);
    options.oggUse = store.oggUse() == 1;
    options.programFolder = QCoreApplication::applicationDirPath();

    if (parser.isSet(kOgg) && parser.isSet(kNoOgg)) {
        *reason = QStringLiteral("--ogg and --no-ogg exclude each other");
        return std::nullopt;
    }
    if (parser.isSet(kOgg))
        options.oggUse = true;
    if (parser.isSet(kNoOgg))
        options.oggUse = false;
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
    options.processing = LoadProcessingSettings(store);
    if (!processingOptions(parser, options.processing, reason))
        return std::nullopt;
    return options;
}

// The run's settings: the plan's, and how the run goes about it.
std::optional<DistributionOptions> distributionOptions(const QCommandLineParser &parser,
                                                       QString *reason)
{
    const auto plan = planOptions(parser, reason);
    if (!plan)
        return std::nullopt;
    DistributionOptions options;
    options.ogg = plan->ogg;
    options.OggUse = plan->oggUse;
    options.processing = plan->processing;
    options.programFolder = QCoreApplication::applicationDirPath();
    if (parser.isSet(kJobs)) {
        bool ok = false;
        const int jobs = parser.value(kJobs).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 256) {
            *reason = QStringLiteral("--jobs takes a whole number from 1 to 256");
            return std::nullopt;
        }
        options.jobs = jobs;
    } else {
        options.jobs = options.ogg.Jobs;
    }
    options.force = parser.isSet(kForce);
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

// What distribute would do, from the same plan; changes nothing.
int dryRunCommand(const Context &context, const DistributionOptions &options, bool json)
{
    const SoundTable &table = context.table;
    const DistributionPlan plan =
        PlanDistribution(table, options, FolderState::Read(table, context.folder, options));
    if (json)
        printOut(QString::fromUtf8(
            QJsonDocument(DistributionPlanJson(plan)).toJson(QJsonDocument::Indented)));
    else
        printOut(DistributionPlanText(plan));
    return ExitSuccess;
}

// Prints a run's warnings and summary (or its JSON); the exit code.
int reportDistribution(const DistributionResult &result, bool saveFailed, bool json, bool quiet)
{
    for (const QString &warning : std::as_const(result.warnings))
        printErr(QStringLiteral("sonquill-cli: warning: ") + warning + QLatin1Char('\n'));
    if (json) {
        QJsonObject object = DistributionResultJson(result);
        object.insert(QStringLiteral("saveFailed"), saveFailed);
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
    } else {
        const QString summary =
            result.summaryTitle + QLatin1Char('\n') + result.summaryText + QLatin1Char('\n');
        if (!quiet || result.cancelled || result.soundFailed || saveFailed || result.encoderMissing)
            printOut(summary);
    }
    if (result.cancelled)
        return InterruptExitCode();
    return result.soundFailed || saveFailed || result.encoderMissing ? ExitFailed : ExitSuccess;
}

// A run with nothing to do changes nothing, so it needs no hold on the folder: it is found by
// reading alone, and reported as the run would report it, also while another program holds the
// folder. Nothing when there is work to do (or an error to report): the run proper does that.
std::optional<int> distributionWithNothingToDo(const QString &folder,
                                               const QCommandLineParser &parser, bool quiet)
{
    if (parser.isSet(kDryRun) || parser.isSet(kWatch) || parser.isSet(kForce))
        return std::nullopt;
    QString reason;
    auto options = distributionOptions(parser, &reason);
    if (!options)
        return std::nullopt;
    // Without a record of an earlier run there is work to do: the catalogue need not be read.
    Manifest record = Manifest::Load(folder);
    if (!record.isSaved())
        return std::nullopt;
    SoundTable table;
    // A catalogue read as empty is refused or kept aside by the run proper.
    if (ReadSoundInfo(table, SoundInfoPath(folder), nullptr, false) || table.isEmpty())
        return std::nullopt;
    options->catalogueWhole = true;
    ConsoleProgress progress(table, false);
    SystemProcessRunner runner;
    const auto result = DistributionIfUpToDate(
        table, folder, *options, DistributionServices{progress, runner}, std::move(record));
    if (!result)
        return std::nullopt;
    // The catalogue keeps the sizes the run found: when one changed, the run proper saves it.
    // (The sizes are the only fields a run changes, so equal sizes leave the file as it is.)
    for (int index = 1; index <= table.SoundCount(); ++index) {
        const float found = float(result->sourceSizes.value(index - 1));
        if (std::bit_cast<quint32>(found) != std::bit_cast<quint32>(table.at(index).size))
            return std::nullopt;
    }
    return reportDistribution(*result, false, parser.isSet(kJson), quiet);
}

int distributeCommand(const Context &context, const QStringList &arguments,
                      const QCommandLineParser &parser, ConsoleMessages &messages)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("distribute takes no arguments besides its options"));
    QString reason;
    auto options = distributionOptions(parser, &reason);
    if (!options)
        return usageError(reason);
    options->catalogueWhole = context.catalogueWhole;
    if (parser.isSet(kDryRun) && parser.isSet(kWatch))
        return usageError(QStringLiteral("--dry-run and --watch exclude each other"));
    if (parser.isSet(kDryRun))
        return dryRunCommand(context, *options, parser.isSet(kJson));
    // Nothing to distribute from a catalogue that is missing or read as empty from damaged
    // bytes: the names list would be emptied for nothing.
    if (!options->catalogueWhole && context.session.table().isEmpty()) {
        return failed(QStringLiteral("the catalogue '%1' is missing or could not be read whole; "
                                     "nothing was distributed")
                          .arg(SoundInfoPath(context.folder)));
    }
    if (parser.isSet(kWatch))
        return RunDistributeWatch(context.session, context.folder, *options, parser.isSet(kJson),
                                  context.quiet, messages);

    // Ctrl-C, a build system's SIGTERM or a closed terminal stops the run cleanly, keeping what
    // is done.
    InstallInterruptHandlers();
    const SoundTable &table = context.session.table();
    ConsoleProgress progress(table, !context.quiet && isatty(fileno(stderr)) != 0);
    SystemProcessRunner runner;
    DistributionResult result =
        Distribute(table, context.folder, *options,
                   DistributionServices{progress, runner, InterruptRequested});
    context.session.setSizes(result.sourceSizes);
    if (result.encoderMissing) {
        MessageRequest notFound;
        notFound.title = EncoderNotFoundTitle();
        notFound.text = EncoderNotFoundText();
        messages.showMessage(notFound);
    }
    // A catalogue file that already holds the table is left as it is: rewriting it would
    // change nothing but its time, at the cost of a synced write.
    const bool saveFailed = !result.cancelled && !context.session.fileHoldsTable(context.folder) &&
                            context.save() != ExitSuccess;
    return reportDistribution(result, saveFailed, parser.isSet(kJson), context.quiet);
}

// The order of AllSounds.txt and the playlist: the window's own display order for the columns
// it would be sorted by, or the table's order.
std::optional<QList<int>> listOrder(const SoundTable &table, const QString &order)
{
    if (order == QLatin1String("table")) {
        QList<int> indexes(table.SoundCount());
        std::iota(indexes.begin(), indexes.end(), 1);
        return indexes;
    }
    // "number" is the order the window shows at start, before any header click.
    static const QMap<QString, qint16> columns{{QStringLiteral("number"), SortNone},
                                               {QStringLiteral("name"), SortName},
                                               {QStringLiteral("category"), SortCategory}};
    const auto column = columns.constFind(order);
    if (column == columns.cend())
        return std::nullopt;
    SortState state;
    state.headerClicked(*column);
    return MakeSort(table, state);
}

int listsCommand(const Context &context, const QStringList &arguments, const QString &orderName)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("lists takes no arguments"));
    const SoundTable &table = context.session.table();
    const auto order = listOrder(table, orderName);
    if (!order)
        return usageError(QStringLiteral("--order takes number, name, category or table"));

    int exitCode = ExitSuccess;
    const auto report = [&](const char *fileName, const FileError &error) {
        const QString path = JoinPath(context.folder, QString::fromLatin1(fileName));
        if (error) {
            exitCode = failed(
                QStringLiteral("'%1' could not be written: %2").arg(path, error.description));
        } else {
            context.say(path + QLatin1Char('\n'));
        }
    };
    const QString folder = context.folder;
    report(kAllSoundsFileName,
           MakeListOfAll(table, *order, JoinPath(folder, QString::fromLatin1(kAllSoundsFileName))));
    report(kLockedSoundsFileName,
           MakeListOfLocked(table, JoinPath(folder, QString::fromLatin1(kLockedSoundsFileName))));
    report(kPlaylistFileName,
           MakeWinampList(table, *order, JoinPath(folder, QString::fromLatin1(kPlaylistFileName))));
    return exitCode;
}

int cleanCommand(const Context &context, const QStringList &arguments, bool confirmed)
{
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("clean takes no arguments"));
    if (!confirmed) {
        return usageError(QStringLiteral(
            "clean deletes every SOUND<n>.* file in the game folder; confirm with --yes"));
    }
    QStringList kept;
    QStringList failures;
    const int deleted =
        ClearNumberedFiles(context.folder, context.session.table(), &kept, &failures);
    for (const QString &name : std::as_const(kept)) {
        printErr(QStringLiteral("sonquill-cli: kept %1: it is the source file of a sound in the "
                                "catalogue\n")
                     .arg(name));
    }
    for (const QString &failure : std::as_const(failures))
        printErr(QStringLiteral("sonquill-cli: could not delete %1\n").arg(failure));
    context.say(deleted == 1 ? QStringLiteral("Deleted 1 file.\n")
                             : QStringLiteral("Deleted %1 files.\n").arg(deleted));
    return failures.isEmpty() ? ExitSuccess : ExitFailed;
}

QString unknownCommand(const QString &command)
{
    const QString nearest = NearestName(command, commands().keys() << QStringLiteral("help"));
    if (nearest.isEmpty())
        return QStringLiteral("unknown command '%1' (see --help)").arg(command);
    return QStringLiteral("unknown command '%1' (did you mean '%2'?)").arg(command, nearest);
}

// The first option on the command line that the parser does not know, as the parser splits
// them (letters after one dash are short options, unless one takes the rest as its value),
// with the name it was likely meant to be; empty when every option is known.
QString unknownOption(const QStringList &arguments, const QList<QCommandLineOption> &options)
{
    QStringList known, withValue, longNames;
    for (const QCommandLineOption &option : options) {
        known += option.names();
        if (!option.valueName().isEmpty())
            withValue += option.names();
        for (const QString &name : option.names()) {
            if (name.size() > 1)
                longNames.append(name);
        }
    }
    const auto message = [&](const QString &argument, const QString &name) -> QString {
        const QString nearest = NearestName(name, longNames);
        QString text = QStringLiteral("unknown option '%1'").arg(argument);
        if (!nearest.isEmpty())
            return text + QStringLiteral(" (did you mean '--%1'?)").arg(nearest);
        if (!argument.startsWith(QLatin1String("--")))
            return text + QStringLiteral(" (put -- before arguments that begin with '-')");
        return text + QStringLiteral(" (see --help)");
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1String("--"))) {
            const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
            if (!known.contains(name))
                return message(QStringLiteral("--") + name, name);
            if (withValue.contains(name) && !argument.contains(QLatin1Char('=')))
                ++i;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            for (qsizetype at = 1; at < argument.size(); ++at) {
                const QString name = argument.mid(at, 1);
                if (!known.contains(name))
                    return message(argument, argument.mid(1));
                if (withValue.contains(name)) {
                    if (at + 1 == argument.size())
                        ++i;
                    break;
                }
            }
        }
    }
    return {};
}

int runCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(commandsOverview());
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QList<QCommandLineOption> options{
        {{QStringLiteral("g"), kGameFolder},
         QStringLiteral("The compiled-game folder (default: the current folder)."),
         QStringLiteral("DIR")},
        {kQuiet, QStringLiteral("Print only results and errors: the numbers add gives, the lines "
                                "of list and check, JSON. No progress and no other messages.")},
        {kCategory, QStringLiteral("add: the category of the new sounds (default Misc)."),
         QStringLiteral("TEXT")},
        {kFormat, QStringLiteral("list: tsv (default) or json; check: text (default) or json."),
         QStringLiteral("FORMAT")},
        {kStrict, QStringLiteral("check: warnings count as failures too.")},
        {kOgg, QStringLiteral("distribute, check: encode WAV files to Ogg Vorbis for this run.")},
        {kNoOgg, QStringLiteral("distribute, check: do not encode for this run.")},
        {kQuality, QStringLiteral("distribute, check: encoding quality 0 to 10 for this run."),
         QStringLiteral("N")},
        {kMinSize,
         QStringLiteral("distribute, check: smallest WAV to encode, in kB of 1000 bytes."),
         QStringLiteral("KB")},
        {kCustomCommand,
         QStringLiteral("distribute, check: encoder command, %1 the source, %2 the destination."),
         QStringLiteral("TEMPLATE")},
        {kTimeout, QStringLiteral("distribute: how long to wait for one encoder (default 60)."),
         QStringLiteral("SECONDS")},
        {kJobs, QStringLiteral("distribute: encoders at once (default: one per core)."),
         QStringLiteral("N")},
        {kForce, QStringLiteral("distribute: make every sound again, even if up to date.")},
        {kJson, QStringLiteral("distribute: print the summary as JSON.")},
        {kDryRun, QStringLiteral("distribute: print what would be made and removed; change "
                                 "nothing.")},
        {kWatch, QStringLiteral("distribute: stay, and run again whenever the catalogue or a "
                                "source changes.")},
        {kLoudness, QStringLiteral("distribute, check: normalise loudness for this run.")},
        {kNoLoudness, QStringLiteral("distribute, check: do not normalise loudness.")},
        {kTarget, QStringLiteral("distribute, check: target integrated loudness (default -18)."),
         QStringLiteral("LUFS")},
        {kCeiling, QStringLiteral("distribute, check: true-peak ceiling (default -1)."),
         QStringLiteral("DBTP")},
        {kCategoryOffset,
         QStringLiteral("distribute, check: LU added to the target for a category."),
         QStringLiteral("CATEGORY=LU")},
        {kTrim, QStringLiteral("distribute, check: trim silence at both ends.")},
        {kNoTrim, QStringLiteral("distribute, check: do not trim.")},
        {kTrimThreshold,
         QStringLiteral("distribute, check: silence is below this level (default -60)."),
         QStringLiteral("DBFS")},
        {kTrimPad, QStringLiteral("distribute, check: silence kept at each end (default 10)."),
         QStringLiteral("MS")},
        {kMono, QStringLiteral("distribute, check: mix sounds down to one channel.")},
        {kNoMono, QStringLiteral("distribute, check: keep the channels.")},
        {kMaxRate,
         QStringLiteral("distribute, check: highest sample rate (22050, 32000, 44100, 48000; 0 "
                        "none)."),
         QStringLiteral("HZ")},
        {kOrder,
         QStringLiteral("lists: number (default), name, category or table, the order of "
                        "AllSounds.txt and the playlist."),
         QStringLiteral("ORDER")},
        {kYes, QStringLiteral("clean: confirm the deletion.")},
    };
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, add, remove, lock, unlock, renumber, "
                                                "distribute, lists, check, clean or help."));
    parser.addPositionalArgument(QStringLiteral("arguments"),
                                 QStringLiteral("The command's arguments; after --, even those "
                                                "that begin with '-'."),
                                 QStringLiteral("[ARGS...]"));

    if (!parser.parse(arguments)) {
        const QCommandLineOption helpAll(QStringLiteral("help-all"), QString());
        const QString unknown =
            unknownOption(arguments, options + QList{helpOption, helpAll, versionOption});
        if (!unknown.isEmpty())
            return usageError(unknown);
        return usageError(parser.errorText() + QStringLiteral(" (see --help)"));
    }
    QStringList positional = parser.positionalArguments();
    const QString command = positional.isEmpty() ? QString() : positional.takeFirst();

    // "help COMMAND" and "COMMAND --help" describe one command.
    QString helpTopic;
    if (command == QLatin1String("help"))
        helpTopic = positional.isEmpty() ? QString() : positional.first();
    else if (parser.isSet(helpOption) && !command.isEmpty())
        helpTopic = command;
    if (!helpTopic.isEmpty()) {
        if (!commands().contains(helpTopic))
            return usageError(unknownCommand(helpTopic));
        printOut(commandHelpText(helpTopic, parser));
        return ExitSuccess;
    }
    // Printed here rather than by the parser, so that a failed write is noticed.
    if (parser.isSet(helpOption) || command == QLatin1String("help")) {
        printOut(parser.helpText());
        return ExitSuccess;
    }
    // Only the parser's own processing can print the help with Qt's options; it then exits.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments);
    if (parser.isSet(versionOption)) {
        printOut(QCoreApplication::applicationName() + QLatin1Char(' ') +
                 QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return ExitSuccess;
    }

    if (command.isEmpty())
        return usageError(QStringLiteral("no command given (see --help)"));
    const auto allowed = commands().constFind(command);
    if (allowed == commands().cend())
        return usageError(unknownCommand(command));
    for (const QString &option : parser.optionNames()) {
        const QString name = option == QLatin1String("g") ? kGameFolder : option;
        if (name != kGameFolder && name != kQuiet && !allowed->options.contains(name))
            return usageError(QStringLiteral("--%1 does not apply to %2").arg(name, command));
    }

    // A script works where it runs; the folder the window remembers is the window's.
    const QString folder =
        parser.isSet(kGameFolder) ? parser.value(kGameFolder) : QDir::currentPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return usageError(QStringLiteral("the game folder '%1' does not exist").arg(folder));

    ConsoleMessages messages;
    CatalogueSession session(messages);
    SoundTable readTable;
    const QString unreadable =
        QStringLiteral("the catalogue '%1' cannot be read; nothing was changed")
            .arg(SoundInfoPath(folder));
    // A dry run only reads, as list and check do.
    const bool readOnly =
        allowed->readOnly || (command == QLatin1String("distribute") && parser.isSet(kDryRun));
    if (command == QLatin1String("distribute") && positional.isEmpty()) {
        if (const auto exitCode = distributionWithNothingToDo(folder, parser, parser.isSet(kQuiet)))
            return *exitCode;
    }
    bool whole = false;
    if (readOnly) {
        if (LoadSoundInfo(readTable, SoundInfoPath(folder), messages, &whole))
            return failed(unreadable);
    } else {
        // Held from the load to the save, so that two programs on one folder never lose each
        // other's changes.
        if (const FileError locked = session.lockFolder(folder, lockWaitMs()))
            return failed(locked.description + QStringLiteral("; nothing was changed"));
        // A run measures every source itself; measuring them at the load too would double the
        // cost of a run with nothing to do.
        const bool runMeasures = command == QLatin1String("distribute") && !parser.isSet(kWatch);
        if (session.load(folder, !runMeasures))
            return failed(unreadable);
    }
    if (!readOnly)
        whole = session.isWholeCatalogueOf(folder);
    const Context context{readOnly ? readTable : session.table(), session, folder,
                          parser.isSet(kQuiet), whole};

    if (command == QLatin1String("list"))
        return listCommand(context, positional,
                           parser.isSet(kFormat) ? parser.value(kFormat) : QStringLiteral("tsv"));
    if (command == QLatin1String("add")) {
        const QString category =
            parser.isSet(kCategory) ? parser.value(kCategory) : QStringLiteral("Misc");
        return addCommand(context, positional, category);
    }
    if (command == QLatin1String("remove"))
        return removeCommand(context, positional);
    if (command == QLatin1String("lock") || command == QLatin1String("unlock"))
        return lockCommand(context, positional, command == QLatin1String("lock"));
    if (command == QLatin1String("renumber"))
        return renumberCommand(context, positional);
    if (command == QLatin1String("distribute"))
        return distributeCommand(context, positional, parser, messages);
    if (command == QLatin1String("lists"))
        return listsCommand(context, positional,
                            parser.isSet(kOrder) ? parser.value(kOrder) : QStringLiteral("number"));
    if (command == QLatin1String("check")) {
        if (!positional.isEmpty())
            return usageError(QStringLiteral("check takes no arguments"));
        QString reason;
        auto options = planOptions(parser, &reason);
        if (!options)
            return usageError(reason);
        options->gameFolder = folder;
        return RunCheckCommand(
            context.table, *options, parser.isSet(kStrict),
            parser.isSet(kFormat) ? parser.value(kFormat) : QStringLiteral("text"), context.quiet);
    }
    return cleanCommand(context, positional, parser.isSet(kYes));
}

} // namespace

int RunCommandLine(const QStringList &arguments)
{
    const int exitCode = runCommandLine(arguments);
    // Output that never reached its reader (a full disk, a closed descriptor) is a failure.
    const QString outputError = StandardOutputError();
    if (outputError.isEmpty())
        return exitCode;
    printErr(QStringLiteral("sonquill-cli: could not write to standard output: ") + outputError +
             QLatin1Char('\n'));
    return exitCode == ExitSuccess ? ExitFailed : exitCode;
}

} // namespace sonquill::cli
