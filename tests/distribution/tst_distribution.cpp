#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "distribution/Manifest.h"
#include "distribution/SystemProcessRunner.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QCoreApplication>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(sonquill::OggSettings)

using namespace sonquill;
using test::makeWav;
using test::readFile;
using test::runTool;
using test::writeFile;

namespace {

// Stands in for the encoder: records "command|hidden|timeout" and, like the template
// "enc %1 %2", writes 4500 bytes to the destination.
class FakeRunner : public ProcessRunner
{
public:
    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &) override
    {
        calls.append(
            QStringLiteral("%1|%2|%3").arg(commandLine).arg(int(hideWindow)).arg(timeoutMs));
        QFile output(QProcess::splitCommand(commandLine).value(2)); // never creates a folder
        if (output.open(QIODevice::WriteOnly))
            output.write(QByteArray(4500, 'o'));
        RunResult result;
        result.outcome = RunResult::Outcome::Finished;
        result.exitCode = 0;
        return result;
    }
    QStringList calls;
};

// A game folder and a source folder in one temporary folder, and the run's collaborators.
struct Fixture
{
    explicit Fixture(const QString &gameName = QStringLiteral("game"))
        : gameFolder(dir.filePath(gameName))
    {
        QDir().mkpath(gameFolder);
        options.ogg = {.UseCustom = 1, .CustomPath = QStringLiteral("enc %1 %2")};
    }

    QString game(const QString &name = {}) const { return QDir(gameFolder).filePath(name); }
    QString source(const QString &name) const { return dir.filePath("sfx/" + name); }

    // Adds a sound whose source holds bytes (no file when bytes is null); size < 0: their size.
    void add(const QString &path, qint16 number, const QByteArray &bytes, float size = -1.0f)
    {
        if (!bytes.isNull())
            writeFile(path, bytes);
        SoundRecord &record = records.emplace_back();
        record.name = NameFromPath(path);
        record.filename = path;
        record.number = number;
        record.size = size < 0 ? float(bytes.size()) : size;
    }

    SoundTable table() const
    {
        SoundTable table;
        table.replaceAll(records);
        return table;
    }
    DistributionResult run(const QString &folder = {})
    {
        const SoundTable sounds = table();
        const QString into = folder.isNull() ? game() : folder;
        return Distribute(sounds, into, options,
                          {ui, progress, *runner, cancelled,
                           [&] { return !SaveSoundInfo(sounds, SoundInfoPath(into), ui); }});
    }
    QStringList numberedFiles() const
    {
        return QDir(game()).entryList({"SOUND*"}, QDir::Files | QDir::CaseSensitive);
    }

    QTemporaryDir dir;
    QString gameFolder;
    QList<SoundRecord> records;
    DistributionOptions options;
    test::ScriptedUi ui;
    test::RecordingProgress progress;
    FakeRunner fake;
    SystemProcessRunner real;
    ProcessRunner *runner = &fake;
    std::function<bool()> cancelled;
};

void writeScript(const QString &path, const QByteArray &body, bool executable = true)
{
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    if (executable)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// True once this process has no child left, running or ended and never reaped.
bool noChildLeft()
{
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

// A WAV of the given length holding a tone, made by sox.
bool soxWav(const QString &path, double seconds, int frequency)
{
    QDir().mkpath(QFileInfo(path).path());
    return runTool("sox", {"-D", "-n", "-r", "22050", "-c", "1", "-b", "16", path, "synth",
                           QString::number(seconds), "sine", QString::number(frequency)}) == 0;
}

// The decoded samples of an Ogg file: its bytes differ from run to run (the stream serial is
// random), its sound must not.
QByteArray decoded(const QString &ogg)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath("decoded.wav");
    if (runTool("oggdec", {"-Q", "-o", wav, ogg}) != 0)
        return "not decodable: " + ogg.toUtf8();
    return readFile(wav);
}

// Identity of each numbered file: a file made again is a new file (renamed into place).
QMap<QString, QString> identities(const QString &folder)
{
    QMap<QString, QString> result;
    for (const QString &name :
         QDir(folder).entryList({"SOUND*"}, QDir::Files | QDir::CaseSensitive)) {
        struct stat info;
        if (::stat(QFile::encodeName(QDir(folder).filePath(name)).constData(), &info) == 0) {
            result.insert(name, QStringLiteral("%1/%2.%3")
                                    .arg(info.st_ino)
                                    .arg(info.st_mtim.tv_sec)
                                    .arg(info.st_mtim.tv_nsec));
        }
    }
    return result;
}

QStringList changedBetween(const QMap<QString, QString> &before,
                           const QMap<QString, QString> &after)
{
    QStringList changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (before.value(it.key()) != it.value())
            changed << it.key();
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            changed << it.key() + " gone";
    }
    return changed;
}

QStringList hiddenFiles(const QString &folder)
{
    return QDir(folder).entryList({".*"}, QDir::Files | QDir::Hidden);
}

void requireTools()
{
    for (const char *tool : {"sox", "oggenc", "oggdec"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is needed for this test").arg(tool)));
    }
}

// A catalogue of real sounds: four WAVs to encode, a small WAV and an MP3-named file to copy.
void addRealSounds(Fixture &f)
{
    for (int i = 1; i <= 4; ++i) {
        const QString path = f.source(QStringLiteral("Tone%1.wav").arg(i));
        QVERIFY(soxWav(path, 0.5 + 0.25 * i, 300 + 100 * i));
        f.add(path, qint16(i), QByteArray(), float(QFileInfo(path).size()));
    }
    f.add(f.source("Click.wav"), 5, makeWav(2000));
    f.add(f.source("Bell.mp3"), 7, "not really an mp3");
    f.options.OggUse = true;
    f.options.ogg = {.Quality = 2, .MinSize = 4};
    f.runner = &f.real;
}

} // namespace

class TestDistribution : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKindOfSound_data();
    void everyKindOfSound();
    void encoderWindowAndSizes_data();
    void encoderWindowAndSizes();
    void encoderCommand_data();
    void encoderCommand();
    void scriptOutputs_data();
    void scriptOutputs();
    void failedEncoder_data();
    void failedEncoder();
    void missingGameFolder();
    void clearNumberedFiles();
    void clearReportsWhatItCannotDelete();
    void danglingEncoderLink();
    void faultsThatEndedInSuccess_data();
    void faultsThatEndedInSuccess();
    void sameResultForAnyJobs();
    void onlyWhatChanged_data();
    void onlyWhatChanged();
    void staleFiles();
    void cancel_data();
    void cancel();
    void interruptedProgram();
    void resultAsJson();
};

void TestDistribution::everyKindOfSound_data()
{
    QTest::addColumn<QString>("encoderAt");  // where a stand-in oggenc2 is put; empty: none
    QTest::addColumn<QString>("customPath"); // empty: the built-in command
    QTest::addColumn<bool>("oddNames");

    QTest::newRow("built-in beside the program") << "sfx/oggenc2" << QString() << false;
    QTest::newRow("built-in in the parent folder") << "oggenc2" << QString() << false;
    QTest::newRow("built-in on the search path, names with blanks, quotes, $(), ; and non-ASCII")
        << QString() << QString() << true;
    QTest::newRow("custom template") << QString() << "oggenc -Q %1 -o %2" << false;
}

void TestDistribution::everyKindOfSound()
{
    QFETCH(QString, encoderAt);
    QFETCH(QString, customPath);
    QFETCH(bool, oddNames);

    Fixture f(oddNames ? "game $(touch pwned1); touch pwned2 'x' \"q\" Spiel \u00e4" : "game");
    const QString prefix = oddNames ? "`touch pwned3` ; T\u00fcr \"knarrt\" $HOME " : "";
    f.add(f.source(prefix + "Small.wav"), 1, makeWav(3999));
    f.add(f.source(prefix + "Large.wav"), 2, makeWav(4000));
    f.add(f.source(prefix + "Bell.mp3"), 3, "mp3", 500000.0f);
    f.add(f.source(prefix + "Gone.wav"), 4, QByteArray());
    f.add(f.source(prefix + "Door.WAV"), 5, makeWav(3000));
    f.add(f.source(prefix + "Horn.Voc "), 6, "voc");
    f.add(f.source(prefix + "Boom"), 7, "no extension");
    // Sources in the game folder: one already its own target, two in the way of other sounds.
    f.add(f.game("SOUND8.wav"), 8, makeWav(3000));
    f.add(f.game("SOUND9.wav"), 10, "sound 10");
    f.add(f.source(prefix + "Nine.wav"), 9, makeWav(1000));
    f.add(f.game("SOUND11.ogg"), 12, "sound 12");
    f.add(f.source(prefix + "Eleven.wav"), 11, makeWav(9000));
    QVERIFY(mkfifo(QFile::encodeName(f.source(prefix + "Pipe.mp3")).constData(), 0600) == 0);
    f.add(f.source(prefix + "Pipe.mp3"), 13, QByteArray(), 0.0f); // would block a reader
    writeFile(f.game("SOUND4.wav"), "an older copy that must survive a failed copy");
    f.options.OggUse = true;
    f.options.ogg = {
        .MinSize = 4, .UseCustom = qint16(customPath.isEmpty() ? 0 : 1), .CustomPath = customPath};
    f.options.programFolder = f.dir.filePath("sfx");
    f.runner = &f.real;
    const QByteArray searchPath = qgetenv("PATH");
    if (!encoderAt.isEmpty()) { // the only encoder to be found
        writeScript(f.dir.filePath(encoderAt), "exec /usr/bin/oggenc \"$@\"");
        qputenv("PATH", QFile::encodeName(f.game()));
    }
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(f.dir.path()); // where a command hidden in a name would leave its file
    f.run();
    QDir::setCurrent(workingFolder);
    qputenv("PATH", searchPath);

    QCOMPARE(f.numberedFiles(),
             (QStringList{"SOUND1.wav", "SOUND10.wav", "SOUND11.ogg", "SOUND11.wav", "SOUND12.ogg",
                          "SOUND2.ogg", "SOUND3.mp3", "SOUND4.wav", "SOUND5.wav", "SOUND6.voc",
                          "SOUND8.wav", "SOUND9.wav"}));
    QCOMPARE(readFile(f.game("SOUND1.wav")), makeWav(3999));
    const QByteArray ogg = readFile(f.game("SOUND2.ogg"));
    QVERIFY(ogg.startsWith("OggS") && ogg.left(200).contains("vorbis"));
    QCOMPARE(readFile(f.game("SOUND4.wav")), "an older copy that must survive a failed copy");
    QCOMPARE(readFile(f.game("SOUND5.wav")), makeWav(3000));
    QCOMPARE(readFile(f.game("SOUND8.wav")), makeWav(3000));
    QCOMPARE(readFile(f.game("SOUND9.wav")) + readFile(f.game("SOUND10.wav")), "sound 10sound 10");
    QCOMPARE(readFile(f.game("SOUND11.ogg")) + readFile(f.game("SOUND12.ogg")), "sound 12sound 12");
    QCOMPARE(readFile(f.game("SOUND11.wav")), makeWav(9000)); // instead of the .ogg
    const auto line = [&](const QString &name, int number, const QString &text) -> QString {
        return f.source(prefix + name) + QStringLiteral(" (#%1) : ").arg(number) + text + "\r\n";
    };
    const QString notReplaced = "%1 was not replaced because it is the source file of sound #%2";
    const QString errors =
        line("Gone.wav", 4, "The source file cannot be read: No such file or directory") +
        line("Boom", 7, "The source file has no extension to name its copy by.") +
        line("Nine.wav", 9, notReplaced.arg("SOUND9.wav").arg(10)) +
        line("Eleven.wav", 11, notReplaced.arg("SOUND11.ogg").arg(12)) +
        line("Pipe.mp3", 13, "The source file cannot be read: it is not a regular file");
    const QString encodedKb = QString::number(qint64(RoundHalfEven(ogg.size() / 1000.0)));
    QCOMPARE(f.ui.messages.size(), 1); // the summary, no "encoder not found"
    QCOMPARE(f.ui.messages[0].title, QStringLiteral("Errors During Copy!"));
    QCOMPARE(f.ui.messages[0].text,
             errors + "\r\n\r\nOgg-encoding compressed wav's from 4 kB to " + encodedKb + " kB.");
    QDirIterator pwned(f.dir.path(), {"pwned*"}, QDir::AllEntries, QDirIterator::Subdirectories);
    QVERIFY(!pwned.hasNext());
}

void TestDistribution::encoderWindowAndSizes_data()
{
    QTest::addColumn<float>("size"); // as the catalogue recorded it
    QTest::addColumn<int>("hidden");

    QTest::newRow("1,999,999 bytes: window hidden") << 1999999.0f << 1;
    QTest::newRow("2,000,000 bytes: window shown") << 2000000.0f << 0;
}

void TestDistribution::encoderWindowAndSizes()
{
    QFETCH(float, size);
    QFETCH(int, hidden);

    Fixture f;
    f.add(f.source("Door.wav"), 5, makeWav(1000), size);
    f.options.OggUse = true;
    f.options.timeoutMs = 1234;
    f.run();

    // The encoder writes a hidden file beside the target, renamed over it when it is done.
    QCOMPARE(f.fake.calls.size(), 1);
    QCOMPARE(f.fake.calls[0].replace(QRegularExpression("/\\.SOUND5\\.ogg\\.[0-9a-z]+\\.ogg"),
                                     "/SOUND5.ogg"),
             QStringLiteral("enc %1 %2|%3|1234")
                 .arg(f.source("Door.wav"), f.game("SOUND5.ogg"))
                 .arg(hidden));
    QCOMPARE(readFile(f.game("SOUND5.ogg")), QByteArray(4500, 'o'));
    QCOMPARE(f.progress.calls,
             (QStringList{"show|Distributing Files|Copying/Encoding 1 files...|1|0", "advance|1",
                          "close"}));
    // 4500 bytes written: half a kB rounds to the even number.
    QCOMPARE(f.ui.messages.first().title + "|" + f.ui.messages.first().text,
             QStringLiteral("Copying Complete|Copying/Encoding of 1 files was successful.\r\n\r\n"
                            "Ogg-encoding compressed wav's from 2000 kB to 4 kB."));
}

void TestDistribution::encoderCommand_data()
{
    QTest::addColumn<OggSettings>("settings");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("command"); // empty: only split back into the paths

    QTest::newRow("custom, nothing quoted")
        << OggSettings{.UseCustom = 1} << "D:\\Sfx\\My Door.wav"
        << "c:\\MyEncoder.exe D:\\Sfx\\My Door.wav /g/SOUND5.ogg";
    QTest::newRow("custom, every %1 and %2, then a %2 inside the source")
        << OggSettings{.UseCustom = 1, .CustomPath = "enc -o %2 %1 %1"} << "/s/100%2off.wav"
        << "enc -o /g/SOUND5.ogg /s/100/g/SOUND5.oggoff.wav /s/100/g/SOUND5.oggoff.wav";
    QTest::newRow("built-in, quality 10") << OggSettings{.Quality = 10} << "/s/a.wav"
                                          << R"("/p/oggenc" "/s/a.wav" -o "/g/SOUND5.ogg" -q10)";
    QTest::newRow("built-in, blanks, a quote written as three, quality 0")
        << OggSettings{.Quality = 0} << "/my s/Say \"hi\".wav"
        << R"("/p/oggenc" "/my s/Say """hi""".wav" -o "/g/SOUND5.ogg" -q0)";
    QTest::newRow("built-in, quotes first, last and three in a row")
        << OggSettings{} << "\"Door\"\"\"" << QString();
}

void TestDistribution::encoderCommand()
{
    QFETCH(OggSettings, settings);
    QFETCH(QString, source);
    QFETCH(QString, command);

    const QString built = BuildEncoderCommand(settings, "/p/oggenc", source, "/g/SOUND5.ogg");
    if (!command.isEmpty())
        QCOMPARE(built, command);
    if (settings.UseCustom == 0) {
        QCOMPARE(QProcess::splitCommand(built),
                 (QStringList{"/p/oggenc", source, "-o", "/g/SOUND5.ogg",
                              "-q" + QString::number(settings.Quality)}));
    }
}

void TestDistribution::scriptOutputs_data()
{
    QTest::addColumn<QList<qint16>>("numbers");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("soundList");
    QTest::addColumn<QByteArray>("code"); // after the fixed header

    QTest::newRow("empty table") << QList<qint16>{} << QStringList{} << QByteArray("")
                                 << QByteArray("NumSounds = 0; \r\n");
    QTest::newRow("table order, highest number, names unescaped")
        << QList<qint16>{12, 4, 120, 7} << QStringList{"Say \"hi\"", "C:\\x", "", "Caf\u00e9"}
        << QByteArray("0012\r\nSay \"hi\"\r\n0004\r\nC:\\x\r\n0120\r\n\r\n0007\r\nCaf\xe9\r\n")
        << QByteArray("NumSounds = 120; \r\n"
                      "StrCopy(SoundNames[12].Name, \"Say \"hi\"\");\r\n"
                      "StrCopy(SoundNames[4].Name, \"C:\\x\");\r\n"
                      "StrCopy(SoundNames[120].Name, \"\");\r\n"
                      "StrCopy(SoundNames[7].Name, \"Caf\xe9\");\r\n");
}

void TestDistribution::scriptOutputs()
{
    QFETCH(QList<qint16>, numbers);
    QFETCH(QStringList, names);
    QFETCH(QByteArray, soundList);
    QFETCH(QByteArray, code);

    Fixture f;
    writeFile(f.game("SoundList.dat"), "old content that must go");
    for (int i = 0; i < numbers.size(); ++i) {
        f.add(f.source(QStringLiteral("s%1.mp3").arg(i)), numbers[i], "x");
        f.records.last().name = names[i];
    }
    f.run();

    QCOMPARE(readFile(f.game("SoundList.dat")), soundList);
    QCOMPARE(readFile(f.game("SoundCode.txt")),
             "//To avoid having to distribute SoundList.DAT with your game,\r\n"
             "//Copy/paste this code in the Game_start section of the Sonquill module\r\n"
             "//and replace the 'LoadSoundNames();' call.\r\n \r\n" +
                 code);
    QVERIFY(QFile::exists(f.game("SoundInfo.dat")));
}

void TestDistribution::failedEncoder_data()
{
    QTest::addColumn<QByteArray>("script"); // the encoder, a shell script
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("error"); // after "<source> (#5) : "

    const QString failed = "OGG encoding was unsuccessful (or took longer than %1 seconds).";
    QTest::newRow("writes nothing") << QByteArray("exit 0") << 60000 << failed.arg(60);
    QTest::newRow("crashes after writing a part")
        << QByteArray("echo OggS > \"$2\"; kill -SEGV $$") << 60000 << failed.arg(60);
    QTest::newRow("exits with 1 after writing a part")
        << QByteArray("echo OggS > \"$2\"; exit 1") << 60000 << failed.arg(60);
    QTest::newRow("cannot be started: its own line with the reason")
        << QByteArray() << 60000
        << "OGG encoding was unsuccessful: the encoder could not be started: Permission denied";
    QTest::newRow("outlives a short wait: ended with what it started, its part removed")
        << QByteArray("echo OggS > \"$2\"; sleep 30; cp \"$1\" \"$2\"") << 300 << failed.arg(0.3);
    QTest::newRow("ignores SIGTERM: killed after the grace time")
        << QByteArray("trap '' TERM; echo OggS > \"$2\"; while :; do sleep 0.05; done") << 300
        << failed.arg(0.3);
}

void TestDistribution::failedEncoder()
{
    QFETCH(QByteArray, script);
    QFETCH(int, timeoutMs);
    QFETCH(QString, error);

    Fixture f;
    const QString encoder = f.dir.filePath("encoder.sh");
    writeScript(encoder, script, !script.isEmpty());
    f.add(f.source("Door.wav"), 5, makeWav(8000));
    f.add(f.source("Bell.mp3"), 6, "mp3");
    writeFile(f.game("SOUND5.ogg"), "made by an earlier run");
    f.options.OggUse = true;
    f.options.ogg.CustomPath = encoder + " %1 %2";
    f.options.timeoutMs = timeoutMs;
    f.runner = &f.real;
    const DistributionResult result = f.run();

    QCOMPARE(result.ErrorText, f.source("Door.wav") + " (#5) : " + error + "\r\n");
    QCOMPARE(f.ui.messages.first().title, QStringLiteral("Errors During Copy!"));
    // One file for the number, and nothing half-written under a hidden name either.
    QCOMPARE(QDir(f.game()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"SOUND5.wav", "SOUND6.mp3", "SoundCode.txt", "SoundInfo.dat",
                          "SoundList.dat"}));
    QCOMPARE(readFile(f.game("SOUND5.wav")), makeWav(8000));
    QVERIFY(noChildLeft());
    // Whatever the encoder started was ended with it: nothing writes the .ogg later.
    QCOMPARE(QProcess::execute("pgrep", {"-f", encoder}), 1);
}

void TestDistribution::missingGameFolder()
{
    Fixture f;
    f.add(f.source("Copy.mp3"), 1, "mp3");
    f.add(f.source("Encode.wav"), 2, makeWav(5000));
    f.options.OggUse = true;
    const QString folder = f.dir.filePath("no such folder");
    const QStringList lines = f.run(folder).ErrorText.split("\r\n", Qt::SkipEmptyParts);

    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[0].startsWith(f.source("Copy.mp3") + " (#1) : SOUND1.mp3 cannot be created: "));
    QCOMPARE(lines[1],
             f.source("Encode.wav") +
                 " (#2) : OGG encoding was unsuccessful (or took longer than 60 seconds).");
    QVERIFY(lines[2].startsWith(f.source("Encode.wav") + " (#2) : SOUND2.wav cannot be created: "));
    QVERIFY(lines[3].startsWith("SoundList.dat cannot be written: "));
    QVERIFY(lines[4].startsWith("SoundCode.txt cannot be written: "));
    QCOMPARE(f.ui.messages.size(), 2);
    QCOMPARE(f.ui.messages[0].title, QStringLiteral("Errors During Copy!"));
    QCOMPARE(f.ui.messages[1].title, QStringLiteral("Error!")); // the catalogue was not saved
    QVERIFY(!QFileInfo::exists(folder));
}

void TestDistribution::clearNumberedFiles()
{
    Fixture f;
    for (const char *name : {"SOUND5.ogg", "SOUND5.wav", "sound123.Old.MP3", "SOUND7.",
                             "SOUND05.ogg", "SOUND1000.ogg", "SOUND12", "SOUNDX.wav"})
        writeFile(f.game(name), name);
    QDir(f.game()).mkdir("SOUND8.dir");
    f.add(f.game("SOUND3.wav"), 9, "the source of sound 9");

    QStringList skipped;
    QCOMPARE(ClearNumberedFiles(f.game(), f.table(), &skipped), 4);
    QCOMPARE(skipped, QStringList{"SOUND3.wav"});
    QCOMPARE(QDir(f.game()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{"SOUND05.ogg", "SOUND1000.ogg", "SOUND12", "SOUND3.wav", "SOUND8.dir",
                          "SOUNDX.wav"}));
    QCOMPARE(readFile(f.game("SOUND3.wav")), "the source of sound 9");
    QCOMPARE(ClearNumberedFiles(f.dir.filePath("missing"), f.table(), nullptr), 0);
}

void TestDistribution::clearReportsWhatItCannotDelete()
{
    Fixture f;
    writeFile(f.game("SOUND5.ogg"), "stays");
    QStringList failed;
    int deleted = -1;
    if (geteuid() == 0) {
        // Root may delete anything: the clearing runs in a child that gave up root.
        QVERIFY(::chmod(QFile::encodeName(f.dir.path()).constData(), 0755) == 0);
        int channel[2];
        QVERIFY(::pipe(channel) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(channel[0]);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            QStringList childFailed;
            const int childDeleted = ClearNumberedFiles(f.game(), {}, nullptr, &childFailed);
            const QByteArray report =
                QByteArray::number(childDeleted) + '\n' + childFailed.join('\n').toUtf8();
            const bool written =
                ::write(channel[1], report.constData(), size_t(report.size())) == report.size();
            ::_exit(written ? 0 : 3);
        }
        ::close(channel[1]);
        QByteArray report;
        char buffer[512];
        for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
            report.append(buffer, got);
        ::close(channel[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
        const QList<QByteArray> lines = report.split('\n');
        deleted = lines.value(0).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i)
            failed << QString::fromUtf8(lines[i]);
    } else {
        QVERIFY(::chmod(QFile::encodeName(f.game()).constData(), 0555) == 0);
        deleted = ClearNumberedFiles(f.game(), {}, nullptr, &failed);
        ::chmod(QFile::encodeName(f.game()).constData(), 0755);
    }
    QCOMPARE(deleted, 0);
    QCOMPARE(failed, QStringList{"SOUND5.ogg: Permission denied"});
    QCOMPARE(readFile(f.game("SOUND5.ogg")), "stays");
}

void TestDistribution::danglingEncoderLink()
{
    Fixture f;
    const QString programFolder = f.dir.filePath("bin");
    QDir().mkpath(programFolder);
    QVERIFY(QFile::link(f.dir.filePath("nowhere/oggenc2"), programFolder + "/oggenc2"));
    const EncoderLocation location = LocateEncoder(programFolder);

    QVERIFY(location.found);
    QCOMPARE(location.EncoderPath, QStandardPaths::findExecutable("oggenc"));
}

void TestDistribution::faultsThatEndedInSuccess_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("errors"); // the start of each error line, in order
    QTest::addColumn<QStringList>("files");  // the numbered files afterwards

    const QString source = "%1 (#%2) : ";
    QTest::newRow("SoundList.dat is a folder")
        << "list folder" << QStringList{"SoundList.dat cannot be written: "}
        << QStringList{"SOUND3.mp3", "SOUND7.mp3"};
    QTest::newRow("SoundCode.txt is a link into a missing folder")
        << "code link" << QStringList{"SoundCode.txt cannot be written: "}
        << QStringList{"SOUND3.mp3", "SOUND7.mp3"};
    QTest::newRow("SoundList.dat is the source of a sound: kept")
        << "list source"
        << QStringList{"SoundList.dat was not replaced because it is the source file of sound #9"}
        << QStringList{"SOUND3.mp3", "SOUND7.mp3", "SOUND9.dat"};
    QTest::newRow("numbers 0, -5, 1000 and a second 7: a line each, no file")
        << "numbers"
        << QStringList{source.arg("Zero.mp3").arg(0) +
                           "The number 0 is not between 1 and 999; no file was made.",
                       source.arg("Minus.mp3").arg(-5) +
                           "The number -5 is not between 1 and 999; no file was made.",
                       source.arg("Big.mp3").arg(1000) +
                           "The number 1000 is not between 1 and 999; no file was made.",
                       source.arg("Again.mp3").arg(7) +
                           "The number 7 is already used by an earlier sound; no file was made."}
        << QStringList{"SOUND3.mp3", "SOUND7.mp3"};
    QTest::newRow("Ogg asked for, no encoder found")
        << "no encoder" << QStringList{} << QStringList{"SOUND3.mp3", "SOUND7.mp3", "SOUND8.wav"};
}

void TestDistribution::faultsThatEndedInSuccess()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, files);

    Fixture f;
    f.add(f.source("Three.mp3"), 3, "three");
    f.add(f.source("Seven.mp3"), 7, "seven");
    if (fault == "list folder")
        QVERIFY(QDir().mkpath(f.game("SoundList.dat")));
    if (fault == "list source")
        f.add(f.game("SoundList.dat"), 9, "the source of sound 9");
    if (fault == "code link")
        QVERIFY(QFile::link(f.dir.filePath("missing/SoundCode.txt"), f.game("SoundCode.txt")));
    if (fault == "numbers") {
        f.add(f.source("Zero.mp3"), 0, "zero");
        f.add(f.source("Minus.mp3"), -5, "minus");
        f.add(f.source("Big.mp3"), 1000, "big");
        f.add(f.source("Again.mp3"), 7, "again");
    }
    const QByteArray searchPath = qgetenv("PATH");
    if (fault == "no encoder") {
        f.add(f.source("Door.wav"), 8, makeWav(9000));
        f.options.OggUse = true;
        f.options.ogg = {};
        f.options.programFolder = f.dir.filePath("bin");
        qputenv("PATH", QFile::encodeName(f.dir.filePath("bin")));
    }
    const DistributionResult result = f.run();
    qputenv("PATH", searchPath);

    QStringList lines = result.ErrorText.split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), errors.size());
    for (qsizetype i = 0; i < errors.size(); ++i) {
        const QString expected = errors[i].contains(" (#") ? f.source(errors[i]) : errors[i];
        QVERIFY2(lines[i].startsWith(expected), qPrintable(lines[i]));
    }
    QCOMPARE(f.numberedFiles(), files);
    QCOMPARE(readFile(f.game("SOUND7.mp3")), "seven");
    if (fault == "list source")
        QCOMPARE(readFile(f.game("SoundList.dat")), "the source of sound 9");
    if (fault == "no encoder") {
        QVERIFY(result.encoderMissing);
        QCOMPARE(f.ui.messages.first().title, QStringLiteral("Error in Ogg Encoder"));
        QCOMPARE(f.ui.messages.first().text, EncoderNotFoundText());
    } else {
        QCOMPARE(f.ui.messages.first().title, QStringLiteral("Errors During Copy!"));
        QCOMPARE(result.listsFailed, fault != "numbers");
    }
    if (fault == "numbers") { // the names list keeps every entry, as designed
        QCOMPARE(readFile(f.game("SoundList.dat")),
                 "0003\r\nThree\r\n0007\r\nSeven\r\n0000\r\nZero\r\n-0005\r\nMinus\r\n"
                 "1000\r\nBig\r\n0007\r\nAgain\r\n");
    }
}

void TestDistribution::sameResultForAnyJobs()
{
    requireTools();
    QList<QMap<QString, QByteArray>> outcomes;
    QStringList summaries;
    for (const int jobs : {1, 2, 4}) {
        Fixture f;
        addRealSounds(f);
        f.add(f.source("Missing.mp3"), 9, QByteArray());
        f.options.jobs = jobs;
        const DistributionResult result = f.run();
        QVERIFY(result.soundFailed);
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(f.game()).entryList(QDir::Files | QDir::Hidden)) {
            if (name == "SoundInfo.dat")
                continue;
            files.insert(name,
                         name.endsWith(".ogg") ? decoded(f.game(name)) : readFile(f.game(name)));
        }
        outcomes << files;
        // The summary names the source paths, which differ by temporary folder only.
        summaries << QString(result.summaryTitle + "|" + result.summaryText)
                         .replace(f.dir.path(), "<dir>");
        QCOMPARE(f.progress.calls.count("advance|1"), 7);
    }
    QCOMPARE(outcomes[0].keys(),
             (QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg", "SOUND4.ogg", "SOUND5.wav",
                          "SOUND7.mp3", "SoundCode.txt", "SoundList.dat"}));
    for (int i : {1, 2}) {
        QCOMPARE(outcomes[i].keys(), outcomes[0].keys());
        for (const QString &name : outcomes[0].keys())
            QVERIFY2(outcomes[i][name] == outcomes[0][name], qPrintable(name));
    }
    QCOMPARE(summaries[1], summaries[0]);
    QCOMPARE(summaries[2], summaries[0]);
    QVERIFY(summaries[0].startsWith("Errors During Copy!|<dir>/sfx/Missing.mp3 (#9) : "));
}

void TestDistribution::onlyWhatChanged_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("remade");

    QTest::newRow("nothing changed: nothing rewritten") << "none" << QStringList{};
    QTest::newRow("a source touched") << "touch" << QStringList{"SOUND2.ogg"};
    QTest::newRow("a source replaced by a same-sized other file")
        << "same size" << QStringList{"SOUND7.mp3"};
    QTest::newRow("a target deleted") << "delete target" << QStringList{"SOUND3.ogg"};
    QTest::newRow("a target edited by hand") << "edit target" << QStringList{"SOUND5.wav"};
    QTest::newRow("the quality changed: the encoded ones, no copy")
        << "quality" << QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg", "SOUND4.ogg"};
    QTest::newRow("the record lost: everything, with the same result")
        << "manifest" << QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg",
                                     "SOUND4.ogg", "SOUND5.wav", "SOUND7.mp3"};
    QTest::newRow("forced: everything")
        << "force" << QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg",
                                  "SOUND4.ogg", "SOUND5.wav", "SOUND7.mp3"};
}

void TestDistribution::onlyWhatChanged()
{
    requireTools();
    QFETCH(QString, change);
    QFETCH(QStringList, remade);

    Fixture f;
    addRealSounds(f);
    f.options.jobs = 2;
    const DistributionResult first = f.run();
    QCOMPARE(first.summaryTitle, QStringLiteral("Copying Complete"));
    const QMap<QString, QString> before = identities(f.game());
    const QByteArray listBefore = readFile(f.game("SoundList.dat"));

    if (change == "touch") {
        const QString path = f.source("Tone2.wav");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(5),
                                 QFileDevice::FileModificationTime));
    } else if (change == "same size") {
        QVERIFY(writeFile(f.source("Bell.mp3"), "NOT REALLY AN MP3"));
    } else if (change == "delete target") {
        QVERIFY(QFile::remove(f.game("SOUND3.ogg")));
    } else if (change == "edit target") {
        QFile file(f.game("SOUND5.wav"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(100));
        QVERIFY(file.write("x") == 1);
    } else if (change == "quality") {
        f.options.ogg.Quality = 5;
    } else if (change == "manifest") {
        QVERIFY(QFile::remove(Manifest::PathFor(f.game())));
    } else if (change == "force") {
        f.options.force = true;
    }
    f.ui.messages.clear();
    const DistributionResult second = f.run();

    const QStringList changed = changedBetween(before, identities(f.game()));
    QVERIFY2(changed == remade, qPrintable(changed.join(", ")));
    QCOMPARE(second.upToDateCount, 6 - int(remade.size()));
    // The summary reads as after a full run, with a last line for what was up to date.
    const QString upToDateLine =
        second.upToDateCount > 0
            ? QStringLiteral("\r\n\r\n%1 sounds were already up to date.").arg(second.upToDateCount)
            : QString();
    if (change == "quality") { // the new sizes differ
        QVERIFY(second.summaryText.startsWith("Copying/Encoding of 6 files was successful."));
        QVERIFY(second.summaryText.endsWith(upToDateLine));
    } else {
        QCOMPARE(second.summaryText, first.summaryText + upToDateLine);
    }
    if (change == "edit target")
        QCOMPARE(readFile(f.game("SOUND5.wav")), makeWav(2000));
    QCOMPARE(second.summaryTitle, first.summaryTitle);
    QCOMPARE(readFile(f.game("SoundList.dat")), listBefore);
    QVERIFY(hiddenFiles(f.game()).isEmpty());
}

void TestDistribution::staleFiles()
{
    Fixture f;
    f.add(f.source("Door.mp3"), 5, "door");
    f.add(f.source("Bell.wav"), 12, makeWav(9000));
    f.run();
    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND12.wav", "SOUND5.mp3"}));

    writeFile(f.game("SOUND40.wav"), "made by hand");
    f.records[0].number = 6; // renumbered
    f.options.OggUse = true; // #12 is now encoded
    const DistributionResult result = f.run();

    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND12.ogg", "SOUND40.wav", "SOUND6.mp3"}));
    QCOMPARE(result.staleDeleted, (QStringList{"SOUND12.wav", "SOUND5.mp3"}));
    QCOMPARE(result.notMade, QStringList{"SOUND40.wav"});
    QVERIFY(result.summaryText.endsWith(
        "\r\n\r\nNot made by this catalogue and left in place: SOUND40.wav."));
    QCOMPARE(readFile(f.game("SOUND40.wav")), "made by hand");
}

void TestDistribution::cancel_data()
{
    QTest::addColumn<int>("jobs");

    QTest::newRow("one encoder at a time") << 1;
    QTest::newRow("three encoders at once") << 3;
}

void TestDistribution::cancel()
{
    QFETCH(int, jobs);

    Fixture f;
    const QString encoder = f.dir.filePath("encoder.sh");
    // Quick for the first sound, slow for the others.
    writeScript(encoder, "case \"$1\" in *S1.wav) ;; *) sleep 30 ;; esac; cp \"$1\" \"$2\"");
    for (int i = 1; i <= 6; ++i)
        f.add(f.source(QStringLiteral("S%1.wav").arg(i)), qint16(i), makeWav(5000 + i));
    writeFile(f.game("SOUND6.ogg"), "from before");
    writeFile(f.game("SoundList.dat"), "old list");
    f.options.OggUse = true;
    f.options.ogg.CustomPath = encoder + " %1 %2";
    f.options.jobs = jobs;
    f.runner = &f.real;
    f.cancelled = [&] {
        // Once the first sound is done, and the next encoders had time to start.
        return f.progress.calls.contains("advance|1") &&
               QProcess::execute("pgrep", {"-f", encoder}) == 0;
    };
    const DistributionResult result = f.run();

    QVERIFY(result.cancelled);
    QCOMPARE(result.summaryText, QStringLiteral("Distribution cancelled: 1 of 6 sounds done."));
    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND1.ogg", "SOUND6.ogg"}));
    QCOMPARE(readFile(f.game("SOUND6.ogg")), "from before");
    QCOMPARE(readFile(f.game("SoundList.dat")), "old list");
    QVERIFY(!QFile::exists(f.game("SoundCode.txt")));
    QVERIFY(!QFile::exists(f.game("SoundInfo.dat")));
    QVERIFY(hiddenFiles(f.game()).isEmpty());
    QVERIFY(noChildLeft());
    QCOMPARE(QProcess::execute("pgrep", {"-f", encoder}), 1);

    // The finished one was recorded: the next run leaves it alone.
    f.cancelled = {};
    writeScript(encoder, "cp \"$1\" \"$2\"");
    const DistributionResult next = f.run();
    QCOMPARE(next.upToDateCount, 1);
    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg", "SOUND4.ogg",
                                             "SOUND5.ogg", "SOUND6.ogg"}));
}

void TestDistribution::interruptedProgram()
{
    Fixture f;
    const QString encoder = f.dir.filePath("encoder.sh");
    writeScript(encoder, "sleep 30; cp \"$1\" \"$2\"");
    for (int i = 1; i <= 3; ++i)
        f.add(f.source(QStringLiteral("S%1.wav").arg(i)), qint16(i), makeWav(5000));
    // The child runs a distribution with the interrupt flag as its cancel question, in a
    // process group of its own, as a shell runs a command; Ctrl+C goes to the whole group.
    QProcess child;
    child.setProgram(QCoreApplication::applicationDirPath() + "/distribution_interrupt_child");
    child.setArguments(
        {f.game(), encoder + " %1 %2", f.source("S1.wav"), f.source("S2.wav"), f.source("S3.wav")});
    child.setChildProcessModifier([] { ::setpgid(0, 0); });
    child.start();
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute("pgrep", {"-f", encoder}) == 0, 10000);
    QVERIFY(::kill(-pid_t(child.processId()), SIGINT) == 0);
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 130);
    QCOMPARE(child.readAllStandardOutput().trimmed(),
             QByteArray("Distribution cancelled: 0 of 3 sounds done."));
    QVERIFY(f.numberedFiles().isEmpty());
    QVERIFY(hiddenFiles(f.game()).isEmpty());
    QVERIFY(!QFile::exists(f.game("SoundList.dat")));
    QCOMPARE(QProcess::execute("pgrep", {"-f", encoder}), 1);
}

void TestDistribution::resultAsJson()
{
    Fixture f;
    f.add(f.source("Door.mp3"), 5, "door");
    f.add(f.source("Gone.mp3"), 6, QByteArray());
    const QJsonObject json = DistributionResultJson(f.run());

    QCOMPARE(json.value("title").toString(), QStringLiteral("Errors During Copy!"));
    QCOMPARE(json.value("sounds").toInt(), 2);
    QCOMPARE(json.value("copied").toInt(), 1);
    QCOMPARE(json.value("errors").toArray().size(), 1);
    QVERIFY(json.value("errors").toArray().first().toString().startsWith(f.source("Gone.mp3")));
    QCOMPARE(json.value("cancelled").toBool(), false);
    QCOMPARE(json.value("upToDate").toInt(), 0);
}

QTEST_GUILESS_MAIN(TestDistribution)
#include "tst_distribution.moc"
