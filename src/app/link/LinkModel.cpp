#include "app/link/LinkModel.h"

#include "app/plot/AmplifierListModel.h"
#include "device/AmplifierBase.h"

LinkModel::LinkModel(QObject *parent)
    : QAbstractListModel(parent) {
    m_timer.setInterval(kRefreshMs);
    QObject::connect(&m_timer, &QTimer::timeout, this, &LinkModel::refresh);
    QObject::connect(this, &QAbstractItemModel::rowsInserted, this, &LinkModel::countChanged);
    QObject::connect(this, &QAbstractItemModel::rowsRemoved, this, &LinkModel::countChanged);
    QObject::connect(this, &QAbstractItemModel::modelReset, this, &LinkModel::countChanged);
}

LinkModel::~LinkModel() = default;

AmplifierListModel *LinkModel::amplifiers() const {
    return m_amplifiers.data();
}

void LinkModel::setAmplifiers(AmplifierListModel *amplifiers) {
    if (m_amplifiers == amplifiers)
        return;
    m_amplifiers = amplifiers;
    emit amplifiersChanged();
    refresh();
}

void LinkModel::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    activated(active);
    if (active) {
        refresh();
        m_timer.start();
    } else {
        m_timer.stop();
    }
    emit activeChanged();
}

void LinkModel::refresh() {
    const std::vector<LinkSource> sources = sourcesOf(m_amplifiers.data());
    QStringList names;
    for (const LinkSource &source : sources)
        names << source.name;
    update(sources);
    if (names != m_names) {
        m_names = names;
        emit namesChanged();
    }
}

std::vector<LinkSource> LinkModel::sourcesOf(const AmplifierListModel *model) {
    std::vector<LinkSource> sources;
    if (!model)
        return sources;
    for (const QVariant &entry : model->amplifiers()) {
        auto *amplifier = dynamic_cast<AmplifierBase *>(entry.value<QObject *>());
        if (!amplifier)
            continue;
        sources.push_back(
            {amplifier->getName(), amplifier, amplifier->linkWatch(), amplifier->linkAddress()});
    }
    return sources;
}
