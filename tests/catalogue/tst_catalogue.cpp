// The catalogue's own rules below the session: sizes, categories, display order, paths, text to
// integer, files on disk. Adding, numbering, locking and removal are the session's, tested there.
#include "catalogue/Categories.h"
#include "catalogue/DisplayOrder.h"
#include "catalogue/NumberReader.h"
#include "catalogue/PathUtils.h"
#include "catalogue/SoundFileNames.h"
#include "catalogue/TextFormats.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace sonquill;

namespace {

SoundRecord make(qint16 number, const QString &file, float size = 0, const QString &category = {},
                 const QString &name = {}, bool locked = false)
{
    return {name, file, number, toBool16(locked), category, 0, size, {}, {}};
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
    void table();
    void rules_data();
    void rules();
};

void TestCatalogue::table()
{
    QTemporaryDir dir;
    const QString a = dir.filePath("a.wav"), b = dir.filePath("b.wav");
    QVERIFY(test::writeFile(a, QByteArray(1234, 'x')));
    QVERIFY(test::writeFile(b, QByteArray(10, 'y')));
    // Size 0: not measured yet; -1: could not be opened when it was.
    SoundTable table = tableOf({make(1, a), make(2, b, -1), make(3, a, 99)});
    table.RefreshSizes(false); // measures only what never was
    QCOMPARE(table, tableOf({make(1, a, 1234), make(2, b, -1), make(3, a, 99)}));
    table.RefreshSizes(true);
    QCOMPARE(table, tableOf({make(1, a, 1234), make(2, b, 10), make(3, a, 1234)}));
    // The count never passes 32767, not even by a load.
    QCOMPARE(tableOf(QList<SoundRecord>(SoundTable::kMaxCount + 1)).SoundCount(), qint16(32767));
}

// Text in, text out; the row name up to ':' says which rule.
void TestCatalogue::rules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *text, const char *expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(expected);
    };
    row("ToInteger: trailing letters", "12abc", "12");
    row("ToInteger: blanks inside", "1 2 3", "123");
    row("ToInteger: clamped high", "99999", "32000");
    row("ToInteger: clamped low", "-40000", "-32000");
    row("ToInteger: 4.5 half to even", "4.5", "4");
    row("ToInteger: leading dot", ".6", "1");
    row("ToInteger: exponent", "1.5E3", "1500");
    row("ToInteger: exponent without digits", "12E", "12");
    row("ToInteger: negative exponent", "25e-1", "2");
    row("ToInteger: too large to represent", "1e400", "0");
    row("ToInteger: comma is no decimal point", "7,9", "7");
    row("ToInteger: hex", "&H1F", "31");
    row("ToInteger: hex sixteen-bit negative", "&HFFFF", "-1");
    row("ToInteger: hex large clamped", "&H10000", "32000");
    row("ToInteger: octal", "&O17", "15");
    row("ToInteger: hex overflow", "&H1FFFFFFFF", "0");
    row("kB: 500 half to even", "500", "0");
    row("kB: 1500", "1500", "2");
    row("kB: missing file", "-1", "0");
    // Name, folder and extension.
    row("path: forward slashes, last dot", "/home/a/a.b.c.ogg", "a.b.c|/home/a|ogg");
    row("path: mixed separators", "D:\\Sfx/sub\\Bell.mp3", "Bell|D:\\Sfx/sub|mp3");
    row("path: no dot: extension is the whole path", "D:\\Boom", "Boom|D:|D:\\Boom");
    row("path: no separator", "Boom.wav", "Boom||wav");
    row("path: dot in folder only", "/snd.d/Boom", "Boom|/snd.d|d/Boom");
    // The game folder's files: which count as a sound's, and the names and texts written.
    row("sound name: upper case", "SOUND1.wav", "1");
    row("sound name: any case, any extension", "SoUnD999.Ogg", "999");
    row("sound name: another prefix", "MOUSE1.wav", "-");
    row("sound name: a longer prefix", "SOUNDS1.wav", "-");
    row("sound name: something before it", "XSOUND1.wav", "-");
    row("sound name: not ASCII", "S\u00d6UND1.wav", "-");
    row("sound name: a leading zero", "SOUND01.wav", "-");
    row("sound name: 0 and 1000 are no numbers", "SOUND0.wav|SOUND1000.wav", "-|-");
    row("sound name: no extension", "SOUND1", "-");
    row("sound name: no digits", "SOUND.wav", "-");
    row("sound name: another script's digit", "SOUND\u0661.wav", "-");
    row("extension: lower case", "/a/B.WAV", "wav");
    row("extension: blanks around", "/a/b. Mp3 ", "mp3");
    row("extension: one not for sounds", "/a/b.Flac", "flac");
    row("extension: a dot in the folder only", "/a.b/c", "");
    row("target: number and extension", "12|wav", "SOUND12.wav");
    row("target: negative", "-3|ogg", "SOUND-3.ogg");
    row("four digits: padded", "7|-7|12345", "0007|-0007|12345");
    // Categories in first-occurrence order, one spelling per letter case.
    row("categories: first spelling and order", "Misc|Alarm|misc|Doors", "Misc|Alarm|Doors");
    row("categories: blank adds nothing", "|Misc|", "Misc");
    row("categories: trailing blank is another", "Misc|Misc ", "Misc|Misc ");
    row("categories: non-ASCII case folding", "Écho|écho", "Écho");
    // Header clicks on the table in rules(), and the numbers in display order.
    row("order: before any click: by number (0012 after 0007)", "", "1 3 5 7 12");
    row("order: category, number within; A0001 before A00012", "3", "1 12 3 5 7");
    // Keys join without a separator: "A0" + "Door" sorts before "A" + "apple".
    row("order: name then category: by category, then name", "4 3", "12 1 3 7 5");
    row("order: lock: locked first, by previous primary, then table order", "4 2", "3 12 7 1 5");
    row("order: size: minus sign first, ties by number", "6", "3 12 7 1 5");
    row("order: filename, case ignored", "5", "12 1 7 3 5");
    // Size (the file alone, never a pipe or device) and whether the name or pattern is found, in
    // a folder holding the files rules() makes.
    row("file: plain", "Door.WAV", "777|yes");
    row("file: missing", "missing.wav", "-1|no");
    row("file: pipe, answered without waiting for a writer", "pipe.wav", "-1|yes");
    row("file: hidden files match", "*.ogg", "-1|yes");
    row("file: star", "D*.wav", "-1|yes");
    row("file: question mark", "?oor.*", "-1|yes");
    row("file: brackets are no wildcards", "bell[1].WAV", "-1|yes");
    row("file: brackets are no set", "Doo[r].wav", "-1|no");
    row("file: a folder is no file", "SOUND9.folder", "-1|no");
    row("file: a folder never matches", "SOUND9.*", "-1|no");
}

void TestCatalogue::rules()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString rule = QString::fromUtf8(QTest::currentDataTag()).section(':', 0, 0);
    QStringList seen;
    if (rule == "ToInteger") {
        seen.append(QString::number(ToInteger(text)));
    } else if (rule == "kB") {
        seen.append(KilobytesText(text.toDouble()));
    } else if (rule == "path") {
        seen = QStringList{NameFromPath(text), FolderFromPath(text), FileExtension(text)};
    } else if (rule == "sound name") {
        for (const QString &name : text.split('|')) {
            const std::optional<qint16> number = NumberOfSoundFileName(name);
            seen.append(number ? QString::number(*number) : "-");
        }
    } else if (rule == "extension") {
        seen.append(SoundExtension(text));
    } else if (rule == "target") {
        seen.append(SoundFileName(qint16(text.section('|', 0, 0).toInt()), text.section('|', 1)));
    } else if (rule == "four digits") {
        for (const QString &number : text.split('|'))
            seen.append(FourDigitNumber(qint16(number.toInt())));
    } else if (rule == "categories") {
        QList<SoundRecord> records;
        for (const QString &category : text.split('|'))
            records.append(make(0, {}, 0, category));
        seen = CollectCategories(tableOf(records));
    } else if (rule == "order") {
        const SoundTable table = tableOf({
            make(5, "/s/e.wav", 2000, "Misc", "Door"),
            make(3, "/s/d.wav", -1, "doors", "bell", true),
            make(7, "/s/c.wav", 300, "misc", "Apple"),
            make(12, "/s/a.wav", 100, "A0", "Door", true),
            make(1, "/s/B.wav", 2000, "A", "apple"),
        });
        SortState state;
        for (const QString &click : text.split(' ', Qt::SkipEmptyParts))
            state.headerClicked(qint16(click.toInt()));
        for (int index : MakeSort(table, state))
            seen.append(QString::number(table.at(index).number));
    } else {
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath("Door.WAV"), QByteArray(777, 'a')));
        QVERIFY(test::writeFile(dir.filePath(".hidden.ogg"), "b"));
        QVERIFY(test::writeFile(dir.filePath("Bell[1].wav"), "bell"));
        QVERIFY(QDir(dir.path()).mkdir("SOUND9.folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.wav")).constData(), 0600), 0);
        const QString path = dir.filePath(text);
        seen = QStringList{QString::number(FileSizeBytes(path)), FileExists(path) ? "yes" : "no"};
    }
    QCOMPARE(seen.join(rule == "order" ? ' ' : '|'), expected);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
