// The weight recorder with real files in a temporary folder: what each row holds when amplifiers read, fall
// silent, are removed or destroyed during a run, the run's unit, its end, and the starts it refuses.
#include "device/WeightRecorder.h"

#include "SettableAmplifier.h"

#include <QCoreApplication>
#include <QtTest>

#include <limits>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QStringList linesOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {QStringLiteral("<unreadable>")};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The values of each row without its timestamp, after checking that the stamps rise strictly.
QStringList valuesOf(const QStringList &rows, QString *problem) {
    QStringList values;
    QDateTime previous;
    for (const QString &row : rows) {
        const QDateTime stamp =
            QDateTime::fromString(row.left(23), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        if (!stamp.isValid() || (previous.isValid() && stamp <= previous))
            *problem = QStringLiteral("bad or non-rising timestamp: ") + row;
        previous = stamp;
        values << row.mid(24);
    }
    return values;
}

} // namespace

class TestCsvLogging : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void rows_holdOnlyReadingsOfTheirPeriod_data() {
        QTest::addColumn<QString>("unit");
        // Per row, what happened since the row before: "A150" A read 150 hundredths, "A-" A read nothing,
        // "Ax" A removed from the run, "Ad" A destroyed, "C7" an amplifier added after the start read 7.
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("silence, then readings again")
            << "g" << QStringList{"A150 B5", "A- B5", "A- B-", "A200 B-"}
            << QStringList{"1.5,0.05", "N/A,0.05", "N/A,N/A", "2,N/A"};
        QTest::newRow("a late reading counts where it arrived")
            << "g" << QStringList{"A- B1", "A150 B1"} << QStringList{"N/A,0.01", "1.5,0.01"};
        QTest::newRow("removed during the run, still reading")
            << "g" << QStringList{"A150 B1", "Ax A160 B2", "A170 B3"}
            << QStringList{"1.5,0.01", "N/A,0.02", "N/A,0.03"};
        QTest::newRow("destroyed during the run")
            << "g" << QStringList{"A1 B2", "Ad B3", "B4"} << QStringList{"0.01,0.02", "N/A,0.03", "N/A,0.04"};
        QTest::newRow("added during the run: not a column")
            << "g" << QStringList{"A1 B2 C7", "A3 B4 C8"} << QStringList{"0.01,0.02", "0.03,0.04"};
        QTest::newRow("kg keeps a hundredth of a gram")
            << "kg" << QStringList{"A1 B123456", "A-100 B-"} << QStringList{"0.00001,1.23456", "-0.001,N/A"};
        QTest::newRow("lb") << "lb" << QStringList{"A100000 B1"} << QStringList{"2.204624,0.000022"};
    }

    void rows_holdOnlyReadingsOfTheirPeriod() {
        QFETCH(QString, unit);
        QFETCH(QStringList, script);
        QFETCH(QStringList, rows);

        std::map<QChar, std::unique_ptr<SettableAmplifier>> amplifiers;
        for (QChar name : {QChar('A'), QChar('B'), QChar('C')}) {
            amplifiers[name] = std::make_unique<SettableAmplifier>();
            amplifiers[name]->setName(QString(name));
            amplifiers[name]->read(999); // before the start: never written
        }
        WeightRecorder recorder;
        auto act = [&](const QString &step) {
            for (const QString &token : step.split(QLatin1Char(' '))) {
                SettableAmplifier *amplifier = amplifiers[token.at(0)].get();
                const QString what = token.mid(1);
                if (what == QLatin1String("x"))
                    recorder.removeAmplifier(amplifier);
                else if (what == QLatin1String("d"))
                    amplifiers[token.at(0)].reset();
                else if (what != QLatin1String("-"))
                    amplifier->read(what.toDouble());
            }
        };
        bool stoppedAtOnce = false;
        connect(&recorder, &WeightRecorder::progressChanged, this, [&] {
            const int done = recorder.rowCount();
            if (done > 0 && done < script.size()) {
                act(script.at(done));
            } else if (done == script.size() && recorder.isRunning()) {
                recorder.stop();
                stoppedAtOnce = !recorder.isRunning();
            }
        });
        QSignalSpy finished(&recorder, &WeightRecorder::finished);
        const QString path = m_dir.filePath(QStringLiteral("%1.csv").arg(QTest::currentDataTag()));
        QVERIFY(recorder.record({amplifiers['A'].get(), amplifiers['B'].get()}, 20, 0, path, unit));
        act(script.first());
        QVERIFY(finished.wait(30000));
        QVERIFY(stoppedAtOnce);
        QCOMPARE(finished.first().first().toBool(), true);

        const QStringList lines = linesOf(path);
        QCOMPARE(lines.first(),
                 QStringLiteral("Timestamp,Load cell A — Model-T RS232 (%1),Load cell B — Model-T RS232 (%1)")
                     .arg(unit));
        QString problem;
        QCOMPARE(valuesOf(lines.mid(1), &problem), rows);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void timedRun_writesTheRowsOfItsDuration_data() {
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<int>("durationS");
        QTest::addColumn<int>("rows");
        QTest::newRow("1 s at 100 ms") << 100 << 1 << 10;
        QTest::newRow("1 s at 300 ms rounds down") << 300 << 1 << 3;
        QTest::newRow("period longer than the duration: header only") << 2000 << 1 << 0;
    }

    void timedRun_writesTheRowsOfItsDuration() {
        QFETCH(int, periodMs);
        QFETCH(int, durationS);
        QFETCH(int, rows);
        WeightRecorder recorder;
        QSignalSpy started(&recorder, &WeightRecorder::started);
        QSignalSpy finished(&recorder, &WeightRecorder::finished);
        const QString path = m_dir.filePath(QStringLiteral("timed-%1.csv").arg(QTest::currentDataTag()));
        QVERIFY(recorder.record(QList<AmplifierBase *>{}, periodMs, durationS, path, QStringLiteral("g")));
        QCOMPARE(started.count(), 1);
        QCOMPARE(recorder.secondsLeft(), rows > 0 ? durationS : -1);
        QVERIFY(finished.wait(30000));
        QCOMPARE(linesOf(path).size(), 1 + rows);
        QCOMPARE(WeightRecorder::rowCountFor(3000000, 1), std::numeric_limits<int>::max());
    }

    void valueText_keepsAHundredthOfAGram_data() {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *tag, double stored, const char *unit, const char *text) {
            QTest::newRow(tag) << stored << unit << text;
        };
        row("g", 12345.0, "g", "123.45");
        row("whole grams without decimals", 10000.0, "g", "100");
        row("large, never an exponent", 125000000.0, "g", "1250000");
        // kg and lb are checked on whole runs (rows_holdOnlyReadingsOfTheirPeriod).
        row("not a number", std::numeric_limits<double>::quiet_NaN(), "g", "N/A");
    }

    void valueText_keepsAHundredthOfAGram() {
        QFETCH(double, stored);
        QFETCH(QString, unit);
        QFETCH(QString, text);
        QCOMPARE(WeightRecorder::valueText(stored, unit), text);
    }

    void refusedStart_leavesTheFileAlone_data() {
        QTest::addColumn<int>("periodMs");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("relativePath");
        const auto row = [](const char *tag, int periodMs, const char *unit, const char *path) {
            QTest::newRow(tag) << periodMs << unit << path;
        };
        row("period 0", 0, "g", "kept.csv");
        row("unknown unit", 100, "oz", "kept.csv");
        row("folder part is a regular file", 100, "g", "kept.csv/out.csv");
        row("file path is a folder", 100, "g", "afolder");
        row("empty path", 100, "g", "");
    }

    void refusedStart_leavesTheFileAlone() {
        QFETCH(int, periodMs);
        QFETCH(QString, unit);
        QFETCH(QString, relativePath);
        QFile kept(m_dir.filePath(QStringLiteral("kept.csv")));
        QVERIFY(kept.open(QIODevice::WriteOnly | QIODevice::Truncate));
        kept.write("data\n");
        kept.close();
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("afolder"))));

        WeightRecorder recorder;
        QSignalSpy started(&recorder, &WeightRecorder::started);
        SettableAmplifier amplifier;
        QVERIFY(!recorder.record({&amplifier}, periodMs, 1,
                                 relativePath.isEmpty() ? QString() : m_dir.filePath(relativePath), unit));
        QVERIFY(!recorder.lastError().isEmpty());
        QCOMPARE(started.count(), 0);
        QVERIFY(!recorder.isRunning());
        QCOMPARE(linesOf(kept.fileName()), QStringList{QStringLiteral("data")});
    }

    void folderPermissions_decideWhetherARunStarts() {
#ifdef Q_OS_UNIX
        if (::geteuid() == 0)
            QSKIP(
                "root writes into read-only folders; run the suite as an ordinary user to check permissions");
#endif
        const QString locked = m_dir.filePath(QStringLiteral("readonly"));
        QVERIFY(QDir().mkpath(locked + QStringLiteral("/logs")));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        WeightRecorder recorder;
        const bool refused = !recorder.record(QList<AmplifierBase *>{}, 100, 1, locked + "/out.csv", "g");
        const QString why = recorder.lastError();
        // A writable folder below it records: the probe looks at the file's own folder, not the one above.
        const bool startedBelow =
            recorder.record(QList<AmplifierBase *>{}, 100, 1, locked + "/logs/out.csv", "g");
        QSignalSpy finished(&recorder, &WeightRecorder::finished);
        const bool ended = finished.wait(30000);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(refused);
        QCOMPARE(why, QStringLiteral("No write permission for this location"));
        QVERIFY(startedBelow && ended);
        QCOMPARE(linesOf(locked + "/logs/out.csv").size(), 11);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCsvLogging)

#include "tst_csvlogging.moc"
