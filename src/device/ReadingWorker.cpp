#include "device/ReadingWorker.h"

#include <QRegularExpression>
#include <QThread>

namespace {

using Clock = std::chrono::steady_clock;

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

} // namespace

ReadingWorker::~ReadingWorker() {
    stop();
}

bool ReadingWorker::start(Cycle cycle, int intervalMs, ErrorSink sink) {
    if (m_reading.exchange(true))
        return false;
    // A new worker has read nothing yet: a value from an earlier one (perhaps of the other kind) must not
    // pass for fresh.
    m_lastReadingMs = -1;
    m_sink = std::move(sink);
    m_repeats.clear();
    m_thread = QThread::create([this, cycle = std::move(cycle), intervalMs] { run(cycle, intervalMs); });
    m_thread->start(QThread::InheritPriority);
    return true;
}

void ReadingWorker::stop() {
    if (!m_reading.exchange(false))
        return;
    {
        std::lock_guard<std::mutex> lock(m_pauseMutex);
        m_wake.notify_all();
    }
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    std::lock_guard<std::mutex> joined(m_runMutex);
}

qint64 ReadingWorker::msSinceLastReading() const {
    const qint64 last = m_lastReadingMs.load();
    if (last < 0 || !m_reading.load())
        return -1;
    return nowMs() - last;
}

QString ReadingWorker::repeatedText(const QString &error, quint64 count) {
    if (count == 1)
        return QStringLiteral("%1 (repeated once)").arg(error);
    return QStringLiteral("%1 (repeated %2 times)").arg(error).arg(count);
}

QString ReadingWorker::withoutRepeatCount(const QString &text) {
    static const QRegularExpression count(QStringLiteral(" \\(repeated (once|\\d+ times)\\)$"));
    QString error = text;
    return error.remove(count);
}

QString ReadingWorker::staleReason() const {
    std::lock_guard<std::mutex> lock(m_reasonMutex);
    return m_staleReason;
}

void ReadingWorker::report(const QString &error, const QString &why) {
    {
        std::lock_guard<std::mutex> lock(m_reasonMutex);
        m_staleReason = why;
    }
    const Clock::time_point now = Clock::now();
    auto found = m_repeats.find(error);
    if (found == m_repeats.end()) {
        m_repeats.emplace(error, Repeats{now, 0});
        m_sink(error);
        return;
    }
    Repeats &repeats = found->second;
    ++repeats.suppressed;
    if (now - repeats.lastShown < kRepeatWindow)
        return;
    m_sink(repeatedText(error, repeats.suppressed));
    repeats.lastShown = now;
    repeats.suppressed = 0;
}

void ReadingWorker::tellHeldBack() {
    const Clock::time_point now = Clock::now();
    for (auto &[error, repeats] : m_repeats) {
        if (repeats.suppressed > 0 && now - repeats.lastShown >= kRepeatWindow) {
            m_sink(repeatedText(error, repeats.suppressed));
            repeats.lastShown = now;
            repeats.suppressed = 0;
        }
    }
}

void ReadingWorker::flushRepeats() {
    for (const auto &[error, repeats] : m_repeats) {
        if (repeats.suppressed > 0)
            m_sink(repeatedText(error, repeats.suppressed));
    }
    m_repeats.clear();
}

qint64 ReadingWorker::pauseAfter(int intervalMs, int failuresInARow) {
    const qint64 interval = qMax(0, intervalMs);
    if (failuresInARow <= 1)
        return interval;
    const qint64 longest = qMax<qint64>(interval, kLongestFailurePause.count());
    return qMin(longest, qMax<qint64>(interval, 1) << qMin(2 * (failuresInARow - 1), 40));
}

void ReadingWorker::run(const Cycle &cycle, int intervalMs) {
    std::lock_guard<std::mutex> running(m_runMutex);
    int failuresInARow = 0;
    while (m_reading.load()) {
        if (cycle() == Outcome::Reading) {
            failuresInARow = 0;
            m_lastReadingMs = nowMs();
            {
                std::lock_guard<std::mutex> lock(m_reasonMutex);
                m_staleReason.clear();
            }
            // What was held back is told once its second is over. The texts stay known: an amplifier that
            // fails every other answer must not report each failure as new.
            tellHeldBack();
        } else {
            ++failuresInARow;
        }
        std::unique_lock<std::mutex> lock(m_pauseMutex);
        // The predicate is tested under the mutex: a stop between the flag test and the wait is not missed.
        m_wake.wait_for(lock, std::chrono::milliseconds(pauseAfter(intervalMs, failuresInARow)),
                        [this] { return !m_reading.load(); });
    }
    flushRepeats();
}
