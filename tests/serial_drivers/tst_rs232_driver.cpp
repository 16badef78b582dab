// The RS232 driver against the simulated amplifier over a real pseudo-terminal: handshake, workers, zero,
// tare, two-point calibration, filter setters, self-test and every injected line fault with recovery. What
// RS485 shares is tested here once; its differences are in tst_rs485_driver.
#include "SimulatorLog.h"
#include "SimulatorProcess.h"

#include "device/ReadingWorker.h"
#include "device/rs232/RS232Amplifier.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using Setter = std::function<void(RS232Amplifier &)>;
Q_DECLARE_METATYPE(Setter)

namespace {

// The self-test runs on a thread of its own; its narration and verdict arrive through the event loop.
void finishSelfTest(RS232Amplifier &amplifier) {
    QSignalSpy done(&amplifier, &AmplifierBase::selfTestFinished);
    amplifier.testAllRegisters();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 60000);
}

constexpr int kWaitMs = 10000;

struct Rig {
    SimulatorProcess sim;
    std::unique_ptr<RS232Amplifier> amplifier;
    std::unique_ptr<SignalLog> errors;

    explicit Rig(bool connect = true) {
        if (!sim.isReady())
            return;
        amplifier = std::make_unique<RS232Amplifier>(QStringLiteral("AmplifierModel"), sim.port(), 9600);
        errors = std::make_unique<SignalLog>(amplifier.get(), &RS232Amplifier::readErrorOccurred);
        if (connect)
            amplifier->connect();
    }
    bool ready() { return amplifier && sim.isReady(); }
    bool connected() { return ready() && amplifier->isConnected(); }
};

} // namespace

class TestRS232Driver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint32_t>("uint32_t"); }

    // ---- connection

    void connect_succeeds_andSecondCallDoesNotTouchThePort() {
        Rig rig(false);
        QVERIFY2(rig.ready(), qPrintable(rig.sim.errorString()));
        QSignalSpy succeeded(rig.amplifier.get(), &RS232Amplifier::connectionSuccessful);
        rig.amplifier->connect();
        QCOMPARE(succeeded.count(), 1);
        QVERIFY(rig.amplifier->isConnected());
        const qint64 requests = rig.sim.query(QStringLiteral("count 1"));
        QCOMPARE(requests, 1);
        rig.amplifier->connect();
        QCOMPARE(succeeded.count(), 2);
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), requests);
    }

    void connect_failure_givesMessage_andPortStaysClosed_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("port"); // "sim", "busy sim" (held by another opener) or a path
        QTest::addColumn<QString>("message");
        const QString open = QStringLiteral("Failed to open serial port: %1: ");
        const auto row = [](const char *tag, const char *fault, const char *port, const QString &message) {
            QTest::newRow(tag) << fault << port << message;
        };
        row("missing port", "", "/dev/kelvora-missing-port", open + "no such port");
        row("regular file", "", "/dev/null", open + "not a serial port");
        row("port in use", "", "busy sim", open + "in use by another program");
        row("silent amplifier", "silence", "sim", "Handshake failed. Amplifier may not be responsive.");
        // Each cause is named once, in the one message.
        row("exception answer", "exception", "sim",
            "Handshake failed: the amplifier refused the read: Modbus exception 2 (illegal data address).");
    }
    void connect_failure_givesMessage_andPortStaysClosed() {
        QFETCH(QString, fault);
        QFETCH(QString, port);
        QFETCH(QString, message);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!fault.isEmpty())
            QCOMPARE(sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        serial::SerialLink holder;
        if (port == QLatin1String("busy sim"))
            QVERIFY(holder.open(sim.port().toStdString()));
        const bool simPort = port.endsWith(QLatin1String("sim"));
        const QString path = simPort ? sim.port() : port;
        RS232Amplifier amplifier(QStringLiteral("M"), path, 9600);
        QSignalSpy failed(&amplifier, &RS232Amplifier::connectionFailed);
        QSignalSpy succeeded(&amplifier, &RS232Amplifier::connectionSuccessful);
        amplifier.connect();
        QCOMPARE(texts(failed), QStringList{message.arg(path)});
        QCOMPARE(succeeded.count(), 0);
        QVERIFY(!amplifier.isConnected());
        if (fault.isEmpty())
            return;
        // The failed handshake closed the port: once the amplifier answers, a new connect opens it again.
        QCOMPARE(sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        amplifier.connect();
        QCOMPARE(succeeded.count(), 1);
        QVERIFY(amplifier.isConnected());
    }

    void notConnected_everyOperationAndTheSelfTestRefuseWithoutTraffic() {
        Rig rig(false);
        QVERIFY2(rig.ready(), qPrintable(rig.sim.errorString()));
        RS232Amplifier &amplifier = *rig.amplifier;
        QSignalSpy calibrationFailed(&amplifier, &RS232Amplifier::calibrationFailed);

        QCOMPARE(amplifier.readMeasurement(), 0u);
        amplifier.startContinuousADRead(10);
        amplifier.startContinuousMeasuringValueRead(10);
        amplifier.zero();
        amplifier.tare();
        amplifier.setFilteringLevel(3);
        amplifier.calibrate(QStringLiteral("span"), 5000);
        QVERIFY(amplifier.sendCommand(std::vector<uint8_t>{0x01, 0x03}, 9).empty());
        amplifier.calibrateTwoPoints(1, 2, 3);

        QCOMPARE(texts(*rig.errors),
                 (QStringList{
                     QStringLiteral("RS232 Amplifier is not connected. Cannot read measurement."),
                     QStringLiteral("Amplifier is not connected. Cannot start AD reading."),
                     QStringLiteral("RS232 Amplifier is not connected. Cannot start measuring value read."),
                     QStringLiteral("RS232 Amplifier is not connected. Cannot perform zero."),
                     QStringLiteral("RS232 Amplifier is not connected. Cannot perform tare."),
                     QStringLiteral("Serial port is not open."),
                     QStringLiteral("Serial port is not open."),
                     QStringLiteral("Serial port is not open."),
                 }));
        QCOMPARE(texts(calibrationFailed), QStringList{QStringLiteral("Amplifier is not connected.")});
        QVERIFY(!amplifier.isReading());

        QSignalSpy log(&amplifier, &RS232Amplifier::logMessage);
        finishSelfTest(amplifier);
        const QStringList lines = texts(log);
        QVERIFY(lines.contains(QStringLiteral("【错误】原值读取失败（0x0007: Serial port is not "
                                              "open.），为免丢失现有设置，不写入任何测试数据。")));
        QCOMPARE(lines.filter(QStringLiteral("原值未能保存，跳过写入")).size(), 8);
        // Not read is not "too low": nothing is known of the sensor.
        QVERIFY(lines.contains(QStringLiteral("【错误】原始AD值读取失败。")));
        QVERIFY(lines.at(lines.size() - 2).contains(QStringLiteral("; the raw AD value could not be read;")));
        QCOMPARE(lines.last(), QStringLiteral("放大器功能测试全部完成。"));
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), 0);
    }

    // ---- reads and the workers

    void workers_adEveryCycle_measuringOnChange_secondStartIgnored() {
        Rig rig;
        QVERIFY(rig.connected());
        SignalLog ad(rig.amplifier.get(), &RS232Amplifier::adValueReceived);
        SignalLog measuring(rig.amplifier.get(), &RS232Amplifier::measuringValueReceived);
        rig.amplifier->startContinuousADRead(20);
        QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= 3, kWaitMs);
        // The constant load gives the same value every cycle, and every cycle still emits it.
        QCOMPARE(ad.at(0).at(0).value<uint32_t>(), 250000u);
        QCOMPARE(ad.at(2).at(0).value<uint32_t>(), 250000u);

        rig.amplifier->startContinuousMeasuringValueRead(20);
        const int before = ad.count();
        QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= before + 3, kWaitMs);
        QCOMPARE(measuring.count(), 0);

        rig.amplifier->stopContinuousADRead();
        QVERIFY(!rig.amplifier->isReading());
        QCoreApplication::processEvents();
        const int stopped = ad.count();

        // The measuring value goes out on change only, a negative one as two's complement. Its cycles are
        // the clock that shows the stopped AD reading stays stopped.
        rig.amplifier->startContinuousMeasuringValueRead(10);
        QTRY_VERIFY_WITH_TIMEOUT(rig.amplifier->completedMeasuringCycles() >= 5, kWaitMs);
        QCOMPARE(ad.count(), stopped);
        QTRY_COMPARE_WITH_TIMEOUT(measuring.count(), 1, kWaitMs);
        QCOMPARE(measuring.at(0).at(0).value<uint32_t>(), 150000u);
        QCOMPARE(rig.amplifier->getMeasuredWeight(), 1500.0);
        QCOMPARE(rig.sim.command(QStringLiteral("set 1 0 -5")), QStringLiteral("OK"));
        QTRY_COMPARE_WITH_TIMEOUT(measuring.count(), 2, kWaitMs);
        QCOMPARE(measuring.at(1).at(0).value<uint32_t>(), 4294967291u);
        QCOMPARE(rig.amplifier->getMeasuredWeight(), -0.05);
        QCOMPARE(ad.count(), stopped);
        rig.amplifier->stopContinuousADRead();
        QVERIFY(rig.errors->isEmpty());
    }

    void guiThreadExchanges_neverInterleaveWithWorker() {
        SimulatorProcess sim({QStringLiteral("--id-encoding")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        RS232Amplifier amplifier(QStringLiteral("M"), sim.port(), 9600);
        amplifier.connect();
        QVERIFY(amplifier.isConnected());
        // Live values carry the register they answer (0x40 for the AD register, 0x00 for the measuring
        // value) and a per-device counter: a mixed-up or repeated answer gives itself away.
        QMutex mutex;
        QList<uint32_t> workerValues;
        QObject::connect(
            &amplifier, &RS232Amplifier::adValueReceived, &amplifier,
            [&](uint32_t value) {
                QMutexLocker lock(&mutex);
                workerValues << value;
            },
            Qt::DirectConnection);
        SignalLog errors(&amplifier, &RS232Amplifier::readErrorOccurred);
        amplifier.startContinuousADRead(0);
        QList<uint32_t> guiValues;
        for (int i = 0; i < 40; ++i) {
            guiValues << amplifier.readRegister(0x0000);
            amplifier.setFilteringLevel(static_cast<uint8_t>(i % 6));
        }
        amplifier.stopContinuousADRead();
        QCOMPARE(errors.count(), 0);
        QVERIFY(workerValues.size() > 0);
        for (uint32_t value : guiValues)
            QCOMPARE((value >> 16) & 0xFF, 0x00u);
        uint32_t previous = 0;
        for (uint32_t value : workerValues) {
            QCOMPARE((value >> 16) & 0xFF, 0x40u);
            QVERIFY((value & 0xFFFF) > previous);
            previous = value & 0xFFFF;
        }
    }

    void destroyingAmplifierWithRunningWorker_returnsAfterWorkerEnded() {
        Rig rig;
        QVERIFY(rig.connected());
        rig.amplifier->startContinuousADRead(5000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.sim.query(QStringLiteral("count 1")) >= 2, kWaitMs);
        // A stop wakes the worker out of its long pause; the destructor joins it before the port goes.
        rig.errors.reset();
        rig.amplifier.reset();
        const qint64 requests = rig.sim.query(QStringLiteral("count 1"));
        QTest::qWait(100);
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), requests);
    }

    // ---- faults on the line

    void readMeasurement_fault_isReported_andRecovers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        const QString length = QStringLiteral("Invalid response length while reading measurement.");
        const QString invalid = QStringLiteral("Invalid response while reading measurement: %1.");
        QTest::newRow("silence") << "silence" << length;
        // 180 ms late: after the read gave up, in time for the next request's read window.
        QTest::newRow("late") << "late 180" << length;
        QTest::newRow("exception") << "exception" << invalid.arg("Modbus exception 2 (illegal data address)");
    }
    void readMeasurement_fault_isReported_andRecovers() {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        Rig rig;
        QVERIFY(rig.connected());
        SignalLog ad(rig.amplifier.get(), &RS232Amplifier::adValueReceived);
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        QCOMPARE(rig.amplifier->readMeasurement(), 0u);
        QCOMPARE(texts(*rig.errors), QStringList{message});
        QCOMPARE(ad.count(), 0);
        // A refused answer is never taken as a value, whatever register is read.
        QCOMPARE(rig.amplifier->readRegister(0x0004), 0u);

        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.amplifier->readMeasurement(), 250000u, kWaitMs);
        QCOMPARE(rig.amplifier->readRegister(0x0056), 2u);
    }

    void workers_fault_isReported_andRecovers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("adWorker");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("repeated"); // the fault is left on until its repeats are reported
        const QStringList nothing{QStringLiteral("No data received from the amplifier."),
                                  QStringLiteral("Incomplete response received.")};
        QTest::newRow("AD, silence") << "silence" << true << nothing << true;
        const QString measuring = QStringLiteral("Invalid response while reading measuring value: %1.");
        QTest::newRow("AD, other-id")
            << "other-id" << true << QStringList{"Unexpected start byte in response. Check serial buffer."}
            << false;
        QTest::newRow("AD, bad-crc")
            << "bad-crc" << true << QStringList{"Invalid response while reading AD value: CRC check failed."}
            << false;
        QTest::newRow("measuring, bad-crc")
            << "bad-crc" << false << QStringList{measuring.arg("CRC check failed")} << true;
    }
    void workers_fault_isReported_andRecovers() {
        QFETCH(QString, fault);
        QFETCH(bool, adWorker);
        QFETCH(QStringList, messages);
        QFETCH(bool, repeated);
        Rig rig;
        QVERIFY(rig.connected());
        SignalLog ad(rig.amplifier.get(), &RS232Amplifier::adValueReceived);
        SignalLog measuring(rig.amplifier.get(), &RS232Amplifier::measuringValueReceived);
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        constexpr int kIntervalMs = 100;
        const qint64 requestsBefore = rig.sim.query(QStringLiteral("count 1"));
        QElapsedTimer clock;
        clock.start();
        if (adWorker)
            rig.amplifier->startContinuousADRead(kIntervalMs);
        else
            rig.amplifier->startContinuousMeasuringValueRead(kIntervalMs);
        // The first failure is reported word for word; its repeats come at most once a second, counted.
        QTRY_VERIFY_WITH_TIMEOUT(rig.errors->count() >= messages.size() + (repeated ? 1 : 0), kWaitMs);
        const qint64 requests = rig.sim.query(QStringLiteral("count 1")) - requestsBefore;
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(texts(*rig.errors).mid(0, messages.size()), messages);
        if (repeated) {
            const QString repeat = texts(*rig.errors).at(messages.size());
            QVERIFY2(repeat.startsWith(messages.first() + QStringLiteral(" (repeated ")), qPrintable(repeat));
            QVERIFY2(elapsed >= 1000, qPrintable(QString::number(elapsed)));
            // On the wire: each failure in a row lengthens the pause before the next request.
            qint64 allowed = 1;
            for (qint64 paused = 0;
                 (paused += ReadingWorker::pauseAfter(kIntervalMs, int(allowed))) <= elapsed;)
                ++allowed;
            QVERIFY2(requests <= allowed,
                     qPrintable(QStringLiteral("%1 requests in %2 ms").arg(requests).arg(elapsed)));
        }
        QCOMPARE(rig.amplifier->getMsSinceLastReading(), -1);
        QCOMPARE(ad.count(), 0);
        QCOMPARE(measuring.count(), 0);
        QCOMPARE(rig.amplifier->getMeasuredWeight(), 0.0);

        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        if (adWorker)
            QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= 2, kWaitMs);
        else
            QTRY_COMPARE_WITH_TIMEOUT(rig.amplifier->getMeasuredWeight(), 1500.0, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(rig.amplifier->getMsSinceLastReading() >= 0, kWaitMs);
        QVERIFY(rig.amplifier->getMsSinceLastReading() < kWaitMs);
        rig.amplifier->stopContinuousADRead();
        QCOMPARE(rig.amplifier->getMsSinceLastReading(), -1);
    }

    // The pause after each cycle: the interval, four times longer per further failure in a row, capped, and
    // back to the interval after a reading. Gaps are measured between cycle starts on the worker's thread.
    void readingWorker_backsOffAfterFailures_andAReadingEndsIt() {
        const int rows[][3] = {{100, 0, 100},  {100, 1, 100},   {100, 2, 400},
                               {100, 3, 1600}, {100, 4, 5000},  {100, 40, 5000},
                               {0, 3, 16},     {7000, 5, 7000}, {-5, 1, 0}};
        for (const auto &row : rows)
            QCOMPARE(ReadingWorker::pauseAfter(row[0], row[1]), qint64(row[2]));

        using Outcome = ReadingWorker::Outcome;
        const std::vector<Outcome> plan{Outcome::Failed,  Outcome::Failed, Outcome::Failed,
                                        Outcome::Reading, Outcome::Failed, Outcome::Failed};
        QMutex mutex;
        std::vector<qint64> starts;
        QElapsedTimer clock;
        clock.start();
        ReadingWorker worker;
        QVERIFY(worker.start(
            [&] {
                QMutexLocker lock(&mutex);
                starts.push_back(clock.elapsed());
                return starts.size() <= plan.size() ? plan[starts.size() - 1] : Outcome::Reading;
            },
            50, [](const QString &) {}));
        QVERIFY(!worker.start([] { return Outcome::Reading; }, 50, [](const QString &) {}));
        const auto cycles = [&] {
            QMutexLocker lock(&mutex);
            return starts.size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(cycles() >= plan.size() + 1, kWaitMs);
        worker.stop();
        QVERIFY(!worker.isRunning());
        // Lower edges hold on any machine; the upper ones only tell a reset count from a kept one.
        const qint64 least[] = {50, 200, 800, 50, 50, 200};
        for (size_t i = 0; i < plan.size(); ++i) {
            const qint64 gap = starts[i + 1] - starts[i];
            QVERIFY2(gap >= least[i], qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(gap)));
            if (i == 3 || i == 4)
                QVERIFY2(gap < 700, qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(gap)));
        }
    }

    // Each text is told at once, then at most once a second with the count of what was held back; the
    // second starts again when it is told, and every repeat is counted exactly once, the last at the stop.
    void readingWorker_repeatWindowRestartsWhenTold_andCountsEveryRepeat() {
        struct Told {
            qint64 at;
            QString text;
            bool stopping; // told while the worker was being stopped: the final count may come at any time
        };
        bool stopping = false;
        QMutex mutex;
        std::vector<Told> told;
        quint64 reported[2] = {0, 0};
        QElapsedTimer clock;
        clock.start();
        ReadingWorker worker;
        const QString error[2] = {QStringLiteral("E one"), QStringLiteral("E two")};
        worker.start(
            [&] {
                QMutexLocker lock(&mutex);
                const int which = static_cast<int>((reported[0] + reported[1]) % 2);
                ++reported[which];
                lock.unlock();
                worker.report(error[which]);
                return ReadingWorker::Outcome::Reading;
            },
            10,
            [&](const QString &text) {
                QMutexLocker lock(&mutex);
                told.push_back({clock.elapsed(), text, stopping});
            });
        const auto toldCount = [&] {
            QMutexLocker lock(&mutex);
            return told.size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(toldCount() >= 6, kWaitMs);
        {
            QMutexLocker lock(&mutex);
            stopping = true;
        }
        worker.stop();
        for (int which = 0; which < 2; ++which) {
            quint64 counted = 0;
            qint64 last = -1;
            int shown = 0;
            for (const Told &entry : told) {
                if (ReadingWorker::withoutRepeatCount(entry.text) != error[which])
                    continue;
                if (shown++ == 0) {
                    QCOMPARE(entry.text, error[which]);
                } else {
                    static const QRegularExpression repeats(
                        QStringLiteral(" \\(repeated (once|(\\d+) times)\\)$"));
                    const QRegularExpressionMatch match = repeats.match(entry.text);
                    QVERIFY2(match.hasMatch(), qPrintable(entry.text));
                    const quint64 count = match.captured(2).isEmpty() ? 1 : match.captured(2).toULongLong();
                    counted += count;
                    QCOMPARE(entry.text, ReadingWorker::repeatedText(error[which], count));
                }
                if (last >= 0 && !entry.stopping)
                    QVERIFY2(entry.at - last >= 950, qPrintable(entry.text));
                last = entry.at;
            }
            QVERIFY(shown >= 3);
            QCOMPARE(counted + 1, reported[which]);
        }

        // Repeats held back when the failures stop are told by a reading once their second is over.
        told.clear();
        stopping = false;
        int cycles = 0;
        worker.start(
            [&] {
                if (++cycles <= 3)
                    worker.report(error[0]);
                return ReadingWorker::Outcome::Reading;
            },
            10,
            [&](const QString &text) {
                QMutexLocker lock(&mutex);
                told.push_back({clock.elapsed(), text, false});
            });
        QTRY_COMPARE_WITH_TIMEOUT(toldCount(), size_t(2), kWaitMs);
        worker.stop();
        QCOMPARE(told.back().text, ReadingWorker::repeatedText(error[0], 2));
        QVERIFY(told.back().at - told.front().at >= 950);
    }

    void vanishingPort_reportsErrors_stopReturns_andNewPortConnects() {
        auto rig = std::make_unique<Rig>();
        QVERIFY(rig->connected());
        rig->amplifier->startContinuousADRead(20);
        SignalLog ad(rig->amplifier.get(), &RS232Amplifier::adValueReceived);
        QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= 2, kWaitMs);
        rig->sim.kill();
        const int before = rig->errors->count();
        QTRY_VERIFY_WITH_TIMEOUT(rig->errors->count() >= before + 2, kWaitMs);
        rig->amplifier->stopContinuousADRead();
        QVERIFY(!rig->amplifier->isReading());
        QCOMPARE(rig->amplifier->readMeasurement(), 0u);
        QVERIFY(texts(*rig->errors).contains(QStringLiteral("Error writing to serial port.")));
        // The failed link is closed and opening it again fails: the amplifier no longer counts as connected.
        QSignalSpy failed(rig->amplifier.get(), &RS232Amplifier::connectionFailed);
        rig->amplifier->connect();
        QCOMPARE(failed.count(), 1);
        QVERIFY(!rig->amplifier->isConnected());
        rig.reset();

        Rig again;
        QVERIFY(again.connected());
        QCOMPARE(again.amplifier->readMeasurement(), 250000u);
    }

    // ---- zero and tare

    void zero_addsMeasuringValueToOffset_andRestartsMeasuringWorker() {
        Rig rig;
        QVERIFY(rig.connected());
        QCOMPARE(rig.sim.command(QStringLiteral("set 1 0 250")), QStringLiteral("OK"));
        QCOMPARE(rig.sim.command(QStringLiteral("set 1 4 1000")), QStringLiteral("OK"));
        takeWrites(rig.sim, 1);
        // Whatever kind ran before, the measuring-value worker runs afterwards.
        rig.amplifier->startContinuousADRead(50);
        SignalLog measuring(rig.amplifier.get(), &RS232Amplifier::measuringValueReceived);
        rig.amplifier->zero();
        QCOMPARE(takeWrites(rig.sim, 1), QList<LoggedWrite>{registerWrite(0x0004, 1250)});
        QCOMPARE(rig.sim.query(QStringLiteral("get 1 4")), 1250);
        QVERIFY(rig.amplifier->isReading());
        QTRY_VERIFY_WITH_TIMEOUT(measuring.count() >= 1, kWaitMs);
        QVERIFY(rig.errors->isEmpty());
        rig.amplifier->stopContinuousADRead();
    }

    void tare_refusedAfterFailedAdRead_thenTogglesBetweenZeroAndSavedAdValue() {
        Rig rig;
        QVERIFY(rig.connected());
        takeWrites(rig.sim, 1);
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 bad-crc")), QStringLiteral("OK"));
        rig.amplifier->tare();
        QCOMPARE(texts(*rig.errors),
                 (QStringList{QStringLiteral("Invalid response while reading measurement: CRC check failed."),
                              QStringLiteral("Failed to read measurement value for tare.")}));
        QVERIFY(!rig.amplifier->isTareActive());
        QCOMPARE(takeWrites(rig.sim, 1), QList<LoggedWrite>{});
        // Once the amplifier answers properly the tare goes on as usual, and off with the saved AD value.
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        SignalLog ad(rig.amplifier.get(), &RS232Amplifier::adValueReceived);
        rig.amplifier->tare();
        QVERIFY(rig.amplifier->isTareActive());
        QCOMPARE(ad.count(), 1);
        QCOMPARE(rig.sim.command(QStringLiteral("load 1 300000")), QStringLiteral("OK"));
        rig.amplifier->tare();
        QVERIFY(!rig.amplifier->isTareActive());
        QCOMPARE(takeWrites(rig.sim, 1),
                 (QList<LoggedWrite>{registerWrite(0x0000, 0), registerWrite(0x0000, 250000)}));
        QCOMPARE(rig.errors->count(), 2);
        // A tare-off the amplifier does not confirm leaves the tare on, and the next call tries it again.
        rig.amplifier->tare();
        QVERIFY(rig.amplifier->isTareActive());
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 silence")), QStringLiteral("OK"));
        rig.amplifier->tare();
        QVERIFY(rig.amplifier->isTareActive());
        QCOMPARE(rig.errors->count(), 3);
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        rig.amplifier->tare();
        QVERIFY(!rig.amplifier->isTareActive());
        QCOMPARE(rig.errors->count(), 3);
    }

    // ---- calibration and settings

    void calibrateTwoPoints_writesBlockInOrder_data() {
        QTest::addColumn<uint>("zeroValue");
        QTest::addColumn<uint>("spanValue");
        QTest::addColumn<uint>("spanWeight");
        QTest::addColumn<uint>("weightWritten");
        QTest::newRow("typical") << 120000u << 480000u << 500u << 50000u;
        QTest::newRow("largest weight") << 480000u << 120000u << 42949672u << 4294967200u;
    }
    void calibrateTwoPoints_writesBlockInOrder() {
        QFETCH(uint, zeroValue);
        QFETCH(uint, spanValue);
        QFETCH(uint, spanWeight);
        QFETCH(uint, weightWritten);
        Rig rig;
        QVERIFY(rig.connected());
        takeWrites(rig.sim, 1);
        QSignalSpy succeeded(rig.amplifier.get(), &RS232Amplifier::calibrationSuccessful);
        rig.amplifier->calibrateTwoPoints(zeroValue, spanValue, spanWeight);
        QCOMPARE(succeeded.count(), 1);
        QCOMPARE(takeWrites(rig.sim, 1),
                 (QList<LoggedWrite>{registerWrite(0x0008, zeroValue), registerWrite(0x001A, 0),
                                     registerWrite(0x000A, spanValue), registerWrite(0x001C, weightWritten),
                                     registerWrite(0x0004, 0), registerWrite(0x0006, 2)}));
    }

    // Nothing counts as written that the amplifier did not echo; a refused calibration writes nothing.
    void writes_refusedOrUnconfirmed_areReported_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Setter>("operation");
        QTest::addColumn<bool>("calibration"); // reported by calibrationFailed, else by readErrorOccurred
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<LoggedWrite>>("heard");
        const Setter calibrate = [](RS232Amplifier &a) {
            a.calibrateTwoPoints(120000, 480000, 500);
        };
        const QString noAnswer = QStringLiteral("failed at %1 (no answer from the amplifier)");
        const QList<LoggedWrite> first{registerWrite(0x0008, 120000)};
        QTest::newRow("calibration, silent amplifier")
            << "silence" << calibrate << true
            << "Calibration failed: " + noAnswer.arg("0x0008") + "; nothing was changed (read back)."
            << QList<LoggedWrite>{};
        // The write took, its echo came too late: the old value is written back (each try as late).
        QTest::newRow("calibration, late echo")
            << "late" << calibrate << true
            << "Calibration failed: " + noAnswer.arg("0x0008") +
                   "; the previous calibration was written back and read back."
            << first + QList<LoggedWrite>{registerWrite(0x0008, 100000), registerWrite(0x0008, 100000)};
        // A refusal at each step of the block, and what is written back, is in tst_all_or_nothing.
        const QString invalid = QStringLiteral("Invalid calibration data: %1");
        QTest::newRow("span weight beyond 32 bits x100")
            << "" << Setter([](RS232Amplifier &a) { a.calibrateTwoPoints(1, 2, 42949673); }) << true
            << invalid.arg("The span weight (42949673 g) is too large (at most 42949672 g).")
            << QList<LoggedWrite>{};
        QTest::newRow("setter, exception")
            << "exception" << Setter([](RS232Amplifier &a) { a.setFilteringLevel(3); }) << false
            << "Write to register 0x0056 not confirmed: Modbus exception 2 (illegal data address)."
            << QList<LoggedWrite>{registerWrite(0x0056, 3)};
        const Setter zero = [](RS232Amplifier &a) {
            a.zero();
        };
        // A zero whose measuring value cannot be read writes nothing.
        const QString aborted =
            QStringLiteral("Zero aborted: the measuring value could not be read (%1); nothing was written.");
        QTest::newRow("zero, silent on the read")
            << "read silence" << zero << false << aborted.arg("0 bytes received, 9 expected")
            << QList<LoggedWrite>{};
        QTest::newRow("tare on, exception on the write")
            << "exception" << Setter([](RS232Amplifier &a) { a.tare(); }) << false
            << "Tare failed: refused at 0x0000 (Modbus exception 2); the tare is still off."
            << QList<LoggedWrite>{registerWrite(0x0000, 0)};
    }
    void writes_refusedOrUnconfirmed_areReported() {
        QFETCH(QString, fault);
        QFETCH(Setter, operation);
        QFETCH(bool, calibration);
        QFETCH(QString, message);
        QFETCH(QList<LoggedWrite>, heard);
        Rig rig;
        QVERIFY(rig.connected());
        takeWrites(rig.sim, 1);
        // Switched on after the handshake, for writes only unless the row says "read".
        if (fault.startsWith(QLatin1String("read ")))
            QCOMPARE(rig.sim.command(QStringLiteral("fault 1 ") + fault.mid(5)), QStringLiteral("OK"));
        else if (!fault.isEmpty()) {
            QCOMPARE(rig.sim.command(QStringLiteral("scope 1 writes")), QStringLiteral("OK"));
            QCOMPARE(rig.sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        }
        QSignalSpy failed(rig.amplifier.get(), &RS232Amplifier::calibrationFailed);
        QSignalSpy succeeded(rig.amplifier.get(), &RS232Amplifier::calibrationSuccessful);
        operation(*rig.amplifier);
        QCOMPARE(calibration ? texts(failed) : texts(*rig.errors), QStringList{message});
        QCOMPARE(calibration ? rig.errors->count() : failed.count(), 0);
        QCOMPARE(succeeded.count(), 0);
        QVERIFY(!rig.amplifier->isTareActive());
        QCOMPARE(takeWrites(rig.sim, 1), heard);
        if (heard.isEmpty()) // the old calibration is intact
            QCOMPARE(rig.sim.query(QStringLiteral("get 1 8")), 100000);
    }

    void filterSetters_clampAndWriteTheirRegister_data() {
        QTest::addColumn<Setter>("setter");
        QTest::addColumn<int>("reg");
        QTest::addColumn<uint>("value");
#define ROW(name, call, reg, value)                                                                          \
    QTest::newRow(name) << Setter([](RS232Amplifier &a) { a.call; }) << reg << value
        // The setters no other suite sends: the rest go out through kelvora-cli (tst_kelvora_cli) and the
        // filter screen's path (tst_all_or_nothing); the clamps edge by edge are in tst_register_map.
        ROW("tracking bandwidth 10001", setAutoZeroTrackingBandwidth(10001), 0x005E, 10000u);
        ROW("zero point", setZeroPoint(0xFFFFFFFF), 0x0064, 0xFFFFFFFFu);
#undef ROW
    }
    void filterSetters_clampAndWriteTheirRegister() {
        QFETCH(Setter, setter);
        QFETCH(int, reg);
        QFETCH(uint, value);
        Rig rig;
        QVERIFY(rig.connected());
        takeWrites(rig.sim, 1);
        setter(*rig.amplifier);
        QCOMPARE(takeWrites(rig.sim, 1), QList<LoggedWrite>{registerWrite(reg, value)});
        QCOMPARE(rig.amplifier->readRegister(static_cast<uint16_t>(reg)), value);
        QVERIFY(rig.errors->isEmpty());
    }

    // ---- self-test

    void selfTest_healthyAmplifier_passesAndRestoresSettings() {
        Rig rig;
        QVERIFY(rig.connected());
        QSignalSpy log(rig.amplifier.get(), &RS232Amplifier::logMessage);
        finishSelfTest(*rig.amplifier);
        const QStringList lines = texts(log);
        QCOMPARE(lines.first(), QStringLiteral("启动放大器功能测试程序..."));
        QCOMPARE(lines.last(), QStringLiteral("放大器功能测试全部完成。"));
        QCOMPARE(lines.filter(QStringLiteral("—— 测试通过")).size(), 9);
        QCOMPARE(lines.filter(QStringLiteral("测试失败")).size(), 0);
        QVERIFY(lines.contains(QStringLiteral("ℹ️ [只读参数] 为只读参数，跳过写入。")));
        QVERIFY(lines.contains(QStringLiteral("→ [AVP1] 参数数据：0x87654321 —— 测试通过")));
        QVERIFY(!lines.contains(QStringLiteral("已恢复连续读取模式。")));
        QVERIFY(!rig.amplifier->isReading());
        QVERIFY(lines.contains(QStringLiteral("参数恢复完成，已全部读回确认。")));
    }

    void selfTest_low16Amplifier_failsAvp1_andRestartsAdWorker() {
        Rig rig;
        QVERIFY(rig.connected());
        // A setting beyond 16 bits cannot be written back by this amplifier; the test says so.
        QCOMPARE(rig.sim.command(QStringLiteral("set 1 0x5E 0x12345")), QStringLiteral("OK"));
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 low16")), QStringLiteral("OK"));
        rig.amplifier->startContinuousMeasuringValueRead(50);
        QSignalSpy log(rig.amplifier.get(), &RS232Amplifier::logMessage);
        SignalLog ad(rig.amplifier.get(), &RS232Amplifier::adValueReceived);
        finishSelfTest(*rig.amplifier);
        const QStringList lines = texts(log);
        QVERIFY(lines.contains(QStringLiteral("→ [AVP1] 参数数据：0x00004321 —— 测试失败")));
        QVERIFY(lines.contains(QStringLiteral("→ [AVP2] 参数数据：0x000000ff —— 测试失败")));
        QVERIFY(lines.contains(QStringLiteral("→ [滤波带宽] 参数数据：0x000001f4 —— 测试通过")));
        QVERIFY(lines.contains(QStringLiteral("【错误】未能恢复：0x005E = 9029 (was 74565)")));
        QCOMPARE(
            lines.mid(lines.size() - 3),
            (QStringList{QStringLiteral("已恢复连续读取模式。"),
                         QStringLiteral("7 of 9 registers passed; NOT restored: 0x005E = 9029 (was 74565)"),
                         QStringLiteral("放大器功能测试全部完成。")}));
        QVERIFY(rig.amplifier->isReading());
        const int before = ad.count();
        QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= before + 2, kWaitMs);
        rig.amplifier->stopContinuousADRead();
        QCOMPARE(rig.sim.query(QStringLiteral("get 1 7")), 0);
        QCOMPARE(rig.sim.query(QStringLiteral("get 1 0x56")), 2);
    }

    void selfTest_adRange_data() {
        QTest::addColumn<uint>("load");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("999") << 999u << QStringLiteral("【错误】原始AD值过低，可能存在硬件或连接问题。");
        QTest::newRow("1000") << 1000u << QStringLiteral("原始AD值测试通过，数值在合理范围内。");
        QTest::newRow("500000") << 500000u << QStringLiteral("原始AD值测试通过，数值在合理范围内。");
        QTest::newRow("500001") << 500001u
                                << QStringLiteral("【错误】原始AD值过高，超出预期范围。 请检查传感器连接。");
    }
    void selfTest_adRange() {
        QFETCH(uint, load);
        QFETCH(QString, verdict);
        Rig rig;
        QVERIFY(rig.connected());
        QCOMPARE(rig.sim.command(QStringLiteral("load 1 %1").arg(load)), QStringLiteral("OK"));
        QSignalSpy log(rig.amplifier.get(), &RS232Amplifier::logMessage);
        finishSelfTest(*rig.amplifier);
        const QStringList lines = texts(log);
        const int at = static_cast<int>(lines.indexOf(
            QStringLiteral("读取的原始AD值：0x%1 (%2)").arg(load, 8, 16, QLatin1Char('0')).arg(load)));
        QVERIFY(at >= 0);
        QCOMPARE(lines.value(at + 1), verdict);
    }
};

QTEST_MAIN(TestRS232Driver)
#include "tst_rs232_driver.moc"
