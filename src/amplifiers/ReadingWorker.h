#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

class QThread;

// The continuous-reading worker shared by every driver: at most one polling thread per amplifier,
// controlled by an atomic reading flag. A stop wakes the worker out of its pause and joins it, so it
// returns after the cycle in progress at the latest; threads are never terminated.
class ReadingWorker {
public:
    // What a cycle asks for before the next one: the caller's interval, or the next request at once.
    enum class Pause { Interval, None };
    using Cycle = std::function<Pause()>;

    ReadingWorker() = default;
    ~ReadingWorker();
    ReadingWorker(const ReadingWorker &) = delete;
    ReadingWorker &operator=(const ReadingWorker &) = delete;

    // Starts `cycle` on a new thread, repeated while the flag is set. Returns false (and does nothing)
    // when a worker already runs. The cycle must not throw.
    bool start(Cycle cycle, int intervalMs);
    // Clears the flag and waits for the thread to end. Safe to call when nothing runs.
    void stop();

    bool isRunning() const { return m_reading.load(); }
    // For waits inside a cycle that must end as soon as reading stops.
    const std::atomic<bool> &readingFlag() const { return m_reading; }

private:
    void run(const Cycle &cycle, int intervalMs);

    std::atomic<bool> m_reading{false};
    QThread *m_thread = nullptr;
    // Standard primitives rather than QMutex/QWaitCondition: ThreadSanitizer sees through their waits.
    std::mutex m_pauseMutex;
    std::condition_variable m_wake;
    // Held by the worker for its whole run and taken by stop() after the join: ThreadSanitizer cannot see
    // QThread::wait as a join, this makes the worker's last writes visibly happen before stop() returns.
    std::mutex m_runMutex;
};
