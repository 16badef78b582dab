#include "amplifiers/BusScan.h"

#include "amplifiers/canopen/CanScanProbe.h"
#include "amplifiers/rs485/Rs485ScanProbe.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>

namespace busscan {

Outcome run(Probe &probe, int first, int last, const std::atomic<bool> &keepRunning,
            const Callbacks &callbacks) {
    Outcome outcome;
    if (!probe.begin(&outcome.error))
        return outcome;
    outcome.ran = true;

    Progress progress;
    progress.total = std::max(0, last - first + 1);
    std::atomic<int> next{first};
    // Cleared on cancel or when the link fails, so that every worker stops after its probe.
    std::atomic<bool> going{keepRunning.load()};
    std::mutex reportMutex;

    auto report = [&](int id, const ProbeResult &result) {
        const std::lock_guard<std::mutex> lock(reportMutex);
        ++progress.probed;
        if (result.kind == ProbeResult::Kind::Found || result.kind == ProbeResult::Kind::Refused) {
            Finding finding{id, result.kind == ProbeResult::Kind::Refused, result.adValue, result.detail};
            outcome.findings.push_back(finding);
            ++progress.found;
            if (callbacks.found)
                callbacks.found(finding);
        } else if (result.kind == ProbeResult::Kind::Garbled) {
            ++outcome.garbled;
            if (callbacks.garbled)
                callbacks.garbled(id, result.detail);
        }
        if (callbacks.progress)
            callbacks.progress(progress);
    };
    auto work = [&] {
        for (;;) {
            if (!keepRunning.load())
                going = false;
            if (!going.load())
                return;
            const int id = next.fetch_add(1);
            if (id > last)
                return;
            ProbeResult result;
            try {
                for (int attempt = 0; attempt < std::max(1, probe.attempts()); ++attempt) {
                    result = probe.probe(id, keepRunning);
                    if (result.kind != ProbeResult::Kind::Garbled || !keepRunning.load())
                        break;
                }
            } catch (const std::exception &error) {
                const std::lock_guard<std::mutex> lock(reportMutex);
                if (outcome.error.isEmpty())
                    outcome.error = QString::fromUtf8(error.what());
                going = false;
                return;
            }
            // A probe cut short by a cancel has seen nothing worth counting.
            if (!keepRunning.load() && result.kind == ProbeResult::Kind::Silent)
                return;
            report(id, result);
        }
    };

    const int helpers = std::max(0, std::min(probe.parallelism(), progress.total) - 1);
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(helpers));
    for (int i = 0; i < helpers; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
    probe.end();

    std::sort(outcome.findings.begin(), outcome.findings.end(),
              [](const Finding &a, const Finding &b) { return a.id < b.id; });
    outcome.cancelled = outcome.error.isEmpty() && progress.probed < progress.total;
    return outcome;
}

std::unique_ptr<Probe> makeProbe(const QString &protocol, const QString &port, uint32_t baudRate,
                                 RS485Bus *bus) {
    if (protocol == QLatin1String("RS485"))
        return std::make_unique<Rs485ScanProbe>(bus, port, baudRate);
    if (protocol == QLatin1String("CANOpen"))
        return std::make_unique<CanScanProbe>();
    return nullptr;
}

std::pair<int, int> idRange(const QString &protocol) {
    if (protocol == QLatin1String("RS485"))
        return {1, 247};
    if (protocol == QLatin1String("CANOpen"))
        return {1, 127};
    return {0, 0};
}

} // namespace busscan
