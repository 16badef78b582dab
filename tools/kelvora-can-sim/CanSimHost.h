#pragma once

#include "SimulatedCanNode.h"
#include "link/can/CanDeviceThread.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// Serves simulated nodes on a CAN bus reached through a Qt CAN plugin (normally "virtualcan"), from a
// thread of its own, so the process that hosts it may block in other threads. On the virtual bus the first
// device of a process carries the bus server: start the host before anything else of the process opens
// the same bus.
class CanSimHost {
public:
    CanSimHost();
    ~CanSimHost();
    CanSimHost(const CanSimHost &) = delete;
    CanSimHost &operator=(const CanSimHost &) = delete;

    // Connects to the bus and serves `nodeIds`. False (with the reason) when the bus cannot be reached.
    bool start(const QString &plugin, const QString &interfaceName, const std::vector<uint8_t> &nodeIds,
               QString *error = nullptr);
    void stop();

    // One command line: "[@node] <command>" (SimulatedCanNode::command); without @node it goes to every
    // node. Answers "OK..." or "ERR ...".
    QString command(const QString &line);

    // Frames that were sent to a node (0x600 + node id), oldest first.
    std::vector<SimulatedCanNode::Frame> received(uint8_t nodeId) const;
    void clearReceived();
    // Fresh nodes (power cycle): entries, calibration, load and faults back to their initial state.
    void resetNodes();

    int32_t measuringValue(uint8_t nodeId);
    std::optional<uint32_t> entry(uint8_t nodeId, uint16_t index, uint8_t subIndex) const;

    // Puts an arbitrary frame on the bus (as another device would).
    void sendFrame(const SimulatedCanNode::Frame &frame);

private:
    void onFrames(const QList<QCanBusFrame> &frames);
    void write(const SimulatedCanNode::Frame &frame);

    CanDeviceThread m_device{QStringLiteral("can-sim")};
    std::atomic<bool> m_running{false};

    mutable std::mutex m_mutex; // guards the nodes and the log
    std::map<uint8_t, std::unique_ptr<SimulatedCanNode>> m_nodes;
    std::map<uint8_t, std::vector<SimulatedCanNode::Frame>> m_received;
};
