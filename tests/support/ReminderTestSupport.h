#pragma once

#include "NotificationCenter.h"
#include "NotificationPresenter.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QTimeZone>

// Keeps requests the way a notification service would and logs every call, in order.
class RecordingCenter final : public NotificationCenter {
public:
    bool available = true;
    QStringList log; // "authorize", "remove", "add <identifier>"
    QList<NotificationRequest> pending;

    bool isAvailable() const override { return available; }
    void requestAuthorization() override { log.append(u"authorize"_qs); }
    void add(const NotificationRequest &request) override {
        log.append(u"add "_qs + request.identifier);
        pending.removeIf([&](const NotificationRequest &r) { return r.identifier == request.identifier; });
        pending.append(request);
    }
    void removeAllPendingNotificationRequests() override {
        log.append(u"remove"_qs);
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
