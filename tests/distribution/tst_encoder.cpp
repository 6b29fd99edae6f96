#include "catalogue/SoundTable.h"
#include "distribution/Distribution.h"
#include "distribution/Encoder.h"
#include "distribution/ProcessRunner.h"
#include "support/ScriptedUi.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(sonquill::OggSettings)

using namespace sonquill;
using test::readFile;
using test::writeFile;

namespace {

// Sets PATH for the lifetime of the object.
class ScopedPath
{
public:
    explicit ScopedPath(const QByteArray &path) : m_old(qgetenv("PATH")) { qputenv("PATH", path); }
    ~ScopedPath() { qputenv("PATH", m_old); }

private:
    QByteArray m_old;
};

QString writeScript(const QString &path, const QByteArray &body)
{
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Process ids of this process's children that have ended but were never reaped.
QStringList zombieChildren()
{
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    QStringList zombies;
    QDirIterator entries(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QByteArray stat = readFile(entries.filePath() + QStringLiteral("/stat"));
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] == "Z" && fields[1] == self)
            zombies.append(entries.fileName());
    }
    return zombies;
}

OggSettings builtIn(qint16 quality = 3)
{
    OggSettings settings;
    settings.UseCustom = 0;
    settings.Quality = quality;
    return settings;
}

OggSettings custom(const QString &templateText)
{
    OggSettings settings;
    settings.UseCustom = 1;
    settings.CustomPath = templateText;
    return settings;
}

} // namespace

class TestEncoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void locateEncoder_data();
    void locateEncoder();
    void buildCommand_data();
    void buildCommand();
    void builtInCommandSplitsBackIntoPaths_data();
    void builtInCommandSplitsBackIntoPaths();
    void namesAreNeverExecuted();
    void slowEncoderOutlivesTheWait();
};

void TestEncoder::locateEncoder_data()
{
    QTest::addColumn<QString>("placedAt"); // relative to the temporary folder, empty: nowhere
    QTest::addColumn<QByteArray>("searchPath");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("encoderPath"); // %1 the program folder

    QTest::newRow("beside the program") << "bin/oggenc2" << QByteArray() << true << "%1/oggenc2";
    QTest::newRow("in the parent folder, path kept with ..")
        << "oggenc2" << QByteArray() << true << "%1/../oggenc2";
    QTest::newRow("oggenc on the search path")
        << QString() << QByteArray("/usr/bin") << true << "/usr/bin/oggenc";
    QTest::newRow("nowhere") << QString() << QByteArray() << false << "oggenc";
}

void TestEncoder::locateEncoder()
{
    QFETCH(QString, placedAt);
    QFETCH(QByteArray, searchPath);
    QFETCH(bool, found);
    QFETCH(QString, encoderPath);

    QTemporaryDir dir;
    const QString programFolder = dir.filePath("bin");
    QDir().mkpath(programFolder);
    QDir().mkpath(dir.filePath("empty"));
    if (!placedAt.isEmpty())
        writeScript(dir.filePath(placedAt), "exit 0");
    const ScopedPath path(searchPath.isEmpty() ? QFile::encodeName(dir.filePath("empty"))
                                               : searchPath);

    const EncoderLocation location = LocateEncoder(programFolder);
    QCOMPARE(location.found, found);
    QCOMPARE(location.EncoderPath, encoderPath.arg(programFolder));
}

void TestEncoder::buildCommand_data()
{
    QTest::addColumn<OggSettings>("settings");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("command");

    QTest::newRow("default template, nothing quoted")
        << custom("c:\\MyEncoder.exe %1 %2") << "D:\\Sfx\\My Door.wav"
        << "C:\\G\\SOUND5.ogg"
        << "c:\\MyEncoder.exe D:\\Sfx\\My Door.wav C:\\G\\SOUND5.ogg";
    QTest::newRow("every occurrence, %2 before %1") << custom("enc -o %2 %1 %1") << "a.wav"
                                                    << "b.ogg"
                                                    << "enc -o b.ogg a.wav a.wav";
    QTest::newRow("a %2 inside the source is replaced too")
        << custom("enc %1 %2") << "/s/100%2off.wav"
        << "/g/SOUND1.ogg"
        << "enc /s/100/g/SOUND1.oggoff.wav /g/SOUND1.ogg";
    QTest::newRow("template without placeholders") << custom("\"my enc\" --fixed") << "a.wav"
                                                   << "b.ogg"
                                                   << "\"my enc\" --fixed";
    QTest::newRow("built-in quality 10") << builtIn(10) << "/s/a.wav"
                                         << "/g/SOUND1.ogg"
                                         << "\"/p/oggenc\" \"/s/a.wav\" -o \"/g/SOUND1.ogg\" -q10";
    QTest::newRow("built-in quality 0") << builtIn(0) << "/s/a b.wav"
                                        << "/g/SOUND1.ogg"
                                        << "\"/p/oggenc\" \"/s/a b.wav\" -o \"/g/SOUND1.ogg\" -q0";
}

void TestEncoder::buildCommand()
{
    QFETCH(OggSettings, settings);
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(QString, command);

    QCOMPARE(BuildEncoderCommand(settings, QStringLiteral("/p/oggenc"), source, destination),
             command);
}

void TestEncoder::builtInCommandSplitsBackIntoPaths_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");

    QTest::newRow("blanks") << "/my games/one"
                            << "Door  Slam.wav";
    QTest::newRow("quote inside") << "/g"
                                  << "Say \"hi\".wav";
    QTest::newRow("quote first and last") << "/g\""
                                          << "\"Door\".wav";
    QTest::newRow("three quotes") << "/g"
                                  << "a\"\"\"b.wav";
    QTest::newRow("shell syntax") << "/g;rm -rf ~"
                                  << "$(touch pwned); `id`.wav";
    QTest::newRow("non-ASCII") << "/spiele/Türen"
                               << "Tür – knarrt ü.wav";
}

void TestEncoder::builtInCommandSplitsBackIntoPaths()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);

    const QString encoder = folder + QStringLiteral("/oggenc2");
    const QString source = folder + QLatin1Char('/') + name;
    const QString destination = folder + QStringLiteral("/SOUND5.ogg");
    const QStringList parts =
        QProcess::splitCommand(BuildEncoderCommand(builtIn(), encoder, source, destination));
    QCOMPARE(parts, (QStringList{encoder, source, "-o", destination, "-q3"}));
}

void TestEncoder::namesAreNeverExecuted()
{
    // A game folder and a source whose names look like shell commands, encoded by the real
    // oggenc: the files arrive and no command hidden in a name runs.
    QTemporaryDir dir;
    const QString game = dir.filePath("game $(touch pwned1); touch pwned2 'x' \"q\" Spiel ä");
    const QString source = dir.filePath("sfx/`touch pwned3` ; Tür \"knarrt\" $HOME.wav");
    QVERIFY(QDir().mkpath(game));
    QVERIFY(writeFile(source, test::makeWav(6000)));
    SoundRecord record;
    record.filename = source;
    record.name = QStringLiteral("Tür");
    record.number = 4;
    record.size = 6000;
    SoundTable table;
    table.replaceAll({record});
    DistributionOptions options;
    options.OggUse = true;
    options.programFolder = dir.filePath("sfx");
    test::ScriptedUi ui;
    test::RecordingProgress progress;
    SystemProcessRunner runner;
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const DistributionResult result = Distribute(table, game, options, {ui, progress, runner});
    QDir::setCurrent(workingFolder);

    QCOMPARE(result.ErrorText, QString());
    QVERIFY(readFile(game + "/SOUND4.ogg").startsWith("OggS"));
    const QStringList pwned =
        QDir(dir.path()).entryList({"pwned*"}) + QDir(game).entryList({"pwned*"}) +
        QDir(dir.filePath("sfx")).entryList({"pwned*"}) + QDir(workingFolder).entryList({"pwned*"});
    QCOMPARE(pwned, QStringList());
}

void TestEncoder::slowEncoderOutlivesTheWait()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("finished");
    const QString program = writeScript(dir.filePath("slow encoder"), "sleep 1\ntouch \"$1\"");

    SystemProcessRunner runner;
    int idleCalls = 0;
    const RunResult result = runner.RunAndWait("\"" + program + "\" \"" + marker + "\"", true, 200,
                                               [&idleCalls] { ++idleCalls; });

    QCOMPARE(int(result.outcome), int(RunResult::Outcome::StillRunning));
    QVERIFY(idleCalls > 0);
    QVERIFY(!QFile::exists(marker));
    // Not killed: it finishes its work later, and is reaped once it has.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(zombieChildren().isEmpty(), 10000);
}

QTEST_GUILESS_MAIN(TestEncoder)
#include "tst_encoder.moc"
