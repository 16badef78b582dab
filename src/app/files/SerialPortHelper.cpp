#include "app/files/SerialPortHelper.h"

#include "link/serial/SimulatedPorts.h"

#include <QSerialPortInfo>

SerialPortHelper::SerialPortHelper(QObject *parent)
    : QObject(parent) {}

QStringList SerialPortHelper::getAvailablePorts() const {
    QStringList ports;
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : system)
        ports.append(info.portName());
    for (const QString &simulated : simulatedports::list()) {
        if (!ports.contains(simulated))
            ports.append(simulated);
    }
    return ports;
}
