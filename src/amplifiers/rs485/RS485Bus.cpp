#include "amplifiers/rs485/RS485Bus.h"

#include "amplifiers/rs232/SerialExchange.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <stdexcept>

namespace {

// Gives the amplifier time to turn its transceiver round before the answer is read.
constexpr unsigned long kTurnaroundMs = 10;
// The longest a probe gives way to waiting exchanges, so that a line kept busy cannot stall a scan.
constexpr int kGiveWayLimitMs = 500;

} // namespace

RS485Bus::RS485Bus(QObject *parent)
    : QObject(parent) {}

RS485Bus::~RS485Bus() {
    QMutexLocker lock(&m_lineLock);
    m_link.close();
    m_open.store(false);
}

bool RS485Bus::open(const QString &portName, uint32_t baudRate, QString *cause, QString *portInUse) {
    QMutexLocker lock(&m_lineLock);
    if (m_link.isOpen() && m_failed) {
        m_link.close();
        m_open.store(false);
    }
    const bool open = m_link.isOpen() || openLocked(portName, baudRate, cause);
    if (open && portInUse)
        *portInUse = m_portName;
    return open;
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
    m_baudRate.store(baudRate);
    m_failed = false;
    m_open.store(true);
    return true;
}

std::vector<uint8_t> RS485Bus::transact(const std::vector<uint8_t> &command, size_t expectedSize) {
    m_waiting.fetch_add(1);
    QMutexLocker lock(&m_lineLock);
    m_waiting.fetch_sub(1);
    return serial::exchangeFrame(m_link, m_portName, command, expectedSize, kTurnaroundMs, m_failed);
}

std::vector<uint8_t> RS485Bus::probe(const std::vector<uint8_t> &command, size_t expectedSize,
                                     const serial::Timeouts &window, uint32_t quietMs) {
    // A released QMutex goes to whoever asks first, and the scan asks again at once: without giving way
    // it would hold the line for the whole scan.
    const QDeadlineTimer giveWay(kGiveWayLimitMs);
    while (m_waiting.load() > 0 && !giveWay.hasExpired())
        QThread::usleep(200);
    QMutexLocker lock(&m_lineLock);
    if (!m_link.isOpen())
        throw std::runtime_error("Serial port is not open.");
    m_link.settle(quietMs, std::min(quietMs, serial::SerialLink::kGapMs), serial::SerialLink::kSettleLimitMs);
    m_link.setTimeouts(window);
    struct RestoreTimeouts {
        serial::SerialLink &link;
        ~RestoreTimeouts() { link.setTimeouts(); }
    } restore{m_link};
    std::vector<uint8_t> answer =
        serial::exchangeFrame(m_link, m_portName, command, expectedSize, 0, m_failed);
    // Nothing came: settling at once takes back the mark the exchange left, so that a silent id costs one
    // window and not a quiet period on top.
    if (answer.empty())
        m_link.settle(0, 0, 0);
    return answer;
}
