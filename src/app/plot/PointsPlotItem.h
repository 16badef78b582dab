#pragma once

#include "app/plot/PlotItem.h"

#include <QString>
#include <QVariantList>

// A small plot of a few x-y points joined by lines, in the live plot's style: the calibration an amplifier
// holds (weight against AD counts), or a check's errors against the test loads. Both axes fit every point.
//
// `series` is a list of maps: "points" (a list of {"x", "y"} maps, drawn in that order), "color", and
// optionally "dashed" (a line without point marks: a limit, say). Points that are not finite numbers are
// left out rather than drawn at some made-up place.
class PointsPlotItem : public PlotItem {
    Q_OBJECT
    Q_PROPERTY(QVariantList series READ series WRITE setSeries NOTIFY seriesChanged)
    Q_PROPERTY(QString xTitle READ xTitle WRITE setXTitle NOTIFY titlesChanged)
    Q_PROPERTY(QString yTitle READ yTitle WRITE setYTitle NOTIFY titlesChanged)
    // How many points are drawn, and the ranges the axes show.
    Q_PROPERTY(int pointCount READ pointCount NOTIFY seriesChanged)
    Q_PROPERTY(double xLow READ xLow NOTIFY seriesChanged)
    Q_PROPERTY(double xHigh READ xHigh NOTIFY seriesChanged)
    Q_PROPERTY(double yLow READ yLow NOTIFY seriesChanged)
    Q_PROPERTY(double yHigh READ yHigh NOTIFY seriesChanged)

public:
    explicit PointsPlotItem(QQuickItem *parent = nullptr);

    QVariantList series() const { return m_series; }
    void setSeries(const QVariantList &series);
    QString xTitle() const { return m_xTitle; }
    void setXTitle(const QString &title);
    QString yTitle() const { return m_yTitle; }
    void setYTitle(const QString &title);
    int pointCount() const { return m_pointCount; }

signals:
    void seriesChanged();

protected:
    // Keeps the x axis's labels (six-digit AD values on the calibration curve) from running into each other
    // when the item is narrow.
    void plotChanged() override;

private:
    void rebuild();

    QVariantList m_series;
    QString m_xTitle;
    QString m_yTitle;
    int m_pointCount = 0;
};
