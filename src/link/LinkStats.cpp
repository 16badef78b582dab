#include "link/LinkStats.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace linkstats {

namespace {

constexpr size_t kErrorTextSize = 96;

} // namespace

struct LinkStats::Table {
    uint64_t requests = 0;
    std::array<uint64_t, frames::kVerdictCount> verdicts{};
    uint64_t lateBytes = 0;
    uint64_t duplicateBytes = 0;
    uint64_t linkErrors = 0;
    std::array<RefusalCount, kRefusalCodes> refusals{};
    size_t refusalCodes = 0;
    // Round trips in microseconds; `next` is where the next one goes, `filled` how many are valid.
    std::array<uint32_t, kRoundTrips> roundTrips{};
    size_t next = 0;
    size_t filled = 0;
    // The last error: a verdict and its code, or a text of the port's (when `text` is not empty).
    frames::Verdict lastVerdict = frames::Verdict::Ok;
    uint32_t lastCode = 0;
    int lastOther = -1;
    std::array<char, kErrorTextSize> text{};
    qint64 lastErrorMs = 0;
};

LinkStats::LinkStats() = default;
LinkStats::~LinkStats() = default;

LinkStats::Table &LinkStats::table(uint8_t address) {
    std::unique_ptr<Table> &slot = m_tables[address];
    if (!slot)
        slot = std::make_unique<Table>();
    return *slot;
}

void LinkStats::exchanged(uint8_t address, const frames::Judgement &judgement,
                          std::chrono::microseconds roundTrip) {
    const qint64 now = judgement.verdict == frames::Verdict::Ok ? 0 : QDateTime::currentMSecsSinceEpoch();
    std::lock_guard<std::mutex> lock(m_mutex);
    Table &t = table(address);
    ++t.requests;
    ++t.verdicts[static_cast<size_t>(judgement.verdict)];
    if (judgement.verdict != frames::Verdict::TimedOut) {
        t.roundTrips[t.next] = static_cast<uint32_t>(std::clamp<int64_t>(roundTrip.count(), 0, UINT32_MAX));
        t.next = (t.next + 1) % kRoundTrips;
        t.filled = std::min(t.filled + 1, kRoundTrips);
    }
    if (judgement.verdict == frames::Verdict::Refused) {
        auto *end = t.refusals.begin() + static_cast<long>(t.refusalCodes);
        auto *found = std::find_if(t.refusals.begin(), end,
                                   [&](const RefusalCount &r) { return r.code == judgement.code; });
        if (found != end)
            ++found->count;
        else if (t.refusalCodes < kRefusalCodes)
            t.refusals[t.refusalCodes++] = {judgement.code, 1};
    }
    if (judgement.verdict != frames::Verdict::Ok) {
        t.lastVerdict = judgement.verdict;
        t.lastCode = judgement.code;
        t.lastOther = judgement.otherAddress;
        t.text[0] = '\0';
        t.lastErrorMs = now;
    }
}

void LinkStats::discarded(uint8_t address, frames::Verdict verdict, size_t bytes) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::lock_guard<std::mutex> lock(m_mutex);
    Table &t = table(address);
    ++t.verdicts[static_cast<size_t>(verdict)];
    (verdict == frames::Verdict::Duplicate ? t.duplicateBytes : t.lateBytes) += bytes;
    t.lastVerdict = verdict;
    t.lastCode = static_cast<uint32_t>(bytes);
    t.text[0] = '\0';
    t.lastErrorMs = now;
}

void LinkStats::linkFailed(uint8_t address, const char *text) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::lock_guard<std::mutex> lock(m_mutex);
    Table &t = table(address);
    ++t.linkErrors;
    std::strncpy(t.text.data(), text ? text : "link failed", t.text.size() - 1);
    t.text.back() = '\0';
    t.lastErrorMs = now;
}

namespace {

// The value below which `share` of the sorted round trips lie (nearest rank), in ms.
double rankMs(const std::vector<uint32_t> &sorted, double share) {
    const size_t rank = static_cast<size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1] / 1000.0;
}

QString errorText(frames::Verdict verdict, uint32_t code, int other) {
    switch (verdict) {
    case frames::Verdict::Refused:
        return QCoreApplication::translate("frames", "refused, code 0x%1").arg(code, 0, 16);
    case frames::Verdict::OtherId:
        return QCoreApplication::translate("frames", "answer from id %1").arg(other);
    case frames::Verdict::Late:
        return QCoreApplication::translate("frames", "%1 late bytes discarded").arg(code);
    case frames::Verdict::Duplicate:
        return QCoreApplication::translate("frames", "%1 bytes of a second answer discarded").arg(code);
    default:
        return QCoreApplication::translate("frames", frames::verdictKey(verdict));
    }
}

} // namespace

Snapshot LinkStats::snapshot(uint8_t address) const {
    Snapshot s;
    s.address = address;
    std::vector<uint32_t> trips;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Table *t = m_tables[address].get();
        if (!t)
            return s;
        s.requests = t->requests;
        s.verdicts = t->verdicts;
        s.lateBytes = t->lateBytes;
        s.duplicateBytes = t->duplicateBytes;
        s.linkErrors = t->linkErrors;
        s.refusals.assign(t->refusals.begin(), t->refusals.begin() + static_cast<long>(t->refusalCodes));
        trips.assign(t->roundTrips.begin(), t->roundTrips.begin() + static_cast<long>(t->filled));
        s.lastVerdict = t->lastVerdict;
        s.lastErrorMs = t->lastErrorMs;
        if (t->lastErrorMs != 0)
            s.lastError = t->text[0] != '\0' ? QString::fromUtf8(t->text.data())
                                             : errorText(t->lastVerdict, t->lastCode, t->lastOther);
    }
    s.roundTrips = static_cast<int>(trips.size());
    if (!trips.empty()) {
        std::sort(trips.begin(), trips.end());
        s.medianMs = rankMs(trips, 0.5);
        s.p99Ms = rankMs(trips, 0.99);
    }
    return s;
}

std::vector<Snapshot> LinkStats::all() const {
    std::vector<Snapshot> result;
    for (int address = 0; address < 256; ++address) {
        bool used = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            used = m_tables[static_cast<size_t>(address)] != nullptr;
        }
        if (used)
            result.push_back(snapshot(static_cast<uint8_t>(address)));
    }
    return result;
}

void LinkStats::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &t : m_tables)
        t.reset();
}

} // namespace linkstats
