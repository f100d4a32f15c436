#pragma once

#include "ReminderTestSupport.h"
#include "TestSupport.h"

#include "reminders/NotificationManager.h"
#include "settings/Preferences.h"
#include "store/Store.h"
#include "views/ContentView.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

// The text of the label called `name` inside `widget`.
inline QString labelText(const QWidget *widget, const char *name) {
    const auto *label = widget->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : u"<no %1>"_qs.arg(QString::fromLatin1(name));
}

// Sends a drag over `target` and a drop onto it, as the platform does; returns whether each was taken.
inline std::pair<bool, bool> dragAndDrop(QWidget &target, const QMimeData *mime, QPoint point = {10, 10}) {
    QDragEnterEvent enter(point, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(point), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

// The main window's content on its own, with a private subscription file, a recording notification
// centre and a clock pinned to 10 March 2025, 09:00 in the zone the test runs in.
struct MainWindowHarness {
    static QDateTime now() { return TestSupport::at(QTimeZone::systemTimeZone(), 2025, 3, 10, 9, 0); }

    // A record whose first charge is `days` days from now (negative: in the past).
    struct Record {
        QString name = u"Netflix"_qs;
        double amount = 20;
        QString currency = u"USD"_qs;
        int days = 10;
        BillingType type = BillingType::recurring;
        BillingCycle cycle = BillingCycle::monthly;
        bool active = true;
        QString category = u"影音"_qs;
        QString notes{};
    };
    static Subscription sub(const Record &r) {
        return Subscription::make(r.name, r.amount, r.currency, r.type, r.cycle,
                                  now().addDays(r.days).toUTC(), r.category, r.notes, r.active);
    }

    MainWindowHarness()
        : store(dir.filePath(u"subscriptions.json"_qs))
        , clock(now(), QTimeZone::systemTimeZone(), ManualClock::Scope::installed)
        , reminders(center, clock) {
        Preferences::settings()->remove(u"remindDaysBefore"_qs);
    }

    // Builds the content view (after the test has filled the store, if it wants to) and shows it.
    ContentView &show(QSize size = {960, 640}) {
        content = std::make_unique<ContentView>(store);
        content->setReminders(&reminders);
        content->resize(size);
        const qsizetype before = reschedules();
        content->show();
        if (!QTest::qWaitForWindowExposed(content.get()))
            qWarning("content view not exposed");
        // The reminders are set up once the first frame is on screen.
        if (!QTest::qWaitFor([&] { return reschedules() > before; }))
            qWarning("reminders not scheduled");
        return *content;
    }

    QDialog *sheet() const { return content ? content->presented() : nullptr; }
    template <typename T> T *sheetAs() const { return qobject_cast<T *>(sheet()); }
    // Waits for the sheet or alert on screen to be a T.
    template <typename T> T *waitForSheet(int timeout = 3000) const {
        if (!QTest::qWaitFor([this] { return sheetAs<T>() && sheetAs<T>()->isVisible(); }, timeout))
            return nullptr;
        // Keyboard input goes to the active window, as it does for a user.
        T *sheet = sheetAs<T>();
        sheet->activateWindow();
        // (A transient window counts as active while its parent is; wait for the sheet itself.)
        if (!QTest::qWaitFor([sheet] { return QApplication::activeWindow() == sheet; }, timeout))
            qWarning("sheet not active");
        return sheet;
    }
    bool waitForNoSheet(int timeout = 3000) const {
        return QTest::qWaitFor([this] { return sheet() == nullptr; }, timeout);
    }
    // How many times the reminders were replaced (each reschedule removes all pending requests first).
    qsizetype reschedules() const { return center.log.count(u"remove"_qs); }

    QTemporaryDir dir;
    Store store;
    ManualClock clock;
    RecordingCenter center;
    NotificationManager reminders;
    std::unique_ptr<ContentView> content;
};
