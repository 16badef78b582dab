#pragma once

// A virtual CAN bus of its own for one test process: a free loopback port, simulated nodes serving it and a
// CAN link on it. The simulated nodes must open the bus first: the virtual bus keeps its server in the
// thread of the first device of the process, and the nodes' thread lives as long as the test.

#include "CanSimHost.h"
#include "device/canopen/CANOpenAmplifier.h"
#include "link/can/CanLink.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace cantest {

using Wire = QList<QByteArray>;

// Points KELVORA_CAN_PLUGIN / KELVORA_CAN_INTERFACE (what the program and kelvora-cli read) at a fresh
// virtual bus; returns the interface name.
inline QString useFreshBus() {
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
    QTcpServer probe; // a free port
    probe.listen(QHostAddress::LocalHost, 0);
    const QString iface = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(probe.serverPort());
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

inline sdo::Bytes bytes(const char *hexText) {
    const QByteArray raw = QByteArray::fromHex(hexText);
    return sdo::Bytes(raw.begin(), raw.end());
}

// The frames a node received, as hex strings ("40 00 20 00 00 00 00 00").
inline Wire wire(const CanSimHost &host, uint8_t node) {
    Wire out;
    for (const SimulatedCanNode::Frame &frame : host.received(node))
        out << QByteArray(reinterpret_cast<const char *>(frame.data.data()),
                          static_cast<int>(frame.data.size()))
                   .toHex(' ');
    return out;
}

// Simulated nodes and the link the test's amplifiers share; the amplifiers must go before it.
struct Bus {
    CanSimHost nodes;
    std::unique_ptr<CanLink> link;

    QString start(const std::vector<uint8_t> &ids) {
        const QString error = startBus(nodes, ids);
        if (error.isEmpty())
            link = std::make_unique<CanLink>(CanLinkConfig::fromEnvironment());
        return error;
    }
    std::unique_ptr<CANOpenAmplifier> amplifier(uint8_t node, bool connect = true) {
        auto amp =
            std::make_unique<CANOpenAmplifier>(QStringLiteral("Model"), QString(), 0, node, link.get());
        if (connect)
            amp->connect();
        return amp;
    }
};

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
