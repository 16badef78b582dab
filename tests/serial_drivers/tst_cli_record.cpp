// kelvora-cli record as a process against the simulated amplifier: a simulator killed and started again
// under the same port name, a hard kill of the recording process, and the arguments it refuses.
#include "CliRun.h"
#include "SimulatorProcess.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QStringList rowsOf(const QString &path, QString *lastPartial = nullptr) {
    QFile file(path);
    // A file not there yet reads as empty: no rows.
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QString partial = lines.takeLast(); // empty when the file ends with a whole line
    if (lastPartial)
        *lastPartial = partial;
    return lines.mid(1);
}

QDateTime stampOf(const QString &row) {
    return QDateTime::fromString(row.left(23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

// Every row has a valid timestamp later than the row before, never more than `gapMs` later.
bool risingWithoutGaps(const QStringList &rows, qint64 gapMs) {
    for (int i = 1; i < rows.size(); ++i) {
        const qint64 step = stampOf(rows.at(i - 1)).msecsTo(stampOf(rows.at(i)));
        if (!stampOf(rows.at(i)).isValid() || step <= 0 || step > gapMs)
            return false;
    }
    return true;
}

} // namespace

class TestCliRecord : public QObject {
    Q_OBJECT

private slots:
    void record_survivesAKilledAndRestartedSimulator() {
        // Two amplifiers on the line, holding these measuring values (hundredths of a gram).
        auto line = [](const QString &first, const QString &second) {
            auto sim = std::make_unique<SimulatorProcess>(QStringList{"--ids", "1,2"});
            // A set that fails shows as the values never recorded below.
            sim->command(QStringLiteral("set 1 0 ") + first);
            sim->command(QStringLiteral("set 2 0 ") + second);
            return sim;
        };
        auto sim = line(QStringLiteral("12345"), QStringLiteral("12345"));
        QVERIFY2(sim->isReady(), qPrintable(sim->errorString()));
        // The port's name stays while the device behind it goes and comes back, as a USB adapter's by-id
        // name.
        const QString port = m_dir.filePath(QStringLiteral("ttyLINE"));
        QVERIFY(QFile::link(sim->port(), port));
        const QString path = m_dir.filePath(QStringLiteral("unplugged.csv"));
        QProcess cli;
        cli.start(QStringLiteral(KELVORA_CLI_PATH), {"--protocol", "RS485", "--port", port, "--id", "1,2",
                                                     "record", "--interval", "100", "--until-stopped", path});
        auto rowsWith = [&](const QString &values) {
            return rowsOf(path).filter(values).size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(rowsWith(QStringLiteral(",123.45,123.45")) >= 5, 20000);

        sim.reset();
        QFile::remove(port);
        // Long enough for the workers' pauses after failures to have grown to seconds.
        const QRegularExpression silentRows(QStringLiteral("(,N/A,N/A\n.{23}){60},N/A,N/A"));
        QTRY_VERIFY_WITH_TIMEOUT(rowsOf(path).join(QLatin1Char('\n')).contains(silentRows), 20000);
        sim = line(QStringLiteral("23456"), QStringLiteral("34567"));
        QVERIFY(sim->isReady() && QFile::link(sim->port(), port));
        QTRY_VERIFY_WITH_TIMEOUT(rowsWith(QStringLiteral(",234.56,345.67")) >= 3, 30000);

        cli.terminate();
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
        QString partial;
        const QStringList rows = rowsOf(path, &partial);
        QVERIFY(partial.isEmpty());
        QCOMPARE(QString::fromUtf8(cli.readAllStandardOutput()),
                 QStringLiteral("Recorded %1 rows into %2\n").arg(rows.size()).arg(path));
        QVERIFY(risingWithoutGaps(rows, 1000));
        // The old value never outlives the unplug: every row between the last 123.45 and the first value of
        // the new simulator says N/A.
        const int lastOld =
            static_cast<int>(rows.lastIndexOf(QRegularExpression(QStringLiteral(".*123\\.45.*"))));
        const int firstNew =
            static_cast<int>(rows.indexOf(QRegularExpression(QStringLiteral(".*(234\\.56|345\\.67).*"))));
        QVERIFY(lastOld >= 0 && firstNew > lastOld + 60);
        // Every amplifier on the line is back within half a second of the first.
        const auto firstOf = [&](const char *value) {
            return static_cast<int>(rows.indexOf(QRegularExpression(QString::fromLatin1(value))));
        };
        QVERIFY(qAbs(firstOf(".*,234\\.56,.*") - firstOf(".*,345\\.67$")) <= 5);
        for (int i = lastOld + 1; i < firstNew; ++i)
            QVERIFY2(rows.at(i).endsWith(QStringLiteral(",N/A,N/A")), qPrintable(rows.at(i)));
    }

    // A recording process killed without warning leaves whole rows, every one older than a second.
    void record_killedHard_keepsEveryRowOlderThanASecond() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        const QString path = m_dir.filePath(QStringLiteral("killed.csv"));
        QProcess cli;
        cli.start(QStringLiteral(KELVORA_CLI_PATH), {"--protocol", "RS232", "--port", sim.port(), "record",
                                                     "--interval", "20", "--until-stopped", path});
        QTRY_VERIFY_WITH_TIMEOUT(rowsOf(path).size() >= 150, 30000);
        const QDateTime killedAt = QDateTime::currentDateTime();
        cli.kill();
        QVERIFY(cli.waitForFinished(10000));

        QString partial;
        const QStringList rows = rowsOf(path, &partial);
        QVERIFY2(partial.isEmpty(), qPrintable(partial));
        QVERIFY(risingWithoutGaps(rows, 1000));
        QVERIFY2(stampOf(rows.last()).msecsTo(killedAt) < 1000, qPrintable(rows.last()));
    }

    void record_refusesBadArguments_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *arguments, const char *message) {
            QTest::newRow(name) << QString::fromUtf8(arguments) << QString::fromUtf8(message);
        };
        row("no interval", "--id 1 record --duration 5 F", "record needs --interval");
        row("duration and until-stopped", "--id 1 record --interval 100 --duration 5 --until-stopped F",
            "either --duration S or --until-stopped");
        row("an id twice", "--id 1,1 record --interval 100 --duration 5 F", "each once");
        row("id 248", "--id 2,248 record --interval 100 --duration 5 F", "device ids from 1 to 247");
        row("no line", "--id 1,247 record --interval 100 --duration 5 F",
            "did not connect on /dev/null: Failed to open serial port");
        row("file with data", "--id 1 record --interval 100 --duration 5 KEPT",
            "kept.csv already holds data");
        row("no file", "--id 1 record --interval 100 --duration 5", "one output FILE");
    }

    void record_refusesBadArguments() {
        QFETCH(QString, arguments);
        QFETCH(QString, message);
        const QString file = m_dir.filePath(QStringLiteral("refused.csv"));
        const QString kept = m_dir.filePath(QStringLiteral("kept.csv"));
        QFile keptFile(kept);
        QVERIFY(keptFile.open(QIODevice::WriteOnly) && keptFile.write("an earlier run\n") > 0);
        keptFile.close();
        arguments.replace(QRegularExpression(QStringLiteral(" F$")), QLatin1Char(' ') + file)
            .replace(QStringLiteral(" KEPT"), QLatin1Char(' ') + kept);
        const CliRun run = runCli(QStringLiteral("RS485 ") + arguments, QStringLiteral("/dev/null"));
        // Bad arguments; a line that cannot be opened is a lost port.
        QCOMPARE(run.exitCode, message.contains(QLatin1String("did not connect")) ? 6 : 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(QFileInfo(kept).size(), 15);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliRecord)

#include "tst_cli_record.moc"
