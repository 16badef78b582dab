#include "link/serial/SerialExchange.h"

#include "link/LinkOptions.h"
#include "link/LinkWatch.h"
#include "link/serial/FrameLog.h"
#include "protocol/ModbusFrames.h"

#include <QThread>

#include <stdexcept>

namespace serial {

QString twoDevicesText(int address) {
    return QStringLiteral("two devices answer id %1?").arg(address);
}

void requireOneDevice(SerialLink &link, const std::vector<uint8_t> &request) {
    const int address = link.answeredAddress();
    if (address < 0)
        return;
    // Reads are repeated and go out at once, so that a clean line pays one look at the buffer for them;
    // a write is what must never follow an answer that another device doubled, so it waits out the gap
    // in which a second answer would begin.
    if (request.size() > 1 && request[1] == modbus::kWriteFunction && request[0] == address)
        link.waitFrameGap();
    link.clearAnswered();
    LinkWatch *watch = link.watch();
    SerialLink::Kept second;
    if (link.drainBuffered(watch ? &second : nullptr) == 0)
        return;
    // The rest of the second answer may still be coming; let the line fall quiet before the next request.
    link.markUnsettled();
    link.settle(SerialLink::kGapMs, SerialLink::kGapMs, SerialLink::kSettleLimitMs,
                watch ? &second : nullptr);
    if (watch)
        watch->discarded(static_cast<uint8_t>(address), frames::Verdict::Duplicate, second.bytes.data(),
                         second.size);
    throw TwoDevicesError(twoDevicesText(address).toStdString());
}

void writeRequest(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                  std::atomic<bool> &deviceFailed, const ExchangeTexts &texts) {
    logFrame("->", name, request);
    size_t written = 0;
    if (!link.write(request.data(), request.size(), written)) {
        deviceFailed = true;
        if (LinkWatch *watch = link.watch(); watch && !request.empty())
            watch->linkFailed(request[0], "Error writing to serial port.");
        throw std::runtime_error("Error writing to serial port.");
    }
    deviceFailed = false;
    if (written < request.size()) {
        link.markUnsettled();
        throw std::runtime_error(texts.shortWrite);
    }
}

void sendRequest(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                 std::atomic<bool> &deviceFailed, const ExchangeTexts &texts) {
    if (!link.isOpen())
        throw std::runtime_error("Serial port is not open.");
    LinkWatch *watch = link.watch();
    SerialLink::Kept late;
    link.settle(SerialLink::kQuietMs, SerialLink::kGapMs, SerialLink::kSettleLimitMs,
                watch ? &late : nullptr);
    if (watch && late.size > 0 && watch->lastAddress() >= 0)
        watch->discarded(static_cast<uint8_t>(watch->lastAddress()), frames::Verdict::Late, late.bytes.data(),
                         late.size);
    requireOneDevice(link, request);
    // Bytes still waiting belong to an earlier request; taking them for this one would mix registers up.
    link.purge();
    writeRequest(link, name, request, deviceFailed, texts);
}

namespace {

// Worth asking again: nothing usable came, and the amplifier did not say no.
bool worthRetrying(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer) {
    const frames::Verdict verdict = frames::judgeModbus(request, answer).verdict;
    return verdict != frames::Verdict::Ok && verdict != frames::Verdict::Refused;
}

std::vector<uint8_t> exchangeOnce(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                                  size_t expectedSize, unsigned long turnaroundMs,
                                  std::atomic<bool> &deviceFailed, const ExchangeTexts &texts) {
    sendRequest(link, name, request, deviceFailed, texts);
    const auto sentAt = std::chrono::steady_clock::now();
    if (turnaroundMs > 0)
        QThread::msleep(turnaroundMs);
    if (expectedSize == 0)
        return {};
    std::vector<uint8_t> answer(expectedSize, 0);
    size_t received = 0;
    if (!link.read(answer.data(), answer.size(), received)) {
        deviceFailed = true;
        if (LinkWatch *watch = link.watch())
            watch->linkFailed(request[0], texts.readFailed);
        throw std::runtime_error(texts.readFailed);
    }
    answer.resize(received);
    finishExchange(link, name, request, answer, expectedSize, sentAt);
    return answer;
}

} // namespace

std::vector<uint8_t> exchangeFrame(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                                   size_t expectedSize, unsigned long turnaroundMs,
                                   std::atomic<bool> &deviceFailed, const ExchangeTexts &texts) {
    std::vector<uint8_t> answer =
        exchangeOnce(link, name, request, expectedSize, turnaroundMs, deviceFailed, texts);
    for (int retry = linkoptions::retries(); retry > 0 && expectedSize > 0 && worthRetrying(request, answer);
         --retry)
        answer = exchangeOnce(link, name, request, expectedSize, turnaroundMs, deviceFailed, texts);
    return answer;
}

void finishExchange(SerialLink &link, const QString &name, const std::vector<uint8_t> &request,
                    const std::vector<uint8_t> &answer, size_t expectedSize,
                    std::chrono::steady_clock::time_point sentAt) {
    logFrame("<-", name, answer);
    if (!modbus::isAnswerTo(request, answer, expectedSize))
        link.markUnsettled();
    else
        link.markAnswered(request[0]);
    if (LinkWatch *watch = link.watch(); watch && !request.empty())
        watch->exchanged(request[0], request, answer, sentAt);
}

} // namespace serial
