#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <optional>

class AmplifierBase;

// The Link screen's register panel: one register (serial amplifiers) or object-dictionary entry (CANopen)
// of one amplifier, named, with its range, from the register map. Reads it, and writes it only through the
// driver's confirmed, read-back write; every outcome says what the amplifier holds.
class LinkRegisters : public QObject {
    Q_OBJECT

public:
    explicit LinkRegisters(QObject *parent = nullptr);

    // Where a register lives: a serial register, or an entry index:sub.
    struct Target {
        bool canOpen = false;
        uint16_t index = 0;
        uint8_t subIndex = 0;
    };
    // The target `text` names for `amplifier`'s kind ("0x0056" or "86"; "2018:00" or "0x2018:0"; or a
    // setting's name, "filteringLevel"); nullopt when it names none.
    static std::optional<Target> parseTarget(const QString &text, bool canOpen);
    // A value as typed: a whole number 0..4294967295, decimal or 0x hex.
    static std::optional<uint32_t> parseValue(const QString &text);
    static QString targetText(const Target &target);

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
        Target target;
        QString name;
        QString error;
    };
    Checked check(QObject *amplifier, const QString &address) const;
};
