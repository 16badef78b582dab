#include "link/serial/SerialLink.h"

#include <windows.h>

#include <string>

namespace serial {

struct SerialLink::Native {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool haveSettings = false;
    DCB settings{};
};

bool SerialLink::supportsBaudRate(uint32_t baudRate) {
    // The CBR_ rates every Windows serial driver takes.
    static const uint32_t kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,
                                      14400, 19200, 38400, 57600, 115200, 128000, 256000};
    for (uint32_t rate : kRates) {
        if (rate == baudRate)
            return true;
    }
    return false;
}

SerialLink::SerialLink()
    : m_native(std::make_unique<Native>()) {}

SerialLink::~SerialLink() {
    close();
}

bool SerialLink::open(const std::string &portName) {
    if (isOpen()) {
        m_lastError = ERROR_BUSY;
        return false;
    }
    const std::string path = devicePath(portName);
    // Share mode 0 makes the open exclusive; no overlapped flag, so every call is synchronous.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    // A file or another device opens just as well; only a serial port has line settings.
    DCB probe{};
    probe.DCBlength = sizeof(DCB);
    if (!GetCommState(handle, &probe)) {
        CloseHandle(handle);
        m_lastError = ERROR_INVALID_FUNCTION;
        return false;
    }
    m_native->handle = handle;
    m_native->haveSettings = false;
    m_lastError = 0;
    return true;
}

bool SerialLink::setTimeouts(const Timeouts &timeouts) {
    if (!isOpen()) {
        m_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = timeouts.readIntervalMs;
    native.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplierMs;
    native.ReadTotalTimeoutConstant = timeouts.readTotalConstantMs;
    native.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplierMs;
    native.WriteTotalTimeoutConstant = timeouts.writeTotalConstantMs;
    if (!SetCommTimeouts(m_native->handle, &native)) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    m_timeouts = timeouts;
    return true;
}

bool SerialLink::readLineSettings() {
    if (!isOpen()) {
        m_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    DCB settings{};
    settings.DCBlength = sizeof(DCB);
    if (!GetCommState(m_native->handle, &settings)) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    m_native->settings = settings;
    m_native->haveSettings = true;
    return true;
}

bool SerialLink::writeLineSettings(uint32_t baudRate, bool rtsToggle) {
    if (!m_native->haveSettings && !readLineSettings())
        return false;
    DCB settings = m_native->settings;
    settings.BaudRate = baudRate;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    // The driver raises RTS while it transmits and drops it afterwards: the RS485 transceiver's direction.
    if (rtsToggle)
        settings.fRtsControl = RTS_CONTROL_TOGGLE;
    if (!SetCommState(m_native->handle, &settings)) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    m_native->settings = settings;
    m_frameGapMs = frameGapMs(baudRate);
    return true;
}

bool SerialLink::purge() {
    if (!isOpen()) {
        m_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    if (!PurgeComm(m_native->handle, PURGE_TXCLEAR | PURGE_RXCLEAR)) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    return true;
}

bool SerialLink::write(const uint8_t *data, size_t size, size_t &written) {
    written = 0;
    if (!isOpen()) {
        m_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    DWORD count = 0;
    if (!WriteFile(m_native->handle, data, static_cast<DWORD>(size), &count, NULL)) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    written = count;
    return true;
}

bool SerialLink::read(uint8_t *data, size_t size, size_t &received) {
    received = 0;
    if (!isOpen()) {
        m_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    if (size == 0)
        return true;
    DWORD count = 0;
    if (!ReadFile(m_native->handle, data, static_cast<DWORD>(size), &count, NULL)) {
        m_lastError = static_cast<int>(GetLastError());
        return false;
    }
    received = count;
    return true;
}

std::string openFailureCause(int error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return "no such port";
    // Windows refuses a port that another program holds open with "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return "in use by another program";
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_DIRECTORY:
        return "not a serial port";
    default: {
        char text[256] = {};
        const DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                          static_cast<DWORD>(error), 0, text, sizeof text, NULL);
        std::string cause(text, size);
        while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r' || cause.back() == '.'))
            cause.pop_back();
        return cause.empty() ? "system error " + std::to_string(error) : cause;
    }
    }
}

void SerialLink::close() {
    if (m_native->handle == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(m_native->handle);
    m_native->handle = INVALID_HANDLE_VALUE;
    m_native->haveSettings = false;
    // Whatever was on its way belonged to the port as it was; a port opened again starts in step.
    m_unsettled = false;
    m_answeredAddress = -1;
}

bool SerialLink::isOpen() const {
    return m_native->handle != INVALID_HANDLE_VALUE;
}

} // namespace serial
