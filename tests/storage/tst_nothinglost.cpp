// What no failing disk, no odd directory entry and no damaged catalogue may cost: the bytes of a
// catalogue or list already on disk. The faults are real (a file size limit, a full tmpfs, pipes,
// devices, links), and each risky call runs in a forked child that a hang cannot keep alive.
#include "storage/CatalogueBackup.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <optional>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sonquill;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr unsigned kChildSeconds = 10;

// What a child saw: the error returned, the messages shown ("title|icon|text") and the number of
// sounds in the table afterwards.
struct Seen
{
    int errorNumber = 0;
    QString errorText;
    QStringList messages;
    int count = -1;
};

struct Outcome
{
    bool finished = false;
    QString how; // why the child did not finish
    Seen seen;
};

QString shown(const MessageRequest &request)
{
    return request.title + u'|' + QString::number(int(request.icon)) + u'|' + request.text;
}

QStringList shown(const test::ScriptedUi &ui)
{
    QStringList texts;
    for (const MessageRequest &request : ui.messages)
        texts.append(shown(request));
    return texts;
}

// A read that never ends must fail the child, not fill the machine's memory.
void limitMemory()
{
    if (kSanitized)
        return; // the sanitizer's shadow memory does not fit any limit
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return;
    const qint64 pages = statm.readLine().split(' ').value(0).toLongLong();
    const rlim_t bytes = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(1) << 30);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &limit);
}

// Runs work in a forked child with SIGALRM after kChildSeconds, so that a hang ends, and with
// the file size limit when one is given (SIGXFSZ ignored, so writes fail with EFBIG).
Outcome inChild(const std::function<Seen()> &work, std::optional<rlim_t> fileSizeLimit = {})
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {false, QStringLiteral("no pipe"), {}};
    const pid_t pid = ::fork();
    if (pid < 0)
        return {false, QStringLiteral("no fork"), {}};
    if (pid == 0) {
        ::close(fds[0]);
        ::signal(SIGALRM, SIG_DFL);
        ::alarm(kChildSeconds);
        limitMemory();
        if (fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*fileSizeLimit, *fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        const Seen seen = work();
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        stream << seen.errorNumber << seen.errorText << seen.messages << seen.count;
        for (qsizetype done = 0; done < out.size();) {
            const ssize_t n = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (n <= 0)
                ::_exit(3);
            done += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray in;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            in.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Outcome outcome;
    if (WIFSIGNALED(status)) {
        outcome.how =
            WTERMSIG(status) == SIGALRM
                ? QStringLiteral("the child hung and was ended after %1 s").arg(kChildSeconds)
                : QStringLiteral("the child died of signal %1").arg(WTERMSIG(status));
        return outcome;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        outcome.how = QStringLiteral("the child exited with %1").arg(WEXITSTATUS(status));
        return outcome;
    }
    QDataStream stream(in);
    stream >> outcome.seen.errorNumber >> outcome.seen.errorText >> outcome.seen.messages >>
        outcome.seen.count;
    outcome.finished = stream.status() == QDataStream::Ok;
    if (!outcome.finished)
        outcome.how = QStringLiteral("the child's report was cut short");
    return outcome;
}

// Points XDG_STATE_HOME elsewhere for one test, and back afterwards.
class StateHome
{
public:
    explicit StateHome(const QString &path) : m_old(qgetenv("XDG_STATE_HOME"))
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(path));
    }
    ~StateHome() { qputenv("XDG_STATE_HOME", m_old); }
    StateHome(const StateHome &) = delete;
    StateHome &operator=(const StateHome &) = delete;

private:
    QByteArray m_old;
};

SoundRecord makeRecord(const QString &name, const QString &file, qint16 number)
{
    return {name, file, number, 0, QStringLiteral("Misc"), 0, 0.0f, {}, {}};
}

SoundTable tableOf(QList<SoundRecord> records)
{
    SoundTable table;
    table.replaceAll(std::move(records));
    return table;
}

SoundTable numbered(int count, const QString &prefix = QStringLiteral("Sound"))
{
    QList<SoundRecord> records;
    for (int i = 1; i <= count; ++i)
        records.append(makeRecord(QStringLiteral("%1 %2").arg(prefix).arg(i),
                                  QStringLiteral("/sfx/%1-%2.wav").arg(prefix).arg(i), qint16(i)));
    return tableOf(records);
}

QList<int> tableOrder(const SoundTable &table)
{
    QList<int> order;
    for (int i = 1; i <= table.SoundCount(); ++i)
        order.append(i);
    return order;
}

// Every file below folder, oldest backup first (backup names sort as their times).
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

// The kind of a directory entry and of what a link leads to: "fifo", "link>fifo", ...
QString entryKind(const QString &path)
{
    const auto kind = [](mode_t mode) {
        switch (mode & S_IFMT) {
        case S_IFREG:
            return QStringLiteral("file");
        case S_IFDIR:
            return QStringLiteral("folder");
        case S_IFIFO:
            return QStringLiteral("fifo");
        case S_IFCHR:
            return QStringLiteral("device");
        case S_IFLNK:
            return QStringLiteral("link");
        default:
            return QStringLiteral("other");
        }
    };
    const QByteArray name = QFile::encodeName(path);
    struct stat own
    {};
    if (::lstat(name.constData(), &own) != 0)
        return QStringLiteral("missing");
    struct stat target
    {};
    if (S_ISLNK(own.st_mode))
        return ::stat(name.constData(), &target) == 0 ? "link>" + kind(target.st_mode)
                                                      : QStringLiteral("link>missing");
    return kind(own.st_mode);
}

// A catalogue of three sounds in exactly 317 bytes.
QByteArray threeSounds()
{
    QList<SoundRecord> records;
    for (int i = 1; i <= 3; ++i)
        records.append(makeRecord(QStringLiteral("Door"),
                                  QStringLiteral("/home/me/sfx/door-slam-0%1.wav").arg(i),
                                  qint16(i)));
    return SerializeSoundInfo(tableOf(records));
}

} // namespace

class TestNothingLost : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void oddEntries_data();
    void oddEntries();
    void emptyLookingCatalogueIsKept();
    void backupsFollowChanges_data();
    void backupsFollowChanges();
    void failedBackupStopsTheSave_data();
    void failedBackupStopsTheSave();
    void backupFolder_data();
    void backupFolder();
    void fileNameCase_data();
    void fileNameCase();
};

void TestNothingLost::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("catalogue"); // else the list of all sounds
    QTest::addColumn<bool>("tmpfs");     // else a file size limit of 64 bytes
    QTest::addColumn<int>("oldSize");
    QTest::addColumn<int>("sounds");
    QTest::addColumn<QString>("cause");

    const QString tooLarge = QStringLiteral("File too large");
    const QString noSpace = QStringLiteral("No space left on device");
    QTest::newRow("catalogue over a smaller one, size limit")
        << true << false << 40 << 3 << tooLarge;
    // Here keeping the old catalogue among the backups fails first; the save must stop there.
    QTest::newRow("catalogue over a larger one, size limit")
        << true << false << 5000 << 3 << tooLarge;
    QTest::newRow("list over a larger one, size limit") << false << false << 5000 << 3 << tooLarge;
    QTest::newRow("catalogue, full tmpfs") << true << true << 56 * 1024 << 100 << noSpace;
    QTest::newRow("list, full tmpfs") << false << true << 56 * 1024 << 300 << noSpace;
}

void TestNothingLost::fullDiskKeepsTheOldFile()
{
    QFETCH(bool, catalogue);
    QFETCH(bool, tmpfs);
    QFETCH(int, oldSize);
    QFETCH(int, sounds);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    QTemporaryDir state;
    const StateHome stateHome(state.path());
    const QString game = dir.filePath(QStringLiteral("game"));
    QVERIFY(QDir().mkpath(game));
    if (tmpfs) {
        if (::geteuid() != 0)
            QSKIP("mounting a tmpfs needs root; the size limit rows show the same fault");
        if (::mount("tmpfs", QFile::encodeName(game).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("no tmpfs could be mounted here; the size limit rows show the same fault");
    }
    const auto unmount = qScopeGuard([&] {
        if (tmpfs)
            ::umount2(QFile::encodeName(game).constData(), MNT_DETACH);
    });
    const QString path = game + (catalogue ? "/SoundInfo.dat" : "/AllSounds.txt");
    QByteArray old(oldSize, Qt::Uninitialized);
    for (int i = 0; i < oldSize; ++i)
        old[i] = char('a' + i % 23);
    QVERIFY(test::writeFile(path, old));

    const SoundTable table = numbered(sounds);
    const Outcome outcome = inChild(
        [&] {
            Seen seen;
            if (catalogue) {
                test::ScriptedUi ui;
                seen.errorNumber = SaveSoundInfo(table, path, ui).number;
                seen.messages = shown(ui);
            } else {
                const FileError error = MakeListOfAll(table, tableOrder(table), path);
                seen.errorNumber = error.number;
                seen.errorText = error.description;
            }
            return seen;
        },
        tmpfs ? std::nullopt : std::optional<rlim_t>(64));
    QVERIFY2(outcome.finished, qPrintable(outcome.how));

    QCOMPARE(test::readFile(path), old);
    QCOMPARE(QDir(game).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(path).fileName()}); // no partial copy left beside it
    QVERIFY(outcome.seen.errorNumber != 0);
    if (catalogue) {
        QCOMPARE(outcome.seen.messages.size(), 1);
        const QString message = outcome.seen.messages.first();
        QVERIFY2(message.startsWith("Error!|"), qPrintable(message));
        QVERIFY2(message.contains(cause + "'.\r\nRaised while Saving the SoundInfo.DAT file"),
                 qPrintable(message));
    } else {
        QCOMPARE(outcome.seen.errorText, cause);
    }
}

void TestNothingLost::oddEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("save");        // else load
    QTest::addColumn<QString>("reported"); // first line of the error report, %1 the path
    QTest::addColumn<int>("countAfter");

    const QString refused = QStringLiteral("Error 5: '%1 is not a regular file'.");
    QTest::newRow("load, pipe is refused at once") << "fifo" << false << refused << 2;
    QTest::newRow("load, link to a pipe is refused at once")
        << "link>fifo" << false << refused << 2;
    QTest::newRow("load, link to /dev/zero is refused at once")
        << "link>device" << false << refused << 2;
    QTest::newRow("load, folder of that name is no catalogue")
        << "folder" << false << QString() << 2;
    QTest::newRow("load, empty file is an empty catalogue") << "file" << false << QString() << 0;
    QTest::newRow("save, pipe stays a pipe") << "fifo" << true << refused << 2;
    QTest::newRow("save, link to a pipe keeps both") << "link>fifo" << true << refused << 2;
}

void TestNothingLost::oddEntries()
{
    QFETCH(QString, entry);
    QFETCH(bool, save);
    QFETCH(QString, reported);
    QFETCH(int, countAfter);

    QTemporaryDir dir;
    QTemporaryDir state;
    const StateHome stateHome(state.path());
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    const QByteArray name = QFile::encodeName(path);
    if (entry == "fifo")
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    if (entry == "link>fifo") {
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(::symlink(fifo.constData(), name.constData()), 0);
    }
    if (entry == "link>device")
        QCOMPARE(::symlink("/dev/zero", name.constData()), 0);
    if (entry == "folder")
        QVERIFY(QDir().mkpath(path));
    if (entry == "file")
        QVERIFY(test::writeFile(path, {}));
    QCOMPARE(entryKind(path), entry);

    const Outcome outcome = inChild([&] {
        SoundTable table = numbered(2);
        test::ScriptedUi ui;
        Seen seen;
        seen.errorNumber =
            (save ? SaveSoundInfo(table, path, ui) : LoadSoundInfo(table, path, ui)).number;
        seen.messages = shown(ui);
        seen.count = table.SoundCount();
        return seen;
    });
    QVERIFY2(outcome.finished, qPrintable(outcome.how));

    if (reported.isEmpty()) {
        QCOMPARE(outcome.seen.messages, QStringList());
        QCOMPARE(outcome.seen.errorNumber, 0);
    } else {
        QCOMPARE(outcome.seen.messages.size(), 1);
        const QString prefix =
            QStringLiteral("Error!|%1|").arg(int(MessageRequest::Icon::Critical));
        QCOMPARE(outcome.seen.messages.first().section(u'\r', 0, 0), prefix + reported.arg(path));
    }
    QCOMPARE(outcome.seen.count, countAfter);
    QCOMPARE(entryKind(path), entry);
    QCOMPARE(filesBelow(state.path()), QStringList());
}

void TestNothingLost::emptyLookingCatalogueIsKept()
{
    QTemporaryDir game;
    QTemporaryDir state;
    const StateHome stateHome(state.path());
    const QString path = game.filePath(QStringLiteral("SoundInfo.dat"));
    QByteArray damaged = threeSounds();
    QCOMPARE(damaged.size(), 317);
    damaged[0] = damaged[1] = '\0';
    QVERIFY(test::writeFile(path, damaged));

    SoundTable table = numbered(1);
    test::ScriptedUi ui;
    QVERIFY(!LoadSoundInfo(table, path, ui));
    QVERIFY(table.isEmpty());
    const QStringList kept = filesBelow(state.path());
    QCOMPARE(kept.size(), 1);
    QVERIFY(kept.first().startsWith(CatalogueBackupFolder(game.path()) + u'/'));
    QCOMPARE(test::readFile(kept.first()), damaged);
    QCOMPARE(ui.messages.size(), 1);
    const MessageRequest &warning = ui.messages.first();
    QCOMPARE(warning.title, QStringLiteral("Sonquill"));
    QCOMPARE(warning.text,
             path + " reads as an empty catalogue; its bytes are kept at " + kept.first() + ".");
    QCOMPARE(warning.icon, MessageRequest::Icon::Exclamation);
    QCOMPARE(warning.buttons, QList<MessageRequest::Button>{MessageRequest::Button::Ok});

    // Closing saves the empty catalogue; the three sounds stay in the backup.
    QVERIFY(!SaveSoundInfo(table, path, ui));
    QCOMPARE(test::readFile(path), QByteArray(2, '\0'));
    QCOMPARE(filesBelow(state.path()), kept);
    QCOMPARE(test::readFile(kept.first()), damaged);
    QCOMPARE(QDir(game.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"SoundInfo.dat"});
    QCOMPARE(ui.messages.size(), 1);
}

void TestNothingLost::backupsFollowChanges_data()
{
    QTest::addColumn<int>("initial"); // the version on disk first; -1 an empty file
    QTest::addColumn<QList<int>>("saves");
    QTest::addColumn<QList<int>>("kept"); // versions in the backups, oldest first

    QTest::newRow("a change keeps the replaced version") << 0 << QList<int>{1} << QList<int>{0};
    QTest::newRow("an unchanged save keeps nothing") << 0 << QList<int>{0, 0} << QList<int>{};
    QTest::newRow("unchanged saves after a change add nothing")
        << 0 << QList<int>{1, 1, 1} << QList<int>{0};
    QTest::newRow("back and forth keeps each replaced version")
        << 0 << QList<int>{1, 0, 1} << QList<int>{0, 1, 0};
    QTest::newRow("the last ten versions are kept")
        << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}
        << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    QTest::newRow("an empty file has nothing to keep") << -1 << QList<int>{1} << QList<int>{};
}

void TestNothingLost::backupsFollowChanges()
{
    QFETCH(int, initial);
    QFETCH(QList<int>, saves);
    QFETCH(QList<int>, kept);

    QTemporaryDir game;
    QTemporaryDir state;
    const StateHome stateHome(state.path());
    const auto version = [](int v) { return numbered(1, QStringLiteral("v%1").arg(v)); };
    const QString path = game.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(
        test::writeFile(path, initial < 0 ? QByteArray() : SerializeSoundInfo(version(initial))));

    test::ScriptedUi ui;
    for (int v : saves)
        QVERIFY(!SaveSoundInfo(version(v), path, ui));
    QCOMPARE(test::readFile(path), SerializeSoundInfo(version(saves.last())));
    QList<QByteArray> backups;
    for (const QString &file : filesBelow(state.path()))
        backups.append(test::readFile(file));
    QList<QByteArray> expected;
    for (int v : kept)
        expected.append(SerializeSoundInfo(version(v)));
    QCOMPARE(backups, expected);
    QCOMPARE(QDir(game.path()).count(), 3u); // ".", ".." and the catalogue: no backup there
    QCOMPARE(ui.messages.size(), 0);
}

void TestNothingLost::failedBackupStopsTheSave_data()
{
    QTest::addColumn<bool>("save"); // else load a catalogue that reads as empty
    QTest::newRow("save") << true;
    QTest::newRow("load") << false;
}

void TestNothingLost::failedBackupStopsTheSave()
{
    QFETCH(bool, save);

    QTemporaryDir game;
    QTemporaryDir dir;
    // The state folder is a file, so no backup folder can be made below it.
    const QString state = dir.filePath(QStringLiteral("state"));
    QVERIFY(test::writeFile(state, "not a folder"));
    const StateHome stateHome(state);
    const QString path = game.filePath(QStringLiteral("SoundInfo.dat"));
    QByteArray old = threeSounds();
    if (!save)
        old[0] = old[1] = '\0';
    QVERIFY(test::writeFile(path, old));

    SoundTable table = numbered(2);
    test::ScriptedUi ui;
    const FileError error = save ? SaveSoundInfo(table, path, ui) : LoadSoundInfo(table, path, ui);
    QVERIFY(error);
    QCOMPARE(test::readFile(path), old);
    QCOMPARE(ui.messages.size(), 1);
    const MessageRequest &report = ui.messages.first();
    QCOMPARE(report.title, QStringLiteral("Error!"));
    const QString folder = CatalogueBackupFolder(game.path());
    QVERIFY(folder.startsWith(state + u'/'));
    const QString reason = save ? QString(path +
                                          " was not replaced, because its present contents could "
                                          "not be kept in " +
                                          folder + ": The folder " + folder + " could not be made")
                                : QString(path +
                                          " reads as an empty catalogue, and its bytes could not "
                                          "be kept: The folder " +
                                          folder + " could not be made");
    QCOMPARE(report.text.section(u'\r', 0, 0), "Error 5: '" + reason + "'.");
}

void TestNothingLost::backupFolder_data()
{
    QTest::addColumn<QString>("stateHome"); // "unset": no XDG_STATE_HOME
    QTest::addColumn<QString>("under");     // relative to the temporary folder

    QTest::newRow("XDG_STATE_HOME") << "state"
                                    << "state/Sonquill/backups/";
    QTest::newRow("unset: ~/.local/state") << "unset"
                                           << "home/.local/state/Sonquill/backups/";
    QTest::newRow("relative: ignored") << "relative/state"
                                       << "home/.local/state/Sonquill/backups/";
}

void TestNothingLost::backupFolder()
{
    QFETCH(QString, stateHome);
    QFETCH(QString, under);

    QTemporaryDir dir;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldState = qgetenv("XDG_STATE_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        qputenv("XDG_STATE_HOME", oldState);
    });
    qputenv("HOME", QFile::encodeName(dir.filePath("home")));
    if (stateHome == "unset")
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME",
                QFile::encodeName(stateHome.startsWith("relative") ? stateHome
                                                                   : dir.filePath(stateHome)));
    // Two games of the same name, and a link to one of them.
    const QString first = dir.filePath(QStringLiteral("a/Quest: Part 1"));
    const QString second = dir.filePath(QStringLiteral("b/Quest: Part 1"));
    const QString link = dir.filePath(QStringLiteral("link"));
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
    QVERIFY(QFile::link(first, link));

    const QString folder = CatalogueBackupFolder(first);
    QVERIFY2(folder.startsWith(dir.filePath(under) + "Quest__Part_1-"), qPrintable(folder));
    QCOMPARE(QFileInfo(folder).fileName().size(), QStringLiteral("Quest__Part_1-").size() + 8);
    QVERIFY(CatalogueBackupFolder(second) != folder);
    QCOMPARE(CatalogueBackupFolder(link), folder);

    // A save through the link keeps the replaced catalogue in that folder.
    QVERIFY(test::writeFile(first + "/SoundInfo.dat", SerializeSoundInfo(numbered(1))));
    test::ScriptedUi ui;
    QVERIFY(!SaveSoundInfo(numbered(2), link + "/SoundInfo.dat", ui));
    const QStringList kept = filesBelow(dir.filePath(under));
    QCOMPARE(kept.size(), 1);
    QCOMPARE(QFileInfo(kept.first()).path(), folder);
    QVERIFY(QFileInfo(kept.first()).fileName().startsWith("SoundInfo-"));
    QCOMPARE(test::readFile(kept.first()), SerializeSoundInfo(numbered(1)));
}

void TestNothingLost::fileNameCase_data()
{
    QTest::addColumn<QStringList>("present"); // a trailing "/" makes a folder
    QTest::addColumn<QString>("used");

    QTest::newRow("upper case from FAT media") << QStringList{"SOUNDINFO.DAT"} << "SOUNDINFO.DAT";
    QTest::newRow("mixed case") << QStringList{"soundinfo.Dat"} << "soundinfo.Dat";
    QTest::newRow("exact spelling wins")
        << QStringList{"SOUNDINFO.DAT", "SoundInfo.dat", "soundinfo.dat"} << "SoundInfo.dat";
    QTest::newRow("a folder in another case is passed over")
        << QStringList{"SOUNDINFO.DAT/"} << "SoundInfo.dat";
    QTest::newRow("no catalogue yet") << QStringList{} << "SoundInfo.dat";
}

void TestNothingLost::fileNameCase()
{
    QFETCH(QStringList, present);
    QFETCH(QString, used);

    QTemporaryDir game;
    QTemporaryDir state;
    const StateHome stateHome(state.path());
    QMap<QString, QByteArray> before;
    for (const QString &name : present) {
        if (name.endsWith(u'/')) {
            QVERIFY(QDir(game.path()).mkdir(name.chopped(1)));
            continue;
        }
        before[name] = SerializeSoundInfo(numbered(2, name));
        QVERIFY(test::writeFile(game.filePath(name), before[name]));
    }
    const QStringList entries =
        QDir(game.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const QString path = SoundInfoPath(game.path());
    QCOMPARE(path, game.path() + u'/' + used);
    SoundTable table;
    test::ScriptedUi ui;
    QVERIFY(!LoadSoundInfo(table, path, ui));
    QCOMPARE(table.SoundCount(), before.contains(used) ? 2 : 0);
    if (before.contains(used))
        QCOMPARE(table.at(1).name, used + " 1");

    QList<SoundRecord> records = table.records();
    records.append(makeRecord(QStringLiteral("New"), QStringLiteral("/sfx/new.wav"), 3));
    table.replaceAll(records);
    QVERIFY(!SaveSoundInfo(table, SoundInfoPath(game.path()), ui));
    QCOMPARE(ui.messages.size(), 0);
    QStringList after = entries;
    if (!after.contains(used)) {
        after.append(used);
        after.sort();
    }
    QCOMPARE(QDir(game.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), after);
    QCOMPARE(test::readFile(game.filePath(used)), SerializeSoundInfo(table));
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() != used)
            QCOMPARE(test::readFile(game.filePath(it.key())), it.value());
    }
}

QTEST_GUILESS_MAIN(TestNothingLost)
#include "tst_nothinglost.moc"
