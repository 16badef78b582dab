// Bus scan figures against the simulators:
//   rs485_scan_s / rs485_found / rs485_false_positives   ids 1..247 at 9600 bit/s, six simulated ids of which
//       one answers 60 ms late, one in another's name and one with a bad checksum (4 trustworthy)
//   rs485_probe_window_ms                                 the answer window of one probe at 9600 bit/s
//   rs485_beside_polling_*                                the same while two amplifiers poll at 100 ms
//   can_scan_s / can_found / can_false_positives          nodes 1..127 on the virtual bus, 3 nodes, one of
//       them answering after 150 ms
// Goals: rs485_scan_s <= 12 with rs485_found=4, can_scan_s <= 1.5 with can_found=3, no false positives.
#include "CanTestBus.h"
#include "SimulatorProcess.h"
#include "device/canopen/CanScanProbe.h"
#include "device/rs485/RS485Amplifier.h"
#include "device/rs485/Rs485ScanProbe.h"
#include "link/can/CanLink.h"
#include "link/serial/RS485Bus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

void print(const char *name, double value) {
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

// Times one scan and counts the findings that are, and are not, among `present`.
void scan(const char *prefix, busscan::Probe &probe, int last, const std::set<int> &present) {
    const std::atomic<bool> keepRunning{true};
    QElapsedTimer clock;
    clock.start();
    const busscan::Outcome outcome = busscan::run(probe, 1, last, keepRunning);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!outcome.error.isEmpty())
        std::fprintf(stderr, "%s scan failed: %s\n", prefix, qPrintable(outcome.error));
    const auto found = std::count_if(outcome.findings.begin(), outcome.findings.end(),
                                     [&](const busscan::Finding &f) { return present.count(f.id) > 0; });
    const std::string name(prefix);
    print((name + "_scan_s").c_str(), seconds);
    print((name + "_found").c_str(), static_cast<double>(found));
    print((name + "_false_positives").c_str(),
          static_cast<double>(outcome.findings.size()) - static_cast<double>(found));
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);

    SimulatorProcess sim({"--ids", "1,2,17,100,246,247"});
    if (!sim.isReady()) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.errorString()));
        return 1;
    }
    for (const char *fault : {"fault 17 late 60", "fault 100 other-id 99", "fault 246 bad-crc"})
        sim.command(QLatin1String(fault));
    RS485Bus bus;
    Rs485ScanProbe rs485(&bus, sim.port(), 9600);
    print("rs485_probe_window_ms", Rs485ScanProbe::windowMs(9600));
    scan("rs485", rs485, 247, {1, 2, 17, 247});

    // The same scan while amplifiers 1 and 2 poll their AD value every 100 ms on the line.
    RS485Amplifier one(QStringLiteral("M"), sim.port(), 9600, 1, &bus);
    RS485Amplifier two(QStringLiteral("M"), sim.port(), 9600, 2, &bus);
    std::atomic<int> polled{0};
    for (RS485Amplifier *amplifier : {&one, &two}) {
        amplifier->connect();
        QObject::connect(amplifier, &RS485Amplifier::adValueReceived, [&polled](uint32_t) { ++polled; });
        amplifier->startContinuousADRead(100);
    }
    QElapsedTimer clock;
    clock.start();
    scan("rs485_beside_polling", rs485, 247, {1, 2, 17, 247});
    print("rs485_beside_polling_values_per_s_per_amplifier",
          polled.load() / 2.0 / (static_cast<double>(clock.elapsed()) / 1000.0));
    one.stopContinuousADRead();
    two.stopContinuousADRead();

    CanSimHost nodes;
    const QString error = cantest::startBus(nodes, {1, 5, 127});
    if (!error.isEmpty()) {
        std::fprintf(stderr, "CAN nodes: %s\n", qPrintable(error));
        return 1;
    }
    nodes.command(QStringLiteral("@5 late 150"));
    CanLink link(CanLinkConfig::fromEnvironment());
    CanScanProbe can(&link);
    scan("can", can, 127, {1, 5, 127});
    return 0;
}
