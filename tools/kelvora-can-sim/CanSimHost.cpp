#include "CanSimHost.h"

#include "amplifiers/canopen/ThreadCall.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

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
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("can-sim"));
    m_context = new QObject;
    m_context->moveToThread(m_thread);
    m_thread->start();

    QString why;
    bool connected = false;
    runInThreadOf(m_context, [&] {
        m_device = QCanBus::instance()->createDevice(plugin, interfaceName, &why);
        if (!m_device) {
            if (why.isEmpty())
                why = QStringLiteral("plugin \"%1\" is not available").arg(plugin);
            return;
        }
        QObject::connect(m_device, &QCanBusDevice::framesReceived, m_context, [this] { onFrames(); });
        QObject::connect(m_device, &QCanBusDevice::stateChanged, m_context,
                         [this](QCanBusDevice::CanBusDeviceState state) {
                             // Keep serving when the bus comes and goes (the process holding the virtual
                             // bus server may restart).
                             if (m_running && state == QCanBusDevice::UnconnectedState)
                                 QTimer::singleShot(kReconnectMs, m_context, [this] {
                                     if (m_running && m_device &&
                                         m_device->state() == QCanBusDevice::UnconnectedState)
                                         m_device->connectDevice();
                                 });
                         });
        if (!m_device->connectDevice())
            why = m_device->errorString();
    });
    if (why.isEmpty()) {
        QDeadlineTimer deadline(kConnectTimeoutMs);
        while (!deadline.hasExpired()) {
            runInThreadOf(m_context, [&] { connected = m_device->state() == QCanBusDevice::ConnectedState; });
            if (connected)
                break;
            QThread::msleep(5);
        }
        if (!connected)
            why =
                QStringLiteral("no connection to %1 within %2 ms").arg(interfaceName).arg(kConnectTimeoutMs);
    }
    if (!connected) {
        if (error)
            *error = why;
        stop();
        return false;
    }
    runInThreadOf(m_context, [this] { m_running = true; });
    return true;
}

void CanSimHost::stop() {
    if (!m_thread)
        return;
    runInThreadOf(m_context, [this] {
        m_running = false;
        delete m_device;
        m_device = nullptr;
        delete m_context;
        m_context = nullptr;
    });
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void CanSimHost::onFrames() {
    std::vector<SimulatedCanNode::Reply> replies;
    const QList<QCanBusFrame> frames = m_device->readAllFrames();
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
            QTimer::singleShot(reply.delayMs, m_context, [this, frame = reply.frame] { write(frame); });
    }
}

void CanSimHost::write(const SimulatedCanNode::Frame &frame) {
    if (!m_device || m_device->state() != QCanBusDevice::ConnectedState)
        return;
    m_device->writeFrame(QCanBusFrame(frame.id, QByteArray(reinterpret_cast<const char *>(frame.data.data()),
                                                           static_cast<int>(frame.data.size()))));
}

void CanSimHost::sendFrame(const SimulatedCanNode::Frame &frame) {
    if (!m_context)
        return;
    runInThreadOf(m_context, [this, frame] { write(frame); });
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
