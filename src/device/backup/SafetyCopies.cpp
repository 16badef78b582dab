// The automatic backups taken before a calibration, a self-test or a restore, and the folder that keeps them.
#include "device/AmplifierBase.h"
#include "device/backup/Backup.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace backup {

namespace {

struct Folder {
    QMutex mutex;
    bool enabled = false;
    QString path;
};

Folder &folder() {
    static Folder instance;
    return instance;
}

// The program's own data folder, whichever program asks: the command-line tool lists and writes the copies
// the screens do.
QString programDataFolder() {
    const QString organization = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    const QString programOrganization = QStringLiteral("Kelvora");
    const QString program = QStringLiteral("Kelvora Amplifier Manager");
    if (organization == programOrganization && application == program)
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Another program (the command-line tool, at its start): the names are lent for the one look-up.
    QCoreApplication::setOrganizationName(programOrganization);
    QCoreApplication::setApplicationName(program);
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setApplicationName(application);
    return path;
}

// The part of a copy's file name that names the amplifier: protocol, port and device id, in characters
// every file system takes.
QString amplifierKey(const Backup &backup) {
    QString key = QStringLiteral("%1-%2-%3").arg(backup.protocol, backup.port).arg(backup.deviceId);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9.-]+"));
    key.replace(unsafe, QStringLiteral("_"));
    return key;
}

} // namespace

void enableSafetyCopies(const QString &path) {
    const QString chosen = path.isEmpty() ? programDataFolder() + QStringLiteral("/backups") : path;
    QMutexLocker lock(&folder().mutex);
    folder().enabled = true;
    folder().path = chosen;
}

void disableSafetyCopies() {
    QMutexLocker lock(&folder().mutex);
    folder().enabled = false;
}

bool safetyCopiesEnabled() {
    QMutexLocker lock(&folder().mutex);
    return folder().enabled;
}

QString safetyCopyFolder() {
    QMutexLocker lock(&folder().mutex);
    return folder().path.isEmpty() ? programDataFolder() + QStringLiteral("/backups") : folder().path;
}

SafetyCopy keepSafetyCopy(const Backup &backup) {
    SafetyCopy copy;
    if (!safetyCopiesEnabled())
        return copy;
    const QString where = safetyCopyFolder();
    QDir dir(where);
    if (!dir.mkpath(QStringLiteral("."))) {
        copy.error = QCoreApplication::translate("backup", "the folder %1 cannot be made").arg(where);
        return copy;
    }
    const QString key = amplifierKey(backup);
    const QString stem = QStringLiteral("%1_%2_%3")
                             .arg(key, backup.date.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")),
                                  backup.reason.isEmpty() ? QStringLiteral("manual") : backup.reason);
    QString path = dir.filePath(stem + QStringLiteral(".json"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1-%2.json").arg(stem).arg(n));
    if (const QString error = save(backup, path); !error.isEmpty()) {
        copy.error = error;
        return copy;
    }
    copy.path = path;
    // The oldest of this amplifier go; the names sort by time.
    QStringList mine = dir.entryList({key + QStringLiteral("_*.json")}, QDir::Files, QDir::Name);
    while (mine.size() > kKeptSafetyCopies)
        dir.remove(mine.takeFirst());
    return copy;
}

SafetyCopy writeSafetyCopy(AmplifierBase &amplifier, const QString &reason) {
    if (!safetyCopiesEnabled())
        return {};
    const Taken taken = take(amplifier, reason);
    if (!taken.ok()) {
        SafetyCopy copy;
        copy.error =
            QCoreApplication::translate("backup", "the amplifier could not be read: %1").arg(taken.error);
        return copy;
    }
    return keepSafetyCopy(taken.backup);
}

QList<ListedCopy> safetyCopies() {
    QList<ListedCopy> copies;
    const QDir dir(safetyCopyFolder());
    for (const QString &name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        const QString path = dir.filePath(name);
        const Loaded loaded = load(path);
        copies.append({path, loaded.backup, loaded.error});
    }
    // Newest first; a copy that cannot be read goes last, still listed so that it is not silently lost.
    std::stable_sort(copies.begin(), copies.end(), [](const ListedCopy &a, const ListedCopy &b) {
        if (a.error.isEmpty() != b.error.isEmpty())
            return a.error.isEmpty();
        return a.backup.date > b.backup.date;
    });
    return copies;
}

} // namespace backup
