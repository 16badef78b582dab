#pragma once

#include "protocol/RegisterMap.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// What a technician may type for an amplifier, judged in one place for the screens (through the QML
// singleton InputRules) and the command-line tool: filter settings with each protocol's range (from the
// register map), device ids, span weights; and what a protocol offers before an amplifier of it exists. Texts
// are taken as typed: a whole decimal number or nothing; "12.7", "-5", "1e3" and an empty field are refused,
// never clamped or cut to a number they do not say.
namespace inputrules {

using Range = regmap::Range;
using Setting = regmap::Setting;

// The setting with command-line key or screen name `keyOrName`; null when there is none.
const Setting *findSetting(const QString &keyOrName);
Range rangeOf(const Setting &setting, const QString &protocol);
// The values every one of `protocols` takes unchanged; the serial range when the list is empty.
Range rangeOf(const Setting &setting, const QStringList &protocols);
// A whole decimal number without sign, spaces around it allowed; nullopt for anything else.
std::optional<qulonglong> wholeNumber(const QString &text);

} // namespace inputrules

class InputRules : public QObject {
    Q_OBJECT

public:
    explicit InputRules(QObject *parent = nullptr);

    // Why `text` cannot be setting `name` ("filteringLevel", ...) of amplifiers of all of `protocols`, with
    // the range every one of them allows; "" when it can.
    Q_INVOKABLE QString settingRefusal(const QString &name, const QString &text,
                                       const QStringList &protocols) const;
    // The range settingRefusal() enforces, as the field shows it beside itself, e.g. "0-5".
    Q_INVOKABLE QString settingRangeText(const QString &name, const QStringList &protocols) const;
    // The value of a text settingRefusal() accepted.
    Q_INVOKABLE double settingValue(const QString &text) const;
    // Why `text` is no device id of `protocol` (RS485 1 to 247, CANopen 1 to 127); "" when it is one.
    Q_INVOKABLE QString deviceIdRefusal(const QString &protocol, const QString &text) const;
    // Why `text` is no span weight in grams the amplifier can store, quoting what was typed; "" when it is.
    // Fractions round to the nearest gram.
    Q_INVOKABLE QString spanWeightRefusal(const QString &text) const;
    // The whole grams of a text spanWeightRefusal() accepted.
    Q_INVOKABLE double spanWeightGrams(const QString &text) const;

    // What a protocol offers, for the choices made before an amplifier of it exists (protocolfacts).
    Q_INVOKABLE QStringList protocolNames() const;
    Q_INVOKABLE QStringList protocolModels(const QString &protocol) const;
    // Whether amplifiers of `protocol` are told apart by a device id (RS485, CANopen).
    Q_INVOKABLE bool takesDeviceId(const QString &protocol) const;
    // Whether the amplifier takes each calibration point as it is captured (SPAN sends the weight).
    Q_INVOKABLE bool calibratesPointByPoint(const QString &protocol) const;
    // The amplifier types the QA screen offers, the protocol each speaks ("" for an unknown type) and
    // whether amplifiers of a protocol have the register self-test.
    Q_INVOKABLE QStringList typeNames() const;
    Q_INVOKABLE QString protocolOfType(const QString &typeName) const;
    Q_INVOKABLE bool selfTests(const QString &protocol) const;
};
