#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Help, version and a mistyped option are answered on the terminal and the program ends, as
    // any program does; a window that opened instead never ends and fails the wait.
    void answersWithoutWindow_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("error");
        const QString program = qEnvironmentVariable("SONQUILL_BIN_DIR") + "/sonquill";
        const QString usage = "Usage: " + program + " [options] [FILE...]";
        const QString version = "sonquill " SONQUILL_VERSION;
        QTest::newRow("--help") << "--help" << 0 << usage << "";
        QTest::newRow("-h") << "-h" << 0 << usage << "";
        QTest::newRow("--version") << "--version" << 0 << version << "";
        QTest::newRow("-v") << "-v" << 0 << version << "";
        QTest::newRow("unknown option") << "--helpp" << 2 << ""
                                        << "sonquill: Unknown option 'helpp'. (see --help)\n";
    }
    void answersWithoutWindow()
    {
        QFETCH(QString, argument);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        QFETCH(QString, error);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        // As on a desktop, so that Qt has nothing to warn about.
        environment.insert("XDG_RUNTIME_DIR", home.path());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("SONQUILL_BIN_DIR") + "/sonquill", {argument});
        const bool ended = process.waitForFinished(30000);
        if (!ended) {
            process.kill();
            process.waitForFinished();
        }
        QVERIFY2(ended, "the program was still running: it opened its window");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), exitCode);
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(output.section('\n', 0, 0), firstLine);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), error);
    }
};

QTEST_GUILESS_MAIN(TestApp)
#include "tst_app.moc"
