// The CANopen amplifier against a simulated node on the Qt virtual CAN bus, with the frames that reach the
// node checked byte for byte, and the commands that write several entries all or nothing. Several
// amplifiers at once: tst_canlink.
#include "CanTestBus.h"
#include "amplifiers/AmplifierFactory.h"

#include <QElapsedTimer>
#include <QRegularExpression>

using cantest::Wire;

namespace {
constexpr uint8_t kNode = 3;
constexpr int kWaitMs = 15000;
const QByteArray kUnlock = "2f 25 20 03 01 00 00 00";
const QByteArray kReadMeasuring = "40 01 20 00 00 00 00 00";
const QByteArray kReadAd = "40 00 20 00 00 00 00 00";
using Operation = void (*)(CANOpenAmplifier &, uint);
const QString kAborted = QStringLiteral("SDO abort 0x08000000 (general error)");
} // namespace
Q_DECLARE_METATYPE(Operation)

class TestCanOpenAmplifier : public QObject {
    Q_OBJECT

    cantest::Bus m_bus;
    std::unique_ptr<CANOpenAmplifier> m_amp;

    // A connected amplifier with an empty frame log.
    CANOpenAmplifier &connected() {
        m_amp = m_bus.amplifier(kNode);
        if (!m_amp->isConnected())
            qWarning("amplifier did not connect");
        m_bus.nodes.clearReceived();
        return *m_amp;
    }
    Wire sent() const { return cantest::wire(m_bus.nodes, kNode); }
    // The frames sent but the reads.
    Wire written() const {
        Wire out = sent();
        out.removeIf([](const QByteArray &frame) { return frame.startsWith("40"); });
        return out;
    }
    void sim(const QString &line) {
        const QString answer = m_bus.sim(line);
        QVERIFY2(answer.startsWith(QLatin1String("OK")), qPrintable(line + QLatin1String(": ") + answer));
    }

private slots:
    void initTestCase() {
        const QString error = m_bus.start({kNode});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        m_amp.reset();
        QCOMPARE(m_bus.link->users(), 0);
        m_bus.nodes.resetNodes();
    }

    void factory_createsAmplifier_thatConnectsWithOneUser() {
        AmplifierFactory factory(m_bus.link.get());
        QVERIFY(
            !factory.createAmplifier(QStringLiteral("canopen"), QStringLiteral("Model"), QString(), 9600, 3));
        QVERIFY(
            !AmplifierFactory().createAmplifier(QStringLiteral("CANOpen"), QString(), QString(), 9600, 3));
        std::unique_ptr<QObject> created(
            factory.createAmplifier(QStringLiteral("CANOpen"), QStringLiteral("Model"),
                                    QStringLiteral("COM3"), 9600, kNode, nullptr));
        auto *amp = qobject_cast<CANOpenAmplifier *>(created.get());
        QVERIFY(amp);
        QCOMPARE(amp->getDeviceId(), kNode);
        QVERIFY(!amp->isConnected());
        QSignalSpy ok(amp, &CANOpenAmplifier::connectionSuccessful);
        amp->connect();
        QCOMPARE(ok.count(), 1);
        QVERIFY(amp->isConnected());
        QCOMPARE(sent(), Wire{kReadAd});
        amp->connect(); // a second connect does not count a second user
        QCOMPARE(m_bus.link->users(), 1);
        amp->disconnect();
        QVERIFY(!amp->isConnected());
        QCOMPARE(m_bus.link->users(), 0);
        const TPCANMsg message{0x583, PCAN_MESSAGE_STANDARD, 15, {1, 2, 3, 4, 5, 6, 7, 8}};
        const auto [id, data] = amp->ProcessMessageCan(message, TPCANTimestamp());
        QCOMPARE(id, 0x583u);
        QCOMPARE(data, (sdo::Bytes{1, 2, 3, 4, 5, 6, 7, 8})); // a length beyond 8 is cut
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
        m_amp = m_bus.amplifier(kNode, false);
        QSignalSpy failed(m_amp.get(), &CANOpenAmplifier::connectionFailed);
        QElapsedTimer clock;
        clock.start();
        m_amp->connect();
        if (fault == QLatin1String("silent on")) // the whole reply wait, about 2 s
            QVERIFY2(clock.elapsed() >= CanLink::kReplyTimeoutMs - 50,
                     qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(failed.count(), 1); // with its cause after the colon
        QVERIFY(failed.at(0).at(0).toString().contains(
            QRegularExpression(QStringLiteral("^Handshake failed: .+\\.$"))));
        QVERIFY(!m_amp->isConnected());
        QCOMPARE(m_bus.link->users(), 1); // the link stays open for a retry
        m_bus.nodes.resetNodes();
        m_amp->connect();
        QVERIFY(m_amp->isConnected());
        QCOMPARE(m_bus.link->users(), 1);
    }

    void notConnected_refusesAndSendsNothing() {
        m_amp = m_bus.amplifier(kNode, false);
        CANOpenAmplifier &amp = *m_amp;
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
        QVERIFY(m_bus.nodes.received(kNode).empty());
    }

    // A refused or segmented answer is reported once and reading goes on; the values are never its bytes.
    void adWorker_emits24BitValue_andReportsUnusableAnswers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QVariantList>("errors");
        QTest::newRow("answers") << "" << QVariantList();
        QTest::newRow("abort") << "abort next 0x06020000"
                               << QVariantList{
                                      "Error while reading AD value: SDO abort 0x06020000 (object does "
                                      "not exist)"};
        QTest::newRow("segmented") << "segmented next"
                                   << QVariantList{
                                          "Error while reading AD value: the node offered a segmented "
                                          "transfer (command byte 0x41), which is not supported"};
    }
    void adWorker_emits24BitValue_andReportsUnusableAnswers() {
        QFETCH(QString, fault);
        QFETCH(QVariantList, errors);
        sim(QStringLiteral("load 250"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        cantest::ThreadSpy reported(&amp, &CANOpenAmplifier::readErrorOccurred);
        if (!fault.isEmpty())
            sim(fault);
        amp.startContinuousADRead(5);
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 3, kWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(reported.firsts(), errors);
        for (const QVariant &value : values.firsts())
            QCOMPARE(value.value<uint32_t>(), 105000u); // byte 7 (status) ignored
        for (const QByteArray &frame : sent())
            QCOMPARE(frame, kReadAd);
    }

    void measuringWorker_storesWeight_andAStartWhileReadingIsIgnored() {
        sim(QStringLiteral("load 123.45"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy values(&amp, &CANOpenAmplifier::adValueReceived);
        amp.startContinuousMeasuringValueRead(5);
        amp.startContinuousADRead(5); // ignored
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), 123.45, kWaitMs);
        sim(QStringLiteral("load -0.05"));
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), -0.05, kWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(values.count(), 0);
        for (const QByteArray &frame : sent())
            QCOMPARE(frame, kReadMeasuring);
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
        QTRY_VERIFY_WITH_TIMEOUT(m_bus.nodes.received(kNode).size() >= 2, kWaitMs); // the worker waits again
        QElapsedTimer clock;
        clock.start();
        amp.stopContinuousADRead();
        // Well inside the 2 s reply wait: the wait ended because reading stopped, not by its time-out.
        QVERIFY2(clock.elapsed() < CanLink::kReplyTimeoutMs / 2,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(errors.count(), 1); // a stop is no read error
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
        // Nor is a write's acknowledgement the answer to a read.
        amp.sendCommand(sdo::writeRequest(0x2019, 0, {2}));
        amp.allowCalibration();
        QCOMPARE(amp.sendCommandWithResponse(sdo::measuringValueRequest()).at(0), uint8_t(0x43));
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

    void zeroAndTare_sendTheirFrames() {
        sim(QStringLiteral("load 500"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.tare();
        QCOMPARE(sent().first(), kReadMeasuring);
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 50 c3 00 00", "2f 25 20 02 01 00 00 00"}));
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 0);
        m_bus.nodes.clearReceived();
        sim(QStringLiteral("load 700"));
        amp.tare();
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 50 c3 00 00", "2f 25 20 02 00 00 00 00"}));
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 70000);
        m_bus.nodes.clearReceived();
        amp.zero();
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 00 00 00 00", "2f 25 20 02 01 00 00 00"}));
        QCOMPARE(sent().last(), kReadMeasuring);
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 0);
        QCOMPARE(errors.count(), 0);
    }

    // The tare state follows what the node confirmed: an unanswered or refused step leaves it as it was.
    void tare_unconfirmedOrUnreadable_changesNothing_andIsTriedAgain() {
        sim(QStringLiteral("load 100"));
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        const QString unreadable = QStringLiteral("Failed to read measurement value for tare.");
        sim(QStringLiteral("silent on"));
        amp.tare();
        QCOMPARE(sent(), Wire{kReadMeasuring});
        sim(QStringLiteral("silent off"));
        sim(QStringLiteral("segmented next")); // a value offered in segments is no value for the tare
        amp.tare();
        QCOMPARE(errors.firsts(), (QVariantList{unreadable, unreadable}));
        QVERIFY(!amp.isTareActive());
        m_bus.nodes.clearReceived();
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

    void calibration_writesEntries_andWeightsFollow() {
        CANOpenAmplifier &amp = connected();
        QSignalSpy ok(&amp, &CANOpenAmplifier::calibrationSuccessful);
        amp.calibrateTwoPoints(100000, 110000, 1000);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(written(), (Wire{kUnlock, "23 0e 20 00 a0 86 01 00", "23 0f 20 00 b0 ad 01 00",
                                  "23 04 20 00 a0 86 01 00", "23 06 20 00 02 00 00 00"}));
        sim(QStringLiteral("load 250")); // AD 105000: half the calibrated span
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 50000);
        // The page's steps: the node takes the AD value it sees when each write arrives.
        m_bus.nodes.clearReceived();
        sim(QStringLiteral("load 0"));
        amp.calibrateZero();
        sim(QStringLiteral("load 2000"));
        amp.calibrateSpan(500); // the node reads 2000 g worth of counts as 500 g
        amp.finalizeCalibration(2);
        QCOMPARE(written(), (Wire{kUnlock, "23 0e 20 00 00 00 00 00", kUnlock, "23 0f 20 00 50 c3 00 00",
                                  kUnlock, "23 04 20 00 02 00 00 00"}));
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 50000);
        sim(QStringLiteral("load 1000"));
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 25000);
        QCOMPARE(ok.count(), 1);
    }

    // Refused before the first frame by the calibration rule, or stopped at the write the node did not
    // confirm.
    void writes_refusedOrUnconfirmed_areReported_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<bool>("calibration"); // reported by calibrationFailed, else by readErrorOccurred
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("framesSent");
        const Operation twoPoints = [](CANOpenAmplifier &a, uint) {
            a.calibrateTwoPoints(100000, 110000, 1000);
        };
        const QString invalid = QStringLiteral("Invalid calibration data: %1");
        const QString unlockRefused = QStringLiteral("Write to entry 0x2025:03 not confirmed: ");
        QTest::newRow("span weight beyond 32 bits x100")
            << ""
            << Operation([](CANOpenAmplifier &a, uint) { a.calibrateTwoPoints(100000, 110000, 50000000); })
            << true << invalid.arg("The span weight (50000000 g) is too large (at most 42949672 g).") << 0;
        QTest::newRow("page span weight 0")
            << "" << Operation([](CANOpenAmplifier &a, uint) { a.calibrateSpan(0); }) << true
            << invalid.arg("The span weight must be greater than 0 g.") << 0;
        QTest::newRow("two points, aborted")
            << "abort on" << twoPoints << true
            << "Calibration failed: " + unlockRefused + kAborted + "; nothing was written." << 1;
        QTest::newRow("two points, silent node")
            << "silent on" << twoPoints << true
            << "Calibration failed: " + unlockRefused +
                   "no answer from node 3 within 2 s; nothing was written."
            << 1;
        QTest::newRow("page zero, aborted")
            << "abort on" << Operation([](CANOpenAmplifier &a, uint) { a.calibrateZero(); }) << true
            << "Calibration failed: " + unlockRefused + kAborted + "." << 1;
        QTest::newRow("setter, aborted")
            << "abort on" << Operation([](CANOpenAmplifier &a, uint) { a.setFilteringBandwidth(10); })
            << false << "Write to entry 0x201a:00 not confirmed: " + kAborted + "." << 1;
        QTest::newRow("zero, aborted")
            << "abort on" << Operation([](CANOpenAmplifier &a, uint) { a.zero(); }) << false
            << "Zero failed: " + unlockRefused + kAborted + "; nothing was written." << 1;
    }
    void writes_refusedOrUnconfirmed_areReported() {
        QFETCH(QString, fault);
        QFETCH(Operation, operation);
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
        QCOMPARE(static_cast<int>(m_bus.nodes.received(kNode).size()), framesSent);
    }

    // A node refusing one chosen write of a command holds afterwards what it held before; the outcome says
    // so.
    void refusedAtEachStep_leavesTheNodeAsItWas_data() {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("outcome");
        const QString back = QStringLiteral("; the previous %1 written back and read back.");
        const struct {
            const char *verb, *failed, *previous;
            QStringList entries; // the first one is the command's first write
        } kinds[] = {
            {"calibrate", "Calibration", "calibration was", {"200E:00", "200F:00", "2004:00", "2006:00"}},
            {"filters", "Filter settings", "settings were", {"2018:00", "2019:00", "201A:00"}},
            {"zero", "Zero", "zero point and tare switch were", {"2025:02"}},
            {"tare", "Tare", "zero point and tare switch were", {"2025:02"}},
        };
        for (const auto &kind : kinds)
            for (const QString &entry : kind.entries)
                QTest::addRow("%s at %s", kind.verb, qPrintable(entry))
                    << kind.verb << entry
                    << QStringLiteral("%1 failed: refused at 0x%2 (SDO abort 0x08000020)%3")
                           .arg(kind.failed, entry,
                                entry == "200E:00" || entry == "2018:00"
                                    ? QStringLiteral("; nothing was changed (read back).")
                                    : back.arg(kind.previous));
    }
    void refusedAtEachStep_leavesTheNodeAsItWas() {
        QFETCH(QString, verb);
        QFETCH(QString, entry);
        QFETCH(QString, outcome);
        const QStringList watched = {"2003 0", "2004 0", "2006 0", "200E 0", "200F 0",
                                     "2018 0", "2019 0", "201A 0", "2025 2"};
        const auto snapshot = [&] {
            QStringList held;
            for (const QString &e : watched)
                held << m_bus.sim(QStringLiteral("get ") + e);
            return held;
        };
        sim(QStringLiteral("load 300"));
        CANOpenAmplifier &amp = connected();
        amp.writeFilterSettings(
            {{"zeroPoint", 1234}}); // a zero point of its own, so that writing one is a change
        const QStringList where = entry.split(QLatin1Char(':'));
        sim(QStringLiteral("refuse %1 %2 1").arg(where[0], where[1]));
        const QStringList before = snapshot();
        QSignalSpy finished(&amp, &CANOpenAmplifier::commandFinished);
        if (verb == "calibrate")
            amp.calibrateTwoPoints(90000, 130000, 2000);
        else if (verb == "filters")
            amp.writeFilterSettings({{"firFiltering", 1}, {"filteringLevel", 4}, {"filteringBandwidth", 20}});
        else if (verb == "zero")
            amp.zero();
        else
            amp.tare();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0), (QVariantList{verb, false, outcome}));
        QCOMPARE(snapshot(), before);
        QVERIFY(!amp.isTareActive());
    }

    // The node keeps the value the frame carries (bytes 4 to 7) under the frame's index.
    void setters_writeTheirEntry_data() {
        QTest::addColumn<Operation>("setter");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QByteArray>("frame");
        const Operation fir = [](CANOpenAmplifier &a, uint v) {
            a.setFIRFiltering(v != 0);
        };
        const Operation level = [](CANOpenAmplifier &a, uint v) {
            a.setFilteringLevel(static_cast<uint8_t>(v));
        };
        QTest::newRow("FIR on") << fir << 1u << QByteArray("2f 18 20 00 01 00 00 00");
        QTest::newRow("FIR off") << fir << 0u << QByteArray("2f 18 20 00 00 00 00 00");
        QTest::newRow("level 5") << level << 5u << QByteArray("2f 19 20 00 05 00 00 00");
        QTest::newRow("level 0 goes out as 1") << level << 0u << QByteArray("2f 19 20 00 01 00 00 00");
        QTest::newRow("level 6 goes out as 1") << level << 6u << QByteArray("2f 19 20 00 01 00 00 00");
        QTest::newRow("filter bandwidth")
            << Operation([](CANOpenAmplifier &a, uint v) { a.setFilteringBandwidth(v); }) << 70000u
            << QByteArray("23 1a 20 00 70 11 01 00");
        QTest::newRow("auto-zero time") << Operation([](CANOpenAmplifier &a, uint v) {
            a.setAutoZeroTrackingTime(static_cast<uint16_t>(v));
        }) << 1500u << QByteArray("2b 1b 20 00 dc 05 00 00");
        QTest::newRow("auto-zero bandwidth")
            << Operation([](CANOpenAmplifier &a, uint v) { a.setAutoZeroTrackingBandwidth(v); }) << 7u
            << QByteArray("23 1c 20 00 07 00 00 00");
        QTest::newRow("stability time")
            << Operation([](CANOpenAmplifier &a, uint v) { a.setStabilityDeterminationTime(v); }) << 800u
            << QByteArray("23 1d 20 00 20 03 00 00");
        QTest::newRow("zero point") << Operation([](CANOpenAmplifier &a, uint v) { a.setZeroPoint(v); })
                                    << 0x01020304u << QByteArray("23 03 20 00 04 03 02 01");
        QTest::newRow("stability bandwidth")
            << Operation([](CANOpenAmplifier &a, uint v) { a.setStabilityBandwidth(v); }) << 9u
            << QByteArray("23 1e 20 00 09 00 00 00");
    }
    void setters_writeTheirEntry() {
        QFETCH(Operation, setter);
        QFETCH(uint, value);
        QFETCH(QByteArray, frame);
        setter(connected(), value);
        QCOMPARE(written(), Wire{frame});
        const QByteArray raw = QByteArray::fromHex(frame);
        const sdo::Bytes bytes(raw.begin(), raw.end());
        const auto index = static_cast<uint16_t>(bytes[1] | bytes[2] << 8);
        QCOMPARE(m_bus.nodes.entry(kNode, index, 0).value_or(0xDEAD), sdo::value32(bytes));
    }
};

QTEST_GUILESS_MAIN(TestCanOpenAmplifier)
#include "tst_canopenamplifier.moc"
