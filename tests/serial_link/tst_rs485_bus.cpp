// The shared RS485 line against the simulated amplifier (tools/kelvora-sim) on a pseudo-terminal: open
// rules, the exchange and its errors, purging of late answers, frame logging, concurrent exchanges of
// several threads (std::thread, whose joins ThreadSanitizer can see), and a port that vanishes and comes
// back. The link's time-out mechanics are covered by tst_serial_link; the drivers built on this line by their
// own suites.

#include "amplifiers/rs232/FrameLog.h"
#include "amplifiers/rs232/ModbusFrames.h"
#include "amplifiers/rs485/RS485Bus.h"

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
constexpr uint16_t kMeasuringValue = 0x0000;

// Runs `call` and returns the text of the std::runtime_error it raised, or "" when it raised nothing.
QString errorOf(const std::function<void()> &call) {
    try {
        call();
    } catch (const std::runtime_error &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

// A value of a simulated device with id encoding: id, low byte of the register, counter.
struct Encoded {
    uint8_t id;
    uint8_t reg;
    uint16_t counter;
};

Encoded decode(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint16_t>(value)};
}

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
    void transact_beforeOpen_raisesAndLeavesLockFree();
    void open_missingPort_failsThenValidPortOpens();
    void open_secondCallWithOtherPort_keepsFirstLine();
    void transact_readRequest_getsTheDevicesAnswer();
    void transact_expectedSizeZero_writesAndReturnsEmpty();
    void transact_answerFaults_returnWhatCameWithoutError_data();
    void transact_answerFaults_returnWhatCameWithoutError();
    void transact_lateAnswer_isPurgedBeforeTheNextRequest();
    void frameLog_isOffByDefaultAndDumpsBothDirectionsWhenOn();
    void concurrentThreads_eachGetOnlyTheirOwnAnswers();
    void portVanishes_midExchange_raisesAndReopensWhenBack();
};

void TestRS485Bus::transact_beforeOpen_raisesAndLeavesLockFree() {
    RS485Bus bus;
    QVERIFY(!bus.isOpen());
    const auto request = modbus::readRequest(1, kRawAd);
    QCOMPARE(errorOf([&] { bus.transact(request, 9); }), QStringLiteral("Serial port is not open."));
    // The lock was released on the way out: another thread gets through (a held lock would hang here).
    QString fromThread;
    std::thread thread([&] { fromThread = errorOf([&] { bus.transact(request, 9); }); });
    thread.join();
    QCOMPARE(fromThread, QStringLiteral("Serial port is not open."));
    SimulatorProcess sim;
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QVERIFY(bus.open(sim.port(), 9600));
}

void TestRS485Bus::open_missingPort_failsThenValidPortOpens() {
    RS485Bus bus;
    QVERIFY(!bus.open(QStringLiteral("/dev/ttyKelvoraMissing"), 9600));
    QVERIFY(!bus.isOpen());
    QCOMPARE(errorOf([&] { bus.transact(modbus::readRequest(1, kRawAd), 9); }),
             QStringLiteral("Serial port is not open."));
    SimulatorProcess sim;
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QVERIFY(bus.open(sim.port(), 9600));
    QVERIFY(bus.isOpen());
    QCOMPARE(bus.transact(modbus::readRequest(1, kRawAd), 9).size(), size_t{9});
}

void TestRS485Bus::open_secondCallWithOtherPort_keepsFirstLine() {
    SimulatorProcess first;
    SimulatorProcess second;
    QVERIFY2(first.isReady() && second.isReady(), qPrintable(first.errorString() + second.errorString()));
    RS485Bus bus;
    QVERIFY(bus.open(first.port(), 9600));
    QVERIFY(bus.open(second.port(), 19200));
    QVERIFY(bus.open(QStringLiteral("/dev/ttyKelvoraMissing"), 9600));
    QCOMPARE(bus.transact(modbus::readRequest(1, kRawAd), 9).size(), size_t{9});
    QCOMPARE(first.query(QStringLiteral("count 1")), 1);
    QCOMPARE(second.query(QStringLiteral("count 1")), 0);
}

void TestRS485Bus::transact_readRequest_getsTheDevicesAnswer() {
    SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("1,17")});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QCOMPARE(sim.command(QStringLiteral("load 17 123456")), QStringLiteral("OK"));
    RS485Bus bus;
    QVERIFY(bus.open(sim.port(), 9600));
    const std::vector<uint8_t> answer = bus.transact(modbus::readRequest(17, kRawAd), 9);
    const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(answer, 17);
    QVERIFY2(decoded.ok(), modbus::describe(decoded).c_str());
    QCOMPARE(decoded.value, 123456u);
    // An id nobody has stays unanswered: an empty answer, not an error.
    QCOMPARE(bus.transact(modbus::readRequest(5, kRawAd), 9), std::vector<uint8_t>{});
}

void TestRS485Bus::transact_expectedSizeZero_writesAndReturnsEmpty() {
    SimulatorProcess sim;
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    RS485Bus bus;
    QVERIFY(bus.open(sim.port(), 9600));
    const QByteArray text("SPAN:5000\n");
    const std::vector<uint8_t> line(text.begin(), text.end());
    QCOMPARE(bus.transact(line, 0), std::vector<uint8_t>{});
    const std::vector<uint8_t> write = modbus::writeRequest(1, 0x0056, 3);
    QCOMPARE(bus.transact(write, 0), std::vector<uint8_t>{});
    QTRY_COMPARE_WITH_TIMEOUT(sim.command(QStringLiteral("get 1 0x56")), QStringLiteral("OK 3"), 10000);
    QCOMPARE(sim.command(QStringLiteral("log 1")),
             QStringLiteral("OK 5350414E3A353030300A;") +
                 QString::fromLatin1(
                     QByteArray(reinterpret_cast<const char *>(write.data()), static_cast<int>(write.size()))
                         .toHex()
                         .toUpper()));
}

void TestRS485Bus::transact_answerFaults_returnWhatCameWithoutError_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("check");
    QTest::newRow("silence") << "silence" << 0 << "";
    QTest::newRow("truncate") << "truncate" << 5 << "";
    QTest::newRow("exception") << "exception" << 5 << "exception";
    QTest::newRow("bad crc") << "bad-crc" << 9 << "crc";
    QTest::newRow("other id") << "other-id" << 9 << "address";
}

void TestRS485Bus::transact_answerFaults_returnWhatCameWithoutError() {
    QFETCH(QString, fault);
    QFETCH(int, size);
    QFETCH(QString, check);
    SimulatorProcess sim;
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QCOMPARE(sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
    RS485Bus bus;
    QVERIFY(bus.open(sim.port(), 9600));
    std::vector<uint8_t> answer;
    QCOMPARE(errorOf([&] { answer = bus.transact(modbus::readRequest(1, kRawAd), 9); }), QString());
    QCOMPARE(static_cast<int>(answer.size()), size);
    const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(answer, 1);
    QVERIFY(!decoded.ok());
    if (check == QLatin1String("exception"))
        QCOMPARE(decoded.fault, modbus::AnswerFault::Exception);
    else if (check == QLatin1String("crc"))
        QCOMPARE(decoded.fault, modbus::AnswerFault::BadCrc);
    else if (check == QLatin1String("address"))
        QCOMPARE(decoded.fault, modbus::AnswerFault::WrongAddress);
    // Switched off, the same line answers properly again.
    QCOMPARE(sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
    QVERIFY(modbus::decodeReadAnswer(bus.transact(modbus::readRequest(1, kRawAd), 9), 1).ok());
}

void TestRS485Bus::transact_lateAnswer_isPurgedBeforeTheNextRequest() {
    SimulatorProcess sim({QStringLiteral("--id-encoding")});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QCOMPARE(sim.command(QStringLiteral("fault 1 late 400")), QStringLiteral("OK"));
    RS485Bus bus;
    QVERIFY(bus.open(sim.port(), 9600));
    // The answer comes well after the read has given up (10 ms pause + 140 ms).
    QCOMPARE(bus.transact(modbus::readRequest(1, kRawAd), 9), std::vector<uint8_t>{});
    QCOMPARE(sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
    // Let the late answer land in the input buffer before the next request.
    QTest::qWait(900);
    const modbus::ReadAnswer fresh =
        modbus::decodeReadAnswer(bus.transact(modbus::readRequest(1, kRawAd), 9), 1);
    QVERIFY2(fresh.ok(), modbus::describe(fresh).c_str());
    QCOMPARE(decode(fresh.value).counter, uint16_t{2}); // the answer to the second request, not the first
}

void TestRS485Bus::frameLog_isOffByDefaultAndDumpsBothDirectionsWhenOn() {
    SimulatorProcess sim;
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QCOMPARE(sim.command(QStringLiteral("set 1 0x1F40 0x00012345")), QStringLiteral("OK"));
    RS485Bus bus;
    QVERIFY(bus.open(sim.port(), 9600));
    const QtMessageHandler previous = qInstallMessageHandler(captureMessages);
    g_messages.clear();
    bus.transact(modbus::readRequest(1, kRawAd), 9);
    QVERIFY(g_messages.isEmpty());

    QLoggingCategory::setFilterRules(QStringLiteral("kelvora.frames.debug=true"));
    bus.transact(modbus::readRequest(1, kRawAd), 9);
    bus.transact(modbus::readRequest(9, kRawAd), 9); // nobody answers id 9
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    QCOMPARE(g_messages.size(), 4);
    QCOMPARE(g_messages[0], sim.port() + QStringLiteral(" -> 01 03 1F 40 00 02 C2 0B (8 bytes)"));
    QVERIFY2(g_messages[1].startsWith(sim.port() + QStringLiteral(" <- 01 03 04 00 01 23 45 ")),
             qPrintable(g_messages[1]));
    QCOMPARE(g_messages[3], sim.port() + QStringLiteral(" <- (nothing)"));
}

void TestRS485Bus::concurrentThreads_eachGetOnlyTheirOwnAnswers() {
    const std::vector<uint8_t> ids{1, 2, 17, 247};
    SimulatorProcess sim(
        {QStringLiteral("--ids"), QStringLiteral("1,2,17,247"), QStringLiteral("--id-encoding")});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    RS485Bus bus;
    QVERIFY(bus.open(sim.port(), 9600));

    constexpr int kExchanges = 60;
    struct Result {
        int good = 0;
        QString problem;
    };
    std::vector<Result> results(ids.size());
    std::vector<std::thread> threads;
    for (size_t t = 0; t < ids.size(); ++t) {
        threads.emplace_back([&bus, &results, t, id = ids[t]] {
            uint16_t lastCounter = 0;
            for (int i = 0; i < kExchanges; ++i) {
                const uint16_t reg = (i % 2) ? kRawAd : kMeasuringValue;
                try {
                    const modbus::ReadAnswer answer =
                        modbus::decodeReadAnswer(bus.transact(modbus::readRequest(id, reg), 9), id);
                    const Encoded value = decode(answer.value);
                    if (!answer.ok() || value.id != id || value.reg != (reg & 0xFF) ||
                        value.counter <= lastCounter) {
                        results[t].problem = QStringLiteral("id %1 exchange %2: %3 value %4")
                                                 .arg(id)
                                                 .arg(i)
                                                 .arg(QString::fromStdString(modbus::describe(answer)))
                                                 .arg(answer.value, 8, 16, QLatin1Char('0'));
                        return;
                    }
                    lastCounter = value.counter;
                    ++results[t].good;
                } catch (const std::exception &error) {
                    results[t].problem = QString::fromUtf8(error.what());
                    return;
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (size_t t = 0; t < ids.size(); ++t) {
        QVERIFY2(results[t].problem.isEmpty(), qPrintable(results[t].problem));
        QCOMPARE(results[t].good, kExchanges);
        QCOMPARE(sim.query(QStringLiteral("count %1").arg(ids[t])), kExchanges);
    }
}

void TestRS485Bus::portVanishes_midExchange_raisesAndReopensWhenBack() {
    auto sim = std::make_unique<SimulatorProcess>();
    QVERIFY2(sim->isReady(), qPrintable(sim->errorString()));
    RS485Bus bus;
    QVERIFY(bus.open(sim->port(), 9600));
    QCOMPARE(sim->command(QStringLiteral("fault 1 silence")), QStringLiteral("OK"));

    // An exchange waiting for an answer when the device goes away.
    QString midExchange;
    std::thread thread(
        [&] { midExchange = errorOf([&] { bus.transact(modbus::readRequest(1, kRawAd), 9); }); });
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

    QCOMPARE(errorOf([&] { bus.transact(modbus::readRequest(1, kRawAd), 9); }),
             QStringLiteral("Error writing to serial port."));
    QVERIFY(bus.isOpen());

    // The device is back (a new simulator, maybe on another terminal): the next open replaces the dead
    // handle, and exchanges work again.
    sim = std::make_unique<SimulatorProcess>();
    QVERIFY2(sim->isReady(), qPrintable(sim->errorString()));
    QVERIFY(bus.open(sim->port(), 9600));
    QVERIFY(modbus::decodeReadAnswer(bus.transact(modbus::readRequest(1, kRawAd), 9), 1).ok());
    QCOMPARE(sim->query(QStringLiteral("count 1")), 1);
}

QTEST_GUILESS_MAIN(TestRS485Bus)
#include "tst_rs485_bus.moc"
