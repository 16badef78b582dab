#include "app/link/FrameListModel.h"

#include "device/AmplifierBase.h"
#include "device/CsvField.h"
#include "link/LinkWatch.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>

FrameListModel::FrameListModel(QObject *parent)
    : LinkModel(parent) {}

FrameListModel::~FrameListModel() {
    activated(false);
}

int FrameListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

const FrameListModel::Entry &FrameListModel::entry(int row) const {
    return m_store[static_cast<size_t>(m_rows[static_cast<size_t>(row)] - m_firstId)];
}

QString FrameListModel::amplifierOf(const Entry &e) const {
    const QString name = m_names.value(qMakePair(e.watch, static_cast<int>(e.record.address)));
    return name.isEmpty() ? tr("id %1").arg(e.record.address) : tr("Load cell %1").arg(name);
}

QVariant FrameListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Entry &e = entry(index.row());
    const FrameRecord &r = e.record;
    switch (role) {
    case TimeRole:
        return QDateTime::fromMSecsSinceEpoch(r.msSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
    case DirectionRole:
        return r.direction == frames::Direction::Request ? QStringLiteral("→") : QStringLiteral("←");
    case AmplifierRole:
        return amplifierOf(e);
    case VerdictRole:
        return static_cast<int>(r.verdict);
    case VerdictTextRole:
        return verdictName(r.verdict);
    case GoodRole:
        return r.verdict == frames::Verdict::Ok;
    case HexRole:
        // A frame longer than what a slot keeps says so rather than passing for a whole frame.
        return frames::hex(r.bytes.data(), r.kept()) +
               (r.size > r.kept() ? tr(" … (%n bytes)", "", r.size) : QString());
    case DecodedRole: {
        // Bytes that do not decode are shown as hex only, never as a value.
        const frames::Decoded decoded = r.decoded();
        return decoded.decoded ? decoded.summary() : QString();
    }
    default:
        return {};
    }
}

QHash<int, QByteArray> FrameListModel::roleNames() const {
    return {{TimeRole, "time"},       {DirectionRole, "direction"},     {AmplifierRole, "amplifier"},
            {VerdictRole, "verdict"}, {VerdictTextRole, "verdictText"}, {GoodRole, "good"},
            {HexRole, "hex"},         {DecodedRole, "decoded"}};
}

QString FrameListModel::verdictName(frames::Verdict verdict) {
    if (verdict == frames::Verdict::Count)
        return {};
    // The list's verdict column says what kind of refusal it was; every other verdict in the words the
    // counters and the tool use.
    if (verdict == frames::Verdict::Refused)
        return tr("exception/abort");
    return QCoreApplication::translate("frames", frames::verdictKey(verdict));
}

QStringList FrameListModel::verdictNames() const {
    QStringList names;
    for (int v = 0; v < frames::kVerdictCount; ++v)
        names << verdictName(static_cast<frames::Verdict>(v));
    return names;
}

void FrameListModel::setPaused(bool paused) {
    if (m_paused == paused)
        return;
    m_paused = paused;
    emit pausedChanged();
    if (!paused)
        refresh();
}

void FrameListModel::setAmplifierFilter(const QString &name) {
    if (m_amplifierFilter == name)
        return;
    m_amplifierFilter = name;
    rebuildRows();
    emit filterChanged();
}

void FrameListModel::setVerdictFilter(int verdict) {
    verdict = verdict >= 0 && verdict < frames::kVerdictCount ? verdict : -1;
    if (m_verdictFilter == verdict)
        return;
    m_verdictFilter = verdict;
    rebuildRows();
    emit filterChanged();
}

bool FrameListModel::shown(const Entry &e) const {
    if (m_verdictFilter >= 0 && static_cast<int>(e.record.verdict) != m_verdictFilter)
        return false;
    return m_amplifierFilter.isEmpty() ||
           m_names.value(qMakePair(e.watch, static_cast<int>(e.record.address))) == m_amplifierFilter;
}

void FrameListModel::rebuildRows() {
    beginResetModel();
    m_rows.clear();
    for (size_t i = 0; i < m_store.size(); ++i)
        if (shown(m_store[i]))
            m_rows.push_back(m_firstId + i);
    endResetModel();
}

void FrameListModel::activated(bool active) {
    if (active)
        return;
    for (const auto &[watch, owner] : m_recording)
        if (owner)
            watch->monitor().setRecording(false);
    m_recording.clear();
}

void FrameListModel::update(const std::vector<LinkSource> &sources) {
    QHash<QPair<LinkWatch *, int>, QString> names;
    std::vector<LinkWatch *> watches;
    for (const LinkSource &source : sources) {
        if (!source.watch)
            continue;
        names.insert(qMakePair(source.watch, source.address), source.name);
        if (std::find(watches.begin(), watches.end(), source.watch) != watches.end())
            continue;
        watches.push_back(source.watch);
        const bool recording = std::any_of(m_recording.begin(), m_recording.end(),
                                           [&](const auto &on) { return on.first == source.watch; });
        if (active() && !recording) {
            source.watch->monitor().setRecording(true);
            m_recording.emplace_back(source.watch, source.amplifier);
        }
    }
    const bool renamed = names != m_names;
    m_names = names;
    if (renamed && !m_amplifierFilter.isEmpty())
        rebuildRows();
    if (m_paused)
        return;

    // What the links recorded since the last look, in time order across links.
    std::vector<Entry> fresh;
    for (LinkWatch *watch : watches) {
        // A link met for the first time shows its frames from now on: what its ring held before belongs to
        // an earlier look (the ring outlives this list).
        const auto known = m_seen.find(watch);
        uint64_t &seen =
            known != m_seen.end() ? known->second : m_seen[watch] = watch->monitor().lastSequence();
        // Up to the last frame taken: one recorded meanwhile comes with the next look.
        for (const FrameRecord &record : watch->monitor().since(seen)) {
            fresh.push_back({record, watch});
            seen = std::max(seen, record.sequence);
        }
    }
    if (fresh.empty())
        return;
    std::stable_sort(fresh.begin(), fresh.end(), [](const Entry &a, const Entry &b) {
        return a.record.msSinceEpoch < b.record.msSinceEpoch;
    });
    const uint64_t firstFresh = m_firstId + m_store.size();
    m_store.insert(m_store.end(), fresh.begin(), fresh.end());

    // As many frames as the links' rings hold together; the oldest go first.
    const size_t capacity = FrameMonitor::kCapacity * std::max<size_t>(1, watches.size());
    if (m_store.size() > capacity) {
        const size_t drop = m_store.size() - capacity;
        m_store.erase(m_store.begin(), m_store.begin() + static_cast<std::ptrdiff_t>(drop));
        m_firstId += drop;
        const auto gone = std::lower_bound(m_rows.begin(), m_rows.end(), m_firstId);
        const int goneRows = static_cast<int>(gone - m_rows.begin());
        if (goneRows > 0) {
            beginRemoveRows(QModelIndex(), 0, goneRows - 1);
            m_rows.erase(m_rows.begin(), gone);
            endRemoveRows();
        }
    }
    std::vector<uint64_t> added;
    for (uint64_t id = std::max(firstFresh, m_firstId); id < m_firstId + m_store.size(); ++id)
        if (shown(m_store[static_cast<size_t>(id - m_firstId)]))
            added.push_back(id);
    if (added.empty())
        return;
    beginInsertRows(QModelIndex(), rowCount(), rowCount() + static_cast<int>(added.size()) - 1);
    m_rows.insert(m_rows.end(), added.begin(), added.end());
    endInsertRows();
}

QStringList FrameListModel::fields(int row) const {
    const QModelIndex at = index(row);
    const Entry &e = entry(row);
    return {QDateTime::fromMSecsSinceEpoch(e.record.msSinceEpoch).toString(Qt::ISODateWithMs),
            e.record.direction == frames::Direction::Request ? QStringLiteral("request")
                                                             : QStringLiteral("answer"),
            amplifierOf(e),
            QString::fromLatin1(frames::verdictKey(e.record.verdict)),
            data(at, HexRole).toString(),
            data(at, DecodedRole).toString()};
}

int FrameListModel::copyRows(const QVariantList &rows) const {
    QStringList lines;
    for (const QVariant &row : rows) {
        const int r = row.toInt();
        if (r >= 0 && r < rowCount())
            lines << fields(r).join(QLatin1Char('\t'));
    }
    if (!lines.isEmpty())
        QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return static_cast<int>(lines.size());
}

QString FrameListModel::exportCsv(const QString &file) {
    const QString path = file.startsWith(QLatin1String("file:")) ? QUrl(file).toLocalFile() : file;
    if (path.isEmpty())
        return tr("No file was chosen.");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return tr("%1 cannot be written: %2").arg(path, out.errorString());
    QString text = QStringLiteral("Time,Direction,Amplifier,Verdict,Raw,Decoded\n");
    for (int row = 0; row < rowCount(); ++row) {
        QStringList line = fields(row);
        std::transform(line.begin(), line.end(), line.begin(), csvField);
        text += line.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    if (out.write(text.toUtf8()) < 0 || !out.commit())
        return tr("%1 cannot be written: %2").arg(path, out.errorString());
    m_lastExportPath = path;
    m_lastExportRows = rowCount();
    emit exported();
    return {};
}
