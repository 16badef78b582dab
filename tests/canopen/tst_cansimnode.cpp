// The simulated CANopen node's own logic (no bus): what it acknowledges or aborts, whom it answers, and
// the command lines it refuses. Its answers over the bus are covered by the amplifier's tests.
#include "SimulatedCanNode.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <QTest>

namespace {
SimulatedCanNode::Frame request(uint8_t node, const sdo::Bytes &data) {
    return {sdo::requestCobId(node), data};
}
sdo::Bytes bytes(const char *hexText) {
    const QByteArray raw = QByteArray::fromHex(hexText);
    return sdo::Bytes(raw.begin(), raw.end());
}
} // namespace

class TestCanSimNode : public QObject {
    Q_OBJECT

private slots:
    void writes_areAcknowledgedOrAborted_data() {
        QTest::addColumn<sdo::Bytes>("frame");
        QTest::addColumn<sdo::Bytes>("reply");
        QTest::newRow("filter level") << sdo::writeRequest(0x2019, 0, {4}) << bytes("6019200000000000");
        QTest::newRow("level out of range") << sdo::writeRequest(0x2019, 0, {6}) << bytes("8019200030000906");
        QTest::newRow("wrong width") << sdo::writeRequest(0x2019, 0, {4, 0}) << bytes("8019200010000706");
        QTest::newRow("read-only AD value")
            << sdo::writeRequest(0x2000, 0, {0, 0, 0, 0}) << bytes("8000200002000106");
        QTest::newRow("unknown entry") << sdo::writeRequest(0x2099, 0, {1}) << bytes("8099200000000206");
        QTest::newRow("calibration without unlock")
            << sdo::writeRequest(0x200E, 0, sdo::littleEndian32(5)) << bytes("800E200022000008");
    }
    void writes_areAcknowledgedOrAborted() {
        QFETCH(sdo::Bytes, frame);
        QFETCH(sdo::Bytes, reply);
        SimulatedCanNode node(3);
        const auto replies = node.handle(request(3, frame));
        QCOMPARE(replies.size(), size_t(1));
        QCOMPARE(replies.front().frame.id, 0x583u);
        QCOMPARE(replies.front().frame.data, reply);
    }

    void otherNodesAndBadCommands_areRefused() {
        SimulatedCanNode node(3);
        QVERIFY(node.handle(request(4, sdo::adValueRequest())).empty());
        QVERIFY(node.handle({0x583, sdo::adValueRequest()}).empty());
        QVERIFY(node.command({"bogus"}).startsWith(QLatin1String("ERR")));
        QVERIFY(node.command({"abort", "sometimes"}).startsWith(QLatin1String("ERR")));
        QVERIFY(node.command({"load", "heavy"}).startsWith(QLatin1String("ERR")));
    }
};

QTEST_GUILESS_MAIN(TestCanSimNode)
#include "tst_cansimnode.moc"
