#include "amplifiers/rs485/RS485Bus.h"

#include "amplifiers/rs232/SerialExchange.h"

#include <QMutexLocker>

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

bool RS485Bus::open(const QString &portName, uint32_t baudRate, QString *cause) {
    QMutexLocker lock(&m_lineLock);
    if (m_link.isOpen()) {
        if (!m_failed)
            return true;
        m_link.close();
        m_open.store(false);
    }
    return openLocked(portName, baudRate, cause);
}

bool RS485Bus::openLocked(const QString &portName, uint32_t baudRate, QString *cause) {
    if (!m_link.open(portName.toStdString())) {
        if (cause)
            *cause = QString::fromStdString(serial::openFailureCause(m_link.lastError()));
        return false;
    }
    if (!m_link.setTimeouts() || !m_link.readLineSettings() || !m_link.writeLineSettings(baudRate, true) ||
        !m_link.purge()) {
        if (cause)
            *cause = QStringLiteral("the line settings were refused");
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
    return serial::exchangeFrame(m_link, m_portName, command, expectedSize, kTurnaroundMs, m_failed);
}
