#include "SimulatedLine.h"

#include "protocol/ModbusFrames.h"

#include <algorithm>

namespace sim {

namespace {

// An unfinished request older than this is noise: a real request arrives in one piece.
constexpr auto kStaleInput = std::chrono::milliseconds(50);
constexpr size_t kWriteHeaderSize = 7;
constexpr size_t kMaxWriteDataSize = 246;
// Not the default load, so that a value taken from the twin's answer shows as such.
constexpr uint32_t kTwinLoad = 300000;

bool isText(uint8_t byte) {
    return (byte >= 0x20 && byte < 0x7F) || byte == '\r' || byte == '\t' || byte >= 0x80;
}

bool crcMatches(const std::vector<uint8_t> &bytes, size_t at, size_t size) {
    const uint16_t crc = modbus::crc16(bytes.data() + at, size - 2);
    return bytes[at + size - 2] == (crc & 0xFF) && bytes[at + size - 1] == (crc >> 8);
}

} // namespace

SimulatedLine::SimulatedLine(const std::vector<uint8_t> &ids, uint32_t seed, int answerDelayMs)
    : m_answerDelayMs(answerDelayMs) {
    for (uint8_t id : ids)
        m_devices.push_back(std::make_unique<SimulatedDevice>(id, seed, answerDelayMs));
}

SimulatedDevice *SimulatedLine::device(uint8_t id) {
    for (auto &device : m_devices) {
        if (device->id() == id)
            return device.get();
    }
    return nullptr;
}

std::vector<SimulatedDevice *> SimulatedLine::devices() {
    std::vector<SimulatedDevice *> all;
    for (auto &device : m_devices)
        all.push_back(device.get());
    return all;
}

void SimulatedLine::receive(const uint8_t *data, size_t size, Clock::time_point now) {
    m_input.insert(m_input.end(), data, data + size);
    m_lastInput = now;
    parse(now);
}

// Looks for a request or a text line starting at `at`.
SimulatedLine::Parse SimulatedLine::parseAt(size_t at, Clock::time_point now, bool dispatchIt) {
    const size_t available = m_input.size() - at;
    if (available < 2)
        return Parse::NeedMore;
    const uint8_t function = m_input[at + 1];
    if (function == modbus::kReadFunction || function == modbus::kWriteFunction) {
        size_t size = modbus::kReadRequestSize;
        bool plausible = true;
        if (function == modbus::kWriteFunction) {
            if (available < kWriteHeaderSize)
                return Parse::NeedMore;
            plausible = m_input[at + 6] <= kMaxWriteDataSize;
            size = kWriteHeaderSize + m_input[at + 6] + 2;
        }
        if (plausible) {
            if (available < size)
                return Parse::NeedMore;
            if (crcMatches(m_input, at, size)) {
                if (dispatchIt) {
                    const std::vector<uint8_t> request(m_input.begin() + static_cast<long>(at),
                                                       m_input.begin() + static_cast<long>(at + size));
                    m_input.erase(m_input.begin(), m_input.begin() + static_cast<long>(at + size));
                    dispatch(request, now);
                }
                return Parse::Consumed;
            }
        }
    }
    if (!isText(m_input[at]))
        return Parse::NotHere;
    for (size_t i = at; i < m_input.size(); ++i) {
        if (m_input[i] == '\n') {
            if (dispatchIt) {
                const std::string line(m_input.begin() + static_cast<long>(at),
                                       m_input.begin() + static_cast<long>(i));
                m_input.erase(m_input.begin(), m_input.begin() + static_cast<long>(i + 1));
                for (auto &device : m_devices)
                    device->hearText(line);
            }
            return Parse::Consumed;
        }
        if (!isText(m_input[i]))
            return Parse::NotHere;
    }
    return Parse::NeedMore;
}

void SimulatedLine::parse(Clock::time_point now) {
    while (!m_input.empty()) {
        const Parse here = parseAt(0, now, true);
        if (here == Parse::Consumed)
            continue;
        // Nothing whole at the start: if a complete request follows further on, what lies before it
        // was junk. Otherwise wait for more bytes, or skip one byte of junk.
        size_t next = 1;
        while (next < m_input.size() && parseAt(next, now, false) != Parse::Consumed)
            ++next;
        if (next < m_input.size()) {
            m_input.erase(m_input.begin(), m_input.begin() + static_cast<long>(next));
            continue;
        }
        if (here == Parse::NeedMore)
            return;
        m_input.erase(m_input.begin());
    }
}

void SimulatedLine::dispatch(const std::vector<uint8_t> &request, Clock::time_point now) {
    SimulatedDevice *target = device(request[0]);
    if (!target)
        return; // nobody with that address on the line: silence, as on a real bus
    dispatchToTwin(request, now);
    Answer answer;
    if (!target->handle(request, now, answer))
        return;
    schedule(now + std::chrono::milliseconds(answer.delayMs), std::move(answer.bytes));
}

void SimulatedLine::schedule(Clock::time_point due, std::vector<uint8_t> bytes) {
    const auto at = std::upper_bound(m_answers.begin(), m_answers.end(), due,
                                     [](Clock::time_point t, const Pending &p) { return t < p.due; });
    m_answers.insert(at, Pending{due, std::move(bytes)});
}

bool SimulatedLine::setTwin(uint8_t id, int delayMs) {
    if (!device(id))
        return false;
    m_twins.erase(std::remove_if(m_twins.begin(), m_twins.end(),
                                 [id](const Twin &twin) { return twin.device->id() == id; }),
                  m_twins.end());
    if (delayMs >= 0) {
        // Another unit of the same kind: same answer delay, its own load and registers.
        auto twin = std::make_unique<SimulatedDevice>(id, 0x7717u, m_answerDelayMs);
        twin->setLoad(kTwinLoad);
        m_twins.push_back(Twin{std::move(twin), delayMs});
    }
    return true;
}

void SimulatedLine::dispatchToTwin(const std::vector<uint8_t> &request, Clock::time_point now) {
    for (Twin &twin : m_twins) {
        Answer answer;
        if (twin.device->id() == request[0] && twin.device->handle(request, now, answer))
            schedule(now + std::chrono::milliseconds(answer.delayMs + twin.delayMs), std::move(answer.bytes));
    }
}

std::vector<std::vector<uint8_t>> SimulatedLine::takeDue(Clock::time_point now) {
    std::vector<std::vector<uint8_t>> due;
    while (!m_answers.empty() && m_answers.front().due <= now) {
        due.push_back(std::move(m_answers.front().bytes));
        m_answers.pop_front();
    }
    return due;
}

std::optional<Clock::time_point> SimulatedLine::nextWake() const {
    std::optional<Clock::time_point> wake;
    if (!m_answers.empty())
        wake = m_answers.front().due;
    if (!m_input.empty()) {
        const Clock::time_point stale = m_lastInput + kStaleInput;
        if (!wake || stale < *wake)
            wake = stale;
    }
    return wake;
}

void SimulatedLine::expire(Clock::time_point now) {
    if (!m_input.empty() && now - m_lastInput >= kStaleInput)
        m_input.clear();
}

} // namespace sim
