#include "device/canopen/CanScanProbe.h"

#include "link/can/CanLink.h"
#include "protocol/SdoFrames.h"

#include <QElapsedTimer>

CanScanProbe::CanScanProbe(CanLink *link, int replyWindowMs)
    : m_link(link)
    , m_replyWindowMs(replyWindowMs) {}

CanScanProbe::~CanScanProbe() {
    end();
}

bool CanScanProbe::begin(QString *error) {
    if (!m_link || !m_link->acquire()) {
        *error = QStringLiteral("CAN initialization failed: %1")
                     .arg(m_link ? m_link->lastError() : QStringLiteral("no CAN link"));
        return false;
    }
    m_linkHeld = true;
    return true;
}

void CanScanProbe::end() {
    // Gives back only this scan's use of the link; amplifiers connected meanwhile keep theirs.
    if (m_linkHeld)
        m_link->release();
    m_linkHeld = false;
}

std::vector<busscan::ProbeResult> CanScanProbe::probe(int id, const std::atomic<bool> &keepRunning) {
    using Kind = busscan::ProbeResult::Kind;
    QElapsedTimer asked;
    asked.start();
    // A cancelled scan ends at the latest with this window.
    const SdoResult reply = m_link->request(
        static_cast<uint8_t>(id), sdo::adValueRequest(), [&keepRunning] { return keepRunning.load(); },
        m_replyWindowMs);
    busscan::ProbeResult result;
    result.id = id;
    result.delayMs = static_cast<int>(asked.elapsed());
    switch (reply.status) {
    case SdoResult::Status::Answer:
        if (reply.data.size() >= static_cast<size_t>(sdo::kFrameLength)) {
            result.kind = Kind::Found;
            result.adValue = sdo::adValue(reply.data);
        } else {
            result.kind = Kind::Garbled;
            result.detail = QStringLiteral("short reply (%1 bytes)").arg(reply.data.size());
        }
        break;
    case SdoResult::Status::Abort:
        result.kind = Kind::Refused;
        result.detail = sdo::abortText(reply.abortCode);
        break;
    case SdoResult::Status::Unsupported:
        result.kind = Kind::Refused;
        result.detail = QStringLiteral("replies with a segmented transfer");
        break;
    case SdoResult::Status::TimedOut:
    case SdoResult::Status::Cancelled:
        return {};
    }
    return {result};
}
