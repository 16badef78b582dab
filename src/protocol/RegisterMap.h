#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <vector>

// The settings an amplifier holds, where each protocol keeps them and what values each takes: the one table
// the drivers, the command-line tool, the screens' input rules and the settings backup read. QtCore only.
namespace regmap {

// The two ways amplifiers are addressed: Modbus holding registers (RS232 and RS485) and CANopen
// object-dictionary entries.
enum class Family { Serial, CanOpen };

struct Range {
    qulonglong min = 0;
    qulonglong max = 0;
};

// What a setter does with a value outside `range`: bound it to the range, or replace it by the range's
// lowest value (the CANopen filter level).
enum class Clamp { Bound, ReplaceByMin };

// A setting as one family holds it.
struct Place {
    // The values written unchanged.
    Range range;
    // The width of the setter's argument: a wider value is cut to its low bits before the clamp, as a
    // typed argument of that width did.
    int argumentBits;
    Clamp clamp;
};

struct Setting {
    const char *key;       // on the command line ("level"); null when the tool does not offer it
    const char *name;      // in the screens and in readFilterSettings() ("filteringLevel")
    const char *operation; // the driver's setter
    const char *unit;      // what the number counts, "" when it is a plain level or count
    uint16_t reg;          // holding register; 0: the serial amplifiers have no such setting
    Place serial;
    uint16_t index; // CANopen entry index:sub, `width` bytes wide
    uint8_t subIndex;
    int width;
    Place canOpen;

    bool heldBy(Family family) const { return family == Family::CanOpen || reg != 0; }
    const Place &place(Family family) const { return family == Family::CanOpen ? canOpen : serial; }
};

// In the order the filter screen writes them.
const std::vector<Setting> &settings();
// The settings `family` holds, in the table's order.
std::vector<const Setting *> settingsOf(Family family);
// The setting with command-line key or screen name `keyOrName` among those the tool and the screens offer
// (every one with a key); null when there is none.
const Setting *find(const QString &keyOrName);
// What a setter of `family` writes when given `value` (a number as QML or C++ passes it): cut to the
// argument width, then clamped.
uint32_t clamped(const Setting &setting, Family family, double value);
// The low 32 bits of `value` truncated toward zero, as a two's complement pattern; 0 for NaN or infinity.
uint32_t truncatedLow32(double value);

// Serial registers the drivers use beyond the filter settings.
constexpr uint16_t kMeasuringValueRegister = 0x0000;
constexpr uint16_t kZeroOffsetRegister = 0x0004;
constexpr uint16_t kPointCountRegister = 0x0006;
constexpr uint16_t kFirstPointAdRegister = 0x0008;
constexpr uint16_t kFirstPointWeightRegister = 0x001A;

// What a value of the calibration block is; Setting for the settings above.
enum class Role { Setting, ZeroOffset, PointCount, PointAd, PointWeight };

// A value an amplifier keeps, where one family keeps it (a serial register or a CANopen entry), and the
// values it takes: what a backup reads, compares and writes back.
struct StoredValue {
    QString name;     // a setting's screen name, or "zeroOffset", "pointCount", "point0Ad", "point1Weight"
    const char *unit; // "ms", "counts", "0.01 g", "" for a plain level or count
    Role role;
    int point;      // the calibration point an AD value or weight belongs to; -1 otherwise
    uint16_t reg;   // serial register; 0 for CANopen
    uint16_t index; // CANopen entry index:sub, `width` bytes wide; 0 for serial
    uint8_t subIndex;
    int width;
    Range range;

    bool isCalibration() const { return role != Role::Setting; }
    // "0x0056" or "0x2019:00", as the write messages name it.
    QString address() const;
};

// The calibration block `family` keeps, in the order a calibration writes it: the points, the zero offset
// (serial only: the CANopen amplifier keeps its offset to itself), the point count last, since the count
// is what puts the points in use. Serial: nine points at 0x0008 + 2i (AD) and 0x001A + 2i (weight x 100);
// CANopen: a two-point block, zero AD 0x200E, span AD 0x200F, span weight x 100 0x2004, count 0x2006, each
// written only after the calibration unlock.
const std::vector<StoredValue> &calibrationBlock(Family family);
// Every value `family` keeps that a backup holds: the settings in the table's order, then the calibration
// block.
const std::vector<StoredValue> &storedValues(Family family);
// The value of `family` named `name`; null when it keeps none of that name.
const StoredValue *findStored(Family family, const QString &name);
constexpr uint32_t kMaxCalibrationPoints = 9;

// The setting with screen name `name`, for the drivers' own use; a name not in the table is a programming
// error and ends the program at once.
const Setting &named(const char *name);

} // namespace regmap
