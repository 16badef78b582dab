#pragma once

#include <QString>

#include <atomic>

// Weight units and the conversion of a stored measuring value (hundredths of a gram) for display.
namespace weight {

// The factor of a unit key ("g", "kg", "lb"), compared exactly; nullptr-safe `found` tells whether it exists.
double unitFactor(const QString &unit, bool *found = nullptr);
bool isKnownUnit(const QString &unit);

// factor x stored / 100, rounded to two decimals with halves away from zero. The rounding goes through a
// 64-bit integer so values far outside the 32-bit range still convert correctly.
double toDisplay(double storedHundredths, const QString &unit);
// `grams` (a weight to 0.01 g) in `unit` as text with as many decimals as the unit needs to keep the
// amplifier's 0.01 g apart (exactDecimals): for printing where nothing may be rounded away.
int exactDecimals(const QString &unit);
QString exactText(double grams, const QString &unit);

// factor x stored / 100 without rounding: a recording keeps every step the amplifier delivers (written with
// exactDecimals), whatever unit it is in.
double toUnit(double storedHundredths, const QString &unit);

} // namespace weight

// Where an amplifier's selected unit lives: its own (per amplifier) or a selection shared by every
// amplifier that is given the same storage (class-wide). Used on the GUI thread only.
class SelectedUnit {
public:
    SelectedUnit();
    explicit SelectedUnit(QString *sharedStorage);
    SelectedUnit(const SelectedUnit &) = delete;
    SelectedUnit &operator=(const SelectedUnit &) = delete;

    const QString &get() const { return *m_storage; }
    // Selects a known unit; an unknown key logs "❌ Invalid unit selection:" and keeps the selection.
    bool set(const QString &unit);

private:
    QString m_own;
    QString *m_storage;
};

// The last measuring value; written by a reading worker while the GUI thread reads it, so never torn.
class StoredWeight {
public:
    double get() const { return m_value.load(std::memory_order_relaxed); }
    // Stores the value; false when it equals the stored one (nothing changed).
    bool setIfChanged(double value);

private:
    std::atomic<double> m_value{0.0};
};
