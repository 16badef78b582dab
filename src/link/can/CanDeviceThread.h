#pragma once

#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QList>
#include <QString>
#include <QVariant>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>

class QThread;

// A QCanBusDevice living in a thread of its own with its own event loop, so that the threads using it may
// block (waiting for a reply, a GUI call) while frames still arrive and leave. The device and everything
// handed to post() run in that thread only.
//
// The thread lasts as long as this object, not just one opening of the device: the virtual bus keeps its
// server in the thread of the first device of a process that opened it.
class CanDeviceThread {
public:
    // Called in the device thread.
    struct Events {
        std::function<void(const QList<QCanBusFrame> &)> frames;
        std::function<void(QCanBusDevice::CanBusDeviceState)> state;
        std::function<void(const QString &)> error;
    };
    using Parameters = QList<std::pair<QCanBusDevice::ConfigurationKey, QVariant>>;

    explicit CanDeviceThread(const QString &name);
    ~CanDeviceThread();
    CanDeviceThread(const CanDeviceThread &) = delete;
    CanDeviceThread &operator=(const CanDeviceThread &) = delete;

    // Creates the device with `parameters`, connects it and waits at most `timeoutMs` until it is connected.
    // Empty on success, else why not (the device is then gone); `timedOut` tells a bus that never answered.
    QString open(const QString &plugin, const QString &interfaceName, const Parameters &parameters,
                 Events events, int timeoutMs, bool *timedOut = nullptr);
    // Frames written before still reach the bus (within a second), then the device goes.
    void close();

    // Queues the frame for sending; frames queued from one thread keep their order.
    void write(const QCanBusFrame &frame);
    // Runs `work` in the device thread after `delayMs`, without waiting for it.
    void post(std::function<void()> work, int delayMs = 0);
    // Runs `work` in the device thread and waits until it has run. Never from the device thread itself.
    void run(const std::function<void()> &work);
    // The device, in the device thread only; null while closed.
    QCanBusDevice *device() const { return m_device; }

private:
    QThread *m_thread = nullptr;
    QObject *m_context = nullptr;      // lives in m_thread
    QCanBusDevice *m_device = nullptr; // device thread only
    std::mutex m_postMutex;

    // What open() waits for.
    std::mutex m_mutex;
    std::condition_variable m_settled;
    QCanBusDevice::CanBusDeviceState m_state = QCanBusDevice::UnconnectedState;
    QString m_error;
};
