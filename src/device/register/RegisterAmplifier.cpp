// Register I/O of RegisterAmplifier: checked reads and confirmed writes on top of the Modbus frames, and the
// operations that hand them to QML.
#include "device/register/RegisterAmplifier.h"

#include "link/serial/SerialExchange.h"

#include <QCoreApplication>
#include <stdexcept>

namespace {

QString hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

} // namespace

RegisterAmplifier::RegisterAmplifier(const QString &modelName, const QString &protocolName,
                                     NotConnectedTexts texts, QString *sharedUnit, QObject *parent)
    : AmplifierBase(modelName, protocolName, parent)
    , m_texts(std::move(texts)) {
    if (sharedUnit)
        m_unit.emplace(sharedUnit);
    else
        m_unit.emplace();
}

RegisterAmplifier::~RegisterAmplifier() {
    stopWorker();
}

void RegisterAmplifier::stopWorker() {
    stopSelfTest();
    joinSelfTest();
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
        emit measuringValueReceived(regmap::truncatedLow32(value));
}

void RegisterAmplifier::calibrate(const QString &calibrationType, double value) {
    sendCommand(calibrationType.toUpper() + QLatin1Char(':') + QString::number(value, 'g', 6));
}

void RegisterAmplifier::sendCommand(const QString &command) {
    QByteArray line = command.toUtf8();
    line.append('\n');
    reportingVoid([&] { sendText(std::vector<uint8_t>(line.begin(), line.end())); });
}

std::vector<uint8_t> RegisterAmplifier::sendCommand(std::vector<uint8_t> command,
                                                    size_t expectedResponseSize) {
    return reporting([&] { return exchange(command, expectedResponseSize); });
}

bool RegisterAmplifier::performHandshake() {
    return reporting([this] { return handshake(); }, false);
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
    noteRefusedRead(answer);
    if (cause)
        *cause = QString::fromStdString(modbus::describe(answer));
    return std::nullopt;
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
    return reporting([&] { return readChecked(regAddress, nullptr).value_or(0); }, 0u);
}

void RegisterAmplifier::writeRegister(uint16_t regAddress, uint32_t value) {
    reportingVoid([&] { writeRaw(regAddress, value); });
}

void RegisterAmplifier::writeCalibrationValue(uint16_t registerAddress, uint32_t value) {
    reportingVoid([&] {
        const uint8_t address = addressByte();
        confirmWrite(address, registerAddress,
                     writeCalibrationFrame(modbus::writeRequest(address, registerAddress, value)));
    });
}

QString RegisterAmplifier::refusedAnswerText(const QString &lengthText, const QString &what,
                                             const modbus::ReadAnswer &answer) {
    if (answer.fault == modbus::AnswerFault::WrongLength)
        return lengthText;
    return QStringLiteral("Invalid response while reading %1: %2.")
        .arg(what, QString::fromStdString(modbus::describe(answer)));
}

AmplifierBase::RawResult RegisterAmplifier::rawRead(uint16_t reg, uint8_t) {
    RawResult result;
    try {
        const uint8_t address = addressByte();
        const std::vector<uint8_t> request = modbus::readRequest(address, reg);
        const std::vector<uint8_t> answer = exchange(request, modbus::kReadAnswerSize);
        const frames::Judgement judgement = frames::judgeModbus(request, answer);
        result.outcome = RawResult::outcomeOf(judgement.verdict);
        result.code = judgement.code;
        if (result.ok()) {
            result.value = modbus::valueOf(answer);
        } else {
            const std::string why =
                modbus::whyNotAnswered(request, answer, modbus::decodeReadAnswer(answer, address));
            result.error = QCoreApplication::translate("rawaccess", "Read of register 0x%1 failed: %2.")
                               .arg(hex4(reg), why.empty() ? QStringLiteral("no answer from the amplifier")
                                                           : QString::fromStdString(why));
        }
    } catch (const serial::TwoDevicesError &e) {
        result.outcome = RawResult::Outcome::BadAnswer;
        result.error = QString::fromUtf8(e.what());
    } catch (const std::exception &e) {
        result.outcome = RawResult::Outcome::LinkLost;
        result.error = QString::fromUtf8(e.what());
    }
    return result;
}

AmplifierBase::RawResult RegisterAmplifier::rawWrite(uint16_t reg, uint8_t subIndex, uint32_t value) {
    RawResult result;
    try {
        const std::optional<writetx::Failure> failure = writeJudged(reg, value, false);
        if (failure) {
            // The amplifier's own word on what it holds now, so that a failed write never leaves a guess.
            const RawResult now = rawRead(reg, subIndex);
            result.outcome = failure->refused ? RawResult::Outcome::Refused
                             : failure->reason == QLatin1String("no answer from the amplifier")
                                 ? RawResult::Outcome::NoAnswer
                                 : RawResult::Outcome::BadAnswer;
            result.error =
                QCoreApplication::translate("rawaccess", "Write to register 0x%1 not confirmed: %2; %3")
                    .arg(hex4(reg), failure->reason,
                         now.ok() ? QCoreApplication::translate("rawaccess", "it holds %1.").arg(now.value)
                                  : QCoreApplication::translate("rawaccess", "what it holds is unknown (%1)")
                                        .arg(now.error));
            return result;
        }
    } catch (const serial::TwoDevicesError &e) {
        result.outcome = RawResult::Outcome::BadAnswer;
        result.error = QString::fromUtf8(e.what());
        return result;
    } catch (const std::exception &e) {
        result.outcome = RawResult::Outcome::LinkLost;
        result.error = QString::fromUtf8(e.what());
        return result;
    }
    result = rawRead(reg, subIndex);
    if (!result.ok()) {
        result.error = QCoreApplication::translate(
                           "rawaccess", "Write to register 0x%1 confirmed, but the read-back failed: %2")
                           .arg(hex4(reg), result.error);
    } else if (result.value != value) {
        result.outcome = RawResult::Outcome::NotApplied;
        result.error = QCoreApplication::translate(
                           "rawaccess", "Write to register 0x%1 confirmed, but it reads back %2, not %3.")
                           .arg(hex4(reg))
                           .arg(result.value)
                           .arg(value);
    }
    return result;
}
