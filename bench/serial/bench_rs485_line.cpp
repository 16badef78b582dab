// One RS485 line with several amplifiers (default 8) on the simulated line, each polling its measuring
// value every 100 ms through its own worker. Two runs of a while each (default 20 s): first a clean line,
// then the same line with the last amplifier faulty all the time (default: answering 180 ms late, that is
// after the read has given up; "garbage" puts junk before every answer). Prints, per run, the samples per
// second of each amplifier and of the healthy ones, the answers that reached the wrong amplifier or came
// out of order (each simulated value encodes device id, register and a counter), which must be 0, and the
// answers lost to time-outs; then the healthy amplifiers' rate with the faulty one as a share of their
// rate on the clean line (goal: at least 0.9).
//
//   bench_rs485_line [seconds=20] [amplifiers=8] [interval-ms=100] [fault="late 180"]

#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"

#include "SimulatorProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Station {
    uint8_t id = 0;
    std::unique_ptr<RS485Amplifier> amplifier;
    uint64_t samples = 0;
    uint64_t errors = 0;
    uint64_t mixedUp = 0;
    uint64_t skipped = 0;
    bool haveCounter = false;
    uint16_t lastCounter = 0;
};

struct Totals {
    double healthyRate = 0; // mean samples per second of a healthy amplifier
    uint64_t mixedUp = 0;
};

// Polls every station for `seconds` and prints the figures with `prefix`.
Totals run(QCoreApplication &app, std::vector<Station> &stations, int seconds, int intervalMs,
           const char *prefix, int faulty) {
    for (Station &station : stations) {
        station.samples = station.errors = station.mixedUp = station.skipped = 0;
        station.haveCounter = false;
    }
    QElapsedTimer clock;
    clock.start();
    for (Station &station : stations)
        station.amplifier->startContinuousMeasuringValueRead(intervalMs);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    for (Station &station : stations)
        station.amplifier->stopContinuousADRead();
    const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
    QCoreApplication::processEvents();

    Totals totals;
    uint64_t errors = 0;
    uint64_t skipped = 0;
    uint64_t healthySamples = 0;
    int healthy = 0;
    double slowest = 1e9;
    for (const Station &station : stations) {
        const double rate = static_cast<double>(station.samples) / elapsed;
        std::printf("%s_samples_per_s_amplifier_%d=%.2f\n", prefix, station.id, rate);
        totals.mixedUp += station.mixedUp;
        errors += station.errors;
        skipped += station.skipped;
        if (station.id == faulty)
            continue;
        ++healthy;
        healthySamples += station.samples;
        slowest = std::min(slowest, rate);
    }
    totals.healthyRate = static_cast<double>(healthySamples) / elapsed / std::max(1, healthy);
    std::printf("%s_duration_s=%.1f\n", prefix, elapsed);
    std::printf("%s_healthy_samples_per_s_per_amplifier=%.2f\n", prefix, totals.healthyRate);
    std::printf("%s_healthy_samples_per_s_per_amplifier_min=%.2f\n", prefix, slowest);
    std::printf("%s_read_errors=%llu\n", prefix, static_cast<unsigned long long>(errors));
    std::printf("%s_lost_answers=%llu\n", prefix, static_cast<unsigned long long>(skipped));
    std::printf("%s_wrong_values_accepted=%llu\n", prefix, static_cast<unsigned long long>(totals.mixedUp));
    return totals;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int count = argc > 2 ? std::clamp(std::atoi(argv[2]), 2, 247) : 8;
    const int intervalMs = argc > 3 ? std::max(0, std::atoi(argv[3])) : 100;
    const QString fault = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("late 180");

    QStringList ids;
    for (int i = 1; i <= count; ++i)
        ids << QString::number(i);
    SimulatorProcess sim(
        {QStringLiteral("--ids"), ids.join(QLatin1Char(',')), QStringLiteral("--id-encoding")});
    if (!sim.isReady()) {
        std::fprintf(stderr, "bench_rs485_line: %s\n", qPrintable(sim.errorString()));
        return 1;
    }

    RS485Bus bus;
    std::vector<Station> stations(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Station &station = stations[static_cast<size_t>(i)];
        station.id = static_cast<uint8_t>(i + 1);
        station.amplifier = std::make_unique<RS485Amplifier>(QStringLiteral("AmplifierModel"), sim.port(),
                                                             9600, station.id, &bus);
        station.amplifier->connect();
        if (!station.amplifier->isConnected()) {
            std::fprintf(stderr, "bench_rs485_line: amplifier %d did not connect\n", station.id);
            return 1;
        }
        QObject::connect(
            station.amplifier.get(), &RS485Amplifier::measuringValueReceived, &app,
            [&station](uint32_t value) {
                const auto counter = static_cast<uint16_t>(value);
                ++station.samples;
                if ((value >> 24) != station.id || ((value >> 16) & 0xFF) != 0 ||
                    (station.haveCounter && static_cast<int16_t>(counter - station.lastCounter) <= 0))
                    ++station.mixedUp; // another device's, another register's, or an old answer
                else if (station.haveCounter && counter != static_cast<uint16_t>(station.lastCounter + 1))
                    ++station.skipped; // an answer that did not come in time
                station.haveCounter = true;
                station.lastCounter = counter;
            });
        QObject::connect(station.amplifier.get(), &RS485Amplifier::readErrorOccurred, &app,
                         [&station](const QString &) { ++station.errors; });
    }

    std::printf("rs485_amplifiers=%d\n", count);
    std::printf("rs485_interval_ms=%d\n", intervalMs);
    const Totals clean = run(app, stations, seconds, intervalMs, "rs485_clean", 0);
    if (!sim.command(QStringLiteral("fault %1 %2").arg(count).arg(fault)).startsWith(QLatin1String("OK"))) {
        std::fprintf(stderr, "bench_rs485_line: the simulator refused fault \"%s\"\n", qPrintable(fault));
        return 1;
    }
    std::printf("rs485_faulty_amplifier=%d (%s)\n", count, qPrintable(fault));
    const Totals faulty = run(app, stations, seconds, intervalMs, "rs485_faulty", count);
    std::printf("rs485_healthy_rate_share=%.3f\n",
                clean.healthyRate > 0 ? faulty.healthyRate / clean.healthyRate : 0.0);
    return clean.mixedUp == 0 && faulty.mixedUp == 0 ? 0 : 1;
}
