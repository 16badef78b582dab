#pragma once

#include "device/BusScan.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

class RS485Bus;

// Asks one device id on the RS485 line for its raw AD value (the handshake's read of 0x1F40), in a short
// answer window taken from the line's speed, each probe one exchange under the line lock. An answer
// carries its address, so one that comes late, during a later probe, still counts for its own id: that
// id is asked once more with a window long enough for its delay, which confirms it (a device answering
// in another's name is not confirmed). Two answers to one request mean two devices share the id.
class Rs485ScanProbe : public busscan::Probe {
public:
    // How late an answer may be and still land in its own probe's window.
    static constexpr uint32_t kLateAnswerMs = 20;
    // How long the scan listens after its last probe for answers still on their way, and the shortest
    // window of a confirming probe.
    static constexpr uint32_t kLateLimitMs = 250;
    // The longest window of a confirming probe.
    static constexpr uint32_t kConfirmLimitMs = 2000;

    // `windowMs` 0: the window follows from the line's speed (windowMs()).
    Rs485ScanProbe(RS485Bus *bus, const QString &port, uint32_t baudRate, int windowMs = 0);

    bool begin(QString *error) override;
    std::vector<busscan::ProbeResult> probe(int id, const std::atomic<bool> &keepRunning) override;
    std::vector<busscan::ProbeResult> drain(const std::atomic<bool> &keepRunning) override;
    int attempts() const override { return 2; }

    // The answer window of one probe on a line at `baudRate`, in ms (see the definition for the reasoning).
    static uint32_t windowMs(uint32_t baudRate);

private:
    using Clock = std::chrono::steady_clock;

    // Asks `id` (0: only listens) and sorts out every frame heard within `windowMs`.
    void ask(int id, uint32_t windowMs, std::vector<busscan::ProbeResult> &results);
    // Cuts whole answers off the front of what has been heard; what cannot begin an answer is garbage.
    void parse(Clock::time_point at, int asked, std::vector<busscan::ProbeResult> &results);
    void answerFrom(const std::vector<uint8_t> &frame, Clock::time_point at, int asked,
                    std::vector<busscan::ProbeResult> &results);
    // Asks again the ids heard late, until none is left.
    void confirmLate(const std::atomic<bool> &keepRunning, std::vector<busscan::ProbeResult> &results);

    RS485Bus *m_bus;
    QString m_port;
    uint32_t m_baudRate;
    int m_requestedWindowMs;
    uint32_t m_windowMs = 0;
    std::vector<uint8_t> m_stream;
    std::vector<uint8_t> m_lastRequest;
    int m_lastAsked = 0;
    std::map<int, Clock::time_point> m_askedAt;
    std::map<int, int> m_answers;     // answers to the last request of each id
    std::map<int, int> m_lateDelayMs; // ids heard late, not yet confirmed, with how late
    std::set<int> m_confirming;
};
