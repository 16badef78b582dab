#include "amplifiers/canopen/CanAdapter.h"
#include "amplifiers/canopen/ThreadCall.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

Q_LOGGING_CATEGORY(lcCan, "kelvora.can", QtInfoMsg)
// Hex dump of every frame; switch on with QT_LOGGING_RULES="kelvora.can.frames.debug=true".
Q_LOGGING_CATEGORY(lcCanFrames, "kelvora.can.frames", QtInfoMsg)

namespace {

constexpr int kConnectTimeoutMs = 5000;
// A reader that stops reading must not make the process grow without bound.
constexpr size_t kReceiveQueueLimit = 32768;

struct QueuedFrame {
    TPCANMsg message;
    TPCANTimestamp timestamp;
};

// Everything about the one channel. The device and its context object live in `thread` and are touched
// only there; the rest is shared and guarded by `dataMutex`. `lifecycleMutex` serialises opening and
// closing; it is never taken by the adapter thread, so a blocking call into that thread cannot deadlock.
struct Channel {
    std::mutex lifecycleMutex;
    int users = 0;
    // `users` for readers that must not wait for an open in progress (it holds the lifecycle mutex for
    // up to the connect time-out).
    std::atomic<int> usersSeen{0};
    // Times an open device lost its connection.
    std::atomic<int> losses{0};
    QThread *thread = nullptr;
    QObject *context = nullptr;
    QCanBusDevice *device = nullptr; // adapter thread only

    std::mutex dataMutex;
    std::condition_variable received;
    std::condition_variable stateSettled;
    std::deque<QueuedFrame> queue;
    bool open = false;
    QCanBusDevice::CanBusDeviceState state = QCanBusDevice::UnconnectedState;
    QString lastError;
    quint64 dropped = 0;
};

Channel &channel() {
    static Channel instance;
    return instance;
}

bool isOurChannel(TPCANHandle handle) {
    return handle == PCAN_USBBUS1;
}

QString hex(const uint8_t *data, int length) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(data), length).toHex(' '));
}

// Stops the adapter thread when the application object goes away; a QThread must not outlive it running.
void stopAdapterThread() {
    Channel &ch = channel();
    std::lock_guard<std::mutex> lifecycle(ch.lifecycleMutex);
    if (!ch.thread)
        return;
    runInThreadOf(ch.context, [&ch] {
        delete ch.device;
        ch.device = nullptr;
        QObject *context = ch.context;
        ch.context = nullptr;
        delete context;
    });
    ch.thread->quit();
    ch.thread->wait();
    delete ch.thread;
    ch.thread = nullptr;
    std::unique_lock<std::mutex> data(ch.dataMutex);
    ch.open = false;
    ch.queue.clear();
}

// The thread outlives every close of the channel: the virtual bus keeps its server in the thread of the
// first device that opened it, so that thread must keep running for the rest of the process.
void ensureThread(Channel &ch) {
    if (ch.thread)
        return;
    ch.thread = new QThread;
    ch.thread->setObjectName(QStringLiteral("kelvora-can"));
    ch.context = new QObject;
    ch.context->moveToThread(ch.thread);
    ch.thread->start();
    qAddPostRoutine(stopAdapterThread);
}

// Adapter thread: take every frame the device holds into the locked queue.
void takeFrames(Channel &ch) {
    if (!ch.device)
        return;
    const QList<QCanBusFrame> frames = ch.device->readAllFrames();
    std::unique_lock<std::mutex> data(ch.dataMutex);
    for (const QCanBusFrame &frame : frames) {
        if (!frame.isValid() || frame.frameType() == QCanBusFrame::ErrorFrame ||
            frame.frameType() == QCanBusFrame::InvalidFrame)
            continue;
        QueuedFrame queued;
        queued.message.ID = frame.frameId();
        queued.message.MSGTYPE = PCAN_MESSAGE_STANDARD;
        if (frame.hasExtendedFrameFormat())
            queued.message.MSGTYPE |= kCanMessageExtended;
        if (frame.frameType() == QCanBusFrame::RemoteRequestFrame)
            queued.message.MSGTYPE |= kCanMessageRemote;
        const QByteArray payload = frame.payload();
        queued.message.LEN = static_cast<uint8_t>(std::min<qsizetype>(payload.size(), 8));
        std::copy_n(reinterpret_cast<const uint8_t *>(payload.constData()), queued.message.LEN,
                    queued.message.DATA);
        const QCanBusFrame::TimeStamp stamp = frame.timeStamp();
        const quint64 micros =
            static_cast<quint64>(stamp.seconds()) * 1000000u + static_cast<quint64>(stamp.microSeconds());
        const quint64 millis = micros / 1000u;
        queued.timestamp.millis = static_cast<uint32_t>(millis & 0xFFFFFFFFu);
        queued.timestamp.millis_overflow = static_cast<uint16_t>((millis >> 32) & 0xFFFFu);
        queued.timestamp.micros = static_cast<uint16_t>(micros % 1000u);
        qCDebug(lcCanFrames).noquote()
            << "rx" << QString::number(queued.message.ID, 16) << "[" << queued.message.LEN << "]"
            << hex(queued.message.DATA, queued.message.LEN);
        ch.queue.push_back(queued);
        if (ch.queue.size() > kReceiveQueueLimit) {
            ch.queue.pop_front();
            if (ch.dropped++ == 0)
                qCWarning(lcCan) << "CAN receive queue full: oldest frames are dropped";
        }
    }
    ch.received.notify_all();
}

// Adapter thread: create and start connecting the device. Returns an error text, empty on success.
QString createDevice(Channel &ch, const canadapter::DeviceChoice &choice) {
    QString error;
    QCanBusDevice *device = QCanBus::instance()->createDevice(choice.plugin, choice.interfaceName, &error);
    if (!device)
        return error.isEmpty() ? QStringLiteral("plugin \"%1\" is not available").arg(choice.plugin) : error;
    if (choice.plugin == QLatin1String("peakcan"))
        device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(1000000));
    ch.device = device;
    QObject::connect(device, &QCanBusDevice::framesReceived, ch.context, [&ch] { takeFrames(ch); });
    QObject::connect(device, &QCanBusDevice::errorOccurred, ch.context,
                     [&ch, device](QCanBusDevice::CanBusError) {
                         qCWarning(lcCan).noquote() << "CAN adapter error:" << device->errorString();
                         std::unique_lock<std::mutex> data(ch.dataMutex);
                         ch.lastError = device->errorString();
                         ch.stateSettled.notify_all();
                     });
    QObject::connect(device, &QCanBusDevice::stateChanged, ch.context,
                     [&ch](QCanBusDevice::CanBusDeviceState state) {
                         std::unique_lock<std::mutex> data(ch.dataMutex);
                         if (ch.open && state == QCanBusDevice::UnconnectedState) {
                             qCWarning(lcCan) << "CAN adapter lost its connection";
                             ++ch.losses;
                         }
                         ch.state = state;
                         ch.open = state == QCanBusDevice::ConnectedState;
                         ch.stateSettled.notify_all();
                     });
    {
        std::unique_lock<std::mutex> data(ch.dataMutex);
        ch.state = QCanBusDevice::UnconnectedState;
        ch.lastError.clear();
    }
    if (!device->connectDevice()) {
        const QString why = device->errorString();
        ch.device = nullptr;
        delete device;
        return why.isEmpty() ? QStringLiteral("cannot connect") : why;
    }
    return QString();
}

// Adapter thread: frames written just before the close still reach the bus (the device sends from its
// event loop, so a plain delete would drop them).
void closeGracefully(QCanBusDevice *device) {
    constexpr int kFlushTimeoutMs = 1000;
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

void destroyDevice(Channel &ch) {
    // After the application object is gone the thread and its device are gone too.
    if (ch.context)
        runInThreadOf(ch.context, [&ch] {
            if (ch.device) {
                ch.device->disconnect(ch.context);
                closeGracefully(ch.device);
                delete ch.device;
                ch.device = nullptr;
            }
        });
    std::unique_lock<std::mutex> data(ch.dataMutex);
    ch.open = false;
    ch.state = QCanBusDevice::UnconnectedState;
    ch.queue.clear();
}

// Opens the device and waits until it is connected, at most `timeoutMs`. Lifecycle mutex held by the caller.
TPCANStatus openDevice(Channel &ch, int timeoutMs = kConnectTimeoutMs) {
    ensureThread(ch);
    const canadapter::DeviceChoice choice = canadapter::configuredDevice();
    QString error;
    runInThreadOf(ch.context, [&ch, &choice, &error] { error = createDevice(ch, choice); });
    if (error.isEmpty()) {
        std::unique_lock<std::mutex> data(ch.dataMutex);
        ch.stateSettled.wait_for(data, std::chrono::milliseconds(timeoutMs), [&ch] {
            return ch.state == QCanBusDevice::ConnectedState || !ch.lastError.isEmpty();
        });
        if (ch.state != QCanBusDevice::ConnectedState)
            error = ch.lastError.isEmpty() ? QStringLiteral("no connection within %1 ms").arg(timeoutMs)
                                           : ch.lastError;
    }
    if (!error.isEmpty()) {
        destroyDevice(ch);
        error = QStringLiteral("%1 %2: %3").arg(choice.plugin, choice.interfaceName, error);
        qCWarning(lcCan).noquote() << "❌ CAN adapter not opened:" << error;
        std::unique_lock<std::mutex> data(ch.dataMutex);
        ch.lastError = error;
        return kCanStatusNoDevice;
    }
    qCDebug(lcCan).noquote() << "CAN adapter open:" << choice.plugin << choice.interfaceName;
    std::unique_lock<std::mutex> data(ch.dataMutex);
    ch.queue.clear();
    ch.open = true;
    return PCAN_ERROR_OK;
}

} // namespace

TPCANStatus CAN_Initialize(TPCANHandle channelHandle, TPCANBaudrate bitRate, TPCANType, uint32_t, uint16_t) {
    if (!isOurChannel(channelHandle) || bitRate != PCAN_BAUD_1M)
        return kCanStatusBadParameter;
    Channel &ch = channel();
    std::lock_guard<std::mutex> lifecycle(ch.lifecycleMutex);
    bool open = false;
    {
        std::unique_lock<std::mutex> data(ch.dataMutex);
        open = ch.open;
    }
    if (!open) {
        // First user, or the device was lost (adapter unplugged, bus gone): open it afresh.
        if (ch.device)
            destroyDevice(ch);
        const TPCANStatus status = openDevice(ch);
        if (status != PCAN_ERROR_OK)
            return status;
    }
    ++ch.users;
    ch.usersSeen = ch.users;
    return PCAN_ERROR_OK;
}

TPCANStatus CAN_Uninitialize(TPCANHandle channelHandle) {
    if (channelHandle != PCAN_NONEBUS && !isOurChannel(channelHandle))
        return kCanStatusBadParameter;
    Channel &ch = channel();
    std::lock_guard<std::mutex> lifecycle(ch.lifecycleMutex);
    if (ch.users == 0)
        return kCanStatusNotInitialized;
    ch.usersSeen = ch.users - 1;
    if (--ch.users == 0) {
        destroyDevice(ch);
        qCDebug(lcCan) << "CAN adapter closed";
    }
    return PCAN_ERROR_OK;
}

TPCANStatus CAN_Read(TPCANHandle channelHandle, TPCANMsg *message, TPCANTimestamp *timestamp) {
    if (!isOurChannel(channelHandle) || !message)
        return kCanStatusBadParameter;
    Channel &ch = channel();
    std::unique_lock<std::mutex> data(ch.dataMutex);
    if (ch.queue.empty())
        return ch.open ? PCAN_ERROR_QRCVEMPTY : kCanStatusNotInitialized;
    *message = ch.queue.front().message;
    if (timestamp)
        *timestamp = ch.queue.front().timestamp;
    ch.queue.pop_front();
    return PCAN_ERROR_OK;
}

TPCANStatus CAN_Write(TPCANHandle channelHandle, TPCANMsg *message) {
    if (!isOurChannel(channelHandle) || !message || message->LEN > 8)
        return kCanStatusBadParameter;
    QCanBusFrame frame(message->ID, QByteArray(reinterpret_cast<const char *>(message->DATA), message->LEN));
    frame.setExtendedFrameFormat((message->MSGTYPE & kCanMessageExtended) != 0);
    if (message->MSGTYPE & kCanMessageRemote)
        frame.setFrameType(QCanBusFrame::RemoteRequestFrame);
    Channel &ch = channel();
    std::unique_lock<std::mutex> data(ch.dataMutex);
    if (!ch.open)
        return kCanStatusNotInitialized;
    qCDebug(lcCanFrames).noquote() << "tx" << QString::number(message->ID, 16) << "[" << message->LEN << "]"
                                   << hex(message->DATA, message->LEN);
    // Queued while the lock is held, so a close cannot slip in between the test and the post. Frames
    // posted from one thread keep their order.
    QMetaObject::invokeMethod(
        ch.context,
        [&ch, frame] {
            if (ch.device && ch.device->state() == QCanBusDevice::ConnectedState &&
                !ch.device->writeFrame(frame))
                qCWarning(lcCan).noquote() << "CAN frame not sent:" << ch.device->errorString();
        },
        Qt::QueuedConnection);
    return PCAN_ERROR_OK;
}

bool CAN_WaitForReceive(TPCANHandle channelHandle, int timeoutMs) {
    if (!isOurChannel(channelHandle))
        return false;
    Channel &ch = channel();
    std::unique_lock<std::mutex> data(ch.dataMutex);
    return ch.received.wait_for(data, std::chrono::milliseconds(std::max(0, timeoutMs)),
                                [&ch] { return !ch.queue.empty(); });
}

namespace canadapter {

DeviceChoice configuredDevice() {
#ifdef Q_OS_WIN
    const DeviceChoice fallback{QStringLiteral("peakcan"), QStringLiteral("usb0")};
#else
    const DeviceChoice fallback{QStringLiteral("socketcan"), QStringLiteral("can0")};
#endif
    DeviceChoice choice;
    choice.plugin = qEnvironmentVariable("KELVORA_CAN_PLUGIN").trimmed();
    choice.interfaceName = qEnvironmentVariable("KELVORA_CAN_INTERFACE").trimmed();
    if (choice.plugin.isEmpty())
        choice.plugin = fallback.plugin;
    if (choice.interfaceName.isEmpty()) {
        if (choice.plugin == fallback.plugin)
            choice.interfaceName = fallback.interfaceName;
        else if (choice.plugin == QLatin1String("peakcan"))
            choice.interfaceName = QStringLiteral("usb0");
        else
            choice.interfaceName = QStringLiteral("can0");
    }
    return choice;
}

QString lastError() {
    Channel &ch = channel();
    std::unique_lock<std::mutex> data(ch.dataMutex);
    return ch.lastError;
}

int userCount() {
    Channel &ch = channel();
    std::lock_guard<std::mutex> lifecycle(ch.lifecycleMutex);
    return ch.users;
}

bool channelLost() {
    Channel &ch = channel();
    if (ch.usersSeen.load() == 0)
        return false;
    std::unique_lock<std::mutex> data(ch.dataMutex);
    return !ch.open;
}

int losses() {
    return channel().losses.load();
}

bool reopenIfLost(int timeoutMs) {
    Channel &ch = channel();
    std::lock_guard<std::mutex> lifecycle(ch.lifecycleMutex);
    if (ch.users == 0)
        return false;
    {
        std::unique_lock<std::mutex> data(ch.dataMutex);
        if (ch.open)
            return true;
    }
    if (ch.device)
        destroyDevice(ch);
    return openDevice(ch, timeoutMs) == PCAN_ERROR_OK;
}

} // namespace canadapter
