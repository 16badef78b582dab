#include "device/CreateAmplifier.h"

#include "device/BusScan.h"
#include "device/ProtocolFacts.h"
#include "device/canopen/CANOpenAmplifier.h"
#include "device/canopen/CanScanProbe.h"
#include "device/rs232/RS232Amplifier.h"
#include "device/rs485/RS485Amplifier.h"
#include "device/rs485/Rs485ScanProbe.h"
#include "link/serial/RS485Bus.h"

namespace amplifiers {

std::unique_ptr<QObject> createAmplifier(const QString &protocol, const QString &model,
                                         const QString &portName, int baudRate, uint8_t deviceId,
                                         RS485Bus *rs485Bus, CanLink *canLink, QString *error) {
    const auto baud = static_cast<uint32_t>(baudRate);
    if (protocol == QLatin1String("RS232"))
        return std::make_unique<RS232Amplifier>(model, portName, baud);
    if (protocol == QLatin1String("RS485")) {
        if (!rs485Bus) {
            if (error)
                *error = QStringLiteral("RS485 amplifier requires a valid RS485Bus pointer.");
            return nullptr;
        }
        return std::make_unique<RS485Amplifier>(model, portName, baud, deviceId, rs485Bus);
    }
    // The bus of a CANopen amplifier is the CAN link; the RS485 line plays no part.
    if (protocol == QLatin1String("CANOpen")) {
        if (!canLink) {
            if (error)
                *error = QStringLiteral("CANopen amplifier requires the CAN link.");
            return nullptr;
        }
        return std::make_unique<CANOpenAmplifier>(model, portName, baudRate, deviceId, canLink);
    }
    return nullptr;
}

} // namespace amplifiers

namespace busscan {

std::unique_ptr<Probe> makeProbe(const QString &protocol, const QString &port, uint32_t baudRate,
                                 RS485Bus *bus, CanLink *canLink, int windowMs) {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    if (!facts || !facts->capabilities.scan)
        return nullptr;
    if (facts->family == regmap::Family::Serial)
        return std::make_unique<Rs485ScanProbe>(bus, port, baudRate, windowMs);
    return std::make_unique<CanScanProbe>(canLink, windowMs > 0 ? windowMs : CanScanProbe::kReplyWindowMs);
}

} // namespace busscan
