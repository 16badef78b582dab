#pragma once

#include "link/FrameMonitor.h"
#include "link/LinkStats.h"

#include <QString>

#include <atomic>

#include <chrono>
#include <cstdint>
#include <vector>

// What one link (an RS232 port, the RS485 line, the CAN adapter) tells about its exchanges: the statistics
// per address or node and the frame monitor. The exchange code of each link kind reports here, in one place;
// the screens and the command-line tool read it through the amplifier (AmplifierBase::linkWatch) or the link.
class LinkWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinkWatch(frames::Protocol protocol);

    frames::Protocol protocol() const { return m_protocol; }
    linkstats::LinkStats &stats() { return m_stats; }
    const linkstats::LinkStats &stats() const { return m_stats; }
    FrameMonitor &monitor() { return m_monitor; }
    const FrameMonitor &monitor() const { return m_monitor; }

    // One exchange: judges `answer` (maybe empty: nothing came) against `request`, counts it for the
    // request's address (`address`) and records both frames when the monitor is on. `sentAt` is when the
    // request went out (its frame's time), the answer's time is now. Returns the judgement.
    frames::Judgement exchanged(uint8_t address, const std::vector<uint8_t> &request,
                                const std::vector<uint8_t> &answer, Clock::time_point sentAt);
    // The same with a verdict the link reached by itself (CAN: a reply from another node, a time-out).
    void exchanged(uint8_t address, const frames::Judgement &judgement, const std::vector<uint8_t> &request,
                   const std::vector<uint8_t> &answer, Clock::time_point sentAt);
    // Bytes thrown away before a request: Late or Duplicate, laid to `address`. `size` counts them all;
    // `bytes` holds at least the first min(size, FrameRecord::kMaxBytes).
    void discarded(uint8_t address, frames::Verdict verdict, const uint8_t *bytes, size_t size);
    // The address of the latest exchange, -1 before the first: late bytes are that exchange's.
    int lastAddress() const { return m_lastAddress.load(std::memory_order_relaxed); }
    // A reply that came for no request (CAN: another node's reply while none of its requests waited).
    void unsolicited(uint8_t address, const uint8_t *bytes, size_t size);
    // The operating system failed a write or a read during an exchange with `address`.
    void linkFailed(uint8_t address, const char *text);

private:
    const frames::Protocol m_protocol;
    linkstats::LinkStats m_stats;
    FrameMonitor m_monitor;
    std::atomic<int> m_lastAddress{-1};
};
