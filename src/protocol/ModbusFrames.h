#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The Modbus RTU subset the serial amplifiers speak: one 32-bit value in two holding registers, read with
// function 0x03 and written with 0x10. Bytes in, bytes or values out: no port, no thread.
namespace modbus {

constexpr uint8_t kReadFunction = 0x03;
constexpr uint8_t kWriteFunction = 0x10;
constexpr uint8_t kExceptionFlag = 0x80;
constexpr size_t kReadRequestSize = 8;
constexpr size_t kWriteRequestSize = 13;
constexpr size_t kReadAnswerSize = 9;
constexpr size_t kWriteAnswerSize = 8;
constexpr size_t kExceptionAnswerSize = 5;
// The raw AD value: read by the handshake and by a bus scan, changing nothing in the amplifier.
constexpr uint16_t kAdRegister = 0x1F40;

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
uint16_t crc16(const uint8_t *data, size_t size);
uint16_t crc16(const std::vector<uint8_t> &data);

// Read request for the two registers starting at `reg` (8 bytes, CRC low byte first).
std::vector<uint8_t> readRequest(uint8_t address, uint16_t reg);
// Write request putting `value` into `reg` (high 16 bits) and `reg + 1` (low 16 bits); 13 bytes.
std::vector<uint8_t> writeRequest(uint8_t address, uint16_t reg, uint32_t value);

// Why an answer was refused. Everything but Ok means the value must not be used, or the write must not
// count as done.
enum class AnswerFault {
    Ok,
    WrongLength,        // not the length of the expected answer (and not a well-formed exception answer)
    BadCrc,             // the checksum does not match the bytes
    WrongAddress,       // answered by, or meant for, another device
    WrongFunction,      // not an answer to this kind of request
    WrongByteCount,     // a read answer that does not carry exactly two registers
    WrongRegister,      // a write echo naming another start register
    WrongRegisterCount, // a write echo naming another number of registers
    Exception,          // the amplifier refused the request with a Modbus exception
};

struct Answer {
    AnswerFault fault = AnswerFault::WrongLength;
    uint32_t value = 0;           // reads only, valid only when fault == Ok
    uint8_t receivedAddress = 0;  // set for WrongAddress
    uint8_t receivedFunction = 0; // set for WrongFunction
    uint8_t byteCount = 0;        // set for WrongByteCount
    uint16_t received = 0;        // the register or the count, for WrongRegister and WrongRegisterCount
    uint8_t exceptionCode = 0;    // set for Exception
    size_t size = 0;              // number of bytes received
    size_t expectedSize = kReadAnswerSize;

    bool ok() const { return fault == AnswerFault::Ok; }
};
using ReadAnswer = Answer;

// Checks a read answer in the order length, CRC, address, function, byte count. The CRC comes first
// because a frame whose checksum fails says nothing reliable about who sent it.
Answer decodeReadAnswer(const std::vector<uint8_t> &answer, uint8_t expectedAddress);
// Checks the answer to a write of `reg`: a write counts as done only when the amplifier echoes the
// request's address, function, start register and register count under a valid CRC.
Answer decodeWriteAnswer(const std::vector<uint8_t> &answer, uint8_t expectedAddress, uint16_t reg);

// The value bytes 3..6 of a 9-byte answer, most significant first, without any check.
uint32_t valueOf(const std::vector<uint8_t> &answer);
// A register pair holding a signed measuring value.
int32_t asSigned(uint32_t value);

// Whether `answer` is a whole, intact answer of `expectedSize` bytes from the device `request` went to,
// with the request's function: what a link checks to know that the line is still in step.
bool isAnswerTo(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer, size_t expectedSize);

// What Modbus exception `code` means ("illegal data address"); "" for a code without a name here.
const char *exceptionMeaning(uint8_t code);

// A short English description of a refused answer, e.g. "CRC check failed" or "Modbus exception 2
// (illegal data address)".
std::string describe(const Answer &answer);

// A refused answer in a few words for a status marker: "refused: Modbus exception 2", "bad checksum",
// "incomplete answer", "answer from address 7"; "" when nothing came at all.
std::string shortFault(const Answer &answer);

// Why `answer` does not answer `request` (decoded as `decoded`), in words for a technician: "" when nothing
// came, otherwise e.g. "the amplifier refused the read: Modbus exception 2 (illegal data address)" or "the
// adapter echoes what it sends; switch its echo off".
std::string whyNotAnswered(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer,
                           const Answer &decoded);

} // namespace modbus
