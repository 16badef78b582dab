#pragma once

#include "protocol/Stability.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class AmplifierBase;

// Captures a reading only once it has come to rest (stability::Window): fed by an amplifier's raw AD
// values while calibrating or by its weights during a check, it tells whether the latest window is stable
// and gives that window's mean. A capture waits for the rest up to a time-out; "capture anyway" takes the
// present window's mean and says so, so the caller can note that the value was not at rest.
// Lives on one thread (the caller's); the amplifier's readings reach it through that thread's event loop.
class StableCapture : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool stable READ isStable NOTIFY changed)
    Q_PROPERTY(double spread READ spread NOTIFY changed)
    Q_PROPERTY(double mean READ mean NOTIFY changed)
    Q_PROPERTY(double threshold READ threshold NOTIFY changed)
    Q_PROPERTY(int windowMs READ windowMs NOTIFY changed)
    Q_PROPERTY(bool waiting READ isWaiting NOTIFY waitingChanged)

public:
    enum class Source { AdValue, Weight };

    explicit StableCapture(QObject *parent = nullptr);

    // Takes the readings of `amplifier` from now on (null: none): AD counts from adValueReceived, or
    // weights in grams from each completed measuring reading. The caller starts the amplifier's reading.
    // The window starts empty.
    void follow(AmplifierBase *amplifier, Source source);
    Q_INVOKABLE void followAdValues(QObject *amplifier);
    Q_INVOKABLE void followWeights(QObject *amplifier);

    // Window and threshold of the rule (threshold in the readings' unit: counts or grams).
    Q_INVOKABLE void setRule(int windowMs, double threshold);
    stability::Rule rule() const { return m_window.rule(); }

    // A reading taken now, or at `ms` of this object's clock (elapsedMs()).
    void feed(double value);
    void feedAt(qint64 ms, double value);
    qint64 elapsedMs() const { return m_clock.elapsed(); }

    bool isStable() const { return m_window.isStable(); }
    double spread() const { return m_window.spread(); }
    double mean() const { return m_window.mean(); }
    double threshold() const { return m_window.rule().threshold; }
    int windowMs() const { return static_cast<int>(m_window.rule().windowMs); }
    bool isWaiting() const { return m_timeout.isActive(); }
    // The value of the latest capture and whether it was taken anyway, without the rest.
    double capturedValue() const { return m_capturedValue; }
    bool capturedAnyway() const { return m_capturedAnyway; }

    // Waits up to `timeoutMs` for a stable window and emits captured() with its mean, at once when the
    // present window is already stable; timedOut() with the reason when the time passes first.
    Q_INVOKABLE void capture(int timeoutMs);
    // The same, after forgetting the readings taken so far: for a load just placed, whose earlier
    // readings belong to the load before.
    Q_INVOKABLE void captureFresh(int timeoutMs);
    // Takes the present window's mean now, at rest or not (captured() with `anyway` set); false, and
    // nothing captured, when no reading has come at all.
    Q_INVOKABLE bool captureAnyway();
    // Ends a wait without capturing.
    Q_INVOKABLE void cancel();
    // Forgets the readings taken so far.
    Q_INVOKABLE void clear();

signals:
    void changed();
    void waitingChanged();
    // Every reading taken, as it comes.
    void readingTaken(double value);
    void captured(double value, bool anyway);
    void timedOut(QString reason);

private:
    void takeLatestWeight();
    void finishWaiting();
    QString timeoutReason() const;

    stability::Window m_window;
    QElapsedTimer m_clock;
    QTimer m_timeout;
    QTimer m_poll;
    QPointer<QObject> m_amplifierObject;
    AmplifierBase *m_amplifier = nullptr;
    QMetaObject::Connection m_adConnection;
    quint64 m_lastCount = 0;
    int m_waitMs = 0;
    double m_capturedValue = 0;
    bool m_capturedAnyway = false;
};
