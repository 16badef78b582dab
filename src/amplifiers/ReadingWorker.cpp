#include "amplifiers/ReadingWorker.h"

#include <QDeadlineTimer>
#include <QThread>

ReadingWorker::~ReadingWorker() {
    stop();
}

bool ReadingWorker::start(Cycle cycle, int intervalMs) {
    if (m_reading.exchange(true))
        return false;
    m_thread = QThread::create([this, cycle = std::move(cycle), intervalMs] { run(cycle, intervalMs); });
    m_thread->start(QThread::InheritPriority);
    return true;
}

void ReadingWorker::stop() {
    if (!m_reading.exchange(false))
        return;
    {
        QMutexLocker lock(&m_pauseMutex);
        m_wake.wakeAll();
    }
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
}

void ReadingWorker::run(const Cycle &cycle, int intervalMs) {
    while (m_reading.load()) {
        if (cycle() == Pause::None)
            continue;
        QMutexLocker lock(&m_pauseMutex);
        QDeadlineTimer deadline(qMax(0, intervalMs));
        // Re-check under the mutex: a stop between the test and the wait would otherwise be missed.
        while (m_reading.load() && !deadline.hasExpired()) {
            if (!m_wake.wait(&m_pauseMutex, deadline))
                break;
        }
    }
}
