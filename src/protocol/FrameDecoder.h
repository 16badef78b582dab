#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// What became of one frame on a link, and the frame in words: the verdicts the link statistics count and the
// decoding the frame monitor shows. Bytes in, words out; no port, no clock. Decoding is done when a frame is
// shown, never while it is exchanged.
namespace frames {

enum class Protocol : uint8_t { Modbus, Sdo };
enum class Direction : uint8_t { Request, Answer };

// Numbered from 0 without gaps: the statistics keep one counter per verdict.
enum class Verdict : uint8_t {
    Ok,          // a whole, intact answer to the request (a value may still be wrong: the link cannot know)
    TimedOut,    // nothing came within the time-out
    BadCrc,      // the request's address and function under a checksum that fails
    OtherId,     // an intact answer from another address or node
    Refused,     // a Modbus exception or an SDO abort; the code says which
    Late,        // bytes that came after their exchange had given up, discarded before the next request
    Duplicate,   // a second answer to one request: two devices on one address
    Garbage,     // bytes that are no frame of this protocol
    Incomplete,  // the start of an answer, cut short
    Unsupported, // an answer in a form this program does not speak (a segmented SDO transfer)
    Count
};
constexpr int kVerdictCount = static_cast<int>(Verdict::Count);

// Short fixed English key: "ok", "time-out", "bad CRC", "other id", "refused", "late", "duplicate",
// "garbage", "incomplete", "unsupported". Stable: the CLI prints it and the screens filter by it.
const char *verdictKey(Verdict verdict);

struct Judgement {
    Verdict verdict = Verdict::TimedOut;
    uint32_t code = 0;     // exception code or abort code for Refused
    int otherAddress = -1; // the address or node that answered, for OtherId
};

// The verdict on `answer` (what came back, maybe nothing) to Modbus `request`. A failing checksum is
// BadCrc when the frame starts as an answer to the request would, Garbage otherwise.
Judgement judgeModbus(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer);
// The verdict on an SDO reply (8 bytes as received from the node's reply COB-ID) to `request`.
Judgement judgeSdo(const std::vector<uint8_t> &request, const std::vector<uint8_t> &reply);

// One frame in words. `decoded` false means the bytes say nothing reliable: only `hex` may be shown, never a
// value.
struct Decoded {
    bool decoded = false;
    QString function; // "read", "write", "exception", "upload", "download", "abort", ...
    int target = -1;  // Modbus register, or SDO index
    int subIndex = -1;
    QString name;   // the register map's name of the target, "" when it has none
    int count = -1; // registers (Modbus)
    QString value;  // the value as a number, or the exception or abort text; "" when there is none
    QString hex;    // "01 03 1F 40 00 02 ..."
    // One line for a list or a terminal: "read 0x1F40 (adValue) x2 = 250000", "exception 2 (illegal data
    // address)", or the hex when not decoded.
    QString summary() const;
};

// Decodes `bytes`. A Modbus read answer does not name its register: `requestTarget` (the register of the
// request it answers, -1 when unknown) supplies it.
Decoded decode(Protocol protocol, Direction direction, const uint8_t *bytes, size_t size,
               int requestTarget = -1);

// The name of a serial register or a CANopen entry (index, sub) as the register map and the drivers call it;
// "" when none is known.
QString serialRegisterName(uint16_t reg);
QString canOpenEntryName(uint16_t index, uint8_t subIndex);

// Upper-case hex pairs separated by blanks.
QString hex(const uint8_t *bytes, size_t size);

} // namespace frames
