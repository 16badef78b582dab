#pragma once

#include <QString>
#include <QtGlobal>

// The link-independent face of every amplifier driver. Drivers derive from QObject first and from this
// second, so a meta-object cast to "AmplifierBase" finds this part (the plot samples drivers through it).
class AmplifierBase {
public:
    AmplifierBase(const QString &modelName, const QString &protocolName);
    virtual ~AmplifierBase();

    AmplifierBase(const AmplifierBase &) = delete;
    AmplifierBase &operator=(const AmplifierBase &) = delete;

    virtual double getMeasuredWeight() const = 0;
    virtual void connect() = 0;
    virtual void sendCommand(const QString &command) = 0;
    virtual void calibrate(const QString &calibrationType, double value) = 0;
    virtual QString getName() const;
    virtual void setName(const QString &newName);

    // The last measuring value as read (hundredths of a gram) and how many measuring readings have
    // completed so far. A recorder writes the value only when the count moved since its previous row, so a
    // silent amplifier never passes its old value for a new one. The default has never read anything.
    struct Reading {
        quint64 count = 0;
        double hundredths = 0.0;
    };
    virtual Reading latestReading() const { return {}; }
    // How the amplifier is reached, for a technician to find it: protocol, port and device id where they
    // apply ("RS485 /dev/ttyUSB0 #2").
    virtual QString linkDescription() const { return protocol; }

    // What a driver can do beyond reading and two-point calibration. Screens and tools ask these instead of
    // probing for methods or comparing protocol names.
    struct Capabilities {
        bool multiPointCalibration = false;
        bool filterReadBack = false;
        bool selfTest = false;
        bool scan = false;
    };
    virtual Capabilities capabilities() const { return {}; }
    // Milliseconds since the last reading of the running cycle completed, -1 when none has; and why the
    // latest attempts failed, empty while readings arrive.
    virtual qint64 msSinceLastReading() const { return -1; }
    virtual QString staleReason() const { return {}; }
    virtual bool isTareActive() const { return false; }

    QString getModel() const { return model; }
    QString getProtocol() const { return protocol; }

protected:
    QString model;
    QString protocol;
    QString name;
};
