#include "protocol/Stability.h"

#include <algorithm>
#include <cmath>

namespace stability {

void Window::setRule(Rule rule) {
    m_rule = rule;
    trim();
}

void Window::add(qint64 ms, double value) {
    // A clock that went back would make the window's time span meaningless: start afresh.
    if (!m_readings.empty() && ms < m_readings.back().ms)
        m_readings.clear();
    m_readings.push_back({ms, value});
    trim();
}

// Keeps the newest reading at or before the window's start, so that the kept readings span the whole
// window once there are enough of them, whatever the spacing of the readings.
void Window::trim() {
    if (m_readings.empty())
        return;
    const qint64 start = m_readings.back().ms - m_rule.windowMs;
    while (m_readings.size() > 1 && m_readings[1].ms <= start)
        m_readings.pop_front();
}

bool Window::isCovered() const {
    return !m_readings.empty() && m_readings.back().ms - m_readings.front().ms >= m_rule.windowMs;
}

bool Window::isStable() const {
    return isCovered() && count() >= kMinimumReadings && spread() < m_rule.threshold &&
           std::abs(trend()) < kTrendShare * m_rule.threshold;
}

double Window::spread() const {
    if (m_readings.empty())
        return 0;
    const auto [low, high] =
        std::minmax_element(m_readings.begin(), m_readings.end(),
                            [](const Reading &a, const Reading &b) { return a.value < b.value; });
    return high->value - low->value;
}

double Window::trend() const {
    if (m_readings.empty())
        return 0;
    const qint64 middle = m_readings.back().ms - m_rule.windowMs / 2;
    double older = 0, newer = 0;
    int olderCount = 0, newerCount = 0;
    for (const Reading &reading : m_readings) {
        if (reading.ms < middle) {
            older += reading.value;
            ++olderCount;
        } else {
            newer += reading.value;
            ++newerCount;
        }
    }
    if (olderCount == 0 || newerCount == 0)
        return 0;
    return newer / newerCount - older / olderCount;
}

double Window::mean() const {
    if (m_readings.empty())
        return 0;
    double sum = 0;
    for (const Reading &reading : m_readings)
        sum += reading.value;
    return sum / static_cast<double>(m_readings.size());
}

} // namespace stability
