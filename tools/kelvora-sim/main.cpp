// kelvora-sim: a simulated serial amplifier (or a whole RS485 line of them) on a pseudo-terminal.
//
// It prints "PORT <path>" as its first line and then reads control commands on stdin, answering each
// with exactly one line, "OK ..." or "ERR ...":
//   fault <id|all> <none|silence|truncate|bad-crc|exception|garbage|late|other-id|low16|random> [arg]
//   scope <id|all> <all|reads|writes>   (which requests the answer faults hit; default all)
//   set <id> <reg> <value>     get <id> <reg>             (registers and values in decimal or 0x-hex;
//   set <id> 0 auto                                         0x1F40 sets the load, 0x0000 pins the value)
//   load <id|all> <ad>         noise <id|all> <amplitude>  steps <id|all> <ad1,ad2,...> <ms>
//   encode <id|all> <on|off>   count <id>   faults <id> [reg]   log <id>
//   settle <id|all> <ms>       (a new load is approached exponentially with this time constant; 0: at once)
//   creep <id|all> <counts> <ms>  (after each load change the value drifts <counts> further in the
//                                  direction of the change, with time constant <ms>; counts 0: none)
//   refuse <id|all> <reg> <k> [count]   refuse <id|all> <reg> off   words <id|all> on|off
//   (refuse: the k-th write to reg from now on, and count - 1 more, get Modbus exception 2 and change
//   nothing; words: a plain 16-bit register file, where 32-bit values at neighbouring addresses overlap)
//   (faults: injected so far; with a register, only those that hit reads of it. log: the write frames
//   and text lines heard since the last "log", hex, ';'-separated)
//   quit
// It ends on "quit", at the end of stdin (unless --no-stdin) and on SIGINT/SIGTERM/SIGHUP.

#include "EndWithParent.h"
#include "SimulatedLine.h"

#include "link/serial/SimulatedPorts.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using sim::Clock;

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
}

struct Options {
    std::vector<uint8_t> ids{1};
    bool announce = false;
    bool readStdin = true;
    bool idEncoding = false;
    int answerDelayMs = 2;
    uint32_t seed = 1;
    double faultRate = 0;
    int64_t load = -1;
    uint32_t noise = 0;
    int settleMs = 0;
    long parent = 0;
    std::vector<sim::Fault> faultKinds = sim::answerFaults();
};

const char *kUsage =
    "Usage: kelvora-sim [options]\n"
    "Simulated Kelvora amplifiers answering Modbus RTU on a pseudo-terminal.\n"
    "  --ids 1,2,17          device ids on the line (default 1)\n"
    "  --announce            announce the port so the program's port list shows it\n"
    "  --answer-delay-ms N   time before each answer (default 2)\n"
    "  --id-encoding         live values encode (id, register, counter)\n"
    "  --load AD             constant raw AD value of every device (default 250000)\n"
    "  --noise N             random noise of +-N counts on the AD value (default 0)\n"
    "  --settle MS           time constant of a new load's approach (default 0: at once)\n"
    "  --fault-rate P        share of requests hit by a random fault (0..1)\n"
    "  --fault-kinds a,b     faults the random choice picks from (default: every answer fault)\n"
    "  --seed N              seed for noise and random faults (default 1)\n"
    "  --no-stdin            ignore stdin (run until a signal)\n"
    "  --parent PID          end when process PID, the starter, ends (however it ends)\n"
    "The first output line is \"PORT <path>\"; then commands on stdin are answered one line each.\n";

bool parseNumber(const std::string &text, int64_t &value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0')
        return false;
    value = parsed;
    return true;
}

bool parseU32(const std::string &text, uint32_t &value) {
    int64_t parsed = 0;
    // Negative values are accepted as their two's complement, as a signed register would hold them.
    if (!parseNumber(text, parsed) || parsed < -2147483648LL || parsed > 0xFFFFFFFFLL)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool parseId(const std::string &text, uint8_t &id) {
    int64_t parsed = 0;
    if (!parseNumber(text, parsed) || parsed < 0 || parsed > 255)
        return false;
    id = static_cast<uint8_t>(parsed);
    return true;
}

bool parseIdList(const std::string &text, std::vector<uint8_t> &ids) {
    ids.clear();
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        uint8_t id = 0;
        if (!parseId(item, id) || id == 0)
            return false;
        ids.push_back(id);
    }
    return !ids.empty();
}

bool parseOptions(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        int64_t number = 0;
        if (arg == "--ids" && hasValue) {
            if (!parseIdList(argv[++i], options.ids))
                return false;
        } else if (arg == "--announce") {
            options.announce = true;
        } else if (arg == "--no-stdin") {
            options.readStdin = false;
        } else if (arg == "--id-encoding") {
            options.idEncoding = true;
        } else if (arg == "--answer-delay-ms" && hasValue && parseNumber(argv[++i], number) && number >= 0) {
            options.answerDelayMs = static_cast<int>(number);
        } else if (arg == "--load" && hasValue && parseNumber(argv[++i], number) && number >= 0 &&
                   number <= 0xFFFFFFFFLL) {
            options.load = number;
        } else if (arg == "--noise" && hasValue && parseNumber(argv[++i], number) && number >= 0 &&
                   number <= 0xFFFFFFFFLL) {
            options.noise = static_cast<uint32_t>(number);
        } else if (arg == "--settle" && hasValue && parseNumber(argv[++i], number) && number >= 0 &&
                   number <= 3600000) {
            options.settleMs = static_cast<int>(number);
        } else if (arg == "--parent" && hasValue && parseNumber(argv[++i], number) && number > 0) {
            options.parent = static_cast<long>(number);
        } else if (arg == "--seed" && hasValue && parseNumber(argv[++i], number)) {
            options.seed = static_cast<uint32_t>(number);
        } else if (arg == "--fault-kinds" && hasValue) {
            options.faultKinds.clear();
            std::stringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) {
                sim::Fault fault = sim::Fault::None;
                if (!sim::parseFault(item, fault) || fault == sim::Fault::None ||
                    fault == sim::Fault::Low16 || fault == sim::Fault::Random)
                    return false;
                options.faultKinds.push_back(fault);
            }
        } else if (arg == "--fault-rate" && hasValue) {
            char *end = nullptr;
            options.faultRate = std::strtod(argv[++i], &end);
            if (*end != '\0' || options.faultRate < 0 || options.faultRate > 1)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// Executes one control command and returns its reply line.
class Control {
public:
    explicit Control(sim::SimulatedLine &line)
        : m_line(line) {}

    bool quitRequested() const { return m_quit; }

    std::string execute(const std::string &commandLine, Clock::time_point now) {
        std::istringstream in(commandLine);
        std::vector<std::string> words;
        for (std::string word; in >> word;)
            words.push_back(word);
        if (words.empty())
            return "ERR empty command";
        const std::string &command = words[0];
        if (command == "quit") {
            m_quit = true;
            return "OK";
        }
        if (command == "twin")
            return twin(words);
        static const std::vector<std::string> kCommands = {"fault",  "scope", "set",    "get",    "load",
                                                           "noise",  "steps", "encode", "count",  "faults",
                                                           "settle", "creep", "log",    "refuse", "words"};
        if (std::find(kCommands.begin(), kCommands.end(), command) == kCommands.end())
            return "ERR unknown command " + command;
        if (words.size() < 2)
            return "ERR missing device id";
        std::vector<sim::SimulatedDevice *> targets;
        if (!resolve(words[1], targets))
            return "ERR no device " + words[1];

        if (command == "fault" && (words.size() == 3 || words.size() == 4)) {
            sim::Fault fault = sim::Fault::None;
            if (!sim::parseFault(words[2], fault))
                return "ERR unknown fault " + words[2];
            double argument = 0;
            if (words.size() == 4) {
                char *end = nullptr;
                argument = std::strtod(words[3].c_str(), &end);
                if (*end != '\0') {
                    int64_t number = 0; // hex register numbers for low16
                    if (!parseNumber(words[3], number))
                        return "ERR bad argument " + words[3];
                    argument = static_cast<double>(number);
                }
            }
            for (auto *device : targets)
                device->setFault(fault, argument, words.size() == 4);
            return "OK";
        }
        if (command == "scope" && words.size() == 3) {
            sim::FaultScope scope = sim::FaultScope::All;
            if (!sim::parseFaultScope(words[2], scope))
                return "ERR unknown scope " + words[2];
            for (auto *device : targets)
                device->setFaultScope(scope);
            return "OK";
        }
        if (command == "load" && words.size() == 3)
            return forEach(targets, words[2],
                           [now](sim::SimulatedDevice *d, uint32_t v) { d->setLoad(v, now); });
        if (command == "settle" && words.size() == 3)
            return forEach(targets, words[2], [](sim::SimulatedDevice *d, uint32_t v) {
                d->setSettle(static_cast<int>(std::min<uint32_t>(v, 3600000)));
            });
        if (command == "creep" && words.size() == 4) {
            uint32_t counts = 0;
            uint32_t ms = 0;
            if (!parseU32(words[2], counts) || !parseU32(words[3], ms) || ms == 0 || ms > 3600000)
                return "ERR usage: creep <id|all> <counts> <ms>";
            for (auto *device : targets)
                device->setCreep(counts, static_cast<int>(ms));
            return "OK";
        }
        if (command == "noise" && words.size() == 3)
            return forEach(targets, words[2], [](sim::SimulatedDevice *d, uint32_t v) { d->setNoise(v); });
        if (command == "encode" && words.size() == 3 && (words[2] == "on" || words[2] == "off")) {
            for (auto *device : targets)
                device->setIdEncoding(words[2] == "on");
            return "OK";
        }
        if (command == "steps" && words.size() == 4) {
            std::vector<uint32_t> levels;
            std::stringstream list(words[2]);
            for (std::string item; std::getline(list, item, ',');) {
                uint32_t level = 0;
                if (!parseU32(item, level))
                    return "ERR bad level " + item;
                levels.push_back(level);
            }
            int64_t periodMs = 0;
            if (levels.empty() || !parseNumber(words[3], periodMs) || periodMs <= 0)
                return "ERR usage: steps <id> <ad1,ad2,...> <ms>";
            for (auto *device : targets)
                device->setSteps(levels, static_cast<int>(periodMs), now);
            return "OK";
        }

        if (command == "refuse" || command == "words")
            return integrityCommand(words, targets);

        // The rest address exactly one device.
        if (targets.size() != 1)
            return "ERR " + command + " needs one device id";
        sim::SimulatedDevice *device = targets.front();
        if (command == "set" && words.size() == 4) {
            uint32_t reg = 0;
            if (!parseU32(words[2], reg) || reg > 0xFFFF)
                return "ERR bad register " + words[2];
            if (reg == sim::SimulatedDevice::kMeasuringValue && words[3] == "auto") {
                device->unpinMeasuringValue();
                return "OK";
            }
            uint32_t value = 0;
            if (!parseU32(words[3], value))
                return "ERR bad value " + words[3];
            device->set(static_cast<uint16_t>(reg), value);
            return "OK";
        }
        if (command == "get" && words.size() == 3) {
            uint32_t reg = 0;
            if (!parseU32(words[2], reg) || reg > 0xFFFF)
                return "ERR bad register " + words[2];
            return "OK " + std::to_string(device->peek(static_cast<uint16_t>(reg), now));
        }
        if (command == "count" && words.size() == 2)
            return "OK " + std::to_string(device->requestCount());
        if (command == "faults" && words.size() == 2)
            return "OK " + std::to_string(device->faultCount());
        if (command == "faults" && words.size() == 3) {
            uint32_t reg = 0;
            if (!parseU32(words[2], reg) || reg > 0xFFFF)
                return "ERR bad register " + words[2];
            return "OK " + std::to_string(device->readFaultCount(static_cast<uint16_t>(reg)));
        }
        if (command == "log" && words.size() == 2) {
            std::string joined;
            for (const std::string &frame : device->takeLog())
                joined += (joined.empty() ? "" : ";") + frame;
            return joined.empty() ? "OK" : "OK " + joined;
        }
        return "ERR unknown or malformed command: " + commandLine;
    }

private:
    // The faults that all-or-nothing writes are tried against: "refuse <id> <reg> <k> [count]" refuses the
    // k-th write to reg from now on (and count - 1 more), "refuse <id> <reg> off" clears it; "words <id>
    // on|off" switches the plain 16-bit register file.
    static std::string integrityCommand(const std::vector<std::string> &words,
                                        const std::vector<sim::SimulatedDevice *> &targets) {
        if (words[0] == "words" && words.size() == 3 && (words[2] == "on" || words[2] == "off")) {
            for (auto *device : targets)
                device->setWordFile(words[2] == "on");
            return "OK";
        }
        uint32_t reg = 0;
        if (words[0] != "refuse" || words.size() < 4 || words.size() > 5 || !parseU32(words[2], reg) ||
            reg > 0xFFFF)
            return "ERR usage: refuse <id> <reg> <k> [count] | refuse <id> <reg> off | words <id> on|off";
        uint32_t kth = 0;
        uint32_t count = 1;
        if (words[3] != "off" && (!parseU32(words[3], kth) || kth == 0 ||
                                  (words.size() == 5 && (!parseU32(words[4], count) || count == 0))))
            return "ERR usage: refuse <id> <reg> <k> [count]";
        for (auto *device : targets)
            device->refuseWrite(static_cast<uint16_t>(reg), static_cast<int>(kth),
                                words[3] == "off" ? 0 : static_cast<int>(count));
        return "OK";
    }

    // twin ID MS | twin ID off: a second device answering ID, MS ms after the first.
    std::string twin(const std::vector<std::string> &words) {
        uint32_t id = 0;
        uint32_t delayMs = 0;
        if (words.size() != 3 || !parseU32(words[1], id) || id > 0xFF ||
            (words[2] != "off" && !parseU32(words[2], delayMs)))
            return "ERR usage: twin <id> <ms>|off";
        const int delay = words[2] == "off" ? -1 : static_cast<int>(delayMs);
        return m_line.setTwin(static_cast<uint8_t>(id), delay) ? "OK" : "ERR no device " + words[1];
    }

    bool resolve(const std::string &word, std::vector<sim::SimulatedDevice *> &targets) {
        if (word == "all") {
            targets = m_line.devices();
            return true;
        }
        uint8_t id = 0;
        sim::SimulatedDevice *device = parseId(word, id) ? m_line.device(id) : nullptr;
        if (device)
            targets = {device};
        return device != nullptr;
    }

    std::string forEach(const std::vector<sim::SimulatedDevice *> &targets, const std::string &valueText,
                        const std::function<void(sim::SimulatedDevice *, uint32_t)> &apply) {
        uint32_t value = 0;
        if (!parseU32(valueText, value))
            return "ERR bad value " + valueText;
        for (auto *device : targets)
            apply(device, value);
        return "OK";
    }

    sim::SimulatedLine &m_line;
    bool m_quit = false;
};

void writeLine(const std::string &line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

bool makeRaw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

void writeAll(int fd, const std::vector<uint8_t> &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // Nobody reads the terminal and its buffer is full: the answer is lost, as on a real line.
            return;
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("kelvora-sim: openpty");
        return 1;
    }
    // Raw from the start: an echoing terminal would send the program's requests straight back. The
    // slave stays open here so the terminal survives the program closing and reopening it.
    if (!makeRaw(slave)) {
        std::perror("kelvora-sim: raw mode");
        return 1;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    if (::pipe(g_signalPipe) != 0) {
        std::perror("kelvora-sim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    if (options.parent > 0 && !endWithParent(options.parent)) {
        std::fputs("kelvora-sim: --parent is not supported here\n", stderr);
        return 2;
    }

    sim::SimulatedLine line(options.ids, options.seed, options.answerDelayMs);
    for (auto *device : line.devices()) {
        device->setIdEncoding(options.idEncoding);
        device->setRandomKinds(options.faultKinds);
        if (options.load >= 0)
            device->setLoad(static_cast<uint32_t>(options.load));
        device->setNoise(options.noise);
        device->setSettle(options.settleMs);
        if (options.faultRate > 0)
            device->setFault(sim::Fault::Random, options.faultRate, true);
    }
    Control control(line);

    writeLine(std::string("PORT ") + name);
    QString announcement;
    if (options.announce) {
        announcement = simulatedports::announce(QString::fromLocal8Bit(name));
        if (announcement.isEmpty())
            std::fputs("kelvora-sim: could not announce the port\n", stderr);
    }

    std::string commandBuffer;
    bool stdinOpen = options.readStdin;
    bool running = true;
    while (running && !control.quitRequested()) {
        int timeoutMs = -1;
        if (const auto wake = line.nextWake()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(*wake - Clock::now()).count();
            timeoutMs = left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
        }
        pollfd fds[3] = {{master, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 3, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            std::perror("kelvora-sim: poll");
            break;
        }
        const Clock::time_point now = Clock::now();
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            uint8_t buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                line.receive(buffer, static_cast<size_t>(n), now);
        }
        if (ready > 0 && fds[1].revents)
            running = false;
        if (ready > 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[4096];
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n <= 0) {
                // The controlling program is gone: do not linger as an orphan.
                running = false;
            } else {
                commandBuffer.append(buffer, static_cast<size_t>(n));
                size_t end;
                while ((end = commandBuffer.find('\n')) != std::string::npos) {
                    std::string command = commandBuffer.substr(0, end);
                    commandBuffer.erase(0, end + 1);
                    if (!command.empty() && command.back() == '\r')
                        command.pop_back();
                    writeLine(control.execute(command, Clock::now()));
                }
            }
        }
        const Clock::time_point after = Clock::now();
        for (const auto &answer : line.takeDue(after))
            writeAll(master, answer);
        line.expire(after);
    }

    simulatedports::withdraw(announcement);
    ::close(slave);
    ::close(master);
    return 0;
}
