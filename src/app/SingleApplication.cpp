#include "app/SingleApplication.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <memory>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
// Announcement from a starting instance: magic, payload length (32-bit big endian), payload.
// The primary answers one acknowledgement byte once it has taken the announcement in.
constexpr char kMagic[] = {'K', 'A', 'M', '1'};
constexpr int kHeaderSize = 8;
constexpr quint32 kMaxPayload = 64 * 1024;
constexpr char kAck = '\x06';
// A peer that connects and then sends nothing useful is dropped after this long.
constexpr int kPeerLifetimeMs = 5000;
// Extra time, past the stale limit, for the lock's own retry to notice that it became stale.
constexpr int kLockMarginMs = 1000;

QString currentUserIdentity() {
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERDOMAIN") + QLatin1Char('\\') + qEnvironmentVariable("USERNAME");
#else
    return QString::number(::getuid());
#endif
}

QString serverNameFor(const QString &directory, const QString &guardName) {
#ifdef Q_OS_WIN
    // Pipe names are one namespace for the whole machine; the guard name already carries the user.
    Q_UNUSED(directory)
    return guardName;
#else
    return directory + QLatin1Char('/') + guardName + QStringLiteral(".socket");
#endif
}

int remainingMs(const QElapsedTimer &timer, int timeoutMs) {
    return static_cast<int>(qMax<qint64>(0, timeoutMs - timer.elapsed()));
}
} // namespace

SingleApplication::SingleApplication(int &argc, char **argv, int timeoutMs, const QByteArray &userData)
    : QApplication(argc, argv) {
    setUpGuard(timeoutMs, userData);
}

SingleApplication::~SingleApplication() {
    // Closing the server removes its socket, so the next start does not meet a leftover.
    if (m_server)
        m_server->close();
}

QString SingleApplication::guardNameFor(const QString &applicationName, const QString &organizationName) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(organizationName.toUtf8());
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(applicationName.toUtf8());
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(currentUserIdentity().toUtf8());
    // Short enough to stay far below the length limit of socket paths.
    return QStringLiteral("kam-") + QString::fromLatin1(hash.result().toHex().left(16));
}

QString SingleApplication::guardDirectory() {
#ifdef Q_OS_WIN
    return QDir::tempPath(); // per user on Windows
#else
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
}

void SingleApplication::fail(const QString &reason) {
    qCritical().noquote() << QStringLiteral("SingleApplication: ") + reason;
    m_state = State::Failed;
}

void SingleApplication::setUpGuard(int timeoutMs, const QByteArray &userData) {
    const QString directory = guardDirectory();
    if (directory.isEmpty() || !QFileInfo(directory).isDir()) {
        fail(QStringLiteral("no per-user folder for the instance guard"));
        return;
    }
    const QString guardName =
        guardNameFor(QCoreApplication::applicationName(), QCoreApplication::organizationName());
    const QString serverName = serverNameFor(directory, guardName);

    // Only one starting instance at a time may look for the primary and, finding none, become it.
    QLockFile lock(directory + QLatin1Char('/') + guardName + QStringLiteral(".lock"));
    lock.setStaleLockTime(kStaleLockMs);
    if (!lock.tryLock(kStaleLockMs + kLockMarginMs)) {
        if (lock.error() != QLockFile::LockFailedError) {
            fail(
                QStringLiteral("cannot create the lock file in %1").arg(QDir::toNativeSeparators(directory)));
            return;
        }
        qWarning().noquote() << QStringLiteral("SingleApplication: the instance guard stayed locked for more "
                                               "than %1 ms; taking it over")
                                    .arg(kStaleLockMs);
    }

    if (notifyPrimary(serverName, timeoutMs, userData) == Reach::PrimaryFound) {
        m_state = State::Secondary;
        return;
    }
    if (becomePrimary(serverName))
        m_state = State::Primary;
}

SingleApplication::Reach SingleApplication::notifyPrimary(const QString &serverName, int timeoutMs,
                                                          const QByteArray &userData) {
    QElapsedTimer timer;
    timer.start();

    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(remainingMs(timer, timeoutMs))) {
        const QLocalSocket::LocalSocketError error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError)
            return Reach::NoPrimary;
        // Someone holds the guard but does not answer in time: it is still the primary.
        qWarning().noquote() << "SingleApplication: the running instance could not be reached:"
                             << socket.errorString();
        return Reach::PrimaryFound;
    }

    QByteArray frame(kMagic, sizeof(kMagic));
    const QByteArray payload = userData.left(static_cast<int>(kMaxPayload));
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), length);
    frame.append(length, sizeof(length));
    frame.append(payload);
    socket.write(frame);
    socket.flush();

    // Wait for the acknowledgement so the announcement is not lost when this process ends right away.
    while (socket.bytesAvailable() < 1 && socket.state() == QLocalSocket::ConnectedState) {
        const int remaining = remainingMs(timer, timeoutMs);
        if (remaining <= 0 || !socket.waitForReadyRead(remaining))
            break;
    }
    if (socket.bytesAvailable() < 1)
        qWarning() << "SingleApplication: the running instance did not confirm the start of a new one";
    socket.abort();
    return Reach::PrimaryFound;
}

bool SingleApplication::becomePrimary(const QString &serverName) {
#ifndef Q_OS_WIN
    if (QFileInfo::exists(serverName))
        qWarning() << "SingleApplication: taking over from an instance that ended without closing its guard";
#endif
    // A socket left behind by a primary that crashed would block listening.
    QLocalServer::removeServer(serverName);

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(serverName)) {
        fail(QStringLiteral("cannot listen for other instances: %1").arg(m_server->errorString()));
        delete m_server;
        m_server = nullptr;
        return false;
    }
    QObject::connect(m_server, &QLocalServer::newConnection, this, &SingleApplication::acceptConnections);
    return true;
}

void SingleApplication::acceptConnections() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The buffer lives as long as the connection (the lambdas are dropped with the socket).
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket, buffer] { handleAnnouncement(socket, buffer.get()); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kPeerLifetimeMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

void SingleApplication::handleAnnouncement(QLocalSocket *socket, QByteArray *buffer) {
    buffer->append(socket->readAll());
    if (buffer->size() < kHeaderSize)
        return;
    const quint32 length = qFromBigEndian<quint32>(buffer->constData() + sizeof(kMagic));
    if (!buffer->startsWith(QByteArray(kMagic, sizeof(kMagic))) || length > kMaxPayload) {
        qWarning() << "SingleApplication: ignoring a malformed message on the instance guard";
        socket->disconnect(this);
        socket->abort();
        return;
    }
    if (static_cast<quint32>(buffer->size()) < kHeaderSize + length)
        return;

    const QByteArray payload = buffer->mid(kHeaderSize, static_cast<int>(length));
    buffer->clear();
    QObject::disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
    socket->write(&kAck, 1);
    socket->flush();
    socket->disconnectFromServer();

    const uint instanceId = m_nextInstanceId++;
    emit instanceStarted();
    if (!payload.isEmpty())
        emit receivedMessage(instanceId, payload);
}
