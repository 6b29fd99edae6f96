// distribute --watch through the real sonquill-cli and the real oggenc: what each way an author
// saves a sound, or another command changes the catalogue, leads to, and how the watch ends.

#include "distribution/FileCopy.h"
#include "distribution/InputWatcher.h"
#include "support/CliWorld.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// A game folder with three sounds: A.wav of 2 s encoded to SOUND1.ogg, B.wav and C.wav too
// small to encode, copied to SOUND2.wav and SOUND3.wav. Every command gives up at once on a
// folder in use, so a watch that held it between runs would fail them.
struct World : CliWorld
{
    World()
    {
        environment.insert("SONQUILL_LOCK_WAIT", "0");
        writeFile(path("sfx/A.wav"), makeWav(44 + 2 * 44100));
        writeFile(path("sfx/B.wav"), makeWav(2000));
        writeFile(path("sfx/C.wav"), makeWav(3000));
        QCOMPARE(inGame({"add", "@/sfx/A.wav", "@/sfx/B.wav", "@/sfx/C.wav"}).exitCode, 0);
    }
    // Starts the watch and waits for its first run.
    void startWatch()
    {
        watch =
            start({"-g", "@/game", "distribute", "--watch", "--json", "--ogg", "--min-size", "4"});
        QCOMPARE(names(nextLine()["made"]),
                 (QStringList{"SOUND1.ogg", "SOUND2.wav", "SOUND3.wav"}));
    }
    // The watch's next line, or an empty object when none comes.
    QJsonObject nextLine()
    {
        QDeadlineTimer deadline(30000);
        while (!watch->canReadLine() && watch->state() == QProcess::Running &&
               !deadline.hasExpired())
            watch->waitForReadyRead(int(deadline.remainingTime()));
        if (!watch->canReadLine())
            return {};
        QJsonObject line = QJsonDocument::fromJson(watch->readLine()).object();
        lines << line;
        return line;
    }
    // The game folder's sounds as they are now, to tell which of them were made again.
    QHash<QString, FileStamp> stamps() const
    {
        QHash<QString, FileStamp> result;
        for (const QString &name : QDir(path("game")).entryList({"SOUND*", "Sound*"}, QDir::Files))
            result.insert(name, StampOf(path("game/" + name)));
        return result;
    }

    std::unique_ptr<QProcess> watch;
    QList<QJsonObject> lines;
};

bool sameFile(const FileStamp &a, const FileStamp &b)
{
    return a.exists && b.exists && a.inode == b.inode && a.mtimeNs == b.mtimeNs && a.size == b.size;
}

} // namespace

class TestWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // However an editor saves, the watcher tells it once, and then follows the file that is
    // under the name now, so the next save in place is told too.
    void watcherFollowsTheFileUnderItsName_data()
    {
        QTest::addColumn<QString>("save");
        QTest::newRow("written in place") << "in place";
        QTest::newRow("a new file renamed over it") << "rename";
        QTest::newRow("deleted, then made again") << "delete";
    }
    void watcherFollowsTheFileUnderItsName()
    {
        QFETCH(QString, save);
        QTemporaryDir dir;
        const QString file = dir.filePath("A.wav");
        QVERIFY(writeFile(file, makeWav(100)));
        InputWatcher watcher;
        QSignalSpy told(&watcher, &InputWatcher::changed);
        watcher.watch({file, dir.filePath("absent.wav")});
        const QVariantList changed{QStringList{file}, QStringList{}};
        if (save == "in place") {
            QVERIFY(writeFile(file, makeWav(200)));
        } else if (save == "rename") {
            QVERIFY(writeFile(file + ".new", makeWav(200)));
            QVERIFY(::rename(qPrintable(file + ".new"), qPrintable(file)) == 0);
        } else {
            QVERIFY(QFile::remove(file));
            QVERIFY(told.wait());
            QCOMPARE(told.takeFirst(), (QVariantList{QStringList{}, QStringList{file}}));
            QVERIFY(writeFile(file, makeWav(200)));
        }
        QVERIFY(told.wait());
        QCOMPARE(told.takeFirst(), changed);
        QVERIFY(writeFile(file, makeWav(300)));
        QVERIFY(told.wait());
        QCOMPARE(told.takeFirst(), changed);
        QVERIFY(told.isEmpty());
    }

    // What each change leads to, and that each signal ends the watch with the folder free.
    void remakesWhatChangedOnly_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("made"); // by the runs after the first, in order
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("missing"); // sources named as gone on the way
        QTest::addColumn<int>("signal");          // that ends the watch
        QTest::addColumn<int>("exitCode");
        const QStringList none;
        // clang-format off
        // Its own runs' writes (the lock, the SOUND files, the lists, the record) start no run.
        QTest::newRow("nothing changed, Ctrl-C") << "none" << none << none << none << int(SIGINT) << 130;
        QTest::newRow("nothing changed, SIGTERM") << "none" << none << none << none << int(SIGTERM) << 143;
        QTest::newRow("nothing changed, the terminal closed") << "none" << none << none << none << int(SIGHUP) << 129;
        QTest::newRow("a WAV rewritten in place") << "rewrite B" << QStringList{"SOUND2.wav"} << none << none << int(SIGTERM) << 143;
        QTest::newRow("a WAV replaced by a rename, then rewritten") << "rename over A, rewrite it" << QStringList{"SOUND1.ogg", "SOUND1.ogg"} << none << none << int(SIGTERM) << 143;
        QTest::newRow("a WAV deleted and made again") << "delete C, make it again" << QStringList{"SOUND3.wav"} << none << QStringList{"sfx/C.wav"} << int(SIGTERM) << 143;
        QTest::newRow("renumbered by another sonquill-cli") << "renumber 2 5" << QStringList{"SOUND5.wav"} << QStringList{"SOUND2.wav"} << none << int(SIGTERM) << 143;
        QTest::newRow("a sound added by another sonquill-cli, then saved") << "add D, rewrite D" << QStringList{"SOUND4.wav", "SOUND4.wav"} << none << none << int(SIGTERM) << 143;
        // clang-format on
    }
    void remakesWhatChangedOnly()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, made);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, missing);

        World world;
        world.startWatch();
        const auto before = world.stamps();
        const QByteArray newWav = makeWav(2500, 11025);
        QStringList madeSeen; // over every run after the first, in order
        const auto runLine = [&] {
            QJsonObject line = world.nextLine();
            while (line["event"] == "missing")
                line = world.nextLine();
            QCOMPARE(line["event"].toString(), QString("run"));
            QCOMPARE(line["errors"].toArray().size(), 0);
            madeSeen << names(line["made"]);
        };
        if (change == "rewrite B") {
            QVERIFY(writeFile(world.path("sfx/B.wav"), newWav)); // truncated, same file
            runLine();
            QCOMPARE(readFile(world.path("game/SOUND2.wav")), newWav);
        } else if (change == "rename over A, rewrite it") {
            QVERIFY(writeFile(world.path("sfx/A.wav.new"), makeWav(44 + 2 * 44100, 11025)));
            QVERIFY(::rename(qPrintable(world.path("sfx/A.wav.new")),
                             qPrintable(world.path("sfx/A.wav"))) == 0);
            runLine();
            const FileStamp encoded = StampOf(world.path("game/SOUND1.ogg"));
            QVERIFY(readFile(world.path("game/SOUND1.ogg")).startsWith("OggS"));
            // The file now under the name is watched, not the one renamed away.
            QVERIFY(writeFile(world.path("sfx/A.wav"), makeWav(44 + 2 * 44100, 16000)));
            runLine();
            QVERIFY(!sameFile(encoded, StampOf(world.path("game/SOUND1.ogg"))));
        } else if (change == "delete C, make it again") {
            QVERIFY(QFile::remove(world.path("sfx/C.wav")));
            const QJsonObject gone = world.nextLine();
            QCOMPARE(gone["event"].toString(), QString("missing"));
            QCOMPARE(gone["numbers"].toArray(), QJsonArray{3});
            QVERIFY(QFile::exists(world.path("game/SOUND3.wav"))); // kept while it is gone
            QVERIFY(writeFile(world.path("sfx/C.wav"), newWav));
            runLine();
            QCOMPARE(readFile(world.path("game/SOUND3.wav")), newWav);
        } else if (change == "renumber 2 5") {
            QCOMPARE(world.inGame({"renumber", "2", "5"}).exitCode, 0);
            runLine();
            QCOMPARE(readFile(world.path("game/SOUND5.wav")), readFile(world.path("sfx/B.wav")));
        } else if (change == "add D, rewrite D") {
            QVERIFY(writeFile(world.path("sfx/D.wav"), makeWav(1000)));
            QCOMPARE(world.inGame({"add", world.path("sfx/D.wav")}).exitCode, 0);
            runLine();
            // The new sound's source is watched from then on.
            QVERIFY(writeFile(world.path("sfx/D.wav"), newWav));
            runLine();
            QCOMPARE(readFile(world.path("game/SOUND4.wav")), newWav);
        }
        QCOMPARE(madeSeen, made);

        // Nothing can announce that no run comes: the watch is given many times its quiet time.
        if (change == "none")
            QVERIFY(!world.watch->waitForReadyRead(1500));
        QFETCH(int, signal);
        ::kill(pid_t(world.watch->processId()), signal);
        QVERIFY(world.watch->waitForFinished(10000));
        QTEST(world.watch->exitCode(), "exitCode");
        if (change == "none")
            QCOMPARE(world.watch->readAllStandardOutput(), QByteArray());
        // Whatever else came: the runs made nothing else and removed only what they should.
        QStringList madeAll, removedAll, missingAll;
        for (const QJsonObject &line : world.lines.mid(1)) {
            madeAll << names(line["made"]);
            removedAll << names(line["removedFiles"]);
            if (line["event"] == "missing")
                missingAll << QDir(world.dir.path()).relativeFilePath(line["path"].toString());
        }
        QCOMPARE(madeAll, made);
        QCOMPARE(removedAll, removed);
        QCOMPARE(missingAll, missing);
        const auto after = world.stamps();
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (it.key().startsWith("SOUND") && !made.contains(it.key()) &&
                !removed.contains(it.key()))
                QVERIFY2(sameFile(*it, after.value(it.key())), qPrintable(it.key()));
        }
        // The names list changes only with the catalogue.
        const bool catalogueChanged = change.startsWith("renumber") || change.startsWith("add");
        QCOMPARE(sameFile(before["SoundList.dat"], after["SoundList.dat"]), !catalogueChanged);
        QCOMPARE(world.inGame({"lock", "1"}).exitCode, 0);
        QVERIFY(!QFile::exists(world.path("game/.SoundInfo.lock")));
    }
};

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
