#include "protocol/RegisterMap.h"

#include <cmath>
#include <cstring>

namespace regmap {

namespace {

constexpr qulonglong kU32 = 0xFFFFFFFFu;
constexpr Place kFlag{{0, 1}, 8, Clamp::Bound};

} // namespace

const std::vector<Setting> &settings() {
    // The serial setters bound their value; the CANopen ones write it as it comes (cut to the entry), except
    // the filter level, where a value outside 1 to 5 becomes 1.
    static const std::vector<Setting> kSettings = {
        {"fir", "firFiltering", "setFIRFiltering", "", 0x0034, kFlag, 0x2018, 0, 1, kFlag},
        {"level",
         "filteringLevel",
         "setFilteringLevel",
         "",
         0x0056,
         {{0, 5}, 8, Clamp::Bound},
         0x2019,
         0,
         1,
         {{1, 5}, 8, Clamp::ReplaceByMin}},
        {"bandwidth",
         "filteringBandwidth",
         "setFilteringBandwidth",
         "",
         0x0058,
         {{0, 1000}, 16, Clamp::Bound},
         0x201A,
         0,
         4,
         {{0, kU32}, 32, Clamp::Bound}},
        {"azt-time",
         "autoZeroTrackingTime",
         "setAutoZeroTrackingTime",
         "ms",
         0x005C,
         {{0, 50}, 16, Clamp::Bound},
         0x201B,
         0,
         2,
         {{0, 0xFFFF}, 16, Clamp::Bound}},
        {"azt-bandwidth",
         "autoZeroTrackingBandwidth",
         "setAutoZeroTrackingBandwidth",
         "",
         0x005E,
         {{0, 10000}, 16, Clamp::Bound},
         0x201C,
         0,
         4,
         {{0, kU32}, 32, Clamp::Bound}},
        {"stability",
         "stabilityDeterminationTime",
         "setStabilityDeterminationTime",
         "",
         0x0060,
         {{1, 50}, 32, Clamp::Bound},
         0x201D,
         0,
         4,
         {{0, kU32}, 32, Clamp::Bound}},
        {"zero-point",
         "zeroPoint",
         "setZeroPoint",
         "",
         0x0064,
         {{0, kU32}, 32, Clamp::Bound},
         0x2003,
         0,
         4,
         {{0, kU32}, 32, Clamp::Bound}},
        {nullptr,
         "stabilityBandwidth",
         "setStabilityBandwidth",
         "",
         0,
         {{0, 0}, 32, Clamp::Bound},
         0x201E,
         0,
         4,
         {{0, kU32}, 32, Clamp::Bound}},
    };
    return kSettings;
}

std::vector<const Setting *> settingsOf(Family family) {
    std::vector<const Setting *> held;
    for (const Setting &setting : settings()) {
        if (setting.heldBy(family))
            held.push_back(&setting);
    }
    return held;
}

const Setting *find(const QString &keyOrName) {
    for (const Setting &setting : settings()) {
        if (setting.key &&
            (keyOrName == QLatin1String(setting.key) || keyOrName == QLatin1String(setting.name)))
            return &setting;
    }
    return nullptr;
}

uint32_t truncatedLow32(double value) {
    if (!std::isfinite(value))
        return 0;
    double wrapped = std::fmod(std::trunc(value), 4294967296.0);
    if (wrapped < 0)
        wrapped += 4294967296.0;
    return static_cast<uint32_t>(wrapped);
}

uint32_t clamped(const Setting &setting, Family family, double value) {
    const Place &place = setting.place(family);
    uint32_t cut = truncatedLow32(value);
    if (place.argumentBits < 32)
        cut &= (1u << place.argumentBits) - 1u;
    const auto min = static_cast<uint32_t>(place.range.min);
    const auto max = static_cast<uint32_t>(place.range.max);
    if (cut >= min && cut <= max)
        return cut;
    if (place.clamp == Clamp::ReplaceByMin)
        return min;
    return cut < min ? min : max;
}

const Setting &named(const char *name) {
    for (const Setting &setting : settings()) {
        if (std::strcmp(setting.name, name) == 0)
            return setting;
    }
    qFatal("regmap: no setting named %s", name);
}

} // namespace regmap
