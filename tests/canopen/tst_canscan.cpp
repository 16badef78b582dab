// The CANopen bus scan on a virtual bus: the simulated nodes and no other are found, a silent node is not,
// an aborting node is reported as there but refusing, and the scan sends nothing but SDO reads.
#include "CanTestBus.h"
#include "amplifiers/canopen/CanScanProbe.h"

#include <QTest>

class TestCanScan : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;

    // Nodes 1..127 with a reply window long enough for a loaded test machine; bench_scan times the default.
    busscan::Outcome scanAll() {
        CanScanProbe probe(400);
        const std::atomic<bool> keepRunning{true};
        return busscan::run(probe, 1, 127, keepRunning);
    }

private slots:
    void initTestCase() {
        const QString error = cantest::startBus(m_nodes, {1, 5, 127});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void findsEveryNodeAndNoOther() {
        QCOMPARE(m_nodes.command(QStringLiteral("@5 load 1000")), QStringLiteral("OK"));
        const busscan::Outcome outcome = scanAll();
        QVERIFY2(outcome.ran && outcome.error.isEmpty(), qPrintable(outcome.error));
        QCOMPARE(outcome.findings.size(), size_t{3});
        const int expectedIds[] = {1, 5, 127};
        for (size_t i = 0; i < 3; ++i) {
            QCOMPARE(outcome.findings[i].id, expectedIds[i]);
            QVERIFY(!outcome.findings[i].refused);
        }
        QCOMPARE(outcome.findings[1].adValue, SimulatedCanNode::kZeroCounts + 20000u); // 1000 g
        // Reads of the AD entry only: nothing written to any node.
        for (uint8_t node : {1, 5, 127})
            for (const QByteArray &frame : cantest::wire(m_nodes, node))
                QCOMPARE(frame, QByteArray("40 00 20 00 00 00 00 00"));
        QCOMPARE(canadapter::userCount(), 0);
    }

    // Some nodes answer only after 150 ms; the default window waits for them.
    void lateNodeIsFound_withTheDefaultWindow() {
        QCOMPARE(m_nodes.command(QStringLiteral("@5 late 150")), QStringLiteral("OK"));
        CanScanProbe probe;
        const std::atomic<bool> keepRunning{true};
        const busscan::Outcome outcome = busscan::run(probe, 1, 127, keepRunning);
        m_nodes.resetNodes();
        QCOMPARE(outcome.findings.size(), size_t{3});
        QCOMPARE(outcome.findings[1].id, 5);
        QVERIFY2(outcome.findings[1].delayMs >= 150,
                 qPrintable(QString::number(outcome.findings[1].delayMs)));
    }

    void silentNodeIsMissing_abortingNodeIsThereButRefuses() {
        QCOMPARE(m_nodes.command(QStringLiteral("@5 silent on")), QStringLiteral("OK"));
        QCOMPARE(m_nodes.command(QStringLiteral("@127 abort on 0x06020000")), QStringLiteral("OK"));
        const busscan::Outcome outcome = scanAll();
        m_nodes.resetNodes();
        QCOMPARE(outcome.findings.size(), size_t{2});
        QCOMPARE(outcome.findings[0].id, 1);
        QVERIFY(!outcome.findings[0].refused);
        QCOMPARE(outcome.findings[1].id, 127);
        QVERIFY(outcome.findings[1].refused);
        QVERIFY2(outcome.findings[1].detail.contains(QStringLiteral("0x06020000")),
                 qPrintable(outcome.findings[1].detail));
    }
};

QTEST_GUILESS_MAIN(TestCanScan)
#include "tst_canscan.moc"
