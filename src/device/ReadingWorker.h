#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

class QThread;

// The continuous-reading worker shared by every driver: at most one polling thread per amplifier,
// controlled by an atomic reading flag. A stop wakes the worker out of its pause and joins it, so it
// returns after the cycle in progress at the latest; threads are never terminated.
//
// Every cycle, failed or not, is followed by the interval: a failing amplifier polled at once again
// would flood the log and, on a shared line, starve the others. Each further failure in a row makes the pause
// four times longer, up to 5 s (or the interval, if longer): an amplifier that does not answer costs a whole
// read time-out, and the line's wait for quiet after it, each time it is asked, time the others on an RS485
// line then lack. Errors reported through report() reach the driver's sink at most once per second per
// distinct text, however failures and readings alternate; the repeats in between are counted and the count
// goes out with the next report of that text, at a reading once that second is over, or when the worker
// stops.
class ReadingWorker {
public:
    enum class Outcome { Reading, Failed };
    using Cycle = std::function<Outcome()>;
    using ErrorSink = std::function<void(const QString &)>;

    static constexpr std::chrono::milliseconds kRepeatWindow{1000};
    static constexpr std::chrono::milliseconds kLongestFailurePause{5000};

    // The pause after a cycle: the interval, four times longer for each failure in a row after the first.
    static qint64 pauseAfter(int intervalMs, int failuresInARow);

    ReadingWorker() = default;
    ~ReadingWorker();
    ReadingWorker(const ReadingWorker &) = delete;
    ReadingWorker &operator=(const ReadingWorker &) = delete;

    // Starts `cycle` on a new thread, repeated while the flag is set; its errors go to `sink` (called on
    // the worker thread). Returns false (and does nothing) when a worker already runs. The cycle must not
    // throw.
    bool start(Cycle cycle, int intervalMs, ErrorSink sink);
    // Clears the flag and waits for the thread to end. Safe to call when nothing runs.
    void stop();

    // From inside a cycle: an error of this cycle.
    // `why` is what a screen's stale marker says while no reading comes ("refused: Modbus exception 2",
    // "bad checksum"); empty leaves the marker to say how long nothing came.
    void report(const QString &error, const QString &why = {});
    // The `why` of the last failure since the last good reading; "" when there is none. Any thread.
    QString staleReason() const;

    bool isRunning() const { return m_reading.load(); }
    // For waits inside a cycle that must end as soon as reading stops.
    const std::atomic<bool> &readingFlag() const { return m_reading; }
    // Milliseconds since the running worker's last cycle with a good reading; -1 when no worker runs or
    // it has had none yet.
    qint64 msSinceLastReading() const;

    // The text that carries `count` repeats of `error` since it was last reported.
    static QString repeatedText(const QString &error, quint64 count);
    // The error itself, without the count repeatedText() added.
    static QString withoutRepeatCount(const QString &text);

private:
    struct Repeats {
        std::chrono::steady_clock::time_point lastShown;
        quint64 suppressed = 0;
    };

    void run(const Cycle &cycle, int intervalMs);
    void flushRepeats();
    // Tells the held-back repeats of each text whose second is over.
    void tellHeldBack();

    std::atomic<bool> m_reading{false};
    QThread *m_thread = nullptr;
    // Standard primitives rather than QMutex/QWaitCondition: ThreadSanitizer sees through their waits.
    std::mutex m_pauseMutex;
    std::condition_variable m_wake;
    // Held by the worker for its whole run and taken by stop() after the join: ThreadSanitizer cannot see
    // QThread::wait as a join, this makes the worker's last writes visibly happen before stop() returns.
    std::mutex m_runMutex;
    // Worker thread only (set before it starts).
    ErrorSink m_sink;
    mutable std::mutex m_reasonMutex;
    QString m_staleReason;
    std::map<QString, Repeats> m_repeats;
    // Steady-clock milliseconds of the last good reading, or -1.
    std::atomic<qint64> m_lastReadingMs{-1};
};
