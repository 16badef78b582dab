#pragma once

#include "app/link/LinkModel.h"
#include "link/LinkStats.h"

#include <QHash>
#include <QList>

// The counters of every amplifier of the Weight Plot screen, one row each: the figures of the Link screen's
// table as text, and a line with the refusals by code and the last error with its time. Copied from the
// links' snapshots on each refresh; the rows change in place so that the view keeps its place.
class LinkStatsModel : public LinkModel {
    Q_OBJECT

public:
    enum Role { NameRole = Qt::UserRole + 1, FiguresRole, LastErrorRole };
    // The table's columns, in order.
    enum Figure {
        Requests,
        Good,
        TimeOuts,
        BadCrc,
        OtherId,
        Refused,
        Late,
        Duplicates,
        MedianMs,
        P99Ms,
        FigureCount
    };

    explicit LinkStatsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The figures of one snapshot as the table shows them.
    static QStringList figures(const linkstats::Snapshot &snapshot, bool hasLink);
    // The refusals by code and the last error, one line; "" when there is nothing to say.
    static QString detail(const linkstats::Snapshot &snapshot, frames::Protocol protocol, bool hasLink);

protected:
    void update(const std::vector<LinkSource> &sources) override;

private:
    struct Row {
        QString name;
        QStringList figures;
        QString detail;
    };
    QList<Row> m_rows;
};
