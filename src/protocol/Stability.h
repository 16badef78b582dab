#pragma once

#include <QtGlobal>

#include <deque>

// The one rule for "the reading has come to rest": the spread (largest minus smallest) of the readings of
// the last `windowMs` stays below `threshold`, and they no longer move one way (the newer half of the window
// differs from the older half by less than a quarter of `threshold`). While calibrating the readings are raw
// AD counts; once the amplifier weighs, they are weights and the threshold is a number of scale divisions in
// grams.
namespace stability {

struct Rule {
    // A loaded platform swings at a few hertz and is damped within a few hundred milliseconds; one second
    // covers several of those periods and ten readings of the usual 100 ms reading cycle, so a swing that
    // is still going on always shows in the spread, while the technician waits no longer than a second
    // once the load is at rest.
    qint64 windowMs = 1000;
    // Exclusive upper limit of the spread, in the readings' own unit.
    double threshold = 0;
};

// Raw AD counts: a 24-bit converter gives around a hundred counts per gram on common cells, and a cell at
// rest spreads by some tens of counts. 200 counts (about two grams) lets that noise through but refuses a
// load still settling, and stays below half the 500 counts two calibration points must lie apart, so two
// stable captures of different loads can never be mistaken for one.
constexpr double kDefaultAdThreshold = 200;
// Weights: a display that flickers between two neighbouring divisions shows a spread of one division
// and is at rest; two divisions or more means it is still moving.
constexpr double kDefaultDivisions = 2;

inline Rule adRule() {
    return Rule{1000, kDefaultAdThreshold};
}
// The rule for weights read to `divisionGrams` (the scale interval).
inline Rule weightRule(double divisionGrams) {
    return Rule{1000, kDefaultDivisions * divisionGrams};
}

// At least this many readings must lie in a window before it can be called stable: one or two readings
// have no spread to speak of.
constexpr int kMinimumReadings = 3;
// The trend a stable window may show, as a share of the threshold: noise averages out over each half, so
// a quarter lets any noise through that the spread lets through, and leaves a capture off its rest by a
// small fraction of a division at most.
constexpr double kTrendShare = 0.25;

// The readings of the latest window, oldest first. Not thread-safe: fed and asked by one thread.
class Window {
public:
    explicit Window(Rule rule = adRule())
        : m_rule(rule) {}

    void setRule(Rule rule);
    Rule rule() const { return m_rule; }

    // A reading taken at `ms` (a monotonic clock; readings come in time order).
    void add(qint64 ms, double value);
    void clear() { m_readings.clear(); }

    // Whether the readings cover the whole window (the oldest kept is at least windowMs older than the
    // newest), there are kMinimumReadings of them, their spread is below the threshold and their trend
    // below a quarter of it.
    bool isStable() const;
    // Whether the readings cover the whole window yet.
    bool isCovered() const;
    // Largest minus smallest reading of the window; 0 without readings.
    double spread() const;
    // Mean of the newer half of the window's readings minus the mean of the older half; 0 without readings
    // on both sides. A load still approaching its rest, or creeping, moves one way within a spread that may
    // already be below the threshold; its window mean would then sit off the value it comes to, by up to
    // half the threshold (a one-sided hysteresis in a check that is nothing but the capture's haste).
    double trend() const;
    // Mean of the window's readings; 0 without readings.
    double mean() const;
    int count() const { return static_cast<int>(m_readings.size()); }

private:
    struct Reading {
        qint64 ms;
        double value;
    };
    void trim();

    Rule m_rule;
    std::deque<Reading> m_readings;
};

} // namespace stability
