// What a one-shot command costs a technician: `kelvora-cli read-ad` against the simulated amplifier on a
// pseudo-terminal, median wall and CPU time of the whole process (start-up, handshake, exchange, exit), and
// `kelvora-cli --version` alone. Where mbpoll is on PATH it reads the same two registers as a yardstick.
//
//   bench_cli [runs=15] [kelvora-cli path]

#include "SimulatorProcess.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
};

double milliseconds(const timeval &t) {
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

// One run of `argv` with its output discarded; nullopt when it could not start or did not exit with 0.
std::optional<Run> runOnce(const QStringList &argv) {
    std::vector<std::string> words;
    for (const QString &word : argv)
        words.push_back(word.toStdString());
    std::vector<char *> pointers;
    for (std::string &word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, words.front().c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return std::nullopt;
    Run run;
    run.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Medians of `runs` runs; false (with a line on stderr) when one failed.
bool measure(const char *name, const QStringList &argv, int runs, double *wallMs, double *cpuMs) {
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int i = 0; i < runs; ++i) {
        const std::optional<Run> run = runOnce(argv);
        if (!run) {
            std::fprintf(stderr, "%s: run %d failed: %s\n", name, i + 1,
                         qPrintable(argv.join(QLatin1Char(' '))));
            return false;
        }
        walls.push_back(run->wallMs);
        cpus.push_back(run->cpuMs);
    }
    *wallMs = median(walls);
    *cpuMs = median(cpus);
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int runs = arguments.size() > 1 ? std::max(1, arguments.at(1).toInt()) : 15;
    const QString cli = arguments.size() > 2 ? arguments.at(2) : QStringLiteral(KELVORA_CLI_PATH);

    SimulatorProcess sim;
    if (!sim.isReady()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    std::printf("runs=%d\n", runs);

    double wall = 0;
    double cpu = 0;
    if (!measure("version", {cli, QStringLiteral("--version")}, runs, &wall, &cpu))
        return 1;
    std::printf("cli_version_wall_ms=%.1f\ncli_version_cpu_ms=%.1f\n", wall, cpu);

    double cliWall = 0;
    if (!measure("read-ad",
                 {cli, QStringLiteral("--protocol"), QStringLiteral("RS232"), QStringLiteral("--port"),
                  sim.port(), QStringLiteral("read-ad")},
                 runs, &cliWall, &cpu))
        return 1;
    std::printf("cli_read_ad_wall_ms=%.1f\ncli_read_ad_cpu_ms=%.1f\n", cliWall, cpu);

    const QString mbpoll = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
    if (mbpoll.isEmpty()) {
        std::printf("mbpoll=not-found\n");
        return 0;
    }
    // The raw AD value: holding registers 0x1F40 and 0x1F41 of address 1, 9600 baud, no parity, polled once.
    double mbpollWall = 0;
    if (!measure("mbpoll",
                 {mbpoll, QStringLiteral("-m"), QStringLiteral("rtu"), QStringLiteral("-a"),
                  QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("9600"), QStringLiteral("-P"),
                  QStringLiteral("none"), QStringLiteral("-t"), QStringLiteral("4"), QStringLiteral("-0"),
                  QStringLiteral("-r"), QString::number(0x1F40), QStringLiteral("-c"), QStringLiteral("2"),
                  QStringLiteral("-1"), sim.port()},
                 runs, &mbpollWall, &cpu))
        return 1;
    std::printf("mbpoll_wall_ms=%.1f\nmbpoll_cpu_ms=%.1f\ncli_vs_mbpoll_wall_ratio=%.2f\n", mbpollWall, cpu,
                cliWall / mbpollWall);
    return 0;
}
