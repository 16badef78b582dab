// Writing a backup into an amplifier: what refuses it, the order of the writes, the write itself through the
// all-or-nothing path, and the read-back against the file.
#include "device/AmplifierBase.h"
#include "device/ProtocolFacts.h"
#include "device/backup/Backup.h"

#include <QCoreApplication>
#include <algorithm>
#include <map>
#include <memory>

namespace backup {

namespace {

using Values = std::map<QString, qulonglong>;

Values valuesOf(const Backup &backup) {
    Values values;
    for (const Setting &setting : backup.settings)
        values[setting.name] = setting.value;
    return values;
}

// The points `role` of the points in use (0 to `inUse` - 1) that change, ordered so that the curve in use
// stays strictly monotone at every step when it is before and after: on a rising curve the values that grow
// are written from the last point down (each stays below its next point, already new or still old and
// higher than its new value), then those that shrink from the first point up; on a falling curve the other
// way round.
std::vector<const regmap::StoredValue *>
monotoneOrder(const std::vector<const regmap::StoredValue *> &changing, const Values &from, const Values &to,
              bool rising) {
    std::vector<const regmap::StoredValue *> grow;
    std::vector<const regmap::StoredValue *> shrink;
    for (const regmap::StoredValue *value : changing)
        (to.at(value->name) > from.at(value->name) ? grow : shrink).push_back(value);
    const auto byPoint = [](bool descending) {
        return [descending](const regmap::StoredValue *a, const regmap::StoredValue *b) {
            return descending ? a->point > b->point : a->point < b->point;
        };
    };
    std::sort(grow.begin(), grow.end(), byPoint(rising));
    std::sort(shrink.begin(), shrink.end(), byPoint(!rising));
    grow.insert(grow.end(), shrink.begin(), shrink.end());
    return grow;
}

// The values of `family` that differ, in the order they are written. Settings first. The serial calibration
// registers are live: the amplifier weighs with the points its count names while they are written, so the
// points not in use go first and the count last when it grows, and the count first when it shrinks (the
// points it keeps are a valid curve: the start of the old one); the points in use are written in
// monotoneOrder. The CANopen node takes its calibration when its point count is written, from the entries
// as they are then: when any of them changes, all are written, the count last.
std::vector<const regmap::StoredValue *> writeOrder(regmap::Family family, const Values &from,
                                                    const Values &to) {
    std::vector<const regmap::StoredValue *> order;
    std::vector<const regmap::StoredValue *> block;
    bool calibrationChanges = false;
    for (const regmap::StoredValue &value : regmap::storedValues(family)) {
        const bool differs = from.at(value.name) != to.at(value.name);
        if (!value.isCalibration()) {
            if (differs)
                order.push_back(&value);
            continue;
        }
        calibrationChanges = calibrationChanges || differs;
        if (differs || family == regmap::Family::CanOpen)
            block.push_back(&value);
    }
    if (!calibrationChanges)
        return order;
    if (family == regmap::Family::CanOpen) {
        order.insert(order.end(), block.begin(), block.end());
        return order;
    }
    const auto countOf = [](const Values &values) {
        return std::min<qulonglong>(values.at(QStringLiteral("pointCount")), regmap::kMaxCalibrationPoints);
    };
    const qulonglong oldCount = countOf(from);
    const qulonglong newCount = countOf(to);
    const bool shrinks = newCount < oldCount;
    // The points in use while the points are written.
    const qulonglong inUse = shrinks ? newCount : oldCount;
    const bool rising = from.at(QStringLiteral("point1Ad")) >= from.at(QStringLiteral("point0Ad"));
    const regmap::StoredValue *count = nullptr;
    const regmap::StoredValue *offset = nullptr;
    std::vector<const regmap::StoredValue *> idle;
    std::vector<const regmap::StoredValue *> ads;
    std::vector<const regmap::StoredValue *> weights;
    for (const regmap::StoredValue *value : block) {
        if (value->role == regmap::Role::PointCount)
            count = value;
        else if (value->role == regmap::Role::ZeroOffset)
            offset = value;
        else if (static_cast<qulonglong>(value->point) >= inUse)
            idle.push_back(value);
        else
            (value->role == regmap::Role::PointAd ? ads : weights).push_back(value);
    }
    if (count && shrinks)
        order.push_back(count);
    if (!shrinks)
        order.insert(order.end(), idle.begin(), idle.end());
    for (const regmap::StoredValue *value : monotoneOrder(ads, from, to, rising))
        order.push_back(value);
    // Weights rise from point to point whichever way the AD values run.
    for (const regmap::StoredValue *value : monotoneOrder(weights, from, to, true))
        order.push_back(value);
    if (offset)
        order.push_back(offset);
    if (shrinks)
        order.insert(order.end(), idle.begin(), idle.end());
    if (count && !shrinks)
        order.push_back(count);
    return order;
}

RestoreOutcome ended(RestoreOutcome::Kind kind, const QString &message) {
    RestoreOutcome outcome;
    outcome.kind = kind;
    outcome.message = message;
    return outcome;
}

} // namespace

QString refusal(const Backup &backup, AmplifierBase &target) {
    if (backup.protocol != target.getProtocol())
        return QCoreApplication::translate(
                   "backup", "The backup is of a %1 amplifier and this one is %2: a backup goes only into an "
                             "amplifier of the same model and protocol.")
            .arg(backup.protocol, target.getProtocol());
    if (backup.model != target.getModel())
        return QCoreApplication::translate(
                   "backup",
                   "The backup is of the model %1 and this amplifier is %2: a backup goes only into an "
                   "amplifier of the same model and protocol.")
            .arg(backup.model, target.getModel());
    const protocolfacts::Facts *facts = protocolfacts::find(backup.protocol);
    if (!facts)
        return QCoreApplication::translate("backup", "This program keeps no backup of %1 amplifiers.")
            .arg(backup.protocol);
    for (const Setting &setting : backup.settings) {
        const regmap::StoredValue *where = regmap::findStored(facts->family, setting.name);
        if (!where)
            return QCoreApplication::translate(
                       "backup", "The backup holds \"%1\", a setting this amplifier does not have.")
                .arg(setting.name);
        if (setting.value < where->range.min || setting.value > where->range.max)
            return QCoreApplication::translate("backup",
                                               "%1 = %2 is outside what the amplifier takes (%3 to %4).")
                .arg(setting.name)
                .arg(setting.value)
                .arg(where->range.min)
                .arg(where->range.max);
    }
    for (const regmap::StoredValue &value : regmap::storedValues(facts->family)) {
        if (!backup.find(value.name))
            return QCoreApplication::translate("backup", "The backup lacks \"%1\" (%2).")
                .arg(value.name, value.address());
    }
    return {};
}

RestoreOutcome restore(AmplifierBase &target, const Backup &backup, const RestoreOptions &options) {
    using Kind = RestoreOutcome::Kind;
    const QString nothing = QCoreApplication::translate("backup", "; nothing was written.");
    if (const QString why = refusal(backup, target); !why.isEmpty())
        return ended(
            Kind::BadInput,
            QCoreApplication::translate("backup", "Restore refused: %1 Nothing was written.").arg(why));
    const Taken before = take(target, QStringLiteral("restore"));
    if (!before.ok())
        return ended(Kind::NoCopy,
                     QCoreApplication::translate(
                         "backup", "Restore aborted: the amplifier could not be read first: %1%2")
                         .arg(before.error, nothing));
    RestoreOutcome outcome;
    outcome.differences = compare(before.backup, backup);
    if (options.dryRun) {
        outcome.kind = Kind::DryRun;
        outcome.message =
            outcome.differences.isEmpty()
                ? QCoreApplication::translate(
                      "backup", "Dry run: the amplifier already holds every value of the backup.")
                : QCoreApplication::translate("backup",
                                              "Dry run: %1 value(s) would be written; nothing was written.")
                      .arg(outcome.differences.size());
        return outcome;
    }
    if (outcome.differences.isEmpty()) {
        outcome.kind = Kind::Unchanged;
        outcome.message = QCoreApplication::translate(
            "backup", "The amplifier already holds every value of the backup; nothing was written.");
        return outcome;
    }
    if (options.stopNow())
        return ended(Kind::NoCopy,
                     QCoreApplication::translate(
                         "backup", "Restore stopped before the first write; nothing was written."));
    const SafetyCopy copy = keepSafetyCopy(before.backup);
    target.noteSafetyCopy(QStringLiteral("restore"), copy.path, copy.error);
    if (!copy.ok())
        return ended(Kind::NoCopy, QCoreApplication::translate(
                                       "backup", "Restore aborted: no safety copy could be made first (%1)%2")
                                       .arg(copy.error, nothing));
    outcome.safetyCopy = copy.path;

    const regmap::Family family = protocolfacts::find(backup.protocol)->family;
    const Values from = valuesOf(before.backup);
    const Values to = valuesOf(backup);
    const std::vector<const regmap::StoredValue *> order = writeOrder(family, from, to);
    std::vector<regmap::StoredValue> targets;
    std::vector<uint32_t> values;
    for (const regmap::StoredValue *value : order) {
        targets.push_back(*value);
        values.push_back(static_cast<uint32_t>(to.at(value->name)));
    }
    writetx::Access access = target.storedValueAccess(targets);
    // Once stopped, the writes that follow are the write-back, which must go through.
    auto stopped = std::make_shared<bool>(false);
    if (options.stop || options.stopRequested) {
        access.write = [write = access.write, options, stopped](size_t i, uint32_t value) {
            if (!*stopped && options.stopNow()) {
                *stopped = true;
                return std::optional<writetx::Failure>(
                    writetx::Failure{false, QCoreApplication::translate("backup", "stopped by the user")});
            }
            return write(i, value);
        };
    }
    const writetx::Outcome written =
        writetx::run(access, values, QCoreApplication::translate("backup", "the previous values were"));

    // The end: every value read again and compared with the file, whatever happened.
    const Taken after = take(target);
    for (const Difference &difference : outcome.differences) {
        SettingOutcome setting{difference.name,
                               difference.address,
                               difference.unit,
                               difference.first.value_or(0),
                               difference.second.value_or(0),
                               std::nullopt};
        if (after.ok())
            setting.now = after.backup.find(difference.name)->value;
        setting.refused = written.refused && written.failedAt >= 0 &&
                          targets.at(static_cast<size_t>(written.failedAt)).name == difference.name;
        outcome.settings.append(setting);
    }
    if (!written.ok) {
        outcome.kind = Kind::Failed;
        outcome.message = (*stopped ? QCoreApplication::translate("backup", "Restore stopped: %1")
                                    : QCoreApplication::translate("backup", "Restore failed: %1"))
                              .arg(written.message);
        return outcome;
    }
    if (!after.ok()) {
        outcome.kind = Kind::Failed;
        outcome.message =
            QCoreApplication::translate(
                "backup", "Restore written and each write confirmed, but the final read-back failed: %1.")
                .arg(after.error);
        return outcome;
    }
    const QList<Difference> left = compare(after.backup, backup);
    if (!left.isEmpty()) {
        QStringList lines;
        for (const Difference &difference : left)
            lines << describe(difference);
        outcome.kind = Kind::Failed;
        outcome.message =
            QCoreApplication::translate(
                "backup", "Restore written, but the amplifier reads back otherwise than the file "
                          "(amplifier -> file): %1.")
                .arg(lines.join(QStringLiteral("; ")));
        return outcome;
    }
    outcome.kind = Kind::Done;
    outcome.message =
        QCoreApplication::translate(
            "backup", "Restored: %1 value(s) written, and every value reads back as in the file.")
            .arg(outcome.differences.size());
    return outcome;
}

} // namespace backup
