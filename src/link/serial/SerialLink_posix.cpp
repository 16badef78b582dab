#include "link/serial/SerialLink.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

struct BaudRate {
    uint32_t bitsPerSecond;
    speed_t speed;
};

constexpr BaudRate kBaudRates[] = {
    {1200, B1200},     {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400},   {57600, B57600}, {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool speedFor(uint32_t bitsPerSecond, speed_t &speed) {
    for (const BaudRate &rate : kBaudRates) {
        if (rate.bitsPerSecond == bitsPerSecond) {
            speed = rate.speed;
            return true;
        }
    }
    return false;
}

// Milliseconds left until `deadline`, rounded up so that poll() never wakes before it.
int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return 0;
    return static_cast<int>((left + 999) / 1000);
}

Clock::time_point later(Clock::time_point from, uint64_t milliseconds) {
    return from + std::chrono::milliseconds(milliseconds);
}

} // namespace

struct SerialLink::Native {
    int fd = -1;
    bool haveSettings = false;
    termios settings{};
    bool haveOriginal = false;
    termios original{};
};

bool SerialLink::supportsBaudRate(uint32_t baudRate) {
    speed_t speed = B0;
    return speedFor(baudRate, speed);
}

SerialLink::SerialLink()
    : m_native(std::make_unique<Native>()) {}

SerialLink::~SerialLink() {
    close();
}

bool SerialLink::open(const std::string &portName) {
    if (isOpen()) {
        m_lastError = EBUSY;
        return false;
    }
    const std::string path = devicePath(portName);
    // Non-blocking: the time-outs are kept by poll(), and opening must not wait for a modem line.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = errno;
        return false;
    }
    if (!::isatty(fd)) {
        m_lastError = ENOTTY;
        ::close(fd);
        return false;
    }
    // This process's own terminal (/dev/tty, or the pseudo-terminal it runs in) is no amplifier: raw mode
    // and another speed would leave the technician's shell unusable. tcgetsid() names a session only for
    // the caller's controlling terminal.
    if (::tcgetsid(fd) >= 0 && ::tcgetsid(fd) == ::getsid(0)) {
        m_lastError = kOwnTerminal;
        ::close(fd);
        return false;
    }
    // The advisory lock also keeps out a second opener running as root, which TIOCEXCL lets through. It
    // is taken before TIOCEXCL so that a refused open leaves the holder's exclusive mode alone.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_lastError = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return false;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        m_lastError = errno;
        ::close(fd);
        return false;
    }
    m_native->fd = fd;
    m_native->haveSettings = false;
    // What the terminal was set to before, given back on close: other programs use the port too.
    m_native->haveOriginal = ::tcgetattr(fd, &m_native->original) == 0;
    m_lastError = 0;
    return true;
}

bool SerialLink::setTimeouts(const Timeouts &timeouts) {
    if (!isOpen()) {
        m_lastError = EBADF;
        return false;
    }
    m_timeouts = timeouts;
    return true;
}

bool SerialLink::readLineSettings() {
    if (!isOpen()) {
        m_lastError = EBADF;
        return false;
    }
    if (::tcgetattr(m_native->fd, &m_native->settings) != 0) {
        m_lastError = errno;
        return false;
    }
    m_native->haveSettings = true;
    return true;
}

bool SerialLink::writeLineSettings(uint32_t baudRate, bool rtsToggle) {
    if (!m_native->haveSettings && !readLineSettings())
        return false;
    speed_t speed = B0;
    if (!speedFor(baudRate, speed)) {
        m_lastError = EINVAL;
        return false;
    }
    termios settings = m_native->settings;
    // Raw bytes: no line editing, echo, signals or character translation. Hardware flow control (CRTSCTS)
    // stays as it was. Software flow control does not: a terminal driver takes 0x11 and 0x13 for XON and
    // XOFF and swallows them, which would cut bytes out of binary frames (Linux leaves IXON on by default).
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                               IXON | IXOFF | IXANY);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= static_cast<tcflag_t>(CS8 | CREAD | CLOCAL);
    // Reads never block in the driver; poll() keeps the time-outs.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0) {
        m_lastError = errno;
        return false;
    }
    if (::tcsetattr(m_native->fd, TCSANOW, &settings) != 0) {
        m_lastError = errno;
        return false;
    }
    m_native->settings = settings;
    m_frameGapMs = frameGapMs(baudRate);
#if defined(__linux__) && defined(TIOCSRS485)
    if (rtsToggle) {
        // Best effort: most USB RS485 adapters switch direction in hardware and do not know this ioctl.
        serial_rs485 rs485{};
        if (::ioctl(m_native->fd, TIOCGRS485, &rs485) == 0) {
            rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
            rs485.flags &= ~static_cast<decltype(rs485.flags)>(SER_RS485_RTS_AFTER_SEND);
            (void)::ioctl(m_native->fd, TIOCSRS485, &rs485);
        }
    }
#else
    (void)rtsToggle;
#endif
    return true;
}

bool SerialLink::purge() {
    if (!isOpen()) {
        m_lastError = EBADF;
        return false;
    }
    if (::tcflush(m_native->fd, TCIOFLUSH) != 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

bool SerialLink::write(const uint8_t *data, size_t size, size_t &written) {
    written = 0;
    if (!isOpen()) {
        m_lastError = EBADF;
        return false;
    }
    const bool limited = m_timeouts.writeTotalConstantMs != 0 || m_timeouts.writeTotalMultiplierMs != 0;
    const Clock::time_point deadline = later(
        Clock::now(), m_timeouts.writeTotalConstantMs + uint64_t{m_timeouts.writeTotalMultiplierMs} * size);
    while (written < size) {
        const ssize_t n = ::write(m_native->fd, data + written, size - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lastError = errno;
            return false;
        }
        // Output buffer full: wait for room until the write time-out, then report the short write.
        const int waitMs = limited ? millisecondsUntil(deadline) : -1;
        if (limited && waitMs == 0)
            break;
        pollfd pfd{m_native->fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, waitMs);
        if (ready < 0 && errno != EINTR) {
            m_lastError = errno;
            return false;
        }
        if (ready > 0 && (pfd.revents & (POLLERR | POLLNVAL))) {
            m_lastError = EIO;
            return false;
        }
    }
    return true;
}

bool SerialLink::read(uint8_t *data, size_t size, size_t &received) {
    received = 0;
    if (!isOpen()) {
        m_lastError = EBADF;
        return false;
    }
    if (size == 0)
        return true;
    const Timeouts &t = m_timeouts;
    const uint32_t kMaxDword = 0xFFFFFFFFu;
    const bool totalLimited = t.readTotalConstantMs != 0 || t.readTotalMultiplierMs != 0;
    // Win32: an interval of MAXDWORD with both totals zero returns at once with whatever is buffered.
    const bool immediate = t.readIntervalMs == kMaxDword && !totalLimited;
    const bool intervalLimited = t.readIntervalMs != 0 && !immediate;
    const Clock::time_point start = Clock::now();
    const Clock::time_point totalDeadline =
        later(start, t.readTotalConstantMs + uint64_t{t.readTotalMultiplierMs} * size);
    Clock::time_point lastArrival = start;

    // Bytes that came before a failure are still handed out; the next read then reports the failure.
    bool hungUp = false;
    while (received < size) {
        const ssize_t n = ::read(m_native->fd, data + received, size - received);
        if (n > 0) {
            received += static_cast<size_t>(n);
            lastArrival = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lastError = errno;
            return received > 0;
        }
        // Nothing buffered (a raw terminal with VMIN 0 reads 0 then, as it does once it is hung up).
        if (hungUp) {
            m_lastError = EIO;
            return received > 0;
        }
        if (immediate)
            break;
        int waitMs = -1;
        if (totalLimited)
            waitMs = millisecondsUntil(totalDeadline);
        if (intervalLimited && received > 0) {
            const int quietMs = millisecondsUntil(later(lastArrival, t.readIntervalMs));
            waitMs = waitMs < 0 ? quietMs : std::min(waitMs, quietMs);
        }
        if (waitMs == 0)
            break;
        pollfd pfd{m_native->fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, waitMs);
        if (ready < 0 && errno != EINTR) {
            m_lastError = errno;
            return received > 0;
        }
        // After a hang-up the next read drains what is left and then fails.
        if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)))
            hungUp = true;
    }
    return true;
}

std::string openFailureCause(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "no such port";
    case EBUSY:
        return "in use by another program";
    case EACCES:
    case EPERM:
        return "permission denied (on Linux add the user to the dialout group)";
    case ENOTTY:
    case EISDIR:
        return "not a serial port";
    case kOwnTerminal:
        return "the terminal this program runs in, not a serial port";
    default:
        return std::strerror(error);
    }
}

void SerialLink::close() {
    if (m_native->fd < 0)
        return;
    // Exclusive mode belongs to the terminal, not to this descriptor: clear it, or the next open of the
    // same port (by anyone but root) would be refused while another descriptor keeps the terminal alive.
    if (m_native->haveOriginal)
        (void)::tcsetattr(m_native->fd, TCSANOW, &m_native->original);
    m_native->haveOriginal = false;
    (void)::ioctl(m_native->fd, TIOCNXCL);
    (void)::flock(m_native->fd, LOCK_UN);
    ::close(m_native->fd);
    m_native->fd = -1;
    m_native->haveSettings = false;
    // Whatever was on its way belonged to the port as it was; a port opened again starts in step.
    m_unsettled = false;
    m_answeredAddress = -1;
}

bool SerialLink::isOpen() const {
    return m_native->fd >= 0;
}

} // namespace serial
