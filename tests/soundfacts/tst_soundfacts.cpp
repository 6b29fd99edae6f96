#include "soundfacts/SoundFacts.h"
#include "soundfacts/SoundFactsCache.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace sonquill;

namespace {

QString soxi(const QString &option, const QString &path)
{
    QByteArray out;
    return test::runTool("soxi", {option, path}, &out) == 0 ? QString::fromUtf8(out).trimmed() : "";
}

// soxi knows no length for VOC files; sox then reads the file through.
double soxLength(const QString &path)
{
    QByteArray out;
    if (const double length = soxi("-D", path).toDouble(); length > 0)
        return length;
    test::runTool("sox", {path, "-n", "stat"}, &out);
    const QString stat = QString::fromLatin1(out);
    return stat.mid(stat.indexOf("Length (seconds):") + 17).section('\n', 0, 0).toDouble();
}

// Writes bytes over path in place and gives it the modification time given.
bool rewrite(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.flush() &&
           file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace

class TestSoundFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formats_data();
    void formats();
    void unreadable_data();
    void unreadable();
    void lengthText_data();
    void lengthText();
    void cacheFollowsChanges();

private:
    QTemporaryDir m_dir;
};

void TestSoundFacts::formats_data()
{
    // Named for the format ReadSoundFacts must tell; 24 bits make sox write WAVE_FORMAT_EXTENSIBLE.
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("soxArguments");
    QTest::addColumn<bool>("oggencReads");
    const auto row = [](const char *format, const char *file, const char *sox, bool oggencReads) {
        QTest::newRow(format) << QString::fromLatin1(file) << QString::fromLatin1(sox)
                              << oggencReads;
    };
    row("WAV, 8-bit PCM", "pcm8.wav", "-r 22050 -c 1 -b 8 -e unsigned-integer", true);
    row("WAV, 16-bit PCM", "pcm16.wav", "-r 44100 -c 2 -b 16 -e signed-integer", true);
    row("WAV, 24-bit PCM", "pcm24.wav", "-r 48000 -c 2 -b 24", true);
    row("WAV, 32-bit PCM", "pcm32.wav", "-r 22050 -c 1 -b 32 -e signed-integer", false);
    row("WAV, 32-bit float", "float.wav", "-r 22050 -c 1 -b 32 -e floating-point", true);
    row("WAV, IMA ADPCM", "ima.wav", "-r 22050 -c 1 -e ima-adpcm", false);
    row("WAV, u-law", "ulaw.wav", "-r 8000 -c 1 -e u-law", false);
    row("WAV, A-law", "alaw.wav", "-r 8000 -c 2 -e a-law", false);
    row("MP3", "tone.mp3", "-r 44100 -c 2", false);
    row("Ogg Vorbis", "tone.ogg", "-r 44100 -c 2", false);
    row("VOC, 8-bit PCM", "tone8.voc", "-r 11025 -c 1 -b 8 -e unsigned-integer", false);
    row("VOC, 16-bit PCM", "tone16.voc", "-r 11025 -c 1 -b 16", false);
}

void TestSoundFacts::formats()
{
    QFETCH(QString, fileName);
    QFETCH(QString, soxArguments);
    QFETCH(bool, oggencReads);

    const QString path = m_dir.filePath(fileName);
    QVERIFY2(test::runTool("sox", QStringList{"-n"} + soxArguments.split(' ') +
                                      QStringList{path, "synth", "1.3", "sine", "440"}) == 0,
             "sox could not write the file");
    const SoundFacts facts = ReadSoundFacts(path);
    QVERIFY2(facts.readable, qPrintable(facts.problem));
    QCOMPARE(facts.format, QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(facts.problem.isEmpty());
    QCOMPARE(facts.channels, soxi(QStringLiteral("-c"), path).toInt());
    QCOMPARE(facts.sampleRate, qRound(soxi(QStringLiteral("-r"), path).toDouble()));
    // MP3 frames carry encoder delay and padding, which readers count differently.
    const double expected = soxLength(path), tolerance = facts.format == "MP3" ? 0.06 : 0.001;
    QVERIFY2(
        qAbs(facts.seconds - expected) <= tolerance,
        qPrintable(QStringLiteral("%1 s against sox's %2 s").arg(facts.seconds).arg(expected)));
    QCOMPARE(ExpectedExtension(facts), fileName.section(QLatin1Char('.'), -1));

    // The encodings oggenc takes are the ones it really takes.
    QCOMPARE(OggencReads(facts), oggencReads);
    if (fileName.endsWith(".wav"))
        QCOMPARE(test::runTool("oggenc", {"-Q", path, "-o", path + ".ogg"}) == 0 &&
                     QFile::exists(path + ".ogg"),
                 oggencReads);
}

void TestSoundFacts::unreadable_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("garbage") << "garbage.wav" << QByteArray(5000, '\x5a');
    QTest::newRow("header cut short") << "cut.wav" << test::makeWav(4000).left(30);
    QTest::newRow("empty file") << "empty.wav" << QByteArray();
    QTest::newRow("missing") << "missing.wav" << QByteArray();
    QTest::newRow("folder") << "folder.wav" << QByteArray();
    QTest::newRow("pipe: answered at once, not a regular file") << "pipe.wav" << QByteArray();
}

void TestSoundFacts::unreadable()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);

    const QString path = m_dir.filePath(fileName);
    if (fileName == "folder.wav")
        QVERIFY(QDir(m_dir.path()).mkpath(fileName));
    else if (fileName == "pipe.wav")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (fileName != "missing.wav")
        QVERIFY(test::writeFile(path, bytes));

    // In a child that a blocked read cannot keep alive.
    const test::ChildResult child = test::runInChild([&] {
        SoundFactsCache cache;
        const SoundFacts facts = cache.facts(path);
        return QStringList{facts.readable ? "readable" : "",
                           facts.format,
                           LengthText(facts),
                           ExpectedExtension(facts),
                           OggencReads(facts) ? "oggenc" : "",
                           facts.problem,
                           QString::fromLatin1(cache.contentHash(path).toHex())};
    });
    QVERIFY2(child.failure.isEmpty(), qPrintable(child.failure));
    QCOMPARE(child.answer.size(), 7);
    QCOMPARE(child.answer.mid(0, 5), QStringList(5, QString()));
    QVERIFY(!child.answer[5].isEmpty());
    if (fileName == "pipe.wav") { // answered at once, and no hash of a pipe's bytes either
        QVERIFY2(child.answer[5].contains("not a regular file"), qPrintable(child.answer[5]));
        QCOMPARE(child.answer[6], QString());
    }
}

void TestSoundFacts::lengthText_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("one decimal") << 2.44 << "2.4 s";
    QTest::newRow("rounds up") << 2.46 << "2.5 s";
    QTest::newRow("not a number") << qQNaN() << "";
}

void TestSoundFacts::lengthText()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(LengthText(seconds), text);
}

void TestSoundFacts::cacheFollowsChanges()
{
    const QString path = m_dir.filePath("cached.wav"), same = m_dir.filePath("same.wav");
    const QByteArray other = test::makeWav(8044, 8000);
    QVERIFY(test::writeFile(path, test::makeWav(8044, 22050)));
    QVERIFY(test::writeFile(same, test::makeWav(8044, 22050)));
    SoundFactsCache cache;
    const SoundFacts first = cache.facts(path);
    QCOMPARE(first.sampleRate, 22050);
    QVERIFY(cache.facts(same).readable);
    const QByteArray hash = cache.contentHash(path);
    QVERIFY(!hash.isEmpty());
    QCOMPARE(cache.contentHash(same), hash);

    // Same size and time: the cache answers without looking inside.
    const QDateTime modified = QFileInfo(path).lastModified();
    QVERIFY(rewrite(path, other, modified));
    QCOMPARE(cache.facts(path), first);
    QCOMPARE(cache.contentHash(path), hash);
    // A new time means new content, read and hashed again.
    QVERIFY(rewrite(path, other, modified.addSecs(5)));
    QCOMPARE(cache.facts(path).sampleRate, 8000);
    QVERIFY(cache.contentHash(path) != hash);
    // So does a new size, even at the old time.
    QVERIFY(rewrite(path, test::makeWav(16044, 11025), modified.addSecs(5)));
    // A display asks what was read last, without the disk; the next real look sees the change.
    QCOMPARE(cache.remembered(path).sampleRate, 8000);
    QCOMPARE(cache.facts(path).sampleRate, 11025);
    QCOMPARE(cache.remembered(path).sampleRate, 11025);
    // A file that went away is reported as gone, not from memory.
    QVERIFY(QFile::remove(path));
    QVERIFY(!cache.facts(path).readable);
    QVERIFY(cache.contentHash(path).isEmpty());
    QCOMPARE(cache.count(), 2);
}

QTEST_GUILESS_MAIN(TestSoundFacts)
#include "tst_soundfacts.moc"
