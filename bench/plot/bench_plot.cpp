// Cost of one sampling tick of the live plot with a minute's and with a week's history: 8 curves at 10
// readings per second, weight-axis rescale on, then the tick's view rebuild and the paint of the item into a
// picture, offscreen. The two histories are ticked in alternation so that a change in machine load hits
// both alike. Also the resident memory once the week is held. Prints name=value lines; the last three are
// the figures to watch.
#include "app/plot/CustomPlotItem.h"

#include "ResidentMemory.h"
#include "SettableAmplifier.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

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
        const long points = static_cast<long>(seconds) * kPointsPerSecond;
        for (int c = 0; c < kCurves; ++c) {
            WeightHistory *history = m_item.historyOf(m_amplifiers[static_cast<size_t>(c)].get());
            for (long i = 0; i < points; ++i) {
                const double key = now - seconds + static_cast<double>(i) / kPointsPerSecond;
                const double value = 1000.0 * c + 50.0 * std::sin(static_cast<double>(i) * 0.01 + c) +
                                     static_cast<double>(i % 7);
                history->append(key, value);
            }
        }
    }

    // One tick as the timer runs it, then the paint the scene graph asks for; returns milliseconds.
    double tick(int round) {
        for (int c = 0; c < kCurves; ++c)
            m_amplifiers[static_cast<size_t>(c)]->setWeight(1000.0 * c + 80.0 * std::sin(round * 0.3 + c));
        QElapsedTimer timer;
        timer.start();
        m_item.sampleTick();
        QPainter painter(&m_picture);
        m_item.paint(&painter);
        painter.end();
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    double historyBytes() {
        return static_cast<double>(m_item.historyOf(m_amplifiers.front().get())->memoryBytes());
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
    Scenario week(7 * 24 * 3600);
    const double rssWeek = residentMegabytes();

    std::vector<double> minuteTimes;
    std::vector<double> weekTimes;
    for (int round = 0; round < kWarmUpTicks + kTicks; ++round) {
        const double m = minute.tick(round);
        const double w = week.tick(round);
        if (round >= kWarmUpTicks) {
            minuteTimes.push_back(m);
            weekTimes.push_back(w);
        }
        QCoreApplication::processEvents();
    }

    const double minuteMs = median(minuteTimes);
    const double weekMs = median(weekTimes);
    std::printf("curves=%d\n", kCurves);
    std::printf("readings_per_curve_1min=%d\n", 60 * kPointsPerSecond);
    std::printf("readings_per_curve_7d=%d\n", 7 * 24 * 3600 * kPointsPerSecond);
    std::printf("ticks_timed=%d\n", kTicks);
    std::printf("history_kb_per_curve_7d=%.0f\n", week.historyBytes() / 1024.0);
    // The fastest ticks show the cost undisturbed by other load on the machine; the medians below are the
    // figures of record.
    std::printf("tick_ms_min_1min=%.3f\n", *std::min_element(minuteTimes.begin(), minuteTimes.end()));
    std::printf("tick_ms_min_7d=%.3f\n", *std::min_element(weekTimes.begin(), weekTimes.end()));
    std::printf("tick_ms_max_1min=%.3f\n", *std::max_element(minuteTimes.begin(), minuteTimes.end()));
    std::printf("tick_ms_max_7d=%.3f\n", *std::max_element(weekTimes.begin(), weekTimes.end()));
    std::printf("rss_mb_before_fill=%.1f\n", rssBefore);
    std::printf("tick_ms_1min=%.3f\n", minuteMs);
    std::printf("tick_ms_7d=%.3f\n", weekMs);
    std::printf("tick_ratio_7d_vs_1min=%.3f\n", weekMs / minuteMs);
    std::printf("rss_mb_7d=%.1f\n", std::max(rssWeek, residentMegabytes()));
    return 0;
}
