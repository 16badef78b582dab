#pragma once

#include "device/AmplifierBase.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>

#include <memory>

class RecordingWriter;

// A CSV recording of amplifiers' weights, one row per period, used by the Weight Plot screen and by
// kelvora-cli. What a run records is fixed when it starts: its amplifiers (the columns), its unit and its
// file. A field holds a value only when the amplifier completed a reading in that row's period, otherwise
// "N/A"; an amplifier removed or destroyed during the run is "N/A" from then on.
//
// Rows are sampled on the thread that owns the recorder (where the amplifiers live) and written by a thread
// of their own in batches, at least every 200 ms and at the end, so a slow disk never holds up the sampling
// thread and a crash loses less than a second. Each batch goes to the file in one write, whole lines only.
class WeightRecorder : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool running READ isRunning NOTIFY runningChanged)
    Q_PROPERTY(QString filePath READ filePath NOTIFY runningChanged)
    Q_PROPERTY(QStringList columnNames READ columnNames NOTIFY runningChanged)
    // Whole seconds until a timed run ends; -1 for a run until stopped or when none runs.
    Q_PROPERTY(int secondsLeft READ secondsLeft NOTIFY progressChanged)
    Q_PROPERTY(int rowCount READ rowCount NOTIFY progressChanged)
    // Why the last start was refused or the last run ended early; empty otherwise.
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)

public:
    static constexpr const char *kMissing = "N/A";

    explicit WeightRecorder(QObject *parent = nullptr);
    // Ends a run in progress and waits until its file is complete.
    ~WeightRecorder() override;

    // Starts a run: the header at once (a file that cannot be written refuses the start, with the reason in
    // lastError), then one row every `periodMs`, for `durationS` seconds, or until stop() when it is 0.
    bool record(const QList<AmplifierBase *> &amplifiers, int periodMs, int durationS,
                const QString &filePath, const QString &unit);
    // record() for the screens: `amplifiers` holds driver objects (anything else is refused).
    Q_INVOKABLE bool start(const QVariantList &amplifiers, int periodMs, int durationS,
                           const QString &filePath, const QString &unit);
    // Ends the run at once: no row after this call; the rows taken so far reach the file, which is then
    // closed (finished() tells when).
    Q_INVOKABLE void stop();
    // Its column is "N/A" for the rest of the run.
    Q_INVOKABLE void removeAmplifier(QObject *amplifier);
    // Blocks until the file of the last run is complete. For the command-line tool and tests.
    void waitUntilWritten();

    bool isRunning() const { return m_timer.isActive(); }
    QString filePath() const { return m_filePath; }
    QStringList columnNames() const;
    int secondsLeft() const;
    int rowCount() const { return m_rows; }
    QString lastError() const { return m_lastError; }

    // The header field of an amplifier, named as its tile names it: "Load cell <name> — <model> <link>
    // (<unit>)"; an amplifier without a name is called by its column number.
    static QString columnTitle(const AmplifierBase &amplifier, int column, const QString &unit);
    // A stored measuring value in `unit`, with the decimals that keep a hundredth of a gram, trailing zeros
    // dropped and never an exponent; "N/A" for a value that is not a number.
    static QString valueText(double storedHundredths, const QString &unit);
    // How often to read the recorded amplifiers for rows every `rowPeriodMs`: at least twice per row, so that
    // a healthy amplifier has a reading in every row's period, and never slower than the tiles' 100 ms.
    static int readingIntervalFor(int rowPeriodMs);
    Q_INVOKABLE int readingInterval(int rowPeriodMs) const { return readingIntervalFor(rowPeriodMs); }
    // Rows in a run of `durationS` at `periodMs`, saturated to the int range. periodMs must be positive.
    static int rowCountFor(int durationS, int periodMs);

signals:
    void started(int durationS);
    void runningChanged();
    void progressChanged();
    void lastErrorChanged();
    // The file of a run is complete and closed; `complete` is false when writing failed (see lastError).
    void finished(bool complete);

private:
    struct Column {
        AmplifierBase *amplifier = nullptr;
        QPointer<QObject> guard;
        bool guarded = false;
        bool removed = false;
        QString title;
        quint64 lastCount = 0;

        AmplifierBase *live() const;
    };

    void tick();
    void endRun();
    void setError(const QString &error);
    // Joins the writer of the run and tells how its file ended.
    void writerEnded();

    QTimer m_timer;
    QList<Column> m_columns;
    QString m_unit;
    QString m_filePath;
    int m_periodMs = 0;
    int m_rowLimit = 0; // 0: until stopped
    int m_rows = 0;
    QElapsedTimer m_clock;
    qint64 m_startMs = 0;
    qint64 m_lastRowMs = 0;
    int m_utcOffsetS = 0;
    QString m_lastError;
    std::unique_ptr<RecordingWriter> m_writer;
    // Tells the writer's late end notice from that of a newer run.
    quint64 m_writerSerial = 0;
};
