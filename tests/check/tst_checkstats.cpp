#include "device/check/CheckSequence.h"
#include "protocol/CheckStatistics.h"

#include <QtTest>

using Values = QList<double>;

class TstCheckStats : public QObject {
    Q_OBJECT

private slots:
    void knownDataSet_data();
    void knownDataSet();
    void badInput_data();
    void badInput();
};

// One check worked by hand: loads 0, 500 and 1000 g, d = 0.1 g, test weights U = 0.1 g; rising 0.0, 500.2,
// 1000.3; falling 0.1, 500.4; 500 g placed five times: 500.1, 500.3, 500.2, 500.4, 500.0.
//   s = sqrt((0.01 + 0.01 + 0 + 0.04 + 0.04) / 4) = 0.158114
//   u(E)^2 = 2 (0.1^2 / 12) + s^2 + (0.1 / 2)^2 = 0.0016667 + 0.025 + 0.0025 = 0.0291667
//   U = 2 u(E) = 0.341565 at every load
void TstCheckStats::knownDataSet_data() {
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<bool>("missing500Rising");
    QTest::addColumn<Values>("limits");
    QTest::addColumn<QList<int>>("passed"); // per load: 1 pass, 0 fail, -1 not judged
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("overall");

    QTest::newRow("0.3 g: 500 g falling too far")
        << "0.3 g" << false << Values{0.3, 0.3, 0.3} << QList<int>{1, 0, 1} << true << false;
    QTest::newRow("0.5 g: all within")
        << "0.5" << false << Values{0.5, 0.5, 0.5} << QList<int>{1, 1, 1} << true << true;
    // At 0 g a percentage would allow nothing: the limit is one division.
    QTest::newRow("0.05% of load") << "0.05%" << false << Values{0.1, 0.25, 0.5} << QList<int>{1, 0, 1}
                                   << true << false;
    QTest::newRow("no tolerance: no verdict")
        << "" << false << Values{0, 0, 0} << QList<int>{-1, -1, -1} << true << false;
    QTest::newRow("a reading missing")
        << "0.5" << true << Values{0.5, 0.5, 0.5} << QList<int>{1, -1, 1} << false << false;
}

void TstCheckStats::knownDataSet() {
    QFETCH(QString, tolerance);
    QFETCH(bool, missing500Rising);
    QFETCH(Values, limits);
    QFETCH(QList<int>, passed);
    QFETCH(bool, complete);
    QFETCH(bool, overall);
    QString error;
    checkstats::Input in;
    in.loads = {0, 500, 1000};
    in.rising = {0.0, 500.2, 1000.3};
    if (missing500Rising)
        in.rising[1] = std::nullopt;
    in.falling = {0.1, 500.4, std::nullopt};
    in.repeats = {500.1, 500.3, 500.2, 500.4, 500.0};
    in.repeatLoad = 500;
    in.division = 0.1;
    in.weightUncertainty = *checkstats::parseAmount(QStringLiteral("0.1 g"), &error);
    in.judged = !tolerance.isEmpty();
    if (in.judged)
        in.tolerance = *checkstats::parseAmount(tolerance, &error);
    const checkstats::Result result = checkstats::evaluate(in);

    QVERIFY(result.repeatabilityDeviation);
    QVERIFY(qAbs(*result.repeatabilityDeviation - 0.158114) < 1e-6);
    QVERIFY(qAbs(*result.repeatMean - 500.2) < 1e-9);
    QCOMPARE(result.rows.size(), 3);
    const Values risingErrors{0.0, 0.2, 0.3};
    const Values fallingErrors{0.1, 0.4};
    const Values hysteresis{0.1, 0.2};
    for (int i = 0; i < 3; ++i) {
        const checkstats::Row &row = result.rows.at(i);
        QVERIFY(qAbs(*row.uncertainty - 0.341565) < 1e-6);
        QVERIFY(qAbs(row.limit - limits.at(i)) < 1e-9);
        QCOMPARE(row.passed.has_value(), passed.at(i) >= 0);
        if (row.passed)
            QCOMPARE(*row.passed, passed.at(i) == 1);
        QCOMPARE(row.risingError.has_value(), !(missing500Rising && i == 1));
        if (row.risingError)
            QVERIFY(qAbs(*row.risingError - risingErrors.at(i)) < 1e-9);
        QCOMPARE(row.fallingError.has_value(), i < 2);
        if (i < 2) {
            QVERIFY(qAbs(*row.fallingError - fallingErrors.at(i)) < 1e-9);
            QCOMPARE(row.hysteresis.has_value(), !(missing500Rising && i == 1));
            if (row.hysteresis)
                QVERIFY(qAbs(*row.hysteresis - hysteresis.at(i)) < 1e-9);
        }
    }
    QCOMPARE(result.complete, complete);
    QCOMPARE(result.passed, overall);
}

// Each refused before anything is sent, with a reason the technician can act on.
void TstCheckStats::badInput_data() {
    QTest::addColumn<QString>("loads");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QString>("reason"); // empty: accepted

    QTest::newRow("fine") << "0, 500,1000"
                          << "1" << 2 << 5 << "";
    QTest::newRow("not rising") << "0,1000,500"
                                << "1" << 2 << 5 << "must rise: 500 g comes after 1000 g";
    QTest::newRow("repeated load") << "0,500,500"
                                   << "1" << 2 << 5 << "must rise";
    QTest::newRow("one load") << "500"
                              << "1" << 2 << 5 << "At least 2 test loads";
    QTest::newRow("four for the screen") << "0,1,2,3"
                                         << "1" << 5 << 5 << "At least 5 test loads";
    QTest::newRow("negative load") << "-5,500"
                                   << "1" << 2 << 5 << "-5 g is negative";
    QTest::newRow("empty load") << "0,,500"
                                << "1" << 2 << 5 << "Test load 2 is empty";
    QTest::newRow("nothing") << " "
                             << "1" << 2 << 5 << "No test loads";
    QTest::newRow("not a number") << "0,5OO"
                                  << "1" << 2 << 5 << "\"5OO\" is not a number";
    QTest::newRow("tolerance 0") << "0,500"
                                 << "0" << 2 << 5 << "tolerance must be greater than 0";
    QTest::newRow("tolerance 0%") << "0,500"
                                  << "0%" << 2 << 5 << "tolerance must be greater than 0";
    QTest::newRow("tolerance negative") << "0,500"
                                        << "-1" << 2 << 5 << "is negative";
    QTest::newRow("tolerance text") << "0,500"
                                    << "one" << 2 << 5 << "not a number of grams";
    QTest::newRow("one placing") << "0,500"
                                 << "1" << 2 << 1 << "2 to 100 times";
}

void TstCheckStats::badInput() {
    QFETCH(QString, loads);
    QFETCH(QString, tolerance);
    QFETCH(int, minimum);
    QFETCH(int, repeat);
    QFETCH(QString, reason);
    QString error;
    CheckSetup setup;
    setup.minimumLoads = minimum;
    setup.repeatCount = repeat;
    const std::optional<QList<double>> parsed = checkstats::parseLoads(loads, &error);
    const std::optional<checkstats::Amount> limit = checkstats::parseAmount(tolerance, &error);
    if (parsed && limit) {
        setup.loads = *parsed;
        setup.tolerance = *limit;
        error = checkSetupProblem(setup);
    }
    QVERIFY2(reason.isEmpty() ? error.isEmpty() : error.contains(reason), qPrintable(error));
}

QTEST_GUILESS_MAIN(TstCheckStats)
#include "tst_checkstats.moc"
