#pragma once

#include "NotificationCenter.h"
#include "model/Clock.h"

#include "model/Subscription.h"

#include <QList>

#include <chrono>
#include <optional>

// Reminds the user by notification a chosen number of days before each renewal, at 10:00 local
// time. It keeps no schedule of its own: every reschedule replaces all pending requests of the
// notification centre from the full list it is given.
//
// Each operation does nothing, and returns false, when the centre cannot reach the user (no
// session bus).
class NotificationManager {
public:
    static constexpr int reminderHour = 10;
    static constexpr std::chrono::seconds testDelay{3};

    // The application's instance: the desktop notification centre on the session bus and the
    // system clock. Created on first use, after the application object; never released.
    static NotificationManager &shared();

    NotificationManager(NotificationCenter &center, const Clock &clock);
    NotificationManager(const NotificationManager &) = delete;
    NotificationManager &operator=(const NotificationManager &) = delete;

    bool requestAuthorization();
    // Removes every pending request (test requests included), then adds one reminder per active
    // recurring subscription whose reminder moment lies ahead. A negative lead time counts as 0.
    bool reschedule(const QList<Subscription> &subscriptions, int daysBefore);
    // A test notification, shown `testDelay` after the call.
    bool sendTest();

    // Reschedules with the list and lead time of the last reschedule. A reminder only ever covers
    // the next charge, so a process that runs for weeks calls this once a day to set up the
    // reminder of the following charge once the current one is past.
    bool refresh();

    NotificationCenter &center() const { return m_center; }

    // The reminder of one subscription at moment `now`, or nothing when it gets none. The texts are
    // in the interface language of the moment.
    static std::optional<NotificationRequest> reminderRequest(const Subscription &subscription,
                                                              int daysBefore, const QDateTime &now,
                                                              const QTimeZone &zone);
    static QString reminderTitle(bool isZh);
    static QString reminderBody(const Subscription &subscription, int daysBefore, bool isZh);
    // A test request with a fresh identifier, in the interface language of the moment.
    static NotificationRequest testRequest();

private:
    NotificationCenter &m_center;
    const Clock &m_clock;
    // What the last reschedule was given, for refresh().
    std::optional<QList<Subscription>> m_lastSubscriptions;
    int m_lastDaysBefore = 0;
};
