#include "app/utils/UtilsSysInfo.h"

#include <QSysInfo>
#include <QThread>
#include <QtGlobal>

UtilsSysInfo *UtilsSysInfo::getInstance() {
    static UtilsSysInfo *instance = new UtilsSysInfo();
    return instance;
}

QString UtilsSysInfo::getOsName() {
    return QSysInfo::productType();
}

QString UtilsSysInfo::getOsVersion() {
    return QSysInfo::productVersion();
}

QString UtilsSysInfo::getKernelName() {
    return QSysInfo::kernelType();
}

QString UtilsSysInfo::getKernelVersion() {
    return QSysInfo::kernelVersion();
}

QString UtilsSysInfo::getCpuArchitecture() {
    return QSysInfo::currentCpuArchitecture();
}

int UtilsSysInfo::getCpuCoreCount() {
    return QThread::idealThreadCount();
}

QString UtilsSysInfo::getHostName() {
    return QSysInfo::machineHostName();
}

QString UtilsSysInfo::getUserName() {
    // The environment is where both platforms keep the logged-in user's name.
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return user;
}
