#include "link/can/CanDeviceThread.h"

#include <QCanBus>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <future>

Q_LOGGING_CATEGORY(lcCanDevice, "kelvora.can", QtInfoMsg)

namespace {

constexpr int kFlushTimeoutMs = 1000;

// Device thread: the device sends from its event loop, so a plain delete would drop what is still queued.
void closeGracefully(QCanBusDevice *device) {
    if (device->state() == QCanBusDevice::ConnectedState && device->framesToWrite() > 0)
        device->waitForFramesWritten(kFlushTimeoutMs);
    if (device->state() == QCanBusDevice::UnconnectedState)
        return;
    QEventLoop loop;
    QObject::connect(device, &QCanBusDevice::stateChanged, &loop,
                     [&loop](QCanBusDevice::CanBusDeviceState state) {
                         if (state == QCanBusDevice::UnconnectedState)
                             loop.quit();
                     });
    QTimer::singleShot(kFlushTimeoutMs, &loop, &QEventLoop::quit);
    device->disconnectDevice();
    if (device->state() != QCanBusDevice::UnconnectedState)
        loop.exec();
}

} // namespace

CanDeviceThread::CanDeviceThread(const QString &name)
    : m_thread(new QThread)
    , m_context(new QObject) {
    m_thread->setObjectName(name);
    m_context->moveToThread(m_thread);
    m_thread->start();
}

CanDeviceThread::~CanDeviceThread() {
    close();
    run([this] {
        delete m_context;
        m_context = nullptr;
    });
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void CanDeviceThread::run(const std::function<void()> &work) {
    // A promise rather than a blocking queued call, so that thread checkers see the hand-over.
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    QMetaObject::invokeMethod(
        m_context,
        [&work, &done] {
            work();
            done.set_value();
        },
        Qt::QueuedConnection);
    finished.wait();
}

void CanDeviceThread::post(std::function<void()> work, int delayMs) {
    QObject *context = m_context;
    // Qt serialises posting from several threads itself, but with a lock the thread checkers cannot see.
    const std::lock_guard<std::mutex> lock(m_postMutex);
    QMetaObject::invokeMethod(
        context,
        [context, work = std::move(work), delayMs] {
            if (delayMs <= 0)
                work();
            else
                QTimer::singleShot(delayMs, context, work);
        },
        Qt::QueuedConnection);
}

void CanDeviceThread::write(const QCanBusFrame &frame) {
    post([this, frame] {
        if (m_device && m_device->state() == QCanBusDevice::ConnectedState && !m_device->writeFrame(frame))
            qCWarning(lcCanDevice).noquote() << "CAN frame not sent:" << m_device->errorString();
    });
}

QString CanDeviceThread::open(const QString &plugin, const QString &interfaceName,
                              const Parameters &parameters, Events events, int timeoutMs, bool *timedOut) {
    close();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = QCanBusDevice::UnconnectedState;
        m_error.clear();
    }
    if (timedOut)
        *timedOut = false;
    QString why;
    run([&] {
        QCanBusDevice *device = QCanBus::instance()->createDevice(plugin, interfaceName, &why);
        if (!device) {
            if (why.isEmpty())
                why = QStringLiteral("plugin \"%1\" is not available").arg(plugin);
            return;
        }
        for (const auto &[key, value] : parameters)
            device->setConfigurationParameter(key, value);
        m_device = device;
        QObject::connect(device, &QCanBusDevice::framesReceived, m_context,
                         [device, onFrames = events.frames] {
                             const QList<QCanBusFrame> frames = device->readAllFrames();
                             if (onFrames)
                                 onFrames(frames);
                         });
        QObject::connect(device, &QCanBusDevice::errorOccurred, m_context,
                         [this, device, onError = events.error](QCanBusDevice::CanBusError) {
                             const QString text = device->errorString();
                             {
                                 std::lock_guard<std::mutex> lock(m_mutex);
                                 m_error = text;
                             }
                             m_settled.notify_all();
                             if (onError)
                                 onError(text);
                         });
        QObject::connect(device, &QCanBusDevice::stateChanged, m_context,
                         [this, onState = events.state](QCanBusDevice::CanBusDeviceState state) {
                             {
                                 std::lock_guard<std::mutex> lock(m_mutex);
                                 m_state = state;
                             }
                             m_settled.notify_all();
                             if (onState)
                                 onState(state);
                         });
        if (!device->connectDevice()) {
            why = device->errorString();
            if (why.isEmpty())
                why = QStringLiteral("cannot connect");
            m_device = nullptr;
            delete device;
        }
    });
    if (why.isEmpty()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_settled.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_state == QCanBusDevice::ConnectedState || !m_error.isEmpty(); });
        if (m_state != QCanBusDevice::ConnectedState) {
            if (timedOut)
                *timedOut = m_error.isEmpty();
            why = m_error.isEmpty() ? QStringLiteral("no connection within %1 ms").arg(timeoutMs) : m_error;
        }
    }
    if (!why.isEmpty())
        close();
    return why;
}

void CanDeviceThread::close() {
    run([this] {
        if (!m_device)
            return;
        m_device->disconnect(m_context);
        closeGracefully(m_device);
        delete m_device;
        m_device = nullptr;
    });
}
