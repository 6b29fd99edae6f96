#include "catalogue/PathUtils.h"
#include "distribution/Distribution.h"
#include "distribution/Manifest.h"
#include "distribution/SystemProcessRunner.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace sonquill;
using namespace sonquill::test;

namespace {

// Sources made by sox, a game folder, and runs with the real oggenc. What the run made is
// measured by ffmpeg and ffprobe, never by the code under test.
struct Fixture
{
    Fixture()
    {
        QDir().mkpath(game());
        QDir().mkpath(source(""));
        options.catalogueWhole = true;
        options.ogg.MinSize = 20;
    }
    QString game(const QString &name = {}) const { return dir.filePath("game/" + name); }
    QString source(const QString &name) const { return dir.filePath("sfx/" + name); }

    // A sound whose source sox makes: its format options, then its effects after "synth".
    bool add(const QString &name, qint16 number, const QString &format, const QString &synth,
             const QString &category = "Sfx")
    {
        const QString path = source(name);
        if (runTool(SONQUILL_SOX, QStringList{"-D", "-R", "-n"} + format.split(' ') +
                                      QStringList{path} + QStringList{"synth"} +
                                      synth.split(' ')) != 0)
            return false;
        records.append({name, path, number, 0, category, 0, float(QFileInfo(path).size())});
        return true;
    }
    DistributionResult run()
    {
        SoundTable sounds;
        sounds.replaceAll(records);
        return Distribute(sounds, game(), options, {progress, runner});
    }
    QStringList files() const
    {
        return QDir(game()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir;
    QList<SoundRecord> records;
    DistributionOptions options;
    RecordingProgress progress;
    SystemProcessRunner runner;
};

} // namespace

class TestProcessing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One sound, an Ambience, through the options, measured afterwards.
    void processing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("synth");
        QTest::addColumn<bool>("ogg");
        QTest::addColumn<ProcessingSettings>("processing");
        // LUFS when normalised; NaN: held below the target by the ceiling.
        QTest::addColumn<double>("lufs");
        QTest::addColumn<int>("channels"); // what the output's header says
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("seconds"); // within one pad of 10 ms
        const auto loud = [](double target, double ambience = 0.0, double ceiling = -1.0) {
            ProcessingSettings p;
            p.loudness = true;
            p.targetLufs = target;
            p.ceilingDbtp = ceiling;
            p.categoryOffsets = {{"AMBIENCE", ambience}, {"Doors", -30.0}};
            return p;
        };
        const auto shape = [](bool trim, bool mono, int maxRate) {
            ProcessingSettings p;
            p.trim = trim;
            p.mono = mono;
            p.maxRate = maxRate;
            return p;
        };
        const double held = qQNaN();
        // clang-format off
        QTest::newRow("quiet stereo noise raised to -18 LUFS, encoded") << "-r 44100 -c 2 -b 16" << "3 pinknoise vol 0.02" << true << loud(-18) << -18.0 << 2 << 44100 << 3.0;
        QTest::newRow("bright noise at 48 kHz, which the encoder makes quieter, still -18 LUFS") << "-r 48000 -c 2 -b 16" << "3 whitenoise vol 0.05" << true << loud(-18) << -18.0 << 2 << 48000 << 3.0;
        QTest::newRow("noise at 22050 Hz, which the encoder makes louder, still -18 LUFS") << "-r 22050 -c 1 -b 16" << "3 pinknoise vol 0.1" << true << loud(-18) << -18.0 << 1 << 22050 << 3.0;
        QTest::newRow("loud mono noise lowered to -18 LUFS, written as WAV") << "-r 22050 -c 1 -b 24" << "3 pinknoise gain -n -1" << false << loud(-18) << -18.0 << 1 << 22050 << 3.0;
        QTest::newRow("an Ambience 8 LU below the target") << "-r 44100 -c 2 -b 16" << "3 brownnoise vol 0.3" << true << loud(-18, -8) << -26.0 << 2 << 44100 << 3.0;
        QTest::newRow("target -23 LUFS, a tone") << "-r 32000 -c 1 -b 16" << "2 sine 1000 vol 0.01" << true << loud(-23) << -23.0 << 1 << 32000 << 2.0;
        QTest::newRow("target -5 LUFS: the ceiling of -1 dBTP lowers the gain") << "-r 44100 -c 2 -b 16" << "3 pinknoise vol 0.1" << true << loud(-5) << held << 2 << 44100 << 3.0;
        QTest::newRow("ceiling -6 dBTP, written as WAV") << "-r 44100 -c 1 -b 16" << "3 whitenoise vol 0.05" << false << loud(-10, 0, -6) << held << 1 << 44100 << 3.0;
        QTest::newRow("half a second of silence before, 0.7 after: trimmed to a pad, encoded") << "-r 44100 -c 1 -b 16" << "1 sine 440 pad 0.5 0.7" << true << shape(true, false, 0) << held << 1 << 44100 << 1.02;
        QTest::newRow("trimmed, written as WAV") << "-r 22050 -c 2 -b 16" << "0.6 sine 300 pad 1 0.25" << false << shape(true, false, 0) << held << 2 << 22050 << 0.62;
        QTest::newRow("dither's hiss, far under -60 dBFS, counts as silence") << "-r 44100 -c 1 -b 16" << "1 sine 440 pad 0.3 0.3 dither" << true << shape(true, false, 0) << held << 1 << 44100 << 1.02;
        QTest::newRow("stereo made mono") << "-r 44100 -c 2 -b 16" << "1.5 sine 440" << true << shape(false, true, 0) << held << 1 << 44100 << 1.5;
        QTest::newRow("48 kHz down to 22050 Hz") << "-r 48000 -c 2 -b 24" << "1 sine 440" << true << shape(false, false, 22050) << held << 2 << 22050 << 1.0;
        QTest::newRow("22050 Hz stays under a 44100 Hz limit") << "-r 22050 -c 1 -b 16" << "1 sine 440" << false << shape(false, false, 44100) << held << 1 << 22050 << 1.0;
        QTest::newRow("all three, written as WAV") << "-r 48000 -c 2 -b 16" << "1 sine 440 pad 0.2 0.2" << false << shape(true, true, 32000) << held << 1 << 32000 << 1.02;
        // clang-format on
    }
    void processing()
    {
        QFETCH(QString, format);
        QFETCH(QString, synth);
        QFETCH(bool, ogg);
        QFETCH(ProcessingSettings, processing);
        QFETCH(double, lufs);
        QFETCH(double, seconds);

        Fixture f;
        QVERIFY(f.add("Sound.wav", 1, format, synth, "Ambience"));
        const QByteArray source = readFile(f.source("Sound.wav"));
        f.options.OggUse = ogg;
        f.options.processing = processing;
        QCOMPARE(f.run().ErrorText, QString());

        const QString made = ogg ? "SOUND1.ogg" : "SOUND1.wav";
        const Measured after = measure(f.game(made));
        const QString seen = QString::asprintf("%.1f LUFS %.1f dBTP %.3f s", after.lufs,
                                               after.truePeak, after.seconds);
        if (processing.loudness) {
            // Held by the ceiling, below the target; an encoder's peaks are a little off, so it
            // may stay some tenths of a dB under the ceiling.
            QVERIFY2(qIsNaN(lufs) ? after.lufs < processing.targetLufs - 0.5 &&
                                        after.truePeak >= processing.ceilingDbtp - 1.0
                                  : qAbs(after.lufs - lufs) <= 0.5,
                     qPrintable(seen));
            QVERIFY2(after.truePeak <= processing.ceilingDbtp, qPrintable(seen));
        }
        QTEST(after.channels, "channels");
        QTEST(after.sampleRate, "rate");
        QVERIFY2(qAbs(after.seconds - seconds) <= 0.01, qPrintable(seen));
        QCOMPARE(readFile(f.source("Sound.wav")), source); // sources never change
        QCOMPARE(f.files(), (QStringList{made, "SoundCode.txt", "SoundList.dat"}));
    }

    // Every WAV encoding sox writes becomes an Ogg file, with every processing option off, for
    // the built-in encoder and a custom one alike: none falls back to a .wav copy.
    void everyWavEncoding_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("custom");
        // clang-format off
        QTest::newRow("8-bit unsigned") << "-r 22050 -c 1 -b 8 -e unsigned-integer" << false;
        QTest::newRow("16-bit") << "-r 44100 -c 2 -b 16" << false;
        QTest::newRow("24-bit") << "-r 48000 -c 2 -b 24" << false;
        QTest::newRow("32-bit integer") << "-r 44100 -c 2 -b 32 -e signed-integer" << false;
        QTest::newRow("32-bit float") << "-r 44100 -c 1 -b 32 -e floating-point" << false;
        QTest::newRow("64-bit float") << "-r 44100 -c 1 -b 64 -e floating-point" << false;
        QTest::newRow("u-law") << "-r 8000 -c 1 -e u-law" << false;
        QTest::newRow("A-law") << "-r 8000 -c 1 -e a-law" << false;
        QTest::newRow("IMA ADPCM") << "-r 22050 -c 1 -e ima-adpcm" << false;
        QTest::newRow("MS ADPCM") << "-r 22050 -c 2 -e ms-adpcm" << false;
        QTest::newRow("GSM 6.10") << "-r 8000 -c 1 -e gsm-full-rate" << false;
        QTest::newRow("IMA ADPCM, custom encoder") << "-r 22050 -c 1 -e ima-adpcm" << true;
        QTest::newRow("32-bit integer, custom encoder") << "-r 44100 -c 1 -b 32 -e signed-integer" << true;
        // clang-format on
    }
    void everyWavEncoding()
    {
        QFETCH(QString, format);
        QFETCH(bool, custom);

        Fixture f;
        QVERIFY(f.add("Sound.wav", 1, format + " -t wav", "2 sine 440 vol 0.5"));
        f.options.OggUse = true;
        f.options.ogg.MinSize = 0;
        if (custom)
            f.options.ogg = {.MinSize = 0, .UseCustom = 1, .CustomPath = "oggenc -Q %1 -o %2"};
        QCOMPARE(f.run().ErrorText, QString());

        QCOMPARE(f.files(), (QStringList{"SOUND1.ogg", "SoundCode.txt", "SoundList.dat"}));
        QCOMPARE(runTool("ogginfo", {f.game("SOUND1.ogg")}), 0);
        const Measured source = measure(f.source("Sound.wav")),
                       made = measure(f.game("SOUND1.ogg"));
        QCOMPARE(made.channels, source.channels);
        QCOMPARE(made.sampleRate, source.sampleRate);
        // An ADPCM file's last block is padded, and libsndfile reads the padding too.
        QVERIFY(qAbs(made.seconds - 2.0) <= 0.05);
        QVERIFY(qAbs(made.lufs - source.lufs) <= 0.5); // the tone, not noise or silence
    }

    // With every option off the game folder is what it always was: byte copies, and Ogg files
    // holding what oggenc makes of the source itself. With every option on, compressed sources
    // are still copied untouched.
    void everythingOffChangesNothing()
    {
        Fixture f;
        QVERIFY(f.add("Door.wav", 1, "-r 44100 -c 2 -b 16", "1 sine 440 pad 0.3 0.3"));
        QVERIFY(f.add("Click.wav", 2, "-r 48000 -c 2 -b 24", "0.05 sine 880 pad 0.1 0.1"));
        QVERIFY(f.add("Bell.mp3", 3, "-r 44100 -c 2", "1 sine 660"));
        QVERIFY(f.add("Wind.ogg", 4, "-r 22050 -c 1", "1 pinknoise"));
        QVERIFY(f.add("Beep.voc", 5, "-r 11025 -c 1 -b 8 -e unsigned-integer", "0.5 sine 500"));
        f.options.OggUse = true;
        f.options.ogg.MinSize = 100; // the door is encoded, the click copied
        QCOMPARE(f.run().ErrorText, QString());

        QCOMPARE(f.files(), (QStringList{"SOUND1.ogg", "SOUND2.wav", "SOUND3.mp3", "SOUND4.ogg",
                                         "SOUND5.voc", "SoundCode.txt", "SoundList.dat"}));
        // An Ogg file's bytes differ from run to run (the stream serial is random); its samples
        // do not.
        const QString direct = f.dir.filePath("direct.ogg");
        QCOMPARE(runTool(SONQUILL_OGGENC, {"-Q", "-q3", f.source("Door.wav"), "-o", direct}), 0);
        const auto decoded = [&](const QString &path) {
            runTool("oggdec", {"-Q", "-o", path + ".raw", "-R", path});
            return readFile(path + ".raw");
        };
        QCOMPARE(decoded(f.game("SOUND1.ogg")), decoded(direct));
        for (const auto &[target, source] : {std::pair{"SOUND2.wav", "Click.wav"},
                                             {"SOUND3.mp3", "Bell.mp3"},
                                             {"SOUND4.ogg", "Wind.ogg"},
                                             {"SOUND5.voc", "Beep.voc"}})
            QVERIFY2(readFile(f.game(target)) == readFile(f.source(source)), target);

        ProcessingSettings &processing = f.options.processing;
        processing.loudness = processing.trim = processing.mono = true;
        processing.maxRate = 22050;
        QCOMPARE(f.run().ErrorText, QString());
        for (const auto &[target, source] : {std::pair{"SOUND3.mp3", "Bell.mp3"},
                                             {"SOUND4.ogg", "Wind.ogg"},
                                             {"SOUND5.voc", "Beep.voc"}})
            QVERIFY2(readFile(f.game(target)) == readFile(f.source(source)), target);
        QVERIFY(readFile(f.game("SOUND2.wav")) != readFile(f.source("Click.wav")));
    }

    void remakesExactlyWhatAnOptionAffects_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("remade");
        const QStringList pcm{"SOUND1.ogg", "SOUND2.ogg", "SOUND3.wav"};
        // clang-format off
        QTest::newRow("nothing") << "none" << QStringList{};
        QTest::newRow("the Ambience offset: the wind") << "offset" << QStringList{"SOUND2.ogg"};
        QTest::newRow("mono: the stereo door") << "mono" << QStringList{"SOUND1.ogg"};
        QTest::newRow("at most 44100 Hz: the 48 kHz door") << "44100" << QStringList{"SOUND1.ogg"};
        QTest::newRow("at most 32000 Hz: the door and the click") << "32000" << QStringList{"SOUND1.ogg", "SOUND3.wav"};
        QTest::newRow("trim: all three from PCM") << "trim" << pcm;
        QTest::newRow("another target: all three") << "target" << pcm;
        QTest::newRow("loudness off: all three") << "off" << pcm;
        // clang-format on
    }
    void remakesExactlyWhatAnOptionAffects()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, remade);

        Fixture f;
        QVERIFY(f.add("Door.wav", 1, "-r 48000 -c 2 -b 16", "2 pinknoise vol 0.1", "Doors"));
        QVERIFY(f.add("Wind.wav", 2, "-r 22050 -c 1 -b 16", "3 brownnoise vol 0.2", "Ambience"));
        QVERIFY(f.add("Click.wav", 3, "-r 44100 -c 1 -b 16", "0.45 square 200 vol 0.3", "Doors"));
        QVERIFY(f.add("Bell.mp3", 4, "-r 44100 -c 2", "1 sine 660", "Doors"));
        f.options.OggUse = true;
        f.options.ogg.MinSize = 40; // the click is written as a .wav
        f.options.processing.loudness = true;
        f.options.processing.categoryOffsets = {{"Ambience", -6.0}};
        QCOMPARE(f.run().ErrorText, QString());
        QMap<QString, QDateTime> before;
        for (const QString &name : f.files())
            before.insert(name, QFileInfo(f.game(name)).metadataChangeTime());

        ProcessingSettings &processing = f.options.processing;
        if (change == "offset")
            processing.categoryOffsets["Ambience"] = -10.0;
        else if (change == "mono")
            processing.mono = true;
        else if (change == "44100" || change == "32000")
            processing.maxRate = change.toInt();
        else if (change == "trim")
            processing.trim = true;
        else if (change == "target")
            processing.targetLufs = -20.0;
        else if (change == "off")
            processing.loudness = false;
        QCOMPARE(f.run().ErrorText, QString());

        QStringList changed;
        for (const QString &name : before.keys()) {
            if (name.startsWith("SOUND") &&
                QFileInfo(f.game(name)).metadataChangeTime() != before[name])
                changed << name;
        }
        QCOMPARE(changed, remade);
        // The record keeps the gain each sound got: for a .wav, the target less the source's
        // loudness (an encoded one's also makes up for what the encoder changed).
        const Manifest record = Manifest::Load(f.game());
        if (change == "none") {
            const double gain = -18.0 - measure(f.source("Click.wav")).lufs;
            QVERIFY2(qAbs(record.records["SOUND3.wav"].gainDb - gain) <= 0.2,
                     qPrintable(QString::number(record.records["SOUND3.wav"].gainDb)));
            QVERIFY(qIsFinite(record.records["SOUND1.ogg"].gainDb));
            QVERIFY(qIsNaN(record.records["SOUND4.mp3"].gainDb));
        }
        if (change == "off")
            QVERIFY(qIsNaN(record.records["SOUND1.ogg"].gainDb));
    }
};

QTEST_GUILESS_MAIN(TestProcessing)
#include "tst_processing.moc"
