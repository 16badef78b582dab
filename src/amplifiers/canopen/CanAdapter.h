#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>

// The CAN adapter layer: the four calls of the adapter maker's basic library that the CANopen driver
// relies on, built on Qt SerialBus. One channel (0x51) at 1 Mbit/s; which Qt CAN plugin and interface carry
// it comes from KELVORA_CAN_PLUGIN and KELVORA_CAN_INTERFACE (defaults: "peakcan"/"usb0" on Windows,
// "socketcan"/"can0" elsewhere; "virtualcan" with "tcp://127.0.0.1:PORT/can0" for a simulated bus).
//
// The QCanBusDevice lives in the layer's own thread with its own event loop, so callers that block while
// they wait for a reply (the GUI thread, reading workers) still see frames arrive: received frames are
// queued under a lock and handed out by CAN_Read.

using TPCANHandle = uint16_t;
using TPCANStatus = uint32_t;
using TPCANBaudrate = uint16_t;
using TPCANType = uint8_t;
using TPCANMessageType = uint8_t;

constexpr TPCANHandle PCAN_NONEBUS = 0x00;
constexpr TPCANHandle PCAN_USBBUS1 = 0x51;
constexpr TPCANBaudrate PCAN_BAUD_1M = 0x0014;
constexpr TPCANMessageType PCAN_MESSAGE_STANDARD = 0x00;

constexpr TPCANStatus PCAN_ERROR_OK = 0x00;
constexpr TPCANStatus PCAN_ERROR_QRCVEMPTY = 0x20;
// This layer's own failure statuses.
constexpr TPCANStatus kCanStatusNoDevice = 0x10000;       // plugin, interface or connection failed
constexpr TPCANStatus kCanStatusNotInitialized = 0x20000; // channel not open
constexpr TPCANStatus kCanStatusBadParameter = 0x40000;   // unknown channel or bit rate, bad record

// Message types this layer marks beside the standard frame; the SDO exchange ignores them.
constexpr TPCANMessageType kCanMessageRemote = 0x01;
constexpr TPCANMessageType kCanMessageExtended = 0x02;

struct TPCANMsg {
    uint32_t ID = 0;
    TPCANMessageType MSGTYPE = PCAN_MESSAGE_STANDARD;
    uint8_t LEN = 0;
    uint8_t DATA[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

struct TPCANTimestamp {
    uint32_t millis = 0;
    uint16_t millis_overflow = 0;
    uint16_t micros = 0;
};

// Opens the channel. Every successful call counts one user of the channel; a call while the channel is
// open only adds a user. 0 = ready.
TPCANStatus CAN_Initialize(TPCANHandle channel, TPCANBaudrate bitRate, TPCANType hardwareType = 0,
                           uint32_t ioPort = 0, uint16_t interrupt = 0);
// Releases one user (PCAN_NONEBUS or the channel itself); the device closes when the last user leaves.
TPCANStatus CAN_Uninitialize(TPCANHandle channel);
// Non-blocking: PCAN_ERROR_QRCVEMPTY when nothing is queued, PCAN_ERROR_OK with a record otherwise.
TPCANStatus CAN_Read(TPCANHandle channel, TPCANMsg *message, TPCANTimestamp *timestamp);
// Queues one frame for sending.
TPCANStatus CAN_Write(TPCANHandle channel, TPCANMsg *message);

// The channel's receive event: waits up to `timeoutMs` for a queued frame; true when one is queued.
bool CAN_WaitForReceive(TPCANHandle channel, int timeoutMs);

namespace canadapter {

struct DeviceChoice {
    QString plugin;
    QString interfaceName;
};

// The plugin and interface that CAN_Initialize would use now (environment, else the platform default).
DeviceChoice configuredDevice();
// Why the last CAN_Initialize failed, for the log and the technician.
QString lastError();
// Users currently counted on the channel.
int userCount();
// Whether the channel has users but its device lost the connection (the adapter was unplugged, the
// virtual bus ended); lastError() says why when the device told.
bool channelLost();
// How many times an open device has lost its connection since the program started; a watcher compares
// it with what it saw at its start, since a lost device may be opened afresh at once.
int losses();
// When the channel is lost, tries once to open its device afresh, waiting at most `timeoutMs` for it, for
// the users it has; true when the channel is open afterwards.
bool reopenIfLost(int timeoutMs);

} // namespace canadapter

Q_DECLARE_METATYPE(TPCANMsg)
Q_DECLARE_METATYPE(TPCANTimestamp)
