#pragma once

#include "device/AmplifierBase.h"
#include "protocol/RegisterMap.h"

#include <QString>
#include <QStringList>

// What is known of a protocol before any amplifier of it exists: the choices a screen or the command-line
// tool offers while the technician picks a link. Besides the factory, the only place that knows the
// protocols by name.
namespace protocolfacts {

// How a tare is switched: by writing the measuring value register (its old value put back to end it), or
// by moving the zero point with the tare switch (ending it moves the zero point again).
enum class TareKind { MeasuringValueWrite, ZeroPointSwitch };

struct Facts {
    const char *name; // as the factory takes it
    regmap::Family family;
    // Device ids on the link; both 0 when the link has one amplifier at a fixed address.
    int firstId;
    int lastId;
    // A serial port with a line speed (a device file); else the CAN adapter, whose port is only a label.
    bool serialPort;
    // The amplifier takes each calibration point as it is captured (zero, then span with its weight), and
    // the calibration ends by committing the point count; else all points are written at once.
    bool pointByPointCalibration;
    TareKind tare;
    AmplifierBase::Capabilities capabilities;
    // The models offered for the protocol, in the order shown.
    QStringList models;
    // The amplifier type a technician reads on the housing, as the QA screen offers it.
    QString typeName;

    bool takesDeviceId() const { return lastId > 0; }
    // The program's shared link the protocol's amplifiers and scan borrow: the RS485 line or the CAN link.
    bool usesRs485Line() const { return family == regmap::Family::Serial && takesDeviceId(); }
    bool usesCanLink() const { return family == regmap::Family::CanOpen; }
};

// Every protocol, in the order the screens offer them.
const QList<Facts> &all();
QStringList names();
// The facts of `protocol`; null for a name no driver has.
const Facts *find(const QString &protocol);
// The facts of the protocol the amplifier type `typeName` speaks; null for an unknown type.
const Facts *findType(const QString &typeName);

} // namespace protocolfacts
