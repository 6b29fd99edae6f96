#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "distribution/ClearFiles.h"
#include "distribution/Distribution.h"
#include "distribution/FileCopy.h"
#include "distribution/Manifest.h"
#include "distribution/SystemProcessRunner.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// A game folder and a source folder in one temporary folder, and the run's collaborators.
struct Fixture
{
    explicit Fixture(const QString &gameName = "game") : gameFolder(dir.filePath(gameName))
    {
        QDir().mkpath(gameFolder);
        options.catalogueWhole = true;
    }
    QString game(const QString &name = {}) const { return QDir(gameFolder).filePath(name); }
    QString source(const QString &name) const { return dir.filePath("sfx/" + name); }

    // Adds a sound whose source holds bytes (no file when bytes is null); size < 0: their size.
    void add(const QString &path, qint16 number, const QByteArray &bytes, float size = -1.0f)
    {
        if (!bytes.isNull())
            writeFile(path, bytes);
        records.append(
            {NameFromPath(path), path, number, 0, {}, 0, size < 0 ? float(bytes.size()) : size});
    }
    // A run as a front end makes it: the summary shown, then the catalogue saved.
    DistributionResult run()
    {
        SoundTable sounds;
        sounds.replaceAll(records);
        const DistributionResult result =
            Distribute(sounds, gameFolder, options, {progress, runner, cancelled});
        MessageRequest summary;
        summary.title = result.summaryTitle;
        summary.text = result.summaryText;
        ui.showMessage(summary);
        if (!result.cancelled)
            (void)SaveSoundInfo(sounds, SoundInfoPath(gameFolder), ui);
        return result;
    }
    // Encodes with a shell script given its body (not executable when empty).
    void encoder(const QByteArray &body)
    {
        const QString path = dir.filePath("encoder.sh");
        writeFile(path, "#!/bin/sh\n" + body + "\n");
        if (!body.isEmpty())
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        options.OggUse = true;
        options.ogg = {.UseCustom = 1, .CustomPath = path + " %1 %2"};
    }
    // Whether an encoder still runs, or a child of this process was never reaped.
    bool encoderLeft() const
    {
        siginfo_t info{};
        return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != -1 || errno != ECHILD ||
               QProcess::execute("pgrep", {"-f", dir.filePath("encoder.sh")}) == 0;
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
    SystemProcessRunner runner;
    std::function<bool()> cancelled;
};

// Each numbered file's last change (a file made again is a new file, renamed into place) and
// content; for an Ogg file its decoded samples: its bytes differ from run to run (the stream
// serial is random), its sound must not.
QMap<QString, std::pair<QDateTime, QByteArray>> snapshot(const Fixture &f)
{
    QMap<QString, std::pair<QDateTime, QByteArray>> result;
    QTemporaryDir decoded;
    for (const QString &name : f.numberedFiles()) {
        const QString path = f.game(name), wav = decoded.filePath(name + ".wav");
        const bool ogg = name.endsWith(".ogg");
        if (!ogg || runTool("oggdec", {"-Q", "-o", wav, path}) == 0)
            result.insert(name, {QFileInfo(path).metadataChangeTime(), readFile(ogg ? wav : path)});
    }
    return result;
}

} // namespace

class TestDistribution : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void everyKindOfSound_data()
    {
        QTest::addColumn<QString>("encoderAt");  // for a stand-in oggenc2 ("->": a dead link)
        QTest::addColumn<QString>("customPath"); // empty: the built-in command
        // clang-format off
        QTest::newRow("built-in beside the program") << "sfx/oggenc2" << QString();
        QTest::newRow("built-in in the parent folder") << "oggenc2" << QString();
        QTest::newRow("built-in on the search path") << QString() << QString();
        QTest::newRow("a dangling oggenc2 beside the program: the one on the search path") << "sfx/oggenc2 ->" << QString();
        QTest::newRow("custom template, names without blanks") << QString() << "oggenc -Q %1 -o %2";
        // clang-format on
    }

    void everyKindOfSound()
    {
        QFETCH(QString, encoderAt);
        QFETCH(QString, customPath);

        // Names with blanks, quotes, $(), ; and non-ASCII, which a template takes as they are.
        const bool oddNames = customPath.isEmpty();
        Fixture f(oddNames ? "game $(touch pwned1); touch pwned2 'x' \"q\" Spiel \u00e4" : "game");
        const QString prefix = oddNames ? "`touch pwned3` ; T\u00fcr \"\"\"knarrt\" $HOME " : "";
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
        writeFile(f.game("SOUND4.wav"), "an older copy");
        f.options.OggUse = true;
        f.options.ogg = {.MinSize = 4,
                         .UseCustom = qint16(customPath.isEmpty() ? 0 : 1),
                         .CustomPath = customPath};
        f.options.programFolder = f.dir.filePath("sfx");
        const QByteArray searchPath = qgetenv("PATH");
        if (encoderAt.endsWith(" ->")) {
            QVERIFY(QFile::link(f.dir.filePath("nowhere"), f.dir.filePath(encoderAt.chopped(3))));
        } else if (!encoderAt.isEmpty()) { // the only encoder to be found
            writeFile(f.dir.filePath(encoderAt), "#!/bin/sh\nexec /usr/bin/oggenc \"$@\"\n");
            QFile::setPermissions(f.dir.filePath(encoderAt), QFile::ReadOwner | QFile::ExeOwner);
            qputenv("PATH", QFile::encodeName(f.game()));
        }
        const QString workingFolder = QDir::currentPath();
        QDir::setCurrent(f.dir.path()); // where a command hidden in a name would leave its file
        f.run();
        QDir::setCurrent(workingFolder);
        qputenv("PATH", searchPath);

        QMap<QString, QByteArray> files;
        for (const QString &name : f.numberedFiles())
            files.insert(name, readFile(f.game(name)));
        const QByteArray ogg = files.take("SOUND2.ogg");
        QVERIFY(ogg.startsWith("OggS") && ogg.left(200).contains("vorbis"));
        // The older SOUND4.wav survives a failed copy; SOUND11.wav stands in for the .ogg.
        QCOMPARE(files, (QMap<QString, QByteArray>{{"SOUND1.wav", makeWav(3999)},
                                                   {"SOUND3.mp3", "mp3"},
                                                   {"SOUND4.wav", "an older copy"},
                                                   {"SOUND5.wav", makeWav(3000)},
                                                   {"SOUND6.voc", "voc"},
                                                   {"SOUND8.wav", makeWav(3000)},
                                                   {"SOUND9.wav", "sound 10"},
                                                   {"SOUND10.wav", "sound 10"},
                                                   {"SOUND11.ogg", "sound 12"},
                                                   {"SOUND11.wav", makeWav(9000)},
                                                   {"SOUND12.ogg", "sound 12"}}));
        const auto line = [&](const QString &name, int number, const QString &text) -> QString {
            return f.source(prefix + name) + QStringLiteral(" (#%1) : ").arg(number) + text +
                   "\r\n";
        };
        const QString notReplaced =
            "%1 was not replaced because it is the source file of sound #%2";
        const QString errors =
            line("Gone.wav", 4, "The source file cannot be read: No such file or directory") +
            line("Boom", 7, "The source file has no extension to name its copy by.") +
            line("Nine.wav", 9, notReplaced.arg("SOUND9.wav").arg(10)) +
            line("Eleven.wav", 11, notReplaced.arg("SOUND11.ogg").arg(12)) +
            line("Pipe.mp3", 13, "The source file cannot be read: it is not a regular file");
        const QString encodedKb = QString::number(qint64(RoundHalfEven(ogg.size() / 1000.0)));
        QCOMPARE(f.ui.messages[0].title + "|" + f.ui.messages[0].text,
                 "Errors During Copy!|" + errors +
                     "\r\n\r\nOgg-encoding compressed wav's from 4 kB to " + encodedKb +
                     " kB.\r\n\r\n1 sound was already up to date."); // SOUND8.wav, its own source
        QCOMPARE(QDir(f.dir.path()).entryList({"pwned*"}), QStringList());
    }

    void failedEncoder_data()
    {
        QTest::addColumn<QByteArray>("script"); // the encoder's; empty: not executable
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("error"); // after "<source> (#5) : "
        const QString failed = "OGG encoding was unsuccessful (or took longer than %1 seconds).";
        // clang-format off
        QTest::newRow("crashes after writing a part") << QByteArray("echo OggS > \"$2\"; kill -SEGV $$") << 60000 << failed.arg(60) + " The encoder was ended by a signal.";
        QTest::newRow("exits with 1 after writing a part: its last words") << QByteArray("echo OggS > \"$2\"; echo first >&2; echo Cannot read \"$1\" >&2; exit 1") << 60000 << failed.arg(60) + " The encoder exited with code 1: first / Cannot read %1.";
        QTest::newRow("exits with 0, having written nothing") << QByteArray("exit 0") << 60000 << failed.arg(60) + " The encoder wrote no file.";
        QTest::newRow("exits with 0, having written 0 bytes") << QByteArray(": > \"$2\"") << 60000 << failed.arg(60) + " The encoder wrote an empty file.";
        QTest::newRow("exits with 0, having written no Ogg") << QByteArray("echo RIFF > \"$2\"") << 60000 << failed.arg(60) + " The encoder's output is not an Ogg file.";
        QTest::newRow("cannot be started: its own line with the reason") << QByteArray() << 60000 << "OGG encoding was unsuccessful: the encoder could not be started: %2: Permission denied";
        QTest::newRow("outlives a short wait: ended with what it started, its part removed") << QByteArray("echo OggS > \"$2\"; sleep 30; cp \"$1\" \"$2\"") << 300 << failed.arg(0.3);
        QTest::newRow("ignores SIGTERM: killed after the grace time") << QByteArray("trap '' TERM; echo OggS > \"$2\"; while :; do sleep 0.05; done") << 300 << failed.arg(0.3);
        // clang-format on
    }

    void failedEncoder()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, timeoutMs);
        QFETCH(QString, error);

        Fixture f;
        f.encoder(script);
        f.add(f.source("Door.wav"), 5, makeWav(8000));
        f.add(f.source("Bell.mp3"), 6, "mp3");
        writeFile(f.game("SOUND5.ogg"), "made by an earlier run");
        f.options.timeoutMs = timeoutMs;
        const DistributionResult result = f.run();

        QCOMPARE(result.ErrorText, f.source("Door.wav") + " (#5) : " +
                                       QString(error)
                                           .replace("%1", f.source("Door.wav"))
                                           .replace("%2", f.dir.filePath("encoder.sh")) +
                                       "\r\n");
        // The .wav copy, and nothing half-written under a hidden name; the .ogg nobody can
        // prove an earlier run made stays, named.
        QCOMPARE(QDir(f.game()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"SOUND5.ogg", "SOUND5.wav", "SOUND6.mp3", "SoundCode.txt",
                              "SoundInfo.dat", "SoundList.dat"}));
        QCOMPARE(readFile(f.game("SOUND5.wav")), makeWav(8000));
        QCOMPARE(result.kept.value(0).name + " " + result.kept.value(0).reason,
                 "SOUND5.ogg not made by this catalogue");
        QVERIFY(!f.encoderLeft()); // nothing it started writes the .ogg later
    }

    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("errors"); // the start of each error line, in order
        QTest::addColumn<QStringList>("files");  // the numbered files afterwards
        const QStringList both{"SOUND3.mp3", "SOUND7.mp3"};
        const QString range =
            "%1 (#%2) : The number %2 is not between 1 and 999; no file was made.";
        const QString list = "SoundList.dat cannot be written: ",
                      code = "SoundCode.txt cannot be written: ";
        // clang-format off
        QTest::newRow("SoundList.dat is a folder") << "list folder" << QStringList{list} << both;
        QTest::newRow("SoundCode.txt is a link into a missing folder") << "code link" << QStringList{code} << both;
        QTest::newRow("SoundList.dat is the source of a sound: kept") << "list source" << QStringList{"SoundList.dat was not replaced because it is the source file of sound " "#9"} << both + QStringList{"SOUND9.dat"};
        QTest::newRow("numbers 0, -5, 1000 and a second 7: a line each, no file") << "numbers" << QStringList{range.arg("Zero.mp3").arg(0), range.arg("Minus.mp3").arg(-5), range.arg("Big.mp3").arg(1000), "Say \"hi\" Caf\u00e9.mp3 (#7) : The number 7 is already used by an earlier sound; no " "file was made."} << both;
        QTest::newRow("no game folder: every file, both lists and the catalogue") << "no folder" << QStringList{"Three.mp3 (#3) : SOUND3.mp3 cannot be created: ", "Seven.mp3 (#7) : SOUND7.mp3 cannot be created: ", list, code} << QStringList{};
        // clang-format on
    }

    void faults()
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
            f.add(f.source("Zero.mp3"), 0, "0");
            f.add(f.source("Minus.mp3"), -5, "-5");
            f.add(f.source("Big.mp3"), 1000, "1000");
            f.add(f.source("Say \"hi\" Caf\u00e9.mp3"), 7, "7");
        }
        if (fault == "no folder")
            QVERIFY(QDir(f.game()).removeRecursively());
        const DistributionResult result = f.run();

        const QStringList lines = result.ErrorText.split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), errors.size());
        for (qsizetype i = 0; i < errors.size(); ++i) {
            const QString expected = errors[i].contains(" (#") ? f.source(errors[i]) : errors[i];
            QVERIFY2(lines[i].startsWith(expected), qPrintable(lines[i]));
        }
        QCOMPARE(f.numberedFiles(), files);
        QCOMPARE(f.ui.messages.first().title, "Errors During Copy!");
        QCOMPARE(result.listsFailed, fault != "numbers");
        if (fault == "list source")
            QCOMPARE(readFile(f.game("SoundList.dat")), "the source of sound 9");
        // Both lists keep every entry, the names as they are, in Windows-1252.
        if (fault == "numbers") {
            QCOMPARE(readFile(f.game("SoundList.dat")),
                     "0003\r\nThree\r\n0007\r\nSeven\r\n0000\r\nZero\r\n-0005\r\nMinus\r\n"
                     "1000\r\nBig\r\n0007\r\nSay \"hi\" Caf\xe9\r\n");
            QCOMPARE(
                readFile(f.game("SoundCode.txt")),
                "//To avoid having to distribute SoundList.DAT with your game,\r\n//Copy/paste "
                "this code in the Game_start section of the Sonquill module\r\n//and replace "
                "the 'LoadSoundNames();' call.\r\n \r\nNumSounds = 1000; \r\n"
                "StrCopy(SoundNames[3].Name, \"Three\");\r\n"
                "StrCopy(SoundNames[7].Name, \"Seven\");\r\n"
                "StrCopy(SoundNames[0].Name, \"Zero\");\r\n"
                "StrCopy(SoundNames[-5].Name, \"Minus\");\r\n"
                "StrCopy(SoundNames[1000].Name, \"Big\");\r\n"
                "StrCopy(SoundNames[7].Name, \"Say \"hi\" Caf\xe9\");\r\n");
        }
        if (fault == "no folder") { // nothing made the folder; the catalogue's save failed too
            QCOMPARE(f.ui.messages.value(1).title, "Error!");
            QVERIFY(!QFileInfo::exists(f.game()));
        }
    }

    // (Which files count as numbered is the CLI's clean test.)
    void clearNamesWhatItCannotDelete()
    {
        Fixture f;
        // In a child, which gives up root first: root may delete anything.
        writeFile(f.game("SOUND5.ogg"), "stays");
        QVERIFY(::chmod(QFile::encodeName(f.dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(f.game()).constData(), 0555) == 0);
        const ChildResult child = runInChild([&] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return QStringList{"still root"};
            QStringList failed;
            const int deleted = ClearNumberedFiles(f.game(), {}, nullptr, &failed);
            return failed << QString::number(deleted);
        });
        ::chmod(QFile::encodeName(f.game()).constData(), 0755);
        QCOMPARE(child.failure + child.answer.join('|'), "SOUND5.ogg: Permission denied|0");
    }

    void onlyWhatChanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("remade");
        const QStringList encoded{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg", "SOUND4.ogg"};
        const QStringList all = encoded + QStringList{"SOUND5.wav", "SOUND7.mp3"};
        // clang-format off
        QTest::newRow("nothing changed: nothing rewritten") << "none" << QStringList{};
        QTest::newRow("a source touched") << "touch" << QStringList{"SOUND2.ogg"};
        QTest::newRow("a source replaced by a same-sized other file") << "same size" << QStringList{"SOUND7.mp3"};
        QTest::newRow("a target deleted") << "delete target" << QStringList{"SOUND3.ogg"};
        QTest::newRow("a target edited by hand") << "edit target" << QStringList{"SOUND5.wav"};
        QTest::newRow("the quality changed: the encoded ones, no copy") << "quality" << encoded;
        QTest::newRow("the record lost: everything") << "manifest" << all;
        QTest::newRow("forced: everything") << "force" << all;
        // clang-format on
    }

    // The first run has four encoders at once, the second one: the same files either way.
    void onlyWhatChanged()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, remade);

        Fixture f; // four sox tones to encode, a small WAV and an MP3-named file to copy
        QDir().mkpath(f.source(""));
        for (int i = 1; i <= 4; ++i) {
            const QString path = f.source(QStringLiteral("Tone%1.wav").arg(i));
            QCOMPARE(runTool(SONQUILL_SOX, {"-D", "-n", "-r", "22050", "-c", "1", "-b", "16", path,
                                            "synth", QString::number(0.5 + 0.25 * i), "sine",
                                            QString::number(300 + 100 * i)}),
                     0);
            f.add(path, qint16(i), QByteArray(), float(QFileInfo(path).size()));
        }
        f.add(f.source("Click.wav"), 5, makeWav(2000));
        f.add(f.source("Bell.mp3"), 7, "not really an mp3");
        f.options.OggUse = true;
        f.options.ogg = {.Quality = 2, .MinSize = 4};
        f.options.jobs = 4;
        const DistributionResult first = f.run();
        QCOMPARE(first.summaryTitle, QStringLiteral("Copying Complete"));
        const auto before = snapshot(f);

        if (change == "touch") {
            QCOMPARE(runTool("touch", {f.source("Tone2.wav")}), 0);
        } else if (change == "same size") {
            QVERIFY(writeFile(f.source("Bell.mp3"), "NOT REALLY AN MP3"));
        } else if (change == "delete target") {
            QVERIFY(QFile::remove(f.game("SOUND3.ogg")));
        } else if (change == "edit target") {
            QFile file(f.game("SOUND5.wav"));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(100) && file.write("x") == 1);
        } else if (change == "quality") {
            f.options.ogg.Quality = 5;
        } else if (change == "manifest") {
            QVERIFY(QFile::remove(Manifest::PathFor(f.game())));
        } else {
            f.options.force = change == "force";
        }
        f.options.jobs = 1;
        const DistributionResult second = f.run();

        const auto after = snapshot(f);
        QStringList changed;
        for (const QString &name : before.keys()) {
            if (before[name].first != after.value(name).first)
                changed << name;
            // What was made again is the same, whether made one at a time or four at once.
            if (change != "same size" && change != "quality")
                QVERIFY2(before[name].second == after.value(name).second, qPrintable(name));
        }
        QVERIFY2(changed == remade && after.keys() == before.keys(),
                 qPrintable(changed.join(", ")));
        QCOMPARE(f.progress.calls.count("advance|1"), 12); // each sound once a run
        // The summary reads as after a full run, with a last line for what was up to date.
        const QString upToDate = QStringLiteral("\r\n\r\n%1 sounds were already up to date.");
        if (change != "quality") // where the sizes differ
            QCOMPARE(second.summaryText,
                     first.summaryText +
                         (remade.size() < 6 ? upToDate.arg(6 - remade.size()) : ""));
        QVERIFY(QDir(f.game()).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    // Copies made over earlier ones write into the files they replace, never into one that has
    // a name elsewhere: a hard link to a target keeps what it held, a folder under a target's
    // name stays, and each copy is its source.
    void copiesOverEarlierOnes()
    {
        Fixture f;
        const auto source = [&](int i) { return f.source(QStringLiteral("S%1.mp3").arg(i)); };
        for (int i = 1; i <= 6; ++i)
            f.add(source(i), qint16(i), QByteArray(5000 * i, char('a' + i)));
        f.options.jobs = 2;
        QCOMPARE(f.run().summaryTitle, QStringLiteral("Copying Complete"));
        const QString linked = f.dir.filePath("linked.mp3");
        QCOMPARE(::link(qPrintable(f.game("SOUND1.mp3")), qPrintable(linked)), 0);
        // A folder of the author's under a target's name stays as it is.
        QVERIFY(QFile::remove(f.game("SOUND4.mp3")));
        QVERIFY(writeFile(f.game("SOUND4.mp3/notes.txt"), "notes"));
        for (int i = 1; i <= 6; ++i)
            QVERIFY(writeFile(source(i), QByteArray(100 * i, char('A' + i))));
        f.options.jobs = 1;
        const DistributionResult second = f.run();
        QCOMPARE(second.errors.size(), 1);
        QVERIFY2(second.errors.first().reason.startsWith("SOUND4.mp3 cannot be replaced"),
                 qPrintable(second.errors.first().reason));
        QCOMPARE(readFile(f.game("SOUND4.mp3/notes.txt")), QByteArray("notes"));
        for (int i : {1, 2, 3, 5, 6})
            QCOMPARE(readFile(f.game(QStringLiteral("SOUND%1.mp3").arg(i))), readFile(source(i)));
        QCOMPARE(readFile(linked), QByteArray(5000, 'b'));
        QVERIFY(QDir(f.game()).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    void cancel_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one encoder at a time") << 1;
        QTest::newRow("three encoders at once") << 3;
    }

    void cancel()
    {
        Fixture f;
        // Quick for the first sound, slow for the others.
        f.encoder("case \"$1\" in *S1.wav) ;; *) sleep 30 ;; esac; { printf OggS; cat \"$1\"; } > "
                  "\"$2\"");
        for (int i = 1; i <= 6; ++i)
            f.add(f.source(QStringLiteral("S%1.wav").arg(i)), qint16(i), makeWav(5000 + i));
        writeFile(f.game("SOUND6.ogg"), "from before");
        writeFile(f.game("SoundList.dat"), "old list");
        QFETCH(int, jobs);
        f.options.jobs = jobs;
        // Once the first sound is done, and the next encoders had time to start.
        f.cancelled = [&] { return f.progress.calls.contains("advance|1") && f.encoderLeft(); };
        const DistributionResult result = f.run();

        QCOMPARE(result.summaryText, QStringLiteral("Distribution cancelled: 1 of 6 sounds done."));
        QCOMPARE(QDir(f.game()).entryList(QDir::Files | QDir::Hidden), // nothing half-made
                 (QStringList{"SOUND1.ogg", "SOUND6.ogg", "SoundList.dat"}));
        QCOMPARE(readFile(f.game("SOUND6.ogg")) + readFile(f.game("SoundList.dat")),
                 "from beforeold list");
        QVERIFY(!f.encoderLeft());

        // The finished one was recorded: the next run leaves it alone.
        f.cancelled = {};
        f.encoder("{ printf OggS; cat \"$1\"; } > \"$2\"");
        QCOMPARE(f.run().upToDateCount, 1);

        // Renumbered, and copied now: all six that earlier runs made go, one made by hand stays.
        writeFile(f.game("SOUND40.wav"), "made by hand");
        f.records[0].number = 7;
        f.options.OggUse = false;
        const DistributionResult last = f.run();
        QCOMPARE(f.numberedFiles(),
                 (QStringList{"SOUND2.wav", "SOUND3.wav", "SOUND4.wav", "SOUND40.wav", "SOUND5.wav",
                              "SOUND6.wav", "SOUND7.wav"}));
        QCOMPARE(last.removed, (QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg", "SOUND4.ogg",
                                            "SOUND5.ogg", "SOUND6.ogg"}));
        QVERIFY2(last.summaryText.endsWith(
                     "\r\n\r\nRemoved, as earlier distributions made them for numbers no longer "
                     "in use: SOUND1.ogg, SOUND2.ogg, SOUND3.ogg, SOUND4.ogg, SOUND5.ogg, "
                     "SOUND6.ogg.\r\n\r\nLeft in place, as no sound makes them: SOUND40.wav (not "
                     "made by this catalogue)."),
                 qPrintable(last.summaryText));
    }

    // What the record keeps of made files comes back whole, whatever the source's path holds,
    // so that the next run knows them and can prove it made them. A record cut short or with
    // bytes after its end proves nothing: none of its entries is read, so none of its files
    // counts as made by this catalogue.
    void recordKeepsEveryPath_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("plain") << "/sfx/Boom.wav";
        QTest::newRow("quotes and backslashes") << R"(/sfx/say "hi" \ bye\.wav)";
        QTest::newRow("control characters") << "/sfx/tab\tline\nbell\x07 end\x1f.wav";
        QTest::newRow("non-ASCII") << QString::fromUtf8("/sfx/caf\u00e9 \u20ac 5/\u00fc.wav");
    }
    void recordKeepsEveryPath()
    {
        QFETCH(QString, source);
        const QTemporaryDir game;
        Manifest written = Manifest::Load(game.path());
        QVERIFY(written.records.isEmpty());
        MadeRecord encoded;
        encoded.source = source;
        encoded.how = "\"/usr/bin/oggenc\" \"" + source + "\" -o \"SOUND7.ogg\" -q3";
        encoded.sourceSize = 4000000000;
        encoded.sourceMtimeNs = 1796671591923444053;
        encoded.targetSize = 678;
        encoded.targetMtimeNs = 1796671592000000001;
        encoded.targetCtimeNs = 1796671592000000002;
        encoded.targetInode = 0xFFFFFFFFFFFFFFF0ull;
        MadeRecord copied = encoded;
        copied.how = "copy";
        written.records.insert("SOUND7.ogg", encoded);
        written.records.insert("SOUND12.wav", copied);
        QVERIFY(!written.Save());

        const Manifest read = Manifest::Load(game.path());
        QCOMPARE(read.records.size(), 2);
        QVERIFY(read.records.value("SOUND7.ogg") == encoded);
        QVERIFY(read.records.value("SOUND12.wav") == copied);

        const QByteArray bytes = readFile(Manifest::PathFor(game.path()));
        const QList<QByteArray> damages{bytes.left(bytes.size() - 1), bytes.left(bytes.size() / 2),
                                        bytes.left(14), bytes + QByteArray(1, '\0')};
        for (const QByteArray &damaged : damages) {
            QVERIFY(writeFile(Manifest::PathFor(game.path()), damaged));
            QVERIFY2(Manifest::Load(game.path()).records.isEmpty(),
                     qPrintable(QString::number(damaged.size())));
        }
    }

    // Sources stamped relative to their open folder tell what a stat of their whole path tells,
    // failures included.
    void folderStampsAsStat()
    {
        const QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("sfx/Boom.wav"), "boom"));
        QVERIFY(QFile::link(dir.filePath("sfx"), dir.filePath("linked")));
        QVERIFY(QFile::link(dir.filePath("sfx/Boom.wav"), dir.filePath("sfx/alias.wav")));
        QVERIFY(QDir::setCurrent(dir.path()));
        const QStringList paths{dir.filePath("sfx/Boom.wav"),
                                dir.filePath("linked/Boom.wav"),
                                dir.filePath("sfx/alias.wav"),
                                "sfx/Boom.wav",
                                "Boom.wav",
                                dir.filePath("sfx/Gone.wav"),
                                dir.filePath("gone/Boom.wav"),
                                dir.filePath("sfx/Boom.wav/x"),
                                dir.filePath("sfx/Boom.wav/"),
                                dir.filePath("sfx"),
                                "/"};
        FolderStamps stamps;
        for (int round = 0; round < 2; ++round) { // the second from open folders
            for (const QString &path : paths) {
                const FileStamp expected = StampOf(path);
                const FileStamp stamp = stamps.of(path);
                QVERIFY2(stamp.exists == expected.exists && stamp.error == expected.error &&
                             stamp.inode == expected.inode && stamp.size == expected.size &&
                             stamp.regular == expected.regular,
                         qPrintable(path));
            }
        }
    }

    // The JSON record of an earlier version is read, so an upgrade remakes nothing, and gives
    // way to the record of this version at the next save.
    void recordOfAnEarlierVersion()
    {
        const QTemporaryDir game;
        const QByteArray json = R"({"files":{"SOUND3.ogg":{"gainDb":-2.5,"how":"copy",)"
                                R"("source":"/sfx/Door.wav","sourceMtimeNs":"1796671591923444053",)"
                                R"("sourceSize":"4000000000","targetCtimeNs":"17966715920000002",)"
                                R"("targetInode":"-16",)"
                                R"("targetMtimeNs":"1796671592000000001","targetSize":"678"},)"
                                R"("../SOUND4.ogg":{"how":"copy"}},"format":2})";
        QVERIFY(QDir().mkpath(QFileInfo(Manifest::JsonPathFor(game.path())).path()));
        QVERIFY(writeFile(Manifest::JsonPathFor(game.path()), json));

        Manifest read = Manifest::Load(game.path());
        QCOMPARE(read.records.keys(), QStringList{"SOUND3.ogg"});
        const MadeRecord record = read.records.value("SOUND3.ogg");
        QCOMPARE(record.source, "/sfx/Door.wav");
        QCOMPARE(record.sourceSize, 4000000000);
        QCOMPARE(record.targetInode, 18446744073709551600ull);
        QCOMPARE(record.gainDb, -2.5);
        QVERIFY(!read.Save());
        QVERIFY(!QFile::exists(Manifest::JsonPathFor(game.path())));
        QVERIFY(Manifest::Load(game.path()).records.value("SOUND3.ogg") == record);
    }
};

QTEST_GUILESS_MAIN(TestDistribution)
#include "tst_distribution.moc"
