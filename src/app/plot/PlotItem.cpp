#include "app/plot/PlotItem.h"

#include "app/plot/PlotCanvas.h"

PlotItem::PlotItem(QQuickItem *parent)
    : QQuickPaintedItem(parent)
    , m_plot(new PlotCanvas()) {
    // Software rendering draws every frame on the CPU: smoothing each line would cost more than all else.
    m_plot->setNotAntialiasedElements(QCP::aeAll);
    m_plot->applyColors(m_backgroundColor, m_textColor, m_gridColor);
    connect(this, &QQuickItem::widthChanged, this, &PlotItem::resizePlot);
    connect(this, &QQuickItem::heightChanged, this, &PlotItem::resizePlot);
    resizePlot();
}

PlotItem::~PlotItem() {
    delete m_plot;
}

void PlotItem::paint(QPainter *painter) {
    m_plot->paintItem(painter, m_picture, boundingRect().size().toSize(), m_backgroundColor);
}

void PlotItem::setBackgroundColor(const QColor &color) {
    setColor(m_backgroundColor, color);
}

void PlotItem::setTextColor(const QColor &color) {
    setColor(m_textColor, color);
}

void PlotItem::setGridColor(const QColor &color) {
    setColor(m_gridColor, color);
}

double PlotItem::xLow() const {
    return m_plot->xAxis->range().lower;
}

double PlotItem::xHigh() const {
    return m_plot->xAxis->range().upper;
}

double PlotItem::yLow() const {
    return m_plot->yAxis->range().lower;
}

double PlotItem::yHigh() const {
    return m_plot->yAxis->range().upper;
}

void PlotItem::setColor(QColor &field, const QColor &color) {
    if (color == field)
        return;
    field = color;
    m_plot->applyColors(m_backgroundColor, m_textColor, m_gridColor);
    emit colorsChanged();
    plotChanged();
}

void PlotItem::setAxisTitle(QString &field, QCPAxis *axis, const QString &title) {
    if (title == field)
        return;
    field = title;
    axis->setLabel(title);
    emit titlesChanged();
    plotChanged();
}

void PlotItem::resizePlot() {
    const QRect rect(0, 0, static_cast<int>(width()), static_cast<int>(height()));
    m_plot->setGeometry(rect);
    m_plot->setViewport(rect);
    plotChanged();
}
