// The program as a process on the offscreen platform, each test with its own HOME, configuration and runtime
// folders. With KELVORA_TRACE_INSTANCE set the program prints "ready" when its window is up and
// "instanceStarted" when another start hands over to it.
#include "app/SingleApplication.h"
#include "app/utils/UtilsApp.h"

#include <QLocalSocket>
#include <QtTest>

#include <memory>

#ifndef KELVORA_APP_PATH
#error "KELVORA_APP_PATH must name the application executable"
#endif

namespace {
constexpr int kStartTimeoutMs = 60000;
const char kHoldLockVariable[] = "KELVORA_TEST_HOLD_LOCK";

// One run of the program, with its output collected as it arrives.
class AppRun {
public:
    AppRun(const QProcessEnvironment &environment,
           const QString &program = QStringLiteral(KELVORA_APP_PATH)) {
        m_process.setProgram(program);
        m_process.setProcessEnvironment(environment);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_stdout += m_process.readAllStandardOutput(); });
        QObject::connect(&m_process, &QProcess::readyReadStandardError,
                         [this] { m_stderr += m_process.readAllStandardError(); });
        m_process.start();
    }
    ~AppRun() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kStartTimeoutMs);
        }
    }

    AppRun(const AppRun &) = delete;
    AppRun &operator=(const AppRun &) = delete;

    bool waitForLine(const QByteArray &line) {
        return QTest::qWaitFor(
                   [&] { return stdoutLines().contains(line) || m_process.state() == QProcess::NotRunning; },
                   kStartTimeoutMs) &&
               stdoutLines().contains(line);
    }

    bool waitForExit(int timeoutMs = kStartTimeoutMs) {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs))
            return false;
        m_stdout += m_process.readAllStandardOutput();
        m_stderr += m_process.readAllStandardError();
        return true;
    }

    void kill() {
        m_process.kill();
        waitForExit();
    }

    QList<QByteArray> stdoutLines() const { return m_stdout.split('\n'); }
    QByteArray stdErr() const { return m_stderr; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_stdout;
    QByteArray m_stderr;
};

// Qt's own translations come from a separate package; without it the program warns, as it should.
bool qtTranslationInstalled(const QString &shortCode) {
    return QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qt_") +
                         shortCode + QStringLiteral(".qm"));
}

QByteArray withoutMissingQtTranslation(QByteArray errors, const QString &shortCode) {
    if (!qtTranslationInstalled(shortCode))
        errors.replace("qtTranslator ERROR !\n", "");
    return errors;
}
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        for (const char *sub : {"home", "config", "runtime"})
            QVERIFY(QDir(m_dir->path()).mkpath(QString::fromLatin1(sub)));
        QVERIFY(QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner));
    }

    void cleanup() { m_dir.reset(); }

    void secondInstance_handsOver_evenAfterMalformedAndSilentPeers() {
        AppRun primary(environment());
        QVERIFY2(primary.waitForLine("ready"), primary.stdErr().constData());
        QVERIFY(handsOver(primary, 1));

        // Anyone able to reach the socket may send anything; the primary must shrug it off.
        const auto connectPeer = [this](QLocalSocket &peer, const QByteArray &bytes) {
            peer.connectToServer(guardPath(QStringLiteral(".socket")));
            const bool connected = peer.waitForConnected(10000);
            peer.write(bytes);
            peer.flush();
            return connected;
        };
        QLocalSocket garbage, oversized, silent, announcer;
        QVERIFY(connectPeer(garbage, "GET / HTTP/1.0\r\n\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(primary.stdErr().contains("SingleApplication: ignoring a malformed message"),
                                 10000);
        // A header announcing an oversized payload is refused before anything is buffered.
        QVERIFY(connectPeer(oversized, QByteArray("KAM1\x7f\xff\xff\xff", 8)));
        QTRY_COMPARE_WITH_TIMEOUT(primary.stdErr().count("SingleApplication: ignoring a malformed message"),
                                  2, 10000);
        // A peer that connects and says nothing does not block a real second start.
        QVERIFY(connectPeer(silent, QByteArray()));
        QVERIFY(handsOver(primary, 2));

        // A well-formed announcement is acknowledged with one byte.
        QVERIFY(connectPeer(announcer, QByteArray("KAM1\0\0\0\0", 8)));
        QTRY_VERIFY_WITH_TIMEOUT(announcer.bytesAvailable() >= 1, 10000);
        QCOMPARE(announcer.read(1), QByteArray("\x06"));
        QTRY_COMPARE_WITH_TIMEOUT(primary.stdoutLines().count("instanceStarted"), 3, 10000);
        // The silent peer is dropped after a while.
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QLocalSocket::UnconnectedState, 20000);
        QCOMPARE(primary.process().state(), QProcess::Running);
    }

    void killedPrimary_guardIsTakenOver() {
        {
            AppRun crashed(environment());
            QVERIFY2(crashed.waitForLine("ready"), crashed.stdErr().constData());
            crashed.kill();
        }
        QVERIFY(QFileInfo::exists(guardPath(QStringLiteral(".socket"))));

        AppRun successor(environment());
        QVERIFY2(successor.waitForLine("ready"), successor.stdErr().constData());
        QVERIFY(successor.stdErr().contains("SingleApplication: taking over"));

        QVERIFY(handsOver(successor, 1));
    }

    void lockOfKilledInstance_isTakenOver() {
        // A helper process takes the guard's lock and is killed while holding it, as a primary would be
        // if it crashed in the middle of setting up.
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kHoldLockVariable), guardPath(QStringLiteral(".lock")));
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForReadyRead(kStartTimeoutMs));
        QCOMPARE(holder.readAll().trimmed(), QByteArray("locked"));
        holder.kill();
        QVERIFY(holder.waitForFinished(kStartTimeoutMs));
        QVERIFY(QFileInfo::exists(guardPath(QStringLiteral(".lock"))));

        AppRun app(environment());
        QVERIFY2(app.waitForLine("ready"), app.stdErr().constData());
        QVERIFY(!app.stdErr().contains("SingleApplication"));
    }

    void lockHeldTooLong_isTakenOverWithWarning() {
        // A live holder that never lets go, like an instance hung while setting up the guard.
        QLockFile lock(guardPath(QStringLiteral(".lock")));
        QVERIFY(lock.tryLock(0));

        AppRun app(environment());
        QVERIFY2(app.waitForLine("ready"), app.stdErr().constData());
        QVERIFY2(app.stdErr().contains("SingleApplication: the instance guard stayed locked"),
                 app.stdErr().constData());

        // The instance that took over is a working primary (the lock is still held: the second start warns
        // too).
        QVERIFY(handsOver(app, 1, false));
    }

    void helpAndVersion_printWithoutWindowWhileAnInstanceRuns() {
        AppRun primary(environment());
        QVERIFY2(primary.waitForLine("ready"), primary.stdErr().constData());
        const QByteArray version = "kelvora-amplifier-manager " + UtilsApp::appVersion().toUtf8() + '\n';
        const struct {
            QStringList arguments;
            QByteArray expected; // the whole output, or for --help a part of it
        } cases[] = {
            {{QStringLiteral("--version")}, version},
            {{QStringLiteral("--help")}, "-v, --version"},
        };
        for (const auto &c : cases) {
            QProcess run;
            run.setProcessEnvironment(environment());
            run.start(QStringLiteral(KELVORA_APP_PATH), c.arguments);
            QVERIFY(run.waitForFinished(kStartTimeoutMs));
            const QByteArray output = run.readAllStandardOutput();
            const QString what =
                c.arguments.join(' ') + QStringLiteral(": ") + QString::fromLocal8Bit(output);
            QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, qPrintable(what));
            QVERIFY2(c.arguments.contains(QStringLiteral("--help")) ? output.contains(c.expected)
                                                                    : output == c.expected,
                     qPrintable(what));
            QVERIFY2(run.readAllStandardError().isEmpty(), qPrintable(what));
        }
        // None of them reached the running instance: the first real hand-over is its first.
        QVERIFY(handsOver(primary, 1));
        QCOMPARE(primary.stdoutLines().count("instanceStarted"), 1);
    }

    void storedLanguage_isLoadedFromResources() {
        QSettings settings(m_dir->path() + QStringLiteral("/config/Kelvora/Kelvora Amplifier Manager.conf"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("settings/appLanguage"), QStringLiteral("Français"));
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
        AppRun app(environment());
        QVERIFY2(app.waitForLine("ready"), app.stdErr().constData());
        app.kill();
        QCOMPARE(withoutMissingQtTranslation(app.stdErr(), QStringLiteral("fr")), QByteArray());
    }

private:
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir->path() + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        env.insert(QStringLiteral("KELVORA_TRACE_INSTANCE"), QStringLiteral("1"));
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        env.remove(QStringLiteral("QT_QUICK_CONTROLS_STYLE"));
        env.remove(QString::fromLatin1(kHoldLockVariable));
        return env;
    }

    QString runtimeDir() const { return m_dir->path() + QStringLiteral("/runtime"); }
    QString guardPath(const QString &suffix) const {
        // The guard is named before the program names itself, after its executable file.
        const QString name = SingleApplication::guardNameFor(
            QFileInfo(QStringLiteral(KELVORA_APP_PATH)).fileName(), QString());
        return runtimeDir() + QLatin1Char('/') + name + suffix;
    }

    // A second start ends with 0, no window and (if quiet) no output; the primary reports its count-th
    // hand-over.
    bool handsOver(AppRun &primary, int count, bool quiet = true) {
        AppRun second(environment());
        if (!second.waitForExit() || second.process().exitStatus() != QProcess::NormalExit ||
            second.process().exitCode() != 0 || second.stdoutLines().contains("ready") ||
            (quiet && !second.stdErr().isEmpty()))
            return false;
        return QTest::qWaitFor([&] { return primary.stdoutLines().count("instanceStarted") == count; },
                               10000);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

int main(int argc, char *argv[]) {
    // Helper mode: hold the guard's lock file until killed.
    const QString lockPath = qEnvironmentVariable(kHoldLockVariable);
    if (!lockPath.isEmpty()) {
        QCoreApplication app(argc, argv);
        QLockFile lock(lockPath);
        if (!lock.tryLock(0))
            return 2;
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        return app.exec();
    }

    QCoreApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
