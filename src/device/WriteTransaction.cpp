#include "device/WriteTransaction.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <exception>

namespace writetx {

namespace {

constexpr int kRestoreAttempts = 2;

// Writes and reads back; nullopt when the target holds `value` afterwards.
std::optional<Failure> writeVerified(const Access &access, size_t i, uint32_t value) {
    try {
        if (std::optional<Failure> failure = access.write(i, value))
            return failure;
    } catch (const std::exception &e) {
        return Failure{false, QString::fromUtf8(e.what())};
    }
    QString cause;
    const std::optional<uint32_t> readBack = readQuietly(access, i, &cause);
    if (!readBack)
        return Failure{false, QCoreApplication::translate("writetx", "the read-back failed: %1").arg(cause)};
    if (*readBack != value)
        return Failure{
            false,
            QCoreApplication::translate("writetx", "read back %1 instead of %2").arg(*readBack).arg(value)};
    return std::nullopt;
}

} // namespace

std::optional<uint32_t> readQuietly(const Access &access, size_t i, QString *cause) {
    try {
        return access.read(i, cause);
    } catch (const std::exception &e) {
        *cause = QString::fromUtf8(e.what());
        return std::nullopt;
    }
}

QStringList restore(const Access &access, const std::vector<uint32_t> &saved, bool *wroteAny,
                    bool rewriteFollowing) {
    bool rewriting = false;
    bool wrote = false;
    for (size_t i = 0; i < saved.size(); ++i) {
        QString cause;
        const std::optional<uint32_t> now = readQuietly(access, i, &cause);
        if (!rewriting && now && *now == saved[i])
            continue;
        rewriting = rewriteFollowing;
        wrote = true;
        for (int attempt = 0; attempt < kRestoreAttempts; ++attempt) {
            try {
                if (access.beforeRestore)
                    access.beforeRestore();
            } catch (const std::exception &) {
                // The write below fails then too, and says why.
            }
            if (!writeVerified(access, i, saved[i]))
                break;
        }
    }
    if (wroteAny)
        *wroteAny = wrote;
    // Read all once more: where targets overlap, a later write-back may have changed an earlier one.
    QStringList wrong;
    for (size_t i = 0; i < saved.size(); ++i) {
        QString cause;
        const std::optional<uint32_t> now = readQuietly(access, i, &cause);
        if (!now)
            wrong << QCoreApplication::translate("writetx", "%1 = unknown (%2)").arg(access.name(i), cause);
        else if (*now != saved[i])
            wrong << QCoreApplication::translate("writetx", "%1 = %2 (was %3)")
                         .arg(access.name(i))
                         .arg(*now)
                         .arg(saved[i]);
    }
    return wrong;
}

Outcome run(const Access &access, const std::vector<uint32_t> &values, const QString &previous) {
    std::vector<uint32_t> old;
    old.reserve(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        QString cause;
        const std::optional<uint32_t> held = readQuietly(access, i, &cause);
        if (!held)
            return {false, QCoreApplication::translate(
                               "writetx", "%1 could not be read first (%2); nothing was written.")
                               .arg(access.name(i), cause)};
        old.push_back(*held);
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const std::optional<Failure> failure = writeVerified(access, i, values[i]);
        if (!failure)
            continue;
        const QString head = (failure->refused ? QCoreApplication::translate("writetx", "refused at %1 (%2)")
                                               : QCoreApplication::translate("writetx", "failed at %1 (%2)"))
                                 .arg(access.name(i), failure->reason);
        bool wroteAny = false;
        const QStringList wrong = restore(
            access, std::vector<uint32_t>(old.begin(), old.begin() + static_cast<long>(i) + 1), &wroteAny);
        Outcome outcome{false, {}, static_cast<int>(i), failure->refused};
        if (!wrong.isEmpty())
            outcome.message =
                QCoreApplication::translate(
                    "writetx", "%1; writing back the previous values failed, the amplifier now holds: "
                               "%2; everything else as before.")
                    .arg(head, wrong.join(QStringLiteral(", ")));
        else if (!wroteAny)
            outcome.message =
                QCoreApplication::translate("writetx", "%1; nothing was changed (read back).").arg(head);
        else
            outcome.message = QCoreApplication::translate("writetx", "%1; %2 written back and read back.")
                                  .arg(head, previous);
        return outcome;
    }
    return {true, {}};
}

std::vector<std::optional<uint32_t>> settingValues(const QVariantMap &given,
                                                   const std::vector<SettingRange> &table, QString *refusal) {
    for (auto it = given.begin(); it != given.end(); ++it) {
        const bool known = std::any_of(table.begin(), table.end(), [&](const SettingRange &s) {
            return it.key() == QLatin1String(s.key);
        });
        if (!known) {
            *refusal = QStringLiteral("Unknown setting \"%1\"; nothing was written.").arg(it.key());
            return {};
        }
    }
    std::vector<std::optional<uint32_t>> values;
    for (const SettingRange &setting : table) {
        const QVariant value = given.value(QLatin1String(setting.key));
        if (!value.isValid()) {
            values.emplace_back();
            continue;
        }
        bool ok = false;
        const double number =
            value.typeId() == QMetaType::Bool ? (value.toBool() ? 1.0 : 0.0) : value.toDouble(&ok);
        if (value.typeId() == QMetaType::Bool)
            ok = true;
        if (!ok || !std::isfinite(number) || std::floor(number) != number || number < setting.min ||
            number > setting.max) {
            *refusal = QStringLiteral(
                           "%1 = %2 is refused: it takes whole numbers from %3 to %4; nothing was written.")
                           .arg(QLatin1String(setting.key), value.toString())
                           .arg(setting.min)
                           .arg(setting.max);
            return {};
        }
        values.emplace_back(static_cast<uint32_t>(number));
    }
    return values;
}

std::vector<SettingRange> settingTable(regmap::Family family) {
    std::vector<SettingRange> table;
    for (const regmap::Setting *setting : regmap::settingsOf(family)) {
        const regmap::Range range = setting->place(family).range;
        table.push_back({setting->name, static_cast<uint32_t>(range.min), static_cast<uint32_t>(range.max)});
    }
    return table;
}

QVariantMap readSettings(const std::vector<SettingRange> &table, const Access &access) {
    QVariantMap settings;
    for (size_t row = 0; row < table.size(); ++row) {
        QString cause;
        const std::optional<uint32_t> value = readQuietly(access, row, &cause);
        if (!value)
            return {{QStringLiteral("error"), cause}};
        settings.insert(QLatin1String(table[row].key), static_cast<qulonglong>(*value));
    }
    return settings;
}

Outcome writeSettings(const QVariantMap &given, const std::vector<SettingRange> &table,
                      const std::function<Access(const std::vector<size_t> &rows)> &accessFor) {
    QString refusal;
    const std::vector<std::optional<uint32_t>> values = settingValues(given, table, &refusal);
    if (!refusal.isEmpty())
        return {false, QStringLiteral("Filter settings refused: %1").arg(refusal)};
    std::vector<size_t> rows;
    std::vector<uint32_t> chosen;
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i]) {
            rows.push_back(i);
            chosen.push_back(*values[i]);
        }
    }
    if (rows.empty())
        return {false, QStringLiteral("No filter setting given; nothing was written.")};
    const Outcome outcome = run(accessFor(rows), chosen, QStringLiteral("the previous settings were"));
    if (!outcome.ok)
        return {false, QStringLiteral("Filter settings failed: %1").arg(outcome.message)};
    return {true, QStringLiteral("Filter settings written and read back.")};
}

} // namespace writetx
