#include "protocol/SdoFrames.h"

#include <algorithm>
#include <stdexcept>

namespace sdo {

namespace {

Bytes frame(uint8_t command, uint16_t index, uint8_t subIndex) {
    Bytes bytes(kFrameLength, 0);
    bytes[0] = command;
    bytes[1] = static_cast<uint8_t>(index & 0xFF);
    bytes[2] = static_cast<uint8_t>(index >> 8);
    bytes[3] = subIndex;
    return bytes;
}

// The command class is the top three bits of byte 0 (CiA 301 client/server command specifier).
int commandClass(uint8_t command) {
    return command >> 5;
}
constexpr int kClientDownload = 1; // write request
constexpr int kClientUpload = 2;   // read request
constexpr int kServerUpload = 2;   // read reply
constexpr int kServerDownload = 3; // write acknowledgement
constexpr uint8_t kExpeditedBit = 0x02;

bool sameEntry(const Bytes &request, const Bytes &reply) {
    return request[1] == reply[1] && request[2] == reply[2] && request[3] == reply[3];
}

} // namespace

uint32_t requestCobId(uint8_t nodeId) {
    return kRequestBase + nodeId;
}

uint32_t replyCobId(uint8_t nodeId) {
    return kReplyBase + nodeId;
}

Bytes littleEndian32(uint32_t value) {
    return {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
            static_cast<uint8_t>((value >> 16) & 0xFF), static_cast<uint8_t>((value >> 24) & 0xFF)};
}

Bytes readRequest(uint16_t index, uint8_t subIndex) {
    return frame(kReadRequest, index, subIndex);
}

Bytes writeRequest(uint16_t index, uint8_t subIndex, const Bytes &data) {
    uint8_t command = 0;
    switch (data.size()) {
    case 1:
        command = kWrite1Byte;
        break;
    case 2:
        command = kWrite2Bytes;
        break;
    case 4:
        command = kWrite4Bytes;
        break;
    default:
        throw std::runtime_error("Unsupported data length for SDO write.");
    }
    Bytes bytes = frame(command, index, subIndex);
    std::copy(data.begin(), data.end(), bytes.begin() + 4);
    return bytes;
}

Bytes writeUnsized(uint16_t index, uint8_t subIndex, uint32_t value) {
    Bytes bytes = frame(kWriteUnsized, index, subIndex);
    const Bytes le = littleEndian32(value);
    std::copy(le.begin(), le.end(), bytes.begin() + 4);
    return bytes;
}

Bytes calibrationUnlock() {
    return writeRequest(kControlIndex, kCalibrationUnlockSubIndex, {0x01});
}

Bytes zeroPointCleared() {
    return writeUnsized(kZeroPointIndex, 0, 0);
}

Bytes zeroPointSet(uint32_t value) {
    return writeUnsized(kZeroPointIndex, 0, value);
}

Bytes tareSwitch(bool on) {
    return writeRequest(kControlIndex, kTareSwitchSubIndex, {static_cast<uint8_t>(on ? 1 : 0)});
}

Bytes measuringValueRequest() {
    return readRequest(kMeasuringValueIndex, 0);
}

Bytes adValueRequest() {
    return readRequest(kAdValueIndex, 0);
}

ReplyKind classifyReply(const Bytes &request, const Bytes &reply) {
    const bool sdoRequest = request.size() >= 4 && (commandClass(request[0]) == kClientDownload ||
                                                    commandClass(request[0]) == kClientUpload);
    if (!sdoRequest)
        return ReplyKind::Answer;
    if (reply.size() < 4 || !sameEntry(request, reply))
        return ReplyKind::Stale;
    if (reply[0] == kAbort)
        return ReplyKind::Abort;
    const int replyClass = commandClass(reply[0]);
    if (commandClass(request[0]) == kClientUpload) {
        if (replyClass != kServerUpload)
            return ReplyKind::Stale;
        return (reply[0] & kExpeditedBit) ? ReplyKind::Answer : ReplyKind::Unsupported;
    }
    return replyClass == kServerDownload ? ReplyKind::Answer : ReplyKind::Stale;
}

uint32_t abortCode(const Bytes &reply) {
    return reply.size() >= 8 ? value32(reply) : 0;
}

QString abortText(uint32_t code) {
    struct Known {
        uint32_t code;
        const char *text;
    };
    static const Known kKnown[] = {
        {0x05030000, "toggle bit not alternated"},
        {0x05040000, "SDO protocol timed out"},
        {0x05040001, "command specifier not valid or unknown"},
        {0x06010000, "unsupported access to an object"},
        {0x06010001, "attempt to read a write only object"},
        {0x06010002, "attempt to write a read only object"},
        {0x06020000, "object does not exist"},
        {0x06040043, "general parameter incompatibility"},
        {0x06060000, "access failed due to a hardware error"},
        {0x06070010, "data type does not match, length of service parameter does not match"},
        {0x06090011, "sub-index does not exist"},
        {0x06090030, "value range of parameter exceeded"},
        {0x08000000, "general error"},
        {0x08000020, "data cannot be transferred or stored"},
        {0x08000021, "data cannot be transferred because of local control"},
        {0x08000022, "data cannot be transferred because of the present device state"},
    };
    const QString number =
        QStringLiteral("0x") + QString::number(code, 16).rightJustified(8, QLatin1Char('0')).toUpper();
    for (const Known &known : kKnown) {
        if (known.code == code)
            return QStringLiteral("SDO abort %1 (%2)").arg(number, QLatin1String(known.text));
    }
    return QStringLiteral("SDO abort %1").arg(number);
}

uint32_t value32(const Bytes &reply) {
    return static_cast<uint32_t>(reply.at(4)) | (static_cast<uint32_t>(reply.at(5)) << 8) |
           (static_cast<uint32_t>(reply.at(6)) << 16) | (static_cast<uint32_t>(reply.at(7)) << 24);
}

uint32_t adValue(const Bytes &reply) {
    return value32(reply) & 0x00FFFFFFu;
}

int32_t measuringValue(const Bytes &reply) {
    return static_cast<int32_t>(value32(reply));
}

} // namespace sdo
