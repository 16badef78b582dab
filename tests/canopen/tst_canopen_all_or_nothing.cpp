// The CANopen commands that write several entries, against a simulated node that refuses one chosen write:
// the node holds afterwards what it held before, and the outcome says so.
#include "CanTestBus.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {
constexpr uint8_t kNode = 4;
using Command = std::function<void(CANOpenAmplifier &)>;
const QStringList kWatched = {"2003 0", "2004 0", "2006 0", "200E 0", "200F 0",
                              "2018 0", "2019 0", "201A 0", "2025 2"};
} // namespace
Q_DECLARE_METATYPE(Command)

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
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refuse"); // simulator arguments after "refuse"
        QTest::addColumn<QString>("outcome");
        const Command twoPoints = [](CANOpenAmplifier &a) {
            a.calibrateTwoPoints(90000, 130000, 2000);
        };
        const Command filters = [](CANOpenAmplifier &a) {
            a.writeFilterSettings({{"firFiltering", 1}, {"filteringLevel", 4}, {"filteringBandwidth", 20}});
        };
        const QString refused = QStringLiteral("refused at %1 (SDO abort 0x08000020)");
        const QString back = QStringLiteral("; the previous %1 written back and read back.");
        const QString unchanged = QStringLiteral("; nothing was changed (read back).");
        QTest::newRow("two points at 0x200E")
            << twoPoints << "calibrate"
            << "200E 0 1"
            << "Calibration failed: " + refused.arg("0x200E:00") + unchanged;
        for (const char *entry : {"0x200F:00", "0x2004:00", "0x2006:00"})
            QTest::addRow("two points at %s", entry)
                << twoPoints << "calibrate" << QString(entry).mid(2, 4) + " 0 1"
                << "Calibration failed: " + refused.arg(entry) + back.arg("calibration was");
        QTest::newRow("filters at 0x2018")
            << filters << "filters"
            << "2018 0 1"
            << "Filter settings failed: " + refused.arg("0x2018:00") + unchanged;
        for (const char *entry : {"0x2019:00", "0x201A:00"})
            QTest::addRow("filters at %s", entry)
                << filters << "filters" << QString(entry).mid(2, 4) + " 0 1"
                << "Filter settings failed: " + refused.arg(entry) + back.arg("settings were");
        const QString zeroAndSwitch = back.arg("zero point and tare switch were");
        QTest::newRow("zero at the switch") << Command([](CANOpenAmplifier &a) { a.zero(); }) << "zero"
                                            << "2025 2 1"
                                            << "Zero failed: " + refused.arg("0x2025:02") + zeroAndSwitch;
        QTest::newRow("tare at the switch") << Command([](CANOpenAmplifier &a) { a.tare(); }) << "tare"
                                            << "2025 2 1"
                                            << "Tare failed: " + refused.arg("0x2025:02") + zeroAndSwitch;
    }
    void refusedAtEachStep_leavesTheNodeAsItWas() {
        QFETCH(Command, command);
        QFETCH(QString, name);
        QFETCH(QString, refuse);
        QFETCH(QString, outcome);
        QCOMPARE(m_nodes.command(QStringLiteral("load 300")), QStringLiteral("OK"));
        CANOpenAmplifier amp(QStringLiteral("M"), QString(), 0, kNode);
        amp.connect();
        QVERIFY(amp.isConnected());
        // A zero point of its own, so that writing one is a change.
        amp.writeFilterSettings({{"zeroPoint", 1234}});
        QCOMPARE(m_nodes.command(QStringLiteral("refuse ") + refuse), QStringLiteral("OK"));
        const QStringList before = snapshot();
        QSignalSpy finished(&amp, &CANOpenAmplifier::commandFinished);
        command(amp);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), name);
        QCOMPARE(finished.at(0).at(1).toBool(), false);
        QCOMPARE(finished.at(0).at(2).toString(), outcome);
        QCOMPARE(snapshot(), before);
        QVERIFY(!amp.isTareActive());
    }

    void calibrateTwoPoints_succeeds_afterReadingBack() {
        CANOpenAmplifier amp(QStringLiteral("M"), QString(), 0, kNode);
        amp.connect();
        QSignalSpy finished(&amp, &CANOpenAmplifier::commandFinished);
        amp.calibrateTwoPoints(90000, 130000, 2000);
        QCOMPARE(finished.count(), 1);
        QVERIFY2(finished.at(0).at(1).toBool(), qPrintable(finished.at(0).at(2).toString()));
        QCOMPARE(snapshot().mid(1, 4), (QStringList{"OK 200000", "OK 2", "OK 90000", "OK 130000"}));
        QCOMPARE(m_nodes.command(QStringLiteral("load 2000")), QStringLiteral("OK")); // AD 140000
        QCOMPARE(m_nodes.measuringValue(kNode), 250000);
    }
};

QTEST_MAIN(TestCanOpenAllOrNothing)
#include "tst_canopen_all_or_nothing.moc"
