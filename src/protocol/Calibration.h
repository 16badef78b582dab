#pragma once

#include <QList>
#include <QMutex>
#include <QString>

#include <cstdint>
#include <deque>

// The one judgement of whether calibration points make a calibration the amplifier can weigh with, shared by
// the serial drivers (two-point, multi-point) and the CANopen driver (two-point, span). It runs before the
// first write, so a refused calibration leaves the one in the amplifier untouched.
namespace calibration {

constexpr int kMaxPoints = 9;
// Weights are stored in hundredths of a gram in a 32-bit entry.
constexpr uint32_t kMaxWeightGrams = 0xFFFFFFFFu / 100u;

// Why the points cannot be written, or an empty string when they can. Entry i of both lists is point i;
// point 0 is the zero point and its weight is not used.
QString refusal(const QList<uint32_t> &adValues, const QList<uint32_t> &weights);
// Points that pass refusal() but lie so close in AD that the amplifier's noise alone could swap or merge
// them: a warning to show before writing (the screens ask, the command line needs --force), or an empty
// string. `noiseCounts` is the peak-to-peak spread of the AD value measured at rest, 0 when unknown; the
// points must lie at least kNoiseFactor times that apart, and never closer than kMinimumAdSeparation.
QString closeAdWarning(const QList<uint32_t> &adValues, uint32_t noiseCounts = 0);
constexpr uint32_t kNoiseFactor = 5;
// Without a measurement: a real calibration load moves the AD value by thousands of counts (the 24-bit
// converter gives around a hundred counts per gram on common cells), while two captures of one load lie
// within some tens to a few hundred counts of each other.
constexpr uint32_t kMinimumAdSeparation = 500;

// The spread of the latest AD values, for closeAdWarning: fed by a reading worker, asked by the GUI thread.
class NoiseWindow {
public:
    void add(uint32_t adValue);
    void clear();
    // Peak-to-peak of the quietest run of kMinimumSamples among the latest kSamples values; 0 until
    // kMinimumSamples have come.
    uint32_t peakToPeak() const;

    static constexpr size_t kSamples = 20;
    static constexpr size_t kMinimumSamples = 5;

private:
    mutable QMutex m_mutex;
    std::deque<uint32_t> m_values;
};

// The same for a span weight given alone (CANopen's page calibration).
QString spanWeightRefusal(uint32_t grams);

// The weight as the amplifier stores it; only for weights that passed the checks above.
inline uint32_t hundredths(uint32_t grams) {
    return grams * 100u;
}

} // namespace calibration
