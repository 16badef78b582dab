#include "app/AmplifierFactory.h"

#include "device/CreateAmplifier.h"
#include "device/ProtocolFacts.h"
#include "device/canopen/CANOpenAmplifier.h"
#include "device/rs232/RS232Amplifier.h"
#include "device/rs485/RS485Amplifier.h"

#include <QDebug>
#include <QJSEngine>

AmplifierFactory::AmplifierFactory(QObject *parent)
    : QObject(parent) {}

AmplifierFactory::AmplifierFactory(CanLink *canLink, QObject *parent)
    : QObject(parent)
    , m_canLink(canLink) {}

QStringList AmplifierFactory::protocolNames() {
    return protocolfacts::names();
}

QObject *AmplifierFactory::createAmplifier(const QString &protocol, const QString &model,
                                           const QString &portName, int baudRate, uint8_t deviceId,
                                           RS485Bus *rs485Bus) {
    QString error;
    std::unique_ptr<QObject> amplifier = amplifiers::createAmplifier(protocol, model, portName, baudRate,
                                                                     deviceId, rs485Bus, m_canLink, &error);
    if (!error.isEmpty()) {
        qWarning().noquote() << error;
        // A QML caller sees a script error; the program itself goes on.
        if (QJSEngine *engine = qjsEngine(this))
            engine->throwError(error);
    }
    // A QML caller takes the driver into its own hands (JavaScript ownership: it has no parent).
    return amplifier.release();
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
