// The serial link's POSIX backend against real pseudo-terminals whose other end the test holds: device
// paths, exclusive open, line settings, byte transparency, read and write time-outs, purge, a vanished peer.
#include "link/serial/SerialLink.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <numeric>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

// A pseudo-terminal: the test plays the device on the master side, the link opens the slave path.
class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        m_path = name;
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
    ~PtyPair() { closeBoth(); }
    bool ok() const { return !m_path.empty(); }
    const std::string &path() const { return m_path; }
    int slave() const { return m_slave; }

    void send(const Bytes &bytes) const {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<size_t>(n);
        }
    }
    // What the link wrote, until `count` bytes came or 5 s passed.
    Bytes receive(size_t count) const {
        Bytes bytes;
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < 5000) {
            pollfd pfd{m_master, POLLIN, 0};
            uint8_t buffer[512];
            const ssize_t n = ::poll(&pfd, 1, 100) > 0 ? ::read(m_master, buffer, sizeof buffer) : 0;
            if (n > 0)
                bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }
    // Without our copy of the slave, the terminal hangs up when the master goes.
    void closeBoth() {
        for (int *fd : {&m_slave, &m_master})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// A link opened and set up (9600 8-N-1) on a fresh pseudo-terminal.
struct Linked {
    PtyPair pty;
    serial::SerialLink link;
    bool ok = false;
    explicit Linked(const serial::Timeouts &timeouts = {}) {
        ok = pty.ok() && link.open(pty.path()) && link.setTimeouts(timeouts) && link.readLineSettings() &&
             link.writeLineSettings(9600, false);
    }
    // Reads up to `size` bytes; `received` is -1 when the read failed.
    Bytes read(size_t size, long &received) {
        Bytes buffer(size);
        size_t n = 99;
        received = link.read(buffer.data(), size, n) ? static_cast<long>(n) : -1;
        buffer.resize(received > 0 ? n : 0);
        return buffer;
    }
};

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT

private slots:
    void devicePaths_data() {
        QTest::addColumn<bool>("win32");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        const auto row = [](bool win32, const char *name, const char *path) {
            QTest::addRow("%s %s", win32 ? "win32" : "posix", name) << win32 << name << path;
        };
        row(true, "COM9", "COM9");
        row(true, "COM10", "\\\\.\\COM10");
        row(true, "\\\\.\\COM12", "\\\\.\\COM12");
        row(true, "com12", "com12");
        row(true, "COM", "COM");
        row(true, "USBSER000", "USBSER000");
        row(true, "", "");
        row(false, "ttyUSB0", "/dev/ttyUSB0");
        row(false, "/dev/pts/3", "/dev/pts/3");
        row(false, "./ttyFake", "./ttyFake");
    }
    void devicePaths() {
        QFETCH(bool, win32);
        QFETCH(QString, name);
        QFETCH(QString, path);
        const std::string n = name.toStdString();
        QCOMPARE(QString::fromStdString(win32 ? serial::win32DevicePath(n) : serial::posixDevicePath(n)),
                 path);
        if (!win32)
            QCOMPARE(QString::fromStdString(serial::SerialLink::devicePath(n)), path);
    }

    void open_isExclusive_andAnOpenLinkKeepsItsPort() {
        Linked first;
        PtyPair other;
        QVERIFY(first.ok && other.ok());
        QVERIFY(!first.link.open(other.path()));
        const Bytes byte{0x42};
        size_t written = 0;
        QVERIFY(first.link.write(byte.data(), 1, written));
        QCOMPARE(first.pty.receive(1), byte);
        // Refused even for root, whom the terminal's exclusive mode lets through.
        serial::SerialLink second;
        QVERIFY(!second.open(first.pty.path()));
        QCOMPARE(second.lastError(), EBUSY);
        first.link.close();
        QVERIFY(second.open(first.pty.path()));
        second.close();
        // Closed, the terminal is no longer exclusive.
        const int fd = ::open(first.pty.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        ::close(fd);
    }

    void writeLineSettings_gives8N1RawAndKeepsHardwareFlowControl() {
        PtyPair pty;
        QVERIFY(pty.ok());
        // Leave the terminal cooked, 7-E-2, with hardware and software flow control.
        termios before{};
        QCOMPARE(::tcgetattr(pty.slave(), &before), 0);
        before.c_cflag = (before.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | CSTOPB | CRTSCTS;
        before.c_iflag |= ICRNL | IXON | IXOFF;
        before.c_lflag |= ICANON | ECHO | ISIG;
        before.c_oflag |= OPOST;
        QCOMPARE(::tcsetattr(pty.slave(), TCSANOW, &before), 0);

        serial::SerialLink link;
        QVERIFY(link.open(pty.path()) && link.readLineSettings());
        QVERIFY(!link.writeLineSettings(12345, false));
        QCOMPARE(link.lastError(), EINVAL);
        QVERIFY(link.writeLineSettings(19200, true));

        termios after{};
        QCOMPARE(::tcgetattr(pty.slave(), &after), 0);
        QCOMPARE(after.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8 | CRTSCTS));
        QCOMPARE(after.c_lflag & (ICANON | ECHO | ISIG), 0u);
        QCOMPARE(after.c_oflag & OPOST, 0u);
        // Software flow control would swallow 0x11 and 0x13 out of binary frames.
        QCOMPARE(after.c_iflag & (IXON | IXOFF | ICRNL), 0u);
        QCOMPARE(::cfgetospeed(&after), static_cast<speed_t>(B19200));
        QCOMPARE(::cfgetispeed(&after), static_cast<speed_t>(B19200));
    }

    void bytes_allValuesPassUnchangedBothWays() {
        Linked l({1000, 10, 5000});
        QVERIFY(l.ok);
        Bytes all(256);
        std::iota(all.begin(), all.end(), 0);
        l.pty.send(all);
        long received = 0;
        QCOMPARE(l.read(all.size(), received), all);
        size_t written = 0;
        QVERIFY(l.link.write(all.data(), all.size(), written));
        QCOMPARE(written, all.size());
        QCOMPARE(l.pty.receive(all.size()), all);
        // Zero bytes asked: returns at once despite a long total time-out.
        QVERIFY(l.link.setTimeouts({50, 10, 60000}));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(l.read(0, received), Bytes{});
        QCOMPARE(received, 0);
        QVERIFY(timer.elapsed() < 30000);
    }

    void read_withoutData_returnsNothingAfterTheTotalTimeout_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("1 byte: 60 ms") << 1;
        QTest::newRow("20 bytes: 250 ms") << 20;
    }
    void read_withoutData_returnsNothingAfterTheTotalTimeout() {
        QFETCH(int, size);
        Linked l;
        QVERIFY(l.ok);
        long received = 0;
        QElapsedTimer timer;
        timer.start();
        l.read(static_cast<size_t>(size), received);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(received, 0);
        // Never gives up before the total time-out (50 + 10 per byte); how soon after is a benchmark's job.
        QVERIFY2(elapsed >= 50 + 10 * size - 1, qPrintable(QString::number(elapsed)));
    }

    void read_peerStopsSending_returnsEarlyWithWhatArrived() {
        Linked l({50, 10, 20000}); // the interval time-out alone must end this read
        QVERIFY(l.ok);
        l.pty.send({1, 2, 3});
        long received = 0;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(l.read(100, received), (Bytes{1, 2, 3}));
        QVERIFY2(timer.elapsed() < 15000, "the read waited for the total time-out instead of the interval");
    }

    void read_bytesKeepComing_intervalRestartsPerByte() {
        Linked l({1000, 10, 30000});
        QVERIFY(l.ok);
        // Ten bytes 100 ms apart: together longer than one interval, each gap much shorter.
        std::thread sender([&l] {
            for (uint8_t i = 0; i < 10; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                l.pty.send({i});
            }
        });
        long received = 0;
        const Bytes got = l.read(10, received);
        sender.join();
        Bytes expected(10);
        std::iota(expected.begin(), expected.end(), 0);
        QCOMPARE(got, expected);
    }

    void read_tricklingPeer_isBoundedByTotalTimeout() {
        Linked l({5000, 0, 300});
        QVERIFY(l.ok);
        std::atomic<bool> sending{true};
        std::thread sender([&] {
            while (sending.load()) {
                l.pty.send({0x55});
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        long received = 0;
        QElapsedTimer timer;
        timer.start();
        l.read(100000, received);
        const qint64 elapsed = timer.elapsed();
        sending = false;
        sender.join();
        QVERIFY(received > 0 && received < 100000);
        QVERIFY2(elapsed >= 299 && elapsed < 20000, qPrintable(QString::number(elapsed)));
    }

    void purge_discardsPendingInput() {
        Linked l({50, 10, 5000});
        QVERIFY(l.ok);
        l.pty.send({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        // Once the first byte can be read, the rest of the same write has arrived too.
        long received = 0;
        QCOMPARE(l.read(1, received), Bytes{1});
        QVERIFY(l.link.purge());
        QVERIFY(l.link.setTimeouts({}));
        QCOMPARE(l.read(9, received), Bytes{});
        QCOMPARE(received, 0);
        l.pty.send({0x77});
        QCOMPARE(l.read(1, received), Bytes{0x77});
    }

    void write_peerNotReading_returnsShortAfterWriteTimeout() {
        Linked l({50, 10, 50, 0, 200});
        QVERIFY(l.ok);
        // Far more than a terminal buffers while nobody reads the other end.
        const Bytes bytes(4 * 1024 * 1024, 0x5A);
        size_t written = 0;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(l.link.write(bytes.data(), bytes.size(), written));
        QVERIFY2(timer.elapsed() >= 199, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(written > 0 && written < bytes.size());
    }

    void peerGone_readAndWriteFail() {
        Linked l;
        QVERIFY(l.ok);
        l.pty.closeBoth();
        long received = 0;
        l.read(9, received);
        QCOMPARE(received, -1);
        QVERIFY(l.link.lastError() != 0);
        size_t written = 0;
        const uint8_t byte = 0;
        QVERIFY(!l.link.write(&byte, 1, written));
        QVERIFY(l.link.isOpen()); // the owner decides when to close
        l.link.close();
        QVERIFY(!l.link.isOpen());
    }

    void closedLink_operationsFailWithoutCrash() {
        serial::SerialLink link;
        uint8_t byte = 0;
        size_t count = 5;
        QVERIFY(!link.setTimeouts({}));
        QVERIFY(!link.readLineSettings());
        QVERIFY(!link.writeLineSettings(9600, false));
        QVERIFY(!link.purge());
        QVERIFY(!link.write(&byte, 1, count));
        QCOMPARE(count, size_t{0});
        QVERIFY(!link.read(&byte, 1, count));
        link.close();
        link.close();
        QVERIFY(!link.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
