#pragma once

#include "NotificationCenter.h"
#include "NotificationPresenter.h"
#include "model/Clock.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

// The notification centre of the desktop: the freedesktop service shows notifications at once and
// keeps no schedule, so pending requests wait here, in the process, until the local wall clock
// reaches their moment. Each fires once and is then handed to the presenter.
//
// The wall clock is read again at least every `maxCheckInterval` and whenever the system wakes
// from sleep, so a moment that passed during a suspend or a clock change fires at the next check,
// and a clock set backwards never makes anything fire early.
class DesktopNotificationCenter : public QObject, public NotificationCenter {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds maxCheckInterval{60000};

    DesktopNotificationCenter(const Clock &clock, NotificationPresenter &presenter,
                              QObject *parent = nullptr);

    bool isAvailable() const override;
    void requestAuthorization() override;
    void add(const NotificationRequest &request) override;
    void removeAllPendingNotificationRequests() override;

    // Fires every request whose moment has come, tells the checked handler, and sets the timer for
    // the next check.
    void check();
    // Time until the next check: the earliest pending moment or the next local midnight (when a
    // checked handler is set), at most `maxCheckInterval`; zero when something is due.
    std::chrono::milliseconds nextCheckInterval() const;
    bool isTimerActive() const { return m_timer.isActive(); }
    // What the timer was last set to.
    std::chrono::milliseconds timerInterval() const { return m_timer.intervalAsDuration(); }

    QList<NotificationRequest> pendingRequests() const;
    bool isAuthorizationRequested() const { return m_authorizationRequested; }
    NotificationPresenter &presenter() const { return m_presenter; }

    // Called at the end of every check, so the owner knows the program was awake and watching.
    // While one is set the clock is checked at least every `maxCheckInterval`.
    void setCheckedHandler(std::function<void()> handler);
    // Asked just before a request that came due is shown: the request to show (its text perhaps
    // brought up to date) or nothing to drop it.
    using DeliveryFilter = std::function<std::optional<NotificationRequest>(const NotificationRequest &)>;
    void setDeliveryFilter(DeliveryFilter filter) { m_filter = std::move(filter); }

    // Also checks as soon as the system resumes from sleep, using logind's PrepareForSleep signal
    // on the system bus. Returns false, harmlessly, where there is no system bus or no logind.
    bool watchSystemSleep();

Q_SIGNALS:
    // A request whose moment came, just before it is handed to the presenter.
    void fired(const QString &identifier);

private Q_SLOTS:
    void onPrepareForSleep(bool goingToSleep);

private:
    struct Pending {
        NotificationRequest request;
        // In UTC. For a calendar trigger, its wall-clock moment in `m_dueZone`; only the timer
        // uses it, firing goes by the wall clock. For an interval trigger, when it was added plus
        // the interval.
        QDateTime due;
    };
    bool isDue(const Pending &pending, const QDateTime &localNow) const;
    void updateDueMoments(const QTimeZone &zone);
    void arm();
    // Starts the timer for `due` unless it is already set to go off sooner.
    void armFor(const QDateTime &due);

    const Clock &m_clock;
    NotificationPresenter &m_presenter;
    QList<Pending> m_pending;
    QSet<QString> m_identifiers;
    QTimeZone m_dueZone;
    QTimer m_timer;
    std::function<void()> m_checked;
    DeliveryFilter m_filter;
    bool m_authorizationRequested = false;
};
