#pragma once

#include "protocol/RegisterTarget.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

class AmplifierBase;

// The Link screen's register panel: one register (serial amplifiers) or object-dictionary entry (CANopen)
// of one amplifier, named, with its range, from the register map. Reads it, and writes it only through the
// driver's confirmed, read-back write; every outcome says what the amplifier holds.
class LinkRegisters : public QObject {
    Q_OBJECT

public:
    explicit LinkRegisters(QObject *parent = nullptr);

    // The registers or entries the register map names for `amplifier`: {address, label}.
    Q_INVOKABLE QVariantList known(QObject *amplifier) const;
    // How a target is typed for this amplifier.
    Q_INVOKABLE QString addressHint(QObject *amplifier) const;
    // The name and range of what `address` names, or why it names nothing; "" when nothing was typed.
    Q_INVOKABLE QString describe(QObject *amplifier, const QString &address) const;
    // Reads it now: {ok, value, text}.
    Q_INVOKABLE QVariantMap read(QObject *amplifier, const QString &address) const;
    // Whether `value` may be written there: {ok, text}; text is the question to confirm, or why not.
    Q_INVOKABLE QVariantMap checkWrite(QObject *amplifier, const QString &address,
                                       const QString &value) const;
    // Writes it (checked again), confirmed and read back: {ok, text}.
    Q_INVOKABLE QVariantMap write(QObject *amplifier, const QString &address, const QString &value) const;

private:
    struct Checked {
        AmplifierBase *amplifier = nullptr;
        regtarget::Target target;
        QString name;
        QString error;
    };
    Checked check(QObject *amplifier, const QString &address) const;
};
