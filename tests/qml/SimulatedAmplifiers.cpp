#include "SimulatedAmplifiers.h"

#include "CanSimHost.h"
#include "CanTestBus.h"
#include "SimulatorProcess.h"

#include <QDebug>

SimulatedAmplifiers::SimulatedAmplifiers(CanLink *canLink, QObject *parent)
    : QObject(parent)
    , m_canLink(canLink) {}

SimulatedAmplifiers::~SimulatedAmplifiers() {
    stopAll();
}

QString SimulatedAmplifiers::startSerial(const QString &ids) {
    auto sim = std::make_unique<SimulatorProcess>(
        QStringList{QStringLiteral("--ids"), ids, QStringLiteral("--announce")});
    if (!sim->isReady()) {
        qWarning() << "simulated amplifier did not start:" << sim->errorString();
        return {};
    }
    const QString port = sim->port();
    m_serial[port] = std::move(sim);
    return port;
}

QString SimulatedAmplifiers::serial(const QString &port, const QString &line) {
    const auto it = m_serial.find(port);
    return it == m_serial.end() ? QStringLiteral("ERR no simulator on %1").arg(port)
                                : it->second->command(line);
}

void SimulatedAmplifiers::killSerial(const QString &port) {
    const auto it = m_serial.find(port);
    if (it != m_serial.end())
        it->second->kill();
}

bool SimulatedAmplifiers::startCan(const QVariantList &nodeIds) {
    std::vector<uint8_t> nodes;
    for (const QVariant &id : nodeIds)
        nodes.push_back(static_cast<uint8_t>(id.toUInt()));
    m_can = std::make_unique<CanSimHost>();
    const QString error = cantest::startBus(*m_can, nodes);
    if (!error.isEmpty()) {
        qWarning() << "simulated CANopen nodes did not start:" << error;
        m_can.reset();
        return false;
    }
    m_canLink->setConfig(CanLinkConfig::fromEnvironment());
    return true;
}

QString SimulatedAmplifiers::can(const QString &line) {
    return m_can ? m_can->command(line) : QStringLiteral("ERR no simulated nodes");
}

void SimulatedAmplifiers::stopAll() {
    m_serial.clear();
    if (m_can) {
        m_can->stop();
        m_can.reset();
    }
}
