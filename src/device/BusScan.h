#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class CanLink;
class RS485Bus;

// Finding the amplifiers on a line: every id in a range is asked for its raw AD value, a read that changes
// nothing in any amplifier. The protocol's probe says how one id is asked; run() walks the range.
namespace busscan {

struct ProbeResult {
    enum class Kind {
        Silent,    // nothing came within the probe's window
        Found,     // a valid answer from this id; `adValue` holds what it read
        Refused,   // this id is there but refused the read (Modbus exception, SDO abort); `detail` says how
        Garbled,   // something came but cannot be trusted (bad CRC, another address, garbage); not counted
        Duplicate, // two answers to one request: two devices share this id; `adValue` holds the first
    };
    int id = 0; // whom the result is about: the id asked, or an earlier one whose late answer came now
    Kind kind = Kind::Silent;
    uint32_t adValue = 0;
    QString detail;
    int delayMs = -1; // from the request to its answer, when one came
};

struct Finding {
    int id = 0;
    bool refused = false;
    bool duplicate = false;
    uint32_t adValue = 0; // when not refused
    QString detail;       // why it refused
    int delayMs = -1;     // how long the answer took
};

// How one protocol asks one id. probe() may be called from several threads at once when parallelism()
// is above 1 (each call then addresses another id).
class Probe {
public:
    virtual ~Probe() = default;
    // Opens the link; false with the reason in `error` when it cannot be used.
    virtual bool begin(QString *error) = 0;
    virtual void end() {}
    // Asks `id` once; returns early when `keepRunning` turns false. The results are about `id` and about
    // earlier ids whose answers came late (answers carry their address); none when all was silent.
    virtual std::vector<ProbeResult> probe(int id, const std::atomic<bool> &keepRunning) = 0;
    // After the last id: waits for answers still on their way.
    virtual std::vector<ProbeResult> drain(const std::atomic<bool> &) { return {}; }
    // How many probes may be in flight together.
    virtual int parallelism() const { return 1; }
    // Probes of one id after a garbled answer (the line is quiet by then): a straggler from the id before
    // can spoil one answer, and a second look keeps that id from going missing.
    virtual int attempts() const { return 1; }
};

struct Progress {
    int probed = 0;
    int total = 0;
    int found = 0;
};

struct Callbacks {
    // Called from the scanning thread(s), one call at a time.
    std::function<void(const Progress &)> progress;
    std::function<void(const Finding &)> found;
    std::function<void(int id, const QString &detail)> garbled;
};

struct Outcome {
    bool ran = false; // false: the link could not be opened (see `error`)
    bool cancelled = false;
    QString error;
    std::vector<Finding> findings; // by id
    int garbled = 0;
};

// Probes `first` to `last` (the caller keeps them within idRange()). Blocks until the range is done or
// `keepRunning` turns false, which ends the scan within one probe. A link that fails on the way (the adapter
// unplugged) ends the scan with `error` set.
Outcome run(Probe &probe, int first, int last, const std::atomic<bool> &keepRunning,
            const Callbacks &callbacks = {});

// The probe of a protocol ("RS485" or "CANOpen"); null for any other (RS232 has one amplifier per port).
// RS485 needs `bus`, the program's one line, opened on `port` at `baudRate` unless already open; CANOpen
// needs `canLink`, the program's CAN link. `windowMs` is the answer window of one probe; 0 takes the
// protocol's default. Defined beside amplifiers::createAmplifier, the one place that picks concrete drivers
// and probes.
std::unique_ptr<Probe> makeProbe(const QString &protocol, const QString &port, uint32_t baudRate,
                                 RS485Bus *bus, CanLink *canLink, int windowMs = 0);

// The ids a protocol can address: Modbus slave addresses 1 to 247 on RS485 (0 is broadcast, above 247
// reserved), CANopen node ids 1 to 127. {0, 0} for any other (RS232 takes none).
std::pair<int, int> idRange(const QString &protocol);

} // namespace busscan
