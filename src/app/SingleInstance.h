#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

// One running Renewly per user. The first process holds a lock on a file in the runtime folder and
// listens on a Unix-domain socket beside it; a later process finds the lock taken, passes its
// request to the first one and leaves without ever opening the subscription file. The lock goes
// with its process, so one left by a crashed process is free again, and its socket is taken over. The socket
// is open to its owner only, and each side checks that the other runs as the same user.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role { primary, secondary };

    explicit SingleInstance(const QString &directory = defaultDirectory(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR, or the temporary folder when there is none.
    static QString defaultDirectory();

    // Takes the lock, or finds that another process holds it. As primary, starts listening.
    Role claim();
    Role role() const { return m_role; }
    // As secondary: hands `message` to the primary and waits until it confirms receipt.
    bool sendToPrimary(const QByteArray &message, int timeoutMs = 3000);

    QString lockPath() const;
    QString socketPath() const;
    bool isListening() const { return m_listener >= 0; }

    static inline const QByteArray showMessage = QByteArrayLiteral("show");

Q_SIGNALS:
    void messageReceived(const QByteArray &message);

private:
    void listen();
    void acceptConnections();

    QString m_directory;
    int m_lock = -1;
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
    Role m_role = Role::secondary;
};
