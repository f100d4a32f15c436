#pragma once

#include "NotificationCenter.h"
#include "ShownReminders.h"
#include "model/Clock.h"

#include "model/Subscription.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class DesktopNotificationCenter;
class FreedesktopNotifier;

// Reminds the user by notification a chosen number of days before each renewal, at 10:00 local
// time. Every reschedule replaces all pending requests of the notification centre from the full
// list it is given.
//
// No reminder is missed and none is shown twice. Which reminders were shown is remembered, with
// the last moment the program was awake and watching the clock (ShownReminders). When the program
// starts, when the machine wakes and at the first check of a new day, a reminder whose moment
// passed while the program was not running or the machine slept, that was not shown and whose
// charge is today or later, is shown at once, saying how many days are actually left. A record
// added or edited after its reminder moment gets no reminder for that charge.
//
// Each operation does nothing, and returns false, when the centre cannot reach the user (no
// session bus).
class NotificationManager {
public:
    static constexpr int reminderHour = 10;
    static constexpr std::chrono::seconds testDelay{3};
    // Two clock checks further apart than this mean the program was stopped or asleep in between
    // (the desktop centre checks at least once a minute while awake).
    static constexpr std::chrono::seconds missedCheckGap{150};
    // While nothing else happens, the last awake moment is written at most this often.
    static constexpr std::chrono::minutes awakeSaveInterval{10};

    // The application's instance: the desktop notification centre on the session bus, the
    // system clock and the state file in the user's state folder. Created on first use, after
    // the application object; never released.
    static NotificationManager &shared();

    // `state` remembers shown reminders between runs; none: kept in memory only.
    NotificationManager(NotificationCenter &center, const Clock &clock, ShownReminders *state = nullptr);
    NotificationManager(const NotificationManager &) = delete;
    NotificationManager &operator=(const NotificationManager &) = delete;

    // Hooks this manager into the desktop centre it schedules with (every delivery goes through
    // deliver(), every clock check ends in clockChecked()) and into the notifier behind it, whose
    // open action ends in the open handler.
    void attach(DesktopNotificationCenter &center, FreedesktopNotifier *notifier);

    bool requestAuthorization();
    // Removes every pending request (test requests included), then adds one reminder per active
    // recurring subscription whose reminder moment lies ahead and was not shown. The first call
    // of the process also catches up on reminders missed since the program last ran. A negative
    // lead time counts as 0.
    bool reschedule(const QList<Subscription> &subscriptions, int daysBefore);
    // A test notification, shown `testDelay` after the call.
    bool sendTest();

    // Reschedules with the list and lead time of the last reschedule.
    bool refresh();

    // A request is about to be shown: the request to show, or nothing when its reminder was shown
    // already or its charge is past. Records a reminder as shown.
    std::optional<NotificationRequest> deliver(const NotificationRequest &request);
    // The clock was just checked. After a gap (the machine slept, the program was stopped) or on a
    // new day, catches up on what fell in between and sets up the reminders of the next charges.
    void clockChecked();

    // Called with the subscription of a reminder whose open action the user chose.
    void setOpenHandler(std::function<void(const QUuid &)> handler) { m_openHandler = std::move(handler); }
    void open(const QUuid &subscription) const;

    // Writes the state file.
    void saveState();
    ShownReminders &state() const { return *m_state; }
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
    struct Reminder {
        ReminderKey key;
        Subscription subscription;
    };
    // Reschedules; reminder moments after `missedSince` and not after now are shown at once.
    bool rescheduleFrom(const QList<Subscription> &subscriptions, int daysBefore,
                        const QDateTime &missedSince);
    static QDateTime reminderMoment(const ReminderKey &key, const QTimeZone &zone);
    // `days` is the number the text gives.
    static NotificationRequest makeReminder(const Subscription &subscription, int days,
                                            NotificationRequest::Trigger trigger, bool isZh);

    NotificationCenter &m_center;
    const Clock &m_clock;
    std::unique_ptr<ShownReminders> m_ownState;
    ShownReminders *m_state;
    // What the last reschedule was given, for refresh().
    std::optional<QList<Subscription>> m_lastSubscriptions;
    int m_lastDaysBefore = 0;
    // Pending reminders by request identifier.
    QHash<QString, Reminder> m_pending;
    // Reminders owed from the last catch-up and not shown yet: a reschedule before they are
    // shown keeps them.
    QSet<ReminderKey> m_owed;
    QDateTime m_lastAwakeSaved;
    std::function<void(const QUuid &)> m_openHandler;
};
