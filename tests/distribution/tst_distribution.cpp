#include "catalogue/FileUtils.h"
#include "catalogue/SoundTable.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace sonquill;
using test::readFile;
using test::writeFile;

namespace {

const QByteArray kCodeHeader = "//To avoid having to distribute SoundList.DAT with your game,\r\n"
                               "//Copy/paste this code in the Game_start section of the Sonquill "
                               "module\r\n"
                               "//and replace the 'LoadSoundNames();' call.\r\n"
                               " \r\n";

// Stands in for the encoder: records each command and, like a custom template "enc %1 %2",
// writes outputBytes bytes to the destination (none when negative).
class FakeRunner : public ProcessRunner
{
public:
    struct Call
    {
        QString command;
        bool hideWindow;
        int timeoutMs;
    };

    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &) override
    {
        calls.append({commandLine, hideWindow, timeoutMs});
        const QStringList parts = QProcess::splitCommand(commandLine);
        if (outputBytes >= 0 && parts.size() >= 3) {
            QFile output(parts.at(2)); // never creates a missing folder, as an encoder would not
            if (output.open(QIODevice::WriteOnly))
                output.write(QByteArray(outputBytes, 'o'));
        }
        return result;
    }

    QList<Call> calls;
    qint64 outputBytes = 1500;
    RunResult result{RunResult::Outcome::Finished, 0, false};
};

// A game folder and a source folder in one temporary folder, and the run's collaborators.
struct Fixture
{
    Fixture()
    {
        QDir(dir.path()).mkpath(QStringLiteral("game"));
        QDir(dir.path()).mkpath(QStringLiteral("sfx"));
        options.ogg.UseCustom = 1;
        options.ogg.CustomPath = QStringLiteral("enc %1 %2");
    }

    QString game() const { return dir.filePath(QStringLiteral("game")); }
    QString inGame(const QString &name) const { return game() + QLatin1Char('/') + name; }
    QString source(const QString &name) const
    {
        return dir.filePath(QStringLiteral("sfx/") + name);
    }

    // Adds a sound whose source is written with the given bytes (no file when bytes is null).
    void add(const QString &path, qint16 number, const QByteArray &bytes, float size = -2.0f)
    {
        if (!bytes.isNull())
            writeFile(path, bytes);
        SoundRecord record;
        record.name = NameFromPath(path);
        record.filename = path;
        record.number = number;
        record.size = size == -2.0f ? float(bytes.isNull() ? -1 : bytes.size()) : size;
        records.append(record);
    }

    DistributionResult run(const QString &folder = {})
    {
        SoundTable table;
        table.replaceAll(records);
        return Distribute(table, folder.isNull() ? game() : folder, options,
                          {ui, progress, runner});
    }

    QStringList numberedFiles() const
    {
        QStringList names =
            QDir(game()).entryList({QStringLiteral("SOUND*")}, QDir::Files | QDir::CaseSensitive);
        names.sort();
        return names;
    }

    QTemporaryDir dir;
    QList<SoundRecord> records;
    DistributionOptions options;
    test::ScriptedUi ui;
    test::RecordingProgress progress;
    FakeRunner runner;
};

QString line(const QString &file, int number, const QString &description)
{
    return QStringLiteral("%1 (#%2) : %3\r\n").arg(file).arg(number).arg(description);
}

const QString kEncodingFailed =
    QStringLiteral("OGG encoding was unsuccessful (or took longer than 60 seconds).");

} // namespace

class TestDistribution : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copyOrEncode_data();
    void copyOrEncode();
    void realEncoder_data();
    void realEncoder();
    void scriptOutputs_data();
    void scriptOutputs();
    void progressAndMessages_data();
    void progressAndMessages();
    void hideWindowFlag_data();
    void hideWindowFlag();
    void failedSounds_data();
    void failedSounds();
    void missingGameFolder();
    void pendingListFailure();
    void sourceFilesAreNeverReplaced();
    void clearNumberedFiles_data();
    void clearNumberedFiles();
};

void TestDistribution::copyOrEncode_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("oggUse");
    QTest::addColumn<int>("minSize");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("wav, ogg off: extension lower-cased")
        << "Door.WAV" << 5000 << false << 4 << QStringList{"SOUND5.wav"};
    QTest::newRow("3999 bytes are copied")
        << "Door.wav" << 3999 << true << 4 << QStringList{"SOUND5.wav"};
    QTest::newRow("4000 bytes are encoded")
        << "Door.wav" << 4000 << true << 4 << QStringList{"SOUND5.ogg"};
    QTest::newRow("MinSize 100: 100000 bytes encoded")
        << "Door.wav" << 100000 << true << 100 << QStringList{"SOUND5.ogg"};
    QTest::newRow("mp3 never encoded")
        << "Door.mp3" << 500000 << true << 0 << QStringList{"SOUND5.mp3"};
    QTest::newRow("extension with blanks")
        << "Door.Voc " << 100 << true << 0 << QStringList{"SOUND5.voc"};
}

void TestDistribution::copyOrEncode()
{
    QFETCH(QString, fileName);
    QFETCH(int, bytes);
    QFETCH(bool, oggUse);
    QFETCH(int, minSize);
    QFETCH(QStringList, expected);

    Fixture f;
    const QByteArray content = test::makeWav(bytes);
    f.add(f.source(fileName), 5, content);
    f.options.OggUse = oggUse;
    f.options.ogg.MinSize = qint16(minSize);
    const DistributionResult result = f.run();

    QCOMPARE(f.numberedFiles(), expected);
    QCOMPARE(result.ErrorText, QString());
    if (expected.first().endsWith(QLatin1String(".ogg"))) {
        QCOMPARE(f.runner.calls.size(), 1);
        QCOMPARE(f.runner.calls.first().command,
                 "enc " + f.source(fileName) + " " + f.inGame("SOUND5.ogg"));
    } else {
        QCOMPARE(f.runner.calls.size(), 0);
        QCOMPARE(readFile(f.inGame(expected.first())), content);
    }
}

void TestDistribution::realEncoder_data()
{
    QTest::addColumn<qint16>("useCustom");
    QTest::addColumn<QString>("customPath");

    QTest::newRow("built-in, found on the search path") << qint16(0) << QString();
    QTest::newRow("custom template") << qint16(1) << "oggenc -Q %1 -o %2";
}

void TestDistribution::realEncoder()
{
    QFETCH(qint16, useCustom);
    QFETCH(QString, customPath);

    Fixture f;
    SystemProcessRunner realRunner;
    f.add(f.source("Small.wav"), 1, test::makeWav(3999));
    f.add(f.source("Large.wav"), 2, test::makeWav(4000));
    f.options.OggUse = true;
    f.options.ogg.UseCustom = useCustom;
    f.options.ogg.CustomPath = customPath;
    f.options.programFolder = f.dir.filePath("sfx"); // holds no oggenc2
    SoundTable table;
    table.replaceAll(f.records);
    const DistributionResult result =
        Distribute(table, f.game(), f.options, {f.ui, f.progress, realRunner});

    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND1.wav", "SOUND2.ogg"}));
    QCOMPARE(readFile(f.inGame("SOUND1.wav")), test::makeWav(3999));
    const QByteArray ogg = readFile(f.inGame("SOUND2.ogg"));
    QVERIFY(ogg.startsWith("OggS"));
    QVERIFY(ogg.left(200).contains("vorbis"));
    const QString encodedKb = QString::number(qint64(RoundHalfEven(ogg.size() / 1000.0)));
    QCOMPARE(result.summaryText, "Copying/Encoding of 2 files was successful.\r\n\r\n"
                                 "Ogg-encoding compressed wav's from 4 kB to " +
                                     encodedKb + " kB.");
    QCOMPARE(f.ui.messages.size(), 1); // the summary, no "encoder not found"
}

void TestDistribution::scriptOutputs_data()
{
    QTest::addColumn<QList<qint16>>("numbers");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("soundList");
    QTest::addColumn<QByteArray>("soundCode");

    QTest::newRow("empty table") << QList<qint16>{} << QStringList{} << QByteArray("")
                                 << kCodeHeader + "NumSounds = 0; \r\n";
    QTest::newRow("one sound") << QList<qint16>{3} << QStringList{"Door"}
                               << QByteArray("0003\r\nDoor\r\n")
                               << kCodeHeader + "NumSounds = 3; \r\n"
                                                "StrCopy(SoundNames[3].Name, \"Door\");\r\n";
    QTest::newRow("table order, highest number, names unescaped")
        << QList<qint16>{12, 4, 120, 7} << QStringList{"Say \"hi\"", "C:\\x", "", "Caf\u00e9"}
        << QByteArray("0012\r\nSay \"hi\"\r\n0004\r\nC:\\x\r\n0120\r\n\r\n0007\r\nCaf\xe9\r\n")
        << kCodeHeader + "NumSounds = 120; \r\n"
                         "StrCopy(SoundNames[12].Name, \"Say \"hi\"\");\r\n"
                         "StrCopy(SoundNames[4].Name, \"C:\\x\");\r\n"
                         "StrCopy(SoundNames[120].Name, \"\");\r\n"
                         "StrCopy(SoundNames[7].Name, \"Caf\xe9\");\r\n";
}

void TestDistribution::scriptOutputs()
{
    QFETCH(QList<qint16>, numbers);
    QFETCH(QStringList, names);
    QFETCH(QByteArray, soundList);
    QFETCH(QByteArray, soundCode);

    Fixture f;
    writeFile(f.inGame("SoundList.dat"), "old content that must go");
    for (int i = 0; i < numbers.size(); ++i) {
        f.add(f.source(QStringLiteral("s%1.mp3").arg(i)), numbers[i], "x");
        f.records.last().name = names[i];
    }
    f.run();

    QCOMPARE(readFile(f.inGame("SoundList.dat")), soundList);
    QCOMPARE(readFile(f.inGame("SoundCode.txt")), soundCode);
    QVERIFY(QFile::exists(f.inGame("SoundInfo.dat")));
}

void TestDistribution::progressAndMessages_data()
{
    QTest::addColumn<int>("wavs");
    QTest::addColumn<bool>("oggUse");
    QTest::addColumn<qint16>("useCustom");
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<QStringList>("messages"); // "title|text|icon"

    const QString copied = "Copying Complete|Copying/Encoding of %1 files was successful.";
    const QString sizes = "\r\n\r\nOgg-encoding compressed wav's from %1 kB to %2 kB.";
    QTest::newRow("empty table") << 0 << false << qint16(1)
                                 << QStringList{"show|Distributing Files|Copying 0 files...|0|0",
                                                "close"}
                                 << QStringList{copied.arg(0) + "|0"};
    QTest::newRow("three sounds, ogg on")
        << 3 << true << qint16(1)
        << QStringList{"show|Distributing Files|Copying/Encoding 3 files...|3|0", "advance|1",
                       "advance|1", "advance|1", "close"}
        << QStringList{copied.arg(3) + sizes.arg(15).arg(4) + "|0"};
    QTest::newRow("built-in encoder not found: copied")
        << 1 << true << qint16(0)
        << QStringList{"show|Distributing Files|Copying/Encoding 1 files...|1|0", "advance|1",
                       "close"}
        << QStringList{"Error in Ogg Encoder|The OGG encoder, 'oggenc', was not found in the "
                       "program's directory or on the search path. Ogg encoding will not be "
                       "done.|0",
                       copied.arg(1) + sizes.arg(0).arg(0) + "|0"};
}

void TestDistribution::progressAndMessages()
{
    QFETCH(int, wavs);
    QFETCH(bool, oggUse);
    QFETCH(qint16, useCustom);
    QFETCH(QStringList, progress);
    QFETCH(QStringList, messages);

    Fixture f;
    for (int i = 1; i <= wavs; ++i)
        f.add(f.source(QStringLiteral("s%1.wav").arg(i)), qint16(i), test::makeWav(5000));
    f.options.OggUse = oggUse;
    f.options.ogg.UseCustom = useCustom;
    f.options.programFolder = f.game();
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(f.game()));
    const DistributionResult result = f.run();
    qputenv("PATH", searchPath);

    QCOMPARE(f.progress.calls, progress);
    QStringList shown;
    for (const MessageRequest &message : std::as_const(f.ui.messages)) {
        shown.append(message.title + "|" + message.text + "|" + QString::number(int(message.icon)));
        QCOMPARE(message.buttons, QList<MessageRequest::Button>{MessageRequest::Button::Ok});
    }
    QCOMPARE(shown, messages);
    QCOMPARE(f.numberedFiles().size(), wavs);
    QVERIFY(!result.soundFailed);
    QVERIFY(!result.saveFailed);
}

void TestDistribution::hideWindowFlag_data()
{
    QTest::addColumn<float>("size");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("1,999,999 bytes: hidden") << 1999999.0f << true;
    QTest::newRow("2,000,000 bytes: shown") << 2000000.0f << false;
}

void TestDistribution::hideWindowFlag()
{
    QFETCH(float, size);
    QFETCH(bool, hidden);

    Fixture f;
    f.add(f.source("Door.wav"), 1, "RIFF", size);
    f.options.OggUse = true;
    f.options.timeoutMs = 1234;
    f.run();

    QCOMPARE(f.runner.calls.size(), 1);
    QCOMPARE(f.runner.calls.first().hideWindow, hidden);
    QCOMPARE(f.runner.calls.first().timeoutMs, 1234);
}

void TestDistribution::failedSounds_data()
{
    QTest::addColumn<QString>("encoderScript"); // empty: no encoding
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<bool>("sourceExists");
    QTest::addColumn<QString>("expectedError"); // %1 the source path
    QTest::addColumn<bool>("copied");           // SOUND5.wav now holds the source

    QTest::newRow("missing source, old copy kept")
        << QString() << "Gone.wav" << false
        << "%1 (#5) : The source file cannot be read: No such file or directory\r\n"
        << false;
    QTest::newRow("source without extension")
        << QString() << "Boom" << true
        << "%1 (#5) : The source file has no extension to name its copy by.\r\n"
        << false;
    QTest::newRow("encoder writes nothing: .wav fallback")
        << "exit 0"
        << "Door.wav" << true << "%1 (#5) : " + kEncodingFailed + "\r\n"
        << true;
    QTest::newRow("encoder crashes after writing a part: part removed")
        << "printf OggS > \"$2\"\nkill -SEGV $$"
        << "Door.wav" << true << "%1 (#5) : " + kEncodingFailed + "\r\n"
        << true;
    QTest::newRow("encoder fails with exit code 1")
        << "printf OggS > \"$2\"\nexit 1"
        << "Door.wav" << true << "%1 (#5) : " + kEncodingFailed + "\r\n"
        << true;
    QTest::newRow("encoder cannot be started: .wav fallback")
        << "<not executable>"
        << "Door.wav" << true << "%1 (#5) : " + kEncodingFailed + "\r\n"
        << true;
}

void TestDistribution::failedSounds()
{
    QFETCH(QString, encoderScript);
    QFETCH(QString, sourceName);
    QFETCH(bool, sourceExists);
    QFETCH(QString, expectedError);
    QFETCH(bool, copied);

    Fixture f;
    SystemProcessRunner realRunner;
    const QByteArray oldCopy = "an older SOUND5.wav that must survive a failed copy";
    writeFile(f.inGame("SOUND5.wav"), oldCopy);
    const QByteArray wav = test::makeWav(8000);
    f.add(f.source(sourceName), 5, sourceExists ? wav : QByteArray());
    if (!encoderScript.isEmpty()) {
        const QString script = f.dir.filePath("encoder.sh");
        writeFile(script, "#!/bin/sh\n" + encoderScript.toUtf8() + "\n");
        if (encoderScript != QLatin1String("<not executable>"))
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        f.options.OggUse = true;
        f.options.ogg.CustomPath = script + " %1 %2";
    }
    SoundTable table;
    table.replaceAll(f.records);
    const DistributionResult result =
        Distribute(table, f.game(), f.options, {f.ui, f.progress, realRunner});

    QCOMPARE(result.ErrorText, expectedError.arg(f.source(sourceName)));
    QCOMPARE(f.ui.messages.last().title, QStringLiteral("Errors During Copy!"));
    QCOMPARE(f.ui.messages.last().icon, MessageRequest::Icon::Exclamation);
    QVERIFY(result.soundFailed);
    QCOMPARE(f.numberedFiles(), QStringList{"SOUND5.wav"}); // no .ogg part left behind
    QCOMPARE(readFile(f.inGame("SOUND5.wav")), copied ? wav : oldCopy);
    // The names list is written whatever happened to the file.
    QCOMPARE(readFile(f.inGame("SoundList.dat")),
             "0005\r\n" + NameFromPath(sourceName).toUtf8() + "\r\n");
}

void TestDistribution::missingGameFolder()
{
    Fixture f;
    f.add(f.source("Copy.mp3"), 1, "mp3");
    f.add(f.source("Encode.wav"), 2, test::makeWav(5000));
    f.options.OggUse = true;
    const QString folder = f.dir.filePath("no such folder");
    const DistributionResult result = f.run(folder);

    const QStringList lines = result.ErrorText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith(f.source("Copy.mp3") + " (#1) : SOUND1.mp3 cannot be created: "));
    QCOMPARE(lines[1], f.source("Encode.wav") + " (#2) : " + kEncodingFailed);
    QVERIFY(lines[2].startsWith(f.source("Encode.wav") + " (#2) : SOUND2.wav cannot be created: "));
    QVERIFY(result.saveFailed);
    QCOMPARE(f.ui.messages.size(), 2);
    QCOMPARE(f.ui.messages[0].title, QStringLiteral("Errors During Copy!"));
    QCOMPARE(f.ui.messages[1].title, QStringLiteral("Error!"));
    QVERIFY(f.ui.messages[1].text.contains("Raised while Saving the SoundInfo.DAT file"));
    QVERIFY(!QFileInfo::exists(folder));
}

void TestDistribution::pendingListFailure()
{
    // SoundList.dat cannot be created: the failure waits for the next sound that is only
    // copied; an encoded sound clears it unreported.
    Fixture f;
    QDir(f.game()).mkdir("SoundList.dat");
    f.add(f.source("One.mp3"), 1, "mp3");
    f.add(f.source("Two.wav"), 2, test::makeWav(5000));
    f.add(f.source("Three.mp3"), 3, "mp3");
    f.options.OggUse = true;
    const DistributionResult result = f.run();

    const QStringList lines = result.ErrorText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(f.source("One.mp3") + " (#1) : SoundList.dat cannot be created"));
    QVERIFY(lines[1].startsWith(f.source("Three.mp3") + " (#3) : SoundList.dat cannot be created"));
    QCOMPARE(f.numberedFiles(), (QStringList{"SOUND1.mp3", "SOUND2.ogg", "SOUND3.mp3"}));
    QVERIFY(readFile(f.inGame("SoundCode.txt"))
                .endsWith("StrCopy(SoundNames[3].Name, \"Three\");\r\n"));
}

void TestDistribution::sourceFilesAreNeverReplaced()
{
    Fixture f;
    const QByteArray own = test::makeWav(3000);
    const QByteArray other = "sound 3 lives in the game folder";
    const QByteArray oggSource = "OggS of sound 2";
    f.add(f.inGame("SOUND5.wav"), 5, own);   // already its own target
    f.add(f.inGame("SOUND7.wav"), 3, other); // would be overwritten by sound 7
    f.add(f.source("Seven.wav"), 7, test::makeWav(1000));
    f.add(f.inGame("SOUND8.ogg"), 2, oggSource); // would be replaced by encoding sound 8
    f.add(f.source("Eight.wav"), 8, test::makeWav(9000));
    f.options.OggUse = true;
    f.options.ogg.MinSize = 5;
    const DistributionResult result = f.run();

    QCOMPARE(result.ErrorText,
             line(f.source("Seven.wav"), 7,
                  "SOUND7.wav was not replaced because it is the source file of sound #3") +
                 line(f.source("Eight.wav"), 8,
                      "SOUND8.ogg was not replaced because it is the source file of sound #2"));
    QCOMPARE(readFile(f.inGame("SOUND5.wav")), own);
    QCOMPARE(readFile(f.inGame("SOUND7.wav")), other);
    QCOMPARE(readFile(f.inGame("SOUND8.ogg")), oggSource);
    QCOMPARE(readFile(f.inGame("SOUND3.wav")), other);
    QCOMPARE(readFile(f.inGame("SOUND2.ogg")), oggSource);
    QCOMPARE(readFile(f.inGame("SOUND8.wav")), test::makeWav(9000)); // the fallback copy
    QCOMPARE(f.runner.calls.size(), 0);
}

void TestDistribution::clearNumberedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("deleted");

    QTest::newRow("SOUND5.ogg") << "SOUND5.ogg" << true;
    QTest::newRow("any case, several dots") << "sound123.Old.MP3" << true;
    QTest::newRow("empty extension") << "SOUND7." << true;
    QTest::newRow("leading zero") << "SOUND05.ogg" << false;
    QTest::newRow("above 999") << "SOUND1000.ogg" << false;
    QTest::newRow("no dot") << "SOUND12" << false;
    QTest::newRow("not a number") << "SOUNDX.wav" << false;
    QTest::newRow("source of a sound") << "SOUND3.wav" << false;
}

void TestDistribution::clearNumberedFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, deleted);

    Fixture f;
    writeFile(f.inGame(name), "x");
    writeFile(f.inGame("SOUND3.wav"), "source of sound 9");
    writeFile(f.source("SOUND6.wav"), "a source outside the game folder");
    QDir(f.game()).mkdir("SOUND8.dir");
    f.add(f.inGame("SOUND3.wav"), 9, "source of sound 9");
    SoundTable table;
    table.replaceAll(f.records);

    QStringList skipped;
    const int count = ClearNumberedFiles(f.game(), table, &skipped);

    QCOMPARE(QFile::exists(f.inGame(name)), !deleted);
    QCOMPARE(count, deleted ? 1 : 0);
    QCOMPARE(skipped, QStringList{"SOUND3.wav"});
    QVERIFY(QFile::exists(f.inGame("SOUND3.wav")));
    QVERIFY(QFileInfo(f.inGame("SOUND8.dir")).isDir());
    QCOMPARE(ClearNumberedFiles(f.dir.filePath("missing"), table, nullptr), 0);
}

QTEST_GUILESS_MAIN(TestDistribution)
#include "tst_distribution.moc"
