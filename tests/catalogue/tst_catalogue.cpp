#include <QTest>
class TestCatalogue : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
