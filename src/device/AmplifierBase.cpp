#include "device/AmplifierBase.h"

#include "device/ProtocolFacts.h"

AmplifierBase::AmplifierBase(const QString &modelName, const QString &protocolName, QObject *parent)
    : QObject(parent)
    , model(modelName)
    , protocol(protocolName) {}

AmplifierBase::~AmplifierBase() = default;

QString AmplifierBase::getName() const {
    return name;
}

void AmplifierBase::setName(const QString &newName) {
    name = newName;
}

AmplifierBase::Capabilities AmplifierBase::capabilities() const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return facts ? facts->capabilities : Capabilities{};
}

void AmplifierBase::testAllRegisters() {
    const QString why = QStringLiteral("This amplifier has no register self-test.");
    emit commandFinished(QStringLiteral("selfTest"), false, why);
    emit selfTestFinished(false, why);
}

QVariantMap AmplifierBase::readStoredCalibration() {
    return {{QStringLiteral("error"), QStringLiteral("This amplifier cannot report its calibration.")}};
}
