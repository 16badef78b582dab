#include "device/BusScanner.h"

#include <QVariantMap>

#include <memory>

namespace {

QVariantMap toVariant(const busscan::Finding &finding) {
    return {{QStringLiteral("id"), finding.id},
            {QStringLiteral("adValue"), static_cast<double>(finding.adValue)},
            {QStringLiteral("refused"), finding.refused},
            {QStringLiteral("duplicate"), finding.duplicate},
            {QStringLiteral("delayMs"), finding.delayMs},
            {QStringLiteral("detail"), finding.detail}};
}

} // namespace

BusScanner::BusScanner(QObject *parent)
    : QObject(parent) {}

BusScanner::~BusScanner() {
    m_keepRunning = false;
    joinWorker();
}

void BusScanner::joinWorker() {
    if (m_worker.joinable())
        m_worker.join();
}

bool BusScanner::canScan(const QString &protocol) const {
    return busscan::idRange(protocol).second > 0;
}

bool BusScanner::start(const QString &protocol, const QString &port, RS485Bus *bus, CanLink *canLink) {
    return start(protocol, port, bus, 0, 0, canLink);
}

bool BusScanner::start(const QString &protocol, const QString &port, RS485Bus *bus, int first, int last,
                       CanLink *canLink) {
    if (m_running) {
        m_error = QStringLiteral("A scan is already running.");
        emit runningChanged();
        return false;
    }
    const auto [lowest, highest] = busscan::idRange(protocol);
    if (first == 0 && last == 0) {
        first = lowest;
        last = highest;
    }
    std::unique_ptr<busscan::Probe> probe = busscan::makeProbe(protocol, port, 9600, bus, canLink);
    if (!probe || first < lowest || last > highest || first > last) {
        m_error =
            !probe ? QStringLiteral("%1 amplifiers cannot be scanned: there is one per port.").arg(protocol)
                   : QStringLiteral("Ids to scan must lie within %1 to %2.").arg(lowest).arg(highest);
        emit runningChanged();
        return false;
    }
    joinWorker();
    m_running = true;
    m_cancelled = false;
    m_error.clear();
    m_found.clear();
    m_progress = busscan::Progress{0, last - first + 1, 0};
    m_keepRunning = true;
    emit runningChanged();
    emit progressChanged();

    busscan::Callbacks callbacks;
    // The worker reports through queued calls; they are dropped if this object is gone by then.
    callbacks.progress = [this](const busscan::Progress &progress) {
        QMetaObject::invokeMethod(
            this,
            [this, progress] {
                m_progress = progress;
                emit progressChanged();
            },
            Qt::QueuedConnection);
    };
    callbacks.found = [this](const busscan::Finding &finding) {
        const QVariantMap entry = toVariant(finding);
        QMetaObject::invokeMethod(
            this,
            [this, entry] {
                // An id found before and now seen twice is replaced, not listed again.
                for (QVariant &known : m_found) {
                    if (known.toMap().value(QStringLiteral("id")) == entry.value(QStringLiteral("id"))) {
                        known = entry;
                        return;
                    }
                }
                m_found.append(entry);
            },
            Qt::QueuedConnection);
    };
    m_worker = std::thread(
        [this, probe = std::shared_ptr<busscan::Probe>(std::move(probe)), first, last, callbacks] {
            const busscan::Outcome outcome = busscan::run(*probe, first, last, m_keepRunning, callbacks);
            QMetaObject::invokeMethod(
                this, [this, outcome] { finish(outcome); }, Qt::QueuedConnection);
        });
    return true;
}

void BusScanner::cancel() {
    m_keepRunning = false;
}

void BusScanner::finish(const busscan::Outcome &outcome) {
    joinWorker();
    m_running = false;
    m_cancelled = outcome.cancelled;
    m_error = outcome.error;
    // The findings in id order, as the scan ends them.
    m_found.clear();
    for (const busscan::Finding &finding : outcome.findings)
        m_found.append(toVariant(finding));
    emit progressChanged();
    emit runningChanged();
    emit finished();
}
