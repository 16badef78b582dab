// WeightHistory: the envelope keeps every extreme, breaks survive folding, memory stays bounded, drawing
// costs the resolution asked for.
#include "app/plot/WeightHistory.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

// A reading every 0.1 s: a slow wave with a spike every `spikeEvery` readings.
double signal(long i, long spikeEvery) {
    const double wave = 100.0 * std::sin(static_cast<double>(i) * 0.001);
    return i % spikeEvery == spikeEvery / 2 ? wave + 5000.0 + static_cast<double>(i % 13) : wave;
}

} // namespace

class TestWeightHistory : public QObject {
    Q_OBJECT

private slots:
    void everyExtremeSurvives_andMemoryIsBounded_data() {
        QTest::addColumn<long>("readings");
        QTest::addColumn<double>("fullResolution");
        QTest::addColumn<std::size_t>("maxBuckets");

        QTest::newRow("all raw") << 3000L << 600.0 << std::size_t(64);
        QTest::newRow("envelope, no merge") << 20000L << 60.0 << std::size_t(4096);
        QTest::newRow("envelope merged many times") << 400000L << 60.0 << std::size_t(64);
        QTest::newRow("a week at a tiny budget") << 6048000L << 3600.0 << std::size_t(256);
    }

    void everyExtremeSurvives_andMemoryIsBounded() {
        QFETCH(long, readings);
        QFETCH(double, fullResolution);
        QFETCH(std::size_t, maxBuckets);

        WeightHistory history(fullResolution, 1.0, maxBuckets);
        const long spikeEvery = 997;
        std::vector<std::pair<double, double>> spikes;
        double lo = 1e300;
        double hi = -1e300;
        for (long i = 0; i < readings; ++i) {
            const double t = static_cast<double>(i) / 10.0;
            const double value = signal(i, spikeEvery);
            history.append(t, value);
            lo = std::min(lo, value);
            hi = std::max(hi, value);
            if (i % spikeEvery == spikeEvery / 2)
                spikes.emplace_back(t, value);
        }
        const double end = static_cast<double>(readings - 1) / 10.0;

        // Bounded: the last stretch raw, the rest in at most maxBuckets buckets, whatever the length.
        QVERIFY(history.bucketCount() <= maxBuckets);
        QVERIFY(history.recentCount() <= static_cast<std::size_t>(fullResolution * 10) + 2);
        QVERIFY(history.memoryBytes() <=
                2 * (maxBuckets * 32 + static_cast<std::size_t>(fullResolution) * 10 * 16));

        double foundLo = 0;
        double foundHi = 0;
        QVERIFY(history.extremes(0, end, foundLo, foundHi));
        QCOMPARE(foundLo, lo);
        QCOMPARE(foundHi, hi);

        // Drawn at one bin per 1/1000 of the range: bounded, never beyond what was read, and every spike
        // reaches its height within its bucket (several spikes in one bucket show as the highest).
        const double resolution = end / 1000;
        std::vector<WeightHistory::Point> drawn;
        history.query(0, end, resolution, drawn);
        QVERIFY2(drawn.size() <= 2 * 1000 + 16, qPrintable(QString::number(drawn.size())));
        for (const WeightHistory::Point &p : drawn)
            QVERIFY(p.value >= lo && p.value <= hi);
        const double slack = std::max(resolution, history.bucketSeconds()) + 0.1;
        for (const auto &[t, value] : spikes) {
            const bool shown = std::any_of(drawn.begin(), drawn.end(), [&](const WeightHistory::Point &p) {
                return p.value >= value && std::abs(p.t - t) <= slack;
            });
            QVERIFY2(shown, qPrintable(QStringLiteral("spike %1 at %2").arg(value).arg(t)));
            // The read-out at the spike's moment includes it.
            const WeightHistory::Reading reading = history.at(t, 1.0);
            QVERIFY(reading.found && reading.lo <= value && reading.hi >= value);
        }
    }

    // A gap among the recent raw readings is drawn through the real plot in tests/qml/tst_plot.qml.
    void gaps_breakTheLineInTheEnvelope() {
        // Readings 0-50 s, silence 50-80 s, readings 80-100 s, then 200 s more to push the gap into the
        // envelope.
        WeightHistory history(10.0, 1.0, 4096);
        const auto run = [&history](double from, double to, double value) {
            for (double t = from; t < to; t += 0.1)
                history.append(t, value);
        };
        run(0, 50, 1);
        history.breakLine();
        run(80, 100, 2);
        run(100, 300, 3);

        std::vector<WeightHistory::Point> drawn;
        history.query(0, 110, 0.1, drawn);
        int breaks = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            if (!std::isnan(drawn[i].value))
                continue;
            ++breaks;
            // The break lies between the last reading before the silence and the first after it.
            QVERIFY(i > 0 && i + 1 < drawn.size());
            QCOMPARE(drawn[i - 1].value, 1.0);
            QCOMPARE(drawn[i + 1].value, 2.0);
        }
        QCOMPARE(breaks, 1);
        // No value inside the silence: neither drawn nor read out.
        for (const WeightHistory::Point &p : drawn)
            QVERIFY(std::isnan(p.value) || p.t < 51 || p.t > 79);
        QVERIFY(!history.at(65, 1.0).found);
        QVERIFY(history.at(90, 1.0).found);
    }
};

QTEST_APPLESS_MAIN(TestWeightHistory)

#include "tst_weighthistory.moc"
