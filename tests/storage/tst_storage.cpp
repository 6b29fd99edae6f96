// The catalogue, the lists, the settings and the help page's place, checked as bytes on real files;
// and what no failing disk, odd directory entry or damaged catalogue may cost: the bytes on disk,
// and a clear report. Risky calls run in a forked child that a hang cannot keep alive.
#include "storage/CatalogueBackup.h"
#include "storage/InstallPaths.h"
#include "storage/Settings.h"
#include "storage/SoundInfoFile.h"
#include "storage/SoundLists.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <optional>

#include <sys/stat.h>

using namespace sonquill;
using Button = MessageRequest::Button;

namespace {

QByteArray le16(int value)
{
    return QByteArray(1, char(value)) + char(value >> 8);
}

QByteArray field(const QByteArray &ansi)
{
    return le16(int(ansi.size())) + ansi;
}

// A saved record written out field by field, not selected and of size 0; the reserved bytes and
// texts given or all empty.
QByteArray recordBytes(const QByteArray &name, const QByteArray &file, int number, int locked,
                       const QByteArray &reserved = QByteArray(36 + 16, '\0'))
{
    return field(name) + field(file) + le16(number) + le16(locked) + field("Misc") +
           QByteArray(2 + 4, '\0') + reserved;
}

SoundRecord makeRecord(const QString &name, const QString &file, qint16 number, qint16 locked = 0,
                       const QString &category = "Misc", qint16 selected = 0, float size = 0)
{
    return {name, file, number, locked, category, selected, size, {}, {}};
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

const SoundRecord kBoom = makeRecord("Boom", "D:\\Sfx\\Boom.wav", 1, 0, "Misc", kTrue16, 1000.0f);
const QByteArray kBoomFile = QByteArray::fromHex("0100 0400") + "Boom" +
                             QByteArray::fromHex("0f00") + "D:\\Sfx\\Boom.wav" +
                             QByteArray::fromHex("0100 0000 0400") + "Misc" +
                             QByteArray::fromHex("ffff 00007a44") + QByteArray(36 + 16, '\0');

// The settings as the program reads them: "Quality MinSize UseCustom OggUse CustomPath|last game
// folder|last source folder".
QString settingsSeen(const QString &path)
{
    const SettingsStore store(path);
    const OggSettings ogg = LoadOggSettings(store);
    return QStringLiteral("%1 %2 %3 %4 %5|%6|%7")
        .arg(QString::number(ogg.Quality), QString::number(ogg.MinSize),
             QString::number(ogg.UseCustom), QString::number(store.oggUse()), ogg.CustomPath,
             store.lastGameDir(), store.lastSourceDir());
}

// Each message as "title|icon|buttons|default button|text", enums as numbers.
QStringList shown(const test::ScriptedUi &ui)
{
    QStringList texts;
    for (const MessageRequest &m : ui.messages) {
        QString buttons;
        for (Button button : m.buttons)
            buttons += QString::number(int(button));
        texts.append(QStringLiteral("%1|%2|%3|%4|%5")
                         .arg(m.title, QString::number(int(m.icon)), buttons,
                              QString::number(int(m.defaultButton)), m.text));
    }
    return texts;
}

// Every entry below folder: a regular file's bytes, else what it is. Backup names sort as their
// times, oldest first.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries[info.filePath()] = info.isSymLink()
                                       ? QByteArray("link to " + info.symLinkTarget().toUtf8())
                                   : info.isFile() ? test::readFile(info.filePath())
                                                   : QByteArray(info.isDir() ? "folder" : "other");
    }
    return entries;
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void catalogue_data();
    void catalogue();
    void listFiles();
    void storedTexts();
    void processingSettings();
    void locateHelpFile();
    void faults_data();
    void faults();
    void backupsFollowChanges_data();
    void backupsFollowChanges();
    void backupFolder();
    void saveWithoutBackupFolder();
    void fileNameCase();

private:
    QTemporaryDir m_state; // the backups' state folder, emptied before each test
};

void TestStorage::init()
{
    QDir(m_state.path()).removeRecursively();
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
}

// Tables saved over an older, longer file, and files crafted or found by the fuzzer (random ones
// are the fuzzer's): the reader never crashes, yields as many records as the count announces, and
// a file read without error is written back as the bytes it began with.
void TestStorage::catalogue_data()
{
    QTest::addColumn<std::optional<SoundTable>>("saved"); // none: the bytes are read as they are
    QTest::addColumn<QByteArray>("bytes");                // saved: empty is not compared
    QTest::addColumn<std::optional<SoundTable>>("read");  // none: not compared
    QTest::addColumn<int>("errorNumber");                 // -1: any

    const auto row = [](const QString &name, std::optional<SoundTable> saved,
                        const QByteArray &bytes, std::optional<SoundTable> read = {},
                        int error = -1) {
        QTest::newRow(qPrintable(name)) << saved << bytes << read << error;
    };
    row("example record", tableOf({kBoom}), kBoomFile, tableOf({kBoom}), 0);
    const auto text = [&](const char *name, const QString &written, const QByteArray &stored,
                          const QString &loaded) {
        row(name, tableOf({makeRecord(written, "/s.wav", 1)}),
            le16(1) + recordBytes(stored, "/s.wav", 1, 0),
            tableOf({makeRecord(loaded, "/s.wav", 1)}), 0);
    };
    text("e acute and euro survive", "Caf\u00e9 \u20ac", "Caf\xe9 \x80", "Caf\u00e9 \u20ac");
    text("emoji is one ?", "Bell \U0001F514", "Bell ?", "Bell ?");
    const QString undefined = QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
    text("the five undefined bytes keep their value", undefined, "\x81\x8d\x8f\x90\x9d", undefined);
    row("over-long name is cut to fit the length field",
        tableOf({makeRecord(QString(70000, u'n'), "/a.wav", 4)}), {},
        tableOf({makeRecord(QString(65535, u'n'), "/a.wav", 4)}), 0);
    const SoundTable full = numbered(SoundTable::kMaxCount);
    row("32767 records", full, {}, full, 0);

    const QByteArray boom = kBoomFile.mid(2);
    row("count 0 ignores what follows", {}, le16(0) + boom, SoundTable(), 0);
    row("negative count loads empty", {}, le16(-1) + boom, SoundTable(), 0);
    row("old tail after the last record is ignored", {}, kBoomFile + boom + "tail",
        tableOf({kBoom}), 0);
    row("Locked 01 00 loads as locked", {}, le16(1) + recordBytes("L", "l", 7, 1),
        tableOf({makeRecord("L", "l", 7, 1)}), 0);
    const QByteArray reserved =
        QByteArray(36, '\xA5') + field("first") + QByteArray(12, '\0') + field("last \x80");
    row("reserved bytes and texts are kept", {}, le16(1) + recordBytes("R", "r", 3, 0, reserved),
        {}, 0);
    const int early = kFileEndsEarlyError;
    row("count 32767 in a 2-byte file", {}, le16(32767), tableOf(QList<SoundRecord>(32767)), early);
    row("string length past the end", {}, le16(1) + "\xff\xff" + "AB",
        tableOf({makeRecord("AB", {}, 0, 0, {})}), early);
    row("one byte", {}, "\x01", SoundTable(), early);
    const QDir corpus(QStringLiteral(SONQUILL_FUZZ_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files);
    QVERIFY2(files.size() >= 5, "the fuzz corpus is missing");
    for (const QString &name : files)
        row(name, {}, test::readFile(corpus.filePath(name)));
}

void TestStorage::catalogue()
{
    QFETCH(std::optional<SoundTable>, saved);
    QFETCH(QByteArray, bytes);
    QFETCH(std::optional<SoundTable>, read);
    QFETCH(int, errorNumber);

    if (saved) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
        QVERIFY(test::writeFile(path, QByteArray(300, 'x'))); // an older, longer file
        QVERIFY(!WriteSoundInfo(*saved, path));
        if (!bytes.isEmpty())
            QCOMPARE(test::readFile(path).toHex(' '), bytes.toHex(' '));
        bytes = test::readFile(path);
    }
    FileError error;
    const SoundTable table = ParseSoundInfo(bytes, &error);
    QVERIFY(!read || table == *read);
    if (errorNumber >= 0)
        QCOMPARE(error.number, errorNumber);
    const qint16 count = bytes.size() < 2 ? 0 : qFromLittleEndian<qint16>(bytes.constData());
    QCOMPARE(table.SoundCount(), std::max<qint16>(count, 0));
    if (error) {
        QCOMPARE(error.number, kFileEndsEarlyError);
        QVERIFY(count > 0 || bytes.size() < 2);
    } else if (count >= 0) {
        QVERIFY(bytes.startsWith(SerializeSoundInfo(table)));
    }
}

// One table through the three lists, written over earlier, longer ones: each padding boundary
// (categories of 20 and 21, names of 50 and 51 characters), numbers 0 and -7, a code-page letter
// one column. All sounds and the playlist come in the order given, the locked sounds in the
// table's order.
void TestStorage::listFiles()
{
    const QByteArray c20(20, 'c'), c21(21, 'c'), n50(50, 'n'), n51(51, 'n'), door = "C:\\D.wav";
    const SoundTable table =
        tableOf({makeRecord(n50, door, 0, kTrue16, c20), makeRecord(n51, door, -7, kTrue16, c21),
                 makeRecord("Bell", "/s/bell.ogg", 2, 0, "Church"),
                 makeRecord("Creak \u20ac", "/s/cr\u00e9.wav", 3, kTrue16, "T\u00fcr")});
    const QList<int> order{3, 4, 1, 2}; // by name
    QTemporaryDir dir;
    const QString all = dir.filePath("a"), locked = dir.filePath("l"), playlist = dir.filePath("p");
    for (const QString &path : {all, locked, playlist})
        QVERIFY(test::writeFile(path, QByteArray(5000, 'x')));
    QVERIFY(!MakeListOfAll(table, order, all));
    QVERIFY(!MakeListOfLocked(table, locked));
    QVERIFY(!MakeWinampList(table, order, playlist));
    QCOMPARE(test::readFile(all), "--- Sounds ---\r\n \r\nCategory : Name\r\n \r\nChurch" +
                                      QByteArray(15, ' ') + " : Bell\r\nT\xfcr" +
                                      QByteArray(18, ' ') + " : Creak \x80\r\n" + c20 + "  : " +
                                      n50 + "\r\n" + c21 + " : " + n51 + "\r\n");
    QCOMPARE(test::readFile(locked),
             "--- The following sounds are locked to these numbers: ---\r\n \r\nNumber : Name, "
             "Filename \r\n \r\n0000 : " +
                 n50 + " " + door + "\r\n-0007 : " + n51 + door + "\r\n0003 : Creak \x80" +
                 QByteArray(44, ' ') + "/s/cr\xe9.wav\r\n");
    QCOMPARE(test::readFile(playlist),
             "#EXTM3U\r\n/s/bell.ogg\r\n/s/cr\xc3\xa9.wav\r\n" + door + "\r\n" + door + "\r\n");
}

void TestStorage::storedTexts()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sonquill.conf"));
    QCOMPARE(settingsSeen(path), "3 4 0 0 c:\\MyEncoder.exe %1 %2||"); // nothing stored
    QVERIFY(!QFileInfo::exists(path));                                 // reading writes nothing
    // Numbers read as the program reads typed ones; a hand-edited list stays one text.
    const QByteArray edited = "[Ogg]\nQuality=7.5\nMinSize=\nUseCustom=1\nOggUse=2\n"
                              "CustomPath=enc %1, %2\n[Data]\nLastGameDir=/g, h\n";
    QVERIFY(test::writeFile(path, edited));
    QCOMPARE(settingsSeen(path), "8 0 1 2 enc %1, %2|/g, h|");
    QCOMPARE(test::readFile(path), edited);

    // What the file holds right after each write, read through a copy no settings cache knows.
    SettingsStore store(dir.filePath(QStringLiteral("written.conf")));
    QString copy;
    const auto onDisk = [&](const char *section, const char *key) {
        copy = dir.filePath(QStringLiteral("copy%1.conf").arg(key));
        QFile::copy(store.filePath(), copy);
        return SettingsStore(copy).read(section, key, "?");
    };
    store.setLastGameDir(QStringLiteral("/games/Quest \u00e9"));
    QCOMPARE(onDisk("Data", "LastGameDir"), QStringLiteral("/games/Quest \u00e9"));
    store.setLastSourceDir(QStringLiteral("/sfx, raw"));
    QCOMPARE(onDisk("Data", "LastSourceDir"), QStringLiteral("/sfx, raw"));
    store.setOggUse(true);
    QCOMPARE(onDisk("Ogg", "OggUse"), QStringLiteral("1"));
    SaveOggSettings(store, "7", "12x", true, "c:\\Tools\\enc.exe \"%1\", %2");
    QCOMPARE(onDisk("Ogg", "MinSize"), QStringLiteral("12x")); // as typed
    QCOMPARE(settingsSeen(copy),
             "7 12 1 1 c:\\Tools\\enc.exe \"%1\", %2|/games/Quest \u00e9|/sfx, raw");
}

void TestStorage::processingSettings()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sonquill.conf"));
    // Nothing stored: everything off, so that a catalogue distributes as it always did.
    QVERIFY(!LoadProcessingSettings(SettingsStore(path)).any());

    ProcessingSettings settings;
    settings.loudness = settings.trim = settings.mono = true;
    settings.targetLufs = -23.5;
    settings.ceilingDbtp = -2;
    settings.categoryOffsets = {{"Ambience", -8}, {"Doors, wood", 2.5}, {"A=B", -0.5}};
    settings.trimThresholdDb = -50;
    settings.trimPadMs = 25;
    settings.maxRate = 32000;
    {
        SettingsStore store(path);
        SaveProcessingSettings(store, settings);
    }
    const ProcessingSettings read = LoadProcessingSettings(SettingsStore(path));
    QVERIFY(read == settings);
    QCOMPARE(read.offsetOf("AMBIENCE"), -8.0); // categories compare without letter case
    QCOMPARE(read.offsetOf("Music"), 0.0);

    // A hand-edited value that is no number, or out of its range, is the default.
    QVERIFY(test::writeFile(path, "[Processing]\nLoudness=yes\nTargetLufs=loud\nCeilingDbtp=3\n"
                                  "TrimPad=-5\nMaxRate=16000\nCategoryOffsets=Doors\nMono=1\n"));
    ProcessingSettings expected;
    expected.mono = true;
    QVERIFY(LoadProcessingSettings(SettingsStore(path)) == expected);
}

void TestStorage::locateHelpFile()
{
    QTemporaryDir root;
    const QString bin = root.filePath("prefix/bin"), beside = bin + "/SonquillHelp.html";
    const QString installed = QDir::cleanPath(bin + "/" SONQUILL_DOC_FROM_BIN "/SonquillHelp.html");
    const auto located = [&] { return QDir::fromNativeSeparators(LocateHelpFile(bin)); };
    QVERIFY(QDir().mkpath(beside)); // a folder named like the page is not the page
    QCOMPARE(located(), beside);    // none: the "not found" message names this place
    QVERIFY(test::writeFile(installed, "<html/>"));
    QCOMPARE(located(), installed);
    QVERIFY(QDir().rmdir(beside) && test::writeFile(beside, "<html/>"));
    QCOMPARE(located(), beside); // the page beside the program (the build tree) comes first
}

void TestStorage::faults_data()
{
    QTest::addColumn<QString>("entry"); // what stands where the catalogue is loaded or saved
    QTest::addColumn<bool>("save");     // else load
    QTest::addColumn<Button>("answer");
    QTest::addColumn<QString>("firstLine"); // of the error report, %1 the path; empty: no report

    const auto row = [](const char *name, const char *entry, bool save, const QString &line,
                        Button answer = Button::Ignore) {
        QTest::newRow(name) << QString::fromLatin1(entry) << save << answer << line;
    };
    const QString refused = "Error 5: '%1 is not a regular file'.";
    const QString notKept = "'%1 was not replaced, because its present contents could not be kept "
                            "in %2: ";
    const QString noFolder = "The folder %2 could not be made'.";
    row("save, missing folder, Abort", "missing folder", true,
        "Error 5: 'No such file or directory'.", Button::Abort);
    row("save, path is a folder, Retry acts as Ignore", "folder", true,
        "Error 2: 'Filename refers to a directory'.", Button::Retry);
    // The name leaves no room for the temporary copy, so the save fails beside an old file.
    row("save, no room for the new file", "long name", true,
        "Error 8: 'The new file could not replace the old one'.");
    row("save, pipe stays a pipe", "fifo", true, refused);
    row("save, link to a pipe keeps both", "link>fifo", true, refused);
    // Writes past 64 bytes fail as on a full disk; an overview list is written there too.
    row("save, full disk", "full disk, 40 bytes", true, "Error 2: 'File too large'.");
    // Here keeping the old catalogue among the backups fails first; the save must stop there.
    row("save, full disk, no backup", "full disk, 5000 bytes", true,
        "Error 2: " + notKept + "File too large'.");
    // A damaged one (count 0 with records behind it) is not replaced without its backup.
    row("save, empty-looking, no backup folder", "empty-looking, no backup folder", true,
        "Error 5: " + notKept + noFolder);
    row("load, missing file is no error", "missing", false, "", Button::Abort);
    row("load, folder of that name is no catalogue", "folder", false, "", Button::Abort);
    row("load, empty file is an empty catalogue", "empty file", false, "");
    row("load, pipe", "fifo", false, refused);
    row("load, link to a pipe", "link>fifo", false, refused);
    row("load, link to /dev/zero", "link>device", false, refused);
    row("load, file shorter than its count", "short", false,
        "Error 62: 'The file ends before the last record'.");
    row("load, empty-looking, no backup folder", "empty-looking, no backup folder", false,
        "Error 5: '%1 reads as an empty catalogue, and its bytes could not be kept: " + noFolder);
}

void TestStorage::faults()
{
    QFETCH(QString, entry);
    QFETCH(bool, save);
    QFETCH(Button, answer);
    QFETCH(QString, firstLine);

    QTemporaryDir dir;
    const QString name = entry == "long name" ? QString(250, u's') : "SoundInfo.dat";
    const QString path = dir.filePath(entry == "missing folder" ? "missing/" + name : name);
    const QString pipe = dir.filePath("p"), wav = dir.filePath("t.wav"), list = dir.filePath("l");
    if (entry == "folder")
        QVERIFY(QDir().mkpath(path));
    if (entry.endsWith("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(entry == "fifo" ? path : pipe).constData(), 0600), 0);
    if (entry.startsWith("link>"))
        QVERIFY(QFile::link(entry == "link>fifo" ? pipe : "/dev/zero", path));
    // The state folder is the catalogue file, so no backup folder (%2) can be made below it.
    if (entry.contains("no backup folder"))
        qputenv("XDG_STATE_HOME", QFile::encodeName(path));
    // Any other entry is a catalogue file.
    QByteArray bytes = SerializeSoundInfo(numbered(3, QStringLiteral("Door")));
    if (entry.startsWith("empty"))
        bytes = entry == "empty file" ? QByteArray() : bytes.replace(0, 2, le16(0));
    if (entry.startsWith("full disk")) {
        bytes = QByteArray(entry.section(' ', 2, 2).toInt(), 'o');
        QVERIFY(test::writeFile(list, QByteArray(5000, 'o')));
    }
    if (entry == "short") {
        QVERIFY(test::writeFile(wav, test::makeWav(1234)));
        bytes = SerializeSoundInfo(tableOf({makeRecord("Tone", wav, 1, 0, "Misc", 0, 5)}));
        bytes[0] = 3; // three sounds promised, one there
    }
    if (!entry.contains("missing") && !QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        QVERIFY(test::writeFile(path, bytes));
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    // The child answers the table afterwards (as saved bytes), aborts, error, list error, messages.
    const SoundTable table = numbered(2);
    const test::ChildResult child = test::runInChild(
        [&] {
            SoundTable changed = table;
            test::ScriptedUi ui;
            ui.messageAnswers.enqueue(answer);
            const FileError error =
                save ? SaveSoundInfo(changed, path, ui) : LoadSoundInfo(changed, path, ui);
            const QString listError = QFileInfo::exists(list)
                                          ? MakeListOfAll(table, {1, 2}, list).description
                                          : QString();
            return QStringList{QString::fromLatin1(SerializeSoundInfo(changed).toHex()),
                               QString::number(ui.abortCount), QString::number(error.number),
                               listError} +
                   shown(ui);
        },
        entry.startsWith("full disk") ? 64 : -1);
    QVERIFY2(child.failure.isEmpty(), qPrintable(child.failure));
    QCOMPARE(child.answer.size(), firstLine.isEmpty() ? 4 : 5); // Retry does not try again
    const QString backups = CatalogueBackupFolder(dir.path());
    if (!firstLine.isEmpty())
        QCOMPARE(
            child.answer[4],
            QString("Error!|1|456|6|" + firstLine.replace("%1", path).replace("%2", backups) +
                    "\r\nRaised while " + (save ? "Saving" : "Loading") +
                    " the SoundInfo.DAT file\r\n\r\nPress Ignore to continue.\r\nIf you press "
                    "Abort, the program will end and you will lose any unsaved data.\r\nIf this "
                    "error occurs again, try reinstalling Sonquill.\r\n"));
    else
        QCOMPARE(child.answer[2], QStringLiteral("0"));
    QCOMPARE(child.answer[1], !firstLine.isEmpty() && answer == Button::Abort ? "1" : "0");
    QCOMPARE(child.answer[3], QFileInfo::exists(list) ? "File too large" : "");
    // The records the file lacks are empty; every size is measured again.
    const SoundRecord unmeasurable = makeRecord({}, {}, 0, 0, {}, 0, -1);
    const SoundTable expected =
        entry == "short"
            ? tableOf({makeRecord("Tone", wav, 1, 0, "Misc", 0, 1234), unmeasurable, unmeasurable})
        : !save && entry.startsWith("empty") ? SoundTable()
                                             : table;
    QCOMPARE(QByteArray::fromHex(child.answer[0].toLatin1()), SerializeSoundInfo(expected));
    // What was on disk stays, nothing half-written is left beside it, and nothing odd is kept;
    // a catalogue kept among the backups is kept as it was.
    QCOMPARE(snapshot(dir.path()), before);
    if (entry != "long name")
        QCOMPARE(snapshot(backups).values(), entry == "full disk, 40 bytes"
                                                 ? QList<QByteArray>{QByteArray(40, 'o')}
                                                 : QList<QByteArray>());
}

void TestStorage::backupsFollowChanges_data()
{
    // Versions: -1 an empty file, -2 a catalogue whose count reads 0, else one sound of that name.
    QTest::addColumn<int>("initial"); // loaded before the saves
    QTest::addColumn<QList<int>>("saves");
    QTest::addColumn<QList<int>>("kept"); // versions in the backups, oldest first

    // 9 is kept again though still among the backups; the unchanged last save keeps nothing.
    QTest::newRow("each replaced version, the last ten")
        << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 9, 10, 10}
        << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 9};
    QTest::newRow("an empty file has nothing to keep") << -1 << QList<int>{1} << QList<int>{};
    QTest::newRow("an empty-looking catalogue is kept when loaded, with a warning")
        << -2 << QList<int>{1} << QList<int>{-2};
}

void TestStorage::backupsFollowChanges()
{
    QFETCH(int, initial);
    QFETCH(QList<int>, saves);
    QFETCH(QList<int>, kept);

    QTemporaryDir game;
    const auto version = [](int v) {
        QByteArray bytes = SerializeSoundInfo(numbered(v == -2 ? 3 : 1, QString::number(v)));
        return v == -1 ? QByteArray() : v == -2 ? bytes.replace(0, 2, le16(0)) : bytes;
    };
    const QString path = game.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(test::writeFile(path, version(initial)));
    test::ScriptedUi ui;
    SoundTable table;
    QVERIFY(!LoadSoundInfo(table, path, ui));
    for (int v : saves)
        QVERIFY(!SaveSoundInfo(numbered(1, QString::number(v)), path, ui));
    QCOMPARE(test::readFile(path), version(saves.last()));
    const QMap<QString, QByteArray> backups = snapshot(CatalogueBackupFolder(game.path()));
    QList<QByteArray> expected;
    for (int v : kept)
        expected.append(version(v));
    QCOMPARE(backups.values(), expected);
    QCOMPARE(QDir(game.path()).count(), 3u); // ".", ".." and the catalogue: no backup there
    // Exclamation, Ok.
    const QString warning =
        "Sonquill|2|0|0|" + path + " reads as an empty catalogue; its bytes are kept at ";
    QCOMPARE(shown(ui),
             initial != -2 ? QStringList() : QStringList{warning + backups.firstKey() + "."});
}

// A whole catalogue whose backup cannot be kept is replaced with a warning, so the session's
// edits are not lost.
void TestStorage::saveWithoutBackupFolder()
{
    QTemporaryDir game;
    const QString path = game.filePath(QStringLiteral("SoundInfo.dat"));
    // The state folder is a file, so no backup folder can be made below it.
    qputenv("XDG_STATE_HOME", QFile::encodeName(game.filePath("state-is-a-file")));
    QVERIFY(test::writeFile(game.filePath("state-is-a-file"), "x"));
    QVERIFY(test::writeFile(path, SerializeSoundInfo(numbered(3, QStringLiteral("Old")))));
    test::ScriptedUi ui;
    QVERIFY(!SaveSoundInfo(numbered(1, QStringLiteral("New")), path, ui));
    QCOMPARE(test::readFile(path), SerializeSoundInfo(numbered(1, QStringLiteral("New"))));
    const QString backups = CatalogueBackupFolder(game.path());
    QCOMPARE(shown(ui), QStringList{"Sonquill|2|0|0|No backup of " + path + " could be kept in " +
                                    backups + ": The folder " + backups + " could not be made"});
}

void TestStorage::backupFolder()
{
    QTemporaryDir dir;
    // Two games of the same name, and a link to one of them.
    const QString first = dir.filePath("a/Quest: Act 1"), link = dir.filePath("link");
    QVERIFY(QDir().mkpath(first) && QDir().mkpath(dir.filePath("b/Quest: Act 1")));
    QVERIFY(QFile::link(first, link));
    const QString folder = CatalogueBackupFolder(first);
    QCOMPARE(folder.chopped(8), m_state.path() + "/Sonquill/backups/Quest__Act_1-");
    QVERIFY(CatalogueBackupFolder(dir.filePath("b/Quest: Act 1")) != folder);
    QCOMPARE(CatalogueBackupFolder(link), folder);
    // A relative state folder is ignored, as is every relative XDG folder.
    qputenv("XDG_STATE_HOME", "relative/state");
    QCOMPARE(CatalogueBackupFolder(first),
             QDir::homePath() + "/.local/state/Sonquill/backups/" + QFileInfo(folder).fileName());
}

// The exact spelling wins, else another case (FAT media) but no folder; only that one is written.
void TestStorage::fileNameCase()
{
    QTemporaryDir game;
    QVERIFY(QDir(game.path()).mkdir("SOUNDINFO.DAT"));
    for (const char *used : {"SoUNDINFO.DAT", "SoundInfo.dat"}) {
        QVERIFY(test::writeFile(game.filePath(used), used));
        QMap<QString, QByteArray> expected = snapshot(game.path());
        const QString path = SoundInfoPath(game.path());
        QCOMPARE(path, game.filePath(used));
        QVERIFY(!WriteSoundInfo(numbered(1), path));
        expected[path] = SerializeSoundInfo(numbered(1));
        QCOMPARE(snapshot(game.path()), expected);
    }
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
