#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {
// sun_path holds 108 bytes; longer socket paths go to the temporary folder under a hashed name.
constexpr qsizetype maxSocketPath = 100;
} // namespace

SingleInstance::SingleInstance(const QString &directory, QObject *parent)
    : QObject(parent)
    , m_directory(directory) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

QString SingleInstance::defaultDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath() + QStringLiteral("/renewly-") + QString::number(getuid());
}

QString SingleInstance::lockPath() const {
    return m_directory + QStringLiteral("/renewly.lock");
}

QString SingleInstance::socketPath() const {
    const QString path = m_directory + QStringLiteral("/renewly.socket");
    if (path.toLocal8Bit().size() <= maxSocketPath)
        return path;
    const QByteArray hash =
        QCryptographicHash::hash(m_directory.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir::tempPath() + QStringLiteral("/renewly-") + QString::number(getuid()) + u'-' +
           QString::fromLatin1(hash) + QStringLiteral(".socket");
}

bool SingleInstance::isListening() const {
    return m_server && m_server->isListening();
}

SingleInstance::Role SingleInstance::claim() {
    QDir().mkpath(m_directory);
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Never stale by age: only a lock whose process is gone is stale, and tryLock() removes it.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        m_role = Role::primary;
        listen();
        return m_role;
    }
    if (m_lock->error() == QLockFile::LockFailedError) {
        m_role = Role::secondary;
        return m_role;
    }
    // The folder cannot hold a lock at all (read-only, full). Running without the guarantee is
    // better than not running, unless another instance answers on the socket.
    QLocalSocket probe;
    probe.connectToServer(socketPath());
    m_role = probe.waitForConnected(200) ? Role::secondary : Role::primary;
    if (m_role == Role::primary)
        listen();
    return m_role;
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left at this path belongs to a process that is gone.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath()))
        return;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray message = socket->readLine().trimmed();
                    socket->write("ok\n");
                    socket->flush();
                    Q_EMIT messageReceived(message);
                }
                // A client that sends garbage without a line end cannot make us buffer forever.
                if (socket->bytesAvailable() > 1024)
                    socket->abort();
            });
        }
    });
}

bool SingleInstance::sendToPrimary(const QByteArray &message, int timeoutMs) {
    // The primary may hold the lock but not listen yet when both start together: retry until the
    // deadline.
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(qMax<qint64>(1, deadline.remainingTime()))) {
            socket.write(message + '\n');
            if (!socket.waitForBytesWritten(qMax<qint64>(1, deadline.remainingTime())))
                return false;
            while (!socket.canReadLine()) {
                if (!socket.waitForReadyRead(qMax<qint64>(1, deadline.remainingTime())))
                    return false;
            }
            return socket.readLine().trimmed() == "ok";
        }
        QThread::msleep(50);
    }
    return false;
}
