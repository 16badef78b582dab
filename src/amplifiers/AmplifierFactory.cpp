#include "amplifiers/AmplifierFactory.h"

#include "amplifiers/canopen/CANOpenAmplifier.h"
#include "amplifiers/rs232/RS232Amplifier.h"
#include "amplifiers/rs485/RS485Amplifier.h"
#include "amplifiers/rs485/RS485Bus.h"

#include <QDebug>
#include <QJSEngine>

AmplifierFactory::AmplifierFactory(QObject *parent)
    : QObject(parent) {}

AmplifierFactory::AmplifierFactory(CanLink *canLink, QObject *parent)
    : QObject(parent)
    , m_canLink(canLink) {}

QStringList AmplifierFactory::protocolNames() {
    return {QStringLiteral("RS232"), QStringLiteral("RS485"), QStringLiteral("CANOpen")};
}

QObject *AmplifierFactory::createAmplifier(const QString &protocol, const QString &model,
                                           const QString &portName, int baudRate, uint8_t deviceId,
                                           RS485Bus *rs485Bus) {
    const auto baud = static_cast<uint32_t>(baudRate);
    if (protocol == QLatin1String("RS232"))
        return new RS232Amplifier(model, portName, baud);
    if (protocol == QLatin1String("RS485")) {
        if (!rs485Bus) {
            const QString error = QStringLiteral("RS485 amplifier requires a valid RS485Bus pointer.");
            qWarning().noquote() << error;
            // A QML caller sees a script error; the program itself goes on.
            if (QJSEngine *engine = qjsEngine(this))
                engine->throwError(error);
            return nullptr;
        }
        return new RS485Amplifier(model, portName, baud, deviceId, rs485Bus);
    }
    // The bus of a CANopen amplifier is the CAN link; the RS485 line plays no part.
    if (protocol == QLatin1String("CANOpen")) {
        if (!m_canLink) {
            qWarning().noquote() << "CANopen amplifier requires the CAN link.";
            return nullptr;
        }
        return new CANOpenAmplifier(model, portName, baudRate, deviceId, m_canLink);
    }
    return nullptr;
}

QObject *AmplifierFactory::createAmplifier(const QString &protocol, const QString &model,
                                           const QString &portName, int baudRate, uint8_t deviceId) {
    return createAmplifier(protocol, model, portName, baudRate, deviceId, nullptr);
}

QObject *AmplifierFactory::createAmplifier(const QString &protocol, const QString &model,
                                           const QString &portName, int baudRate) {
    return createAmplifier(protocol, model, portName, baudRate, 0, nullptr);
}

QString AmplifierFactory::protocolOf(QObject *amplifier) const {
    const auto *driver = dynamic_cast<const AmplifierBase *>(amplifier);
    return driver ? driver->getProtocol() : QString();
}

bool AmplifierFactory::addresses(QObject *amplifier, const QString &protocol, const QString &port,
                                 int deviceId) const {
    if (protocolOf(amplifier) != protocol)
        return false;
    if (const auto *rs232 = qobject_cast<const RS232Amplifier *>(amplifier))
        return rs232->portName() == port;
    if (const auto *rs485 = qobject_cast<const RS485Amplifier *>(amplifier))
        return rs485->getDeviceId() == deviceId;
    if (const auto *canOpen = qobject_cast<const CANOpenAmplifier *>(amplifier))
        return canOpen->getDeviceId() == deviceId;
    return false;
}
