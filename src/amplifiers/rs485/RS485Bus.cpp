#include "amplifiers/rs485/RS485Bus.h"

#include "amplifiers/rs232/FrameLog.h"

#include <QMutexLocker>
#include <QThread>

#include <stdexcept>

namespace {

// Gives the amplifier time to turn its transceiver round before the answer is read.
constexpr unsigned long kTurnaroundMs = 10;

} // namespace

RS485Bus::RS485Bus(QObject *parent)
    : QObject(parent) {}

RS485Bus::~RS485Bus() {
    QMutexLocker lock(&m_lineLock);
    m_link.close();
    m_open.store(false);
}

bool RS485Bus::open(const QString &portName, uint32_t baudRate) {
    QMutexLocker lock(&m_lineLock);
    if (m_link.isOpen()) {
        if (!m_failed)
            return true;
        m_link.close();
        m_open.store(false);
    }
    return openLocked(portName, baudRate);
}

bool RS485Bus::openLocked(const QString &portName, uint32_t baudRate) {
    if (!m_link.open(portName.toStdString()))
        return false;
    if (!m_link.setTimeouts() || !m_link.readLineSettings() || !m_link.writeLineSettings(baudRate, true) ||
        !m_link.purge()) {
        m_link.close();
        return false;
    }
    m_portName = portName;
    m_failed = false;
    m_open.store(true);
    return true;
}

std::vector<uint8_t> RS485Bus::transact(const std::vector<uint8_t> &command, size_t expectedSize) {
    QMutexLocker lock(&m_lineLock);
    if (!m_link.isOpen())
        throw std::runtime_error("Serial port is not open.");

    // A late answer to an earlier request must not be taken for this one.
    m_link.purge();

    logFrame("->", m_portName, command);
    size_t written = 0;
    if (!m_link.write(command.data(), command.size(), written)) {
        m_failed = true;
        throw std::runtime_error("Error writing to serial port.");
    }
    m_failed = false;
    if (written != command.size())
        throw std::runtime_error("Incomplete command write.");

    QThread::msleep(kTurnaroundMs);

    std::vector<uint8_t> answer(expectedSize, 0);
    if (expectedSize == 0)
        return answer;
    size_t received = 0;
    if (!m_link.read(answer.data(), answer.size(), received)) {
        m_failed = true;
        throw std::runtime_error("Error reading from serial port.");
    }
    answer.resize(received);
    logFrame("<-", m_portName, answer);
    return answer;
}
