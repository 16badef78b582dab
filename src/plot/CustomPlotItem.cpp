#include "plot/CustomPlotItem.h"

#include "amplifiers/AmplifierBase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointingDevice>
#include <QWheelEvent>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace {

constexpr int kSamplePeriodMs = 100;
constexpr double kVisibleSeconds = 100.0;
constexpr double kRescaleLookBackSeconds = 120.0;
constexpr double kLowestPlausibleWeight = -1000000.0;
constexpr double kHighestPlausibleWeight = 1000000000.0;

// QML hands the drivers over as the QObjects they are; the engine needs to be told how such an object
// becomes the AmplifierBase* that addAmplifier and removeAmplifier take. Registered once per process.
void registerAmplifierConversion() {
    static const bool registered = [] {
        QMetaType::registerConverter<QObject *, AmplifierBase *>(
            [](QObject *object) { return dynamic_cast<AmplifierBase *>(object); });
        // A null from QML must arrive as a null amplifier (ignored), not as a failed call.
        QMetaType::registerConverter<std::nullptr_t, AmplifierBase *>(
            [](std::nullptr_t) { return static_cast<AmplifierBase *>(nullptr); });
        return true;
    }();
    Q_UNUSED(registered);
}

double nowSeconds() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

} // namespace

CustomPlotItem::CustomPlotItem(QQuickItem *parent)
    : QQuickPaintedItem(parent) {
    registerAmplifierConversion();
    setFlag(QQuickItem::ItemHasContents, true);
    setAcceptedMouseButtons(Qt::AllButtons);
    connect(this, &QQuickItem::widthChanged, this, &CustomPlotItem::updateCustomPlotSize);
    connect(this, &QQuickItem::heightChanged, this, &CustomPlotItem::updateCustomPlotSize);
    initCustomPlot();
}

CustomPlotItem::~CustomPlotItem() {
    delete m_CustomPlot;
    m_CustomPlot = nullptr;
    if (m_timerId != 0)
        killTimer(m_timerId);
}

void CustomPlotItem::initCustomPlot() {
    // Built once: a second call would orphan the curves of the listed amplifiers and start a second timer.
    if (m_CustomPlot)
        return;
    m_CustomPlot = new QCustomPlot();
    updateCustomPlotSize();

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    m_CustomPlot->xAxis->setTicker(ticker);

    addNewLine(QColor(Qt::red), QStringLiteral("Line 1"));
    addNewLine(QColor(Qt::blue), QStringLiteral("Line 2"));

    m_CustomPlot->xAxis->setLabel(QStringLiteral("Time"));
    m_CustomPlot->yAxis->setLabel(QStringLiteral("Weight"));
    const double now = nowSeconds();
    m_CustomPlot->xAxis->setRange(now - kVisibleSeconds, now);
    m_CustomPlot->yAxis->setRange(0, 5);
    m_CustomPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);

    m_timerId = startTimer(kSamplePeriodMs, Qt::CoarseTimer);
    connect(m_CustomPlot, &QCustomPlot::afterReplot, this, &CustomPlotItem::onCustomReplot);
    replot();
}

void CustomPlotItem::replot() {
    // An item not laid out yet has nothing to show, and QCustomPlot cannot draw into empty buffers.
    if (!m_CustomPlot->viewport().isEmpty())
        m_CustomPlot->replot();
}

void CustomPlotItem::addGraph(const QColor &color, const QString &name) {
    QCPGraph *graph = m_CustomPlot->addGraph();
    graph->setPen(QPen(color));
    graph->setName(name);
    // A day of samples stays drawable: points that fall on the same pixel column are reduced when drawn.
    graph->setAdaptiveSampling(true);
}

void CustomPlotItem::addNewLine(QColor color, QString name) {
    if (!m_CustomPlot)
        return;
    addGraph(color, name);
    replot();
}

void CustomPlotItem::addAmplifier(AmplifierBase *amplifier, QColor color) {
    if (!amplifier || !m_CustomPlot)
        return;
    addGraph(color,
             QStringLiteral("Amplifier (%1, %2)").arg(amplifier->getModel(), amplifier->getProtocol()));

    Entry entry;
    entry.amplifier = amplifier;
    // Every driver is a QObject first; the guard notices its destruction.
    if (QObject *object = dynamic_cast<QObject *>(amplifier)) {
        entry.guard = object;
        entry.guarded = true;
    }
    entry.graph = m_CustomPlot->graph(m_CustomPlot->graphCount() - 1);
    m_amplifiers.append(entry);
    replot();
}

void CustomPlotItem::removeAmplifier(AmplifierBase *amplifier) {
    if (!amplifier || !m_CustomPlot)
        return;
    // Only a live entry can match: a new amplifier may occupy the address of a destroyed one.
    const auto found = std::find_if(m_amplifiers.begin(), m_amplifiers.end(),
                                    [amplifier](const Entry &entry) { return entry.live() == amplifier; });
    if (found == m_amplifiers.end())
        return;
    if (!found->graph.isNull())
        m_CustomPlot->removeGraph(found->graph.data());
    m_amplifiers.erase(found);
    replot();
}

void CustomPlotItem::appendData(double x, double y) {
    if (!m_CustomPlot || m_CustomPlot->graphCount() == 0)
        return;
    m_CustomPlot->graph(0)->addData(x, y);
    m_CustomPlot->xAxis->setRange(std::max(0.0, x - kVisibleSeconds), x);
    replot();
}

void CustomPlotItem::clearData() {
    if (!m_CustomPlot)
        return;
    for (int i = 0; i < m_CustomPlot->graphCount(); ++i)
        m_CustomPlot->graph(i)->data()->clear();
    replot();
}

void CustomPlotItem::setAutoScale(bool setAutoScale) {
    m_autoScale = setAutoScale;
}

void CustomPlotItem::graphClicked(QCPAbstractPlottable *plottable) {
    Q_UNUSED(plottable);
}

void CustomPlotItem::onCustomReplot() {
    update();
}

void CustomPlotItem::updateCustomPlotSize() {
    if (!m_CustomPlot)
        return;
    const QRect rect(0, 0, static_cast<int>(width()), static_cast<int>(height()));
    m_CustomPlot->setGeometry(rect);
    m_CustomPlot->setViewport(rect);
}

void CustomPlotItem::timerEvent(QTimerEvent *event) {
    Q_UNUSED(event);
    if (!m_CustomPlot) {
        qWarning() << "[CustomPlotItem] m_CustomPlot is null. Cannot plot.";
        return;
    }
    const double now = nowSeconds();
    for (int i = 0; i < m_amplifiers.size(); ++i) {
        const Entry &entry = m_amplifiers.at(i);
        AmplifierBase *amplifier = entry.live();
        if (!amplifier) {
            qWarning() << "[CustomPlotItem] Null amplifier at index" << i;
            continue;
        }
        if (entry.graph.isNull()) {
            qWarning() << "[CustomPlotItem] Not enough graphs in m_CustomPlot."
                       << "Tried index" << i << "but only have" << m_CustomPlot->graphCount() << "graph(s).";
            continue;
        }
        const double weight = amplifier->getMeasuredWeight();
        if (!std::isfinite(weight)) {
            qWarning() << "[CustomPlotItem] Non-finite weight from amplifier" << i << "- skipping.";
            continue;
        }
        if (weight < kLowestPlausibleWeight || weight > kHighestPlausibleWeight) {
            qWarning() << "[CustomPlotItem] Unrealistic weight" << weight << "from amplifier" << i
                       << "- skipping.";
            continue;
        }
        entry.graph->addData(now, weight);
    }
    m_CustomPlot->xAxis->setRange(now - kVisibleSeconds, now);
    if (m_autoScale)
        rescaleWeightAxis();
    // One replot covers a changed weight range too.
    replot();
}

bool CustomPlotItem::rescaleWeightAxis() {
    const double t = nowSeconds();
    double lo = std::numeric_limits<double>::max();
    double hi = -std::numeric_limits<double>::max();
    for (int g = 0; g < m_CustomPlot->graphCount(); ++g) {
        const QSharedPointer<QCPGraphDataContainer> data = m_CustomPlot->graph(g)->data();
        // Keys are sorted: only the look-back window is read, so the cost does not grow with the history.
        const auto end = data->findEnd(t, false);
        for (auto it = data->findBegin(t - kRescaleLookBackSeconds, false); it != end; ++it) {
            if (!std::isfinite(it->value))
                continue;
            lo = std::min(lo, it->value);
            hi = std::max(hi, it->value);
        }
    }
    if (!(hi > lo))
        return false;
    const double margin = 0.1 * (hi - lo);
    m_CustomPlot->yAxis->setRange(lo - margin, hi + margin);
    return true;
}

void CustomPlotItem::paint(QPainter *painter) {
    if (!m_CustomPlot)
        return;
    const QSize size = boundingRect().size().toSize();
    if (size.isEmpty())
        return;
    QPixmap picture(size);
    QCPPainter plotPainter(&picture);
    m_CustomPlot->toPainter(&plotPainter, 0, 0);
    plotPainter.end();
    painter->drawPixmap(QPoint(0, 0), picture);
}

void CustomPlotItem::forwardMouseEvent(QMouseEvent *event) {
    if (!m_CustomPlot)
        return;
    auto *copy =
        new QMouseEvent(event->type(), event->position(), event->globalPosition(), event->button(),
                        event->buttons(), event->modifiers(), QPointingDevice::primaryPointingDevice());
    QCoreApplication::postEvent(m_CustomPlot, copy);
}

void CustomPlotItem::mousePressEvent(QMouseEvent *event) {
    forwardMouseEvent(event);
}

void CustomPlotItem::mouseMoveEvent(QMouseEvent *event) {
    forwardMouseEvent(event);
}

void CustomPlotItem::mouseReleaseEvent(QMouseEvent *event) {
    forwardMouseEvent(event);
}

void CustomPlotItem::mouseDoubleClickEvent(QMouseEvent *event) {
    forwardMouseEvent(event);
}

void CustomPlotItem::wheelEvent(QWheelEvent *event) {
    if (!m_CustomPlot)
        return;
    auto *copy =
        new QWheelEvent(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                        event->buttons(), event->modifiers(), event->phase(), event->inverted(),
                        Qt::MouseEventNotSynthesized, QPointingDevice::primaryPointingDevice());
    QCoreApplication::postEvent(m_CustomPlot, copy);
}
