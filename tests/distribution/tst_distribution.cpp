#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>

Q_DECLARE_METATYPE(sonquill::OggSettings)

using namespace sonquill;
using test::makeWav;
using test::readFile;
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
        return {RunResult::Outcome::Finished, 0, false};
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
        const QString target = folder.isNull() ? game() : folder;
        // The run ends by saving the catalogue, as both front ends have it do.
        const auto save = [&] { return !SaveSoundInfo(sounds, SoundInfoPath(target), ui); };
        return Distribute(sounds, target, options, {ui, progress, *runner, save});
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

    QCOMPARE(f.fake.calls, QStringList{QStringLiteral("enc %1 %2|%3|1234")
                                           .arg(f.source("Door.wav"), f.game("SOUND5.ogg"))
                                           .arg(hidden)});
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

    QTest::newRow("writes nothing") << QByteArray("exit 0") << 60000;
    QTest::newRow("crashes after writing a part")
        << QByteArray("echo OggS > \"$2\"; kill -SEGV $$") << 60000;
    QTest::newRow("exits with 1 after writing a part")
        << QByteArray("echo OggS > \"$2\"; exit 1") << 60000;
    QTest::newRow("cannot be started") << QByteArray() << 60000;
    QTest::newRow("outlives a short wait: not killed, the run goes on")
        << QByteArray("sleep 2; cp \"$1\" \"$2\"") << 300;
}

void TestDistribution::failedEncoder()
{
    QFETCH(QByteArray, script);
    QFETCH(int, timeoutMs);

    Fixture f;
    const QString encoder = f.dir.filePath("encoder.sh");
    writeScript(encoder, script, !script.isEmpty());
    f.add(f.source("Door.wav"), 5, makeWav(8000));
    f.add(f.source("Bell.mp3"), 6, "mp3");
    f.options.OggUse = true;
    f.options.ogg.CustomPath = encoder + " %1 %2";
    f.options.timeoutMs = timeoutMs;
    f.runner = &f.real;
    const DistributionResult result = f.run();

    QCOMPARE(result.ErrorText,
             f.source("Door.wav") +
                 QStringLiteral(" (#5) : OGG encoding was unsuccessful (or took longer than %1 "
                                "seconds).\r\n")
                     .arg(timeoutMs / 1000.0));
    QCOMPARE(f.ui.messages.last().title, QStringLiteral("Errors During Copy!"));
    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND5.wav", "SOUND6.mp3"})); // no .ogg part left
    QCOMPARE(readFile(f.game("SOUND5.wav")), makeWav(8000));
    if (timeoutMs < 1000) { // left running: it finishes its file and is reaped
        QTRY_COMPARE_WITH_TIMEOUT(readFile(f.game("SOUND5.ogg")), makeWav(8000), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(noChildLeft(), 10000);
    }
}

void TestDistribution::missingGameFolder()
{
    Fixture f;
    f.add(f.source("Copy.mp3"), 1, "mp3");
    f.add(f.source("Encode.wav"), 2, makeWav(5000));
    f.options.OggUse = true;
    const QString folder = f.dir.filePath("no such folder");
    const QStringList lines = f.run(folder).ErrorText.split("\r\n", Qt::SkipEmptyParts);

    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(f.source("Copy.mp3") + " (#1) : SOUND1.mp3 cannot be created: "));
    QCOMPARE(lines[1],
             f.source("Encode.wav") +
                 " (#2) : OGG encoding was unsuccessful (or took longer than 60 seconds).");
    QVERIFY(lines[2].startsWith(f.source("Encode.wav") + " (#2) : SOUND2.wav cannot be created: "));
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

QTEST_GUILESS_MAIN(TestDistribution)
#include "tst_distribution.moc"
