#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class LinkWatch;

// The operating system's serial port, reduced to the few operations the amplifier links need. It has no
// Qt in it so that each platform backend (SerialLink_posix.cpp, SerialLink_win32.cpp) compiles on its own.
namespace serial {

// Read and write time-outs with the meaning of the Win32 COMMTIMEOUTS fields. A read gives up when the
// line has been quiet for `readIntervalMs` after the first byte, or when `readTotalConstantMs +
// readTotalMultiplierMs * size` has passed since it began; a zero field switches that limit off.
struct Timeouts {
    uint32_t readIntervalMs = 50;
    uint32_t readTotalMultiplierMs = 10;
    uint32_t readTotalConstantMs = 50;
    uint32_t writeTotalMultiplierMs = 10;
    uint32_t writeTotalConstantMs = 50;
};

// The time-outs of an exchange: the defaults, with linkoptions::answerTimeoutMs() in place of the read's
// constant part when set.
Timeouts answerTimeouts();

// Windows rule: "COM" names longer than four characters need the "\\.\" device prefix (COM10 and up);
// anything else is used as given. Pure function, available on every platform.
std::string win32DevicePath(const std::string &portName);
// POSIX rule: a bare name such as "ttyUSB0" lives under /dev; a name containing a slash is a path.
std::string posixDevicePath(const std::string &portName);

// One open serial port. Not thread-safe by itself: the owner serialises calls with its own lock.
class SerialLink {
public:
    SerialLink();
    ~SerialLink();
    SerialLink(const SerialLink &) = delete;
    SerialLink &operator=(const SerialLink &) = delete;

    // The path this platform opens for `portName` (win32DevicePath or posixDevicePath).
    static std::string devicePath(const std::string &portName);
    // Whether this platform's serial driver can run a port at `baudRate` bit/s.
    static bool supportsBaudRate(uint32_t baudRate);

    // Opens the port for exclusive, synchronous reading and writing. Fails when it is already open here.
    bool open(const std::string &portName);
    bool setTimeouts(const Timeouts &timeouts = {});
    // Reads the driver's current line settings into this object.
    bool readLineSettings();
    // Writes the settings read before, changed to `baudRate` and 8 data bits, no parity, one stop bit;
    // hardware flow control and everything else stay as the driver reported them (on POSIX the terminal
    // is also put in raw mode and XON/XOFF is switched off, which would eat bytes of binary frames).
    // `rtsToggle` asks the driver to raise RTS while sending (RS485 direction control) where it can;
    // adapters that switch direction in hardware need nothing, so a device without that control is not
    // an error. Reads the settings first when readLineSettings() has not been called.
    bool writeLineSettings(uint32_t baudRate, bool rtsToggle);
    // Discards pending input and unsent output.
    bool purge();
    // One synchronous write; `written` may be short when the write time-out passes.
    bool write(const uint8_t *data, size_t size, size_t &written);
    // One read of up to `size` bytes under the time-outs; returns true with what arrived (maybe nothing)
    // when a time-out ends it, false only on an operating-system error (such as a device that went away).
    bool read(uint8_t *data, size_t size, size_t &received);
    void close();
    bool isOpen() const;

    // The operating-system error code (errno or GetLastError) of the last failed operation.
    int lastError() const { return m_lastError; }

    // Keeping request and answer in step. A Modbus RTU answer does not say which request it answers: after
    // an exchange that gave up waiting, or brought a short or refused answer, the real answer may still
    // be on its way and would be taken for the next request's. The owner calls markUnsettled() after such
    // an exchange, and settle() before every request: it then discards what arrives until the line is
    // quiet, for at most `limitMs` in all. Quiet means: no byte for `quietMs` since markUnsettled() (that
    // time counts) while nothing has come; once bytes have come (the late answer, or the rest of a cut
    // one), no byte for `gapMs` after the last. A link that is in step returns at once, so a clean
    // exchange pays nothing.
    static constexpr uint32_t kQuietMs = 200;
    static constexpr uint32_t kGapMs = 20;
    static constexpr uint32_t kSettleLimitMs = 1000;
    void markUnsettled();
    bool isSettled() const { return !m_unsettled; }
    // The first bytes discarded, for the frame monitor; `size` counts all of them.
    struct Kept {
        std::array<uint8_t, 64> bytes{};
        size_t size = 0;
    };
    // The number of bytes discarded (also kept in `kept` when given).
    size_t settle(uint32_t quietMs = kQuietMs, uint32_t gapMs = kGapMs, uint32_t limitMs = kSettleLimitMs,
                  Kept *kept = nullptr);

    // One device per answer. Two devices left on one address both answer, one after the other; a read
    // answer does not name its register, so the second would be taken for the next request's answer. The
    // owner calls markAnswered() after a whole answer and, before the next request, waitFrameGap() (for
    // requests that must not go out on a doubtful answer) and drainBuffered(): any byte that arrived after
    // a whole answer is another device's.
    // The Modbus RTU inter-frame gap: 3.5 characters of 11 bits, 1.75 ms above 19200 bit/s; whole ms.
    static uint32_t frameGapMs(uint32_t baudRate);
    void markAnswered(uint8_t address);
    // The address of the last whole answer not yet followed by a request; -1 when there is none.
    int answeredAddress() const { return m_answeredAddress; }
    void clearAnswered() { m_answeredAddress = -1; }
    // Sleeps until the inter-frame gap has passed since the last whole answer.
    void waitFrameGap() const;
    // Reads and discards what is buffered now, without waiting; the number of bytes.
    size_t drainBuffered(Kept *kept = nullptr);

    // Where the exchanges on this port are counted and recorded (serial::exchangeFrame reports there); the
    // owner sets it once, before the first exchange. Null: nothing is counted.
    void setWatch(LinkWatch *watch) { m_watch = watch; }
    LinkWatch *watch() const { return m_watch; }

private:
    static void keep(Kept *kept, const uint8_t *bytes, size_t size);
    struct Native;
    std::unique_ptr<Native> m_native;
    Timeouts m_timeouts;
    int m_lastError = 0;
    bool m_unsettled = false;
    std::chrono::steady_clock::time_point m_unsettledSince;
    uint32_t m_frameGapMs = frameGapMs(9600);
    int m_answeredAddress = -1;
    LinkWatch *m_watch = nullptr;
    std::chrono::steady_clock::time_point m_answeredAt;
};

// SerialLink::lastError() when open() refused the terminal this process runs in (POSIX).
constexpr int kOwnTerminal = -1000;

// Why an open failed, from the operating-system error of SerialLink::open: "no such port", "in use by
// another program", "permission denied (on Linux add the user to the dialout group)", "not a serial
// port", or the system's own text for anything else.
std::string openFailureCause(int error);

} // namespace serial
