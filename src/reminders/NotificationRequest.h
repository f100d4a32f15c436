#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QUuid>

#include <chrono>
#include <variant>

// One notification waiting in a NotificationCenter until its trigger fires.
struct NotificationRequest {
    // Fires once when the local wall clock reaches this date and time, in whatever time zone is
    // current at that moment.
    struct CalendarTrigger {
        QDate date;
        QTime time;
        bool operator==(const CalendarTrigger &) const = default;
    };
    // Fires once, this long after the request was added.
    struct TimeIntervalTrigger {
        std::chrono::milliseconds interval{0};
        bool operator==(const TimeIntervalTrigger &) const = default;
    };
    using Trigger = std::variant<CalendarTrigger, TimeIntervalTrigger>;

    QString identifier;
    QString title;
    QString body;
    // Play the desktop's default notification sound.
    bool sound = true;
    Trigger trigger;
    // The subscription a reminder is about (null for other notifications), and the label of the
    // action that opens it; no action when empty.
    QUuid subscription;
    QString openLabel;

    bool operator==(const NotificationRequest &) const = default;
};
