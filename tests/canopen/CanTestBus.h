#pragma once

// A virtual CAN bus of its own for one test process: a free loopback port, the adapter layer pointed at it
// and simulated nodes serving it. The simulated nodes must open the bus first: the virtual bus keeps its
// server in the thread of the first device of the process, and the nodes' thread lives as long as the test.

#include "CanSimHost.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QVariant>

#include <vector>

namespace cantest {

using Wire = QList<QByteArray>;

inline quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// Points the adapter layer at a fresh virtual bus; returns the interface name.
inline QString useFreshBus() {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
    const QString iface = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(freePort());
    qputenv("KELVORA_CAN_PLUGIN", "virtualcan");
    qputenv("KELVORA_CAN_INTERFACE", iface.toUtf8());
    return iface;
}

// Empty when the nodes serve a fresh bus, else the reason.
inline QString startBus(CanSimHost &host, const std::vector<uint8_t> &nodes) {
    QString error;
    if (!host.start(QStringLiteral("virtualcan"), useFreshBus(), nodes, &error))
        return error.isEmpty() ? QStringLiteral("simulated nodes did not start") : error;
    return QString();
}

inline QByteArray hex(const std::vector<uint8_t> &bytes) {
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<int>(bytes.size()))
        .toHex(' ');
}

// The frames a node received, as hex strings ("40 00 20 00 00 00 00 00").
inline Wire wire(const CanSimHost &host, uint8_t node) {
    Wire out;
    for (const SimulatedCanNode::Frame &frame : host.received(node))
        out << hex(frame.data);
    return out;
}

// The first argument of every emission a spy caught.
inline QVariantList firsts(const QSignalSpy &spy) {
    QVariantList out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0);
    return out;
}

// Collects a signal on the test's thread. Reading workers emit from their own thread, where QSignalSpy
// would append while the test reads; here each emission is queued to the test's thread instead.
class ThreadSpy {
public:
    template <typename Sender, typename Owner, typename... Args>
    ThreadSpy(const Sender *sender, void (Owner::*signal)(Args...)) {
        QObject::connect(sender, signal, &m_receiver, [this](Args... args) {
            m_values.append(QVariantList{QVariant::fromValue(args)...});
        });
    }

    // Counts what has been emitted so far, delivering what is still queued.
    int count() {
        QCoreApplication::sendPostedEvents(&m_receiver, QEvent::MetaCall);
        return static_cast<int>(m_values.size());
    }
    QList<QVariantList> all() {
        count();
        return m_values;
    }
    // The first argument of every emission.
    QVariantList firsts() {
        QVariantList out;
        for (const QVariantList &args : all())
            out << args.at(0);
        return out;
    }

private:
    QObject m_receiver;
    QList<QVariantList> m_values;
};

} // namespace cantest
