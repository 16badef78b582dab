#include "device/FileHandler.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextStream>

FileHandler::FileHandler(QObject *parent)
    : QObject(parent) {}

QString FileHandler::logsFolder(const QString &preferred) {
    const FileHandler files;
    // isPathWritable creates the folder of the file it is given and probes it.
    const auto usable = [&files](const QString &folder) {
        return files.isPathWritable(folder + QStringLiteral("/probe"))
            .value(QStringLiteral("isWritable"))
            .toBool();
    };
    if (usable(preferred))
        return preferred;
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!appData.isEmpty() && usable(appData + QStringLiteral("/logs")))
        return appData + QStringLiteral("/logs");
    return preferred;
}

QString FileHandler::resolveTypedPath(const QString &typed, const QString &folder) const {
    QString path = QDir::fromNativeSeparators(typed.trimmed());
    if (path.isEmpty())
        return {};
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    return QDir::cleanPath(folder + QLatin1Char('/') + path);
}

QString FileHandler::getAppDataPath() const {
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(path);
    return path;
}

QString FileHandler::getDocumentsPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString FileHandler::getDownloadsPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

QString FileHandler::getTempPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation);
}

QVariantMap FileHandler::isPathWritable(const QString &path) const {
    QVariantMap result{{QStringLiteral("isWritable"), false}, {QStringLiteral("message"), QString()}};
    if (path.isEmpty()) {
        result[QStringLiteral("message")] = tr("Path is empty");
        return result;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        result[QStringLiteral("message")] = tr("Directory doesn't exist and cannot be created");
        return result;
    }
    // A uniquely named probe, created exclusively: a user's own file in that folder is never touched,
    // whatever its name.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("test_write_permission_XXXXXX.tmp")));
    probe.setAutoRemove(true);
    if (probe.open()) {
        probe.close();
        probe.remove();
        result[QStringLiteral("isWritable")] = true;
        result[QStringLiteral("message")] = tr("Location is writable");
    } else {
        result[QStringLiteral("message")] = tr("No write permission for this location");
    }
    return result;
}

bool FileHandler::createEmptyFile(const QString &path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.close();
    return true;
}

qint64 FileHandler::fileSize(const QString &path) const {
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}

bool FileHandler::writeToFile(const QString &filePath, const QString &content, bool appendMode) {
    QFile file(filePath);
    const QIODevice::OpenMode mode =
        QIODevice::WriteOnly | QIODevice::Text | (appendMode ? QIODevice::Append : QIODevice::Truncate);
    if (!file.open(mode)) {
        qWarning() << "❌ Failed to open file:" << filePath;
        return false;
    }
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    out << content;
    out.flush();
    // A full disk or a vanished device must not pass for a written file.
    const bool written = out.status() == QTextStream::Ok && file.flush();
    file.close();
    if (!written) {
        qWarning() << "❌ Failed to write file:" << filePath << file.errorString();
        return false;
    }
    return true;
}

bool FileHandler::writeToFile(const QString &filePath, const QString &content) {
    return writeToFile(filePath, content, true);
}
