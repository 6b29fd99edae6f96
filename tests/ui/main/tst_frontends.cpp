// The window and sonquill-cli on one catalogue: a build script and the author get the same files.

#include "MainWindowHarness.h"
#include "storage/SoundLists.h"

#include <QProcess>
#include <QSignalSpy>

using namespace sonquill;
using namespace sonquill::test;

class FrontEndsTest : public QObject
{
    Q_OBJECT
private slots:
    void bothWriteTheSameBytes()
    {
        MainWindowHarness h;
        // Numbers out of order, one taken twice, one sound without a number, names and
        // categories that sort otherwise than the numbers.
        const auto sound = [&](const QString &name, qint16 number, const QString &category,
                               bool locked) {
            return makeRecord(name, number, category, locked, false,
                              h.makeSource(name + ".wav", 1000 + 100 * number));
        };
        const SoundTable table =
            h.table({sound("Alarm", 12, "zeta", true), sound("bell", 3, "Alpha", false),
                     sound("Chime", 0, "Misc", false), sound("Drum", 3, "misc", false),
                     sound("Echo", 7, "Beta", true), sound("Zap", 1, "Alpha", false)});
        const QString cliFolder = h.home() + "/Cli";
        QVERIFY(writeFile(h.catalogueIn(cliFolder), SerializeSoundInfo(table)));

        MainWindow &window = h.openWith(table);
        for (const char *entry : {"mnuUtils 2", "mnuUtils 4", "mnuUtils 6"})
            h.trigger(entry);
        QSignalSpy distributed(&window, &MainWindow::distributionFinished);
        h.press("cmdDistribute");
        QVERIFY(distributed.wait(60000));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", h.home() + "/config");
        for (const QStringList &command : {QStringList{"lists"}, {"distribute", "--no-ogg"}}) {
            QProcess cli;
            cli.setProcessEnvironment(environment);
            cli.start(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/sonquill-cli",
                      QStringList{"-g", cliFolder} + command);
            QVERIFY(cli.waitForFinished(60000));
            QVERIFY2(cli.exitStatus() == QProcess::NormalExit, qPrintable(command.first()));
        }

        for (const char *name : {kAllSoundsFileName, kLockedSoundsFileName, kPlaylistFileName,
                                 "SoundList.dat", "SoundCode.txt", kSoundInfoFileName}) {
            const QByteArray fromWindow = readFile(h.gameFolder() + "/" + name);
            QVERIFY2(!fromWindow.isEmpty(), name);
            QVERIFY2(fromWindow == readFile(cliFolder + "/" + name), name);
        }
    }
};

QTEST_MAIN(FrontEndsTest)
#include "tst_frontends.moc"
