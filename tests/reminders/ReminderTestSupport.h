#pragma once

#include "Clock.h"
#include "NotificationCenter.h"
#include "NotificationPresenter.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTimeZone>

// A clock that only moves when a test moves it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime now, QTimeZone zone = QTimeZone::systemTimeZone())
        : m_now(std::move(now))
        , m_zone(std::move(zone)) {}
    QDateTime now() const override { return m_now; }
    QTimeZone zone() const override { return m_zone; }
    void set(const QDateTime &now) { m_now = now; }
    void advance(qint64 msecs) { m_now = m_now.addMSecs(msecs); }
    void setZone(const QTimeZone &zone) { m_zone = zone; }

private:
    QDateTime m_now;
    QTimeZone m_zone;
};

// Keeps requests the way a notification service would and logs every call, in order.
class RecordingCenter final : public NotificationCenter {
public:
    bool available = true;
    QStringList log; // "authorize", "remove", "add <identifier>"
    QList<NotificationRequest> pending;

    bool isAvailable() const override { return available; }
    void requestAuthorization() override { log.append(QStringLiteral("authorize")); }
    void add(const NotificationRequest &request) override {
        log.append(QStringLiteral("add ") + request.identifier);
        pending.removeIf([&](const NotificationRequest &r) { return r.identifier == request.identifier; });
        pending.append(request);
    }
    void removeAllPendingNotificationRequests() override {
        log.append(QStringLiteral("remove"));
        pending.clear();
    }
};

// Remembers what it was asked to show.
class RecordingPresenter final : public NotificationPresenter {
public:
    bool available = true;
    QList<NotificationRequest> shown;

    bool isAvailable() const override { return available; }
    void present(const NotificationRequest &request) override { shown.append(request); }
};
