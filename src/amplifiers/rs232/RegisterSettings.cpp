// The filter, tracking and zero-point settings of RegisterAmplifier, with the registers and ranges of the
// register map.
#include "amplifiers/rs232/RegisterAmplifier.h"

namespace {

constexpr regmap::Family kFamily = regmap::Family::Serial;

std::vector<writetx::SettingRange> filterTable() {
    std::vector<writetx::SettingRange> table;
    for (const regmap::Setting *setting : regmap::settingsOf(kFamily))
        table.push_back({setting->name, static_cast<uint32_t>(setting->serial.range.min),
                         static_cast<uint32_t>(setting->serial.range.max)});
    return table;
}

} // namespace

void RegisterAmplifier::writeSetting(const char *settingName, double value) {
    const regmap::Setting &setting = regmap::named(settingName);
    const uint32_t written = regmap::clamped(setting, kFamily, value);
    reportingVoid([&] { writeRaw(setting.reg, written); });
}

void RegisterAmplifier::setZeroPoint(double zeroPoint) {
    writeSetting("zeroPoint", zeroPoint);
}

void RegisterAmplifier::setFIRFiltering(bool enable) {
    writeSetting("firFiltering", enable ? 1 : 0);
}

void RegisterAmplifier::setFilteringLevel(double level) {
    writeSetting("filteringLevel", level);
}

void RegisterAmplifier::setFilteringBandwidth(double bandwidth) {
    writeSetting("filteringBandwidth", bandwidth);
}

void RegisterAmplifier::setAutoZeroTrackingTime(double timeMs) {
    writeSetting("autoZeroTrackingTime", timeMs);
}

void RegisterAmplifier::setAutoZeroTrackingBandwidth(double bandwidth) {
    writeSetting("autoZeroTrackingBandwidth", bandwidth);
}

void RegisterAmplifier::setStabilityDeterminationTime(double time) {
    writeSetting("stabilityDeterminationTime", time);
}

writetx::Access RegisterAmplifier::filterAccess(const std::vector<size_t> &rows) {
    const std::vector<const regmap::Setting *> held = regmap::settingsOf(kFamily);
    std::vector<uint16_t> regs;
    for (const size_t row : rows)
        regs.push_back(held[row]->reg);
    return registerAccess(regs, false);
}

QVariantMap RegisterAmplifier::readFilterSettings() {
    std::vector<size_t> all(regmap::settingsOf(kFamily).size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    return writetx::readSettings(filterTable(), filterAccess(all));
}

void RegisterAmplifier::writeFilterSettings(const QVariantMap &settings) {
    const writetx::Outcome outcome = writetx::writeSettings(
        settings, filterTable(), [this](const std::vector<size_t> &rows) { return filterAccess(rows); });
    finish(QStringLiteral("filters"), outcome.ok, outcome.message);
}
