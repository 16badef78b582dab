// The serial link's POSIX backend against real pseudo-terminals that the test holds the other end of:
// device paths, exclusive open, line settings, byte transparency, the read and write time-outs, purge
// and a peer that goes away. The shared RS485 line and the simulator are covered by tst_rs485_bus.

#include "amplifiers/rs232/SerialLink.h"

#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <numeric>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A pseudo-terminal pair; the test plays the device on the master side, the link opens the slave path.
class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            m_path = name;
            termios raw{};
            ::tcgetattr(m_slave, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(m_slave, TCSANOW, &raw);
        }
    }
    ~PtyPair() {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    bool ok() const { return !m_path.empty(); }
    const std::string &path() const { return m_path; }
    int slave() const { return m_slave; }

    void send(const std::vector<uint8_t> &bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<size_t>(n);
        }
    }
    // Collects what the link wrote until `count` bytes came or 5 s passed.
    std::vector<uint8_t> receive(size_t count) const {
        std::vector<uint8_t> bytes;
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < 5000) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, 100) > 0) {
                uint8_t buffer[512];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0)
                    bytes.insert(bytes.end(), buffer, buffer + n);
            }
        }
        return bytes;
    }
    void closeMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    // Closing our copy of the slave lets the terminal hang up when the master goes.
    void closeSlave() {
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

bool openConfigured(serial::SerialLink &link, const PtyPair &pty, const serial::Timeouts &timeouts = {}) {
    return link.open(pty.path()) && link.setTimeouts(timeouts) && link.readLineSettings() &&
           link.writeLineSettings(9600, false);
}

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT

private slots:
    void win32DevicePath_followsTheComRule_data();
    void win32DevicePath_followsTheComRule();
    void posixDevicePath_putsBareNamesUnderDev_data();
    void posixDevicePath_putsBareNamesUnderDev();

    void open_missingDevice_failsWithOsError();
    void open_regularFile_isRefused();
    void open_secondOpenOfSamePort_isRefusedUntilFirstCloses();
    void open_whenAlreadyOpen_failsAndKeepsFirstPort();

    void writeLineSettings_gives8N1RawAndKeepsHardwareFlowControl();
    void writeLineSettings_unknownSpeed_fails();
    void bytes_allValuesPassUnchangedBothWays();

    void read_withoutData_returnsNothingAfterTheTotalTimeout_data();
    void read_withoutData_returnsNothingAfterTheTotalTimeout();
    void read_peerStopsSending_returnsEarlyWithWhatArrived();
    void read_bytesKeepComing_intervalRestartsPerByte();
    void read_tricklingPeer_isBoundedByTotalTimeout();
    void read_zeroBytes_returnsAtOnce();
    void purge_discardsPendingInput();
    void write_peerNotReading_returnsShortAfterWriteTimeout();
    void peerGone_readAndWriteFail();
    void closedLink_operationsFailWithoutCrash();
};

void TestSerialLink::win32DevicePath_followsTheComRule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("COM3 as is") << "COM3"
                                << "COM3";
    QTest::newRow("COM9 as is") << "COM9"
                                << "COM9";
    QTest::newRow("COM10 prefixed") << "COM10"
                                    << "\\\\.\\COM10";
    QTest::newRow("COM12 prefixed") << "COM12"
                                    << "\\\\.\\COM12";
    QTest::newRow("already prefixed") << "\\\\.\\COM12"
                                      << "\\\\.\\COM12";
    QTest::newRow("lower case unchanged") << "com12"
                                          << "com12";
    QTest::newRow("COM alone") << "COM"
                               << "COM";
    QTest::newRow("other device") << "USBSER000"
                                  << "USBSER000";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSerialLink::win32DevicePath_followsTheComRule() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(QString::fromStdString(serial::win32DevicePath(name.toStdString())), path);
}

void TestSerialLink::posixDevicePath_putsBareNamesUnderDev_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("bare name") << "ttyUSB0"
                               << "/dev/ttyUSB0";
    QTest::newRow("absolute path") << "/dev/pts/3"
                                   << "/dev/pts/3";
    QTest::newRow("relative path") << "./ttyFake"
                                   << "./ttyFake";
    QTest::newRow("by-id link") << "/dev/serial/by-id/usb-x"
                                << "/dev/serial/by-id/usb-x";
}

void TestSerialLink::posixDevicePath_putsBareNamesUnderDev() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(QString::fromStdString(serial::posixDevicePath(name.toStdString())), path);
    QCOMPARE(QString::fromStdString(serial::SerialLink::devicePath(name.toStdString())), path);
}

void TestSerialLink::open_missingDevice_failsWithOsError() {
    serial::SerialLink link;
    QVERIFY(!link.open("ttyKelvoraDoesNotExist"));
    QCOMPARE(link.lastError(), ENOENT);
    QVERIFY(!link.isOpen());
}

void TestSerialLink::open_regularFile_isRefused() {
    QTemporaryFile file;
    QVERIFY(file.open());
    serial::SerialLink link;
    QVERIFY(!link.open(file.fileName().toStdString()));
    QCOMPARE(link.lastError(), ENOTTY);
    QVERIFY(!link.isOpen());
}

void TestSerialLink::open_secondOpenOfSamePort_isRefusedUntilFirstCloses() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink first;
    serial::SerialLink second;
    QVERIFY(first.open(pty.path()));
    // Refused even for root, whom the terminal's exclusive mode lets through.
    QVERIFY(!second.open(pty.path()));
    QCOMPARE(second.lastError(), EBUSY);
    QVERIFY(!second.isOpen());
    first.close();
    QVERIFY(second.open(pty.path()));
    second.close();
    // After closing, the terminal is no longer in exclusive mode for other openers.
    const int fd = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    ::close(fd);
}

void TestSerialLink::open_whenAlreadyOpen_failsAndKeepsFirstPort() {
    PtyPair first;
    PtyPair other;
    QVERIFY(first.ok() && other.ok());
    serial::SerialLink link;
    QVERIFY(openConfigured(link, first));
    QVERIFY(!link.open(other.path()));
    QVERIFY(link.isOpen());
    const std::vector<uint8_t> bytes{0x42};
    size_t written = 0;
    QVERIFY(link.write(bytes.data(), bytes.size(), written));
    QCOMPARE(first.receive(1), bytes);
}

void TestSerialLink::writeLineSettings_gives8N1RawAndKeepsHardwareFlowControl() {
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
    QVERIFY(link.open(pty.path()));
    QVERIFY(link.readLineSettings());
    QVERIFY(link.writeLineSettings(19200, true));

    termios after{};
    QCOMPARE(::tcgetattr(pty.slave(), &after), 0);
    QCOMPARE(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    QCOMPARE(after.c_cflag & PARENB, 0u);
    QCOMPARE(after.c_cflag & CSTOPB, 0u);
    QCOMPARE(after.c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));
    QCOMPARE(after.c_lflag & (ICANON | ECHO | ISIG), 0u);
    QCOMPARE(after.c_oflag & OPOST, 0u);
    // Software flow control would swallow 0x11 and 0x13 out of binary frames.
    QCOMPARE(after.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    QCOMPARE(::cfgetospeed(&after), static_cast<speed_t>(B19200));
    QCOMPARE(::cfgetispeed(&after), static_cast<speed_t>(B19200));
}

void TestSerialLink::writeLineSettings_unknownSpeed_fails() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    QVERIFY(link.open(pty.path()));
    QVERIFY(!link.writeLineSettings(12345, false));
    QCOMPARE(link.lastError(), EINVAL);
}

void TestSerialLink::bytes_allValuesPassUnchangedBothWays() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts patient;
    patient.readTotalConstantMs = 5000;
    patient.readIntervalMs = 1000;
    QVERIFY(openConfigured(link, pty, patient));

    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    pty.send(all);
    std::vector<uint8_t> got(all.size());
    size_t received = 0;
    QVERIFY(link.read(got.data(), got.size(), received));
    QCOMPARE(received, all.size());
    QCOMPARE(got, all);

    size_t written = 0;
    QVERIFY(link.write(all.data(), all.size(), written));
    QCOMPARE(written, all.size());
    QCOMPARE(pty.receive(all.size()), all);
}

void TestSerialLink::read_withoutData_returnsNothingAfterTheTotalTimeout_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("1 byte: 60 ms") << 1;
    QTest::newRow("9 bytes: 140 ms") << 9;
    QTest::newRow("20 bytes: 250 ms") << 20;
}

void TestSerialLink::read_withoutData_returnsNothingAfterTheTotalTimeout() {
    QFETCH(int, size);
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    QVERIFY(openConfigured(link, pty));
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    size_t received = 99;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(link.read(buffer.data(), buffer.size(), received));
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(received, size_t{0});
    // Never gives up before the total time-out (50 + 10 per byte); how soon after is a benchmark's job.
    QVERIFY2(elapsed >= 50 + 10 * size - 1, qPrintable(QString::number(elapsed)));
}

void TestSerialLink::read_peerStopsSending_returnsEarlyWithWhatArrived() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts t;
    t.readTotalConstantMs = 20000; // the interval time-out alone must end this read
    QVERIFY(openConfigured(link, pty, t));
    pty.send({1, 2, 3});
    std::vector<uint8_t> buffer(100);
    size_t received = 0;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(link.read(buffer.data(), buffer.size(), received));
    QCOMPARE(received, size_t{3});
    QCOMPARE(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 3), (std::vector<uint8_t>{1, 2, 3}));
    QVERIFY2(timer.elapsed() < 15000, "the read waited for the total time-out instead of the interval");
}

void TestSerialLink::read_bytesKeepComing_intervalRestartsPerByte() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts t;
    t.readIntervalMs = 1000;
    t.readTotalConstantMs = 30000;
    QVERIFY(openConfigured(link, pty, t));
    // Ten bytes 100 ms apart: together longer than one interval, each gap much shorter.
    std::thread sender([&pty] {
        for (uint8_t i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pty.send({i});
        }
    });
    std::vector<uint8_t> buffer(10);
    size_t received = 0;
    const bool ok = link.read(buffer.data(), buffer.size(), received);
    sender.join();
    QVERIFY(ok);
    QCOMPARE(received, size_t{10});
    std::vector<uint8_t> expected(10);
    std::iota(expected.begin(), expected.end(), 0);
    QCOMPARE(buffer, expected);
}

void TestSerialLink::read_tricklingPeer_isBoundedByTotalTimeout() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts t;
    t.readIntervalMs = 5000;
    t.readTotalMultiplierMs = 0;
    t.readTotalConstantMs = 300;
    QVERIFY(openConfigured(link, pty, t));
    std::atomic<bool> sending{true};
    std::thread sender([&] {
        while (sending.load()) {
            pty.send({0x55});
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::vector<uint8_t> buffer(100000);
    size_t received = 0;
    QElapsedTimer timer;
    timer.start();
    const bool ok = link.read(buffer.data(), buffer.size(), received);
    const qint64 elapsed = timer.elapsed();
    sending = false;
    sender.join();
    QVERIFY(ok);
    QVERIFY(received > 0);
    QVERIFY(received < buffer.size());
    QVERIFY2(elapsed >= 299, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
}

void TestSerialLink::read_zeroBytes_returnsAtOnce() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts t;
    t.readTotalConstantMs = 60000;
    QVERIFY(openConfigured(link, pty, t));
    uint8_t byte = 0;
    size_t received = 7;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(link.read(&byte, 0, received));
    QCOMPARE(received, size_t{0});
    QVERIFY(timer.elapsed() < 30000);
}

void TestSerialLink::purge_discardsPendingInput() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts t;
    t.readTotalConstantMs = 5000;
    QVERIFY(openConfigured(link, pty, t));
    pty.send({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    // Once the first byte can be read, the rest of the same write has arrived too.
    uint8_t first = 0;
    size_t received = 0;
    QVERIFY(link.read(&first, 1, received));
    QCOMPARE(received, size_t{1});
    QCOMPARE(first, uint8_t{1});
    QVERIFY(link.purge());
    QVERIFY(link.setTimeouts({}));
    std::vector<uint8_t> rest(9);
    QVERIFY(link.read(rest.data(), rest.size(), received));
    QCOMPARE(received, size_t{0});
    // The line still works after the purge.
    pty.send({0x77});
    QVERIFY(link.read(rest.data(), 1, received));
    QCOMPARE(received, size_t{1});
    QCOMPARE(rest[0], uint8_t{0x77});
}

void TestSerialLink::write_peerNotReading_returnsShortAfterWriteTimeout() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    serial::Timeouts t;
    t.writeTotalConstantMs = 200;
    t.writeTotalMultiplierMs = 0;
    QVERIFY(openConfigured(link, pty, t));
    // Far more than a terminal buffers while nobody reads the other end.
    const std::vector<uint8_t> bytes(4 * 1024 * 1024, 0x5A);
    size_t written = 0;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(link.write(bytes.data(), bytes.size(), written));
    QVERIFY2(timer.elapsed() >= 199, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(written > 0);
    QVERIFY(written < bytes.size());
}

void TestSerialLink::peerGone_readAndWriteFail() {
    PtyPair pty;
    QVERIFY(pty.ok());
    serial::SerialLink link;
    QVERIFY(openConfigured(link, pty));
    pty.closeSlave();
    pty.closeMaster();
    std::vector<uint8_t> buffer(9);
    size_t received = 0;
    QVERIFY(!link.read(buffer.data(), buffer.size(), received));
    QCOMPARE(received, size_t{0});
    QVERIFY(link.lastError() != 0);
    size_t written = 0;
    QVERIFY(!link.write(buffer.data(), buffer.size(), written));
    QVERIFY(link.isOpen()); // the owner decides when to close
    link.close();
    QVERIFY(!link.isOpen());
}

void TestSerialLink::closedLink_operationsFailWithoutCrash() {
    serial::SerialLink link;
    uint8_t byte = 0;
    size_t count = 5;
    QVERIFY(!link.isOpen());
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

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_serial_link.moc"
