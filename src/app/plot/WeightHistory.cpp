#include "app/plot/WeightHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool earlierThan(const WeightHistory::Point &point, double t) {
    return point.t < t;
}

// Gathers consecutive raw readings into bins of `width` seconds. A bin of one or two readings is drawn as it
// is; a fuller one by its lowest and highest reading at their own times: the shape of the curve survives, the
// cost is bounded by the bins.
class RawBinner {
public:
    RawBinner(double width, std::vector<WeightHistory::Point> &out)
        : m_width(width)
        , m_out(out) {}

    void add(const WeightHistory::Point &point) {
        if (std::isnan(point.value)) {
            flush();
            m_out.push_back(point);
            return;
        }
        const double bin = m_width > 0 ? std::floor(point.t / m_width) : point.t;
        if (m_count > 0 && bin != m_bin)
            flush();
        if (m_count == 0) {
            m_bin = bin;
            m_lo = m_hi = m_first = point;
        } else {
            if (m_count == 1)
                m_second = point;
            if (point.value < m_lo.value)
                m_lo = point;
            if (point.value > m_hi.value)
                m_hi = point;
        }
        ++m_count;
    }

    void flush() {
        if (m_count == 0)
            return;
        if (m_count <= 2) {
            m_out.push_back(m_first);
            if (m_count == 2)
                m_out.push_back(m_second);
        } else if (m_lo.t == m_hi.t && m_lo.value == m_hi.value) {
            m_out.push_back(m_lo);
        } else if (m_lo.t <= m_hi.t) {
            m_out.push_back(m_lo);
            m_out.push_back(m_hi);
        } else {
            m_out.push_back(m_hi);
            m_out.push_back(m_lo);
        }
        m_count = 0;
    }

private:
    double m_width;
    std::vector<WeightHistory::Point> &m_out;
    double m_bin = 0;
    WeightHistory::Point m_first{0, 0};
    WeightHistory::Point m_second{0, 0};
    WeightHistory::Point m_lo{0, 0};
    WeightHistory::Point m_hi{0, 0};
    int m_count = 0;
};

} // namespace

WeightHistory::WeightHistory(double fullResolutionSeconds, double bucketSeconds, std::size_t maxBuckets)
    : m_fullResolution(fullResolutionSeconds)
    , m_bucketWidth(bucketSeconds > 0 ? bucketSeconds : 1.0)
    , m_maxBuckets(std::max<std::size_t>(maxBuckets, 2)) {}

void WeightHistory::append(double t, double value) {
    if (!std::isfinite(value) || !std::isfinite(t))
        return;
    m_recent.push_back({t, value});
    while (!m_recent.empty() && m_recent.front().t < t - m_fullResolution) {
        fold(m_recent.front());
        m_recent.pop_front();
    }
}

void WeightHistory::breakLine() {
    if (!m_recent.empty()) {
        if (!std::isnan(m_recent.back().value))
            m_recent.push_back({m_recent.back().t, kNaN});
    } else if (!m_buckets.empty()) {
        m_buckets.back().brokenAfter = true;
    }
}

void WeightHistory::clear() {
    m_recent.clear();
    m_buckets.clear();
}

void WeightHistory::fold(const Point &point) {
    if (std::isnan(point.value)) {
        if (!m_buckets.empty())
            m_buckets.back().brokenAfter = true;
        return;
    }
    const double start = std::floor(point.t / m_bucketWidth) * m_bucketWidth;
    if (!m_buckets.empty() && m_buckets.back().start == start) {
        Bucket &bucket = m_buckets.back();
        bucket.lo = std::min(bucket.lo, point.value);
        bucket.hi = std::max(bucket.hi, point.value);
        // A break inside one bucket cannot be shown at its resolution; the bucket goes on.
        bucket.brokenAfter = false;
        return;
    }
    m_buckets.push_back({start, point.value, point.value, false});
    if (m_buckets.size() > m_maxBuckets)
        mergePairs();
}

void WeightHistory::mergePairs() {
    const double width = 2 * m_bucketWidth;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_buckets.size(); ++i) {
        const Bucket bucket = m_buckets[i];
        const double start = std::floor(bucket.start / width) * width;
        if (kept > 0 && m_buckets[kept - 1].start == start) {
            Bucket &into = m_buckets[kept - 1];
            into.lo = std::min(into.lo, bucket.lo);
            into.hi = std::max(into.hi, bucket.hi);
            into.brokenAfter = bucket.brokenAfter;
        } else {
            m_buckets[kept++] = {start, bucket.lo, bucket.hi, bucket.brokenAfter};
        }
    }
    m_buckets.resize(kept);
    m_bucketWidth = width;
}

void WeightHistory::query(double from, double to, double resolution, std::vector<Point> &out) const {
    if (to < from)
        return;
    // The envelope: buckets from the one before `from` to the one after `to`, gathered into bins of at least
    // the requested resolution.
    auto bucket =
        std::lower_bound(m_buckets.begin(), m_buckets.end(), from,
                         [this](const Bucket &b, double t) { return b.start + m_bucketWidth <= t; });
    if (bucket != m_buckets.begin())
        --bucket;
    const double binWidth = std::max(resolution, m_bucketWidth);
    const Bucket *previous = nullptr;
    bool pastEnd = false;
    while (bucket != m_buckets.end() && !pastEnd) {
        pastEnd = bucket->start > to;
        const double bin = std::floor(bucket->start / binWidth);
        Bucket group = *bucket;
        double last = bucket->start;
        if (previous && (previous->brokenAfter || group.start > previous->start + m_bucketWidth * 1.5))
            out.push_back({group.start, kNaN});
        for (++bucket; bucket != m_buckets.end() && std::floor(bucket->start / binWidth) == bin &&
                       bucket->start <= last + m_bucketWidth * 1.5 && !group.brokenAfter;
             ++bucket) {
            group.lo = std::min(group.lo, bucket->lo);
            group.hi = std::max(group.hi, bucket->hi);
            group.brokenAfter = bucket->brokenAfter;
            last = bucket->start;
        }
        const double centre = (group.start + last + m_bucketWidth) / 2;
        out.push_back({centre, group.lo});
        if (group.hi != group.lo)
            out.push_back({centre, group.hi});
        previous = &*(bucket - 1);
    }
    if (previous && previous->brokenAfter && !m_recent.empty())
        out.push_back({m_recent.front().t, kNaN});

    // The readings of the last hour, as they came where they are sparse enough.
    auto point = std::lower_bound(m_recent.begin(), m_recent.end(), from, earlierThan);
    if (point != m_recent.begin())
        --point;
    RawBinner binner(resolution, out);
    for (; point != m_recent.end(); ++point) {
        binner.add(*point);
        if (point->t > to)
            break;
    }
    binner.flush();
}

bool WeightHistory::extremes(double from, double to, double &lo, double &hi) const {
    bool found = false;
    lo = std::numeric_limits<double>::max();
    hi = -lo;
    auto bucket =
        std::lower_bound(m_buckets.begin(), m_buckets.end(), from,
                         [this](const Bucket &b, double t) { return b.start + m_bucketWidth <= t; });
    for (; bucket != m_buckets.end() && bucket->start <= to; ++bucket) {
        lo = std::min(lo, bucket->lo);
        hi = std::max(hi, bucket->hi);
        found = true;
    }
    for (auto point = std::lower_bound(m_recent.begin(), m_recent.end(), from, earlierThan);
         point != m_recent.end() && point->t <= to; ++point) {
        if (std::isnan(point->value))
            continue;
        lo = std::min(lo, point->value);
        hi = std::max(hi, point->value);
        found = true;
    }
    return found;
}

const WeightHistory::Bucket *WeightHistory::bucketAt(double t) const {
    auto bucket = std::upper_bound(m_buckets.begin(), m_buckets.end(), t,
                                   [](double time, const Bucket &b) { return time < b.start; });
    if (bucket == m_buckets.begin())
        return nullptr;
    --bucket;
    return t < bucket->start + m_bucketWidth ? &*bucket : nullptr;
}

WeightHistory::Reading WeightHistory::at(double t, double maxAge) const {
    Reading reading;
    auto after = std::upper_bound(m_recent.begin(), m_recent.end(), t,
                                  [](double time, const Point &p) { return time < p.t; });
    if (after != m_recent.begin()) {
        // At a break the last entry at t is the NaN marker: no reading in force.
        const Point &last = *(after - 1);
        if (!std::isnan(last.value) && t - last.t <= maxAge) {
            reading.found = true;
            reading.lo = reading.hi = last.value;
        }
        return reading;
    }
    if (const Bucket *bucket = bucketAt(t)) {
        reading.found = true;
        reading.lo = bucket->lo;
        reading.hi = bucket->hi;
    }
    return reading;
}

std::size_t WeightHistory::memoryBytes() const {
    return m_recent.size() * sizeof(Point) + m_buckets.capacity() * sizeof(Bucket);
}
