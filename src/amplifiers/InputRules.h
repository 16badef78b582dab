#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// What a technician may type for an amplifier, judged in one place for the screens (through the QML
// singleton InputRules) and the command-line tool: filter settings with each protocol's range, device ids,
// span weights. Texts are taken as typed: a whole decimal number or nothing; "12.7", "-5", "1e3" and an
// empty field are refused, never clamped or cut to a number they do not say.
namespace inputrules {

struct Range {
    qulonglong min = 0;
    qulonglong max = 0;
};

// A filter setting: its key on the command line, its key in the screens and in readFilterSettings(), the
// driver operation that writes it, and the values each driver family takes unchanged (the serial drivers
// limit their registers, the CANopen driver replaces a level outside 1 to 5 by 1 and sends the time in
// 16 bits).
struct Setting {
    const char *key;
    const char *name;
    const char *operation;
    Range serial;
    Range canOpen;
};

// In the order the filter screen writes them.
constexpr Setting kSettings[] = {
    {"fir", "firFiltering", "setFIRFiltering", {0, 1}, {0, 1}},
    {"level", "filteringLevel", "setFilteringLevel", {0, 5}, {1, 5}},
    {"bandwidth", "filteringBandwidth", "setFilteringBandwidth", {0, 1000}, {0, 0xFFFFFFFFu}},
    {"azt-time", "autoZeroTrackingTime", "setAutoZeroTrackingTime", {0, 50}, {0, 0xFFFF}},
    {"azt-bandwidth",
     "autoZeroTrackingBandwidth",
     "setAutoZeroTrackingBandwidth",
     {0, 10000},
     {0, 0xFFFFFFFFu}},
    {"stability", "stabilityDeterminationTime", "setStabilityDeterminationTime", {1, 50}, {0, 0xFFFFFFFFu}},
    {"zero-point", "zeroPoint", "setZeroPoint", {0, 0xFFFFFFFFu}, {0, 0xFFFFFFFFu}},
};

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
};
