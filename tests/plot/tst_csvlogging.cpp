// Timed CSV recording with real files in a temporary folder and short periods.
#include "amplifiers/rs232/RS232Amplifier.h"
#include "plot/CsvLogRun.h"
#include "plot/CustomPlotItem.h"

#include "SettableAmplifier.h"

#include <QApplication>
#include <QtTest>

#include <limits>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString kTimestamp = QStringLiteral("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}");

QStringList linesOf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {QStringLiteral("<unreadable>")};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool runsActive(const CustomPlotItem &item) {
    return !item.findChildren<CsvLogRun *>().isEmpty();
}

// Waits (generously) until every recording of the item has ended.
bool waitForRunsToEnd(const CustomPlotItem &item, int timeoutMs) {
    return QTest::qWaitFor([&item] { return !runsActive(item); }, timeoutMs);
}

bool runningAsRoot() {
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestCsvLogging : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void run_writesHeaderAndExactlyTheLinesOfItsDuration_data();
    void run_writesHeaderAndExactlyTheLinesOfItsDuration();
    void dataLine_formatsWeightsAndMarksDestroyedAmplifiers();
    void amplifiersAddedAndRemovedDuringARun_changeLaterLines();
    void lineCount_isTheDurationOverThePeriodWithoutOverflow_data();
    void lineCount_isTheDurationOverThePeriodWithoutOverflow();
    void refusedStart_writesNothingAndEmitsNothing_data();
    void refusedStart_writesNothingAndEmitsNothing();
    void folderPermissions_decideWhetherARunStarts();
    void destroyingTheItem_endsItsRuns();

private:
    QTemporaryDir m_dir;
};

void TestCsvLogging::initTestCase() {
    QVERIFY(m_dir.isValid());
}

void TestCsvLogging::run_writesHeaderAndExactlyTheLinesOfItsDuration_data() {
    QTest::addColumn<int>("amplifierCount");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("durationS");
    QTest::addColumn<int>("lines");

    QTest::newRow("no amplifiers: timestamps alone") << 0 << "g" << 100 << 1 << 10;
    QTest::newRow("three amplifiers in kg, 300 ms for 2 s") << 3 << "kg" << 300 << 2 << 6;
    QTest::newRow("period longer than the duration: header only") << 1 << "g" << 2000 << 1 << 0;
    QTest::newRow("negative duration: header only") << 1 << "g" << 10 << -1 << 0;
}

void TestCsvLogging::run_writesHeaderAndExactlyTheLinesOfItsDuration() {
    QFETCH(int, amplifierCount);
    QFETCH(QString, unit);
    QFETCH(int, periodMs);
    QFETCH(int, durationS);
    QFETCH(int, lines);

    CustomPlotItem item;
    std::vector<std::unique_ptr<SettableAmplifier>> amplifiers;
    QString header = QStringLiteral("Timestamp");
    QString values;
    for (int k = 1; k <= amplifierCount; ++k) {
        amplifiers.push_back(std::make_unique<SettableAmplifier>());
        amplifiers.back()->setWeight(k * 1.5);
        item.addAmplifier(amplifiers.back().get(), Qt::red);
        header += QStringLiteral(",Amplifier %1 (%2)").arg(k).arg(unit);
        values += QStringLiteral(",%1").arg(k * 1.5);
    }

    const QString path = m_dir.filePath(QStringLiteral("%1.csv").arg(QTest::currentDataTag()));
    QSignalSpy started(&item, &CustomPlotItem::csvLoggingStarted);
    item.startCSVLogging(periodMs, durationS, path, unit);
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toInt(), durationS);
    // Nothing but the header until one period has passed.
    QCOMPARE(linesOf(path), QStringList{header});

    QVERIFY(waitForRunsToEnd(item, 30000));
    const QStringList written = linesOf(path);
    QCOMPARE(written.size(), 1 + lines);
    QCOMPARE(written.first(), header);
    const QRegularExpression line(
        QStringLiteral("^%1%2$").arg(kTimestamp, QRegularExpression::escape(values)));
    for (int i = 1; i < written.size(); ++i)
        QVERIFY2(line.match(written.at(i)).hasMatch(), qPrintable(written.at(i)));
}

void TestCsvLogging::dataLine_formatsWeightsAndMarksDestroyedAmplifiers() {
    // Real RS232 drivers, never connected, whose stored hundredths of a gram reach the file through their own
    // unit conversion with every digit they deliver; a non-finite weight is written as formatted.
    CustomPlotItem item;
    std::vector<std::unique_ptr<RS232Amplifier>> drivers;
    for (double stored : {12345.0, 0.0, 10000.0, 125000000.0, -50.0, 1234567.0, 12340.0}) {
        drivers.push_back(
            std::make_unique<RS232Amplifier>(QStringLiteral("KA"), QStringLiteral("/dev/null"), 9600));
        drivers.back()->setMeasuredWeight(stored);
        item.addAmplifier(drivers.back().get(), Qt::red);
    }
    SettableAmplifier broken;
    broken.setWeight(std::numeric_limits<double>::quiet_NaN());
    item.addAmplifier(&broken, Qt::red);
    drivers[1].reset();

    const QString path = m_dir.filePath(QStringLiteral("formats.csv"));
    // Timestamps have whole seconds: the run's lines lie between the second it started and the one it ended.
    const QDateTime started = QDateTime::currentDateTime().addMSecs(-1000);
    item.startCSVLogging(50, 1, path, QStringLiteral("g"));
    QVERIFY(waitForRunsToEnd(item, 30000));
    const QDateTime ended = QDateTime::currentDateTime();
    const QStringList written = linesOf(path);
    QCOMPARE(written.size(), 21);
    QCOMPARE(written.first(),
             QStringLiteral("Timestamp,Amplifier 1 (g),Amplifier 2 (g),Amplifier 3 (g),"
                            "Amplifier 4 (g),Amplifier 5 (g),Amplifier 6 (g),Amplifier 7 (g),"
                            "Amplifier 8 (g)"));
    for (int i = 1; i < written.size(); ++i) {
        QCOMPARE(written.at(i).mid(19), QStringLiteral(",123.45,N/A,100,1250000,-0.5,12345.67,123.4,nan"));
        const QDateTime stamp =
            QDateTime::fromString(written.at(i).left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(stamp.isValid() && stamp >= started && stamp <= ended, qPrintable(written.at(i)));
    }
}

void TestCsvLogging::amplifiersAddedAndRemovedDuringARun_changeLaterLines() {
    CustomPlotItem item;
    SettableAmplifier first, second;
    first.setWeight(1);
    second.setWeight(2);
    item.addAmplifier(&first, Qt::red);

    const QString path = m_dir.filePath(QStringLiteral("changing.csv"));
    item.startCSVLogging(40, 3, path, QStringLiteral("kg"));
    QCOMPARE(linesOf(path), QStringList{QStringLiteral("Timestamp,Amplifier 1 (kg)")});

    QVERIFY(QTest::qWaitFor([&] { return linesOf(path).size() >= 3; }, 20000));
    item.addAmplifier(&second, Qt::blue);
    const int linesBeforeRemoval = linesOf(path).size();
    QVERIFY(QTest::qWaitFor([&] { return linesOf(path).size() >= linesBeforeRemoval + 2; }, 20000));
    item.removeAmplifier(&first);
    QVERIFY(waitForRunsToEnd(item, 30000));

    // The header keeps its single column; the lines go ",1" ... then ",1,2" ... then ",2".
    const QStringList written = linesOf(path);
    QCOMPARE(written.size(), 1 + 75);
    QCOMPARE(written.first(), QStringLiteral("Timestamp,Amplifier 1 (kg)"));
    const QStringList phases{QStringLiteral(",1"), QStringLiteral(",1,2"), QStringLiteral(",2")};
    int phase = 0;
    QVector<int> perPhase(3, 0);
    for (int i = 1; i < written.size(); ++i) {
        const QString values = written.at(i).mid(19);
        QVERIFY2(QRegularExpression(QStringLiteral("^%1$").arg(kTimestamp))
                     .match(written.at(i).left(19))
                     .hasMatch(),
                 qPrintable(written.at(i)));
        while (phase < 3 && values != phases.at(phase))
            ++phase;
        QVERIFY2(phase < 3, qPrintable(QStringLiteral("line %1 out of order: %2").arg(i).arg(written.at(i))));
        ++perPhase[phase];
    }
    QVERIFY2(perPhase[0] >= 2 && perPhase[1] >= 2 && perPhase[2] >= 1,
             qPrintable(QStringLiteral("%1 %2 %3").arg(perPhase[0]).arg(perPhase[1]).arg(perPhase[2])));
}

void TestCsvLogging::lineCount_isTheDurationOverThePeriodWithoutOverflow_data() {
    QTest::addColumn<int>("durationS");
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("lines");

    const int maxInt = std::numeric_limits<int>::max();
    QTest::newRow("10 s at 250 ms") << 10 << 250 << 40;
    QTest::newRow("1 s at 300 ms rounds down") << 1 << 300 << 3;
    QTest::newRow("an hour at 10 ms") << 3600 << 10 << 360000;
    QTest::newRow("longest duration at 1 s") << maxInt << 1000 << maxInt;
    QTest::newRow("beyond the int range saturates") << 3000000 << 1 << maxInt;
    QTest::newRow("negative duration") << -2 << 500 << -4;
}

void TestCsvLogging::lineCount_isTheDurationOverThePeriodWithoutOverflow() {
    QFETCH(int, durationS);
    QFETCH(int, periodMs);
    QFETCH(int, lines);
    QCOMPARE(CsvLogRun::lineCountFor(durationS, periodMs), lines);
}

void TestCsvLogging::refusedStart_writesNothingAndEmitsNothing_data() {
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<QString>("warning"); // empty = refused silently

    const QString refusal = QStringLiteral("^\\[CustomPlotItem\\] CSV logging refused: the period must be at "
                                           "least 1 ms, not %1$");
    QTest::newRow("period 0") << 0 << "period0.csv" << refusal.arg(0);
    QTest::newRow("negative period") << -250 << "negative.csv" << refusal.arg(-250);
    QTest::newRow("folder part is a regular file") << 100 << "plainfile/out.csv" << QString();
    QTest::newRow("empty path") << 100 << QString() << QString();
    QTest::newRow("file path is a folder: header not written")
        << 100 << "afolder" << QStringLiteral("^❌ Failed to open file: .*afolder\"$");
}

void TestCsvLogging::refusedStart_writesNothingAndEmitsNothing() {
    QFETCH(int, periodMs);
    QFETCH(QString, relativePath);
    QFETCH(QString, warning);

    QFile plain(m_dir.filePath(QStringLiteral("plainfile")));
    QVERIFY(plain.open(QIODevice::WriteOnly | QIODevice::Truncate));
    plain.close();
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("afolder"))));

    CustomPlotItem item;
    SettableAmplifier amplifier;
    item.addAmplifier(&amplifier, Qt::red);
    const QString path = relativePath.isEmpty() ? QString() : m_dir.filePath(relativePath);
    const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QSignalSpy started(&item, &CustomPlotItem::csvLoggingStarted);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    item.startCSVLogging(periodMs, 1, path, QStringLiteral("g"));

    QCOMPARE(started.count(), 0);
    QVERIFY(!runsActive(item));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QCOMPARE(QFileInfo(m_dir.filePath(QStringLiteral("plainfile"))).size(), 0);
}

void TestCsvLogging::folderPermissions_decideWhetherARunStarts() {
    if (runningAsRoot())
        QSKIP("root writes into read-only folders; run the suite as an ordinary user to check permissions");
    // An unwritable folder: nothing written, nothing emitted.
    const QString locked = m_dir.filePath(QStringLiteral("readonly"));
    QVERIFY(QDir().mkpath(locked + QStringLiteral("/logs")));
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    CustomPlotItem item;
    QSignalSpy started(&item, &CustomPlotItem::csvLoggingStarted);
    item.startCSVLogging(100, 1, locked + QStringLiteral("/out.csv"), QStringLiteral("g"));
    const QStringList left = QDir(locked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const bool activeAfterRefusal = runsActive(item);

    // A writable folder below it records: the probe looks at the file's own folder, not the one above.
    const QString path = locked + QStringLiteral("/logs/out.csv");
    item.startCSVLogging(100, 1, path, QStringLiteral("g"));
    const bool finished = waitForRunsToEnd(item, 30000);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!activeAfterRefusal);
    QCOMPARE(left, QStringList{QStringLiteral("logs")});
    QVERIFY(finished);
    QCOMPARE(started.count(), 1);
    QCOMPARE(linesOf(path).size(), 11);
}

void TestCsvLogging::destroyingTheItem_endsItsRuns() {
    const QString path = m_dir.filePath(QStringLiteral("cut.csv"));
    auto item = std::make_unique<CustomPlotItem>();
    SettableAmplifier amplifier;
    item->addAmplifier(&amplifier, Qt::red);
    item->startCSVLogging(10, 60, path, QStringLiteral("g"));
    item->startCSVLogging(10, 60, path + QStringLiteral(".second"), QStringLiteral("g"));
    QVERIFY(QTest::qWaitFor([&] { return linesOf(path).size() >= 4; }, 20000));
    item.reset();

    const int linesAtDestruction = linesOf(path).size();
    // Give a surviving timer many periods to show itself.
    QTest::qWait(300);
    QCOMPARE(linesOf(path).size(), linesAtDestruction);
    QVERIFY(linesAtDestruction < 1 + 6000);
}

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    TestCsvLogging test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_csvlogging.moc"
