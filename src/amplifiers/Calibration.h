#pragma once

#include <QList>
#include <QString>

#include <cstdint>

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
// The same for a span weight given alone (CANopen's page calibration).
QString spanWeightRefusal(uint32_t grams);

// The weight as the amplifier stores it; only for weights that passed the checks above.
inline uint32_t hundredths(uint32_t grams) {
    return grams * 100u;
}

} // namespace calibration
