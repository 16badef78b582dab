#pragma once

#include "device/AmplifierBase.h"
#include "device/ReadingWorker.h"
#include "device/WriteTransaction.h"
#include "link/can/CanLink.h"
#include "link/can/PcanRecords.h"
#include "protocol/Calibration.h"
#include "protocol/Weight.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// An amplifier node on a CANopen bus, driven by expedited SDO transfers to its object dictionary.
// Everything runs on the calling (GUI) thread except the one continuous-reading worker. The CAN link is the
// program's, shared with the other CANopen amplifiers and the bus scan, and must outlive the amplifier.
class CANOpenAmplifier : public AmplifierBase {
    Q_OBJECT

public:
    CANOpenAmplifier(const QString &modelName, const QString &portName, int baudRate, uint8_t deviceId,
                     CanLink *link, QObject *parent = nullptr);
    ~CANOpenAmplifier() override;

    void connect() override;
    // Stops reading and gives the CAN link back (it closes when its last user leaves).
    void disconnect() override;
    Q_INVOKABLE void sendCommand(std::vector<uint8_t> message);
    Q_INVOKABLE std::vector<uint8_t> sendCommandWithResponse(std::vector<uint8_t> message);
    void calibrate(const QString &calibrationType, double value) override;
    void startContinuousADRead(int intervalMs) override;
    void startContinuousMeasuringValueRead(int intervalMs) override;
    void stopContinuousADRead() override;
    double getMeasuredWeight() const override;
    Q_INVOKABLE void allowCalibration();
    Q_INVOKABLE void writeSDO(uint16_t index, uint8_t subIndex, std::vector<uint8_t> data);
    Q_INVOKABLE void calibrateZero();
    Q_INVOKABLE void calibrateSpan(uint32_t spanValue);
    Q_INVOKABLE void finalizeCalibration(uint32_t pointCount);
    // Invokable here too: QML looks an overloaded name up in one class only.
    Q_INVOKABLE void sendCommand(const QString &command) override;
    Q_INVOKABLE uint8_t getDeviceId() const;
    Q_INVOKABLE void setDeviceId(uint8_t id);
    bool isConnected() const override;
    Q_INVOKABLE std::pair<uint32_t, std::vector<uint8_t>>
    ProcessMessageCan(TPCANMsg msg, TPCANTimestamp itsTimeStamp) const;
    void setMeasuredWeight(double weight) override;
    // Not held by the serial amplifiers: this driver's own.
    Q_INVOKABLE void setStabilityBandwidth(double bandwidth);
    void zero() override;
    void tare() override;
    void setUnit(const QString &unit) override;
    void calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight) override;
    // As RegisterAmplifier's, with the CANopen entries (and "stabilityBandwidth" besides).
    QVariantMap readFilterSettings() override;
    void writeFilterSettings(const QVariantMap &settings) override;
    writetx::Access storedValueAccess(const std::vector<regmap::StoredValue> &values) override;
    QString calibrationWarning(const QList<uint32_t> &adValues) const override;
    // Whether a tare is in force (the node acknowledged it): the weight is net.
    bool isTareActive() const override { return m_tareActive; }
    qint64 msSinceLastReading() const override { return m_worker.msSinceLastReading(); }
    QString staleReason() const override { return m_worker.staleReason(); }
    Q_INVOKABLE qint64 getMsSinceLastReading() const { return msSinceLastReading(); }
    Q_INVOKABLE QString getStaleReason() const { return staleReason(); }
    // The node id is the address ("CANopen #2").
    QString getLinkDescription() const override;
    LinkWatch *linkWatch() const override;
    RawResult rawRead(uint16_t index, uint8_t subIndex) override;
    RawResult rawWrite(uint16_t index, uint8_t subIndex, uint32_t value) override;
    QString portName() const override { return m_portName; }
    int deviceId() const override { return m_nodeId.load(); }

    // For tools and tests (not part of the screens' surface): measuring-value cycles that ended with an
    // answer.
    quint64 completedMeasuringCycles() const { return m_measuringCycles.load(); }
    // As RegisterAmplifier::latestReading.
    Reading latestReading() const override { return {m_measuringCycles.load(), m_storedWeight.get()}; }
    QString linkDescription() const override {
        return QStringLiteral("CANOpen #%1").arg(static_cast<int>(m_nodeId.load()));
    }

private:
    enum class ReadKind { AdValue, MeasuringValue };

    void startReading(ReadKind kind, int intervalMs);
    ReadingWorker::Outcome readCycle(ReadKind kind);
    // One frame to 0x600 + node; frames longer than 8 bytes are refused with a warning.
    bool sendFrame(const sdo::Bytes &bytes);
    // Request and reply on the GUI thread (no stop flag to end it early).
    SdoResult exchange(const sdo::Bytes &request);
    // Sends a write frame and waits for its acknowledgement; raises with the reason when the node aborts,
    // offers something else or does not answer within the reply time-out.
    void writeConfirmed(const sdo::Bytes &frame);
    // writeSDO that raises (a bad length, an unconfirmed write) instead of reporting.
    void writeEntry(uint16_t index, uint8_t subIndex, const sdo::Bytes &data);
    // Run writes and say whether all went through. A raised failure goes out through readErrorOccurred
    // (setters, zero, tare), or as calibrationFailed("Calibration failed: <reason>") for calibration steps.
    bool reportingFailure(const std::function<void()> &writes);
    // In the entry's width.
    void writeSetting(const char *settingName, double value) override;
    bool calibrationStep(const std::function<void()> &writes);
    void releaseLink();

    // An object-dictionary entry as an all-or-nothing write sees it.
    struct Entry {
        uint16_t index;
        uint8_t subIndex;
        int width;            // bytes the entry holds
        bool unsized = false; // written with the 0x22 form, as the fixed zero and tare frames are
    };
    // What the entry holds; nullopt with the reason when the node refused or did not answer.
    std::optional<uint32_t> readEntry(const Entry &entry, QString *cause);
    writetx::Access entryAccess(std::vector<Entry> entries);
    // The entries of these rows of the register map's CANopen settings.
    writetx::Access filterAccess(const std::vector<size_t> &rows);
    // Unlocks, then writes `values` into `entries` all or nothing; the failure text, empty on success.
    QString writeUnlocked(const std::vector<Entry> &entries, const std::vector<uint32_t> &values,
                          const QString &previous);
    // A zero or tare that did not happen: by readErrorOccurred, as callers have known it, and as its outcome.
    void reportFailed(const QString &command, const QString &message);
    // Zero and tare: the zero point, then the tare switch whose write makes the node act on it, all or
    // nothing. False, reported with `failed` ("Zero failed: %1"), when not done.
    bool switchZeroPoint(const QString &command, const QString &failed, uint32_t zeroPoint, bool on);

    bool m_tareActive = false;
    uint32_t m_tareValue = 0;
    CanLink *m_link;
    QString m_portName;
    int m_baudRate = 0;
    std::atomic<uint8_t> m_nodeId;
    bool m_connected = false;
    StoredWeight m_storedWeight;
    ReadingWorker m_worker;
    // Whether this amplifier counts as a user of the link.
    bool m_linkHeld = false;
    // Set while a stop ends the worker's wait for a reply.
    std::atomic<bool> m_stopping{false};
    SelectedUnit m_unit;
    std::atomic<quint64> m_measuringCycles{0};
    calibration::NoiseWindow m_noise;
};
