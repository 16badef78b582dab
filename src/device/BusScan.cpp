#include "device/BusScan.h"

#include "device/ProtocolFacts.h"

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

    // Later news about an id only ever makes it a duplicate: a late answer confirmed again is the same one.
    auto record = [&](const ProbeResult &result) {
        using Kind = ProbeResult::Kind;
        if (result.kind == Kind::Garbled) {
            ++outcome.garbled;
            if (callbacks.garbled)
                callbacks.garbled(result.id, result.detail);
            return;
        }
        if (result.kind == Kind::Silent)
            return;
        const bool duplicate = result.kind == Kind::Duplicate;
        auto known = std::find_if(outcome.findings.begin(), outcome.findings.end(),
                                  [&](const Finding &f) { return f.id == result.id; });
        if (known != outcome.findings.end()) {
            if (!duplicate || known->duplicate)
                return;
            known->duplicate = true;
            if (callbacks.found)
                callbacks.found(*known);
            return;
        }
        Finding finding{result.id,     result.kind == Kind::Refused, duplicate, result.adValue, result.detail,
                        result.delayMs};
        outcome.findings.push_back(finding);
        ++progress.found;
        if (callbacks.found)
            callbacks.found(finding);
    };
    auto report = [&](const std::vector<ProbeResult> &results, bool countProbe) {
        const std::lock_guard<std::mutex> lock(reportMutex);
        if (countProbe)
            ++progress.probed;
        for (const ProbeResult &result : results)
            record(result);
        if (callbacks.progress)
            callbacks.progress(progress);
    };
    auto onlyGarbled = [](int id, const std::vector<ProbeResult> &results) {
        bool garbled = false;
        for (const ProbeResult &result : results) {
            if (result.id == id && result.kind != ProbeResult::Kind::Garbled)
                return false;
            garbled = garbled || (result.id == id && result.kind == ProbeResult::Kind::Garbled);
        }
        return garbled;
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
            std::vector<ProbeResult> results;
            try {
                for (int attempt = 0; attempt < std::max(1, probe.attempts()); ++attempt) {
                    std::vector<ProbeResult> heard = probe.probe(id, keepRunning);
                    const bool again = onlyGarbled(id, heard) && keepRunning.load();
                    results.insert(results.end(), heard.begin(), heard.end());
                    if (!again)
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
            if (!keepRunning.load() && results.empty())
                return;
            // A retry that got through makes the garbled first look moot.
            if (!onlyGarbled(id, results))
                results.erase(std::remove_if(results.begin(), results.end(),
                                             [id](const ProbeResult &r) {
                                                 return r.id == id && r.kind == ProbeResult::Kind::Garbled;
                                             }),
                              results.end());
            report(results, true);
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
    if (going.load() && keepRunning.load()) {
        try {
            report(probe.drain(keepRunning), false);
        } catch (const std::exception &error) {
            outcome.error = QString::fromUtf8(error.what());
        }
    }
    probe.end();

    std::sort(outcome.findings.begin(), outcome.findings.end(),
              [](const Finding &a, const Finding &b) { return a.id < b.id; });
    outcome.cancelled = outcome.error.isEmpty() && progress.probed < progress.total;
    return outcome;
}

std::pair<int, int> idRange(const QString &protocol) {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    if (!facts || !facts->capabilities.scan)
        return {0, 0};
    return {facts->firstId, facts->lastId};
}

} // namespace busscan
