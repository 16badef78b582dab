#include "link/LinkWatch.h"

#include <QDateTime>

namespace {

// The register or index a request names, for decoding its answer later.
int requestTarget(frames::Protocol protocol, const uint8_t *request, size_t size) {
    if (protocol == frames::Protocol::Modbus)
        return size >= 4 ? (request[2] << 8) | request[3] : -1;
    return size >= 3 ? request[1] | (request[2] << 8) : -1;
}

} // namespace

LinkWatch::LinkWatch(frames::Protocol protocol)
    : m_protocol(protocol) {}

frames::Judgement LinkWatch::exchanged(uint8_t address, const std::vector<uint8_t> &request,
                                       const std::vector<uint8_t> &answer, Clock::time_point sentAt) {
    const frames::Judgement judgement = m_protocol == frames::Protocol::Modbus
                                            ? frames::judgeModbus(request, answer)
                                            : frames::judgeSdo(request, answer);
    exchanged(address, judgement, request, answer, sentAt);
    return judgement;
}

void LinkWatch::exchanged(uint8_t address, const frames::Judgement &judgement,
                          const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer,
                          Clock::time_point sentAt) {
    const Clock::time_point now = Clock::now();
    m_lastAddress.store(address, std::memory_order_relaxed);
    m_stats.exchanged(address, judgement,
                      std::chrono::duration_cast<std::chrono::microseconds>(now - sentAt));
    if (!m_monitor.recording())
        return;
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 sentMs = nowMs - std::chrono::duration_cast<std::chrono::milliseconds>(now - sentAt).count();
    const int target = requestTarget(m_protocol, request.data(), request.size());
    // An answer from another id keeps that id where a refusal keeps its code.
    const uint32_t code = judgement.verdict == frames::Verdict::OtherId && judgement.otherAddress >= 0
                              ? static_cast<uint32_t>(judgement.otherAddress)
                              : judgement.code;
    // A request's verdict is its exchange's: a time-out shows on the request that got no answer.
    m_monitor.record(m_protocol, frames::Direction::Request, address, judgement.verdict, code, target,
                     request.data(), request.size(), sentMs);
    if (!answer.empty())
        m_monitor.record(m_protocol, frames::Direction::Answer, address, judgement.verdict, code, target,
                         answer.data(), answer.size(), nowMs);
}

void LinkWatch::discarded(uint8_t address, frames::Verdict verdict, const uint8_t *bytes, size_t size) {
    if (size == 0)
        return;
    m_stats.discarded(address, verdict, size);
    m_monitor.record(m_protocol, frames::Direction::Answer, address, verdict, 0, -1, bytes, size,
                     QDateTime::currentMSecsSinceEpoch());
}

void LinkWatch::unsolicited(uint8_t address, const uint8_t *bytes, size_t size) {
    m_monitor.record(m_protocol, frames::Direction::Answer, address, frames::Verdict::OtherId, 0, -1, bytes,
                     size, QDateTime::currentMSecsSinceEpoch());
}

void LinkWatch::linkFailed(uint8_t address, const char *text) {
    m_stats.linkFailed(address, text);
}
