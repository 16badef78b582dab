#include "link/serial/SimulatedPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <sys/types.h>
#endif

namespace simulatedports {

namespace {

// An announcement is named after the announcing process. Once that process is gone its pseudo-terminal
// number may already serve someone else, so the file's path alone proves nothing.
bool announcerAlive(const QString &fileName) {
#ifdef Q_OS_UNIX
    bool ok = false;
    const qint64 pid = QFileInfo(fileName).completeBaseName().toLongLong(&ok);
    if (!ok || pid <= 0 || static_cast<pid_t>(pid) != pid)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(fileName);
    return true;
#endif
}

} // namespace

QString directory() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/kelvora-simulated-ports");
}

QString announce(const QString &portPath) {
    QDir dir(directory());
    if (!dir.mkpath(QStringLiteral(".")))
        return {};
    const QString file = dir.filePath(QStringLiteral("%1.port").arg(QCoreApplication::applicationPid()));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    out.write(portPath.toUtf8());
    return out.error() == QFileDevice::NoError ? file : QString();
}

void withdraw(const QString &announcementFile) {
    if (!announcementFile.isEmpty())
        QFile::remove(announcementFile);
}

QStringList list() {
    QStringList ports;
    const QDir dir(directory());
    const QStringList files = dir.entryList({QStringLiteral("*.port")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        if (!announcerAlive(name))
            continue;
        QFile in(dir.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QString path = QString::fromUtf8(in.read(4096)).trimmed();
        // A simulator killed without withdrawing may also leave a file whose pseudo-terminal is gone.
        if (!path.isEmpty() && QFileInfo::exists(path) && !ports.contains(path))
            ports.append(path);
    }
    ports.sort();
    return ports;
}

} // namespace simulatedports
