#include "SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// sun_path holds 108 bytes; longer socket paths go to the temporary folder under a hashed name.
constexpr qsizetype maxSocketPath = 100;
// A request is one short line; a peer that sends more without a line end is cut off.
constexpr qsizetype maxRequest = 1024;
const QByteArray answer = QByteArrayLiteral("ok\n");

sockaddr_un addressOf(const QByteArray &path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), qMin<size_t>(path.size(), sizeof address.sun_path - 1));
    return address;
}

int openSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// The process at the other end of a connected socket runs as this user.
bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
}

// A connected socket to `path`, or -1 when nobody listens there.
int connectTo(const QByteArray &path) {
    const int fd = openSocket();
    if (fd < 0)
        return -1;
    const sockaddr_un address = addressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// Waits until `fd` is ready for `events`, up to the deadline.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, int(std::clamp<qint64>(deadline.remainingTime(), 0, 60000)));
        if (result > 0)
            return true;
        if (result == 0 || errno != EINTR)
            return false;
    }
}

// Sends `request` over the connected `fd` and reads the answer line.
bool exchange(int fd, const QByteArray &request, const QDeadlineTimer &deadline) {
    if (!peerIsThisUser(fd))
        return false;
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN && waitFor(fd, POLLOUT, deadline))
            continue;
        else
            return false;
    }
    QByteArray received;
    while (!received.contains('\n') && received.size() <= maxRequest) {
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0)
            received.append(buffer, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN && waitFor(fd, POLLIN, deadline))
            continue;
        else
            return false;
    }
    return received.left(received.indexOf('\n')).trimmed() == answer.trimmed();
}

// One connection from a later start: each line it sends is answered and passed on.
class Connection : public QObject {
public:
    Connection(int fd, std::function<void(const QByteArray &)> deliver, QObject *parent)
        : QObject(parent)
        , m_fd(fd)
        , m_deliver(std::move(deliver))
        , m_notifier(fd, QSocketNotifier::Read, this) {
        connect(&m_notifier, &QSocketNotifier::activated, this, &Connection::read);
    }
    ~Connection() override { ::close(m_fd); }

private:
    void read() {
        bool gone = false;
        char buffer[512];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                m_pending.append(buffer, n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                // Nothing more for now, or the peer left (or the socket failed).
                gone = n == 0 || errno != EAGAIN;
                break;
            }
            // The rest waits for the next round; the notifier fires again while data is left.
            if (m_pending.size() > maxRequest)
                break;
        }
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            const QByteArray request = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            (void)::send(m_fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            m_deliver(request);
        }
        // A peer that sends garbage without a line end cannot make us buffer forever.
        if (gone || m_pending.size() > maxRequest)
            finish();
    }

    void finish() {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    std::function<void(const QByteArray &)> m_deliver;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};
} // namespace

SingleInstance::SingleInstance(const QString &directory, QObject *parent)
    : QObject(parent)
    , m_directory(directory) {}

SingleInstance::~SingleInstance() {
    // The lock file stays: removing it while another process has it open and waits would let a
    // third one lock a new file of the same name beside the waiting one.
    if (m_lock >= 0)
        ::close(m_lock);
    if (m_listener < 0)
        return;
    delete m_notifier;
    ::close(m_listener);
    ::unlink(QFile::encodeName(socketPath()).constData());
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
    if (QFile::encodeName(path).size() <= maxSocketPath)
        return path;
    const QByteArray hash =
        QCryptographicHash::hash(m_directory.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir::tempPath() + QStringLiteral("/renewly-") + QString::number(getuid()) + u'-' +
           QString::fromLatin1(hash) + QStringLiteral(".socket");
}

SingleInstance::Role SingleInstance::claim() {
    QDir().mkpath(m_directory);
    // A lock on the open file, which the system drops when its process ends however it ends. Nothing
    // is written to the disk and waited for, as a lock file's contents would be.
    const QByteArray path = QFile::encodeName(lockPath());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        m_lock = fd;
        // Who holds it, as a lock file of Qt's would say, for whoever looks.
        const QByteArray holder = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                  QCoreApplication::applicationName().toUtf8() + '\n';
        if (::ftruncate(fd, 0) == 0)
            (void)!::write(fd, holder.constData(), size_t(holder.size()));
        m_role = Role::primary;
        listen();
        return m_role;
    }
    const bool taken = fd >= 0 && errno == EWOULDBLOCK;
    if (fd >= 0)
        ::close(fd);
    if (taken) {
        m_role = Role::secondary;
        return m_role;
    }
    // The folder cannot hold a lock at all (read-only, full). Running without the guarantee is
    // better than not running, unless another instance of this user answers on the socket.
    const int probe = connectTo(QFile::encodeName(socketPath()));
    m_role = probe >= 0 && peerIsThisUser(probe) ? Role::secondary : Role::primary;
    if (probe >= 0)
        ::close(probe);
    if (m_role == Role::primary)
        listen();
    return m_role;
}

void SingleInstance::listen() {
    const QByteArray path = QFile::encodeName(socketPath());
    // We hold the lock, so a socket left at this path belongs to a process that is gone.
    ::unlink(path.constData());
    const int fd = openSocket();
    if (fd < 0)
        return;
    const sockaddr_un address = addressOf(path);
    // Nobody can connect between bind() and listen(), so the socket is its owner's alone before
    // anyone can reach it.
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_listener = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
}

void SingleInstance::acceptConnections() {
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (!peerIsThisUser(fd)) {
            ::close(fd);
            continue;
        }
        new Connection(
            fd, [this](const QByteArray &message) { Q_EMIT messageReceived(message); }, this);
    }
}

bool SingleInstance::sendToPrimary(const QByteArray &message, int timeoutMs) {
    // The primary may hold the lock but not listen yet when both start together: retry until the
    // deadline.
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray path = QFile::encodeName(socketPath());
    while (!deadline.hasExpired()) {
        if (const int fd = connectTo(path); fd >= 0) {
            const bool confirmed = exchange(fd, message + '\n', deadline);
            ::close(fd);
            return confirmed;
        }
        QThread::msleep(50);
    }
    return false;
}
