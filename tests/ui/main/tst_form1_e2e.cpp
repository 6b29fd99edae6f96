// A whole session through the window: add real WAV and MP3 files, lock one, distribute with the
// real Ogg encoder, close; then every file in the game folder is checked.

#include "Form1Harness.h"
#include "distribution/SystemProcessRunner.h"

#include "ui/dialogs/FrmProgress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Looks at the progress window each time an encoder is started, then starts it for real.
class PeekingRunner : public ProcessRunner
{
public:
    explicit PeekingRunner(const FrmProgressSink &sink) : m_sink(sink) {}
    RunResult RunAndWait(const QString &commandLine, bool hideWindow, int timeoutMs,
                         const std::function<void()> &idle = {}) override
    {
        const QWidget *window = m_sink.currentWindow();
        const auto *label = window ? window->findChild<QLabel *>("Label") : nullptr;
        const auto *bar = window ? window->findChild<QProgressBar *>("ProgressBar") : nullptr;
        if (!label || !bar) {
            seen.append("no progress window");
        } else {
            seen.append(QStringLiteral("%1 | %2 | %3/%4%5")
                            .arg(window->windowTitle(), label->text())
                            .arg(bar->value())
                            .arg(bar->maximum())
                            .arg(window->isVisible() &&
                                         window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)
                                     ? ""
                                     : " (hidden or not on top)"));
        }
        return m_real.RunAndWait(commandLine, hideWindow, timeoutMs, idle);
    }
    QStringList seen;

private:
    const FrmProgressSink &m_sink;
    SystemProcessRunner m_real;
};

} // namespace

class Form1EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void session();
    void progressDuringRealRun();
};

void Form1EndToEndTest::session()
{
    Form1Harness h;
    const QString big = h.makeSource("Thunder Clap.wav", 60000);
    const QString small = h.makeSource("Tick.WAV", 1200);
    const QString mp3 = h.sourceFolder() + "/Tune.mp3";
    if (!QFile::exists(SONQUILL_OGGENC))
        QFAIL("oggenc (vorbis-tools) is not installed");
    if (runTool(SONQUILL_SOX,
                {"-n", "-r", "22050", "-c", "1", mp3, "synth", "0.3", "sine", "440"}) ||
        !QFile::exists(mp3))
        QFAIL("sox cannot write MP3 files here (libsox-fmt-mp3 missing)");

    SystemProcessRunner processRunner;
    h.settings.setLastGameDir(h.gameFolder());
    Form1 &w = h.open(&processRunner);
    h.control<QComboBox>("cmbNewCat")->setEditText("Sfx");
    h.ui.fileAnswers.enqueue(QStringList{big, small, mp3});
    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);
    h.startEdit(2, ColLock); // locks Tick
    QTest::mouseClick(h.control<QCheckBox>("chkOgg"), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(h.control<QWidget>("cmdDistribute"), Qt::LeftButton);

    QCOMPARE(h.ui.messages.size(), 1);
    QVERIFY2(h.messages()[0].startsWith("Copying Complete | Copying/Encoding of 3 files was "
                                        "successful.\r\n\r\nOgg-encoding compressed wav's from "
                                        "60 kB to "),
             qPrintable(h.messages()[0]));
    QVERIFY(w.table().at(2).isLocked());
    h.close();
    QCOMPARE(h.ui.messages.size(), 1);

    QDir game(h.gameFolder());
    QCOMPARE(game.entryList(QDir::Files).join(' '),
             "SOUND1.ogg SOUND2.wav SOUND3.mp3 SoundCode.txt SoundInfo.dat SoundList.dat");
    const QByteArray ogg = readFile(game.filePath("SOUND1.ogg"));
    QVERIFY(ogg.startsWith("OggS") && ogg.contains("\x01vorbis") && ogg.size() < 60000);
    QCOMPARE(readFile(game.filePath("SOUND2.wav")), readFile(small));
    QCOMPARE(readFile(game.filePath("SOUND3.mp3")), readFile(mp3));
    QCOMPARE(readFile(game.filePath("SoundList.dat")),
             "0001\r\nThunder Clap\r\n0002\r\nTick\r\n0003\r\nTune\r\n");
    QCOMPARE(readFile(game.filePath("SoundCode.txt")),
             "//To avoid having to distribute SoundList.DAT with your game,\r\n"
             "//Copy/paste this code in the Game_start section of the Sonquill module\r\n"
             "//and replace the 'LoadSoundNames();' call.\r\n"
             " \r\n"
             "NumSounds = 3; \r\n"
             "StrCopy(SoundNames[1].Name, \"Thunder Clap\");\r\n"
             "StrCopy(SoundNames[2].Name, \"Tick\");\r\n"
             "StrCopy(SoundNames[3].Name, \"Tune\");\r\n");
    // The lock click selected Tick alone.
    SoundTable expected;
    expected.replaceAll({makeRecord("Thunder Clap", 1, "Sfx", false, false, big, 60000.0f),
                         makeRecord("Tick", 2, "Sfx", true, true, small, 1200.0f),
                         makeRecord("Tune", 3, "Sfx", false, false, mp3, QFileInfo(mp3).size())});
    QCOMPARE(readFile(game.filePath("SoundInfo.dat")), SerializeSoundInfo(expected));
}

void Form1EndToEndTest::progressDuringRealRun()
{
    if (!QFile::exists(SONQUILL_OGGENC))
        QFAIL("oggenc (vorbis-tools) is not installed");
    Form1Harness h;
    FrmProgressSink sink;
    PeekingRunner runner(sink);
    h.settings.setLastGameDir(h.gameFolder());
    h.open(&runner, &sink);
    h.ui.fileAnswers.enqueue(QStringList{h.makeSource("A.wav", 6000), h.makeSource("B.wav", 6000),
                                         h.makeSource("C.wav", 6000)});
    QTest::mouseClick(h.control<QWidget>("cmdAdd"), Qt::LeftButton);
    QTest::mouseClick(h.control<QCheckBox>("chkOgg"), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(h.control<QWidget>("cmdDistribute"), Qt::LeftButton);

    const QString shown = "Distributing Files | Copying/Encoding 3 files... | ";
    QCOMPARE(runner.seen, (QStringList{shown + "0/3", shown + "1/3", shown + "2/3"}));
    QVERIFY(!sink.currentWindow());
    QCOMPARE(h.ui.messages.value(0).title, "Copying Complete");
    for (const char *name : {"SOUND1.ogg", "SOUND2.ogg", "SOUND3.ogg"})
        QVERIFY2(readFile(h.gameFolder() + "/" + name).startsWith("OggS"), name);
}

QTEST_MAIN(Form1EndToEndTest)
#include "tst_form1_e2e.moc"
