// The command-line simulator as a separate process: it serves the virtual bus, answers command lines on
// standard input with "OK" or "ERR ...", and an amplifier in this process, or kelvora-cli with
// --protocol CANOpen, reads the load set that way. The node logic itself is tst_cansimnode.
#include "CanTestBus.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"

#include <QLoggingCategory>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {
constexpr int kLongWaitMs = 20000;
}

class TestCanSimTool : public QObject {
    Q_OBJECT

    QProcess m_sim;

    QByteArray ask(const QByteArray &line) {
        m_sim.write(line + '\n');
        if (!m_sim.canReadLine() && !m_sim.waitForReadyRead(kLongWaitMs))
            return QByteArray();
        while (!m_sim.canReadLine() && m_sim.waitForReadyRead(kLongWaitMs)) {
        }
        return m_sim.readLine().trimmed();
    }

    QString m_interface;

    bool startSimulator() {
        m_sim.setProgram(QStringLiteral(KELVORA_CAN_SIM_PATH));
        m_sim.setArguments({"--interface", m_interface, "--node", "7", "--node", "8"});
        m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_sim.start();
        if (!m_sim.waitForStarted(kLongWaitMs) || !m_sim.waitForReadyRead(kLongWaitMs))
            return false;
        const QByteArray ready = m_sim.readLine().trimmed();
        if (!ready.startsWith("READY nodes 7,8"))
            qWarning("simulator said: %s", ready.constData());
        return ready.startsWith("READY nodes 7,8");
    }

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
        m_interface = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(cantest::freePort());
        qputenv("KELVORA_CAN_PLUGIN", "virtualcan");
        qputenv("KELVORA_CAN_INTERFACE", m_interface.toUtf8());
        QVERIFY(startSimulator());
    }

    void cleanupTestCase() {
        if (m_sim.state() == QProcess::Running) {
            m_sim.write("quit\n");
            if (!m_sim.waitForFinished(kLongWaitMs))
                m_sim.kill();
        }
    }

    void commands_areAnswered_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("load") << QByteArray("load 100") << QByteArray("OK");
        QTest::newRow("one node") << QByteArray("@8 late 0") << QByteArray("OK");
        QTest::newRow("unknown node") << QByteArray("@9 load 1") << QByteArray("ERR no node 9");
        QTest::newRow("bad switch") << QByteArray("silent maybe")
                                    << QByteArray("ERR unknown command: silent maybe");
        QTest::newRow("get level") << QByteArray("@7 get 2019 0") << QByteArray("OK 3");
    }
    void commands_areAnswered() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, answer);
        QCOMPARE(ask(line), answer);
    }

    void cli_canOpenCommands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("read-ad") << QStringList{"--id", "8", "read-ad"} << 0 << QByteArray("104000");
        QTest::newRow("read-weight") << QStringList{"--id", "8", "--unit", "kg", "read-weight"} << 0
                                     << QByteArray("0.20");
        QTest::newRow("set-filters") << QStringList{"--id", "8", "set-filters", "level=6"} << 0
                                     << QByteArray("Filters set.");
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
            QCOMPARE(ask("@8 get 2019 0"), QByteArray("OK 1")); // level 6 goes out as 1
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
        QCOMPARE(ask("@7 silent on"), QByteArray("OK"));
        cantest::ThreadSpy errors(&amp, &CANOpenAmplifier::readErrorOccurred);
        QVERIFY(errors.wait(kLongWaitMs));
        QCOMPARE(errors.at(0).at(0).toString(),
                 QStringLiteral("Invalid response size: expected at least 8 bytes."));
        amp.stopContinuousADRead();
        QCOMPARE(ask("@7 silent off"), QByteArray("OK"));
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
