#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

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

// A temporary world for sonquill-cli: its own settings and home folder, a game folder and a
// folder of source sounds. "%game" and "%sfx" in arguments stand for the two folders.
class Cli
{
public:
    Cli()
    {
        QDir root(m_dir.path());
        root.mkpath(QStringLiteral("config"));
        root.mkpath(QStringLiteral("home"));
        root.mkpath(QStringLiteral("game"));
        root.mkpath(QStringLiteral("sfx"));
        root.mkpath(QStringLiteral("empty"));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config"));
        m_environment.insert(QStringLiteral("HOME"), m_dir.filePath("home"));
    }

    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString game(const QString &name = {}) const
    {
        return name.isEmpty() ? path("game") : path("game/" + name);
    }
    QString sfx(const QString &name) const { return path("sfx/" + name); }
    void setEnvironment(const QString &name, const QString &value)
    {
        m_environment.insert(name, value);
    }

    // Runs sonquill-cli with the arguments, the game folder given first unless withFolder is
    // false.
    Outcome run(QStringList arguments, bool withFolder = true) const
    {
        for (QString &argument : arguments) {
            argument.replace(QStringLiteral("%game"), game());
            argument.replace(QStringLiteral("%sfx"), path("sfx"));
        }
        if (withFolder)
            arguments = QStringList{QStringLiteral("-g"), game()} + arguments;
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(qEnvironmentVariable("SONQUILL_BIN_DIR") + QStringLiteral("/sonquill-cli"),
                      arguments);
        Outcome outcome;
        if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit)
            return outcome;
        outcome.exitCode = process.exitCode();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    // Runs a command that must succeed.
    bool ok(const QStringList &arguments) const
    {
        const Outcome outcome = run(arguments);
        if (outcome.exitCode != 0)
            qWarning() << arguments << outcome.exitCode << outcome.err;
        return outcome.exitCode == 0;
    }

    QString list() const { return run({"list"}).out; }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
};

QString writeScript(const QString &path, const QByteArray &body)
{
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void helpAndVersion();
    void editingCommands_data();
    void editingCommands();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void damagedCatalogueIsNeverOverwritten();
    void defaultGameFolder_data();
    void defaultGameFolder();
    void distribute_data();
    void distribute();
    void encoderOutlivesTheProgram();
    void encoderOutputOnlyForLargeFiles_data();
    void encoderOutputOnlyForLargeFiles();
    void listsAndClean();
};

void TestCli::helpAndVersion()
{
    Cli cli;
    const Outcome version = cli.run({"--version"}, false);
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("sonquill-cli " SONQUILL_VERSION "\n"));
    const Outcome help = cli.run({"--help"}, false);
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("clean --yes"));
    QVERIFY(help.out.contains("--custom-command"));
}

void TestCli::editingCommands_data()
{
    QTest::addColumn<QList<QStringList>>("commands");
    QTest::addColumn<QString>("listed"); // %1 the source folder

    QTest::newRow("add: lowest free numbers, category Misc")
        << QList<QStringList>{{"add", "%sfx/A.wav", "%sfx/B.mp3"}}
        << "1\t\tMisc\tA\t%1/A.wav\n2\t\tMisc\tB\t%1/B.mp3\n";
    QTest::newRow("add fills the gap a removal left")
        << QList<QStringList>{{"add", "%sfx/A.wav", "%sfx/B.mp3", "%sfx/C.voc"},
                              {"remove", "2"},
                              {"add", "--category", "Doors", "%sfx/D.ogg"}}
        << "1\t\tMisc\tA\t%1/A.wav\n3\t\tMisc\tC\t%1/C.voc\n2\t\tDoors\tD\t%1/D.ogg\n";
    QTest::newRow("remove several")
        << QList<QStringList>{{"add", "%sfx/A.wav", "%sfx/B.mp3", "%sfx/C.voc"},
                              {"remove", "3", "1"}}
        << "2\t\tMisc\tB\t%1/B.mp3\n";
    QTest::newRow("lock and unlock")
        << QList<QStringList>{{"add", "%sfx/A.wav", "%sfx/B.mp3", "%sfx/C.voc"},
                              {"lock", "1", "3"},
                              {"unlock", "3"}}
        << "1\tX\tMisc\tA\t%1/A.wav\n2\t\tMisc\tB\t%1/B.mp3\n3\t\tMisc\tC\t%1/C.voc\n";
    QTest::newRow("renumber") << QList<QStringList>{{"add", "%sfx/A.wav", "%sfx/B.mp3"},
                                                    {"renumber", "2", "999"}}
                              << "1\t\tMisc\tA\t%1/A.wav\n999\t\tMisc\tB\t%1/B.mp3\n";
    QTest::newRow("renumber to its own number")
        << QList<QStringList>{{"add", "%sfx/A.wav"}, {"renumber", "1", " 1 "}}
        << "1\t\tMisc\tA\t%1/A.wav\n";
}

void TestCli::editingCommands()
{
    QFETCH(QList<QStringList>, commands);
    QFETCH(QString, listed);

    Cli cli;
    for (const char *name : {"A.wav", "B.mp3", "C.voc", "D.ogg"})
        writeFile(cli.sfx(name), name);
    for (const QStringList &command : std::as_const(commands))
        QVERIFY(cli.ok(command));
    QCOMPARE(cli.list(), listed.arg(cli.path("sfx")));
}

void TestCli::badInputChangesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no command") << QStringList{"-g", "%game"} << "no command given";
    QTest::newRow("unknown command")
        << QStringList{"-g", "%game", "frobnicate"} << "unknown command 'frobnicate'";
    QTest::newRow("unknown option")
        << QStringList{"-g", "%game", "list", "--frob"} << "Unknown option 'frob'";
    QTest::newRow("option of another command")
        << QStringList{"-g", "%game", "list", "--yes"} << "--yes does not apply to list";
    QTest::newRow("missing game folder") << QStringList{"-g", "%game/none", "add", "%sfx/A.wav"}
                                         << "the game folder '%game/none' does not exist";
    QTest::newRow("add without files")
        << QStringList{"-g", "%game", "add"} << "add needs at least one sound file";
    QTest::newRow("add a missing file")
        << QStringList{"-g", "%game", "add", "%sfx/A.wav", "%sfx/none.wav"}
        << "'%sfx/none.wav' is not a file";
    QTest::newRow("remove an unknown number")
        << QStringList{"-g", "%game", "remove", "1", "42"} << "no sound has the number 42";
    QTest::newRow("renumber too high") << QStringList{"-g", "%game", "renumber", "1", "1000"}
                                       << "The highest sound number should be 999.";
    QTest::newRow("renumber to letters") << QStringList{"-g", "%game", "renumber", "1", "abc"}
                                         << "The lowest sound number should be 1.";
    QTest::newRow("renumber to a taken number")
        << QStringList{"-g", "%game", "renumber", "1", "2"}
        << "The sound number 2 is already assigned to sound 'B'. The first available number is 3.";
    QTest::newRow("renumber a locked sound") << QStringList{"-g", "%game", "renumber", "2", "5"}
                                             << "sound #2 ('B') is locked; unlock it first";
    QTest::newRow("quality out of range")
        << QStringList{"-g", "%game", "distribute", "--quality", "11"}
        << "--quality takes a whole number from 0 to 10";
    QTest::newRow("ogg and no-ogg") << QStringList{"-g", "%game", "distribute", "--ogg", "--no-ogg"}
                                    << "--ogg and --no-ogg exclude each other";
    QTest::newRow("clean unconfirmed")
        << QStringList{"-g", "%game", "clean"} << "confirm with --yes";
}

void TestCli::badInputChangesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);

    Cli cli;
    writeFile(cli.sfx("A.wav"), makeWav(5000));
    writeFile(cli.sfx("B.wav"), makeWav(5000));
    QVERIFY(cli.ok({"add", cli.sfx("A.wav"), cli.sfx("B.wav")}));
    QVERIFY(cli.ok({"lock", "2"}));
    const QByteArray catalogue = readFile(cli.game("SoundInfo.dat"));
    const QStringList before = QDir(cli.game()).entryList(QDir::Files);

    const Outcome outcome = cli.run(arguments, false);
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.out, QString());
    reason.replace("%game", cli.game()).replace("%sfx", cli.path("sfx"));
    QVERIFY2(outcome.err.startsWith("sonquill-cli: ") && outcome.err.contains(reason),
             qPrintable(outcome.err));
    QCOMPARE(outcome.err.count('\n'), 1);
    QCOMPARE(readFile(cli.game("SoundInfo.dat")), catalogue);
    QCOMPARE(QDir(cli.game()).entryList(QDir::Files), before);
    QVERIFY(!QFile::exists(cli.game("none")));
}

void TestCli::damagedCatalogueIsNeverOverwritten()
{
    Cli cli;
    writeFile(cli.sfx("A.wav"), "a");
    const QByteArray damaged("\x05\x00\x04\x00Bo", 6); // five sounds promised, one name begun
    writeFile(cli.game("SoundInfo.dat"), damaged);

    for (const QStringList &command :
         {QStringList{"list"}, QStringList{"add", cli.sfx("A.wav")}, QStringList{"distribute"}}) {
        const Outcome outcome = cli.run(command);
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.out, QString());
        QVERIFY2(outcome.err.startsWith("Error!\nError "), qPrintable(outcome.err));
        QVERIFY(outcome.err.contains("Raised while Loading the SoundInfo.DAT file"));
        QVERIFY(outcome.err.endsWith("sonquill-cli: the catalogue '" + cli.game("SoundInfo.dat") +
                                     "' cannot be read; nothing was changed\n"));
        QCOMPARE(readFile(cli.game("SoundInfo.dat")), damaged);
    }
    QCOMPARE(QDir(cli.game()).entryList(QDir::Files), QStringList{"SoundInfo.dat"});
}

void TestCli::defaultGameFolder_data()
{
    QTest::addColumn<bool>("remembered");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("the folder last used") << true << 0;
    QTest::newRow("the compiled-in folder, missing") << false << 2;
}

void TestCli::defaultGameFolder()
{
    QFETCH(bool, remembered);
    QFETCH(int, exitCode);

    Cli cli;
    writeFile(cli.sfx("A.wav"), "a");
    QVERIFY(cli.ok({"add", cli.sfx("A.wav")}));
    if (remembered) {
        writeFile(cli.path("config/Sonquill/Sonquill.conf"),
                  "[Data]\nLastGameDir=" + cli.game().toUtf8() + "\n");
    }
    const Outcome outcome = cli.run({"list"}, false);
    QCOMPARE(outcome.exitCode, exitCode);
    if (remembered) {
        QCOMPARE(outcome.out, "1\t\tMisc\tA\t" + cli.sfx("A.wav") + "\n");
    } else {
        QCOMPARE(outcome.err, "sonquill-cli: the game folder '" + cli.path("home") +
                                  "/Sonquill/Compiled' does not exist\n");
    }
}

void TestCli::distribute_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("encoderOnPath");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // %1 the source folder
    QTest::addColumn<QString>("err");
    QTest::addColumn<QStringList>("files");

    const QString copied = "Copying Complete\nCopying/Encoding of 2 files was successful.\n";
    QTest::newRow("copies") << QStringList{} << true << 0 << copied << QString()
                            << QStringList{"SOUND1.wav", "SOUND2.mp3"};
    QTest::newRow("encoder not found")
        << QStringList{"--ogg"} << false << 0
        << "Copying Complete\nCopying/Encoding of 2 files was successful.\n\n"
           "Ogg-encoding compressed wav's from 0 kB to 0 kB.\n"
        << "Error in Ogg Encoder\nThe OGG encoder, 'oggenc', was not found in the program's "
           "directory or on the search path. Ogg encoding will not be done.\n"
        << QStringList{"SOUND1.wav", "SOUND2.mp3"};
    QTest::newRow("missing source")
        << QStringList{"--ogg", "--custom-command", "oggenc -Q %1 -o %2"} << true << 1
        << "Errors During Copy!\n%1/Bell.mp3 (#2) : The source file cannot be read: No such "
           "file or directory\n\n\nOgg-encoding compressed wav's from 6 kB to %2 kB.\n"
        << QString() << QStringList{"SOUND1.ogg"};
}

void TestCli::distribute()
{
    QFETCH(QStringList, options);
    QFETCH(bool, encoderOnPath);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QStringList, files);

    Cli cli;
    writeFile(cli.sfx("Door.WAV"), makeWav(6000));
    writeFile(cli.sfx("Bell.mp3"), "mp3");
    QVERIFY(cli.ok({"add", cli.sfx("Door.WAV"), cli.sfx("Bell.mp3")}));
    if (QTest::currentDataTag() == QLatin1String("missing source"))
        QFile::remove(cli.sfx("Bell.mp3"));
    if (!encoderOnPath)
        cli.setEnvironment("PATH", cli.path("empty"));

    const Outcome outcome = cli.run(QStringList{"distribute"} + options);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(outcome.err, err);
    const QByteArray ogg = readFile(cli.game("SOUND1.ogg"));
    if (out.contains("%1")) {
        const qint64 encodedKb = qint64(std::nearbyint(ogg.size() / 1000.0));
        out = out.arg(cli.path("sfx"), QString::number(encodedKb));
    }
    QCOMPARE(outcome.out, out);
    QStringList numbered =
        QDir(cli.game()).entryList({"SOUND*"}, QDir::Files | QDir::CaseSensitive);
    QCOMPARE(numbered, files);
    if (files.contains("SOUND1.wav"))
        QCOMPARE(readFile(cli.game("SOUND1.wav")), makeWav(6000));
    else
        QVERIFY(ogg.startsWith("OggS"));
    QCOMPARE(readFile(cli.game("SoundList.dat")), QByteArray("0001\r\nDoor\r\n0002\r\nBell\r\n"));
    // The run's options are not remembered.
    QCOMPARE(QDir(cli.path("config")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
}

void TestCli::encoderOutlivesTheProgram()
{
    Cli cli;
    writeFile(cli.sfx("Door.wav"), makeWav(6000));
    QVERIFY(cli.ok({"add", cli.sfx("Door.wav")}));
    const QString encoder = writeScript(cli.path("slow.sh"), "sleep 2\ncp \"$1\" \"$2\"");

    const Outcome outcome = cli.run(
        {"distribute", "--ogg", "--custom-command", encoder + " %1 %2", "--timeout", "0.3"});
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.out, "Errors During Copy!\n" + cli.sfx("Door.wav") +
                              " (#1) : OGG encoding was unsuccessful (or took longer than 0.3 "
                              "seconds).\n\n\nOgg-encoding compressed wav's from 0 kB to 0 kB.\n");
    QCOMPARE(readFile(cli.game("SOUND1.wav")), makeWav(6000));
    // sonquill-cli has ended; the encoder it started still finishes its file.
    QTRY_COMPARE_WITH_TIMEOUT(readFile(cli.game("SOUND1.ogg")), makeWav(6000), 20000);
}

void TestCli::encoderOutputOnlyForLargeFiles_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("shown");

    QTest::newRow("1,999,999 bytes: output discarded") << 1999999 << false;
    QTest::newRow("2,000,000 bytes: output shown") << 2000000 << true;
}

void TestCli::encoderOutputOnlyForLargeFiles()
{
    QFETCH(int, bytes);
    QFETCH(bool, shown);

    Cli cli;
    writeFile(cli.sfx("Big.wav"), makeWav(bytes));
    QVERIFY(cli.ok({"add", cli.sfx("Big.wav")}));
    const QString encoder =
        writeScript(cli.path("talky.sh"), "echo ENCODER SAYS HI\necho ENCODER WARNS >&2\n"
                                          "cp \"$1\" \"$2\"");
    const Outcome outcome =
        cli.run({"distribute", "--ogg", "--custom-command", encoder + " %1 %2"});
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out.contains("ENCODER SAYS HI"), shown);
    QCOMPARE(outcome.err.contains("ENCODER WARNS"), shown);
    QVERIFY(QFile::exists(cli.game("SOUND1.ogg")));
}

void TestCli::listsAndClean()
{
    Cli cli;
    writeFile(cli.sfx("Door.wav"), "door");
    writeFile(cli.game("SOUND9.wav"), "a source that lives in the game folder");
    // A relative file name is stored as a full path.
    const QString relative = QDir(QDir::currentPath()).relativeFilePath(cli.sfx("Door.wav"));
    const Outcome added = cli.run({"add", "--category", "Doors", relative, cli.game("SOUND9.wav")});
    QCOMPARE(added.exitCode, 0);
    QCOMPARE(added.out, "1\t" + cli.sfx("Door.wav") + "\n2\t" + cli.game("SOUND9.wav") + "\n");
    QVERIFY(cli.ok({"lock", "2"}));

    const Outcome lists = cli.run({"lists"});
    QCOMPARE(lists.exitCode, 0);
    QCOMPARE(lists.out, cli.game("AllSounds.txt") + "\n" + cli.game("LockedSounds.txt") + "\n" +
                            cli.game("WinampPlaylist.m3u") + "\n");
    QCOMPARE(readFile(cli.game("WinampPlaylist.m3u")),
             "#EXTM3U\r\n" + cli.sfx("Door.wav").toUtf8() + "\r\n" +
                 cli.game("SOUND9.wav").toUtf8() + "\r\n");

    QVERIFY(cli.ok({"distribute"}));
    writeFile(cli.game("SOUND05.wav"), "not a numbered name");
    const Outcome clean = cli.run({"clean", "--yes"});
    QCOMPARE(clean.exitCode, 0);
    QCOMPARE(clean.out, QStringLiteral("Deleted 2 files.\n"));
    QCOMPARE(clean.err, QStringLiteral("sonquill-cli: kept SOUND9.wav: it is the source file of a "
                                       "sound in the catalogue\n"));
    QCOMPARE(QDir(cli.game()).entryList({"SOUND*"}, QDir::Files | QDir::CaseSensitive),
             (QStringList{"SOUND05.wav", "SOUND9.wav"}));
    QCOMPARE(readFile(cli.game("SOUND9.wav")), "a source that lives in the game folder");
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
