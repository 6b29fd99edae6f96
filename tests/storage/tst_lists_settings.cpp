// The three overview files as bytes on disk, and the per-user settings file.
#include "catalogue/DisplayOrder.h"
#include "storage/Settings.h"
#include "storage/SoundLists.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace sonquill;

namespace {

const QByteArray kAllHeading = "--- Sounds ---\r\n \r\nCategory : Name\r\n \r\n";
const QByteArray kLockedHeading =
    "--- The following sounds are locked to these numbers: ---\r\n \r\nNumber : Name, Filename "
    "\r\n \r\n";
const QByteArray kPlaylistHeading = "#EXTM3U\r\n";

SoundRecord makeRecord(const QString &name, const QString &category, qint16 number, bool locked,
                       const QString &file)
{
    SoundRecord record;
    record.name = name;
    record.category = category;
    record.number = number;
    record.locked = toBool16(locked);
    record.filename = file;
    return record;
}

SoundTable tableOf(QList<SoundRecord> records)
{
    SoundTable table;
    table.replaceAll(std::move(records));
    return table;
}

QByteArray blanks(int count)
{
    return QByteArray(count, ' ');
}

enum class List { All, Locked, Playlist };

FileError makeList(List list, const SoundTable &table, const QList<int> &order, const QString &path)
{
    switch (list) {
    case List::All:
        return MakeListOfAll(table, order, path);
    case List::Locked:
        return MakeListOfLocked(table, path);
    case List::Playlist:
        return MakeWinampList(table, order, path);
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(List)
Q_DECLARE_METATYPE(sonquill::SoundTable)

class TestListsAndSettings : public QObject
{
    Q_OBJECT

private slots:
    void listOfAllLine_data();
    void listOfAllLine();
    void listOfLockedLine_data();
    void listOfLockedLine();
    void headingsOnly_data();
    void headingsOnly();
    void displayOrderAndTableOrder();
    void listWriteFailure_data();
    void listWriteFailure();

    void defaultsOfAnEmptyStore();
    void storedTexts_data();
    void storedTexts();
    void writesReachTheFileAtOnce();
    void userStoreLivesInConfigFolder();
};

void TestListsAndSettings::listOfAllLine_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("Misc gets 17 blanks")
        << QStringLiteral("Misc") << QStringLiteral("Door") << "Misc" + blanks(17) + " : Door";
    const QString twenty(20, QLatin1Char('c'));
    QTest::newRow("20 characters get one blank")
        << twenty << QStringLiteral("N") << twenty.toLatin1() + " " + " : N";
    const QString twentyOne(21, QLatin1Char('c'));
    QTest::newRow("21 characters get none")
        << twentyOne << QStringLiteral("N") << twentyOne.toLatin1() + " : N";
    const QString twentyFive(25, QLatin1Char('c'));
    QTest::newRow("25 characters push the colon right")
        << twentyFive << QStringLiteral("N") << twentyFive.toLatin1() + " : N";
    QTest::newRow("empty category") << QString() << QStringLiteral("Hum") << blanks(21) + " : Hum";
    QTest::newRow("values written as stored")
        << QStringLiteral(" a:b ") << QStringLiteral("  x, \"y\"  ")
        << " a:b " + blanks(16) + " :   x, \"y\"  ";
    QTest::newRow("code page letters count as one column each")
        << QStringLiteral("T\u00fcr") << QStringLiteral("\u00d6ffnen \u20ac")
        << "T\xfcr" + blanks(18) +
               " : \xd6"
               "ffnen \x80";
}

void TestListsAndSettings::listOfAllLine()
{
    QFETCH(QString, category);
    QFETCH(QString, name);
    QFETCH(QByteArray, line);

    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(kAllSoundsFileName));
    const SoundTable table = tableOf({makeRecord(name, category, 1, false, QStringLiteral("/f"))});
    QVERIFY(!MakeListOfAll(table, {1}, path));
    QCOMPARE(test::readFile(path), kAllHeading + line + "\r\n");
}

void TestListsAndSettings::listOfLockedLine_data()
{
    QTest::addColumn<qint16>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");

    const QString file = QStringLiteral("C:\\Snd\\Door.wav");
    QTest::newRow("number 7, Door gets 47 blanks")
        << qint16(7) << QStringLiteral("Door") << "0007 : Door" + blanks(47) + "C:\\Snd\\Door.wav";
    QTest::newRow("number 12 is 0012")
        << qint16(12) << QStringLiteral("D") << "0012 : D" + blanks(50) + "C:\\Snd\\Door.wav";
    QTest::newRow("number 0 is 0000")
        << qint16(0) << QStringLiteral("D") << "0000 : D" + blanks(50) + "C:\\Snd\\Door.wav";
    QTest::newRow("number 999") << qint16(999) << QStringLiteral("D")
                                << "0999 : D" + blanks(50) + "C:\\Snd\\Door.wav";
    QTest::newRow("negative number from an edited file keeps its sign")
        << qint16(-7) << QStringLiteral("D") << "-0007 : D" + blanks(50) + "C:\\Snd\\Door.wav";
    const QString fifty(50, QLatin1Char('n'));
    QTest::newRow("50 characters get one blank")
        << qint16(1) << fifty << "0001 : " + fifty.toLatin1() + " C:\\Snd\\Door.wav";
    const QString fiftyOne(51, QLatin1Char('n'));
    QTest::newRow("51 characters run into the path")
        << qint16(1) << fiftyOne << "0001 : " + fiftyOne.toLatin1() + "C:\\Snd\\Door.wav";
    QTest::newRow("empty name") << qint16(3) << QString()
                                << "0003 : " + blanks(51) + "C:\\Snd\\Door.wav";
}

void TestListsAndSettings::listOfLockedLine()
{
    QFETCH(qint16, number);
    QFETCH(QString, name);
    QFETCH(QByteArray, line);

    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(kLockedSoundsFileName));
    const SoundTable table = tableOf(
        {makeRecord(QStringLiteral("Free"), QString(), 5, false, QStringLiteral("/free.wav")),
         makeRecord(name, QString(), number, true, QStringLiteral("C:\\Snd\\Door.wav"))});
    QVERIFY(!MakeListOfLocked(table, path));
    QCOMPARE(test::readFile(path), kLockedHeading + line + "\r\n");
}

void TestListsAndSettings::headingsOnly_data()
{
    QTest::addColumn<List>("list");
    QTest::addColumn<SoundTable>("table");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("all sounds, empty catalogue") << List::All << SoundTable() << kAllHeading;
    QTest::newRow("locked sounds, empty catalogue")
        << List::Locked << SoundTable() << kLockedHeading;
    QTest::newRow("playlist, empty catalogue")
        << List::Playlist << SoundTable() << kPlaylistHeading;
    QTest::newRow("locked sounds, none locked")
        << List::Locked
        << tableOf({makeRecord(QStringLiteral("A"), QStringLiteral("c"), 1, false,
                               QStringLiteral("/a.wav")),
                    makeRecord(QStringLiteral("B"), QStringLiteral("c"), 2, false,
                               QStringLiteral("/b.wav"))})
        << kLockedHeading;
}

void TestListsAndSettings::headingsOnly()
{
    QFETCH(List, list);
    QFETCH(SoundTable, table);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    QList<int> order;
    for (int i = 1; i <= table.SoundCount(); ++i)
        order.append(i);
    QVERIFY(!makeList(list, table, order, path));
    QCOMPARE(test::readFile(path), bytes);
}

void TestListsAndSettings::displayOrderAndTableOrder()
{
    const SoundTable table = tableOf({makeRecord(QStringLiteral("Wind"), QStringLiteral("Outside"),
                                                 1, true, QStringLiteral("/s/wind.wav")),
                                      makeRecord(QStringLiteral("Bell"), QStringLiteral("Church"),
                                                 2, false, QStringLiteral("/s/bell.ogg")),
                                      makeRecord(QStringLiteral("Creak"), QStringLiteral("Doors"),
                                                 3, true, QStringLiteral("/s/cr\u00e9ak.wav"))});
    SortState byName;
    byName.headerClicked(SortName);
    QList<int> order = MakeSort(table, byName);
    QCOMPARE(order, QList<int>({2, 3, 1}));
    order.insert(1, 0); // rows whose index is outside the table are skipped
    order.append(4);

    QTemporaryDir dir;
    const QString all = dir.filePath(QString::fromLatin1(kAllSoundsFileName));
    const QString locked = dir.filePath(QString::fromLatin1(kLockedSoundsFileName));
    const QString playlist = dir.filePath(QString::fromLatin1(kPlaylistFileName));
    QVERIFY(!MakeListOfAll(table, order, all));
    QVERIFY(!MakeListOfLocked(table, locked));
    QVERIFY(!MakeWinampList(table, order, playlist));

    QCOMPARE(test::readFile(all), kAllHeading + "Church" + blanks(15) + " : Bell\r\n" + "Doors" +
                                      blanks(16) + " : Creak\r\n" + "Outside" + blanks(14) +
                                      " : Wind\r\n");
    QCOMPARE(test::readFile(locked), kLockedHeading + "0001 : Wind" + blanks(47) +
                                         "/s/wind.wav\r\n" + "0003 : Creak" + blanks(46) +
                                         "/s/cr\xe9"
                                         "ak.wav\r\n");
    QCOMPARE(test::readFile(playlist), kPlaylistHeading + "/s/bell.ogg\r\n/s/cr\xe9"
                                                          "ak.wav\r\n/s/wind.wav\r\n");
}

void TestListsAndSettings::listWriteFailure_data()
{
    QTest::addColumn<List>("list");
    QTest::newRow("all sounds") << List::All;
    QTest::newRow("locked sounds") << List::Locked;
    QTest::newRow("playlist") << List::Playlist;
}

void TestListsAndSettings::listWriteFailure()
{
    QFETCH(List, list);

    const SoundTable table = tableOf(
        {makeRecord(QStringLiteral("A"), QStringLiteral("c"), 1, true, QStringLiteral("/a.wav"))});
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("gone/list.txt"));
    const FileError error = makeList(list, table, {1}, missing);
    QCOMPARE(error.number, int(QFileDevice::OpenError));
    QCOMPARE(error.description, QStringLiteral("No such file or directory"));
    QVERIFY(!QFileInfo::exists(missing));

    // An earlier, longer file is replaced completely.
    const QString fresh = dir.filePath(QStringLiteral("fresh.txt"));
    const QString existing = dir.filePath(QStringLiteral("list.txt"));
    QVERIFY(test::writeFile(existing, QByteArray(5000, 'x')));
    QVERIFY(!makeList(list, table, {1}, existing));
    QVERIFY(!makeList(list, table, {1}, fresh));
    QCOMPARE(test::readFile(existing), test::readFile(fresh));
    QVERIFY(!test::readFile(existing).contains('x'));
}

void TestListsAndSettings::defaultsOfAnEmptyStore()
{
    QTemporaryDir dir;
    const SettingsStore store(dir.filePath(QStringLiteral("never-written.conf")));
    const OggSettings ogg = LoadOggSettings(store);
    QCOMPARE(ogg.Quality, qint16(3));
    QCOMPARE(ogg.MinSize, qint16(4));
    QCOMPARE(ogg.UseCustom, qint16(0));
    QCOMPARE(ogg.CustomPath, QStringLiteral("c:\\MyEncoder.exe %1 %2"));
    QCOMPARE(store.oggUse(), qint16(0));
    QCOMPARE(store.lastGameDir(), QString());
    QCOMPARE(store.lastSourceDir(), QString());
    QVERIFY(!QFileInfo::exists(store.filePath())); // reading writes nothing
}

void TestListsAndSettings::storedTexts_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<qint16>("quality");
    QTest::addColumn<qint16>("minSize");
    QTest::addColumn<qint16>("useCustom");
    QTest::addColumn<QString>("customPath");
    QTest::addColumn<qint16>("oggUse");

    const QString defaultPath = QStringLiteral("c:\\MyEncoder.exe %1 %2");
    QTest::newRow("7.5 works as 8") << QByteArray("[Ogg]\nQuality=7.5\n") << qint16(8) << qint16(4)
                                    << qint16(0) << defaultPath << qint16(0);
    QTest::newRow("letters work as 0")
        << QByteArray("[Ogg]\nMinSize=big\nUseCustom=yes\nOggUse=on\n") << qint16(3) << qint16(0)
        << qint16(0) << defaultPath << qint16(0);
    QTest::newRow("empty works as 0") << QByteArray("[Ogg]\nQuality=\nMinSize=\n") << qint16(0)
                                      << qint16(0) << qint16(0) << defaultPath << qint16(0);
    QTest::newRow("leading number, too large")
        << QByteArray("[Ogg]\nQuality=12abc\nMinSize=99999\n") << qint16(12) << qint16(32000)
        << qint16(0) << defaultPath << qint16(0);
    QTest::newRow("hand-edited list text stays one text")
        << QByteArray("[Ogg]\nMinSize=6, 5\nCustomPath=enc %1, %2\nUseCustom=1\nOggUse=2\n")
        << qint16(3) << qint16(6) << qint16(1) << QStringLiteral("enc %1, %2") << qint16(2);
}

void TestListsAndSettings::storedTexts()
{
    QFETCH(QByteArray, ini);
    QFETCH(qint16, quality);
    QFETCH(qint16, minSize);
    QFETCH(qint16, useCustom);
    QFETCH(QString, customPath);
    QFETCH(qint16, oggUse);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sonquill.conf"));
    QVERIFY(test::writeFile(path, ini));
    const SettingsStore store(path);
    const OggSettings ogg = LoadOggSettings(store);
    QCOMPARE(ogg.Quality, quality);
    QCOMPARE(ogg.MinSize, minSize);
    QCOMPARE(ogg.UseCustom, useCustom);
    QCOMPARE(ogg.CustomPath, customPath);
    QCOMPARE(store.oggUse(), oggUse);
}

void TestListsAndSettings::writesReachTheFileAtOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sonquill.conf"));
    SettingsStore store(path);
    // What another process would read right after each single write.
    auto fresh = [&] { return std::make_unique<SettingsStore>(path); };

    store.setLastGameDir(QStringLiteral("/games/Quest \u00e9"));
    QCOMPARE(fresh()->lastGameDir(), QStringLiteral("/games/Quest \u00e9"));
    QVERIFY(test::readFile(path).contains("[Data]"));

    store.setLastSourceDir(QStringLiteral("/sfx, raw"));
    QCOMPARE(fresh()->lastSourceDir(), QStringLiteral("/sfx, raw"));

    store.setOggUse(true);
    QCOMPARE(fresh()->read(QStringLiteral("Ogg"), QStringLiteral("OggUse"), QString()),
             QStringLiteral("1"));
    store.setOggUse(false);
    QCOMPARE(fresh()->oggUse(), qint16(0));

    SaveOggSettings(store, QStringLiteral("7"), QStringLiteral("12x"), true,
                    QStringLiteral("c:\\Tools\\enc.exe \"%1\", %2"));
    const auto reader = fresh();
    QCOMPARE(reader->read(QStringLiteral("Ogg"), QStringLiteral("MinSize"), QString()),
             QStringLiteral("12x"));
    QCOMPARE(reader->read(QStringLiteral("Ogg"), QStringLiteral("UseCustom"), QString()),
             QStringLiteral("1"));
    const OggSettings ogg = LoadOggSettings(*reader);
    QCOMPARE(ogg.Quality, qint16(7));
    QCOMPARE(ogg.MinSize, qint16(12));
    QCOMPARE(ogg.UseCustom, qint16(1));
    QCOMPARE(ogg.CustomPath, QStringLiteral("c:\\Tools\\enc.exe \"%1\", %2"));
}

void TestListsAndSettings::userStoreLivesInConfigFolder()
{
    QTemporaryDir dir;
    const auto restore = [](const char *name, const std::optional<QByteArray> &value) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    };
    const auto saved = [](const char *name) -> std::optional<QByteArray> {
        if (!qEnvironmentVariableIsSet(name))
            return std::nullopt;
        return qgetenv(name);
    };
    const std::optional<QByteArray> oldConfig = saved("XDG_CONFIG_HOME");
    const std::optional<QByteArray> oldHome = saved("HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    const QString expected = dir.filePath(QStringLiteral("config/Sonquill/Sonquill.conf"));
    {
        SettingsStore store;
        QCOMPARE(store.filePath(), expected);
        store.setLastGameDir(QStringLiteral("/g"));
    }
    const QString home = DefaultGameFolder();
    restore("XDG_CONFIG_HOME", oldConfig);
    restore("HOME", oldHome);

    QVERIFY(test::readFile(expected).contains("LastGameDir=/g"));
    QCOMPARE(home, dir.filePath(QStringLiteral("home/Sonquill/Compiled")));
}

QTEST_GUILESS_MAIN(TestListsAndSettings)
#include "tst_lists_settings.moc"
