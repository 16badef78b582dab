// One RS485 line with several amplifiers (default 8) on the simulated line, each polling its measuring
// value every 100 ms through its own worker, for a while (default 60 s). Prints the samples per second
// per amplifier and in total, and the answers that reached the wrong amplifier or came out of order
// (each simulated value encodes device id, register and a counter), which must be 0, and the answers
// lost to time-outs.
//
//   bench_rs485_line [seconds=60] [amplifiers=8] [interval-ms=100]

#include "amplifiers/rs485/RS485Amplifier.h"
#include "amplifiers/rs485/RS485Bus.h"

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

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int count = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 247) : 8;
    const int intervalMs = argc > 3 ? std::max(0, std::atoi(argv[3])) : 100;

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

    uint64_t total = 0;
    uint64_t mixedUp = 0;
    uint64_t errors = 0;
    uint64_t skipped = 0;
    double slowest = 1e9;
    double fastest = 0;
    for (const Station &station : stations) {
        const double rate = static_cast<double>(station.samples) / elapsed;
        std::printf("rs485_samples_per_s_amplifier_%d=%.2f\n", station.id, rate);
        slowest = std::min(slowest, rate);
        fastest = std::max(fastest, rate);
        total += station.samples;
        mixedUp += station.mixedUp;
        errors += station.errors;
        skipped += station.skipped;
    }
    std::printf("rs485_amplifiers=%d\n", count);
    std::printf("rs485_interval_ms=%d\n", intervalMs);
    std::printf("rs485_duration_s=%.1f\n", elapsed);
    std::printf("rs485_samples_per_s_per_amplifier_min=%.2f\n", slowest);
    std::printf("rs485_samples_per_s_per_amplifier_max=%.2f\n", fastest);
    std::printf("rs485_samples_per_s_total=%.2f\n", static_cast<double>(total) / elapsed);
    std::printf("rs485_read_errors=%llu\n", static_cast<unsigned long long>(errors));
    std::printf("rs485_lost_answers=%llu\n", static_cast<unsigned long long>(skipped));
    std::printf("rs485_mixed_up_answers=%llu\n", static_cast<unsigned long long>(mixedUp));
    return mixedUp == 0 ? 0 : 1;
}
