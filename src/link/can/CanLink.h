#pragma once

#include "link/LinkWatch.h"
#include "link/can/CanDeviceThread.h"
#include "protocol/SdoFrames.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// Which Qt CAN plugin and interface carry the bus.
struct CanLinkConfig {
    QString plugin;
    QString interfaceName;

    // KELVORA_CAN_PLUGIN and KELVORA_CAN_INTERFACE; defaults "peakcan"/"usb0" on Windows, "socketcan"/"can0"
    // elsewhere ("virtualcan" with "tcp://127.0.0.1:PORT/can0" for a simulated bus). The program and the
    // command-line tool read it here and nowhere else.
    static CanLinkConfig fromEnvironment();
};

// One SDO request's outcome.
struct SdoResult {
    enum class Status { Answer, Abort, Unsupported, TimedOut, Cancelled };
    Status status = Status::TimedOut;
    sdo::Bytes data;        // the reply's bytes (also for Abort and Unsupported)
    uint32_t abortCode = 0; // Abort only
};

// The program's CAN bus, standard frames at 1 Mbit/s: created once by the program (or the tool) and handed to
// the CANopen amplifiers and the bus scan, as the RS485 line is. Opened by its first user and closed when
// the last one leaves. The device lives in the link's own thread; SDO replies are sorted there by node
// into mailboxes, and a waiting request is woken as soon as its node's reply is in.
//
// An SDO request is one unit per node: while one thread waits for a node's reply, another thread's request
// to the same node waits its turn, so neither can take the other's reply.
class CanLink : public QObject {
    Q_OBJECT

public:
    static constexpr int kReplyTimeoutMs = 2000;
    static constexpr int kConnectTimeoutMs = 5000;

    explicit CanLink(CanLinkConfig config, QObject *parent = nullptr);
    ~CanLink() override;

    CanLinkConfig config() const;
    // Taken at the next opening of the device.
    void setConfig(const CanLinkConfig &config);

    // Counts one user, opening the device for the first (or when it was lost); false, counting nobody,
    // when it cannot be opened (lastError() says why).
    bool acquire();
    // Gives one user back; the last one closes the device, and requests still waiting end at once.
    void release();
    int users() const;
    // Why the device could not be opened or was lost.
    QString lastError() const;
    // The link has users but its device lost the connection (adapter unplugged, virtual bus gone).
    bool lost() const;
    // How many times an open device lost its connection; a watcher compares it with what it saw first,
    // since a lost device may be opened afresh at once.
    int losses() const { return m_losses.load(); }
    // When lost, tries once to open the device afresh, waiting at most `timeoutMs`; true when open after.
    bool reopenIfLost(int timeoutMs);

    // Sends `data` (at most 8 bytes) as one frame to 0x600 + node; no wait. False when refused or closed.
    bool send(uint8_t nodeId, const sdo::Bytes &data);
    // Sends `request` to 0x600 + node and waits for its reply on 0x580 + node. Ends early, Cancelled, once
    // `keepWaiting` (when given) says false after wake() of the node, or when the link closes.
    // A negative `timeoutMs` takes replyTimeoutMs() and repeats a request that timed out
    // linkoptions::retries() times; an explicit one asks once.
    SdoResult request(uint8_t nodeId, const sdo::Bytes &request,
                      const std::function<bool()> &keepWaiting = {}, int timeoutMs = -1);
    // kReplyTimeoutMs, or linkoptions::answerTimeoutMs() when set.
    static int replyTimeoutMs();
    // Wakes the waits of `nodeId` to look at their keepWaiting again.
    void wake(uint8_t nodeId);
    // Replies kept for a node and not yet taken.
    size_t pendingReplies(uint8_t nodeId) const;
    // The statistics of every node asked through request() and the frame monitor of the bus.
    LinkWatch &watch() { return m_watch; }

private:
    struct Mailbox {
        mutable std::mutex mutex;
        std::condition_variable changed;
        std::deque<sdo::Bytes> replies;
        bool busy = false; // a request of this node is under way
        // The last request that got no reply in time: a reply to it that comes later is late, not new.
        std::array<uint8_t, sdo::kFrameLength> unanswered{};
        bool hasUnanswered = false;
    };
    // Replies that came on a node's COB-ID while no request of that node waited: one of them may be the reply
    // to another node's request (a node answering with the wrong id). A fixed ring; never allocates.
    struct Stray {
        std::chrono::steady_clock::time_point at;
        uint8_t node = 0;
        uint8_t size = 0;
        std::array<uint8_t, sdo::kFrameLength> bytes{};
    };
    static constexpr size_t kStrays = 16;
    // Whether a reply held for the `box`'s unanswered request; counts and records it as late when so.
    bool lateReply(uint8_t nodeId, Mailbox &box, const sdo::Bytes &reply);
    // A stray reply since `since` that answers `request` (another node's); counts nothing.
    bool strayAnswer(const sdo::Bytes &request, std::chrono::steady_clock::time_point since,
                     Stray &found) const;

    bool openDevice(int timeoutMs); // lifecycle mutex held
    void closeDevice();             // lifecycle mutex held
    void sort(const QList<QCanBusFrame> &frames);
    SdoResult requestOnce(uint8_t nodeId, const sdo::Bytes &request, const std::function<bool()> &keepWaiting,
                          int timeoutMs);

    LinkWatch m_watch{frames::Protocol::Sdo};
    CanDeviceThread m_device;
    mutable std::mutex m_lifecycle; // opening and closing; never taken in the device thread
    int m_users = 0;
    std::atomic<int> m_usersSeen{0}; // m_users for readers that must not wait for an opening
    std::atomic<int> m_losses{0};
    std::atomic<bool> m_open{false};
    std::atomic<unsigned> m_closings{0};
    mutable std::mutex m_stateMutex; // m_config and m_lastError
    CanLinkConfig m_config;
    QString m_lastError;
    std::array<Mailbox, 256> m_mailboxes;
    mutable std::mutex m_strayMutex;
    std::array<Stray, kStrays> m_strays{};
    size_t m_strayNext = 0;
};
