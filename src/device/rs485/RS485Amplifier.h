#pragma once

#include "device/register/RegisterAmplifier.h"

class RS485Bus;

// An amplifier on the shared RS485 line, addressed by its device id. Every exchange goes through the
// line's transact, whose lock makes it one unit among those of all amplifiers on the line.
class RS485Amplifier : public RegisterAmplifier {
    Q_OBJECT

public:
    RS485Amplifier(const QString &modelName, const QString &portName, uint32_t baudRate, uint8_t deviceId,
                   RS485Bus *bus, QObject *parent = nullptr);
    ~RS485Amplifier() override;

    void connect() override;
    // Stops reading and stops using the line; the line itself stays open for the other amplifiers.
    void disconnect() override;
    bool isConnected() const override { return m_connected.load(); }
    Q_INVOKABLE uint8_t getDeviceId() const { return m_deviceId.load(); }
    Q_INVOKABLE void setDeviceId(uint8_t id) { m_deviceId = id; }
    Q_INVOKABLE QString getUnit() const { return selectedUnit(); }
    Q_INVOKABLE void calibrateMultiPoints(QList<uint32_t> adValues, QList<uint32_t> weights);
    // Names the port the line really uses, which is not this amplifier's own when the line was already
    // open on another one.
    QString getLinkDescription() const override;
    LinkWatch *linkWatch() const override;

    QString portName() const override { return m_portName; }
    int deviceId() const override { return m_deviceId.load(); }
    uint32_t baudRate() const { return m_baudRate; }
    QString linkDescription() const override {
        return QStringLiteral("%1 %2 #%3").arg(protocol, m_portName).arg(static_cast<int>(m_deviceId.load()));
    }

protected:
    uint8_t addressByte() const override { return m_deviceId.load(); }
    std::vector<uint8_t> exchange(const std::vector<uint8_t> &request, size_t expectedSize) override;
    void sendText(const std::vector<uint8_t> &line) override;
    std::vector<uint8_t> writeCalibrationFrame(const std::vector<uint8_t> &request) override;
    bool handshake() override;
    void noteRefusedRead(const modbus::ReadAnswer &answer) override;
    std::optional<uint32_t> measureReported() override;

private:
    // Why the last handshake failed (handshakeFailureText); written and read by the thread that connects.
    QString m_handshakeCause;
    const QString m_portName;
    // The line's port when the last connect opened or joined it (GUI thread only).
    QString m_linePort;
    const uint32_t m_baudRate;
    std::atomic<uint8_t> m_deviceId;
    RS485Bus *const m_bus;
    std::atomic<bool> m_connected{false};
};
