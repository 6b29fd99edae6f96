#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using sonquill::test::makeWav;
using sonquill::test::readFile;
using sonquill::test::writeFile;

namespace {

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A world of its own for sonquill-cli: settings, home, an empty search path, a game folder and
// a folder of sounds. "@" in arguments and expected texts stands for the world's folder.
struct Cli
{
    Cli()
    {
        for (const char *folder : {"config", "home", "game", "sfx", "empty"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(folder));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        m_environment.insert(QStringLiteral("HOME"), path("home"));
        m_environment.insert(QStringLiteral("PATH"), path("empty"));
    }

    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString expand(QString text) const { return text.replace(QLatin1Char('@'), m_dir.path()); }

    // Starts sonquill-cli in this world without waiting for it.
    std::unique_ptr<QProcess> start(const QStringList &arguments) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_environment);
        process->start(program(), arguments);
        return process;
    }
    Outcome run(QStringList arguments) const
    {
        for (QString &argument : arguments)
            argument = expand(argument);
        const auto process = start(arguments);
        if (!process->waitForFinished(180000) || process->exitStatus() != QProcess::NormalExit)
            return {};
        return {process->exitCode(), QString::fromUtf8(process->readAllStandardOutput()),
                QString::fromUtf8(process->readAllStandardError())};
    }
    Outcome inGame(const QStringList &arguments) const
    {
        return run(QStringList{"-g", "@/game"} + arguments);
    }
    // Starts a distribution of the game folder whose encoder sleeps `seconds` before copying, so
    // that it holds the folder's lock meanwhile.
    std::unique_ptr<QProcess> slowDistribution(int seconds, const QStringList &options = {}) const
    {
        writeFile(path("slow.sh"), "#!/bin/sh\n/bin/sleep " + QByteArray::number(seconds) +
                                       "\n/bin/cp \"$1\" \"$2\"\n");
        QFile::setPermissions(path("slow.sh"), QFile::ReadOwner | QFile::ExeOwner);
        auto process = start(QStringList{"-g", path("game"), "distribute", "--ogg"} + options +
                             QStringList{"--custom-command", path("slow.sh") + " %1 %2"});
        return process->waitForStarted() ? std::move(process) : nullptr;
    }
    static QString program() { return qEnvironmentVariable("SONQUILL_BIN_DIR") + "/sonquill-cli"; }

    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void helpVersionAndFormats();
    void everyCommand();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void concurrentCommandsLoseNothing();
    void distributeForScripts();
};

void TestCli::everyCommand()
{
    Cli cli;
    writeFile(cli.path("sfx/A.wav"), makeWav(6000)); // worth encoding
    writeFile(cli.path("sfx/B.mp3"), "B");
    writeFile(cli.path("sfx/D.ogg"), "D");
    writeFile(cli.path("game/SOUND9.wav"), "a source in the game folder");
    // A relative file name is stored as a full path.
    const QString relative = QDir::current().relativeFilePath(cli.path("sfx/A.wav"));
    QCOMPARE(cli.inGame({"add", relative, "@/sfx/B.mp3", "@/game/SOUND9.wav"}).out,
             cli.expand("1\t@/sfx/A.wav\n2\t@/sfx/B.mp3\n3\t@/game/SOUND9.wav\n"));
    const QList<QStringList> commands{{"remove", "2"},
                                      {"add", "--category", "Doors", "@/sfx/D.ogg"},
                                      {"lock", "1", "3"},
                                      {"unlock", "3"},
                                      {"renumber", "3", "999"}};
    for (const QStringList &command : commands)
        QCOMPARE(cli.inGame(command).exitCode, 0);

    // Without -g: the folder the window used last.
    writeFile(cli.path("config/Sonquill/Sonquill.conf"),
              "[Data]\nLastGameDir=" + cli.path("game").toUtf8() + "\n");
    QCOMPARE(cli.run({"list"}).out, cli.expand("1\tX\tMisc\tA\t@/sfx/A.wav\n"
                                               "999\t\tMisc\tSOUND9\t@/game/SOUND9.wav\n"
                                               "2\t\tDoors\tD\t@/sfx/D.ogg\n"));

    const Outcome lists = cli.inGame({"lists"});
    QCOMPARE(lists.exitCode, 0);
    QCOMPARE(lists.out, cli.expand("@/game/AllSounds.txt\n@/game/LockedSounds.txt\n"
                                   "@/game/WinampPlaylist.m3u\n"));
    QCOMPARE(readFile(cli.path("game/WinampPlaylist.m3u")),
             cli.expand("#EXTM3U\r\n@/sfx/A.wav\r\n@/game/SOUND9.wav\r\n@/sfx/D.ogg\r\n").toUtf8());

    // Asked to encode, with no encoder to be found: everything is copied, and a build script
    // learns that nothing was encoded.
    const Outcome distributed = cli.inGame({"distribute", "--ogg"});
    QCOMPARE(distributed.exitCode, 1);
    QCOMPARE(distributed.out, QStringLiteral("Copying Complete\nCopying/Encoding of 3 files was "
                                             "successful.\n\nOgg-encoding compressed wav's "
                                             "from 0 kB to 0 kB.\n"));
    QCOMPARE(distributed.err,
             QStringLiteral("sonquill-cli: Error in Ogg Encoder: The OGG encoder, 'oggenc', was "
                            "not found in the program's directory or on the "
                            "search path. Ogg encoding will not be done.\n"));
    QCOMPARE(readFile(cli.path("game/SOUND1.wav")), makeWav(6000));
    writeFile(cli.path("game/SOUND05.wav"), "not a numbered name");
    const Outcome clean = cli.inGame({"clean", "--yes"});
    QCOMPARE(clean.exitCode, 0);
    QCOMPARE(clean.out, QStringLiteral("Deleted 3 files.\n"));
    QCOMPARE(clean.err, QStringLiteral("sonquill-cli: kept SOUND9.wav: it is the source file of a "
                                       "sound in the catalogue\n"));
    QCOMPARE(QDir(cli.path("game")).entryList({"SOUND*"}, QDir::Files | QDir::CaseSensitive),
             (QStringList{"SOUND05.wav", "SOUND9.wav"}));
    QCOMPARE(readFile(cli.path("game/SOUND9.wav")), "a source in the game folder");
}

void TestCli::badInputChangesNothing_data()
{
    QTest::addColumn<QStringList>("arguments"); // in the game folder unless they start with -g
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reason"); // in the last line of the error output
    const auto row = [](const char *name, const QStringList &arguments, int exitCode,
                        const QString &reason) {
        const bool elsewhere = arguments.value(0) == "-g" || arguments == QStringList{"list"};
        QTest::newRow(name) << (elsewhere ? arguments : QStringList{"-g", "@/game"} + arguments)
                            << exitCode << reason;
    };
    row("no command", {}, 2, "no command given");
    row("unknown command", {"frob"}, 2, "unknown command 'frob'");
    row("option of another command", {"list", "--yes"}, 2, "--yes does not apply to list");
    row("no folder remembered, the built-in one missing", {"list"}, 2,
        "the game folder '@/home/Sonquill/Compiled' does not exist");
    row("add a missing file", {"add", "@/sfx/A.wav", "@/sfx/none.wav"}, 2,
        "'@/sfx/none.wav' was not added: it is not a file");
    row("add a name the catalogue cannot store", {"add", "@/sfx/A.wav", "@/sfx/Łódź/音.mp3"}, 2,
        "'@/sfx/Łódź/音.mp3' was not added: its name has characters the catalogue cannot store; "
        "rename it");
    row("category with a line break", {"add", "--category", "Line\nBreak", "@/sfx/A.wav"}, 2,
        "the category 'Line\nBreak' cannot be stored: Names and categories cannot hold line breaks "
        "or tabs.");
    row("renumber to a taken number", {"renumber", "1", "2"}, 2,
        "The sound number 2 is already assigned to sound 'B'. The first available number is 3.");
    row("renumber to letters after digits", {"renumber", "1", "12abc"}, 2,
        "'12abc' is not a sound number");
    row("renumber a locked sound", {"renumber", "2", "5"}, 2,
        "sound #2 ('B') is locked; unlock it first");
    row("quality out of range", {"distribute", "--quality", "11"}, 2,
        "--quality takes a whole number from 0 to 10");
    row("clean unconfirmed", {"clean"}, 2, "confirm with --yes");
    const QString damaged =
        "the catalogue '@/broken/SoundInfo.dat' cannot be read; nothing was changed";
    row("damaged catalogue, add", {"-g", "@/broken", "add", "@/sfx/A.wav"}, 1, damaged);
    row("damaged catalogue, distribute", {"-g", "@/broken", "distribute"}, 1, damaged);
}

void TestCli::badInputChangesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, reason);

    Cli cli;
    writeFile(cli.path("sfx/A.wav"), makeWav(5000));
    writeFile(cli.path("sfx/B.wav"), makeWav(5000));
    writeFile(cli.path("sfx/Łódź/音.mp3"), "far");
    QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.wav"}).exitCode, 0);
    QCOMPARE(cli.inGame({"lock", "2"}).exitCode, 0);
    const QByteArray catalogue = readFile(cli.path("game/SoundInfo.dat"));
    const QByteArray damaged("\x05\x00\x04\x00Bo", 6); // five sounds promised, one name begun
    writeFile(cli.path("broken/SoundInfo.dat"), damaged);

    const Outcome outcome = cli.run(arguments);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(outcome.out, QString());
    // The reason is the last line (or lines, when the input it names has a line break).
    const qsizetype breaks = reason.count('\n');
    const QString lastLine = outcome.err.section(QLatin1Char('\n'), -2 - breaks);
    QVERIFY2(lastLine.startsWith("sonquill-cli: ") && lastLine.contains(cli.expand(reason)),
             qPrintable(outcome.err));
    // A usage error is one line; a catalogue that cannot be read is reported first.
    QCOMPARE(outcome.err.startsWith("sonquill-cli: error 62: "), exitCode == 1);
    QCOMPARE(outcome.err.count('\n') == 1 + breaks, exitCode == 2);
    QCOMPARE(readFile(cli.path("game/SoundInfo.dat")), catalogue);
    QCOMPARE(readFile(cli.path("broken/SoundInfo.dat")), damaged);
    QCOMPARE(QDir(cli.path("game")).entryList(QDir::Files) +
                 QDir(cli.path("broken")).entryList(QDir::Files),
             (QStringList{"SoundInfo.dat", "SoundInfo.dat"}));
}

void TestCli::concurrentCommandsLoseNothing()
{
    Cli cli;
    // Twenty at once on two cores, perhaps under a sanitizer: each waits its turn.
    cli.m_environment.insert("SONQUILL_LOCK_WAIT", "300");
    std::vector<std::unique_ptr<QProcess>> adds;
    for (int i = 0; i < 20; ++i) {
        writeFile(cli.path(QStringLiteral("sfx/S%1.mp3").arg(i)), "mp3");
        adds.push_back(cli.start({"-g", cli.path("game"), "--quiet", "add",
                                  cli.path(QStringLiteral("sfx/S%1.mp3").arg(i))}));
    }
    for (auto &add : adds) {
        QVERIFY(add->waitForFinished(60000));
        QCOMPARE(add->exitCode(), 0);
    }
    QStringList numbers;
    for (const QString &row : cli.inGame({"list"}).out.split('\n', Qt::SkipEmptyParts))
        numbers.append(row.section('\t', 0, 0));
    numbers.removeDuplicates();
    QCOMPARE(numbers.size(), 20);

    // While a distribution holds the folder, a command that waits less fails and changes
    // nothing; one that waits longer goes on afterwards, and neither loses the other's work.
    writeFile(cli.path("sfx/Big.wav"), makeWav(6000));
    writeFile(cli.path("sfx/Late.mp3"), "late");
    QCOMPARE(cli.inGame({"add", "@/sfx/Big.wav"}).exitCode, 0);
    const QByteArray before = readFile(cli.path("game/SoundInfo.dat"));
    const auto distribute = cli.slowDistribution(5);
    QVERIFY(distribute);
    QTRY_VERIFY(QFile::exists(cli.path("game/.SoundInfo.lock")));
    cli.m_environment.insert("SONQUILL_LOCK_WAIT", "1");
    const Outcome impatient = cli.inGame({"add", "@/sfx/Late.mp3"});
    QCOMPARE(impatient.exitCode, 1);
    QVERIFY2(impatient.err.contains("is in use by another program") &&
                 impatient.err.contains("nothing was changed"),
             qPrintable(impatient.err));
    QCOMPARE(readFile(cli.path("game/SoundInfo.dat")), before);
    cli.m_environment.insert("SONQUILL_LOCK_WAIT", "300");
    QCOMPARE(cli.inGame({"add", "@/sfx/Late.mp3"}).exitCode, 0);
    QVERIFY(distribute->state() == QProcess::NotRunning || distribute->waitForFinished(60000));
    QCOMPARE(distribute->exitCode(), 0);
    QVERIFY(cli.inGame({"list"}).out.contains("Late"));
    QVERIFY(!QFile::exists(cli.path("game/.SoundInfo.lock")));
}

void TestCli::helpVersionAndFormats()
{
    Cli cli;
    // Each as "exit code|output".
    const auto shown = [&cli](const QStringList &arguments) -> QString {
        const Outcome outcome = cli.run(arguments);
        return QString::number(outcome.exitCode) + '|' + outcome.out;
    };
    QCOMPARE(shown({"--version"}), QStringLiteral("0|sonquill-cli " SONQUILL_VERSION "\n"));
    for (const char *help : {"--help", "--help-all"}) {
        const QString out = shown({help});
        QVERIFY2(out.startsWith("0|") && out.contains("clean --yes") &&
                     out.contains("--custom-command"),
                 qPrintable(out));
    }
    for (const QStringList &help : {QStringList{"help", "distribute"}, {"distribute", "--help"}}) {
        const QString out = shown(help);
        QVERIFY2(out.startsWith("0|Usage: sonquill-cli [-g DIR] [--quiet] distribute") &&
                     out.contains("SoundCode.txt"),
                 qPrintable(out));
    }
    QCOMPARE(cli.run({"help", "frob"}).exitCode, 2);

    writeFile(cli.path("sfx/Door.mp3"), "door");
    const Outcome quiet = cli.inGame({"--quiet", "add", "@/sfx/Door.mp3"});
    QCOMPARE(quiet.exitCode, 0);
    QCOMPARE(quiet.out + quiet.err, QString());
    const QJsonArray sounds =
        QJsonDocument::fromJson(cli.inGame({"list", "--format", "json"}).out.toUtf8()).array();
    const QJsonObject door{{"number", 1},
                           {"locked", false},
                           {"category", "Misc"},
                           {"name", "Door"},
                           {"file", cli.path("sfx/Door.mp3")},
                           {"size", 4}};
    QCOMPARE(sounds, QJsonArray{door}); // an unreadable sound has no format fields
    QCOMPARE(cli.inGame({"list", "--format", "xml"}).exitCode, 2);

    // Numbers are printed only once the catalogue holding them is saved.
    QDir(cli.path("nosave")).mkpath("SoundInfo.dat");
    const Outcome unsaved = cli.run({"-g", "@/nosave", "add", "@/sfx/Door.mp3"});
    QCOMPARE(unsaved.exitCode, 1);
    QCOMPARE(unsaved.out, QString());
    QVERIFY2(unsaved.err.startsWith("sonquill-cli: error "), qPrintable(unsaved.err));

    // The check before distributing: a vanished file is an error a build script stops on.
    QFile::remove(cli.path("sfx/Door.mp3"));
    const Outcome check = cli.inGame({"check"});
    QCOMPARE(check.exitCode, 1);
    QVERIFY2(check.out.startsWith("#1 Door: error: "), qPrintable(check.out));
    QCOMPARE(QJsonDocument::fromJson(cli.inGame({"check", "--format", "json"}).out.toUtf8())
                 .array()
                 .size(),
             1);
}

void TestCli::distributeForScripts()
{
    Cli cli;
    for (const char *name : {"A", "B", "C"})
        writeFile(cli.path(QStringLiteral("sfx/%1.wav").arg(name)), makeWav(6000));
    QCOMPARE(cli.inGame({"add", "@/sfx/A.wav", "@/sfx/B.wav", "@/sfx/C.wav"}).exitCode, 0);
    const QByteArray catalogue = readFile(cli.path("game/SoundInfo.dat"));

    // Ctrl-C: running encoders end, nothing half-made stays, the catalogue files are untouched.
    const auto run = cli.slowDistribution(2, {"--jobs", "1"});
    QVERIFY(run);
    QTest::qWait(500);
    ::kill(pid_t(run->processId()), SIGINT);
    QVERIFY(run->waitForFinished(10000));
    QCOMPARE(run->exitCode(), 130);
    QVERIFY(run->readAllStandardOutput().contains("Distribution cancelled: 0 of 3 sounds done."));
    QCOMPARE(QDir(cli.path("game")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"SoundInfo.dat"});
    QCOMPARE(readFile(cli.path("game/SoundInfo.dat")), catalogue);

    // The summary as JSON; a second run finds everything up to date.
    const QStringList fast{"distribute", "--json", "--ogg", "--custom-command", "/bin/cp %1 %2"};
    const QJsonObject first = QJsonDocument::fromJson(cli.inGame(fast).out.toUtf8()).object();
    QCOMPARE(first["encoded"].toInt(), 3);
    const Outcome again = cli.inGame(fast);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(again.out.toUtf8()).object()["upToDate"].toInt(), 3);
    // Forced, everything is made again; a source gone is an error a build script stops on.
    QFile::remove(cli.path("sfx/C.wav"));
    const Outcome forced = cli.inGame(fast + QStringList{"--force"});
    QCOMPARE(forced.exitCode, 1);
    const QJsonObject last = QJsonDocument::fromJson(forced.out.toUtf8()).object();
    QCOMPARE(last["upToDate"].toInt(), 0);
    QCOMPARE(last["encoded"].toInt(), 2);
    QCOMPARE(last["errors"].toArray(),
             QJsonArray{cli.expand("@/sfx/C.wav (#3) : The source file cannot be read: No such "
                                   "file or directory")});
    QCOMPARE(cli.inGame({"distribute", "--jobs", "0"}).exitCode, 2);
    // The run's options are not remembered.
    QCOMPARE(QDir(cli.path("config")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
