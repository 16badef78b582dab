#pragma once

#include "amplifiers/AmplifierBase.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QString>

class QCPAbstractPlottable;
class QCPGraph;
class QCustomPlot;

// The live weight plot of the Weight Plot screen: a Qt Quick item that owns a never-shown QCustomPlot,
// paints it into a pixmap after every replot and forwards mouse and wheel input to it, so dragging and
// zooming work inside the scene. A 100 ms timer samples every listed amplifier into its own curve.
class CustomPlotItem : public QQuickPaintedItem {
    Q_OBJECT
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

    // The widget the item draws (inspected by tests and the benchmark); null before initCustomPlot().
    QCustomPlot *customPlot() const { return m_CustomPlot; }

public slots:
    void graphClicked(QCPAbstractPlottable *plottable);
    void onCustomReplot();
    void updateCustomPlotSize();

protected:
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // One listed amplifier and the curve created for it. Drivers are QObjects owned by the screens; the
    // guard turns one destroyed while still listed into a null entry instead of a dangling call.
    struct Entry {
        AmplifierBase *amplifier = nullptr;
        QPointer<QObject> guard;
        bool guarded = false;
        QPointer<QCPGraph> graph;

        AmplifierBase *live() const { return guarded && guard.isNull() ? nullptr : amplifier; }
    };

    void addGraph(const QColor &color, const QString &name);
    void replot();
    void forwardMouseEvent(QMouseEvent *event);
    // Fits the weight axis to the points of the last 120 s; true when the range changed.
    bool rescaleWeightAxis();

    QCustomPlot *m_CustomPlot = nullptr;
    int m_timerId = 0;
    QList<Entry> m_amplifiers;
    bool m_autoScale = false;
};
