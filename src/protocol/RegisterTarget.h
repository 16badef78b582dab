#pragma once

#include "protocol/RegisterMap.h"

#include <QString>

#include <cstdint>
#include <optional>

// One register (serial amplifiers) or object-dictionary entry (CANopen) as a technician types it, with its
// name and range from the register map: what the Link screen's register panel and the command-line tool's
// raw register commands both read. QtCore only.
namespace regtarget {

// Where a value lives: a serial register, or an entry index:sub.
struct Target {
    bool canOpen = false;
    uint16_t index = 0;
    uint8_t subIndex = 0;
};

// A whole number from 0 to `max`, decimal (or in `defaultBase`) or 0x hex; surrounding spaces allowed, a sign
// not.
std::optional<uint32_t> parseNumber(QString text, int defaultBase = 10, uint32_t max = UINT32_MAX);
// The target `text` names ("0x0056" or "86"; "2018:00" or "0x2018:0", in hex; or a setting's name,
// "filteringLevel" or "level"); nullopt when it names none.
std::optional<Target> parse(const QString &text, bool canOpen);
// "0x0056", "0x2018:00".
QString text(const Target &target);
// What the decoder calls it ("filtering level"); empty when it has no name.
QString name(const Target &target);
// The register map's setting held there, or null.
const regmap::Setting *setting(const Target &target);
// The values the register map lets it take; nullopt where the map has no setting there.
std::optional<regmap::Range> range(const Target &target);

} // namespace regtarget
