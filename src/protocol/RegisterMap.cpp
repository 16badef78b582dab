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

QString StoredValue::address() const {
    const auto hex = [](uint32_t value, int digits) {
        return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
    };
    if (reg != 0)
        return QStringLiteral("0x") + hex(reg, 4);
    return QStringLiteral("0x%1:%2").arg(hex(index, 4), hex(subIndex, 2));
}

const std::vector<StoredValue> &calibrationBlock(Family family) {
    static const std::vector<StoredValue> kSerial = [] {
        std::vector<StoredValue> block;
        for (uint32_t i = 0; i < kMaxCalibrationPoints; ++i) {
            const auto point = static_cast<int>(i);
            const auto offset = static_cast<uint16_t>(2 * i);
            block.push_back({QStringLiteral("point%1Ad").arg(i),
                             "counts",
                             Role::PointAd,
                             point,
                             static_cast<uint16_t>(kFirstPointAdRegister + offset),
                             0,
                             0,
                             4,
                             {0, kU32}});
            // Point 0 is the zero point: its weight is always 0.
            block.push_back({QStringLiteral("point%1Weight").arg(i),
                             "0.01 g",
                             Role::PointWeight,
                             point,
                             static_cast<uint16_t>(kFirstPointWeightRegister + offset),
                             0,
                             0,
                             4,
                             {0, i == 0 ? 0 : kU32}});
        }
        block.push_back({QStringLiteral("zeroOffset"),
                         "0.01 g",
                         Role::ZeroOffset,
                         -1,
                         kZeroOffsetRegister,
                         0,
                         0,
                         4,
                         {0, kU32}});
        block.push_back({QStringLiteral("pointCount"),
                         "",
                         Role::PointCount,
                         -1,
                         kPointCountRegister,
                         0,
                         0,
                         4,
                         {0, kMaxCalibrationPoints}});
        return block;
    }();
    static const std::vector<StoredValue> kCanOpen = {
        {QStringLiteral("point0Ad"), "counts", Role::PointAd, 0, 0, 0x200E, 0, 4, {0, kU32}},
        {QStringLiteral("point1Ad"), "counts", Role::PointAd, 1, 0, 0x200F, 0, 4, {0, kU32}},
        // The node takes a value of 9 or less here for a point count (its page calibration ends with one):
        // a span weight must lie above.
        {QStringLiteral("point1Weight"),
         "0.01 g",
         Role::PointWeight,
         1,
         0,
         0x2004,
         0,
         4,
         {kMaxCalibrationPoints + 1, kU32}},
        {QStringLiteral("pointCount"), "", Role::PointCount, -1, 0, 0x2006, 0, 4, {0, 2}},
    };
    return family == Family::CanOpen ? kCanOpen : kSerial;
}

const std::vector<StoredValue> &storedValues(Family family) {
    const auto build = [](Family of) {
        std::vector<StoredValue> values;
        for (const Setting *setting : settingsOf(of)) {
            const Place &place = setting->place(of);
            if (of == Family::CanOpen)
                values.push_back({QLatin1String(setting->name), setting->unit, Role::Setting, -1, 0,
                                  setting->index, setting->subIndex, setting->width, place.range});
            else
                values.push_back({QLatin1String(setting->name), setting->unit, Role::Setting, -1,
                                  setting->reg, 0, 0, 4, place.range});
        }
        const std::vector<StoredValue> &block = calibrationBlock(of);
        values.insert(values.end(), block.begin(), block.end());
        return values;
    };
    static const std::vector<StoredValue> kSerial = build(Family::Serial);
    static const std::vector<StoredValue> kCanOpen = build(Family::CanOpen);
    return family == Family::CanOpen ? kCanOpen : kSerial;
}

const StoredValue *findStored(Family family, const QString &name) {
    for (const StoredValue &value : storedValues(family)) {
        if (value.name == name)
            return &value;
    }
    return nullptr;
}

const Setting &named(const char *name) {
    for (const Setting &setting : settings()) {
        if (std::strcmp(setting.name, name) == 0)
            return setting;
    }
    qFatal("regmap: no setting named %s", name);
}

} // namespace regmap
