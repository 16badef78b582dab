// The simulated amplifier (tools/kelvora-sim) over the real RS485 line: weights through the calibration
// points, zero offset and tare, write answers, the read-only register, the low-16-bit fault, the load model,
// junk and unsupported requests, and the announcement of its port. Faults and id encoding: tst_rs485_bus.
#include "amplifiers/rs232/ModbusFrames.h"
#include "amplifiers/rs485/RS485Bus.h"
#include "files/SimulatedPorts.h"

#include "SimulatorProcess.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QTest>

#include <optional>
#include <vector>

namespace {

using Value = std::optional<uint32_t>;
constexpr uint16_t kMeasuringValue = 0x0000;
constexpr uint16_t kRawAd = 0x1F40;

std::vector<uint8_t> withCrc(std::vector<uint8_t> frame) {
    const uint16_t crc = modbus::crc16(frame);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

// A line to one simulator, with the register reads and writes the tests need.
struct Line {
    SimulatorProcess sim;
    RS485Bus bus;
    bool ok = false;
    explicit Line(const QStringList &arguments = {})
        : sim(arguments) {
        ok = sim.isReady() && bus.open(sim.port(), 9600);
    }
    Value read(uint16_t reg, uint8_t id = 1) {
        const modbus::ReadAnswer answer =
            modbus::decodeReadAnswer(bus.transact(modbus::readRequest(id, reg), 9), id);
        return answer.ok() ? Value(answer.value) : std::nullopt;
    }
    std::vector<uint8_t> write(uint16_t reg, uint32_t value, uint8_t id = 1) {
        return bus.transact(modbus::writeRequest(id, reg, value), 8);
    }
    int32_t weightAt(uint32_t ad) {
        sim.command(QStringLiteral("load 1 %1").arg(ad));
        return modbus::asSigned(read(kMeasuringValue).value_or(0xDEADBEEF));
    }
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void calibration_givesWeightFromAd_data() {
        QTest::addColumn<bool>("multiPoint");
        QTest::addColumn<uint>("ad");
        QTest::addColumn<int>("weight");
        // Out of the box: AD 100000 is empty and AD 600000 is 5000.00 g.
        QTest::newRow("default, empty") << false << 100000u << 0;
        QTest::newRow("default, load") << false << 250000u << 150000;
        QTest::newRow("default, below zero") << false << 90000u << -10000;
        // Points (1000, 0), (52000, 10.00 g), (103000, 30.00 g): two slopes.
        QTest::newRow("point 0") << true << 1000u << 0;
        QTest::newRow("first segment") << true << 26500u << 500;
        QTest::newRow("second segment") << true << 77500u << 2000;
        QTest::newRow("point 2") << true << 103000u << 3000;
        QTest::newRow("beyond last point") << true << 128500u << 4000;
    }
    void calibration_givesWeightFromAd() {
        QFETCH(bool, multiPoint);
        QFETCH(uint, ad);
        QFETCH(int, weight);
        Line line;
        QVERIFY(line.ok);
        if (multiPoint) {
            // The order in which the program writes a calibration; the weight of point 0 is ignored.
            const uint32_t writes[][2] = {{0x0008, 1000},   {0x001A, 777},  {0x000A, 52000}, {0x001C, 1000},
                                          {0x000C, 103000}, {0x001E, 3000}, {0x0006, 3}};
            for (const auto &[reg, value] : writes)
                line.write(static_cast<uint16_t>(reg), value);
        }
        QCOMPARE(line.weightAt(ad), weight);
        QCOMPARE(line.read(kRawAd), Value(ad));
    }

    void zeroOffsetAndTare_shiftTheWeight() {
        Line line;
        QVERIFY(line.ok);
        const int32_t before = modbus::asSigned(*line.read(kMeasuringValue));
        QCOMPARE(before, 150000);
        // What zeroing does: offset += measuring value.
        const uint32_t offset = *line.read(0x0004) + static_cast<uint32_t>(before);
        line.write(0x0004, offset);
        QCOMPARE(line.read(0x0004), Value(offset));
        QCOMPARE(line.read(kMeasuringValue), Value(0));
        QCOMPARE(line.weightAt(350000), 100000);
        // Tare on at 1000.00 g; off by writing the saved AD value back.
        QVERIFY(!line.write(kMeasuringValue, 0).empty());
        QCOMPARE(line.read(kMeasuringValue), Value(0));
        QCOMPARE(line.weightAt(400000), 50000);
        QVERIFY(!line.write(kMeasuringValue, 350000).empty());
        QCOMPARE(line.weightAt(400000), 150000);
    }

    void writes_echoAnswer_readOnlyRegisters_andLow16Fault() {
        Line line({QStringLiteral("--ids"), QStringLiteral("5")});
        QVERIFY(line.ok);
        QCOMPARE(line.write(0x0056, 4, 5), withCrc({0x05, 0x10, 0x00, 0x56, 0x00, 0x02}));
        QCOMPARE(line.read(0x0056, 5), Value(4));
        const Value readOnly = line.read(0x0011, 5);
        QVERIFY(readOnly.has_value());
        QVERIFY(!line.write(0x0011, 0, 5).empty());
        QCOMPARE(line.read(0x0011, 5), readOnly);
        line.write(kRawAd, 1, 5);
        QCOMPARE(line.read(kRawAd, 5), Value(250000));

        QCOMPARE(line.sim.command(QStringLiteral("fault 5 low16 0x0007")), QStringLiteral("OK"));
        line.write(0x0007, 0x87654321, 5);
        line.write(0x0009, 0x00FF00FF, 5);
        QCOMPARE(line.read(0x0007, 5), Value(0x00004321));
        QCOMPARE(line.read(0x0009, 5), Value(0x00FF00FF)); // only the named register
        QCOMPARE(line.sim.command(QStringLiteral("fault 5 none")), QStringLiteral("OK"));
        line.write(0x0007, 0x87654321, 5);
        QCOMPARE(line.read(0x0007, 5), Value(0x87654321));
    }

    void noiseAndSteps_moveTheAdValue() {
        Line line;
        QVERIFY(line.ok);
        QCOMPARE(line.sim.command(QStringLiteral("noise 1 50")), QStringLiteral("OK"));
        QSet<uint32_t> seen;
        for (int i = 0; i < 20; ++i) {
            const uint32_t ad = line.read(kRawAd).value_or(0);
            QVERIFY2(ad >= 249950 && ad <= 250050, qPrintable(QString::number(ad)));
            seen.insert(ad);
        }
        QVERIFY(seen.size() > 1);
        QCOMPARE(line.sim.command(QStringLiteral("noise 1 0")), QStringLiteral("OK"));
        QCOMPARE(line.sim.command(QStringLiteral("steps 1 1000,2000 100")), QStringLiteral("OK"));
        seen.clear();
        QTRY_VERIFY_WITH_TIMEOUT((seen.insert(line.read(kRawAd).value_or(0)), seen.size() == 2), 10000);
        QVERIFY(seen.contains(1000) && seen.contains(2000));
    }

    void junkAndUnsupportedRequests() {
        Line line;
        QVERIFY(line.ok);
        std::vector<uint8_t> dirty{0x00, 0xFF, 0x03, 0x10};
        const std::vector<uint8_t> request = modbus::readRequest(1, kRawAd);
        dirty.insert(dirty.end(), request.begin(), request.end());
        const modbus::ReadAnswer answer = modbus::decodeReadAnswer(line.bus.transact(dirty, 9), 1);
        QVERIFY2(answer.ok(), modbus::describe(answer).c_str());
        QCOMPARE(answer.value, 250000u);
        // An unfinished request is dropped once the line has been quiet; what follows is served.
        QVERIFY(line.bus.transact({0x01, 0x03, 0x1F}, 9).empty());
        QTest::qWait(100);
        QCOMPARE(line.read(kRawAd), Value(250000));
        // Four registers at once: exception "illegal data value".
        const std::vector<uint8_t> wide = line.bus.transact(withCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x04}), 9);
        QCOMPARE(wide, withCrc({0x01, 0x83, 0x03}));
    }

    void announce_listsThePortWhileRunning() {
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

    // A simulator started with --parent ends when its starter ends, even killed: tools/dev.sh starts the
    // simulators and then becomes the program, so they never outlive it.
    void endsWithItsStarter_data() {
        QTest::addColumn<QString>("command");
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        QTest::newRow("kelvora-sim") << QStringLiteral("'%1' --no-stdin --parent $$").arg(KELVORA_SIM_PATH);
        QTest::newRow("kelvora-can-sim")
            << QStringLiteral("'%1' --interface tcp://127.0.0.1:%2/can0 --parent $$ </dev/null")
                   .arg(KELVORA_CAN_SIM_PATH)
                   .arg(probe.serverPort());
    }
    void endsWithItsStarter() {
        QFETCH(QString, command);
        QProcess starter;
        starter.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), command + QStringLiteral(" >/dev/null & echo $!; exec sleep 120")});
        QVERIFY(starter.waitForStarted());
        QTRY_VERIFY(starter.canReadLine());
        const QByteArray simulator = starter.readLine().trimmed();
        QVERIFY(!simulator.isEmpty());
        // Running, or at least not yet gone, before its starter is killed.
        const QString stat = QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(simulator));
        const auto running = [&stat] {
            QFile file(stat);
            // An ended child of a starter that is gone may stay a zombie where nobody reaps orphans.
            return file.open(QIODevice::ReadOnly) && !file.readAll().contains(") Z ");
        };
        QVERIFY(running());
        starter.kill();
        QVERIFY(starter.waitForFinished());
        QTRY_VERIFY_WITH_TIMEOUT(!running(), 10000);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
