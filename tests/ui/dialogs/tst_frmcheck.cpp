#include "ui/dialogs/FrmCheck.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using namespace sonquill;
using Severity = Finding::Severity;

namespace {

QList<Finding> threeFindings()
{
    return {
        {Severity::Error, 2, 7, QStringLiteral("Door Creak"), QStringLiteral("/s/door.wav"),
         QStringLiteral("the source file /s/door.wav is missing")},
        {Severity::Warning, 5, 12, QStringLiteral("Bell"), QStringLiteral("/s/bell.ogg"),
         QStringLiteral("the sound has no category")},
        {Severity::Note, 9, 30, QString(), QStringLiteral("/s/rain.wav"),
         QStringLiteral("Ogg encoding is off; at quality 3 it would save about 812 kB")},
    };
}

} // namespace

class TestFrmCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsFindings();
    void doubleClickNamesSound_data();
    void doubleClickNamesSound();
};

void TestFrmCheck::showsFindings()
{
    FrmCheck form;
    form.setFindings(threeFindings());
    form.setFindings(threeFindings()); // a refill replaces, never adds
    QCOMPARE(form.windowTitle(), QStringLiteral("Check Sounds"));

    const auto *tree = form.findChild<QTreeWidget *>(QStringLiteral("treeFindings"));
    QVERIFY(tree);
    QCOMPARE(tree->topLevelItemCount(), 3);
    const QTreeWidgetItem *second = tree->topLevelItem(1);
    QCOMPARE(second->text(0), QStringLiteral("warning"));
    QCOMPARE(second->text(1), QStringLiteral("#12 Bell"));
    QCOMPARE(second->text(2), QStringLiteral("the sound has no category"));
    QCOMPARE(tree->topLevelItem(2)->text(1), QStringLiteral("#30"));
    QCOMPARE(form.findChild<QLabel *>(QStringLiteral("lblSummary"))->text(),
             QStringLiteral("1 error, 1 warning, 1 note"));

    form.setFindings({});
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCOMPARE(form.findChild<QLabel *>(QStringLiteral("lblSummary"))->text(),
             QStringLiteral("No problems found"));
}

void TestFrmCheck::doubleClickNamesSound_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("tableIndex");
    QTest::newRow("first row") << 0 << 2;
    QTest::newRow("middle row") << 1 << 5;
    QTest::newRow("row of a sound without a name") << 2 << 9;
}

void TestFrmCheck::doubleClickNamesSound()
{
    QFETCH(int, row);
    QFETCH(int, tableIndex);

    FrmCheck form;
    form.setFindings(threeFindings());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *tree = form.findChild<QTreeWidget *>(QStringLiteral("treeFindings"));
    QSignalSpy activated(&form, &FrmCheck::soundActivated);

    const QRect rect = tree->visualItemRect(tree->topLevelItem(row));
    QVERIFY(rect.isValid());
    // A real double-click: the first click's press and release, then the double-click.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(activated.count(), 0);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());

    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.at(0).at(0).toInt(), tableIndex);
}

QTEST_MAIN(TestFrmCheck)
#include "tst_frmcheck.moc"
