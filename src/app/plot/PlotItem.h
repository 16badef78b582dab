#pragma once

#include <QColor>
#include <QImage>
#include <QQuickPaintedItem>
#include <QString>

class PlotCanvas;
class QCPAxis;

// What every plot item of the screens shares: a never-shown QCustomPlot (PlotCanvas) drawn into the item at
// the item's size, in the theme's colours, with titled axes. The items built on it add what they plot.
class PlotItem : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor gridColor READ gridColor WRITE setGridColor NOTIFY colorsChanged)

public:
    explicit PlotItem(QQuickItem *parent = nullptr);
    ~PlotItem() override;

    void paint(QPainter *painter) override;

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color);
    QColor gridColor() const { return m_gridColor; }
    void setGridColor(const QColor &color);
    // The ranges the axes show.
    double xLow() const;
    double xHigh() const;
    double yLow() const;
    double yHigh() const;

signals:
    void colorsChanged();
    void titlesChanged();

protected:
    // Called when the colours, a title or the size changed: the item draws anew.
    virtual void plotChanged() { update(); }
    void setAxisTitle(QString &field, QCPAxis *axis, const QString &title);
    // Fits the plot to the item's size.
    void resizePlot();

    PlotCanvas *const m_plot;

private:
    void setColor(QColor &field, const QColor &color);

    QColor m_backgroundColor = Qt::white;
    QColor m_textColor = Qt::black;
    QColor m_gridColor = QColor(200, 200, 200);
    QImage m_picture;
};
