#pragma once

#include <QObject>

#include <functional>
#include <future>

// Runs `work` in the thread of `context` (which has a running event loop) and waits until it has run.
// The wait goes through std::promise rather than a blocking queued call so that thread checkers can see
// the hand-over. Must not be called from the context's own thread.
inline void runInThreadOf(QObject *context, const std::function<void()> &work) {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    QMetaObject::invokeMethod(
        context,
        [&work, &done] {
            work();
            done.set_value();
        },
        Qt::QueuedConnection);
    finished.wait();
}
