#pragma once

#include <cstddef>
#include <deque>
#include <vector>

// The whole history of one curve in bounded memory. Readings of the last `fullResolutionSeconds` are kept as
// they came; older ones are folded into a min/max envelope of fixed-width time buckets, so nothing that
// happened is lost from view (a spike stays a spike) while a week costs a few megabytes. When the envelope
// reaches `maxBuckets`, neighbouring buckets are merged in pairs and the width doubles: memory stays bounded
// for any run length, the resolution of old history coarsens instead.
//
// Times are seconds (any origin), values any unit; both are plain doubles. A break marks a gap in the
// readings: the curve is not drawn across it. Appending costs amortised constant time whatever the length of
// the history; queries cost the size of the range asked for, not of the history.
class WeightHistory {
public:
    // A point to draw; a NaN value is a break in the line.
    struct Point {
        double t;
        double value;
    };
    // What the history knows of one moment: the reading in force (lo == hi), or, in the envelope, the lowest
    // and highest reading of the bucket holding it. found is false where there was no reading.
    struct Reading {
        bool found = false;
        double lo = 0;
        double hi = 0;
    };

    explicit WeightHistory(double fullResolutionSeconds = 3600.0, double bucketSeconds = 1.0,
                           std::size_t maxBuckets = 1U << 16);

    // A reading at time t (not before the previous one); a non-finite value is ignored.
    void append(double t, double value);
    // No reading between the last one and the next: the line breaks there.
    void breakLine();
    void clear();

    // The curve over [from, to] for drawing, about one min/max pair per `resolution` seconds at most (raw
    // readings where they are sparser than that). The point before `from` and after `to` are included so
    // that the line reaches the edges. Appends to `out`.
    void query(double from, double to, double resolution, std::vector<Point> &out) const;
    // Lowest and highest value over [from, to]; false when there is none.
    bool extremes(double from, double to, double &lo, double &hi) const;
    // The reading in force at t: the last one at or before t, if it is not older than `maxAge` and no break
    // follows it before t.
    Reading at(double t, double maxAge) const;

    bool isEmpty() const { return m_recent.empty() && m_buckets.empty(); }
    double bucketSeconds() const { return m_bucketWidth; }
    std::size_t recentCount() const { return m_recent.size(); }
    std::size_t bucketCount() const { return m_buckets.size(); }
    // Bytes held by the history's storage (the figure memory limits are about).
    std::size_t memoryBytes() const;

private:
    struct Bucket {
        double start; // the bucket covers [start, start + width)
        double lo;
        double hi;
        bool brokenAfter; // a break follows the last reading of this bucket
    };

    void fold(const Point &point);
    void mergePairs();
    const Bucket *bucketAt(double t) const;

    double m_fullResolution;
    double m_bucketWidth;
    std::size_t m_maxBuckets;
    std::deque<Point> m_recent;
    std::vector<Bucket> m_buckets;
};
