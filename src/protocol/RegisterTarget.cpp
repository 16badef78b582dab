#include "protocol/RegisterTarget.h"

#include "protocol/FrameDecoder.h"

#include <QStringList>

namespace regtarget {

std::optional<uint32_t> parseNumber(QString text, int defaultBase, uint32_t max) {
    text = text.trimmed();
    int base = defaultBase;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        text = text.mid(2);
        base = 16;
    }
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, base);
    if (!ok || text.isEmpty() || text.startsWith(QLatin1Char('+')) || value > max)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<Target> parse(const QString &text, bool canOpen) {
    Target target;
    target.canOpen = canOpen;
    // A setting by the name the screens and the command line give it ("filteringLevel", "level").
    if (const regmap::Setting *named = regmap::find(text.trimmed());
        named && named->heldBy(canOpen ? regmap::Family::CanOpen : regmap::Family::Serial)) {
        target.index = canOpen ? named->index : named->reg;
        target.subIndex = canOpen ? named->subIndex : 0;
        return target;
    }
    if (!canOpen) {
        const std::optional<uint32_t> reg = parseNumber(text, 10, 0xFFFF);
        if (!reg)
            return std::nullopt;
        target.index = static_cast<uint16_t>(*reg);
        return target;
    }
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<uint32_t> index = parseNumber(parts[0], 16, 0xFFFF);
    const std::optional<uint32_t> sub = parseNumber(parts[1], 16, 0xFF);
    if (!index || !sub)
        return std::nullopt;
    target.index = static_cast<uint16_t>(*index);
    target.subIndex = static_cast<uint8_t>(*sub);
    return target;
}

QString text(const Target &target) {
    const QString index = QStringLiteral("0x%1")
                              .arg(target.index, 4, 16, QLatin1Char('0'))
                              .toUpper()
                              .replace(QLatin1String("0X"), QLatin1String("0x"));
    return target.canOpen
               ? index + QStringLiteral(":%1").arg(target.subIndex, 2, 16, QLatin1Char('0')).toUpper()
               : index;
}

QString name(const Target &target) {
    return target.canOpen ? frames::canOpenEntryName(target.index, target.subIndex)
                          : frames::serialRegisterName(target.index);
}

const regmap::Setting *setting(const Target &target) {
    for (const regmap::Setting &candidate : regmap::settings()) {
        if (target.canOpen ? candidate.index == target.index && candidate.subIndex == target.subIndex
                           : candidate.reg != 0 && candidate.reg == target.index)
            return &candidate;
    }
    return nullptr;
}

std::optional<regmap::Range> range(const Target &target) {
    const regmap::Setting *held = setting(target);
    if (!held)
        return std::nullopt;
    return held->place(target.canOpen ? regmap::Family::CanOpen : regmap::Family::Serial).range;
}

} // namespace regtarget
