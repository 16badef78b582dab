#include "app/plot/AmplifierListModel.h"

#include "app/plot/CustomPlotItem.h"
#include "device/AmplifierBase.h"

#include <QVariantMap>

namespace {

AmplifierBase *asAmplifier(QObject *object) {
    return dynamic_cast<AmplifierBase *>(object);
}

// Collects what an amplifier reports by commandFinished while one of its commands runs.
class OutcomeCatcher : public QObject {
public:
    OutcomeCatcher(AmplifierBase *amplifier, const QString &command)
        : m_command(command) {
        QObject::connect(amplifier, &AmplifierBase::commandFinished, this,
                         [this](const QString &finished, bool succeeded, const QString &text) {
                             if (finished != m_command)
                                 return;
                             reported = true;
                             ok = succeeded;
                             message = text;
                         });
    }

    bool reported = false;
    bool ok = false;
    QString message;

private:
    QString m_command;
};

} // namespace

AmplifierListModel::Staleness AmplifierListModel::staleness(qint64 msSinceLastReading, qint64 msSinceAdded,
                                                            bool paused) {
    Staleness result;
    result.silentMs = msSinceLastReading >= 0 ? msSinceLastReading : msSinceAdded;
    result.stale = !paused && result.silentMs > kStaleAfterMs;
    return result;
}

AmplifierListModel::AmplifierListModel(QObject *parent)
    : QAbstractListModel(parent) {
    m_refresh.setInterval(kRefreshMs);
    QObject::connect(&m_refresh, &QTimer::timeout, this, &AmplifierListModel::refresh);
}

AmplifierListModel::~AmplifierListModel() = default;

int AmplifierListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant AmplifierListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    const AmplifierBase::Capabilities can =
        row.object.isNull() ? AmplifierBase::Capabilities{} : row.amplifier->capabilities();
    switch (role) {
    case AmplifierRole:
        return QVariant::fromValue(row.object.data());
    case NameRole:
        return row.name;
    case ColourRole:
        return row.colour;
    case SelectedRole:
        return row.selected;
    case WeightRole:
        return row.weight;
    case UnitRole:
        return m_unit;
    case TaredRole:
        return row.tared;
    case SilentMsRole:
        return row.staleness.silentMs;
    case StaleRole:
        return row.staleness.stale && !paused(row);
    case StaleReasonRole:
        return row.staleReason;
    case PausedRole:
        return paused(row);
    case LinkRole:
        return row.object.isNull() ? QString() : row.amplifier->getLinkDescription();
    case MultiPointRole:
        return can.multiPointCalibration;
    case FilterReadBackRole:
        return can.filterReadBack;
    case SelfTestRole:
        return can.selfTest;
    case ScanRole:
        return can.scan;
    }
    return {};
}

QHash<int, QByteArray> AmplifierListModel::roleNames() const {
    return {{AmplifierRole, "amplifier"},
            {NameRole, "name"},
            {ColourRole, "colour"},
            {SelectedRole, "selected"},
            {WeightRole, "weight"},
            {UnitRole, "unit"},
            {TaredRole, "tared"},
            {SilentMsRole, "silentMs"},
            {StaleRole, "stale"},
            {StaleReasonRole, "staleReason"},
            {PausedRole, "paused"},
            {LinkRole, "linkDescription"},
            {MultiPointRole, "supportsMultiPointCalibration"},
            {FilterReadBackRole, "supportsFilterReadBack"},
            {SelfTestRole, "supportsSelfTest"},
            {ScanRole, "supportsScan"}};
}

QString AmplifierListModel::add(QObject *object) {
    AmplifierBase *amplifier = asAmplifier(object);
    if (!amplifier)
        return {};
    ++m_added;
    Row row;
    row.object = object;
    row.amplifier = amplifier;
    row.name = QString::number(m_added);
    amplifier->setName(row.name);
    // It reads in the unit the screen shows (the plot converts by that unit).
    amplifier->setUnit(m_unit);
    // The colour stays with the amplifier whatever is removed around it.
    if (!m_palette.isEmpty())
        row.colour = m_palette.at((m_added - 1) % m_palette.size()).value<QColor>();
    row.sinceAdded.start();
    // Kept for the whole run, as names are.
    if (!object->parent())
        object->setParent(this);
    if (m_plot)
        m_plot->addAmplifier(amplifier, row.colour);
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.append(row);
    endInsertRows();
    // It starts reading at the next refresh, with the tiles added alongside it: without Auto Scale the
    // first readings choose the plot's range.
    if (!m_refresh.isActive())
        m_refresh.start();
    emit countChanged();
    return m_rows.at(at).name;
}

void AmplifierListModel::toggleSelected(int row) {
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].selected = !m_rows[row].selected;
    emit dataChanged(index(row), index(row), {SelectedRole});
    emit selectionChanged();
}

QVariantList AmplifierListModel::removeSelected() {
    QVariantList removed;
    for (int i = static_cast<int>(m_rows.size()) - 1; i >= 0; --i) {
        if (!m_rows.at(i).selected)
            continue;
        const Row row = m_rows.at(i);
        if (m_plot && !row.object.isNull())
            m_plot->removeAmplifier(row.amplifier);
        beginRemoveRows(QModelIndex(), i, i);
        m_rows.removeAt(i);
        endRemoveRows();
        if (!row.object.isNull())
            removed.append(QVariant::fromValue(row.object.data()));
    }
    if (m_rows.isEmpty())
        m_refresh.stop();
    emit countChanged();
    emit selectionChanged();
    return removed;
}

QVariantList AmplifierListModel::amplifiers() const {
    QVariantList list;
    for (const Row &row : m_rows) {
        if (!row.object.isNull())
            list.append(QVariant::fromValue(row.object.data()));
    }
    return list;
}

QVariantList AmplifierListModel::selectedAmplifiers() const {
    QVariantList list;
    for (const Row &row : m_rows) {
        if (row.selected && !row.object.isNull())
            list.append(QVariant::fromValue(row.object.data()));
    }
    return list;
}

QStringList AmplifierListModel::selectedNames() const {
    QStringList names;
    for (const Row &row : m_rows) {
        if (row.selected)
            names.append(row.name);
    }
    return names;
}

QObject *AmplifierListModel::find(const QString &name) const {
    for (const Row &row : m_rows) {
        if (row.name == name)
            return row.object.data();
    }
    return nullptr;
}

QVariantList AmplifierListModel::runOnSelected(const QString &command) {
    QVariantList outcomes;
    for (const QVariant &value : selectedAmplifiers()) {
        AmplifierBase *amplifier = asAmplifier(value.value<QObject *>());
        OutcomeCatcher catcher(amplifier, command);
        if (command == QLatin1String("zero"))
            amplifier->zero();
        else if (command == QLatin1String("tare"))
            amplifier->tare();
        outcomes.append(QVariantMap{{QStringLiteral("name"), amplifier->getName()},
                                    {QStringLiteral("reported"), catcher.reported},
                                    {QStringLiteral("ok"), catcher.ok},
                                    {QStringLiteral("message"), catcher.message}});
    }
    return outcomes;
}

bool AmplifierListModel::paused(const Row &row) const {
    return !row.name.isEmpty() && row.name == m_pausedName;
}

void AmplifierListModel::read(int at) {
    Row &row = m_rows[at];
    if (row.object.isNull() || paused(row))
        return;
    // Keeps the tile's amplifier reading at the tile's pace; a worker already running is left as it is.
    row.amplifier->startContinuousMeasuringValueRead(kRefreshMs);
    const double weight = row.amplifier->getMeasuredWeight();
    const bool tared = row.amplifier->isTareActive();
    const Staleness staleness =
        AmplifierListModel::staleness(row.amplifier->msSinceLastReading(), row.sinceAdded.elapsed(), false);
    const QString reason = row.amplifier->staleReason();
    if (weight == row.weight && tared == row.tared && staleness.silentMs == row.staleness.silentMs &&
        staleness.stale == row.staleness.stale && reason == row.staleReason)
        return;
    row.weight = weight;
    row.tared = tared;
    row.staleness = staleness;
    row.staleReason = reason;
    emit dataChanged(index(at), index(at), {WeightRole, TaredRole, SilentMsRole, StaleRole, StaleReasonRole});
}

void AmplifierListModel::refresh() {
    for (int i = 0; i < m_rows.size(); ++i)
        read(i);
}

void AmplifierListModel::setPalette(const QVariantList &palette) {
    if (palette == m_palette)
        return;
    m_palette = palette;
    emit paletteChanged();
}

void AmplifierListModel::setUnit(const QString &unit) {
    if (unit == m_unit)
        return;
    m_unit = unit;
    for (const Row &row : m_rows) {
        if (!row.object.isNull())
            row.amplifier->setUnit(unit);
    }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(static_cast<int>(m_rows.size()) - 1), {UnitRole});
    emit unitChanged();
}

CustomPlotItem *AmplifierListModel::plot() const {
    return m_plot.data();
}

void AmplifierListModel::setPlot(CustomPlotItem *plot) {
    if (plot == m_plot)
        return;
    m_plot = plot;
    emit plotChanged();
}

void AmplifierListModel::setPausedName(const QString &name) {
    if (name == m_pausedName)
        return;
    m_pausedName = name;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(static_cast<int>(m_rows.size()) - 1), {PausedRole, StaleRole});
    emit pausedNameChanged();
}
