#pragma once

#include "app/plot/PlotItem.h"
#include "app/plot/WeightHistory.h"
#include "device/AmplifierBase.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariantList>

#include <memory>
#include <vector>

class QCPAbstractPlottable;
class QCPGraph;
class QCustomPlot;

// The live weight plot of the Weight Plot screen: a Qt Quick item that owns a never-shown QCustomPlot and
// paints it straight into the scene. A 100 ms timer takes every fresh reading of each listed amplifier into
// that amplifier's history (WeightHistory: the whole session in bounded memory) and, when something visible
// changed, rebuilds the few points the view needs from it and repaints once.
//
// The view follows the present ("live") until the user drags it or pauses; the wheel zooms (around the
// pointer; while live the right edge stays at the present), a double-click returns to live. Hovering shows
// the time and every curve's value under the pointer (cursorTime, cursorValues). The legend is drawn by the
// screen from `curves`; a curve can be hidden from it. History is held in grams and shown in `unit`, so a
// change of unit converts the whole history.
class CustomPlotItem : public PlotItem {
    Q_OBJECT
    Q_PROPERTY(bool autoScale READ autoScale WRITE setAutoScale NOTIFY autoScaleChanged)
    Q_PROPERTY(bool live READ isLive WRITE setLive NOTIFY liveChanged)
    Q_PROPERTY(QString unit READ unit WRITE setUnit NOTIFY unitChanged)
    Q_PROPERTY(QString timeTitle READ timeTitle WRITE setTimeTitle NOTIFY titlesChanged)
    Q_PROPERTY(QString weightTitle READ weightTitle WRITE setWeightTitle NOTIFY titlesChanged)
    // How a curve is named after its amplifier's name ("%1"): the legend's text.
    Q_PROPERTY(QString curveLabel READ curveLabel WRITE setCurveLabel NOTIFY titlesChanged)
    // One map per amplifier curve, in the order added: name, color, dash (a Qt::PenStyle), visible.
    Q_PROPERTY(QVariantList curves READ curves NOTIFY curvesChanged)
    // Under the pointer: x in pixels (-1 when the pointer is away), the time, and each curve's value as text
    // ("" where it had no reading), in the order of `curves`.
    Q_PROPERTY(double cursorX READ cursorX NOTIFY cursorChanged)
    Q_PROPERTY(QString cursorTime READ cursorTime NOTIFY cursorChanged)
    Q_PROPERTY(QVariantList cursorValues READ cursorValues NOTIFY cursorChanged)
    // The visible ranges: time in seconds since the epoch, weight in `unit`.
    Q_PROPERTY(double timeLow READ timeLow NOTIFY viewChanged)
    Q_PROPERTY(double timeHigh READ timeHigh NOTIFY viewChanged)
    Q_PROPERTY(double weightLow READ weightLow NOTIFY viewChanged)
    Q_PROPERTY(double weightHigh READ weightHigh NOTIFY viewChanged)
    // Where the curves are drawn, in the item's pixels.
    Q_PROPERTY(QRectF plotArea READ plotArea NOTIFY viewChanged)

public:
    explicit CustomPlotItem(QQuickItem *parent = nullptr);
    ~CustomPlotItem() override;

    void paint(QPainter *painter) override;

    Q_INVOKABLE void removeAmplifier(AmplifierBase *amplifier);
    Q_INVOKABLE void appendData(double x, double y);
    Q_INVOKABLE void clearData();
    Q_INVOKABLE void initCustomPlot();
    Q_INVOKABLE void addNewLine(QColor color, QString name);
    Q_INVOKABLE void addAmplifier(AmplifierBase *amplifier, QColor color);
    Q_INVOKABLE void setAutoScale(bool setAutoScale);

    // The colour of an amplifier's curve (its tile shows the same); invalid for one not listed.
    Q_INVOKABLE QColor curveColor(AmplifierBase *amplifier) const;
    Q_INVOKABLE void setCurveVisible(int index, bool visible);
    // A weight range of the user's: auto scale goes off and the range stays until changed.
    Q_INVOKABLE void setWeightRange(double low, double high);
    // Writes what the plot shows now, with a legend of the visible curves, as a PNG file; false on failure.
    Q_INVOKABLE bool exportPng(const QString &filePath);
    // The points a curve shows now (x: time, y: value or NaN at a break), for checks.
    Q_INVOKABLE QVariantList shownPoints(int index) const;
    // Pixel position of a time in the item, and back.
    Q_INVOKABLE double timeToX(double time) const;
    Q_INVOKABLE double xToTime(double x) const;

    bool autoScale() const { return m_autoScale; }
    bool isLive() const { return m_live; }
    void setLive(bool live);
    QString unit() const { return m_unit; }
    void setUnit(const QString &unit);
    QString timeTitle() const { return m_timeTitle; }
    void setTimeTitle(const QString &title);
    QString weightTitle() const { return m_weightTitle; }
    void setWeightTitle(const QString &title);
    QString curveLabel() const { return m_curveLabel; }
    void setCurveLabel(const QString &label);
    QVariantList curves() const;
    double cursorX() const { return m_cursorX; }
    QString cursorTime() const { return m_cursorTime; }
    QVariantList cursorValues() const { return m_cursorValues; }
    double timeLow() const { return xLow(); }
    double timeHigh() const { return xHigh(); }
    double weightLow() const { return yLow(); }
    double weightHigh() const { return yHigh(); }
    QRectF plotArea() const;

    // The widget the item draws (inspected by tests and the benchmark).
    QCustomPlot *customPlot() const;
    // The history (in grams) behind an amplifier's curve, for tests and the benchmark; null if not listed.
    WeightHistory *historyOf(const AmplifierBase *amplifier);
    // Takes the readings due and repaints if the view changed: what the item's timer runs.
    void sampleTick();

signals:
    void autoScaleChanged();
    void liveChanged();
    void unitChanged();
    void curvesChanged();
    void cursorChanged();
    void viewChanged();

public slots:
    void graphClicked(QCPAbstractPlottable *plottable);
    void onCustomReplot();
    void updateCustomPlotSize();

protected:
    void plotChanged() override { replot(); }
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void hoverMoveEvent(QHoverEvent *event) override;
    void hoverLeaveEvent(QHoverEvent *event) override;

private:
    // One listed amplifier, its curve and its history. Drivers are QObjects owned by the screens; the guard
    // turns one destroyed while still listed into a null entry instead of a dangling call.
    struct Entry {
        AmplifierBase *amplifier = nullptr;
        QPointer<QObject> guard;
        bool guarded = false;
        QPointer<QCPGraph> graph;
        std::shared_ptr<WeightHistory> history;
        QColor color;
        int dash = 0;
        QString name;
        // The driver's "milliseconds since the last good reading", when it has one (meta-method index).
        int freshnessMethod = -1;
        // Time (s since the epoch) of the last reading taken; -1 before the first.
        double lastReadingAt = -1;
        // Where the curve's end lies when the weight range leaves it out of sight (above or below); "" when
        // it can be seen.
        QString outside;

        AmplifierBase *live() const { return guarded && guard.isNull() ? nullptr : amplifier; }
    };

    void addGraph(const QColor &color, const QString &name);
    void replot();
    // Takes the amplifier's reading if it is a fresh one; true when a point was added.
    bool sample(Entry &entry, int index, double now);
    // Fits the weight axis to the data of the last 120 s (the visible time when not live); true when the
    // range changed.
    bool rescaleWeightAxis();
    // Says in the legend which curves end outside the weight range in force; true when that changed.
    bool updateOutsideHints();
    void rebuildView();
    void setTimeRange(double low, double high);
    void userChangedView(bool leaveLive);
    void updateCursor();
    double unitFactor() const;
    QString curveName(const AmplifierBase &amplifier) const;

    int m_timerId = 0;
    QList<Entry> m_amplifiers;
    bool m_autoScale = false;
    bool m_live = true;
    // No weight range chosen yet (neither automatic nor the user's): the first readings choose one.
    bool m_weightRangeChosen = false;
    double m_windowSeconds = 100.0;
    bool m_viewDirty = true;
    QString m_unit = QStringLiteral("g");
    QString m_timeTitle;
    QString m_weightTitle;
    QString m_curveLabel = QStringLiteral("Load cell %1");
    // Pointer state: the last hover position (x < 0: none) and the press that started a drag.
    double m_cursorX = -1;
    QString m_cursorTime;
    QVariantList m_cursorValues;
    QPointF m_pressAt;
    bool m_dragging = false;
    double m_pressTimeLow = 0;
    double m_pressWeightLow = 0;
    std::vector<WeightHistory::Point> m_scratch;
};
