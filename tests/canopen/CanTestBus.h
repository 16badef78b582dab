#pragma once

// A virtual CAN bus of its own for one test process: a free loopback port, the adapter layer pointed at it
// and simulated nodes serving it. The simulated nodes must open the bus first: the virtual bus keeps its
// server in the thread of the first device of the process, and the nodes' thread lives as long as the test.

#include "CanSimHost.h"
#include "amplifiers/canopen/SdoFrames.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QTcpServer>
#include <QTest>

#include <vector>

namespace cantest {

inline quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

inline QString startBus(CanSimHost &host, const std::vector<uint8_t> &nodes) {
    const quint16 port = freePort();
    if (port == 0)
        return QStringLiteral("no free port");
    const QString iface = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(port);
    qputenv("KELVORA_CAN_PLUGIN", "virtualcan");
    qputenv("KELVORA_CAN_INTERFACE", iface.toUtf8());
    QString error;
    if (!host.start(QStringLiteral("virtualcan"), iface, nodes, &error))
        return error.isEmpty() ? QStringLiteral("simulated nodes did not start") : error;
    return QString();
}

inline QByteArray hex(const std::vector<uint8_t> &bytes) {
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<int>(bytes.size()))
        .toHex(' ');
}

// The frames a node received, as hex strings ("40 00 20 00 00 00 00 00").
inline QList<QByteArray> wire(const CanSimHost &host, uint8_t node) {
    QList<QByteArray> out;
    for (const SimulatedCanNode::Frame &frame : host.received(node))
        out << hex(frame.data);
    return out;
}

} // namespace cantest
