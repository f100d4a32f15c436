#pragma once

#include "exchange/Import.h"
#include "model/Subscription.h"
#include "views/Theme.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class CardList;
struct ListOverview;
class ExchangeFlow;
class HeroView;
class IconButton;
class NoticeBar;
class NotificationManager;
class QAction;
class QLabel;
class QVBoxLayout;
class QScrollArea;
class ScanFlow;
class SoftButton;
class Store;

// The root of the main window's content: the header bar, the summary header with Add and Scan,
// the charges of the coming week and the list of all subscriptions (or the empty state). It owns
// the presentation state of every sheet and of the scan alert, takes image files dropped onto the
// window, and keeps the renewal reminders in step with the list and the lead time.
//
// One sheet is shown at a time. A sheet asked for while another is open (a scan that finishes
// while the settings are open) opens when that one closes; nothing asked for is dropped.
class ContentView : public QWidget {
    Q_OBJECT
public:
    static constexpr int columnMaxWidth = 760;
    static constexpr int upcomingDays = 7;
    static constexpr int editHandOverMsecs = 150;
    static constexpr int minimumWidth = 700;
    static constexpr int minimumHeight = 600;
    // How long a deletion can be undone.
    static constexpr int undoMsecs = 8000;

    // `prepared`, when given, is what the first build shows as long as it describes the store's list
    // on the day of that moment: worked out ahead, it spares the window's first frame the work.
    explicit ContentView(Store &store, QWidget *parent = nullptr, const ListOverview *prepared = nullptr);
    ~ContentView() override;

    // The fonts the window's first frame draws text in, in the order it first needs them: the top
    // bar, the summary, the section titles and the cards of the coming charges, or the empty state.
    static QList<Theme::FontRequest> firstFrameFonts(bool listEmpty);

    Store &store() const { return m_store; }

    // Seams: where "now" comes from, and the reminder scheduler (none: NotificationManager::shared()).
    void setReminders(NotificationManager *reminders);
    NotificationManager &reminders() const;
    ScanFlow &scanFlow() const { return *m_scan; }
    ExchangeFlow &exchangeFlow() const { return *m_exchange; }

    // Presentation state.
    const std::optional<Subscription> &editingSub() const { return m_editingSub; }
    const std::optional<Subscription> &detailSub() const { return m_detailSub; }
    bool isAdding() const { return m_isAdding; }
    const std::optional<Subscription> &prefillDraft() const { return m_prefillDraft; }
    bool isScanning() const { return m_isScanning; }
    const std::optional<QString> &alertMessage() const { return m_alertMessage; }
    bool showingSettings() const { return m_showingSettings; }
    int remindDaysBefore() const { return m_remindDaysBefore; }
    // The sheet or alert on screen, if any.
    QDialog *presented() const { return m_presented; }

    void attemptAdd();
    void openDetail(const Subscription &sub);
    void openSettings();
    void scanFromClipboard();
    void scanFile();
    // File menu: import a list, export it, restore a daily backup.
    void importFile();
    void exportList();
    void restoreFromBackup();
    void setAlertMessage(std::optional<QString> message);
    void rescheduleReminders();
    // Deletes the record at once and offers to undo it for a while from a bar at the bottom.
    void removeWithUndo(const Subscription &sub);
    // Offers to put back `record`, deleted from `index`.
    void offerUndo(const Subscription &record, qsizetype index);
    // Puts the last deleted record back in its place, while the offer stands.
    void undoDelete();
    // Withdraws the offer (when its time is up).
    void dismissUndo();
    // The notice bars are made when they first have something to say; null until then.
    NoticeBar *undoBar() const { return m_undoBar; }
    const QTimer &undoTimer() const { return m_undoTimer; }

    // The bar that says the list could not be saved, with Retry.
    NoticeBar *saveErrorBar() const { return m_saveErrorBar; }
    // The bar that says a change from another computer replaced the user's edits.
    NoticeBar *syncNoticeBar() const { return m_syncBar; }
    HeroView *hero() const { return m_hero; }
    // Made once there is a subscription to list, or when first asked for: an empty start shows the
    // empty state instead, and building the list view would only slow the window's first frame. So
    // would a list that lies wholly below the first frame, under more coming charges than the screen
    // is tall: an empty widget of its height stands in for it until the frame is on screen.
    CardList *subscriptionList();
    // Made when there is a charge to show, or when first asked for: with none (an empty list, or no
    // charge within the week), building it would only slow the window's first frame.
    CardList *upcomingList();

public Q_SLOTS:
    // Redraws every part from the store and the language of this moment.
    void rebuild();

Q_SIGNALS:
    void rebuilt();
    // A sheet or the alert was put on screen.
    void presentedChanged(QDialog *dialog);

protected:
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class Presentation { none, alert, add, edit, confirmScan, settings, detail, importPreview };

    void rebuildWith(const ListOverview *prepared);
    // Whether the subscription list, under `charges` coming charges, cannot be seen in the first frame.
    bool listBelowFirstFrame(qsizetype charges) const;
    void standInForList(qsizetype count);
    QWidget *buildTopBar(QWidget *parent);
    QWidget *buildUpcomingSection(QWidget *parent);
    QWidget *buildSubscriptionsSection(QWidget *parent);
    QWidget *sectionHeader(QLabel *&title, QLabel *&trailing, QWidget *parent);
    void buildUndo();
    // `bar`, made now if it has not been, in its place along the window's bottom edge.
    NoticeBar *noticeBar(NoticeBar *&bar, const char *name);
    void showUndo();
    void showSaveError();
    void showReplacedNotice();
    // Closes what is no longer wanted, or opens the first thing asked for when nothing is open.
    void syncPresentation();
    bool isWanted(Presentation presentation) const;
    void present(Presentation presentation);
    void presentationClosed(Presentation presentation);
    void takeProposal(const Subscription &proposal);
    void scheduleDayChange();

    Store &m_store;
    NotificationManager *m_reminders = nullptr;
    ScanFlow *m_scan;
    ExchangeFlow *m_exchange;

    std::optional<Subscription> m_editingSub;
    std::optional<Subscription> m_detailSub;
    bool m_isAdding = false;
    std::optional<Subscription> m_prefillDraft;
    // Proposals that arrived while the confirm form of an earlier one was open.
    QList<Subscription> m_pendingDrafts;
    bool m_isScanning = false;
    std::optional<QString> m_alertMessage;
    // The alert tells of a file imported or exported, not of a scan.
    bool m_alertAboutFile = false;
    bool m_showingSettings = false;
    // The preview of an import and where its entries come from.
    std::optional<std::pair<Import::Preview, QString>> m_importPreview;
    int m_remindDaysBefore;

    QPointer<QDialog> m_presented;
    Presentation m_presentation = Presentation::none;
    bool m_shownOnce = false;
    NoticeBar *m_saveErrorBar = nullptr;
    QString m_saveError;
    NoticeBar *m_syncBar = nullptr;
    QStringList m_replacedNames;
    QTimer m_dayChange;
    NoticeBar *m_undoBar = nullptr;
    QTimer m_undoTimer;
    QAction *m_undoAction = nullptr;
    std::optional<Subscription> m_undoRecord;
    qsizetype m_undoIndex = 0;

    QScrollArea *m_scroll = nullptr;
    QLabel *m_appSubtitle = nullptr;
    IconButton *m_settingsButton = nullptr;
    HeroView *m_hero = nullptr;
    QWidget *m_upcomingSection = nullptr;
    QLabel *m_upcomingTitle = nullptr;
    QLabel *m_upcomingTrailing = nullptr;
    CardList *m_upcomingList = nullptr;
    QWidget *m_subscriptionsSection = nullptr;
    QLabel *m_subscriptionsTitle = nullptr;
    QLabel *m_subscriptionsCount = nullptr;
    CardList *m_list = nullptr;
    QWidget *m_listStandIn = nullptr;
    QWidget *m_emptyState = nullptr;
    QLabel *m_emptyText = nullptr;
    SoftButton *m_emptyAdd = nullptr;
    SoftButton *m_emptySamples = nullptr;
};
