// Every fault the simulators can put on a link lands in the right counter of the link statistics and with
// the right verdict in the frame monitor, in the library and in kelvora-cli's monitor; a frame that cannot be
// decoded is shown as hex only.

#include "../canopen/CanTestBus.h"
#include "SimulatorProcess.h"
#include "link/LinkWatch.h"
#include "link/serial/RS485Bus.h"
#include "link/serial/SerialExchange.h"
#include "protocol/ModbusFrames.h"

#include <QProcess>
#include <QTest>

#include <memory>

using frames::Verdict;
Q_DECLARE_METATYPE(frames::Verdict)

class LinkFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SimulatorProcess> m_sim;
    std::unique_ptr<RS485Bus> m_bus;
    cantest::Bus m_can;

    // One exchange with the amplifier at address or node 1: a read of the AD value. A doubled answer
    // raises before anything is sent; it is counted all the same.
    void exchange(bool can) {
        if (can) {
            m_can.link->request(1, sdo::adValueRequest(), {}, 300);
            return;
        }
        try {
            m_bus->transact(modbus::readRequest(1, modbus::kAdRegister), modbus::kReadAnswerSize);
        } catch (const serial::TwoDevicesError &) {
        }
    }
    QString command(bool can, const QString &line) {
        return can ? m_can.nodes.command(line) : m_sim->command(line);
    }

private slots:
    void initTestCase() {
        // The simulated CAN nodes open the virtual bus first: its server lives in the first device's thread.
        QCOMPARE(m_can.start({1}), QString());
        QVERIFY(m_can.link->acquire());
        m_sim = std::make_unique<SimulatorProcess>(QStringList{QStringLiteral("--ids"), QStringLiteral("1")});
        QVERIFY2(m_sim->isReady(), qPrintable(m_sim->errorString()));
        m_bus = std::make_unique<RS485Bus>();
        QVERIFY(m_bus->open(m_sim->port(), 9600));
        m_bus->watch().monitor().setRecording(true);
        m_can.link->watch().monitor().setRecording(true);
    }
    void cleanupTestCase() {
        m_bus.reset();
        if (m_can.link)
            m_can.link->release();
    }

    void fault_landsInItsCounterAndVerdict_data() {
        QTest::addColumn<bool>("can");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("cleared");
        QTest::addColumn<Verdict>("verdict");    // of the faulted exchange
        QTest::addColumn<bool>("decodable");     // whether its answer (if any) may be decoded
        QTest::addColumn<uint>("code");          // exception or abort code, for Refused
        QTest::addColumn<Verdict>("afterwards"); // what the next exchanges count besides (Ok: nothing)

        QTest::newRow("serial silence") << false << "fault 1 silence"
                                        << "fault 1 none" << Verdict::TimedOut << true << 0u << Verdict::Ok;
        QTest::newRow("serial truncate")
            << false << "fault 1 truncate"
            << "fault 1 none" << Verdict::Incomplete << false << 0u << Verdict::Ok;
        QTest::newRow("serial bad CRC") << false << "fault 1 bad-crc"
                                        << "fault 1 none" << Verdict::BadCrc << false << 0u << Verdict::Ok;
        QTest::newRow("serial exception") << false << "fault 1 exception 2"
                                          << "fault 1 none" << Verdict::Refused << true << 2u << Verdict::Ok;
        QTest::newRow("serial garbage") << false << "fault 1 garbage"
                                        << "fault 1 none" << Verdict::Garbage << false << 0u << Verdict::Late;
        QTest::newRow("serial late") << false << "fault 1 late 250"
                                     << "fault 1 none" << Verdict::TimedOut << true << 0u << Verdict::Late;
        QTest::newRow("serial other id") << false << "fault 1 other-id 7"
                                         << "fault 1 none" << Verdict::OtherId << true << 0u << Verdict::Ok;
        // A value fault: the frame is intact, only the amplifier knows its value is wrong.
        QTest::newRow("serial low16") << false << "fault 1 low16"
                                      << "fault 1 none" << Verdict::Ok << true << 0u << Verdict::Ok;
        QTest::newRow("serial twin") << false << "twin 1 5"
                                     << "twin 1 off" << Verdict::Ok << true << 0u << Verdict::Duplicate;
        QTest::newRow("CAN silent") << true << "silent on"
                                    << "silent off" << Verdict::TimedOut << true << 0u << Verdict::Ok;
        QTest::newRow("CAN abort") << true << "abort next 0x06020000"
                                   << "abort off" << Verdict::Refused << true << 0x06020000u << Verdict::Ok;
        QTest::newRow("CAN foreign") << true << "foreign 9"
                                     << "foreign off" << Verdict::OtherId << true << 0u << Verdict::Ok;
        QTest::newRow("CAN segmented")
            << true << "segmented next"
            << "segmented off" << Verdict::Unsupported << true << 0u << Verdict::Ok;
        QTest::newRow("CAN late") << true << "late 600"
                                  << "late 0" << Verdict::TimedOut << true << 0u << Verdict::Late;
    }

    void fault_landsInItsCounterAndVerdict() {
        QFETCH(bool, can);
        QFETCH(QString, fault);
        QFETCH(QString, cleared);
        QFETCH(Verdict, verdict);
        QFETCH(bool, decodable);
        QFETCH(uint, code);
        QFETCH(Verdict, afterwards);
        LinkWatch &watch = can ? m_can.link->watch() : m_bus->watch();
        exchange(can); // whatever the previous row left on the line is settled here
        watch.stats().clear();
        const uint64_t mark = watch.monitor().lastSequence();

        QVERIFY(command(can, fault).startsWith(QLatin1String("OK")));
        exchange(can);
        QVERIFY(command(can, cleared).startsWith(QLatin1String("OK")));

        linkstats::Snapshot stats = watch.stats().snapshot(1);
        QCOMPARE(stats.requests, 1u);
        QCOMPARE(stats.count(verdict), 1u);
        QCOMPARE(stats.lastVerdict, verdict);
        if (verdict == Verdict::Refused) {
            QCOMPARE(stats.refusals.size(), size_t(1));
            QCOMPARE(stats.refusals.front().code, code);
        }
        const std::vector<FrameRecord> frames = watch.monitor().since(mark);
        QVERIFY(!frames.empty());
        QCOMPARE(frames.front().direction, frames::Direction::Request);
        QCOMPARE(frames.front().verdict, verdict);
        QVERIFY(frames.front().decoded().decoded);
        for (const FrameRecord &frame : frames) {
            QCOMPARE(frame.verdict, verdict);
            if (frame.direction == frames::Direction::Answer) {
                const frames::Decoded decoded = frame.decoded();
                QCOMPARE(decoded.decoded, decodable);
                if (!decodable)
                    QCOMPARE(decoded.summary(), decoded.hex);
            }
        }
        if (verdict == Verdict::TimedOut)
            QCOMPARE(frames.size(), size_t(1));

        if (afterwards == Verdict::Ok)
            return;
        // What came too late or twice is found before a later request; a CAN reply is waited for first, so
        // that it cannot be taken for the next request's.
        if (can)
            QTRY_VERIFY_WITH_TIMEOUT(m_can.link->pendingReplies(1) > 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT((exchange(can), watch.stats().snapshot(1).count(afterwards) > 0), 5000);
        stats = watch.stats().snapshot(1);
        QVERIFY(afterwards == Verdict::Late ? stats.lateBytes > 0 : stats.duplicateBytes > 0);
        bool recorded = false;
        for (const FrameRecord &frame : watch.monitor().since(mark))
            recorded =
                recorded || (frame.verdict == afterwards && frame.direction == frames::Direction::Answer);
        QVERIFY(recorded);
    }

    // The same faults through kelvora-cli's monitor, which shows the frames from the handshake on: the
    // faulted exchange's frames carry the fault's verdict, the exit status says what it means. A serial
    // exchange is sent once more (--retries 1), whose settle finds what came late.
    void monitor_showsEachFault_data() { fault_landsInItsCounterAndVerdict_data(); }
    void monitor_showsEachFault() {
        QFETCH(bool, can);
        QFETCH(QString, fault);
        QFETCH(QString, cleared);
        QFETCH(Verdict, verdict);
        QFETCH(Verdict, afterwards);
        exchange(can); // the line is quiet before the tool opens it
        QVERIFY(command(can, fault).startsWith(QLatin1String("OK")));
        QProcess cli;
        // The serial line is the library's too: it is given back while the tool runs.
        m_bus.reset();
        cli.start(QStringLiteral(KELVORA_CLI_PATH),
                  {QStringLiteral("--protocol"), can ? QStringLiteral("CANOpen") : QStringLiteral("RS485"),
                   QStringLiteral("--port"), can ? QStringLiteral("can") : m_sim->port(),
                   QStringLiteral("--id"), QStringLiteral("1"), QStringLiteral("--timeout"),
                   can ? QStringLiteral("300") : QStringLiteral("50"), QStringLiteral("--retries"),
                   can ? QStringLiteral("0") : QStringLiteral("1"), QStringLiteral("monitor"),
                   QStringLiteral("--count"), QStringLiteral("8"), QStringLiteral("--interval"),
                   QStringLiteral("50")});
        QVERIFY(cli.waitForFinished(60000));
        QVERIFY(command(can, cleared).startsWith(QLatin1String("OK")));
        m_bus = std::make_unique<RS485Bus>();
        QVERIFY(m_bus->open(m_sim->port(), 9600));
        m_bus->watch().monitor().setRecording(true);

        const QStringList lines =
            QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(!lines.isEmpty(), qPrintable(cli.readAllStandardError()));
        // "HH:mm:ss.zzz -> id verdict ...": the handshake's request first.
        const auto verdictOf = [](const QString &line) {
            return line.mid(20, 11).trimmed();
        };
        QCOMPARE(lines.first().mid(13, 2), QStringLiteral("->"));
        QCOMPARE(verdictOf(lines.first()), QString::fromLatin1(frames::verdictKey(verdict)));
        const int expectedStatus = verdict == Verdict::Ok         ? 0
                                   : verdict == Verdict::TimedOut ? 3
                                   : verdict == Verdict::Refused  ? 4
                                                                  : 5;
        QCOMPARE(cli.exitCode(), expectedStatus);
        if (afterwards != Verdict::Ok && !can) {
            bool shown = false;
            for (const QString &line : lines)
                shown = shown || verdictOf(line) == QString::fromLatin1(frames::verdictKey(afterwards));
            QVERIFY2(shown, qPrintable(lines.join(QLatin1Char('\n'))));
        }
    }
};

QTEST_GUILESS_MAIN(LinkFaultsTest)
#include "tst_link_faults.moc"
