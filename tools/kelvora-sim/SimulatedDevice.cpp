#include "SimulatedDevice.h"

#include "protocol/ModbusFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

constexpr uint8_t kIllegalFunction = 0x01;
constexpr uint8_t kIllegalDataValue = 0x03;
constexpr int kDefaultLateMs = 300;
constexpr size_t kMaxLogEntries = 1024;

void appendCrc(std::vector<uint8_t> &frame) {
    const uint16_t crc = modbus::crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

uint16_t word(const std::vector<uint8_t> &bytes, size_t at) {
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

uint32_t clampToAd(int64_t value) {
    return static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 0xFFFFFFFFLL));
}

std::vector<uint8_t> exceptionAnswer(uint8_t address, uint8_t function, uint8_t code) {
    std::vector<uint8_t> frame{address, static_cast<uint8_t>(function | modbus::kExceptionFlag), code};
    appendCrc(frame);
    return frame;
}

} // namespace

bool parseFault(const std::string &name, Fault &fault) {
    static const std::map<std::string, Fault> kNames = {
        {"none", Fault::None},      {"silence", Fault::Silence},     {"truncate", Fault::Truncate},
        {"bad-crc", Fault::BadCrc}, {"exception", Fault::Exception}, {"garbage", Fault::Garbage},
        {"late", Fault::Late},      {"other-id", Fault::OtherId},    {"low16", Fault::Low16},
        {"random", Fault::Random},
    };
    const auto it = kNames.find(name);
    if (it == kNames.end())
        return false;
    fault = it->second;
    return true;
}

bool parseFaultScope(const std::string &name, FaultScope &scope) {
    static const std::map<std::string, FaultScope> kNames = {
        {"all", FaultScope::All}, {"reads", FaultScope::Reads}, {"writes", FaultScope::Writes}};
    const auto it = kNames.find(name);
    if (it == kNames.end())
        return false;
    scope = it->second;
    return true;
}

const std::vector<Fault> &answerFaults() {
    static const std::vector<Fault> kFaults = {Fault::Silence,   Fault::Truncate, Fault::BadCrc,
                                               Fault::Exception, Fault::Garbage,  Fault::Late,
                                               Fault::OtherId};
    return kFaults;
}

std::string hex(const std::vector<uint8_t> &bytes) {
    std::string text;
    char pair[3];
    for (uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

SimulatedDevice::SimulatedDevice(uint8_t id, uint32_t seed, int answerDelayMs)
    : m_id(id)
    , m_answerDelayMs(answerDelayMs)
    , m_random(seed ^ (uint32_t{id} * 2654435761u)) {
    // A two-point calibration: AD 100000 is empty, AD 600000 is 5000.00 g. The default load reads
    // 1500.00 g and its AD value lies inside the range the self-test accepts.
    m_registers = {
        {kZeroOffset, 0},
        {kPointCount, 2},
        {0x0007, 0},
        {kPointAd, 100000},
        {0x0009, 0},
        {kPointAd + 2, 600000},
        {kReadOnlyParameter, 0x00010203},
        {kPointWeight, 0},
        {kPointWeight + 2, 500000},
        {0x0034, 1},
        {0x0056, 2},
        {0x0058, 100},
        {0x005C, 10},
        {0x005E, 1000},
        {0x0060, 10},
        {0x0064, 1},
    };
}

uint32_t SimulatedDevice::stored(uint16_t reg) const {
    if (m_wordFile && reg != kReadOnlyParameter) {
        const auto word = [this](uint16_t at) {
            const auto it = m_words.find(at);
            return it == m_words.end() ? uint32_t{0} : uint32_t{it->second};
        };
        return (word(reg) << 16) | word(static_cast<uint16_t>(reg + 1));
    }
    const auto it = m_registers.find(reg);
    return it == m_registers.end() ? 0 : it->second;
}

void SimulatedDevice::store(uint16_t reg, uint32_t value) {
    if (m_wordFile && reg != kReadOnlyParameter) {
        m_words[reg] = static_cast<uint16_t>(value >> 16);
        m_words[static_cast<uint16_t>(reg + 1)] = static_cast<uint16_t>(value & 0xFFFF);
        return;
    }
    m_registers[reg] = value;
}

void SimulatedDevice::setWordFile(bool on) {
    if (on == m_wordFile)
        return;
    if (on) {
        // The test registers 0x0007 and 0x0009 are views into their neighbours' words there.
        m_words.clear();
        for (const auto &[reg, value] : m_registers) {
            if (reg == 0x0007 || reg == 0x0009 || reg == kReadOnlyParameter)
                continue;
            m_words[reg] = static_cast<uint16_t>(value >> 16);
            m_words[static_cast<uint16_t>(reg + 1)] = static_cast<uint16_t>(value & 0xFFFF);
        }
    } else {
        std::map<uint16_t, uint32_t> pairs;
        for (const auto &entry : m_registers)
            pairs[entry.first] = stored(entry.first);
        m_registers = pairs;
    }
    m_wordFile = on;
}

void SimulatedDevice::refuseWrite(uint16_t reg, int kth, int count) {
    if (count <= 0 || kth <= 0)
        m_refusals.erase(reg);
    else
        m_refusals[reg] = Refusal{kth - 1, count};
}

bool SimulatedDevice::refusesWrite(uint16_t reg) {
    const auto it = m_refusals.find(reg);
    if (it == m_refusals.end())
        return false;
    Refusal &refusal = it->second;
    if (refusal.untilFirst > 0) {
        --refusal.untilFirst;
        return false;
    }
    if (--refusal.count == 0)
        m_refusals.erase(it);
    return true;
}

void SimulatedDevice::setLoad(uint32_t ad, Clock::time_point now) {
    // Without settling the value is at rest at once; a settling time set later starts from there.
    m_fromAd = m_settleMs == 0 && m_creepCounts == 0 ? static_cast<double>(ad) : restingAd(now);
    m_changedAt = now;
    m_loadAd = ad;
    m_steps.clear();
}

double SimulatedDevice::restingAd(Clock::time_point now) const {
    const double target = m_loadAd;
    if (m_settleMs == 0 && m_creepCounts == 0)
        return target;
    const double elapsedMs =
        static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(now - m_changedAt).count());
    const double settled =
        m_settleMs == 0 ? target : target + (m_fromAd - target) * std::exp(-elapsedMs / m_settleMs);
    const double direction = target > m_fromAd ? 1.0 : (target < m_fromAd ? -1.0 : 0.0);
    return settled + direction * m_creepCounts * (1.0 - std::exp(-elapsedMs / m_creepMs));
}

void SimulatedDevice::setSteps(std::vector<uint32_t> levels, int periodMs, Clock::time_point now) {
    m_steps = std::move(levels);
    m_stepMs = std::max(1, periodMs);
    m_stepsStart = now;
}

uint32_t SimulatedDevice::rawAd(Clock::time_point now) {
    int64_t ad = std::llround(restingAd(now));
    if (!m_steps.empty()) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - m_stepsStart).count();
        ad = m_steps[static_cast<size_t>(elapsed / m_stepMs) % m_steps.size()];
    }
    if (m_noise > 0) {
        std::uniform_int_distribution<int64_t> noise(-int64_t{m_noise}, int64_t{m_noise});
        ad += noise(m_random);
    }
    return clampToAd(ad);
}

// Weight in hundredths of a gram through the calibration points: straight lines between neighbouring
// points (sorted by AD value), extended beyond the first and the last.
int32_t SimulatedDevice::weightFromAd(uint32_t ad) const {
    const int count = static_cast<int>(std::clamp<uint32_t>(stored(kPointCount), 1, kMaxPoints));
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < count; ++i) {
        const auto offset = static_cast<uint16_t>(2 * i);
        const double weight =
            i == 0 ? 0.0 : static_cast<int32_t>(stored(static_cast<uint16_t>(kPointWeight + offset)));
        points.emplace_back(static_cast<double>(stored(static_cast<uint16_t>(kPointAd + offset))), weight);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end(),
                             [](const auto &a, const auto &b) { return a.first == b.first; }),
                 points.end());
    if (points.size() < 2)
        return static_cast<int32_t>(std::lround(points.front().second));
    size_t segment = 0;
    while (segment + 2 < points.size() && ad > points[segment + 1].first)
        ++segment;
    const auto &[ad0, w0] = points[segment];
    const auto &[ad1, w1] = points[segment + 1];
    const double weight = w0 + (static_cast<double>(ad) - ad0) * (w1 - w0) / (ad1 - ad0);
    return static_cast<int32_t>(std::clamp(std::round(weight), -2147483648.0, 2147483647.0));
}

uint32_t SimulatedDevice::measuringValue(Clock::time_point now) {
    if (m_pinned)
        return m_pinnedValue;
    const int64_t value =
        int64_t{weightFromAd(rawAd(now))} - static_cast<int32_t>(stored(kZeroOffset)) - m_tare;
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

uint32_t SimulatedDevice::readValue(uint16_t reg, Clock::time_point now, bool countAsRead) {
    const bool live = reg == kMeasuringValue || reg == kRawAd;
    if (live && m_idEncoding) {
        // id in the top byte, the register's low byte next, a counter below: an answer that belongs to
        // another device, another register or an earlier request gives itself away.
        const uint32_t counter = countAsRead ? ++m_readCounter : m_readCounter;
        return (uint32_t{m_id} << 24) | (uint32_t{static_cast<uint8_t>(reg & 0xFF)} << 16) |
               (counter & 0xFFFF);
    }
    if (reg == kMeasuringValue)
        return measuringValue(now);
    if (reg == kRawAd)
        return rawAd(now);
    return stored(reg);
}

uint32_t SimulatedDevice::peek(uint16_t reg, Clock::time_point now) {
    return readValue(reg, now, false);
}

void SimulatedDevice::set(uint16_t reg, uint32_t value) {
    if (reg == kRawAd) {
        setLoad(value);
    } else if (reg == kMeasuringValue) {
        m_pinned = true;
        m_pinnedValue = value;
    } else {
        store(reg, value);
    }
}

void SimulatedDevice::write(uint16_t reg, uint32_t value, Clock::time_point now) {
    if (m_low16 && (m_low16AllRegisters || reg == m_low16Register))
        value &= 0xFFFF;
    switch (reg) {
    case kRawAd:
    case kReadOnlyParameter:
        return; // read-only: the write is answered but changes nothing
    case kMeasuringValue:
        // Writing 0 switches tare on (the present weight becomes the tare); anything else switches it off.
        m_pinned = false;
        if (value == 0)
            m_tare = static_cast<int32_t>(int64_t{weightFromAd(rawAd(now))} -
                                          static_cast<int32_t>(stored(kZeroOffset)));
        else
            m_tare = 0;
        return;
    default:
        store(reg, value);
    }
}

void SimulatedDevice::setFault(Fault fault, double argument, bool hasArgument) {
    switch (fault) {
    case Fault::None:
        m_fault = Fault::None;
        m_randomRate = 0;
        m_low16 = false;
        break;
    case Fault::Low16:
        m_low16 = true;
        m_low16AllRegisters = !hasArgument;
        m_low16Register = static_cast<uint16_t>(argument);
        break;
    case Fault::Random:
        m_fault = Fault::None;
        m_randomRate = hasArgument ? std::clamp(argument, 0.0, 1.0) : 0.05;
        break;
    default:
        m_fault = fault;
        m_faultArgument = argument;
        m_faultHasArgument = hasArgument;
        m_randomRate = 0;
    }
}

void SimulatedDevice::record(const std::vector<uint8_t> &bytes) {
    if (m_log.size() < kMaxLogEntries)
        m_log.push_back(hex(bytes));
}

uint64_t SimulatedDevice::readFaultCount(uint16_t reg) const {
    const auto it = m_readFaults.find(reg);
    return it == m_readFaults.end() ? 0 : it->second;
}

std::vector<std::string> SimulatedDevice::takeLog() {
    std::vector<std::string> log;
    log.swap(m_log);
    return log;
}

void SimulatedDevice::hearText(const std::string &line) {
    std::vector<uint8_t> bytes(line.begin(), line.end());
    bytes.push_back(0x0A);
    record(bytes);
}

void SimulatedDevice::damage(Fault fault, double argument, bool hasArgument, Answer &answer) {
    std::vector<uint8_t> &bytes = answer.bytes;
    switch (fault) {
    case Fault::Truncate: {
        const size_t keep =
            hasArgument ? static_cast<size_t>(argument) : (bytes.size() > 4 ? bytes.size() - 4 : 1);
        bytes.resize(std::min(bytes.size(), keep));
        break;
    }
    case Fault::BadCrc:
        bytes.back() ^= 0x5A;
        break;
    case Fault::Exception:
        bytes = exceptionAnswer(bytes[0], bytes[1], hasArgument ? static_cast<uint8_t>(argument) : 0x02);
        break;
    case Fault::Garbage: {
        const size_t count = hasArgument ? static_cast<size_t>(argument) : 3;
        std::uniform_int_distribution<int> junk(0, 255);
        std::vector<uint8_t> prefix(count);
        for (uint8_t &byte : prefix)
            byte = static_cast<uint8_t>(junk(m_random));
        bytes.insert(bytes.begin(), prefix.begin(), prefix.end());
        break;
    }
    case Fault::Late:
        answer.delayMs = hasArgument ? static_cast<int>(argument) : kDefaultLateMs;
        break;
    case Fault::OtherId:
        bytes.resize(bytes.size() - 2);
        bytes[0] = hasArgument ? static_cast<uint8_t>(argument) : static_cast<uint8_t>(m_id % 247 + 1);
        appendCrc(bytes);
        break;
    default:
        break;
    }
}

bool SimulatedDevice::handle(const std::vector<uint8_t> &request, Clock::time_point now, Answer &answer) {
    ++m_requests;
    Fault fault = m_fault;
    double argument = m_faultArgument;
    bool hasArgument = m_faultHasArgument;
    if (fault == Fault::None && m_randomRate > 0 && !m_randomKinds.empty()) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        if (chance(m_random) < m_randomRate) {
            std::uniform_int_distribution<size_t> pick(0, m_randomKinds.size() - 1);
            fault = m_randomKinds[pick(m_random)];
            hasArgument = false;
            argument = 0;
        }
    }
    const bool inScope = m_faultScope == FaultScope::All ||
                         (m_faultScope == FaultScope::Reads && request[1] == modbus::kReadFunction) ||
                         (m_faultScope == FaultScope::Writes && request[1] == modbus::kWriteFunction);
    if (!inScope)
        fault = Fault::None;
    if (request[1] == modbus::kWriteFunction && refusesWrite(word(request, 2))) {
        fault = Fault::Exception;
        hasArgument = false;
    }
    if (fault != Fault::None) {
        ++m_faults;
        if (request[1] == modbus::kReadFunction)
            ++m_readFaults[word(request, 2)];
    }
    if (fault == Fault::Silence)
        return false;

    const uint8_t function = request[1];
    answer.delayMs = m_answerDelayMs;
    if (function == modbus::kReadFunction) {
        const uint16_t reg = word(request, 2);
        if (word(request, 4) != 2) {
            answer.bytes = exceptionAnswer(m_id, function, kIllegalDataValue);
        } else {
            const uint32_t value = readValue(reg, now, true);
            answer.bytes = {m_id,
                            function,
                            4,
                            static_cast<uint8_t>(value >> 24),
                            static_cast<uint8_t>(value >> 16),
                            static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value)};
            appendCrc(answer.bytes);
        }
    } else if (function == modbus::kWriteFunction) {
        record(request);
        const uint16_t reg = word(request, 2);
        if (word(request, 4) != 2 || request[6] != 4) {
            answer.bytes = exceptionAnswer(m_id, function, kIllegalDataValue);
        } else {
            const uint32_t value = (uint32_t{request[7]} << 24) | (uint32_t{request[8]} << 16) |
                                   (uint32_t{request[9]} << 8) | uint32_t{request[10]};
            // A refused write changes nothing; the other faults damage only the answer.
            if (fault != Fault::Exception)
                write(reg, value, now);
            answer.bytes.assign(request.begin(), request.begin() + 6);
            appendCrc(answer.bytes);
        }
    } else {
        answer.bytes = exceptionAnswer(m_id, function, kIllegalFunction);
    }
    damage(fault, argument, hasArgument, answer);
    return true;
}

} // namespace sim
