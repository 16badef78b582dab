#include "protocol/ModbusFrames.h"

#include <algorithm>

#include <cstdio>
#include <cstring>

namespace modbus {

uint16_t crc16(const uint8_t *data, size_t size) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001u) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

uint16_t crc16(const std::vector<uint8_t> &data) {
    return crc16(data.data(), data.size());
}

namespace {

void appendCrc(std::vector<uint8_t> &frame) {
    const uint16_t crc = crc16(frame);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

void appendWord(std::vector<uint8_t> &frame, uint16_t word) {
    frame.push_back(static_cast<uint8_t>(word >> 8));
    frame.push_back(static_cast<uint8_t>(word & 0xFF));
}

bool crcMatches(const std::vector<uint8_t> &frame, size_t size) {
    const uint16_t crc = crc16(frame.data(), size - 2);
    return frame[size - 2] == (crc & 0xFF) && frame[size - 1] == (crc >> 8);
}

} // namespace

std::vector<uint8_t> readRequest(uint8_t address, uint16_t reg) {
    std::vector<uint8_t> frame;
    frame.reserve(kReadRequestSize);
    frame.push_back(address);
    frame.push_back(kReadFunction);
    appendWord(frame, reg);
    appendWord(frame, 2);
    appendCrc(frame);
    return frame;
}

std::vector<uint8_t> writeRequest(uint8_t address, uint16_t reg, uint32_t value) {
    std::vector<uint8_t> frame;
    frame.reserve(kWriteRequestSize);
    frame.push_back(address);
    frame.push_back(kWriteFunction);
    appendWord(frame, reg);
    appendWord(frame, 2);
    frame.push_back(4);
    appendWord(frame, static_cast<uint16_t>(value >> 16));
    appendWord(frame, static_cast<uint16_t>(value & 0xFFFF));
    appendCrc(frame);
    return frame;
}

uint32_t valueOf(const std::vector<uint8_t> &answer) {
    if (answer.size() < 7)
        return 0;
    return (static_cast<uint32_t>(answer[3]) << 24) | (static_cast<uint32_t>(answer[4]) << 16) |
           (static_cast<uint32_t>(answer[5]) << 8) | static_cast<uint32_t>(answer[6]);
}

int32_t asSigned(uint32_t value) {
    int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

namespace {

// The length check shared by both answers. An exception answer is shorter; it is recognised so the
// report can say what the amplifier refused. Only the exact 5-byte form with a good CRC is taken as one.
bool lengthOk(const std::vector<uint8_t> &answer, uint8_t expectedAddress, uint8_t function,
              size_t expectedSize, Answer &result) {
    result.size = answer.size();
    result.expectedSize = expectedSize;
    if (answer.size() == expectedSize)
        return true;
    if (answer.size() == kExceptionAnswerSize && answer[0] == expectedAddress &&
        answer[1] == (function | kExceptionFlag) && crcMatches(answer, answer.size())) {
        result.fault = AnswerFault::Exception;
        result.exceptionCode = answer[2];
    } else {
        result.fault = AnswerFault::WrongLength;
    }
    return false;
}

// CRC, address and function, in that order; false with the fault set.
bool headerOk(const std::vector<uint8_t> &answer, uint8_t expectedAddress, uint8_t function, Answer &result) {
    if (!crcMatches(answer, answer.size())) {
        result.fault = AnswerFault::BadCrc;
    } else if (answer[0] != expectedAddress) {
        result.fault = AnswerFault::WrongAddress;
        result.receivedAddress = answer[0];
    } else if (answer[1] != function) {
        result.fault = AnswerFault::WrongFunction;
        result.receivedFunction = answer[1];
    } else {
        return true;
    }
    return false;
}

uint16_t wordAt(const std::vector<uint8_t> &frame, size_t at) {
    return static_cast<uint16_t>((frame[at] << 8) | frame[at + 1]);
}

} // namespace

Answer decodeReadAnswer(const std::vector<uint8_t> &answer, uint8_t expectedAddress) {
    Answer result;
    if (!lengthOk(answer, expectedAddress, kReadFunction, kReadAnswerSize, result) ||
        !headerOk(answer, expectedAddress, kReadFunction, result))
        return result;
    if (answer[2] != 4) {
        result.fault = AnswerFault::WrongByteCount;
        result.byteCount = answer[2];
        return result;
    }
    result.fault = AnswerFault::Ok;
    result.value = valueOf(answer);
    return result;
}

Answer decodeWriteAnswer(const std::vector<uint8_t> &answer, uint8_t expectedAddress, uint16_t reg) {
    Answer result;
    if (!lengthOk(answer, expectedAddress, kWriteFunction, kWriteAnswerSize, result) ||
        !headerOk(answer, expectedAddress, kWriteFunction, result))
        return result;
    if (wordAt(answer, 2) != reg) {
        result.fault = AnswerFault::WrongRegister;
        result.received = wordAt(answer, 2);
    } else if (wordAt(answer, 4) != 2) {
        result.fault = AnswerFault::WrongRegisterCount;
        result.received = wordAt(answer, 4);
    } else {
        result.fault = AnswerFault::Ok;
    }
    return result;
}

const char *exceptionMeaning(uint8_t code) {
    switch (code) {
    case 0x01:
        return "illegal function";
    case 0x02:
        return "illegal data address";
    case 0x03:
        return "illegal data value";
    case 0x04:
        return "server device failure";
    case 0x06:
        return "server device busy";
    default:
        return "";
    }
}

bool isAnswerTo(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer,
                size_t expectedSize) {
    return request.size() >= 2 && answer.size() == expectedSize && answer.size() >= 4 &&
           answer[0] == request[0] && answer[1] == request[1] && crcMatches(answer, answer.size());
}

std::string describe(const Answer &answer) {
    char text[96];
    switch (answer.fault) {
    case AnswerFault::Ok:
        return "valid answer";
    case AnswerFault::WrongLength:
        std::snprintf(text, sizeof text, "%zu bytes received, %zu expected", answer.size,
                      answer.expectedSize);
        return text;
    case AnswerFault::BadCrc:
        return "CRC check failed";
    case AnswerFault::WrongAddress:
        std::snprintf(text, sizeof text, "answer from address %u",
                      static_cast<unsigned>(answer.receivedAddress));
        return text;
    case AnswerFault::WrongFunction:
        std::snprintf(text, sizeof text, "unexpected function code 0x%02x",
                      static_cast<unsigned>(answer.receivedFunction));
        return text;
    case AnswerFault::WrongByteCount:
        std::snprintf(text, sizeof text, "unexpected byte count %u", static_cast<unsigned>(answer.byteCount));
        return text;
    case AnswerFault::WrongRegister:
        std::snprintf(text, sizeof text, "answer for register 0x%04x",
                      static_cast<unsigned>(answer.received));
        return text;
    case AnswerFault::WrongRegisterCount:
        std::snprintf(text, sizeof text, "unexpected register count %u",
                      static_cast<unsigned>(answer.received));
        return text;
    case AnswerFault::Exception:
        std::snprintf(text, sizeof text,
                      *exceptionMeaning(answer.exceptionCode) ? "Modbus exception %u (%s)"
                                                              : "Modbus exception %u%s",
                      static_cast<unsigned>(answer.exceptionCode), exceptionMeaning(answer.exceptionCode));
        return text;
    }
    return "unknown fault";
}

std::string shortFault(const Answer &answer) {
    switch (answer.fault) {
    case AnswerFault::Ok:
        return {};
    case AnswerFault::WrongLength:
        return answer.size == 0 ? std::string() : std::string("incomplete answer");
    case AnswerFault::BadCrc:
        return "bad checksum";
    case AnswerFault::Exception:
        return "refused: Modbus exception " + std::to_string(answer.exceptionCode);
    default:
        return describe(answer);
    }
}

std::string whyNotAnswered(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer,
                           const Answer &decoded) {
    if (answer.empty())
        return {};
    // An adapter that echoes hands the request back before the answer.
    if (answer.size() >= request.size() && std::equal(request.begin(), request.end(), answer.begin()))
        return "the adapter echoes what it sends; switch its echo off";
    char text[128];
    switch (decoded.fault) {
    case AnswerFault::Exception:
        return "the amplifier refused the read: " + describe(decoded);
    case AnswerFault::BadCrc:
        return "the answer had a bad checksum";
    case AnswerFault::WrongAddress:
        std::snprintf(text, sizeof text, "the answer came from address %u, not %u",
                      static_cast<unsigned>(decoded.receivedAddress), static_cast<unsigned>(request.at(0)));
        return text;
    default:
        return "the answer was not understood (" + describe(decoded) + ")";
    }
}

} // namespace modbus
