// How long the program takes to show its window, and how long a second start takes to hand over to the
// running instance and end (it has 1000 ms to reach the primary). Runs the real executable offscreen in
// temporary HOME, configuration and runtime folders.
//   bench_startup [runs]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kTimeoutMs = 60000;

QProcessEnvironment benchEnvironment(const QString &root) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KELVORA_TRACE_INSTANCE"), QStringLiteral("1"));
    return env;
}

// Reads the program's standard output until `line` appears; false on time-out or exit.
bool waitForLine(QProcess &process, QByteArray &seen, const QByteArray &line) {
    QElapsedTimer timer;
    timer.start();
    while (!seen.split('\n').contains(line)) {
        if (timer.elapsed() > kTimeoutMs || process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(100);
        seen += process.readAllStandardOutput();
    }
    return true;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}
} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const char *sub : {"home", "config", "runtime"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(dir.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QProcessEnvironment env = benchEnvironment(dir.path());

    std::vector<double> readyMs;
    std::vector<double> handOverMs;
    std::vector<double> notifiedMs;
    for (int run = 0; run < runs; ++run) {
        QProcess primary;
        primary.setProcessEnvironment(env);
        primary.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer timer;
        timer.start();
        primary.start(QStringLiteral(KELVORA_APP_PATH), {});
        QByteArray primaryOut;
        if (!waitForLine(primary, primaryOut, "ready")) {
            std::fprintf(stderr, "primary did not start: %s\n", primary.readAllStandardError().constData());
            return 1;
        }
        readyMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        QProcess second;
        second.setProcessEnvironment(env);
        timer.restart();
        second.start(QStringLiteral(KELVORA_APP_PATH), {});
        if (!second.waitForFinished(kTimeoutMs) || second.exitCode() != 0) {
            std::fprintf(stderr, "second instance did not hand over\n");
            return 1;
        }
        handOverMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (!waitForLine(primary, primaryOut, "instanceStarted")) {
            std::fprintf(stderr, "primary was not notified\n");
            return 1;
        }
        notifiedMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        primary.kill();
        primary.waitForFinished(kTimeoutMs);
    }

    std::printf("startup_runs=%d\n", runs);
    std::printf("startup_window_ready_ms_median=%.1f\n", median(readyMs));
    std::printf("second_instance_exit_ms_median=%.1f\n", median(handOverMs));
    std::printf("second_instance_exit_ms_max=%.1f\n",
                *std::max_element(handOverMs.begin(), handOverMs.end()));
    std::printf("primary_notified_ms_median=%.1f\n", median(notifiedMs));
    return 0;
}
