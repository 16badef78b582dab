#pragma once

#include "protocol/RegisterMap.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <optional>

class AmplifierBase;

// What an amplifier keeps (its settings and its calibration block, regmap::storedValues), saved to a file,
// compared and written back into the same or another amplifier of the same model and protocol. Everything
// runs on the calling thread, exchange by exchange under the link's lock, like the drivers' own commands.
namespace backup {

// What a backup file says it is; a file without these is not one.
inline const QString kFormatName = QStringLiteral("Kelvora amplifier backup");
constexpr int kFormatVersion = 1;

// One value of a backup.
struct Setting {
    QString name;    // the register map's name ("filteringLevel", "point1Ad", "pointCount")
    QString address; // "0x0056", or "0x2019:00" for a CANopen entry
    QString unit;    // "ms", "counts", "0.01 g"; empty for a plain level or count
    qulonglong value = 0;
};

struct Backup {
    int formatVersion = kFormatVersion;
    QString model;
    QString protocol; // as the factory takes it: "RS232", "RS485", "CANOpen"
    int deviceId = 0; // 0 where the link has one amplifier (RS232)
    QString port;
    QString programVersion;
    QDateTime date; // UTC
    // Why it was taken: empty for a backup asked for, else what it was taken before ("calibrate",
    // "selfTest", "restore").
    QString reason;
    // In the register map's order: the settings, then the calibration block.
    QList<Setting> settings;

    const Setting *find(const QString &name) const;
    // "CANOpen #2 (Model)" to name the amplifier in lists.
    QString amplifierText() const;
};

// -- Taking one ------------------------------------------------------------------------------------------

struct Taken {
    Backup backup;
    QString error; // empty when every value was read
    bool ok() const { return error.isEmpty(); }
};
// Reads every value the amplifier keeps. All or nothing: the first read that fails ends it, and `error`
// names the value and says why ("filteringLevel (0x0056) could not be read: ..."); no partial backup comes
// out.
Taken take(AmplifierBase &amplifier, const QString &reason = {});

// -- Files -------------------------------------------------------------------------------------------------

QByteArray toJson(const Backup &backup);
// The CANopen entries as a device configuration file that CANopen tools read ("[2019sub0]",
// "ParameterValue=3"); empty for a serial backup.
QByteArray toDcf(const Backup &backup);
// Where the device configuration file goes beside the JSON file `jsonPath`: its ".json" replaced by ".dcf",
// or ".dcf" added, so that it never falls on the JSON file itself.
QString dcfPathBeside(const QString &jsonPath);

struct Loaded {
    Backup backup;
    QString error; // why the file is refused: damaged, not a backup, unknown version, ...; empty when taken
    bool ok() const { return error.isEmpty(); }
};
// A backup from JSON. Refuses, naming the problem, what is not valid JSON (damaged or truncated), what is
// not a backup, an unknown format version or protocol, a setting the protocol's amplifiers do not have, a
// value that is not a whole number of 32 bits, a setting twice or one missing.
Loaded fromJson(const QByteArray &json);
Loaded load(const QString &path);
// Writes the backup as JSON (`dcf`: as a device configuration file) to `path` whole or not at all (an
// existing file is replaced only once the new one is complete). The reason it failed, or an empty string.
QString save(const Backup &backup, const QString &path, bool dcf = false);

// -- Comparing
// -----------------------------------------------------------------------------------------------

struct Difference {
    QString name;
    QString address;
    QString unit;
    std::optional<qulonglong> first;  // nullopt: not in the first
    std::optional<qulonglong> second; // nullopt: not in the second
};
// The values that differ between two backups, in the order of `first` (then those only `second` has).
QList<Difference> compare(const Backup &first, const Backup &second);
// "filteringLevel (0x0056): 2 -> 3", one line per difference.
QString describe(const Difference &difference);

// -- Restoring
// -------------------------------------------------------------------------------------------------

// Why a backup cannot go into this amplifier (another model or protocol, a value outside what the amplifier
// takes, a setting it does not have), or an empty string.
QString refusal(const Backup &backup, AmplifierBase &target);

struct SettingOutcome {
    QString name;
    QString address;
    QString unit;
    qulonglong before = 0;         // as the amplifier held it before
    qulonglong wanted = 0;         // as the backup holds it
    std::optional<qulonglong> now; // as read at the end; nullopt when that read failed
    bool refused = false;          // the amplifier refused this value's write
    bool done() const { return now && *now == wanted; }
};

struct RestoreOutcome {
    // NoCopy: nothing written, as the amplifier could not be read first, no safety copy could be made, or
    // a stop came before the first write.
    enum class Kind {
        Done,      // every differing value written, and the final read-back matches the file
        DryRun,    // the differences listed; nothing written
        Unchanged, // nothing differed; nothing written
        BadInput,  // refused before anything was sent (see refusal())
        NoCopy,
        Failed, // a write failed or was stopped; `message` says what the amplifier holds now
    };
    Kind kind = Kind::Failed;
    QString message;
    // The file against the amplifier as it was: what the restore writes (or would write, for a dry run).
    QList<Difference> differences;
    // Each differing value, with what the amplifier holds at the end (empty for a dry run or a refusal).
    QList<SettingOutcome> settings;
    // The safety copy written before the first write, empty when none was (dry run, copies off).
    QString safetyCopy;
    bool ok() const { return kind == Kind::Done || kind == Kind::DryRun || kind == Kind::Unchanged; }
    // Whether anything may have reached the amplifier.
    bool wroteAny() const { return kind == Kind::Done || kind == Kind::Failed; }
};

struct RestoreOptions {
    bool dryRun = false;
    // Looked at before each write (not before the write-back): set (from any thread, or a POSIX signal
    // handler), it stops the restore there, and what was written is then written back, as after a refused
    // write.
    const std::atomic<bool> *stop = nullptr;
    // The same as a question asked before each write, for a caller that decides write by write.
    std::function<bool()> stopRequested;

    bool stopNow() const { return (stop && stop->load()) || (stopRequested && stopRequested()); }
};

// Writes `backup` into `target`: refused whole by refusal(); then the amplifier read, the differing values
// only written, one all-or-nothing write (each confirmed and read back; on a failure the old values are
// written back and the message says what the amplifier holds), the calibration block in an order that
// keeps the curve in use valid at every step; last, every value read back and compared with the file.
RestoreOutcome restore(AmplifierBase &target, const Backup &backup, const RestoreOptions &options = {});

// -- Safety copies
// -----------------------------------------------------------------------------------------------

constexpr int kKeptSafetyCopies = 20;

// Safety copies are written only once switched on (the program and the command-line tool do at start);
// `folder` empty: "backups" in the per-user application data folder.
void enableSafetyCopies(const QString &folder = {});
void disableSafetyCopies();
bool safetyCopiesEnabled();
QString safetyCopyFolder();

struct SafetyCopy {
    QString path;  // where it went
    QString error; // why none was written; empty when one was, or when copies are off
    bool ok() const { return error.isEmpty(); }
};
// Before `reason` ("calibrate", "selfTest", "restore") changes the amplifier: takes a backup of it into the
// safety-copy folder, named by amplifier and time, and keeps the newest kKeptSafetyCopies of that amplifier.
// Nothing when copies are off.
SafetyCopy writeSafetyCopy(AmplifierBase &amplifier, const QString &reason);
// Writes an already taken backup as a safety copy (a restore has just read the amplifier).
SafetyCopy keepSafetyCopy(const Backup &backup);

struct ListedCopy {
    QString path;
    Backup backup; // as loaded; `error` set when the file cannot be read
    QString error;
};
// The safety copies in the folder, newest first.
QList<ListedCopy> safetyCopies();

} // namespace backup
