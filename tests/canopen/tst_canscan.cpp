// The CANopen bus scan on a virtual bus: the simulated nodes and no other are found, a silent node is not,
// a node that aborts or offers a segmented reply is listed as there but refusing, and the scan sends
// nothing but SDO reads.
#include "CanTestBus.h"
#include "device/canopen/CanScanProbe.h"

class TestCanScan : public QObject {
    Q_OBJECT

    cantest::Bus m_bus;

private slots:
    void initTestCase() {
        const QString error = m_bus.start({1, 5, 127});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void cleanup() { m_bus.nodes.resetNodes(); }

    // Each finding as "id" or "id refused: detail".
    void findsTheNodes_andListsUnusableAnswersAsRefusing_data() {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<int>("windowMs"); // 0: the default; else long enough for a loaded test machine
        QTest::addColumn<QStringList>("findings");
        QTest::newRow("all answer") << QStringList{"@5 load 1000"} << 400 << QStringList{"1", "5", "127"};
        // Some nodes answer only after 150 ms; the default window waits for them.
        QTest::newRow("late node, default window")
            << QStringList{"@5 late 150"} << 0 << QStringList{"1", "5", "127"};
        QTest::newRow("silent and aborting")
            << QStringList{"@5 silent on", "@127 abort on 0x06020000"} << 400
            << QStringList{"1", "127 refused: SDO abort 0x06020000 (object does "
                                "not exist)"};
        QTest::newRow("segmented reply")
            << QStringList{"@5 segmented on"} << 400
            << QStringList{"1", "5 refused: replies with a segmented transfer", "127"};
    }
    void findsTheNodes_andListsUnusableAnswersAsRefusing() {
        QFETCH(QStringList, faults);
        QFETCH(int, windowMs);
        QFETCH(QStringList, findings);
        for (const QString &fault : faults)
            QCOMPARE(m_bus.nodes.command(fault), QStringLiteral("OK"));
        CanScanProbe probe(m_bus.link.get(), windowMs > 0 ? windowMs : CanScanProbe::kReplyWindowMs);
        const std::atomic<bool> keepRunning{true};
        const busscan::Outcome outcome = busscan::run(probe, 1, 127, keepRunning);
        QVERIFY2(outcome.ran && outcome.error.isEmpty(), qPrintable(outcome.error));
        QStringList found;
        for (const busscan::Finding &finding : outcome.findings)
            found << (finding.refused ? QStringLiteral("%1 refused: %2").arg(finding.id).arg(finding.detail)
                                      : QString::number(finding.id));
        QCOMPARE(found, findings);
        if (QTest::currentDataTag() == QLatin1String("all answer"))
            QCOMPARE(outcome.findings[1].adValue, SimulatedCanNode::kZeroCounts + 20000u); // 1000 g
        if (QTest::currentDataTag() == QLatin1String("late node, default window"))
            QVERIFY2(outcome.findings[1].delayMs >= 150,
                     qPrintable(QString::number(outcome.findings[1].delayMs)));
        // Reads of the AD entry only: nothing written to any node.
        for (uint8_t node : {1, 5, 127})
            for (const QByteArray &frame : cantest::wire(m_bus.nodes, node))
                QCOMPARE(frame, QByteArray("40 00 20 00 00 00 00 00"));
        QCOMPARE(m_bus.link->users(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCanScan)
#include "tst_canscan.moc"
