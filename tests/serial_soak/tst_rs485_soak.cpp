// Soak of the RS485 path: six amplifiers (ids 1, 2, 17, 100, 246, 247) on one simulated line, each
// polling its measuring value every 100 ms through its own worker, while the GUI thread writes a
// register of every amplifier every 5 s and reads it back, writing and reading again until the value
// read back is the one written (a fault may hit the write or the read): every write must end read back.
// Every live value the simulator sends encodes (device id, register, counter), so an answer that reaches
// the wrong amplifier, or an old answer taken for a new one, is caught. No run may accept a mixed-up or stale
// value, and every answer that was not accepted must have been reported; with 5 % seeded faults, each fault
// that hit a reading is reported. Answers lost to a time-out on a loaded machine are reported too, so they do
// not fail the test.
//
// The length of each run is KELVORA_SOAK_SECONDS (default 12; the long soak uses 240).
// KELVORA_SOAK_FAULT_KINDS replaces the list of random faults (kelvora-sim --fault-kinds) to explore.

#include "amplifiers/rs485/RS485Amplifier.h"
#include "amplifiers/rs485/RS485Bus.h"

#include "SimulatorProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

namespace {

constexpr uint16_t kMeasuringValue = 0x0000;
constexpr uint16_t kWrittenRegister = 0x0058;
constexpr int kWriteEveryMs = 5000;
const std::vector<uint8_t> kIds{1, 2, 17, 100, 246, 247};

int soakSeconds() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("KELVORA_SOAK_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 12;
}

QString faultKinds() {
    const QString kinds = qEnvironmentVariable("KELVORA_SOAK_FAULT_KINDS");
    return kinds.isEmpty() ? QStringLiteral("silence,truncate,bad-crc,exception,garbage,other-id") : kinds;
}

uint32_t encode(uint8_t id, uint16_t reg, uint32_t counter) {
    return (uint32_t{id} << 24) | (uint32_t{static_cast<uint8_t>(reg)} << 16) | (counter & 0xFFFF);
}

struct Station {
    uint8_t id = 0;
    std::unique_ptr<RS485Amplifier> amplifier;
    bool haveCounter = false;
    uint16_t lastCounter = 0;
    int samples = 0;
    int reported = 0;
    QStringList wrong; // values that should never have been accepted
    int missed = 0;    // answers never accepted, from the gaps in the counter
    int confirmedWrites = 0;
    int unconfirmedWrites = 0;
    uint32_t stored = 0; // what the device holds in kWrittenRegister, as far as read-backs showed
    int refusedReadBacks = 0;
};

// How many failures a report stands for: one, or the count of a repeated one.
int reportedFailures(const QString &error) {
    static const QRegularExpression repeated(QStringLiteral(" \\(repeated (once|(\\d+) times)\\)$"));
    const QRegularExpressionMatch match = repeated.match(error);
    if (!match.hasMatch())
        return 1;
    return match.captured(1) == QLatin1String("once") ? 1 : match.captured(2).toInt();
}

// Attempts per write: with 5 % faults on the write and the read, a write not confirmed after this many
// is a fault of the program, not bad luck (about 1e-20).
constexpr int kWriteAttempts = 20;

} // namespace

class TestRS485Soak : public QObject {
    Q_OBJECT

private slots:
    void soak_data();
    void soak();
};

void TestRS485Soak::soak_data() {
    QTest::addColumn<bool>("withFaults");
    QTest::newRow("clean line: no mixed-up or stale value, nothing lost unreported") << false;
    QTest::newRow("faulty line: no wrong value accepted, every reading fault reported") << true;
}

void TestRS485Soak::soak() {
    QFETCH(bool, withFaults);
    // Late answers are left out of the random faults: a Modbus RTU answer does not say which request it
    // answers, so one that comes after the time-out into the next exchange of the same device cannot be
    // told from the right one by any check. The line's purge of late answers is tested in tst_rs485_bus.
    SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("1,2,17,100,246,247"),
                          QStringLiteral("--id-encoding"), QStringLiteral("--seed"),
                          QStringLiteral("20261206"), QStringLiteral("--fault-kinds"), faultKinds()});
    QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));

    RS485Bus bus;
    std::vector<Station> stations(kIds.size());
    for (size_t i = 0; i < kIds.size(); ++i) {
        Station &station = stations[i];
        station.id = kIds[i];
        station.amplifier = std::make_unique<RS485Amplifier>(QStringLiteral("AmplifierModel"), sim.port(),
                                                             9600, station.id, &bus);
        RS485Amplifier *amplifier = station.amplifier.get();
        QSignalSpy failed(amplifier, &RS485Amplifier::connectionFailed);
        amplifier->connect();
        QVERIFY2(amplifier->isConnected(),
                 qPrintable(failed.isEmpty() ? QString() : failed.first().first().toString()));

        connect(amplifier, &RS485Amplifier::measuringValueReceived, this, [&station](uint32_t value) {
            const uint8_t id = static_cast<uint8_t>(value >> 24);
            const uint8_t reg = static_cast<uint8_t>(value >> 16);
            const auto counter = static_cast<uint16_t>(value);
            ++station.samples;
            const QString text = QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
            if (id != station.id || reg != kMeasuringValue) {
                station.wrong << QStringLiteral("mixed up: ") + text;
            } else if (station.haveCounter && static_cast<int16_t>(counter - station.lastCounter) <= 0) {
                station.wrong
                    << QStringLiteral("stale: %1 after counter %2").arg(text).arg(station.lastCounter);
            } else if (station.haveCounter) {
                station.missed += static_cast<uint16_t>(counter - station.lastCounter) - 1;
            }
            station.haveCounter = true;
            station.lastCounter = counter;
        });
        connect(amplifier, &RS485Amplifier::readErrorOccurred, this,
                [&station](const QString &error) { station.reported += reportedFailures(error); });
    }

    for (Station &station : stations)
        station.stored = static_cast<uint32_t>(
            sim.query(QStringLiteral("get %1 %2").arg(station.id).arg(kWrittenRegister)));
    if (withFaults)
        QCOMPARE(sim.command(QStringLiteral("fault all random 0.05")), QStringLiteral("OK"));
    for (Station &station : stations)
        station.amplifier->startContinuousMeasuringValueRead(100);

    const qint64 durationMs = qint64{soakSeconds()} * 1000;
    QElapsedTimer clock;
    clock.start();
    qint64 nextWrite = kWriteEveryMs;
    uint32_t writeCounter = 0;
    while (clock.elapsed() < durationMs) {
        QTest::qWait(50);
        if (clock.elapsed() < nextWrite)
            continue;
        nextWrite += kWriteEveryMs;
        ++writeCounter;
        for (Station &station : stations) {
            const uint32_t value = encode(station.id, kWrittenRegister, writeCounter);
            bool confirmed = false;
            for (int attempt = 0; attempt < kWriteAttempts && !confirmed; ++attempt) {
                station.amplifier->writeRegister(kWrittenRegister, value);
                const uint32_t readBack = station.amplifier->readRegister(kWrittenRegister);
                if (readBack == value) {
                    confirmed = true;
                } else if (readBack == 0) {
                    ++station.refusedReadBacks; // a refused answer reads as 0
                } else if (!withFaults || readBack != station.stored) {
                    // Neither the new value nor the old one (kept when the write was never heard).
                    station.wrong << QStringLiteral("read back %1 after writing %2")
                                         .arg(readBack, 8, 16, QLatin1Char('0'))
                                         .arg(value, 8, 16, QLatin1Char('0'));
                }
            }
            if (confirmed) {
                station.stored = value;
                ++station.confirmedWrites;
            } else {
                ++station.unconfirmedWrites;
            }
        }
    }

    for (Station &station : stations)
        station.amplifier->stopContinuousADRead();
    // The workers have ended; deliver the signals they queued.
    QCoreApplication::processEvents();
    QTest::qWait(100);

    for (Station &station : stations) {
        const QString who = QStringLiteral("id %1: ").arg(station.id);
        QVERIFY2(station.wrong.isEmpty(), qPrintable(who + station.wrong.join(QStringLiteral("; "))));
        QVERIFY2(station.samples >= soakSeconds(),
                 qPrintable(who + QStringLiteral("only %1 samples").arg(station.samples)));
        QVERIFY2(station.unconfirmedWrites == 0,
                 qPrintable(who + QStringLiteral("%1 of %2 writes never read back")
                                      .arg(station.unconfirmedWrites)
                                      .arg(writeCounter)));
        QCOMPARE(station.confirmedWrites, static_cast<int>(writeCounter));
        // Nothing went missing silently.
        QVERIFY2(
            station.missed <= station.reported,
            qPrintable(
                who +
                QStringLiteral("%1 answers missing, %2 reported").arg(station.missed).arg(station.reported)));
        if (withFaults) {
            // Each fault that hit a measuring-value reading was reported, and each one that hit a
            // read-back made it read as refused.
            const qint64 readingFaults =
                sim.query(QStringLiteral("faults %1 %2").arg(station.id).arg(kMeasuringValue));
            QVERIFY2(station.reported >= readingFaults,
                     qPrintable(who + QStringLiteral("%1 reading faults, %2 reported")
                                          .arg(readingFaults)
                                          .arg(station.reported)));
            const qint64 readBackFaults =
                sim.query(QStringLiteral("faults %1 %2").arg(station.id).arg(kWrittenRegister));
            QVERIFY(station.refusedReadBacks >= readBackFaults);
        } else {
            QCOMPARE(sim.query(QStringLiteral("faults %1").arg(station.id)), 0);
        }
        qInfo().noquote() << who << station.samples << "values," << station.missed << "missed,"
                          << station.reported << "reported errors," << station.refusedReadBacks
                          << "refused read-backs";
    }
    if (withFaults) {
        qint64 total = 0;
        for (const Station &station : stations)
            total += sim.query(QStringLiteral("faults %1").arg(station.id));
        QVERIFY2(total > 0, "the seeded faults never struck");
    }
}

int main(int argc, char **argv) {
    // The test library's watchdog ends a test function after 5 minutes; the long soak needs longer.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((2 * qint64{soakSeconds()} + 300) * 1000));
    QCoreApplication app(argc, argv);
    TestRS485Soak test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_rs485_soak.moc"
