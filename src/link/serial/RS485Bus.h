#pragma once

#include "link/LinkWatch.h"
#include "link/serial/SerialLink.h"

#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// The one RS485 line of the program: a serial port opened once and shared by every RS485 amplifier.
// The line lock makes each request-and-answer exchange one unit, whichever amplifier or thread asks,
// so that answers of different amplifiers can never be mixed up. It is the only lock on this path and
// is never held while another lock is taken.
class RS485Bus : public QObject {
    Q_OBJECT

public:
    explicit RS485Bus(QObject *parent = nullptr);
    ~RS485Bus() override;

    // Opens and configures the line (8-N-1, RTS toggled for the transceiver's direction). True when the
    // line is open afterwards. The first successful open stays in force: a later call with another port
    // or speed returns true and changes nothing, unless the device has failed since (it was unplugged),
    // in which case the line is opened again with this call's port and speed. On failure `cause` (when
    // given) says why, in the words of serial::openFailureCause. On success `portInUse` (when given) is the
    // port the line is open on.
    bool open(const QString &portName, uint32_t baudRate, QString *cause = nullptr,
              QString *portInUse = nullptr);

    // One exchange (serial::exchangeFrame): after an exchange that left the line out of step, wait for it
    // to fall quiet; purge both buffers, write `command`, pause 10 ms, read once up to `expectedSize`
    // bytes. Returns what arrived (a short or empty answer is not an error here). Raises
    // std::runtime_error with "Serial port is not open.", "Error writing to serial port.", "Incomplete
    // command write." or "Error reading from serial port.".
    std::vector<uint8_t> transact(const std::vector<uint8_t> &command, size_t expectedSize);

    // One probe of a bus scan. Writes `command` without discarding what is buffered (late answers to
    // earlier probes are still wanted: an answer carries its address) and hands `heard` each batch of
    // bytes as it arrives, first what was buffered already, until `windowMs` have passed since the request
    // went out (`sent` is called then); an empty command only listens. Exchanges already waiting for the
    // line go first, so amplifiers that poll keep their pace while a scan runs. Raises the exchange's
    // errors.
    void probe(const std::vector<uint8_t> &command, uint32_t windowMs,
               const std::function<void(const std::vector<uint8_t> &)> &heard,
               const std::function<void()> &sent);

    // The speed the line was last opened at (0 before the first open).
    uint32_t baudRate() const { return m_baudRate.load(); }

    bool isOpen() const { return m_open.load(); }
    // The statistics of every device id on the line and its frame monitor.
    LinkWatch &watch() { return m_watch; }
    // Whether the system failed the last write or a read since: the device has probably gone away.
    bool hasFailed() const { return m_failed.load(); }

private:
    bool openLocked(const QString &portName, uint32_t baudRate, QString *cause);

    LinkWatch m_watch{frames::Protocol::Modbus};
    serial::SerialLink m_link;
    QString m_portName;
    // Set when the operating system failed a write or read: the device is probably gone, and the next
    // open() replaces the dead handle instead of keeping it.
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_open{false};
    std::atomic<uint32_t> m_baudRate{0};
    // Exchanges blocked on the line lock; a scan's probe lets them go first.
    std::atomic<int> m_waiting{0};
    QMutex m_lineLock;
};
