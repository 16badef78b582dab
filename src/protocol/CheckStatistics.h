#pragma once

#include <QList>
#include <QString>

#include <optional>

// The figures of a calibration check with test weights: errors of indication rising and falling,
// hysteresis, repeatability and the expanded uncertainty of the error, and the verdict against a
// tolerance. docs/CALIBRATION_CHECK.md states the formulas and where they come from. All in grams.
namespace checkstats {

// A quantity given in grams, or in percent of the load it applies to.
struct Amount {
    double value = 0;
    bool percent = false;
    double at(double load) const { return percent ? load * value / 100.0 : value; }
    QString text() const;
};

// "2", "2 g", "0.5g" (grams) or "0.1%" (percent of load); nullopt with the reason in `error` for empty,
// negative or malformed text.
std::optional<Amount> parseAmount(const QString &text, QString *error);
// Test loads in grams, "0,500,1000" (blanks around the commas allowed); nullopt with the reason for an empty
// entry, a number that is not one, or a negative load. Whether they rise is loadsProblem()'s.
std::optional<QList<double>> parseLoads(const QString &text, QString *error);
// `value` with `decimals` decimals; a value that rounds to nothing is "0.00", not "-0.00": a sign there
// would tell of an error there is not.
QString formatGrams(double value, int decimals = 2);
// Why these test loads cannot be used (fewer than `minimum`, negative, not rising), or an empty string.
QString loadsProblem(const QList<double> &loads, int minimum);

// The check needs at least this many loads on the screen (near zero to near maximum, as a check of the
// whole range), the command line at least kMinimumLoadsQuick for a quick look at one or two points.
constexpr int kMinimumLoads = 5;
constexpr int kMinimumLoadsQuick = 2;

struct Input {
    QList<double> loads;                  // test loads, rising
    QList<std::optional<double>> rising;  // indication at each load on the way up; none when not recorded
    QList<std::optional<double>> falling; // on the way down; none for the highest load (read once)
    QList<double> repeats;                // indications of the repeat load, one per placing
    double repeatLoad = 0;
    double division = 0.01;   // scale interval d of the indication
    Amount weightUncertainty; // the test weights' stated expanded uncertainty (k = 2)
    Amount tolerance;         // largest error accepted
    bool judged = true;       // false: no tolerance given, no verdict
};

struct Row {
    double load = 0;
    std::optional<double> risingError; // indication minus load
    std::optional<double> fallingError;
    std::optional<double> hysteresis;  // falling minus rising indication, as an absolute value
    std::optional<double> uncertainty; // expanded uncertainty of the error U (k = 2)
    double limit = 0;                  // the tolerance at this load
    std::optional<bool> passed;        // none when a reading is missing or nothing is judged
};

struct Result {
    QList<Row> rows;
    std::optional<double> repeatabilityDeviation; // s of the repeat placings
    std::optional<double> repeatMean;
    // Every reading was recorded and every figure computed.
    bool complete = false;
    // A tolerance was given.
    bool judged = true;
    // Complete, judged and every load within its tolerance.
    bool passed = false;
};

// Sample standard deviation (n - 1); none for fewer than two values.
std::optional<double> standardDeviation(const QList<double> &values);
// Standard uncertainty of a reading rounded to `division`: a rectangular distribution of width d.
double resolutionUncertainty(double division);
// Expanded uncertainty (k = 2) of the error at `load`.
double expandedUncertainty(double load, double division, double repeatability, const Amount &weights);
Result evaluate(const Input &input);

} // namespace checkstats
