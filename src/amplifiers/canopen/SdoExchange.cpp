#include "amplifiers/canopen/SdoExchange.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace sdoexchange {

namespace {

// A node that is not asked keeps at most this many frames; older ones go.
constexpr size_t kMailboxLimit = 64;

struct Dispatcher {
    std::mutex mutex; // guards the mailboxes and every CAN_Read
    std::unordered_map<uint32_t, std::deque<sdo::Bytes>> mailboxes;
    std::array<std::timed_mutex, 256> nodeUnits; // one request-and-reply at a time per node id
};

Dispatcher &dispatcher() {
    static Dispatcher instance;
    return instance;
}

// Moves everything the adapter has queued into the mailboxes. Dispatcher mutex held.
void drain(Dispatcher &d, TPCANHandle channel) {
    TPCANMsg message;
    TPCANTimestamp timestamp;
    // Only a delivered record counts; an error status is not a frame.
    while (CAN_Read(channel, &message, &timestamp) == PCAN_ERROR_OK) {
        if (message.MSGTYPE != PCAN_MESSAGE_STANDARD)
            continue;
        auto [cobId, bytes] = sdo::splitMessage(message);
        std::deque<sdo::Bytes> &box = d.mailboxes[cobId];
        box.push_back(std::move(bytes));
        if (box.size() > kMailboxLimit)
            box.pop_front();
    }
}

bool stillWanted(const std::atomic<bool> *keepWaiting) {
    return !keepWaiting || keepWaiting->load();
}

// Takes the node's turn; gives up when the caller stops reading.
bool lockUnit(std::timed_mutex &unit, const std::atomic<bool> *keepWaiting) {
    while (!unit.try_lock_for(std::chrono::milliseconds(kPollStepMs))) {
        if (!stillWanted(keepWaiting))
            return false;
    }
    return true;
}

} // namespace

TPCANStatus send(TPCANHandle channel, uint8_t nodeId, const sdo::Bytes &data) {
    if (data.size() > static_cast<size_t>(sdo::kFrameLength))
        return kCanStatusBadParameter;
    TPCANMsg message = sdo::makeMessage(sdo::requestCobId(nodeId), data);
    return CAN_Write(channel, &message);
}

SdoResult request(TPCANHandle channel, uint8_t nodeId, const sdo::Bytes &requestBytes,
                  const std::atomic<bool> *keepWaiting, int timeoutMs) {
    SdoResult result;
    Dispatcher &d = dispatcher();
    std::timed_mutex &unit = d.nodeUnits[nodeId];
    if (!lockUnit(unit, keepWaiting)) {
        result.status = SdoResult::Status::Cancelled;
        return result;
    }
    const std::unique_lock<std::timed_mutex> turn(unit, std::adopt_lock);
    const uint32_t replyId = sdo::replyCobId(nodeId);
    {
        // Whatever the node sent before this request (write acknowledgements, late replies) is not its reply.
        std::lock_guard<std::mutex> lock(d.mutex);
        drain(d, channel);
        d.mailboxes[replyId].clear();
    }
    send(channel, nodeId, requestBytes);
    const QDeadlineTimer deadline(std::max(0, timeoutMs));
    for (;;) {
        if (!stillWanted(keepWaiting)) {
            result.status = SdoResult::Status::Cancelled;
            return result;
        }
        {
            std::lock_guard<std::mutex> lock(d.mutex);
            drain(d, channel);
            std::deque<sdo::Bytes> &box = d.mailboxes[replyId];
            while (!box.empty()) {
                sdo::Bytes reply = std::move(box.front());
                box.pop_front();
                switch (sdo::classifyReply(requestBytes, reply)) {
                case sdo::ReplyKind::Answer:
                    result.status = SdoResult::Status::Answer;
                    result.data = std::move(reply);
                    return result;
                case sdo::ReplyKind::Abort:
                    result.status = SdoResult::Status::Abort;
                    result.abortCode = sdo::abortCode(reply);
                    result.data = std::move(reply);
                    return result;
                case sdo::ReplyKind::Unsupported:
                    result.status = SdoResult::Status::Unsupported;
                    result.data = std::move(reply);
                    return result;
                case sdo::ReplyKind::Stale:
                    break;
                }
            }
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0) {
            result.status = SdoResult::Status::TimedOut;
            return result;
        }
        CAN_WaitForReceive(channel, static_cast<int>(std::min<qint64>(remaining, kPollStepMs)));
    }
}

size_t pendingFrames(uint32_t cobId) {
    Dispatcher &d = dispatcher();
    std::lock_guard<std::mutex> lock(d.mutex);
    const auto it = d.mailboxes.find(cobId);
    return it == d.mailboxes.end() ? 0 : it->second.size();
}

} // namespace sdoexchange
