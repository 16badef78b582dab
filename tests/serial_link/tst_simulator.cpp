// The simulated amplifier (tools/kelvora-sim) as the drivers' tests rely on it, exchanged with over the
// real RS485 line: weights computed through the calibration points, zero offset and tare, the read-only
// register, the low-16-bit fault, the load model, resynchronising after junk, and requests it does not
// support, and the announcement of its port. Fault answers and id encoding are covered in tst_rs485_bus.

#include "amplifiers/rs232/ModbusFrames.h"
#include "amplifiers/rs485/RS485Bus.h"
#include "files/SimulatedPorts.h"

#include "SimulatorProcess.h"

#include <QSet>
#include <QTest>

#include <optional>
#include <vector>

namespace {

constexpr uint16_t kMeasuringValue = 0x0000;
constexpr uint16_t kZeroOffset = 0x0004;
constexpr uint16_t kPointCount = 0x0006;
constexpr uint16_t kReadOnly = 0x0011;
constexpr uint16_t kRawAd = 0x1F40;

// A line to one simulator, with the register reads and writes the tests need.
class Line {
public:
    explicit Line(const QStringList &arguments = {})
        : m_sim(arguments) {
        m_ok = m_sim.isReady() && m_bus.open(m_sim.port(), 9600);
    }
    bool ok() const { return m_ok; }
    SimulatorProcess &sim() { return m_sim; }
    RS485Bus &bus() { return m_bus; }

    std::optional<uint32_t> read(uint16_t reg, uint8_t id = 1) {
        const modbus::ReadAnswer answer =
            modbus::decodeReadAnswer(m_bus.transact(modbus::readRequest(id, reg), 9), id);
        return answer.ok() ? std::optional<uint32_t>(answer.value) : std::nullopt;
    }
    std::vector<uint8_t> write(uint16_t reg, uint32_t value, uint8_t id = 1) {
        return m_bus.transact(modbus::writeRequest(id, reg, value), 8);
    }

private:
    SimulatorProcess m_sim;
    RS485Bus m_bus;
    bool m_ok = false;
};

int32_t weightAt(Line &line, uint32_t ad) {
    line.sim().command(QStringLiteral("load 1 %1").arg(ad));
    return modbus::asSigned(line.read(kMeasuringValue).value_or(0xDEADBEEF));
}

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void defaultCalibration_givesWeightFromAd_data();
    void defaultCalibration_givesWeightFromAd();
    void multiPointCalibration_interpolatesAndExtrapolates_data();
    void multiPointCalibration_interpolatesAndExtrapolates();
    void zeroOffset_isSubtracted_soZeroingReadsZero();
    void tare_writeZeroSwitchesOnAndNonZeroOff();
    void writeAnswer_echoesAddressAndCount();
    void readOnlyRegister_ignoresWrites();
    void low16Fault_storesOnlyLowHalf();
    void noiseAndSteps_moveTheAdValue();
    void junkBeforeRequest_isSkipped();
    void unsupportedRequests_getExceptionAnswers();
    void announce_listsThePortWhileRunning();
};

void TestSimulator::defaultCalibration_givesWeightFromAd_data() {
    QTest::addColumn<uint>("ad");
    QTest::addColumn<int>("weight");
    // Out of the box: AD 100000 is empty and AD 600000 is 5000.00 g.
    QTest::newRow("empty") << 100000u << 0;
    QTest::newRow("default load") << 250000u << 150000;
    QTest::newRow("span") << 600000u << 500000;
    QTest::newRow("below zero point") << 90000u << -10000;
}

void TestSimulator::defaultCalibration_givesWeightFromAd() {
    QFETCH(uint, ad);
    QFETCH(int, weight);
    Line line;
    QVERIFY(line.ok());
    QCOMPARE(weightAt(line, ad), weight);
    QCOMPARE(line.read(kRawAd), std::optional<uint32_t>(ad));
}

void TestSimulator::multiPointCalibration_interpolatesAndExtrapolates_data() {
    QTest::addColumn<uint>("ad");
    QTest::addColumn<int>("weight");
    // Points (1000, 0), (52000, 10.00 g), (103000, 30.00 g): two slopes.
    QTest::newRow("point 0") << 1000u << 0;
    QTest::newRow("first segment") << 26500u << 500;
    QTest::newRow("point 1") << 52000u << 1000;
    QTest::newRow("second segment") << 77500u << 2000;
    QTest::newRow("point 2") << 103000u << 3000;
    QTest::newRow("beyond last point") << 128500u << 4000;
}

void TestSimulator::multiPointCalibration_interpolatesAndExtrapolates() {
    QFETCH(uint, ad);
    QFETCH(int, weight);
    Line line;
    QVERIFY(line.ok());
    // The order in which the program writes a calibration; the weight of point 0 is ignored.
    line.write(0x0008, 1000);
    line.write(0x001A, 777);
    line.write(0x000A, 52000);
    line.write(0x001C, 1000);
    line.write(0x000C, 103000);
    line.write(0x001E, 3000);
    line.write(kPointCount, 3);
    QCOMPARE(weightAt(line, ad), weight);
}

void TestSimulator::zeroOffset_isSubtracted_soZeroingReadsZero() {
    Line line;
    QVERIFY(line.ok());
    const int32_t before = modbus::asSigned(*line.read(kMeasuringValue));
    QCOMPARE(before, 150000);
    // What zeroing does: offset += measuring value.
    const uint32_t offset = *line.read(kZeroOffset) + static_cast<uint32_t>(before);
    line.write(kZeroOffset, offset);
    QCOMPARE(line.read(kZeroOffset), std::optional<uint32_t>(offset));
    QCOMPARE(line.read(kMeasuringValue), std::optional<uint32_t>(0));
    // More load now weighs only the difference.
    QCOMPARE(weightAt(line, 350000), 100000);
}

void TestSimulator::tare_writeZeroSwitchesOnAndNonZeroOff() {
    Line line;
    QVERIFY(line.ok());
    QVERIFY(!line.write(kMeasuringValue, 0).empty()); // tare on at 1500.00 g
    QCOMPARE(line.read(kMeasuringValue), std::optional<uint32_t>(0));
    QCOMPARE(weightAt(line, 300000), 50000);
    QVERIFY(!line.write(kMeasuringValue, 250000).empty()); // tare off (the program writes the saved AD value)
    QCOMPARE(weightAt(line, 300000), 200000);
}

void TestSimulator::writeAnswer_echoesAddressAndCount() {
    Line line({QStringLiteral("--ids"), QStringLiteral("5")});
    QVERIFY(line.ok());
    std::vector<uint8_t> expected{0x05, 0x10, 0x00, 0x56, 0x00, 0x02};
    const uint16_t crc = modbus::crc16(expected);
    expected.push_back(static_cast<uint8_t>(crc & 0xFF));
    expected.push_back(static_cast<uint8_t>(crc >> 8));
    QCOMPARE(line.write(0x0056, 4, 5), expected);
    QCOMPARE(line.read(0x0056, 5), std::optional<uint32_t>(4));
}

void TestSimulator::readOnlyRegister_ignoresWrites() {
    Line line;
    QVERIFY(line.ok());
    const std::optional<uint32_t> before = line.read(kReadOnly);
    QVERIFY(before.has_value());
    QVERIFY(!line.write(kReadOnly, 0).empty());
    QCOMPARE(line.read(kReadOnly), before);
    line.write(kRawAd, 1);
    QCOMPARE(line.read(kRawAd), std::optional<uint32_t>(250000));
}

void TestSimulator::low16Fault_storesOnlyLowHalf() {
    Line line;
    QVERIFY(line.ok());
    QCOMPARE(line.sim().command(QStringLiteral("fault 1 low16 0x0007")), QStringLiteral("OK"));
    line.write(0x0007, 0x87654321);
    line.write(0x0009, 0x00FF00FF);
    QCOMPARE(line.read(0x0007), std::optional<uint32_t>(0x00004321));
    QCOMPARE(line.read(0x0009), std::optional<uint32_t>(0x00FF00FF)); // only the named register
    QCOMPARE(line.sim().command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
    line.write(0x0007, 0x87654321);
    QCOMPARE(line.read(0x0007), std::optional<uint32_t>(0x87654321));
}

void TestSimulator::noiseAndSteps_moveTheAdValue() {
    Line line;
    QVERIFY(line.ok());
    QCOMPARE(line.sim().command(QStringLiteral("noise 1 50")), QStringLiteral("OK"));
    QSet<uint32_t> seen;
    for (int i = 0; i < 20; ++i) {
        const uint32_t ad = line.read(kRawAd).value_or(0);
        QVERIFY2(ad >= 249950 && ad <= 250050, qPrintable(QString::number(ad)));
        seen.insert(ad);
    }
    QVERIFY(seen.size() > 1);

    QCOMPARE(line.sim().command(QStringLiteral("noise 1 0")), QStringLiteral("OK"));
    QCOMPARE(line.sim().command(QStringLiteral("steps 1 1000,2000 100")), QStringLiteral("OK"));
    seen.clear();
    QTRY_VERIFY_WITH_TIMEOUT((seen.insert(line.read(kRawAd).value_or(0)), seen.size() == 2), 10000);
    QVERIFY(seen.contains(1000) && seen.contains(2000));
}

void TestSimulator::junkBeforeRequest_isSkipped() {
    Line line;
    QVERIFY(line.ok());
    std::vector<uint8_t> dirty{0x00, 0xFF, 0x03, 0x10};
    const std::vector<uint8_t> request = modbus::readRequest(1, kRawAd);
    dirty.insert(dirty.end(), request.begin(), request.end());
    const modbus::ReadAnswer answer = modbus::decodeReadAnswer(line.bus().transact(dirty, 9), 1);
    QVERIFY2(answer.ok(), modbus::describe(answer).c_str());
    QCOMPARE(answer.value, 250000u);
    // An unfinished request is dropped once the line has been quiet; what follows is served.
    QVERIFY(line.bus().transact({0x01, 0x03, 0x1F}, 9).empty());
    QTest::qWait(100);
    QCOMPARE(line.read(kRawAd), std::optional<uint32_t>(250000));
}

void TestSimulator::unsupportedRequests_getExceptionAnswers() {
    Line line;
    QVERIFY(line.ok());
    // Four registers at once: illegal data value.
    std::vector<uint8_t> wide{0x01, 0x03, 0x00, 0x00, 0x00, 0x04};
    const uint16_t crc = modbus::crc16(wide);
    wide.push_back(static_cast<uint8_t>(crc & 0xFF));
    wide.push_back(static_cast<uint8_t>(crc >> 8));
    const std::vector<uint8_t> answer = line.bus().transact(wide, 9);
    QCOMPARE(answer.size(), size_t{5});
    QCOMPARE(answer[1], uint8_t{0x83});
    QCOMPARE(answer[2], uint8_t{0x03});
    QCOMPARE(modbus::decodeReadAnswer(answer, 1).fault, modbus::AnswerFault::Exception);
}

void TestSimulator::announce_listsThePortWhileRunning() {
    QString port;
    {
        SimulatorProcess sim({QStringLiteral("--announce")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        port = sim.port();
        QTRY_VERIFY_WITH_TIMEOUT(simulatedports::list().contains(port), 10000);
    }
    // "quit" withdraws the announcement.
    QVERIFY(!simulatedports::list().contains(port));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
