// The catalogue's own rules below the session: sizes, categories, display order, paths, text to
// integer, files on disk. Adding, numbering, locking and removal are the session's, tested there.
#include "catalogue/Categories.h"
#include "catalogue/DisplayOrder.h"
#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundTable.h"
#include "catalogue/TextFormats.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace sonquill;

namespace {

SoundRecord record(const QString &name, qint16 number = 0, const QString &category = {})
{
    return {name, "C:\\Snd\\" + name + ".wav", number, 0, category, 0, 0.0f, {}, {}};
}

SoundTable tableOf(const QList<SoundRecord> &records)
{
    SoundTable table;
    table.replaceAll(records);
    return table;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableBounds();
    void refreshSizes();
    void categories_data();
    void categories();
    void displayOrder_data();
    void displayOrder();
    void paths_data();
    void paths();
    void numberTexts_data();
    void numberTexts();
    void filesOnDisk_data();
    void filesOnDisk();
};

void TestCatalogue::tableBounds()
{
    SoundTable table = tableOf({record("a", 1), record("b", 2)});
    table.RemoveSound(0); // invalid indexes change nothing
    table.RemoveSound(3);
    QCOMPARE(table.SoundCount(), qint16(2));
    // The count never passes 32767, not even by a load.
    QList<SoundRecord> many(SoundTable::kMaxCount + 1);
    QCOMPARE(tableOf(many).SoundCount(), qint16(32767));
}

void TestCatalogue::refreshSizes()
{
    QTemporaryDir dir;
    SoundRecord present = record("present"), gone = record("gone");
    present.filename = dir.filePath("present.wav");
    gone.filename = dir.filePath("gone.wav");
    QVERIFY(test::writeFile(present.filename, QByteArray(1234, 'x')));
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

void TestCatalogue::categories_data()
{
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("expected");
    using L = QStringList;
    QTest::newRow("empty table") << L{} << L{};
    QTest::newRow("case variants keep first spelling")
        << L{"Doors", "doors", "DOORS"} << L{"Doors"};
    QTest::newRow("first occurrence order")
        << L{"Misc", "Alarm", "misc", "Doors"} << L{"Misc", "Alarm", "Doors"};
    QTest::newRow("blank adds nothing") << L{"", "Misc", ""} << L{"Misc"};
    QTest::newRow("trailing blank is another category") << L{"Misc", "Misc "} << L{"Misc", "Misc "};
    QTest::newRow("non-ASCII case folding") << L{"Écho", "écho"} << L{"Écho"};
}

void TestCatalogue::categories()
{
    QFETCH(QStringList, categories);
    QFETCH(QStringList, expected);
    QList<SoundRecord> records;
    for (const QString &c : categories)
        records.append(record("x", 0, c));
    QCOMPARE(CollectCategories(tableOf(records)), expected);
}

void TestCatalogue::displayOrder_data()
{
    QTest::addColumn<QList<qint16>>("clicks");
    QTest::addColumn<QList<qint16>>("expectedNumbers");
    using L = QList<qint16>;
    // The table, in table order (number, lock, category, name, size, file):
    //  5  -  Misc   Door   2000  /s/e.wav
    //  3  X  doors  bell   -1    /s/d.wav
    //  7  -  misc   Apple  300   /s/c.wav
    //  12 X  A0     Door   100   /s/a.wav
    //  1  -  A      apple  2000  /s/B.wav
    QTest::newRow("before any click: by number (0012 after 0007)") << L{} << L{1, 3, 5, 7, 12};
    QTest::newRow("category, number within; A0001 before A00012")
        << L{SortCategory} << L{1, 12, 3, 5, 7};
    QTest::newRow("category then name: by name, then category")
        << L{SortCategory, SortName} << L{1, 7, 3, 12, 5};
    // Keys join without a separator: "A0" + "Door" sorts before "A" + "apple".
    QTest::newRow("name then category: by category, then name")
        << L{SortName, SortCategory} << L{12, 1, 3, 7, 5};
    QTest::newRow("lock: locked first, groups by previous primary, ties in table order")
        << L{SortName, SortLock} << L{3, 12, 7, 1, 5};
    QTest::newRow("size: minus sign first, ties by number") << L{SortSize} << L{3, 12, 7, 1, 5};
    QTest::newRow("filename, case ignored") << L{SortFilename} << L{12, 1, 7, 3, 5};
}

void TestCatalogue::displayOrder()
{
    QFETCH(QList<qint16>, clicks);
    QFETCH(QList<qint16>, expectedNumbers);

    const auto make = [](qint16 number, bool locked, const char *category, const char *name,
                         float size, const char *file) {
        return SoundRecord{name, file, number, toBool16(locked), category, 0, size, {}, {}};
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
    QTest::addColumn<QStringList>("nameFolderExtension");
    using L = QStringList;
    QTest::newRow("two dots") << "D:\\Sfx\\Door.Slam.WAV" << L{"Door.Slam", "D:\\Sfx", "WAV"};
    QTest::newRow("no dot: extension is the whole path")
        << "D:\\Sfx\\Boom" << L{"Boom", "D:\\Sfx", "D:\\Sfx\\Boom"};
    QTest::newRow("only extension") << "D:\\Sfx\\.wav" << L{"", "D:\\Sfx", "wav"};
    QTest::newRow("trailing separator") << "D:\\Sfx\\" << L{"", "D:\\Sfx", "D:\\Sfx\\"};
    QTest::newRow("drive root") << "C:\\Boom.wav" << L{"Boom", "C:", "wav"};
    QTest::newRow("leading separator") << "\\Boom.wav" << L{"Boom", "", "wav"};
    QTest::newRow("no separator") << "Boom.wav" << L{"Boom", "", "wav"};
    QTest::newRow("empty") << "" << L{"", "", ""};
    QTest::newRow("forward slashes") << "/home/a/a.b.c.ogg" << L{"a.b.c", "/home/a", "ogg"};
    QTest::newRow("mixed separators") << "D:\\Sfx/sub\\Bell.mp3" << L{"Bell", "D:\\Sfx/sub", "mp3"};
    QTest::newRow("dot in folder only") << "/snd.d/Boom" << L{"Boom", "/snd.d", "d/Boom"};
}

void TestCatalogue::paths()
{
    QFETCH(QString, path);
    QFETCH(QStringList, nameFolderExtension);
    QCOMPARE((QStringList{NameFromPath(path), FolderFromPath(path), FileExtension(path)}),
             nameFolderExtension);
}

void TestCatalogue::numberTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // "kB:" rows: bytes shown as kilobytes
    const auto row = [](const char *name, const char *text, const char *expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(expected);
    };
    row("plain", "42", "42");
    row("trailing letters", "12abc", "12");
    row("blanks inside", "1 2 3", "123");
    row("clamped high", "99999", "32000");
    row("clamped low", "-40000", "-32000");
    row("4.5 half to even", "4.5", "4");
    row("3.5 half to even", "3.5", "4");
    row("empty", "", "0");
    row("letters", "abc", "0");
    row("sign only", "-", "0");
    row("blanks around sign", "  - 5", "-5");
    row("exponent", "1.5E3", "1500");
    row("exponent without digits", "12E", "12");
    row("negative exponent", "25e-1", "2");
    row("too large to represent", "1e400", "0");
    row("comma is no decimal point", "7,9", "7");
    row("leading dot", ".6", "1");
    row("hex", "&H1F", "31");
    row("hex sixteen-bit negative", "&HFFFF", "-1");
    row("hex large clamped", "&H10000", "32000");
    row("octal", "&O17", "15");
    row("hex overflow", "&H1FFFFFFFF", "0");
    row("kB: 499 bytes", "kB:499", "0");
    row("kB: 500 half to even", "kB:500", "0");
    row("kB: 1500", "kB:1500", "2");
    row("kB: missing file", "kB:-1", "0");
}

void TestCatalogue::numberTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    if (text.startsWith("kB:"))
        QCOMPARE(KilobytesText(text.mid(3).toDouble()), expected);
    else
        QCOMPARE(QString::number(ToInteger(text)), expected);
}

void TestCatalogue::filesOnDisk_data()
{
    QTest::addColumn<QString>("name"); // in a folder holding the files made by filesOnDisk
    QTest::addColumn<int>("size");     // FileSizeBytes; -2: not asked
    QTest::addColumn<bool>("exists");  // FileExists
    QTest::newRow("0-byte file") << "empty.wav" << 0 << true;
    QTest::newRow("file") << "Door.WAV" << 777 << true;
    QTest::newRow("missing") << "missing.wav" << -1 << false;
    QTest::newRow("the folder itself") << "" << -1 << false;
    QTest::newRow("pipe: answered without waiting for a writer") << "pipe.wav" << -1 << true;
    QTest::newRow("hidden file") << ".hidden.ogg" << 1 << true;
    QTest::newRow("names match without regard to case") << "door.wav" << -2 << true;
    QTest::newRow("star") << "D*.wav" << -2 << true;
    QTest::newRow("question mark") << "?oor.*" << -2 << true;
    QTest::newRow("brackets are no wildcards") << "bell[1].WAV" << -2 << true;
    QTest::newRow("brackets are no set") << "Doo[r].wav" << -2 << false;
    QTest::newRow("no match") << "*.mp3" << -2 << false;
    QTest::newRow("a folder never matches") << "SOUND9.*" << -2 << false;
    QTest::newRow("pattern in a missing folder") << "nofolder/*.wav" << -2 << false;
    QTest::newRow("empty path") << "<none>" << -1 << false;
}

void TestCatalogue::filesOnDisk()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(test::writeFile(dir.filePath("empty.wav"), {}));
    QVERIFY(test::writeFile(dir.filePath("Door.WAV"), QByteArray(777, 'a')));
    QVERIFY(test::writeFile(dir.filePath(".hidden.ogg"), "b"));
    QVERIFY(test::writeFile(dir.filePath("Bell[1].wav"), "bell"));
    QVERIFY(QDir(dir.path()).mkdir("SOUND9.folder"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.wav")).constData(), 0600), 0);

    const QString path = name == "<none>" ? QString()
                         : name.isEmpty() ? dir.path()
                                          : dir.filePath(name);
    if (size != -2)
        QCOMPARE(FileSizeBytes(path), size);
    QCOMPARE(FileExists(path), exists);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
