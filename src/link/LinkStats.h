#pragma once

#include "protocol/FrameDecoder.h"

#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// How exchanges with each address (Modbus) or node (CANopen) of one link went: fixed counters, the round
// trips of the last 1,000 exchanges, the last error. Counted where the exchange happens; nothing is allocated
// per exchange (an address's table is made once, at its first exchange).
namespace linkstats {

constexpr size_t kRoundTrips = 1000;
// Distinct exception or abort codes kept per address; a further code counts among the refusals only.
constexpr size_t kRefusalCodes = 8;

struct RefusalCount {
    uint32_t code = 0;
    uint64_t count = 0;
};

// A copy of one address's statistics.
struct Snapshot {
    int address = -1;
    uint64_t requests = 0;
    std::array<uint64_t, frames::kVerdictCount> verdicts{}; // exchanges ending so, and Late/Duplicate events
    uint64_t lateBytes = 0;             // bytes discarded by the settle before a request (Late)
    uint64_t duplicateBytes = 0;        // bytes of second answers discarded (Duplicate)
    uint64_t linkErrors = 0;            // writes or reads the operating system failed
    std::vector<RefusalCount> refusals; // by code, in the order first seen
    int roundTrips = 0;   // how many round trips the median and p99 are over (at most kRoundTrips)
    double medianMs = -1; // -1 when no round trip is known
    double p99Ms = -1;
    QString lastError;      // "" when none
    qint64 lastErrorMs = 0; // ms since the epoch
    frames::Verdict lastVerdict = frames::Verdict::Ok;

    uint64_t count(frames::Verdict verdict) const { return verdicts[static_cast<size_t>(verdict)]; }
    uint64_t good() const { return count(frames::Verdict::Ok); }
};

class LinkStats {
public:
    LinkStats();
    ~LinkStats();
    LinkStats(const LinkStats &) = delete;
    LinkStats &operator=(const LinkStats &) = delete;

    // One exchange with `address` ended with `judgement`; `roundTrip` from the request's write to the
    // answer's end (a time-out's is not kept among the round trips).
    void exchanged(uint8_t address, const frames::Judgement &judgement, std::chrono::microseconds roundTrip);
    // Bytes discarded before a request: Late (the settle) or Duplicate (a second device's answer), with the
    // address they are laid to.
    void discarded(uint8_t address, frames::Verdict verdict, size_t bytes);
    // The port failed a write or a read; `text` is kept as the last error (cut to a fixed length).
    void linkFailed(uint8_t address, const char *text);

    Snapshot snapshot(uint8_t address) const;
    // Every address that has exchanged something, by address.
    std::vector<Snapshot> all() const;
    void clear();

private:
    struct Table;
    Table &table(uint8_t address); // lock held
    mutable std::mutex m_mutex;
    std::array<std::unique_ptr<Table>, 256> m_tables;
};

} // namespace linkstats
