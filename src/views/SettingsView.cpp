#include "SettingsView.h"

#include "reminders/NotificationManager.h"
#include "settings/LocalizationManager.h"
#include "settings/LoginItem.h"
#include "settings/Preferences.h"
#include "store/Store.h"
#include "views/IconButton.h"
#include "views/RoundedCard.h"
#include "views/SegmentedControl.h"
#include "views/SoftButton.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The order of the language segments.
const QList<LocalizationManager::Lang> &languageOrder() {
    using Lang = LocalizationManager::Lang;
    static const QList<Lang> order{Lang::system, Lang::zh, Lang::en};
    return order;
}

QLabel *makeLabel(const QFont &font, const QColor &color, const char *name, QWidget *parent,
                  bool wrap = false) {
    return ViewHelpers::makeLabel({.font = font, .color = color, .name = name, .wrap = wrap}, parent);
}

// Margins and gaps of the sheet, named once.
constexpr int sideMargin = 24;
constexpr int topMargin = 28;
constexpr int partGap = 22;
constexpr int captionGap = 8;
constexpr int cardRadius = 14;
constexpr int cardPadding = 16;
constexpr int cardLineGap = 12;
constexpr int closeInset = 18;
constexpr int closeSide = 30;
} // namespace

SettingsView::SettingsView(NotificationManager &reminders, QWidget *parent)
    : SettingsView(reminders, nullptr, parent) {}

SettingsView::SettingsView(NotificationManager &reminders, Store &store, QWidget *parent)
    : SettingsView(reminders, &store, parent) {}

SettingsView::SettingsView(NotificationManager &reminders, Store *store, QWidget *parent)
    : Sheet(store ? sheetSizeWithFolder : sheetSize, parent)
    , m_reminders(reminders)
    , m_store(store) {
    setObjectName(QStringLiteral("settingsSheet"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(sideMargin, topMargin, sideMargin, sideMargin);
    column->setSpacing(partGap);
    m_title = makeLabel(Theme::font(20, QFont::Bold), Theme::text(), "titleLabel", this);
    column->addWidget(m_title);
    buildLanguage(column);
    buildReminders(column);
    if (m_store)
        buildDataFolderRow(column);
    m_test = new SoftButton(
        {.icon = QStringLiteral("bell.badge"), .prominent = true, .action = [this] { sendTest(); }}, this);
    m_test->setObjectName(QStringLiteral("testButton"));
    column->addWidget(m_test, 0, Qt::AlignLeft);
    m_hint = makeLabel(Theme::font(12), Theme::textTertiary(), "hintLabel", this, true);
    column->addWidget(m_hint);
    buildLoginSwitch(column);
    column->addStretch(1);
    buildClose();

    m_language->setValue(int(LocalizationManager::shared().lang()));
    // The keyboard starts on the chosen language rather than on the first segment.
    if (QWidget *chosen = m_language->segmentForValue(int(LocalizationManager::shared().lang())))
        chosen->setFocus();
    // A stored lead time that is none of the options stays in force; no segment shows it.
    m_days->setValue(Preferences::remindDaysBefore());

    connect(m_language, &SegmentedControl::activated, this,
            [](int lang) { LocalizationManager::shared().setLang(LocalizationManager::Lang(lang)); });
    connect(m_days, &SegmentedControl::activated, this, [this](int value) {
        if (Preferences::remindDaysBefore() == value)
            return;
        Preferences::setRemindDaysBefore(value);
        Q_EMIT remindDaysBeforeChanged(value);
    });
    connect(&LocalizationManager::shared(), &LocalizationManager::langChanged, this,
            [this](LocalizationManager::Lang lang) { m_language->setValue(int(lang)); });

    retranslate();
}

void SettingsView::buildLanguage(QVBoxLayout *column) {
    auto *language = new QVBoxLayout;
    language->setSpacing(captionGap);
    m_languageCaption =
        makeLabel(Theme::font(13, QFont::DemiBold), Theme::textSecondary(), "languageCaption", this);
    language->addWidget(m_languageCaption);
    m_language = new SegmentedControl(this);
    m_language->setObjectName(QStringLiteral("languagePicker"));
    QList<std::pair<QString, int>> languages;
    for (const LocalizationManager::Lang lang : languageOrder())
        languages.append({QString(), int(lang)});
    m_language->setSegments(languages);
    language->addWidget(m_language);
    column->addLayout(language);
}

void SettingsView::buildReminders(QVBoxLayout *column) {
    auto *remindersBox = new QVBoxLayout;
    remindersBox->setSpacing(captionGap);
    m_remindersCaption =
        makeLabel(Theme::font(13, QFont::DemiBold), Theme::textSecondary(), "remindersCaption", this);
    remindersBox->addWidget(m_remindersCaption);
    auto *card = new RoundedCard(Theme::card(), cardRadius, this);
    card->setObjectName(QStringLiteral("remindersCard"));
    auto *lines = new QVBoxLayout(card);
    lines->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    lines->setSpacing(cardLineGap);
    m_daysQuestion = makeLabel(Theme::font(14), Theme::text(), "daysQuestion", card, true);
    lines->addWidget(m_daysQuestion);
    m_days = new SegmentedControl(card);
    m_days->setObjectName(QStringLiteral("daysPicker"));
    QList<std::pair<QString, int>> days;
    for (const int option : dayOptions())
        days.append({QString(), option});
    m_days->setSegments(days);
    lines->addWidget(m_days);
    m_daysHint = makeLabel(Theme::font(12), Theme::textTertiary(), "daysHint", card, true);
    lines->addWidget(m_daysHint);
    remindersBox->addWidget(card);
    column->addLayout(remindersBox);
}

void SettingsView::buildClose() {
    auto *close = new IconButton(IconButton::closeLook(), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->move(sheetSize.width() - closeInset - closeSide, closeInset);
    close->raise();
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    m_close = close;
}

void SettingsView::buildLoginSwitch(QVBoxLayout *column) {
    m_login = new QCheckBox(this);
    m_login->setObjectName(QStringLiteral("loginSwitch"));
    m_login->setFont(Theme::font(13));
    // Read from the entry itself: a user who deleted it sees the switch off.
    m_login->setChecked(LoginItem::isEnabled());
    connect(m_login, &QCheckBox::toggled, this, [this](bool on) {
        // A folder that cannot be written leaves the switch showing what is really on disk.
        if (!LoginItem::setEnabled(on)) {
            const QSignalBlocker quiet(m_login);
            m_login->setChecked(LoginItem::isEnabled());
        }
    });
    column->addWidget(m_login, 0, Qt::AlignLeft);
}

const QList<int> &SettingsView::dayOptions() {
    static const QList<int> options{0, 1, 2, 3, 5, 7};
    return options;
}

QString SettingsView::dayTitle(int days, bool isZh) {
    if (days == 0)
        return isZh ? QStringLiteral("当天") : QStringLiteral("Same day");
    return QString::number(days) + (isZh ? QStringLiteral(" 天") : QStringLiteral("d"));
}

void SettingsView::sendTest() {
    m_reminders.sendTest();
    m_testSent = true;
    retranslate();
    // Every press schedules its own reset; the first to fire restores the title.
    QTimer::singleShot(testResetMsecs, Qt::PreciseTimer, this, [this] {
        m_testSent = false;
        retranslate();
    });
}

void SettingsView::buildDataFolderRow(QVBoxLayout *column) {
    auto *box = new QVBoxLayout;
    box->setSpacing(captionGap);
    m_folderCaption =
        makeLabel(Theme::font(13, QFont::DemiBold), Theme::textSecondary(), "folderCaption", this);
    box->addWidget(m_folderCaption);
    auto *card = new RoundedCard(Theme::card(), cardRadius, this);
    card->setObjectName(QStringLiteral("folderCard"));
    auto *lines = new QVBoxLayout(card);
    lines->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    lines->setSpacing(cardLineGap);
    m_folderPath = makeLabel(Theme::font(13), Theme::text(), "folderPath", card, true);
    m_folderPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lines->addWidget(m_folderPath);
    m_folderButton =
        new SoftButton({.icon = QStringLiteral("folder"), .action = [this] { chooseDataFolder(); }}, card);
    m_folderButton->setObjectName(QStringLiteral("folderButton"));
    lines->addWidget(m_folderButton, 0, Qt::AlignLeft);
    m_folderMessage = makeLabel(Theme::font(12), Theme::textTertiary(), "folderMessage", card, true);
    m_folderMessage->hide();
    lines->addWidget(m_folderMessage);
    box->addWidget(card);
    column->addLayout(box);
}

SettingsView::FolderChooser &SettingsView::folderChooser() {
    static FolderChooser chooser = [](QWidget *parent, const QString &current) {
        const bool zh = LocalizationManager::shared().isZh();
        return QFileDialog::getExistingDirectory(
            parent, zh ? QStringLiteral("选择数据文件夹") : QStringLiteral("Choose the data folder"),
            current);
    };
    return chooser;
}

void SettingsView::chooseDataFolder() {
    const QString current = QFileInfo(m_store->fileURL()).absolutePath();
    const QString chosen = folderChooser()(this, current);
    if (chosen.isEmpty())
        return;
    const QString folder = QDir::cleanPath(QFileInfo(chosen).absoluteFilePath());
    const Store::MoveResult result = m_store->moveToFolder(folder);
    if (!result.saved) {
        const QString reason = result.saved.reason();
        m_folderOutcome = [reason](bool zh) {
            return (zh ? QStringLiteral("无法使用这个文件夹：")
                       : QStringLiteral("This folder cannot be used: ")) +
                   reason;
        };
    } else {
        Preferences::setDataFolder(folder);
        if (result.merged) {
            const int mine = result.fromList;
            const int there = result.fromFolder;
            m_folderOutcome = [mine, there](bool zh) {
                return zh ? QStringLiteral("两份列表已合并：文件夹中的 %1 条，这台电脑上的 %2 条。")
                                .arg(there)
                                .arg(mine)
                          : QStringLiteral(
                                "The two lists were merged: %1 records from the folder, %2 from this "
                                "computer.")
                                .arg(there)
                                .arg(mine);
            };
        } else {
            m_folderOutcome = [](bool zh) {
                return zh ? QStringLiteral("列表已移到这个文件夹。")
                          : QStringLiteral("The list was moved to this folder.");
            };
        }
    }
    retranslate();
}

QString SettingsView::dataFolderMessage() const {
    return m_folderMessage && m_folderMessage->isVisible() ? m_folderMessage->text() : QString();
}

void SettingsView::retranslate() {
    const bool zh = ViewHelpers::isZh();
    const QString title = zh ? QStringLiteral("设置") : QStringLiteral("Settings");
    m_title->setText(title);
    setWindowTitle(title);
    m_languageCaption->setText(zh ? QStringLiteral("语言") : QStringLiteral("Language"));
    m_language->setAccessibleName(m_languageCaption->text());
    QStringList languages;
    for (const LocalizationManager::Lang lang : languageOrder())
        languages.append(LocalizationManager::shared().displayName(lang));
    m_language->setTitles(languages);
    m_remindersCaption->setText(zh ? QStringLiteral("续费提醒") : QStringLiteral("Renewal reminders"));
    m_daysQuestion->setText(zh ? QStringLiteral("提前几天提醒我")
                               : QStringLiteral("Remind me how many days ahead"));
    m_days->setAccessibleName(m_daysQuestion->text());
    QStringList days;
    for (const int option : dayOptions())
        days.append(dayTitle(option, zh));
    m_days->setTitles(days);
    m_daysHint->setText(
        zh ? QStringLiteral("每次到点会在上午 10:00 发送系统通知，提醒你即将扣费的订阅。")
           : QStringLiteral("A system notification is sent at 10:00 AM to remind you of upcoming charges."));
    m_test->setTitle(
        m_testSent
            ? (zh ? QStringLiteral("已发送，请留意通知") : QStringLiteral("Sent — check notifications"))
            : (zh ? QStringLiteral("发送测试通知") : QStringLiteral("Send test notification")));
    m_hint->setText(
        zh ? QStringLiteral("若收不到通知，请到「系统设置 → 通知」中允许 Renewly 的通知。")
           : QStringLiteral(
                 "If you don't see notifications, allow them for Renewly in your desktop's Settings → "
                 "Notifications."));
    m_login->setText(zh ? QStringLiteral("登录时启动") : QStringLiteral("Start at login"));
    m_close->setTitle(zh ? QStringLiteral("关闭") : QStringLiteral("Close"));
    if (m_store) {
        m_folderCaption->setText(zh ? QStringLiteral("数据文件夹") : QStringLiteral("Data folder"));
        m_folderPath->setText(QDir::toNativeSeparators(QFileInfo(m_store->fileURL()).absolutePath()));
        m_folderButton->setTitle(zh ? QStringLiteral("选择其他文件夹…")
                                    : QStringLiteral("Choose another folder…"));
        m_folderButton->setAccessibleName(m_folderButton->title());
        if (m_folderOutcome) {
            m_folderMessage->setText(m_folderOutcome(zh));
            m_folderMessage->show();
        }
    }
}
