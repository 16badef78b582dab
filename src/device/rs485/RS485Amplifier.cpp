#include "device/rs485/RS485Amplifier.h"

#include "link/LinkOptions.h"
#include "link/serial/RS485Bus.h"

#include <QDebug>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <future>
#include <stdexcept>

namespace {

constexpr auto kHandshakeWait = std::chrono::milliseconds(2000);
constexpr unsigned long kAfterOpenMs = 100;

RegisterAmplifier::NotConnectedTexts rs485Texts() {
    return {QStringLiteral("RS485 Amplifier is not connected. Cannot read measurement."),
            QStringLiteral("Amplifier is not connected. Cannot start measuring value read."),
            QStringLiteral("RS485 Amplifier is not connected. Cannot perform zero."),
            QStringLiteral("RS485 Amplifier is not connected. Cannot perform tare.")};
}

} // namespace

RS485Amplifier::RS485Amplifier(const QString &modelName, const QString &portName, uint32_t baudRate,
                               uint8_t deviceId, RS485Bus *bus, QObject *parent)
    : RegisterAmplifier(modelName, QStringLiteral("RS485"), rs485Texts(), nullptr, parent)
    , m_portName(portName)
    , m_baudRate(baudRate)
    , m_deviceId(deviceId)
    , m_bus(bus) {}

RS485Amplifier::~RS485Amplifier() {
    stopWorker();
}

void RS485Amplifier::disconnect() {
    stopContinuousADRead();
    m_connected = false;
}

void RS485Amplifier::connect() {
    QString cause = QStringLiteral("no RS485 line");
    if (!m_bus || !m_bus->open(m_portName, m_baudRate, &cause, &m_linePort)) {
        m_connected = false;
        emit connectionFailed(QStringLiteral("Failed to open serial port: %1: %2").arg(m_portName, cause));
        return;
    }
    QThread::msleep(kAfterOpenMs);
    try {
        if (handshake()) {
            m_connected = true;
            emit connectionSuccessful();
        } else {
            // One report of the failure, with its cause: the signal is what callers show.
            m_connected = false;
            emit connectionFailed(handshakeFailureText(m_handshakeCause));
        }
    } catch (const std::exception &e) {
        qCritical().noquote() << "Exception during handshake:" << e.what();
        m_connected = false;
        emit connectionFailed(QStringLiteral("Handshake exception: ") + QString::fromUtf8(e.what()));
    }
}

QString RS485Amplifier::getLinkDescription() const {
    return QStringLiteral("RS485 %1 #%2")
        .arg(m_linePort.isEmpty() ? m_portName : m_linePort)
        .arg(getDeviceId());
}

LinkWatch *RS485Amplifier::linkWatch() const {
    return m_bus ? &m_bus->watch() : nullptr;
}

bool RS485Amplifier::handshake() {
    // The exchange runs as its own task so that a wait on a busy line is bounded; the task is still
    // waited for to the end (the line's time-outs bound it), never left running.
    m_handshakeCause.clear();
    QString cause;
    std::future<bool> task =
        std::async(std::launch::async, [this, &cause] { return adRegisterAnswers(&cause); });
    // A longer answer time-out or retries (the command-line tool's) lengthen the wait with them.
    const auto wait =
        std::max(kHandshakeWait, (linkoptions::retries() + 1) *
                                     std::chrono::milliseconds(linkoptions::answerTimeoutMs() +
                                                               serial::SerialLink::kSettleLimitMs));
    const bool inTime = task.wait_for(wait) == std::future_status::ready;
    const bool answered = task.get();
    m_handshakeCause = inTime ? cause : QString();
    return inTime && answered;
}

std::vector<uint8_t> RS485Amplifier::exchange(const std::vector<uint8_t> &request, size_t expectedSize) {
    if (!m_bus)
        throw std::runtime_error("Serial port is not open.");
    return m_bus->transact(request, expectedSize);
}

void RS485Amplifier::sendText(const std::vector<uint8_t> &line) {
    exchange(line, 0);
}

std::vector<uint8_t> RS485Amplifier::writeCalibrationFrame(const std::vector<uint8_t> &request) {
    std::vector<uint8_t> answer = exchange(request, modbus::kWriteAnswerSize);
    if (answer.empty())
        throw std::runtime_error("Failed to write complete command to the serial port.");
    return answer;
}

void RS485Amplifier::calibrateMultiPoints(QList<uint32_t> adValues, QList<uint32_t> weights) {
    writeCalibrationPoints(adValues, weights);
}

void RS485Amplifier::noteRefusedRead(const modbus::ReadAnswer &answer) {
    if (answer.fault == modbus::AnswerFault::WrongLength)
        qWarning().noquote() << "❌ readRegister() invalid response size:" << answer.size;
    else
        qWarning().noquote() << "❌ readRegister() invalid response:"
                             << QString::fromStdString(modbus::describe(answer));
}

std::optional<uint32_t> RS485Amplifier::measureReported() {
    // The worker's exchanges would queue on the line between this read's; it reads again afterwards.
    const bool resume = pauseReading();
    const std::optional<uint32_t> value = RegisterAmplifier::measureReported();
    if (resume)
        resumeMeasuring();
    return value;
}
