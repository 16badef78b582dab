#pragma once

#include "device/WriteTransaction.h"
#include "protocol/RegisterMap.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtGlobal>

#include "protocol/FrameDecoder.h"

#include <cstdint>

class LinkWatch;

// The face every amplifier driver shows the screens, the command-line tool and the plot, whatever its link:
// the operations QML and the tool call by name, the signals they listen to, and what the driver can do.
// A meta-object or dynamic cast to AmplifierBase finds it on any driver.
//
// No operation raises: an exception through Qt's meta-call would end the program. Failures come out
// through readErrorOccurred, calibrationFailed or commandFinished.
class AmplifierBase : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool supportsMultiPointCalibration READ supportsMultiPointCalibration CONSTANT)
    Q_PROPERTY(bool supportsFilterReadBack READ supportsFilterReadBack CONSTANT)
    Q_PROPERTY(bool supportsSelfTest READ supportsSelfTest CONSTANT)
    Q_PROPERTY(bool supportsScan READ supportsScan CONSTANT)

public:
    ~AmplifierBase() override;

    // Opens the link and tests the connection; reports by connectionSuccessful or connectionFailed.
    Q_INVOKABLE virtual void connect() = 0;
    // Stops reading and gives the link back (an RS232 port closes; the shared RS485 line or CAN adapter
    // is left to the others using it).
    Q_INVOKABLE virtual void disconnect() = 0;
    Q_INVOKABLE virtual bool isConnected() const = 0;
    Q_INVOKABLE virtual QString getName() const;
    Q_INVOKABLE virtual void setName(const QString &newName);
    // Protocol, port and address in a few words ("RS485 /dev/ttyUSB0 #2"), to tell amplifiers apart.
    Q_INVOKABLE virtual QString getLinkDescription() const = 0;

    // The weight in the selected unit, from the last measuring value read.
    Q_INVOKABLE virtual double getMeasuredWeight() const = 0;
    Q_INVOKABLE virtual void setMeasuredWeight(double value) = 0;
    Q_INVOKABLE virtual void setUnit(const QString &unit) = 0;
    Q_INVOKABLE virtual void sendCommand(const QString &command) = 0;
    Q_INVOKABLE virtual void calibrate(const QString &calibrationType, double value) = 0;

    // The reading worker: raw AD values (adValueReceived) or measuring values, one cycle every
    // `intervalMs`; stopContinuousADRead stops either and returns once the worker has ended.
    Q_INVOKABLE virtual void startContinuousADRead(int intervalMs) = 0;
    Q_INVOKABLE virtual void startContinuousMeasuringValueRead(int intervalMs) = 0;
    Q_INVOKABLE virtual void stopContinuousADRead() = 0;
    // What the reading worker has read lately: msSinceLastReading() and staleReason() below, which the
    // drivers also offer to QML as getMsSinceLastReading() and getStaleReason(). Those two are declared by
    // the drivers, not here: the plot takes an object without them for a source that has no notion of
    // fresh readings.

    // Zero, tare and two-point calibration; each reports once by commandFinished ("zero", "tare",
    // "calibrate"): whether it was done and read back, and what the amplifier holds when it was not.
    Q_INVOKABLE virtual void zero() = 0;
    Q_INVOKABLE virtual void tare() = 0;
    Q_INVOKABLE virtual void calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue,
                                                uint32_t spanWeight) = 0;
    // Why calibrating with these AD values may go wrong although the calibration rule accepts them (two
    // points within the noise of the AD read-out this amplifier measured lately), or an empty string.
    Q_INVOKABLE virtual QString calibrationWarning(const QList<uint32_t> &adValues) const = 0;
    // Whether a tare this program switched on is in force (the amplifier confirmed it): the weight is net.
    Q_INVOKABLE virtual bool isTareActive() const { return false; }

    // One setting each, written as the register map clamps it for this protocol (regmap::clamped). The
    // values are JS numbers from QML: any number is taken, none wraps before the clamp. A failure is
    // reported by readErrorOccurred.
    Q_INVOKABLE void setFIRFiltering(bool enable) { writeSetting("firFiltering", enable ? 1 : 0); }
    Q_INVOKABLE void setFilteringLevel(double level) { writeSetting("filteringLevel", level); }
    Q_INVOKABLE void setFilteringBandwidth(double bandwidth) {
        writeSetting("filteringBandwidth", bandwidth);
    }
    Q_INVOKABLE void setAutoZeroTrackingTime(double timeMs) { writeSetting("autoZeroTrackingTime", timeMs); }
    Q_INVOKABLE void setAutoZeroTrackingBandwidth(double bandwidth) {
        writeSetting("autoZeroTrackingBandwidth", bandwidth);
    }
    Q_INVOKABLE void setStabilityDeterminationTime(double time) {
        writeSetting("stabilityDeterminationTime", time);
    }
    Q_INVOKABLE void setZeroPoint(double zeroPoint) { writeSetting("zeroPoint", zeroPoint); }
    // The filter settings as the amplifier holds them, keyed by the register map's names
    // ("filteringLevel", ...). All or nothing: on the first read that fails the map holds only "error", the
    // reason, so that no setting is ever shown that was not read.
    Q_INVOKABLE virtual QVariantMap readFilterSettings() = 0;
    // Writes the settings given (keys as readFilterSettings gives them) all or nothing: a value outside
    // what the amplifier takes refuses the whole map before anything is sent. Reports by commandFinished.
    Q_INVOKABLE virtual void writeFilterSettings(const QVariantMap &settings) = 0;

    // The calibration the amplifier holds, read from it now: "pointCount", "zeroOffset" and "points", a list
    // of {"ad", "weight"} maps (weight in grams) for the points in use. All or nothing: when any read fails
    // the map holds only "error", the reason, so that no calibration is shown that was not read. The
    // default reads nothing and says so.
    Q_INVOKABLE virtual QVariantMap readStoredCalibration();

    // The values a backup keeps (regmap::storedValues), each read and written through the driver's confirmed
    // path: target i of the access is values[i]. A write of a calibration value is the calibration's own
    // (the serial calibration frame; CANopen gives the calibration unlock before it). Empty functions when
    // the driver cannot reach them.
    virtual writetx::Access storedValueAccess(const std::vector<regmap::StoredValue> &values);

    // The register self-test (capabilities().selfTest): runs off the calling thread, narrates by
    // logMessage and ends with selfTestFinished and commandFinished("selfTest", ...). Without one it
    // reports at once that there is none.
    Q_INVOKABLE virtual void testAllRegisters();
    // Ends a running self-test early; it writes back what it saved first. Safe from any thread and from a
    // POSIX signal handler.
    Q_INVOKABLE virtual void stopSelfTest() {}

    // The last measuring value as read (hundredths of a gram) and how many measuring readings have
    // completed so far. A recorder writes the value only when the count moved since its previous row, so a
    // silent amplifier never passes its old value for a new one. The default has never read anything.
    struct Reading {
        quint64 count = 0;
        double hundredths = 0.0;
    };
    virtual Reading latestReading() const { return {}; }
    // How the amplifier is reached, for a technician to find it: protocol, port and device id where they
    // apply ("RS485 /dev/ttyUSB0 #2").
    virtual QString linkDescription() const { return protocol; }

    // What a driver can do beyond reading and two-point calibration. Screens and tools ask these instead of
    // probing for methods or comparing protocol names.
    struct Capabilities {
        bool multiPointCalibration = false;
        bool filterReadBack = false;
        bool selfTest = false;
        bool scan = false;
    };
    // Those its protocol has (protocolfacts).
    virtual Capabilities capabilities() const;
    // Milliseconds since the last reading of the running cycle completed, -1 when none has; and why the
    // latest attempts failed, empty while readings arrive.
    virtual qint64 msSinceLastReading() const { return -1; }
    virtual QString staleReason() const { return {}; }

    // The link this amplifier's exchanges go over (its statistics per address and its frame monitor) and the
    // amplifier's address or node on it: its device id, or 1 where the link carries one amplifier (the Modbus
    // address a lone amplifier answers at); null and -1 when the driver has no link of its own to show.
    virtual LinkWatch *linkWatch() const { return nullptr; }
    int linkAddress() const { return linkWatch() ? (deviceId() > 0 ? deviceId() : 1) : -1; }

    // Raw access to one serial register pair (`target`, one 32-bit value; `subIndex` unused) or one CANopen
    // entry (`target`:`subIndex`), for a technician's register panel and the command-line tool. Nothing is
    // checked against the register map here: the caller decides what it offers. A write counts only when
    // the amplifier confirmed it and it reads back; otherwise `error` says what the amplifier holds now.
    struct RawResult {
        enum class Outcome {
            Ok,
            NoAnswer,   // nothing came within the time-out
            Refused,    // Modbus exception or SDO abort (`code`)
            BadAnswer,  // an answer came but cannot be used (CRC, other id, garbage, incomplete, two devices)
            NotApplied, // a write confirmed but not read back as written
            LinkLost,   // the port or adapter failed or is not open
        };
        Outcome outcome = Outcome::NoAnswer;
        uint32_t value = 0; // what was read, or read back after a write
        uint32_t code = 0;  // exception or abort code
        QString error;      // "" when Ok
        bool ok() const { return outcome == Outcome::Ok; }
        // The outcome an exchange judged `verdict` has.
        static Outcome outcomeOf(frames::Verdict verdict);
    };
    // The defaults say the driver has no raw access.
    virtual RawResult rawRead(uint16_t target, uint8_t subIndex);
    virtual RawResult rawWrite(uint16_t target, uint8_t subIndex, uint32_t value);

    bool supportsMultiPointCalibration() const { return capabilities().multiPointCalibration; }
    bool supportsFilterReadBack() const { return capabilities().filterReadBack; }
    bool supportsSelfTest() const { return capabilities().selfTest; }
    bool supportsScan() const { return capabilities().scan; }

    // Where the amplifier is reached, as backups record it: the port as given (empty where there is none) and
    // the device id or node (0 where the link carries one amplifier).
    virtual QString portName() const { return {}; }
    virtual int deviceId() const { return 0; }
    // The safety copy written before the last calibration, self-test or restore; empty when none was.
    // Safe from any thread (a restore may run off the window's thread).
    Q_INVOKABLE QString lastSafetyCopy() const;
    // Reports the safety copy taken before `command`: written to `path`, or none for `error` (both empty:
    // copies are off). For the restore, which reads the amplifier itself.
    void noteSafetyCopy(const QString &command, const QString &path, const QString &error);

    QString getModel() const { return model; }
    QString getProtocol() const { return protocol; }

signals:
    void connectionSuccessful();
    void connectionFailed(QString reason);
    void readErrorOccurred(QString error);
    void adValueReceived(uint32_t adValue);
    // The raw 32-bit measuring value as read (a negative weight as its two's complement pattern); the weight
    // itself reaches the screens through getMeasuredWeight().
    void measuringValueReceived(uint32_t measuringValue);
    void calibrationSuccessful();
    void calibrationFailed(QString reason);
    // Emitted once at the end of zero, tare, calibration ("zero", "tare", "calibrate"), writeFilterSettings
    // ("filters") and the self-test ("selfTest").
    void commandFinished(QString command, bool ok, QString message);
    // A line of the self-test's narration.
    void logMessage(QString msg);
    // The self-test's verdict: `passed` when every register passed and came back and the raw AD value is
    // in range; `summary` as the narration ends with it.
    void selfTestFinished(bool passed, QString summary);
    // Before `command` ("calibrate", "selfTest", "restore") changed the amplifier, what it held was saved to
    // `path` (safety copies switched on, backup::enableSafetyCopies).
    void safetyCopyWritten(QString command, QString path);
    // No safety copy could be made before `command`, for `reason`; the command then writes nothing.
    void safetyCopyFailed(QString command, QString reason);

protected:
    AmplifierBase(const QString &modelName, const QString &protocolName, QObject *parent);

    // Writes register-map setting `settingName` as this protocol clamps `value`; a failure is reported by
    // readErrorOccurred.
    virtual void writeSetting(const char *settingName, double value) = 0;
    // Takes the safety copy before `command` when copies are switched on and reports it by the signals
    // above. An empty string when the command may go on (copy written, or copies off), else why it must not:
    // "No safety copy could be made before the calibration: ...; nothing was written.".
    QString safetyCopyBefore(const QString &command);

    QString model;
    QString protocol;
    QString name;

private:
    mutable QMutex m_safetyCopyMutex;
    QString m_lastSafetyCopy;
};
