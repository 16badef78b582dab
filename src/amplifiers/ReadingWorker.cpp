#include "amplifiers/ReadingWorker.h"

#include <QThread>

#include <chrono>

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

void ReadingWorker::run(const Cycle &cycle, int intervalMs) {
    std::lock_guard<std::mutex> running(m_runMutex);
    while (m_reading.load()) {
        if (cycle() == Pause::None)
            continue;
        std::unique_lock<std::mutex> lock(m_pauseMutex);
        // The predicate is tested under the mutex: a stop between the flag test and the wait is not missed.
        m_wake.wait_for(lock, std::chrono::milliseconds(qMax(0, intervalMs)),
                        [this] { return !m_reading.load(); });
    }
}
