#include "protocol/Weight.h"

#include <QDebug>

#include <cmath>
#include <cstdint>
#include <limits>

namespace weight {

namespace {
struct UnitEntry {
    const char *key;
    double factor;
};
constexpr UnitEntry kUnits[] = {{"g", 1.0}, {"kg", 0.001}, {"lb", 0.0022046244201837776}};
} // namespace

double unitFactor(const QString &unit, bool *found) {
    for (const UnitEntry &entry : kUnits) {
        if (unit == QLatin1String(entry.key)) {
            if (found)
                *found = true;
            return entry.factor;
        }
    }
    if (found)
        *found = false;
    return 1.0;
}

bool isKnownUnit(const QString &unit) {
    bool found = false;
    unitFactor(unit, &found);
    return found;
}

double toDisplay(double storedHundredths, const QString &unit) {
    // Same arithmetic as the amplifiers' own firmware display: (x / 100) * 100, rounded, / 100.
    const double hundredths = (unitFactor(unit) * storedHundredths / 100.0) * 100.0;
    if (!std::isfinite(hundredths))
        return hundredths / 100.0;
    // Beyond 2^62 a double has no fractional digits left to round, and the cast would overflow.
    constexpr double kExactLimit = 4611686018427387904.0;
    if (std::fabs(hundredths) >= kExactLimit)
        return hundredths / 100.0;
    return static_cast<double>(std::llround(hundredths)) / 100.0;
}

int exactDecimals(const QString &unit) {
    // The fewest decimals whose last digit is worth no more than 0.01 g: 0.00001 kg is 0.01 g, and
    // 0.000001 lb is 0.00045 g (0.00001 lb would be 0.0045 g, too coarse to keep two steps apart).
    if (unit == QLatin1String("kg"))
        return 5;
    if (unit == QLatin1String("lb"))
        return 6;
    return 2;
}

QString exactText(double grams, const QString &unit) {
    return QString::number(unitFactor(unit) * grams, 'f', exactDecimals(unit));
}

double toUnit(double storedHundredths, const QString &unit) {
    return unitFactor(unit) * storedHundredths / 100.0;
}

} // namespace weight

SelectedUnit::SelectedUnit()
    : m_own(QStringLiteral("g"))
    , m_storage(&m_own) {}

SelectedUnit::SelectedUnit(QString *sharedStorage)
    : m_storage(sharedStorage) {}

bool SelectedUnit::set(const QString &unit) {
    if (!weight::isKnownUnit(unit)) {
        qWarning().noquote() << "❌ Invalid unit selection:" << unit;
        return false;
    }
    *m_storage = unit;
    return true;
}

bool StoredWeight::setIfChanged(double value) {
    double previous = m_value.load(std::memory_order_relaxed);
    if (previous == value)
        return false;
    m_value.store(value, std::memory_order_relaxed);
    return true;
}
