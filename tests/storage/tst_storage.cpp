// The saved catalogue, the three overview files, the settings file and the help
// page's place, checked as bytes and texts on real files.
#include "catalogue/DisplayOrder.h"
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

#include <bit>
#include <optional>

using namespace sonquill;

namespace {

enum class List { All, Locked, Playlist };

QByteArray le16(int value)
{
    char bytes[2];
    qToLittleEndian(quint16(value), bytes);
    return QByteArray(bytes, 2);
}

QByteArray field(const QByteArray &ansi)
{
    return le16(int(ansi.size())) + ansi;
}

// A saved record written out field by field; the reserved bytes and texts given or all empty.
QByteArray recordBytes(const QByteArray &name, const QByteArray &file, int number, int locked,
                       int selected, float size, const QByteArray &reserved = {})
{
    char sizeBytes[4];
    qToLittleEndian(std::bit_cast<quint32>(size), sizeBytes);
    return field(name) + field(file) + le16(number) + le16(locked) + field("Misc") +
           le16(selected) + QByteArray(sizeBytes, 4) +
           (reserved.isEmpty() ? QByteArray(36 + 16, '\0') : reserved);
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

const SoundRecord kBoom = makeRecord("Boom", "D:\\Sfx\\Boom.wav", 1, 0, "Misc", kTrue16, 1000.0f);
const QByteArray kBoomBytes = recordBytes("Boom", "D:\\Sfx\\Boom.wav", 1, 0, -1, 1000.0f);

// The settings as the program reads them: "Quality MinSize UseCustom OggUse CustomPath|last game
// folder|last source folder".
QString settingsSeen(const SettingsStore &store)
{
    const OggSettings ogg = LoadOggSettings(store);
    return QStringLiteral("%1 %2 %3 %4 %5|%6|%7")
        .arg(QString::number(ogg.Quality), QString::number(ogg.MinSize),
             QString::number(ogg.UseCustom), QString::number(store.oggUse()), ogg.CustomPath,
             store.lastGameDir(), store.lastSourceDir());
}

const QByteArray kAllHeading = "--- Sounds ---\r\n \r\nCategory : Name\r\n \r\n";
const QByteArray kLockedHeading = "--- The following sounds are locked to these numbers: ---"
                                  "\r\n \r\nNumber : Name, Filename \r\n \r\n";
const QByteArray kDoor = "C:\\Snd\\Door.wav";

// One locked record, so that it shows in every list.
SoundTable one(const QString &name, const QString &category, qint16 number = 1)
{
    return tableOf({makeRecord(name, kDoor, number, kTrue16, category)});
}

} // namespace

Q_DECLARE_METATYPE(List)
Q_DECLARE_METATYPE(sonquill::SoundTable)
Q_DECLARE_METATYPE(std::optional<sonquill::SoundTable>)

class TestStorage : public QObject
{
    Q_OBJECT

private slots:
    void saveAndReadBack_data();
    void saveAndReadBack();
    void parse_data();
    void parse();
    void listFile_data();
    void listFile();
    void storedTexts_data();
    void storedTexts();
    void locateHelpFile_data();
    void locateHelpFile();
};

void TestStorage::saveAndReadBack_data()
{
    QTest::addColumn<SoundTable>("table");
    QTest::addColumn<QByteArray>("bytes"); // empty: not compared
    QTest::addColumn<SoundTable>("back");

    QTest::newRow("empty catalogue is 00 00")
        << SoundTable() << QByteArray::fromHex("0000") << SoundTable();
    const QByteArray golden = QByteArray::fromHex("0100 0400") + "Boom" +
                              QByteArray::fromHex("0f00") + "D:\\Sfx\\Boom.wav" +
                              QByteArray::fromHex("0100 0000 0400") + "Misc" +
                              QByteArray::fromHex("ffff 00007a44") + QByteArray(36 + 16, '\0');
    QTest::newRow("example record") << tableOf({kBoom}) << golden << tableOf({kBoom});

    const auto text = [](const char *row, const QString &name, const QByteArray &stored,
                         const QString &loaded) {
        QTest::newRow(row) << tableOf({makeRecord(name, "/s.wav", 1)})
                           << le16(1) + recordBytes(stored, "/s.wav", 1, 0, 0, 0)
                           << tableOf({makeRecord(loaded, "/s.wav", 1)});
    };
    text("e acute and euro survive", "Caf\u00e9 \u20ac", "Caf\xe9 \x80", "Caf\u00e9 \u20ac");
    text("CJK becomes ?", "Gong \u97f3", "Gong ?", "Gong ?");
    text("emoji is one ?", "Bell \U0001F514", "Bell ?", "Bell ?");
    const QString undefined = QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
    text("the five undefined bytes keep their value", undefined, "\x81\x8d\x8f\x90\x9d", undefined);

    QTest::newRow("over-long name is cut to fit the length field")
        << tableOf({makeRecord(QString(70000, u'n'), "/a.wav", 4)}) << QByteArray()
        << tableOf({makeRecord(QString(65535, u'n'), "/a.wav", 4)});

    QList<SoundRecord> full;
    for (int i = 0; i < SoundTable::kMaxCount; ++i)
        full.append(makeRecord(QString::number(i), QStringLiteral("/s%1").arg(i), qint16(i % 999)));
    QTest::newRow("32767 records") << tableOf(full) << QByteArray() << tableOf(full);
}

void TestStorage::saveAndReadBack()
{
    QFETCH(SoundTable, table);
    QFETCH(QByteArray, bytes);
    QFETCH(SoundTable, back);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(test::writeFile(path, QByteArray(300, 'x'))); // an older, longer file
    test::ScriptedUi ui;
    QVERIFY(!SaveSoundInfo(table, path, ui));
    QVERIFY(ui.messages.isEmpty());
    const QByteArray onDisk = test::readFile(path);
    if (!bytes.isEmpty())
        QCOMPARE(onDisk.toHex(' '), bytes.toHex(' '));
    FileError error;
    QVERIFY(ParseSoundInfo(onDisk, &error) == back);
    QVERIFY(!error);
}

// Crafted and fuzzer-found files (random ones are the fuzzer's): the reader never crashes, yields
// as many records as the count announces, and a file read without error is written back as the
// bytes it began with.
void TestStorage::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<std::optional<SoundTable>>("expected");
    QTest::addColumn<int>("errorNumber"); // -1: any

    const auto row = [](const QString &name, const QByteArray &bytes,
                        std::optional<SoundTable> expected = {}, int error = -1) {
        QTest::newRow(qPrintable(name)) << bytes << expected << error;
    };
    const QByteArray single = QByteArray::fromHex("0100");
    row("count 0 ignores what follows", QByteArray::fromHex("0000") + kBoomBytes, SoundTable(), 0);
    row("negative count loads empty", QByteArray::fromHex("ffff") + kBoomBytes, SoundTable(), 0);
    row("old tail after the last record is ignored", single + kBoomBytes + kBoomBytes + "tail",
        tableOf({kBoom}), 0);
    row("Locked 01 00 loads as locked", single + recordBytes("L", "l", 7, 1, 0, 0),
        tableOf({makeRecord("L", "l", 7, 1)}), 0);
    const QByteArray reserved =
        QByteArray(36, '\xA5') + field("first") + QByteArray(12, '\0') + field("last \x80");
    row("reserved bytes and texts are kept", single + recordBytes("R", "r", 3, 0, 0, 0, reserved),
        {}, 0);
    const int early = kFileEndsEarlyError;
    row("count 32767 in a 2-byte file", QByteArray::fromHex("ff7f"),
        tableOf(QList<SoundRecord>(32767)), early);
    SoundRecord cut;
    cut.name = QStringLiteral("AB");
    row("string length past the end", single + "\xff\xff" + "AB", tableOf({cut}), early);
    row("one byte", "\x01", SoundTable(), early);

    QDirIterator corpus(QStringLiteral(SONQUILL_FUZZ_CORPUS), QDir::Files);
    int files = 0;
    for (; corpus.hasNext(); ++files) {
        const QString path = corpus.next();
        row(QFileInfo(path).fileName(), test::readFile(path));
    }
    QVERIFY2(files >= 5, "the fuzz corpus is missing");
}

void TestStorage::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(std::optional<SoundTable>, expected);
    QFETCH(int, errorNumber);

    FileError error;
    const SoundTable table = ParseSoundInfo(bytes, &error);
    if (expected)
        QVERIFY(table == *expected);
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

void TestStorage::listFile_data()
{
    QTest::addColumn<List>("list");
    QTest::addColumn<SoundTable>("table");
    QTest::addColumn<QByteArray>("lines"); // after the heading

    const QByteArray c20(20, 'c'), c21(21, 'c'), c25(25, 'c'), n50(50, 'n'), n51(51, 'n');
    QTest::newRow("category of 20 characters gets one blank")
        << List::All << one("N", c20) << c20 + "  : N\r\n";
    QTest::newRow("category of 21 characters gets none")
        << List::All << one("N", c21) << c21 + " : N\r\n";
    QTest::newRow("category of 25 characters pushes the colon right")
        << List::All << one("N", c25) << c25 + " : N\r\n";
    QTest::newRow("code page letters count as one column each")
        << List::All << one("\u00d6l \u20ac", "T\u00fcr")
        << "T\xfcr" + QByteArray(18, ' ') + " : \xd6l \x80\r\n";
    QTest::newRow("number 0 is 0000")
        << List::Locked << one("D", "", 0) << "0000 : D" + QByteArray(50, ' ') + kDoor + "\r\n";
    QTest::newRow("negative number keeps its sign")
        << List::Locked << one("D", "", -7) << "-0007 : D" + QByteArray(50, ' ') + kDoor + "\r\n";
    QTest::newRow("name of 50 characters gets one blank")
        << List::Locked << one(n50, "") << "0001 : " + n50 + " " + kDoor + "\r\n";
    QTest::newRow("name of 51 characters runs into the path")
        << List::Locked << one(n51, "") << "0001 : " + n51 + kDoor + "\r\n";

    QTest::newRow("all sounds, empty catalogue") << List::All << SoundTable() << QByteArray();
    QTest::newRow("locked sounds, empty catalogue") << List::Locked << SoundTable() << QByteArray();
    QTest::newRow("playlist, empty catalogue") << List::Playlist << SoundTable() << QByteArray();

    // Sorted by name for display; the locked list keeps the table's order.
    const SoundTable three = tableOf({makeRecord("Wind", "/s/wind.wav", 1, kTrue16, "Outside"),
                                      makeRecord("Bell", "/s/bell.ogg", 2, 0, "Church"),
                                      makeRecord("Creak", "/s/cr\u00e9.wav", 3, kTrue16, "Doors")});
    QTest::newRow("all sounds in display order")
        << List::All << three
        << "Church" + QByteArray(15, ' ') + " : Bell\r\nDoors" + QByteArray(16, ' ') +
               " : Creak\r\nOutside" + QByteArray(14, ' ') + " : Wind\r\n";
    QTest::newRow("locked sounds in table order")
        << List::Locked << three
        << "0001 : Wind" + QByteArray(47, ' ') + "/s/wind.wav\r\n0003 : Creak" +
               QByteArray(46, ' ') + "/s/cr\xe9.wav\r\n";
    QTest::newRow("playlist in display order, paths in UTF-8")
        << List::Playlist << three
        << QByteArray("/s/bell.ogg\r\n/s/cr\xc3\xa9.wav\r\n/s/wind.wav\r\n");
    QTest::newRow("playlist keeps paths the code page lacks")
        << List::Playlist << tableOf({makeRecord("N", "/s/\u96e8.wav", 1, 0, "")})
        << QByteArray("/s/\xe9\x9b\xa8.wav\r\n");
}

void TestStorage::listFile()
{
    QFETCH(List, list);
    QFETCH(SoundTable, table);
    QFETCH(QByteArray, lines);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    QVERIFY(test::writeFile(path, QByteArray(5000, 'x'))); // an earlier, longer list
    SortState byName;
    byName.headerClicked(SortName);
    const QList<int> order = MakeSort(table, byName);
    const FileError error = list == List::All      ? MakeListOfAll(table, order, path)
                            : list == List::Locked ? MakeListOfLocked(table, path)
                                                   : MakeWinampList(table, order, path);
    QVERIFY(!error);
    const QByteArray heading = list == List::All      ? kAllHeading
                               : list == List::Locked ? kLockedHeading
                                                      : QByteArray("#EXTM3U\r\n");
    QCOMPARE(test::readFile(path), heading + lines);
}

void TestStorage::storedTexts_data()
{
    QTest::addColumn<QByteArray>("ini"); // empty: no file at all; "write": the program writes it
    QTest::addColumn<QString>("seen");
    const QString defaults = " 0 0 c:\\MyEncoder.exe %1 %2||";
    QTest::newRow("nothing stored gives the defaults") << QByteArray() << "3 4" + defaults;
    QTest::newRow("7.5 works as 8") << QByteArray("[Ogg]\nQuality=7.5\n") << "8 4" + defaults;
    QTest::newRow("letters work as 0")
        << QByteArray("[Ogg]\nMinSize=big\nUseCustom=y\nOggUse=on\n") << "3 0" + defaults;
    QTest::newRow("empty works as 0")
        << QByteArray("[Ogg]\nQuality=\nMinSize=\n") << "0 0" + defaults;
    QTest::newRow("hand-edited list text stays one text")
        << QByteArray("[Ogg]\nMinSize=6, 5\nCustomPath=enc %1, %2\nUseCustom=1\nOggUse=2\n"
                      "[Data]\nLastGameDir=/g, h\n")
        << "3 6 1 2 enc %1, %2|/g, h|";
    QTest::newRow("each write reaches the file at once")
        << QByteArray("write")
        << "7 12 1 1 c:\\Tools\\enc.exe \"%1\", %2|/games/Quest \u00e9|/sfx, raw";
}

void TestStorage::storedTexts()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, seen);

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Sonquill.conf"));
    if (ini == "write") {
        SettingsStore store(path);
        // What the file holds right after each write, read through a copy no settings cache knows.
        const auto onDisk = [&](const char *section, const char *key) {
            path = dir.filePath(QStringLiteral("copy%1.conf").arg(key));
            QFile::copy(dir.filePath(QStringLiteral("Sonquill.conf")), path);
            return SettingsStore(path).read(section, key, "?");
        };
        store.setLastGameDir(QStringLiteral("/games/Quest \u00e9"));
        QCOMPARE(onDisk("Data", "LastGameDir"), QStringLiteral("/games/Quest \u00e9"));
        store.setLastSourceDir(QStringLiteral("/sfx, raw"));
        QCOMPARE(onDisk("Data", "LastSourceDir"), QStringLiteral("/sfx, raw"));
        store.setOggUse(true);
        QCOMPARE(onDisk("Ogg", "OggUse"), QStringLiteral("1"));
        SaveOggSettings(store, "7", "12x", true, "c:\\Tools\\enc.exe \"%1\", %2");
        QCOMPARE(onDisk("Ogg", "MinSize"), QStringLiteral("12x")); // as typed
    } else if (!ini.isEmpty()) {
        QVERIFY(test::writeFile(path, ini));
    }
    QCOMPARE(settingsSeen(SettingsStore(path)), seen);
    QCOMPARE(QFileInfo::exists(path), !ini.isEmpty()); // reading writes nothing
}

void TestStorage::locateHelpFile_data()
{
    // Paths relative to a temporary root; the program runs from "prefix/bin"; "/" ends a folder.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");
    const QString beside = "prefix/bin/SonquillHelp.html";
    const QString installed = "prefix/bin/" SONQUILL_DOC_FROM_BIN "/SonquillHelp.html";
    const QString clean = QDir::cleanPath(installed);
    QTest::newRow("build tree: the page beside the program") << QStringList{beside} << beside;
    QTest::newRow("installed: the page in the documentation folder")
        << QStringList{installed} << clean;
    QTest::newRow("both: the page beside the program wins")
        << QStringList{beside, installed} << beside;
    QTest::newRow("neither: the message names the place beside the program")
        << QStringList{} << beside;
    QTest::newRow("a folder named like the page is not the page")
        << QStringList{installed, beside + "/"} << clean;
}

void TestStorage::locateHelpFile()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath("prefix/bin"));
    for (const QString &entry : std::as_const(entries))
        QVERIFY(entry.endsWith('/') ? dir.mkpath(entry)
                                    : test::writeFile(dir.filePath(entry), "<html/>"));
    QCOMPARE(QDir::fromNativeSeparators(LocateHelpFile(dir.filePath("prefix/bin"))),
             dir.filePath(expected));
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
