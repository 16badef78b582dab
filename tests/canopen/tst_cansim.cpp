// The simulated CANopen node: its own logic (what it acknowledges or aborts, whom it answers, the command
// lines it refuses), and the command-line simulator as a separate process that serves the virtual bus and
// answers command lines on standard input, read by an amplifier in this process or by kelvora-cli.
#include "CanTestBus.h"

#include <QProcess>

namespace {
constexpr int kLongWaitMs = 20000;
} // namespace

class TestCanSim : public QObject {
    Q_OBJECT

    QProcess m_sim;
    QString m_interface;
    std::unique_ptr<CanLink> m_link;

    QByteArray ask(const QByteArray &line) {
        m_sim.write(line + '\n');
        while (!m_sim.canReadLine() && m_sim.waitForReadyRead(kLongWaitMs)) {
        }
        return m_sim.readLine().trimmed();
    }

    bool startSimulator() {
        m_sim.setProgram(QStringLiteral(KELVORA_CAN_SIM_PATH));
        m_sim.setArguments({"--interface", m_interface, "--node", "7", "--node", "8"});
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sim.start();
        if (!m_sim.waitForStarted(kLongWaitMs) || !m_sim.waitForReadyRead(kLongWaitMs))
            return false;
        return m_sim.readLine().startsWith("READY nodes 7,8");
    }

private slots:
    void initTestCase() {
        m_interface = cantest::useFreshBus();
        QVERIFY(startSimulator());
        m_link = std::make_unique<CanLink>(CanLinkConfig::fromEnvironment());
    }

    void cleanupTestCase() {
        m_link.reset();
        if (m_sim.state() == QProcess::Running) {
            m_sim.write("quit\n");
            if (!m_sim.waitForFinished(kLongWaitMs))
                m_sim.kill();
        }
    }

    void node_writesAreAcknowledgedOrAborted_data() {
        QTest::addColumn<sdo::Bytes>("frame");
        QTest::addColumn<sdo::Bytes>("reply");
        QTest::newRow("filter level")
            << sdo::writeRequest(0x2019, 0, {4}) << cantest::bytes("6019200000000000");
        QTest::newRow("level out of range")
            << sdo::writeRequest(0x2019, 0, {6}) << cantest::bytes("8019200030000906");
        QTest::newRow("unknown entry")
            << sdo::writeRequest(0x2099, 0, {1}) << cantest::bytes("8099200000000206");
        QTest::newRow("calibration without unlock")
            << sdo::writeRequest(0x200E, 0, sdo::littleEndian32(5)) << cantest::bytes("800E200022000008");
    }
    void node_writesAreAcknowledgedOrAborted() {
        QFETCH(sdo::Bytes, frame);
        QFETCH(sdo::Bytes, reply);
        SimulatedCanNode node(3);
        const auto replies = node.handle({0x603, frame});
        QCOMPARE(replies.size(), size_t(1));
        QCOMPARE(replies.front().frame.id, 0x583u);
        QCOMPARE(replies.front().frame.data, reply);
        // Frames for other nodes, or replies, are not its business.
        QVERIFY(node.handle({0x604, frame}).empty());
        QVERIFY(node.handle({0x583, frame}).empty());
    }

    void cli_canOpenCommands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("read-ad") << QStringList{"--id", "8", "read-ad"} << 0 << QByteArray("104000");
        QTest::newRow("set-filters") << QStringList{"--id", "8", "set-filters", "level=5"} << 0
                                     << QByteArray("Filters set.");
        // The driver would send level 6 as 1: the tool refuses it instead.
        QTest::newRow("level out of range")
            << QStringList{"--id", "8", "set-filters", "level=6"} << 2 << QByteArray(); // bad arguments
        QTest::newRow("sdo-write") << QStringList{"--id", "8", "sdo-write", "2019:00", "4"} << 0
                                   << QByteArray("0x2019:00 filteringLevel = 4 (written and read back)");
        QTest::newRow("sdo-read") << QStringList{"--id", "8", "sdo-read", "0x2019:0"} << 0
                                  << QByteArray("0x2019:00 filteringLevel = 4");
        // Outside the register map's range: refused before anything is sent.
        QTest::newRow("sdo-write out of range")
            << QStringList{"--id", "8", "sdo-write", "2019:00", "6"} << 2 << QByteArray();
    }
    void cli_canOpenCommands() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QCOMPARE(ask("@8 load 200"), QByteArray("OK"));
        QProcess cli;
        cli.start(QStringLiteral(KELVORA_CLI_PATH),
                  QStringList{"--protocol", "CANOpen", "--port", "can"} + arguments);
        QVERIFY(cli.waitForFinished(kLongWaitMs));
        QCOMPARE(cli.exitCode(), exitCode);
        QCOMPARE(cli.readAllStandardOutput().trimmed(), output);
        if (arguments.contains(QStringLiteral("set-filters")))
            QCOMPARE(ask("@8 get 2019 0"), QByteArray("OK 5"));
    }

    // A watching CLI ends with the reason when the adapter goes, instead of printing silence for ever.
    void cli_watchEndsWhenTheAdapterGoes() {
        QProcess cli;
        cli.start(QStringLiteral(KELVORA_CLI_PATH), {"--protocol", "CANOpen", "--port", "can", "--id", "7",
                                                     "watch", "--interval", "200", "--count", "200"});
        QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine(), kLongWaitMs);
        m_sim.write("quit\n"); // the simulator carries the virtual bus's server
        QVERIFY(m_sim.waitForFinished(kLongWaitMs));
        QVERIFY(cli.waitForFinished(kLongWaitMs));
        QCOMPARE(cli.exitCode(), 6); // port lost
        QVERIFY2(cli.readAllStandardError().contains("Lost the CAN adapter "), "no reason given");
        QVERIFY(startSimulator());
    }

    // Last: the bus goes away under a reading amplifier and comes back: reading goes on by itself, without a
    // new connect; and when it goes again, a connect opens the adapter afresh.
    void busGoesAndComesBack() {
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, 7, m_link.get());
        amp.connect();
        amp.startContinuousMeasuringValueRead(50);
        QTRY_VERIFY_WITH_TIMEOUT(amp.getMsSinceLastReading() >= 0, kLongWaitMs);
        for (int round = 0; round < 2; ++round) {
            m_sim.write("quit\n"); // the simulator carries the virtual bus's server
            QVERIFY(m_sim.waitForFinished(kLongWaitMs));
            if (round == 0)
                QTRY_VERIFY_WITH_TIMEOUT(amp.getMsSinceLastReading() > 1000, kLongWaitMs);
            else
                QVERIFY(amp.sendCommandWithResponse(sdo::adValueRequest()).empty());
            QVERIFY(startSimulator());
            QCOMPARE(ask("@7 load -123.5"), QByteArray("OK")); // a weight below zero stays signed
            if (round == 0) {
                QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), -123.5, kLongWaitMs);
                amp.stopContinuousADRead();
            }
        }
        amp.connect();
        QVERIFY(amp.isConnected());
        QCOMPARE(m_link->users(), 1);
        QCOMPARE(amp.sendCommandWithResponse(sdo::adValueRequest()).size(), size_t(8));
    }
};

QTEST_GUILESS_MAIN(TestCanSim)
#include "tst_cansim.moc"
