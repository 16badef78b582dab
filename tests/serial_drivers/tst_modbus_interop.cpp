// Our requests, CRCs and answer decoding against an implementation we did not write: libmodbus as an RTU
// slave on one end of a pseudo-terminal null modem, the RS232 driver on the other (RS485 device ids are
// checked against the simulator in tst_rs485_driver).
#include "PseudoTerminalModem.h"

#include "device/rs232/RS232Amplifier.h"
#include "protocol/ModbusFrames.h"

#include <QSignalSpy>
#include <QTest>

#include <modbus.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace {

// libmodbus serving holding registers 0x0000 to 0x1F41 at one slave address, on its own thread.
class LibmodbusSlave {
public:
    static constexpr int kRegisters = 0x1F42;

    LibmodbusSlave(const QString &path, int slaveId) {
        m_mapping = modbus_mapping_new(0, 0, kRegisters, 0);
        m_context = modbus_new_rtu(path.toLocal8Bit().constData(), 9600, 'N', 8, 1);
        if (!m_mapping || !m_context || modbus_set_slave(m_context, slaveId) != 0 ||
            modbus_connect(m_context) != 0)
            return;
        // Wake up regularly so the thread can be stopped.
        modbus_set_indication_timeout(m_context, 0, 100000);
        m_thread = std::thread([this] { serve(); });
    }

    ~LibmodbusSlave() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_context) {
            modbus_close(m_context);
            modbus_free(m_context);
        }
        if (m_mapping)
            modbus_mapping_free(m_mapping);
    }

    bool isReady() const { return m_thread.joinable(); }

    void setValue(int reg, uint32_t value) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mapping->tab_registers[reg] = static_cast<uint16_t>(value >> 16);
        m_mapping->tab_registers[reg + 1] = static_cast<uint16_t>(value & 0xFFFF);
    }

    uint32_t value(int reg) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return (uint32_t{m_mapping->tab_registers[reg]} << 16) | m_mapping->tab_registers[reg + 1];
    }

    int framesRejected() const { return m_rejected.load(); }

private:
    void serve() {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!m_stop) {
            const int size = modbus_receive(m_context, query);
            if (size > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                modbus_reply(m_context, query, size, m_mapping);
            } else if (size < 0 && errno == EMBBADCRC) {
                ++m_rejected;
                modbus_flush(m_context);
            }
        }
    }

    modbus_t *m_context = nullptr;
    modbus_mapping_t *m_mapping = nullptr;
    std::mutex m_mutex;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_rejected{0};
    std::thread m_thread;
};

// libmodbus at address 1 behind a null modem, an RS232 amplifier on the other end, connected.
struct Rs232Peer {
    PseudoTerminalModem modem;
    LibmodbusSlave slave{modem.secondPath(), 1};
    RS232Amplifier amplifier{QStringLiteral("M"), modem.firstPath(), 9600};
    explicit Rs232Peer(uint32_t adValue = 1) {
        if (!modem.isReady() || !slave.isReady())
            return;
        slave.setValue(0x1F40, adValue);
        amplifier.connect();
    }
    bool ok() const { return amplifier.isConnected(); }
};

} // namespace

class TestModbusInterop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint32_t>("uint32_t"); }

    // Reads, a plain and a calibration write, all taken by libmodbus without a rejected frame; its exception
    // answer is recognised and read as 0. The sequences of writes are pinned byte for byte elsewhere.
    void rs232_exchangesAgreeWithLibmodbus() {
        Rs232Peer peer(250000);
        QVERIFY(peer.ok());
        peer.slave.setValue(0x0056, 4);
        QSignalSpy ad(&peer.amplifier, &RS232Amplifier::adValueReceived);
        QSignalSpy errors(&peer.amplifier, &RS232Amplifier::readErrorOccurred);
        QCOMPARE(peer.amplifier.readMeasurement(), 250000u);
        QCOMPARE(ad.count(), 1);
        QCOMPARE(peer.amplifier.readRegister(0x0056), 4u);

        peer.amplifier.writeRegister(0x0007, 0x87654321u);
        QCOMPARE(peer.slave.value(0x0007), 0x87654321u);
        QCOMPARE(peer.amplifier.readRegister(0x0007), 0x87654321u);
        // The calibration write uses its own sequence on the port.
        peer.amplifier.writeCalibrationValue(0x0007, 0xFFFF0000u);
        QTRY_COMPARE_WITH_TIMEOUT(peer.slave.value(0x0007), 0xFFFF0000u, 5000);

        // 0x2000 lies outside libmodbus's register map: it answers "illegal data address" (code 2).
        const modbus::ReadAnswer refused =
            modbus::decodeReadAnswer(peer.amplifier.sendCommand(modbus::readRequest(0x01, 0x2000), 9), 0x01);
        QCOMPARE(refused.fault, modbus::AnswerFault::Exception);
        QCOMPARE(refused.exceptionCode, uint8_t(MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS));
        QCOMPARE(peer.amplifier.readRegister(0x2000), 0u);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(peer.slave.framesRejected(), 0);
    }
};

QTEST_GUILESS_MAIN(TestModbusInterop)
#include "tst_modbus_interop.moc"
