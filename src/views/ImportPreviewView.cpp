#include "ImportPreviewView.h"

#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "store/Store.h"
#include "views/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *makeLabel(const QFont &font, const QColor &color, const char *name, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    Theme::style(label, font, color);
    return label;
}

// Index of the entry a line stands for.
constexpr int entryRole = Qt::UserRole;

} // namespace

ImportPreviewView::ImportPreviewView(Store &store, Import::Preview preview, QString source,
                                     const QTimeZone &zone, QWidget *parent)
    : Sheet(sheetSize, parent)
    , m_store(store)
    , m_preview(std::move(preview))
    , m_source(std::move(source))
    , m_zone(zone) {
    setObjectName(QStringLiteral("importSheet"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 20);
    column->setSpacing(12);
    m_title = makeLabel(Theme::font(20, QFont::Bold), Theme::text(), "titleLabel", this);
    column->addWidget(m_title);
    m_subtitle = makeLabel(Theme::font(12), Theme::textSecondary(), "subtitleLabel", this);
    column->addWidget(m_subtitle);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("importEntries"));
    m_list->setFont(Theme::font(13));
    m_list->setUniformItemSizes(true);
    m_list->setStyleSheet(
        QStringLiteral(
            "QListWidget { background: %1; color: %2; border: none; border-radius: 12px; padding: 6px; }"
            "QListWidget::item { padding: 5px 4px; }"
            "QListWidget::item:selected { background: %3; color: %2; }"
            "QListWidget:focus { border: 1px solid %4; }")
            .arg(Theme::css(Theme::card()), Theme::css(Theme::text()), Theme::css(Theme::whiteAlpha(0.1)),
                 Theme::css(Theme::whiteAlpha(0.35))) +
        scrollAreaStyle(QStringLiteral("QAbstractScrollArea")));
    for (qsizetype i = 0; i < m_preview.entries.size(); ++i) {
        const Import::Entry &entry = m_preview.entries[i];
        auto *item = new QListWidgetItem(m_list);
        item->setData(entryRole, int(i));
        if (entry.record) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(entry.duplicate ? Qt::Unchecked : Qt::Checked);
        } else {
            // Never added: shown for its reason only.
            item->setFlags(Qt::ItemIsSelectable);
            item->setForeground(Theme::textTertiary());
        }
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    column->addWidget(m_list, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const QString buttonStyle = QStringLiteral(
        "QPushButton { background: %1; color: %2; border: 1px solid transparent; border-radius: 8px;"
        " padding: 6px 16px; }"
        "QPushButton:focus { border: 1px solid %3; }"
        "QPushButton:disabled { color: %4; }");
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setStyleSheet(buttonStyle.arg(Theme::css(Theme::whiteAlpha(0.08)), Theme::css(Theme::text()),
                                            Theme::css(Theme::whiteAlpha(0.45)),
                                            Theme::css(Theme::textTertiary())));
    m_cancel->setAutoDefault(false);
    buttons->addWidget(m_cancel);
    m_import = new QPushButton(this);
    m_import->setObjectName(QStringLiteral("importButton"));
    m_import->setStyleSheet(buttonStyle.arg(Theme::css(Theme::accent()), Theme::css(Theme::onAccent()),
                                            Theme::css(Theme::whiteAlpha(0.6)),
                                            Theme::css(Theme::textTertiary())));
    m_import->setDefault(true);
    buttons->addWidget(m_import);
    column->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, &ImportPreviewView::importTicked);
    connect(m_list, &QListWidget::itemChanged, this, [this] { retranslate(); });
    m_list->setFocus();
    retranslate();
}

QList<Subscription> ImportPreviewView::tickedRecords() const {
    QList<Subscription> records;
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem *item = m_list->item(row);
        const Import::Entry &entry = m_preview.entries[item->data(entryRole).toInt()];
        if (entry.record && item->checkState() == Qt::Checked)
            records << *entry.record;
    }
    return records;
}

void ImportPreviewView::importTicked() {
    // The list may have changed while the sheet was open: ids taken since are made fresh again.
    QList<Subscription> records = tickedRecords();
    for (Subscription &record : records) {
        const auto &list = m_store.subscriptions();
        while (
            std::any_of(list.cbegin(), list.cend(), [&](const Subscription &s) { return s.id == record.id; }))
            record.id = QUuid::createUuid();
    }
    m_store.addAll(records);
    accept();
}

void ImportPreviewView::retranslate() {
    const bool zh = LocalizationManager::shared().isZh();
    const QString title = zh ? QStringLiteral("导入预览") : QStringLiteral("Import preview");
    m_title->setText(title);
    setWindowTitle(title);
    m_subtitle->setText(m_source + QStringLiteral(" · ") + Import::formatTitle(m_preview.format, zh) +
                        QStringLiteral(" · ") +
                        (zh ? QStringLiteral("%1 条").arg(m_preview.entries.size())
                            : QStringLiteral("%1 entries").arg(m_preview.entries.size())));
    const QSignalBlocker blocker(m_list);
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        const Import::Entry &entry = m_preview.entries[item->data(entryRole).toInt()];
        QString text;
        if (!entry.record) {
            const QString name = entry.name.isEmpty()
                                     ? (zh ? QStringLiteral("（无名称）") : QStringLiteral("(no name)"))
                                     : entry.name;
            text = QStringLiteral("⚠ ") + name + QStringLiteral(" — ") + Import::describe(*entry.problem, zh);
        } else {
            const Subscription &s = *entry.record;
            QStringList parts{s.name, ::Format::money(s.amount, s.currency),
                              s.billingType == BillingType::oneTime
                                  ? (zh ? QStringLiteral("单次") : QStringLiteral("One-time"))
                                  : label(s.cycle),
                              s.startDate.toTimeZone(m_zone).date().toString(u"yyyy/MM/dd"),
                              ::Format::categoryDisplay(s.category, zh)};
            if (!s.isActive)
                parts << (zh ? QStringLiteral("已暂停") : QStringLiteral("Paused"));
            if (entry.duplicate)
                parts << (zh ? QStringLiteral("可能已在清单中")
                             : QStringLiteral("likely already in your list"));
            text = parts.join(QStringLiteral(" · "));
        }
        item->setText(text);
        item->setData(Qt::AccessibleTextRole, text);
        item->setToolTip(text);
    }
    m_list->setAccessibleName(zh ? QStringLiteral("要导入的条目") : QStringLiteral("Entries to import"));
    m_cancel->setText(zh ? QStringLiteral("取消") : QStringLiteral("Cancel"));
    const qsizetype ticked = tickedRecords().size();
    m_import->setText(zh ? QStringLiteral("导入 %1 项").arg(ticked)
                         : QStringLiteral("Import %1").arg(ticked));
    m_import->setEnabled(ticked > 0);
}
