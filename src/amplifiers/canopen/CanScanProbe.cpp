#include "amplifiers/canopen/CanScanProbe.h"

#include "amplifiers/canopen/CanAdapter.h"
#include "amplifiers/canopen/SdoExchange.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <QElapsedTimer>

CanScanProbe::CanScanProbe(int replyWindowMs)
    : m_replyWindowMs(replyWindowMs) {}

CanScanProbe::~CanScanProbe() {
    end();
}

bool CanScanProbe::begin(QString *error) {
    if (CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M) != PCAN_ERROR_OK) {
        *error = QStringLiteral("CAN initialization failed: %1").arg(canadapter::lastError());
        return false;
    }
    m_channelHeld = true;
    return true;
}

void CanScanProbe::end() {
    // Gives back only this scan's use of the channel; amplifiers connected meanwhile keep theirs.
    if (m_channelHeld)
        CAN_Uninitialize(PCAN_USBBUS1);
    m_channelHeld = false;
}

std::vector<busscan::ProbeResult> CanScanProbe::probe(int id, const std::atomic<bool> &keepRunning) {
    using Kind = busscan::ProbeResult::Kind;
    QElapsedTimer asked;
    asked.start();
    const SdoResult reply = sdoexchange::request(PCAN_USBBUS1, static_cast<uint8_t>(id),
                                                 sdo::adValueRequest(), &keepRunning, m_replyWindowMs);
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
