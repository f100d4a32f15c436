#include "ContentView.h"

#include "model/Clock.h"
#include "reminders/NotificationManager.h"
#include "settings/LocalizationManager.h"
#include "settings/Preferences.h"
#include "store/Aggregates.h"
#include "store/Store.h"
#include "views/AlertSheet.h"
#include "views/CardList.h"
#include "views/ExchangeFlow.h"
#include "views/HeroView.h"
#include "views/IconButton.h"
#include "views/ImportPreviewView.h"
#include "views/NoticeBar.h"
#include "views/RoundedCard.h"
#include "views/ScanFlow.h"
#include "views/SettingsView.h"
#include "views/Sheet.h"
#include "views/SoftButton.h"
#include "views/SubscriptionDetailView.h"
#include "views/SubscriptionEditView.h"
#include "views/SubscriptionRow.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

namespace {

using ViewHelpers::isZh;

// Runs `work` once the window's first frame is on screen: the expose paints it synchronously, and
// the work is queued behind it.
class AfterFirstFrame : public QObject {
public:
    AfterFirstFrame(QWindow *window, QObject *context, std::function<void()> work)
        : QObject(context)
        , m_work(std::move(work)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, parent(), std::move(m_work));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

QLabel *makeLabel(const QFont &font, const QColor &color, const char *name, QWidget *parent) {
    return ViewHelpers::makeLabel({.font = font, .color = color, .name = name}, parent);
}

// The column's margin and the gap between its parts.
constexpr int pageMargin = 24;
constexpr int partGap = 24;
constexpr int sectionGap = 10;
constexpr int logoSide = 30;

// The scrolling column: as wide as the window allows, up to its maximum, and centred.
class Column : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return {ContentView::columnMaxWidth, QWidget::sizeHint().height()}; }
};

} // namespace

ContentView::ContentView(Store &store, QWidget *parent, const ListOverview *prepared)
    : QWidget(parent)
    , m_store(store)
    , m_scan(new ScanFlow(this, this))
    , m_exchange(new ExchangeFlow(store, this, this))
    , m_remindDaysBefore(Preferences::remindDaysBefore()) {
    setObjectName(QStringLiteral("contentView"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::bg());
    setPalette(p);
    setMinimumSize(minimumWidth, minimumHeight);
    setAcceptDrops(true);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("mainScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Not a stop of its own for Tab: it follows the keyboard from control to control instead.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(m_scroll);
    buildUndo();

    auto *page = new QWidget(m_scroll);
    page->setObjectName(QStringLiteral("page"));
    page->setAutoFillBackground(false);
    auto *pageLayout = new QHBoxLayout(page);
    pageLayout->setContentsMargins(pageMargin, pageMargin, pageMargin, pageMargin);
    auto *column = new Column(page);
    column->setObjectName(QStringLiteral("column"));
    column->setMaximumWidth(columnMaxWidth);
    pageLayout->addWidget(column, 0, Qt::AlignHCenter);
    auto *stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(partGap);

    stack->addWidget(buildTopBar(column));
    m_hero = new HeroView(
        m_store, [this] { attemptAdd(); }, [this] { scanFromClipboard(); }, [this] { scanFile(); }, column);
    stack->addWidget(m_hero);
    m_upcomingSection = buildUpcomingSection(column);
    stack->addWidget(m_upcomingSection);
    stack->addWidget(buildSubscriptionsSection(column));
    stack->addStretch(1);

    connect(m_scan, &ScanFlow::scanningChanged, this, [this](bool scanning) {
        m_isScanning = scanning;
        m_hero->setScanning(scanning);
    });
    connect(m_scan, &ScanFlow::proposalReady, this, &ContentView::takeProposal);
    connect(m_scan, &ScanFlow::alertRequested, this,
            [this](const QString &message) { setAlertMessage(message); });

    connect(m_exchange, &ExchangeFlow::previewReady, this,
            [this](const Import::Preview &preview, const QString &source) {
                m_importPreview.emplace(preview, source);
                syncPresentation();
            });
    connect(m_exchange, &ExchangeFlow::alertRequested, this, [this](const QString &message) {
        m_alertAboutFile = true;
        setAlertMessage(message);
    });

    connect(&m_store, &Store::subscriptionsChanged, this, [this] {
        rebuild();
        rescheduleReminders();
    });
    connect(&m_store, &Store::saveFailed, this, [this](const QString &reason) {
        m_saveError = reason;
        showSaveError();
    });
    connect(&m_store, &Store::externalEditsReplaced, this, [this](const QStringList &names) {
        m_replacedNames = names;
        showReplacedNotice();
    });
    connect(&m_store, &Store::saved, this, [this] {
        m_saveError.clear();
        if (m_saveErrorBar)
            m_saveErrorBar->hide();
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::langChanged, this, [this] {
        rebuild();
        if (!m_saveError.isEmpty())
            showSaveError();
        if (!m_replacedNames.isEmpty())
            showReplacedNotice();
        if (m_undoRecord)
            showUndo();
    });
    m_dayChange.setSingleShot(true);
    connect(&m_dayChange, &QTimer::timeout, this, &ContentView::rebuild);

    rebuildWith(prepared);
    // The column goes into the scrolling area once it holds the list: the area sizes it to the
    // lists' full height at once. Put in empty, it would be squeezed into the window for the first
    // frame and laid out again only after it.
    m_scroll->setWidget(page);
}

QList<Theme::FontRequest> ContentView::firstFrameFonts(bool listEmpty) {
    using Theme::Design;
    QList<Theme::FontRequest> fonts{
        // The top bar's name and subtitle.
        Theme::request(16, QFont::Bold),
        Theme::request(11),
        // The summary: caption, monthly amount, buttons, figures and their captions.
        Theme::request(13, QFont::Medium),
        Theme::request(46, QFont::Bold, Design::rounded),
        Theme::request(13, QFont::DemiBold),
        Theme::request(20, QFont::Bold, Design::rounded),
        Theme::request(12),
        // The section titles.
        Theme::request(17, QFont::DemiBold),
    };
    if (listEmpty) {
        // The empty state's line.
        fonts.append(Theme::request(13));
    } else {
        // The coming charges' amounts, names and badge letters.
        fonts.append(Theme::request(15, QFont::DemiBold, Design::rounded));
        fonts.append(Theme::request(14, QFont::DemiBold));
        fonts.append(Theme::request(15, QFont::DemiBold));
    }
    return fonts;
}

ContentView::~ContentView() {
    if (m_presented)
        m_presented->disconnect(this);
}

void ContentView::showSaveError() {
    const bool zh = isZh();
    const QString message =
        zh ? QStringLiteral("无法保存：%1。修改仍在，Renewly 会重试。")
           : QStringLiteral("Couldn't save: %1. Your changes are kept and Renewly will retry.");
    noticeBar(m_saveErrorBar, "saveErrorBar")
        ->showNotice(message.arg(m_saveError), zh ? QStringLiteral("重试") : QStringLiteral("Retry"),
                     [this] { (void)m_store.save(); });
}

void ContentView::setReminders(NotificationManager *reminders) {
    m_reminders = reminders;
}

NotificationManager &ContentView::reminders() const {
    return m_reminders ? *m_reminders : NotificationManager::shared();
}

QWidget *ContentView::buildTopBar(QWidget *parent) {
    auto *bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("topBar"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    auto *logo = new RoundedCard(Theme::accent(), 9, bar);
    logo->setObjectName(QStringLiteral("appLogo"));
    logo->setFixedSize(logoSide, logoSide);
    auto *symbol =
        new SymbolView(QStringLiteral("creditcard.fill"), 13, Theme::onAccent(), Symbols::Weight::bold, logo);
    symbol->move((logoSide - symbol->width()) / 2, (logoSide - symbol->height()) / 2);
    row->addWidget(logo);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(0);
    QLabel *name = makeLabel(Theme::font(16, QFont::Bold), Theme::text(), "appName", bar);
    name->setText(QStringLiteral("Renewly"));
    titles->addWidget(name);
    m_appSubtitle = makeLabel(Theme::font(11), Theme::textSecondary(), "appSubtitle", bar);
    titles->addWidget(m_appSubtitle);
    row->addLayout(titles);
    row->addStretch(1);

    m_settingsButton = new IconButton({.symbol = QStringLiteral("bell.badge"),
                                       .symbolSize = 14,
                                       .weight = Symbols::Weight::regular,
                                       .color = Theme::textSecondary(),
                                       .side = 32,
                                       .radius = 9,
                                       .fillOpacity = 0.06},
                                      bar);
    m_settingsButton->setObjectName(QStringLiteral("settingsButton"));
    connect(m_settingsButton, &QAbstractButton::clicked, this, &ContentView::openSettings);
    row->addWidget(m_settingsButton);
    return bar;
}

QWidget *ContentView::sectionHeader(QLabel *&title, QLabel *&trailing, QWidget *parent) {
    auto *header = new QWidget(parent);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    title = makeLabel(Theme::font(17, QFont::DemiBold), Theme::text(), "sectionTitle", header);
    row->addWidget(title, 0, Qt::AlignBaseline);
    row->addStretch(1);
    trailing = makeLabel(Theme::font(12), Theme::textSecondary(), "sectionTrailing", header);
    row->addWidget(trailing, 0, Qt::AlignBaseline);
    return header;
}

QWidget *ContentView::buildUpcomingSection(QWidget *parent) {
    auto *section = new QWidget(parent);
    section->setObjectName(QStringLiteral("upcomingSection"));
    auto *stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(sectionGap);
    QWidget *header = sectionHeader(m_upcomingTitle, m_upcomingTrailing, section);
    m_upcomingTitle->setObjectName(QStringLiteral("upcomingTitle"));
    m_upcomingTrailing->setObjectName(QStringLiteral("upcomingTrailing"));
    stack->addWidget(header);
    return section;
}

CardList *ContentView::upcomingList() {
    if (!m_upcomingList) {
        // Last in its section, as the other parts of the section are there from the start.
        m_upcomingList = new CardList(CardList::Kind::upcoming, m_upcomingSection);
        m_upcomingList->setObjectName(QStringLiteral("upcomingList"));
        m_upcomingSection->layout()->addWidget(m_upcomingList);
        if (m_upcomingSection->isVisible())
            m_upcomingList->show();
    }
    return m_upcomingList;
}

QWidget *ContentView::buildSubscriptionsSection(QWidget *parent) {
    auto *section = new QWidget(parent);
    section->setObjectName(QStringLiteral("subscriptionsSection"));
    auto *stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(sectionGap);
    QWidget *header = sectionHeader(m_subscriptionsTitle, m_subscriptionsCount, section);
    m_subscriptionsTitle->setObjectName(QStringLiteral("subscriptionsTitle"));
    m_subscriptionsCount->setObjectName(QStringLiteral("subscriptionsCount"));
    stack->addWidget(header);

    m_subscriptionsSection = section;

    m_emptyState = new RoundedCard(Theme::card(), 18, section);
    m_emptyState->setObjectName(QStringLiteral("emptyState"));
    auto *empty = new QVBoxLayout(m_emptyState);
    empty->setContentsMargins(16, 40, 16, 40);
    empty->setSpacing(14);
    auto *tray = new SymbolView(QStringLiteral("tray"), 36, Theme::textTertiary(), Symbols::Weight::regular,
                                m_emptyState);
    empty->addWidget(tray, 0, Qt::AlignHCenter);
    m_emptyText = makeLabel(Theme::font(13), Theme::textSecondary(), "emptyText", m_emptyState);
    empty->addWidget(m_emptyText, 0, Qt::AlignHCenter);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    m_emptyAdd = new SoftButton(
        {.icon = QStringLiteral("plus"), .prominent = true, .action = [this] { attemptAdd(); }},
        m_emptyState);
    m_emptyAdd->setObjectName(QStringLiteral("emptyAddButton"));
    buttons->addWidget(m_emptyAdd);
    m_emptySamples = new SoftButton(
        {.icon = QStringLiteral("sparkles"), .action = [this] { m_store.loadSampleData(); }}, m_emptyState);
    m_emptySamples->setObjectName(QStringLiteral("loadSamplesButton"));
    buttons->addWidget(m_emptySamples);
    buttons->addStretch(1);
    empty->addLayout(buttons);
    stack->addWidget(m_emptyState);
    return section;
}

bool ContentView::listBelowFirstFrame(qsizetype charges) const {
    // No window is taller than the screens together.
    const QScreen *screen = QGuiApplication::primaryScreen();
    return !m_shownOnce && screen &&
           CardList::heightFor(CardList::Kind::upcoming, charges) > screen->virtualSize().height();
}

void ContentView::standInForList(qsizetype count) {
    if (!m_listStandIn) {
        m_listStandIn = new QWidget(m_subscriptionsSection);
        m_listStandIn->setObjectName(QStringLiteral("subscriptionListStandIn"));
        m_listStandIn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_listStandIn->stackUnder(m_emptyState);
        static_cast<QVBoxLayout *>(m_subscriptionsSection->layout())->insertWidget(1, m_listStandIn);
    }
    m_listStandIn->setFixedHeight(CardList::heightFor(CardList::Kind::subscriptions, count));
}

CardList *ContentView::subscriptionList() {
    if (!m_list) {
        const bool stoodIn = m_listStandIn;
        if (stoodIn)
            delete std::exchange(m_listStandIn, nullptr);
        // Between the section's header and the empty state, in the layout and among the section's
        // children, where the reading order and the keyboard meet it.
        m_list = new CardList(CardList::Kind::subscriptions, m_subscriptionsSection);
        m_list->setObjectName(QStringLiteral("subscriptionList"));
        connect(m_list, &CardList::subscriptionChosen, this, &ContentView::openDetail);
        connect(m_list, &CardList::deleteRequested, this, &ContentView::removeWithUndo);
        connect(m_list, &CardList::currentCardMoved, this, [this](const QRect &rect) {
            const QPoint center = m_list->mapTo(m_scroll->widget(), rect.center());
            m_scroll->ensureVisible(center.x(), center.y(), 0, rect.height() / 2 + 8);
        });
        m_list->stackUnder(m_emptyState);
        static_cast<QVBoxLayout *>(m_subscriptionsSection->layout())->insertWidget(1, m_list);
        m_list->setVisible(!m_store.subscriptions().isEmpty());
        if (stoodIn) {
            const Clock &clock = Clock::current();
            const QList<Subscription> &subscriptions = m_store.subscriptions();
            m_list->setSubscriptions(subscriptions, mainOrder(subscriptions), clock.now(), clock.zone());
        }
    }
    return m_list;
}

void ContentView::rebuild() {
    rebuildWith(nullptr);
}

void ContentView::rebuildWith(const ListOverview *prepared) {
    const bool zh = isZh();
    const Clock &clock = Clock::current();
    const QDateTime now = clock.now();
    const QTimeZone zone = clock.zone();
    const QList<Subscription> &subscriptions = m_store.subscriptions();

    m_appSubtitle->setText(zh ? QStringLiteral("续费账簿") : QStringLiteral("Subscription manager"));
    m_settingsButton->setTitle(zh ? QStringLiteral("设置") : QStringLiteral("Settings"));

    std::optional<ListOverview> fresh;
    const ListOverview &overview = prepared && prepared->describes(subscriptions, upcomingDays, now, zone)
                                       ? *prepared
                                       : fresh.emplace(listOverview(subscriptions, upcomingDays, now, zone));
    const QList<UpcomingCharge> &charges = overview.upcoming;
    m_hero->rebuild(HeroView::Figures{.totalMonthlyCNY = overview.totalMonthlyCNY,
                                      .active = overview.activeCount,
                                      .dueSoon = charges.size()});

    m_upcomingTitle->setText(zh ? QStringLiteral("即将扣费") : QStringLiteral("Upcoming charges"));
    m_upcomingTrailing->setText(zh ? QStringLiteral("未来 7 天") : QStringLiteral("Next 7 days"));
    if (!charges.isEmpty() || m_upcomingList)
        upcomingList()->setCharges(charges);
    m_upcomingSection->setVisible(!charges.isEmpty());

    m_subscriptionsTitle->setText(zh ? QStringLiteral("全部订阅") : QStringLiteral("All subscriptions"));
    m_subscriptionsCount->setText(QString::number(subscriptions.size()) +
                                  (zh ? QStringLiteral(" 项") : QStringLiteral(" items")));
    const bool empty = subscriptions.isEmpty();
    if (!m_list && !empty && (m_listStandIn || listBelowFirstFrame(charges.size()))) {
        standInForList(subscriptions.size());
    } else if (!empty || m_list) {
        subscriptionList()->setSubscriptions(subscriptions, overview.order, now, zone);
        m_list->setVisible(!empty);
    } else if (m_listStandIn) {
        delete std::exchange(m_listStandIn, nullptr);
    }
    m_emptyState->setVisible(empty);
    m_emptyText->setText(zh ? QStringLiteral("还没有任何订阅记录") : QStringLiteral("No subscriptions yet"));
    m_emptyAdd->setTitle(zh ? QStringLiteral("手动添加") : QStringLiteral("Add manually"));
    m_emptySamples->setTitle(zh ? QStringLiteral("载入示例") : QStringLiteral("Load samples"));

    scheduleDayChange();
    Q_EMIT rebuilt();
}

void ContentView::scheduleDayChange() {
    // Due labels and dates count days from today: redraw when today ends.
    const Clock &clock = Clock::current();
    const QDateTime now = clock.now();
    const QDateTime tomorrow = now.toTimeZone(clock.zone()).date().addDays(1).startOfDay(clock.zone());
    qint64 msecs = now.msecsTo(tomorrow);
    if (!tomorrow.isValid() || msecs <= 0 || msecs > 24 * 3600 * 1000)
        msecs = 24 * 3600 * 1000;
    m_dayChange.start(int(msecs) + 1000);
}

void ContentView::showReplacedNotice() {
    const bool zh = LocalizationManager::shared().isZh();
    QStringList quoted;
    for (const QString &name : std::as_const(m_replacedNames))
        quoted.append(zh ? u'「' + name + u'」' : u'“' + name + u'”');
    const QString names = quoted.join(zh ? QStringLiteral("、") : QStringLiteral(", "));
    const QString folder = QDir::toNativeSeparators(m_store.conflictsFolder());
    noticeBar(m_syncBar, "syncNoticeBar")
        ->showNotice(
            zh ? QStringLiteral("另一台电脑上的修改替换了你对%1的编辑。你的版本保存在 %2。")
                     .arg(names, folder)
               : QStringLiteral(
                     "A change from another computer replaced your edit of %1. Your version is kept in %2.")
                     .arg(names, folder),
            zh ? QStringLiteral("知道了") : QStringLiteral("OK"), [this] {
                m_replacedNames.clear();
                m_syncBar->hide();
            });
}

void ContentView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    const auto catchUp = [this](bool first) {
        // Another computer may have changed the list while the window was away.
        m_store.checkForExternalChange();
        if (!first)
            return;
        reminders().requestAuthorization();
        rescheduleReminders();
    };
    if (m_shownOnce) {
        catchUp(false);
        return;
    }
    m_shownOnce = true;
    // The scrolling area took its scroll bar's range from its size when it was given the column,
    // and shows or hides the bar for its size in the window only a turn of the event loop later:
    // settled now, the first frame shows no bar a list that fits does not need.
    QCoreApplication::sendPostedEvents(m_scroll, QEvent::MetaCall);
    // The bar's sheet is worked out for a first frame that shows the bar, and the layout settled
    // again for its width; a bar the frame does not show is given it once the frame is on screen.
    QScrollBar *bar = m_scroll->verticalScrollBar();
    const auto styleBar = [bar] { bar->setStyleSheet(Sheet::scrollBarStyle()); };
    const bool barInFirstFrame = bar->isVisibleTo(this);
    if (barInFirstFrame) {
        styleBar();
        QEvent relayout(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(m_scroll, &relayout);
        QCoreApplication::sendPostedEvents(m_scroll, QEvent::MetaCall);
    }
    // The first time, the list has just been read and the window's first frame needs neither: both
    // wait until it is on screen.
    QWindow *handle = window()->windowHandle();
    const auto afterFirstFrame = [this, catchUp, styleBar, barInFirstFrame] {
        if (!barInFirstFrame)
            styleBar();
        if (m_listStandIn)
            subscriptionList();
        catchUp(true);
    };
    if (handle && !handle->isExposed())
        new AfterFirstFrame(handle, this, afterFirstFrame);
    else
        QTimer::singleShot(0, this, afterFirstFrame);
}

void ContentView::rescheduleReminders() {
    reminders().reschedule(m_store.subscriptions(), m_remindDaysBefore);
}

void ContentView::attemptAdd() {
    m_isAdding = true;
    syncPresentation();
}

void ContentView::openDetail(const Subscription &sub) {
    m_detailSub = sub;
    syncPresentation();
}

void ContentView::openSettings() {
    m_showingSettings = true;
    syncPresentation();
}

void ContentView::scanFromClipboard() {
    m_scan->scanFromClipboard();
}

void ContentView::scanFile() {
    m_scan->scanFile();
}

void ContentView::importFile() {
    m_exchange->importFile();
}

void ContentView::exportList() {
    m_exchange->exportList();
}

void ContentView::restoreFromBackup() {
    m_exchange->restoreFromBackup();
}

void ContentView::setAlertMessage(std::optional<QString> message) {
    m_alertMessage = std::move(message);
    syncPresentation();
}

void ContentView::takeProposal(const Subscription &proposal) {
    if (m_prefillDraft)
        m_pendingDrafts.append(proposal);
    else
        m_prefillDraft = proposal;
    syncPresentation();
}

bool ContentView::isWanted(Presentation presentation) const {
    switch (presentation) {
    case Presentation::none:
        return false;
    case Presentation::alert:
        return m_alertMessage.has_value();
    case Presentation::add:
        return m_isAdding;
    case Presentation::edit:
        return m_editingSub.has_value();
    case Presentation::confirmScan:
        return m_prefillDraft.has_value();
    case Presentation::settings:
        return m_showingSettings;
    case Presentation::detail:
        return m_detailSub.has_value();
    case Presentation::importPreview:
        return m_importPreview.has_value();
    }
    return false;
}

void ContentView::syncPresentation() {
    if (m_presented) {
        if (!isWanted(m_presentation))
            m_presented->done(QDialog::Rejected);
        return;
    }
    for (const Presentation next :
         {Presentation::alert, Presentation::add, Presentation::edit, Presentation::confirmScan,
          Presentation::settings, Presentation::detail, Presentation::importPreview}) {
        if (isWanted(next)) {
            present(next);
            return;
        }
    }
}

void ContentView::present(Presentation presentation) {
    QDialog *dialog = nullptr;
    switch (presentation) {
    case Presentation::none:
        return;
    case Presentation::alert:
        dialog = new AlertSheet(*m_alertMessage, {.aboutFile = m_alertAboutFile}, this);
        break;
    case Presentation::add:
        dialog = new SubscriptionEditView(m_store, std::nullopt, std::nullopt, this);
        break;
    case Presentation::edit: {
        auto *form = new SubscriptionEditView(m_store, m_editingSub, std::nullopt, this);
        connect(form, &SubscriptionEditView::removed, this, &ContentView::offerUndo);
        dialog = form;
        break;
    }
    case Presentation::confirmScan:
        dialog = new SubscriptionEditView(m_store, std::nullopt, m_prefillDraft, this);
        break;
    case Presentation::settings: {
        auto *settings = new SettingsView(reminders(), m_store, this);
        connect(settings, &SettingsView::remindDaysBeforeChanged, this, [this](int days) {
            m_remindDaysBefore = days;
            rescheduleReminders();
        });
        dialog = settings;
        break;
    }
    case Presentation::detail: {
        const Subscription sub = *m_detailSub;
        dialog = new SubscriptionDetailView(
            sub,
            [this, sub] {
                // Close the detail first; the edit form follows a moment later, never in the same turn.
                m_detailSub.reset();
                syncPresentation();
                QTimer::singleShot(editHandOverMsecs, Qt::PreciseTimer, this, [this, sub] {
                    m_editingSub = sub;
                    syncPresentation();
                });
            },
            [this, sub] {
                m_store.toggleActive(sub);
                m_detailSub.reset();
                syncPresentation();
            },
            [this, sub] {
                removeWithUndo(sub);
                m_detailSub.reset();
                syncPresentation();
            },
            this);
        break;
    }
    case Presentation::importPreview:
        dialog = new ImportPreviewView(m_store, m_importPreview->first, m_importPreview->second,
                                       Clock::current().zone(), this);
        break;
    }
    m_presented = dialog;
    m_presentation = presentation;
    connect(dialog, &QDialog::finished, this, [this, dialog, presentation] {
        dialog->disconnect(this);
        dialog->deleteLater();
        if (m_presented == dialog) {
            m_presented = nullptr;
            m_presentation = Presentation::none;
        }
        presentationClosed(presentation);
    });
    dialog->open();
    Q_EMIT presentedChanged(dialog);
}

void ContentView::presentationClosed(Presentation presentation) {
    switch (presentation) {
    case Presentation::none:
        break;
    case Presentation::alert:
        m_alertMessage.reset();
        m_alertAboutFile = false;
        break;
    case Presentation::add:
        m_isAdding = false;
        break;
    case Presentation::edit:
        m_editingSub.reset();
        break;
    case Presentation::confirmScan:
        m_prefillDraft.reset();
        if (!m_pendingDrafts.isEmpty())
            m_prefillDraft = m_pendingDrafts.takeFirst();
        break;
    case Presentation::settings:
        m_showingSettings = false;
        break;
    case Presentation::detail:
        m_detailSub.reset();
        break;
    case Presentation::importPreview:
        m_importPreview.reset();
        break;
    }
    // The next sheet opens once this one has gone.
    QMetaObject::invokeMethod(this, &ContentView::syncPresentation, Qt::QueuedConnection);
}

NoticeBar *ContentView::noticeBar(NoticeBar *&bar, const char *name) {
    if (bar)
        return bar;
    // Below the scrolling area, in this order whichever was made first.
    int place = 1;
    for (NoticeBar *const *before : {&m_saveErrorBar, &m_syncBar, &m_undoBar}) {
        if (before == &bar)
            break;
        place += *before ? 1 : 0;
    }
    bar = new NoticeBar(this);
    bar->setObjectName(QString::fromLatin1(name));
    static_cast<QVBoxLayout *>(layout())->insertWidget(place, bar);
    return bar;
}

void ContentView::buildUndo() {
    m_undoTimer.setSingleShot(true);
    m_undoTimer.setInterval(undoMsecs);
    connect(&m_undoTimer, &QTimer::timeout, this, &ContentView::dismissUndo);
    // Ctrl+Z in the main window while the offer stands; the sheets are windows of their own, so
    // their text fields keep their own undo.
    m_undoAction = new QAction(this);
    m_undoAction->setObjectName(QStringLiteral("undoDeleteAction"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setShortcutContext(Qt::WindowShortcut);
    m_undoAction->setEnabled(false);
    connect(m_undoAction, &QAction::triggered, this, &ContentView::undoDelete);
    addAction(m_undoAction);
}

void ContentView::removeWithUndo(const Subscription &sub) {
    const QList<Subscription> &list = m_store.subscriptions();
    const auto it =
        std::find_if(list.cbegin(), list.cend(), [&](const Subscription &s) { return s.id == sub.id; });
    if (it == list.cend())
        return;
    const Subscription record = *it;
    const qsizetype index = it - list.cbegin();
    // Keep the keyboard where it was: on the card that takes the deleted one's place.
    const int row = m_list && m_list->hasFocus() ? m_list->currentIndex().row() : -1;
    m_store.remove(record);
    offerUndo(record, index);
    if (row >= 0 && m_list->count() > 0)
        m_list->setCurrentIndex(m_list->model()->index(qMin(row, m_list->count() - 1), 0));
}

void ContentView::offerUndo(const Subscription &record, qsizetype index) {
    m_undoRecord = record;
    m_undoIndex = index;
    m_undoAction->setEnabled(true);
    m_undoTimer.start();
    showUndo();
}

void ContentView::showUndo() {
    const bool zh = isZh();
    const QString name = SubscriptionRow::displayName(m_undoRecord->name);
    noticeBar(m_undoBar, "undoBar")
        ->showNotice(zh ? QStringLiteral("已删除“%1”").arg(name) : QStringLiteral("Deleted “%1”").arg(name),
                     zh ? QStringLiteral("撤销") : QStringLiteral("Undo"), [this] { undoDelete(); });
}

void ContentView::undoDelete() {
    if (!m_undoRecord)
        return;
    const Subscription record = *m_undoRecord;
    const qsizetype index = m_undoIndex;
    dismissUndo();
    m_store.restore(record, index);
}

void ContentView::dismissUndo() {
    m_undoRecord.reset();
    m_undoTimer.stop();
    m_undoAction->setEnabled(false);
    if (m_undoBar)
        m_undoBar->hide();
}

void ContentView::dragEnterEvent(QDragEnterEvent *event) {
    if (ScanFlow::canAccept(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ContentView::dragMoveEvent(QDragMoveEvent *event) {
    if (ScanFlow::canAccept(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ContentView::dropEvent(QDropEvent *event) {
    // Lists go to the import; everything else to the scan, which takes images.
    if (ExchangeFlow::isImportDrop(event->mimeData())) {
        event->acceptProposedAction();
        // After the drop has finished: the preview is a sheet of its own.
        const QString path = event->mimeData()->urls().constFirst().toLocalFile();
        QMetaObject::invokeMethod(
            this, [this, path] { m_exchange->importPath(path); }, Qt::QueuedConnection);
        return;
    }
    if (m_scan->handleDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}
