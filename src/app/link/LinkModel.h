#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <vector>

class AmplifierBase;
class AmplifierListModel;
class LinkWatch;
Q_MOC_INCLUDE("app/plot/AmplifierListModel.h")

// An amplifier of the Weight Plot screen as the Link screen sees it: its tile's name and where its exchanges
// are counted (its link and its address or node there). `watch` is null for a driver without a link to show.
struct LinkSource {
    QString name;
    AmplifierBase *amplifier = nullptr;
    LinkWatch *watch = nullptr;
    int address = -1;
};

// What the Link screen's lists share: the amplifiers they are about (the Weight Plot screen's model) and a
// refresh at most twice a second, only while the screen is shown, so that a hidden screen costs nothing.
class LinkModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(AmplifierListModel *amplifiers READ amplifiers WRITE setAmplifiers NOTIFY amplifiersChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // The tiles' names, in the Weight Plot screen's order, as of the last refresh.
    Q_PROPERTY(QStringList names READ names NOTIFY namesChanged)

public:
    static constexpr int kRefreshMs = 500;

    explicit LinkModel(QObject *parent = nullptr);
    ~LinkModel() override;

    AmplifierListModel *amplifiers() const;
    void setAmplifiers(AmplifierListModel *amplifiers);
    bool active() const { return m_active; }
    void setActive(bool active);
    int count() const { return rowCount(); }
    QStringList names() const { return m_names; }

    // Reads the amplifiers' links now.
    Q_INVOKABLE void refresh();

    // The amplifiers of `model` with their links, in row order.
    static std::vector<LinkSource> sourcesOf(const AmplifierListModel *model);

signals:
    void amplifiersChanged();
    void activeChanged();
    void countChanged();
    void namesChanged();

protected:
    // Takes what `sources` tell now; called on every refresh.
    virtual void update(const std::vector<LinkSource> &sources) = 0;
    // The screen was shown (true) or hidden.
    virtual void activated(bool) {}

private:
    QPointer<AmplifierListModel> m_amplifiers;
    bool m_active = false;
    QStringList m_names;
    QTimer m_timer;
};
