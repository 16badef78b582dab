#include "SimulatorProcess.h"
#include "device/check/StableCapture.h"
#include "device/rs232/RS232Amplifier.h"
#include "protocol/Stability.h"

#include <QtTest>

#include <cmath>

class TstStability : public QObject {
    Q_OBJECT

private slots:
    void rule_data();
    void rule();
    void captureWaitsForRest_data();
    void captureWaitsForRest();
};

// Readings every 100 ms against a 1000 ms window and a threshold of 200 counts.
void TstStability::rule_data() {
    QTest::addColumn<QList<double>>("readings");
    QTest::addColumn<bool>("stable");
    QTest::addColumn<double>("mean");

    QList<double> noise, drift, creep, step, settled, settling, tooFew;
    for (int i = 0; i < 15; ++i) {
        noise << 10000 + (i % 2 ? 90 : -90);
        drift << 10000 + 25.0 * i;
        // 100 counts a second: within the spread, but the mean would lag the reading by 50 counts.
        creep << 10000 + 10.0 * i;
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
    QTest::newRow("creep within the spread") << creep << false << 0.0;
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

// An RS232 amplifier read by the AD worker while the simulator's load settles; the capture must give the
// settled value, not one on the way, or nothing at all when the load never comes to rest.
void TstStability::captureWaitsForRest_data() {
    QTest::addColumn<QString>("motion"); // simulator commands after the start at AD 100000
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<bool>("captured");

    QTest::newRow("slow settle") << "settle 1 600;load 1 300000" << 20000 << true;
    QTest::newRow("settle and creep") << "settle 1 300;creep 1 150 400;load 1 300000" << 20000 << true;
    QTest::newRow("noise at rest") << "noise 1 60;load 1 300000" << 20000 << true;
    QTest::newRow("never at rest") << "steps 1 300000,301000 150" << 2500 << false;
}

void TstStability::captureWaitsForRest() {
    QFETCH(QString, motion);
    QFETCH(int, timeoutMs);
    QFETCH(bool, captured);
    SimulatorProcess sim({"--load", "100000"});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    RS232Amplifier amplifier(QStringLiteral("AmplifierModel"), sim.port(), 9600);
    amplifier.connect();
    QVERIFY(amplifier.isConnected());
    StableCapture capture;
    capture.follow(&amplifier, StableCapture::Source::AdValue);
    QSignalSpy done(&capture, &StableCapture::captured);
    QSignalSpy timedOut(&capture, &StableCapture::timedOut);
    amplifier.startContinuousADRead(50);
    for (const QString &command : motion.split(QLatin1Char(';')))
        QCOMPARE(sim.command(command), QStringLiteral("OK"));
    capture.captureFresh(timeoutMs);
    QVERIFY(capture.isWaiting());
    QTRY_VERIFY_WITH_TIMEOUT(done.size() + timedOut.size() == 1, timeoutMs + 5000);
    amplifier.stopContinuousADRead();
    QCOMPARE(done.size(), captured ? 1 : 0);
    QVERIFY(!capture.isWaiting());
    if (captured) {
        // At rest means within the threshold of where the load ends (creep included).
        const double value = done.first().at(0).toDouble();
        QVERIFY2(value > 300000 - stability::kDefaultAdThreshold &&
                     value < 300150 + stability::kDefaultAdThreshold,
                 qPrintable(QString::number(value)));
        QCOMPARE(done.first().at(1).toBool(), false);
    } else {
        QVERIFY2(timedOut.first().at(0).toString().contains(QLatin1String("No stable reading within 2.5 s")),
                 qPrintable(timedOut.first().at(0).toString()));
        // "Capture anyway" takes the moving value and says so.
        QVERIFY(capture.captureAnyway());
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().at(1).toBool(), true);
    }
}

QTEST_GUILESS_MAIN(TstStability)
#include "tst_stability.moc"
