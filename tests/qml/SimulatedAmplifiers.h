#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include <map>
#include <memory>

class CanLink;
class CanSimHost;
class SimulatorProcess;

// The simulated amplifiers a screen test talks to, offered to QML as the context property `simulators`:
// serial ones (kelvora-sim on pseudo-terminals, announced so that the port lists offer them) and CANopen
// nodes on a virtual CAN bus of the test's own. Everything started ends with stopAll() or with the object.
class SimulatedAmplifiers : public QObject {
    Q_OBJECT

public:
    // `canLink` is the link the screens' CANopen amplifiers use; startCan() points it at its bus.
    explicit SimulatedAmplifiers(CanLink *canLink, QObject *parent = nullptr);
    ~SimulatedAmplifiers() override;

    // Starts a simulated line with these device ids ("1" for an RS232 amplifier, "1,2,3" for an RS485
    // line); returns its port path, or "" (with a warning) when it did not start.
    Q_INVOKABLE QString startSerial(const QString &ids);
    // A control command to the simulator serving `port` ("load 2 400000", "fault 1 silence"); its reply.
    Q_INVOKABLE QString serial(const QString &port, const QString &line);
    // Ends the simulator serving `port` at once, as when its device is unplugged.
    Q_INVOKABLE void killSerial(const QString &port);

    // Serves CANopen nodes with these ids on a fresh virtual bus, which the program's CAN adapter then uses.
    Q_INVOKABLE bool startCan(const QVariantList &nodeIds);
    // A command to the simulated nodes ("@2 load 500"); its reply.
    Q_INVOKABLE QString can(const QString &line);

    Q_INVOKABLE void stopAll();

private:
    std::map<QString, std::unique_ptr<SimulatorProcess>> m_serial;
    std::unique_ptr<CanSimHost> m_can;
    CanLink *m_canLink;
};
