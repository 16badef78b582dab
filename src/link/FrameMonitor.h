#pragma once

#include "protocol/FrameDecoder.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The last frames of one link as they went over it, kept while recording is on: raw bytes in fixed slots of
// a ring, decoded only when read (frames::decode). Off, recording costs one atomic load per frame.
struct FrameRecord {
    static constexpr size_t kMaxBytes = 64;

    uint64_t sequence = 0; // from 1, one per frame recorded on this link
    qint64 msSinceEpoch = 0;
    frames::Protocol protocol = frames::Protocol::Modbus;
    frames::Direction direction = frames::Direction::Request;
    uint8_t address = 0; // the amplifier's address or node the frame belongs to
    frames::Verdict verdict = frames::Verdict::Ok;
    uint32_t code = 0;      // exception or abort code for Refused; the id that answered for OtherId
    int requestTarget = -1; // the request's register or index, for decoding answers that do not carry it
    uint16_t size = 0;      // bytes on the wire; at most kMaxBytes of them are kept
    std::array<uint8_t, kMaxBytes> bytes{};

    size_t kept() const { return size < kMaxBytes ? size : kMaxBytes; }
    frames::Decoded decoded() const;
};

class FrameMonitor {
public:
    static constexpr size_t kCapacity = 10000;

    FrameMonitor();
    ~FrameMonitor();

    // The ring is made at the first switch on and kept.
    void setRecording(bool on);
    bool recording() const { return m_recording.load(std::memory_order_relaxed); }

    // Records one frame when recording (the caller may test recording() first to spare the arguments).
    void record(frames::Protocol protocol, frames::Direction direction, uint8_t address,
                frames::Verdict verdict, uint32_t code, int requestTarget, const uint8_t *bytes, size_t size,
                qint64 msSinceEpoch);

    // Frames with a sequence above `after`, oldest first, at most `limit`; the oldest are gone once the ring
    // went round.
    std::vector<FrameRecord> since(uint64_t after, size_t limit = kCapacity) const;
    // The sequence of the latest frame recorded, 0 when none.
    uint64_t lastSequence() const;
    void clear();

private:
    std::atomic<bool> m_recording{false};
    mutable std::mutex m_mutex;
    std::unique_ptr<std::array<FrameRecord, kCapacity>> m_ring;
    uint64_t m_last = 0;
    uint64_t m_cleared = 0; // frames up to this sequence were cleared
};
