// The CANopen amplifier against a simulated node on the Qt virtual CAN bus, with the frames that reach the
// node checked byte for byte. Several amplifiers at once: tst_canopenconcurrency.
#include "CanTestBus.h"
#include "amplifiers/AmplifierFactory.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using cantest::Wire;

namespace {
constexpr uint8_t kNode = 3;
constexpr int kWaitMs = 15000;
const QByteArray kUnlock = "2f 25 20 03 01 00 00 00";
const QByteArray kReadMeasuring = "40 01 20 00 00 00 00 00";
const QByteArray kReadAd = "40 00 20 00 00 00 00 00";
using Setter = void (*)(CANOpenAmplifier &, uint);
} // namespace
Q_DECLARE_METATYPE(Setter)

class TestCanOpenAmplifier : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;
    std::unique_ptr<CANOpenAmplifier> m_amp;

    CANOpenAmplifier &fresh() {
        m_amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, kNode);
        return *m_amp;
    }
    // A connected amplifier with an empty frame log.
    CANOpenAmplifier &connected() {
        fresh().connect();
        if (!m_amp->isConnected())
            qWarning("amplifier did not connect");
        m_nodes.clearReceived();
        return *m_amp;
    }
    Wire sent() const { return cantest::wire(m_nodes, kNode); }
    // The frames sent but the reads (the reads before and after each write are the all-or-nothing suite's).
    Wire written() const {
        Wire out = sent();
        out.removeIf([](const QByteArray &frame) { return frame.startsWith("40"); });
        return out;
    }
    void sim(const QString &line) {
        const QString answer = m_nodes.command(line);
        QVERIFY2(answer.startsWith(QLatin1String("OK")), qPrintable(line + QLatin1String(": ") + answer));
    }

private slots:
    void initTestCase() {
        const QString error = cantest::startBus(m_nodes, {kNode});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        m_amp.reset();
        QCOMPARE(canadapter::userCount(), 0);
        m_nodes.resetNodes();
    }

    void factory_createsAmplifier_thatConnectsWithOneUser() {
        AmplifierFactory factory;
        QVERIFY(
            !factory.createAmplifier(QStringLiteral("canopen"), QStringLiteral("Model"), QString(), 9600, 3));
        std::unique_ptr<QObject> created(
            factory.createAmplifier(QStringLiteral("CANOpen"), QStringLiteral("Model"),
                                    QStringLiteral("COM3"), 9600, kNode, nullptr));
        auto *amp = qobject_cast<CANOpenAmplifier *>(created.get());
        QVERIFY(amp);
        QCOMPARE(amp->getDeviceId(), kNode);
        QVERIFY(!amp->isConnected());
        QCOMPARE(canadapter::userCount(), 0);
        QSignalSpy ok(amp, &CANOpenAmplifier::connectionSuccessful);
        QSignalSpy failed(amp, &CANOpenAmplifier::connectionFailed);
        amp->connect();
        QCOMPARE(ok.count(), 1);
        QCOMPARE(failed.count(), 0);
        QVERIFY(amp->isConnected());
        QCOMPARE(sent(), Wire{kReadAd});
        amp->connect(); // a second connect does not count a second user
        QCOMPARE(canadapter::userCount(), 1);
        amp->disconnect();
        QVERIFY(!amp->isConnected());
        QCOMPARE(canadapter::userCount(), 0);
    }

    void connect_failedHandshake_thenRetry_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("silent node") << QStringLiteral("silent on");
        QTest::newRow("abort") << QStringLiteral("abort next 0x06020000");
        QTest::newRow("reply from another node") << QStringLiteral("foreign 9");
    }
    void connect_failedHandshake_thenRetry() {
        QFETCH(QString, fault);
        sim(fault);
        CANOpenAmplifier &amp = fresh();
        QSignalSpy failed(&amp, &CANOpenAmplifier::connectionFailed);
        QElapsedTimer clock;
        clock.start();
        amp.connect();
        if (fault == QLatin1String("silent on")) // the whole reply wait, about 2 s
            QVERIFY2(clock.elapsed() >= sdoexchange::kReplyTimeoutMs - 50,
                     qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(failed.count(), 1); // with its cause after the colon
        QVERIFY(failed.at(0).at(0).toString().contains(
            QRegularExpression(QStringLiteral("^Handshake failed: .+\\.$"))));
        QVERIFY(!amp.isConnected());
        QCOMPARE(canadapter::userCount(), 1); // the channel stays open for a retry
        m_nodes.resetNodes();
        QSignalSpy ok(&amp, &CANOpenAmplifier::connectionSuccessful);
        amp.connect();
        QCOMPARE(ok.count(), 1);
        QCOMPARE(canadapter::userCount(), 1);
    }

    void connect_noAdapter_reportsInitialisationFailure() {
        const QByteArray plugin = qgetenv("KELVORA_CAN_PLUGIN");
        qputenv("KELVORA_CAN_PLUGIN", "nosuchplugin");
        CANOpenAmplifier &amp = fresh();
        QSignalSpy failed(&amp, &CANOpenAmplifier::connectionFailed);
        amp.connect();
        qputenv("KELVORA_CAN_PLUGIN", plugin);
        QCOMPARE(cantest::firsts(failed), QVariantList{QStringLiteral("CAN initialization failed")});
        QVERIFY2(canadapter::lastError().contains(QLatin1String("nosuchplugin")),
                 qPrintable(canadapter::lastError()));
        QCOMPARE(canadapter::userCount(), 0);
    }

    void notConnected_refusesAndSendsNothing() {
        CANOpenAmplifier &amp = fresh();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        QSignalSpy calibrationFailed(&amp, &CANOpenAmplifier::calibrationFailed);
        amp.startContinuousADRead(10);
        amp.startContinuousMeasuringValueRead(10);
        amp.zero();
        amp.tare();
        amp.calibrateZero(); // the page calibration steps do nothing, silently
        amp.calibrateSpan(500);
        amp.finalizeCalibration(2);
        amp.calibrateTwoPoints(100000, 110000, 1000);
        amp.stopContinuousADRead();
        QCOMPARE(
            errors.firsts(),
            (QVariantList{QStringLiteral("Amplifier is not connected. Cannot start AD reading."),
                          QStringLiteral("Amplifier is not connected. Cannot start measuring value read."),
                          QStringLiteral("CANopen Amplifier is not connected. Cannot perform zero."),
                          QStringLiteral("CANopen Amplifier is not connected. Cannot perform tare.")}));
        QCOMPARE(cantest::firsts(calibrationFailed),
                 QVariantList{QStringLiteral("Amplifier is not connected.")});
        QTest::qWait(50);
        QVERIFY(m_nodes.received(kNode).empty());
        QCOMPARE(canadapter::userCount(), 0);
    }

    void adWorker_emits24BitValue_andAStartWhileReadingIsIgnored() {
        sim(QStringLiteral("load 250"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.startContinuousMeasuringValueRead(5);
        amp.startContinuousADRead(5); // ignored
        QTRY_VERIFY_WITH_TIMEOUT(m_nodes.received(kNode).size() >= 4, kWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(values.count(), 0);
        for (const QByteArray &frame : sent())
            QCOMPARE(frame, kReadMeasuring);
        m_nodes.clearReceived();
        amp.startContinuousADRead(5); // after a stop the other kind starts
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 5, kWaitMs);
        amp.stopContinuousADRead();
        for (const QVariant &value : values.firsts())
            QCOMPARE(value.value<uint32_t>(), 105000u); // byte 7 (status) ignored
        QCOMPARE(errors.count(), 0);
        for (const QByteArray &frame : sent())
            QCOMPARE(frame, kReadAd);
    }

    void measuringWorker_storesWeight() {
        sim(QStringLiteral("load 123.45"));
        CANOpenAmplifier &amp = connected();
        amp.startContinuousMeasuringValueRead(5);
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), 123.45, kWaitMs);
        sim(QStringLiteral("load -0.05"));
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), -0.05, kWaitMs);
        amp.stopContinuousADRead();
    }

    void workerAbort_isReportedWithItsCode_andReadingGoesOn() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("abort next 0x06020000"));
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 2, kWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(errors.firsts(),
                 QVariantList{QStringLiteral(
                     "Error while reading AD value: SDO abort 0x06020000 (object does not exist)")});
        for (const QVariant &value : values.firsts())
            QCOMPARE(value.value<uint32_t>(), SimulatedCanNode::kZeroCounts); // never the abort's bytes
    }

    void silentNode_reportsNoAnswer_andAStopDuringTheReplyWaitReturnsPromptly() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("silent on"));
        amp.startContinuousMeasuringValueRead(5);
        QTRY_COMPARE_WITH_TIMEOUT(
            errors.firsts(),
            QVariantList{
                QStringLiteral("Error while reading measuring value: no answer from node 3 within 2 s")},
            kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_nodes.received(kNode).size() >= 2, kWaitMs); // the worker waits again
        QElapsedTimer clock;
        clock.start();
        amp.stopContinuousADRead();
        // Well inside the 2 s reply wait: the wait ended because reading stopped, not by its time-out.
        QVERIFY2(clock.elapsed() < sdoexchange::kReplyTimeoutMs / 2,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(errors.count(), 1); // a stop is no read error
    }

    void destroyWhileReading_stopsTheWorker() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        amp.startContinuousADRead(1);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 1, kWaitMs);
        m_amp.reset();
        QCOMPARE(canadapter::userCount(), 0);
    }

    void lateReply_withinTimeout_isTaken_afterTimeout_isNotMistaken() {
        sim(QStringLiteral("load 10"));
        CANOpenAmplifier &amp = connected();
        sim(QStringLiteral("late 300"));
        QCOMPARE(sdo::measuringValue(amp.sendCommandWithResponse(sdo::measuringValueRequest())), 1000);
        // A reply that comes after the wait gave up is not the answer to the next, different request.
        sim(QStringLiteral("late 2300"));
        QVERIFY(amp.sendCommandWithResponse(sdo::measuringValueRequest()).empty());
        sim(QStringLiteral("late 0"));
        QTest::qWait(400); // let the late measuring reply arrive
        const std::vector<uint8_t> reply = amp.sendCommandWithResponse(sdo::adValueRequest());
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

    void rawCommands_areSentAsGiven_uptoAFrame_and3ByteWriteRefused() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.writeSDO(0x201A, 0, {0x11, 0x11, 0x11});
        QCOMPARE(errors.firsts(), QVariantList{QStringLiteral("Unsupported data length for SDO write.")});
        amp.sendCommand(std::vector<uint8_t>{0x01, 0x02, 0x03});
        amp.sendCommand(QStringLiteral("AB"));
        amp.sendCommand(std::vector<uint8_t>(9, 0x55)); // longer than a frame: refused
        amp.sendCommand(QStringLiteral("NINE CHARS"));  // likewise
        QVERIFY(amp.sendCommandWithResponse(std::vector<uint8_t>(9, 0x55)).empty());
        amp.sendCommand(std::vector<uint8_t>{0x40, 0x18, 0x20, 0x00});
        QTRY_COMPARE_WITH_TIMEOUT(sent(), (Wire{"01 02 03", "41 42", "40 18 20 00"}), kWaitMs);
    }

    void tare_appliesThenRemoves() {
        sim(QStringLiteral("load 500"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.tare();
        QCOMPARE(sent().first(), kReadMeasuring);
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 50 c3 00 00", "2f 25 20 02 01 00 00 00"}));
        QCOMPARE(m_nodes.measuringValue(kNode), 0);
        m_nodes.clearReceived();
        sim(QStringLiteral("load 700"));
        amp.tare();
        QTRY_COMPARE_WITH_TIMEOUT(
            written(), (Wire{kUnlock, "22 03 20 00 50 c3 00 00", "2f 25 20 02 00 00 00 00"}), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.measuringValue(kNode), 70000, kWaitMs);
        QCOMPARE(errors.count(), 0);
    }

    // The tare state follows what the node confirmed: an unanswered or refused step leaves it as it was.
    void tare_unconfirmedOrUnreadable_changesNothing_andIsTriedAgain() {
        sim(QStringLiteral("load 100"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("silent on"));
        amp.tare();
        QCOMPARE(errors.firsts(), QVariantList{QStringLiteral("Failed to read measurement value for tare.")});
        QCOMPARE(sent(), Wire{kReadMeasuring});
        sim(QStringLiteral("silent off"));
        sim(QStringLiteral("segmented next")); // a value offered in segments is no value for the tare
        amp.tare();
        QCOMPARE(errors.firsts().value(1),
                 QVariant(QStringLiteral("Failed to read measurement value for tare.")));
        QVERIFY(!amp.isTareActive());
        m_nodes.clearReceived();
        amp.tare();
        QVERIFY(amp.isTareActive());
        QCOMPARE(written().value(1), QByteArray("22 03 20 00 10 27 00 00"));
        sim(QStringLiteral("abort on 0x08000022"));
        amp.tare();
        QCOMPARE(
            errors.firsts().value(2),
            QVariant(QStringLiteral("Tare failed: Write to entry 0x2025:03 not confirmed: SDO abort "
                                    "0x08000022 (data cannot be transferred because of the present device "
                                    "state); nothing was written.")));
        QVERIFY(amp.isTareActive());
        sim(QStringLiteral("abort off"));
        amp.tare();
        QVERIFY(!amp.isTareActive());
        QCOMPARE(errors.count(), 3);
    }

    void zero_sendsFixedFramesAndReads() {
        sim(QStringLiteral("load 42"));
        CANOpenAmplifier &amp = connected();
        amp.zero();
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 00 00 00 00", "2f 25 20 02 01 00 00 00"}));
        QCOMPARE(sent().last(), kReadMeasuring);
        QCOMPARE(m_nodes.measuringValue(kNode), 0);
    }

    void calibrateTwoPoints_writesEntries_andWeightsFollow() {
        CANOpenAmplifier &amp = connected();
        QSignalSpy ok(&amp, &CANOpenAmplifier::calibrationSuccessful);
        QSignalSpy failed(&amp, &CANOpenAmplifier::calibrationFailed);
        amp.calibrateTwoPoints(100000, 110000, 1000);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(failed.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(written(),
                                  (Wire{kUnlock, "23 0e 20 00 a0 86 01 00", "23 0f 20 00 b0 ad 01 00",
                                        "23 04 20 00 a0 86 01 00", "23 06 20 00 02 00 00 00"}),
                                  kWaitMs);
        sim(QStringLiteral("load 250")); // AD 105000: half the calibrated span
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.measuringValue(kNode), 50000, kWaitMs);
    }

    // Refused before the first frame by the calibration rule, or stopped at the write the node did not
    // confirm.
    void writes_refusedOrUnconfirmed_areReported_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Setter>("operation");
        QTest::addColumn<bool>("calibration"); // reported by calibrationFailed, else by readErrorOccurred
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("framesSent");
        const Setter twoPoints = [](CANOpenAmplifier &a, uint) {
            a.calibrateTwoPoints(100000, 110000, 1000);
        };
        const QString invalid = QStringLiteral("Invalid calibration data: %1");
        QTest::newRow("span weight beyond 32 bits x100")
            << "" << Setter([](CANOpenAmplifier &a, uint) { a.calibrateTwoPoints(100000, 110000, 50000000); })
            << true << invalid.arg("The span weight (50000000 g) is too large (at most 42949672 g).") << 0;
        QTest::newRow("page span weight 0")
            << "" << Setter([](CANOpenAmplifier &a, uint) { a.calibrateSpan(0); }) << true
            << invalid.arg("The span weight must be greater than 0 g.") << 0;
        const QString aborted = QStringLiteral("SDO abort 0x08000000 (general error)");
        QTest::newRow("two points, aborted")
            << "abort on" << twoPoints << true
            << "Calibration failed: Write to entry 0x2025:03 not confirmed: " + aborted +
                   "; nothing was written."
            << 1;
        QTest::newRow("two points, silent node") << "silent on" << twoPoints << true
                                                 << "Calibration failed: Write to entry 0x2025:03 not "
                                                    "confirmed: no answer from node 3 within 2 s; "
                                                    "nothing was written."
                                                 << 1;
        QTest::newRow("page zero, aborted")
            << "abort on" << Setter([](CANOpenAmplifier &a, uint) { a.calibrateZero(); }) << true
            << "Calibration failed: Write to entry 0x2025:03 not confirmed: " + aborted + "." << 1;
        QTest::newRow("setter, aborted")
            << "abort on" << Setter([](CANOpenAmplifier &a, uint) { a.setFilteringBandwidth(10); }) << false
            << "Write to entry 0x201a:00 not confirmed: " + aborted + "." << 1;
        QTest::newRow("zero, aborted")
            << "abort on" << Setter([](CANOpenAmplifier &a, uint) { a.zero(); }) << false
            << "Zero failed: Write to entry 0x2025:03 not confirmed: " + aborted + "; nothing was written."
            << 1;
    }
    void writes_refusedOrUnconfirmed_areReported() {
        QFETCH(QString, fault);
        QFETCH(Setter, operation);
        QFETCH(bool, calibration);
        QFETCH(QString, message);
        QFETCH(int, framesSent);
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        QSignalSpy ok(&amp, &CANOpenAmplifier::calibrationSuccessful);
        QSignalSpy failed(&amp, &CANOpenAmplifier::calibrationFailed);
        if (!fault.isEmpty())
            sim(fault);
        operation(amp, 0);
        QCOMPARE(calibration ? cantest::firsts(failed) : errors.firsts(), QVariantList{message});
        QCOMPARE(calibration ? errors.count() : static_cast<int>(failed.count()), 0);
        QCOMPARE(ok.count(), 0);
        QCOMPARE(static_cast<int>(m_nodes.received(kNode).size()), framesSent);
    }

    void segmentedOffer_toAWorkerRead_isAFailure_andReadingGoesOn() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        sim(QStringLiteral("segmented next"));
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 2, kWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(errors.firsts(),
                 QVariantList{QStringLiteral("Error while reading AD value: the node offered a "
                                             "segmented transfer (command byte 0x41), which is not "
                                             "supported")});
        for (const QVariant &value : values.firsts())
            QCOMPARE(value.value<uint32_t>(), SimulatedCanNode::kZeroCounts); // never the offer's size
    }

    void pageCalibration_zeroSpanFinalize() {
        CANOpenAmplifier &amp = connected();
        // The node takes the AD value it sees when each write arrives, so the load changes in between.
        amp.calibrateZero();
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(kNode).size(), size_t(2), kWaitMs);
        sim(QStringLiteral("load 2000"));
        amp.calibrateSpan(500); // the node reads 2000 g worth of counts as 500 g
        amp.finalizeCalibration(2);
        QTRY_COMPARE_WITH_TIMEOUT(written(),
                                  (Wire{kUnlock, "23 0e 20 00 00 00 00 00", kUnlock,
                                        "23 0f 20 00 50 c3 00 00", kUnlock, "23 04 20 00 02 00 00 00"}),
                                  kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.measuringValue(kNode), 50000, kWaitMs);
        sim(QStringLiteral("load 1000"));
        QCOMPARE(m_nodes.measuringValue(kNode), 25000);
    }

    // The node keeps the value the frame carries (bytes 4 to 7) under the frame's index.
    void setters_writeTheirEntry_data() {
        QTest::addColumn<Setter>("setter");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QByteArray>("frame");
        const Setter fir = [](CANOpenAmplifier &a, uint v) {
            a.setFIRFiltering(v != 0);
        };
        const Setter level = [](CANOpenAmplifier &a, uint v) {
            a.setFilteringLevel(static_cast<uint8_t>(v));
        };
        QTest::newRow("FIR on") << fir << 1u << QByteArray("2f 18 20 00 01 00 00 00");
        QTest::newRow("FIR off") << fir << 0u << QByteArray("2f 18 20 00 00 00 00 00");
        QTest::newRow("level 5") << level << 5u << QByteArray("2f 19 20 00 05 00 00 00");
        QTest::newRow("level 0 goes out as 1") << level << 0u << QByteArray("2f 19 20 00 01 00 00 00");
        QTest::newRow("level 6 goes out as 1") << level << 6u << QByteArray("2f 19 20 00 01 00 00 00");
        QTest::newRow("filter bandwidth")
            << Setter([](CANOpenAmplifier &a, uint v) { a.setFilteringBandwidth(v); }) << 70000u
            << QByteArray("23 1a 20 00 70 11 01 00");
        QTest::newRow("auto-zero time") << Setter([](CANOpenAmplifier &a, uint v) {
            a.setAutoZeroTrackingTime(static_cast<uint16_t>(v));
        }) << 1500u << QByteArray("2b 1b 20 00 dc 05 00 00");
        QTest::newRow("auto-zero bandwidth")
            << Setter([](CANOpenAmplifier &a, uint v) { a.setAutoZeroTrackingBandwidth(v); }) << 7u
            << QByteArray("23 1c 20 00 07 00 00 00");
        QTest::newRow("stability time")
            << Setter([](CANOpenAmplifier &a, uint v) { a.setStabilityDeterminationTime(v); }) << 800u
            << QByteArray("23 1d 20 00 20 03 00 00");
        QTest::newRow("zero point") << Setter([](CANOpenAmplifier &a, uint v) { a.setZeroPoint(v); })
                                    << 0x01020304u << QByteArray("23 03 20 00 04 03 02 01");
        QTest::newRow("stability bandwidth")
            << Setter([](CANOpenAmplifier &a, uint v) { a.setStabilityBandwidth(v); }) << 9u
            << QByteArray("23 1e 20 00 09 00 00 00");
    }
    void setters_writeTheirEntry() {
        QFETCH(Setter, setter);
        QFETCH(uint, value);
        QFETCH(QByteArray, frame);
        setter(connected(), value);
        QTRY_COMPARE_WITH_TIMEOUT(written(), Wire{frame}, kWaitMs);
        const QByteArray raw = QByteArray::fromHex(frame);
        const sdo::Bytes bytes(raw.begin(), raw.end());
        const auto index = static_cast<uint16_t>(bytes[1] | bytes[2] << 8);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.entry(kNode, index, 0).value_or(0xDEAD), sdo::value32(bytes),
                                  kWaitMs);
    }
};

QTEST_GUILESS_MAIN(TestCanOpenAmplifier)
#include "tst_canopenamplifier.moc"
