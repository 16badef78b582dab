// The simulated CANopen node's own logic (no bus): its answers, load model, zero, tare, calibration and
// fault switches. The amplifier driven against it over the virtual bus is tst_canopenamplifier.
#include "SimulatedCanNode.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <QTest>

namespace {
SimulatedCanNode::Frame request(uint8_t node, const sdo::Bytes &data) {
    return {sdo::requestCobId(node), data};
}
sdo::Bytes only(const std::vector<SimulatedCanNode::Reply> &replies) {
    return replies.size() == 1 ? replies.front().frame.data : sdo::Bytes();
}
} // namespace

class TestCanSimNode : public QObject {
    Q_OBJECT

private slots:
    void readsOfBothValues_followLoad() {
        SimulatedCanNode node(3);
        QCOMPARE(node.command({"load", "250"}), QStringLiteral("OK"));
        const auto replies = node.handle(request(3, sdo::adValueRequest()));
        QCOMPARE(replies.size(), size_t(1));
        QCOMPARE(replies.front().frame.id, 0x583u);
        QCOMPARE(sdo::adValue(replies.front().frame.data), 105000u);
        QCOMPARE(sdo::measuringValue(only(node.handle(request(3, sdo::measuringValueRequest())))), 25000);
    }

    void otherNodesRequests_areIgnored() {
        SimulatedCanNode node(3);
        QVERIFY(node.handle(request(4, sdo::adValueRequest())).empty());
        QVERIFY(node.handle({0x583, sdo::adValueRequest()}).empty());
    }

    void writes_areAcknowledgedOrAborted_data() {
        QTest::addColumn<sdo::Bytes>("frame");
        QTest::addColumn<sdo::Bytes>("reply");
        const auto hex = [](const char *text) {
            const QByteArray raw = QByteArray::fromHex(text);
            return sdo::Bytes(raw.begin(), raw.end());
        };
        QTest::newRow("filter level") << sdo::writeRequest(0x2019, 0, {4}) << hex("6019200000000000");
        QTest::newRow("level out of range") << sdo::writeRequest(0x2019, 0, {6}) << hex("8019200030000906");
        QTest::newRow("wrong width") << sdo::writeRequest(0x2019, 0, {4, 0}) << hex("8019200010000706");
        QTest::newRow("read-only AD value")
            << sdo::writeRequest(0x2000, 0, {0, 0, 0, 0}) << hex("8000200002000106");
        QTest::newRow("unknown entry") << sdo::writeRequest(0x2099, 0, {1}) << hex("8099200000000206");
        QTest::newRow("calibration without unlock")
            << sdo::writeRequest(0x200E, 0, sdo::littleEndian32(5)) << hex("800E200022000008");
    }
    void writes_areAcknowledgedOrAborted() {
        QFETCH(sdo::Bytes, frame);
        QFETCH(sdo::Bytes, reply);
        SimulatedCanNode node(3);
        QCOMPARE(only(node.handle(request(3, frame))), reply);
    }

    void faults_changeAnswers() {
        SimulatedCanNode node(3);
        QCOMPARE(node.command({"silent", "on"}), QStringLiteral("OK"));
        QVERIFY(node.handle(request(3, sdo::adValueRequest())).empty());
        node.command({"silent", "off"});
        QCOMPARE(node.command({"abort", "next", "0x06060000"}), QStringLiteral("OK"));
        QCOMPARE(sdo::abortCode(only(node.handle(request(3, sdo::adValueRequest())))), 0x06060000u);
        QCOMPARE(only(node.handle(request(3, sdo::adValueRequest())))[0], uint8_t(0x47)); // only the next one
        QCOMPARE(node.command({"foreign", "9"}), QStringLiteral("OK"));
        QCOMPARE(node.handle(request(3, sdo::adValueRequest())).front().frame.id, 0x589u);
        node.command({"foreign", "off"});
        QCOMPARE(node.command({"late", "300"}), QStringLiteral("OK"));
        QCOMPARE(node.handle(request(3, sdo::adValueRequest())).front().delayMs, 300);
        QVERIFY(node.command({"bogus"}).startsWith(QLatin1String("ERR")));
        QVERIFY(node.command({"abort", "sometimes"}).startsWith(QLatin1String("ERR")));
        QVERIFY(node.command({"load", "heavy"}).startsWith(QLatin1String("ERR")));
    }

    void zeroAndTare_moveTheMeasuringValue() {
        SimulatedCanNode node(3);
        node.command({"load", "100"});
        for (const sdo::Bytes &frame :
             {sdo::calibrationUnlock(), sdo::zeroPointCleared(), sdo::tareSwitch(true)})
            node.handle(request(3, frame));
        QCOMPARE(node.measuringValue(), 0);
        node.command({"load", "600"});
        QCOMPARE(node.measuringValue(), 50000);
        for (const sdo::Bytes &frame :
             {sdo::calibrationUnlock(), sdo::zeroPointSet(50000), sdo::tareSwitch(true)})
            node.handle(request(3, frame));
        QCOMPARE(node.measuringValue(), 0);
        for (const sdo::Bytes &frame :
             {sdo::calibrationUnlock(), sdo::zeroPointSet(50000), sdo::tareSwitch(false)})
            node.handle(request(3, frame));
        QCOMPARE(node.measuringValue(), 50000);
    }
};

QTEST_GUILESS_MAIN(TestCanSimNode)
#include "tst_cansimnode.moc"
