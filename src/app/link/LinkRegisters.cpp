#include "app/link/LinkRegisters.h"

#include "device/AmplifierBase.h"
#include "device/ProtocolFacts.h"
#include "protocol/ModbusFrames.h"
#include "protocol/RegisterMap.h"
#include "protocol/RegisterTarget.h"
#include "protocol/SdoFrames.h"

namespace {

bool isCanOpen(const AmplifierBase *amplifier) {
    const protocolfacts::Facts *facts = protocolfacts::find(amplifier->getProtocol());
    return facts && facts->family == regmap::Family::CanOpen;
}

QVariantMap outcome(bool ok, const QString &text, const QString &value = QString()) {
    return {{QStringLiteral("ok"), ok}, {QStringLiteral("text"), text}, {QStringLiteral("value"), value}};
}

} // namespace

LinkRegisters::LinkRegisters(QObject *parent)
    : QObject(parent) {}

QVariantList LinkRegisters::known(QObject *object) const {
    auto *amplifier = dynamic_cast<AmplifierBase *>(object);
    QVariantList list;
    if (!amplifier)
        return list;
    const bool canOpen = isCanOpen(amplifier);
    auto add = [&](const regtarget::Target &target) {
        const QString name = regtarget::name(target);
        if (name.isEmpty())
            return;
        list.push_back(
            QVariantMap{{QStringLiteral("address"), regtarget::text(target)},
                        {QStringLiteral("label"), regtarget::text(target) + QLatin1Char(' ') + name}});
    };
    // Every register or entry the register map and the drivers have a name for.
    if (canOpen) {
        for (uint32_t index = sdo::kAdValueIndex; index <= sdo::kControlIndex; ++index)
            for (uint32_t sub = 0; sub < 4; ++sub)
                add({true, static_cast<uint16_t>(index), static_cast<uint8_t>(sub)});
    } else {
        for (uint32_t reg = 0; reg < 0x100; reg += 2)
            add({false, static_cast<uint16_t>(reg), 0});
        add({false, modbus::kAdRegister, 0});
    }
    return list;
}

QString LinkRegisters::addressHint(QObject *object) const {
    auto *amplifier = dynamic_cast<AmplifierBase *>(object);
    return amplifier && isCanOpen(amplifier) ? QStringLiteral("2018:00") : QStringLiteral("0x0056");
}

LinkRegisters::Checked LinkRegisters::check(QObject *object, const QString &address) const {
    Checked checked;
    checked.amplifier = dynamic_cast<AmplifierBase *>(object);
    if (!checked.amplifier) {
        checked.error = tr("Choose an amplifier first.");
        return checked;
    }
    const bool canOpen = isCanOpen(checked.amplifier);
    const std::optional<regtarget::Target> target = regtarget::parse(address, canOpen);
    if (!target) {
        checked.error =
            canOpen ? tr("\"%1\" is no entry: type index:sub in hex, e.g. 2018:00, or a setting's name.")
                          .arg(address)
                    : tr("\"%1\" is no register: type 0x0056 or 86, or a setting's name.").arg(address);
        return checked;
    }
    checked.target = *target;
    checked.name = regtarget::name(*target);
    return checked;
}

QString LinkRegisters::describe(QObject *amplifier, const QString &address) const {
    if (address.trimmed().isEmpty())
        return {};
    const Checked checked = check(amplifier, address);
    if (!checked.error.isEmpty())
        return checked.error;
    const QString where = regtarget::text(checked.target);
    const QString name = checked.name.isEmpty() ? tr("not in the register map") : checked.name;
    const std::optional<regmap::Range> range = regtarget::range(checked.target);
    return range ? tr("%1 %2, takes %3 to %4").arg(where, name).arg(range->min).arg(range->max)
                 : tr("%1 %2, any 32-bit value").arg(where, name);
}

QVariantMap LinkRegisters::read(QObject *object, const QString &address) const {
    const Checked checked = check(object, address);
    if (!checked.error.isEmpty())
        return outcome(false, checked.error);
    const AmplifierBase::RawResult result =
        checked.amplifier->rawRead(checked.target.index, checked.target.subIndex);
    if (!result.ok())
        return outcome(false, result.error);
    const QString value = QString::number(result.value);
    return outcome(true,
                   tr("Load cell %1 holds %2 (0x%3) in %4.")
                       .arg(checked.amplifier->getName(), value,
                            QStringLiteral("%1").arg(result.value, 8, 16, QLatin1Char('0')).toUpper(),
                            describe(object, address)),
                   value);
}

QVariantMap LinkRegisters::checkWrite(QObject *object, const QString &address,
                                      const QString &valueText) const {
    const Checked checked = check(object, address);
    if (!checked.error.isEmpty())
        return outcome(false, checked.error);
    const std::optional<uint32_t> value = regtarget::parseNumber(valueText);
    if (!value)
        return outcome(false,
                       tr("\"%1\" is no value: type a whole number from 0 to 4294967295.").arg(valueText));
    const std::optional<regmap::Range> range = regtarget::range(checked.target);
    if (range && (*value < range->min || *value > range->max))
        return outcome(false, tr("%1 takes %2 to %3; %4 was not written.")
                                  .arg(checked.name)
                                  .arg(range->min)
                                  .arg(range->max)
                                  .arg(*value));
    return outcome(true, tr("Write %1 into %2 of load cell %3? It is read back afterwards.")
                             .arg(*value)
                             .arg(describe(object, address), checked.amplifier->getName()));
}

QVariantMap LinkRegisters::write(QObject *object, const QString &address, const QString &valueText) const {
    const QVariantMap allowed = checkWrite(object, address, valueText);
    if (!allowed.value(QStringLiteral("ok")).toBool())
        return allowed;
    const Checked checked = check(object, address);
    const uint32_t value = *regtarget::parseNumber(valueText);
    const AmplifierBase::RawResult result =
        checked.amplifier->rawWrite(checked.target.index, checked.target.subIndex, value);
    if (!result.ok())
        return outcome(false, result.error);
    return outcome(
        true,
        tr("Written and read back: load cell %1 holds %2 in %3.")
            .arg(checked.amplifier->getName(), QString::number(result.value), describe(object, address)),
        QString::number(result.value));
}
