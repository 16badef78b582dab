#pragma once

#include <QObject>
#include <QString>

// Facts about the machine for the information screens. One process-wide instance, never destroyed.
class UtilsSysInfo : public QObject {
    Q_OBJECT

public:
    static UtilsSysInfo *getInstance();

    Q_INVOKABLE static QString getOsName();
    Q_INVOKABLE static QString getOsVersion();
    Q_INVOKABLE static QString getKernelName();
    Q_INVOKABLE static QString getKernelVersion();
    Q_INVOKABLE static QString getCpuArchitecture();
    Q_INVOKABLE static int getCpuCoreCount();
    Q_INVOKABLE static QString getHostName();
    Q_INVOKABLE static QString getUserName();

private:
    UtilsSysInfo() = default;
};
