// Reading of RegisterAmplifier: one raw AD value on request, and the continuous AD and measuring-value
// cycles of the reading worker.
#include "device/register/RegisterAmplifier.h"

#include <QThread>

namespace {

constexpr int kResumeIntervalMs = 100;
constexpr unsigned long kSettleMs = 50;

} // namespace

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
    return reporting([this] { return measureAd(); });
}

bool RegisterAmplifier::pauseReading() {
    const bool running = m_worker.isRunning();
    m_worker.stop();
    QThread::msleep(kSettleMs);
    return running;
}

void RegisterAmplifier::resumeMeasuring() {
    startContinuousMeasuringValueRead(kResumeIntervalMs);
}

uint32_t RegisterAmplifier::readMeasurement() {
    if (!isConnected()) {
        emit readErrorOccurred(m_texts.readMeasurement);
        return 0;
    }
    return measureReported().value_or(0);
}

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
        emit readErrorOccurred(m_texts.startMeasuring);
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
            exchange(modbus::readRequest(address, regmap::kMeasuringValueRegister), modbus::kReadAnswerSize),
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
