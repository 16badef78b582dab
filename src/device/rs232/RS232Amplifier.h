#pragma once

#include "device/register/RegisterAmplifier.h"
#include "link/LinkWatch.h"
#include "link/serial/SerialLink.h"

#include <QMutex>

// An amplifier on its own point-to-point serial port, always at Modbus address 1. Every exchange (the GUI
// thread's and the worker's) runs whole under the port's exchange lock, so answers are never mixed up.
class RS232Amplifier : public RegisterAmplifier {
    Q_OBJECT

public:
    RS232Amplifier(const QString &modelName, const QString &portName, uint32_t baudRate,
                   QObject *parent = nullptr);
    ~RS232Amplifier() override;

    void connect() override;
    // Stops reading and closes the port, so that another amplifier (or a later connect) can open it.
    void disconnect() override;
    bool isConnected() const override { return m_open.load(); }
    QString getLinkDescription() const override { return QStringLiteral("RS232 ") + m_portName; }

    QString portName() const override { return m_portName; }
    uint32_t baudRate() const { return m_baudRate; }
    QString linkDescription() const override { return protocol + QLatin1Char(' ') + m_portName; }
    // Whether the system failed the last write or a read since: the device has probably gone away.
    bool hasFailed() const { return m_linkFailed.load(); }
    // The port is this amplifier's alone: its statistics and frames are this amplifier's (address 1).
    LinkWatch *linkWatch() const override { return &m_watch; }

protected:
    uint8_t addressByte() const override { return 0x01; }
    std::vector<uint8_t> exchange(const std::vector<uint8_t> &request, size_t expectedSize) override;
    void sendText(const std::vector<uint8_t> &line) override;
    std::vector<uint8_t> writeCalibrationFrame(const std::vector<uint8_t> &request) override;
    bool handshake() override;
    std::optional<std::vector<uint8_t>> exchangeAdCycle(const std::vector<uint8_t> &request,
                                                        QStringList &problems) override;
    QString calibrationRefusal() const override;

private:
    // Why the last handshake failed (handshakeFailureText); written and read by the thread that connects.
    QString m_handshakeCause;
    // Opens and configures the port; the failure text, or an empty string on success.
    QString openPort();
    void closePort();

    const QString m_portName;
    const uint32_t m_baudRate;
    mutable LinkWatch m_watch{frames::Protocol::Modbus};
    serial::SerialLink m_link;
    std::atomic<bool> m_open{false};
    // Set when the operating system failed a read or write: the device has probably gone away, and the
    // next connect opens it again instead of trusting the dead handle.
    std::atomic<bool> m_linkFailed{false};
    QMutex m_connectMutex;
    QMutex m_exchangeMutex;
};
