// kelvora-cli as a process against the simulated amplifier: results on stdout with exit 0, the driver's
// error text on stderr with the exit status that tells why. The operations themselves are covered by the
// driver suites.
#include "CliRun.h"
#include "SimulatorLog.h"
#include "SimulatorProcess.h"

#include "../../tools/kelvora-cli/ExitCodes.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

// A row of simulator setup (or nothing), arguments (see runCli) and the text expected.
void row(const char *name, const char *setup, const char *arguments, const char *text) {
    QTest::newRow(name) << QString::fromUtf8(setup) << QString::fromUtf8(arguments)
                        << QString::fromUtf8(text);
}

// A row of the failures' table: as row(), with the exit status expected.
void failure(const char *name, const char *setup, const char *arguments, const char *text, int status) {
    QTest::newRow(name) << QString::fromUtf8(setup) << QString::fromUtf8(arguments) << QString::fromUtf8(text)
                        << status;
}

void rowColumns() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("text");
}

} // namespace

class TestKelvoraCli : public QObject {
    Q_OBJECT

private slots:
    void reads_printTheirValue_data() {
        rowColumns();
        row("RS232 AD", "", "RS232 read-ad", "250000\n");
        row("RS485 AD of id 247, the highest", "load 247 4242", "RS485 --id 247 read-ad", "4242\n");
        row("grams", "", "RS232 --unit g read-weight", "1500.00\n");
        // 0.01 g apart in every unit.
        row("1.00 g in kg", "set 1 0 100", "RS232 --unit kg read-weight", "0.00100\n");
        row("0.01 g in lb", "set 1 0 1", "RS232 --unit lb read-weight", "0.000022\n");
        // A scan needs no handshake and exits 0 even when nobody answers.
        row("scan", "load 2 31337", "RS485 scan --to 5", "1 250000\n2 31337\n");
        row("scan, nobody there", "", "RS485 scan --from 3 --to 9", "");
        row("registers by name, two pairs", "", "RS485 --id 2 read-register level --count 2",
            "0x0056 filteringLevel = 2\n0x0058 filteringBandwidth = 100\n");
        row("filters", "", "RS232 get-filters",
            "fir=1\nlevel=2\nbandwidth=100\nazt-time=10\nazt-bandwidth=1000\nstability=10\nzero-point=1\n");
    }
    void reads_printTheirValue() {
        QFETCH(QString, setup);
        QFETCH(QString, arguments);
        QFETCH(QString, text);
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("1,2,247")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!setup.isEmpty())
            QCOMPARE(sim.command(setup), QStringLiteral("OK"));
        const CliRun run = runCli(arguments, sim.port());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, text);
    }

    // The worker's period drifts against the printing clock: a healthy amplifier must still give every
    // line its weight, even at an interval as short as the line can serve.
    void watch_healthyAmplifier_noLineWithoutWeight() {
        const int count = 100;
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("4")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const CliRun run =
            runCli(QStringLiteral("RS485 --id 4 watch --interval 20 --count %1").arg(count), sim.port());
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), count);
        const QRegularExpression csv(
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3},1500\.00,ok$)"));
        for (const QString &line : lines)
            QVERIFY2(csv.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(run.exitCode, 0);
    }

    // After the first line the amplifier falls silent, answers garbage, or its port goes away.
    void watch_neverShowsAStaleWeight_data() {
        rowColumns(); // setup: the simulator's fault, "kill" to end it (its port vanishes); text: the status
        row("silent", "silence", "", "Invalid response length while reading measuring value.");
        row("port vanishes", "kill", "", "");
    }
    void watch_neverShowsAStaleWeight() {
        QFETCH(QString, setup);
        QFETCH(QString, text);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const bool kill = setup == QLatin1String("kill");
        // A long interval: the end on a vanished port must not wait for the next line.
        QProcess process;
        process.start(QStringLiteral(KELVORA_CLI_PATH),
                      {"--protocol", "RS232", "--port", sim.port(), "watch", "--interval",
                       QString::number(kill ? 5000 : 200), "--count", "8"});
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 20000);
        const QString first = QString::fromUtf8(process.readLine()).trimmed();
        QVERIFY2(first.endsWith(QLatin1String(",1500.00,ok")), qPrintable(first));
        QElapsedTimer sinceFault;
        sinceFault.start();
        if (kill)
            sim.kill();
        else
            QCOMPARE(sim.command(QStringLiteral("fault 1 ") + setup), QStringLiteral("OK"));
        QVERIFY(process.waitForFinished(60000));
        const qint64 endedAfter = sinceFault.elapsed();
        QCOMPARE(process.exitCode(), kill ? int(cli::kExitPortLost) : int(cli::kExitNoAnswer));
        const QStringList lines =
            QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        if (kill) {
            QVERIFY2(endedAfter < 2000, qPrintable(QString::number(endedAfter)));
            QVERIFY2(errors.contains(QStringLiteral("Lost the port ") + sim.port() + QStringLiteral(": ")),
                     qPrintable(errors));
            QVERIFY(lines.isEmpty());
            return;
        }
        QCOMPARE(lines.size(), 7);
        // At most the line under way when the fault struck carries a weight; then only the reason.
        for (const QString &line : lines.mid(1))
            QCOMPARE(line.section(QLatin1Char(','), 1), QLatin1Char(',') + text);
    }

    void writes_landInOrder() {
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("3")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        takeWrites(sim, 3);
        const QString line = QStringLiteral("RS485 --id 3 ");
        auto cli = [&](const char *command) {
            return runCli(line + QLatin1String(command), sim.port());
        };
        // The highest values each setting takes, the tracking time's among them.
        QCOMPARE(cli("set-filters stability=50 level=0 fir=1 bandwidth=1000 azt-time=50").exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0034, 1), registerWrite(0x0056, 0),
                                     registerWrite(0x0058, 1000), registerWrite(0x005C, 50),
                                     registerWrite(0x0060, 50)}));
        QCOMPARE(cli("tare on").out, QStringLiteral("Tare on.\n"));
        QCOMPARE(cli("tare off").out, QStringLiteral("Tare off.\n"));
        takeWrites(sim, 3);
        QCOMPARE(cli("calibrate-multi 1000:0 52000:10").exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0008, 1000), registerWrite(0x001A, 0),
                                     registerWrite(0x000A, 52000), registerWrite(0x001C, 1000),
                                     registerWrite(0x0004, 0), registerWrite(0x0006, 2)}));
        QCOMPARE(cli("write-register level 4").out,
                 QStringLiteral("0x0056 filteringLevel = 4 (written and read back)\n"));
        QCOMPARE(takeWrites(sim, 3), QList<LoggedWrite>{registerWrite(0x0056, 4)});
        QCOMPARE(cli("self-test").exitCode, 0);
    }

    // The terminal the tool runs in is no amplifier; a port it used gets its terminal settings back.
    void terminals_ownRefused_portSettingsGivenBack() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        QProcess own;
        own.setStandardInputFile(sim.port()); // setsid -c makes standard input the controlling terminal
        own.start(QStringLiteral("setsid"), {QStringLiteral("-c"), QStringLiteral(KELVORA_CLI_PATH),
                                             "--protocol", "RS232", "--port", sim.port(), "read-ad"});
        QVERIFY(own.waitForFinished(60000));
        QCOMPARE(own.exitCode(), int(cli::kExitPortLost));
        QVERIFY(own.readAllStandardError().contains("the terminal this program runs in, not a serial port"));
        QCOMPARE(sim.query(QStringLiteral("count 1")), 0);

        auto stty = [&](const QStringList &arguments) {
            QProcess process;
            process.start(QStringLiteral("stty"), QStringList{"-F", sim.port()} + arguments);
            process.waitForFinished(10000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };
        stty({"1200", "icanon", "echo"});
        const QString before = stty({"-g"});
        QCOMPARE(runCli(QStringLiteral("RS232 read-ad"), sim.port()).out, QStringLiteral("250000\n"));
        QCOMPARE(stty({"-g"}), before);
    }

    void failures_exitWithStatusAndDriverText_data() {
        rowColumns();
        QTest::addColumn<int>("status");
        failure("missing port", "", "RS232 --port /dev/kelvora-missing-port read-weight",
                "Failed to open serial port: /dev/kelvora-missing-port: no such port",
                int(cli::kExitPortLost));
        failure("multi-point on RS232", "", "RS232 calibrate-multi 1:0 2:1",
                "calibrate-multi is available for RS485 amplifiers only.", int(cli::kExitBadArguments));
        failure("unknown protocol", "", "rs232 read-ad",
                "Unknown protocol \"rs232\" (use RS232, RS485 or CANOpen).", int(cli::kExitBadArguments));
        failure("id with RS232", "", "RS232 --id 17 read-ad",
                "--id is not used with RS232: one amplifier per port, always address 1.",
                int(cli::kExitBadArguments));
        failure("RS485 id 0", "", "RS485 --id 0 read-ad", "--id for RS485 needs a device id from 1 to 247.",
                int(cli::kExitBadArguments));
        failure("RS485 id 248", "", "RS485 --id 248 read-ad",
                "--id for RS485 needs a device id from 1 to 247.", int(cli::kExitBadArguments));
        failure("CANOpen id 0", "", "CANOpen --id 0 read-ad",
                "--id for CANOpen needs a device id from 1 to 127.", int(cli::kExitBadArguments));
        failure("CANOpen id 128", "", "CANOpen --id 128 read-ad",
                "--id for CANOpen needs a device id from 1 to 127.", int(cli::kExitBadArguments));
        // Id 127 passes: the setting is what is refused, before the bus is touched.
        failure("CANOpen id 127, level 0", "", "CANOpen --id 127 set-filters level=0",
                "level=0 is out of range for CANOpen: level takes 1 to 5.", int(cli::kExitBadArguments));
        // Refused whole: the valid level before the bad bandwidth is not written either.
        failure("setting out of range", "", "RS232 set-filters level=3 bandwidth=1001",
                "bandwidth=1001 is out of range for RS232: bandwidth takes 0 to 1000.",
                int(cli::kExitBadArguments));
        failure("tracking time past 50", "", "RS485 set-filters azt-time=51",
                "azt-time=51 is out of range for RS485: azt-time takes 0 to 50.",
                int(cli::kExitBadArguments));
        failure("setting twice", "", "RS232 set-filters level=1 level=2", "level is given twice.",
                int(cli::kExitBadArguments));
        failure("first point not zero", "", "RS485 calibrate-multi 1000:5 52000:10",
                "The first point is the zero point: its weight must be 0, not 5.",
                int(cli::kExitBadArguments));
        failure("tare neither on nor off", "", "RS232 tare maybe", "tare takes on or off.",
                int(cli::kExitBadArguments));
        failure(
            "unknown setting", "", "RS232 set-filters gain=3",
            "Unknown setting \"gain=3\" (use fir, level, bandwidth, azt-time, azt-bandwidth, stability or "
            "zero-point with =N).",
            int(cli::kExitBadArguments));
        failure(
            "calibrate, points within the noise", "", "RS232 calibrate 120000 120100 500",
            "Points 1 and 2 lie only 100 AD counts apart (120000 and 120100), less than the minimum of 500 "
            "counts: the noise alone could swing the weight. Was the load changed between them? Nothing was "
            "written; add --force to calibrate anyway.",
            int(cli::kExitBadArguments));
        // Refused before the line is opened: the port does not even exist.
        failure("unsupported baud", "", "RS485 --port /dev/kelvora-missing-port --baud 12345 read-ad",
                "--baud 12345 is not a line speed this port supports (such as 9600, 19200, 38400 or 115200).",
                int(cli::kExitBadArguments));
        failure("scan window", "", "RS485 --port /dev/kelvora-missing-port scan --window 0",
                "--window needs a number of milliseconds from 1 to 5000.", int(cli::kExitBadArguments));
        failure("register outside the map", "", "RS232 write-register 0x1F40 5",
                "0x1F40 is not a setting of the register map; nothing was written (add --raw to write it "
                "anyway).",
                int(cli::kExitBadArguments));
        failure("SDO on a serial line", "", "RS485 sdo-read 2019:00",
                "sdo-read is for CANOpen amplifiers; use read-register REG.", int(cli::kExitBadArguments));
        failure("write refused", "refuse 1 0x56 1", "RS232 write-register level 3",
                "Write to register 0x0056 not confirmed: Modbus exception 2; it holds 2.",
                int(cli::kExitRefused));
        failure("no answer", "fault 1 silence", "RS232 --timeout 100 --retries 1 read-register level",
                "Handshake failed. Amplifier may not be responsive.", int(cli::kExitNoAnswer));
        // The backup commands connect on their own and say why as the others do; nothing is written.
        failure("backup, no answer", "fault 1 silence",
                "RS232 --timeout 100 backup /tmp/kelvora-cli-silent-amplifier.json",
                "Handshake failed. Amplifier may not be responsive.", int(cli::kExitNoAnswer));
        failure("scan on RS232", "", "RS232 scan",
                "scan works on RS485 and CANOpen; an RS232 port has one amplifier, so the port list is the "
                "scan.",
                int(cli::kExitBadArguments));
    }
    void failures_exitWithStatusAndDriverText() {
        QFETCH(QString, setup);
        QFETCH(QString, arguments);
        QFETCH(QString, text);
        QFETCH(int, status);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!setup.isEmpty())
            QCOMPARE(sim.command(setup), QStringLiteral("OK"));
        const CliRun run = runCli(arguments, sim.port());
        QCOMPARE(run.exitCode, status);
        QVERIFY2(run.err.split(QLatin1Char('\n')).contains(text), qPrintable(run.err));
        QCOMPARE(run.err.count(text.section(QLatin1Char(':'), 0, 0)), 1);
        QCOMPARE(run.out, QString());
        // Refused arguments are refused before anything is sent.
        if (setup.isEmpty() && !text.startsWith(QLatin1String("Failed to open")))
            QCOMPARE(sim.query(QStringLiteral("count 1")), 0);
    }
};

QTEST_GUILESS_MAIN(TestKelvoraCli)
#include "tst_kelvora_cli.moc"
