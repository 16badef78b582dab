#include "protocol/Stability.h"

#include <QtTest>

#include <cmath>

class TstStability : public QObject {
    Q_OBJECT

private slots:
    void rule_data();
    void rule();
};

// Readings every 100 ms against a 1000 ms window and a threshold of 200 counts.
void TstStability::rule_data() {
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<bool>("stable");
    QTest::addColumn<double>("mean");

    QList<double> noise, drift, step, settled, settling, tooFew;
    for (int i = 0; i < 15; ++i) {
        noise << 10000 + (i % 2 ? 90 : -90);
        drift << 10000 + 25.0 * i;
        step << (i < 10 ? 10000 : 30000);
        // 8000 counts approaching with a 300 ms time constant: still moving for a while.
        settling << 30000 - 8000 * std::exp(-i * 100 / 300.0);
    }
    for (int i = 15; i < 40; ++i)
        settled << 30000 - 8000 * std::exp(-i * 100 / 300.0);
    tooFew << 10000 << 10000;
    // The last 11 readings of `noise` alternate around 10000, five above and six below.
    QTest::newRow("noise within threshold") << noise << true << 10000 - 90.0 / 11;
    QTest::newRow("drift 250 counts per s") << drift << false << 0.0;
    QTest::newRow("step in window") << step << false << 0.0;
    QTest::newRow("slow settle still moving") << settling << false << 0.0;
    QTest::newRow("slow settle come to rest") << settled << true << -1.0;
    QTest::newRow("window not yet covered") << tooFew << false << 0.0;
}

void TstStability::rule() {
    QFETCH(QList<double>, readings);
    QFETCH(bool, stable);
    QFETCH(double, mean);
    stability::Window window(stability::adRule());
    for (int i = 0; i < readings.size(); ++i)
        window.add(i * 100, readings.at(i));
    QCOMPARE(window.isStable(), stable);
    QVERIFY(window.spread() >= 0);
    if (stable && mean >= 0)
        QCOMPARE(window.mean(), mean);
    if (stable)
        QVERIFY(std::abs(window.mean() - readings.last()) < stability::kDefaultAdThreshold);
}

QTEST_GUILESS_MAIN(TstStability)
#include "tst_stability.moc"
