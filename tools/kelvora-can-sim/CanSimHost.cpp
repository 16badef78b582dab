#include "CanSimHost.h"

#include <QCanBusFrame>

namespace {
constexpr int kConnectTimeoutMs = 5000;
constexpr int kReconnectMs = 500;
constexpr size_t kLogLimit = 100000;
} // namespace

CanSimHost::CanSimHost() = default;

CanSimHost::~CanSimHost() {
    stop();
}

bool CanSimHost::start(const QString &plugin, const QString &interfaceName,
                       const std::vector<uint8_t> &nodeIds, QString *error) {
    stop();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nodes.clear();
        for (uint8_t id : nodeIds)
            m_nodes[id] = std::make_unique<SimulatedCanNode>(id);
    }
    CanDeviceThread::Events events;
    events.frames = [this](const QList<QCanBusFrame> &frames) {
        onFrames(frames);
    };
    // Keep serving when the bus comes and goes (the process holding the virtual bus server may restart).
    events.state = [this](QCanBusDevice::CanBusDeviceState state) {
        if (m_running.load() && state == QCanBusDevice::UnconnectedState)
            m_device.post(
                [this] {
                    QCanBusDevice *device = m_device.device();
                    if (m_running.load() && device && device->state() == QCanBusDevice::UnconnectedState)
                        device->connectDevice();
                },
                kReconnectMs);
    };
    bool timedOut = false;
    const QString why = m_device.open(plugin, interfaceName, {}, events, kConnectTimeoutMs, &timedOut);
    if (!why.isEmpty()) {
        if (error)
            *error = timedOut ? QStringLiteral("no connection to %1 within %2 ms")
                                    .arg(interfaceName)
                                    .arg(kConnectTimeoutMs)
                              : why;
        return false;
    }
    m_running = true;
    return true;
}

void CanSimHost::stop() {
    m_running = false;
    m_device.close();
}

void CanSimHost::onFrames(const QList<QCanBusFrame> &frames) {
    std::vector<SimulatedCanNode::Reply> replies;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const QCanBusFrame &canFrame : frames) {
            if (canFrame.frameType() != QCanBusFrame::DataFrame || canFrame.hasExtendedFrameFormat())
                continue;
            SimulatedCanNode::Frame frame;
            frame.id = canFrame.frameId();
            const QByteArray payload = canFrame.payload();
            frame.data.assign(payload.begin(), payload.end());
            for (auto &[id, node] : m_nodes) {
                if (frame.id != 0x600u + id)
                    continue;
                std::vector<SimulatedCanNode::Frame> &log = m_received[id];
                if (log.size() < kLogLimit)
                    log.push_back(frame);
                std::vector<SimulatedCanNode::Reply> out = node->handle(frame);
                replies.insert(replies.end(), out.begin(), out.end());
            }
        }
    }
    for (const SimulatedCanNode::Reply &reply : replies) {
        if (reply.delayMs <= 0)
            write(reply.frame);
        else
            m_device.post([this, frame = reply.frame] { write(frame); }, reply.delayMs);
    }
}

void CanSimHost::write(const SimulatedCanNode::Frame &frame) {
    m_device.write(QCanBusFrame(frame.id, QByteArray(reinterpret_cast<const char *>(frame.data.data()),
                                                     static_cast<int>(frame.data.size()))));
}

void CanSimHost::sendFrame(const SimulatedCanNode::Frame &frame) {
    write(frame);
}

QString CanSimHost::command(const QString &line) {
    QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("ERR empty command");
    std::optional<uint8_t> target;
    if (words.first().startsWith(QLatin1Char('@'))) {
        bool ok = false;
        const uint id = words.first().mid(1).toUInt(&ok);
        if (!ok || id > 255)
            return QStringLiteral("ERR bad node: %1").arg(words.first());
        target = static_cast<uint8_t>(id);
        words.removeFirst();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (target && !m_nodes.count(*target))
        return QStringLiteral("ERR no node %1").arg(*target);
    QString answer = QStringLiteral("ERR no node");
    QStringList statuses;
    for (auto &[id, node] : m_nodes) {
        if (target && id != *target)
            continue;
        answer = node->command(words);
        if (answer.startsWith(QLatin1String("ERR")))
            return answer;
        if (answer.startsWith(QLatin1String("OK node=")))
            statuses << answer.mid(3);
    }
    if (statuses.size() > 1)
        return QStringLiteral("OK ") + statuses.join(QLatin1String("; "));
    return answer;
}

std::vector<SimulatedCanNode::Frame> CanSimHost::received(uint8_t nodeId) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_received.find(nodeId);
    return it == m_received.end() ? std::vector<SimulatedCanNode::Frame>() : it->second;
}

void CanSimHost::clearReceived() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

void CanSimHost::resetNodes() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &[id, node] : m_nodes)
        node = std::make_unique<SimulatedCanNode>(id);
    m_received.clear();
}

int32_t CanSimHost::measuringValue(uint8_t nodeId) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_nodes.find(nodeId);
    return it == m_nodes.end() ? 0 : it->second->measuringValue();
}

std::optional<uint32_t> CanSimHost::entry(uint8_t nodeId, uint16_t index, uint8_t subIndex) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_nodes.find(nodeId);
    if (it == m_nodes.end())
        return std::nullopt;
    return it->second->entry(index, subIndex);
}
