#include "app/plot/CustomPlotItem.h"

#include "app/plot/PlotCanvas.h"

#include "device/AmplifierBase.h"
#include "protocol/Weight.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QHoverEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
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
// No fresh reading for longer than this is a gap: the line breaks (the tiles call such an amplifier silent
// after the same time); also how long a reading counts for the read-out.
constexpr double kGapSeconds = 1.0;
// Readings closer than this are one and the same (wall and steady clocks are read at slightly different
// moments).
constexpr double kSameReadingSeconds = 0.005;
constexpr double kShortestWindowSeconds = 2.0;
constexpr double kLongestWindowSeconds = 400.0 * 24 * 3600;
constexpr int kDragThresholdPixels = 3;

const Qt::PenStyle kDashes[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
constexpr int kDashCount = static_cast<int>(sizeof(kDashes) / sizeof(kDashes[0]));

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

QString readingText(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace

CustomPlotItem::CustomPlotItem(QQuickItem *parent)
    : PlotItem(parent) {
    registerAmplifierConversion();
    setFlag(QQuickItem::ItemHasContents, true);
    setAcceptedMouseButtons(Qt::AllButtons);
    setAcceptHoverEvents(true);
    initCustomPlot();
}

CustomPlotItem::~CustomPlotItem() {
    if (m_timerId != 0)
        killTimer(m_timerId);
}

QCustomPlot *CustomPlotItem::customPlot() const {
    return m_plot;
}

void CustomPlotItem::initCustomPlot() {
    // Built once: a second call would orphan the curves of the listed amplifiers and start a second timer.
    if (m_timerId != 0)
        return;
    m_plot->setPlottingHint(QCP::phFastPolylines, true);

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    m_plot->xAxis->setTicker(ticker);

    addNewLine(QColor(Qt::red), QStringLiteral("Line 1"));
    addNewLine(QColor(Qt::blue), QStringLiteral("Line 2"));

    setTimeTitle(QStringLiteral("Time"));
    setWeightTitle(QStringLiteral("Weight (g)"));
    const double now = nowSeconds();
    m_plot->xAxis->setRange(now - kVisibleSeconds, now);
    m_plot->yAxis->setRange(0, 5);

    m_timerId = startTimer(kSamplePeriodMs, Qt::CoarseTimer);
    connect(m_plot, &QCustomPlot::afterReplot, this, &CustomPlotItem::onCustomReplot);
    replot();
}

void CustomPlotItem::replot() {
    rebuildView();
    update();
}

void CustomPlotItem::addGraph(const QColor &color, const QString &name) {
    QCPGraph *graph = m_plot->addGraph();
    graph->setPen(QPen(color));
    graph->setName(name);
    graph->setAdaptiveSampling(true);
    graph->removeFromLegend();
}

void CustomPlotItem::addNewLine(QColor color, QString name) {
    addGraph(color, name);
    replot();
}

QString CustomPlotItem::curveName(const AmplifierBase &amplifier) const {
    const QString name = amplifier.getName();
    if (name.isEmpty())
        return QStringLiteral("Amplifier (%1, %2)").arg(amplifier.getModel(), amplifier.getProtocol());
    return m_curveLabel.contains(QLatin1String("%1")) ? m_curveLabel.arg(name) : m_curveLabel + name;
}

void CustomPlotItem::addAmplifier(AmplifierBase *amplifier, QColor color) {
    if (!amplifier)
        return;
    Entry entry;
    entry.amplifier = amplifier;
    entry.color = color;
    entry.name = curveName(*amplifier);
    entry.history = std::make_shared<WeightHistory>();
    // A colour given again (a palette that wrapped) gets a dash no listed curve of that colour has.
    bool used[kDashCount] = {};
    int sameColour = 0;
    for (const Entry &other : m_amplifiers) {
        if (other.color == color) {
            used[other.dash % kDashCount] = true;
            ++sameColour;
        }
    }
    entry.dash = sameColour % kDashCount;
    for (int dash = 0; dash < kDashCount; ++dash) {
        if (!used[dash]) {
            entry.dash = dash;
            break;
        }
    }
    // Every driver is a QObject first; the guard notices its destruction.
    if (QObject *object = dynamic_cast<QObject *>(amplifier)) {
        entry.guard = object;
        entry.guarded = true;
        entry.freshnessMethod = object->metaObject()->indexOfMethod("getMsSinceLastReading()");
    }
    addGraph(color, entry.name);
    entry.graph = m_plot->graph(m_plot->graphCount() - 1);
    QPen pen(color, 2, kDashes[entry.dash]);
    entry.graph->setPen(pen);
    m_amplifiers.append(entry);
    emit curvesChanged();
    replot();
}

void CustomPlotItem::removeAmplifier(AmplifierBase *amplifier) {
    if (!amplifier)
        return;
    // Only a live entry can match: a new amplifier may occupy the address of a destroyed one.
    const auto found = std::find_if(m_amplifiers.begin(), m_amplifiers.end(),
                                    [amplifier](const Entry &entry) { return entry.live() == amplifier; });
    if (found == m_amplifiers.end())
        return;
    if (!found->graph.isNull())
        m_plot->removeGraph(found->graph.data());
    m_amplifiers.erase(found);
    emit curvesChanged();
    updateCursor();
    replot();
}

QColor CustomPlotItem::curveColor(AmplifierBase *amplifier) const {
    for (const Entry &entry : m_amplifiers) {
        if (amplifier && entry.live() == amplifier)
            return entry.color;
    }
    return QColor();
}

WeightHistory *CustomPlotItem::historyOf(const AmplifierBase *amplifier) {
    for (const Entry &entry : m_amplifiers) {
        if (amplifier && entry.live() == amplifier)
            return entry.history.get();
    }
    return nullptr;
}

QVariantList CustomPlotItem::curves() const {
    QVariantList list;
    for (const Entry &entry : m_amplifiers) {
        list.append(QVariantMap{{QStringLiteral("name"), entry.name},
                                {QStringLiteral("color"), entry.color},
                                {QStringLiteral("dash"), static_cast<int>(kDashes[entry.dash])},
                                {QStringLiteral("visible"), !entry.graph.isNull() && entry.graph->visible()},
                                {QStringLiteral("outside"), entry.outside}});
    }
    return list;
}

void CustomPlotItem::setCurveVisible(int index, bool visible) {
    if (index < 0 || index >= m_amplifiers.size() || m_amplifiers.at(index).graph.isNull())
        return;
    QCPGraph *graph = m_amplifiers.at(index).graph.data();
    if (graph->visible() == visible)
        return;
    graph->setVisible(visible);
    emit curvesChanged();
    if (m_autoScale)
        rescaleWeightAxis();
    replot();
}

void CustomPlotItem::appendData(double x, double y) {
    if (m_plot->graphCount() == 0)
        return;
    m_plot->graph(0)->addData(x, y);
    m_plot->xAxis->setRange(std::max(0.0, x - kVisibleSeconds), x);
    replot();
}

void CustomPlotItem::clearData() {
    for (Entry &entry : m_amplifiers) {
        entry.history->clear();
        entry.lastReadingAt = -1;
    }
    for (int i = 0; i < m_plot->graphCount(); ++i)
        m_plot->graph(i)->data()->clear();
    replot();
}

void CustomPlotItem::setAutoScale(bool setAutoScale) {
    if (m_autoScale == setAutoScale)
        return;
    m_autoScale = setAutoScale;
    emit autoScaleChanged();
}

void CustomPlotItem::setWeightRange(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high) || !(high > low))
        return;
    setAutoScale(false);
    m_weightRangeChosen = true;
    m_plot->yAxis->setRange(low, high);
    emit viewChanged();
    replot();
}

void CustomPlotItem::setLive(bool live) {
    if (m_live == live)
        return;
    m_live = live;
    if (live) {
        m_windowSeconds = kVisibleSeconds;
        const double now = nowSeconds();
        setTimeRange(now - m_windowSeconds, now);
        if (m_autoScale)
            rescaleWeightAxis();
        replot();
    }
    emit liveChanged();
}

void CustomPlotItem::setUnit(const QString &unit) {
    bool known = false;
    const double factor = weight::unitFactor(unit, &known);
    if (!known || unit == m_unit)
        return;
    const double ratio = factor / unitFactor();
    m_unit = unit;
    // The history is kept in grams: only the range on screen needs converting.
    const QCPRange range = m_plot->yAxis->range();
    m_plot->yAxis->setRange(range.lower * ratio, range.upper * ratio);
    emit unitChanged();
    emit viewChanged();
    updateCursor();
    replot();
}

double CustomPlotItem::unitFactor() const {
    return weight::unitFactor(m_unit);
}

void CustomPlotItem::setTimeTitle(const QString &title) {
    setAxisTitle(m_timeTitle, m_plot->xAxis, title);
}

void CustomPlotItem::setWeightTitle(const QString &title) {
    setAxisTitle(m_weightTitle, m_plot->yAxis, title);
}

void CustomPlotItem::setCurveLabel(const QString &label) {
    if (label == m_curveLabel)
        return;
    m_curveLabel = label;
    for (Entry &entry : m_amplifiers) {
        if (const AmplifierBase *amplifier = entry.live()) {
            entry.name = curveName(*amplifier);
            if (!entry.graph.isNull())
                entry.graph->setName(entry.name);
        }
    }
    emit titlesChanged();
    emit curvesChanged();
    replot();
}

void CustomPlotItem::graphClicked(QCPAbstractPlottable *plottable) {
    Q_UNUSED(plottable);
}

void CustomPlotItem::onCustomReplot() {
    update();
}

void CustomPlotItem::updateCustomPlotSize() {
    resizePlot();
}

QRectF CustomPlotItem::plotArea() const {
    return QRectF(m_plot->axisRect()->rect());
}

double CustomPlotItem::timeToX(double time) const {
    return m_plot->xAxis->coordToPixel(time);
}

double CustomPlotItem::xToTime(double x) const {
    return m_plot->xAxis->pixelToCoord(x);
}

void CustomPlotItem::setTimeRange(double low, double high) {
    m_plot->xAxis->setRange(low, high);
    m_viewDirty = true;
}

bool CustomPlotItem::sample(Entry &entry, int index, double now) {
    AmplifierBase *amplifier = entry.live();
    if (!amplifier) {
        qWarning() << "[CustomPlotItem] Null amplifier at index" << index;
        return false;
    }
    if (entry.graph.isNull()) {
        qWarning() << "[CustomPlotItem] Not enough graphs in m_CustomPlot."
                   << "Tried index" << index << "but only have" << m_plot->graphCount() << "graph(s).";
        return false;
    }
    double readingAt = now;
    if (entry.freshnessMethod >= 0) {
        // Only a reading the driver took since the last tick is plotted: a stored weight that is not renewed
        // (an amplifier that stopped answering, or none read yet) is no new point.
        QObject *object = entry.guard.data();
        qint64 sinceMs = -1;
        object->metaObject()
            ->method(entry.freshnessMethod)
            .invoke(object, Qt::DirectConnection, Q_RETURN_ARG(qint64, sinceMs));
        // Silent for longer than a gap, or not reading at all: the line breaks at its last reading. Judged
        // by the driver's clock, so a stalled window does not cut a line whose readings went on.
        if (sinceMs < 0 || static_cast<double>(sinceMs) > kGapSeconds * 1000.0)
            entry.history->breakLine();
        if (sinceMs < 0)
            return false;
        readingAt = now - static_cast<double>(sinceMs) / 1000.0;
        if (entry.lastReadingAt >= 0 && readingAt <= entry.lastReadingAt + kSameReadingSeconds)
            return false;
    }
    entry.lastReadingAt = std::max(readingAt, entry.lastReadingAt);
    const double weight = amplifier->getMeasuredWeight();
    if (!std::isfinite(weight)) {
        qWarning() << "[CustomPlotItem] Non-finite weight from amplifier" << index << "- skipping.";
        return false;
    }
    if (weight < kLowestPlausibleWeight || weight > kHighestPlausibleWeight) {
        qWarning() << "[CustomPlotItem] Unrealistic weight" << weight << "from amplifier" << index
                   << "- skipping.";
        return false;
    }
    entry.history->append(entry.lastReadingAt, weight / unitFactor());
    return true;
}

void CustomPlotItem::timerEvent(QTimerEvent *event) {
    Q_UNUSED(event);
    sampleTick();
}

void CustomPlotItem::sampleTick() {
    const double now = nowSeconds();
    const QCPRange shown = m_plot->xAxis->range();
    bool changed = false;
    bool anyData = false;
    for (int i = 0; i < m_amplifiers.size(); ++i) {
        Entry &entry = m_amplifiers[i];
        if (sample(entry, i, now)) {
            anyData = true;
            changed =
                changed || (entry.graph->visible() && entry.lastReadingAt >= shown.lower - kGapSeconds &&
                            entry.lastReadingAt <= shown.upper + kGapSeconds);
        }
    }
    if (m_live) {
        setTimeRange(now - m_windowSeconds, now);
        changed = true;
    }
    // Until a range is chosen the first readings choose one, so that no curve is drawn off the axis.
    if ((m_autoScale || (anyData && !m_weightRangeChosen)) && rescaleWeightAxis())
        changed = true;
    if (updateOutsideHints())
        emit curvesChanged();
    if (changed || m_viewDirty) {
        emit viewChanged();
        if (m_cursorX >= 0)
            updateCursor();
        replot();
    }
}

bool CustomPlotItem::rescaleWeightAxis() {
    double from = 0;
    double to = 0;
    if (m_live) {
        to = nowSeconds();
        from = to - std::max(kRescaleLookBackSeconds, m_windowSeconds);
    } else {
        from = m_plot->xAxis->range().lower;
        to = m_plot->xAxis->range().upper;
    }
    double lo = std::numeric_limits<double>::max();
    double hi = -std::numeric_limits<double>::max();
    bool found = false;
    for (const Entry &entry : m_amplifiers) {
        double curveLo = 0;
        double curveHi = 0;
        if (entry.graph.isNull() || !entry.graph->visible() ||
            !entry.history->extremes(from, to, curveLo, curveHi))
            continue;
        found = true;
        lo = std::min(lo, curveLo * unitFactor());
        hi = std::max(hi, curveHi * unitFactor());
    }
    // The plot's own lines count too.
    for (int g = 0; g < m_plot->graphCount(); ++g) {
        const QSharedPointer<QCPGraphDataContainer> data = m_plot->graph(g)->data();
        const bool ownLine = std::none_of(m_amplifiers.begin(), m_amplifiers.end(), [&](const Entry &entry) {
            return entry.graph.data() == m_plot->graph(g);
        });
        if (!ownLine)
            continue;
        const auto end = data->findEnd(to, false);
        for (auto it = data->findBegin(from, false); it != end; ++it) {
            if (!std::isfinite(it->value) || it->key < from || it->key > to)
                continue;
            lo = std::min(lo, it->value);
            hi = std::max(hi, it->value);
            found = true;
        }
    }
    if (!found)
        return false;
    const QCPRange current = m_plot->yAxis->range();
    if (!(hi > lo)) {
        // A flat curve keeps the range, unless it is not in it at all.
        if (current.contains(lo)) {
            m_weightRangeChosen = true;
            return false;
        }
        const double half = std::max(1.0, std::abs(lo) * 0.05);
        m_plot->yAxis->setRange(lo - half, lo + half);
        m_weightRangeChosen = true;
        return true;
    }
    const double margin = 0.1 * (hi - lo);
    const QCPRange fitted(lo - margin, hi + margin);
    m_weightRangeChosen = true;
    if (fitted == current)
        return false;
    m_plot->yAxis->setRange(fitted);
    return true;
}

bool CustomPlotItem::updateOutsideHints() {
    const QCPRange time = m_plot->xAxis->range();
    const QCPRange weight = m_plot->yAxis->range();
    bool changed = false;
    for (Entry &entry : m_amplifiers) {
        QString outside;
        if (!entry.graph.isNull() && entry.graph->visible() && entry.lastReadingAt >= time.lower) {
            // Where the curve ends on the plot: the reading in force at its right edge.
            const WeightHistory::Reading end =
                entry.history->at(std::min(time.upper, entry.lastReadingAt), time.upper - time.lower);
            if (end.found && end.lo * unitFactor() > weight.upper)
                outside = tr("above the weight range shown");
            else if (end.found && end.hi * unitFactor() < weight.lower)
                outside = tr("below the weight range shown");
        }
        if (outside != entry.outside) {
            entry.outside = outside;
            changed = true;
        }
    }
    return changed;
}

void CustomPlotItem::rebuildView() {
    m_viewDirty = false;
    const QCPRange range = m_plot->xAxis->range();
    const double pixels = std::max(1, m_plot->axisRect()->width() > 0 ? m_plot->axisRect()->width()
                                                                      : static_cast<int>(width()));
    const double resolution = range.size() / pixels;
    const double factor = unitFactor();
    for (Entry &entry : m_amplifiers) {
        if (entry.graph.isNull())
            continue;
        m_scratch.clear();
        if (entry.graph->visible())
            entry.history->query(range.lower, range.upper, resolution, m_scratch);
        QVector<QCPGraphData> points;
        points.reserve(static_cast<int>(m_scratch.size()));
        for (const WeightHistory::Point &point : m_scratch)
            points.append(QCPGraphData(point.t, point.value * factor));
        entry.graph->data()->set(points, true);
    }
    // Long views name the day as well.
    auto ticker = m_plot->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    if (ticker) {
        const QString format =
            range.size() > 24 * 3600 ? QStringLiteral("dd.MM. hh:mm") : QStringLiteral("hh:mm:ss");
        if (ticker->dateTimeFormat() != format)
            ticker->setDateTimeFormat(format);
    }
}

void CustomPlotItem::paint(QPainter *painter) {
    const QSize size = boundingRect().size().toSize();
    if (size.isEmpty())
        return;
    if (m_viewDirty)
        rebuildView();
    PlotItem::paint(painter);
}

bool CustomPlotItem::exportPng(const QString &filePath) {
    if (filePath.isEmpty())
        return false;
    const QSize size = boundingRect().size().toSize();
    if (size.isEmpty())
        return false;
    rebuildView();
    for (const Entry &entry : m_amplifiers) {
        if (!entry.graph.isNull() && entry.graph->visible())
            entry.graph->addToLegend();
    }
    m_plot->legend->setVisible(true);
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    QCPPainter plotPainter(&picture);
    m_plot->drawInto(&plotPainter, backgroundColor());
    plotPainter.end();
    m_plot->legend->setVisible(false);
    for (const Entry &entry : m_amplifiers) {
        if (!entry.graph.isNull())
            entry.graph->removeFromLegend();
    }
    return picture.save(filePath, "PNG");
}

QVariantList CustomPlotItem::shownPoints(int index) const {
    QVariantList points;
    if (index < 0 || index >= m_amplifiers.size() || m_amplifiers.at(index).graph.isNull())
        return points;
    const QSharedPointer<QCPGraphDataContainer> data = m_amplifiers.at(index).graph->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        points.append(QPointF(it->key, it->value));
    return points;
}

void CustomPlotItem::updateCursor() {
    m_cursorValues.clear();
    if (m_cursorX < 0) {
        m_cursorTime.clear();
        emit cursorChanged();
        return;
    }
    const double t = xToTime(m_cursorX);
    const QCPRange range = m_plot->xAxis->range();
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(t * 1000)));
    m_cursorTime = when.toString(range.size() > 24 * 3600 ? QStringLiteral("yyyy-MM-dd hh:mm:ss")
                                                          : QStringLiteral("hh:mm:ss.zzz"));
    const double factor = unitFactor();
    for (const Entry &entry : m_amplifiers) {
        const WeightHistory::Reading reading = entry.history->at(t, kGapSeconds);
        if (!reading.found) {
            m_cursorValues.append(QString());
        } else if (reading.lo == reading.hi) {
            m_cursorValues.append(readingText(reading.lo * factor) + QLatin1Char(' ') + m_unit);
        } else {
            // Older history holds the lowest and highest reading of each stretch of time.
            m_cursorValues.append(readingText(reading.lo * factor) + QStringLiteral(" … ") +
                                  readingText(reading.hi * factor) + QLatin1Char(' ') + m_unit);
        }
    }
    emit cursorChanged();
}

void CustomPlotItem::userChangedView(bool leaveLive) {
    if (leaveLive)
        setLive(false);
    emit viewChanged();
    if (m_cursorX >= 0)
        updateCursor();
    replot();
}

void CustomPlotItem::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressAt = event->position();
    m_dragging = false;
    m_pressTimeLow = m_plot->xAxis->range().lower;
    m_pressWeightLow = m_plot->yAxis->range().lower;
    event->accept();
}

void CustomPlotItem::mouseMoveEvent(QMouseEvent *event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF delta = event->position() - m_pressAt;
    if (!m_dragging && delta.manhattanLength() < kDragThresholdPixels)
        return;
    m_dragging = true;
    // What lay under the pointer at the press stays under it.
    QCPAxis *time = m_plot->xAxis;
    QCPAxis *weight = m_plot->yAxis;
    const double timeShift = time->pixelToCoord(m_pressAt.x()) - time->pixelToCoord(event->position().x());
    const double timeSize = time->range().size();
    setTimeRange(m_pressTimeLow + timeShift, m_pressTimeLow + timeShift + timeSize);
    if (std::abs(delta.y()) >= 1) {
        const double weightShift =
            weight->pixelToCoord(m_pressAt.y()) - weight->pixelToCoord(event->position().y());
        const double weightSize = weight->range().size();
        weight->setRange(m_pressWeightLow + weightShift, m_pressWeightLow + weightShift + weightSize);
        m_weightRangeChosen = true;
        setAutoScale(false);
    }
    userChangedView(true);
}

void CustomPlotItem::mouseReleaseEvent(QMouseEvent *event) {
    Q_UNUSED(event);
    m_dragging = false;
}

void CustomPlotItem::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_windowSeconds = kVisibleSeconds;
    if (m_live) {
        const double now = nowSeconds();
        setTimeRange(now - m_windowSeconds, now);
        userChangedView(false);
    } else {
        setLive(true);
    }
}

void CustomPlotItem::wheelEvent(QWheelEvent *event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(0.8, steps);
    if (event->modifiers() & Qt::ControlModifier) {
        // The weight axis, around the weight under the pointer.
        QCPAxis *weight = m_plot->yAxis;
        weight->scaleRange(factor, weight->pixelToCoord(event->position().y()));
        m_weightRangeChosen = true;
        setAutoScale(false);
        userChangedView(false);
        return;
    }
    QCPAxis *time = m_plot->xAxis;
    const double size =
        std::clamp(time->range().size() * factor, kShortestWindowSeconds, kLongestWindowSeconds);
    if (m_live) {
        // Live, the right edge stays at the present.
        m_windowSeconds = size;
        const double now = nowSeconds();
        setTimeRange(now - size, now);
        userChangedView(false);
        return;
    }
    const double centre = time->pixelToCoord(event->position().x());
    const double scale = size / time->range().size();
    setTimeRange(centre - (centre - time->range().lower) * scale,
                 centre + (time->range().upper - centre) * scale);
    userChangedView(false);
}

void CustomPlotItem::hoverMoveEvent(QHoverEvent *event) {
    const QRect area = m_plot->axisRect()->rect();
    const QPointF at = event->position();
    m_cursorX = area.contains(at.toPoint()) ? at.x() : -1;
    updateCursor();
}

void CustomPlotItem::hoverLeaveEvent(QHoverEvent *event) {
    Q_UNUSED(event);
    m_cursorX = -1;
    updateCursor();
}
