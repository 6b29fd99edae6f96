#include "TextFit.h"
#include "ui/dialogs/FrmProgress.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace sonquill;

namespace {

int progressWindowCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += widget->objectName() == QLatin1String("frmProgress");
    return count;
}

QProgressBar *barOf(const FrmProgressSink &sink)
{
    return sink.currentWindow()->findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
}

} // namespace

class TestFrmProgress : public QObject
{
    Q_OBJECT

private slots:
    void showSetsTheTexts_data()
    {
        QTest::addColumn<bool>("showCount");
        QTest::newRow("distribution: count line hidden") << false;
        QTest::newRow("count line shown") << true;
    }
    void showSetsTheTexts()
    {
        QFETCH(bool, showCount);

        FrmProgressSink sink;
        QVERIFY(!sink.currentWindow());
        sink.ShowProgress("Distributing Files", "Copying/Encoding 12 files...", 12, showCount);
        QWidget *window = sink.currentWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window->windowTitle(), QStringLiteral("Distributing Files"));
        QCOMPARE(window->findChild<QLabel *>("Label")->text(), "Copying/Encoding 12 files...");
        auto *label2 = window->findChild<QLabel *>(QStringLiteral("Label2"));
        auto *labelMax = window->findChild<QLabel *>(QStringLiteral("LabelMax"));
        QCOMPARE(label2->text() + labelMax->text(), QStringLiteral("Number of items to load:0"));
        QCOMPARE(label2->isVisible(), showCount);
        QCOMPARE(labelMax->isVisible(), showCount);
        QCOMPARE(window->findChild<QPushButton *>("cmdClose")->text(), QStringLiteral("Close"));
        QCOMPARE(barOf(sink)->maximum(), 12);
        QCOMPARE(barOf(sink)->value(), 0);
        QCOMPARE(test::clippedControls(window), QStringList());

        sink.ShowProgress("Distributing Files", "Again", 12, showCount);
        QCOMPARE(sink.currentWindow(), window);
        QCOMPARE(progressWindowCount(), 1);
    }

    void advancesMoveTheBar_data()
    {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("advances");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("barMaximum");

        QTest::newRow("twelve advances fill a bar of 12") << 12 << 1 << 12 << 12 << 12;
        QTest::newRow("past the maximum is refused") << 5 << 2 << 3 << 4 << 5;
        QTest::newRow("below the minimum is refused") << 5 << -1 << 1 << 0 << 5;
        QTest::newRow("empty list keeps the design range") << 0 << 1 << 1 << 1 << 100;
    }
    void advancesMoveTheBar()
    {
        QFETCH(int, maximum);
        QFETCH(int, step);
        QFETCH(int, advances);
        QFETCH(int, value);
        QFETCH(int, barMaximum);

        FrmProgressSink sink;
        sink.ShowProgress("Distributing Files", "Copying 3 files...", qint16(maximum), false);
        for (int i = 0; i < advances; ++i)
            sink.AdvanceProgress(qint16(step));
        QCOMPARE(barOf(sink)->value(), value);
        QCOMPARE(barOf(sink)->maximum(), barMaximum);
    }

    void zeroMaximumKeepsTheRangeItHad()
    {
        FrmProgressSink sink;
        sink.ShowProgress("A", "first", 5, false);
        sink.AdvanceProgress(2);
        sink.ShowProgress("B", "second", 0, false);
        QCOMPARE(barOf(sink)->value(), 0);
        QCOMPARE(barOf(sink)->maximum(), 5);
    }

    void advanceAfterCloseDoesNothing()
    {
        FrmProgressSink sink;
        sink.AdvanceProgress(1);
        QCOMPARE(progressWindowCount(), 0);
        sink.ShowProgress("Distributing Files", "Copying 0 files...", 0, false);
        QPointer<QWidget> window = sink.currentWindow();
        sink.CloseProgress();
        QVERIFY(window.isNull());
        sink.AdvanceProgress(1);
        sink.keepAlive();
        QVERIFY(!sink.currentWindow());
        QCOMPARE(progressWindowCount(), 0);
    }

    void closeButtonDestroysTheWindow()
    {
        FrmProgressSink sink;
        sink.ShowProgress("Distributing Files", "Copying 4 files...", 4, false);
        sink.AdvanceProgress(3);
        QPointer<QWidget> window = sink.currentWindow();
        QTest::mouseClick(window->findChild<QPushButton *>("cmdClose"), Qt::LeftButton);
        QVERIFY(!sink.currentWindow());
        QTRY_VERIFY(window.isNull());
        sink.AdvanceProgress(1);
        QVERIFY(!sink.currentWindow());

        sink.ShowProgress("Distributing Files", "Copying 4 files...", 4, false);
        QCOMPARE(barOf(sink)->value(), 0);
        QCOMPARE(progressWindowCount(), 1);
    }
};

QTEST_MAIN(TestFrmProgress)
#include "tst_frmprogress.moc"
