#pragma once

#include "protocol/SdoFrames.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// One simulated CANopen amplifier node: answers expedited SDO reads and writes of the amplifier's object
// dictionary, with a load model, zero, tare and calibration that the weights follow, and faults that can be
// switched on at run time. Pure logic: a request frame in, the reply frames out.
class SimulatedCanNode {
public:
    using Frame = sdo::Frame;
    struct Reply {
        Frame frame;
        int delayMs = 0;
    };

    explicit SimulatedCanNode(uint8_t nodeId);

    uint8_t nodeId() const { return m_nodeId; }
    // A frame seen on the bus; replies for requests to this node (0x600 + node id).
    std::vector<Reply> handle(const Frame &frame);

    // Load model: AD counts = zero counts + grams * counts per gram + noise, 24 bits.
    // A new load is approached exponentially with the settling time constant and then creeps further in
    // the direction of the change (see "settle" and "creep").
    void setLoadGrams(double grams);
    void setNoiseCounts(int counts) { m_noiseCounts = counts < 0 ? 0 : counts; }
    uint32_t adValue();
    int32_t measuringValue();

    // Run-time commands ("load 500", "silent on", "abort next 0x06020000", "segmented next", "foreign 9",
    // "late 300", "get 2019 0", "status"); returns "OK", "OK <value>" or "ERR <reason>". Faults reach reads
    // and writes alike ("segmented" answers reads only).
    QString command(const QStringList &words);

    // Entry as last written (or its initial value); empty when the entry does not exist.
    std::optional<uint32_t> entry(uint16_t index, uint8_t subIndex) const;

    static constexpr uint32_t kZeroCounts = 100000;
    static constexpr double kCountsPerGram = 20.0;

private:
    struct Entry {
        int width;
        uint32_t value;
        bool needsUnlock;
    };
    using Key = std::pair<uint16_t, uint8_t>;

    // "refuse <hex index> <subindex> <k> [count]": the k-th write to the entry from now on (and count - 1
    // more) is aborted and changes nothing; "refuse <hex index> <subindex> off" clears it.
    QString integrityCommand(const QStringList &words);
    bool refusesWrite(uint16_t index, uint8_t subIndex);

    Frame reply(const std::vector<uint8_t> &bytes) const;
    Frame abortFrame(uint16_t index, uint8_t subIndex, uint32_t code) const;
    std::vector<uint8_t> handleRead(uint16_t index, uint8_t subIndex, uint32_t *abortCode);
    bool handleWrite(uint16_t index, uint8_t subIndex, uint32_t value, int width, uint32_t *abortCode);
    void applyWriteEffects(uint16_t index, uint8_t subIndex, uint32_t value);
    int64_t grossHundredths();
    // The load as far as it has settled, with creep, in grams.
    double loadNow() const;

    uint8_t m_nodeId;
    std::map<Key, Entry> m_entries;

    double m_loadGrams = 0.0;
    double m_fromGrams = 0.0; // where the load was when it changed
    std::chrono::steady_clock::time_point m_changedAt = std::chrono::steady_clock::now();
    int m_settleMs = 0;
    double m_creepGrams = 0.0;
    int m_creepMs = 1;
    int m_noiseCounts = 0;
    uint32_t m_noiseState = 12345;

    // Calibration in force and the values collected for the next one.
    uint32_t m_calZeroAd = kZeroCounts;
    uint32_t m_calSpanAd = kZeroCounts + 20000; // 1000 g
    uint32_t m_calSpanHundredths = 100000;
    uint32_t m_pendingZeroAd = kZeroCounts;
    uint32_t m_pendingSpan = 0;
    uint32_t m_pendingSpanCapturedAd = 0;
    uint32_t m_pendingWeight = 0;

    int64_t m_zeroOffset = 0;
    int64_t m_tareOffset = 0;
    bool m_tareOn = false;

    // Faults.
    struct Refusal {
        int untilFirst = 0;
        int count = 0;
    };
    std::map<Key, Refusal> m_refusals;
    bool m_silent = false;
    int m_abortNext = 0;
    bool m_abortAlways = false;
    uint32_t m_abortCode = 0x08000000;
    int m_segmentedNext = 0;
    bool m_segmentedAlways = false;
    std::optional<uint8_t> m_foreignNode;
    int m_lateMs = 0;
};
