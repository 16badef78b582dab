#pragma once

#include "link/can/CanLink.h"
#include "link/serial/RS485Bus.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

// Builds a driver from the screens' choices. Stateless; QML reaches it as a singleton. The line's class is
// complete here so that its pointer type is known to QML: otherwise a call with the shared line as the
// last argument would not match the six-argument form.
class AmplifierFactory : public QObject {
    Q_OBJECT

public:
    explicit AmplifierFactory(QObject *parent = nullptr);
    // CANopen amplifiers it makes use `canLink`, the program's CAN link; without one none is made.
    explicit AmplifierFactory(CanLink *canLink, QObject *parent = nullptr);

    // The protocol names createAmplifier knows, exactly as it compares them.
    static QStringList protocolNames();

    // The new driver, unconnected and without a parent, or null for an unknown protocol. "RS485" needs
    // the shared line: without one the request is refused (a script error for a QML caller) and null
    // returned.
    Q_INVOKABLE QObject *createAmplifier(const QString &protocol, const QString &model,
                                         const QString &portName, int baudRate, uint8_t deviceId,
                                         RS485Bus *rs485Bus);
    Q_INVOKABLE QObject *createAmplifier(const QString &protocol, const QString &model,
                                         const QString &portName, int baudRate, uint8_t deviceId);
    Q_INVOKABLE QObject *createAmplifier(const QString &protocol, const QString &model,
                                         const QString &portName, int baudRate);

    // The protocol of a driver this factory makes; "" for anything else.
    Q_INVOKABLE QString protocolOf(QObject *amplifier) const;
    // Whether `amplifier` is the one that `protocol`, `port` and `deviceId` address: the same RS232 port,
    // the same id on the program's one RS485 line (whatever port is named: the line is opened once), the
    // same CANopen node.
    Q_INVOKABLE bool addresses(QObject *amplifier, const QString &protocol, const QString &port,
                               int deviceId) const;

private:
    CanLink *m_canLink = nullptr;
};
