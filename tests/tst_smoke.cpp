#include <QTest>
class TestSmoke : public QObject { Q_OBJECT private Q_SLOTS: void t() { QVERIFY(true); } };
QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
