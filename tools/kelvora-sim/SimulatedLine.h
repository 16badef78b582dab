#pragma once

#include "SimulatedDevice.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace sim {

// The line the devices hang on: splits the byte stream from the program into Modbus requests (told by
// their checksum) and text lines (ending in a line feed), hands each to its device and holds the answers
// until their time has come. Junk between them is skipped without losing the framing.
class SimulatedLine {
public:
    SimulatedLine(const std::vector<uint8_t> &ids, uint32_t seed, int answerDelayMs);

    SimulatedDevice *device(uint8_t id);
    std::vector<SimulatedDevice *> devices();

    void receive(const uint8_t *data, size_t size, Clock::time_point now);
    // Answers whose time has come, in order.
    std::vector<std::vector<uint8_t>> takeDue(Clock::time_point now);
    // When the loop must wake next (an answer falls due, or an unfinished request goes stale).
    std::optional<Clock::time_point> nextWake() const;
    // Drops an unfinished request once the line has been quiet for long enough.
    void expire(Clock::time_point now);
    // A second device on `id` (two amplifiers left on one address): it hears every request to `id` and
    // answers `delayMs` after the first one's answer would go out; a negative delay takes it away again.
    // False when no device has that id.
    bool setTwin(uint8_t id, int delayMs);

private:
    struct Pending {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
    };
    enum class Parse { Consumed, NeedMore, NotHere };

    void parse(Clock::time_point now);
    Parse parseAt(size_t at, Clock::time_point now, bool dispatch);
    void dispatch(const std::vector<uint8_t> &request, Clock::time_point now);
    void dispatchToTwin(const std::vector<uint8_t> &request, Clock::time_point now);
    void schedule(Clock::time_point due, std::vector<uint8_t> bytes);

    struct Twin {
        std::unique_ptr<SimulatedDevice> device;
        int delayMs = 0;
    };

    std::vector<std::unique_ptr<SimulatedDevice>> m_devices;
    std::vector<uint8_t> m_input;
    Clock::time_point m_lastInput;
    std::deque<Pending> m_answers;
    std::vector<Twin> m_twins;
    int m_answerDelayMs = 0;
};

} // namespace sim
