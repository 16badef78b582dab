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

AmplifierBase::RawResult::Outcome AmplifierBase::RawResult::outcomeOf(frames::Verdict verdict) {
    switch (verdict) {
    case frames::Verdict::Ok:
        return Outcome::Ok;
    case frames::Verdict::TimedOut:
        return Outcome::NoAnswer;
    case frames::Verdict::Refused:
        return Outcome::Refused;
    default:
        return Outcome::BadAnswer;
    }
}

AmplifierBase::RawResult AmplifierBase::rawRead(uint16_t, uint8_t) {
    RawResult result;
    result.outcome = RawResult::Outcome::LinkLost;
    result.error = QStringLiteral("This amplifier offers no raw register access.");
    return result;
}

AmplifierBase::RawResult AmplifierBase::rawWrite(uint16_t target, uint8_t subIndex, uint32_t) {
    return rawRead(target, subIndex);
}
