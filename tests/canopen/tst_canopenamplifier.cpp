// The CANopen amplifier against a simulated node on the Qt virtual CAN bus, with the frames that reach the
// node checked byte for byte, and the commands that write several entries all or nothing. Several
// amplifiers at once: tst_canlink.
#include "CanTestBus.h"
#include "app/AmplifierFactory.h"

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
        const QString answer = m_bus.nodes.command(line);
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

    // Until connected it refuses and sends nothing; connected, it counts once on the link.
    void factory_createsAmplifier_thatRefusesUntilConnected_andConnectsWithOneUser() {
        AmplifierFactory factory(m_bus.link.get());
        QVERIFY(
            !AmplifierFactory().createAmplifier(QStringLiteral("CANOpen"), QString(), QString(), 9600, 3));
        std::unique_ptr<QObject> created(
            factory.createAmplifier(QStringLiteral("CANOpen"), QStringLiteral("Model"),
                                    QStringLiteral("COM3"), 9600, kNode, nullptr));
        auto *amp = qobject_cast<CANOpenAmplifier *>(created.get());
        QVERIFY(amp);
        cantest::ThreadSpy errors(amp, &CANOpenAmplifier::readErrorOccurred);
        cantest::ThreadSpy calibrationFailed(amp, &CANOpenAmplifier::calibrationFailed);
        amp->startContinuousADRead(10);
        amp->startContinuousMeasuringValueRead(10);
        amp->zero();
        amp->tare();
        amp->calibrateZero(); // the page calibration steps do nothing, silently
        amp->calibrateSpan(500);
        amp->finalizeCalibration(2);
        amp->calibrateTwoPoints(100000, 110000, 1000);
        amp->stopContinuousADRead();
        QCOMPARE(
            errors.firsts(),
            (QVariantList{QStringLiteral("Amplifier is not connected. Cannot start AD reading."),
                          QStringLiteral("Amplifier is not connected. Cannot start measuring value read."),
                          QStringLiteral("CANopen Amplifier is not connected. Cannot perform zero."),
                          QStringLiteral("CANopen Amplifier is not connected. Cannot perform tare.")}));
        QCOMPARE(calibrationFailed.firsts(), QVariantList{QStringLiteral("Amplifier is not connected.")});
        QVERIFY(m_bus.nodes.received(kNode).empty());
        QVERIFY(!amp->isConnected());
        cantest::ThreadSpy ok(amp, &CANOpenAmplifier::connectionSuccessful);
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
    }
    void connect_failedHandshake_thenRetry() {
        QFETCH(QString, fault);
        sim(fault);
        m_amp = m_bus.amplifier(kNode, false);
        cantest::ThreadSpy failed(m_amp.get(), &CANOpenAmplifier::connectionFailed);
        m_amp->connect();
        QCOMPARE(failed.count(), 1); // with its cause after the colon
        QVERIFY(failed.firsts().value(0).toString().contains(
            QRegularExpression(QStringLiteral("^Handshake failed: .+\\.$"))));
        QVERIFY(!m_amp->isConnected());
        QCOMPARE(m_bus.link->users(), 1); // the link stays open for a retry
        m_bus.nodes.resetNodes();
        m_amp->connect();
        QVERIFY(m_amp->isConnected());
        QCOMPARE(m_bus.link->users(), 1);
    }

    // An unusable answer is reported once and reading goes on; the values are never its bytes.
    void adWorker_emits24BitValue_andReportsUnusableAnswers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QVariantList>("errors");
        QTest::newRow("answers") << "" << QVariantList();
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
        amp.startContinuousMeasuringValueRead(5); // ignored while the AD worker runs
        QTRY_VERIFY_WITH_TIMEOUT(values.count() >= 3, kWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(reported.firsts(), errors);
        for (const QVariant &value : values.firsts())
            QCOMPARE(value.value<uint32_t>(), 105000u); // byte 7 (status) ignored
        for (const QByteArray &frame : sent())
            QCOMPARE(frame, kReadAd);
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

    void rawCommands_areSentAsGiven_uptoAFrame_and3ByteWriteRefused() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        amp.writeSDO(0x201A, 0, {0x11, 0x11, 0x11});
        QCOMPARE(errors.firsts(), QVariantList{QStringLiteral("Unsupported data length for SDO write.")});
        amp.sendCommand(std::vector<uint8_t>{0x01, 0x02, 0x03});
        amp.sendCommand(QStringLiteral("AB"));
        amp.sendCommand(std::vector<uint8_t>(9, 0x55)); // longer than a frame: refused
        QVERIFY(amp.sendCommandWithResponse(std::vector<uint8_t>(9, 0x55)).empty());
        amp.sendCommand(std::vector<uint8_t>{0x40, 0x18, 0x20, 0x00});
        QTRY_COMPARE_WITH_TIMEOUT(sent(), (Wire{"01 02 03", "41 42", "40 18 20 00"}), kWaitMs);
    }

    // The tare state follows what the node confirmed: an unanswered or refused step leaves it as it was, and
    // the next tare tries again.
    void zeroAndTare_sendTheirFrames_andTheTareFollowsTheNode() {
        sim(QStringLiteral("load 500"));
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
        QCOMPARE(sent().first(), kReadMeasuring);
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 50 c3 00 00", "2f 25 20 02 01 00 00 00"}));
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 0);
        sim(QStringLiteral("load 700"));
        m_bus.nodes.clearReceived();
        amp.tare();
        QVERIFY(!amp.isTareActive());
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 50 c3 00 00", "2f 25 20 02 00 00 00 00"}));
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 70000);
        m_bus.nodes.clearReceived();
        amp.zero();
        QCOMPARE(written(), (Wire{kUnlock, "22 03 20 00 00 00 00 00", "2f 25 20 02 01 00 00 00"}));
        QCOMPARE(sent().last(), kReadMeasuring);
        QCOMPARE(m_bus.nodes.measuringValue(kNode), 0);
        QCOMPARE(errors.count(), 2);
    }

    void calibration_writesEntries() {
        CANOpenAmplifier &amp = connected();
        cantest::ThreadSpy ok(&amp, &CANOpenAmplifier::calibrationSuccessful);
        amp.calibrateTwoPoints(100000, 110000, 1000);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(written(), (Wire{kUnlock, "23 0e 20 00 a0 86 01 00", "23 0f 20 00 b0 ad 01 00",
                                  "23 04 20 00 a0 86 01 00", "23 06 20 00 02 00 00 00"}));
        // The page's steps, each behind its own unlock.
        m_bus.nodes.clearReceived();
        amp.calibrateZero();
        amp.calibrateSpan(500);
        amp.finalizeCalibration(2);
        QCOMPARE(written(), (Wire{kUnlock, "23 0e 20 00 00 00 00 00", kUnlock, "23 0f 20 00 50 c3 00 00",
                                  kUnlock, "23 04 20 00 02 00 00 00"}));
    }

    // Refused before the first frame by the calibration rule, stopped at the unlock the node did not confirm,
    // or refused at a later write: the node holds afterwards what it held before, and the caller hears why.
    void refusedWrites_leaveTheNodeAsItWas_data() {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("outcome");
        const QString unlock = QStringLiteral("Write to entry 0x2025:03 not confirmed: ");
        const QString nothing = QStringLiteral("; nothing was written.");
        const QString invalid = QStringLiteral("Invalid calibration data: The span weight ");
        QTest::newRow("span weight beyond 32 bits x100")
            << "calibrate huge"
            << "" << invalid + "(50000000 g) is too large (at most 42949672 g).";
        QTest::newRow("page span weight 0") << "span 0"
                                            << "" << invalid + "must be greater than 0 g.";
        QTest::newRow("calibrate, aborted") << "calibrate"
                                            << "abort on"
                                            << "Calibration failed: " + unlock + kAborted + nothing;
        QTest::newRow("calibrate, silent")
            << "calibrate"
            << "silent on"
            << "Calibration failed: " + unlock + "no answer from node 3 within 2 s" + nothing;
        QTest::newRow("page zero, aborted") << "page zero"
                                            << "abort on"
                                            << "Calibration failed: " + unlock + kAborted + ".";
        QTest::newRow("setter, aborted") << "bandwidth"
                                         << "abort on"
                                         << "Write to entry 0x201a:00 not confirmed: " + kAborted + ".";
        QTest::newRow("zero, aborted") << "zero"
                                       << "abort on"
                                       << "Zero failed: " + unlock + kAborted + nothing;
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
                QTest::addRow("%s refused at %s", kind.verb, qPrintable(entry))
                    << kind.verb << QStringLiteral("refuse %1 1").arg(QString(entry).replace(':', ' '))
                    << QStringLiteral("%1 failed: refused at 0x%2 (SDO abort 0x08000020)%3")
                           .arg(kind.failed, entry,
                                entry == "200E:00" || entry == "2018:00"
                                    ? QStringLiteral("; nothing was changed (read back).")
                                    : back.arg(kind.previous));
    }
    void refusedWrites_leaveTheNodeAsItWas() {
        QFETCH(QString, verb);
        QFETCH(QString, fault);
        QFETCH(QString, outcome);
        const auto snapshot = [this] {
            QStringList held;
            for (const char *entry :
                 {"2003 0", "2004 0", "2006 0", "200E 0", "200F 0", "2018 0", "2019 0", "201A 0", "2025 2"})
                held << m_bus.nodes.command(QStringLiteral("get ") + entry);
            return held;
        };
        sim(QStringLiteral("load 300"));
        CANOpenAmplifier &amp = connected();
        amp.writeFilterSettings(
            {{"zeroPoint", 1234}}); // a zero point of its own, so that writing one is a change
        if (!fault.isEmpty())
            sim(fault);
        const QStringList before = snapshot();
        m_bus.nodes.clearReceived();
        cantest::ThreadSpy finished(&amp, &CANOpenAmplifier::commandFinished);
        cantest::ThreadSpy failed(&amp, &CANOpenAmplifier::calibrationFailed);
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        cantest::ThreadSpy ok(&amp, &CANOpenAmplifier::calibrationSuccessful);
        if (verb == "calibrate")
            amp.calibrateTwoPoints(90000, 130000, 2000);
        else if (verb == "calibrate huge")
            amp.calibrateTwoPoints(100000, 110000, 50000000);
        else if (verb == "span 0")
            amp.calibrateSpan(0);
        else if (verb == "page zero")
            amp.calibrateZero();
        else if (verb == "bandwidth")
            amp.setFilteringBandwidth(10);
        else if (verb == "filters")
            amp.writeFilterSettings({{"firFiltering", 1}, {"filteringLevel", 4}, {"filteringBandwidth", 20}});
        else
            QMetaObject::invokeMethod(&amp, verb.toLatin1().constData()); // zero, tare
        // Each caller hears it once, by the signal it has always listened to; the outcome says the same.
        const bool toCalibration =
            verb.startsWith(QLatin1String("calibrate")) || verb == "span 0" || verb == "page zero";
        QCOMPARE((toCalibration ? failed : errors).firsts(),
                 verb == "filters" ? QVariantList() : QVariantList{outcome});
        QCOMPARE((toCalibration ? errors : failed).count(), 0);
        QCOMPARE(finished.count(), verb.startsWith(QLatin1String("calibrate")) || verb == "filters" ||
                                       verb == "zero" || verb == "tare");
        for (const QVariantList &args : finished.all())
            QVERIFY2(!args.value(1).toBool() && args.value(2).toString().startsWith(outcome),
                     qPrintable(args.value(2).toString()));
        QCOMPARE(ok.count(), 0);
        QCOMPARE(snapshot(), before);
        QVERIFY(!amp.isTareActive());
        if (fault.isEmpty())
            QVERIFY(m_bus.nodes.received(kNode).empty());
    }

    // The node keeps the value the frame carries (bytes 4 to 7) under the frame's index.
    void setters_writeTheirEntry_data() {
        QTest::addColumn<Operation>("setter");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QByteArray>("frame");
#define SETTER(call) Operation([](CANOpenAmplifier &a, uint v) { a.call; })
        QTest::newRow("FIR on") << SETTER(setFIRFiltering(v != 0)) << 1u
                                << QByteArray("2f 18 20 00 01 00 00 00");
        QTest::newRow("level 5") << SETTER(setFilteringLevel(uint8_t(v))) << 5u
                                 << QByteArray("2f 19 20 00 05 00 00 00");
        QTest::newRow("level 6 goes out as 1")
            << SETTER(setFilteringLevel(uint8_t(v))) << 6u << QByteArray("2f 19 20 00 01 00 00 00");
        QTest::newRow("filter bandwidth")
            << SETTER(setFilteringBandwidth(v)) << 70000u << QByteArray("23 1a 20 00 70 11 01 00");
        QTest::newRow("auto-zero time")
            << SETTER(setAutoZeroTrackingTime(uint16_t(v))) << 1500u << QByteArray("2b 1b 20 00 dc 05 00 00");
        QTest::newRow("zero point") << SETTER(setZeroPoint(v)) << 0x01020304u
                                    << QByteArray("23 03 20 00 04 03 02 01");
#undef SETTER
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
