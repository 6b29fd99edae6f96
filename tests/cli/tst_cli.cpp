#include "storage/SoundInfoFile.h"
#include "support/CliWorld.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// sonquill-cli with no encoder on its search path. If Ctrl+C reaches the slow encoder, it leaves
// a mark.
struct Cli : CliWorld
{
    Cli() { environment.insert(QStringLiteral("PATH"), path("empty")); }

    // Starts a distribution of the game folder whose encoder sleeps `seconds` before copying, so
    // that it holds the folder's lock meanwhile.
    std::unique_ptr<QProcess> slowDistribution(int seconds, const QStringList &options = {}) const
    {
        script("slow.sh", "trap '/bin/touch " + path("got-ctrl-c").toUtf8() + "' INT\n/bin/sleep " +
                              QByteArray::number(seconds) +
                              "\n{ printf OggS; /bin/cat \"$1\"; } > \"$2\"");
        return start(QStringList{"-g", "@/game", "distribute", "--ogg"} + options +
                     QStringList{"--custom-command", path("slow.sh") + " %1 %2"});
    }
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyCommand()
    {
        Cli cli;
        QCOMPARE(cli.run({"--version"}).all(), "0|sonquill-cli " SONQUILL_VERSION "\n|");
        for (const char *help : {"help distribute", "distribute --help"}) {
            const QString shown = cli.run(QString(help).split(' ')).all();
            QVERIFY2(shown.startsWith("0|Usage: sonquill-cli [-g DIR] [--quiet] distribute") &&
                         shown.contains("SoundCode.txt"),
                     qPrintable(shown));
        }
        writeFile(cli.path("sfx/A.wav"), makeWav(6000)); // worth encoding
        writeFile(cli.path("sfx/B.mp3"), "B");
        writeFile(cli.path("sfx/D.ogg"), "D");
        writeFile(cli.path("game/SOUND9.wav"), "a source in the game folder");
        // A relative file name is stored as a full path; numbers are printed once saved.
        const QString relative = QDir::current().relativeFilePath(cli.path("sfx/A.wav"));
        QCOMPARE(cli.inGame({"add", relative, "@/sfx/B.mp3", "@/game/SOUND9.wav"}).out,
                 cli.expand("1\t@/sfx/A.wav\n2\t@/sfx/B.mp3\n3\t@/game/SOUND9.wav\n"));
        QCOMPARE(cli.inGame({"add", "--category", "Doors", "@/sfx/D.ogg"}).exitCode, 0);
        const QList<QStringList> commands{
            {"remove", "2"}, {"lock", "1", "3"}, {"unlock", "3"}, {"renumber", "3", "999"}};
        for (const QStringList &command : commands)
            QCOMPARE(cli.inGame(command).exitCode, 0);

        QCOMPARE(cli.inGame({"list"}).out, cli.expand("1\tX\tMisc\tA\t@/sfx/A.wav\n"
                                                      "999\t\tMisc\tSOUND9\t@/game/SOUND9.wav\n"
                                                      "4\t\tDoors\tD\t@/sfx/D.ogg\n"));
        const QJsonArray sounds =
            QJsonDocument::fromJson(cli.inGame({"list", "--format", "json"}).out.toUtf8())["sounds"]
                .toArray();
        // The facts of a file that cannot be read are null.
        QCOMPARE(QJsonDocument(sounds.at(2).toObject()).toJson(QJsonDocument::Compact),
                 cli.expand(R"({"category":"Doors","channels":null,"file":"@/sfx/D.ogg",)"
                            R"("format":null,"locked":false,"loudness":null,"name":"D","number":4,)"
                            R"("sampleRate":null,"seconds":null,"size":1,"truePeak":null})")
                     .toUtf8());
        QCOMPARE(cli.inGame({"lists"}).out,
                 cli.expand("@/game/AllSounds.txt\n@/game/LockedSounds.txt\n"
                            "@/game/WinampPlaylist.m3u\n"));

        // Asked to encode, with no encoder to be found: everything is copied, and a build script
        // learns that nothing was encoded.
        const Outcome distributed = cli.inGame({"distribute", "--ogg", "--json"});
        QCOMPARE(distributed.exitCode, 1);
        QVERIFY2(distributed.err.startsWith("sonquill-cli: Error in Ogg Encoder: The OGG encoder"),
                 qPrintable(distributed.err));
        const QJsonDocument summary = QJsonDocument::fromJson(distributed.out.toUtf8());
        QCOMPARE(summary["copied"].toInt(), 3);
        QVERIFY2(summary["text"].toString().endsWith("Nothing was encoded: the encoder was not "
                                                     "found, so the WAV files were copied."),
                 qPrintable(summary["text"].toString()));
        QCOMPARE(readFile(cli.path("game/SOUND1.wav")), makeWav(6000));
        // Only SOUND<n>.* files go, n from 1 to 999 without leading zeros, in any case; a source
        // stays.
        for (const char *name : {"SOUND5.wav", "sound123.Old.MP3", "SOUND7.", "SOUND05.ogg",
                                 "SOUND1000.ogg", "SOUND12", "SOUNDX.wav", "SOUND8.dir/x"})
            writeFile(cli.path("game/") + name, "made by hand");
        QCOMPARE(cli.inGame({"clean", "--yes"}).all(),
                 "0|Deleted 6 files.\n|sonquill-cli: kept SOUND9.wav: it is the source file of a "
                 "sound in the catalogue\n");
        QCOMPARE(QDir(cli.path("game"))
                     .entryList({"SOUND*"},
                                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::CaseSensitive),
                 (QStringList{"SOUND05.ogg", "SOUND1000.ogg", "SOUND12", "SOUND8.dir", "SOUND9.wav",
                              "SOUNDX.wav"}));

        // The check before distributing: an unreadable sound is an error a build script stops on.
        const Outcome check = cli.inGame({"check"});
        QCOMPARE(check.exitCode, 1);
        QVERIFY2(check.out.contains("#999 SOUND9: error: "), qPrintable(check.out));
        // A catalogue that cannot be saved: no numbers printed.
        QDir(cli.path("nosave")).mkpath("SoundInfo.dat");
        const QString unsaved = cli.run({"-g", "@/nosave", "add", "@/sfx/B.mp3"}).all();
        QVERIFY2(unsaved.startsWith("1||sonquill-cli: error "), qPrintable(unsaved));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments"); // in the game folder unless they start with -g
        QTest::addColumn<QString>("reason");        // the last line of the error output
        const auto row = [](const char *name, const QStringList &arguments, const QString &reason) {
            const bool elsewhere = arguments.value(0) == "-g";
            QTest::newRow(name) << (elsewhere ? arguments : QStringList{"-g", "@/game"} + arguments)
                                << reason;
        };
        row("unknown command", {"frob"}, "unknown command 'frob' (see --help)");
        row("mistyped command", {"lsit"}, "unknown command 'lsit' (did you mean 'list'?)");
        row("mistyped help topic", {"help", "distrbute"},
            "unknown command 'distrbute' (did you mean 'distribute'?)");
        row("mistyped option", {"list", "--frmat", "json"},
            "unknown option '--frmat' (did you mean '--format'?)");
        row("long option after one dash", {"-quiet", "list"},
            "unknown option '-quiet' (did you mean '--quiet'?)");
        row("file name that begins with a dash", {"add", "-dash.wav"},
            "unknown option '-dash.wav' (put -- before arguments that begin with '-')");
        row("missing folder", {"-g", "@/none", "list"}, "the game folder '@/none' does not exist");
        row("add a missing file", {"add", "@/sfx/A.wav", "@/sfx/none.wav"},
            "'@/sfx/none.wav' was not added: it is not a file");
        row("add a path with a tab", {"add", "@/sfx/A.wav", "@/sfx/Tab\tin.wav"},
            "'@/sfx/Tab\\tin.wav' was not added: its path holds a tab, line break or other "
            "control character");
        row("add a path with a line break", {"add", "@/sfx/Line\nbreak.wav"},
            "'@/sfx/Line\\nbreak.wav' was not added: its path holds a tab, line break or other "
            "control character");
        row("category with a line break", {"add", "--category", "Line\nBreak", "@/sfx/A.wav"},
            "the category 'Line\nBreak' cannot be stored: Names and categories cannot hold line "
            "breaks or tabs.");
        row("number with letters", {"renumber", "1", "12abc"}, "'12abc' is not a sound number");
        row("renumber locked", {"renumber", "2", "5"}, "sound #2 ('B') is locked; unlock it first");
        row("clean unconfirmed", {"clean"},
            "clean deletes every SOUND<n>.* file in the game folder; confirm with --yes");
        row("quality 11", {"distribute", "--quality", "11"},
            "--quality takes a whole number from 0 to 10");
        row("jobs 0", {"distribute", "--jobs", "0"}, "--jobs takes a whole number from 1 to 256");
        row("another command's option", {"list", "--yes"}, "--yes does not apply to list");
        row("a watch that is a dry run", {"distribute", "--watch", "--dry-run"},
            "--dry-run and --watch exclude each other");
        row("check, both --ogg and --no-ogg", {"check", "--ogg", "--no-ogg"},
            "--ogg and --no-ogg exclude each other");
        row("lists in an unknown order", {"lists", "--order", "size"},
            "--order takes number, name, category or table");
        row("loudness both off and given a target", {"distribute", "--no-loudness", "--target=-20"},
            "--no-loudness excludes --target");
        row("a rate not offered", {"check", "--max-rate", "16000"},
            "--max-rate takes 22050, 32000, 44100, 48000 or 0");
        row("a ceiling above full scale", {"distribute", "--ceiling", "3"},
            "--ceiling takes a number from -40 to 0");
        row("an offset without a category", {"distribute", "--category-offset", "-8"},
            "--category-offset takes CATEGORY=LU, an offset from -40 to 40, not '-8'");
        const QString damaged =
            "the catalogue '@/broken/SoundInfo.dat' cannot be read; nothing was changed";
        row("damaged catalogue, add", {"-g", "@/broken", "add", "@/sfx/A.wav"}, damaged);
        row("damaged catalogue, distribute", {"-g", "@/broken", "distribute"}, damaged);
        row("damaged catalogue, list", {"-g", "@/broken", "list"}, damaged);
    }

    void badInputChangesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);

        Cli cli;
        writeFile(cli.path("sfx/A.wav"), makeWav(5000));
        writeFile(cli.path("sfx/B.wav"), makeWav(5000));
        for (const char *name : {"sfx/Tab\tin.wav", "sfx/Line\nbreak.wav"})
            writeFile(cli.path(name), makeWav(5000));
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.wav"}).exitCode, 0);
        QCOMPARE(cli.inGame({"lock", "2"}).exitCode, 0);
        const QByteArray catalogue = readFile(cli.path("game/SoundInfo.dat"));
        const QByteArray damaged("\x05\x00\x04\x00Bo", 6); // five sounds promised, one name begun
        writeFile(cli.path("broken/SoundInfo.dat"), damaged);

        const QString shown = cli.run(arguments).all();
        // A usage error (exit 2) is that one line; a damaged catalogue (exit 1) is reported first.
        const QString last = "sonquill-cli: " + cli.expand(reason) + "\n";
        QVERIFY2(!arguments.contains("@/broken")
                     ? shown == "2||" + last
                     : shown.startsWith("1||sonquill-cli: error 62: ") && shown.count('\n') == 2 &&
                           shown.endsWith(last),
                 qPrintable(shown));
        QCOMPARE(readFile(cli.path("game/SoundInfo.dat")), catalogue);
        QCOMPARE(readFile(cli.path("broken/SoundInfo.dat")), damaged);
        QCOMPARE(QDir(cli.path("game")).entryList(QDir::Files) +
                     QDir(cli.path("broken")).entryList(QDir::Files),
                 (QStringList{"SoundInfo.dat", "SoundInfo.dat"}));
    }

    // What each command prints, with and without --quiet.
    void resultsAndMessages_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shown"); // exit code|output|error output
        const auto inGame = [](const QStringList &arguments) {
            return QStringList{"-g", "@/game"} + arguments;
        };
        const QString listed = "1\t\tMisc\tA\t@/sfx/A.wav\n2\t\tMisc\tGone\t@/sfx/Gone.mp3\n";
        const QString gone = "#2 Gone: error: the source file @/sfx/Gone.mp3 is missing\n";
        QTest::newRow("no -g: the current folder, not the remembered one")
            << QStringList{"list"} << "0|" + listed + "|";
        QTest::newRow("quiet list: the lines")
            << inGame({"--quiet", "list"}) << "0|" + listed + "|";
        QTest::newRow("quiet add: the new number")
            << inGame({"--quiet", "add", "@/sfx/B.mp3"}) << "0|3\t@/sfx/B.mp3\n|";
        QTest::newRow("-- ends the options")
            << inGame({"add", "--", "-dash.mp3"}) << "0|3\t@/game/-dash.mp3\n|";
        QTest::newRow("check: findings and counts")
            << inGame({"check"}) << "1|" + gone + "|1 error, 0 warnings, 0 notes\n";
        QTest::newRow("quiet check: the findings")
            << inGame({"--quiet", "check"}) << "1|" + gone + "|";
        QTest::newRow("clean: one file") << inGame({"clean", "--yes"}) << "0|Deleted 1 file.\n|";
        QTest::newRow("quiet clean: nothing") << inGame({"--quiet", "clean", "--yes"}) << "0||";
        QTest::newRow("quiet lists: nothing") << inGame({"--quiet", "lists"}) << "0||";
        // A failed write of the answer fails the command, whatever the command, after anything
        // else it says.
        const QString full = "sonquill-cli: could not write to standard output: No space left on "
                             "device\n";
        QTest::newRow("list, output unwritten") << inGame({"list", ">/dev/full"}) << "1||" + full;
        QTest::newRow("add, output unwritten")
            << inGame({"add", "@/sfx/B.mp3", ">/dev/full"}) << "1||" + full;
        QTest::newRow("check as JSON, output unwritten")
            << QStringList{"-g", "@/empty", "check", "--format", "json", ">/dev/full"}
            << "1||No problems found\n" + full;
        QTest::newRow("help, output unwritten")
            << QStringList{"help", "list", ">/dev/full"} << "1||" + full;
        QTest::newRow("version, output unwritten")
            << QStringList{"--version", ">/dev/full"} << "1||" + full;
        // The sound libraries are opened when first needed; one that cannot be is named.
        QTest::newRow("a sound library that cannot be loaded")
            << QStringList{"LD_LIBRARY_PATH=@/lib"} + inGame({"--quiet", "check"})
            << "1|#1 A: error: the source is not a readable sound: libsndfile.so.1 cannot be "
               "loaded: @/lib/libsndfile.so.1: file too short\n" +
                   gone + "|";
    }

    void resultsAndMessages()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shown);

        Cli cli;
        writeFile(cli.path("sfx/A.wav"), makeWav(3000)); // too small to be worth encoding
        writeFile(cli.path("sfx/Gone.mp3"), "gone");
        writeFile(cli.path("sfx/B.mp3"), "B");
        writeFile(cli.path("game/-dash.mp3"), "dash");
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/Gone.mp3"}).exitCode, 0);
        QFile::remove(cli.path("sfx/Gone.mp3"));
        writeFile(cli.path("game/SOUND7.wav"), "made by hand");
        writeFile(cli.path("config/Sonquill/Sonquill.conf"),
                  "[Data]\nLastGameDir=" + cli.path("empty").toUtf8() + "\n");
        cli.workingDirectory = cli.path("game");
        writeFile(cli.path("lib/libsndfile.so.1"), "not a library");
        // As a shell reads them: NAME=value first sets the environment, >FILE last the output.
        if (arguments.first().contains('=') && !arguments.first().startsWith('-')) {
            const QString setting = arguments.takeFirst();
            cli.environment.insert(setting.section('=', 0, 0), cli.expand(setting.section('=', 1)));
        }
        if (arguments.last().startsWith('>'))
            cli.outputFile = arguments.takeLast().mid(1);

        QCOMPARE(cli.run(arguments).all(), cli.expand(shown));
    }

    // check looks at the run the same options would make.
    void checkTakesTheRunsOptions_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("findings"); // how each line begins
        const QString note = "#%1 %2: note: Ogg encoding is off; at quality %3 ";
        const QString unmeasured = "#%1 %2: note: its loudness cannot be measured (it is shorter "
                                   "than 0.4 s or too quiet), so it keeps its level";
        // clang-format off
        QTest::newRow("the stored settings") << QStringList{} << QStringList{note.arg(1).arg("A").arg(3), note.arg(2).arg("B").arg(3)};
        QTest::newRow("--quality") << QStringList{"--quality", "7"} << QStringList{note.arg(1).arg("A").arg(7), note.arg(2).arg("B").arg(7)};
        QTest::newRow("--min-size above both") << QStringList{"--min-size", "9"} << QStringList{};
        QTest::newRow("--ogg: B, which oggenc cannot read, is decoded for it") << QStringList{"--ogg"} << QStringList{};
        QTest::newRow("--loudness: both too short to measure") << QStringList{"--ogg", "--loudness"} << QStringList{unmeasured.arg(1).arg("A"), unmeasured.arg(2).arg("B")};
        // clang-format on
    }

    void checkTakesTheRunsOptions()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, findings);
        Cli cli;
        writeFile(cli.path("sfx/A.wav"), makeWav(6000));
        // 32-bit integer samples, which oggenc cannot read.
        QCOMPARE(runTool(SONQUILL_SOX,
                         {"-n", "-r", "22050", "-b", "32", "-e", "signed-integer",
                          cli.path("sfx/B.wav"), "synth", "0.1", "sine", "440", "vol", "0.5"}),
                 0);
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.wav"}).exitCode, 0);
        // The run encodes only with an encoder to be found.
        QVERIFY(QFile::link(SONQUILL_OGGENC, cli.path("empty/oggenc")));

        const Outcome checked = cli.inGame(QStringList{"check"} + options);
        const QStringList lines = checked.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(checked.exitCode == 0 && lines.size() == findings.size(),
                 qPrintable(checked.all()));
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].startsWith(findings[i]), qPrintable(lines[i]));
    }

    // The processing a run would do, from the stored settings and the options given, as the dry
    // run shows it; and the loudness facts list gives.
    void processingOptions()
    {
        Cli cli;
        QCOMPARE(runTool(SONQUILL_SOX, {"-n", "-r", "44100", "-c", "2", cli.path("sfx/Door.wav"),
                                        "synth", "1", "pinknoise", "gain", "-n", "-0.5"}),
                 0);
        QCOMPARE(runTool(SONQUILL_SOX, {"-n", "-r", "22050", "-c", "1", cli.path("sfx/Wind.wav"),
                                        "synth", "1", "brownnoise"}),
                 0);
        writeFile(cli.path("sfx/Bell.mp3"), "not decoded");
        QCOMPARE(cli.inGame({"add", "--category", "Doors", "@/sfx/Door.wav"}).exitCode, 0);
        QCOMPARE(cli.inGame({"add", "--category", "Ambience", "@/sfx/Wind.wav", "@/sfx/Bell.mp3"})
                     .exitCode,
                 0);
        writeFile(cli.path("config/Sonquill/Sonquill.conf"),
                  "[Processing]\nMono=1\nMaxRate=22050\nCategoryOffsets=doors=-6; Music=-3\n");

        const QStringList options{"--loudness",  "--target=-20", "--category-offset",
                                  "Ambience=-8", "--trim-pad",   "5"};
        const Outcome planned =
            cli.inGame(QStringList{"distribute", "--dry-run", "--json"} + options);
        QStringList processing;
        for (const QJsonValue sound :
             QJsonDocument::fromJson(planned.out.toUtf8())["sounds"].toArray())
            processing << sound["processing"].toString("-");
        const QStringList expected{
            "loudness -26 LUFS, ceiling -1 dBTP; trim below -60 dBFS, pad 5 ms; mono; 22050 Hz",
            "loudness -28 LUFS, ceiling -1 dBTP; trim below -60 dBFS, pad 5 ms", "-"};
        QCOMPARE(processing, expected);
        // The text plan gives it in its fifth column.
        processing.clear();
        const Outcome text = cli.inGame(QStringList{"distribute", "--dry-run"} + options);
        for (const QString &line : text.out.split('\n', Qt::SkipEmptyParts))
            processing << line.section('\t', 4, 4);
        QCOMPARE(processing, expected);

        const QJsonArray listed =
            QJsonDocument::fromJson(cli.inGame({"list", "--format", "json"}).out.toUtf8())["sounds"]
                .toArray();
        for (int i = 0; i < 2; ++i) {
            const Measured measured = measure(listed[i]["file"].toString());
            QVERIFY(qAbs(listed[i]["loudness"].toDouble() - measured.lufs) <= 0.2);
            QVERIFY(qAbs(listed[i]["truePeak"].toDouble() - measured.truePeak) <= 0.2);
        }
        QVERIFY(listed[2]["loudness"].isNull()); // not a sound libsndfile reads
    }

    // AllSounds.txt and the playlist in the order asked for; the window's start order unasked.
    void listsInTheChosenOrder_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("names");
        QTest::newRow("by number, as the window starts") << QStringList{} << "Mid Abe Zed";
        QTest::newRow("by name") << QStringList{"--order", "name"} << "Abe Mid Zed";
        QTest::newRow("by category") << QStringList{"--order", "category"} << "Zed Abe Mid";
        QTest::newRow("as the table") << QStringList{"--order", "table"} << "Zed Mid Abe";
    }

    void listsInTheChosenOrder()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, names);
        Cli cli;
        for (const char *name : {"Zed", "Mid", "Abe"})
            writeFile(cli.path(QStringLiteral("sfx/%1.mp3").arg(name)), name);
        QCOMPARE(cli.inGame({"add", "--category", "alpha", "@/sfx/Zed.mp3"}).exitCode, 0);
        QCOMPARE(cli.inGame({"add", "--category", "Gamma", "@/sfx/Mid.mp3"}).exitCode, 0);
        QCOMPARE(cli.inGame({"add", "--category", "beta", "@/sfx/Abe.mp3"}).exitCode, 0);
        QCOMPARE(cli.inGame({"renumber", "1", "9"}).exitCode, 0);

        QCOMPARE(cli.inGame(QStringList{"--quiet", "lists"} + options).all(), "0||");
        QStringList all, played;
        for (const QByteArray &line : readFile(cli.path("game/AllSounds.txt")).split('\n').mid(4))
            all.append(QString(line).section(" : ", 1).trimmed());
        for (const QByteArray &line :
             readFile(cli.path("game/WinampPlaylist.m3u")).split('\n').mid(1))
            played.append(QFileInfo(QString(line).trimmed()).baseName());
        QCOMPARE(all.join(' ').trimmed(), names);
        QCOMPARE(played.join(' ').trimmed(), names);
    }

    // Every JSON output, on a catalogue with something wrong in each way, against the schema
    // scripts are told to rely on, checked by an independent validator.
    void jsonFollowsTheSchema()
    {
        Cli cli;
        writeFile(cli.path("sfx/A.wav"), makeWav(6000));
        writeFile(cli.path("sfx/B.mp3"), "not an mp3");
        writeFile(cli.path("sfx/Gone.wav"), makeWav(100));
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.mp3", "@/sfx/Gone.wav"}).exitCode, 0);
        QCOMPARE(cli.inGame({"renumber", "3", "2"}).exitCode, 2); // taken: refused
        QFile::remove(cli.path("sfx/Gone.wav"));
        writeFile(cli.path("game/SOUND7.wav"), "made by hand");
        const QString schema =
            QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../resources/sonquill-cli.schema.json");
        const QString validate = "import json, sys, jsonschema\n"
                                 "jsonschema.Draft202012Validator(json.load(open(sys.argv[1])))"
                                 ".validate(json.load(open(sys.argv[2])))\n";
        const QList<QStringList> commands{{"list", "--format", "json"},
                                          {"check", "--format", "json"},
                                          {"distribute", "--dry-run", "--json", "--ogg"},
                                          {"distribute", "--json", "--ogg"},
                                          {"distribute", "--json", "--no-ogg"}};
        for (const QStringList &command : commands) {
            const Outcome outcome = cli.inGame(command);
            QVERIFY2(writeFile(cli.path("out.json"), outcome.out.toUtf8()),
                     qPrintable(command.join(' ')));
            QByteArray complaint;
            QVERIFY2(runTool("/usr/bin/python3", {"-c", validate, schema, cli.path("out.json")},
                             &complaint) == 0,
                     qPrintable(command.join(' ') + ": " + outcome.out + complaint));
        }
    }

    void concurrentCommandsLoseNothing()
    {
        Cli cli;
        // Twenty at once on two cores, perhaps under a sanitizer: each waits its turn.
        cli.environment.insert("SONQUILL_LOCK_WAIT", "300");
        std::vector<std::unique_ptr<QProcess>> adds;
        for (int i = 0; i < 20; ++i) {
            writeFile(cli.path(QStringLiteral("sfx/S%1.mp3").arg(i)), "mp3");
            adds.push_back(cli.start({"-g", cli.path("game"), "--quiet", "add",
                                      cli.path(QStringLiteral("sfx/S%1.mp3").arg(i))}));
        }
        for (auto &add : adds)
            QVERIFY(add->waitForFinished(60000) && add->exitCode() == 0);
        QCOMPARE(cli.inGame({"list"}).out.count('\n'), 20);

        // While a distribution holds the folder, a command that waits less fails and changes
        // nothing; one that waits longer goes on afterwards, and neither loses the other's work.
        writeFile(cli.path("sfx/Big.wav"), makeWav(6000));
        writeFile(cli.path("sfx/Late.mp3"), "late");
        QCOMPARE(cli.inGame({"add", "@/sfx/Big.wav"}).exitCode, 0);
        const QByteArray before = readFile(cli.path("game/SoundInfo.dat"));
        const auto distribute = cli.slowDistribution(5);
        QTRY_VERIFY(QFile::exists(cli.path("game/.SoundInfo.lock")));
        cli.environment.insert("SONQUILL_LOCK_WAIT", "1");
        // Readers do not wait: a save replaces the catalogue whole, so they see a whole one.
        QCOMPARE(cli.inGame({"list"}).out.count('\n'), 21);
        const QString checked = cli.inGame({"check"}).all();
        QVERIFY2(checked.startsWith("1|#") &&
                     checked.count(": error: the source is not a readable") == 20,
                 qPrintable(checked));
        const QString impatient = cli.inGame({"add", "@/sfx/Late.mp3"}).all();
        QVERIFY2(impatient.startsWith("1||") &&
                     impatient.contains("is in use by another program") &&
                     impatient.endsWith("; nothing was changed\n"),
                 qPrintable(impatient));
        QCOMPARE(readFile(cli.path("game/SoundInfo.dat")), before);
        cli.environment.insert("SONQUILL_LOCK_WAIT", "300");
        QCOMPARE(cli.inGame({"add", "@/sfx/Late.mp3"}).exitCode, 0);
        QVERIFY(distribute->state() == QProcess::NotRunning || distribute->waitForFinished(60000));
        QCOMPARE(distribute->exitCode(), 0);
        QVERIFY(cli.inGame({"list"}).out.contains("Late"));
        QVERIFY(!QFile::exists(cli.path("game/.SoundInfo.lock")));
    }

    void distributeForScripts()
    {
        Cli cli;
        for (const char *name : {"A", "B", "C"})
            writeFile(cli.path(QStringLiteral("sfx/%1.wav").arg(name)), makeWav(6000));
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.wav", "@/sfx/C.wav"}).exitCode, 0);
        const QByteArray catalogue = readFile(cli.path("game/SoundInfo.dat"));

        // Ctrl-C goes to the program's whole process group, as a shell sends it: the running
        // encoder ends with all it started, nothing half-made stays, the catalogue is untouched.
        const auto run = cli.slowDistribution(30, {"--jobs", "1"});
        const QString cliPid = QString::number(run->processId());
        QByteArray encoder; // started in a process group of its own
        QTRY_VERIFY(runTool("pgrep", {"-P", cliPid}, &encoder) == 0);
        QVERIFY(::kill(-pid_t(cliPid.toInt()), SIGINT) == 0);
        QVERIFY(run->waitForFinished(10000));
        QCOMPARE(run->exitCode(), 130);
        QVERIFY(
            run->readAllStandardOutput().contains("Distribution cancelled: 0 of 3 sounds done."));
        QCOMPARE(QDir(cli.path("game")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"SoundInfo.dat"});
        QCOMPARE(readFile(cli.path("game/SoundInfo.dat")), catalogue);
        QVERIFY(!QFile::exists(cli.path("got-ctrl-c"))); // only the program gets it, and ends it
        // Nothing the encoder started is left once the killed ones are gone.
        QTRY_COMPARE(runTool("pgrep", {"-g", QString(encoder).trimmed()}), 1);

        // A source gone is an error a build script stops on; the run's options are not remembered.
        QFile::remove(cli.path("sfx/C.wav"));
        const Outcome gone =
            cli.inGame({"distribute", "--ogg", "--custom-command", "/bin/cp %1 %2"});
        QCOMPARE(gone.exitCode, 1);
        QVERIFY2(gone.out.contains(cli.expand("@/sfx/C.wav (#3) : The source file cannot be read")),
                 qPrintable(gone.out));
        QCOMPARE(QDir(cli.path("config")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }

    // A run counts, and the catalogue keeps, the sources' sizes as they are at the run, also
    // when they changed since the catalogue was saved.
    void runCountsTheSourcesAsTheyAre()
    {
        Cli cli;
        QVERIFY(QFile::link(SONQUILL_OGGENC, cli.path("empty/oggenc")));
        writeFile(cli.path("sfx/A.wav"), makeWav(6000));
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav"}).exitCode, 0);
        writeFile(cli.path("sfx/A.wav"), makeWav(90000));
        const QJsonObject run =
            QJsonDocument::fromJson(
                cli.inGame({"distribute", "--ogg", "--min-size", "0", "--json"}).out.toUtf8())
                .object();
        QCOMPARE(run["encoded"].toInt(), 1);
        QCOMPARE(run["sourceBytes"].toDouble(), 90000.0);
        SoundTable saved;
        QVERIFY(!ReadSoundInfo(saved, cli.path("game/SoundInfo.dat")));
        QCOMPARE(saved.at(1).size, 90000.0f);
    }

    // A run with nothing to do writes nothing: not the catalogue, not the record, no sound; and
    // it needs no hold on the folder, so it goes on while another program has it. One that has
    // something to do waits for the folder, and still writes all three.
    void upToDateRunWritesNothing()
    {
        Cli cli;
        writeFile(cli.path("sfx/A.wav"), makeWav(6000));
        writeFile(cli.path("sfx/B.mp3"), "not really an mp3");
        QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.mp3"}).exitCode, 0);
        QCOMPARE(cli.inGame({"distribute", "--no-ogg"}).exitCode, 0);
        const QStringList records =
            QDir(cli.path("cache/Sonquill/distribution")).entryList(QDir::Files);
        QCOMPARE(records.size(), 1);
        const QString record = "cache/Sonquill/distribution/" + records.first();
        // Inode, modification and change time: a file written again, whole or in place,
        // differs in one of them.
        const auto stamps = [&] {
            QStringList result;
            for (const QString &file : {QString("game/SoundInfo.dat"), record,
                                        QString("game/SOUND1.wav"), QString("game/SOUND2.mp3")}) {
                struct stat info;
                if (::stat(QFile::encodeName(cli.path(file)).constData(), &info) != 0)
                    return QStringList{file + " is missing"};
                result << QStringLiteral("%1 %2 %3.%4 %5.%6")
                              .arg(file)
                              .arg(info.st_ino)
                              .arg(info.st_mtim.tv_sec)
                              .arg(info.st_mtim.tv_nsec)
                              .arg(info.st_ctim.tv_sec)
                              .arg(info.st_ctim.tv_nsec);
            }
            return result;
        };
        const QStringList before = stamps();
        const QByteArray catalogue = readFile(cli.path("game/SoundInfo.dat"));
        QLockFile held(cli.path("game/.SoundInfo.lock"));
        QVERIFY(held.tryLock(0));
        cli.environment.insert("SONQUILL_LOCK_WAIT", "0");

        const Outcome again = cli.inGame({"distribute", "--no-ogg"});
        QCOMPARE(again.exitCode, 0);
        QVERIFY2(again.out.contains("2 sounds were already up to date."), qPrintable(again.out));
        QCOMPARE(stamps(), before);

        // A source that grew: its copy is made again, the record and the catalogue (which
        // keeps the sizes) are written.
        writeFile(cli.path("sfx/B.mp3"), "not really an mp3, and longer");
        QVERIFY(cli.inGame({"distribute", "--no-ogg"}).all().contains("is in use"));
        QCOMPARE(stamps(), before);
        held.unlock();
        const Outcome changed = cli.inGame({"distribute", "--no-ogg"});
        QCOMPARE(changed.exitCode, 0);
        QVERIFY2(changed.out.contains("1 sound was already up to date."), qPrintable(changed.out));
        const QStringList after = stamps();
        QCOMPARE(after.size(), before.size());
        for (int i = 0; i < after.size(); ++i) {
            const bool unchanged = after[i] == before[i];
            QVERIFY2(unchanged == after[i].startsWith("game/SOUND1.wav"), qPrintable(after[i]));
        }
        QVERIFY(readFile(cli.path("game/SoundInfo.dat")) != catalogue);
        QCOMPARE(readFile(cli.path("game/SOUND2.mp3")),
                 QByteArray("not really an mp3, and longer"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
