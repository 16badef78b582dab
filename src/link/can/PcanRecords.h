#pragma once

#include <QMetaType>

#include <cstdint>

// The CAN adapter maker's message and timestamp records, kept only because the CANopen driver's QML surface
// names them (ProcessMessageCan). The bus itself is reached through CanLink.

constexpr uint8_t PCAN_MESSAGE_STANDARD = 0x00;

struct TPCANMsg {
    uint32_t ID = 0;
    uint8_t MSGTYPE = PCAN_MESSAGE_STANDARD;
    uint8_t LEN = 0;
    uint8_t DATA[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

struct TPCANTimestamp {
    uint32_t millis = 0;
    uint16_t millis_overflow = 0;
    uint16_t micros = 0;
};

Q_DECLARE_METATYPE(TPCANMsg)
Q_DECLARE_METATYPE(TPCANTimestamp)
