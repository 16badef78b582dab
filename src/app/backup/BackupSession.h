#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QVariantList>

#include <atomic>
#include <functional>

class AmplifierBase;

// The backup popup's face: backup, compare, dry run and restore of one amplifier against a file, and its
// automatic backups. Each operation runs the backup library on a thread of its own, so that reading or
// writing every setting never freezes the window; what it reports comes back to this object on the GUI
// thread as the table (`rows`), a progress count and a closing message. It judges nothing itself: the
// rows and the message are the library's outcome, put into words.
//
// One operation at a time; a start while one runs is refused. The destructor waits for a running one,
// which ends once the amplifier answered or timed out: a restore is never cut half-way.
class BackupSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // What the running operation is doing, while `busy`.
    Q_PROPERTY(QString progressText READ progressText NOTIFY busyChanged)
    // What the last operation came to, one or a few sentences; `failed` when it did not go through.
    Q_PROPERTY(QString message READ message NOTIFY finished)
    Q_PROPERTY(bool failed READ failed NOTIFY finished)
    // One map per setting: "name", "label" (name and unit), "fileValue", "amplifierValue", "outcome" and
    // "bad" (the outcome is a failure or a difference the user must see).
    Q_PROPERTY(QVariantList rows READ rows NOTIFY finished)
    // A dry run has shown what a restore of the last file would write; `pendingWrites` settings differ.
    Q_PROPERTY(bool dryRunReady READ dryRunReady NOTIFY finished)
    Q_PROPERTY(int pendingWrites READ pendingWrites NOTIFY finished)

public:
    explicit BackupSession(QObject *parent = nullptr);
    ~BackupSession() override;

    // Each returns false (and says why in `message`) when it cannot start; otherwise `finished` follows.
    Q_INVOKABLE bool backup(QObject *amplifier, const QString &path);
    // The file against the amplifier, or against a second file when `second` is given (the amplifier is then
    // not read).
    Q_INVOKABLE bool compare(QObject *amplifier, const QString &path, const QString &second = QString());
    Q_INVOKABLE bool dryRun(QObject *amplifier, const QString &path);
    // Writes the file's differing values; offered after a dry run of the same file, which showed them.
    Q_INVOKABLE bool restore(QObject *amplifier, const QString &path);

    // Asks a running restore to stop before its next write; it then puts back what it wrote and reports.
    Q_INVOKABLE void stop() { m_stop.store(true); }
    // Forgets the last outcome (rows, message, dry run); nothing while an operation runs.
    Q_INVOKABLE void clear();

    // The automatic backups of `amplifier`, newest first: "path", "fileName", "when".
    Q_INVOKABLE QVariantList safetyCopies(QObject *amplifier) const;
    // A new file for a backup of `amplifier` in the backup folder: the application-data folder, made when
    // missing.
    Q_INVOKABLE QString suggestedPath(QObject *amplifier) const;
    Q_INVOKABLE QString backupFolder() const;

    bool busy() const { return m_thread != nullptr; }
    QString progressText() const { return m_progressText; }
    QString message() const { return m_message; }
    bool failed() const { return m_failed; }
    QVariantList rows() const { return m_rows; }
    bool dryRunReady() const { return m_dryRunReady; }
    int pendingWrites() const { return m_pendingWrites; }

signals:
    void busyChanged();
    // `operation`: "backup", "compare", "dryRun" or "restore".
    void finished(QString operation, bool ok);

public:
    // What an operation leaves for the screen; built on the worker thread, handed over on the GUI thread.
    struct Result {
        bool ok = false;
        QString message;
        QVariantList rows;
        int pendingWrites = 0;
    };
    using Work = std::function<Result(AmplifierBase &amplifier, const QString &path)>;

private:
    bool start(const QString &operation, QObject *amplifier, const QString &path, const QString &doing,
               Work work);
    void end(const QString &operation, const Result &result);
    void refuse(const QString &reason);
    Result restoreWork(AmplifierBase &amplifier, const QString &path, bool dryRun) const;

    QThread *m_thread = nullptr;
    // Asks a running restore to stop between two writes (it then puts back what it wrote).
    std::atomic<bool> m_stop{false};
    QString m_progressText;
    QString m_message;
    bool m_failed = false;
    QVariantList m_rows;
    bool m_dryRunReady = false;
    QString m_dryRunPath;
    int m_pendingWrites = 0;
};
