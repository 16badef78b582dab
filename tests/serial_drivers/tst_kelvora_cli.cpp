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

Run runCli(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(KELVORA_CLI_PATH), arguments);
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
    void readAd_printsRawValue() {
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("1,2")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        QCOMPARE(sim.command(QStringLiteral("load 2 31337")), QStringLiteral("OK"));
        const Run rs232 = runCli({QStringLiteral("--protocol"), QStringLiteral("RS232"),
                                  QStringLiteral("--port"), sim.port(), QStringLiteral("read-ad")});
        QCOMPARE(rs232.exitCode, 0);
        QCOMPARE(rs232.out, QStringLiteral("250000\n"));
        const Run rs485 =
            runCli({QStringLiteral("--protocol"), QStringLiteral("RS485"), QStringLiteral("--port"),
                    sim.port(), QStringLiteral("--id"), QStringLiteral("2"), QStringLiteral("read-ad")});
        QCOMPARE(rs485.exitCode, 0);
        QCOMPARE(rs485.out, QStringLiteral("31337\n"));
    }

    void readWeight_printsWeightInUnit_zeroIncluded_data() {
        QTest::addColumn<QString>("pinned"); // measuring value register, empty for the load's own value
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("printed");
        QTest::newRow("grams") << QString() << "g"
                               << "1500.00\n";
        QTest::newRow("kilograms") << QString() << "kg"
                                   << "1.50\n";
        QTest::newRow("zero") << "0"
                              << "g"
                              << "0.00\n";
        QTest::newRow("negative pounds") << "-100000"
                                         << "lb"
                                         << "-2.20\n";
    }
    void readWeight_printsWeightInUnit_zeroIncluded() {
        QFETCH(QString, pinned);
        QFETCH(QString, unit);
        QFETCH(QString, printed);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!pinned.isEmpty())
            QCOMPARE(sim.command(QStringLiteral("set 1 0 ") + pinned), QStringLiteral("OK"));
        const Run run =
            runCli({QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                    sim.port(), QStringLiteral("--unit"), unit, QStringLiteral("read-weight")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, printed);
    }

    void watch_printsCsvLines() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const Run run =
            runCli({QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                    sim.port(), QStringLiteral("watch"), QStringLiteral("--interval"), QStringLiteral("50"),
                    QStringLiteral("--count"), QStringLiteral("3")});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QRegularExpression csv(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3},1500\.00$)"));
        for (const QString &line : lines)
            QVERIFY2(csv.match(line).hasMatch(), qPrintable(line));
    }

    void setFilters_writesClampedValuesInOrder() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        takeWrites(sim, 1);
        const Run run =
            runCli({QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                    sim.port(), QStringLiteral("set-filters"), QStringLiteral("stability=0"),
                    QStringLiteral("level=9"), QStringLiteral("fir=1"), QStringLiteral("bandwidth=1001")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(takeWrites(sim, 1),
                 (QList<LoggedWrite>{registerWrite(0x0034, 1), registerWrite(0x0056, 5),
                                     registerWrite(0x0058, 1000), registerWrite(0x0060, 1)}));
    }

    void calibrateAndSelfTest_succeed() {
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("3")});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        takeWrites(sim, 3);
        const QStringList link{QStringLiteral("--protocol"), QStringLiteral("RS485"),
                               QStringLiteral("--port"),     sim.port(),
                               QStringLiteral("--id"),       QStringLiteral("3")};
        const Run multi = runCli(link + QStringList{QStringLiteral("calibrate-multi"),
                                                    QStringLiteral("1000:0"), QStringLiteral("52000:10")});
        QCOMPARE(multi.exitCode, 0);
        QCOMPARE(takeWrites(sim, 3),
                 (QList<LoggedWrite>{registerWrite(0x0008, 1000), registerWrite(0x001A, 0),
                                     registerWrite(0x000A, 52000), registerWrite(0x001C, 1000),
                                     registerWrite(0x0006, 2)}));
        const Run test = runCli(link + QStringList{QStringLiteral("self-test")});
        QCOMPARE(test.exitCode, 0);
        QVERIFY(test.out.startsWith(QStringLiteral("启动放大器功能测试程序...\n")));
        QVERIFY(test.out.endsWith(QStringLiteral("放大器功能测试全部完成。\n")));
    }

    void failures_exitOneWithDriverText_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("arguments"); // %PORT% is replaced by the simulator's port
        QTest::addColumn<QString>("error");
        const QString port = QStringLiteral("%PORT%");
        QTest::newRow("silent amplifier")
            << "silence"
            << QStringList{QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                           port, QStringLiteral("read-ad")}
            << "Handshake failed. Amplifier may not be responsive.";
        QTest::newRow("missing port")
            << QString()
            << QStringList{QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                           QStringLiteral("/dev/kelvora-missing-port"), QStringLiteral("read-weight")}
            << "Failed to open serial port: /dev/kelvora-missing-port";
        QTest::newRow("multi-point on RS232") << QString() << QStringList{QStringLiteral("--protocol"),
                                                                          QStringLiteral("RS232"),
                                                                          QStringLiteral("--port"),
                                                                          port,
                                                                          QStringLiteral("calibrate-multi"),
                                                                          QStringLiteral("1:0"),
                                                                          QStringLiteral("2:1")}
                                              << "calibrate-multi is available for RS485 amplifiers only.";
        QTest::newRow("too many points")
            << QString()
            << QStringList{QStringLiteral("--protocol"), QStringLiteral("RS485"), QStringLiteral("--port"),
                           port, QStringLiteral("calibrate-multi")}
            << "Invalid calibration data: Check array sizes (1-9 points).";
        QTest::newRow("unknown protocol")
            << QString()
            << QStringList{QStringLiteral("--protocol"), QStringLiteral("rs232"), QStringLiteral("--port"),
                           port, QStringLiteral("read-ad")}
            << "Unknown protocol \"rs232\" (use RS232, RS485 or CANOpen).";
        QTest::newRow("unknown setting")
            << QString() << QStringList{QStringLiteral("--protocol"),  QStringLiteral("RS232"),
                                        QStringLiteral("--port"),      port,
                                        QStringLiteral("set-filters"), QStringLiteral("gain=3")}
            << "Unknown setting \"gain=3\" (use fir, level, bandwidth, azt-time, azt-bandwidth, stability or "
               "zero-point with =N).";
    }
    void failures_exitOneWithDriverText() {
        QFETCH(QString, fault);
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        if (!fault.isEmpty())
            QCOMPARE(sim.command(QStringLiteral("fault 1 ") + fault), QStringLiteral("OK"));
        arguments.replaceInStrings(QStringLiteral("%PORT%"), sim.port());
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.split(QLatin1Char('\n')).contains(error), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }
};

QTEST_GUILESS_MAIN(TestKelvoraCli)
#include "tst_kelvora_cli.moc"
