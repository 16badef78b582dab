#include "device/InputRules.h"

#include "device/ProtocolFacts.h"
#include "protocol/Calibration.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace inputrules {

const Setting *findSetting(const QString &keyOrName) {
    return regmap::find(keyOrName);
}

Range rangeOf(const Setting &setting, const QString &protocol) {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return setting.place(facts ? facts->family : regmap::Family::Serial).range;
}

Range rangeOf(const Setting &setting, const QStringList &protocols) {
    if (protocols.isEmpty())
        return setting.serial.range;
    Range range = rangeOf(setting, protocols.first());
    for (const QString &protocol : protocols) {
        const Range own = rangeOf(setting, protocol);
        range.min = std::max(range.min, own.min);
        range.max = std::min(range.max, own.max);
    }
    return range;
}

std::optional<qulonglong> wholeNumber(const QString &text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,19}$"));
    const QString trimmed = text.trimmed();
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qulonglong value = trimmed.toULongLong(&ok, 10);
    return ok ? std::optional<qulonglong>(value) : std::nullopt;
}

} // namespace inputrules

InputRules::InputRules(QObject *parent)
    : QObject(parent) {}

QString InputRules::settingRangeText(const QString &name, const QStringList &protocols) const {
    const inputrules::Setting *setting = inputrules::findSetting(name);
    if (!setting)
        return {};
    const inputrules::Range range = inputrules::rangeOf(*setting, protocols);
    return QStringLiteral("%1-%2").arg(range.min).arg(range.max);
}

QString InputRules::settingRefusal(const QString &name, const QString &text,
                                   const QStringList &protocols) const {
    const inputrules::Setting *setting = inputrules::findSetting(name);
    if (!setting)
        return tr("Unknown setting.");
    const inputrules::Range range = inputrules::rangeOf(*setting, protocols);
    const std::optional<qulonglong> value = inputrules::wholeNumber(text);
    if (text.trimmed().isEmpty())
        return tr("Empty: enter a whole number from %1 to %2.").arg(range.min).arg(range.max);
    if (!value)
        return tr("\"%1\" is not a whole number: enter one from %2 to %3.")
            .arg(text)
            .arg(range.min)
            .arg(range.max);
    if (*value < range.min || *value > range.max)
        return tr("%1 is outside %2 to %3.").arg(text.trimmed()).arg(range.min).arg(range.max);
    return {};
}

double InputRules::settingValue(const QString &text) const {
    return static_cast<double>(inputrules::wholeNumber(text).value_or(0));
}

QString InputRules::deviceIdRefusal(const QString &protocol, const QString &text) const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    if (!facts || !facts->takesDeviceId())
        return {};
    const int lowest = facts->firstId;
    const int highest = facts->lastId;
    const std::optional<qulonglong> id = inputrules::wholeNumber(text);
    if (!id || *id < static_cast<qulonglong>(lowest) || *id > static_cast<qulonglong>(highest))
        return tr("Device ID must be a whole number from %1 to %2 for %3 (typed: \"%4\").")
            .arg(lowest)
            .arg(highest)
            .arg(protocol, text);
    return {};
}

namespace {

// Grams as typed, fractions allowed; NaN when the text is no plain non-negative decimal number.
double typedGrams(const QString &text) {
    static const QRegularExpression decimal(QStringLiteral("^[0-9]{1,30}(\\.[0-9]*)?$"));
    const QString trimmed = text.trimmed();
    if (!decimal.match(trimmed).hasMatch())
        return std::nan("");
    return std::round(trimmed.toDouble());
}

} // namespace

QString InputRules::spanWeightRefusal(const QString &text) const {
    const double grams = typedGrams(text);
    if (std::isnan(grams))
        return tr("Span Weight(g) must be a number of grams, such as 1000 (typed: \"%1\").").arg(text);
    if (grams > static_cast<double>(calibration::kMaxWeightGrams))
        return tr("The span weight %1 g is too large: the amplifier stores at most %2 g.")
            .arg(text.trimmed())
            .arg(calibration::kMaxWeightGrams);
    return calibration::spanWeightRefusal(static_cast<uint32_t>(grams));
}

double InputRules::spanWeightGrams(const QString &text) const {
    const double grams = typedGrams(text);
    return std::isnan(grams) ? -1 : grams;
}

QStringList InputRules::protocolNames() const {
    return protocolfacts::names();
}

QStringList InputRules::protocolModels(const QString &protocol) const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return facts ? facts->models : QStringList();
}

bool InputRules::takesDeviceId(const QString &protocol) const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return facts && facts->takesDeviceId();
}

bool InputRules::calibratesPointByPoint(const QString &protocol) const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return facts && facts->pointByPointCalibration;
}

QStringList InputRules::typeNames() const {
    QStringList names;
    for (const protocolfacts::Facts &facts : protocolfacts::all())
        names << facts.typeName;
    return names;
}

QString InputRules::protocolOfType(const QString &typeName) const {
    const protocolfacts::Facts *facts = protocolfacts::findType(typeName);
    return facts ? QString::fromLatin1(facts->name) : QString();
}

bool InputRules::selfTests(const QString &protocol) const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return facts && facts->capabilities.selfTest;
}
