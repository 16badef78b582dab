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
// Use it from the thread that created it. The simulator is ended when the object goes.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

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
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program(), arguments);
        if (!m_process.waitForStarted(startTimeoutMs)) {
            m_error = QStringLiteral("cannot start %1: %2").arg(program(), m_process.errorString());
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
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    bool isReady() const {
        return !m_port.isEmpty() && m_process.state() == QProcess::Running;
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
        if (m_process.state() != QProcess::Running)
            return {};
        m_process.write(line.toUtf8() + '\n');
        m_process.waitForBytesWritten(timeoutMs);
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
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QString readLine(int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return {};
            m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    QProcess m_process;
    QString m_port;
    QString m_error;
};
