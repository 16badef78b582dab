#pragma once

#include "device/AmplifierBase.h"
#include "device/ReadingWorker.h"
#include "device/WriteTransaction.h"
#include "protocol/Calibration.h"
#include "protocol/ModbusFrames.h"
#include "protocol/RegisterMap.h"
#include "protocol/Weight.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

// What RS232 and RS485 amplifiers share: the register operations on top of Modbus frames, the two
// continuous-reading workers, zero, tare, calibration, the filter setters and the register self-test.
// A link supplies how one exchange is carried (its own port, or the shared line) and overrides the few
// steps in which the two differ.
//
// The work is split by job: register I/O (RegisterAmplifier.cpp), reading (RegisterReading.cpp), zero,
// tare and calibration (RegisterCommands.cpp), settings (RegisterSettings.cpp), self-test
// (RegisterSelfTest.cpp).
class RegisterAmplifier : public AmplifierBase {
    Q_OBJECT

public:
    ~RegisterAmplifier() override;

    void setUnit(const QString &unit) override;
    double getMeasuredWeight() const override;
    void setMeasuredWeight(double value) override;
    // Redeclared invokable where this class adds an overload: QML looks a name up in one class only.
    Q_INVOKABLE void calibrate(const QString &calibrationType, double value) override;
    Q_INVOKABLE void calibrate(const QString &calibrationType) { calibrate(calibrationType, 0.0); }

    Q_INVOKABLE void sendCommand(const QString &command) override;
    Q_INVOKABLE std::vector<uint8_t> sendCommand(std::vector<uint8_t> command, size_t expectedResponseSize);
    Q_INVOKABLE bool performHandshake();
    Q_INVOKABLE uint32_t readMeasurement();
    Q_INVOKABLE uint32_t readRegister(uint16_t regAddress);
    Q_INVOKABLE void writeRegister(uint16_t regAddress, uint32_t value);
    Q_INVOKABLE void writeCalibrationValue(uint16_t registerAddress, uint32_t value);

    Q_INVOKABLE void startContinuousADRead(int intervalMs) override;
    Q_INVOKABLE void startContinuousADRead() { startContinuousADRead(1000); }
    Q_INVOKABLE void startContinuousMeasuringValueRead(int intervalMs) override;
    Q_INVOKABLE void startContinuousMeasuringValueRead() { startContinuousMeasuringValueRead(1000); }
    void stopContinuousADRead() override;

    void zero() override;
    void tare() override;
    void calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight) override;
    QString calibrationWarning(const QList<uint32_t> &adValues) const override;
    bool isTareActive() const override { return m_tareActive; }

    QVariantMap readFilterSettings() override;
    void writeFilterSettings(const QVariantMap &settings) override;
    writetx::Access storedValueAccess(const std::vector<regmap::StoredValue> &values) override;

    // Every register its writes touch is saved first and written back at the end, also when stopped. Runs
    // on a thread of its own; returns at once (a second start while one runs is ignored).
    void testAllRegisters() override;
    // One lock-free store: safe from any thread and from a POSIX signal handler.
    void stopSelfTest() override { m_stopRequested.store(true); }
    // Whether a self-test is under way (started and not yet reported).
    bool selfTestRunning() const { return m_selfTestRunning.load(); }

    qint64 msSinceLastReading() const override { return m_worker.msSinceLastReading(); }
    QString staleReason() const override { return m_worker.staleReason(); }
    Q_INVOKABLE qint64 getMsSinceLastReading() const { return msSinceLastReading(); }
    Q_INVOKABLE QString getStaleReason() const { return staleReason(); }

    // For tools and tests; not part of the QML surface.
    bool isReading() const { return m_worker.isRunning(); }
    // Measuring-value cycles that ended with a valid answer, changed value or not.
    quint64 completedMeasuringCycles() const { return m_measuringCycles.load(); }
    // The count first: the value stored before that count was reached is then at least as new.
    Reading latestReading() const override { return {m_measuringCycles.load(), m_weight.get()}; }
    QString selectedUnit() const { return m_unit->get(); }

signals:
    void unitChanged(QString unit);

public:
    // What the two serial families say when an operation finds the link closed.
    struct NotConnectedTexts {
        QString readMeasurement;
        QString startMeasuring;
        QString zero;
        QString tare;
    };

protected:
    // `sharedUnit` non-null: the unit selection is shared by every amplifier given the same storage.
    RegisterAmplifier(const QString &modelName, const QString &protocolName, NotConnectedTexts texts,
                      QString *sharedUnit, QObject *parent);

    // The Modbus address byte of every request.
    virtual uint8_t addressByte() const = 0;
    // One request-and-answer exchange; returns what arrived (maybe short). Raises std::runtime_error with
    // the link's texts. Called from the GUI thread, the reading worker and the self-test.
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
    // Why a two-point calibration cannot start on this link now, before any exchange; "" when it can.
    virtual QString calibrationRefusal() const { return {}; }
    // A read whose answer failed a check, before the caller hears why (the RS485 line logs it).
    virtual void noteRefusedRead(const modbus::ReadAnswer &) {}
    // readMeasurement's work, reporting a raised error: emits adValueReceived or readErrorOccurred;
    // nullopt when no value was read. A link whose reading shares its line pauses the worker around it.
    virtual std::optional<uint32_t> measureReported();

    // Stops the worker (waiting 50 ms for the line to settle); whether it was running.
    bool pauseReading();
    // Restarts the measuring-value worker at the fast resume interval.
    void resumeMeasuring();
    // Sends the read request for 0x1F40 and decodes its answer; for handshakes. When it fails, `cause` says
    // why (modbus::whyNotAnswered; empty when nothing came).
    bool adRegisterAnswers(QString *cause = nullptr);
    // The connection failure for a handshake that failed with `cause`, one sentence.
    static QString handshakeFailureText(const QString &cause);
    // Checks the points with the calibration rule, then writes the calibration block (point 0's weight always
    // 0, weights x100, the point count last) and reports by calibrationSuccessful / calibrationFailed.
    void writeCalibrationPoints(const QList<uint32_t> &adValues, const QList<uint32_t> &weights);
    void writeSetting(const char *settingName, double value) override;
    // For destructors: the self-test's and the worker's cycles call into the link, so the link must outlive
    // them. Ends both and waits for them.
    void stopWorker();

private:
    friend class RegisterSelfTest;

    // Runs `work`; what it raises is reported by readErrorOccurred and `fallback` returned instead. The one
    // error path of the operations QML calls.
    template <typename Work, typename Result = std::invoke_result_t<Work>>
    Result reporting(Work &&work, Result fallback = Result()) {
        try {
            return work();
        } catch (const std::exception &e) {
            emit readErrorOccurred(QString::fromUtf8(e.what()));
            return fallback;
        }
    }
    template <typename Work> void reportingVoid(Work &&work) {
        reporting([&] {
            work();
            return true;
        });
    }

    ReadingWorker::Outcome adCycle();
    ReadingWorker::Outcome measuringCycle();
    void startWorker(ReadingWorker::Cycle cycle, int intervalMs);
    // A read of `reg` whose answer passed every check, or nullopt with the reason in `cause`. Raises the
    // link's errors.
    std::optional<uint32_t> readChecked(uint16_t reg, QString *cause);
    // A register write that counts as done only when the amplifier echoes it; raises the link's errors and,
    // when the echo is missing or wrong, a text naming the register and the reason.
    void writeRaw(uint16_t reg, uint32_t value);
    // One write judged by its answer: nullopt when confirmed. Raises the link's errors.
    std::optional<writetx::Failure> writeJudged(uint16_t reg, uint32_t value, bool calibrationFrame);
    // Reading and writing `regs` for an all-or-nothing write (writetx).
    writetx::Access registerAccess(std::vector<uint16_t> regs, bool calibrationFrame);
    // The filter registers of these rows of the serial settings of the register map.
    writetx::Access filterAccess(const std::vector<size_t> &rows);
    void finish(const QString &command, bool ok, const QString &message) {
        emit commandFinished(command, ok, message);
    }
    static void confirmWrite(uint8_t address, uint16_t reg, const std::vector<uint8_t> &answer);
    // Emits adValueReceived or readErrorOccurred; nullopt on a refused answer. Raises the link's errors.
    std::optional<uint32_t> measureAd();
    // The text for a refused answer: `lengthText` when the length was wrong (the link's own message),
    // otherwise one that names the check that failed.
    static QString refusedAnswerText(const QString &lengthText, const QString &what,
                                     const modbus::Answer &answer);
    void joinSelfTest();

    NotConnectedTexts m_texts;
    std::optional<SelectedUnit> m_unit;
    StoredWeight m_weight;
    std::atomic<quint64> m_measuringCycles{0};
    bool m_tareActive = false;
    uint32_t m_savedTare = 0;
    ReadingWorker m_worker;
    calibration::NoiseWindow m_noise;
    static_assert(std::atomic<bool>::is_always_lock_free, "stopSelfTest is called from signal handlers");
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_selfTestRunning{false};
    std::thread m_selfTest;
};
