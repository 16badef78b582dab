// The RS485 driver against simulated amplifiers sharing one pseudo-terminal line: connection rules, texts,
// device ids, multi-point calibration, readMeasurement pausing the worker, a twin on the id. What RS232
// shares is in tst_rs232_driver; several amplifiers polling one line at once in tst_rs485_soak.
#include "SimulatorLog.h"
#include "SimulatorProcess.h"

#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int kWaitMs = 15000;

// One amplifier on a line to a simulator, connected when the simulator runs.
struct Rig {
    SimulatorProcess sim;
    RS485Bus bus;
    RS485Amplifier amplifier;
    explicit Rig(const QStringList &arguments = {})
        : sim(arguments)
        , amplifier(QStringLiteral("M"), sim.port(), 9600, 1, &bus) {
        if (sim.isReady())
            amplifier.connect();
    }
    bool connected() const { return amplifier.isConnected(); }
};

} // namespace

class TestRS485Driver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint32_t>("uint32_t"); }

    void connect_repeatsHandshakeEveryTime() {
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), 1);
        QSignalSpy succeeded(&rig.amplifier, &RS485Amplifier::connectionSuccessful);
        rig.amplifier.connect();
        QCOMPARE(succeeded.count(), 1);
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), 2);
    }

    // That the line stays open for the others is tested on the line itself (tst_rs485_bus).
    void connect_unansweredId_fails() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        RS485Bus bus;
        RS485Amplifier nobody(QStringLiteral("M"), sim.port(), 9600, 9, &bus);
        QSignalSpy failed(&nobody, &RS485Amplifier::connectionFailed);
        nobody.connect();
        QCOMPARE(texts(failed),
                 QStringList{QStringLiteral("Handshake failed. Amplifier may not be responsive.")});
        QVERIFY(!nobody.isConnected());
    }

    void notConnected_rs485Texts() {
        RS485Bus bus; // never opened
        RS485Amplifier amplifier(QStringLiteral("M"), QStringLiteral("unused"), 9600, 1, &bus);
        SignalLog errors(&amplifier, &RS485Amplifier::readErrorOccurred);
        QSignalSpy calibrationFailed(&amplifier, &RS485Amplifier::calibrationFailed);
        QCOMPARE(amplifier.readMeasurement(), 0u);
        amplifier.startContinuousADRead(10);
        amplifier.startContinuousMeasuringValueRead(10);
        amplifier.zero();
        amplifier.tare();
        QCOMPARE(
            texts(errors),
            (QStringList{QStringLiteral("RS485 Amplifier is not connected. Cannot read measurement."),
                         QStringLiteral("Amplifier is not connected. Cannot start AD reading."),
                         QStringLiteral("Amplifier is not connected. Cannot start measuring value read."),
                         QStringLiteral("RS485 Amplifier is not connected. Cannot perform zero."),
                         QStringLiteral("RS485 Amplifier is not connected. Cannot perform tare.")}));
        // Calibration has no connected check: the line's own error ends it.
        amplifier.calibrateTwoPoints(1, 2, 3);
        amplifier.calibrateMultiPoints({1, 2}, {0, 1});
        QCOMPARE(texts(calibrationFailed),
                 QStringList(
                     2, QStringLiteral("Calibration failed: 0x0008 could not be read first (Serial port is "
                                       "not open.); nothing was written.")));
    }

    void setDeviceId_addressesAnotherAmplifier() {
        Rig rig({QStringLiteral("--ids"), QStringLiteral("1,5")});
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        QCOMPARE(rig.sim.command(QStringLiteral("load 5 77777")), QStringLiteral("OK"));
        QCOMPARE(rig.amplifier.getDeviceId(), uint8_t(1));
        rig.amplifier.setDeviceId(5);
        QCOMPARE(rig.amplifier.getDeviceId(), uint8_t(5));
        QCOMPARE(rig.amplifier.readMeasurement(), 77777u);
        QCOMPARE(rig.sim.query(QStringLiteral("count 5")), 1);
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), 1); // the handshake only
    }

    // The RS485 AD worker names the refusal where the RS232 one does not (tst_rs232_driver).
    void refusedAnswer_isReportedThenCounted_andTheWorkerRecovers() {
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        SignalLog errors(&rig.amplifier, &RS485Amplifier::readErrorOccurred);
        SignalLog ad(&rig.amplifier, &RS485Amplifier::adValueReceived);
        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 exception")), QStringLiteral("OK"));
        rig.amplifier.startContinuousADRead(20);
        QTRY_VERIFY_WITH_TIMEOUT(errors.count() >= 2, kWaitMs);
        rig.amplifier.stopContinuousADRead();
        const QString message = QStringLiteral(
            "Invalid response while reading AD value: Modbus exception 2 (illegal data address).");
        QCOMPARE(texts(errors).first(), message);
        QVERIFY(texts(errors).at(1).startsWith(message + QStringLiteral(" (repeated ")));
        QCOMPARE(ad.count(), 0);

        QCOMPARE(rig.sim.command(QStringLiteral("fault 1 none")), QStringLiteral("OK"));
        rig.amplifier.startContinuousADRead(20);
        QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= 2, kWaitMs);
        rig.amplifier.stopContinuousADRead();
        QCOMPARE(ad.last().at(0).value<uint32_t>(), 250000u);
    }

    void readMeasurement_pausesTheWorker_andRestartsMeasuringValueReading() {
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        SignalLog ad(&rig.amplifier, &RS485Amplifier::adValueReceived);
        SignalLog measuring(&rig.amplifier, &RS485Amplifier::measuringValueReceived);
        // An AD worker before: the measuring-value worker runs afterwards.
        rig.amplifier.startContinuousADRead(20);
        QTRY_VERIFY_WITH_TIMEOUT(ad.count() >= 2, kWaitMs);
        QCOMPARE(rig.sim.command(QStringLiteral("load 1 260000")), QStringLiteral("OK"));
        QCOMPARE(rig.amplifier.readMeasurement(), 260000u);
        QVERIFY(rig.amplifier.isReading());
        QTRY_COMPARE_WITH_TIMEOUT(measuring.count(), 1, kWaitMs);
        QCOMPARE(measuring.at(0).at(0).value<uint32_t>(), 160000u);
        // The measuring worker's own readings show time passing without the AD worker coming back.
        const int adAfter = static_cast<int>(ad.count());
        const quint64 cycles = rig.amplifier.completedMeasuringCycles();
        QTRY_VERIFY_WITH_TIMEOUT(rig.amplifier.completedMeasuringCycles() >= cycles + 3, kWaitMs);
        QCOMPARE(ad.count(), adAfter);
        rig.amplifier.stopContinuousADRead();
    }

    // The tare's writes are checked on RS232 (tst_rs232_driver): the same code.
    void tare_switchingOn_restartsMeasuringWorker() {
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        rig.amplifier.startContinuousMeasuringValueRead(20);
        QTRY_COMPARE_WITH_TIMEOUT(rig.amplifier.getMeasuredWeight(), 1500.0, kWaitMs);
        rig.amplifier.tare();
        QVERIFY(rig.amplifier.isTareActive());
        QVERIFY(rig.amplifier.isReading());
        QTRY_COMPARE_WITH_TIMEOUT(rig.amplifier.getMeasuredWeight(), 0.0, kWaitMs);
        rig.amplifier.tare();
        QVERIFY(!rig.amplifier.isTareActive());
        QTRY_COMPARE_WITH_TIMEOUT(rig.amplifier.getMeasuredWeight(), 1500.0, kWaitMs);
        rig.amplifier.stopContinuousADRead();
    }

    // Two amplifiers left on id 1: the second answer of each request must never be taken for the next
    // request's, so nothing is written on the strength of an exchange the twin doubled, and the
    // operation says why.
    void twinOnTheId_nothingIsWrittenAndTheReasonIsGiven_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("twinDelayMs");
        for (const char *operation : {"zero", "tare"}) {
            for (int delay : {0, 2})
                QTest::addRow("%s, twin %d ms later", operation, delay)
                    << QString::fromLatin1(operation) << delay;
        }
    }
    void twinOnTheId_nothingIsWrittenAndTheReasonIsGiven() {
        QFETCH(QString, operation);
        QFETCH(int, twinDelayMs);
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        QCOMPARE(rig.sim.command(QStringLiteral("twin 1 %1").arg(twinDelayMs)), QStringLiteral("OK"));
        takeWrites(rig.sim, 1);
        QSignalSpy errors(&rig.amplifier, &RS485Amplifier::readErrorOccurred);
        QVERIFY(QMetaObject::invokeMethod(&rig.amplifier, operation.toLatin1().constData(),
                                          Qt::DirectConnection));
        QCOMPARE(takeWrites(rig.sim, 1), QList<LoggedWrite>{});
        QVERIFY2(texts(errors).join('|').contains(QStringLiteral("two devices answer id 1?")),
                 qPrintable(texts(errors).join('|')));
        QVERIFY(!rig.amplifier.isTareActive());
    }

    // ---- multi-point calibration

    void calibrateMultiPoints_writesPointsThenCount_data() {
        QTest::addColumn<QList<uint32_t>>("adValues");
        QTest::addColumn<QList<uint32_t>>("weights");
        QTest::addColumn<QList<LoggedWrite>>("writes");
        QTest::newRow("three points")
            << QList<uint32_t>{1000, 52000, 103000} << QList<uint32_t>{0, 10, 20}
            << QList<LoggedWrite>{registerWrite(0x0008, 1000),   registerWrite(0x001A, 0),
                                  registerWrite(0x000A, 52000),  registerWrite(0x001C, 1000),
                                  registerWrite(0x000C, 103000), registerWrite(0x001E, 2000),
                                  registerWrite(0x0004, 0),      registerWrite(0x0006, 3)};
        QList<uint32_t> ad;
        QList<uint32_t> weights;
        QList<LoggedWrite> writes;
        for (uint32_t i = 0; i < 9; ++i) {
            ad << 1000 + i;
            weights << i;
            writes << registerWrite(static_cast<int>(0x0008 + 2 * i), 1000 + i)
                   << registerWrite(static_cast<int>(0x001A + 2 * i), i * 100);
        }
        writes << registerWrite(0x0004, 0) << registerWrite(0x0006, 9);
        QTest::newRow("nine points") << ad << weights << writes;
    }
    void calibrateMultiPoints_writesPointsThenCount() {
        QFETCH(QList<uint32_t>, adValues);
        QFETCH(QList<uint32_t>, weights);
        QFETCH(QList<LoggedWrite>, writes);
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        takeWrites(rig.sim, 1);
        QSignalSpy succeeded(&rig.amplifier, &RS485Amplifier::calibrationSuccessful);
        rig.amplifier.calibrateMultiPoints(adValues, weights);
        QCOMPARE(succeeded.count(), 1);
        QCOMPARE(takeWrites(rig.sim, 1), writes);
    }

    // Refused by the calibration rule before anything is sent, or stopped when what the rig.amplifier holds
    // cannot be read first.
    void calibrateMultiPoints_failures_data() {
        QTest::addColumn<QList<uint32_t>>("adValues");
        QTest::addColumn<QList<uint32_t>>("weights");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        const QString invalid = QStringLiteral("Invalid calibration data: %1");
        const QString sizes = invalid.arg("Check array sizes (1-9 points).");
        QList<uint32_t> ten;
        for (uint32_t i = 0; i < 10; ++i)
            ten << 1000 * (i + 1);
        QTest::newRow("ten points") << ten << ten << QString() << sizes;
        QTest::newRow("one point") << QList<uint32_t>{4242} << QList<uint32_t>{0} << QString()
                                   << invalid.arg("A zero point and at least one span point are needed.");
        QTest::newRow("repeated AD value")
            << QList<uint32_t>{1000, 2000, 3000, 2000} << QList<uint32_t>{0, 1, 2, 3} << QString()
            << invalid.arg("Points 2 and 4 have the same AD value (2000).");
        QTest::newRow("weight 0 beyond the zero point")
            << QList<uint32_t>{1000, 2000, 3000} << QList<uint32_t>{0, 1, 0} << QString()
            << invalid.arg("The weight of point 3 must be greater than 0 g.");
        QTest::newRow("weight beyond 32 bits x100")
            << QList<uint32_t>{1000, 2000} << QList<uint32_t>{0, 50000000} << QString()
            << invalid.arg("The span weight (50000000 g) is too large (at most 42949672 g).");
        QTest::newRow("AD turning back")
            << QList<uint32_t>{1000, 5000, 3000} << QList<uint32_t>{0, 1, 2} << QString()
            << invalid.arg("The AD value of point 3 (3000) turns back against points 1 to 2; AD values must "
                           "rise (or fall) from point to point.");
        const QString unread =
            QStringLiteral("Calibration failed: 0x0008 could not be read first (%1); nothing was written.");
        QTest::newRow("AD falling throughout")
            << QList<uint32_t>{9000, 5000, 3000} << QList<uint32_t>{0, 1, 2} << "silence"
            << unread.arg("0 bytes received, 9 expected");
        const QString notAbove = invalid.arg("The weight of point 3 (%1 g) is not above that of point 2 (20 "
                                             "g); weights must increase from point "
                                             "to point.");
        QTest::newRow("flat weight") << QList<uint32_t>{1000, 2000, 3000} << QList<uint32_t>{0, 20, 20}
                                     << QString() << notAbove.arg(20);
    }
    void calibrateMultiPoints_failures() {
        QFETCH(QList<uint32_t>, adValues);
        QFETCH(QList<uint32_t>, weights);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        Rig rig;
        QVERIFY2(rig.connected(), qPrintable(rig.sim.errorString()));
        takeWrites(rig.sim, 1);
        if (!fault.isEmpty())
            QCOMPARE(rig.sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        QSignalSpy failed(&rig.amplifier, &RS485Amplifier::calibrationFailed);
        QSignalSpy succeeded(&rig.amplifier, &RS485Amplifier::calibrationSuccessful);
        rig.amplifier.calibrateMultiPoints(adValues, weights);
        QCOMPARE(texts(failed), QStringList{message});
        QCOMPARE(succeeded.count(), 0);
        // Refused before anything is sent, or stopped at the first write.
        QCOMPARE(rig.sim.query(QStringLiteral("count 1")), fault.isEmpty() ? 1 : 2);
        QCOMPARE(takeWrites(rig.sim, 1).size(), 0);
    }
};

QTEST_MAIN(TestRS485Driver)
#include "tst_rs485_driver.moc"
