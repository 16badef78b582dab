// Soak of the RS485 path: six amplifiers on one simulated line, every other one polling its AD value, the
// others their measuring value every 100 ms, while the GUI thread writes a register of every amplifier every
// 5 s until it reads back. Live values encode (device id, register, counter): no run may accept a mixed-up or
// stale value, every answer not accepted must have been reported and, with 5 % seeded faults, each fault that
// hit a reading too. Answers lost to a time-out on a loaded machine are reported, so they do not fail the
// test. The length of each run is KELVORA_SOAK_SECONDS (default 12; the long soak uses 240).
// KELVORA_SOAK_FAULT_KINDS replaces the list of random faults (kelvora-sim --fault-kinds) to explore.

#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"

#include "SimulatorProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <vector>

namespace {

constexpr uint16_t kMeasuringValue = 0x0000;
constexpr uint16_t kAdValue = 0x1F40;
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

struct Station {
    uint8_t id = 0;
    uint16_t reg = kMeasuringValue; // the register its worker reads
    std::unique_ptr<RS485Amplifier> amplifier;
    bool haveCounter = false;
    uint16_t lastCounter = 0;
    int samples = 0;
    int reported = 0;
    QStringList wrong; // values that should never have been accepted
    int missed = 0;    // answers never accepted, from the gaps in the counter
    int confirmedWrites = 0;
    uint32_t stored = 0; // what the device holds in kWrittenRegister, as far as read-backs showed
    int refusedReadBacks = 0;
};

// How many failures a report stands for: one, or the count of a repeated one.
int reportedFailures(const QString &error) {
    static const QRegularExpression repeated(QStringLiteral(" \\(repeated (once|(\\d+) times)\\)$"));
    const QString count = repeated.match(error).captured(2);
    return count.isEmpty() ? 1 : count.toInt();
}

// Attempts per write: with 5 % faults on the write and the read, a write not confirmed after this many
// is a fault of the program, not bad luck (about 1e-20).
constexpr int kWriteAttempts = 20;

} // namespace

class TestRS485Soak : public QObject {
    Q_OBJECT

private slots:
    void soak_data() {
        QTest::addColumn<bool>("withFaults");
        QTest::newRow("clean line: no mixed-up or stale value, nothing lost unreported") << false;
        QTest::newRow("faulty line: no wrong value accepted, every reading fault reported") << true;
    }

    void soak() {
        QFETCH(bool, withFaults);
        // No late answers among the faults: an RTU answer does not say which request it answers, so one late
        // into the next exchange of the same device cannot be told from the right one (the purge:
        // tst_rs485_bus).
        SimulatorProcess sim({QStringLiteral("--ids"), QStringLiteral("1,2,17,100,246,247"),
                              QStringLiteral("--id-encoding"), QStringLiteral("--seed"),
                              QStringLiteral("20261206"), QStringLiteral("--fault-kinds"), faultKinds()});
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));

        RS485Bus bus;
        std::vector<Station> stations(kIds.size());
        for (size_t i = 0; i < kIds.size(); ++i) {
            Station &station = stations[i];
            station.id = kIds[i];
            station.reg = i % 2 ? kMeasuringValue : kAdValue;
            station.amplifier = std::make_unique<RS485Amplifier>(QStringLiteral("AmplifierModel"), sim.port(),
                                                                 9600, station.id, &bus);
            RS485Amplifier *amplifier = station.amplifier.get();
            amplifier->connect();
            QVERIFY(amplifier->isConnected());

            const auto take = [&station](uint32_t value) {
                const auto counter = static_cast<uint16_t>(value);
                ++station.samples;
                const QString text = QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
                if (value >> 16 != (uint32_t{station.id} << 8 | static_cast<uint8_t>(station.reg))) {
                    station.wrong << QStringLiteral("mixed up: ") + text;
                } else if (station.haveCounter && static_cast<int16_t>(counter - station.lastCounter) <= 0) {
                    station.wrong
                        << QStringLiteral("stale: %1 after counter %2").arg(text).arg(station.lastCounter);
                } else if (station.haveCounter) {
                    station.missed += static_cast<uint16_t>(counter - station.lastCounter) - 1;
                }
                station.haveCounter = true;
                station.lastCounter = counter;
            };
            if (station.reg == kAdValue)
                connect(amplifier, &RS485Amplifier::adValueReceived, this, take);
            else
                connect(amplifier, &RS485Amplifier::measuringValueReceived, this, take);
            connect(amplifier, &RS485Amplifier::readErrorOccurred, this,
                    [&station](const QString &error) { station.reported += reportedFailures(error); });
        }

        for (Station &station : stations)
            station.stored = static_cast<uint32_t>(
                sim.query(QStringLiteral("get %1 %2").arg(station.id).arg(kWrittenRegister)));
        if (withFaults)
            QCOMPARE(sim.command(QStringLiteral("fault all random 0.05")), QStringLiteral("OK"));
        for (Station &station : stations)
            station.reg == kAdValue ? station.amplifier->startContinuousADRead(100)
                                    : station.amplifier->startContinuousMeasuringValueRead(100);

        const qint64 durationMs = qint64{soakSeconds()} * 1000;
        QElapsedTimer clock;
        clock.start();
        qint64 nextWrite = kWriteEveryMs;
        uint32_t writeCounter = 0;
        while (clock.elapsed() < durationMs) {
            QVERIFY(QTest::qWaitFor([&] { return clock.elapsed() >= qMin(nextWrite, durationMs); },
                                    int(durationMs)));
            if (clock.elapsed() >= durationMs)
                break;
            nextWrite += kWriteEveryMs;
            ++writeCounter;
            for (Station &station : stations) {
                const uint32_t value =
                    (uint32_t{station.id} << 24) | (kWrittenRegister << 16) | (writeCounter & 0xFFFF);
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
                }
            }
        }

        for (Station &station : stations)
            station.amplifier->stopContinuousADRead();
        // The workers have ended; deliver the signals they queued.
        QCoreApplication::sendPostedEvents();

        for (Station &station : stations) {
            const QString who = QStringLiteral("id %1: ").arg(station.id);
            QVERIFY2(station.wrong.isEmpty(), qPrintable(who + station.wrong.join(QStringLiteral("; "))));
            QVERIFY2(station.samples >= soakSeconds(),
                     qPrintable(who + QStringLiteral("only %1 samples").arg(station.samples)));
            QCOMPARE(station.confirmedWrites, static_cast<int>(writeCounter));
            // Nothing went missing silently.
            QVERIFY2(station.missed <= station.reported,
                     qPrintable(who + QStringLiteral("%1 answers missing, %2 reported")
                                          .arg(station.missed)
                                          .arg(station.reported)));
            if (withFaults) {
                // Each fault that hit a reading was reported, and each one that hit a read-back made it read
                // as refused.
                const qint64 readingFaults =
                    sim.query(QStringLiteral("faults %1 %2").arg(station.id).arg(station.reg));
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
        }
        if (withFaults) {
            qint64 total = 0;
            for (const Station &station : stations)
                total += sim.query(QStringLiteral("faults %1").arg(station.id));
            QVERIFY2(total > 0, "the seeded faults never struck");
        }
    }
};

int main(int argc, char **argv) {
    // The test library's watchdog ends a test function after 5 minutes; the long soak needs longer.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((2 * qint64{soakSeconds()} + 300) * 1000));
    QCoreApplication app(argc, argv);
    TestRS485Soak test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_rs485_soak.moc"
