#include "amplifiers/Calibration.h"

namespace calibration {

namespace {

QString invalid(const QString &why) {
    return QStringLiteral("Invalid calibration data: %1").arg(why);
}

// Why a span weight cannot be stored; `point` (1-based) names it among several, 0 when it is the only one.
QString weightProblem(uint32_t grams, qsizetype point) {
    const QString which =
        point > 0 ? QStringLiteral("The weight of point %1").arg(point) : QStringLiteral("The span weight");
    if (grams == 0)
        return invalid(QStringLiteral("%1 must be greater than 0 g.").arg(which));
    if (grams > kMaxWeightGrams)
        return invalid(QStringLiteral("%1 (%2 g) is too large (at most %3 g).")
                           .arg(which)
                           .arg(grams)
                           .arg(kMaxWeightGrams));
    return {};
}

} // namespace

QString spanWeightRefusal(uint32_t grams) {
    return weightProblem(grams, 0);
}

QString refusal(const QList<uint32_t> &adValues, const QList<uint32_t> &weights) {
    const qsizetype count = adValues.size();
    if (count != weights.size() || count == 0 || count > kMaxPoints)
        return invalid(QStringLiteral("Check array sizes (1-9 points)."));
    // One point fixes neither a slope nor a span: the amplifier could not turn counts into weight.
    if (count == 1)
        return invalid(QStringLiteral("A zero point and at least one span point are needed."));
    for (qsizetype i = 1; i < count; ++i) {
        const QString problem = weightProblem(weights[i], count == 2 ? 0 : i + 1);
        if (!problem.isEmpty())
            return problem;
    }
    // Two points with one AD value give a division by zero (or a vertical step) in the amplifier's line.
    for (qsizetype i = 0; i < count; ++i) {
        for (qsizetype j = i + 1; j < count; ++j) {
            if (adValues[i] != adValues[j])
                continue;
            if (count == 2)
                return invalid(
                    QStringLiteral("The zero and span AD values are equal (%1).").arg(adValues[i]));
            return invalid(QStringLiteral("Points %1 and %2 have the same AD value (%3).")
                               .arg(i + 1)
                               .arg(j + 1)
                               .arg(adValues[i]));
        }
    }
    return {};
}

} // namespace calibration
