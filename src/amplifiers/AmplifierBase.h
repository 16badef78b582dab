#pragma once

#include <QString>

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

    QString getModel() const { return model; }
    QString getProtocol() const { return protocol; }

protected:
    QString model;
    QString protocol;
    QString name;
};
