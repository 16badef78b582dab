#include "amplifiers/rs232/RegisterAmplifier.h"

#include "amplifiers/Calibration.h"

#include <QDebug>
#include <QThread>

#include <cmath>
#include <exception>
#include <numeric>
#include <stdexcept>

namespace {

constexpr uint16_t kMeasuringValueRegister = 0x0000;
constexpr uint16_t kZeroOffsetRegister = 0x0004;
constexpr uint16_t kPointCountRegister = 0x0006;
constexpr uint16_t kFirstPointAdRegister = 0x0008;
constexpr uint16_t kFirstPointWeightRegister = 0x001A;
constexpr uint16_t kFirFilterRegister = 0x0034;
constexpr uint16_t kFilterLevelRegister = 0x0056;
constexpr uint16_t kFilterBandwidthRegister = 0x0058;
constexpr uint16_t kTrackingTimeRegister = 0x005C;
constexpr uint16_t kTrackingBandwidthRegister = 0x005E;
constexpr uint16_t kStabilityTimeRegister = 0x0060;
constexpr uint16_t kZeroPointRegister = 0x0064;

constexpr int kResumeIntervalMs = 100;
constexpr unsigned long kSettleMs = 50;

QString hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

// The low 32 bits of the value truncated toward zero, as a two's complement pattern; for any finite value,
// including those beyond the 64-bit range a plain cast could not hold.
uint32_t truncatedLow32(double value) {
    if (!std::isfinite(value))
        return 0;
    double wrapped = std::fmod(std::trunc(value), 4294967296.0);
    if (wrapped < 0)
        wrapped += 4294967296.0;
    return static_cast<uint32_t>(wrapped);
}

} // namespace

RegisterAmplifier::RegisterAmplifier(const QString &modelName, const QString &protocolName,
                                     LinkProfile profile, QString *sharedUnit, QObject *parent)
    : QObject(parent)
    , AmplifierBase(modelName, protocolName)
    , m_profile(std::move(profile)) {
    if (sharedUnit)
        m_unit.emplace(sharedUnit);
    else
        m_unit.emplace();
}

RegisterAmplifier::~RegisterAmplifier() {
    m_worker.stop();
}

void RegisterAmplifier::setUnit(const QString &unit) {
    m_unit->set(unit);
}

double RegisterAmplifier::getMeasuredWeight() const {
    return weight::toDisplay(m_weight.get(), m_unit->get());
}

void RegisterAmplifier::setMeasuredWeight(double value) {
    if (m_weight.setIfChanged(value))
        emit measuringValueReceived(truncatedLow32(value));
}

void RegisterAmplifier::calibrate(const QString &calibrationType, double value) {
    sendCommand(calibrationType.toUpper() + QLatin1Char(':') + QString::number(value, 'g', 6));
}

void RegisterAmplifier::sendCommand(const QString &command) {
    QByteArray line = command.toUtf8();
    line.append('\n');
    try {
        sendText(std::vector<uint8_t>(line.begin(), line.end()));
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
    }
}

std::vector<uint8_t> RegisterAmplifier::sendCommand(std::vector<uint8_t> command,
                                                    size_t expectedResponseSize) {
    try {
        return exchange(command, expectedResponseSize);
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
        return {};
    }
}

bool RegisterAmplifier::performHandshake() {
    try {
        return handshake();
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
        return false;
    }
}

bool RegisterAmplifier::adRegisterAnswers(QString *cause) {
    const uint8_t address = addressByte();
    const std::vector<uint8_t> request = modbus::readRequest(address, modbus::kAdRegister);
    const std::vector<uint8_t> answer = exchange(request, modbus::kReadAnswerSize);
    const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(answer, address);
    if (!decoded.ok() && cause)
        *cause = QString::fromStdString(modbus::whyNotAnswered(request, answer, decoded));
    return decoded.ok();
}

QString RegisterAmplifier::handshakeFailureText(const QString &cause) {
    if (cause.isEmpty())
        return QStringLiteral("Handshake failed. Amplifier may not be responsive.");
    return QStringLiteral("Handshake failed: %1.").arg(cause);
}

std::optional<uint32_t> RegisterAmplifier::readChecked(uint16_t reg, QString *cause) {
    const uint8_t address = addressByte();
    const modbus::ReadAnswer answer = modbus::decodeReadAnswer(
        exchange(modbus::readRequest(address, reg), modbus::kReadAnswerSize), address);
    if (answer.ok())
        return answer.value;
    if (m_profile.warnOnBadRegisterRead) {
        if (answer.fault == modbus::AnswerFault::WrongLength)
            qWarning().noquote() << "❌ readRegister() invalid response size:" << answer.size;
        else
            qWarning().noquote() << "❌ readRegister() invalid response:"
                                 << QString::fromStdString(modbus::describe(answer));
    }
    if (cause)
        *cause = QString::fromStdString(modbus::describe(answer));
    return std::nullopt;
}

uint32_t RegisterAmplifier::readOrZero(uint16_t reg) {
    return readChecked(reg, nullptr).value_or(0);
}

void RegisterAmplifier::confirmWrite(uint8_t address, uint16_t reg, const std::vector<uint8_t> &answer) {
    const modbus::Answer decoded = modbus::decodeWriteAnswer(answer, address, reg);
    if (decoded.ok())
        return;
    const std::string why =
        decoded.size == 0 ? std::string("no answer from the amplifier") : modbus::describe(decoded);
    throw std::runtime_error(QStringLiteral("Write to register 0x%1 not confirmed: %2.")
                                 .arg(hex4(reg), QString::fromStdString(why))
                                 .toStdString());
}

void RegisterAmplifier::writeRaw(uint16_t reg, uint32_t value) {
    const uint8_t address = addressByte();
    confirmWrite(address, reg, exchange(modbus::writeRequest(address, reg, value), modbus::kWriteAnswerSize));
}

void RegisterAmplifier::writeCalibrationChecked(uint8_t address, uint16_t reg, uint32_t value) {
    confirmWrite(address, reg, writeCalibrationFrame(modbus::writeRequest(address, reg, value)));
}

std::optional<writetx::Failure> RegisterAmplifier::writeJudged(uint16_t reg, uint32_t value,
                                                               bool calibrationFrame) {
    const uint8_t address = addressByte();
    const std::vector<uint8_t> request = modbus::writeRequest(address, reg, value);
    const modbus::Answer answer = modbus::decodeWriteAnswer(
        calibrationFrame ? writeCalibrationFrame(request) : exchange(request, modbus::kWriteAnswerSize),
        address, reg);
    if (answer.ok())
        return std::nullopt;
    if (answer.fault == modbus::AnswerFault::Exception)
        return writetx::Failure{true, QStringLiteral("Modbus exception %1").arg(answer.exceptionCode)};
    return writetx::Failure{false, answer.size == 0 ? QStringLiteral("no answer from the amplifier")
                                                    : QString::fromStdString(modbus::describe(answer))};
}

writetx::Access RegisterAmplifier::registerAccess(std::vector<uint16_t> regs, bool calibrationFrame) {
    writetx::Access access;
    access.name = [regs](size_t i) {
        return QStringLiteral("0x") + QStringLiteral("%1").arg(regs[i], 4, 16, QLatin1Char('0')).toUpper();
    };
    access.read = [this, regs](size_t i, QString *cause) {
        return readChecked(regs[i], cause);
    };
    access.write = [this, regs, calibrationFrame](size_t i, uint32_t value) {
        return writeJudged(regs[i], value, calibrationFrame);
    };
    return access;
}

uint32_t RegisterAmplifier::readRegister(uint16_t regAddress) {
    try {
        return readOrZero(regAddress);
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
        return 0;
    }
}

void RegisterAmplifier::writeRegister(uint16_t regAddress, uint32_t value) {
    try {
        writeRaw(regAddress, value);
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void RegisterAmplifier::writeCalibrationValue(uint16_t registerAddress, uint32_t value) {
    try {
        writeCalibrationChecked(addressByte(), registerAddress, value);
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
    }
}

QString RegisterAmplifier::refusedAnswerText(const QString &lengthText, const QString &what,
                                             const modbus::ReadAnswer &answer) {
    if (answer.fault == modbus::AnswerFault::WrongLength)
        return lengthText;
    return QStringLiteral("Invalid response while reading %1: %2.")
        .arg(what, QString::fromStdString(modbus::describe(answer)));
}

std::optional<uint32_t> RegisterAmplifier::measureAd() {
    const uint8_t address = addressByte();
    const modbus::ReadAnswer answer = modbus::decodeReadAnswer(
        exchange(modbus::readRequest(address, modbus::kAdRegister), modbus::kReadAnswerSize), address);
    if (!answer.ok()) {
        emit readErrorOccurred(
            refusedAnswerText(QStringLiteral("Invalid response length while reading measurement."),
                              QStringLiteral("measurement"), answer));
        return std::nullopt;
    }
    emit adValueReceived(answer.value);
    return answer.value;
}

std::optional<uint32_t> RegisterAmplifier::measureReported() {
    bool resume = false;
    if (m_profile.readMeasurementPausesWorker) {
        resume = m_worker.isRunning();
        m_worker.stop();
        QThread::msleep(kSettleMs);
    }
    // Returned from inside the try block, never assigned there: GCC 12 at -O2 left an optional assigned
    // inside a try engaged (holding garbage) when the call raised.
    const std::optional<uint32_t> value = [this]() -> std::optional<uint32_t> {
        try {
            return measureAd();
        } catch (const std::exception &e) {
            emit readErrorOccurred(QString::fromUtf8(e.what()));
            return std::nullopt;
        }
    }();
    if (resume)
        startContinuousMeasuringValueRead(kResumeIntervalMs);
    return value;
}

uint32_t RegisterAmplifier::readMeasurement() {
    if (!isConnected()) {
        emit readErrorOccurred(m_profile.readMeasurementNotConnected);
        return 0;
    }
    return measureReported().value_or(0);
}

// ---------------------------------------------------------------------------------------------------------
// Continuous reading

void RegisterAmplifier::startContinuousADRead(int intervalMs) {
    if (!isConnected()) {
        emit readErrorOccurred(QStringLiteral("Amplifier is not connected. Cannot start AD reading."));
        return;
    }
    if (!m_worker.isRunning())
        m_noise.clear();
    startWorker([this] { return adCycle(); }, intervalMs);
}

void RegisterAmplifier::startContinuousMeasuringValueRead(int intervalMs) {
    if (!isConnected()) {
        emit readErrorOccurred(m_profile.startMeasuringNotConnected);
        return;
    }
    startWorker([this] { return measuringCycle(); }, intervalMs);
}

void RegisterAmplifier::startWorker(ReadingWorker::Cycle cycle, int intervalMs) {
    m_worker.start(std::move(cycle), intervalMs,
                   [this](const QString &error) { emit readErrorOccurred(error); });
}

void RegisterAmplifier::stopContinuousADRead() {
    m_worker.stop();
}

std::optional<std::vector<uint8_t>> RegisterAmplifier::exchangeAdCycle(const std::vector<uint8_t> &request,
                                                                       QStringList & /*problems*/) {
    return exchange(request, modbus::kReadAnswerSize);
}

ReadingWorker::Outcome RegisterAmplifier::adCycle() {
    try {
        const uint8_t address = addressByte();
        QStringList problems;
        const std::optional<std::vector<uint8_t>> answer =
            exchangeAdCycle(modbus::readRequest(address, modbus::kAdRegister), problems);
        for (const QString &problem : problems)
            m_worker.report(problem);
        if (!answer)
            return ReadingWorker::Outcome::Failed;
        if (m_profile.adStartByteCheck && !answer->empty() && answer->front() != address) {
            m_worker.report(QStringLiteral("Unexpected start byte in response. Check serial buffer."));
            return ReadingWorker::Outcome::Failed;
        }
        const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(*answer, address);
        if (!decoded.ok()) {
            // The calibration page's read-out says why it stopped, as the tiles do.
            m_worker.report(
                refusedAnswerText(QStringLiteral("Invalid response length while reading AD value."),
                                  QStringLiteral("AD value"), decoded),
                QString::fromStdString(modbus::shortFault(decoded)));
            return ReadingWorker::Outcome::Failed;
        }
        m_noise.add(decoded.value);
        emit adValueReceived(decoded.value);
        return ReadingWorker::Outcome::Reading;
    } catch (const std::exception &e) {
        const QString what = QString::fromUtf8(e.what());
        m_worker.report(QStringLiteral("Error while reading AD value: %1").arg(what), what);
        return ReadingWorker::Outcome::Failed;
    }
}

ReadingWorker::Outcome RegisterAmplifier::measuringCycle() {
    try {
        const uint8_t address = addressByte();
        const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(
            exchange(modbus::readRequest(address, kMeasuringValueRegister), modbus::kReadAnswerSize),
            address);
        if (!decoded.ok()) {
            m_worker.report(
                refusedAnswerText(QStringLiteral("Invalid response length while reading measuring value."),
                                  QStringLiteral("measuring value"), decoded),
                QString::fromStdString(modbus::shortFault(decoded)));
            return ReadingWorker::Outcome::Failed;
        }
        // The pattern of a signed value widened to 64 bits and cut to its low 32 is the raw register value.
        if (m_weight.setIfChanged(static_cast<double>(modbus::asSigned(decoded.value))))
            emit measuringValueReceived(decoded.value);
        ++m_measuringCycles;
        return ReadingWorker::Outcome::Reading;
    } catch (const std::exception &e) {
        const QString what = QString::fromUtf8(e.what());
        m_worker.report(QStringLiteral("Error while reading measuring value: %1").arg(what), what);
        return ReadingWorker::Outcome::Failed;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Zero, tare, calibration

void RegisterAmplifier::zero() {
    if (!isConnected()) {
        emit readErrorOccurred(m_profile.zeroNotConnected);
        finish(QStringLiteral("zero"), false, m_profile.zeroNotConnected);
        return;
    }
    const bool resume = m_worker.isRunning();
    if (resume) {
        m_worker.stop();
        QThread::msleep(kSettleMs);
    }
    QString failure;
    QString done;
    try {
        // A refused read must not count as 0: the sum would then overwrite the stored offset.
        QString cause;
        const std::optional<uint32_t> measuring = readChecked(kMeasuringValueRegister, &cause);
        if (!measuring) {
            failure = QStringLiteral("Zero aborted: the measuring value could not be read (%1); nothing was "
                                     "written.")
                          .arg(cause);
        } else {
            // The offset is read again inside the write, which keeps it to put back on a failure.
            const std::optional<uint32_t> offset = readChecked(kZeroOffsetRegister, &cause);
            if (!offset) {
                failure = QStringLiteral("Zero aborted: the zero offset could not be read (%1); nothing was "
                                         "written.")
                              .arg(cause);
            } else {
                const uint32_t newOffset = *measuring + *offset;
                const writetx::Outcome outcome =
                    writetx::run(registerAccess({kZeroOffsetRegister}, false), {newOffset},
                                 QStringLiteral("the previous zero offset was"));
                if (outcome.ok)
                    done = QStringLiteral("Zero done: the zero offset %1 was written and read back.")
                               .arg(modbus::asSigned(newOffset));
                else
                    failure = QStringLiteral("Zero failed: %1").arg(outcome.message);
            }
        }
    } catch (const std::exception &e) {
        // Only the reads before the write raise (the write itself reports and puts back what it held).
        failure = QStringLiteral("Zero aborted: %1; nothing was written.").arg(QString::fromUtf8(e.what()));
    }
    if (!failure.isEmpty())
        emit readErrorOccurred(failure);
    if (resume)
        startContinuousMeasuringValueRead(kResumeIntervalMs);
    finish(QStringLiteral("zero"), failure.isEmpty(), failure.isEmpty() ? done : failure);
}

void RegisterAmplifier::tare() {
    const QString command = QStringLiteral("tare");
    if (!isConnected()) {
        emit readErrorOccurred(m_profile.tareNotConnected);
        finish(command, false, m_profile.tareNotConnected);
        return;
    }
    // The measuring value register is live: it cannot be read back as written. The echo of the write is
    // the confirmation, and the tare state changes only with it.
    const bool on = !m_tareActive;
    uint32_t value = m_savedTare;
    if (on) {
        // Without a value to restore, switching tare on would later write 0 back as the "saved" value.
        const std::optional<uint32_t> saved = measureReported();
        if (!saved) {
            const QString why = QStringLiteral("Failed to read measurement value for tare.");
            emit readErrorOccurred(why);
            finish(command, false, why + QStringLiteral(" Nothing was written; the tare is still off."));
            return;
        }
        value = *saved;
    }
    std::optional<writetx::Failure> failure;
    try {
        failure = writeJudged(kMeasuringValueRegister, on ? 0u : value, false);
    } catch (const std::exception &e) {
        failure = writetx::Failure{false, QString::fromUtf8(e.what())};
    }
    if (!failure) {
        m_savedTare = value;
        m_tareActive = on;
        finish(command, true, on ? QStringLiteral("Tare on.") : QStringLiteral("Tare off."));
        return;
    }
    const QString state = on ? QStringLiteral("off") : QStringLiteral("on");
    const QString message =
        failure->refused
            ? QStringLiteral("Tare failed: refused at 0x0000 (%1); the tare is still %2.")
                  .arg(failure->reason, state)
            : QStringLiteral(
                  "Tare failed at 0x0000 (%1); whether the amplifier switched its tare is not known "
                  "(the program counts it as still %2).")
                  .arg(failure->reason, state);
    emit readErrorOccurred(message);
    finish(command, false, message);
}

void RegisterAmplifier::calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight) {
    if (m_profile.twoPointChecksConnection && !isConnected()) {
        const QString why = QStringLiteral("Amplifier is not connected.");
        emit calibrationFailed(why);
        finish(QStringLiteral("calibrate"), false, why);
        return;
    }
    writeCalibrationPoints({zeroValue, spanValue}, {0, spanWeight});
}

QString RegisterAmplifier::calibrationWarning(const QList<uint32_t> &adValues) const {
    return calibration::closeAdWarning(adValues, m_noise.peakToPeak());
}

void RegisterAmplifier::writeCalibrationPoints(const QList<uint32_t> &adValues,
                                               const QList<uint32_t> &weights) {
    const QString command = QStringLiteral("calibrate");
    const QString refusal = calibration::refusal(adValues, weights);
    if (!refusal.isEmpty()) {
        emit calibrationFailed(refusal);
        finish(command, false, refusal + QStringLiteral(" Nothing was written."));
        return;
    }
    std::vector<uint16_t> regs;
    std::vector<uint32_t> values;
    for (qsizetype i = 0; i < adValues.size(); ++i) {
        const auto offset = static_cast<uint16_t>(2 * i);
        regs.push_back(static_cast<uint16_t>(kFirstPointAdRegister + offset));
        values.push_back(adValues[i]);
        regs.push_back(static_cast<uint16_t>(kFirstPointWeightRegister + offset));
        // Point 0 is the zero point: its weight is 0 whatever the caller passed.
        values.push_back(i == 0 ? 0u : calibration::hundredths(weights[i]));
    }
    // An old zero offset would shift the new curve: the span load would not read the span weight.
    regs.push_back(kZeroOffsetRegister);
    values.push_back(0);
    // The point count last: until then the amplifier keeps weighing with the points it counts.
    regs.push_back(kPointCountRegister);
    values.push_back(static_cast<uint32_t>(adValues.size()));
    const writetx::Outcome outcome =
        writetx::run(registerAccess(regs, true), values, QStringLiteral("the previous calibration was"));
    if (!outcome.ok) {
        const QString message = QStringLiteral("Calibration failed: %1").arg(outcome.message);
        emit calibrationFailed(message);
        finish(command, false, message);
        return;
    }
    emit calibrationSuccessful();
    finish(command, true,
           QStringLiteral("Calibration written and read back; the zero offset is reset to 0."));
}

// ---------------------------------------------------------------------------------------------------------
// Filter and tracking settings

void RegisterAmplifier::writeSetting(uint16_t reg, uint32_t value) {
    try {
        writeRaw(reg, value);
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void RegisterAmplifier::setZeroPoint(uint32_t zeroPoint) {
    writeSetting(kZeroPointRegister, zeroPoint);
}

void RegisterAmplifier::setFIRFiltering(bool enable) {
    writeSetting(kFirFilterRegister, enable ? 1u : 0u);
}

void RegisterAmplifier::setFilteringLevel(uint8_t level) {
    writeSetting(kFilterLevelRegister, qMin<uint32_t>(level, 5));
}

void RegisterAmplifier::setFilteringBandwidth(uint16_t bandwidth) {
    writeSetting(kFilterBandwidthRegister, qMin<uint32_t>(bandwidth, 1000));
}

void RegisterAmplifier::setAutoZeroTrackingTime(uint16_t timeMs) {
    writeSetting(kTrackingTimeRegister, qMin<uint32_t>(timeMs, 50));
}

void RegisterAmplifier::setAutoZeroTrackingBandwidth(uint16_t bandwidth) {
    writeSetting(kTrackingBandwidthRegister, qMin<uint32_t>(bandwidth, 10000));
}

void RegisterAmplifier::setStabilityDeterminationTime(uint32_t time) {
    writeSetting(kStabilityTimeRegister, qBound<uint32_t>(1, time, 50));
}

namespace {

// The filter, tracking and zero-point settings in the order the filter screen writes them, with the values
// each register takes.
struct FilterRegister {
    writetx::SettingRange range;
    uint16_t reg;
};
const std::vector<FilterRegister> &filterRegisters() {
    static const std::vector<FilterRegister> kRegisters = {
        {{"firFiltering", 0, 1}, kFirFilterRegister},
        {{"filteringLevel", 0, 5}, kFilterLevelRegister},
        {{"filteringBandwidth", 0, 1000}, kFilterBandwidthRegister},
        {{"autoZeroTrackingTime", 0, 50}, kTrackingTimeRegister},
        {{"autoZeroTrackingBandwidth", 0, 10000}, kTrackingBandwidthRegister},
        {{"stabilityDeterminationTime", 1, 50}, kStabilityTimeRegister},
        {{"zeroPoint", 0, 0xFFFFFFFFu}, kZeroPointRegister},
    };
    return kRegisters;
}

std::vector<writetx::SettingRange> filterTable() {
    std::vector<writetx::SettingRange> table;
    for (const FilterRegister &setting : filterRegisters())
        table.push_back(setting.range);
    return table;
}

} // namespace

writetx::Access RegisterAmplifier::filterAccess(const std::vector<size_t> &rows) {
    std::vector<uint16_t> regs;
    for (const size_t row : rows)
        regs.push_back(filterRegisters()[row].reg);
    return registerAccess(regs, false);
}

QVariantMap RegisterAmplifier::readFilterSettings() {
    std::vector<size_t> all(filterRegisters().size());
    std::iota(all.begin(), all.end(), size_t{0});
    return writetx::readSettings(filterTable(), filterAccess(all));
}

void RegisterAmplifier::writeFilterSettings(const QVariantMap &settings) {
    const writetx::Outcome outcome = writetx::writeSettings(
        settings, filterTable(), [this](const std::vector<size_t> &rows) { return filterAccess(rows); });
    finish(QStringLiteral("filters"), outcome.ok, outcome.message);
}
