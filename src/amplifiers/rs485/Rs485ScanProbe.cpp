#include "amplifiers/rs485/Rs485ScanProbe.h"

#include "amplifiers/rs232/ModbusFrames.h"
#include "amplifiers/rs485/RS485Bus.h"

#include <cmath>

namespace {

// 8-N-1: a start bit, eight data bits and a stop bit per byte.
constexpr double kBitsPerByte = 10.0;
// Scheduling and the adapter's own delay between the last byte on the wire and the read returning.
constexpr uint32_t kSlackMs = 1;

} // namespace

uint32_t Rs485ScanProbe::windowMs(uint32_t baudRate) {
    // The read begins as soon as the request is handed to the driver, so the window must hold the request
    // going out, the amplifier's reply delay and the answer coming in:
    //   (8 request bytes + 9 answer bytes) * 10 bits / speed + 20 ms late + 1 ms slack.
    // At 9600 bit/s that is 17.7 + 20 + 1 -> 39 ms, so the 241 silent ids of a full scan of 1..247 cost
    // about 9.4 s; the handshake's 2 s would cost eight minutes. Faster lines shrink only the transfer part.
    const double bytes = static_cast<double>(modbus::kReadRequestSize + modbus::kReadAnswerSize);
    const double transferMs =
        bytes * kBitsPerByte * 1000.0 / static_cast<double>(baudRate == 0 ? 9600 : baudRate);
    return static_cast<uint32_t>(std::ceil(transferMs + kLateAnswerMs)) + kSlackMs;
}

Rs485ScanProbe::Rs485ScanProbe(RS485Bus *bus, const QString &port, uint32_t baudRate)
    : m_bus(bus)
    , m_port(port)
    , m_baudRate(baudRate) {}

bool Rs485ScanProbe::begin(QString *error) {
    if (!m_bus) {
        *error = QStringLiteral("No RS485 line to scan.");
        return false;
    }
    QString cause;
    if (!m_bus->open(m_port, m_baudRate, &cause)) {
        *error = QStringLiteral("Failed to open serial port: %1: %2").arg(m_port, cause);
        return false;
    }
    // The line may have been opened earlier at another speed; that speed is the one on the wire.
    m_windowMs = windowMs(m_bus->baudRate());
    // No interval limit: a USB adapter may deliver an answer in pieces, and the window bounds the read.
    m_window.readIntervalMs = 0;
    m_window.readTotalMultiplierMs = 0;
    m_window.readTotalConstantMs = m_windowMs;
    return true;
}

busscan::ProbeResult Rs485ScanProbe::probe(int id, const std::atomic<bool> &) {
    using Kind = busscan::ProbeResult::Kind;
    const uint8_t address = static_cast<uint8_t>(id);
    // After a garbled answer the line must be quiet for a whole window before the next request goes out.
    const std::vector<uint8_t> answer = m_bus->probe(modbus::readRequest(address, modbus::kAdRegister),
                                                     modbus::kReadAnswerSize, m_window, m_windowMs);
    busscan::ProbeResult result;
    if (answer.empty())
        return result;
    const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(answer, address);
    if (decoded.ok()) {
        result.kind = Kind::Found;
        result.adValue = decoded.value;
    } else {
        // An exception comes whole, checksummed and from this address: the amplifier is there.
        result.kind = decoded.fault == modbus::AnswerFault::Exception ? Kind::Refused : Kind::Garbled;
        result.detail = QString::fromStdString(modbus::describe(decoded));
    }
    return result;
}
