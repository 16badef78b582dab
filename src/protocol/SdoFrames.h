#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Expedited CANopen SDO frames as the amplifier uses them: bytes in, bytes or values out. No I/O here.
namespace sdo {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kRequestBase = 0x600;
constexpr uint32_t kReplyBase = 0x580;
constexpr int kFrameLength = 8;

constexpr uint8_t kWrite1Byte = 0x2F;
constexpr uint8_t kWrite2Bytes = 0x2B;
constexpr uint8_t kWrite4Bytes = 0x23;
constexpr uint8_t kWriteUnsized = 0x22;
constexpr uint8_t kReadRequest = 0x40;
constexpr uint8_t kWriteAcknowledge = 0x60;
constexpr uint8_t kAbort = 0x80;

// Object-dictionary entries of the amplifier.
constexpr uint16_t kAdValueIndex = 0x2000;
constexpr uint16_t kMeasuringValueIndex = 0x2001;
constexpr uint16_t kZeroPointIndex = 0x2003;
constexpr uint16_t kCalibrationWeightIndex = 0x2004;
constexpr uint16_t kCalibrationPointsIndex = 0x2006;
constexpr uint16_t kCalibrationZeroIndex = 0x200E;
constexpr uint16_t kCalibrationSpanIndex = 0x200F;
constexpr uint16_t kControlIndex = 0x2025;
constexpr uint8_t kTareSwitchSubIndex = 2;
constexpr uint8_t kCalibrationUnlockSubIndex = 3;

uint32_t requestCobId(uint8_t nodeId);
uint32_t replyCobId(uint8_t nodeId);

Bytes littleEndian32(uint32_t value);

Bytes readRequest(uint16_t index, uint8_t subIndex);
// Command byte by data length: 1 -> 0x2F, 2 -> 0x2B, 4 -> 0x23; anything else throws std::runtime_error
// "Unsupported data length for SDO write.".
Bytes writeRequest(uint16_t index, uint8_t subIndex, const Bytes &data);
// The 0x22 form (size not indicated) with a 4-byte value.
Bytes writeUnsized(uint16_t index, uint8_t subIndex, uint32_t value);

// The fixed frames of calibration, zero and tare.
Bytes calibrationUnlock();
Bytes zeroPointCleared();
Bytes zeroPointSet(uint32_t value);
Bytes tareSwitch(bool on);
Bytes measuringValueRequest();
Bytes adValueRequest();

// How a frame received on the node's reply COB-ID relates to a request.
enum class ReplyKind {
    Answer,      // the reply to this request
    Abort,       // the node refused this request (abort code in bytes 4 to 7)
    Unsupported, // a reply to this request in a form this program does not speak (segmented transfer)
    Stale,       // belongs to another request (other entry, or a write acknowledgement)
};
// Read requests match replies by command class, index and subindex; writes match their acknowledgement.
// A request that is not an SDO initiate frame takes any reply (raw commands).
ReplyKind classifyReply(const Bytes &request, const Bytes &reply);

uint32_t abortCode(const Bytes &reply);
// "SDO abort 0x06020000 (object does not exist)"
QString abortText(uint32_t code);

// Bytes 4 to 7 little-endian; bytes 4 to 6 for the 24-bit AD value. The reply must hold 8 bytes.
uint32_t value32(const Bytes &reply);
uint32_t adValue(const Bytes &reply);
int32_t measuringValue(const Bytes &reply);

// One standard CAN data frame as the SDO layer sees it: the link converts it to and from its device's frames.
struct Frame {
    uint32_t id = 0;
    Bytes data; // at most kFrameLength bytes
};

} // namespace sdo
