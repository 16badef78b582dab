#include "SimulatorProcess.h"

#include <QtTest>

// kelvora-cli check against the simulated amplifier, answered through stdin as a technician would: each
// "place X g, then Enter" puts X g on the simulator's cell (AD 100000 + 100 per gram with its default
// calibration) and then presses Enter.
class TstCheckCli : public QObject {
    Q_OBJECT

private slots:
    void check_data();
    void check();
    void badArguments_data();
    void badArguments();
    void captureCalibrates();

private:
    QTemporaryDir m_dir;
};

namespace {

QString adFor(double grams) {
    return QString::number(100000 + qRound(grams * 100));
}

QString pdfText(const QString &path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    pdftotext.waitForFinished(30000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

void TstCheckCli::check_data() {
    QTest::addColumn<QString>("plan"); // "", "untoleranced" (no --tolerance), "skew" (2000 g reads 10 g
                                       // heavy), "restless" (1000 g never settles), "unplug" (the port
                                       // goes after two readings)
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QStringList>("inCsv");

    QTest::newRow("passes") << "" << 0 << "PASSED" << QStringList{"recorded", "finished"};
    QTest::newRow("no tolerance, no verdict")
        << "untoleranced" << 0 << "NOT JUDGED" << QStringList{"finished"};
    QTest::newRow("fails at the top") << "skew" << 1 << "FAILED" << QStringList{",rising,2000.00,20"};
    QTest::newRow("never settles, then stop")
        << "restless" << 1 << "INCOMPLETE"
        << QStringList{"timed out: No stable reading within 8 s", "stopped"};
    QTest::newRow("unplugged mid-check")
        << "unplug" << 6 << "INCOMPLETE"
        << QStringList{"recorded", "stopped: The link to the amplifier was lost"};
}

void TstCheckCli::check() {
    QFETCH(QString, plan);
    QFETCH(int, exitCode);
    QFETCH(QString, verdict);
    QFETCH(QStringList, inCsv);
    SimulatorProcess sim({"--load", "100000", "--noise", "20", "--settle", "200"});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    const QString report =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".pdf"));
    QProcess cli;
    QStringList arguments{"--protocol",  "RS232",      "--port",     sim.port(), "check", "--loads",
                          "0,1000,2000", "--repeat",   "2",          "--wait",   "8000",  "--window",
                          "500",         "--operator", "Émile Roux", "--report", report};
    if (plan != QLatin1String("untoleranced"))
        arguments << "--tolerance"
                  << "3";
    cli.start(QStringLiteral(KELVORA_CLI_PATH), arguments);
    QVERIFY(cli.waitForStarted());
    QString out;
    int recorded = 0;
    QDeadlineTimer deadline(120000);
    while (cli.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        if (!cli.canReadLine()) {
            cli.waitForReadyRead(1000);
            continue;
        }
        const QString line = QString::fromUtf8(cli.readLine()).trimmed();
        out += line + QLatin1Char('\n');
        const QRegularExpressionMatch place =
            QRegularExpression(QStringLiteral("^place (\\d+) g, then Enter$")).match(line);
        QString load;
        if (place.hasMatch()) {
            const double grams = place.captured(1).toDouble();
            if (plan == QLatin1String("restless") && grams == 1000)
                load = QStringLiteral("steps 1 200000,201000 100");
            else
                load = QStringLiteral("load 1 ") +
                       adFor(grams + (plan == QLatin1String("skew") && grams == 2000 ? 10 : 0));
        } else if (line.endsWith(QLatin1String("then Enter"))) {
            load = QStringLiteral("load 1 100000");
        } else if (line.startsWith(QLatin1String("Enter to try again"))) {
            cli.write("stop\n");
        } else if (line.startsWith(QLatin1String("recorded")) && ++recorded == 2 &&
                   plan == QLatin1String("unplug")) {
            sim.kill();
        }
        if (!load.isEmpty()) {
            if (sim.isReady())
                QCOMPARE(sim.command(load), QStringLiteral("OK"));
            cli.write("\n");
        }
    }
    QVERIFY2(cli.state() == QProcess::NotRunning || cli.waitForFinished(10000), qPrintable(out));
    QVERIFY2(cli.exitCode() == exitCode, qPrintable(out + cli.readAllStandardError()));
    // Every reading and every outcome went to the CSV as it came.
    QFile csv(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QString rows = QString::fromUtf8(csv.readAll());
    for (const QString &expected : inCsv)
        QVERIFY2(rows.contains(expected), qPrintable(expected));
    QCOMPARE(rows.count(QStringLiteral(",recorded")), recorded);
    // The report holds the verdict, the technician's name and every figure of the printed results.
    const QString text = pdfText(report);
    QVERIFY2(text.contains(QStringLiteral("Verdict: ") + verdict), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Émile Roux")));
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        if (!QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d,")).match(line).hasMatch())
            continue;
        for (const QString &figure : line.split(QLatin1Char(',')).mid(0, 8))
            QVERIFY2(figure == QLatin1String("-") || text.contains(figure),
                     qPrintable(figure + " of " + line));
    }
}

void TstCheckCli::badArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString report = m_dir.filePath(QStringLiteral("bad.pdf"));
    QTest::newRow("not rising") << QStringList{"--loads", "0,500,200", "--tolerance", "1", "--report", report}
                                << "must rise";
    QTest::newRow("one load") << QStringList{"--loads", "500", "--tolerance", "1", "--report", report}
                              << "At least 2 test loads";
    QTest::newRow("negative") << QStringList{"--loads", "-1,500", "--tolerance", "1", "--report", report}
                              << "negative";
    QTest::newRow("empty") << QStringList{"--loads", "0,,500", "--tolerance", "1", "--report", report}
                           << "empty";
    QTest::newRow("tolerance 0") << QStringList{"--loads", "0,500", "--tolerance", "0%", "--report", report}
                                 << "greater than 0";
    QTest::newRow("no report") << QStringList{"--loads", "0,500", "--tolerance", "1"} << "--report";
    QTest::newRow("report holds data")
        << QStringList{"--loads", "0,500", "--tolerance", "1", "--report", QStringLiteral(KELVORA_CLI_PATH)}
        << "already holds data";
}

void TstCheckCli::badArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess cli;
    cli.start(QStringLiteral(KELVORA_CLI_PATH),
              QStringList{"--protocol", "RS232", "--port", "/dev/null", "check"} + arguments);
    QVERIFY(cli.waitForFinished(30000));
    const QString error = QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("bad.csv"))));
}

// calibrate --capture reads both AD values at rest and writes them: the empty scale, then 1000 g.
void TstCheckCli::captureCalibrates() {
    SimulatorProcess sim({"--load", "123000", "--noise", "20", "--settle", "200"});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
    QProcess cli;
    cli.start(QStringLiteral(KELVORA_CLI_PATH),
              {"--protocol", "RS232", "--port", sim.port(), "calibrate", "--capture", "1000"});
    for (const QString &load : {QStringLiteral("123000"), QStringLiteral("223000")}) {
        QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine() || cli.waitForReadyRead(100), 30000);
        QVERIFY(cli.readLine().endsWith("then Enter\n"));
        QCOMPARE(sim.command(QStringLiteral("load 1 ") + load), QStringLiteral("OK"));
        cli.write("\n");
        QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine() || cli.waitForReadyRead(100), 30000);
        QVERIFY(cli.readLine().startsWith("AD "));
    }
    QVERIFY(cli.waitForFinished(30000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QVERIFY(qAbs(sim.query(QStringLiteral("get 1 0x0008")) - 123000) < 100);
    QVERIFY(qAbs(sim.query(QStringLiteral("get 1 0x000A")) - 223000) < 100);
    QCOMPARE(sim.query(QStringLiteral("get 1 0x001C")), 100000);
}

QTEST_GUILESS_MAIN(TstCheckCli)
#include "tst_check_cli.moc"
