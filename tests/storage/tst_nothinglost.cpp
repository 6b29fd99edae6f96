// What no failing disk, no odd directory entry and no damaged catalogue may cost: the bytes of a
// catalogue or list already on disk, and a clear report to the user. The faults are real (a file
// size limit, pipes, devices, links), and each risky call runs in a forked child that a
// hang cannot keep alive.
#include "storage/CatalogueBackup.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace sonquill;
using Button = MessageRequest::Button;

namespace {

// Each message as "title|icon|buttons|default button|text", enums as numbers.
QStringList shown(const test::ScriptedUi &ui)
{
    QStringList texts;
    for (const MessageRequest &m : ui.messages) {
        QStringList buttons;
        for (Button button : m.buttons)
            buttons.append(QString::number(int(button)));
        texts.append(QStringLiteral("%1|%2|%3|%4|%5")
                         .arg(m.title)
                         .arg(int(m.icon))
                         .arg(buttons.join(','))
                         .arg(int(m.defaultButton))
                         .arg(m.text));
    }
    return texts;
}

// The report of a failed load or save: Critical, Abort/Retry/Ignore, Ignore the default.
QString errorReport(const QString &firstLine, const QString &action)
{
    return "Error!|1|4,5,6|6|" + firstLine + "\r\nRaised while " + action +
           " the SoundInfo.DAT file\r\n\r\nPress Ignore to continue.\r\n"
           "If you press Abort, the program will end and you will lose any unsaved data.\r\n"
           "If this error occurs again, try reinstalling Sonquill.\r\n";
}

SoundRecord makeRecord(const QString &name, const QString &file, qint16 number, float size = 0)
{
    return {name, file, number, 0, QStringLiteral("Misc"), 0, size, {}, {}};
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

// Every entry below folder with its type and that of what a link leads to, and the bytes of
// the regular files.
QStringList snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat own = {}, target = {};
        ::lstat(QFile::encodeName(path).constData(), &own);
        ::stat(QFile::encodeName(path).constData(), &target);
        entries.append(QStringLiteral("%1 %2>%3 ").arg(path).arg(own.st_mode).arg(target.st_mode) +
                       (S_ISREG(own.st_mode) ? test::readFile(path).toHex() : ""));
    }
    entries.sort();
    return entries;
}

QByteArray threeSounds()
{
    return SerializeSoundInfo(numbered(3, QStringLiteral("Door")));
}

} // namespace

Q_DECLARE_METATYPE(sonquill::MessageRequest::Button)

class TestNothingLost : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fullDiskKeepsTheOldList();
    void faults_data();
    void faults();
    void backupsFollowChanges_data();
    void backupsFollowChanges();
    void backupFolder_data();
    void backupFolder();
    void fileNameCase_data();
    void fileNameCase();

private:
    QTemporaryDir m_state; // the backups' state folder, emptied before each test
    QByteArray m_home = qgetenv("HOME");
};

void TestNothingLost::init()
{
    QDir(m_state.path()).removeRecursively();
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
    qputenv("HOME", m_home);
}

// Writes past 64 bytes fail as on a full disk (the catalogue's case is a row of faults).
void TestNothingLost::fullDiskKeepsTheOldList()
{
    QTemporaryDir game;
    const QString path = game.filePath("AllSounds.txt");
    QVERIFY(test::writeFile(path, QByteArray(5000, 'o')));
    const SoundTable table = numbered(3);
    const test::ChildResult child = test::runInChild(
        [&] {
            return QStringList{MakeListOfAll(table, {1, 2, 3}, path).description};
        },
        64);
    QVERIFY2(child.failure.isEmpty(), qPrintable(child.failure));
    QCOMPARE(child.answer, QStringList{"File too large"});
    QCOMPARE(test::readFile(path), QByteArray(5000, 'o'));
    QCOMPARE(QDir(game.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"AllSounds.txt"}); // no partial copy left beside it
}

void TestNothingLost::faults_data()
{
    QTest::addColumn<QString>("entry"); // what stands where the catalogue is loaded or saved
    QTest::addColumn<bool>("save");     // else load
    QTest::addColumn<Button>("answer");
    QTest::addColumn<QString>("firstLine"); // of the error report, %1 the path; empty: no report

    const auto row = [](const char *name, const char *entry, bool save, const char *line,
                        Button answer = Button::Ignore) {
        QTest::newRow(name) << QString::fromLatin1(entry) << save << answer
                            << QString::fromLatin1(line);
    };
    const char *missing = "Error 5: 'No such file or directory'.";
    const char *refused = "Error 5: '%1 is not a regular file'.";
    row("save, missing folder, Ignore", "missing folder", true, missing);
    row("save, missing folder, Retry acts as Ignore", "missing folder", true, missing,
        Button::Retry);
    row("save, missing folder, Abort ends the program", "missing folder", true, missing,
        Button::Abort);
    row("save, path is a folder", "folder", true, "Error 2: 'Filename refers to a directory'.");
    // The name leaves no room for the temporary copy, so the save fails beside an old file.
    row("save, no room for the new file", "long name", true,
        "Error 8: 'The new file could not replace the old one'.");
    row("save, pipe stays a pipe", "fifo", true, refused);
    row("save, link to a pipe keeps both", "link>fifo", true, refused);
    // Writes past 64 bytes fail as on a full disk.
    row("save, full disk over a smaller catalogue", "full disk, 40 bytes", true,
        "Error 2: 'File too large'.");
    // Here keeping the old catalogue among the backups fails first; the save must stop there.
    row("save, full disk over a larger catalogue", "full disk, 5000 bytes", true,
        "Error 2: '%1 was not replaced, because its present contents could not be kept in %2: File "
        "too large'.");
    row("load, missing file is no error", "missing", false, "", Button::Abort);
    row("load, folder of that name is no catalogue", "folder", false, "", Button::Abort);
    row("load, empty file is an empty catalogue", "empty file", false, "");
    row("load, pipe is refused at once", "fifo", false, refused);
    row("load, link to a pipe is refused at once", "link>fifo", false, refused);
    row("load, link to /dev/zero is refused at once", "link>device", false, refused);
    row("load, file shorter than its count", "short", false,
        "Error 62: 'The file ends before the last record'.");
    // The state folder is a file, so no backup folder (%2) can be made below it.
    row("save, a failed backup stops the save", "no backup folder", true,
        "Error 5: '%1 was not replaced, because its present contents could not be kept in %2: The "
        "folder %2 could not be made'.");
    row("load, an empty-looking catalogue that cannot be kept", "empty-looking, no backup folder",
        false,
        "Error 5: '%1 reads as an empty catalogue, and its bytes could not be kept: The folder %2 "
        "could not be made'.");
}

void TestNothingLost::faults()
{
    QFETCH(QString, entry);
    QFETCH(bool, save);
    QFETCH(Button, answer);
    QFETCH(QString, firstLine);

    QTemporaryDir dir;
    const QString name = entry == "long name" ? QString(250, u's') : "SoundInfo.dat";
    const QString path = dir.filePath(entry == "missing folder" ? "missing/" + name : name);
    const QByteArray file = QFile::encodeName(path), fifo = QFile::encodeName(dir.filePath("pipe"));
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    if (entry == "folder")
        QVERIFY(test::writeFile(path + "/inside.dat", threeSounds()));
    if (entry == "long name")
        QVERIFY(test::writeFile(path, threeSounds()));
    if (entry == "empty file")
        QVERIFY(test::writeFile(path, {}));
    if (entry.startsWith("full disk"))
        QVERIFY(test::writeFile(path, QByteArray(entry.section(' ', 2, 2).toInt(), 'o')));
    if (entry == "fifo" || entry == "link>fifo")
        QCOMPARE(::mkfifo((entry == "fifo" ? file : fifo).constData(), 0600), 0);
    if (entry.startsWith("link>"))
        QCOMPARE(::symlink(entry == "link>fifo" ? fifo.constData() : "/dev/zero", file.constData()),
                 0);
    if (entry.contains("no backup folder")) {
        QByteArray bytes = threeSounds();
        if (entry.startsWith("empty-looking"))
            bytes[0] = bytes[1] = '\0';
        QVERIFY(test::writeFile(path, bytes));
        QVERIFY(test::writeFile(dir.filePath("state"), "not a folder"));
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
    }
    const QString backups = CatalogueBackupFolder(dir.path());
    if (entry == "short") {
        QVERIFY(test::writeFile(wav, test::makeWav(1234)));
        QByteArray bytes = SerializeSoundInfo(tableOf({makeRecord("Tone", wav, 1, 5)}));
        bytes[0] = 3; // three sounds promised, one there
        QVERIFY(test::writeFile(path, bytes));
    }
    const QStringList before = snapshot(dir.path());

    // The child answers the table afterwards (as saved bytes), the aborts and the messages.
    const SoundTable table = numbered(2);
    const test::ChildResult child = test::runInChild(
        [&] {
            SoundTable changed = table;
            test::ScriptedUi ui;
            ui.messageAnswers.enqueue(answer);
            const FileError error =
                save ? SaveSoundInfo(changed, path, ui) : LoadSoundInfo(changed, path, ui);
            return QStringList{QString::fromLatin1(SerializeSoundInfo(changed).toHex()),
                               QString::number(ui.abortCount), QString::number(error.number)} +
                   shown(ui);
        },
        entry.startsWith("full disk") ? 64 : -1);
    QVERIFY2(child.failure.isEmpty(), qPrintable(child.failure));
    QCOMPARE(child.answer.size(), firstLine.isEmpty() ? 3 : 4); // Retry does not try again
    if (!firstLine.isEmpty())
        QCOMPARE(child.answer[3],
                 errorReport(QString(firstLine).replace("%1", path).replace("%2", backups),
                             save ? "Saving" : "Loading"));
    else
        QCOMPARE(child.answer[2], QStringLiteral("0"));
    QCOMPARE(child.answer[1], !firstLine.isEmpty() && answer == Button::Abort ? "1" : "0");
    SoundTable expected = table;
    if (entry.startsWith("empty")) // the file reads as empty; its bytes stay on disk
        expected = SoundTable();
    // The records the file lacks are empty; every size is measured again.
    SoundRecord unmeasurable;
    unmeasurable.size = -1.0f;
    if (entry == "short")
        expected = tableOf({makeRecord("Tone", wav, 1, 1234), unmeasurable, unmeasurable});
    QCOMPARE(QByteArray::fromHex(child.answer[0].toLatin1()), SerializeSoundInfo(expected));
    // What was on disk stays, nothing half-written is left beside it, and nothing odd is kept.
    QCOMPARE(snapshot(dir.path()), before);
    // A catalogue kept among the backups is kept as it was.
    const QStringList kept = filesBelow(m_state.path());
    if (entry == "full disk, 40 bytes")
        QCOMPARE(kept.size() == 1 ? test::readFile(kept[0]) : QByteArray(), QByteArray(40, 'o'));
    else if (entry != "long name")
        QCOMPARE(kept, QStringList());
}

void TestNothingLost::backupsFollowChanges_data()
{
    // Versions: -1 an empty file, -2 a catalogue whose count reads 0, else one sound of that name.
    QTest::addColumn<int>("initial");
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
    QTest::newRow("an empty-looking catalogue is kept when loaded, with a warning")
        << -2 << QList<int>{} << QList<int>{-2};
}

void TestNothingLost::backupsFollowChanges()
{
    QFETCH(int, initial);
    QFETCH(QList<int>, saves);
    QFETCH(QList<int>, kept);

    QTemporaryDir game;
    const auto version = [](int v) {
        QByteArray bytes = SerializeSoundInfo(numbered(v == -2 ? 3 : 1, QString::number(v)));
        if (v == -2)
            bytes[0] = bytes[1] = '\0';
        return v == -1 ? QByteArray() : bytes;
    };
    const QString path = game.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(test::writeFile(path, version(initial)));

    test::ScriptedUi ui;
    SoundTable table;
    if (initial == -2) { // closing saves the empty catalogue; the backup stays as it was
        QVERIFY(!LoadSoundInfo(table, path, ui));
        QVERIFY(table.isEmpty());
        QVERIFY(!SaveSoundInfo(table, path, ui));
    }
    for (int v : saves)
        QVERIFY(!SaveSoundInfo(numbered(1, QString::number(v)), path, ui));
    QCOMPARE(test::readFile(path),
             saves.isEmpty() ? SerializeSoundInfo(table) : version(saves.last()));
    const QStringList files = filesBelow(m_state.path());
    QList<QByteArray> backups, expected;
    for (const QString &file : files)
        backups.append(test::readFile(file));
    for (int v : kept)
        expected.append(version(v));
    QCOMPARE(backups, expected);
    QCOMPARE(QDir(game.path()).count(), 3u); // ".", ".." and the catalogue: no backup there
    // Exclamation, Ok.
    QCOMPARE(shown(ui), initial != -2 ? QStringList()
                                      : QStringList{"Sonquill|2|0|0|" + path +
                                                    " reads as an empty catalogue; its bytes are "
                                                    "kept at " +
                                                    files.value(0) + "."});
}

void TestNothingLost::backupFolder_data()
{
    QTest::addColumn<QString>("stateHome"); // "unset": no XDG_STATE_HOME
    QTest::addColumn<QString>("under");     // relative to the temporary folder

    const QString home = "home/.local/state/Sonquill/backups/";
    QTest::newRow("XDG_STATE_HOME") << "state" << QString("state/Sonquill/backups/");
    QTest::newRow("unset: ~/.local/state") << "unset" << home;
    QTest::newRow("relative: ignored") << "relative/state" << home;
}

void TestNothingLost::backupFolder()
{
    QFETCH(QString, stateHome);
    QFETCH(QString, under);

    QTemporaryDir dir; // init() restores HOME and XDG_STATE_HOME
    qputenv("HOME", QFile::encodeName(dir.filePath("home")));
    if (stateHome == "unset")
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME",
                QFile::encodeName(stateHome.startsWith("relative") ? stateHome
                                                                   : dir.filePath(stateHome)));
    // Two games of the same name, and a link to one of them.
    const QString first = dir.filePath("a/Quest: Part 1"), link = dir.filePath("link");
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(dir.filePath("b/Quest: Part 1")));
    QVERIFY(QFile::link(first, link));
    const QString folder = CatalogueBackupFolder(first);
    QVERIFY2(folder.startsWith(dir.filePath(under) + "Quest__Part_1-"), qPrintable(folder));
    QCOMPARE(QFileInfo(folder).fileName().size(), QStringLiteral("Quest__Part_1-").size() + 8);
    QVERIFY(CatalogueBackupFolder(dir.filePath("b/Quest: Part 1")) != folder);

    // A save through the link keeps the replaced catalogue in that folder.
    QVERIFY(test::writeFile(first + "/SoundInfo.dat", SerializeSoundInfo(numbered(1))));
    test::ScriptedUi ui;
    QVERIFY(!SaveSoundInfo(numbered(2), link + "/SoundInfo.dat", ui));
    const QStringList kept = filesBelow(dir.filePath(under));
    QCOMPARE(kept.size(), 1);
    QVERIFY(kept.first().startsWith(folder + "/SoundInfo-"));
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
    QMap<QString, QByteArray> before;
    for (const QString &name : present) {
        if (name.endsWith(u'/'))
            QVERIFY(QDir(game.path()).mkdir(name.chopped(1)));
        else
            QVERIFY(test::writeFile(game.filePath(name),
                                    before[name] = SerializeSoundInfo(numbered(2, name))));
    }
    QStringList after = QDir(game.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const QString path = SoundInfoPath(game.path());
    QCOMPARE(path, game.path() + u'/' + used);
    SoundTable table;
    test::ScriptedUi ui;
    QVERIFY(!LoadSoundInfo(table, path, ui));
    QCOMPARE(table.SoundCount(), before.contains(used) ? 2 : 0);
    if (before.contains(used))
        QCOMPARE(table.at(1).name, used + " 1");

    table.replaceAll(table.records() + QList<SoundRecord>{makeRecord("New", "/sfx/new.wav", 3)});
    QVERIFY(!SaveSoundInfo(table, SoundInfoPath(game.path()), ui));
    QVERIFY(ui.messages.isEmpty());
    if (!after.contains(used)) {
        after.append(used);
        after.sort();
    }
    QCOMPARE(QDir(game.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), after);
    before[used] = SerializeSoundInfo(table);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(test::readFile(game.filePath(it.key())), it.value());
}

QTEST_GUILESS_MAIN(TestNothingLost)
#include "tst_nothinglost.moc"
