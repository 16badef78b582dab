#pragma once

#include <QAbstractListModel>
#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>

class AmplifierBase;
class CustomPlotItem;
Q_MOC_INCLUDE("app/plot/CustomPlotItem.h")

// The amplifiers of the Weight Plot screen, one row per tile, in the order they were added. The model names
// them ("1", "2", ... never given twice in a run), gives each its curve colour, keeps the selection, and
// reads every tile's amplifier ten times a second: weight, tare, how long it has been silent and whether
// that makes its tile stale. Amplifiers added are kept (as children of the model) after their tile is
// removed, so that nothing still holding one is left with a destroyed object.
class AmplifierListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    // Amplifiers added in this run, removed ones included: the last name given.
    Q_PROPERTY(int addedCount READ addedCount NOTIFY countChanged)
    Q_PROPERTY(QStringList selectedNames READ selectedNames NOTIFY selectionChanged)
    // The colours curves take in turn (the theme's curve colours).
    Q_PROPERTY(QVariantList palette READ palette WRITE setPalette NOTIFY paletteChanged)
    // The unit every amplifier on the screen reads in.
    Q_PROPERTY(QString unit READ unit WRITE setUnit NOTIFY unitChanged)
    // The plot that draws a curve per row; may be unset.
    Q_PROPERTY(CustomPlotItem *plot READ plot WRITE setPlot NOTIFY plotChanged)
    // The name of the amplifier whose tile does not read while it is calibrated elsewhere ("" for none).
    Q_PROPERTY(QString pausedName READ pausedName WRITE setPausedName NOTIFY pausedNameChanged)

public:
    // A reading cycle takes up to a few hundred milliseconds including the driver's retries; a tile that
    // heard nothing for a whole second has missed several of its 100 ms cycles, which no healthy link does.
    static constexpr qint64 kStaleAfterMs = 1000;
    // How often a tile reads its amplifier (and asks it to keep reading at that pace).
    static constexpr int kRefreshMs = 100;

    enum Role {
        AmplifierRole = Qt::UserRole + 1,
        NameRole,
        ColourRole,
        SelectedRole,
        WeightRole,
        UnitRole,
        TaredRole,
        SilentMsRole,
        StaleRole,
        StaleReasonRole,
        PausedRole,
        LinkRole,
        MultiPointRole,
        FilterReadBackRole,
        SelfTestRole,
        ScanRole,
    };

    // How long an amplifier has been silent and whether its tile says so. `msSinceLastReading` is the
    // driver's (-1 before its first reading): one that never answered counts as silent since it was added.
    struct Staleness {
        qint64 silentMs = -1;
        bool stale = false;
    };
    static Staleness staleness(qint64 msSinceLastReading, qint64 msSinceAdded, bool paused);

    explicit AmplifierListModel(QObject *parent = nullptr);
    ~AmplifierListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Names the amplifier, sets the screen's unit on it, gives it the next colour and a curve; its name.
    // Anything that is not an amplifier driver is refused with an empty name.
    Q_INVOKABLE QString add(QObject *amplifier);
    Q_INVOKABLE void toggleSelected(int row);
    // Takes the selected rows and their curves away; the amplifiers removed, last row first, which the
    // caller takes out of a recording and releases.
    Q_INVOKABLE QVariantList removeSelected();
    // The amplifiers with a tile, and those selected, in row order.
    Q_INVOKABLE QVariantList amplifiers() const;
    Q_INVOKABLE QVariantList selectedAmplifiers() const;
    // The amplifier with a tile named `name`, or null.
    Q_INVOKABLE QObject *find(const QString &name) const;
    // Runs `command` ("zero", "tare") on every selected amplifier in row order and returns what each
    // reported by commandFinished meanwhile: {name, reported, ok, message}. The drivers report before they
    // return, so a missing report means the amplifier never told its outcome.
    Q_INVOKABLE QVariantList runOnSelected(const QString &command);
    // Reads every tile's amplifier now (a changed unit shows without waiting for the next refresh).
    Q_INVOKABLE void refresh();

    int addedCount() const { return m_added; }
    QStringList selectedNames() const;
    QVariantList palette() const { return m_palette; }
    void setPalette(const QVariantList &palette);
    QString unit() const { return m_unit; }
    void setUnit(const QString &unit);
    CustomPlotItem *plot() const;
    void setPlot(CustomPlotItem *plot);
    QString pausedName() const { return m_pausedName; }
    void setPausedName(const QString &name);

signals:
    void countChanged();
    void selectionChanged();
    void paletteChanged();
    void unitChanged();
    void plotChanged();
    void pausedNameChanged();

private:
    struct Row {
        QPointer<QObject> object;
        AmplifierBase *amplifier = nullptr;
        QString name;
        QColor colour;
        bool selected = false;
        double weight = 0.0;
        bool tared = false;
        Staleness staleness;
        QString staleReason;
        QElapsedTimer sinceAdded;
    };

    bool paused(const Row &row) const;
    void read(int row);

    QList<Row> m_rows;
    int m_added = 0;
    QVariantList m_palette;
    QString m_unit = QStringLiteral("g");
    QPointer<CustomPlotItem> m_plot;
    QString m_pausedName;
    QTimer m_refresh;
};
