// Several CANopen amplifiers and threads on one adapter: replies are neither stolen nor lost between two
// nodes polled at once, nor between a node's reading worker and the GUI thread's tare, and one amplifier
// leaving does not close the channel for another.
#include "CanTestBus.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QTest>

#include <memory>

namespace {
constexpr int kWaitMs = 20000;

std::unique_ptr<CANOpenAmplifier> connectedAmplifier(uint8_t node) {
    auto amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, node);
    amp->connect();
    return amp;
}
} // namespace

class TestCanOpenConcurrency : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;

private slots:
    void initTestCase() {
        const QString error = cantest::startBus(m_nodes, {3, 5});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        QCOMPARE(canadapter::userCount(), 0);
        m_nodes.resetNodes();
    }

    void twoNodesPolledAtOnce_eachGetsOnlyItsOwnReplies() {
        QCOMPARE(m_nodes.command(QStringLiteral("@3 load 250")), QStringLiteral("OK"));
        QCOMPARE(m_nodes.command(QStringLiteral("@5 load 1000")), QStringLiteral("OK"));
        auto a = connectedAmplifier(3);
        auto b = connectedAmplifier(5);
        QVERIFY(a->isConnected() && b->isConnected());
        cantest::ThreadSpy valuesA(a.get(), &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy valuesB(b.get(), &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errorsA(a.get(), &CANOpenAmplifier::readErrorOccurred);
        cantest::ThreadSpy errorsB(b.get(), &CANOpenAmplifier::readErrorOccurred);
        a->startContinuousADRead(0);
        b->startContinuousADRead(0);
        QTRY_VERIFY_WITH_TIMEOUT(valuesA.count() >= 40 && valuesB.count() >= 40, kWaitMs);
        a->stopContinuousADRead();
        b->stopContinuousADRead();
        for (const QVariant &value : valuesA.firsts())
            QCOMPARE(value.value<uint32_t>(), 105000u);
        for (const QVariant &value : valuesB.firsts())
            QCOMPARE(value.value<uint32_t>(), 120000u);
        QCOMPARE(errorsA.count() + errorsB.count(), 0); // a lost reply would show as a time-out here
    }

    void guiTareWhileWorkerPolls_readsTheMeasuringValueNotAnAcknowledgement() {
        QCOMPARE(m_nodes.command(QStringLiteral("@3 load 500")), QStringLiteral("OK"));
        auto amp = connectedAmplifier(3);
        cantest::ThreadSpy errors(amp.get(), &CANOpenAmplifier::readErrorOccurred);
        amp->startContinuousMeasuringValueRead(0);
        QTRY_COMPARE_WITH_TIMEOUT(amp->getMeasuredWeight(), 500.0, kWaitMs);
        for (int round = 0; round < 3; ++round) {
            m_nodes.clearReceived();
            amp->tare(); // apply: the zero point written must be the load read, 50000
            QVERIFY(cantest::wire(m_nodes, 3).contains("22 03 20 00 50 c3 00 00"));
            QTRY_COMPARE_WITH_TIMEOUT(amp->getMeasuredWeight(), 0.0, kWaitMs);
            amp->tare(); // remove
            QTRY_COMPARE_WITH_TIMEOUT(amp->getMeasuredWeight(), 500.0, kWaitMs);
        }
        amp->stopContinuousADRead();
        QCOMPARE(errors.count(), 0);
    }

    void oneAmplifierDisconnects_theOtherGoesOn() {
        auto a = connectedAmplifier(3);
        auto b = connectedAmplifier(5);
        QCOMPARE(canadapter::userCount(), 2);
        cantest::ThreadSpy valuesB(b.get(), &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errorsB(b.get(), &CANOpenAmplifier::readErrorOccurred);
        a->startContinuousADRead(1);
        b->startContinuousADRead(1);
        QTRY_VERIFY_WITH_TIMEOUT(valuesB.count() >= 5, kWaitMs);
        a->disconnect();
        QVERIFY(!a->isConnected());
        QCOMPARE(canadapter::userCount(), 1);
        int before = valuesB.count();
        QTRY_VERIFY_WITH_TIMEOUT(valuesB.count() >= before + 10, kWaitMs);
        a.reset(); // destroying it changes nothing either
        before = valuesB.count();
        QTRY_VERIFY_WITH_TIMEOUT(valuesB.count() >= before + 10, kWaitMs);
        b->stopContinuousADRead();
        QCOMPARE(errorsB.count(), 0);
    }

    void framesForAnotherNode_waitForIt() {
        QCOMPARE(m_nodes.command(QStringLiteral("@5 load 10")), QStringLiteral("OK"));
        auto a = connectedAmplifier(3);
        auto b = connectedAmplifier(5);
        // Node 5 answers while only node 3 is being waited for: its reply must still be there for node 5.
        b->sendCommand(sdo::measuringValueRequest());
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(5).size(), size_t(2), kWaitMs);
        QCOMPARE(a->sendCommandWithResponse(sdo::adValueRequest()).size(), size_t(8));
        QTRY_VERIFY_WITH_TIMEOUT(sdoexchange::pendingFrames(sdo::replyCobId(5)) == 1, kWaitMs);
        // A fresh request of node 5 discards what came before it, so the reply read is the fresh one.
        QCOMPARE(m_nodes.command(QStringLiteral("@5 load 20")), QStringLiteral("OK"));
        QCOMPARE(sdo::measuringValue(b->sendCommandWithResponse(sdo::measuringValueRequest())), 2000);
    }
};

QTEST_GUILESS_MAIN(TestCanOpenConcurrency)
#include "tst_canopenconcurrency.moc"
