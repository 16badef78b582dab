// One RS232 read exchange (request for the raw AD value, 9-byte answer) over a pseudo-terminal to the
// simulated amplifier: median and 99th percentile, next to the same round trip done with bare system
// calls and to the simulator's own answer delay. An answered read must come back after about the answer
// delay, never after the read time-out (140 ms for 9 bytes). The exchanges run in alternating blocks with
// the frame monitor off and recording, so that the two medians see the same machine; the counting and
// recording alone are also timed without the port (CPU per exchange).
//
//   bench_rs232_exchange [exchanges=2000] [answer-delay-ms=2]

#include "device/rs232/RS232Amplifier.h"
#include "link/LinkWatch.h"
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
    // Blocks of this many exchanges alternate between the monitor off and recording.
    constexpr int kBlock = 100;
    LinkWatch &watch = *amplifier.linkWatch();
    std::vector<double> times;
    std::vector<double> recordingTimes;
    int wrongAnswers = 0;
    times.reserve(static_cast<size_t>(count));
    recordingTimes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < 2 * count; ++i) {
        const bool recording = (i / kBlock) % 2 == 1;
        watch.monitor().setRecording(recording);
        const Clock::time_point start = Clock::now();
        const std::vector<uint8_t> answer = amplifier.sendCommand(request, modbus::kReadAnswerSize);
        (recording ? recordingTimes : times).push_back(millisecondsSince(start));
        if (!modbus::decodeReadAnswer(answer, 0x01).ok())
            ++wrongAnswers;
    }
    watch.monitor().setRecording(false);

    // What the counting adds without the port: one judged exchange, monitor off and recording.
    const std::vector<uint8_t> answer = amplifier.sendCommand(request, modbus::kReadAnswerSize);
    auto countingMicros = [&](bool recording) {
        LinkWatch alone(frames::Protocol::Modbus);
        alone.monitor().setRecording(recording);
        constexpr int kCalls = 200000;
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kCalls; ++i)
            alone.exchanged(1, request, answer, start);
        return millisecondsSince(start) * 1000.0 / kCalls;
    };
    const double countingOffUs = countingMicros(false);
    const double countingOnUs = countingMicros(true);

    const double median = percentile(times, 0.5);
    const double recordingMedian = percentile(recordingTimes, 0.5);
    const double bareMedian = percentile(bare, 0.5);
    std::printf("rs232_exchanges=%d\n", count);
    std::printf("sim_answer_delay_ms=%d\n", answerDelayMs);
    std::printf("rs232_exchange_median_ms=%.3f\n", median);
    std::printf("rs232_exchange_p99_ms=%.3f\n", percentile(times, 0.99));
    std::printf("rs232_exchange_max_ms=%.3f\n", *std::max_element(times.begin(), times.end()));
    std::printf("rs232_exchange_monitor_median_ms=%.3f\n", recordingMedian);
    std::printf("rs232_exchange_monitor_p99_ms=%.3f\n", percentile(recordingTimes, 0.99));
    std::printf("rs232_exchange_monitor_added_percent=%.2f\n",
                median > 0 ? 100.0 * (recordingMedian - median) / median : 0.0);
    std::printf("link_counting_monitor_off_us=%.3f\n", countingOffUs);
    std::printf("link_counting_monitor_on_us=%.3f\n", countingOnUs);
    std::printf("link_counting_monitor_on_percent_of_exchange=%.3f\n",
                median > 0 ? 100.0 * countingOnUs / (median * 1000.0) : 0.0);
    std::printf("bare_pty_roundtrip_median_ms=%.3f\n", bareMedian);
    std::printf("bare_pty_roundtrip_p99_ms=%.3f\n", percentile(bare, 0.99));
    std::printf("rs232_exchange_added_median_ms=%.3f\n", median - bareMedian);
    std::printf("rs232_exchange_vs_bare_ratio=%.3f\n", bareMedian > 0 ? median / bareMedian : 0.0);
    std::printf("rs232_exchange_wrong_answers=%d\n", wrongAnswers);
    return wrongAnswers == 0 ? 0 : 1;
}
