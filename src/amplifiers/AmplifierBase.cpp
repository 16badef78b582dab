#include "amplifiers/AmplifierBase.h"

AmplifierBase::AmplifierBase(const QString &modelName, const QString &protocolName)
    : model(modelName)
    , protocol(protocolName) {}

AmplifierBase::~AmplifierBase() = default;

QString AmplifierBase::getName() const {
    return name;
}

void AmplifierBase::setName(const QString &newName) {
    name = newName;
}
