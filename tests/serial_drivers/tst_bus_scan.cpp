// The RS485 bus scan against a simulated line: exactly the ids with a trustworthy answer are found, nothing
// is written, a cancel ends it within a probe, and amplifiers polling the same line keep their own values.
#include "SimulatorProcess.h"

#include "device/BusScanner.h"
#include "device/rs485/RS485Amplifier.h"
#include "device/rs485/Rs485ScanProbe.h"
#include "link/serial/RS485Bus.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <vector>

class TestBusScan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint32_t>("uint32_t"); }

    // Exactly the ids with a trustworthy answer are found, by the address they carry: one that comes after
    // its own probe's window still finds its id, with its delay; a second device on an id makes it a
    // duplicate; an answer in another's name or with a broken checksum finds nothing; ids 1 and 247 at the
    // ends of the range are found like any other. A scan only reads: no device hears a write frame or a text
    // line.
    void rs485_attributesAnswersByAddress_data() {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("expected"); // id:late-or-dup per id found
        QTest::newRow("60 ms late, default window") << "fault 60 late 60" << 0 << "1 60:late 247";
        QTest::newRow("in another's name") << "fault 60 other-id 99" << 0 << "1 247";
        QTest::newRow("broken checksum") << "fault 60 bad-crc" << 0 << "1 247";
        QTest::newRow("247 late, after the last probe") << "fault 247 late 60" << 0 << "1 60 247:late";
        QTest::newRow("twin a few ms later") << "twin 60 3" << 0 << "1 60:dup 247";
        QTest::newRow("short --window") << "fault 60 late 40" << 10 << "1 60:late 247";
        // An exception answer proves the id is there: listed, as refusing, never with a value.
        QTest::newRow("exception answer") << "fault 60 exception" << 0 << "1 60:refused 247";
    }
    void rs485_attributesAnswersByAddress() {
        QFETCH(QString, setUp);
        QFETCH(int, window);
        QFETCH(QString, expected);
        SimulatorProcess sim({"--ids", "1,60,247"});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        QCOMPARE(sim.command(setUp), QStringLiteral("OK"));
        RS485Bus bus;
        Rs485ScanProbe probe(&bus, sim.port(), 9600, window);
        const std::atomic<bool> keepRunning{true};
        const busscan::Outcome outcome = busscan::run(probe, 1, 247, keepRunning);
        QVERIFY2(outcome.ran && outcome.error.isEmpty(), qPrintable(outcome.error));
        QStringList listed;
        for (const busscan::Finding &finding : outcome.findings) {
            // A loaded machine delays answers too: only those the simulator delayed are judged late.
            const QString id = QString::number(finding.id);
            const bool late = expected.split(QLatin1Char(' ')).contains(id + QStringLiteral(":late")) &&
                              finding.delayMs >= 25;
            listed << id + (finding.refused ? ":refused" : finding.duplicate ? ":dup" : late ? ":late" : "");
            QCOMPARE(finding.adValue, finding.refused ? 0u : 250000u);
            QCOMPARE(finding.detail, finding.refused
                                         ? QStringLiteral("Modbus exception 2 (illegal data address)")
                                         : QString());
        }
        QCOMPARE(listed.join(' '), expected);
        if (!expected.contains(QLatin1String(" 60")))
            QVERIFY(outcome.garbled >= 1);
        for (int id : {1, 60, 247})
            QCOMPARE(sim.command(QStringLiteral("log %1").arg(id)), QStringLiteral("OK"));
    }

    void rs485_cancelEndsWithinAProbe() {
        SimulatorProcess sim({"--ids", "3"});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        RS485Bus bus;
        BusScanner scanner;
        QSignalSpy finished(&scanner, &BusScanner::finished);
        QVERIFY(scanner.start(QStringLiteral("RS485"), sim.port(), &bus));
        QVERIFY(!scanner.start(QStringLiteral("RS485"), sim.port(), &bus)); // one scan at a time
        QTRY_VERIFY_WITH_TIMEOUT(scanner.probed() >= 10, 20000);
        QElapsedTimer sinceCancel;
        sinceCancel.start();
        scanner.cancel();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
        // One probe window plus the hand-over to the GUI thread, with room for a loaded machine.
        QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
        QVERIFY(scanner.wasCancelled());
        QVERIFY(scanner.probed() < scanner.total());
        QCOMPARE(scanner.found().size(), 1);
        QCOMPARE(scanner.found().first().toMap().value(QStringLiteral("id")).toInt(), 3);
    }

    void rs485_scanBesidePollingAmplifiers_keepsTheirValues() {
        SimulatorProcess sim({"--ids", "1,2"});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        QCOMPARE(sim.command(QStringLiteral("load 1 111111")), QStringLiteral("OK"));
        QCOMPARE(sim.command(QStringLiteral("load 2 222222")), QStringLiteral("OK"));
        RS485Bus bus;
        RS485Amplifier one(QStringLiteral("M"), sim.port(), 9600, 1, &bus);
        RS485Amplifier two(QStringLiteral("M"), sim.port(), 9600, 2, &bus);
        one.connect();
        two.connect();
        QVERIFY(one.isConnected() && two.isConnected());
        // Values arrive from the workers' threads; queued to this one, they are read without a race.
        QObject receiver;
        std::vector<uint32_t> valuesOne;
        std::vector<uint32_t> valuesTwo;
        QObject::connect(&one, &RS485Amplifier::adValueReceived, &receiver,
                         [&](uint32_t v) { valuesOne.push_back(v); });
        QObject::connect(&two, &RS485Amplifier::adValueReceived, &receiver,
                         [&](uint32_t v) { valuesTwo.push_back(v); });
        one.startContinuousADRead(100);
        two.startContinuousADRead(100);

        BusScanner scanner;
        QSignalSpy finished(&scanner, &BusScanner::finished);
        QVERIFY(scanner.start(QStringLiteral("RS485"), sim.port(), &bus, 1, 60));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        const size_t duringScanOne = valuesOne.size();
        const size_t duringScanTwo = valuesTwo.size();
        one.stopContinuousADRead();
        two.stopContinuousADRead();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(scanner.found().size(), 2);
        // Both kept reading while the scan held the line probe by probe, and each only its own value.
        QVERIFY2(duringScanOne >= 5 && duringScanTwo >= 5,
                 qPrintable(QStringLiteral("%1 %2").arg(duringScanOne).arg(duringScanTwo)));
        QCOMPARE(std::count(valuesOne.begin(), valuesOne.end(), 111111u),
                 static_cast<long>(valuesOne.size()));
        QCOMPARE(std::count(valuesTwo.begin(), valuesTwo.end(), 222222u),
                 static_cast<long>(valuesTwo.size()));
    }
};

QTEST_GUILESS_MAIN(TestBusScan)
#include "tst_bus_scan.moc"
