#pragma once

#include <QObject>
#include <QStringList>

// Lists the serial ports a user can pick: the system's ports as the system enumerates them, followed by
// the ports that running simulated amplifiers announce (so the program can be tried without hardware).
class SerialPortHelper : public QObject {
    Q_OBJECT
public:
    explicit SerialPortHelper(QObject *parent = nullptr);

    Q_INVOKABLE QStringList getAvailablePorts() const;
};
