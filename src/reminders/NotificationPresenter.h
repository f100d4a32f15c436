#pragma once

#include "NotificationRequest.h"

// Shows a notification right away. DesktopNotificationCenter hands each request to one when its
// moment comes.
class NotificationPresenter {
public:
    virtual ~NotificationPresenter() = default;
    virtual bool isAvailable() const = 0;
    // Must not block: the result, if any, arrives later.
    virtual void present(const NotificationRequest &request) = 0;
};
