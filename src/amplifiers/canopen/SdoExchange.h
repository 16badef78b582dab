#pragma once

#include "amplifiers/canopen/CanAdapter.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <atomic>

// One SDO request and its reply, as a unit per node: while one thread waits for a node's reply, another
// thread's request to the same node waits its turn, so neither can take the other's reply. Frames that
// arrive for other nodes are kept for them in per-node mailboxes instead of being dropped.
struct SdoResult {
    enum class Status { Answer, Abort, Unsupported, TimedOut, Cancelled };
    Status status = Status::TimedOut;
    sdo::Bytes data;        // the reply's bytes (also for Abort and Unsupported)
    uint32_t abortCode = 0; // Abort only
};

namespace sdoexchange {

constexpr int kReplyTimeoutMs = 2000;
// The longest a wait sleeps before it looks at the stop flag and the clock again.
constexpr int kPollStepMs = 10;

// Sends `data` (at most 8 bytes) as one frame to 0x600 + node; no wait.
TPCANStatus send(TPCANHandle channel, uint8_t nodeId, const sdo::Bytes &data);

// Sends `request` to 0x600 + node and waits for its reply on 0x580 + node. The wait ends early, with
// Cancelled, as soon as `keepWaiting` (when given) turns false.
SdoResult request(TPCANHandle channel, uint8_t nodeId, const sdo::Bytes &request,
                  const std::atomic<bool> *keepWaiting = nullptr, int timeoutMs = kReplyTimeoutMs);

// Frames kept for a reply COB-ID and not yet taken (for tests and diagnostics).
size_t pendingFrames(uint32_t cobId);

} // namespace sdoexchange
