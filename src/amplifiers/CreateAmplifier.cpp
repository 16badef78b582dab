#include "amplifiers/CreateAmplifier.h"

#include "amplifiers/BusScan.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"
#include "amplifiers/canopen/CanScanProbe.h"
#include "amplifiers/rs232/RS232Amplifier.h"
#include "amplifiers/rs485/RS485Amplifier.h"
#include "amplifiers/rs485/RS485Bus.h"
#include "amplifiers/rs485/Rs485ScanProbe.h"

namespace amplifiers {

QStringList protocolNames() {
    return {QStringLiteral("RS232"), QStringLiteral("RS485"), QStringLiteral("CANOpen")};
}

std::unique_ptr<QObject> createAmplifier(const QString &protocol, const QString &model,
                                         const QString &portName, int baudRate, uint8_t deviceId,
                                         RS485Bus *rs485Bus, QString *error) {
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
    // The bus of a CANopen amplifier is the CAN adapter; the RS485 line plays no part.
    if (protocol == QLatin1String("CANOpen"))
        return std::make_unique<CANOpenAmplifier>(model, portName, baudRate, deviceId);
    return nullptr;
}

} // namespace amplifiers

namespace busscan {

std::unique_ptr<Probe> makeProbe(const QString &protocol, const QString &port, uint32_t baudRate,
                                 RS485Bus *bus, int windowMs) {
    if (protocol == QLatin1String("RS485"))
        return std::make_unique<Rs485ScanProbe>(bus, port, baudRate, windowMs);
    if (protocol == QLatin1String("CANOpen"))
        return std::make_unique<CanScanProbe>(windowMs > 0 ? windowMs : CanScanProbe::kReplyWindowMs);
    return nullptr;
}

} // namespace busscan
