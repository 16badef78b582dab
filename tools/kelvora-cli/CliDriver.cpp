#include "CliDriver.h"

#include "device/CreateAmplifier.h"
#include "device/ProtocolFacts.h"
#include "device/canopen/CANOpenAmplifier.h"
#include "device/register/RegisterAmplifier.h"
#include "device/rs232/RS232Amplifier.h"
#include "link/can/CanLink.h"
#include "link/serial/RS485Bus.h"

#include <QFileInfo>

namespace {

// RS232 and RS485 amplifiers; the RS485 amplifiers of one invocation share one line, as in the program.
class RegisterCliDriver : public CliDriver {
public:
    RegisterCliDriver(const QString &port, std::shared_ptr<RS485Bus> bus,
                      std::unique_ptr<RegisterAmplifier> amplifier)
        : m_port(port)
        , m_bus(std::move(bus))
        , m_amplifier(std::move(amplifier)) {}
    ~RegisterCliDriver() override {
        // The amplifier's worker uses the line: it goes first.
        m_amplifier.reset();
    }

    QObject *object() override { return m_amplifier.get(); }
    quint64 completedMeasuringCycles() const override { return m_amplifier->completedMeasuringCycles(); }
    std::optional<bool> tareActive() const override { return m_amplifier->isTareActive(); }
    bool linkLost() const override {
#ifndef Q_OS_WIN
        // A device file that is gone tells at once, however long the worker pauses between attempts.
        if (!QFileInfo::exists(QString::fromStdString(serial::SerialLink::devicePath(m_port.toStdString()))))
            return true;
#endif
        if (m_bus)
            return m_bus->hasFailed();
        const auto *rs232 = qobject_cast<const RS232Amplifier *>(m_amplifier.get());
        return rs232 && rs232->hasFailed();
    }
    QString linkName() const override {
        return QStringLiteral("the port %1").arg(m_port);
    }

private:
    QString m_port;
    std::shared_ptr<RS485Bus> m_bus;
    std::unique_ptr<RegisterAmplifier> m_amplifier;
};

// CANopen amplifiers; the CAN adapter comes from KELVORA_CAN_PLUGIN / KELVORA_CAN_INTERFACE, not --port.
// The CANopen amplifiers of one invocation share one link, as in the program.
class CanOpenCliDriver : public CliDriver {
public:
    CanOpenCliDriver(std::shared_ptr<CanLink> link, std::unique_ptr<CANOpenAmplifier> amplifier)
        : m_link(std::move(link))
        , m_amplifier(std::move(amplifier))
        , m_lossesAtStart(m_link->losses()) {}

    QObject *object() override { return m_amplifier.get(); }
    quint64 completedMeasuringCycles() const override { return m_amplifier->completedMeasuringCycles(); }
    std::optional<bool> tareActive() const override { return m_amplifier->isTareActive(); }
    // The driver opens a lost adapter afresh as soon as it can; the tool still reports the loss.
    bool linkLost() const override { return m_link->lost() || m_link->losses() > m_lossesAtStart; }
    bool linkDown() const override { return m_link->lost(); }
    bool readsAgainByItself() const override { return true; }
    QString linkName() const override {
        return QStringLiteral("the CAN adapter %1").arg(m_link->config().interfaceName);
    }

private:
    // Declared first: the amplifier gives the link back before the link goes.
    std::shared_ptr<CanLink> m_link;
    std::unique_ptr<CANOpenAmplifier> m_amplifier;
    int m_lossesAtStart;
};

std::unique_ptr<CliDriver> makeOne(const CliLinkOptions &options, const std::shared_ptr<RS485Bus> &bus,
                                   const std::shared_ptr<CanLink> &canLink, QString *error) {
    std::unique_ptr<QObject> created = amplifiers::createAmplifier(
        options.protocol, QStringLiteral("AmplifierModel"), options.port, options.baudRate,
        static_cast<uint8_t>(options.deviceId), bus.get(), canLink.get());
    if (auto *amplifier = qobject_cast<RegisterAmplifier *>(created.get())) {
        created.release();
        return std::make_unique<RegisterCliDriver>(options.port, bus,
                                                   std::unique_ptr<RegisterAmplifier>(amplifier));
    }
    if (auto *amplifier = qobject_cast<CANOpenAmplifier *>(created.get())) {
        created.release();
        return std::make_unique<CanOpenCliDriver>(canLink, std::unique_ptr<CANOpenAmplifier>(amplifier));
    }
    *error = QStringLiteral("Cannot create an amplifier for protocol \"%1\".").arg(options.protocol);
    return nullptr;
}

} // namespace

std::optional<ValueRange> deviceIdRange(const QString &protocol) {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    if (!facts || !facts->takesDeviceId())
        return std::nullopt;
    return ValueRange{static_cast<qulonglong>(facts->firstId), static_cast<qulonglong>(facts->lastId)};
}

std::unique_ptr<CliDriver> makeCliDriver(const CliLinkOptions &options, QString *error) {
    std::vector<std::unique_ptr<CliDriver>> drivers = makeCliDrivers(options, {options.deviceId}, error);
    return drivers.empty() ? nullptr : std::move(drivers.front());
}

std::vector<std::unique_ptr<CliDriver>> makeCliDrivers(const CliLinkOptions &options, const QList<int> &ids,
                                                       QString *error) {
    std::vector<std::unique_ptr<CliDriver>> drivers;
    const protocolfacts::Facts *facts = protocolfacts::find(options.protocol);
    const auto rs485 =
        facts && facts->usesRs485Line() ? std::make_shared<RS485Bus>() : std::shared_ptr<RS485Bus>();
    const auto canLink = facts && facts->usesCanLink()
                             ? std::make_shared<CanLink>(CanLinkConfig::fromEnvironment())
                             : std::shared_ptr<CanLink>();
    for (int deviceId : ids) {
        CliLinkOptions one = options;
        one.deviceId = deviceId;
        std::unique_ptr<CliDriver> driver = makeOne(one, rs485, canLink, error);
        if (!driver)
            return {};
        drivers.push_back(std::move(driver));
    }
    return drivers;
}
