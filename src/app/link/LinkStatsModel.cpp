#include "app/link/LinkStatsModel.h"

#include "link/LinkWatch.h"

#include <QDateTime>

namespace {

QString milliseconds(double ms) {
    return ms < 0 ? QStringLiteral("–") : QString::number(ms, 'f', 1);
}

} // namespace

LinkStatsModel::LinkStatsModel(QObject *parent)
    : LinkModel(parent) {}

int LinkStatsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant LinkStatsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case NameRole:
        return row.name;
    case FiguresRole:
        return row.figures;
    case LastErrorRole:
        return row.detail;
    default:
        return {};
    }
}

QHash<int, QByteArray> LinkStatsModel::roleNames() const {
    return {{NameRole, "name"}, {FiguresRole, "figures"}, {LastErrorRole, "lastError"}};
}

QStringList LinkStatsModel::figures(const linkstats::Snapshot &s, bool hasLink) {
    QStringList shown;
    if (!hasLink) {
        for (int i = 0; i < FigureCount; ++i)
            shown << QStringLiteral("–");
        return shown;
    }
    using frames::Verdict;
    shown << QString::number(s.requests) << QString::number(s.good())
          << QString::number(s.count(Verdict::TimedOut)) << QString::number(s.count(Verdict::BadCrc))
          << QString::number(s.count(Verdict::OtherId)) << QString::number(s.count(Verdict::Refused))
          << QString::number(s.count(Verdict::Late)) << QString::number(s.count(Verdict::Duplicate))
          << milliseconds(s.medianMs) << milliseconds(s.p99Ms);
    return shown;
}

QString LinkStatsModel::detail(const linkstats::Snapshot &s, frames::Protocol protocol, bool hasLink) {
    if (!hasLink)
        return tr("This amplifier's link keeps no counters.");
    QStringList parts;
    QStringList codes;
    for (const linkstats::RefusalCount &refusal : s.refusals)
        codes << (protocol == frames::Protocol::Modbus
                      ? tr("exception %1: %2").arg(refusal.code).arg(refusal.count)
                      : tr("abort 0x%1: %2").arg(refusal.code, 8, 16, QLatin1Char('0')).arg(refusal.count));
    if (!codes.isEmpty())
        parts << tr("refused by code: %1").arg(codes.join(QStringLiteral(", ")));
    using frames::Verdict;
    const uint64_t garbled =
        s.count(Verdict::Garbage) + s.count(Verdict::Incomplete) + s.count(Verdict::Unsupported);
    if (garbled > 0)
        parts << tr("garbled or cut answers: %1").arg(garbled);
    if (s.linkErrors > 0)
        parts << tr("port errors: %1").arg(s.linkErrors);
    if (!s.lastError.isEmpty())
        parts << tr("last error at %1: %2")
                     .arg(QDateTime::fromMSecsSinceEpoch(s.lastErrorMs)
                              .toString(QStringLiteral("HH:mm:ss.zzz")),
                          s.lastError);
    return parts.join(QStringLiteral("; "));
}

void LinkStatsModel::update(const std::vector<LinkSource> &sources) {
    QList<Row> rows;
    for (const LinkSource &source : sources) {
        const bool hasLink = source.watch && source.address >= 0 && source.address <= 0xFF;
        const linkstats::Snapshot snapshot =
            hasLink ? source.watch->stats().snapshot(static_cast<uint8_t>(source.address))
                    : linkstats::Snapshot{};
        const frames::Protocol protocol = hasLink ? source.watch->protocol() : frames::Protocol::Modbus;
        rows.push_back({source.name, figures(snapshot, hasLink), detail(snapshot, protocol, hasLink)});
    }
    const bool sameAmplifiers = rows.size() == m_rows.size() &&
                                std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(),
                                           [](const Row &a, const Row &b) { return a.name == b.name; });
    if (!sameAmplifiers) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].figures == m_rows[i].figures && rows[i].detail == m_rows[i].detail)
            continue;
        m_rows[i] = rows[i];
        emit dataChanged(index(i), index(i), {FiguresRole, LastErrorRole});
    }
}
