#pragma once

#include "amplifiers/BusScan.h"
#include "amplifiers/rs232/SerialLink.h"

#include <QString>

class RS485Bus;

// Asks one device id on the RS485 line for its raw AD value (the handshake's read of 0x1F40), in a short
// answer window taken from the line's speed, each probe one exchange under the line lock.
class Rs485ScanProbe : public busscan::Probe {
public:
    // How long a late answer may keep the amplifier's turn: an amplifier that answers this late is found.
    static constexpr uint32_t kLateAnswerMs = 20;

    Rs485ScanProbe(RS485Bus *bus, const QString &port, uint32_t baudRate);

    bool begin(QString *error) override;
    busscan::ProbeResult probe(int id, const std::atomic<bool> &keepRunning) override;
    int attempts() const override { return 2; }

    // The answer window of one probe on a line at `baudRate`, in ms (see the definition for the reasoning).
    static uint32_t windowMs(uint32_t baudRate);

private:
    RS485Bus *m_bus;
    QString m_port;
    uint32_t m_baudRate;
    uint32_t m_windowMs = 0;
    serial::Timeouts m_window;
};
