#pragma once

// What kelvora-cli's exit status tells a script, so that it can tell a typing error from a dead line
// without reading stderr. Documented in --help and in the README; numbers never change meaning.
namespace cli {

enum ExitCode : int {
    kExitOk = 0,
    // The command ran and its verdict is negative, or a failure none of the codes below describes.
    kExitFailed = 1,
    // The command line is wrong: unknown command or option, a value out of range, a malformed file given.
    kExitBadArguments = 2,
    // The amplifier did not answer within the time-out (after the retries).
    kExitNoAnswer = 3,
    // The amplifier answered with a Modbus exception or a CANopen SDO abort.
    kExitRefused = 4,
    // An answer came but cannot be used: bad CRC, another address or node, garbage, two devices answering.
    kExitBadAnswer = 5,
    // The port or CAN adapter cannot be opened, or went away during the command.
    kExitPortLost = 6,
};

} // namespace cli
