#pragma once

#include "protocol/RegisterMap.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// All-or-nothing writes of several values into an amplifier, whatever carries them (Modbus registers,
// CANopen entries). Each value is read first, then written and confirmed and read back; when one fails,
// everything already touched gets its old value back, written and read back again, and the outcome says
// what the amplifier holds now. The link family supplies how one target is read and written.
namespace writetx {

// Why one write did not go through.
struct Failure {
    bool refused = false; // the amplifier said no (exception, abort); otherwise no, garbled or wrong answer
    QString reason;       // short: "Modbus exception 2", "no answer from the amplifier", ...
};

struct Access {
    // The name of target i in messages ("0x001A", "0x2004:00").
    std::function<QString(size_t i)> name;
    // What target i holds; nullopt with the reason in `cause` when the answer was refused. May raise
    // std::exception for a link failure.
    std::function<std::optional<uint32_t>(size_t i, QString *cause)> read;
    // Writes `value` into target i; nullopt when the amplifier confirmed it. May raise.
    std::function<std::optional<Failure>(size_t i, uint32_t value)> write;
    // Run before every write-back (CANopen: the calibration unlock, which each commit locks again). May
    // raise; optional.
    std::function<void()> beforeRestore;
};

struct Outcome {
    bool ok = false;
    // Empty on success. Otherwise, e.g. "refused at 0x001A (Modbus exception 2); the previous calibration
    // was written back and read back." — the caller puts its own prefix ("Calibration failed: ") before it.
    QString message;
    // The value whose write failed (its index in `values`), -1 when none did; and whether the amplifier
    // refused it. For callers that mark that value, whatever language the message is in.
    int failedAt = -1;
    bool refused = false;
};

// What target i holds, never raising: nullopt with the reason in `cause` for a refused answer or a link
// failure.
std::optional<uint32_t> readQuietly(const Access &access, size_t i, QString *cause);

// Writes `values` (value i into target i, in order). `previous` names what a full write-back restores, as
// the subject of "... was written back": "the previous calibration was", "the previous settings were".
Outcome run(const Access &access, const std::vector<uint32_t> &values, const QString &previous);

// Puts `saved` (value i for target i) back: in order, every target that does not hold its saved value is
// written (confirmed, read back, one more try when that fails). With `rewriteFollowing`, from the first one
// written on every later one is written too, since a later write may be what makes an earlier one take
// effect (a point count, a CANopen commit); without, a target that holds its value is never touched. Then
// all are read once more, because targets may overlap. Returns one text per target that does not hold its
// saved value afterwards ("0x0056 = 3 (was 2)", "0x0008 = unknown (no answer ...)"); `wroteAny` tells
// whether anything was written.
QStringList restore(const Access &access, const std::vector<uint32_t> &saved, bool *wroteAny = nullptr,
                    bool rewriteFollowing = true);

// A setting in a map of settings (the filter popup's, the command line's): its key and the values the
// amplifier takes unchanged.
struct SettingRange {
    const char *key;
    uint32_t min;
    uint32_t max;
};
// The settings `family` holds, with the values each takes unchanged, in the register map's order.
std::vector<SettingRange> settingTable(regmap::Family family);
// The whole numbers `given` holds for `table`'s keys, in the table's order, nullopt for a key not given.
// An unknown key, a value that is not a whole number or one outside its range refuses the whole map, with
// the reason in `refusal` and an empty result.
std::vector<std::optional<uint32_t>> settingValues(const QVariantMap &given,
                                                   const std::vector<SettingRange> &table, QString *refusal);

// The settings of `table` keyed by name, row i read through target i of `access`. All or nothing: on the
// first read that fails the map holds only "error", the reason, so that no setting is shown that was not
// read.
QVariantMap readSettings(const std::vector<SettingRange> &table, const Access &access);

// A map of filter settings written all or nothing: refused whole (nothing sent) when a key or a value is not
// what `table` takes, else the settings given, in the table's order, through run() with the Access that
// `accessFor` builds for those table rows. The outcome's message is the user's whole text, success or not.
Outcome writeSettings(const QVariantMap &given, const std::vector<SettingRange> &table,
                      const std::function<Access(const std::vector<size_t> &rows)> &accessFor);

} // namespace writetx
