#include "amplifiers/canopen/SdoExchange.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace sdoexchange {

namespace {

// A node that is not asked keeps at most this many frames; older ones go.
constexpr size_t kMailboxLimit = 64;

// One request-and-reply at a time per node id; a waiter gives up when its caller stops reading.
class NodeUnit {
public:
    bool acquire(const std::atomic<bool> *keepWaiting);
    void release();

private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_busy = false;
};

struct Dispatcher {
    std::mutex mutex; // guards the mailboxes and every CAN_Read
    std::unordered_map<uint32_t, std::deque<sdo::Bytes>> mailboxes;
    std::array<NodeUnit, 256> nodeUnits;
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

bool NodeUnit::acquire(const std::atomic<bool> *keepWaiting) {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_busy) {
        if (!stillWanted(keepWaiting))
            return false;
        m_free.wait_for(lock, std::chrono::milliseconds(kPollStepMs));
    }
    m_busy = true;
    return true;
}

void NodeUnit::release() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = false;
    }
    m_free.notify_one();
}

// Holds a node's turn for the length of one request.
class Turn {
public:
    explicit Turn(NodeUnit &unit)
        : m_unit(unit) {}
    ~Turn() { m_unit.release(); }
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;

private:
    NodeUnit &m_unit;
};

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
    NodeUnit &unit = d.nodeUnits[nodeId];
    if (!unit.acquire(keepWaiting)) {
        result.status = SdoResult::Status::Cancelled;
        return result;
    }
    const Turn turn(unit);
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
