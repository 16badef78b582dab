#include "SimulatedCanNode.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kAbortCommand = 0x05040001;
constexpr uint32_t kAbortReadOnly = 0x06010002;
constexpr uint32_t kAbortNoObject = 0x06020000;
constexpr uint32_t kAbortLength = 0x06070010;
constexpr uint32_t kAbortRange = 0x06090030;
constexpr uint32_t kAbortState = 0x08000022;
constexpr uint32_t kAbortNotStored = 0x08000020;

bool parseNumber(const QString &text, uint32_t *value) {
    bool ok = false;
    const qulonglong parsed = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                  ? text.mid(2).toULongLong(&ok, 16)
                                  : text.toULongLong(&ok, 10);
    if (!ok || parsed > 0xFFFFFFFFull)
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

bool parseSwitch(const QString &text, bool *on) {
    if (text == QLatin1String("on")) {
        *on = true;
        return true;
    }
    if (text == QLatin1String("off")) {
        *on = false;
        return true;
    }
    return false;
}

} // namespace

SimulatedCanNode::SimulatedCanNode(uint8_t nodeId)
    : m_nodeId(nodeId) {
    // Writable entries: width, initial value, whether the calibration unlock must be given first.
    m_entries[{0x2003, 0}] = {4, 0, false};
    // The calibration entries hold the calibration in force, as a two-point calibration wrote them.
    m_entries[{0x2004, 0}] = {4, m_calSpanHundredths, true};
    m_entries[{0x2006, 0}] = {4, 2, true};
    m_entries[{0x200E, 0}] = {4, m_calZeroAd, true};
    m_entries[{0x200F, 0}] = {4, m_calSpanAd, true};
    m_entries[{0x2018, 0}] = {1, 0, false};
    m_entries[{0x2019, 0}] = {1, 3, false};
    m_entries[{0x201A, 0}] = {4, 10, false};
    m_entries[{0x201B, 0}] = {2, 1000, false};
    m_entries[{0x201C, 0}] = {4, 2, false};
    m_entries[{0x201D, 0}] = {4, 500, false};
    m_entries[{0x201E, 0}] = {4, 2, false};
    m_entries[{0x2025, 2}] = {1, 0, true};
    m_entries[{0x2025, 3}] = {1, 0, false};
}

void SimulatedCanNode::setLoadGrams(double grams) {
    // Without settling the load is at rest at once; a settling time set later starts from there.
    m_fromGrams = m_settleMs == 0 && m_creepGrams == 0.0 ? grams : loadNow();
    m_changedAt = std::chrono::steady_clock::now();
    m_loadGrams = grams;
}

double SimulatedCanNode::loadNow() const {
    if (m_settleMs == 0 && m_creepGrams == 0.0)
        return m_loadGrams;
    const double elapsedMs = static_cast<double>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_changedAt)
            .count());
    const double settled =
        m_settleMs == 0 ? m_loadGrams
                        : m_loadGrams + (m_fromGrams - m_loadGrams) * std::exp(-elapsedMs / m_settleMs);
    const double direction = m_loadGrams > m_fromGrams ? 1.0 : (m_loadGrams < m_fromGrams ? -1.0 : 0.0);
    return settled + direction * m_creepGrams * (1.0 - std::exp(-elapsedMs / m_creepMs));
}

uint32_t SimulatedCanNode::adValue() {
    double counts = kZeroCounts + loadNow() * kCountsPerGram;
    if (m_noiseCounts > 0) {
        m_noiseState = m_noiseState * 1103515245u + 12345u;
        counts += static_cast<int>((m_noiseState >> 16) % static_cast<uint32_t>(2 * m_noiseCounts + 1)) -
                  m_noiseCounts;
    }
    return static_cast<uint32_t>(std::clamp(std::llround(counts), 0LL, 0xFFFFFFLL));
}

int64_t SimulatedCanNode::grossHundredths() {
    const double span = static_cast<double>(m_calSpanAd) - static_cast<double>(m_calZeroAd);
    if (span == 0.0)
        return 0;
    const double ad = static_cast<double>(adValue());
    return std::llround((ad - m_calZeroAd) * m_calSpanHundredths / span);
}

int32_t SimulatedCanNode::measuringValue() {
    const int64_t net = grossHundredths() - m_zeroOffset - (m_tareOn ? m_tareOffset : 0);
    return static_cast<int32_t>(std::clamp<int64_t>(net, INT32_MIN, INT32_MAX));
}

std::optional<uint32_t> SimulatedCanNode::entry(uint16_t index, uint8_t subIndex) const {
    const auto it = m_entries.find({index, subIndex});
    if (it == m_entries.end())
        return std::nullopt;
    return it->second.value;
}

SimulatedCanNode::Frame SimulatedCanNode::reply(const std::vector<uint8_t> &bytes) const {
    Frame frame;
    frame.id = 0x580u + (m_foreignNode ? *m_foreignNode : m_nodeId);
    frame.data = bytes;
    frame.data.resize(8, 0);
    return frame;
}

SimulatedCanNode::Frame SimulatedCanNode::abortFrame(uint16_t index, uint8_t subIndex, uint32_t code) const {
    return reply({0x80, static_cast<uint8_t>(index & 0xFF), static_cast<uint8_t>(index >> 8), subIndex,
                  static_cast<uint8_t>(code & 0xFF), static_cast<uint8_t>((code >> 8) & 0xFF),
                  static_cast<uint8_t>((code >> 16) & 0xFF), static_cast<uint8_t>(code >> 24)});
}

std::vector<SimulatedCanNode::Reply> SimulatedCanNode::handle(const Frame &frame) {
    if (frame.id != 0x600u + m_nodeId || frame.data.size() < 4 || m_silent)
        return {};
    const uint8_t command = frame.data[0];
    const uint16_t index = static_cast<uint16_t>(frame.data[1] | (frame.data[2] << 8));
    const uint8_t subIndex = frame.data[3];
    Reply out;
    out.delayMs = m_lateMs;
    if (m_abortAlways || m_abortNext > 0) {
        if (m_abortNext > 0)
            --m_abortNext;
        out.frame = abortFrame(index, subIndex, m_abortCode);
        return {out};
    }
    uint32_t abortCode = 0;
    if (command == 0x40 && (m_segmentedAlways || m_segmentedNext > 0)) {
        // Initiate-upload reply without the expedited bit: the value would follow in segments.
        if (m_segmentedNext > 0)
            --m_segmentedNext;
        out.frame = reply({0x41, static_cast<uint8_t>(index & 0xFF), static_cast<uint8_t>(index >> 8),
                           subIndex, 4, 0, 0, 0});
        return {out};
    }
    if (command == 0x40) {
        const std::vector<uint8_t> value = handleRead(index, subIndex, &abortCode);
        out.frame = abortCode ? abortFrame(index, subIndex, abortCode) : reply(value);
        return {out};
    }
    if ((command >> 5) == 1 && (command & 0x02) && frame.data.size() >= 8) {
        const int width = (command & 0x01) ? 4 - ((command >> 2) & 0x03) : 0; // 0: size not indicated
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(frame.data[4 + i]) << (8 * i);
        if (handleWrite(index, subIndex, value, width, &abortCode))
            out.frame =
                reply({0x60, static_cast<uint8_t>(index & 0xFF), static_cast<uint8_t>(index >> 8), subIndex});
        else
            out.frame = abortFrame(index, subIndex, abortCode);
        return {out};
    }
    out.frame = abortFrame(index, subIndex, kAbortCommand);
    return {out};
}

std::vector<uint8_t> SimulatedCanNode::handleRead(uint16_t index, uint8_t subIndex, uint32_t *abortCode) {
    const auto header = [index, subIndex](uint8_t command) {
        return std::vector<uint8_t>{command, static_cast<uint8_t>(index & 0xFF),
                                    static_cast<uint8_t>(index >> 8), subIndex};
    };
    if (index == 0x2000 && subIndex == 0) {
        // Three value bytes; the fourth carries status bits the host ignores.
        const uint32_t ad = adValue();
        std::vector<uint8_t> bytes = header(0x47);
        bytes.insert(bytes.end(), {static_cast<uint8_t>(ad & 0xFF), static_cast<uint8_t>((ad >> 8) & 0xFF),
                                   static_cast<uint8_t>((ad >> 16) & 0xFF), 0xA5});
        return bytes;
    }
    if (index == 0x2001 && subIndex == 0) {
        const uint32_t value = static_cast<uint32_t>(measuringValue());
        std::vector<uint8_t> bytes = header(0x43);
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
        return bytes;
    }
    const auto it = m_entries.find({index, subIndex});
    if (it == m_entries.end()) {
        *abortCode = kAbortNoObject;
        return {};
    }
    const Entry &e = it->second;
    std::vector<uint8_t> bytes = header(static_cast<uint8_t>(0x43 | ((4 - e.width) << 2)));
    for (int i = 0; i < 4; ++i)
        bytes.push_back(i < e.width ? static_cast<uint8_t>((e.value >> (8 * i)) & 0xFF) : 0);
    return bytes;
}

bool SimulatedCanNode::handleWrite(uint16_t index, uint8_t subIndex, uint32_t value, int width,
                                   uint32_t *abortCode) {
    if ((index == 0x2000 || index == 0x2001) && subIndex == 0) {
        *abortCode = kAbortReadOnly;
        return false;
    }
    const auto it = m_entries.find({index, subIndex});
    if (it == m_entries.end()) {
        *abortCode = kAbortNoObject;
        return false;
    }
    if (refusesWrite(index, subIndex)) {
        *abortCode = kAbortNotStored;
        return false;
    }
    Entry &e = it->second;
    if (width != 0 && width != e.width) {
        *abortCode = kAbortLength;
        return false;
    }
    if (e.width < 4)
        value &= (1u << (8 * e.width)) - 1u;
    if (e.needsUnlock && entry(0x2025, 3).value_or(0) != 1) {
        *abortCode = kAbortState;
        return false;
    }
    if (index == 0x2019 && (value < 1 || value > 5)) {
        *abortCode = kAbortRange;
        return false;
    }
    e.value = value;
    applyWriteEffects(index, subIndex, value);
    return true;
}

void SimulatedCanNode::applyWriteEffects(uint16_t index, uint8_t subIndex, uint32_t value) {
    const auto relock = [this] {
        m_entries[{0x2025, 3}].value = 0;
    };
    const auto apply = [this, &relock](uint32_t zeroAd, uint32_t spanAd, uint32_t spanHundredths) {
        if (spanAd != zeroAd && spanHundredths != 0) {
            m_calZeroAd = zeroAd;
            m_calSpanAd = spanAd;
            m_calSpanHundredths = spanHundredths;
            m_zeroOffset = 0;
            m_tareOn = false;
        }
        relock();
    };
    switch (index) {
    case 0x200E:
        // 0 asks the node to take the AD value it sees now as the zero point.
        m_pendingZeroAd = value == 0 ? adValue() : value;
        break;
    case 0x200F:
        m_pendingSpan = value;
        m_pendingSpanCapturedAd = adValue();
        break;
    case 0x2004:
        if (value <= 9) // a point count: the page calibration ends; the span was captured live
            apply(m_pendingZeroAd, m_pendingSpanCapturedAd, m_pendingSpan);
        else
            m_pendingWeight = value;
        break;
    case 0x2006:
        apply(m_pendingZeroAd, m_pendingSpan, m_pendingWeight);
        break;
    case 0x2025:
        if (subIndex == 2) {
            const uint32_t zeroPoint = entry(0x2003, 0).value_or(0);
            if (value == 1 && zeroPoint == 0) { // zeroing: the present gross becomes zero
                m_zeroOffset = grossHundredths();
                m_tareOn = false;
            } else if (value == 1) { // tare by the value written
                m_tareOffset = static_cast<int32_t>(zeroPoint);
                m_tareOn = true;
            } else {
                m_tareOn = false;
            }
            relock();
        }
        break;
    default:
        break;
    }
}

QString SimulatedCanNode::command(const QStringList &words) {
    if (words.isEmpty())
        return QStringLiteral("ERR empty command");
    const QString &verb = words.first();
    const QString arg = words.size() > 1 ? words.at(1) : QString();
    bool on = false;
    uint32_t number = 0;
    if (verb == QLatin1String("load") && words.size() == 2) {
        bool ok = false;
        const double grams = arg.toDouble(&ok);
        if (!ok)
            return QStringLiteral("ERR load needs grams");
        setLoadGrams(grams);
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("settle") && words.size() == 2 && parseNumber(arg, &number)) {
        m_settleMs = static_cast<int>(std::min<uint32_t>(number, 3600000));
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("creep") && words.size() == 3) {
        bool ok = false;
        const double grams = arg.toDouble(&ok);
        uint32_t ms = 0;
        if (!ok || !std::isfinite(grams) || grams < 0 || !parseNumber(words.at(2), &ms) || ms == 0 ||
            ms > 3600000)
            return QStringLiteral("ERR usage: creep <grams> <ms>");
        m_creepGrams = grams;
        m_creepMs = static_cast<int>(ms);
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("noise") && words.size() == 2 && parseNumber(arg, &number)) {
        setNoiseCounts(static_cast<int>(std::min<uint32_t>(number, 100000)));
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("silent") && words.size() == 2 && parseSwitch(arg, &on)) {
        m_silent = on;
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("abort") && (words.size() == 2 || words.size() == 3)) {
        uint32_t code = m_abortCode;
        if (words.size() == 3 && !parseNumber(words.at(2), &code))
            return QStringLiteral("ERR abort code must be a number");
        if (arg == QLatin1String("next")) {
            m_abortNext = 1;
        } else if (parseSwitch(arg, &on)) {
            m_abortAlways = on;
            if (!on)
                m_abortNext = 0;
        } else {
            return QStringLiteral("ERR abort next|on|off [code]");
        }
        m_abortCode = code;
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("segmented") && words.size() == 2) {
        if (arg == QLatin1String("next")) {
            m_segmentedNext = 1;
        } else if (parseSwitch(arg, &on)) {
            m_segmentedAlways = on;
            m_segmentedNext = 0;
        } else {
            return QStringLiteral("ERR segmented next|on|off");
        }
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("foreign") && words.size() == 2) {
        if (arg == QLatin1String("off")) {
            m_foreignNode.reset();
            return QStringLiteral("OK");
        }
        if (!parseNumber(arg, &number) || number > 127)
            return QStringLiteral("ERR foreign <node 0..127>|off");
        m_foreignNode = static_cast<uint8_t>(number);
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("late") && words.size() == 2 && parseNumber(arg, &number)) {
        m_lateMs = static_cast<int>(std::min<uint32_t>(number, 60000));
        return QStringLiteral("OK");
    }
    if (verb == QLatin1String("get") && words.size() == 3) {
        uint32_t index = 0;
        uint32_t subIndex = 0;
        bool okIndex = false;
        index = arg.toUInt(&okIndex, 16);
        if (!okIndex || !parseNumber(words.at(2), &subIndex) || index > 0xFFFF || subIndex > 0xFF)
            return QStringLiteral("ERR get <hex index> <subindex>");
        const auto value = entry(static_cast<uint16_t>(index), static_cast<uint8_t>(subIndex));
        if (!value)
            return QStringLiteral("ERR no such entry");
        return QStringLiteral("OK %1").arg(*value);
    }
    if (verb == QLatin1String("refuse"))
        return integrityCommand(words);
    if (verb == QLatin1String("status") && words.size() == 1) {
        return QStringLiteral("OK node=%1 load=%2 ad=%3 value=%4 silent=%5 late=%6")
            .arg(m_nodeId)
            .arg(m_loadGrams)
            .arg(adValue())
            .arg(measuringValue())
            .arg(m_silent ? 1 : 0)
            .arg(m_lateMs);
    }
    return QStringLiteral("ERR unknown command: %1").arg(words.join(QLatin1Char(' ')));
}

QString SimulatedCanNode::integrityCommand(const QStringList &words) {
    bool okIndex = false;
    const uint32_t index = words.size() >= 4 ? words.at(1).toUInt(&okIndex, 16) : 0;
    uint32_t subIndex = 0;
    uint32_t kth = 0;
    uint32_t count = 1;
    if (words.size() < 4 || words.size() > 5 || !okIndex || index > 0xFFFF ||
        !parseNumber(words.at(2), &subIndex) || subIndex > 0xFF)
        return QStringLiteral("ERR refuse <hex index> <subindex> <k> [count] | off");
    const Key key{static_cast<uint16_t>(index), static_cast<uint8_t>(subIndex)};
    if (words.at(3) == QLatin1String("off")) {
        m_refusals.erase(key);
        return QStringLiteral("OK");
    }
    if (!parseNumber(words.at(3), &kth) || kth == 0 ||
        (words.size() == 5 && (!parseNumber(words.at(4), &count) || count == 0)))
        return QStringLiteral("ERR refuse <hex index> <subindex> <k> [count] | off");
    m_refusals[key] = Refusal{static_cast<int>(kth) - 1, static_cast<int>(count)};
    return QStringLiteral("OK");
}

bool SimulatedCanNode::refusesWrite(uint16_t index, uint8_t subIndex) {
    const auto it = m_refusals.find({index, subIndex});
    if (it == m_refusals.end())
        return false;
    if (it->second.untilFirst > 0) {
        --it->second.untilFirst;
        return false;
    }
    if (--it->second.count == 0)
        m_refusals.erase(it);
    return true;
}
