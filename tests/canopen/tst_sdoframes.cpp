// The SDO frames of the CANopen amplifier, byte for byte, and how replies are matched to requests.
#include "amplifiers/canopen/CANOpenAmplifier.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <QTest>

#include <stdexcept>

Q_DECLARE_METATYPE(sdo::Bytes)
Q_DECLARE_METATYPE(sdo::ReplyKind)

namespace {
sdo::Bytes bytes(const char *hexText) {
    const QByteArray raw = QByteArray::fromHex(hexText);
    return sdo::Bytes(raw.begin(), raw.end());
}
} // namespace

class TestSdoFrames : public QObject {
    Q_OBJECT

private slots:
    void fixedFrame_isByteExact_data() {
        QTest::addColumn<sdo::Bytes>("frame");
        QTest::addColumn<sdo::Bytes>("expected");
        QTest::newRow("calibration unlock") << sdo::calibrationUnlock() << bytes("2F25200301000000");
        QTest::newRow("zero point cleared") << sdo::zeroPointCleared() << bytes("2203200000000000");
        QTest::newRow("zero point set 50000") << sdo::zeroPointSet(50000) << bytes("2203200050C30000");
        QTest::newRow("zero point set negative")
            << sdo::zeroPointSet(0xFFFFFFFBu) << bytes("22032000FBFFFFFF");
        QTest::newRow("tare switch on") << sdo::tareSwitch(true) << bytes("2F25200201000000");
        QTest::newRow("tare switch off") << sdo::tareSwitch(false) << bytes("2F25200200000000");
        QTest::newRow("measuring value request") << sdo::measuringValueRequest() << bytes("4001200000000000");
        QTest::newRow("AD value request") << sdo::adValueRequest() << bytes("4000200000000000");
        QTest::newRow("read 0x201B:00") << sdo::readRequest(0x201B, 0) << bytes("401B200000000000");
    }
    void fixedFrame_isByteExact() {
        QFETCH(sdo::Bytes, frame);
        QFETCH(sdo::Bytes, expected);
        QCOMPARE(frame, expected);
    }

    void writeRequest_commandByteFollowsDataLength_data() {
        QTest::addColumn<sdo::Bytes>("data");
        QTest::addColumn<sdo::Bytes>("expected");
        QTest::newRow("1 byte") << bytes("05") << bytes("2F19200005000000");
        QTest::newRow("2 bytes") << bytes("E803") << bytes("2B192000E8030000");
        QTest::newRow("4 bytes") << bytes("78563412") << bytes("2319200078563412");
    }
    void writeRequest_commandByteFollowsDataLength() {
        QFETCH(sdo::Bytes, data);
        QFETCH(sdo::Bytes, expected);
        QCOMPARE(sdo::writeRequest(0x2019, 0, data), expected);
    }

    void writeRequest_otherLength_isRefused_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("0") << 0;
        QTest::newRow("3") << 3;
        QTest::newRow("5") << 5;
        QTest::newRow("8") << 8;
    }
    void writeRequest_otherLength_isRefused() {
        QFETCH(int, length);
        try {
            sdo::writeRequest(0x2003, 0, sdo::Bytes(static_cast<size_t>(length), 0x11));
            QFAIL("no error raised");
        } catch (const std::runtime_error &e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Unsupported data length for SDO write."));
        }
    }

    void cobIds_followNodeId() {
        QCOMPARE(sdo::requestCobId(3), 0x603u);
        QCOMPARE(sdo::replyCobId(3), 0x583u);
        QCOMPARE(sdo::requestCobId(127), 0x67Fu);
        QCOMPARE(sdo::replyCobId(1), 0x581u);
    }

    void classifyReply_matchesRequest_data() {
        QTest::addColumn<sdo::Bytes>("request");
        QTest::addColumn<sdo::Bytes>("reply");
        QTest::addColumn<sdo::ReplyKind>("kind");
        const sdo::Bytes readMeasuring = sdo::measuringValueRequest();
        const sdo::Bytes writeLevel = sdo::writeRequest(0x2019, 0, {3});
        QTest::newRow("read answered, 4 bytes")
            << readMeasuring << bytes("4301200039300000") << sdo::ReplyKind::Answer;
        QTest::newRow("read answered, size not indicated")
            << readMeasuring << bytes("4201200039300000") << sdo::ReplyKind::Answer;
        QTest::newRow("read answered, 3 bytes")
            << sdo::adValueRequest() << bytes("47002000A08601A5") << sdo::ReplyKind::Answer;
        QTest::newRow("stale write acknowledgement for a read")
            << readMeasuring << bytes("6001200000000000") << sdo::ReplyKind::Stale;
        QTest::newRow("acknowledgement of another write")
            << readMeasuring << bytes("6025200300000000") << sdo::ReplyKind::Stale;
        QTest::newRow("reply for another entry")
            << readMeasuring << bytes("43002000A0860100") << sdo::ReplyKind::Stale;
        QTest::newRow("reply for another subindex")
            << readMeasuring << bytes("4301200139300000") << sdo::ReplyKind::Stale;
        QTest::newRow("abort of this read")
            << readMeasuring << bytes("8001200000000206") << sdo::ReplyKind::Abort;
        QTest::newRow("abort of another request")
            << readMeasuring << bytes("8019200030000906") << sdo::ReplyKind::Stale;
        QTest::newRow("segmented upload offered")
            << readMeasuring << bytes("4101200010000000") << sdo::ReplyKind::Unsupported;
        QTest::newRow("too short to match") << readMeasuring << bytes("430120") << sdo::ReplyKind::Stale;
        QTest::newRow("write acknowledged")
            << writeLevel << bytes("6019200000000000") << sdo::ReplyKind::Answer;
        QTest::newRow("write aborted") << writeLevel << bytes("8019200030000906") << sdo::ReplyKind::Abort;
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

    void decoders_readValueBytes() {
        QCOMPARE(sdo::adValue(bytes("47002000A08601A5")), 0x0186A0u); // byte 7 is not part of the AD value
        QCOMPARE(sdo::measuringValue(bytes("43012000FBFFFFFF")), -5);
        QCOMPARE(sdo::measuringValue(bytes("4301200039300000")), 12345);
        QCOMPARE(sdo::value32(bytes("4301200078563412")), 0x12345678u);
        QCOMPARE(sdo::abortCode(bytes("8001200000000206")), 0x06020000u);
        QCOMPARE(sdo::abortText(0x06020000), QStringLiteral("SDO abort 0x06020000 (object does not exist)"));
        QCOMPARE(sdo::abortText(0x12345678), QStringLiteral("SDO abort 0x12345678"));
    }

    void processMessageCan_splitsRecord_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<sdo::Bytes>("expected");
        QTest::newRow("3 bytes") << 3 << bytes("010203");
        QTest::newRow("empty") << 0 << sdo::Bytes();
        QTest::newRow("length beyond 8 is cut") << 15 << bytes("0102030405060708");
    }
    void processMessageCan_splitsRecord() {
        QFETCH(int, length);
        QFETCH(sdo::Bytes, expected);
        TPCANMsg message;
        message.ID = 0x583;
        message.LEN = static_cast<uint8_t>(length);
        for (uint8_t i = 0; i < 8; ++i)
            message.DATA[i] = static_cast<uint8_t>(i + 1);
        CANOpenAmplifier amplifier(QStringLiteral("M"), QStringLiteral("port"), 9600, 3);
        const auto [id, data] = amplifier.ProcessMessageCan(message, TPCANTimestamp());
        QCOMPARE(id, 0x583u);
        QCOMPARE(data, expected);
    }

    void makeMessage_isStandardFrame() {
        const TPCANMsg message = sdo::makeMessage(0x603, sdo::calibrationUnlock());
        QCOMPARE(message.ID, 0x603u);
        QCOMPARE(message.MSGTYPE, PCAN_MESSAGE_STANDARD);
        QCOMPARE(message.LEN, uint8_t(8));
        QCOMPARE(sdo::splitMessage(message).second, sdo::calibrationUnlock());
    }
};

QTEST_GUILESS_MAIN(TestSdoFrames)
#include "tst_sdoframes.moc"
