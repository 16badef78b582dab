#include "amplifiers/rs232/RegisterAmplifier.h"

#include "amplifiers/Calibration.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

#include <cmath>
#include <exception>
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

struct TestEntry {
    const char *name;
    uint16_t reg;
    bool readOnly;
    uint32_t testValue;
};

constexpr TestEntry kTestTable[] = {
    {"AVP1", 0x0007, false, 0x87654321},
    {"AVP2", 0x0009, false, 0x00FF00FF},
    {"只读参数", 0x0011, true, 0},
    {"滤波级别", 0x0056, false, 3},
    {"滤波带宽", 0x0058, false, 500},
    {"自动零点追踪时间", 0x005C, false, 25},
    {"自动零点追踪带宽", 0x005E, false, 5000},
    {"稳定时间", 0x0060, false, 30},
    {"显示分度", 0x0064, false, 100},
};
constexpr uint32_t kAdLowLimit = 1000;
constexpr uint32_t kAdHighLimit = 500000;

QString hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString hex8(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
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
            m_worker.report(
                refusedAnswerText(QStringLiteral("Invalid response length while reading AD value."),
                                  QStringLiteral("AD value"), decoded));
            return ReadingWorker::Outcome::Failed;
        }
        emit adValueReceived(decoded.value);
        return ReadingWorker::Outcome::Reading;
    } catch (const std::exception &e) {
        m_worker.report(QStringLiteral("Error while reading AD value: %1").arg(QString::fromUtf8(e.what())));
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
        return;
    }
    const bool resume = m_worker.isRunning();
    if (resume) {
        m_worker.stop();
        QThread::msleep(kSettleMs);
    }
    try {
        // A refused read must not count as 0: the sum would then overwrite the stored offset.
        QString cause;
        const std::optional<uint32_t> measuring = readChecked(kMeasuringValueRegister, &cause);
        if (!measuring) {
            emit readErrorOccurred(
                QStringLiteral("Zero aborted: the measuring value could not be read (%1).").arg(cause));
        } else if (const std::optional<uint32_t> offset = readChecked(kZeroOffsetRegister, &cause); !offset) {
            emit readErrorOccurred(
                QStringLiteral("Zero aborted: the zero offset could not be read (%1).").arg(cause));
        } else {
            const uint32_t newOffset = *measuring + *offset;
            writeRaw(kZeroOffsetRegister, newOffset);
            const uint32_t readBack = readOrZero(kZeroOffsetRegister);
            if (readBack != newOffset)
                qWarning() << "❌ Zero offset mismatch! Wrote:" << newOffset << " but read:" << readBack;
        }
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
    }
    if (resume)
        startContinuousMeasuringValueRead(kResumeIntervalMs);
}

void RegisterAmplifier::tare() {
    if (!isConnected()) {
        emit readErrorOccurred(m_profile.tareNotConnected);
        return;
    }
    try {
        if (!m_tareActive) {
            // Without a value to restore, switching tare on would later write 0 back as the "saved" value.
            const std::optional<uint32_t> saved = measureReported();
            if (!saved) {
                emit readErrorOccurred(QStringLiteral("Failed to read measurement value for tare."));
                return;
            }
            // The state follows the amplifier: it changes only once the amplifier confirmed the write.
            writeRaw(kMeasuringValueRegister, 0);
            m_savedTare = *saved;
            m_tareActive = true;
        } else {
            writeRaw(kMeasuringValueRegister, m_savedTare);
            m_tareActive = false;
        }
    } catch (const std::exception &e) {
        emit readErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void RegisterAmplifier::calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight) {
    if (m_profile.twoPointChecksConnection && !isConnected()) {
        emit calibrationFailed(QStringLiteral("Amplifier is not connected."));
        return;
    }
    writeCalibrationPoints({zeroValue, spanValue}, {0, spanWeight});
}

void RegisterAmplifier::writeCalibrationPoints(const QList<uint32_t> &adValues,
                                               const QList<uint32_t> &weights) {
    const QString refusal = calibration::refusal(adValues, weights);
    if (!refusal.isEmpty()) {
        emit calibrationFailed(refusal);
        return;
    }
    try {
        const uint8_t address = addressByte();
        for (qsizetype i = 0; i < adValues.size(); ++i) {
            const auto offset = static_cast<uint16_t>(2 * i);
            writeCalibrationChecked(address, static_cast<uint16_t>(kFirstPointAdRegister + offset),
                                    adValues[i]);
            // Point 0 is the zero point: its weight is 0 whatever the caller passed.
            const uint32_t weight = i == 0 ? 0u : calibration::hundredths(weights[i]);
            writeCalibrationChecked(address, static_cast<uint16_t>(kFirstPointWeightRegister + offset),
                                    weight);
        }
        writeCalibrationChecked(address, kPointCountRegister, static_cast<uint32_t>(adValues.size()));
    } catch (const std::exception &e) {
        emit calibrationFailed(QStringLiteral("Calibration failed: %1").arg(QString::fromUtf8(e.what())));
        return;
    }
    emit calibrationSuccessful();
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

QVariantMap RegisterAmplifier::readFilterSettings() {
    static constexpr struct {
        const char *key;
        uint16_t reg;
    } kSettings[] = {
        {"firFiltering", kFirFilterRegister},
        {"filteringLevel", kFilterLevelRegister},
        {"filteringBandwidth", kFilterBandwidthRegister},
        {"autoZeroTrackingTime", kTrackingTimeRegister},
        {"autoZeroTrackingBandwidth", kTrackingBandwidthRegister},
        {"stabilityDeterminationTime", kStabilityTimeRegister},
        {"zeroPoint", kZeroPointRegister},
    };
    QVariantMap settings;
    try {
        for (const auto &setting : kSettings) {
            QString cause;
            const std::optional<uint32_t> value = readChecked(setting.reg, &cause);
            if (!value)
                return {{QStringLiteral("error"), cause}};
            settings.insert(QLatin1String(setting.key), static_cast<qulonglong>(*value));
        }
    } catch (const std::exception &e) {
        return {{QStringLiteral("error"), QString::fromUtf8(e.what())}};
    }
    return settings;
}

// ---------------------------------------------------------------------------------------------------------
// Register self-test

void RegisterAmplifier::narrate(const QString &line) {
    emit logMessage(line);
    // The test runs on the GUI thread; let the screen show each line as it comes.
    QCoreApplication::processEvents();
}

void RegisterAmplifier::testAllRegisters() {
    constexpr size_t kEntries = std::size(kTestTable);
    narrate(QStringLiteral("启动放大器功能测试程序..."));
    const bool resume = m_worker.isRunning();
    if (resume) {
        m_worker.stop();
        QThread::msleep(kSettleMs);
    }

    // The test overwrites the technician's filter, tracking, stability and division settings; keep them
    // to write back afterwards. An entry whose value cannot be read first is not overwritten at all.
    std::optional<uint32_t> saved[kEntries];
    narrate(QStringLiteral("【保存】正在读取测试前的参数值..."));
    for (size_t i = 0; i < kEntries; ++i) {
        const TestEntry &entry = kTestTable[i];
        if (entry.readOnly)
            continue;
        const QString label = QString::fromUtf8(entry.name);
        QString cause;
        saved[i] = [&]() -> std::optional<uint32_t> {
            try {
                return readChecked(entry.reg, &cause);
            } catch (const std::exception &e) {
                cause = QString::fromUtf8(e.what());
                return std::nullopt;
            }
        }();
        if (saved[i])
            narrate(QStringLiteral("→ [%1] 原值：0x%2").arg(label, hex8(*saved[i])));
        else
            narrate(QStringLiteral("【错误】[%1] 原值读取失败：%2").arg(label, cause));
    }

    for (size_t i = 0; i < kEntries; ++i) {
        const TestEntry &entry = kTestTable[i];
        const QString label = QString::fromUtf8(entry.name);
        narrate(QStringLiteral("【测试】正在处理 [%1] 参数 (地址：0x%2)").arg(label, hex4(entry.reg)));
        bool readBack = true;
        if (entry.readOnly) {
            narrate(QStringLiteral("ℹ️ [%1] 为只读参数，跳过写入。").arg(label));
        } else if (!saved[i]) {
            narrate(QStringLiteral("ℹ️ [%1] 原值未能保存，跳过写入以免丢失现有设置。")
                        .arg(label));
        } else {
            narrate(QStringLiteral("→ 正在写入测试数据至 [%1] 参数：0x%2").arg(label, hex8(entry.testValue)));
            try {
                writeRaw(entry.reg, entry.testValue);
                QThread::msleep(kSettleMs);
                narrate(QStringLiteral("→ 写入完成，正在验证数据..."));
            } catch (const std::exception &e) {
                narrate(QStringLiteral("【错误】[%1] 写入失败：%2 ").arg(label, QString::fromUtf8(e.what())));
                readBack = false;
            }
        }
        if (readBack) {
            narrate(QStringLiteral("→ 正在读取 [%1] 参数数据...").arg(label));
            try {
                const uint32_t value = readOrZero(entry.reg);
                const bool passed = entry.readOnly || value == entry.testValue;
                narrate(QStringLiteral("→ [%1] 参数数据：0x%2 —— %3")
                            .arg(label, hex8(value),
                                 passed ? QStringLiteral("测试通过") : QStringLiteral("测试失败")));
            } catch (const std::exception &e) {
                narrate(QStringLiteral("【错误】[%1] 读取失败：%2").arg(label, QString::fromUtf8(e.what())));
            }
        }
        QThread::msleep(20);
    }

    narrate(QStringLiteral("【测试】正在读取原始AD值..."));
    const uint32_t ad = readMeasurement();
    narrate(QStringLiteral("读取的原始AD值：0x%1 (%2)").arg(hex8(ad)).arg(ad));
    if (ad < kAdLowLimit)
        narrate(QStringLiteral("【错误】原始AD值过低，可能存在硬件或连接问题。"));
    else if (ad > kAdHighLimit)
        narrate(QStringLiteral("【错误】原始AD值过高，超出预期范围。 请检查传感器连接。"));
    else
        narrate(QStringLiteral("原始AD值测试通过，数值在合理范围内。"));

    narrate(QStringLiteral("【恢复】正在写回测试前的参数值..."));
    // Read back after writing back: a value that did not come back as saved is named at the end.
    QStringList notRestored;
    for (size_t i = 0; i < kEntries; ++i) {
        if (!saved[i])
            continue;
        const TestEntry &entry = kTestTable[i];
        const QString label = QString::fromUtf8(entry.name);
        narrate(QStringLiteral("→ 正在写回 [%1] 参数原值：0x%2").arg(label, hex8(*saved[i])));
        try {
            writeRaw(entry.reg, *saved[i]);
            QThread::msleep(kSettleMs);
            narrate(QStringLiteral("→ 写回完成，正在验证数据..."));
        } catch (const std::exception &e) {
            narrate(QStringLiteral("【错误】[%1] 写回失败：%2 ").arg(label, QString::fromUtf8(e.what())));
            notRestored << label;
            continue;
        }
        QString cause;
        try {
            if (const std::optional<uint32_t> value = readChecked(entry.reg, &cause)) {
                const bool restored = *value == *saved[i];
                narrate(QStringLiteral("→ [%1] 参数数据：0x%2 —— %3")
                            .arg(label, hex8(*value),
                                 restored ? QStringLiteral("恢复成功") : QStringLiteral("恢复失败")));
                if (!restored)
                    notRestored << label;
                continue;
            }
        } catch (const std::exception &e) {
            cause = QString::fromUtf8(e.what());
        }
        // A refused read-back proves nothing either way: it is not taken for a 0.
        narrate(QStringLiteral("【错误】[%1] 读取失败：%2").arg(label, cause));
        notRestored << label;
    }
    if (!notRestored.isEmpty())
        narrate(QStringLiteral("【错误】以下参数未确认恢复为测试前的值：%1。请检查放大器设置。")
                    .arg(notRestored.join(QStringLiteral("、"))));
    narrate(QStringLiteral("参数恢复完成。"));

    if (resume) {
        startContinuousADRead(kResumeIntervalMs);
        narrate(QStringLiteral("已恢复连续读取模式。"));
    }
    narrate(QStringLiteral("放大器功能测试全部完成。"));
}
