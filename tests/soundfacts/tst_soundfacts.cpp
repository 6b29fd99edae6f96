#include "soundfacts/SoundFacts.h"
#include "soundfacts/SoundFactsCache.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <sys/stat.h>

using namespace sonquill;

class TestSoundFacts : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void formats_data()
    {
        // Named for the format told; 24 bits make sox write WAVE_FORMAT_EXTENSIBLE.
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("soxArguments");
        // clang-format off
        QTest::newRow("WAV, 8-bit PCM") << "pcm8.wav" << "-r 22050 -c 1 -b 8 -e unsigned-integer";
        QTest::newRow("WAV, 24-bit PCM") << "pcm24.wav" << "-r 48000 -c 2 -b 24";
        QTest::newRow("WAV, 32-bit PCM") << "pcm32.wav" << "-r 22050 -c 1 -b 32 -e signed-integer";
        QTest::newRow("WAV, 32-bit float") << "float.wav" << "-r 22050 -c 1 -b 32 -e floating-point";
        QTest::newRow("WAV, IMA ADPCM") << "ima.wav" << "-r 22050 -c 1 -e ima-adpcm";
        QTest::newRow("MP3") << "tone.mp3" << "-r 44100 -c 2";
        QTest::newRow("Ogg Vorbis") << "tone.ogg" << "-r 44100 -c 2";
        QTest::newRow("VOC, 8-bit PCM") << "tone8.voc" << "-r 11025 -c 1 -b 8 -e unsigned-integer";
        // clang-format on
    }
    void formats()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, soxArguments);

        const QString path = m_dir.filePath(fileName);
        const QStringList synth{path, "synth", "1.3", "sine", "440", "vol", "0.5"};
        QCOMPARE(test::runTool(SONQUILL_SOX, QStringList{"-n"} + soxArguments.split(' ') + synth),
                 0);
        const auto soxi = [&path](const char *option) {
            QByteArray out;
            test::runTool("soxi", {QString::fromLatin1(option), path}, &out);
            return out.trimmed().toDouble();
        };
        const SoundFacts facts = ReadSoundFacts(path);
        QVERIFY2(facts.readable, qPrintable(facts.problem));
        QCOMPARE(facts.format, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(facts.channels, int(soxi("-c")));
        QCOMPARE(facts.sampleRate, qRound(soxi("-r")));
        // MP3 frames carry encoder delay and padding, which readers count differently; soxi
        // knows no length for VOC files.
        if (!fileName.endsWith(".voc"))
            QVERIFY2(qAbs(facts.seconds - soxi("-D")) <= (facts.format == "MP3" ? 0.06 : 0.001),
                     qPrintable(QString::number(facts.seconds)));
        QCOMPARE(ExpectedExtension(facts), fileName.section(QLatin1Char('.'), -1));

        // Loudness and true peak as ffmpeg's meter measures them.
        SoundFactsCache cache;
        const LoudnessFacts loudness = cache.loudness(path);
        const test::Measured measured = test::measure(path);
        QVERIFY2(loudness.read && qAbs(loudness.loudness.integratedLufs - measured.lufs) <= 0.2 &&
                     qAbs(loudness.loudness.truePeakDbtp - measured.truePeak) <= 0.2,
                 qPrintable(QStringLiteral("%1 LUFS %2 dBTP, ffmpeg %3 %4")
                                .arg(loudness.loudness.integratedLufs)
                                .arg(loudness.loudness.truePeakDbtp)
                                .arg(measured.lufs)
                                .arg(measured.truePeak)));

        // The encodings oggenc takes are the ones it really takes.
        QCOMPARE(OggencReads(facts),
                 test::runTool(SONQUILL_OGGENC, {"-Q", path, "-o", path + ".ogg"}) == 0 &&
                     QFile::exists(path + ".ogg"));
    }

    void unreadable_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // a part of it, given for a pipe: it gets no hash
        QTest::newRow("garbage") << "garbage.wav" << QByteArray(5000, '\x5a') << "";
        QTest::newRow("header cut short") << "cut.wav" << test::makeWav(4000).left(30) << "";
        QTest::newRow("pipe") << "pipe.wav" << QByteArray() << "not a regular file";
    }
    void unreadable()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);

        const QString path = m_dir.filePath(fileName);
        if (fileName == "pipe.wav")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(test::writeFile(path, bytes));

        // In a child that a blocked read cannot keep alive: a pipe is answered at once.
        const test::ChildResult child = test::runInChild([&] {
            SoundFactsCache cache;
            const SoundFacts facts = cache.facts(path);
            const bool nothingKnown = !facts.readable && facts.format.isEmpty() &&
                                      LengthText(facts).isEmpty() && !facts.problem.isEmpty() &&
                                      ExpectedExtension(facts).isEmpty() && !OggencReads(facts);
            return QStringList{nothingKnown ? "unreadable" : "?", facts.problem,
                               QString::fromLatin1(cache.contentHash(path).toHex())};
        });
        QVERIFY2(child.failure.isEmpty(), qPrintable(child.failure));
        QCOMPARE(child.answer.value(0), "unreadable");
        QVERIFY2(child.answer.value(1).contains(problem), qPrintable(child.answer.value(1)));
        QCOMPARE(child.answer.value(2).isEmpty(), !problem.isEmpty()); // no hash of a pipe's bytes
    }

    // The facts, the hash and the loudness are found once per version of a file.
    void cacheFollowsChanges()
    {
        const QString path = m_dir.filePath("cached.wav");
        // Writes bytes over the file in place and gives it the modification time given.
        const auto rewrite = [&path](const QByteArray &bytes, const QDateTime &modified) {
            QFile file(path);
            return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() &&
                   file.flush() && file.setFileTime(modified, QFileDevice::FileModificationTime);
        };
        const qint64 oneSecond = 2 * 22050 + 44;
        QVERIFY(test::writeFile(path, test::makeWav(oneSecond, 22050)));
        SoundFactsCache cache;
        const SoundFacts first = cache.facts(path);
        QCOMPARE(first.sampleRate, 22050);
        const QByteArray hash = cache.contentHash(path);
        QVERIFY(cache.loudness(path).loudness.measurable());

        // Same size and time, other facts and silence inside: the cache answers without looking.
        const QDateTime modified = QFileInfo(path).lastModified();
        const QByteArray silence =
            test::makeWav(oneSecond, 8000).left(44) + QByteArray(oneSecond - 44, '\0');
        QVERIFY(rewrite(silence, modified));
        QCOMPARE(cache.facts(path), first);
        QCOMPARE(cache.contentHash(path), hash);
        QVERIFY(cache.loudness(path).loudness.measurable());
        // A new time means new content, read, hashed and measured again.
        QVERIFY(rewrite(silence, modified.addSecs(5)));
        QCOMPARE(cache.facts(path).sampleRate, 8000);
        QVERIFY(cache.contentHash(path) != hash);
        QVERIFY(!cache.loudness(path).loudness.measurable()); // silence: nothing to measure
        // So does a new size, even at the old time.
        QVERIFY(rewrite(test::makeWav(oneSecond + 8000, 11025), modified.addSecs(5)));
        // A display asks what was read last, without the disk; the next real look sees the change.
        QCOMPARE(cache.remembered(path).sampleRate, 8000);
        QCOMPARE(cache.facts(path).sampleRate, 11025);
        QCOMPARE(cache.remembered(path).sampleRate, 11025);
        // A file that went away is reported as gone, not from memory.
        QVERIFY(QFile::remove(path));
        QVERIFY(!cache.facts(path).readable);
        QVERIFY(cache.contentHash(path).isEmpty());
        QVERIFY(!cache.loudness(path).read);
        QCOMPARE(cache.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSoundFacts)
#include "tst_soundfacts.moc"
