#include "device/rs485/Rs485ScanProbe.h"

#include "link/serial/RS485Bus.h"
#include "protocol/ModbusFrames.h"

#include <algorithm>
#include <cmath>

namespace {

// 8-N-1: a start bit, eight data bits and a stop bit per byte.
constexpr double kBitsPerByte = 10.0;
// Scheduling and the adapter's own delay between the last byte on the wire and the read returning.
constexpr uint32_t kSlackMs = 1;

} // namespace

uint32_t Rs485ScanProbe::windowMs(uint32_t baudRate) {
    // The read begins as soon as the request is handed to the driver, so the window must hold the request
    // going out, the amplifier's reply delay and the answer coming in:
    //   (8 request bytes + 9 answer bytes) * 10 bits / speed + 20 ms late + 1 ms slack.
    // At 9600 bit/s that is 17.7 + 20 + 1 -> 39 ms, so the 241 silent ids of a full scan of 1..247 cost
    // about 9.4 s; the handshake's 2 s would cost eight minutes. Faster lines shrink only the transfer part.
    const double bytes = static_cast<double>(modbus::kReadRequestSize + modbus::kReadAnswerSize);
    const double transferMs =
        bytes * kBitsPerByte * 1000.0 / static_cast<double>(baudRate == 0 ? 9600 : baudRate);
    return static_cast<uint32_t>(std::ceil(transferMs + kLateAnswerMs)) + kSlackMs;
}

Rs485ScanProbe::Rs485ScanProbe(RS485Bus *bus, const QString &port, uint32_t baudRate, int windowMs)
    : m_bus(bus)
    , m_port(port)
    , m_baudRate(baudRate)
    , m_requestedWindowMs(windowMs) {}

bool Rs485ScanProbe::begin(QString *error) {
    if (!m_bus) {
        *error = QStringLiteral("No RS485 line to scan.");
        return false;
    }
    QString cause;
    if (!m_bus->open(m_port, m_baudRate, &cause)) {
        *error = QStringLiteral("Failed to open serial port: %1: %2").arg(m_port, cause);
        return false;
    }
    // The line may have been opened earlier at another speed; that speed is the one on the wire.
    m_windowMs =
        m_requestedWindowMs > 0 ? static_cast<uint32_t>(m_requestedWindowMs) : windowMs(m_bus->baudRate());
    return true;
}

std::vector<busscan::ProbeResult> Rs485ScanProbe::probe(int id, const std::atomic<bool> &keepRunning) {
    std::vector<busscan::ProbeResult> results;
    ask(id, m_windowMs, results);
    confirmLate(keepRunning, results);
    return results;
}

std::vector<busscan::ProbeResult> Rs485ScanProbe::drain(const std::atomic<bool> &keepRunning) {
    std::vector<busscan::ProbeResult> results;
    ask(0, kLateLimitMs, results);
    confirmLate(keepRunning, results);
    if (!m_stream.empty()) {
        busscan::ProbeResult garbage;
        garbage.kind = busscan::ProbeResult::Kind::Garbled;
        garbage.detail = QStringLiteral("%1 bytes that are no answer").arg(m_stream.size());
        m_stream.clear();
        results.push_back(garbage);
    }
    return results;
}

void Rs485ScanProbe::confirmLate(const std::atomic<bool> &keepRunning,
                                 std::vector<busscan::ProbeResult> &results) {
    while (!m_lateDelayMs.empty() && keepRunning.load()) {
        const auto [id, lateMs] = *m_lateDelayMs.begin();
        m_lateDelayMs.erase(m_lateDelayMs.begin());
        m_confirming.insert(id);
        const uint32_t window = std::min<uint32_t>(
            kConfirmLimitMs,
            std::max<uint32_t>(kLateLimitMs, 2u * static_cast<uint32_t>(lateMs) + m_windowMs));
        const size_t before = results.size();
        ask(id, window, results);
        m_confirming.erase(id);
        const bool confirmed = std::any_of(results.begin() + static_cast<long>(before), results.end(),
                                           [id = id](const busscan::ProbeResult &r) { return r.id == id; });
        if (!confirmed) {
            busscan::ProbeResult unconfirmed;
            unconfirmed.id = id;
            unconfirmed.kind = busscan::ProbeResult::Kind::Garbled;
            unconfirmed.detail =
                QStringLiteral("an answer in the name of id %1, which did not answer when asked").arg(id);
            results.push_back(unconfirmed);
        }
    }
}

void Rs485ScanProbe::ask(int id, uint32_t windowMs, std::vector<busscan::ProbeResult> &results) {
    std::vector<uint8_t> request;
    if (id > 0) {
        request = modbus::readRequest(static_cast<uint8_t>(id), modbus::kAdRegister);
        m_lastRequest = request;
        m_lastAsked = id;
    }
    bool sent = false;
    m_bus->probe(
        request, windowMs,
        [&](const std::vector<uint8_t> &bytes) {
            const Clock::time_point at = Clock::now();
            // Bytes that were buffered before the request went out answer an earlier one.
            if (!sent) {
                m_stream.insert(m_stream.end(), bytes.begin(), bytes.end());
                parse(at, 0, results);
                return;
            }
            m_stream.insert(m_stream.end(), bytes.begin(), bytes.end());
            parse(at, id, results);
        },
        [&] {
            sent = true;
            if (id > 0) {
                m_askedAt[id] = Clock::now();
                m_answers[id] = 0;
            }
        });
}

void Rs485ScanProbe::parse(Clock::time_point at, int asked, std::vector<busscan::ProbeResult> &results) {
    using Kind = busscan::ProbeResult::Kind;
    const uint8_t exceptionFunction = modbus::kReadFunction | modbus::kExceptionFlag;
    QString garbage;
    for (;;) {
        // An adapter that echoes what it sends hands back the request first.
        if (!m_lastRequest.empty() && m_stream.size() >= m_lastRequest.size() &&
            std::equal(m_lastRequest.begin(), m_lastRequest.end(), m_stream.begin())) {
            m_stream.erase(m_stream.begin(), m_stream.begin() + static_cast<long>(m_lastRequest.size()));
            continue;
        }
        if (m_stream.size() < 2)
            break;
        const uint8_t function = m_stream[1];
        size_t size = 0;
        if (function == modbus::kReadFunction && (m_stream.size() < 3 || m_stream[2] == 4))
            size = modbus::kReadAnswerSize;
        else if (function == exceptionFunction)
            size = modbus::kExceptionAnswerSize;
        if (size > 0 && m_stream.size() < size)
            break; // the rest may still come
        if (size > 0) {
            const std::vector<uint8_t> frame(m_stream.begin(), m_stream.begin() + static_cast<long>(size));
            if (modbus::crc16(frame.data(), size - 2) == (frame[size - 2] | (frame[size - 1] << 8))) {
                m_stream.erase(m_stream.begin(), m_stream.begin() + static_cast<long>(size));
                answerFrom(frame, at, asked, results);
                continue;
            }
            if (garbage.isEmpty())
                garbage = QString::fromStdString(modbus::describe(modbus::decodeReadAnswer(frame, frame[0])));
        }
        if (garbage.isEmpty())
            garbage = QStringLiteral("bytes that are no answer");
        m_stream.erase(m_stream.begin());
    }
    if (!garbage.isEmpty()) {
        busscan::ProbeResult garbled;
        garbled.id = asked > 0 ? asked : m_lastAsked;
        garbled.kind = Kind::Garbled;
        garbled.detail = garbage;
        results.push_back(garbled);
    }
}

void Rs485ScanProbe::answerFrom(const std::vector<uint8_t> &frame, Clock::time_point at, int asked,
                                std::vector<busscan::ProbeResult> &results) {
    using Kind = busscan::ProbeResult::Kind;
    const int address = frame[0];
    busscan::ProbeResult result;
    result.id = address;
    const auto askedAt = m_askedAt.find(address);
    if (askedAt == m_askedAt.end()) {
        // Nobody asked this id: a device answering in another's name, or another master on the line.
        result.id = asked > 0 ? asked : m_lastAsked;
        result.kind = Kind::Garbled;
        result.detail = QStringLiteral("an answer from id %1, which was not asked").arg(address);
        results.push_back(result);
        return;
    }
    result.delayMs =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(at - askedAt->second).count());
    const int answers = ++m_answers[address];
    if (answers >= 2) {
        result.kind = Kind::Duplicate;
        result.detail = QStringLiteral("two devices answer id %1?").arg(address);
        results.push_back(result);
        return;
    }
    if (address != asked) {
        // Late for its own probe: asked again before it counts.
        if (m_confirming.count(address) == 0)
            m_lateDelayMs[address] = result.delayMs;
        return;
    }
    const modbus::ReadAnswer decoded = modbus::decodeReadAnswer(frame, static_cast<uint8_t>(address));
    if (decoded.ok()) {
        result.kind = Kind::Found;
        result.adValue = decoded.value;
    } else {
        // An exception comes whole, checksummed and from this address: the amplifier is there.
        result.kind = decoded.fault == modbus::AnswerFault::Exception ? Kind::Refused : Kind::Garbled;
        result.detail = QString::fromStdString(modbus::describe(decoded));
    }
    results.push_back(result);
}
