// Modbus request building, CRC-16/MODBUS and the checks applied to read answers and write echoes, byte for
// byte.
#include "protocol/ModbusFrames.h"

#include <QByteArray>
#include <QTest>

#include <vector>

namespace {

std::vector<uint8_t> bytes(const char *hex) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    return std::vector<uint8_t>(raw.begin(), raw.end());
}

QByteArray hex(const std::vector<uint8_t> &frame) {
    return QByteArray(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()))
        .toHex(' ')
        .toUpper();
}

// The frame with its CRC recomputed, for frames well formed apart from the field under test.
std::vector<uint8_t> reframe(std::vector<uint8_t> frame) {
    frame.resize(frame.size() - 2);
    const uint16_t crc = modbus::crc16(frame);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

// A valid 9-byte read answer carrying `value`, built by hand so that the decoder is not checked against
// itself.
std::vector<uint8_t> answer(uint8_t address, uint32_t value) {
    return reframe({address, 0x03, 0x04, uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8),
                    uint8_t(value), 0, 0});
}

// The echo a device gives to a write of two registers at `reg`.
std::vector<uint8_t> echo(uint8_t address, uint16_t reg) {
    std::vector<uint8_t> frame = modbus::writeRequest(address, reg, 0x12345678);
    frame.erase(frame.begin() + 6, frame.end() - 2);
    return reframe(frame);
}

constexpr int kRead = -1; // decode as a read answer, not as the answer to a write of a register

} // namespace

Q_DECLARE_METATYPE(modbus::AnswerFault)

class TestModbusFrames : public QObject {
    Q_OBJECT

private slots:
    void requests_areExactBytes_data() {
        QTest::addColumn<std::vector<uint8_t>>("frame");
        QTest::addColumn<QByteArray>("expected");
        // The AD read of id 1 is compared byte for byte in the frame logs (tst_rs232_driver, tst_rs485_bus).
        QTest::newRow("read measuring value")
            << modbus::readRequest(0x01, 0x0000) << QByteArray("01 03 00 00 00 02 C4 0B");
        QTest::newRow("tare on") << modbus::writeRequest(0x01, 0x0000, 0)
                                 << QByteArray("01 10 00 00 00 02 04 00 00 00 00 F3 AF");
        QTest::newRow("read raw AD, address 5")
            << modbus::readRequest(0x05, 0x1F40) << QByteArray("05 03 1F 40 00 02 C3 8F");
        QTest::newRow("write value order") << modbus::writeRequest(0x01, 0x001C, 0x12345678)
                                           << QByteArray("01 10 00 1C 00 02 04 12 34 56 78 89 C2");
    }
    void requests_areExactBytes() {
        QFETCH(std::vector<uint8_t>, frame);
        QFETCH(QByteArray, expected);
        QCOMPARE(hex(frame), expected);
    }

    void checks_nameTheCause_data() {
        QTest::addColumn<std::vector<uint8_t>>("frame");
        QTest::addColumn<int>("writtenRegister");
        QTest::addColumn<modbus::AnswerFault>("fault");
        QTest::addColumn<QString>("description");
        using F = modbus::AnswerFault;

        QTest::newRow("valid") << answer(0x01, 42) << kRead << F::Ok << "valid answer";
        QTest::newRow("empty") << std::vector<uint8_t>{} << kRead << F::WrongLength
                               << "0 bytes received, 9 expected";
        auto truncated = answer(0x01, 42);
        truncated.resize(6);
        QTest::newRow("truncated") << truncated << kRead << F::WrongLength << "6 bytes received, 9 expected";
        auto badCrc = answer(0x01, 42);
        badCrc.back() ^= 0x01;
        QTest::newRow("bad crc") << badCrc << kRead << F::BadCrc << "CRC check failed";
        QTest::newRow("other device")
            << answer(0x02, 42) << kRead << F::WrongAddress << "answer from address 2";
        auto function = answer(0x01, 42);
        function[1] = 0x04;
        QTest::newRow("wrong function")
            << reframe(function) << kRead << F::WrongFunction << "unexpected function code 0x04";
        // A byte count other than the two registers' would otherwise decode 4 value bytes.
        auto count = answer(0x01, 42);
        count[2] = 0x02;
        QTest::newRow("byte count 2")
            << reframe(count) << kRead << F::WrongByteCount << "unexpected byte count 2";
        QTest::newRow("exception") << bytes("01 83 02 C0 F1") << kRead << F::Exception
                                   << "Modbus exception 2 (illegal data address)";
        QTest::newRow("exception with bad crc")
            << bytes("01 83 02 C0 F2") << kRead << F::WrongLength << "5 bytes received, 9 expected";

        // Answers to a write of 0x001C: only the echo of address, function, register and count confirms it.
        QTest::newRow("write echo") << echo(0x01, 0x001C) << 0x001C << F::Ok << "valid answer";
        QTest::newRow("write, echo of another register")
            << echo(0x01, 0x001A) << 0x001C << F::WrongRegister << "answer for register 0x001a";
        auto registers = echo(0x01, 0x001C);
        registers[5] = 0x01;
        QTest::newRow("write, other register count")
            << reframe(registers) << 0x001C << F::WrongRegisterCount << "unexpected register count 1";
        QTest::newRow("write, echo from another device")
            << echo(0x02, 0x001C) << 0x001C << F::WrongAddress << "answer from address 2";
        auto corrupted = echo(0x01, 0x001C);
        corrupted[3] ^= 0x01;
        QTest::newRow("write, corrupted echo") << corrupted << 0x001C << F::BadCrc << "CRC check failed";
        QTest::newRow("write, exception") << reframe(bytes("01 90 04 00 00")) << 0x001C << F::Exception
                                          << "Modbus exception 4 (server device failure)";
        QTest::newRow("write, answered as a read")
            << answer(0x01, 42) << 0x001C << F::WrongLength << "9 bytes received, 8 expected";
    }
    void checks_nameTheCause() {
        QFETCH(std::vector<uint8_t>, frame);
        QFETCH(int, writtenRegister);
        QFETCH(modbus::AnswerFault, fault);
        QFETCH(QString, description);
        const modbus::Answer decoded =
            writtenRegister == kRead
                ? modbus::decodeReadAnswer(frame, 0x01)
                : modbus::decodeWriteAnswer(frame, 0x01, static_cast<uint16_t>(writtenRegister));
        QCOMPARE(decoded.fault, fault);
        QCOMPARE(QString::fromStdString(modbus::describe(decoded)), description);
        if (fault != modbus::AnswerFault::Ok)
            QCOMPARE(decoded.value, 0u);
    }

    // What a failed handshake and a stale tile say about the answer to a read of device 1.
    void refusedAnswers_inWords_data() {
        QTest::addColumn<std::vector<uint8_t>>("frame");
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("marker");
        std::vector<uint8_t> echoed = modbus::readRequest(0x01, modbus::kAdRegister);
        echoed.push_back(0x01); // the answer's first byte after the echo
        QTest::newRow("echoing adapter") << echoed << "the adapter echoes what it sends; switch its echo off"
                                         << "bad checksum";
        QTest::newRow("exception")
            << reframe(bytes("01 83 02 00 00"))
            << "the amplifier refused the read: Modbus exception 2 (illegal data address)"
            << "refused: Modbus exception 2";
        std::vector<uint8_t> corrupted = answer(0x01, 5);
        corrupted[4] ^= 0x10;
        QTest::newRow("bad CRC") << corrupted << "the answer had a bad checksum"
                                 << "bad checksum";
        QTest::newRow("other address") << answer(0x02, 5) << "the answer came from address 2, not 1"
                                       << "answer from address 2";
        QTest::newRow("cut short") << bytes("01 03 04")
                                   << "the answer was not understood (3 bytes received, 9 expected)"
                                   << "incomplete answer";
    }
    void refusedAnswers_inWords() {
        QFETCH(std::vector<uint8_t>, frame);
        QFETCH(QString, why);
        QFETCH(QString, marker);
        const std::vector<uint8_t> request = modbus::readRequest(0x01, modbus::kAdRegister);
        const modbus::Answer decoded = modbus::decodeReadAnswer(frame, 0x01);
        QCOMPARE(QString::fromStdString(modbus::whyNotAnswered(request, frame, decoded)), why);
        QCOMPARE(QString::fromStdString(modbus::shortFault(decoded)), marker);
    }
};

QTEST_GUILESS_MAIN(TestModbusFrames)
#include "tst_modbus_frames.moc"
