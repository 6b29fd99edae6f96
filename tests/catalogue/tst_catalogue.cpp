#include "catalogue/Categories.h"
#include "catalogue/DisplayOrder.h"
#include "catalogue/NumberReader.h"
#include "catalogue/NumberRules.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "catalogue/TextFormats.h"
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

// A table taken unchanged, as a loaded file gives it (numbers are not checked).
SoundTable tableOf(const QList<SoundRecord> &records)
{
    SoundTable table;
    table.replaceAll(records);
    return table;
}

SoundTable allNumbersTaken()
{
    QList<SoundRecord> records;
    for (qint16 n = 1; n <= 999; ++n)
        records.append(record(QString::number(n), n));
    return tableOf(records);
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableOperations();
    void refreshSizes();
    void numberEdit_data();
    void numberEdit();
    void categories_data();
    void categories();
    void displayOrder_data();
    void displayOrder();
    void paths_data();
    void paths();
    void toInteger_data();
    void toInteger();
    void filesOnDisk();
    void kilobytesText_data();
    void kilobytesText();
};

void TestCatalogue::tableOperations()
{
    // Numbers 1, 2 and 4 in use: the next three sounds get 3, 5 and 6, and the caller's record
    // carries its number too.
    SoundTable table = tableOf({record("a", 1), record("b", 2), record("d", 4)});
    QList<qint16> given;
    for (int i = 0; i < 3; ++i) {
        SoundRecord r = record(QStringLiteral("Door"));
        QCOMPARE(table.AddSound(r), qint16(4 + i));
        QCOMPARE(table.at(4 + i).number, r.number);
        given.append(r.number);
    }
    QCOMPARE(given, (QList<qint16>{3, 5, 6}));

    // Removing entry 2 of 6 moves the later ones down unchanged.
    const QList<SoundRecord> before = table.records();
    table.RemoveSound(2);
    QCOMPARE(table.records(), before.mid(0, 1) + before.mid(2));
    table.RemoveSound(0); // invalid indexes change nothing
    table.RemoveSound(6);
    QCOMPARE(table.SoundCount(), qint16(5));

    // Selection flags: any nonzero value is true.
    table.at(2).selected = 1;
    QCOMPARE(table.CountSelected(), qint16(1));
    table.SetAllSelected(true);
    QCOMPARE(table.CountSelected(), qint16(5));
    QCOMPARE(table.at(1).selected, kTrue16);
    table.ClearSounds();
    QCOMPARE(table.CountSelected(), qint16(0));
    SoundRecord r = record(QStringLiteral("c"));
    QCOMPARE(table.AddSound(r), qint16(1));
    QCOMPARE(r.number, qint16(1));

    // Numbers outside 1 to 999 block nothing; the first holder of a doubled number is named.
    const SoundTable odd =
        tableOf({record("zero", 0), record("big", 1500), record("first", 7), record("second", 7)});
    QCOMPARE(odd.FirstFreeNumber(), qint16(1));
    QCOMPARE(odd.FindNumber(7), std::optional<QString>(QStringLiteral("first")));
    QCOMPARE(odd.FindNumber(8), std::nullopt);

    // All numbers taken: a new sound gets 0 and is still appended.
    SoundTable full = allNumbersTaken();
    SoundRecord extra = record(QStringLiteral("extra"), 77);
    QCOMPARE(full.AddSound(extra), qint16(1000));
    QCOMPARE(full.at(1000).number, qint16(0));

    // The count never passes 32767, neither by adding nor by a load.
    QList<SoundRecord> many(SoundTable::kMaxCount);
    SoundTable limit = tableOf(many);
    QCOMPARE(limit.AddSound(extra), qint16(0));
    QCOMPARE(limit.SoundCount(), qint16(32767));
    limit.replaceAll(many + QList<SoundRecord>{SoundRecord{}});
    QCOMPARE(limit.SoundCount(), qint16(32767));
}

void TestCatalogue::refreshSizes()
{
    QTemporaryDir dir;
    SoundRecord present = record(QStringLiteral("present"));
    present.filename = dir.filePath(QStringLiteral("present.wav"));
    QVERIFY(test::writeFile(present.filename, QByteArray(1234, 'x')));
    SoundRecord gone = record(QStringLiteral("gone"));
    gone.filename = dir.filePath(QStringLiteral("gone.wav"));
    SoundRecord measured = present;
    measured.size = 99.0f; // measured earlier: an unforced refresh leaves it alone
    SoundTable table = tableOf({present, gone, measured});

    table.RefreshSizes(false);
    QCOMPARE(table.at(1).size, 1234.0f);
    QCOMPARE(table.at(2).size, -1.0f);
    QCOMPARE(table.at(3).size, 99.0f);
    QVERIFY(test::writeFile(gone.filename, QByteArray(10, 'y')));
    table.RefreshSizes(false); // -1 is not 0: not measured again
    QCOMPARE(table.at(2).size, -1.0f);
    table.RefreshSizes(true);
    QCOMPARE(table.at(2).size, 10.0f);
    QCOMPARE(table.at(3).size, 1234.0f);
}

void TestCatalogue::numberEdit_data()
{
    QTest::addColumn<int>("own");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("editorText");

    using V = NumberEdit::Verdict;
    QTest::newRow("free number") << 6 << "12" << int(V::Accepted) << "";
    QTest::newRow("highest") << 6 << "999" << int(V::Accepted) << "";
    QTest::newRow("own number with blanks") << 6 << " 6 " << int(V::Unchanged) << "";
    QTest::newRow("6.5 rounds to its own 6") << 6 << "6.5" << int(V::Unchanged) << "";
    QTest::newRow("taken, first free offered") << 6 << "7" << int(V::Taken) << "2";
    QTest::newRow("zero") << 6 << "0" << int(V::TooLow) << "1";
    QTest::newRow("negative") << 6 << "-5" << int(V::TooLow) << "1";
    QTest::newRow("letters") << 6 << "abc" << int(V::TooLow) << "1";
    QTest::newRow("empty") << 6 << "" << int(V::TooLow) << "1";
    QTest::newRow("1000") << 6 << "1000" << int(V::TooHigh) << "999";
    QTest::newRow("huge") << 6 << "99999" << int(V::TooHigh) << "999";
}

void TestCatalogue::numberEdit()
{
    QFETCH(int, own);
    QFETCH(QString, typed);
    QFETCH(int, verdict);
    QFETCH(QString, editorText);
    const SoundTable table = tableOf({record("Door", 1), record("Bell", 7), record("Me", 6)});
    const NumberEdit edit = CheckNumberEdit(table, qint16(own), typed);
    QCOMPARE(int(edit.verdict), verdict);
    QCOMPARE(edit.editorText, editorText);
    if (edit.verdict == NumberEdit::Verdict::Taken) {
        QCOMPARE(NumberTakenMessage(edit),
                 QStringLiteral("The sound number 7 is already assigned to sound 'Bell'.\r\n"
                                "The first available number is 2."));
    }

    // All numbers taken: the offered number is 0, which the next commit refuses as too low.
    const NumberEdit full = CheckNumberEdit(allNumbersTaken(), 1, QStringLiteral("2"));
    QCOMPARE(full.editorText, QStringLiteral("0"));
    QCOMPARE(int(CheckNumberEdit(allNumbersTaken(), 1, full.editorText).verdict),
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
        << QStringList{"Misc", "Alarm", "misc", "Doors"} << QStringList{"Misc", "Alarm", "Doors"};
    QTest::newRow("blank adds nothing") << QStringList{"", "Misc", ""} << QStringList{"Misc"};
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

void TestCatalogue::displayOrder_data()
{
    QTest::addColumn<QList<qint16>>("clicks");
    QTest::addColumn<QList<qint16>>("expectedNumbers");

    // The table, in table order (number, lock, category, name, size, file):
    //  5  -  Misc   Door   2000  /s/e.wav
    //  3  X  doors  bell   -1    /s/d.wav
    //  7  -  misc   Apple  300   /s/c.wav
    //  12 X  A0     Door   100   /s/a.wav
    //  1  -  A      apple  2000  /s/B.wav
    QTest::newRow("before any click: by number (0012 after 0007)")
        << QList<qint16>{} << QList<qint16>{1, 3, 5, 7, 12};
    QTest::newRow("category, number within; A0001 before A00012")
        << QList<qint16>{SortCategory} << QList<qint16>{1, 12, 3, 5, 7};
    QTest::newRow("category then name: by name, then category")
        << QList<qint16>{SortCategory, SortName} << QList<qint16>{1, 7, 3, 12, 5};
    // Keys join without a separator: "A0" + "Door" sorts before "A" + "apple".
    QTest::newRow("name then category: by category, then name")
        << QList<qint16>{SortName, SortCategory} << QList<qint16>{12, 1, 3, 7, 5};
    QTest::newRow("same header twice changes nothing")
        << QList<qint16>{SortName, SortCategory, SortCategory} << QList<qint16>{12, 1, 3, 7, 5};
    QTest::newRow("lock: locked first, groups by previous primary, ties in table order")
        << QList<qint16>{SortName, SortLock} << QList<qint16>{3, 12, 7, 1, 5};
    QTest::newRow("size: minus sign first, ties by number")
        << QList<qint16>{SortSize} << QList<qint16>{3, 12, 7, 1, 5};
    QTest::newRow("filename, case ignored")
        << QList<qint16>{SortFilename} << QList<qint16>{12, 1, 7, 3, 5};
}

void TestCatalogue::displayOrder()
{
    QFETCH(QList<qint16>, clicks);
    QFETCH(QList<qint16>, expectedNumbers);

    auto make = [](qint16 number, bool locked, const char *category, const char *name, float size,
                   const char *file) {
        SoundRecord r = record(QString::fromUtf8(name), number, QString::fromUtf8(category));
        r.locked = toBool16(locked);
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
    QList<qint16> numbers;
    for (int index : MakeSort(table, state))
        numbers.append(table.at(index).number);
    QCOMPARE(numbers, expectedNumbers);
    QVERIFY(MakeSort(SoundTable(), state).isEmpty());
}

void TestCatalogue::paths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("extension");
    QTest::newRow("two dots") << "D:\\Sfx\\Door.Slam.WAV"
                              << "Door.Slam"
                              << "D:\\Sfx"
                              << "WAV";
    QTest::newRow("no dot: extension is the whole path") << "D:\\Sfx\\Boom"
                                                         << "Boom"
                                                         << "D:\\Sfx"
                                                         << "D:\\Sfx\\Boom";
    QTest::newRow("only extension") << "D:\\Sfx\\.wav"
                                    << ""
                                    << "D:\\Sfx"
                                    << "wav";
    QTest::newRow("trailing separator") << "D:\\Sfx\\"
                                        << ""
                                        << "D:\\Sfx"
                                        << "D:\\Sfx\\";
    QTest::newRow("drive root") << "C:\\Boom.wav"
                                << "Boom"
                                << "C:"
                                << "wav";
    QTest::newRow("leading separator") << "\\Boom.wav"
                                       << "Boom"
                                       << ""
                                       << "wav";
    QTest::newRow("no separator") << "Boom.wav"
                                  << "Boom"
                                  << ""
                                  << "wav";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "";
    QTest::newRow("forward slashes") << "/home/a/a.b.c.ogg"
                                     << "a.b.c"
                                     << "/home/a"
                                     << "ogg";
    QTest::newRow("mixed separators") << "D:\\Sfx/sub\\Bell.mp3"
                                      << "Bell"
                                      << "D:\\Sfx/sub"
                                      << "mp3";
    QTest::newRow("dot in folder only") << "/snd.d/Boom"
                                        << "Boom"
                                        << "/snd.d"
                                        << "d/Boom";
}

void TestCatalogue::paths()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QFETCH(QString, extension);
    QCOMPARE(NameFromPath(path), name);
    QCOMPARE(FolderFromPath(path), folder);
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
    QTest::newRow("4.5 half to even") << "4.5" << 4;
    QTest::newRow("3.5 half to even") << "3.5" << 4;
    QTest::newRow("7.5") << "7.5" << 8;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("blanks around sign") << "  - 5" << -5;
    QTest::newRow("exponent") << "1.5E3" << 1500;
    QTest::newRow("exponent without digits") << "12E" << 12;
    QTest::newRow("negative exponent") << "25e-1" << 2;
    QTest::newRow("too large to represent") << "1e400" << 0;
    QTest::newRow("comma is no decimal point") << "7,9" << 7;
    QTest::newRow("leading dot") << ".6" << 1;
    QTest::newRow("hex") << "&H1F" << 31;
    QTest::newRow("hex sixteen-bit negative") << "&HFFFF" << -1;
    QTest::newRow("hex large clamped") << "&H10000" << 32000;
    QTest::newRow("octal") << "&O17" << 15;
    QTest::newRow("hex overflow") << "&H1FFFFFFFF" << 0;
}

void TestCatalogue::toInteger()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(ToInteger(text)), expected);
}

void TestCatalogue::filesOnDisk()
{
    QTemporaryDir dir;
    const auto path = [&dir](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    QVERIFY(test::writeFile(path("empty.wav"), {}));
    QVERIFY(test::writeFile(path("Door.WAV"), QByteArray(777, 'a')));
    QVERIFY(test::writeFile(path(".hidden.ogg"), "b"));
    QVERIFY(test::writeFile(path("Bell[1].wav"), "bell"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SOUND9.folder")));

    QCOMPARE(FileSizeBytes(path("empty.wav")), 0);
    QCOMPARE(FileSizeBytes(path("Door.WAV")), 777);
    QCOMPARE(FileSizeBytes(path("missing.wav")), -1);
    QCOMPARE(FileSizeBytes(dir.path()), -1);
    QCOMPARE(FileSizeBytes(QString()), -1);
#ifdef Q_OS_UNIX
    QVERIFY(::mkfifo(QFile::encodeName(path("pipe.wav")).constData(), 0600) == 0);
    QCOMPARE(FileSizeBytes(path("pipe.wav")), -1); // answered without waiting for a writer
#endif

    const QList<std::pair<QString, bool>> cases = {
        {path("Door.WAV"), true},     {path(".hidden.ogg"), true},
        {path("door.wav"), true}, // names match without regard to case
        {path("D*.wav"), true},       {path("?oor.*"), true},
        {path("bell[1].WAV"), true}, // brackets are no wildcards
        {path("Doo[r].wav"), false},  {path("*.mp3"), false},
        {path("missing.wav"), false}, {path("SOUND9.*"), false}, // a folder never matches
        {dir.path(), false},          {path("nofolder/*.wav"), false},
        {QString(), false},
    };
    for (const auto &[file, exists] : cases)
        QVERIFY2(FileExists(file) == exists, qPrintable(file));
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
    QTest::newRow("missing file") << -1.0 << "0";
}

void TestCatalogue::kilobytesText()
{
    QFETCH(double, bytes);
    QFETCH(QString, text);
    QCOMPARE(KilobytesText(bytes), text);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
