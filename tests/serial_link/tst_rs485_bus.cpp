// The shared RS485 line against the simulated amplifier on a pseudo-terminal: open rules, the exchange,
// discarding of late answers, frame logging, and a port that vanishes and comes back. Answer faults and
// several amplifiers polling one line at once are tested through the driver (tst_rs485_driver).

#include "link/serial/FrameLog.h"
#include "link/serial/RS485Bus.h"
#include "protocol/ModbusFrames.h"

#include "SimulatorProcess.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr uint16_t kRawAd = 0x1F40;

// Runs `call` and returns the text of the std::runtime_error it raised, or "" when it raised nothing.
QString errorOf(const std::function<void()> &call) {
    try {
        call();
    } catch (const std::runtime_error &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

// A line opened on a simulator.
struct Line {
    SimulatorProcess sim;
    RS485Bus bus;
    bool ok = false;
    explicit Line(const QStringList &arguments = {})
        : sim(arguments) {
        ok = sim.isReady() && bus.open(sim.port(), 9600);
    }
    std::vector<uint8_t> readAd(uint8_t id = 1) { return bus.transact(modbus::readRequest(id, kRawAd), 9); }
};

QStringList g_messages;
QMutex g_messagesLock;

void captureMessages(QtMsgType, const QMessageLogContext &context, const QString &message) {
    if (QByteArray(context.category) == "kelvora.frames") {
        QMutexLocker lock(&g_messagesLock);
        g_messages << message;
    }
}

} // namespace

class TestRS485Bus : public QObject {
    Q_OBJECT

private slots:
    void open_rules() {
        RS485Bus bus;
        const auto request = modbus::readRequest(1, kRawAd);
        QVERIFY(!bus.open(QStringLiteral("/dev/ttyKelvoraMissing"), 9600));
        QVERIFY(!bus.isOpen());
        QCOMPARE(errorOf([&] { bus.transact(request, 9); }), QStringLiteral("Serial port is not open."));
        // The lock was released on the way out: another thread gets through (a held lock would hang here).
        QString fromThread;
        std::thread thread([&] { fromThread = errorOf([&] { bus.transact(request, 9); }); });
        thread.join();
        QCOMPARE(fromThread, QStringLiteral("Serial port is not open."));
        // Once open, later opens of other ports keep the first line.
        SimulatorProcess first;
        SimulatorProcess second;
        QVERIFY2(first.isReady() && second.isReady(), qPrintable(first.errorString() + second.errorString()));
        QVERIFY(bus.open(first.port(), 9600));
        QVERIFY(bus.open(second.port(), 19200));
        QVERIFY(bus.open(QStringLiteral("/dev/ttyKelvoraMissing"), 9600));
        QCOMPARE(bus.transact(request, 9).size(), size_t{9});
        QCOMPARE(first.query(QStringLiteral("count 1")), 1);
        QCOMPARE(second.query(QStringLiteral("count 1")), 0);
    }

    void transact_readsTheAddressedDevice_andWritesWithoutAnswer() {
        Line line({QStringLiteral("--ids"), QStringLiteral("1,17")});
        QVERIFY(line.ok);
        QCOMPARE(line.sim.command(QStringLiteral("load 17 123456")), QStringLiteral("OK"));
        const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(line.readAd(17), 17);
        QVERIFY2(decoded.ok(), modbus::describe(decoded).c_str());
        QCOMPARE(decoded.value, 123456u);
        // An id nobody has stays unanswered: an empty answer, not an error.
        QCOMPARE(line.readAd(5), std::vector<uint8_t>{});
        // Expected size 0: the bytes are written, nothing is waited for.
        const QByteArray text("SPAN:5000\n");
        QCOMPARE(line.bus.transact(std::vector<uint8_t>(text.begin(), text.end()), 0),
                 std::vector<uint8_t>{});
        const std::vector<uint8_t> write = modbus::writeRequest(1, 0x0056, 3);
        QCOMPARE(line.bus.transact(write, 0), std::vector<uint8_t>{});
        QTRY_COMPARE_WITH_TIMEOUT(line.sim.command(QStringLiteral("get 1 0x56")), QStringLiteral("OK 3"),
                                  10000);
        const QByteArray writeHex(reinterpret_cast<const char *>(write.data()),
                                  static_cast<int>(write.size()));
        QCOMPARE(line.sim.command(QStringLiteral("log 1")),
                 QStringLiteral("OK 5350414E3A353030300A;") +
                     QString::fromLatin1(writeHex.toHex().toUpper()));
    }

    void transact_lateAnswer_isDiscardedBeforeTheNextRequest() {
        Line line({QStringLiteral("--id-encoding")});
        QVERIFY(line.ok);
        // 180 ms: after the read gave up (10 ms pause + 140 ms), inside the next request's read window.
        QCOMPARE(line.sim.command(QStringLiteral("fault 1 late 180")), QStringLiteral("OK"));
        QCOMPARE(line.readAd(), std::vector<uint8_t>{});
        // The first answer, still on its way, is not taken for the second's. (A loaded machine may overrun
        // the second read long enough for its own late answer to come: that one is right.)
        const std::vector<uint8_t> second = line.readAd();
        QVERIFY(second.empty() || (modbus::decodeReadAnswer(second, 1).value & 0xFFFF) == 2);
        QCOMPARE(line.sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        const modbus::ReadAnswer fresh = modbus::decodeReadAnswer(line.readAd(), 1);
        QVERIFY2(fresh.ok(), modbus::describe(fresh).c_str());
        QCOMPARE(fresh.value & 0xFFFF, 3u); // the answer to the third request
    }

    void frameLog_isOffByDefaultAndDumpsBothDirectionsWhenOn() {
        Line line;
        QVERIFY(line.ok);
        QCOMPARE(line.sim.command(QStringLiteral("set 1 0x1F40 0x00012345")), QStringLiteral("OK"));
        const QtMessageHandler previous = qInstallMessageHandler(captureMessages);
        g_messages.clear();
        line.readAd();
        QVERIFY(g_messages.isEmpty());
        QLoggingCategory::setFilterRules(QStringLiteral("kelvora.frames.debug=true"));
        line.readAd();
        line.readAd(9); // nobody answers id 9
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
        const QString port = line.sim.port();
        QCOMPARE(g_messages.size(), 4);
        QCOMPARE(g_messages[0], port + QStringLiteral(" -> 01 03 1F 40 00 02 C2 0B (8 bytes)"));
        QVERIFY2(g_messages[1].startsWith(port + QStringLiteral(" <- 01 03 04 00 01 23 45 ")),
                 qPrintable(g_messages[1]));
        QCOMPARE(g_messages[3], port + QStringLiteral(" <- (nothing)"));
    }

    void portVanishes_midExchange_raisesAndReopensWhenBack() {
        auto sim = std::make_unique<SimulatorProcess>();
        QVERIFY2(sim->isReady(), qPrintable(sim->errorString()));
        RS485Bus bus;
        QVERIFY(bus.open(sim->port(), 9600));
        QCOMPARE(sim->command(QStringLiteral("fault 1 silence")), QStringLiteral("OK"));
        const auto request = modbus::readRequest(1, kRawAd);
        // An exchange waiting for an answer when the device goes away.
        QString midExchange;
        std::thread thread([&] { midExchange = errorOf([&] { bus.transact(request, 9); }); });
        // Joined on every way out, a failed check included.
        const std::unique_ptr<std::thread, void (*)(std::thread *)> joiner(&thread, [](std::thread *t) {
            if (t->joinable())
                t->join();
        });
        QTRY_COMPARE_WITH_TIMEOUT(sim->query(QStringLiteral("count 1")), 1, 10000);
        sim->kill();
        thread.join();
        // Either the read was cut off, or (on a slow machine) it had already timed out with nothing.
        QVERIFY2(midExchange == QLatin1String("Error reading from serial port.") || midExchange.isEmpty(),
                 qPrintable(midExchange));
        QCOMPARE(errorOf([&] { bus.transact(request, 9); }), QStringLiteral("Error writing to serial port."));
        QVERIFY(bus.isOpen());
        // The device is back (maybe on another terminal): the next open replaces the dead handle.
        sim = std::make_unique<SimulatorProcess>();
        QVERIFY2(sim->isReady(), qPrintable(sim->errorString()));
        QVERIFY(bus.open(sim->port(), 9600));
        QVERIFY(modbus::decodeReadAnswer(bus.transact(request, 9), 1).ok());
        QCOMPARE(sim->query(QStringLiteral("count 1")), 1);
    }
};

QTEST_GUILESS_MAIN(TestRS485Bus)
#include "tst_rs485_bus.moc"
