#include "files/SimulatedPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace simulatedports {

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
        QFile in(dir.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QString path = QString::fromUtf8(in.read(4096)).trimmed();
        // A simulator that died without withdrawing leaves a file whose pseudo-terminal is gone.
        if (!path.isEmpty() && QFileInfo::exists(path) && !ports.contains(path))
            ports.append(path);
    }
    ports.sort();
    return ports;
}

} // namespace simulatedports
