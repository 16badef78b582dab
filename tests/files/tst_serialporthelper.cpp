// SerialPortHelper: the system's ports, then the ports that running simulators announce.
#include "files/SerialPortHelper.h"
#include "files/SimulatedPorts.h"

#include "SimulatorProcess.h"

#include <QSerialPortInfo>
#include <QtTest>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList systemPortNames() {
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    return names;
}

// A pseudo-terminal pair held open for the lifetime of the object; slavePath() is what a simulator serves.
class PseudoTerminal {
public:
    PseudoTerminal() {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_path = QString::fromLocal8Bit(name);
    }
    ~PseudoTerminal() { close(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString slavePath() const { return m_path; }
    void close() {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

// The id of a process that has certainly ended (and been reaped).
qint64 deadProcessId() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

} // namespace

class TestSerialPortHelper : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void announcedPort_followsTheSystemPorts_untilWithdrawn();
    void staleAnnouncement_isNotListed_data();
    void staleAnnouncement_isNotListed();
    void runningSimulator_isListedWhileItRuns_data();
    void runningSimulator_isListedWhileItRuns();

private:
    QStringList m_announcements;
};

void TestSerialPortHelper::init() {
    // Each case starts from an announcement folder of its own (see main()).
    QDir(simulatedports::directory()).removeRecursively();
}

void TestSerialPortHelper::cleanup() {
    for (const QString &file : std::as_const(m_announcements))
        simulatedports::withdraw(file);
    m_announcements.clear();
}

void TestSerialPortHelper::announcedPort_followsTheSystemPorts_untilWithdrawn() {
    SerialPortHelper helper;
    const QStringList system = systemPortNames();
    // Without announcements: exactly the system's list.
    QCOMPARE(helper.getAvailablePorts(), system);
    PseudoTerminal pty;
    QVERIFY(!pty.slavePath().isEmpty());
    const QString announcement = simulatedports::announce(pty.slavePath());
    QVERIFY(!announcement.isEmpty());
    m_announcements.append(announcement);
    QCOMPARE(helper.getAvailablePorts(), system + QStringList{pty.slavePath()});

    simulatedports::withdraw(announcement);
    QCOMPARE(helper.getAvailablePorts(), system);
}

void TestSerialPortHelper::staleAnnouncement_isNotListed_data() {
    QTest::addColumn<bool>("announcerAlive");
    QTest::addColumn<bool>("portOpen");

    QTest::newRow("announcer has ended, port number still in use") << false << true;
    QTest::newRow("announcer alive, port closed") << true << false;
}

void TestSerialPortHelper::staleAnnouncement_isNotListed() {
    QFETCH(bool, announcerAlive);
    QFETCH(bool, portOpen);

    PseudoTerminal pty;
    QVERIFY(!pty.slavePath().isEmpty());
    // A closed terminal's number goes to the next pseudo-terminal any process opens (a simulator of another
    // suite running beside this one), so the closed port is one whose name no terminal ever gets.
    const QString path =
        portOpen ? pty.slavePath()
                 : QStringLiteral("/dev/pts/kelvora-closed-%1").arg(QCoreApplication::applicationPid());
    QString announcement;
    if (announcerAlive) {
        announcement = simulatedports::announce(path);
    } else {
        // What a simulator killed without withdrawing leaves behind.
        QVERIFY(QDir().mkpath(simulatedports::directory()));
        announcement =
            QDir(simulatedports::directory()).filePath(QStringLiteral("%1.port").arg(deadProcessId()));
        QFile file(announcement);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(path.toUtf8());
    }
    QVERIFY(QFileInfo::exists(announcement));
    m_announcements.append(announcement);
    QCOMPARE(QFileInfo::exists(path), portOpen);

    SerialPortHelper helper;
    QCOMPARE(helper.getAvailablePorts(), systemPortNames());
}

void TestSerialPortHelper::runningSimulator_isListedWhileItRuns_data() {
    QTest::addColumn<bool>("killed"); // ended by SIGKILL, without withdrawing its announcement

    QTest::newRow("simulator quits") << false;
    QTest::newRow("simulator is killed") << true;
}

void TestSerialPortHelper::runningSimulator_isListedWhileItRuns() {
    QFETCH(bool, killed);

    SerialPortHelper helper;
    const QStringList system = systemPortNames();
    {
        SimulatorProcess simulator({QStringLiteral("--announce")});
        QVERIFY2(simulator.isReady(), qPrintable(simulator.errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(helper.getAvailablePorts(), system + QStringList{simulator.port()}, 10000);
        if (killed)
            simulator.kill();
    }
    QCOMPARE(helper.getAvailablePorts(), system);
    const QStringList left = QDir(simulatedports::directory()).entryList(QDir::Files);
    QCOMPARE(left.size(), killed ? 1 : 0);
}

int main(int argc, char **argv) {
    // Announcements live in the per-user runtime folder; a private one keeps this suite apart from
    // simulators that other suites or the user run at the same time.
    QTemporaryDir runtime;
    if (!runtime.isValid())
        return 1;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication app(argc, argv);
    TestSerialPortHelper test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serialporthelper.moc"
