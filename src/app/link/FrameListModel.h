#pragma once

#include "app/link/LinkModel.h"
#include "link/FrameMonitor.h"

#include <QHash>
#include <QPair>
#include <QVariantList>

#include <deque>
#include <map>

// The frames the amplifiers' links carried while the Link screen was shown, oldest first: the links' rings
// copied as raw records (no text), decoded only for the rows a view asks for. Filtered by amplifier and by
// verdict; paused, it keeps what it shows while the links go on recording. Links record frames only while
// the screen is shown (active), so that a hidden screen costs the exchanges nothing.
class FrameListModel : public LinkModel {
    Q_OBJECT
    Q_PROPERTY(bool paused READ paused WRITE setPaused NOTIFY pausedChanged)
    // The tile name whose frames are shown; "" for all.
    Q_PROPERTY(QString amplifierFilter READ amplifierFilter WRITE setAmplifierFilter NOTIFY filterChanged)
    // The verdict shown (frames::Verdict as a number); -1 for all.
    Q_PROPERTY(int verdictFilter READ verdictFilter WRITE setVerdictFilter NOTIFY filterChanged)
    // Every verdict's name in the user's language, indexed by verdict.
    Q_PROPERTY(QStringList verdictNames READ verdictNames CONSTANT)
    // Where the last export went and how many frames it holds.
    Q_PROPERTY(QString lastExportPath READ lastExportPath NOTIFY exported)
    Q_PROPERTY(int lastExportRows READ lastExportRows NOTIFY exported)

public:
    enum Role {
        TimeRole = Qt::UserRole + 1,
        DirectionRole,
        AmplifierRole,
        VerdictRole,
        VerdictTextRole,
        GoodRole,
        HexRole,
        DecodedRole
    };

    explicit FrameListModel(QObject *parent = nullptr);
    ~FrameListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool paused() const { return m_paused; }
    void setPaused(bool paused);
    QString amplifierFilter() const { return m_amplifierFilter; }
    void setAmplifierFilter(const QString &name);
    int verdictFilter() const { return m_verdictFilter; }
    void setVerdictFilter(int verdict);
    QStringList verdictNames() const;
    QString lastExportPath() const { return m_lastExportPath; }
    int lastExportRows() const { return m_lastExportRows; }

    static QString verdictName(frames::Verdict verdict);

    // Puts rows `rows` (numbers of rows shown) on the clipboard, one line each, fields separated by tabs;
    // how many.
    Q_INVOKABLE int copyRows(const QVariantList &rows) const;
    // Writes every row shown as CSV to `file` (a path or a file: URL). "" when written, else why not; nothing
    // half-written is left in place of an older file.
    Q_INVOKABLE QString exportCsv(const QString &file);

signals:
    void pausedChanged();
    void filterChanged();
    void exported();

protected:
    void update(const std::vector<LinkSource> &sources) override;
    void activated(bool active) override;

private:
    struct Entry {
        FrameRecord record;
        LinkWatch *watch = nullptr;
    };

    const Entry &entry(int row) const;
    bool shown(const Entry &entry) const;
    QString amplifierOf(const Entry &entry) const;
    // The fields of row `row`: time, direction, amplifier, verdict, raw bytes, decoded.
    QStringList fields(int row) const;
    void rebuildRows();

    std::deque<Entry> m_store;
    uint64_t m_firstId = 0;                 // the number of m_store's first entry
    std::deque<uint64_t> m_rows;            // numbers of the entries shown, ascending
    std::map<LinkWatch *, uint64_t> m_seen; // per link, the last sequence taken
    // The links this model switched recording on, each with an amplifier on it: an RS232 port's watch goes
    // with its amplifier.
    std::vector<std::pair<LinkWatch *, QPointer<QObject>>> m_recording;
    QHash<QPair<LinkWatch *, int>, QString> m_names;
    bool m_paused = false;
    QString m_amplifierFilter;
    int m_verdictFilter = -1;
    QString m_lastExportPath;
    int m_lastExportRows = 0;
};
