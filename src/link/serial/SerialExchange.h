#pragma once

#include "link/serial/SerialLink.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <vector>

// One request and its answer on a serial link, the same for an RS232 port and the RS485 line; the caller
// holds the link's lock around it.
namespace serial {

struct ExchangeTexts {
    const char *shortWrite = "Incomplete command write.";
    const char *readFailed = "Error reading from serial port.";
};

// "two devices answer id N?": the exchange's error when a second device answered the same address.
QString twoDevicesText(int address);
// What requireOneDevice raises, so that a caller can tell a doubled answer from a failing port.
struct TwoDevicesError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Before a request: raises twoDevicesText() when bytes came after the last whole answer (another device
// answered it too), after letting the line fall quiet; a write to that address first waits out the
// inter-frame gap. sendRequest() does it; an exchange that reads by itself calls it too.
void requireOneDevice(SerialLink &link, const std::vector<uint8_t> &request);

// Logs and writes `request` as it is, nothing buffered discarded; raises sendRequest's write errors.
void writeRequest(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                  std::atomic<bool> &deviceFailed, const ExchangeTexts &texts = {});

// The request half of exchangeFrame: settle, purge, write; raises the same errors.
void sendRequest(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                 std::atomic<bool> &deviceFailed, const ExchangeTexts &texts = {});

// The answer half of an exchange whose answer was read by the caller: logs it, keeps the link in step
// (markAnswered or markUnsettled) and reports the exchange to the link's watch, if any. `sentAt` is when the
// request had been written.
void finishExchange(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                    const std::vector<uint8_t> &answer, size_t expectedSize,
                    std::chrono::steady_clock::time_point sentAt);

// Lets the line fall quiet if the last exchange left it out of step, discards what is buffered, writes
// `request`, waits `turnaroundMs`, then reads once up to `expectedSize` bytes (nothing when 0) and
// returns what came (maybe short). An answer that is short or not an intact answer to `request` leaves
// the link unsettled, so the next request first waits for the line to fall quiet. Raises
// std::runtime_error with "Serial port is not open.", "Error writing to serial port.", or the texts of
// `texts`; `deviceFailed` is set when the system failed a read or write (the device has probably gone),
// cleared when a write succeeds. `name` labels the frames in the frame log.
std::vector<uint8_t> exchangeFrame(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                                   size_t expectedSize, unsigned long turnaroundMs,
                                   std::atomic<bool> &deviceFailed, const ExchangeTexts &texts = {});

} // namespace serial
