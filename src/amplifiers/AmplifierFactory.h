#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class RS485Bus;

// Builds a driver from the screens' choices. Stateless; QML reaches it as a singleton.
class AmplifierFactory : public QObject {
    Q_OBJECT

public:
    explicit AmplifierFactory(QObject *parent = nullptr);

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
};
