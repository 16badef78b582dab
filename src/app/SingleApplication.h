#pragma once

#include <QApplication>
#include <QByteArray>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The application object with a per-user single-instance guard.
//
// The first instance of a user becomes the primary and listens on a local socket. A later instance reaches
// that socket within the time-out, announces itself and then must end with status 0 without doing anything
// else (see shouldExit()); the primary emits instanceStarted() for each announcement. A short lock file
// serialises the check-and-listen step between instances starting at the same moment; a lock held for
// more than kStaleLockMs (an instance that died or hung inside that step) is taken over with a warning. A
// guard that cannot be set up at all is reported with a critical "SingleApplication: ..." message and
// status 1. Second instances are never allowed to run.
class SingleApplication : public QApplication {
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 1000;
    static constexpr int kStaleLockMs = 5000;

    // userData travels with the announcement of a second instance and arrives as receivedMessage().
    SingleApplication(int &argc, char **argv, int timeoutMs = kDefaultTimeoutMs,
                      const QByteArray &userData = QByteArray());
    ~SingleApplication() override;

    bool isPrimary() const { return m_state == State::Primary; }
    bool isSecondary() const { return m_state == State::Secondary; }

    // True when this process must end at once with exitCode(): a second instance that has handed over
    // to the primary (0), or a guard that could not be set up (1).
    bool shouldExit() const { return m_state != State::Primary; }
    int exitCode() const { return m_state == State::Failed ? 1 : 0; }

    // The guard's name for an application (as named when the application object is built) and the
    // current user, and the folder holding its socket and lock file (empty when the platform has none).
    static QString guardNameFor(const QString &applicationName, const QString &organizationName);
    static QString guardDirectory();

signals:
    // A new instance was started while this one is the primary.
    void instanceStarted();
    // A starting instance passed data along with its announcement; ids count from 1 in this primary.
    void receivedMessage(uint instanceId, QByteArray message);

private:
    enum class State { Primary, Secondary, Failed };
    enum class Reach { NoPrimary, PrimaryFound };

    void setUpGuard(int timeoutMs, const QByteArray &userData);
    Reach notifyPrimary(const QString &serverName, int timeoutMs, const QByteArray &userData);
    bool becomePrimary(const QString &serverName);
    void fail(const QString &reason);
    void acceptConnections();
    void handleAnnouncement(QLocalSocket *socket, QByteArray *buffer);

    State m_state = State::Failed;
    QLocalServer *m_server = nullptr;
    uint m_nextInstanceId = 1;
};
