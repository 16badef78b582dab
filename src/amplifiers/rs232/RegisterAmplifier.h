#pragma once

#include "amplifiers/AmplifierBase.h"
#include "amplifiers/Calibration.h"
#include "amplifiers/ReadingWorker.h"
#include "amplifiers/Weight.h"
#include "amplifiers/WriteTransaction.h"
#include "amplifiers/rs232/ModbusFrames.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

// What RS232 and RS485 amplifiers share: the register operations on top of Modbus frames, the two
// continuous-reading workers, zero, tare, calibration, the filter setters and the register self-test.
// A link only supplies how one exchange is carried (its own port, or the shared line) and a few texts
// and switches that differ between the two (LinkProfile).
//
// Every operation QML can call catches what the link raises: an exception through Qt's meta-call would end
// the program. Failures that would otherwise go unreported come out through readErrorOccurred.
class RegisterAmplifier : public QObject, public AmplifierBase {
    Q_OBJECT
    Q_PROPERTY(bool supportsMultiPointCalibration READ supportsMultiPointCalibration CONSTANT)
    Q_PROPERTY(bool supportsFilterReadBack READ supportsFilterReadBack CONSTANT)
    Q_PROPERTY(bool supportsSelfTest READ supportsSelfTest CONSTANT)
    Q_PROPERTY(bool supportsScan READ supportsScan CONSTANT)

public:
    ~RegisterAmplifier() override;

    Q_INVOKABLE void setUnit(const QString &unit);
    Q_INVOKABLE double getMeasuredWeight() const override;
    Q_INVOKABLE QString getName() const override { return AmplifierBase::getName(); }
    Q_INVOKABLE void setName(const QString &newName) override { AmplifierBase::setName(newName); }
    Q_INVOKABLE void setMeasuredWeight(double value);
    Q_INVOKABLE void calibrate(const QString &calibrationType, double value) override;
    Q_INVOKABLE void calibrate(const QString &calibrationType) { calibrate(calibrationType, 0.0); }

    Q_INVOKABLE virtual bool isConnected() const = 0;
    Q_INVOKABLE void sendCommand(const QString &command) override;
    Q_INVOKABLE std::vector<uint8_t> sendCommand(std::vector<uint8_t> command, size_t expectedResponseSize);
    Q_INVOKABLE bool performHandshake();
    Q_INVOKABLE uint32_t readMeasurement();
    Q_INVOKABLE uint32_t readRegister(uint16_t regAddress);
    Q_INVOKABLE void writeRegister(uint16_t regAddress, uint32_t value);
    Q_INVOKABLE void writeCalibrationValue(uint16_t registerAddress, uint32_t value);

    Q_INVOKABLE void startContinuousADRead(int intervalMs);
    Q_INVOKABLE void startContinuousADRead() { startContinuousADRead(1000); }
    Q_INVOKABLE void startContinuousMeasuringValueRead(int intervalMs);
    Q_INVOKABLE void startContinuousMeasuringValueRead() { startContinuousMeasuringValueRead(1000); }
    Q_INVOKABLE void stopContinuousADRead();
    // Milliseconds since the running worker last read a good value (AD or measuring value); -1 when no
    // worker runs or it has read none yet. Screens use it to tell a live value from a stale one.
    Q_INVOKABLE qint64 getMsSinceLastReading() const { return m_worker.msSinceLastReading(); }
    // Why the running worker has had no good reading lately, in a few words ("refused: Modbus exception
    // 2", "bad checksum", "two devices answer id 5?"); "" when it reads, or when nothing came at all.
    Q_INVOKABLE QString getStaleReason() const { return m_worker.staleReason(); }

    Q_INVOKABLE void zero();
    Q_INVOKABLE void tare();
    Q_INVOKABLE void calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight);

    Q_INVOKABLE void setZeroPoint(uint32_t zeroPoint);
    Q_INVOKABLE void setFIRFiltering(bool enable);
    Q_INVOKABLE void setFilteringLevel(uint8_t level);
    Q_INVOKABLE void setFilteringBandwidth(uint16_t bandwidth);
    Q_INVOKABLE void setAutoZeroTrackingTime(uint16_t timeMs);
    Q_INVOKABLE void setAutoZeroTrackingBandwidth(uint16_t bandwidth);
    Q_INVOKABLE void setStabilityDeterminationTime(uint32_t time);
    // The seven settings above as the amplifier holds them, keyed by the setter's name without "set" in
    // lower camel case ("filteringLevel", ...). All or nothing: on the first read that fails the map holds
    // only "error", the reason, so that no setting is ever shown that was not read.
    Q_INVOKABLE QVariantMap readFilterSettings();
    // Writes the settings given (keys as readFilterSettings gives them) all or nothing: a value outside
    // what the register takes refuses the whole map before anything is sent. Reports by commandFinished.
    Q_INVOKABLE void writeFilterSettings(const QVariantMap &settings);

    // Why calibrating with these AD values may go wrong although the calibration rule accepts them (two
    // points within the noise of the AD read-out this amplifier measured lately), or an empty string.
    Q_INVOKABLE QString calibrationWarning(const QList<uint32_t> &adValues) const;

    // Runs the self-test; every register its writes touch is saved first and written back at the end,
    // also when stopped. Reports by logMessage, then commandFinished("selfTest", ...) with a summary.
    Q_INVOKABLE void testAllRegisters();
    // Ends a running self-test early: it writes back what it saved first. Safe from any thread and from a
    // POSIX signal handler (one lock-free store).
    Q_INVOKABLE void stopSelfTest() { m_stopRequested.store(true); }

    // Whether a tare this program switched on is in force (the amplifier confirmed it): the weight is net.
    Q_INVOKABLE bool isTareActive() const override { return m_tareActive; }
    bool supportsMultiPointCalibration() const { return capabilities().multiPointCalibration; }
    bool supportsFilterReadBack() const { return capabilities().filterReadBack; }
    bool supportsSelfTest() const { return capabilities().selfTest; }
    bool supportsScan() const { return capabilities().scan; }
    qint64 msSinceLastReading() const override { return m_worker.msSinceLastReading(); }
    QString staleReason() const override { return m_worker.staleReason(); }
    // Protocol, port and address in a few words ("RS485 /dev/ttyUSB0 #2"), to tell amplifiers apart.
    Q_INVOKABLE virtual QString getLinkDescription() const = 0;

    // For tools and tests; not part of the QML surface.
    bool isReading() const { return m_worker.isRunning(); }
    // Measuring-value cycles that ended with a valid answer, changed value or not.
    quint64 completedMeasuringCycles() const { return m_measuringCycles.load(); }
    // The count first: the value stored before that count was reached is then at least as new.
    Reading latestReading() const override { return {m_measuringCycles.load(), m_weight.get()}; }
    QString selectedUnit() const { return m_unit->get(); }

signals:
    void connectionSuccessful();
    void connectionFailed(QString error);
    void adValueReceived(uint32_t adValue);
    void readErrorOccurred(QString error);
    void calibrationSuccessful();
    void calibrationFailed(QString error);
    void measuringValueReceived(uint32_t measuringValue);
    void unitChanged(QString unit);
    void logMessage(QString msg);
    // Emitted once at the end of zero, tare, calibration ("zero", "tare", "calibrate"), writeFilterSettings
    // ("filters") and the self-test ("selfTest"): whether it was done and read back, and what the
    // amplifier holds when it was not.
    void commandFinished(QString command, bool ok, QString message);

public:
    // The few things in which the RS232 and RS485 drivers differ above the exchange itself.
    struct LinkProfile {
        QString readMeasurementNotConnected;
        QString startMeasuringNotConnected;
        QString zeroNotConnected;
        QString tareNotConnected;
        // RS232 refuses a two-point calibration on a closed port before any exchange.
        bool twoPointChecksConnection = true;
        // RS485: readMeasurement stops a running worker and restarts the measuring-value worker after it.
        bool readMeasurementPausesWorker = false;
        // RS232: the AD cycle names a wrong first byte as such ("Unexpected start byte ...").
        bool adStartByteCheck = true;
        // RS485: readRegister logs a refused answer.
        bool warnOnBadRegisterRead = false;
    };

protected:
    // `sharedUnit` non-null: the unit selection is shared by every amplifier given the same storage.
    RegisterAmplifier(const QString &modelName, const QString &protocolName, LinkProfile profile,
                      QString *sharedUnit, QObject *parent);

    // The Modbus address byte of every request.
    virtual uint8_t addressByte() const = 0;
    // One request-and-answer exchange; returns what arrived (maybe short). Raises std::runtime_error with
    // the link's texts. Called from the GUI thread and the worker thread.
    virtual std::vector<uint8_t> exchange(const std::vector<uint8_t> &request, size_t expectedSize) = 0;
    // A text line (the bytes already end with a line feed); nothing is read. Raises on failure.
    virtual void sendText(const std::vector<uint8_t> &line) = 0;
    // The calibration write with the link's own checks; returns what came back (maybe nothing), raises on
    // failure. Whether the answer confirms the write is judged above the link.
    virtual std::vector<uint8_t> writeCalibrationFrame(const std::vector<uint8_t> &request) = 0;
    // The connection test; may raise (RS485 passes the line's error on to connect).
    virtual bool handshake() = 0;
    // The exchange of one raw-AD cycle. Returns nullopt when there is no usable answer, with the reasons
    // the link gives in `problems`, in the order they happened. Default: exchange() expecting 9 bytes.
    virtual std::optional<std::vector<uint8_t>> exchangeAdCycle(const std::vector<uint8_t> &request,
                                                                QStringList &problems);

    // Sends the read request for 0x1F40 and decodes its answer; for handshakes. When it fails, `cause` says
    // why (modbus::whyNotAnswered; empty when nothing came).
    bool adRegisterAnswers(QString *cause = nullptr);
    // The connection failure for a handshake that failed with `cause`, one sentence.
    static QString handshakeFailureText(const QString &cause);
    // Checks the points with the calibration rule, then writes the calibration block (point 0's weight always
    // 0, weights x100, the point count last) and reports by calibrationSuccessful / calibrationFailed.
    void writeCalibrationPoints(const QList<uint32_t> &adValues, const QList<uint32_t> &weights);
    // For destructors: the worker's cycles call into the link, so the link must outlive it.
    void stopWorker() { m_worker.stop(); }

private:
    ReadingWorker::Outcome adCycle();
    ReadingWorker::Outcome measuringCycle();
    void startWorker(ReadingWorker::Cycle cycle, int intervalMs);
    // A read of `reg` whose answer passed every check, or nullopt with the reason in `cause`. Raises the
    // link's errors.
    std::optional<uint32_t> readChecked(uint16_t reg, QString *cause);
    // readRegister's value: 0 when the answer was refused. Raises the link's errors.
    uint32_t readOrZero(uint16_t reg);
    // A register write that counts as done only when the amplifier echoes it; raises the link's errors and,
    // when the echo is missing or wrong, a text naming the register and the reason.
    void writeRaw(uint16_t reg, uint32_t value);
    // One write judged by its answer: nullopt when confirmed. Raises the link's errors.
    std::optional<writetx::Failure> writeJudged(uint16_t reg, uint32_t value, bool calibrationFrame);
    // Reading and writing `regs` for an all-or-nothing write (writetx).
    writetx::Access registerAccess(std::vector<uint16_t> regs, bool calibrationFrame);
    // The filter registers of these rows of the filter table.
    writetx::Access filterAccess(const std::vector<size_t> &rows);
    void finish(const QString &command, bool ok, const QString &message) {
        emit commandFinished(command, ok, message);
    }
    void writeCalibrationChecked(uint8_t address, uint16_t reg, uint32_t value);
    static void confirmWrite(uint8_t address, uint16_t reg, const std::vector<uint8_t> &answer);
    // readMeasurement's work: emits adValueReceived or readErrorOccurred; nullopt on a refused answer.
    // Raises the link's errors.
    std::optional<uint32_t> measureAd();
    // measureAd with the link's worker pause around it, reporting a raised error too.
    std::optional<uint32_t> measureReported();
    // A setter's write; a link failure is reported, never raised.
    void writeSetting(uint16_t reg, uint32_t value);
    // The text for a refused answer: `lengthText` when the length was wrong (the link's own message),
    // otherwise one that names the check that failed.
    static QString refusedAnswerText(const QString &lengthText, const QString &what,
                                     const modbus::Answer &answer);
    void narrate(const QString &line);

    LinkProfile m_profile;
    std::optional<SelectedUnit> m_unit;
    StoredWeight m_weight;
    std::atomic<quint64> m_measuringCycles{0};
    bool m_tareActive = false;
    uint32_t m_savedTare = 0;
    ReadingWorker m_worker;
    calibration::NoiseWindow m_noise;
    static_assert(std::atomic<bool>::is_always_lock_free, "stopSelfTest is called from signal handlers");
    std::atomic<bool> m_stopRequested{false};
};
