#include "app/plot/PointsPlotItem.h"

#include "app/plot/PlotCanvas.h"

#include <QPainter>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Room around the outermost points, as a share of the span, so that their marks are not cut by the axes.
constexpr double kMargin = 0.08;

void fit(QCPAxis *axis, double low, double high) {
    if (!(low <= high)) {
        axis->setRange(0, 1);
        return;
    }
    // One value alone (a single point, all errors equal) still gets an axis around it.
    const double span = high > low ? high - low : std::max(1.0, std::abs(low));
    axis->setRange(low - span * kMargin, high + span * kMargin);
}

} // namespace

PointsPlotItem::PointsPlotItem(QQuickItem *parent)
    : PlotItem(parent) {
    rebuild();
}

void PointsPlotItem::plotChanged() {
    // About one label per 80 pixels: room for a six-digit value and the gap between two.
    m_plot->xAxis->ticker()->setTickCount(std::clamp(static_cast<int>(width() / 80), 2, 5));
    update();
}

void PointsPlotItem::setSeries(const QVariantList &series) {
    m_series = series;
    rebuild();
}

void PointsPlotItem::setXTitle(const QString &title) {
    setAxisTitle(m_xTitle, m_plot->xAxis, title);
}

void PointsPlotItem::setYTitle(const QString &title) {
    setAxisTitle(m_yTitle, m_plot->yAxis, title);
}

void PointsPlotItem::rebuild() {
    m_plot->clearPlottables();
    m_pointCount = 0;
    double xMin = std::numeric_limits<double>::infinity();
    double xMax = -xMin;
    double yMin = xMin;
    double yMax = -xMin;
    for (const QVariant &entry : std::as_const(m_series)) {
        const QVariantMap map = entry.toMap();
        const bool dashed = map.value(QStringLiteral("dashed")).toBool();
        // A curve, not a graph: points keep their order, so a rising and a falling run stay two lines.
        auto *curve = new QCPCurve(m_plot->xAxis, m_plot->yAxis);
        QColor color(map.value(QStringLiteral("color")).toString());
        if (!color.isValid())
            color = textColor();
        curve->setPen(QPen(color, 2, dashed ? Qt::DashLine : Qt::SolidLine));
        if (!dashed)
            curve->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, color, color, 7));
        const QVariantList points = map.value(QStringLiteral("points")).toList();
        for (const QVariant &pointValue : points) {
            const QVariantMap point = pointValue.toMap();
            bool xOk = false;
            bool yOk = false;
            const double x = point.value(QStringLiteral("x")).toDouble(&xOk);
            const double y = point.value(QStringLiteral("y")).toDouble(&yOk);
            if (!xOk || !yOk || !std::isfinite(x) || !std::isfinite(y))
                continue;
            curve->addData(x, y);
            xMin = std::min(xMin, x);
            xMax = std::max(xMax, x);
            yMin = std::min(yMin, y);
            yMax = std::max(yMax, y);
            if (!dashed)
                ++m_pointCount;
        }
    }
    fit(m_plot->xAxis, xMin, xMax);
    fit(m_plot->yAxis, yMin, yMax);
    emit seriesChanged();
    update();
}
