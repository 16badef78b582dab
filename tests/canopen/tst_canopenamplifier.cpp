// The CANopen amplifier against simulated nodes on the Qt virtual CAN bus: connection and handshake,
// the reading workers, zero, tare, both calibrations, the setters and the refusals, with the frames that
// reach the node checked byte for byte. Several amplifiers at once: tst_canopenconcurrency.
#include "CanTestBus.h"
#include "amplifiers/AmplifierFactory.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
constexpr uint8_t kNode = 3;
constexpr int kLongWaitMs = 15000;

using Wire = QList<QByteArray>;
} // namespace

class TestCanOpenAmplifier : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;
    std::unique_ptr<CANOpenAmplifier> m_amp;

    // A connected amplifier with an empty frame log.
    CANOpenAmplifier &connected() {
        m_amp =
            std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QStringLiteral("usb0"), 9600, kNode);
        QSignalSpy ok(m_amp.get(), &CANOpenAmplifier::connectionSuccessful);
        m_amp->connect();
        if (ok.count() != 1 || !m_amp->isConnected())
            qWarning("amplifier did not connect");
        m_nodes.clearReceived();
        return *m_amp;
    }

    void sim(const QString &line) {
        const QString answer = m_nodes.command(line);
        if (!answer.startsWith(QLatin1String("OK")))
            qWarning("simulator refused %s: %s", qPrintable(line), qPrintable(answer));
    }

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
        const QString error = cantest::startBus(m_nodes, {kNode});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        m_amp.reset();
        QCOMPARE(canadapter::userCount(), 0);
        m_nodes.resetNodes();
        CANOpenAmplifier(QString(), QString(), 0, 0).setUnit(QStringLiteral("g"));
    }

    void factory_createsUnconnectedAmplifierWithNodeId() {
        AmplifierFactory factory;
        std::unique_ptr<QObject> created(factory.createAmplifier(
            QStringLiteral("CANOpen"), QStringLiteral("Model"), QStringLiteral("COM3"), 9600, 3, nullptr));
        auto *amp = qobject_cast<CANOpenAmplifier *>(created.get());
        QVERIFY(amp);
        QCOMPARE(amp->getDeviceId(), uint8_t(3));
        QCOMPARE(amp->getModel(), QStringLiteral("Model"));
        QVERIFY(!amp->isConnected());
        QVERIFY(!created->parent());
        QTest::qWait(50);
        QVERIFY(m_nodes.received(kNode).empty()); // nothing sent before connect
        QCOMPARE(canadapter::userCount(), 0);
        QVERIFY(
            !factory.createAmplifier(QStringLiteral("canopen"), QStringLiteral("Model"), QString(), 9600, 3));
    }

    void connect_handshakeAnswered_connects() {
        CANOpenAmplifier amp(QStringLiteral("Model"), QStringLiteral("COM9"), 115200, kNode);
        QCOMPARE(amp.getProtocol(), QStringLiteral("CANOpen"));
        QCOMPARE(amp.getDeviceId(), kNode);
        QVERIFY(!amp.isConnected());
        QSignalSpy ok(&amp, &CANOpenAmplifier::connectionSuccessful);
        QSignalSpy failed(&amp, &CANOpenAmplifier::connectionFailed);
        amp.connect();
        QCOMPARE(ok.count(), 1);
        QCOMPARE(failed.count(), 0);
        QVERIFY(amp.isConnected());
        QCOMPARE(canadapter::userCount(), 1);
        QCOMPARE(cantest::wire(m_nodes, kNode), Wire{"40 00 20 00 00 00 00 00"});
        amp.connect(); // a second connect does not count a second user
        QCOMPARE(canadapter::userCount(), 1);
        amp.disconnect();
        QVERIFY(!amp.isConnected());
        QCOMPARE(canadapter::userCount(), 0);
    }

    void connect_silentNode_failsAfterTheReplyTimeout() {
        sim(QStringLiteral("silent on"));
        m_amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, kNode);
        QSignalSpy failed(m_amp.get(), &CANOpenAmplifier::connectionFailed);
        QElapsedTimer clock;
        clock.start();
        m_amp->connect();
        QVERIFY2(clock.elapsed() >= sdoexchange::kReplyTimeoutMs - 50,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Handshake failed"));
        QVERIFY(!m_amp->isConnected());
        QCOMPARE(canadapter::userCount(), 1); // the channel stays open for a retry
        sim(QStringLiteral("silent off"));
        QSignalSpy ok(m_amp.get(), &CANOpenAmplifier::connectionSuccessful);
        m_amp->connect();
        QCOMPARE(ok.count(), 1);
        QCOMPARE(canadapter::userCount(), 1);
    }

    void connect_refusedOrForeignHandshake_fails_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("abort") << QStringLiteral("abort next 0x06020000");
        QTest::newRow("reply from another node") << QStringLiteral("foreign 9");
    }
    void connect_refusedOrForeignHandshake_fails() {
        QFETCH(QString, fault);
        sim(fault);
        m_amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, kNode);
        QSignalSpy failed(m_amp.get(), &CANOpenAmplifier::connectionFailed);
        m_amp->connect();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Handshake failed"));
        QVERIFY(!m_amp->isConnected());
    }

    void connect_noAdapter_reportsInitialisationFailure() {
        const QByteArray plugin = qgetenv("KELVORA_CAN_PLUGIN");
        qputenv("KELVORA_CAN_PLUGIN", "nosuchplugin");
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, kNode);
        QSignalSpy failed(&amp, &CANOpenAmplifier::connectionFailed);
        amp.connect();
        qputenv("KELVORA_CAN_PLUGIN", plugin);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("CAN initialization failed"));
        QCOMPARE(canadapter::userCount(), 0);
    }

    void startReading_notConnected_reports_data() {
        QTest::addColumn<bool>("ad");
        QTest::addColumn<QString>("message");
        QTest::newRow("AD") << true << QStringLiteral("Amplifier is not connected. Cannot start AD reading.");
        QTest::newRow("measuring value")
            << false << QStringLiteral("Amplifier is not connected. Cannot start measuring value read.");
    }
    void startReading_notConnected_reports() {
        QFETCH(bool, ad);
        QFETCH(QString, message);
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, kNode);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        ad ? amp.startContinuousADRead(10) : amp.startContinuousMeasuringValueRead(10);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), message);
        amp.stopContinuousADRead();
    }

    void adWorker_emits24BitValueEveryCycle() {
        sim(QStringLiteral("load 250"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 5, kLongWaitMs);
        amp.stopContinuousADRead();
        for (const QVariantList &args : values.all())
            QCOMPARE(args.at(0).value<uint32_t>(), 105000u); // byte 7 (status) ignored
        QCOMPARE(errors.count(), 0);
        // Every frame sent was the AD request.
        for (const QByteArray &frame : cantest::wire(m_nodes, kNode))
            QCOMPARE(frame, QByteArray("40 00 20 00 00 00 00 00"));
    }

    void measuringWorker_storesWeight_andUnitsConvert() {
        sim(QStringLiteral("load 123.45"));
        CANOpenAmplifier &amp = connected();
        QSignalSpy measured(&amp, &CANOpenAmplifier::measuringValueReceived);
        amp.startContinuousMeasuringValueRead(5);
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), 123.45, kLongWaitMs);
        amp.setUnit(QStringLiteral("kg"));
        QCOMPARE(amp.getMeasuredWeight(), 0.12);
        amp.setUnit(QStringLiteral("KG")); // refused, unit kept
        QCOMPARE(amp.getMeasuredWeight(), 0.12);
        amp.setUnit(QStringLiteral("g"));
        sim(QStringLiteral("load -0.05"));
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), -0.05, kLongWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(measured.count(), 0); // the weight is polled, not signalled
    }

    void startWhileReading_isIgnored() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        amp.startContinuousMeasuringValueRead(5);
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(m_nodes.received(kNode).size() >= 4, kLongWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(values.count(), 0);
        for (const QByteArray &frame : cantest::wire(m_nodes, kNode))
            QCOMPARE(frame, QByteArray("40 01 20 00 00 00 00 00"));
        // After a stop the other kind starts.
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 1, kLongWaitMs);
        amp.stopContinuousADRead();
    }

    void workerAbort_isReportedWithItsCode_andReadingGoesOn() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("abort next 0x06020000"));
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 2, kLongWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(
            errors.at(0).at(0).toString(),
            QStringLiteral("Error while reading AD value: SDO abort 0x06020000 (object does not exist)"));
        for (const QVariantList &args : values.all())
            QCOMPARE(args.at(0).value<uint32_t>(), SimulatedCanNode::kZeroCounts); // never the abort's bytes
    }

    void workerSilentNode_reportsShortReply() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("silent on"));
        amp.startContinuousMeasuringValueRead(5);
        QVERIFY(errors.wait(kLongWaitMs));
        amp.stopContinuousADRead();
        QCOMPARE(errors.at(0).at(0).toString(),
                 QStringLiteral("Invalid response size: expected at least 8 bytes."));
    }

    void stopDuringReplyWait_returnsPromptly() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("silent on"));
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(!m_nodes.received(kNode).empty(), kLongWaitMs); // the worker now waits
        QElapsedTimer clock;
        clock.start();
        amp.stopContinuousADRead();
        // Well inside the 2 s reply wait: the wait ended because reading stopped, not by its time-out.
        QVERIFY2(clock.elapsed() < sdoexchange::kReplyTimeoutMs / 2,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(errors.count(), 0); // a stop is no read error
    }

    void destroyWhileReading_stopsTheWorker() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        amp.startContinuousADRead(1);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 1, kLongWaitMs);
        m_amp.reset();
        QCOMPARE(canadapter::userCount(), 0);
    }

    void lateReply_withinTimeout_isTaken_afterTimeout_isNotMistaken() {
        sim(QStringLiteral("load 10"));
        CANOpenAmplifier &amp = connected();
        sim(QStringLiteral("late 300"));
        std::vector<uint8_t> reply = amp.sendCommandWithResponse(sdo::measuringValueRequest());
        QCOMPARE(reply.size(), size_t(8));
        QCOMPARE(sdo::measuringValue(reply), 1000);
        // A reply that comes after the wait gave up is not the answer to the next, different request.
        sim(QStringLiteral("late 2300"));
        QVERIFY(amp.sendCommandWithResponse(sdo::measuringValueRequest()).empty());
        sim(QStringLiteral("late 0"));
        QTest::qWait(400); // let the late measuring reply arrive
        reply = amp.sendCommandWithResponse(sdo::adValueRequest());
        QCOMPARE(reply.size(), size_t(8));
        QCOMPARE(reply[1], uint8_t(0x00));
        QCOMPARE(sdo::adValue(reply), 100200u);
    }

    void writeThenRead_readGetsItsOwnReply() {
        sim(QStringLiteral("load 20"));
        CANOpenAmplifier &amp = connected();
        amp.sendCommand(sdo::writeRequest(0x2019, 0, {2}));
        amp.allowCalibration();
        const std::vector<uint8_t> reply = amp.sendCommandWithResponse(sdo::measuringValueRequest());
        QCOMPARE(reply.size(), size_t(8));
        QCOMPARE(reply[0], uint8_t(0x43));
        QCOMPARE(sdo::measuringValue(reply), 2000);
    }

    void rawCommands_areSentAsGiven() {
        CANOpenAmplifier &amp = connected();
        amp.sendCommand(std::vector<uint8_t>{0x01, 0x02, 0x03});
        amp.sendCommand(QStringLiteral("AB"));
        amp.sendCommand(std::vector<uint8_t>(9, 0x55)); // longer than a frame: refused
        amp.sendCommand(QStringLiteral("NINE CHARS"));  // likewise
        QVERIFY(amp.sendCommandWithResponse(std::vector<uint8_t>(9, 0x55)).empty());
        amp.sendCommand(std::vector<uint8_t>{0x40, 0x18, 0x20, 0x00});
        QTRY_COMPARE_WITH_TIMEOUT(cantest::wire(m_nodes, kNode), (Wire{"01 02 03", "41 42", "40 18 20 00"}),
                                  kLongWaitMs);
    }

    void tare_appliesThenRemoves() {
        sim(QStringLiteral("load 500"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.tare();
        QCOMPARE(cantest::wire(m_nodes, kNode),
                 (Wire{"2f 25 20 03 01 00 00 00", "40 01 20 00 00 00 00 00", "22 03 20 00 50 c3 00 00",
                       "2f 25 20 02 01 00 00 00", "40 01 20 00 00 00 00 00"}));
        QCOMPARE(m_nodes.measuringValue(kNode), 0);
        m_nodes.clearReceived();
        sim(QStringLiteral("load 700"));
        amp.tare();
        QTRY_COMPARE_WITH_TIMEOUT(
            cantest::wire(m_nodes, kNode),
            (Wire{"2f 25 20 03 01 00 00 00", "22 03 20 00 50 c3 00 00", "2f 25 20 02 00 00 00 00"}),
            kLongWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.measuringValue(kNode), 70000, kLongWaitMs);
        QCOMPARE(errors.count(), 0);
    }

    void tare_noReply_reportsAndNextTareAppliesAgain() {
        sim(QStringLiteral("load 100"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("silent on"));
        amp.tare();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Failed to read measurement value for tare."));
        QCOMPARE(cantest::wire(m_nodes, kNode), (Wire{"2f 25 20 03 01 00 00 00", "40 01 20 00 00 00 00 00"}));
        sim(QStringLiteral("silent off"));
        sim(QStringLiteral("abort on 0x08000000"));
        amp.tare(); // still applying; a refused read is no value either
        QCOMPARE(errors.count(), 2);
        sim(QStringLiteral("abort off"));
        m_nodes.clearReceived();
        amp.tare();
        QCOMPARE(errors.count(), 2);
        QCOMPARE(cantest::wire(m_nodes, kNode).value(2), QByteArray("22 03 20 00 10 27 00 00"));
    }

    void zero_sendsFixedFramesAndReads() {
        sim(QStringLiteral("load 42"));
        CANOpenAmplifier &amp = connected();
        amp.zero();
        QCOMPARE(cantest::wire(m_nodes, kNode), (Wire{"2f 25 20 03 01 00 00 00", "22 03 20 00 00 00 00 00",
                                                      "2f 25 20 02 01 00 00 00", "40 01 20 00 00 00 00 00"}));
        QCOMPARE(m_nodes.measuringValue(kNode), 0);
    }

    void zeroAndTare_notConnected_report_data() {
        QTest::addColumn<bool>("zero");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero") << true
                              << QStringLiteral("CANopen Amplifier is not connected. Cannot perform zero.");
        QTest::newRow("tare") << false
                              << QStringLiteral("CANopen Amplifier is not connected. Cannot perform tare.");
    }
    void zeroAndTare_notConnected_report() {
        QFETCH(bool, zero);
        QFETCH(QString, message);
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, kNode);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        zero ? amp.zero() : amp.tare();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toString(), message);
    }

    void calibrateTwoPoints_writesEntries_andWeightsFollow() {
        CANOpenAmplifier &amp = connected();
        QSignalSpy ok(&amp, &CANOpenAmplifier::calibrationSuccessful);
        QSignalSpy failed(&amp, &CANOpenAmplifier::calibrationFailed);
        amp.calibrateTwoPoints(100000, 110000, 1000);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(failed.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(
            cantest::wire(m_nodes, kNode),
            (Wire{"2f 25 20 03 01 00 00 00", "23 0e 20 00 a0 86 01 00", "23 0f 20 00 b0 ad 01 00",
                  "23 04 20 00 a0 86 01 00", "23 06 20 00 02 00 00 00"}),
            kLongWaitMs);
        sim(QStringLiteral("load 250")); // AD 105000: half the calibrated span
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.measuringValue(kNode), 50000, kLongWaitMs);
    }

    void calibrateTwoPoints_refusals_data() {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<uint>("spanWeight");
        QTest::addColumn<QString>("message");
        QTest::newRow("not connected") << false << 1000u << QStringLiteral("Amplifier is not connected.");
        QTest::newRow("weight beyond 32 bits in hundredths")
            << true << 50000000u
            << QStringLiteral(
                   "Calibration failed: Span weight 50000000 g is too large (at most 42949672 g).");
    }
    void calibrateTwoPoints_refusals() {
        QFETCH(bool, connect);
        QFETCH(uint, spanWeight);
        QFETCH(QString, message);
        CANOpenAmplifier *amp = nullptr;
        if (connect) {
            amp = &connected();
        } else {
            m_amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, kNode);
            amp = m_amp.get();
        }
        QSignalSpy ok(amp, &CANOpenAmplifier::calibrationSuccessful);
        QSignalSpy failed(amp, &CANOpenAmplifier::calibrationFailed);
        amp->calibrateTwoPoints(100000, 110000, spanWeight);
        QCOMPARE(ok.count(), 0);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), message);
        QTest::qWait(50);
        QVERIFY(m_nodes.received(kNode).empty()); // nothing written
    }

    void pageCalibration_zeroSpanFinalize() {
        CANOpenAmplifier &amp = connected();
        // The node takes the AD value it sees when each write arrives, so the load changes in between.
        amp.calibrateZero();
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(kNode).size(), size_t(2), kLongWaitMs);
        sim(QStringLiteral("load 2000"));
        amp.calibrateSpan(500); // the node reads 2000 g worth of counts as 500 g
        amp.finalizeCalibration(2);
        QTRY_COMPARE_WITH_TIMEOUT(
            cantest::wire(m_nodes, kNode),
            (Wire{"2f 25 20 03 01 00 00 00", "23 0e 20 00 00 00 00 00", "2f 25 20 03 01 00 00 00",
                  "23 0f 20 00 50 c3 00 00", "2f 25 20 03 01 00 00 00", "23 04 20 00 02 00 00 00"}),
            kLongWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.measuringValue(kNode), 50000, kLongWaitMs);
        sim(QStringLiteral("load 1000"));
        QCOMPARE(m_nodes.measuringValue(kNode), 25000);
    }

    void pageCalibration_notConnected_sendsNothing() {
        m_amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, kNode);
        QSignalSpy failed(m_amp.get(), &CANOpenAmplifier::calibrationFailed);
        cantest::ThreadSpy errors(m_amp.get(), &CANOpenAmplifier::readErrorOccurred);
        m_amp->calibrateZero();
        m_amp->calibrateSpan(500);
        m_amp->finalizeCalibration(2);
        QTest::qWait(50);
        QVERIFY(m_nodes.received(kNode).empty());
        QCOMPARE(failed.count() + errors.count(), 0);
    }

    void setters_writeTheirEntry_data() {
        QTest::addColumn<int>("setter");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("index");
        QTest::addColumn<uint>("stored");
        QTest::newRow("FIR on") << 0 << 1u << QByteArray("2f 18 20 00 01 00 00 00") << 0x2018 << 1u;
        QTest::newRow("FIR off") << 0 << 0u << QByteArray("2f 18 20 00 00 00 00 00") << 0x2018 << 0u;
        QTest::newRow("level 5") << 1 << 5u << QByteArray("2f 19 20 00 05 00 00 00") << 0x2019 << 5u;
        QTest::newRow("level 0 goes out as 1")
            << 1 << 0u << QByteArray("2f 19 20 00 01 00 00 00") << 0x2019 << 1u;
        QTest::newRow("level 6 goes out as 1")
            << 1 << 6u << QByteArray("2f 19 20 00 01 00 00 00") << 0x2019 << 1u;
        QTest::newRow("filter bandwidth")
            << 2 << 70000u << QByteArray("23 1a 20 00 70 11 01 00") << 0x201A << 70000u;
        QTest::newRow("auto-zero time")
            << 3 << 1500u << QByteArray("2b 1b 20 00 dc 05 00 00") << 0x201B << 1500u;
        QTest::newRow("auto-zero bandwidth")
            << 4 << 7u << QByteArray("23 1c 20 00 07 00 00 00") << 0x201C << 7u;
        QTest::newRow("stability time")
            << 5 << 800u << QByteArray("23 1d 20 00 20 03 00 00") << 0x201D << 800u;
        QTest::newRow("zero point") << 6 << 0x01020304u << QByteArray("23 03 20 00 04 03 02 01") << 0x2003
                                    << 0x01020304u;
        QTest::newRow("stability bandwidth")
            << 7 << 9u << QByteArray("23 1e 20 00 09 00 00 00") << 0x201E << 9u;
    }
    void setters_writeTheirEntry() {
        QFETCH(int, setter);
        QFETCH(uint, value);
        QFETCH(QByteArray, frame);
        QFETCH(int, index);
        QFETCH(uint, stored);
        CANOpenAmplifier &amp = connected();
        switch (setter) {
        case 0:
            amp.setFIRFiltering(value != 0);
            break;
        case 1:
            amp.setFilteringLevel(static_cast<uint8_t>(value));
            break;
        case 2:
            amp.setFilteringBandwidth(value);
            break;
        case 3:
            amp.setAutoZeroTrackingTime(static_cast<uint16_t>(value));
            break;
        case 4:
            amp.setAutoZeroTrackingBandwidth(value);
            break;
        case 5:
            amp.setStabilityDeterminationTime(value);
            break;
        case 6:
            amp.setZeroPoint(value);
            break;
        default:
            amp.setStabilityBandwidth(value);
            break;
        }
        QTRY_COMPARE_WITH_TIMEOUT(cantest::wire(m_nodes, kNode), Wire{frame}, kLongWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.entry(kNode, static_cast<uint16_t>(index), 0).value_or(0xDEAD),
                                  stored, kLongWaitMs);
    }

    void writeSDO_lengths_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("1") << 1 << QByteArray("2f 1a 20 00 11 00 00 00");
        QTest::newRow("2") << 2 << QByteArray("2b 1a 20 00 11 11 00 00");
        QTest::newRow("4") << 4 << QByteArray("23 1a 20 00 11 11 11 11");
        QTest::newRow("3 is refused") << 3 << QByteArray();
    }
    void writeSDO_lengths() {
        QFETCH(int, length);
        QFETCH(QByteArray, frame);
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.writeSDO(0x201A, 0, std::vector<uint8_t>(static_cast<size_t>(length), 0x11));
        if (frame.isEmpty()) {
            QCOMPARE(errors.count(), 1);
            QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Unsupported data length for SDO write."));
            QTest::qWait(50);
            QVERIFY(m_nodes.received(kNode).empty());
        } else {
            QCOMPARE(errors.count(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(cantest::wire(m_nodes, kNode), Wire{frame}, kLongWaitMs);
        }
    }

    void measuredWeight_roundsHalvesAwayFromZero_data() {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("shown");
        QTest::newRow("g") << 12345.0 << "g" << 123.45;
        QTest::newRow("kg") << 12345.0 << "kg" << 0.12;
        QTest::newRow("negative g") << -12345.0 << "g" << -123.45;
        QTest::newRow("half kg") << 1500.0 << "kg" << 0.02;
        QTest::newRow("negative half kg") << -1500.0 << "kg" << -0.02;
        QTest::newRow("lb") << 123456.0 << "lb" << 2.72;
        QTest::newRow("beyond 32 bits") << 5e11 << "g" << 5e9;
    }
    void measuredWeight_roundsHalvesAwayFromZero() {
        QFETCH(double, stored);
        QFETCH(QString, unit);
        QFETCH(double, shown);
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, kNode);
        CANOpenAmplifier other(QStringLiteral("Model"), QString(), 0, 4);
        QCOMPARE(amp.getMeasuredWeight(), 0.0);
        amp.setMeasuredWeight(stored);
        other.setUnit(unit); // the unit is shared by every CANopen amplifier
        QCOMPARE(amp.getMeasuredWeight(), shown);
    }
};

QTEST_GUILESS_MAIN(TestCanOpenAmplifier)
#include "tst_canopenamplifier.moc"
