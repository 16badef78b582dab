#include "protocol/Calibration.h"

#include <algorithm>

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
    // The amplifier inverts the curve segment by segment: AD must run one way only and the weight rise.
    for (qsizetype i = 1; i < count; ++i) {
        const uint32_t previousWeight = i == 1 ? 0u : weights[i - 1];
        if (weights[i] <= previousWeight)
            return invalid(
                QStringLiteral("The weight of point %1 (%2 g) is not above that of point %3 (%4 g); "
                               "weights must increase from point to point.")
                    .arg(i + 1)
                    .arg(weights[i])
                    .arg(i)
                    .arg(previousWeight));
        if (i >= 2 && (adValues[1] > adValues[0]) != (adValues[i] > adValues[i - 1]))
            return invalid(
                QStringLiteral("The AD value of point %1 (%2) turns back against points 1 to %3; AD "
                               "values must rise (or fall) from point to point.")
                    .arg(i + 1)
                    .arg(adValues[i])
                    .arg(i));
    }
    return {};
}

QString closeAdWarning(const QList<uint32_t> &adValues, uint32_t noiseCounts) {
    const uint64_t needed = std::max<uint64_t>(uint64_t{noiseCounts} * kNoiseFactor, kMinimumAdSeparation);
    for (qsizetype i = 0; i < adValues.size(); ++i) {
        for (qsizetype j = i + 1; j < adValues.size(); ++j) {
            const uint32_t apart =
                adValues[i] > adValues[j] ? adValues[i] - adValues[j] : adValues[j] - adValues[i];
            // Equal values are the rule's to refuse, with its own reason.
            if (apart >= needed || apart == 0)
                continue;
            const QString why =
                noiseCounts > 0
                    ? QStringLiteral("%1 times the noise of %2 counts").arg(kNoiseFactor).arg(noiseCounts)
                    : QStringLiteral("the minimum of %1 counts").arg(kMinimumAdSeparation);
            return QStringLiteral(
                       "Points %1 and %2 lie only %3 AD counts apart (%4 and %5), less than %6: the "
                       "noise alone could swing the weight. Was the load changed between them?")
                .arg(i + 1)
                .arg(j + 1)
                .arg(apart)
                .arg(adValues[i])
                .arg(adValues[j])
                .arg(why);
        }
    }
    return {};
}

void NoiseWindow::add(uint32_t adValue) {
    QMutexLocker lock(&m_mutex);
    m_values.push_back(adValue);
    if (m_values.size() > kSamples)
        m_values.pop_front();
}

void NoiseWindow::clear() {
    QMutexLocker lock(&m_mutex);
    m_values.clear();
}

uint32_t NoiseWindow::peakToPeak() const {
    QMutexLocker lock(&m_mutex);
    // The quietest stretch: a load put on or taken off inside the window must not count as noise.
    uint32_t quietest = 0;
    bool any = false;
    for (size_t start = 0; start + kMinimumSamples <= m_values.size(); start += kMinimumSamples) {
        const auto first = m_values.begin() + static_cast<long>(start);
        const auto [low, high] = std::minmax_element(first, first + static_cast<long>(kMinimumSamples));
        quietest = any ? std::min(quietest, *high - *low) : *high - *low;
        any = true;
    }
    return quietest;
}

} // namespace calibration
