#include "device/check/StableCapture.h"

#include "device/AmplifierBase.h"

namespace {

// Measuring readings come every 100 ms or so; looking twice as often as the fastest reading cycle the
// program uses (50 ms) misses none.
constexpr int kWeightPollMs = 20;

} // namespace

StableCapture::StableCapture(QObject *parent)
    : QObject(parent) {
    m_clock.start();
    m_timeout.setSingleShot(true);
    QObject::connect(&m_timeout, &QTimer::timeout, this, [this] {
        const QString reason = timeoutReason();
        emit waitingChanged();
        emit timedOut(reason);
    });
    m_poll.setInterval(kWeightPollMs);
    QObject::connect(&m_poll, &QTimer::timeout, this, &StableCapture::takeLatestWeight);
}

void StableCapture::follow(AmplifierBase *amplifier, Source source) {
    QObject::disconnect(m_adConnection);
    m_poll.stop();
    m_amplifier = amplifier;
    m_amplifierObject = amplifier;
    clear();
    if (!amplifier)
        return;
    if (source == Source::AdValue) {
        m_adConnection = QObject::connect(amplifier, &AmplifierBase::adValueReceived, this,
                                          [this](uint32_t ad) { feed(static_cast<double>(ad)); });
    } else {
        // The measuring value signal comes only when the value changes, and not from every driver; the
        // count of completed readings tells each new one, also one that repeats the value before.
        m_lastCount = amplifier->latestReading().count;
        m_poll.start();
    }
}

void StableCapture::followAdValues(QObject *amplifier) {
    follow(qobject_cast<AmplifierBase *>(amplifier), Source::AdValue);
}

void StableCapture::followWeights(QObject *amplifier) {
    follow(qobject_cast<AmplifierBase *>(amplifier), Source::Weight);
}

void StableCapture::takeLatestWeight() {
    if (!m_amplifierObject) {
        m_poll.stop();
        return;
    }
    const AmplifierBase::Reading latest = m_amplifier->latestReading();
    if (latest.count == m_lastCount)
        return;
    m_lastCount = latest.count;
    feed(latest.hundredths / 100.0);
}

void StableCapture::setRule(int windowMs, double threshold) {
    m_window.setRule(stability::Rule{qMax(0, windowMs), threshold});
    emit changed();
}

void StableCapture::feed(double value) {
    feedAt(m_clock.elapsed(), value);
}

void StableCapture::feedAt(qint64 ms, double value) {
    m_window.add(ms, value);
    emit readingTaken(value);
    emit changed();
    if (isWaiting() && m_window.isStable()) {
        m_capturedValue = m_window.mean();
        m_capturedAnyway = false;
        finishWaiting();
        emit captured(m_capturedValue, false);
    }
}

void StableCapture::capture(int timeoutMs) {
    m_waitMs = qMax(0, timeoutMs);
    if (m_window.isStable()) {
        m_capturedValue = m_window.mean();
        m_capturedAnyway = false;
        finishWaiting();
        emit captured(m_capturedValue, false);
        return;
    }
    const bool was = isWaiting();
    m_timeout.start(m_waitMs);
    if (!was)
        emit waitingChanged();
}

void StableCapture::captureFresh(int timeoutMs) {
    clear();
    capture(timeoutMs);
}

bool StableCapture::captureAnyway() {
    if (m_window.count() == 0)
        return false;
    m_capturedValue = m_window.mean();
    m_capturedAnyway = true;
    finishWaiting();
    emit captured(m_capturedValue, true);
    return true;
}

void StableCapture::cancel() {
    finishWaiting();
}

void StableCapture::clear() {
    m_window.clear();
    emit changed();
}

void StableCapture::finishWaiting() {
    if (!m_timeout.isActive())
        return;
    m_timeout.stop();
    emit waitingChanged();
}

QString StableCapture::timeoutReason() const {
    const QString seconds = QString::number(m_waitMs / 1000.0, 'g', 3);
    if (m_window.count() == 0) {
        const QString why = m_amplifierObject ? m_amplifier->staleReason() : QString();
        return why.isEmpty() ? tr("No reading came within %1 s.").arg(seconds)
                             : tr("No reading came within %1 s: %2").arg(seconds, why);
    }
    return tr("No stable reading within %1 s: the readings still spread over %2 (less than %3 needed).")
        .arg(seconds, QString::number(m_window.spread(), 'g', 6),
             QString::number(m_window.rule().threshold, 'g', 6));
}
