// The filter, tracking and zero-point settings of RegisterAmplifier, with the registers and ranges of the
// register map.
#include "device/register/RegisterAmplifier.h"

namespace {

constexpr regmap::Family kFamily = regmap::Family::Serial;

} // namespace

void RegisterAmplifier::writeSetting(const char *settingName, double value) {
    const regmap::Setting &setting = regmap::named(settingName);
    const uint32_t written = regmap::clamped(setting, kFamily, value);
    reportingVoid([&] { writeRaw(setting.reg, written); });
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
    return writetx::readSettings(writetx::settingTable(kFamily), filterAccess(all));
}

void RegisterAmplifier::writeFilterSettings(const QVariantMap &settings) {
    const writetx::Outcome outcome =
        writetx::writeSettings(settings, writetx::settingTable(kFamily),
                               [this](const std::vector<size_t> &rows) { return filterAccess(rows); });
    finish(QStringLiteral("filters"), outcome.ok, outcome.message);
}

writetx::Access RegisterAmplifier::storedValueAccess(const std::vector<regmap::StoredValue> &values) {
    writetx::Access access;
    access.name = [values](size_t i) {
        return values[i].address();
    };
    access.read = [this, values](size_t i, QString *cause) {
        return readChecked(values[i].reg, cause);
    };
    access.write = [this, values](size_t i, uint32_t value) {
        return writeJudged(values[i].reg, value, values[i].isCalibration());
    };
    return access;
}
