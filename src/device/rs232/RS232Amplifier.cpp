#include "device/rs232/RS232Amplifier.h"

#include "link/serial/SerialExchange.h"

#include <QThread>

#include <stdexcept>

namespace {

// The unit selected for every RS232 amplifier of the run.
QString g_rs232Unit = QStringLiteral("g");

RegisterAmplifier::NotConnectedTexts rs232Texts() {
    return {QStringLiteral("RS232 Amplifier is not connected. Cannot read measurement."),
            QStringLiteral("RS232 Amplifier is not connected. Cannot start measuring value read."),
            QStringLiteral("RS232 Amplifier is not connected. Cannot perform zero."),
            QStringLiteral("RS232 Amplifier is not connected. Cannot perform tare.")};
}

} // namespace

RS232Amplifier::RS232Amplifier(const QString &modelName, const QString &portName, uint32_t baudRate,
                               QObject *parent)
    : RegisterAmplifier(modelName, QStringLiteral("RS232"), rs232Texts(), &g_rs232Unit, parent)
    , m_portName(portName)
    , m_baudRate(baudRate) {
    m_link.setWatch(&m_watch);
}

RS232Amplifier::~RS232Amplifier() {
    stopWorker();
    closePort();
}

QString RS232Amplifier::openPort() {
    QMutexLocker lock(&m_exchangeMutex);
    // Whatever was open before is closed now: until the new port is set up, the amplifier is not connected.
    m_open = false;
    if (m_link.isOpen())
        m_link.close();
    if (!m_link.open(m_portName.toStdString()))
        return QStringLiteral("Failed to open serial port: %1: %2")
            .arg(m_portName, QString::fromStdString(serial::openFailureCause(m_link.lastError())));
    QString failure;
    if (!m_link.setTimeouts(serial::answerTimeouts()))
        failure = QStringLiteral("Failed to set serial port timeouts.");
    else if (!m_link.readLineSettings())
        failure = QStringLiteral("Failed to get serial port state.");
    else if (!m_link.writeLineSettings(m_baudRate, false))
        failure = QStringLiteral("Failed to set serial port state.");
    if (!failure.isEmpty()) {
        m_link.close();
        return failure;
    }
    m_link.purge();
    m_linkFailed = false;
    m_open = true;
    return {};
}

void RS232Amplifier::closePort() {
    QMutexLocker lock(&m_exchangeMutex);
    m_open = false;
    m_link.close();
}

void RS232Amplifier::connect() {
    QString failure;
    {
        QMutexLocker lock(&m_connectMutex);
        // An open port is kept as it is, unless its device failed since: then it is opened afresh.
        if (!m_open || m_linkFailed) {
            failure = openPort();
            if (failure.isEmpty() && !handshake()) {
                closePort();
                failure = handshakeFailureText(m_handshakeCause);
            }
        }
    }
    // Signals go out after the locks are released: a receiver may call straight back into this amplifier.
    if (failure.isEmpty())
        emit connectionSuccessful();
    else
        emit connectionFailed(failure);
}

void RS232Amplifier::disconnect() {
    stopContinuousADRead();
    QMutexLocker lock(&m_connectMutex);
    closePort();
}

bool RS232Amplifier::handshake() {
    m_handshakeCause.clear();
    try {
        return adRegisterAnswers(&m_handshakeCause);
    } catch (const std::exception &e) {
        m_handshakeCause = QString::fromUtf8(e.what());
        return false;
    }
}

std::vector<uint8_t> RS232Amplifier::exchange(const std::vector<uint8_t> &request, size_t expectedSize) {
    QMutexLocker lock(&m_exchangeMutex);
    return serial::exchangeFrame(m_link, m_portName, request, expectedSize, 0, m_linkFailed);
}

void RS232Amplifier::sendText(const std::vector<uint8_t> &line) {
    QMutexLocker lock(&m_exchangeMutex);
    serial::exchangeFrame(m_link, m_portName, line, 0, 0, m_linkFailed);
    // Nothing answers a text line, so nothing shows when it has left the port; the next exchange starts
    // with a purge, which would cut off what is still being sent. Wait for the line time of the text
    // (ten bits a byte) and a little more.
    const uint64_t lineMs = (uint64_t{line.size()} * 10u * 1000u) / (m_baudRate > 0 ? m_baudRate : 9600u);
    QThread::msleep(static_cast<unsigned long>(lineMs + 5));
}

std::vector<uint8_t> RS232Amplifier::writeCalibrationFrame(const std::vector<uint8_t> &request) {
    QMutexLocker lock(&m_exchangeMutex);
    serial::ExchangeTexts texts;
    texts.shortWrite = "Failed to write complete command to the serial port.";
    texts.readFailed = "Error reading response from serial port.";
    return serial::exchangeFrame(m_link, m_portName, request, modbus::kWriteAnswerSize, 0, m_linkFailed,
                                 texts);
}

std::optional<std::vector<uint8_t>> RS232Amplifier::exchangeAdCycle(const std::vector<uint8_t> &request,
                                                                    QStringList &problems) {
    std::vector<uint8_t> answer(modbus::kReadAnswerSize, 0);
    size_t total = 0;
    {
        QMutexLocker lock(&m_exchangeMutex);
        if (!m_link.isOpen())
            throw std::runtime_error("Serial port is not open.");
        // The cycle lists a failed write among its problems rather than raising it.
        bool sent = false;
        std::chrono::steady_clock::time_point sentAt;
        try {
            serial::sendRequest(m_link, m_portName, request, m_linkFailed);
            sentAt = std::chrono::steady_clock::now();
            sent = true;
        } catch (const std::exception &e) {
            problems << QString::fromUtf8(e.what());
        }
        if (sent) {
            while (total < answer.size()) {
                size_t received = 0;
                if (!m_link.read(answer.data() + total, answer.size() - total, received)) {
                    m_linkFailed = true;
                    m_watch.linkFailed(request[0], "Error reading from serial port.");
                    problems << QStringLiteral("Error reading from serial port.");
                    break;
                }
                if (received == 0) {
                    problems << QStringLiteral("No data received from the amplifier.");
                    break;
                }
                total += received;
            }
            answer.resize(total);
            serial::finishExchange(m_link, m_portName, request, answer, modbus::kReadAnswerSize, sentAt);
            if (total < modbus::kReadAnswerSize)
                problems << QStringLiteral("Incomplete response received.");
        } else {
            m_link.markUnsettled();
        }
    }
    // A wrong first byte is named as such: the serial buffer held something else before the answer.
    if (problems.isEmpty() && !answer.empty() && answer.front() != request[0])
        problems << QStringLiteral("Unexpected start byte in response. Check serial buffer.");
    if (!problems.isEmpty())
        return std::nullopt;
    return answer;
}

QString RS232Amplifier::calibrationRefusal() const {
    // The port is checked before any exchange: a calibration on a closed port would only time out.
    return isConnected() ? QString() : QStringLiteral("Amplifier is not connected.");
}
