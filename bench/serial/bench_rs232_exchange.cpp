// One RS232 read exchange (request for the raw AD value, 9-byte answer) over a pseudo-terminal to the
// simulated amplifier: median and 99th percentile, next to the same round trip done with bare system
// calls and to the simulator's own answer delay. An answered read must come back after about the answer
// delay, never after the read time-out (140 ms for 9 bytes).
//
//   bench_rs232_exchange [exchanges=2000] [answer-delay-ms=2]

#include "device/rs232/RS232Amplifier.h"
#include "protocol/ModbusFrames.h"

#include "SimulatorProcess.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The floor: the same request and answer with plain write/poll/read on the terminal.
std::vector<double> bareRoundTrips(const QString &port, int count, const std::vector<uint8_t> &request) {
    std::vector<double> times;
    const int fd = ::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return times;
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    for (int i = 0; i < count; ++i) {
        const Clock::time_point start = Clock::now();
        if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            break;
        size_t received = 0;
        uint8_t answer[64];
        while (received < modbus::kReadAnswerSize) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 1000) <= 0)
                break;
            const ssize_t n = ::read(fd, answer + received, sizeof answer - received);
            if (n > 0)
                received += static_cast<size_t>(n);
        }
        if (received != modbus::kReadAnswerSize)
            break;
        times.push_back(millisecondsSince(start));
    }
    ::close(fd);
    return times;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    const int answerDelayMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 2;

    SimulatorProcess sim({QStringLiteral("--answer-delay-ms"), QString::number(answerDelayMs)});
    if (!sim.isReady()) {
        std::fprintf(stderr, "bench_rs232_exchange: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    const std::vector<uint8_t> request = modbus::readRequest(0x01, 0x1F40);

    const std::vector<double> bare = bareRoundTrips(sim.port(), count, request);
    if (bare.size() != static_cast<size_t>(count)) {
        std::fprintf(stderr, "bench_rs232_exchange: bare round trip failed after %zu\n", bare.size());
        return 1;
    }

    RS232Amplifier amplifier(QStringLiteral("AmplifierModel"), sim.port(), 9600);
    amplifier.connect();
    if (!amplifier.isConnected()) {
        std::fprintf(stderr, "bench_rs232_exchange: could not connect to %s\n", qPrintable(sim.port()));
        return 1;
    }
    std::vector<double> times;
    int wrongAnswers = 0;
    times.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Clock::time_point start = Clock::now();
        const std::vector<uint8_t> answer = amplifier.sendCommand(request, modbus::kReadAnswerSize);
        times.push_back(millisecondsSince(start));
        if (!modbus::decodeReadAnswer(answer, 0x01).ok())
            ++wrongAnswers;
    }

    const double median = percentile(times, 0.5);
    const double bareMedian = percentile(bare, 0.5);
    std::printf("rs232_exchanges=%d\n", count);
    std::printf("sim_answer_delay_ms=%d\n", answerDelayMs);
    std::printf("rs232_exchange_median_ms=%.3f\n", median);
    std::printf("rs232_exchange_p99_ms=%.3f\n", percentile(times, 0.99));
    std::printf("rs232_exchange_max_ms=%.3f\n", *std::max_element(times.begin(), times.end()));
    std::printf("bare_pty_roundtrip_median_ms=%.3f\n", bareMedian);
    std::printf("bare_pty_roundtrip_p99_ms=%.3f\n", percentile(bare, 0.99));
    std::printf("rs232_exchange_added_median_ms=%.3f\n", median - bareMedian);
    std::printf("rs232_exchange_vs_bare_ratio=%.3f\n", bareMedian > 0 ? median / bareMedian : 0.0);
    std::printf("rs232_exchange_wrong_answers=%d\n", wrongAnswers);
    return wrongAnswers == 0 ? 0 : 1;
}
