#include "link/FrameMonitor.h"

#include <algorithm>
#include <cstring>

frames::Decoded FrameRecord::decoded() const {
    return frames::decode(protocol, direction, bytes.data(), kept(), requestTarget);
}

FrameMonitor::FrameMonitor() = default;
FrameMonitor::~FrameMonitor() = default;

void FrameMonitor::setRecording(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (on && !m_ring)
        m_ring = std::make_unique<std::array<FrameRecord, kCapacity>>();
    m_recording.store(on);
}

void FrameMonitor::record(frames::Protocol protocol, frames::Direction direction, uint8_t address,
                          frames::Verdict verdict, uint32_t code, int requestTarget, const uint8_t *bytes,
                          size_t size, qint64 msSinceEpoch) {
    if (!recording())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ring)
        return;
    FrameRecord &slot = (*m_ring)[m_last % kCapacity];
    slot.sequence = ++m_last;
    slot.msSinceEpoch = msSinceEpoch;
    slot.protocol = protocol;
    slot.direction = direction;
    slot.address = address;
    slot.verdict = verdict;
    slot.code = code;
    slot.requestTarget = requestTarget;
    slot.size = static_cast<uint16_t>(std::min<size_t>(size, UINT16_MAX));
    if (size > 0)
        std::memcpy(slot.bytes.data(), bytes, slot.kept());
}

std::vector<FrameRecord> FrameMonitor::since(uint64_t after, size_t limit) const {
    std::vector<FrameRecord> result;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ring || after >= m_last)
        return result;
    const uint64_t oldest = m_last > kCapacity ? m_last - kCapacity + 1 : 1;
    uint64_t first = std::max({after + 1, oldest, m_cleared + 1});
    if (first > m_last)
        return result;
    if (m_last - first + 1 > limit)
        first = m_last - limit + 1;
    result.reserve(static_cast<size_t>(m_last - first + 1));
    for (uint64_t sequence = first; sequence <= m_last; ++sequence)
        result.push_back((*m_ring)[(sequence - 1) % kCapacity]);
    return result;
}

uint64_t FrameMonitor::lastSequence() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_last;
}

void FrameMonitor::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Sequences go on, so that a reader asking since() its last one never takes new frames for old.
    m_cleared = m_last;
}
