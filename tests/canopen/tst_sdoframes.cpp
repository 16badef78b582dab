// The SDO frames of the CANopen amplifier, byte for byte, and how replies are matched to requests.
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
        // The write's command byte follows its data length.
        QTest::newRow("write 1 byte")
            << sdo::writeRequest(0x2019, 0, bytes("05")) << bytes("2F19200005000000");
        QTest::newRow("write 2 bytes")
            << sdo::writeRequest(0x2019, 0, bytes("E803")) << bytes("2B192000E8030000");
        QTest::newRow("write 4 bytes")
            << sdo::writeRequest(0x2019, 0, bytes("78563412")) << bytes("2319200078563412");
    }
    void fixedFrame_isByteExact() {
        QFETCH(sdo::Bytes, frame);
        QFETCH(sdo::Bytes, expected);
        QCOMPARE(frame, expected);
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
        QCOMPARE(sdo::requestCobId(127), 0x67Fu);
        QCOMPARE(sdo::replyCobId(1), 0x581u);
    }
};

QTEST_GUILESS_MAIN(TestSdoFrames)
#include "tst_sdoframes.moc"
