// The code page, the saved catalogue file and its error report, checked on real bytes and files.
#include "storage/AnsiCodec.h"
#include "storage/ErrorReport.h"
#include "storage/SoundInfoFile.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <bit>
#include <cstring>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace sonquill;
using Button = MessageRequest::Button;

Q_DECLARE_METATYPE(sonquill::SoundTable)
Q_DECLARE_METATYPE(sonquill::MessageRequest::Button)

namespace {

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

// The bytes of a record with empty reserved fields, written out field by field.
QByteArray recordBytes(const QByteArray &name, const QByteArray &file, int number, int locked,
                       const QByteArray &category, int selected, float size)
{
    char sizeBytes[4];
    qToLittleEndian(std::bit_cast<quint32>(size), sizeBytes);
    return field(name) + field(file) + le16(number) + le16(locked) + field(category) +
           le16(selected) + QByteArray(sizeBytes, 4) + QByteArray(36, '\0') + QByteArray(16, '\0');
}

SoundRecord makeRecord(const QString &name, const QString &file, qint16 number,
                       const QString &category = QStringLiteral("Misc"))
{
    SoundRecord record;
    record.name = name;
    record.filename = file;
    record.number = number;
    record.category = category;
    return record;
}

SoundTable tableOf(QList<SoundRecord> records)
{
    SoundTable table;
    table.replaceAll(std::move(records));
    return table;
}

SoundRecord boomRecord()
{
    SoundRecord boom = makeRecord(QStringLiteral("Boom"), QStringLiteral("D:\\Sfx\\Boom.wav"), 1);
    boom.selected = kTrue16;
    boom.size = 1000.0f;
    return boom;
}

const QByteArray kBoomBytes = recordBytes("Boom", "D:\\Sfx\\Boom.wav", 1, 0, "Misc", -1, 1000.0f);

QString describe(const SoundTable &table)
{
    QStringList lines;
    for (int i = 1; i <= table.SoundCount() && lines.size() < 5; ++i) {
        const SoundRecord &r = table.at(i);
        lines << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                     .arg(r.name, r.filename)
                     .arg(r.number)
                     .arg(r.locked)
                     .arg(r.category)
                     .arg(r.selected)
                     .arg(double(r.size));
    }
    return QStringLiteral("%1 records: ").arg(table.SoundCount()) + lines.join(QLatin1String("; "));
}

#ifdef Q_OS_UNIX
// A directory entry that exists but that no process can open for reading: a listening socket.
bool makeSocketFile(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    if (native.size() >= qsizetype(sizeof(address.sun_path))) {
        ::close(fd);
        return false;
    }
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd); // the entry stays on disk after the socket is closed
    return bound;
}
#endif

const QString kSaveContext = QStringLiteral("Saving the SoundInfo.DAT file");
const QString kLoadContext = QStringLiteral("Loading the SoundInfo.DAT file");

QString reportText(const QString &firstLine, const QString &context)
{
    QString text = firstLine + QStringLiteral("\r\n");
    if (!context.isEmpty())
        text += QStringLiteral("Raised while ") + context + QStringLiteral("\r\n");
    return text + QStringLiteral("\r\n"
                                 "Press Ignore to continue.\r\n"
                                 "If you press Abort, the program will end and you will lose any "
                                 "unsaved data.\r\n"
                                 "If this error occurs again, try reinstalling Sonquill.\r\n");
}

} // namespace

class TestSoundInfo : public QObject
{
    Q_OBJECT

private slots:
    void codec_data();
    void codec();
    void everyByteSurvivesDecodeAndEncode();

    void goldenExampleRecord();
    void parse_data();
    void parse();
    void roundTrip_data();
    void roundTrip();
    void textsInCodePage_data();
    void textsInCodePage();
    void overlongTextIsCutToFit();
    void parseKeepsPromises_data();
    void parseKeepsPromises();

    void saveReplacesLongerFile();
    void failedSaveKeepsWhatWasThere_data();
    void failedSaveKeepsWhatWasThere();
    void saveErrorDialog_data();
    void saveErrorDialog();
    void loadFailures_data();
    void loadFailures();
    void loadMeasuresSizesAgain();
    void errorReportText_data();
    void errorReportText();
    void nothingPendingShowsNothing();
};

void TestSoundInfo::codec_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("survives");

    QTest::newRow("plain ASCII") << QStringLiteral("Door 1.wav") << QByteArray("Door 1.wav")
                                 << true;
    QTest::newRow("e acute") << QStringLiteral("Caf\u00e9") << QByteArray("Caf\xe9") << true;
    QTest::newRow("euro sign is 0x80") << QStringLiteral("\u20ac5")
                                       << QByteArray("\x80"
                                                     "5")
                                       << true;
    QTest::newRow("quotes and dash from the 0x80 block")
        << QStringLiteral("\u201cx\u201d\u2013\u0178") << QByteArray("\x93x\x94\x96\x9f") << true;
    QTest::newRow("undefined bytes keep their value")
        << QStringLiteral("\u0081\u008d\u008f\u0090\u009d") << QByteArray("\x81\x8d\x8f\x90\x9d")
        << true;
    QTest::newRow("no-break space and y diaeresis")
        << QStringLiteral("\u00a0\u00ff") << QByteArray("\xa0\xff") << true;
    QTest::newRow("C1 control 0x80 is not the euro")
        << QStringLiteral("\u0080") << QByteArray("?") << false;
    QTest::newRow("CJK becomes ?") << QStringLiteral("a\u97f3b") << QByteArray("a?b") << false;
    QTest::newRow("Greek becomes ?") << QStringLiteral("\u03a9") << QByteArray("?") << false;
    QTest::newRow("surrogate pair is one ?")
        << QStringLiteral("x\U0001F600y") << QByteArray("x?y") << false;
    QTest::newRow("lone surrogate is one ?")
        << (QString(QChar(0xD800)) + QStringLiteral("z")) << QByteArray("?z") << false;
    QTest::newRow("empty") << QString() << QByteArray() << true;
}

void TestSoundInfo::codec()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, survives);

    QCOMPARE(EncodeAnsi(text), bytes);
    if (survives)
        QCOMPARE(DecodeAnsi(bytes), text);
    else
        QVERIFY(DecodeAnsi(bytes) != text);
}

void TestSoundInfo::everyByteSurvivesDecodeAndEncode()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    const QString decoded = DecodeAnsi(all);
    QCOMPARE(decoded.size(), 256);
    QCOMPARE(EncodeAnsi(decoded), all);
    QCOMPARE(decoded.at(0x80), QChar(0x20AC));
    QCOMPARE(decoded.at(0x9C), QChar(0x0153));
    QCOMPARE(decoded.at(0xE9), QChar(0x00E9));
}

void TestSoundInfo::goldenExampleRecord()
{
    const QByteArray expected = QByteArray::fromHex("0100"
                                                    "0400") +
                                "Boom" + QByteArray::fromHex("0f00") + "D:\\Sfx\\Boom.wav" +
                                QByteArray::fromHex("0100"
                                                    "0000"
                                                    "0400") +
                                "Misc" +
                                QByteArray::fromHex("ffff"
                                                    "00007a44") +
                                QByteArray(36, '\0') +
                                QByteArray::fromHex("00000000000000000000000000000000");
    QCOMPARE(expected.size(), 2 + 68 + 4 + 15 + 4);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(!WriteSoundInfo(tableOf({boomRecord()}), path));
    QCOMPARE(test::readFile(path).toHex(' '), expected.toHex(' '));

    QCOMPARE(SerializeSoundInfo(SoundTable()), QByteArray::fromHex("0000"));
}

void TestSoundInfo::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<SoundTable>("expected");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("description");

    const SoundTable boomOnly = tableOf({boomRecord()});
    const QString endsEarly = QStringLiteral("The file ends before the last record");

    QTest::newRow("empty catalogue")
        << QByteArray::fromHex("0000") << SoundTable() << 0 << QString();
    QTest::newRow("count 0 ignores what follows")
        << QByteArray::fromHex("0000") + kBoomBytes << SoundTable() << 0 << QString();
    QTest::newRow("count -1 gives an empty catalogue")
        << QByteArray::fromHex("ffff") + kBoomBytes << SoundTable() << 0 << QString();
    QTest::newRow("count -32768 gives an empty catalogue")
        << QByteArray::fromHex("0080") << SoundTable() << 0 << QString();
    QTest::newRow("bytes after the last record are ignored")
        << QByteArray::fromHex("0100") + kBoomBytes + kBoomBytes + "old tail" << boomOnly << 0
        << QString();

    SoundRecord locked = makeRecord(QStringLiteral("L"), QStringLiteral("l.wav"), 7);
    locked.locked = 1;
    QTest::newRow("Locked 01 00 is kept and counts as locked")
        << QByteArray::fromHex("0100") + recordBytes("L", "l.wav", 7, 1, "Misc", 0, 0.0f)
        << tableOf({locked}) << 0 << QString();

    SoundRecord reserved = makeRecord(QStringLiteral("R"), QStringLiteral("r.ogg"), 3);
    QByteArray reservedBytes;
    for (int i = 0; i < 36; ++i) {
        reserved.reserved[std::size_t(i)] = char(0xF0 - i);
        reservedBytes.append(char(0xF0 - i));
    }
    reserved.reservedText[0] = QStringLiteral("first");
    reserved.reservedText[7] = QStringLiteral("last \u20ac");
    const QByteArray reservedRecord = field("R") + field("r.ogg") + le16(3) + le16(0) +
                                      field("Misc") + le16(0) + QByteArray(4, '\0') +
                                      reservedBytes + field("first") + QByteArray(12, '\0') +
                                      field("last \x80");
    QTest::newRow("reserved bytes and texts are kept")
        << QByteArray::fromHex("0100") + reservedRecord << tableOf({reserved}) << 0 << QString();

    QTest::newRow("count 32767 in a 2-byte file")
        << QByteArray::fromHex("ff7f") << tableOf(QList<SoundRecord>(32767)) << kFileEndsEarlyError
        << endsEarly;
    SoundRecord cutName;
    cutName.name = QStringLiteral("AB");
    QTest::newRow("string length past the end keeps the bytes that are there")
        << QByteArray::fromHex("0100ffff") + "AB" << tableOf({cutName}) << kFileEndsEarlyError
        << endsEarly;
    SoundRecord noSize = boomRecord();
    noSize.size = 0.0f;
    QTest::newRow("file ends inside the size field")
        << QByteArray::fromHex("0100") + kBoomBytes.left(35) << tableOf({noSize})
        << kFileEndsEarlyError << endsEarly;
    QTest::newRow("missing records become empty records")
        << QByteArray::fromHex("0300") + kBoomBytes
        << tableOf({boomRecord(), SoundRecord(), SoundRecord()}) << kFileEndsEarlyError
        << endsEarly;
    QTest::newRow("one byte") << QByteArray::fromHex("01") << SoundTable() << kFileEndsEarlyError
                              << QStringLiteral("The file ends before the count of sounds");
    QTest::newRow("no bytes") << QByteArray() << SoundTable() << kFileEndsEarlyError
                              << QStringLiteral("The file ends before the count of sounds");
}

void TestSoundInfo::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(SoundTable, expected);
    QFETCH(int, errorNumber);
    QFETCH(QString, description);

    FileError error;
    const SoundTable table = ParseSoundInfo(bytes, &error);
    QVERIFY2(table == expected, qPrintable(describe(table)));
    QCOMPARE(error.number, errorNumber);
    QCOMPARE(error.description, description);
}

void TestSoundInfo::roundTrip_data()
{
    QTest::addColumn<SoundTable>("table");

    QTest::newRow("empty") << SoundTable();
    QTest::newRow("one record") << tableOf({boomRecord()});

    SoundRecord odd = makeRecord(QString(), QString(), -5, QString());
    odd.locked = kTrue16;
    odd.selected = 2;
    odd.size = -1.0f;
    odd.reserved.fill('\xAB');
    odd.reservedText[3] = QStringLiteral("kept");
    SoundRecord huge = makeRecord(QStringLiteral("Huge"), QStringLiteral("/h.wav"), 32767);
    huge.size = std::numeric_limits<float>::max();
    QTest::newRow("odd values") << tableOf({odd, huge});

    QList<SoundRecord> full;
    full.reserve(SoundTable::kMaxCount);
    for (int i = 0; i < SoundTable::kMaxCount; ++i) {
        SoundRecord record = makeRecord(QStringLiteral("Sound %1").arg(i),
                                        QStringLiteral("/sfx/s%1.wav").arg(i), qint16(i % 1000));
        record.size = float(i * 3);
        record.locked = toBool16(i % 2 == 0);
        full.append(record);
    }
    QTest::newRow("32767 records") << tableOf(full);
}

void TestSoundInfo::roundTrip()
{
    QFETCH(SoundTable, table);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(!WriteSoundInfo(table, path));
    const QByteArray bytes = test::readFile(path);
    QCOMPARE(qFromLittleEndian<qint16>(bytes.constData()), table.SoundCount());

    FileError error;
    const SoundTable loaded = ParseSoundInfo(bytes, &error);
    QVERIFY2(!error, qPrintable(error.description));
    QCOMPARE(loaded.SoundCount(), table.SoundCount());
    QVERIFY2(loaded == table, qPrintable(describe(loaded)));
}

void TestSoundInfo::textsInCodePage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("loaded");

    QTest::newRow("e acute survives") << QStringLiteral("Porte ferm\u00e9e")
                                      << QByteArray("Porte ferm\xe9"
                                                    "e")
                                      << QStringLiteral("Porte ferm\u00e9e");
    QTest::newRow("euro survives") << QStringLiteral("\u20ac coin") << QByteArray("\x80 coin")
                                   << QStringLiteral("\u20ac coin");
    QTest::newRow("CJK does not survive")
        << QStringLiteral("\u9580") << QByteArray("?") << QStringLiteral("?");
    QTest::newRow("emoji is one ?")
        << QStringLiteral("Bell \U0001F514") << QByteArray("Bell ?") << QStringLiteral("Bell ?");
}

void TestSoundInfo::textsInCodePage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    QFETCH(QString, loaded);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(!WriteSoundInfo(tableOf({makeRecord(name, name + QStringLiteral(".wav"), 1)}), path));
    const QByteArray bytes = test::readFile(path);
    QCOMPARE(bytes.mid(2, 2 + stored.size()), field(stored));

    SoundTable table;
    QVERIFY(!ReadSoundInfo(table, path));
    QCOMPARE(table.SoundCount(), 1);
    QCOMPARE(table.at(1).name, loaded);
    QCOMPARE(table.at(1).filename, loaded + QStringLiteral(".wav"));
}

void TestSoundInfo::overlongTextIsCutToFit()
{
    SoundRecord record = makeRecord(QString(70000, QLatin1Char('n')), QStringLiteral("/a.wav"), 4);
    SoundRecord exact = makeRecord(QString(65535, QLatin1Char('e')), QStringLiteral("/b.wav"), 5);
    FileError error;
    const SoundTable loaded = ParseSoundInfo(SerializeSoundInfo(tableOf({record, exact})), &error);
    QVERIFY(!error);
    QCOMPARE(loaded.SoundCount(), 2);
    QCOMPARE(loaded.at(1).name, QString(65535, QLatin1Char('n')));
    QCOMPARE(loaded.at(1).filename, QStringLiteral("/a.wav"));
    QCOMPARE(loaded.at(1).number, 4);
    QCOMPARE(loaded.at(2).name, exact.name);
    QCOMPARE(loaded.at(2).number, 5);
}

// Every seed and crash file of the fuzzer, plus random bytes: the reader never crashes, always
// yields the number of records the count announces, and writes back exactly what it read.
void TestSoundInfo::parseKeepsPromises_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QDirIterator corpus(QStringLiteral(SONQUILL_FUZZ_CORPUS), QDir::Files);
    int files = 0;
    while (corpus.hasNext()) {
        const QString path = corpus.next();
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << test::readFile(path);
        ++files;
    }
    QVERIFY2(files >= 5, "the fuzz corpus is missing");

    QRandomGenerator random(20240611);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes(random.bounded(0, 400), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        if (i % 2 == 0 && bytes.size() >= 2)
            bytes.replace(0, 2, le16(random.bounded(1, 4))); // a small count, so records are read
        QTest::newRow(qPrintable(QStringLiteral("random %1").arg(i))) << bytes;
    }
}

void TestSoundInfo::parseKeepsPromises()
{
    QFETCH(QByteArray, bytes);

    FileError error;
    const SoundTable table = ParseSoundInfo(bytes, &error);
    if (bytes.size() < 2) {
        QVERIFY(error);
        QVERIFY(table.isEmpty());
        return;
    }
    const qint16 count = qFromLittleEndian<qint16>(bytes.constData());
    QCOMPARE(table.SoundCount(), std::max<qint16>(count, 0));
    if (error) {
        QCOMPARE(error.number, kFileEndsEarlyError);
        QVERIFY(count > 0);
    } else if (count >= 0) {
        const QByteArray written = SerializeSoundInfo(table);
        QCOMPARE(bytes.left(written.size()).toHex(' '), written.toHex(' '));
    }
}

void TestSoundInfo::saveReplacesLongerFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QList<SoundRecord> ten;
    for (int i = 1; i <= 10; ++i)
        ten.append(
            makeRecord(QStringLiteral("Sound %1").arg(i), QStringLiteral("/s.wav"), qint16(i)));
    QVERIFY(!WriteSoundInfo(tableOf(ten), path));

    const SoundTable three = tableOf(ten.mid(0, 3));
    QVERIFY(!WriteSoundInfo(three, path));
    QCOMPARE(test::readFile(path), SerializeSoundInfo(three));

    QVERIFY(!WriteSoundInfo(SoundTable(), path));
    QCOMPARE(test::readFile(path), QByteArray::fromHex("0000"));
    SoundTable loaded = three;
    QVERIFY(!ReadSoundInfo(loaded, path));
    QVERIFY(loaded.isEmpty());
}

void TestSoundInfo::failedSaveKeepsWhatWasThere_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<QByteArray>("oldBytes");

    QTest::newRow("folder does not exist")
        << QStringLiteral("missing/SoundInfo.dat") << QByteArray();
    QTest::newRow("path is a folder") << QStringLiteral("SoundInfo.dat") << QByteArray();
    // The name leaves no room for the temporary copy beside it, so the save fails after the old
    // file was found; the old catalogue must survive untouched.
    QTest::newRow("old catalogue, no room for the new one")
        << QString(250, QLatin1Char('s')) << QByteArray::fromHex("0100") + kBoomBytes;
}

void TestSoundInfo::failedSaveKeepsWhatWasThere()
{
    QFETCH(QString, relativePath);
    QFETCH(QByteArray, oldBytes);

    QTemporaryDir dir;
    const QString path = dir.filePath(relativePath);
    const bool isFolderCase = oldBytes.isEmpty() && !relativePath.contains(QLatin1Char('/'));
    if (isFolderCase) {
        QVERIFY(QDir().mkpath(path));
        QVERIFY(test::writeFile(path + QStringLiteral("/inside.txt"), "keep"));
    } else if (!oldBytes.isEmpty()) {
        QVERIFY(test::writeFile(path, oldBytes));
    }

    const FileError error = WriteSoundInfo(tableOf({boomRecord(), boomRecord()}), path);
    QVERIFY(error);
    QVERIFY(!error.description.isEmpty());
    QVERIFY2(!error.description.contains(QLatin1String("Unknown")), qPrintable(error.description));

    if (isFolderCase) {
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(test::readFile(path + QStringLiteral("/inside.txt")), QByteArray("keep"));
    } else if (!oldBytes.isEmpty()) {
        QCOMPARE(test::readFile(path), oldBytes);
    } else {
        QVERIFY(!QFileInfo::exists(path));
    }
    // Nothing half-written is left behind.
    QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(entries.size(), isFolderCase || !oldBytes.isEmpty() ? 1 : 0);
}

void TestSoundInfo::saveErrorDialog_data()
{
    QTest::addColumn<Button>("answer");
    QTest::addColumn<int>("aborts");

    QTest::newRow("Ignore") << Button::Ignore << 0;
    QTest::newRow("Retry behaves as Ignore") << Button::Retry << 0;
    QTest::newRow("Abort ends the program") << Button::Abort << 1;
}

void TestSoundInfo::saveErrorDialog()
{
    QFETCH(Button, answer);
    QFETCH(int, aborts);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no such folder/SoundInfo.dat"));
    test::ScriptedUi ui;
    ui.messageAnswers.enqueue(answer);
    const FileError seen = SaveSoundInfo(tableOf({boomRecord()}), path, ui);

    QCOMPARE(seen.number, int(QFileDevice::OpenError));
    QCOMPARE(ui.messages.size(), 1);
    const MessageRequest &shown = ui.messages.first();
    QCOMPARE(shown.title, QStringLiteral("Error!"));
    QCOMPARE(shown.text,
             reportText(QStringLiteral("Error 5: '%1'.").arg(seen.description), kSaveContext));
    QVERIFY(shown.text.contains(QStringLiteral("No such file or directory")));
    const QList<Button> buttons{Button::Abort, Button::Retry, Button::Ignore};
    QCOMPARE(shown.buttons, buttons);
    QCOMPARE(shown.defaultButton, Button::Ignore);
    QCOMPARE(shown.icon, MessageRequest::Icon::Critical);
    QCOMPARE(ui.abortCount, aborts);
    QVERIFY(!QFileInfo::exists(path));
}

void TestSoundInfo::loadFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("firstLine"); // empty: no dialog
    QTest::addColumn<int>("countAfter");

    QTest::newRow("missing file: no dialog, catalogue unchanged")
        << QStringLiteral("missing") << QString() << 2;
    QTest::newRow("folder of that name: no dialog, catalogue unchanged")
        << QStringLiteral("folder") << QString() << 2;
    QTest::newRow("file shorter than its count: empty records, reported")
        << QStringLiteral("short")
        << QStringLiteral("Error 62: 'The file ends before the last record'.") << 4;
#ifdef Q_OS_LINUX
    // A file that opens but whose first byte cannot be read.
    QTest::newRow("read error: catalogue unchanged, reported")
        << QStringLiteral("/proc/self/mem") << QStringLiteral("Error 1: 'Input/output error'.")
        << 2;
#endif
#ifdef Q_OS_UNIX
    QTest::newRow("file cannot be opened: catalogue unchanged, reported")
        << QStringLiteral("socket") << QStringLiteral("Error 5: 'No such device or address'.") << 2;
#endif
}

void TestSoundInfo::loadFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, firstLine);
    QFETCH(int, countAfter);

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("short")) {
        QVERIFY(test::writeFile(path, QByteArray::fromHex("0400") + kBoomBytes));
    } else if (kind == QLatin1String("socket")) {
#ifdef Q_OS_UNIX
        QVERIFY(makeSocketFile(path));
#endif
    } else if (kind.startsWith(QLatin1Char('/'))) {
        path = kind;
    }

    const SoundTable before = tableOf({makeRecord(QStringLiteral("Kept"), QStringLiteral("/k"), 1),
                                       makeRecord(QStringLiteral("Too"), QStringLiteral("/t"), 2)});
    SoundTable table = before;
    test::ScriptedUi ui;
    const FileError seen = LoadSoundInfo(table, path, ui);

    QCOMPARE(table.SoundCount(), countAfter);
    if (firstLine.isEmpty()) {
        QVERIFY(!seen);
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(table == before);
        return;
    }
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().text, reportText(firstLine, kLoadContext));
    QCOMPARE(ui.abortCount, 0);
    if (countAfter == before.SoundCount()) {
        QVERIFY(table == before);
    } else {
        QCOMPARE(table.at(1).name, QStringLiteral("Boom"));
        SoundRecord unmeasurable; // an empty record has no file to measure
        unmeasurable.size = -1.0f;
        QCOMPARE(table.at(4), unmeasurable);
    }
}

void TestSoundInfo::loadMeasuresSizesAgain()
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(test::writeFile(wav, test::makeWav(1234)));
    const QString gone = dir.filePath(QStringLiteral("gone.wav"));
    const QByteArray bytes = QByteArray::fromHex("0200") +
                             recordBytes("Tone", QFile::encodeName(wav), 1, 0, "", 0, 5.0f) +
                             recordBytes("Gone", QFile::encodeName(gone), 2, 0, "", 0, 99.0f);
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(test::writeFile(path, bytes));

    SoundTable table;
    test::ScriptedUi ui;
    QVERIFY(!LoadSoundInfo(table, path, ui));
    QVERIFY(ui.messages.isEmpty());
    QCOMPARE(table.SoundCount(), 2);
    QCOMPARE(table.at(1).size, 1234.0f);
    QCOMPARE(table.at(2).size, -1.0f);
}

void TestSoundInfo::errorReportText_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("text");

    const QString tail = QStringLiteral("\r\nPress Ignore to continue.\r\n"
                                        "If you press Abort, the program will end and you will "
                                        "lose any unsaved data.\r\n"
                                        "If this error occurs again, try reinstalling "
                                        "Sonquill.\r\n");
    QTest::newRow("with context") << 2 << QStringLiteral("No space left on device") << kSaveContext
                                  << QStringLiteral(
                                         "Error 2: 'No space left on device'.\r\n"
                                         "Raised while Saving the SoundInfo.DAT file\r\n") +
                                         tail;
    QTest::newRow("without context: no Raised line")
        << 13 << QStringLiteral("Permission denied") << QString()
        << QStringLiteral("Error 13: 'Permission denied'.\r\n") + tail;
    QTest::newRow("description with percent signs kept as is")
        << 5 << QStringLiteral("%1 %2 'x'") << kLoadContext
        << QStringLiteral("Error 5: '%1 %2 'x''.\r\n"
                          "Raised while Loading the SoundInfo.DAT file\r\n") +
               tail;
}

void TestSoundInfo::errorReportText()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(QString, context);
    QFETCH(QString, text);

    FileError error{number, description};
    test::ScriptedUi ui;
    QCOMPARE(ReportError(ui, error, context), Button::Ignore);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().text, text);
    QVERIFY(!error); // cleared after the report
}

void TestSoundInfo::nothingPendingShowsNothing()
{
    test::ScriptedUi ui;
    ui.messageAnswers.enqueue(Button::Abort);
    FileError none;
    QCOMPARE(ReportError(ui, none, kSaveContext), Button::Ignore);
    QVERIFY(ui.messages.isEmpty());
    QCOMPARE(ui.abortCount, 0);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("SoundInfo.dat"));
    QVERIFY(!SaveSoundInfo(tableOf({boomRecord()}), path, ui));
    QVERIFY(ui.messages.isEmpty());
    QCOMPARE(test::readFile(path), QByteArray::fromHex("0100") + kBoomBytes);
}

QTEST_GUILESS_MAIN(TestSoundInfo)
#include "tst_soundinfo.moc"
