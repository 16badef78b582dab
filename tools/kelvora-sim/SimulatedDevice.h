#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;

// Ways a device can misbehave, switchable at run time.
enum class Fault {
    None,
    Silence,   // ignores requests: nothing is applied, nothing answered
    Truncate,  // answers only the first bytes (argument: how many, default all but four)
    BadCrc,    // answers with a corrupted checksum
    Exception, // answers with a Modbus exception (argument: the code, default 02)
    Garbage,   // puts junk bytes before the answer (argument: how many, default 3)
    Late,      // answers after the reader's time-out (argument: milliseconds, default 300)
    OtherId,   // answers with another device's address and a valid checksum (argument: that address)
    Low16,     // stores only the low 16 bits of written values (argument: one register, default all)
    Random,    // hits a share of the requests with a random answer fault (argument: the share, 0..1)
};

// Which requests a fault hits: every one, or only reads (0x03) or only writes (0x10).
enum class FaultScope { All, Reads, Writes };

bool parseFault(const std::string &name, Fault &fault);
bool parseFaultScope(const std::string &name, FaultScope &scope);
// The answer faults a random choice picks from.
const std::vector<Fault> &answerFaults();

struct Answer {
    std::vector<uint8_t> bytes;
    int delayMs = 0;
};

// One amplifier on the line: its registers, its load and its faults. Registers are 32-bit values keyed
// by the address of the first register of their pair, as the amplifier's parameters are.
class SimulatedDevice {
public:
    static constexpr uint16_t kMeasuringValue = 0x0000;
    static constexpr uint16_t kZeroOffset = 0x0004;
    static constexpr uint16_t kPointCount = 0x0006;
    static constexpr uint16_t kPointAd = 0x0008;
    static constexpr uint16_t kReadOnlyParameter = 0x0011;
    static constexpr uint16_t kPointWeight = 0x001A;
    static constexpr uint16_t kRawAd = 0x1F40;
    static constexpr int kMaxPoints = 9;

    SimulatedDevice(uint8_t id, uint32_t seed, int answerDelayMs);

    uint8_t id() const { return m_id; }

    // A request addressed to this device whose checksum is right. Returns false when it stays silent.
    bool handle(const std::vector<uint8_t> &request, Clock::time_point now, Answer &answer);
    // A text line (such as "SPAN:5000") heard on the line, without its line feed.
    void hearText(const std::string &line);

    // What a read of `reg` returns now, without faults (the control "get"); does not count as a request.
    uint32_t peek(uint16_t reg, Clock::time_point now);
    // Sets a register directly. 0x1F40 sets a constant load; 0x0000 pins the measuring value.
    void set(uint16_t reg, uint32_t value);
    void unpinMeasuringValue() { m_pinned = false; }

    // A new load: with a settling time constant the AD value approaches it exponentially from where it
    // was, and with creep it keeps drifting further in the direction of the change for a while.
    void setLoad(uint32_t ad, Clock::time_point now = Clock::now());
    // Time constant of the settling in ms (0: the load is there at once).
    void setSettle(int timeConstantMs) { m_settleMs = std::max(0, timeConstantMs); }
    // After each load change the value creeps `counts` further with time constant `timeConstantMs`.
    void setCreep(uint32_t counts, int timeConstantMs) {
        m_creepCounts = counts;
        m_creepMs = std::max(1, timeConstantMs);
    }
    void setNoise(uint32_t amplitude) { m_noise = amplitude; }
    void setSteps(std::vector<uint32_t> levels, int periodMs, Clock::time_point now);
    void setFault(Fault fault, double argument, bool hasArgument);
    void setFaultScope(FaultScope scope) { m_faultScope = scope; }
    void setIdEncoding(bool on) { m_idEncoding = on; }
    // The faults a random choice picks from (default: answerFaults()).
    void setRandomKinds(std::vector<Fault> kinds) { m_randomKinds = std::move(kinds); }

    // The k-th write to `reg` from now on (1 = the next) and the `count` - 1 writes to it after that are
    // refused with Modbus exception 2 and change nothing; count 0 clears.
    void refuseWrite(uint16_t reg, int kth, int count);
    // A plain 16-bit register file: a 32-bit value at r is the words r and r + 1, so pairs that start at
    // neighbouring addresses overlap (0x0007 shares a word with 0x0006 and one with 0x0008).
    void setWordFile(bool on);

    uint64_t requestCount() const { return m_requests; }
    uint64_t faultCount() const { return m_faults; }
    // Faults injected into reads of `reg` only.
    uint64_t readFaultCount(uint16_t reg) const;
    // Write frames and text lines heard since the last call, as hex.
    std::vector<std::string> takeLog();

private:
    uint32_t rawAd(Clock::time_point now);
    // The AD value without noise: the load as far as it has settled, plus creep.
    double restingAd(Clock::time_point now) const;
    int32_t weightFromAd(uint32_t ad) const;
    uint32_t measuringValue(Clock::time_point now);
    uint32_t readValue(uint16_t reg, Clock::time_point now, bool countAsRead);
    void write(uint16_t reg, uint32_t value, Clock::time_point now);
    uint32_t stored(uint16_t reg) const;
    void store(uint16_t reg, uint32_t value);
    // Whether this write of `reg` is one that refuseWrite asked to refuse.
    bool refusesWrite(uint16_t reg);
    void damage(Fault fault, double argument, bool hasArgument, Answer &answer);
    void record(const std::vector<uint8_t> &bytes);

    uint8_t m_id;
    int m_answerDelayMs;
    std::mt19937 m_random;
    std::map<uint16_t, uint32_t> m_registers;

    uint32_t m_loadAd = 250000;
    uint32_t m_noise = 0;
    int m_settleMs = 0;
    uint32_t m_creepCounts = 0;
    int m_creepMs = 1;
    double m_fromAd = 250000; // where the value was when the load changed
    Clock::time_point m_changedAt;
    std::vector<uint32_t> m_steps;
    int m_stepMs = 0;
    Clock::time_point m_stepsStart;

    int32_t m_tare = 0;
    bool m_pinned = false;
    uint32_t m_pinnedValue = 0;

    Fault m_fault = Fault::None;
    FaultScope m_faultScope = FaultScope::All;
    double m_faultArgument = 0;
    bool m_faultHasArgument = false;
    double m_randomRate = 0;
    std::vector<Fault> m_randomKinds = answerFaults();
    bool m_low16 = false;
    bool m_low16AllRegisters = true;
    uint16_t m_low16Register = 0;

    struct Refusal {
        int untilFirst = 0; // writes to let through before refusing
        int count = 0;      // writes to refuse after that
    };
    std::map<uint16_t, Refusal> m_refusals;
    bool m_wordFile = false;
    std::map<uint16_t, uint16_t> m_words;

    bool m_idEncoding = false;
    uint32_t m_readCounter = 0;
    uint64_t m_requests = 0;
    uint64_t m_faults = 0;
    std::map<uint16_t, uint64_t> m_readFaults;
    std::vector<std::string> m_log;
};

std::string hex(const std::vector<uint8_t> &bytes);

} // namespace sim
