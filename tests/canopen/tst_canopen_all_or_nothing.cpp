// The CANopen commands that write several entries, against a simulated node that refuses one chosen write:
// the node holds afterwards what it held before, and the outcome says so.
#include "CanTestBus.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QSignalSpy>
#include <QTest>

namespace {
constexpr uint8_t kNode = 4;
const QStringList kWatched = {"2003 0", "2004 0", "2006 0", "200E 0", "200F 0",
                              "2018 0", "2019 0", "201A 0", "2025 2"};
} // namespace

class TestCanOpenAllOrNothing : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;

    QStringList snapshot() {
        QStringList held;
        for (const QString &entry : kWatched)
            held << m_nodes.command(QStringLiteral("get ") + entry);
        return held;
    }

private slots:
    void initTestCase() {
        const QString error = cantest::startBus(m_nodes, {kNode});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void cleanup() { m_nodes.resetNodes(); }

    void refusedAtEachStep_leavesTheNodeAsItWas_data() {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("outcome");
        const QString back = QStringLiteral("; the previous %1 written back and read back.");
        const struct {
            const char *verb, *failed, *previous;
            QStringList entries; // the first one is the command's first write
        } kinds[] = {
            {"calibrate", "Calibration", "calibration was", {"200E:00", "200F:00", "2004:00", "2006:00"}},
            {"filters", "Filter settings", "settings were", {"2018:00", "2019:00", "201A:00"}},
            {"zero", "Zero", "zero point and tare switch were", {"2025:02"}},
            {"tare", "Tare", "zero point and tare switch were", {"2025:02"}},
        };
        for (const auto &kind : kinds) {
            for (const QString &entry : kind.entries)
                QTest::addRow("%s at %s", kind.verb, qPrintable(entry))
                    << kind.verb << entry
                    << QStringLiteral("%1 failed: refused at 0x%2 (SDO abort 0x08000020)%3")
                           .arg(kind.failed, entry,
                                entry == "200E:00" || entry == "2018:00"
                                    ? QStringLiteral("; nothing was changed (read back).")
                                    : back.arg(kind.previous));
        }
    }
    void refusedAtEachStep_leavesTheNodeAsItWas() {
        QFETCH(QString, verb);
        QFETCH(QString, entry);
        QFETCH(QString, outcome);
        QCOMPARE(m_nodes.command(QStringLiteral("load 300")), QStringLiteral("OK"));
        CANOpenAmplifier amp(QStringLiteral("M"), QString(), 0, kNode);
        amp.connect();
        QVERIFY(amp.isConnected());
        // A zero point of its own, so that writing one is a change.
        amp.writeFilterSettings({{"zeroPoint", 1234}});
        const QStringList where = entry.split(QLatin1Char(':'));
        QCOMPARE(m_nodes.command(QStringLiteral("refuse %1 %2 1").arg(where[0], where[1])),
                 QStringLiteral("OK"));
        const QStringList before = snapshot();
        QSignalSpy finished(&amp, &CANOpenAmplifier::commandFinished);
        if (verb == "calibrate")
            amp.calibrateTwoPoints(90000, 130000, 2000);
        else if (verb == "filters")
            amp.writeFilterSettings({{"firFiltering", 1}, {"filteringLevel", 4}, {"filteringBandwidth", 20}});
        else if (verb == "zero")
            amp.zero();
        else
            amp.tare();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), verb);
        QCOMPARE(finished.at(0).at(1).toBool(), false);
        QCOMPARE(finished.at(0).at(2).toString(), outcome);
        QCOMPARE(snapshot(), before);
        QVERIFY(!amp.isTareActive());
    }
};

QTEST_MAIN(TestCanOpenAllOrNothing)
#include "tst_canopen_all_or_nothing.moc"
