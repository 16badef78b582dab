#include "link/can/CanLink.h"

#include "link/LinkOptions.h"

#include <QLoggingCategory>

#include <algorithm>
#include <chrono>

Q_LOGGING_CATEGORY(lcCan, "kelvora.can", QtInfoMsg)
// Hex dump of every frame; switch on with QT_LOGGING_RULES="kelvora.can.frames.debug=true".
Q_LOGGING_CATEGORY(lcCanFrames, "kelvora.can.frames", QtInfoMsg)

namespace {

// A node that is not asked keeps at most this many replies; older ones go.
constexpr size_t kMailboxLimit = 64;
// Replies come on 0x580 + node id, node ids 0 to 255.
constexpr uint32_t kFirstReplyId = sdo::kReplyBase;
constexpr uint32_t kLastReplyId = sdo::kReplyBase + 255;

QString hex(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toHex(' '));
}

// 0x580 to 0x5FF and 0x600 to 0x67F: the reply COB-IDs of node ids 0 to 255, standard data frames only.
QList<QCanBusDevice::Filter> replyFilters() {
    QList<QCanBusDevice::Filter> filters;
    for (const uint32_t base : {0x580u, 0x600u}) {
        QCanBusDevice::Filter filter;
        filter.frameId = base;
        filter.frameIdMask = 0x780u;
        filter.type = QCanBusFrame::DataFrame;
        filter.format = QCanBusDevice::Filter::MatchBaseFormat;
        filters << filter;
    }
    return filters;
}

// Plugins known to take a receive filter; the others (the virtual bus among them) deliver everything and
// the link sorts out what it needs.
bool filtersInDevice(const QString &plugin) {
    return plugin == QLatin1String("socketcan");
}

} // namespace

CanLinkConfig CanLinkConfig::fromEnvironment() {
#ifdef Q_OS_WIN
    const CanLinkConfig fallback{QStringLiteral("peakcan"), QStringLiteral("usb0")};
#else
    const CanLinkConfig fallback{QStringLiteral("socketcan"), QStringLiteral("can0")};
#endif
    CanLinkConfig choice;
    choice.plugin = qEnvironmentVariable("KELVORA_CAN_PLUGIN").trimmed();
    choice.interfaceName = qEnvironmentVariable("KELVORA_CAN_INTERFACE").trimmed();
    if (choice.plugin.isEmpty())
        choice.plugin = fallback.plugin;
    if (choice.interfaceName.isEmpty()) {
        if (choice.plugin == fallback.plugin)
            choice.interfaceName = fallback.interfaceName;
        else if (choice.plugin == QLatin1String("peakcan"))
            choice.interfaceName = QStringLiteral("usb0");
        else
            choice.interfaceName = QStringLiteral("can0");
    }
    return choice;
}

CanLink::CanLink(CanLinkConfig config, QObject *parent)
    : QObject(parent)
    , m_device(QStringLiteral("kelvora-can"))
    , m_config(std::move(config)) {}

CanLink::~CanLink() {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    closeDevice();
}

CanLinkConfig CanLink::config() const {
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_config;
}

void CanLink::setConfig(const CanLinkConfig &config) {
    std::lock_guard<std::mutex> lock(m_stateMutex);
    m_config = config;
}

bool CanLink::acquire() {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    // First user, or the device was lost (adapter unplugged, bus gone): open it afresh.
    if (!m_open.load() && !openDevice(kConnectTimeoutMs))
        return false;
    m_usersSeen = ++m_users;
    return true;
}

void CanLink::release() {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    if (m_users == 0)
        return;
    m_usersSeen = --m_users;
    if (m_users == 0) {
        closeDevice();
        qCDebug(lcCan) << "CAN adapter closed";
    }
}

int CanLink::users() const {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    return m_users;
}

QString CanLink::lastError() const {
    std::lock_guard<std::mutex> lock(m_stateMutex);
    return m_lastError;
}

bool CanLink::lost() const {
    return m_usersSeen.load() > 0 && !m_open.load();
}

bool CanLink::reopenIfLost(int timeoutMs) {
    std::lock_guard<std::mutex> lifecycle(m_lifecycle);
    if (m_users == 0)
        return false;
    return m_open.load() || openDevice(timeoutMs);
}

bool CanLink::openDevice(int timeoutMs) {
    const CanLinkConfig choice = config();
    CanDeviceThread::Parameters parameters;
    if (choice.plugin == QLatin1String("peakcan"))
        parameters.append({QCanBusDevice::BitRateKey, QVariant(1000000)});
    if (filtersInDevice(choice.plugin))
        parameters.append({QCanBusDevice::RawFilterKey, QVariant::fromValue(replyFilters())});
    CanDeviceThread::Events events;
    events.frames = [this](const QList<QCanBusFrame> &frames) {
        sort(frames);
    };
    events.error = [this](const QString &text) {
        qCWarning(lcCan).noquote() << "CAN adapter error:" << text;
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_lastError = text;
    };
    events.state = [this](QCanBusDevice::CanBusDeviceState state) {
        if (m_open.load() && state == QCanBusDevice::UnconnectedState) {
            qCWarning(lcCan) << "CAN adapter lost its connection";
            ++m_losses;
        }
        m_open = state == QCanBusDevice::ConnectedState;
    };
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_lastError.clear();
    }
    const QString error =
        m_device.open(choice.plugin, choice.interfaceName, parameters, std::move(events), timeoutMs);
    if (!error.isEmpty()) {
        m_open = false;
        const QString why = QStringLiteral("%1 %2: %3").arg(choice.plugin, choice.interfaceName, error);
        qCWarning(lcCan).noquote() << "❌ CAN adapter not opened:" << why;
        std::lock_guard<std::mutex> lock(m_stateMutex);
        m_lastError = why;
        return false;
    }
    qCDebug(lcCan).noquote() << "CAN adapter open:" << choice.plugin << choice.interfaceName;
    m_open = true;
    return true;
}

void CanLink::closeDevice() {
    m_open = false;
    m_device.close();
    ++m_closings;
    for (Mailbox &box : m_mailboxes) {
        {
            std::lock_guard<std::mutex> lock(box.mutex);
            box.replies.clear();
        }
        box.changed.notify_all();
    }
}

void CanLink::sort(const QList<QCanBusFrame> &frames) {
    for (const QCanBusFrame &frame : frames) {
        if (!frame.isValid() || frame.frameType() != QCanBusFrame::DataFrame ||
            frame.hasExtendedFrameFormat())
            continue;
        const QByteArray payload = frame.payload().left(sdo::kFrameLength);
        qCDebug(lcCanFrames).noquote()
            << "rx" << QString::number(frame.frameId(), 16) << "[" << payload.size() << "]" << hex(payload);
        if (frame.frameId() < kFirstReplyId || frame.frameId() > kLastReplyId)
            continue;
        const uint8_t node = static_cast<uint8_t>(frame.frameId() - kFirstReplyId);
        Mailbox &box = m_mailboxes[node];
        {
            std::lock_guard<std::mutex> lock(box.mutex);
            if (!box.busy) {
                std::lock_guard<std::mutex> strays(m_strayMutex);
                Stray &stray = m_strays[m_strayNext++ % kStrays];
                stray.at = std::chrono::steady_clock::now();
                stray.node = node;
                stray.size = static_cast<uint8_t>(payload.size());
                std::copy(payload.begin(), payload.end(), stray.bytes.begin());
            }
            box.replies.emplace_back(payload.begin(), payload.end());
            if (box.replies.size() > kMailboxLimit)
                box.replies.pop_front();
        }
        box.changed.notify_all();
    }
}

bool CanLink::send(uint8_t nodeId, const sdo::Bytes &data) {
    if (data.size() > static_cast<size_t>(sdo::kFrameLength) || !m_open.load())
        return false;
    const QByteArray payload(reinterpret_cast<const char *>(data.data()),
                             static_cast<qsizetype>(data.size()));
    qCDebug(lcCanFrames).noquote() << "tx" << QString::number(sdo::requestCobId(nodeId), 16) << "["
                                   << payload.size() << "]" << hex(payload);
    m_device.write(QCanBusFrame(sdo::requestCobId(nodeId), payload));
    return true;
}

int CanLink::replyTimeoutMs() {
    const int ms = linkoptions::answerTimeoutMs();
    return ms > 0 ? ms : kReplyTimeoutMs;
}

SdoResult CanLink::request(uint8_t nodeId, const sdo::Bytes &requestBytes,
                           const std::function<bool()> &keepWaiting, int timeoutMs) {
    if (timeoutMs >= 0)
        return requestOnce(nodeId, requestBytes, keepWaiting, timeoutMs);
    SdoResult result = requestOnce(nodeId, requestBytes, keepWaiting, replyTimeoutMs());
    for (int retry = linkoptions::retries(); retry > 0 && result.status == SdoResult::Status::TimedOut;
         --retry)
        result = requestOnce(nodeId, requestBytes, keepWaiting, replyTimeoutMs());
    return result;
}

SdoResult CanLink::requestOnce(uint8_t nodeId, const sdo::Bytes &requestBytes,
                               const std::function<bool()> &keepWaiting, int timeoutMs) {
    SdoResult result;
    Mailbox &box = m_mailboxes[nodeId];
    const unsigned closings = m_closings.load();
    const auto ended = [&] {
        return (keepWaiting && !keepWaiting()) || m_closings.load() != closings;
    };
    std::unique_lock<std::mutex> lock(box.mutex);
    box.changed.wait(lock, [&] { return !box.busy || ended(); });
    if (ended()) {
        result.status = SdoResult::Status::Cancelled;
        return result;
    }
    box.busy = true;
    // Whatever the node sent before this request (write acknowledgements, late replies) is not its reply.
    for (const sdo::Bytes &old : box.replies)
        lateReply(nodeId, box, old);
    box.replies.clear();
    lock.unlock();
    const auto sentAt = std::chrono::steady_clock::now();
    send(nodeId, requestBytes);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    lock.lock();
    // True once a reply settled the request.
    const auto takeReply = [&] {
        while (!box.replies.empty()) {
            sdo::Bytes reply = std::move(box.replies.front());
            box.replies.pop_front();
            switch (sdo::classifyReply(requestBytes, reply)) {
            case sdo::ReplyKind::Answer:
                result.status = SdoResult::Status::Answer;
                break;
            case sdo::ReplyKind::Abort:
                result.status = SdoResult::Status::Abort;
                result.abortCode = sdo::abortCode(reply);
                break;
            case sdo::ReplyKind::Unsupported:
                result.status = SdoResult::Status::Unsupported;
                break;
            case sdo::ReplyKind::Stale:
                lateReply(nodeId, box, reply);
                continue;
            }
            result.data = std::move(reply);
            return true;
        }
        return false;
    };
    for (;;) {
        if (takeReply())
            break;
        if (ended()) {
            result.status = SdoResult::Status::Cancelled;
            break;
        }
        if (box.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            if (!takeReply())
                result.status = SdoResult::Status::TimedOut;
            break;
        }
    }
    box.hasUnanswered =
        result.status == SdoResult::Status::TimedOut && requestBytes.size() == box.unanswered.size();
    if (box.hasUnanswered)
        std::copy(requestBytes.begin(), requestBytes.end(), box.unanswered.begin());
    box.busy = false;
    lock.unlock();
    box.changed.notify_all();
    if (result.status == SdoResult::Status::Cancelled)
        return result;
    Stray stray;
    if (result.status == SdoResult::Status::TimedOut && strayAnswer(requestBytes, sentAt, stray)) {
        frames::Judgement judgement;
        judgement.verdict = frames::Verdict::OtherId;
        judgement.otherAddress = stray.node;
        const sdo::Bytes strayBytes(stray.bytes.begin(), stray.bytes.begin() + stray.size);
        m_watch.exchanged(nodeId, judgement, requestBytes, strayBytes, sentAt);
    } else {
        m_watch.exchanged(nodeId, requestBytes, result.data, sentAt);
    }
    return result;
}

void CanLink::wake(uint8_t nodeId) {
    Mailbox &box = m_mailboxes[nodeId];
    { std::lock_guard<std::mutex> lock(box.mutex); }
    box.changed.notify_all();
}

size_t CanLink::pendingReplies(uint8_t nodeId) const {
    const Mailbox &box = m_mailboxes[nodeId];
    std::lock_guard<std::mutex> lock(box.mutex);
    return box.replies.size();
}

bool CanLink::lateReply(uint8_t nodeId, Mailbox &box, const sdo::Bytes &reply) {
    if (!box.hasUnanswered)
        return false;
    const sdo::Bytes unanswered(box.unanswered.begin(), box.unanswered.end());
    if (sdo::classifyReply(unanswered, reply) == sdo::ReplyKind::Stale)
        return false;
    box.hasUnanswered = false;
    m_watch.discarded(nodeId, frames::Verdict::Late, reply.data(), reply.size());
    return true;
}

bool CanLink::strayAnswer(const sdo::Bytes &request, std::chrono::steady_clock::time_point since,
                          Stray &found) const {
    std::lock_guard<std::mutex> lock(m_strayMutex);
    for (const Stray &stray : m_strays) {
        if (stray.size == 0 || stray.at < since)
            continue;
        const sdo::Bytes reply(stray.bytes.begin(), stray.bytes.begin() + stray.size);
        if (sdo::classifyReply(request, reply) != sdo::ReplyKind::Stale) {
            found = stray;
            return true;
        }
    }
    return false;
}
