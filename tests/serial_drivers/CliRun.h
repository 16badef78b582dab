#pragma once

// kelvora-cli run as a process: what it printed and how it ended.
#include <QProcess>
#include <QStringList>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool with space-separated `arguments`. A first word that is no option is the protocol, given
// with `--port port` unless the arguments name a port of their own.
inline CliRun runCli(const QString &arguments, const QString &port) {
    QStringList words = arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty() && !words.first().startsWith(QLatin1Char('-'))) {
        words.insert(0, QStringLiteral("--protocol"));
        if (!words.contains(QStringLiteral("--port")))
            words = words.mid(0, 2) + QStringList{QStringLiteral("--port"), port} + words.mid(2);
    }
    QProcess process;
    process.start(QStringLiteral(KELVORA_CLI_PATH), words);
    // A run that does not end is killed and counts as a crash.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
