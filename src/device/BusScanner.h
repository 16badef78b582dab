#pragma once

#include "device/BusScan.h"
// Complete, so that QML knows the pointer type of start()'s last argument.
#include "link/can/CanLink.h"
// Complete, so that QML knows the line argument of start() for a pointer to a QObject.
#include "link/serial/RS485Bus.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <thread>

// A bus scan for the screens: runs busscan::run() off the GUI thread and publishes its progress and the
// ids that answered. Each entry of `found` is a map {id, adValue, refused, duplicate, detail, delayMs}.
class BusScanner : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool running READ isRunning NOTIFY runningChanged)
    Q_PROPERTY(int probed READ probed NOTIFY progressChanged)
    Q_PROPERTY(int total READ total NOTIFY progressChanged)
    Q_PROPERTY(QVariantList found READ found NOTIFY progressChanged)
    Q_PROPERTY(bool cancelled READ wasCancelled NOTIFY runningChanged)
    Q_PROPERTY(QString error READ error NOTIFY runningChanged)

public:
    explicit BusScanner(QObject *parent = nullptr);
    // Cancels a running scan and waits for its probe to end.
    ~BusScanner() override;

    // Starts probing ids `first` to `last` of `protocol` ("RS485" or "CANOpen"; RS485 on `port` through
    // `bus`, the program's line, at 9600 bit/s unless it is open already; CANOpen through `canLink`, the
    // program's CAN link). The whole id range when
    // `first` and `last` are 0. False, with `error` set, when it cannot start (a scan already runs, RS232,
    // an unknown protocol, ids out of range); a link that cannot be opened ends the scan with `error`.
    Q_INVOKABLE bool start(const QString &protocol, const QString &port, RS485Bus *bus, int first, int last,
                           CanLink *canLink = nullptr);
    Q_INVOKABLE bool start(const QString &protocol, const QString &port, RS485Bus *bus,
                           CanLink *canLink = nullptr);
    // Ends the scan after the probe in progress; the ids found so far stay.
    Q_INVOKABLE void cancel();
    // Whether `protocol` can be scanned at all (RS232 has one amplifier per port).
    Q_INVOKABLE bool canScan(const QString &protocol) const;

    bool isRunning() const { return m_running; }
    int probed() const { return m_progress.probed; }
    int total() const { return m_progress.total; }
    QVariantList found() const { return m_found; }
    bool wasCancelled() const { return m_cancelled; }
    QString error() const { return m_error; }

signals:
    void runningChanged();
    void progressChanged();
    void finished();

private:
    void finish(const busscan::Outcome &outcome);
    void joinWorker();

    std::thread m_worker;
    std::atomic<bool> m_keepRunning{false};
    bool m_running = false;
    bool m_cancelled = false;
    busscan::Progress m_progress;
    QVariantList m_found;
    QString m_error;
};
