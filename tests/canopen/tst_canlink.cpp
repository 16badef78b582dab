// The CAN link on the Qt virtual CAN bus, and several amplifiers and threads on it: users counted, replies
// sorted to the waiter of their node (neither stolen nor lost), a close ends a wait at once.
#include "CanTestBus.h"

#include <QElapsedTimer>

#include <atomic>
#include <future>

namespace {
constexpr int kWaitMs = 20000;
const QByteArray kReadAd = "40 00 20 00 00 00 00 00";
} // namespace

class TestCanLink : public QObject {
    Q_OBJECT

    cantest::Bus m_bus;

private slots:
    void initTestCase() {
        const QString error = m_bus.start({3, 5});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        QCOMPARE(m_bus.link->users(), 0);
        m_bus.nodes.resetNodes();
    }

    void users_areCounted_andTheLastOneCloses() {
        CanLink &link = *m_bus.link;
        QVERIFY(link.acquire());
        QVERIFY(link.acquire());
        link.release();
        QCOMPARE(link.users(), 1);
        const SdoResult reply = link.request(3, sdo::adValueRequest());
        QCOMPARE(reply.status, SdoResult::Status::Answer);
        QCOMPARE(sdo::adValue(reply.data), SimulatedCanNode::kZeroCounts);
        link.release();
        QVERIFY(!link.send(3, sdo::adValueRequest())); // closed: nothing goes out
        QVERIFY(link.acquire());                       // and it opens again
        QVERIFY(link.send(3, sdo::adValueRequest()));
        QTRY_COMPARE_WITH_TIMEOUT(cantest::wire(m_bus.nodes, 3), (cantest::Wire{kReadAd, kReadAd}), kWaitMs);
        link.release();
        // A device that cannot be opened: nobody counted, the reason kept, an amplifier cannot connect.
        CanLink absent(CanLinkConfig{QStringLiteral("nosuchplugin"), QStringLiteral("can0")});
        QVERIFY(!absent.acquire());
        QVERIFY2(absent.lastError().startsWith(QLatin1String("nosuchplugin can0: ")),
                 qPrintable(absent.lastError()));
        QCOMPARE(absent.users(), 0);
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, 3, &absent);
        cantest::ThreadSpy failed(&amp, &CANOpenAmplifier::connectionFailed);
        amp.connect();
        QCOMPARE(failed.firsts(), QVariantList{QStringLiteral("CAN initialization failed")});
    }

    // Node 3 answers late, node 5 at once: node 5's answer arrives while node 3's request waits, and each
    // waiter gets its own node's value; node 5's waiter is not held up by node 3's.
    void interleavedAnswers_reachTheirOwnWaiters_andAClosedLinkEndsAWait() {
        CanLink &link = *m_bus.link;
        QVERIFY(link.acquire());
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@3 load 100")), QStringLiteral("OK"));
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@5 load 200")), QStringLiteral("OK"));
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@3 late 1500")), QStringLiteral("OK"));
        std::atomic<bool> slowDone{false};
        auto slow = std::async(std::launch::async, [&] {
            const SdoResult result = link.request(3, sdo::measuringValueRequest(), {}, 10000);
            slowDone = true;
            return result;
        });
        QTRY_COMPARE_WITH_TIMEOUT(m_bus.nodes.received(3).size(), size_t(1), kWaitMs);
        for (int i = 0; i < 3; ++i) {
            const SdoResult fast = link.request(5, sdo::measuringValueRequest());
            QCOMPARE(fast.status, SdoResult::Status::Answer);
            QCOMPARE(sdo::measuringValue(fast.data), 20000);
        }
        QVERIFY(!slowDone.load());
        const SdoResult late = slow.get();
        QCOMPARE(late.status, SdoResult::Status::Answer);
        QCOMPARE(sdo::measuringValue(late.data), 10000);
        // An answer no one waits for stays in its node's mailbox until the node's next request.
        QVERIFY(link.send(5, sdo::adValueRequest()));
        QTRY_COMPARE_WITH_TIMEOUT(link.pendingReplies(5), size_t(1), kWaitMs);
        QCOMPARE(link.pendingReplies(3), size_t(0));
        QCOMPARE(sdo::measuringValue(link.request(5, sdo::measuringValueRequest()).data), 20000);
        // Closing the link while a request waits ends the wait at once, unanswered.
        m_bus.nodes.clearReceived();
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@3 silent on")), QStringLiteral("OK"));
        QElapsedTimer clock;
        auto waiting = std::async(std::launch::async, [&] {
            clock.start();
            return link.request(3, sdo::adValueRequest(), {}, 30000);
        });
        QTRY_COMPARE_WITH_TIMEOUT(m_bus.nodes.received(3).size(), size_t(1), kWaitMs);
        link.release();
        QCOMPARE(waiting.get().status, SdoResult::Status::Cancelled);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    }

    void twoNodesPolledAtOnce_eachGetsOnlyItsOwnReplies() {
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@3 load 250")), QStringLiteral("OK"));
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@5 load 1000")), QStringLiteral("OK"));
        auto a = m_bus.amplifier(3);
        auto b = m_bus.amplifier(5);
        QCOMPARE(m_bus.link->users(), 2);
        cantest::ThreadSpy valuesA(a.get(), &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy valuesB(b.get(), &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errors(a.get(), &CANOpenAmplifier::readErrorOccurred);
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
        QCOMPARE(errors.count() + errorsB.count(), 0); // a lost reply would show as a time-out here
    }

    void guiTareWhileWorkerPolls_readsTheMeasuringValueNotAnAcknowledgement() {
        QCOMPARE(m_bus.nodes.command(QStringLiteral("@3 load 500")), QStringLiteral("OK"));
        auto amp = m_bus.amplifier(3);
        cantest::ThreadSpy errors(amp.get(), &CANOpenAmplifier::readErrorOccurred);
        amp->startContinuousMeasuringValueRead(0);
        QTRY_COMPARE_WITH_TIMEOUT(amp->getMeasuredWeight(), 500.0, kWaitMs);
        for (int round = 0; round < 3; ++round) {
            m_bus.nodes.clearReceived();
            amp->tare(); // apply: the zero point written must be the load read, 50000
            QVERIFY(cantest::wire(m_bus.nodes, 3).contains("22 03 20 00 50 c3 00 00"));
            QTRY_COMPARE_WITH_TIMEOUT(amp->getMeasuredWeight(), 0.0, kWaitMs);
            amp->tare(); // remove
            QTRY_COMPARE_WITH_TIMEOUT(amp->getMeasuredWeight(), 500.0, kWaitMs);
        }
        amp->stopContinuousADRead();
        QCOMPARE(errors.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCanLink)
#include "tst_canlink.moc"
