// kelvora-cli as a process against the simulated amplifier: results on stdout with exit 0, the driver's
// error text on stderr with exit 1. The operations themselves are covered by the driver suites.
#include "SimulatorLog.h"
#include "SimulatorProcess.h"

#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool with space-separated `arguments`, in which PORT stands for `port`.
Run cli(const QString &arguments, const QString &port) {
    QStringList words = arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    words.replaceInStrings(QRegularExpression(QStringLiteral("^PORT$")), port);
    QProcess process;
    process.start(QStringLiteral(KELVORA_CLI_PATH), words);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("kelvora-cli did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestKelvoraCli : public QObject {
    Q_OBJECT

private slots:
    void reads_printTheirValue_data() {
        QTest::addColumn<QString>("setup"); // simulator command, or empty
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("printed");
        QTest::newRow("RS232 AD") << ""
                                  << "--protocol RS232 --port PORT read-ad"
                                  << "250000\n";
        QTest::newRow("RS485 AD of id 2") << "load 2 31337"
                                          << "--protocol RS485 --port PORT --id 2 read-ad"
                                          << "31337\n";
        QTest::newRow("grams") << ""
                               << "--protocol RS232 --port PORT --unit g read-weight"
                               << "1500.00\n";
        QTest::newRow("kilograms") << ""
                                   << "--protocol RS232 --port PORT --unit kg read-weight"
                                   << "1.50000\n";
        // 0.01 g apart in every unit.
        QTest::newRow("1.00 g in kg") << "set 1 0 100"
                                      << "--protocol RS232 --port PORT --unit kg read-weight"
                                      << "0.00100\n";
        QTest::newRow("0.01 g in lb") << "set 1 0 1"
                                      << "--protocol RS232 --port PORT --unit lb read-weight"
                                      << "0.000022\n";
        QTest::newRow("zero") << "set 1 0 0"
                              << "--protocol RS232 --port PORT read-weight"
                              << "0.00\n";
        QTest::newRow("negative pounds") << "set 1 0 -100000"
                                         << "--protocol RS232 --port PORT --unit lb read-weight"
                                         << "-2.204624\n";
        // A scan needs no handshake and exits 0 even when nobody answers.
        QTest::newRow("scan") << "load 2 31337"
                              << "--protocol RS485 --port PORT scan --to 5"
                              << "1 250000\n2 31337\n";
        QTest::newRow("scan, nobody there") << ""
                                            << "--protocol RS485 --port PORT scan --from 3 --to 9"
                                            << "";
    }
    void reads_printTheirValue() {
        QFETCH(QString, setup);
        QFETCH(QString, arguments);
        QFETCH(QString, printed);
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("1,2")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!setup.isEmpty())
            QCOMPARE(sim.command(setup), QStringLiteral("OK"));
        const Run run = cli(arguments, sim.port());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, printed);
    }

    void watch_printsCsvLines() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const Run run =
            cli(QStringLiteral("--protocol RS232 --port PORT watch --interval 50 --count 3"), sim.port());
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QRegularExpression csv(
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3},1500\.00,ok$)"));
        for (const QString &line : lines)
            QVERIFY2(csv.match(line).hasMatch(), qPrintable(line));
    }

    // The worker's period drifts against the printing clock: a healthy amplifier must still give every
    // line its weight, at any interval the line can serve.
    void watch_healthyAmplifier_noLineWithoutWeight_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("count");
        QTest::newRow("20 ms") << 20 << 100;
        QTest::newRow("100 ms") << 100 << 25;
        QTest::newRow("250 ms") << 250 << 10;
    }
    void watch_healthyAmplifier_noLineWithoutWeight() {
        QFETCH(int, interval);
        QFETCH(int, count);
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("4")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const Run run =
            cli(QStringLiteral("--protocol RS485 --id 4 --port PORT watch --interval %1 --count %2")
                    .arg(interval)
                    .arg(count),
                sim.port());
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), count);
        for (const QString &line : lines)
            QVERIFY2(line.endsWith(QLatin1String(",1500.00,ok")), qPrintable(line));
        QCOMPARE(run.exitCode, 0);
    }

    // An amplifier failing every other answer, with two faults in turn: each text comes at most once a
    // second (counted), not once per failure.
    void watch_alternatingErrors_throttledPerText() {
        SimulatorProcess sim({QStringLiteral("--fault-rate"), QStringLiteral("0.5"),
                              QStringLiteral("--fault-kinds"), QStringLiteral("bad-crc,truncate")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const Run run =
            cli(QStringLiteral("--protocol RS232 --port PORT watch --interval 50 --count 40"), sim.port());
        QMap<QString, int> perText;
        for (QString line : run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            ++perText[line.remove(QRegularExpression(QStringLiteral(" \\(repeated (once|\\d+ times)\\)$")))];
        QVERIFY2(!perText.isEmpty(), "the faults gave no error");
        // Two seconds of watching: the first report, one a second, and the count told at the end.
        for (auto it = perText.cbegin(); it != perText.cend(); ++it)
            QVERIFY2(it.value() <= 4, qPrintable(QStringLiteral("%1 x %2").arg(it.value()).arg(it.key())));
    }

    // After the first line the amplifier falls silent, answers garbage, or its port goes away.
    void watch_neverShowsAStaleWeight_data() {
        QTest::addColumn<QString>("fault"); // "kill": the simulator ends, its port vanishes
        QTest::addColumn<QString>("status");
        QTest::newRow("silent") << "silence"
                                << "Invalid response length while reading measuring value.";
        QTest::newRow("garbage") << "garbage"
                                 << "Invalid response while reading measuring value: CRC check failed.";
        QTest::newRow("port vanishes") << "kill" << QString();
    }
    void watch_neverShowsAStaleWeight() {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const bool kill = fault == QLatin1String("kill");
        // A long interval: the end on a vanished port must not wait for the next line.
        const int interval = kill ? 5000 : 200;
        QProcess process;
        process.start(QStringLiteral(KELVORA_CLI_PATH),
                      {QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                       sim.port(), QStringLiteral("watch"), QStringLiteral("--interval"),
                       QString::number(interval), QStringLiteral("--count"), QStringLiteral("8")});
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 20000);
        const QString first = QString::fromUtf8(process.readLine()).trimmed();
        QVERIFY2(first.endsWith(QLatin1String(",1500.00,ok")), qPrintable(first));
        QElapsedTimer sinceFault;
        sinceFault.start();
        if (kill)
            sim.kill();
        else
            QCOMPARE(sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        QVERIFY(process.waitForFinished(60000));
        const qint64 endedAfter = sinceFault.elapsed();
        QCOMPARE(process.exitCode(), 1);
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
        for (const QString &line : lines.mid(1)) {
            const QStringList fields = line.split(QLatin1Char(','));
            QCOMPARE(fields.size(), 3);
            QCOMPARE(fields.at(1), QString());
            QCOMPARE(fields.at(2), status);
        }
    }

    void writes_landInOrder_andSelfTestNarrates() {
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("3")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        takeWrites(sim, 3);
        const QString line = QStringLiteral("--protocol RS485 --port PORT --id 3 ");
        Run run =
            cli(line + QStringLiteral("set-filters stability=50 level=0 fir=1 bandwidth=1000"), sim.port());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0034, 1), registerWrite(0x0056, 0),
                                     registerWrite(0x0058, 1000), registerWrite(0x0060, 50)}));
        run = cli(line + QStringLiteral("tare on"), sim.port());
        QCOMPARE(run.out, QStringLiteral("Tare on.\n"));
        QCOMPARE(cli(line + QStringLiteral("read-weight"), sim.port()).out, QStringLiteral("0.00\n"));
        run = cli(line + QStringLiteral("tare off"), sim.port());
        QCOMPARE(run.out, QStringLiteral("Tare off.\n"));
        QCOMPARE(cli(line + QStringLiteral("read-weight"), sim.port()).out, QStringLiteral("1500.00\n"));
        takeWrites(sim, 3);
        run = cli(line + QStringLiteral("calibrate-multi 1000:0 52000:10"), sim.port());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0008, 1000), registerWrite(0x001A, 0),
                                     registerWrite(0x000A, 52000), registerWrite(0x001C, 1000),
                                     registerWrite(0x0004, 0), registerWrite(0x0006, 2)}));
        run = cli(line + QStringLiteral("self-test"), sim.port());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(QStringLiteral("启动放大器功能测试程序...\n")));
        QVERIFY(run.out.endsWith(QStringLiteral("放大器功能测试全部完成。\n")));
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
        QCOMPARE(own.exitCode(), 1);
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
        QCOMPARE(cli(QStringLiteral("--protocol RS232 --port PORT read-ad"), sim.port()).out,
                 QStringLiteral("250000\n"));
        QCOMPARE(stty({"-g"}), before);
    }

    void failures_exitOneWithDriverText_data() {
        QTest::addColumn<QString>("setup"); // simulator command, or empty
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("silent amplifier") << "fault 1 silence"
                                          << "--protocol RS232 --port PORT read-ad"
                                          << "Handshake failed. Amplifier may not be responsive.";
        QTest::newRow("missing port")
            << ""
            << "--protocol RS232 --port /dev/kelvora-missing-port read-weight"
            << "Failed to open serial port: /dev/kelvora-missing-port: no such port";
        QTest::newRow("multi-point on RS232") << ""
                                              << "--protocol RS232 --port PORT calibrate-multi 1:0 2:1"
                                              << "calibrate-multi is available for RS485 amplifiers only.";
        QTest::newRow("no points") << ""
                                   << "--protocol RS485 --port PORT calibrate-multi"
                                   << "Invalid calibration data: Check array sizes (1-9 points).";
        QTest::newRow("unknown protocol") << ""
                                          << "--protocol rs232 --port PORT read-ad"
                                          << "Unknown protocol \"rs232\" (use RS232, RS485 or CANOpen).";
        QTest::newRow("id with RS232")
            << ""
            << "--protocol RS232 --port PORT --id 17 read-ad"
            << "--id is not used with RS232: one amplifier per port, always address 1.";
        QTest::newRow("RS485 id 0") << ""
                                    << "--protocol RS485 --port PORT --id 0 read-ad"
                                    << "--id for RS485 needs a device id from 1 to 247.";
        QTest::newRow("RS485 id 248") << ""
                                      << "--protocol RS485 --port PORT --id 248 read-ad"
                                      << "--id for RS485 needs a device id from 1 to 247.";
        QTest::newRow("CANOpen id 128") << ""
                                        << "--protocol CANOpen --port PORT --id 128 read-ad"
                                        << "--id for CANOpen needs a device id from 1 to 127.";
        // Refused whole: the valid level before the bad bandwidth is not written either.
        QTest::newRow("setting out of range")
            << ""
            << "--protocol RS232 --port PORT set-filters level=3 bandwidth=1001"
            << "bandwidth=1001 is out of range for RS232: bandwidth takes 0 to 1000.";
        QTest::newRow("setting twice") << ""
                                       << "--protocol RS232 --port PORT set-filters level=1 level=2"
                                       << "level is given twice.";
        QTest::newRow("stability 0") << ""
                                     << "--protocol RS485 --port PORT set-filters stability=0"
                                     << "stability=0 is out of range for RS485: stability takes 1 to 50.";
        QTest::newRow("CANopen level 0") << ""
                                         << "--protocol CANOpen --port PORT set-filters level=0"
                                         << "level=0 is out of range for CANOpen: level takes 1 to 5.";
        QTest::newRow("first point not zero")
            << ""
            << "--protocol RS485 --port PORT calibrate-multi 1000:5 52000:10"
            << "The first point is the zero point: its weight must be 0, not 5.";
        QTest::newRow("tare neither on nor off") << ""
                                                 << "--protocol RS232 --port PORT tare maybe"
                                                 << "tare takes on or off.";
        QTest::newRow("unknown setting")
            << ""
            << "--protocol RS232 --port PORT set-filters gain=3"
            << "Unknown setting \"gain=3\" (use fir, level, bandwidth, azt-time, azt-bandwidth, stability or "
               "zero-point with =N).";
        // The zero offset 150000 comes back as its low 16 bits: not done, and the old offset is back.
        QTest::newRow("zero, read-back disagrees") << "fault 1 low16"
                                                   << "--protocol RS232 --port PORT zero"
                                                   << "Zero failed: failed at 0x0004 (read back 18928 "
                                                      "instead of 150000); the previous zero offset was "
                                                      "written back and read back.";
        QTest::newRow("calibrate, points within the noise")
            << ""
            << "--protocol RS232 --port PORT calibrate 120000 120100 500"
            << "Points 1 and 2 lie only 100 AD counts apart (120000 and 120100), less than the minimum of "
               "500 "
               "counts: the noise alone could swing the weight. Was the load changed between them? Nothing "
               "was "
               "written; add --force to calibrate anyway.";
        QTest::newRow("scan, missing line")
            << ""
            << "--protocol RS485 --port /dev/kelvora-missing-port scan"
            << "Failed to open serial port: /dev/kelvora-missing-port: no such port";
        // Refused before the line is opened: the port does not even exist.
        QTest::newRow("calibration rule")
            << ""
            << "--protocol RS232 --port /dev/kelvora-missing-port calibrate 5 5 100"
            << "Invalid calibration data: The zero and span AD values are equal (5).";
        QTest::newRow("unsupported baud")
            << ""
            << "--protocol RS485 --port /dev/kelvora-missing-port --baud 12345 read-ad"
            << "--baud 12345 is not a line speed this port supports (such as 9600, 19200, 38400 or 115200).";
        QTest::newRow("scan window") << ""
                                     << "--protocol RS485 --port /dev/kelvora-missing-port scan --window 0"
                                     << "--window needs a number of milliseconds from 1 to 5000.";
        // A failed handshake says its cause, once.
        QTest::newRow("handshake refused")
            << "fault 1 exception"
            << "--protocol RS485 --port PORT read-ad"
            << "Handshake failed: the amplifier refused the read: Modbus exception 2 (illegal data address).";
        // The twin's answer to the handshake, taken for the first reading, is not printed as the value.
        QTest::newRow("twin, AD") << "twin 1 6"
                                  << "--protocol RS485 --port PORT read-ad"
                                  << "Error while reading AD value: two devices answer id 1?";
        QTest::newRow("twin, weight") << "twin 1 6"
                                      << "--protocol RS485 --port PORT read-weight"
                                      << "Error while reading measuring value: two devices answer id 1?";
        QTest::newRow("twin, zero") << "twin 1 6"
                                    << "--protocol RS485 --port PORT zero"
                                    << "Zero aborted: two devices answer id 1?; nothing was written.";
        QTest::newRow("scan on RS232") << ""
                                       << "--protocol RS232 --port PORT scan"
                                       << "scan works on RS485 and CANOpen; an RS232 port has one amplifier, "
                                          "so the port list is the scan.";
    }
    void failures_exitOneWithDriverText() {
        QFETCH(QString, setup);
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!setup.isEmpty())
            QCOMPARE(sim.command(setup), QStringLiteral("OK"));
        const Run run = cli(arguments, sim.port());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.split(QLatin1Char('\n')).contains(error), qPrintable(run.err));
        QCOMPARE(run.err.count(error.section(QLatin1Char(':'), 0, 0)), 1);
        QCOMPARE(run.out, QString());
        // Refused arguments are refused before anything is sent.
        if (setup.isEmpty() && !error.startsWith(QLatin1String("Failed to open")))
            QCOMPARE(sim.query(QStringLiteral("count 1")), 0);
    }
};

QTEST_GUILESS_MAIN(TestKelvoraCli)
#include "tst_kelvora_cli.moc"
