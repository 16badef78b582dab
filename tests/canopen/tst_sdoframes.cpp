// How SDO replies are matched to the requests of the CANopen amplifier.
#include "CanTestBus.h"

Q_DECLARE_METATYPE(sdo::Bytes)
Q_DECLARE_METATYPE(sdo::ReplyKind)

using cantest::bytes;

class TestSdoFrames : public QObject {
    Q_OBJECT

private slots:
    void classifyReply_matchesRequest_data() {
        QTest::addColumn<sdo::Bytes>("request");
        QTest::addColumn<sdo::Bytes>("reply");
        QTest::addColumn<sdo::ReplyKind>("kind");
        const sdo::Bytes readMeasuring = sdo::measuringValueRequest();
        const sdo::Bytes writeLevel = sdo::writeRequest(0x2019, 0, {3});
        QTest::newRow("read answered, 4 bytes")
            << readMeasuring << bytes("4301200039300000") << sdo::ReplyKind::Answer;
        QTest::newRow("read answered, 3 bytes")
            << sdo::adValueRequest() << bytes("47002000A08601A5") << sdo::ReplyKind::Answer;
        QTest::newRow("stale write acknowledgement for a read")
            << readMeasuring << bytes("6001200000000000") << sdo::ReplyKind::Stale;
        QTest::newRow("reply for another entry")
            << readMeasuring << bytes("43002000A0860100") << sdo::ReplyKind::Stale;
        QTest::newRow("abort of this read")
            << readMeasuring << bytes("8001200000000206") << sdo::ReplyKind::Abort;
        QTest::newRow("abort of another request")
            << readMeasuring << bytes("8019200030000906") << sdo::ReplyKind::Stale;
        QTest::newRow("segmented upload offered")
            << readMeasuring << bytes("4101200010000000") << sdo::ReplyKind::Unsupported;
        QTest::newRow("too short to match") << readMeasuring << bytes("430120") << sdo::ReplyKind::Stale;
        QTest::newRow("write acknowledged")
            << writeLevel << bytes("6019200000000000") << sdo::ReplyKind::Answer;
        QTest::newRow("read reply is no write acknowledgement")
            << writeLevel << bytes("4F19200003000000") << sdo::ReplyKind::Stale;
        QTest::newRow("raw command takes any reply")
            << bytes("0102") << bytes("6001200000000000") << sdo::ReplyKind::Answer;
    }
    void classifyReply_matchesRequest() {
        QFETCH(sdo::Bytes, request);
        QFETCH(sdo::Bytes, reply);
        QFETCH(sdo::ReplyKind, kind);
        QCOMPARE(sdo::classifyReply(request, reply), kind);
    }

    // The frames themselves go on the wire in the amplifier's tests; here what only the codec shows.
    void abortText_namesKnownCodesOnly() {
        QCOMPARE(sdo::abortText(0x06020000), QStringLiteral("SDO abort 0x06020000 (object does not exist)"));
        QCOMPARE(sdo::abortText(0x12345678), QStringLiteral("SDO abort 0x12345678"));
    }
};

QTEST_GUILESS_MAIN(TestSdoFrames)
#include "tst_sdoframes.moc"
