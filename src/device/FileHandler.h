#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

// File-system services for the screens that choose and prepare an output file: standard folders, a
// write-permission probe, creating an empty file and writing text. Stateless; every call is synchronous.
class FileHandler : public QObject {
    Q_OBJECT
public:
    explicit FileHandler(QObject *parent = nullptr);

    // The folder for CSV recordings: `preferred` (the "logs" folder beside the program) when it can be
    // created and written to, else "logs" in the user's application-data folder. An installed program lives
    // in a folder only root may write, so there the user's folder is the one that works. When neither can be
    // written, `preferred` is returned: the screens then report it as not writable.
    static QString logsFolder(const QString &preferred);

    Q_INVOKABLE QString getAppDataPath() const;
    Q_INVOKABLE QString getDocumentsPath() const;
    Q_INVOKABLE QString getDownloadsPath() const;
    Q_INVOKABLE QString getTempPath() const;

    // A file name the user typed, as the user means it: an absolute path stays where it points
    // ("/proc/x.csv",
    // "~/x.csv", on Windows "C:\\data\\x.csv"), a relative one is taken inside `folder`. Empty when nothing
    // was typed.
    Q_INVOKABLE QString resolveTypedPath(const QString &typed, const QString &folder) const;

    // `path` names a file; the folder that would contain it is tested (and created when missing).
    // Returns {"isWritable": bool, "message": QString}.
    Q_INVOKABLE QVariantMap isPathWritable(const QString &path) const;
    Q_INVOKABLE bool createEmptyFile(const QString &path) const;
    // The size of the file in bytes, -1 when there is no such file: lets a screen ask before emptying one
    // that holds data.
    Q_INVOKABLE qint64 fileSize(const QString &path) const;
    Q_INVOKABLE bool writeToFile(const QString &filePath, const QString &content, bool appendMode);
    Q_INVOKABLE bool writeToFile(const QString &filePath, const QString &content);
};
