// The command-line simulator as a separate process: it serves the virtual bus, answers command lines on
// standard input, and an amplifier in this process, or kelvora-cli with
// --protocol CANOpen, reads the load set that way. The node logic itself is tst_cansimnode.
#include "CanTestBus.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {
constexpr int kLongWaitMs = 20000;
}

class TestCanSimTool : public QObject {
    Q_OBJECT

    QProcess m_sim;
    QString m_interface;

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
    }

    void cleanupTestCase() {
        if (m_sim.state() == QProcess::Running) {
            m_sim.write("quit\n");
            if (!m_sim.waitForFinished(kLongWaitMs))
                m_sim.kill();
        }
    }

    void cli_canOpenCommands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("read-ad") << QStringList{"--id", "8", "read-ad"} << 0 << QByteArray("104000");
        QTest::newRow("read-weight") << QStringList{"--id", "8", "--unit", "kg", "read-weight"} << 0
                                     << QByteArray("0.20000");
        QTest::newRow("set-filters") << QStringList{"--id", "8", "set-filters", "level=5"} << 0
                                     << QByteArray("Filters set.");
        // The driver would send level 6 as 1: the tool refuses it instead.
        QTest::newRow("level out of range")
            << QStringList{"--id", "8", "set-filters", "level=6"} << 1 << QByteArray();
        QTest::newRow("absent node") << QStringList{"--id", "9", "read-ad"} << 1 << QByteArray();
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

    void amplifier_readsLoadSetOnStandardInput() {
        QCOMPARE(ask("@7 load 321.5"), QByteArray("OK"));
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, 7);
        QSignalSpy ok(&amp, &CANOpenAmplifier::connectionSuccessful);
        amp.connect();
        QCOMPARE(ok.count(), 1);
        amp.startContinuousMeasuringValueRead(10);
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), 321.5, kLongWaitMs);
        amp.setFilteringLevel(4);
        QTRY_COMPARE_WITH_TIMEOUT(ask("@7 get 2019 0"), QByteArray("OK 4"), kLongWaitMs);
        amp.stopContinuousADRead();
    }

    // The adapter goes away during a watch: the watch ends at once, saying so.
    void cli_watchEndsWhenTheAdapterGoes() {
        QProcess cli;
        cli.start(QStringLiteral(KELVORA_CLI_PATH), {"--protocol", "CANOpen", "--port", "can", "--id", "7",
                                                     "watch", "--interval", "200", "--count", "200"});
        QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine(), kLongWaitMs);
        m_sim.write("quit\n"); // the simulator carries the virtual bus's server
        QVERIFY(m_sim.waitForFinished(kLongWaitMs));
        QElapsedTimer sinceGone;
        sinceGone.start();
        QVERIFY(cli.waitForFinished(kLongWaitMs));
        const qint64 endedAfter = sinceGone.elapsed();
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY2(cli.readAllStandardError().contains("Lost the CAN adapter "), "no reason given");
        QVERIFY2(endedAfter < 2000, qPrintable(QString::number(endedAfter)));
        QVERIFY(startSimulator());
    }

    // A reading amplifier whose adapter goes and comes back reads again by itself, without a new connect.
    void reading_recoversWhenTheAdapterIsBack() {
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, 7);
        amp.connect();
        QVERIFY(amp.isConnected());
        amp.startContinuousMeasuringValueRead(50);
        QTRY_VERIFY_WITH_TIMEOUT(amp.getMsSinceLastReading() >= 0, kLongWaitMs);
        m_sim.write("quit\n");
        QVERIFY(m_sim.waitForFinished(kLongWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(amp.getMsSinceLastReading() > 1000, kLongWaitMs);
        QVERIFY(startSimulator());
        QCOMPARE(ask("@7 load 123.5"), QByteArray("OK"));
        QTRY_COMPARE_WITH_TIMEOUT(amp.getMeasuredWeight(), 123.5, kLongWaitMs);
        amp.stopContinuousADRead();
        QCOMPARE(canadapter::userCount(), 1);
    }

    // Last: the bus goes away under a connected amplifier and comes back.
    void busRestarted_connectOpensTheAdapterAfresh() {
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, 7);
        amp.connect();
        QVERIFY(amp.isConnected());
        m_sim.write("quit\n"); // the simulator carries the virtual bus's server
        QVERIFY(m_sim.waitForFinished(kLongWaitMs));
        QVERIFY(amp.sendCommandWithResponse(sdo::adValueRequest()).empty());
        QVERIFY(startSimulator());
        QSignalSpy ok(&amp, &CANOpenAmplifier::connectionSuccessful);
        amp.connect();
        QCOMPARE(ok.count(), 1);
        QCOMPARE(canadapter::userCount(), 1);
        QCOMPARE(amp.sendCommandWithResponse(sdo::adValueRequest()).size(), size_t(8));
    }
};

QTEST_GUILESS_MAIN(TestCanSimTool)
#include "tst_cansimtool.moc"
