// Cost of one sampling tick of the live plot with a short and with a full day's history: 8 curves at 10
// points per second, weight-axis rescale on, then the tick's replot and the paint of the item into a
// picture, offscreen. The two histories are ticked in alternation so that a change in machine load hits
// both alike. Prints name=value lines; the last four are the figures to watch.
#include "plot/CustomPlotItem.h"

#include "ResidentMemory.h"
#include "SettableAmplifier.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kCurves = 8;
constexpr int kPointsPerSecond = 10;
constexpr int kWarmUpTicks = 10;
constexpr int kTicks = 200;
constexpr QSize kItemSize(1280, 720);

// A plot item with kCurves amplifiers whose curves hold `seconds` of history ending now.
class Scenario {
public:
    explicit Scenario(int seconds) {
        m_item.setSize(QSizeF(kItemSize));
        m_item.setAutoScale(true);
        for (int c = 0; c < kCurves; ++c) {
            m_amplifiers.push_back(std::make_unique<SettableAmplifier>(QStringLiteral("M%1").arg(c)));
            m_item.addAmplifier(m_amplifiers.back().get(), QColor::fromHsv(c * 45, 200, 200));
        }
        const double now = static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
        const int points = seconds * kPointsPerSecond;
        for (int c = 0; c < kCurves; ++c) {
            QVector<QCPGraphData> data(points);
            for (int i = 0; i < points; ++i) {
                const double key = now - seconds + static_cast<double>(i) / kPointsPerSecond;
                data[i] = QCPGraphData(key, 1000.0 * c + 50.0 * std::sin(i * 0.01 + c) + (i % 7));
            }
            // Curve c + 2: the plot's own two lines come first.
            m_item.customPlot()->graph(2 + c)->data()->add(data, true);
        }
    }

    // One tick as the timer runs it, then the paint the scene graph asks for; returns milliseconds.
    double tick(int round) {
        for (int c = 0; c < kCurves; ++c)
            m_amplifiers[static_cast<size_t>(c)]->setWeight(1000.0 * c + 80.0 * std::sin(round * 0.3 + c));
        QElapsedTimer timer;
        timer.start();
        QTimerEvent event(0);
        QCoreApplication::sendEvent(&m_item, &event);
        QPainter painter(&m_picture);
        m_item.paint(&painter);
        painter.end();
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    // For comparison: what reading every point of every curve once would cost (a rescale over the whole
    // history instead of its last 120 s). Returns milliseconds.
    double fullScanMs() const {
        QElapsedTimer timer;
        timer.start();
        double lo = std::numeric_limits<double>::max();
        double hi = -lo;
        QCustomPlot *plot = m_item.customPlot();
        for (int g = 0; g < plot->graphCount(); ++g) {
            for (const QCPGraphData &point : *plot->graph(g)->data()) {
                lo = std::min(lo, point.value);
                hi = std::max(hi, point.value);
            }
        }
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        return hi >= lo ? ms : -1;
    }

private:
    CustomPlotItem m_item;
    std::vector<std::unique_ptr<SettableAmplifier>> m_amplifiers;
    QImage m_picture{kItemSize, QImage::Format_ARGB32_Premultiplied};
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const double rssBefore = residentMegabytes();
    Scenario minute(60);
    Scenario day(24 * 3600);
    const double rssDay = residentMegabytes();

    std::vector<double> minuteTimes;
    std::vector<double> dayTimes;
    for (int round = 0; round < kWarmUpTicks + kTicks; ++round) {
        const double m = minute.tick(round);
        const double d = day.tick(round);
        if (round >= kWarmUpTicks) {
            minuteTimes.push_back(m);
            dayTimes.push_back(d);
        }
        QCoreApplication::processEvents();
    }

    const double minuteMs = median(minuteTimes);
    const double dayMs = median(dayTimes);
    std::printf("curves=%d\n", kCurves);
    std::printf("points_per_curve_1min=%d\n", 60 * kPointsPerSecond);
    std::printf("points_per_curve_24h=%d\n", 24 * 3600 * kPointsPerSecond);
    std::printf("ticks_timed=%d\n", kTicks);
    // The fastest ticks show the cost undisturbed by other load on the machine; the medians below are the
    // figures of record.
    std::printf("tick_ms_min_1min=%.3f\n", *std::min_element(minuteTimes.begin(), minuteTimes.end()));
    std::printf("tick_ms_min_24h=%.3f\n", *std::min_element(dayTimes.begin(), dayTimes.end()));
    std::printf("tick_ms_max_1min=%.3f\n", *std::max_element(minuteTimes.begin(), minuteTimes.end()));
    std::printf("tick_ms_max_24h=%.3f\n", *std::max_element(dayTimes.begin(), dayTimes.end()));
    std::printf("rss_mb_before_fill=%.1f\n", rssBefore);
    std::printf("full_history_scan_ms_24h=%.3f\n", day.fullScanMs());
    std::printf("tick_ms_1min=%.3f\n", minuteMs);
    std::printf("tick_ms_24h=%.3f\n", dayMs);
    std::printf("tick_ratio_24h_vs_1min=%.3f\n", dayMs / minuteMs);
    std::printf("rss_mb_24h=%.1f\n", std::max(rssDay, residentMegabytes()));
    return 0;
}
