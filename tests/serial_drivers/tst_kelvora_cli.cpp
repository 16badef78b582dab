// kelvora-cli as a process against the simulated amplifier: results on stdout with exit 0, the driver's
// error text on stderr with exit 1. The operations themselves are covered by the driver suites.
#include "SimulatorLog.h"
#include "SimulatorProcess.h"

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
                                   << "1.50\n";
        QTest::newRow("zero") << "set 1 0 0"
                              << "--protocol RS232 --port PORT read-weight"
                              << "0.00\n";
        QTest::newRow("negative pounds") << "set 1 0 -100000"
                                         << "--protocol RS232 --port PORT --unit lb read-weight"
                                         << "-2.20\n";
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
        const QRegularExpression csv(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3},1500\.00$)"));
        for (const QString &line : lines)
            QVERIFY2(csv.match(line).hasMatch(), qPrintable(line));
    }

    void writes_landInOrder_andSelfTestNarrates() {
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("3")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        takeWrites(sim, 3);
        const QString line = QStringLiteral("--protocol RS485 --port PORT --id 3 ");
        Run run =
            cli(line + QStringLiteral("set-filters stability=0 level=9 fir=1 bandwidth=1001"), sim.port());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0034, 1), registerWrite(0x0056, 5),
                                     registerWrite(0x0058, 1000), registerWrite(0x0060, 1)}));
        run = cli(line + QStringLiteral("calibrate-multi 1000:0 52000:10"), sim.port());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0008, 1000), registerWrite(0x001A, 0),
                                     registerWrite(0x000A, 52000), registerWrite(0x001C, 1000),
                                     registerWrite(0x0006, 2)}));
        run = cli(line + QStringLiteral("self-test"), sim.port());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(QStringLiteral("启动放大器功能测试程序...\n")));
        QVERIFY(run.out.endsWith(QStringLiteral("放大器功能测试全部完成。\n")));
    }

    void failures_exitOneWithDriverText_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("silent amplifier") << "silence"
                                          << "--protocol RS232 --port PORT read-ad"
                                          << "Handshake failed. Amplifier may not be responsive.";
        QTest::newRow("missing port") << ""
                                      << "--protocol RS232 --port /dev/kelvora-missing-port read-weight"
                                      << "Failed to open serial port: /dev/kelvora-missing-port";
        QTest::newRow("multi-point on RS232") << ""
                                              << "--protocol RS232 --port PORT calibrate-multi 1:0 2:1"
                                              << "calibrate-multi is available for RS485 amplifiers only.";
        QTest::newRow("no points") << ""
                                   << "--protocol RS485 --port PORT calibrate-multi"
                                   << "Invalid calibration data: Check array sizes (1-9 points).";
        QTest::newRow("unknown protocol") << ""
                                          << "--protocol rs232 --port PORT read-ad"
                                          << "Unknown protocol \"rs232\" (use RS232, RS485 or CANOpen).";
        QTest::newRow("unknown setting")
            << ""
            << "--protocol RS232 --port PORT set-filters gain=3"
            << "Unknown setting \"gain=3\" (use fir, level, bandwidth, azt-time, azt-bandwidth, stability or "
               "zero-point with =N).";
        QTest::newRow("scan, missing line")
            << ""
            << "--protocol RS485 --port /dev/kelvora-missing-port scan"
            << "Failed to open serial port: /dev/kelvora-missing-port: no such port";
        QTest::newRow("scan on RS232") << ""
                                       << "--protocol RS232 --port PORT scan"
                                       << "scan works on RS485 and CANOpen; an RS232 port has one amplifier, "
                                          "so the port list is the scan.";
    }
    void failures_exitOneWithDriverText() {
        QFETCH(QString, fault);
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!fault.isEmpty())
            QCOMPARE(sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        const Run run = cli(arguments, sim.port());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.split(QLatin1Char('\n')).contains(error), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }
};

QTEST_GUILESS_MAIN(TestKelvoraCli)
#include "tst_kelvora_cli.moc"
