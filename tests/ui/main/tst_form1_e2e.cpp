// A whole session through the window: add real sound files, lock one, distribute with the real
// Ogg encoder, close; then every file in the game folder is checked.

#include "Form1Harness.h"
#include "distribution/ProcessRunner.h"
#include "storage/SoundInfoFile.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

using namespace sonquill;
using namespace sonquill::test;

class Form1EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void session_data();
    void session();
};

void Form1EndToEndTest::session_data()
{
    QTest::addColumn<bool>("withMp3");
    QTest::newRow("WAV files") << false;
    QTest::newRow("WAV and MP3 files") << true;
}

void Form1EndToEndTest::session()
{
    QFETCH(bool, withMp3);
    if (!QFile::exists(QStringLiteral("/usr/bin/oggenc")))
        QSKIP("oggenc (vorbis-tools) is not installed");

    Form1Harness h;
    const QString big = h.makeSource(QStringLiteral("Thunder Clap.wav"), 60000);
    const QString small = h.makeSource(QStringLiteral("Tick.WAV"), 1200);
    QStringList chosen{big, small};
    QString mp3;
    if (withMp3) {
        mp3 = QDir(h.sourceFolder()).filePath(QStringLiteral("Tune.mp3"));
        const int exitCode = runTool(QStringLiteral("sox"), {"-n", "-r", "22050", "-c", "1", mp3,
                                                             "synth", "0.3", "sine", "440"});
        if (exitCode != 0 || !QFile::exists(mp3))
            QSKIP("sox cannot write MP3 files here (libsox-fmt-mp3 missing)");
        chosen.append(mp3);
    }

    SystemProcessRunner processRunner;
    h.settings().setLastGameDir(h.gameFolder());
    Form1 &w = h.open(&processRunner);
    h.control<QComboBox>("cmbNewCat")->setEditText(QStringLiteral("Sfx"));
    h.ui.fileAnswers.enqueue(chosen);
    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);
    h.startEdit(2, 1); // lock Tick
    QTest::mouseClick(h.control<QCheckBox>("chkOgg"), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(h.control<QWidget>("cmdDistribute"), Qt::LeftButton);

    QCOMPARE(h.ui.messages.size(), 1);
    QCOMPARE(h.ui.messages[0].title, QStringLiteral("Copying Complete"));
    QVERIFY2(h.ui.messages[0].text.startsWith(
                 QStringLiteral("Copying/Encoding of %1 files was successful.\r\n\r\n"
                                "Ogg-encoding compressed wav's from 60 kB to ")
                     .arg(chosen.size())),
             qPrintable(h.ui.messages[0].text));
    QCOMPARE(w.table().at(2).isLocked(), true);
    h.close();
    QCOMPARE(h.ui.messages.size(), 1);

    QDir game(h.gameFolder());
    QStringList expectedFiles{"SOUND1.ogg", "SOUND2.wav", "SoundCode.txt", "SoundInfo.dat",
                              "SoundList.dat"};
    if (withMp3)
        expectedFiles.append(QStringLiteral("SOUND3.mp3"));
    expectedFiles.sort();
    QStringList present = game.entryList(QDir::Files);
    present.sort();
    QCOMPARE(present, expectedFiles);

    const QByteArray ogg = readFile(game.filePath(QStringLiteral("SOUND1.ogg")));
    QVERIFY(ogg.startsWith("OggS"));
    QVERIFY(ogg.contains("\x01vorbis"));
    QVERIFY(ogg.size() < 60000);
    QCOMPARE(readFile(game.filePath(QStringLiteral("SOUND2.wav"))), readFile(small));
    if (withMp3)
        QCOMPARE(readFile(game.filePath(QStringLiteral("SOUND3.mp3"))), readFile(mp3));

    QByteArray list = "0001\r\nThunder Clap\r\n0002\r\nTick\r\n";
    QByteArray code = "//To avoid having to distribute SoundList.DAT with your game,\r\n"
                      "//Copy/paste this code in the Game_start section of the Sonquill module\r\n"
                      "//and replace the 'LoadSoundNames();' call.\r\n"
                      " \r\n";
    code += withMp3 ? "NumSounds = 3; \r\n" : "NumSounds = 2; \r\n";
    code += "StrCopy(SoundNames[1].Name, \"Thunder Clap\");\r\n"
            "StrCopy(SoundNames[2].Name, \"Tick\");\r\n";
    if (withMp3) {
        list += "0003\r\nTune\r\n";
        code += "StrCopy(SoundNames[3].Name, \"Tune\");\r\n";
    }
    QCOMPARE(readFile(game.filePath(QStringLiteral("SoundList.dat"))), list);
    QCOMPARE(readFile(game.filePath(QStringLiteral("SoundCode.txt"))), code);

    // The lock click selected Tick alone.
    QList<SoundRecord> records{makeRecord("Thunder Clap", 1, "Sfx", false, false, big, 60000.0f),
                               makeRecord("Tick", 2, "Sfx", true, true, small, 1200.0f)};
    if (withMp3)
        records.append(
            makeRecord("Tune", 3, "Sfx", false, false, mp3, float(QFileInfo(mp3).size())));
    SoundTable expected;
    expected.replaceAll(records);
    QCOMPARE(readFile(game.filePath(QStringLiteral("SoundInfo.dat"))),
             SerializeSoundInfo(expected));
}

QTEST_MAIN(Form1EndToEndTest)
#include "tst_form1_e2e.moc"
