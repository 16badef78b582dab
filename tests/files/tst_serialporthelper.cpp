// SerialPortHelper: the system's ports, then the ports that running simulators announce.
#include "app/files/SerialPortHelper.h"
#include "link/serial/SimulatedPorts.h"

#include "SimulatorProcess.h"

#include <QSerialPortInfo>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList systemPortNames() {
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    return names;
}

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
    void init() {
        // Each case starts from an announcement folder of its own (see main()).
        QDir(simulatedports::directory()).removeRecursively();
    }

    void cleanup() {
        for (const QString &file : std::as_const(m_announcements))
            simulatedports::withdraw(file);
        m_announcements.clear();
    }

    void staleAnnouncement_isNotListed_data() {
        QTest::addColumn<bool>("announcerAlive");
        QTest::addColumn<bool>("portOpen");

        QTest::newRow("announcer has ended, port number still in use") << false << true;
        QTest::newRow("announcer alive, port closed") << true << false;
    }

    void staleAnnouncement_isNotListed() {
        QFETCH(bool, announcerAlive);
        QFETCH(bool, portOpen);

        SimulatorProcess simulator; // holds a terminal open without announcing it
        QVERIFY2(simulator.isReady(), qPrintable(simulator.errorString()));
        // A closed terminal's number goes to the next pseudo-terminal any process opens (a simulator of
        // another suite running beside this one), so the closed port is one whose name no terminal ever gets.
        const QString path =
            portOpen ? simulator.port()
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
        m_announcements.append(announcement);
        QCOMPARE(QFileInfo::exists(path), portOpen);

        SerialPortHelper helper;
        QCOMPARE(helper.getAvailablePorts(), systemPortNames());
    }

    // Listed while it runs, gone when it quits; one killed leaves a stale announcement (rows above).
    void runningSimulator_isListedWhileItRuns() {
        SerialPortHelper helper;
        const QStringList system = systemPortNames();
        {
            SimulatorProcess simulator({QStringLiteral("--announce")});
            QVERIFY2(simulator.isReady(), qPrintable(simulator.errorString()));
            QTRY_COMPARE_WITH_TIMEOUT(helper.getAvailablePorts(), system + QStringList{simulator.port()},
                                      10000);
        }
        QCOMPARE(helper.getAvailablePorts(), system);
        QCOMPARE(QDir(simulatedports::directory()).entryList(QDir::Files), QStringList());
    }

private:
    QStringList m_announcements;
};

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
