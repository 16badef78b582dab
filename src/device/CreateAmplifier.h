#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class CanLink;
class RS485Bus;

namespace amplifiers {

// The driver for `protocol`, unconnected and without a parent; null for an unknown protocol. "RS485" needs
// the shared line and "CANOpen" the CAN link: without it nothing is made and `error`, when given, says why.
// The only place that picks a driver by its protocol name; the QML factory and the command-line tool both
// come here.
std::unique_ptr<QObject> createAmplifier(const QString &protocol, const QString &model,
                                         const QString &portName, int baudRate, uint8_t deviceId,
                                         RS485Bus *rs485Bus, CanLink *canLink, QString *error = nullptr);

} // namespace amplifiers
