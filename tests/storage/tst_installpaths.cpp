// Where the programs find their help page, in a build tree and in an installation with any prefix.
#include "storage/InstallPaths.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace sonquill;

class TestInstallPaths : public QObject
{
    Q_OBJECT

private slots:
    void locateHelpFile_data();
    void locateHelpFile();
};

void TestInstallPaths::locateHelpFile_data()
{
    // Paths relative to a temporary root; the program runs from "prefix/bin".
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("expected");

    const QString beside = QStringLiteral("prefix/bin/SonquillHelp.html");
    const QString installed =
        QStringLiteral("prefix/bin/" SONQUILL_DOC_FROM_BIN "/SonquillHelp.html");

    QTest::newRow("build tree: the page beside the program")
        << QStringList{beside} << QStringList{} << beside;
    QTest::newRow("installed: the page in the documentation folder")
        << QStringList{installed} << QStringList{} << QDir::cleanPath(installed);
    QTest::newRow("both: the page beside the program wins")
        << QStringList{beside, installed} << QStringList{} << beside;
    QTest::newRow("neither: the message names the place beside the program")
        << QStringList{} << QStringList{} << beside;
    QTest::newRow("a folder named like the page is not the page")
        << QStringList{installed} << QStringList{beside} << QDir::cleanPath(installed);
}

void TestInstallPaths::locateHelpFile()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    QVERIFY(dir.mkpath(QStringLiteral("prefix/bin")));
    for (const QString &file : std::as_const(files))
        QVERIFY(test::writeFile(dir.filePath(file), "<html></html>\n"));
    for (const QString &folder : std::as_const(folders))
        QVERIFY(dir.mkpath(folder));

    QCOMPARE(QDir::fromNativeSeparators(LocateHelpFile(dir.filePath(QStringLiteral("prefix/bin")))),
             dir.filePath(expected));
}

QTEST_GUILESS_MAIN(TestInstallPaths)
#include "tst_installpaths.moc"
