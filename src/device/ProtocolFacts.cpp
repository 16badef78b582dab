#include "device/ProtocolFacts.h"

namespace protocolfacts {

const QList<Facts> &all() {
    using Caps = AmplifierBase::Capabilities;
    static const QList<Facts> kFacts = {
        {"RS232",
         regmap::Family::Serial,
         0,
         0,
         true,
         false,
         TareKind::MeasuringValueWrite,
         Caps{false, true, true, false},
         {QStringLiteral("Kelvora TX7001"), QStringLiteral("(NOT SUPPORTED)"),
          QStringLiteral("QBX1 (NOT SUPPORTED)")},
         QStringLiteral("TX-7001")},
        {"RS485",
         regmap::Family::Serial,
         1,
         247,
         true,
         false,
         TareKind::MeasuringValueWrite,
         Caps{true, true, true, true},
         {QStringLiteral("Kelvora TX7002"), QStringLiteral("(NOT SUPPORTED)")},
         QStringLiteral("TX-7002")},
        {"CANOpen",
         regmap::Family::CanOpen,
         1,
         127,
         false,
         true,
         TareKind::ZeroPointSwitch,
         Caps{false, true, false, true},
         {QStringLiteral("Kelvora TC7002"), QStringLiteral("(NOT SUPPORTED)")},
         QStringLiteral("TC-7002")},
    };
    return kFacts;
}

QStringList names() {
    QStringList list;
    for (const Facts &facts : all())
        list << QLatin1String(facts.name);
    return list;
}

const Facts *find(const QString &protocol) {
    for (const Facts &facts : all()) {
        if (protocol == QLatin1String(facts.name))
            return &facts;
    }
    return nullptr;
}

const Facts *findType(const QString &typeName) {
    for (const Facts &facts : all()) {
        if (!typeName.isEmpty() && typeName == facts.typeName)
            return &facts;
    }
    return nullptr;
}

} // namespace protocolfacts
