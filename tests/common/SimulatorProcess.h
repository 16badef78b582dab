#pragma once

// Runs the simulated amplifier (tools/kelvora-sim) for a test or benchmark and talks to it through its
// control commands. A test gets the program's path from its CMakeLists.txt:
//
//   kelvora_add_test(tst_something SOURCES tst_something.cpp
//                    DEFINITIONS KELVORA_SIM_PATH="$<TARGET_FILE:kelvora-sim>")
//   add_dependencies(tst_something kelvora-sim)
//
// Then:  SimulatorProcess sim({"--ids", "1,2"});  QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
//        serial port: sim.port();  control: sim.command("fault 1 silence") returns "OK" or "ERR ...".
// Use it from one thread at a time. The simulator is ended when the object goes.
//
// The child is started with posix_spawn rather than QProcess: QProcess forks in a way that makes
// ThreadSanitizer refuse every thread the test starts afterwards, and the driver suites run under it.
// Its stdin and stdout are one socket, so a write to a simulator that died fails instead of raising
// SIGPIPE in the test.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

class SimulatorProcess {
public:
    static QString program() {
#ifdef KELVORA_SIM_PATH
        return QStringLiteral(KELVORA_SIM_PATH);
#else
        return QStringLiteral("kelvora-sim");
#endif
    }

    explicit SimulatorProcess(const QStringList &arguments = {}, int startTimeoutMs = 10000) {
        int sockets[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
            m_error = QStringLiteral("socketpair failed: %1").arg(errno);
            return;
        }
        const std::string path = program().toStdString();
        std::vector<std::string> words{path};
        for (const QString &argument : arguments)
            words.push_back(argument.toStdString());
        std::vector<char *> argv;
        for (std::string &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, sockets[1], 0);
        posix_spawn_file_actions_adddup2(&actions, sockets[1], 1);
        const int result = ::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(sockets[1]);
        m_control = sockets[0];
        if (result != 0) {
            m_pid = -1;
            m_error = QStringLiteral("cannot start %1: error %2").arg(program()).arg(result);
            return;
        }
        const QString first = readLine(startTimeoutMs);
        if (!first.startsWith(QLatin1String("PORT "))) {
            m_error = QStringLiteral("simulator did not announce its port (got \"%1\")").arg(first);
            return;
        }
        m_port = first.mid(5);
    }

    ~SimulatorProcess() {
        if (isRunning()) {
            sendLine("quit");
            if (!waitForExit(3000))
                kill();
        }
        if (m_control >= 0)
            ::close(m_control);
    }

    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    bool isReady() {
        return !m_port.isEmpty() && isRunning();
    }
    QString errorString() const {
        return m_error;
    }
    // The pseudo-terminal to open, e.g. "/dev/pts/7".
    QString port() const {
        return m_port;
    }

    // Sends one control command and returns the simulator's reply line ("OK ...", "ERR ..."), or an
    // empty string when no reply came in time.
    QString command(const QString &line, int timeoutMs = 10000) {
        if (!isRunning() || !sendLine(line.toUtf8()))
            return {};
        return readLine(timeoutMs);
    }

    // The number after "OK" of a query such as "count 1"; -1 when the reply is not a number.
    qint64 query(const QString &line) {
        const QString reply = command(line);
        bool ok = false;
        const qint64 value = reply.startsWith(QLatin1String("OK ")) ? reply.mid(3).toLongLong(&ok) : -1;
        return ok ? value : -1;
    }

    // Ends the simulator at once (SIGKILL), as when a device is unplugged: its terminal goes away.
    void kill() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        waitForExit(10000);
    }

private:
    bool isRunning() {
        if (m_pid <= 0)
            return false;
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid || (done < 0 && errno == ECHILD))
            m_pid = -1;
        return m_pid > 0;
    }

    bool waitForExit(int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (isRunning()) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
        return true;
    }

    bool sendLine(QByteArray line) {
        line += '\n';
        qsizetype done = 0;
        while (done < line.size()) {
            const ssize_t n = ::send(m_control, line.constData() + done,
                                     static_cast<size_t>(line.size() - done), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    QString readLine(int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        qsizetype end;
        while ((end = m_buffer.indexOf('\n')) < 0) {
            if (deadline.hasExpired())
                return {};
            pollfd pfd{m_control, POLLIN, 0};
            const int ready = ::poll(&pfd, 1, static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                continue;
            char chunk[4096];
            const ssize_t n = ::recv(m_control, chunk, sizeof chunk, 0);
            if (n <= 0)
                return {}; // the simulator has gone
            m_buffer.append(chunk, n);
        }
        const QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        return QString::fromUtf8(line).trimmed();
    }

    pid_t m_pid = -1;
    int m_control = -1;
    QByteArray m_buffer;
    QString m_port;
    QString m_error;
};
