#pragma once

#include "NotificationRequest.h"

// The service that waits for and delivers notification requests. NotificationManager only hands
// requests to it; tests put a recording one in its place.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;

    // Whether notifications can reach the user at all. Without that, NotificationManager does nothing.
    virtual bool isAvailable() const = 0;
    // Asks the user for permission to show alerts and play sounds. The answer is not reported.
    virtual void requestAuthorization() = 0;
    // Adds a request; one already pending under the same identifier is replaced.
    virtual void add(const NotificationRequest &request) = 0;
    // Drops every request that has not been delivered yet. Delivered notifications stay.
    virtual void removeAllPendingNotificationRequests() = 0;
};
