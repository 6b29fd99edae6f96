#include "soundfacts/SoundFacts.h"
#include "soundfacts/SoundFactsCache.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <chrono>
#include <future>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace sonquill;

namespace {

// A tone of the given length written by sox; soxArguments describe the output file.
bool makeSound(const QString &path, const QStringList &soxArguments, double seconds,
               int channels = 1)
{
    const QStringList arguments =
        QStringList{QStringLiteral("-n")} + soxArguments +
        QStringList{QStringLiteral("-c"),    QString::number(channels), path,
                    QStringLiteral("synth"), QString::number(seconds),  QStringLiteral("sine"),
                    QStringLiteral("440")};
    return test::runTool(QStringLiteral("sox"), arguments) == 0;
}

QString soxi(const QString &option, const QString &path)
{
    QByteArray out;
    if (test::runTool(QStringLiteral("soxi"), {option, path}, &out) != 0)
        return {};
    return QString::fromUtf8(out).trimmed();
}

// soxi knows no length for VOC files; sox then reads the file through.
double soxLength(const QString &path)
{
    const double length = soxi(QStringLiteral("-D"), path).toDouble();
    if (length > 0)
        return length;
    QByteArray out;
    test::runTool(QStringLiteral("sox"), {path, QStringLiteral("-n"), QStringLiteral("stat")},
                  &out);
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("Length (seconds):"))
            return line.mid(line.indexOf(':') + 1).trimmed().toDouble();
    }
    return -1;
}

bool oggencAccepts(const QString &wav, const QString &ogg)
{
    return test::runTool(QStringLiteral("oggenc"),
                         {QStringLiteral("-Q"), wav, QStringLiteral("-o"), ogg}) == 0 &&
           QFile::exists(ogg);
}

} // namespace

class TestSoundFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void formats_data();
    void formats();
    void unreadable_data();
    void unreadable();
    void pipeReturnsAtOnce();
    void lengthText_data();
    void lengthText();
    void cacheRereadsOnlyChangedFiles();
    void cacheSharedByThreads();
    void contentHash();

private:
    QTemporaryDir m_dir;
};

void TestSoundFacts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *tool : {"sox", "soxi", "oggenc"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    }
}

void TestSoundFacts::formats_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QStringList>("soxArguments");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("oggencReads");

    const auto args = [](const char *rate, const char *bits, const char *encoding) {
        QStringList list{QStringLiteral("-r"), QString::fromLatin1(rate)};
        if (*bits)
            list << QStringLiteral("-b") << QString::fromLatin1(bits);
        if (*encoding)
            list << QStringLiteral("-e") << QString::fromLatin1(encoding);
        return list;
    };
    // MP3 frames carry encoder delay and padding, which readers count differently.
    QTest::newRow("wav 8-bit") << "pcm8.wav" << args("22050", "8", "unsigned-integer") << 1
                               << "WAV, 8-bit PCM" << 0.001 << true;
    QTest::newRow("wav 16-bit stereo") << "pcm16.wav" << args("44100", "16", "signed-integer") << 2
                                       << "WAV, 16-bit PCM" << 0.001 << true;
    QTest::newRow("wav 24-bit (extensible)")
        << "pcm24.wav" << args("48000", "24", "") << 2 << "WAV, 24-bit PCM" << 0.001 << true;
    QTest::newRow("wav 32-bit integer") << "pcm32.wav" << args("22050", "32", "signed-integer") << 1
                                        << "WAV, 32-bit PCM" << 0.001 << false;
    QTest::newRow("wav 32-bit float") << "float.wav" << args("22050", "32", "floating-point") << 1
                                      << "WAV, 32-bit float" << 0.001 << true;
    QTest::newRow("wav IMA ADPCM")
        << "ima.wav" << args("22050", "", "ima-adpcm") << 1 << "WAV, IMA ADPCM" << 0.001 << false;
    QTest::newRow("wav u-law") << "ulaw.wav" << args("8000", "", "u-law") << 1 << "WAV, u-law"
                               << 0.001 << false;
    QTest::newRow("wav A-law") << "alaw.wav" << args("8000", "", "a-law") << 2 << "WAV, A-law"
                               << 0.001 << false;
    QTest::newRow("mp3") << "tone.mp3" << args("44100", "", "") << 2 << "MP3" << 0.06 << false;
    QTest::newRow("ogg") << "tone.ogg" << args("44100", "", "") << 2 << "Ogg Vorbis" << 0.001
                         << false;
    QTest::newRow("voc 8-bit") << "tone8.voc" << args("11025", "8", "unsigned-integer") << 1
                               << "VOC, 8-bit PCM" << 0.001 << false;
    QTest::newRow("voc 16-bit") << "tone16.voc" << args("11025", "16", "") << 1 << "VOC, 16-bit PCM"
                                << 0.001 << false;
}

void TestSoundFacts::formats()
{
    QFETCH(QString, fileName);
    QFETCH(QStringList, soxArguments);
    QFETCH(int, channels);
    QFETCH(QString, format);
    QFETCH(double, tolerance);
    QFETCH(bool, oggencReads);

    const QString path = m_dir.filePath(fileName);
    QVERIFY2(makeSound(path, soxArguments, 1.3, channels), "sox could not write the file");

    const SoundFacts facts = ReadSoundFacts(path);
    QVERIFY2(facts.readable, qPrintable(facts.problem));
    QCOMPARE(facts.format, format);
    QVERIFY(facts.problem.isEmpty());
    QCOMPARE(facts.channels, soxi(QStringLiteral("-c"), path).toInt());
    QCOMPARE(facts.sampleRate, qRound(soxi(QStringLiteral("-r"), path).toDouble()));
    const double expected = soxLength(path);
    QVERIFY2(
        qAbs(facts.seconds - expected) <= tolerance,
        qPrintable(QStringLiteral("%1 s against sox's %2 s").arg(facts.seconds).arg(expected)));
    QCOMPARE(ExpectedExtension(facts), fileName.section(QLatin1Char('.'), -1));

    // The encodings oggenc takes are the ones it really takes.
    QCOMPARE(OggencReads(facts), oggencReads);
    if (fileName.endsWith(QLatin1String(".wav")))
        QCOMPARE(oggencAccepts(path, path + QStringLiteral(".ogg")), oggencReads);
}

void TestSoundFacts::unreadable_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");

    QByteArray wav = test::makeWav(4000);
    QTest::newRow("garbage") << "garbage.wav" << QByteArray(5000, '\x5a');
    QTest::newRow("header cut short") << "cut.wav" << wav.left(30);
    QTest::newRow("empty file") << "empty.wav" << QByteArray();
    QTest::newRow("missing") << "missing.wav" << QByteArray();
    QTest::newRow("folder") << "folder.wav" << QByteArray();
}

void TestSoundFacts::unreadable()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);

    const QString path = m_dir.filePath(fileName);
    if (fileName == QLatin1String("folder.wav"))
        QVERIFY(QDir(m_dir.path()).mkpath(fileName));
    else if (fileName != QLatin1String("missing.wav"))
        QVERIFY(test::writeFile(path, bytes));

    const SoundFacts facts = ReadSoundFacts(path);
    QVERIFY(!facts.readable);
    QVERIFY(!facts.problem.isEmpty());
    QVERIFY(facts.format.isEmpty());
    QCOMPARE(LengthText(facts), QString());
    QCOMPARE(ExpectedExtension(facts), QString());
    QVERIFY(!OggencReads(facts));
}

void TestSoundFacts::pipeReturnsAtOnce()
{
#ifdef Q_OS_UNIX
    const QString path = m_dir.filePath(QStringLiteral("pipe.wav"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

    std::promise<SoundFacts> promise;
    std::future<SoundFacts> answer = promise.get_future();
    SoundFactsCache cache;
    std::thread reader([&] {
        const SoundFacts facts = cache.facts(path);
        promise.set_value(cache.contentHash(path).isEmpty() ? facts : SoundFacts{});
    });
    const bool answered = answer.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!answered) {
        // Free the blocked reader before failing, so the test ends.
        const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    reader.join();
    QVERIFY2(answered, "reading a pipe blocked");
    const SoundFacts facts = answer.get();
    QVERIFY(!facts.readable);
    QVERIFY(facts.problem.contains(QLatin1String("not a regular file")));
#else
    QSKIP("pipes are a Unix fault");
#endif
}

void TestSoundFacts::lengthText_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("one decimal") << 2.44 << "2.4 s";
    QTest::newRow("rounds up") << 2.46 << "2.5 s";
    QTest::newRow("zero length") << 0.0 << "0.0 s";
    QTest::newRow("long") << 754.0 << "754.0 s";
    QTest::newRow("unknown") << -1.0 << "";
    QTest::newRow("not a number") << qQNaN() << "";
}

void TestSoundFacts::lengthText()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(LengthText(seconds), text);
}

void TestSoundFacts::cacheRereadsOnlyChangedFiles()
{
    const QString path = m_dir.filePath(QStringLiteral("cached.wav"));
    const QString other = m_dir.filePath(QStringLiteral("other.wav"));
    QVERIFY(test::writeFile(path, test::makeWav(8044, 22050)));
    QVERIFY(test::writeFile(other, test::makeWav(8044, 8000)));

    SoundFactsCache cache;
    const SoundFacts first = cache.facts(path);
    QCOMPARE(first.sampleRate, 22050);

    // Same size and time: the cache answers without looking inside.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
    QVERIFY(file.write(test::readFile(other)) == 8044);
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(cache.facts(path), first);

    // A new time means new content.
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified.addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(cache.facts(path).sampleRate, 8000);

    // So does a new size, even at the old time.
    QVERIFY(test::writeFile(path, test::makeWav(16044, 11025)));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(modified.addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(cache.facts(path).sampleRate, 11025);

    // A file that went away is reported as gone, not from memory.
    QVERIFY(QFile::remove(path));
    QVERIFY(!cache.facts(path).readable);
    QCOMPARE(cache.count(), 1);
}

void TestSoundFacts::cacheSharedByThreads()
{
    QStringList paths;
    for (int i = 0; i < 40; ++i) {
        paths << m_dir.filePath(QStringLiteral("threads/%1.wav").arg(i));
        QVERIFY(test::writeFile(paths.last(), test::makeWav(1044 + 2 * i, 8000 + 100 * i)));
    }
    SoundFactsCache cache;
    QList<QThread *> threads;
    QAtomicInt wrong = 0;
    for (int t = 0; t < 4; ++t) {
        threads << QThread::create([&] {
            for (int round = 0; round < 3; ++round) {
                for (int i = 0; i < paths.size(); ++i) {
                    if (cache.facts(paths[i]).sampleRate != 8000 + 100 * i)
                        wrong.fetchAndAddRelaxed(1);
                }
            }
        });
        threads.last()->start();
    }
    for (QThread *thread : threads) {
        QVERIFY(thread->wait(60000));
        delete thread;
    }
    QCOMPARE(wrong.loadRelaxed(), 0);
    QCOMPARE(cache.count(), paths.size());
}

void TestSoundFacts::contentHash()
{
    const QString first = m_dir.filePath(QStringLiteral("hash/first.wav"));
    const QString same = m_dir.filePath(QStringLiteral("hash/same.wav"));
    const QString other = m_dir.filePath(QStringLiteral("hash/other.wav"));
    QVERIFY(test::writeFile(first, test::makeWav(2044, 8000)));
    QVERIFY(test::writeFile(same, test::makeWav(2044, 8000)));
    QVERIFY(test::writeFile(other, test::makeWav(2044, 11025)));

    SoundFactsCache cache;
    for (const QString &path : {first, same, other})
        QVERIFY(cache.facts(path).readable);
    const QByteArray hash = cache.contentHash(first);
    QVERIFY(!hash.isEmpty());
    QCOMPARE(cache.contentHash(same), hash);
    QVERIFY(cache.contentHash(other) != hash);

    // New content under a new time is hashed again, not answered from memory.
    QFile file(first);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
    QVERIFY(file.write(test::readFile(other)) == 2044);
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(modified.addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(cache.facts(first).readable);
    QCOMPARE(cache.contentHash(first), cache.contentHash(other));

    QVERIFY(cache.contentHash(m_dir.filePath(QStringLiteral("hash/missing.wav"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestSoundFacts)
#include "tst_soundfacts.moc"
