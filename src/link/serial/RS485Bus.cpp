#include "link/serial/RS485Bus.h"

#include "link/serial/FrameLog.h"
#include "link/serial/SerialExchange.h"

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
    : QObject(parent) {
    m_link.setWatch(&m_watch);
}

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
    if (!m_link.setTimeouts(serial::answerTimeouts()) || !m_link.readLineSettings() ||
        !m_link.writeLineSettings(baudRate, true) || !m_link.purge()) {
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

void RS485Bus::probe(const std::vector<uint8_t> &command, uint32_t windowMs,
                     const std::function<void(const std::vector<uint8_t> &)> &heard,
                     const std::function<void()> &sent) {
    // A released QMutex goes to whoever asks first, and the scan asks again at once: without giving way
    // it would hold the line for the whole scan.
    const QDeadlineTimer giveWay(kGiveWayLimitMs);
    while (m_waiting.load() > 0 && !giveWay.hasExpired())
        QThread::usleep(200);
    QMutexLocker lock(&m_lineLock);
    if (!m_link.isOpen())
        throw std::runtime_error("Serial port is not open.");
    // What an amplifier's exchange left out of step is that exchange's; what comes after this belongs to
    // the scan.
    m_link.settle();
    m_link.clearAnswered();
    struct RestoreTimeouts {
        serial::SerialLink &link;
        ~RestoreTimeouts() { link.setTimeouts(serial::answerTimeouts()); }
    } restore{m_link};
    std::vector<uint8_t> buffer(256);
    auto collect = [&](const serial::Timeouts &timeouts) {
        size_t received = 0;
        m_link.setTimeouts(timeouts);
        if (!m_link.read(buffer.data(), buffer.size(), received)) {
            m_failed = true;
            throw std::runtime_error("Error reading from serial port.");
        }
        if (received > 0) {
            const std::vector<uint8_t> bytes(buffer.begin(), buffer.begin() + static_cast<long>(received));
            logFrame("<-", m_portName, bytes);
            heard(bytes);
        }
        return received;
    };
    serial::Timeouts buffered;
    buffered.readIntervalMs = 0xFFFFFFFFu; // what is there, without waiting
    buffered.readTotalMultiplierMs = 0;
    buffered.readTotalConstantMs = 0;
    while (collect(buffered) > 0) {
    }
    if (!command.empty())
        serial::writeRequest(m_link, m_portName, command, m_failed);
    sent();
    const QDeadlineTimer window(static_cast<qint64>(windowMs));
    while (!window.hasExpired()) {
        serial::Timeouts listen;
        // Returns a millisecond after a burst, so that each answer is timed as it came.
        listen.readIntervalMs = 1;
        listen.readTotalMultiplierMs = 0;
        listen.readTotalConstantMs = static_cast<uint32_t>(std::max<qint64>(1, window.remainingTime()));
        collect(listen);
    }
}
