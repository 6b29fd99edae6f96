// Distribution as a build script meets it, through the real sonquill-cli: what it removes and
// keeps when sources, the catalogue, the record or the disk are not as they should be, and how
// its encoders end with it.

#include "distribution/Manifest.h"
#include "storage/SoundInfoFile.h"
#include "support/CliWorld.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Encoders are shell scripts that write "OggS" and the source, the slow one sleeping first for
// sources whose name has "slow".
struct World : CliWorld
{
    World()
    {
        environment.insert("PATH", "/usr/bin:/bin");
        script("enc.sh", "{ printf OggS; cat \"$1\"; } > \"$2\"");
        script("slow.sh", ": > \"$2\"; case \"$1\" in *slow*) sleep 30 ;; esac\n"
                          "{ printf OggS; cat \"$1\"; } > \"$2\"");
    }
    // A distribution with the given encoder script; --json, so removals can be read.
    QJsonObject distribute(const QString &encoder = "enc.sh", const QStringList &more = {}) const
    {
        const Outcome outcome =
            inGame(QStringList{"distribute", "--json", "--ogg", "--min-size", "0",
                               "--custom-command", path(encoder) + " \"%1\" \"%2\""} +
                   more);
        QJsonObject json = QJsonDocument::fromJson(outcome.out.toUtf8()).object();
        json.insert("exitCode", outcome.exitCode);
        return json;
    }
    // Adds sources named name, holding a WAV of the given size each.
    void add(const QStringList &names, qint64 bytes = 3000) const
    {
        QStringList paths;
        for (const QString &name : names) {
            writeFile(path("sfx/" + name), makeWav(bytes));
            paths << path("sfx/" + name);
        }
        QVERIFY(inGame(QStringList{"add"} + paths).exitCode == 0);
    }
    QStringList soundFiles() const
    {
        return QDir(path("game"))
            .entryList({"SOUND*", ".SOUND*"}, QDir::Files | QDir::Hidden | QDir::CaseSensitive);
    }
    // How many of the slow encoders run now.
    int encodersRunning() const
    {
        QByteArray count;
        // The scripts' shells, not sonquill-cli, whose own arguments name the script too.
        runTool("pgrep", {"-c", "-f", "^/bin/sh " + path("slow.sh")}, &count);
        return count.trimmed().toInt();
    }
};

} // namespace

class TestRemoval : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Three sounds made as .ogg; then something goes wrong before the next run.
    void keepsWhatItCannotVouchFor_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QList<int>>("left");    // the numbers whose .ogg files stay
        QTest::addColumn<QList<int>>("kept");    // those named as kept
        QTest::addColumn<QList<int>>("removed"); // those named as removed
        using L = QList<int>;
        // clang-format off
        QTest::newRow("the sounds' drive unmounted") << "sources gone" << L{1, 2} << L{} << L{3};
        QTest::newRow("the catalogue's count zeroed") << "count zeroed" << L{1, 2, 3} << L{} << L{};
        QTest::newRow("the catalogue moved away") << "catalogue gone" << L{1, 2, 3} << L{} << L{};
        QTest::newRow("replaced by hand, then its sound removed") << "replaced" << L{1, 2, 3} << L{3} << L{};
        QTest::newRow("replaced by hand with its times copied, then removed") << "replaced, touch -r" << L{1, 2, 3} << L{3} << L{};
        QTest::newRow("a record entry naming a file outside") << "record escapes" << L{1, 2} << L{} << L{3};
        QTest::newRow("a made file that became a sound's source") << "made file is a source" << L{1, 2, 3, 9} << L{} << L{};
        QTest::newRow("Ogg off and the disk full: the copies fail") << "disk full" << L{1, 2} << L{1, 2} << L{3};
        // clang-format on
    }

    void keepsWhatItCannotVouchFor()
    {
        QFETCH(QString, fault);
        QFETCH(QList<int>, left);
        QFETCH(QList<int>, kept);
        QFETCH(QList<int>, removed);
        const auto oggs = [](const QList<int> &numbers) {
            QStringList result;
            for (int number : numbers)
                result << QStringLiteral("SOUND%1.ogg").arg(number);
            return result;
        };

        World world;
        world.add({"A.wav", "B.wav", "C.wav"});
        QCOMPARE(world.distribute()["exitCode"].toInt(), 0);
        QCOMPARE(world.soundFiles(), (QStringList{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg"}));
        const QString victim = world.path("victim.txt");
        writeFile(victim, "not the game's");
        const QString third = world.path("game/SOUND3.ogg");
        const QString info = world.path("game/SoundInfo.dat");

        if (fault == "sources gone") {
            QVERIFY(QDir().rename(world.path("sfx"), world.path("unmounted")));
        } else if (fault == "count zeroed") {
            QFile file(info);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(QByteArray(2, '\0')) == 2);
        } else if (fault == "catalogue gone") {
            QVERIFY(QFile::rename(info, world.path("moved.dat")));
        } else if (fault.startsWith("replaced")) {
            const QByteArray bytes = readFile(third);
            QVERIFY(writeFile(world.path("mine.ogg"), QByteArray(bytes).replace(10, 1, "!")));
            if (fault.endsWith("touch -r"))
                QCOMPARE(runTool("touch", {"-r", third, world.path("mine.ogg")}), 0);
            QCOMPARE(runTool("cp", {"-p", world.path("mine.ogg"), third}), 0);
        } else if (fault == "record escapes") {
            // The record names the victim with its true stamp, as a made file would be.
            qputenv("XDG_CACHE_HOME", QFile::encodeName(world.path("cache")));
            Manifest record = Manifest::Load(world.path("game"));
            const MadeRecord made = record.records.value("SOUND3.ogg");
            QVERIFY(StampOf(victim).exists);
            record.records.insert("../victim.txt", MadeRecord::of(made.source, StampOf(made.source),
                                                                  made.how, StampOf(victim)));
            QVERIFY(!record.Save());
        } else if (fault == "made file is a source") {
            // Sound 3 leaves; its made file itself becomes a sound's source under number 9.
            QCOMPARE(world.inGame({"add", third}).exitCode, 0);
            QCOMPARE(world.inGame({"renumber", "4", "9"}).exitCode, 0);
        }
        if (fault != "count zeroed" && fault != "catalogue gone")
            QCOMPARE(world.inGame({"remove", "3"}).exitCode, 0);
        // The plan itself, which the dry run shows even for a catalogue a run refuses, removes
        // nothing for numbers a damaged or missing catalogue seems to have lost.
        if (fault == "count zeroed" || fault == "catalogue gone") {
            const Outcome dry = world.inGame({"distribute", "--dry-run", "--json"});
            QCOMPARE(names(QJsonDocument::fromJson(dry.out.toUtf8())["removedFiles"]),
                     QStringList());
        }
        // Ogg off and the disk full: writes past 1000 bytes fail, and each WAV copy is 3000.
        world.fileSizeLimit = fault == "disk full" ? 1000 : -1;
        const QJsonObject result =
            fault == "disk full"
                ? QJsonDocument::fromJson(
                      world.inGame({"distribute", "--json", "--no-ogg"}).out.toUtf8())
                      .object()
                : world.distribute();

        QCOMPARE(world.soundFiles(), oggs(left));
        QCOMPARE(names(result["keptFiles"]), oggs(kept));
        QCOMPARE(names(result["removedFiles"]), oggs(removed));
        QCOMPARE(readFile(victim), QByteArray("not the game's"));
        if (fault.startsWith("replaced"))
            QCOMPARE(readFile(third), readFile(world.path("mine.ogg")));
    }

    // A run whose sounds are all up to date still does what is left to do in the folder: a
    // removal an earlier run could not make, a partial file, a names list lost; none of it is
    // mistaken for a run with nothing to do.
    void finishesWhatIsLeft_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("done");
        // clang-format off
        QTest::newRow("a removal an earlier run could not make") << "removal" << "removedFiles";
        QTest::newRow("a killed run's partial file") << "partial" << "temporariesRemoved";
        QTest::newRow("the names list deleted") << "list" << QString();
        QTest::newRow("an earlier version's record") << "JSON record" << QString();
        QTest::newRow("a made file become its sound's own source") << "in place" << QString();
        QTest::newRow("a size the catalogue lost") << "size" << QString();
        // clang-format on
    }
    void finishesWhatIsLeft()
    {
        QFETCH(QString, left);
        QFETCH(QString, done);
        World world;
        world.add({"A.wav", "B.wav"});
        QCOMPARE(world.distribute()["exitCode"].toInt(), 0);
        const QByteArray list = readFile(world.path("game/SoundList.dat"));
        if (left == "removal") {
            // Sound 8 left the catalogue, but its file could not be deleted then.
            qputenv("XDG_CACHE_HOME", QFile::encodeName(world.path("cache")));
            QCOMPARE(runTool("cp", {world.path("game/SOUND2.ogg"), world.path("game/SOUND8.ogg")}),
                     0);
            Manifest record = Manifest::Load(world.path("game"));
            record.records.insert("SOUND8.ogg",
                                  MadeRecord::of(world.path("sfx/B.wav"),
                                                 StampOf(world.path("sfx/B.wav")), "copy",
                                                 StampOf(world.path("game/SOUND8.ogg"))));
            QVERIFY(!record.Save());
        } else if (left == "JSON record") {
            // The record as an earlier version wrote it, and no record of this version.
            qputenv("XDG_CACHE_HOME", QFile::encodeName(world.path("cache")));
            QJsonObject files;
            const Manifest record = Manifest::Load(world.path("game"));
            for (auto it = record.records.cbegin(); it != record.records.cend(); ++it) {
                const MadeRecord &made = it.value();
                files[it.key()] =
                    QJsonObject{{"how", made.how},
                                {"source", made.source},
                                {"sourceSize", QString::number(made.sourceSize)},
                                {"sourceMtimeNs", QString::number(made.sourceMtimeNs)},
                                {"targetSize", QString::number(made.targetSize)},
                                {"targetMtimeNs", QString::number(made.targetMtimeNs)},
                                {"targetCtimeNs", QString::number(made.targetCtimeNs)},
                                {"targetInode", QString::number(qint64(made.targetInode))}};
            }
            QVERIFY(
                writeFile(Manifest::JsonPathFor(world.path("game")),
                          QJsonDocument(QJsonObject{{"format", 2}, {"files", files}}).toJson()));
            QVERIFY(QFile::remove(Manifest::PathFor(world.path("game"))));
        } else if (left == "in place") {
            // Sound 2's source is now the file a run made for it: the author's own from now on.
            SoundTable table;
            QVERIFY(!ReadSoundInfo(table, world.path("game/SoundInfo.dat")));
            table.at(2).filename = world.path("game/SOUND2.ogg");
            table.at(2).size = float(QFileInfo(table.at(2).filename).size());
            QVERIFY(!WriteSoundInfo(table, world.path("game/SoundInfo.dat")));
        } else if (left == "size") {
            SoundTable table;
            QVERIFY(!ReadSoundInfo(table, world.path("game/SoundInfo.dat")));
            table.at(1).size = 0;
            QVERIFY(!WriteSoundInfo(table, world.path("game/SoundInfo.dat")));
        } else if (left == "partial") {
            writeFile(world.path("game/.SOUND2.ogg.k2j4h6g8f0a.sonquill-part.ogg"), "OggS half");
        } else {
            QVERIFY(QFile::remove(world.path("game/SoundList.dat")));
        }

        const QJsonObject result = world.distribute();
        QCOMPARE(result["upToDate"].toInt(), 2);
        QCOMPARE(world.soundFiles(), (QStringList{"SOUND1.ogg", "SOUND2.ogg"}));
        QCOMPARE(readFile(world.path("game/SoundList.dat")), list);
        if (!done.isEmpty())
            QCOMPARE(result[done].toArray().size(), 1);
        if (left == "JSON record") {
            QVERIFY(QFile::exists(Manifest::PathFor(world.path("game"))));
            QVERIFY(!QFile::exists(Manifest::JsonPathFor(world.path("game"))));
        } else if (left == "size") {
            SoundTable table;
            QVERIFY(!ReadSoundInfo(table, world.path("game/SoundInfo.dat"), nullptr, false));
            QCOMPARE(table.at(1).size, float(QFileInfo(world.path("sfx/A.wav")).size()));
        } else if (left == "in place") {
            // Never removed as a made file once its sound is gone.
            QCOMPARE(world.inGame({"remove", "2"}).exitCode, 0);
            QCOMPARE(world.distribute()["keptFiles"].toArray().size(), 1);
            QVERIFY(QFile::exists(world.path("game/SOUND2.ogg")));
        }
    }

    // The window's and a script's encoders end with the program, however it ends, and what
    // they left half-written is swept by the next run and by clean.
    void encodersEndWithTheRun_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("count"); // how many times it is sent
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGKILL") << int(SIGKILL) << 1 << -1;
        QTest::newRow("SIGHUP: the terminal closed") << int(SIGHUP) << 1 << 129;
        QTest::newRow("Ctrl-C twice") << int(SIGINT) << 2 << 130;
    }

    void encodersEndWithTheRun()
    {
        QFETCH(int, signal);
        QFETCH(int, count);
        QFETCH(int, exitCode);

        World world;
        world.add({"slow1.wav", "slow2.wav"});
        // A partial file an earlier version's killed run left behind.
        writeFile(world.path("game/.SOUND7.ogg.k2j4h6g8f0a.ogg"), "OggS half");
        const auto run =
            world.start({"-g", "@/game", "distribute", "--ogg", "--min-size", "0", "--jobs", "2",
                         "--custom-command", world.path("slow.sh") + " %1 %2"});
        // Both encoders at work, each with its partial file begun.
        QTRY_VERIFY_WITH_TIMEOUT(world.encodersRunning() == 2 && world.soundFiles().size() == 2,
                                 20000);
        for (int i = 0; i < count; ++i)
            ::kill(pid_t(run->processId()), signal);
        QVERIFY(run->waitForFinished(20000));
        if (exitCode >= 0)
            QCOMPARE(run->exitCode(), exitCode);
        QTRY_VERIFY_WITH_TIMEOUT(world.encodersRunning() == 0, 10000);

        // The killed run swept the earlier partial file and left its own two.
        const QStringList partial = world.soundFiles();
        QVERIFY2(partial.size() == (signal == SIGKILL ? 2 : 0) &&
                     !partial.contains(".SOUND7.ogg.k2j4h6g8f0a.ogg"),
                 qPrintable(partial.join(' ')));
        // clean takes the partial files too; a run takes what it finds.
        if (signal == SIGKILL) {
            QCOMPARE(world.inGame({"clean", "--yes"}).exitCode, 0);
        } else {
            world.script("slow.sh", "{ printf OggS; cat \"$1\"; } > \"$2\"");
            QCOMPARE(world.distribute("slow.sh")["exitCode"].toInt(), 0);
        }
        QStringList hidden = world.soundFiles();
        hidden.removeIf([](const QString &name) { return !name.startsWith('.'); });
        QCOMPARE(hidden, QStringList());
    }

    // What an earlier run finished counts, whatever became of the run or the folder's spelling.
    void recordKeepsFinishedWork()
    {
        World world;
        world.add({"A.wav", "B.wav", "C.wav", "slow D.wav"});
        const auto run =
            world.start({"-g", "@/game", "distribute", "--ogg", "--min-size", "0", "--jobs", "1",
                         "--custom-command", world.path("slow.sh") + " \"%1\" \"%2\""});
        // Three made and recorded (the record is written at least once a second while a run
        // works), the fourth still being encoded.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(world.path("cache")));
        QTRY_VERIFY_WITH_TIMEOUT(world.encodersRunning() > 0 &&
                                     Manifest::Load(world.path("game")).records.size() == 3,
                                 30000);
        ::kill(pid_t(run->processId()), SIGKILL);
        QVERIFY(run->waitForFinished(10000));
        world.script("slow.sh", "{ printf OggS; cat \"$1\"; } > \"$2\"");
        QCOMPARE(world.distribute("slow.sh")["upToDate"].toInt(), 3);

        // The same folder spelled with a trailing slash, relatively, through a link.
        QVERIFY(QFile::link(world.path("game"), world.path("link")));
        for (const QString &spelling : QStringList{world.path("game") + "/", world.path("link")}) {
            const Outcome again =
                world.run({"-g", spelling, "distribute", "--json", "--ogg", "--min-size", "0",
                           "--custom-command", world.path("slow.sh") + " \"%1\" \"%2\""});
            QCOMPARE(QJsonDocument::fromJson(again.out.toUtf8())["upToDate"].toInt(), 4);
        }
    }

    // Faults of the encoder and of the record that must not pass for success or failure.
    void honestResults()
    {
        World world;
        world.add({"A.wav"});
        // An encoder that exits 0 and writes nothing useful: the .wav copy, and exit 1.
        world.script("empty.sh", ": > \"$2\"");
        const QJsonObject empty = world.distribute("empty.sh");
        QCOMPARE(empty["exitCode"].toInt(), 1);
        QCOMPARE(world.soundFiles(), QStringList{"SOUND1.wav"});
        QCOMPARE(empty["errors"][0]["code"].toString(), "encoder-failed");
        // ... and the next run does not call it up to date.
        QCOMPARE(world.distribute()["encoded"].toInt(), 1);

        // A pipe as the record: the run does not hang on it.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(world.path("cache")));
        const QString record = Manifest::PathFor(world.path("game"));
        QVERIFY(QFile::remove(record));
        QCOMPARE(::mkfifo(QFile::encodeName(record).constData(), 0600), 0);
        const Outcome piped = world.inGame({"distribute", "--no-ogg"});
        QCOMPARE(piped.exitCode, 0);

        // A record that cannot be written: a warning, the run a success.
        writeFile(world.path("cache-is-a-file"), "");
        world.environment.insert("XDG_CACHE_HOME", world.path("cache-is-a-file"));
        const Outcome unrecorded = world.inGame({"distribute", "--no-ogg"});
        QCOMPARE(unrecorded.exitCode, 0);
        QVERIFY2(unrecorded.err.contains("warning: The record of the files made cannot be saved"),
                 qPrintable(unrecorded.err));
    }

    // Odd file names: check, the dry run and the run itself name the same file, or refuse the
    // same sound.
    void checkDryRunAndRunAgree_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("target"); // empty: refused
        // clang-format off
        QTest::newRow("no-break space after the extension") << QString("Door.wav\u00a0") << "encode" << "SOUND1.ogg";
        QTest::newRow("dots in the name") << "Door.old.v2.WAV" << "encode" << "SOUND1.ogg";
        QTest::newRow("upper case mp3") << "BELL.MP3" << "copy" << "SOUND1.mp3";
        QTest::newRow("no extension") << "Boom" << "refused" << QString();
        QTest::newRow("ends in a dot") << "Boom." << "refused" << QString();
        QTest::newRow("blank before the extension") << "Horn. voc" << "copy" << "SOUND1.voc";
        // clang-format on
    }

    void checkDryRunAndRunAgree()
    {
        QFETCH(QString, name);
        QFETCH(QString, action);
        QFETCH(QString, target);

        World world;
        writeFile(world.path("sfx/" + name), makeWav(3000));
        QCOMPARE(world.inGame({"add", world.path("sfx/" + name)}).exitCode, 0);
        const QStringList ogg{"--ogg", "--min-size", "0", "--custom-command",
                              world.path("enc.sh") + " \"%1\" \"%2\""};
        const Outcome dry = world.inGame(QStringList{"distribute", "--dry-run", "--json"} + ogg);
        const QJsonValue planned = QJsonDocument::fromJson(dry.out.toUtf8())["sounds"][0];
        QCOMPARE(world.soundFiles(), QStringList()); // the dry run made nothing
        const Outcome check = world.inGame({"check"});
        QCOMPARE(world.distribute()["exitCode"].toInt(), target.isEmpty() ? 1 : 0);

        QCOMPARE(world.soundFiles(), target.isEmpty() ? QStringList() : QStringList{target});
        QCOMPARE(planned["target"].toString(), target);
        QCOMPARE(planned["action"].toString(), action);
        QCOMPARE(check.out.contains(": error: "), target.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRemoval)
#include "tst_removal.moc"
