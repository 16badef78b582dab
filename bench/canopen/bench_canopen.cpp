// CANopen figures on the Qt virtual CAN bus with simulated nodes in this process:
//   sdo_read_roundtrip_median_us / _p99_us  one SDO read (request, reply, match) from the calling thread
//   ad_samples_per_s_per_node_<n>nodes      AD values delivered per node and second, n nodes polled at 100 ms
// Output: name=value lines.
#include "CanSimHost.h"
#include "device/canopen/CANOpenAmplifier.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRoundTrips = 1000;
constexpr int kPollIntervalMs = 100;
constexpr int kPollSeconds = 5;

void print(const char *name, double value) {
    std::printf("%s=%.1f\n", name, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));

    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "no free port\n");
        return 1;
    }
    const QString iface = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
    probe.close();

    CanSimHost nodes;
    QString error;
    if (!nodes.start(QStringLiteral("virtualcan"), iface, {1, 2, 3, 4, 5, 6, 7, 8}, &error)) {
        std::fprintf(stderr, "simulated nodes did not start: %s\n", qPrintable(error));
        return 1;
    }

    CanLink link(CanLinkConfig{QStringLiteral("virtualcan"), iface});
    {
        CANOpenAmplifier amp(QStringLiteral("Model"), QString(), 0, 1, &link);
        amp.connect();
        if (!amp.isConnected()) {
            std::fprintf(stderr, "amplifier did not connect\n");
            return 1;
        }
        std::vector<double> micros;
        micros.reserve(kRoundTrips);
        const sdo::Bytes request = sdo::measuringValueRequest();
        for (int i = 0; i < kRoundTrips; ++i) {
            QElapsedTimer clock;
            clock.start();
            const std::vector<uint8_t> reply = amp.sendCommandWithResponse(request);
            micros.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000.0);
            if (reply.size() != 8) {
                std::fprintf(stderr, "round trip %d failed\n", i);
                return 1;
            }
        }
        std::sort(micros.begin(), micros.end());
        print("sdo_read_roundtrip_median_us", micros[micros.size() / 2]);
        print("sdo_read_roundtrip_p99_us", micros[micros.size() * 99 / 100]);
    }

    for (int count : {1, 4, 8}) {
        std::vector<std::unique_ptr<CANOpenAmplifier>> amps;
        std::vector<std::unique_ptr<std::atomic<int>>> samples;
        std::atomic<int> errors{0};
        for (int i = 0; i < count; ++i) {
            auto amp = std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0,
                                                          static_cast<uint8_t>(i + 1), &link);
            amp->connect();
            samples.push_back(std::make_unique<std::atomic<int>>(0));
            std::atomic<int> *counter = samples.back().get();
            // Direct connections: counted on the worker threads, no event loop needed.
            QObject::connect(amp.get(), &CANOpenAmplifier::adValueReceived,
                             [counter](uint32_t) { ++*counter; });
            QObject::connect(amp.get(), &CANOpenAmplifier::readErrorOccurred,
                             [&errors](const QString &) { ++errors; });
            amps.push_back(std::move(amp));
        }
        for (auto &amp : amps)
            amp->startContinuousADRead(kPollIntervalMs);
        QThread::sleep(kPollSeconds);
        for (auto &amp : amps)
            amp->stopContinuousADRead();
        int total = 0;
        int lowest = samples.front()->load();
        for (auto &counter : samples) {
            total += counter->load();
            lowest = std::min(lowest, counter->load());
        }
        const double perNode = static_cast<double>(total) / count / kPollSeconds;
        const QByteArray name = QStringLiteral("ad_samples_per_s_per_node_%1nodes").arg(count).toUtf8();
        const QByteArray lowName =
            QStringLiteral("ad_samples_per_s_slowest_node_%1nodes").arg(count).toUtf8();
        const QByteArray errorName = QStringLiteral("ad_read_errors_%1nodes").arg(count).toUtf8();
        print(name.constData(), perNode);
        print(lowName.constData(), static_cast<double>(lowest) / kPollSeconds);
        print(errorName.constData(), errors.load());
    }
    return 0;
}
