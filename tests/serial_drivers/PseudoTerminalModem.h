#pragma once

// Two pseudo-terminals joined back to back like a null-modem cable: whatever a program writes to one
// terminal's path comes out of the other's. Lets two programs that each open a serial port by path (our
// driver and a peer such as libmodbus) talk to each other without hardware.

#include <QString>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PseudoTerminalModem {
public:
    PseudoTerminalModem() {
        if (!openEnd(m_a) || !openEnd(m_b))
            return;
        m_relay = std::thread([this] { relay(); });
    }

    ~PseudoTerminalModem() {
        m_stop = true;
        if (m_relay.joinable())
            m_relay.join();
        for (End *end : {&m_a, &m_b}) {
            if (end->master >= 0)
                ::close(end->master);
            if (end->slave >= 0)
                ::close(end->slave);
        }
    }

    PseudoTerminalModem(const PseudoTerminalModem &) = delete;
    PseudoTerminalModem &operator=(const PseudoTerminalModem &) = delete;

    bool isReady() const { return m_relay.joinable(); }
    QString firstPath() const { return m_a.path; }
    QString secondPath() const { return m_b.path; }

private:
    struct End {
        int master = -1;
        int slave = -1; // kept open so the terminal outlives the programs opening and closing it
        QString path;
    };

    static bool openEnd(End &end) {
        char name[256] = {};
        if (::openpty(&end.master, &end.slave, name, nullptr, nullptr) != 0)
            return false;
        termios raw{};
        ::tcgetattr(end.slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(end.slave, TCSANOW, &raw);
        ::fcntl(end.master, F_SETFL, ::fcntl(end.master, F_GETFL) | O_NONBLOCK);
        end.path = QString::fromLocal8Bit(name);
        return true;
    }

    void relay() {
        pollfd fds[2] = {{m_a.master, POLLIN, 0}, {m_b.master, POLLIN, 0}};
        unsigned char buffer[512];
        while (!m_stop) {
            if (::poll(fds, 2, 20) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(fds[i].revents & POLLIN))
                    continue;
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0)
                    (void)!::write(fds[1 - i].fd, buffer, static_cast<size_t>(n));
            }
        }
    }

    End m_a;
    End m_b;
    std::atomic<bool> m_stop{false};
    std::thread m_relay;
};
