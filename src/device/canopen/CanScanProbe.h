#pragma once

#include "device/BusScan.h"

class CanLink;

// Asks one CANopen node for its AD entry (an expedited SDO read of 0x2000) through the SDO exchange, so a
// probe and an amplifier's own request to the same node take turns and never take each other's reply.
// Probes need not wait for one another: up to kBurst of them are in flight, their replies sorted by node.
class CanScanProbe : public busscan::Probe {
public:
    // Requests in flight at once. 32 frames are gone in about 4 ms at 1 Mbit/s and sit far below the
    // adapter's transmit queue, so none is refused; more would shorten a scan only by waits of silent nodes.
    static constexpr int kBurst = 32;
    // A node's SDO server usually answers within milliseconds, but some answer only after 150 ms or so
    // while busy; a quarter of a second finds them and keeps nodes 1..127 within about 1 s when nearly
    // all are silent (four bursts).
    static constexpr int kReplyWindowMs = 250;

    // `link` is the program's CAN link, shared with the amplifiers; it must outlive the probe.
    explicit CanScanProbe(CanLink *link, int replyWindowMs = kReplyWindowMs);
    ~CanScanProbe() override;

    bool begin(QString *error) override;
    void end() override;
    std::vector<busscan::ProbeResult> probe(int id, const std::atomic<bool> &keepRunning) override;
    int parallelism() const override { return kBurst; }

private:
    CanLink *m_link;
    int m_replyWindowMs;
    bool m_linkHeld = false;
};
