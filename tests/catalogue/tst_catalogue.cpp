#include "catalogue/Categories.h"
#include "catalogue/DisplayOrder.h"
#include "catalogue/FileUtils.h"
#include "catalogue/NumberRules.h"
#include "catalogue/SoundTable.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace sonquill;

namespace {

SoundRecord record(const QString &name, qint16 number = 0, const QString &category = {})
{
    SoundRecord r;
    r.name = name;
    r.filename = QStringLiteral("C:\\Snd\\") + name + QStringLiteral(".wav");
    r.number = number;
    r.category = category;
    return r;
}

// A table taken unchanged, as a loaded file would give it (numbers not checked).
SoundTable tableOf(const QList<SoundRecord> &records)
{
    SoundTable table;
    table.replaceAll(records);
    return table;
}

QList<qint16> numbersInOrder(const SoundTable &table, const QList<int> &order)
{
    QList<qint16> numbers;
    for (int index : order)
        numbers.append(table.at(index).number);
    return numbers;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addSoundGivesLowestFreeNumbers();
    void addSoundWhenAllNumbersTaken();
    void addSoundRefusesBeyondCountLimit();
    void firstFreeIgnoresOutOfRangeNumbers();
    void removeKeepsOrderOfLaterEntries();
    void clearAndSelection();
    void findNumberNamesFirstHolder();
    void refreshSizes();

    void numberEdit_data();
    void numberEdit();
    void numberTakenMessage();

    void categories_data();
    void categories();

    void headerClicks();
    void displayOrder_data();
    void displayOrder();
    void sortKeyParts_data();
    void sortKeyParts();

    void nameAndFolder_data();
    void nameAndFolder();
    void fileExtension_data();
    void fileExtension();
    void toInteger_data();
    void toInteger();
    void fileSizeAndExistence();
    void kilobytesText_data();
    void kilobytesText();
};

void TestCatalogue::addSoundGivesLowestFreeNumbers()
{
    SoundTable table = tableOf({record(QStringLiteral("a"), 1), record(QStringLiteral("b"), 2),
                                record(QStringLiteral("d"), 4)});
    QList<qint16> given;
    for (int i = 0; i < 3; ++i) {
        SoundRecord r = record(QStringLiteral("new"));
        const qint16 index = table.AddSound(r);
        QCOMPARE(index, qint16(4 + i));
        QCOMPARE(table.at(index).number, r.number); // the caller's copy carries the number too
        given.append(r.number);
    }
    QCOMPARE(given, (QList<qint16>{3, 5, 6}));

    // The same file twice gives two entries with different numbers.
    SoundTable twice;
    SoundRecord door = record(QStringLiteral("Door"));
    QCOMPARE(twice.AddSound(door), qint16(1));
    QCOMPARE(twice.AddSound(door), qint16(2));
    QCOMPARE(twice.at(1).number, qint16(1));
    QCOMPARE(twice.at(2).number, qint16(2));
}

void TestCatalogue::addSoundWhenAllNumbersTaken()
{
    QList<SoundRecord> records;
    for (qint16 n = 1; n <= 999; ++n)
        records.append(record(QString::number(n), n));
    SoundTable table = tableOf(records);
    QCOMPARE(table.FirstFreeNumber(), qint16(0));
    SoundRecord extra = record(QStringLiteral("extra"), 77);
    QCOMPARE(table.AddSound(extra), qint16(1000));
    QCOMPARE(table.at(1000).number, qint16(0));
}

void TestCatalogue::addSoundRefusesBeyondCountLimit()
{
    QList<SoundRecord> records(SoundTable::kMaxCount);
    SoundTable table = tableOf(records);
    QCOMPARE(table.SoundCount(), qint16(32767));
    SoundRecord extra = record(QStringLiteral("extra"));
    QCOMPARE(table.AddSound(extra), qint16(0));
    QCOMPARE(table.SoundCount(), qint16(32767));

    records.append(SoundRecord{});
    table.replaceAll(records);
    QCOMPARE(table.SoundCount(), qint16(32767));
}

void TestCatalogue::firstFreeIgnoresOutOfRangeNumbers()
{
    QCOMPARE(SoundTable().FirstFreeNumber(), qint16(1));
    const SoundTable table =
        tableOf({record(QStringLiteral("zero"), 0), record(QStringLiteral("big"), 1500),
                 record(QStringLiteral("neg"), -3)});
    QCOMPARE(table.FirstFreeNumber(), qint16(1));
}

void TestCatalogue::removeKeepsOrderOfLaterEntries()
{
    QList<SoundRecord> records;
    for (int i = 1; i <= 5; ++i)
        records.append(record(QStringLiteral("s%1").arg(i), qint16(i * 10)));
    SoundTable table = tableOf(records);
    table.RemoveSound(2);
    QCOMPARE(table.SoundCount(), qint16(4));
    QCOMPARE(table.at(1), records[0]);
    QCOMPARE(table.at(2), records[2]);
    QCOMPARE(table.at(3), records[3]);
    QCOMPARE(table.at(4), records[4]);

    table.RemoveSound(0); // invalid indexes change nothing
    table.RemoveSound(5);
    QCOMPARE(table.SoundCount(), qint16(4));

    SoundTable single = tableOf({record(QStringLiteral("only"), 1)});
    single.RemoveSound(1);
    QCOMPARE(single.SoundCount(), qint16(0));
}

void TestCatalogue::clearAndSelection()
{
    SoundTable table = tableOf({record(QStringLiteral("a"), 1), record(QStringLiteral("b"), 2)});
    table.at(2).selected = 1; // any nonzero value is true
    QCOMPARE(table.CountSelected(), qint16(1));
    table.SetAllSelected(true);
    QCOMPARE(table.CountSelected(), qint16(2));
    QCOMPARE(table.at(1).selected, kTrue16);
    table.SetAllSelected(false);
    QCOMPARE(table.CountSelected(), qint16(0));

    table.SetAllSelected(true);
    table.ClearSounds();
    QCOMPARE(table.CountSelected(), qint16(0));
    SoundRecord r = record(QStringLiteral("c"));
    QCOMPARE(table.AddSound(r), qint16(1));
    QCOMPARE(r.number, qint16(1));
}

void TestCatalogue::findNumberNamesFirstHolder()
{
    const SoundTable table =
        tableOf({record(QStringLiteral("first"), 7), record(QStringLiteral("second"), 7)});
    QCOMPARE(table.FindNumber(7), std::optional<QString>(QStringLiteral("first")));
    QCOMPARE(table.FindNumber(8), std::nullopt);
    QCOMPARE(table.IndexOfNumber(7), 1);
}

void TestCatalogue::refreshSizes()
{
    QTemporaryDir dir;
    const QString present = dir.filePath(QStringLiteral("present.wav"));
    QVERIFY(test::writeFile(present, QByteArray(1234, 'x')));
    SoundRecord a = record(QStringLiteral("present"));
    a.filename = present;
    SoundRecord b = record(QStringLiteral("gone"));
    b.filename = dir.filePath(QStringLiteral("gone.wav"));
    SoundRecord c = a;
    c.size = 99.0f; // measured earlier, left alone by an unforced refresh
    SoundTable table = tableOf({a, b, c});

    table.RefreshSizes(false);
    QCOMPARE(table.at(1).size, 1234.0f);
    QCOMPARE(table.at(2).size, -1.0f);
    QCOMPARE(table.at(3).size, 99.0f);

    QVERIFY(test::writeFile(b.filename, QByteArray(10, 'y')));
    table.RefreshSizes(false); // -1 is not 0: still not measured again
    QCOMPARE(table.at(2).size, -1.0f);
    table.RefreshSizes(true);
    QCOMPARE(table.at(2).size, 10.0f);
    QCOMPARE(table.at(3).size, 1234.0f);
}

void TestCatalogue::numberEdit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("editorText");

    using V = NumberEdit::Verdict;
    QTest::newRow("free number") << "12" << int(V::Accepted) << "";
    QTest::newRow("own number") << "5" << int(V::Unchanged) << "";
    QTest::newRow("own number with blanks") << " 5 " << int(V::Unchanged) << "";
    QTest::newRow("taken") << "7" << int(V::Taken) << "2";
    QTest::newRow("zero") << "0" << int(V::TooLow) << "1";
    QTest::newRow("negative") << "-5" << int(V::TooLow) << "1";
    QTest::newRow("letters") << "abc" << int(V::TooLow) << "1";
    QTest::newRow("empty") << "" << int(V::TooLow) << "1";
    QTest::newRow("1000") << "1000" << int(V::TooHigh) << "999";
    QTest::newRow("huge") << "99999" << int(V::TooHigh) << "999";
    QTest::newRow("highest") << "999" << int(V::Accepted) << "";
    QTest::newRow("rounds half to even onto taken") << "6.5" << int(V::Unchanged) << "";
}

void TestCatalogue::numberEdit()
{
    QFETCH(QString, typed);
    QFETCH(int, verdict);
    QFETCH(QString, editorText);
    const SoundTable table =
        tableOf({record(QStringLiteral("Door"), 1), record(QStringLiteral("Bell"), 7),
                 record(QStringLiteral("Me"), 6)});
    // "Me" is edited; 6 is its own number. 6.5 rounds to 6 (half to even).
    const qint16 own = typed == QLatin1String("5") || typed == QLatin1String(" 5 ") ? 5 : 6;
    const NumberEdit edit = CheckNumberEdit(table, own, typed);
    QCOMPARE(int(edit.verdict), verdict);
    QCOMPARE(edit.editorText, editorText);
}

void TestCatalogue::numberTakenMessage()
{
    const SoundTable table =
        tableOf({record(QStringLiteral("Door"), 1), record(QStringLiteral("Bell"), 7)});
    const NumberEdit edit = CheckNumberEdit(table, 1, QStringLiteral("7"));
    QCOMPARE(edit.holderName, QStringLiteral("Bell"));
    QCOMPARE(NumberTakenMessage(edit),
             QStringLiteral("The sound number 7 is already assigned to sound 'Bell'.\r\n"
                            "The first available number is 2."));

    // All numbers taken: the free number is 0 and a commit of "0" is refused as too low.
    QList<SoundRecord> all;
    for (qint16 n = 1; n <= 999; ++n)
        all.append(record(QString::number(n), n));
    const NumberEdit full = CheckNumberEdit(tableOf(all), 1, QStringLiteral("2"));
    QCOMPARE(full.firstFree, qint16(0));
    QCOMPARE(full.editorText, QStringLiteral("0"));
    QCOMPARE(int(CheckNumberEdit(tableOf(all), 1, full.editorText).verdict),
             int(NumberEdit::Verdict::TooLow));
}

void TestCatalogue::categories_data()
{
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty table") << QStringList{} << QStringList{};
    QTest::newRow("case variants keep first spelling")
        << QStringList{"Doors", "doors", "DOORS"} << QStringList{"Doors"};
    QTest::newRow("first occurrence order")
        << QStringList{"Misc", "Alarm", "misc", "Doors", "alarm"}
        << QStringList{"Misc", "Alarm", "Doors"};
    QTest::newRow("blank category adds nothing")
        << QStringList{"", "Misc", ""} << QStringList{"Misc"};
    QTest::newRow("trailing blank is another category")
        << QStringList{"Misc", "Misc "} << QStringList{"Misc", "Misc "};
    QTest::newRow("non-ASCII case folding") << QStringList{"Écho", "écho"} << QStringList{"Écho"};
}

void TestCatalogue::categories()
{
    QFETCH(QStringList, categories);
    QFETCH(QStringList, expected);
    QList<SoundRecord> records;
    for (const QString &c : categories)
        records.append(record(QStringLiteral("x"), 0, c));
    QCOMPARE(CollectCategories(tableOf(records)), expected);
}

void TestCatalogue::headerClicks()
{
    SortState state;
    state.headerClicked(SortName);
    QCOMPARE(state.PrimarySort, qint16(SortName));
    QCOMPARE(state.SecondarySort, qint16(SortNone));
    state.headerClicked(SortCategory);
    QCOMPARE(state.PrimarySort, qint16(SortCategory));
    QCOMPARE(state.SecondarySort, qint16(SortName));
    state.headerClicked(SortCategory); // the current primary changes nothing
    QCOMPARE(state.PrimarySort, qint16(SortCategory));
    QCOMPARE(state.SecondarySort, qint16(SortName));
}

void TestCatalogue::displayOrder_data()
{
    QTest::addColumn<QList<qint16>>("clicks");
    QTest::addColumn<QList<qint16>>("expectedNumbers");

    // The table used below, in table order (number, lock, category, name, size):
    //  5  -  Misc   Door   2000
    //  3  X  doors  bell   -1
    //  7  -  misc   Apple  300
    //  12 X  A0     Door   100
    //  1  -  A      apple  2000
    QTest::newRow("before any click: by number")
        << QList<qint16>{} << QList<qint16>{1, 3, 5, 7, 12};
    QTest::newRow("category, then number within")
        << QList<qint16>{SortCategory} << QList<qint16>{1, 12, 3, 5, 7};
    QTest::newRow("category then name: by name, then category")
        << QList<qint16>{SortCategory, SortName} << QList<qint16>{1, 7, 3, 12, 5};
    // Keys join without a separator: "A0" + "Door" sorts before "A" + "apple".
    QTest::newRow("name then category: by category, then name")
        << QList<qint16>{SortName, SortCategory} << QList<qint16>{12, 1, 3, 7, 5};
    QTest::newRow("same header twice changes nothing")
        << QList<qint16>{SortName, SortCategory, SortCategory} << QList<qint16>{12, 1, 3, 7, 5};
    QTest::newRow("lock: locked first, each group by previous primary")
        << QList<qint16>{SortName, SortLock} << QList<qint16>{3, 12, 7, 1, 5};
    QTest::newRow("size: minus sign where the collation puts it, ties by number")
        << QList<qint16>{SortSize} << QList<qint16>{3, 12, 7, 1, 5};
    QTest::newRow("filename") << QList<qint16>{SortFilename} << QList<qint16>{12, 1, 7, 3, 5};
}

void TestCatalogue::displayOrder()
{
    QFETCH(QList<qint16>, clicks);
    QFETCH(QList<qint16>, expectedNumbers);

    auto make = [](qint16 number, bool locked, const char *category, const char *name, float size,
                   const char *file) {
        SoundRecord r;
        r.number = number;
        r.locked = toBool16(locked);
        r.category = QString::fromUtf8(category);
        r.name = QString::fromUtf8(name);
        r.size = size;
        r.filename = QString::fromUtf8(file);
        return r;
    };
    const SoundTable table = tableOf({
        make(5, false, "Misc", "Door", 2000, "/s/e.wav"),
        make(3, true, "doors", "bell", -1, "/s/d.wav"),
        make(7, false, "misc", "Apple", 300, "/s/c.wav"),
        make(12, true, "A0", "Door", 100, "/s/a.wav"),
        make(1, false, "A", "apple", 2000, "/s/B.wav"),
    });
    SortState state;
    for (qint16 c : clicks)
        state.headerClicked(c);
    const QList<int> order = MakeSort(table, state);
    QCOMPARE(order.size(), int(table.SoundCount()));
    QCOMPARE(numbersInOrder(table, order), expectedNumbers);
}

void TestCatalogue::sortKeyParts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number padded") << int(SortNumber) << "0007";
    QTest::newRow("lock false") << int(SortLock) << "1";
    QTest::newRow("category") << int(SortCategory) << "Doors";
    QTest::newRow("name") << int(SortName) << "Slam";
    QTest::newRow("size fourteen digits") << int(SortSize) << "00000000001500";
    QTest::newRow("no column") << int(SortNone) << "";
}

void TestCatalogue::sortKeyParts()
{
    QFETCH(int, code);
    QFETCH(QString, expected);
    SoundRecord r;
    r.number = 7;
    r.category = QStringLiteral("Doors");
    r.name = QStringLiteral("Slam");
    r.size = 1500;
    QCOMPARE(SortKeyPart(r, qint16(code)), expected);

    r.size = -1;
    QCOMPARE(SortKeyPart(r, SortSize), QStringLiteral("-00000000000001"));
    r.number = 123;
    QCOMPARE(SortKeyPart(r, SortNumber), QStringLiteral("0123"));
    // Parts join without a separator: category A with 500 sorts after A0 with 1.
    SoundRecord a = r, a0 = r;
    a.category = QStringLiteral("A");
    a.number = 500;
    a0.category = QStringLiteral("A0");
    a0.number = 1;
    SortState byCategory;
    byCategory.headerClicked(SortCategory);
    QCOMPARE(SortKey(a, byCategory), QStringLiteral("A0500"));
    QCOMPARE(SortKey(a0, byCategory), QStringLiteral("A00001"));
    const SoundTable table = tableOf({a, a0});
    QCOMPARE(MakeSort(table, byCategory), (QList<int>{2, 1}));
    QVERIFY(MakeSort(SoundTable(), byCategory).isEmpty());
}

void TestCatalogue::nameAndFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::newRow("two dots") << "D:\\Sfx\\Door.Slam.wav"
                              << "Door.Slam"
                              << "D:\\Sfx";
    QTest::newRow("no extension") << "D:\\Sfx\\Boom"
                                  << "Boom"
                                  << "D:\\Sfx";
    QTest::newRow("only extension") << "D:\\Sfx\\.wav"
                                    << ""
                                    << "D:\\Sfx";
    QTest::newRow("trailing separator") << "D:\\Sfx\\"
                                        << ""
                                        << "D:\\Sfx";
    QTest::newRow("drive root") << "C:\\Boom.wav"
                                << "Boom"
                                << "C:";
    QTest::newRow("leading separator") << "\\Boom.wav"
                                       << "Boom"
                                       << "";
    QTest::newRow("no separator") << "Boom.wav"
                                  << "Boom"
                                  << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("forward slashes") << "/home/a/snd/a.b.c.ogg"
                                     << "a.b.c"
                                     << "/home/a/snd";
    QTest::newRow("mixed separators") << "D:\\Sfx/sub\\Bell.WAV"
                                      << "Bell"
                                      << "D:\\Sfx/sub";
    QTest::newRow("dot in folder only") << "/snd.d/Boom"
                                        << "Boom"
                                        << "/snd.d";
    QTest::newRow("case kept") << "/x/MiXeD.Wav"
                               << "MiXeD"
                               << "/x";
}

void TestCatalogue::nameAndFolder()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QCOMPARE(NameFromPath(path), name);
    QCOMPARE(FolderFromPath(path), folder);
}

void TestCatalogue::fileExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("upper case kept") << "C:\\Snd\\Door.WAV"
                                     << "WAV";
    QTest::newRow("last dot") << "/a/b.c.mp3"
                              << "mp3";
    QTest::newRow("no dot gives whole path") << "/a/b/Boom"
                                             << "/a/b/Boom";
    QTest::newRow("dot in folder") << "/a.d/Boom"
                                   << "d/Boom";
}

void TestCatalogue::fileExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(FileExtension(path), extension);
}

void TestCatalogue::toInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "42" << 42;
    QTest::newRow("trailing letters") << "12abc" << 12;
    QTest::newRow("blanks inside") << "1 2 3" << 123;
    QTest::newRow("clamped high") << "99999" << 32000;
    QTest::newRow("clamped low") << "-40000" << -32000;
    QTest::newRow("half to even down") << "4.5" << 4;
    QTest::newRow("half to even up") << "3.5" << 4;
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow("7.5") << "7.5" << 8;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("leading blanks and sign") << "  - 5" << -5;
    QTest::newRow("exponent") << "1.5E3" << 1500;
    QTest::newRow("exponent without digits") << "12E" << 12;
    QTest::newRow("negative exponent") << "25e-1" << 2;
    QTest::newRow("too large to represent") << "1e400" << 0;
    QTest::newRow("comma is not a decimal point") << "7,9" << 7;
    QTest::newRow("leading dot") << ".6" << 1;
    QTest::newRow("hex") << "&H1F" << 31;
    QTest::newRow("hex sixteen-bit negative") << "&HFFFF" << -1;
    QTest::newRow("hex large clamped") << "&H10000" << 32000;
    QTest::newRow("octal") << "&O17" << 15;
    QTest::newRow("hex overflow") << "&H1FFFFFFFF" << 0;
    QTest::newRow("hex without digits") << "&H" << 0;
}

void TestCatalogue::toInteger()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(ToInteger(text)), expected);
}

void TestCatalogue::fileSizeAndExistence()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString empty = dir.filePath(QStringLiteral("empty.wav"));
    const QString sound = dir.filePath(QStringLiteral("Door.WAV"));
    const QString hidden = dir.filePath(QStringLiteral(".hidden.ogg"));
    QVERIFY(test::writeFile(empty, {}));
    QVERIFY(test::writeFile(sound, QByteArray(777, 'a')));
    QVERIFY(test::writeFile(hidden, QByteArray(3, 'b')));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("Bell[1].wav")), "bell"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SOUND9.folder")));

    QCOMPARE(FileSizeBytes(empty), 0);
    QCOMPARE(FileSizeBytes(sound), 777);
    QCOMPARE(FileSizeBytes(dir.filePath(QStringLiteral("missing.wav"))), -1);
    QCOMPARE(FileSizeBytes(dir.path()), -1);
    QCOMPARE(FileSizeBytes(QString()), -1);
#ifdef Q_OS_UNIX
    const QString pipe = dir.filePath(QStringLiteral("pipe.wav"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    QCOMPARE(FileSizeBytes(pipe), -1); // measured without waiting for a writer
#endif

    struct Case
    {
        QString path;
        bool exists;
    };
    const QList<Case> cases = {
        {sound, true},
        {hidden, true},
        {dir.path(), false},
        {dir.filePath(QStringLiteral("missing.wav")), false},
        {QString(), false},
        {dir.filePath(QStringLiteral("door.wav")), true}, // names match without regard to case
        {dir.filePath(QStringLiteral("D*.wav")), true},
        {dir.filePath(QStringLiteral("?oor.*")), true},
        {dir.filePath(QStringLiteral("*.mp3")), false},
        {dir.filePath(QStringLiteral("bell[1].WAV")), true}, // brackets are no wildcards
        {dir.filePath(QStringLiteral("Doo[r].wav")), false},
        {dir.filePath(QStringLiteral("SOUND9.*")), false}, // a folder never matches
        {dir.filePath(QStringLiteral("nofolder/*.wav")), false},
    };
    for (const Case &c : cases)
        QVERIFY2(FileExists(c.path) == c.exists, qPrintable(c.path));
}

void TestCatalogue::kilobytesText_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("499") << 499.0 << "0";
    QTest::newRow("500 half to even") << 500.0 << "0";
    QTest::newRow("1500") << 1500.0 << "2";
    QTest::newRow("2500") << 2500.0 << "2";
    QTest::newRow("3500") << 3500.0 << "4";
    QTest::newRow("unmeasured") << 0.0 << "0";
    QTest::newRow("missing file") << -1.0 << "0";
    QTest::newRow("large") << 123456789.0 << "123457";
}

void TestCatalogue::kilobytesText()
{
    QFETCH(double, bytes);
    QFETCH(QString, text);
    QCOMPARE(KilobytesText(bytes), text);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
