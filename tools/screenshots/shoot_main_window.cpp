// Renders the main window and each of its sheets to PNG files, in Chinese and in
// English, at a fixed moment. Run under a display (scripts/screenshots-main.sh uses Xvfb):
//   shoot_main_window OUTPUT_FOLDER
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "reminders/NotificationCenter.h"
#include "reminders/NotificationManager.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/CardList.h"
#include "views/ContentView.h"
#include "views/ScanFlow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

class QuietCenter final : public NotificationCenter {
public:
    bool isAvailable() const override { return false; }
    void requestAuthorization() override {}
    void add(const NotificationRequest &) override {}
    void removeAllPendingNotificationRequests() override {}
};

QDateTime moment() {
    return QDateTime(QDate(2025, 3, 10), QTime(9, 0), QTimeZone::systemTimeZone());
}

QString outDir;
int failures = 0;

void save(QWidget *widget, const QString &name) {
    QTest::qWait(120);
    const QString path = QDir(outDir).filePath(name + QStringLiteral(".png"));
    if (!widget || !widget->grab().save(path)) {
        QTextStream(stderr) << "could not write " << path << '\n';
        ++failures;
        return;
    }
    QTextStream(stdout) << path << '\n';
}

QDialog *waitForSheet(ContentView &content) {
    (void)QTest::qWaitFor([&] { return content.presented() && content.presented()->isVisible(); }, 3000);
    return content.presented();
}

void closeSheet(ContentView &content) {
    if (QDialog *dialog = content.presented())
        dialog->reject();
    (void)QTest::qWaitFor([&] { return !content.presented(); }, 3000);
    QTest::qWait(50);
}

void shoot(const QString &suffix) {
    QTemporaryDir dir;
    Store store(dir.filePath(QStringLiteral("subscriptions.json")));
    QuietCenter center;
    const ManualClock clock(moment(), QTimeZone::systemTimeZone(), ManualClock::Scope::installed);
    NotificationManager reminders(center, clock);

    MainWindow window(AppDelegate::windowTitle(LocalizationManager::shared().isZh()));
    auto *content = new ContentView(store, &window);
    content->setReminders(&reminders);
    content->scanFlow().setRecognizer([](const QImage &) {
        return QStringLiteral("Netflix 标准会员\n订阅成功\n¥25.00 / 月\n下次扣费日期 2025-04-01\n自动续费");
    });
    window.setCentralWidget(content);
    window.resize(960, 640);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    save(&window, QStringLiteral("main-empty-") + suffix);

    store.loadSampleData();
    save(&window, QStringLiteral("main-samples-") + suffix);
    window.resize(700, 600);
    save(&window, QStringLiteral("main-narrow-") + suffix);
    window.resize(1400, 900);
    save(&window, QStringLiteral("main-wide-") + suffix);
    window.resize(960, 640);

    content->attemptAdd();
    save(waitForSheet(*content), QStringLiteral("sheet-add-") + suffix);
    closeSheet(*content);

    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    content->scanFlow().runScan(image);
    save(waitForSheet(*content), QStringLiteral("sheet-confirm-scan-") + suffix);
    closeSheet(*content);

    const Subscription first = content->subscriptionList()->subscriptionAt(0);
    content->openDetail(first);
    save(waitForSheet(*content), QStringLiteral("sheet-detail-") + suffix);
    if (auto *edit = content->presented()->findChild<QAbstractButton *>(QStringLiteral("editAction")))
        edit->click();
    (void)QTest::qWaitFor([&] { return content->editingSub().has_value() && content->presented(); }, 3000);
    save(waitForSheet(*content), QStringLiteral("sheet-edit-") + suffix);
    closeSheet(*content);

    const Subscription oneTime = [&] {
        for (const Subscription &sub : store.subscriptions()) {
            if (sub.billingType == BillingType::oneTime)
                return sub;
        }
        return first;
    }();
    content->openDetail(oneTime);
    save(waitForSheet(*content), QStringLiteral("sheet-detail-onetime-") + suffix);
    closeSheet(*content);

    content->openSettings();
    save(waitForSheet(*content), QStringLiteral("sheet-settings-") + suffix);
    closeSheet(*content);

    content->scanFlow().alertRequested(ScanFlow::noImageMessage(LocalizationManager::shared().isZh()));
    save(waitForSheet(*content), QStringLiteral("alert-scan-") + suffix);
    closeSheet(*content);

    // A deletion that can be undone, from the bar at the bottom.
    content->removeWithUndo(first);
    save(&window, QStringLiteral("main-undo-") + suffix);
    content->undoDelete();

    // A nameless charge in the coming week, and a long name with a long note.
    const QDateTime soon = moment().addDays(2).toUTC();
    store.add(Subscription::make(QString(), 34.99, QStringLiteral("HKD"), BillingType::recurring,
                                 BillingCycle::monthly, soon, QStringLiteral("游戏"), QString()));
    const Subscription wordy = Subscription::make(
        QStringLiteral("网易云音乐 黑胶 VIP Family Annual Plan With Extras"), 488, QStringLiteral("CNY"),
        BillingType::recurring, BillingCycle::yearly, soon, QStringLiteral("A category typed out at length"),
        QStringLiteral("Shared with the family; the price went up last spring and the plan now includes "
                       "lossless audio, which is why it stays even though we hardly use the podcasts."));
    store.add(wordy);
    save(&window, QStringLiteral("main-edge-cases-") + suffix);
    content->openDetail(wordy);
    save(waitForSheet(*content), QStringLiteral("sheet-detail-long-name-") + suffix);
    if (auto *edit = content->presented()->findChild<QAbstractButton *>(QStringLiteral("editAction")))
        edit->click();
    (void)QTest::qWaitFor([&] { return content->editingSub().has_value() && content->presented(); }, 3000);
    save(waitForSheet(*content), QStringLiteral("sheet-edit-notes-") + suffix);
    closeSheet(*content);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: shoot_main_window OUTPUT_FOLDER\n";
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    AppDelegate::applyDarkLook();
    using Lang = LocalizationManager::Lang;
    LocalizationManager::shared().setLang(Lang::zh);
    shoot(QStringLiteral("zh"));
    LocalizationManager::shared().setLang(Lang::en);
    shoot(QStringLiteral("en"));
    LocalizationManager::shared().setLang(Lang::system);
    return failures == 0 ? 0 : 1;
}
