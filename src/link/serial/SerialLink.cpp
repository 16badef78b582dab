#include "link/serial/SerialLink.h"

#include "link/LinkOptions.h"

#include <algorithm>
#include <thread>

namespace serial {

std::string win32DevicePath(const std::string &portName) {
    static const std::string kDevicePrefix = "\\\\.\\";
    // Only "COM" in upper case takes the prefix; COM1 to COM9 are also reachable without it.
    if (portName.size() > 4 && portName.compare(0, 3, "COM") == 0 &&
        portName.compare(0, 4, kDevicePrefix) != 0)
        return kDevicePrefix + portName;
    return portName;
}

std::string posixDevicePath(const std::string &portName) {
    if (portName.find('/') == std::string::npos)
        return "/dev/" + portName;
    return portName;
}

Timeouts answerTimeouts() {
    Timeouts timeouts;
    if (const int ms = linkoptions::answerTimeoutMs(); ms > 0)
        timeouts.readTotalConstantMs = static_cast<uint32_t>(ms);
    return timeouts;
}

void SerialLink::keep(Kept *kept, const uint8_t *bytes, size_t size) {
    if (!kept)
        return;
    const size_t room = kept->bytes.size() - std::min(kept->size, kept->bytes.size());
    std::copy(bytes, bytes + std::min(room, size),
              kept->bytes.begin() + static_cast<long>(kept->bytes.size() - room));
    kept->size += size;
}

void SerialLink::markUnsettled() {
    m_unsettled = true;
    m_unsettledSince = std::chrono::steady_clock::now();
}

size_t SerialLink::settle(uint32_t quietMs, uint32_t gapMs, uint32_t limitMs, Kept *kept) {
    if (!m_unsettled)
        return 0;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point limit = Clock::now() + std::chrono::milliseconds(limitMs);
    Clock::time_point quietSince = m_unsettledSince;
    const Timeouts normal = m_timeouts;
    size_t discarded = 0;
    uint8_t sink[256];
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= limit)
            break;
        const auto quietFor = std::chrono::duration_cast<std::chrono::milliseconds>(now - quietSince).count();
        const auto untilLimit = std::chrono::ceil<std::chrono::milliseconds>(limit - now).count();
        const int64_t needed = discarded > 0 ? gapMs : quietMs;
        const auto waitMs = quietFor >= needed ? 0 : std::min<int64_t>(needed - quietFor, untilLimit);
        Timeouts wait = normal;
        if (waitMs == 0) {
            // Only what is already buffered: an interval of MAXDWORD without totals returns at once.
            wait.readIntervalMs = 0xFFFFFFFFu;
            wait.readTotalMultiplierMs = 0;
            wait.readTotalConstantMs = 0;
        } else {
            // Returns when `waitMs` passed without a byte, or just after a burst of bytes.
            wait.readIntervalMs = 1;
            wait.readTotalMultiplierMs = 0;
            wait.readTotalConstantMs = static_cast<uint32_t>(waitMs);
        }
        size_t received = 0;
        if (!setTimeouts(wait) || !read(sink, sizeof sink, received))
            break; // the device failed; the exchange that follows reports it
        if (received > 0) {
            keep(kept, sink, received);
            discarded += received;
            quietSince = Clock::now();
            continue;
        }
        if (waitMs == 0)
            break;
    }
    setTimeouts(normal);
    m_unsettled = false;
    return discarded;
}

uint32_t SerialLink::frameGapMs(uint32_t baudRate) {
    if (baudRate == 0 || baudRate > 19200)
        return 2;
    // 3.5 * 11 bits, rounded up to whole ms: 4 ms at 9600 bit/s.
    return static_cast<uint32_t>((uint64_t{35} * 11u * 1000u + uint64_t{baudRate} * 10u - 1u) /
                                 (uint64_t{baudRate} * 10u));
}

void SerialLink::markAnswered(uint8_t address) {
    m_answeredAddress = address;
    m_answeredAt = std::chrono::steady_clock::now();
}

void SerialLink::waitFrameGap() const {
    if (m_answeredAddress >= 0)
        std::this_thread::sleep_until(m_answeredAt + std::chrono::milliseconds(m_frameGapMs));
}

size_t SerialLink::drainBuffered(Kept *kept) {
    const Timeouts normal = m_timeouts;
    // Only what is already buffered: an interval of MAXDWORD without totals returns at once.
    Timeouts now;
    now.readIntervalMs = 0xFFFFFFFFu;
    now.readTotalMultiplierMs = 0;
    now.readTotalConstantMs = 0;
    size_t drained = 0;
    uint8_t sink[256];
    size_t received = 0;
    setTimeouts(now);
    while (read(sink, sizeof sink, received) && received > 0) {
        keep(kept, sink, received);
        drained += received;
    }
    setTimeouts(normal);
    return drained;
}

std::string SerialLink::devicePath(const std::string &portName) {
#ifdef _WIN32
    return win32DevicePath(portName);
#else
    return posixDevicePath(portName);
#endif
}

} // namespace serial
