#pragma once

#include "MainWindowHarness.h"

#include "app/AppDelegate.h"

// The whole application behind its delegate, with a private subscription file, a recording
// notification centre and the clock pinned as in MainWindowHarness. Preferences start empty.
struct DelegateHarness {
    DelegateHarness() { Preferences::settings()->clear(); }

    // Made with its menus; the options' file and reminders are the harness's own.
    std::unique_ptr<AppDelegate> make(AppDelegate::Options options = {}) {
        options.storePath = dir.filePath(u"subscriptions.json"_qs);
        options.reminders = &reminders;
        auto delegate = std::make_unique<AppDelegate>(options);
        delegate->buildApplicationMenu();
        return delegate;
    }

    QTemporaryDir dir;
    ManualClock clock{MainWindowHarness::now(), QTimeZone::systemTimeZone(), ManualClock::Scope::installed};
    RecordingCenter center;
    NotificationManager reminders{center, clock};
};
