#include "SubscriptionDetailView.h"

#include "model/Clock.h"
#include "model/Format.h"
#include "settings/LocalizationManager.h"
#include "views/BrandAvatar.h"
#include "views/Divider.h"
#include "views/FittedLabel.h"
#include "views/IconButton.h"
#include "views/RoundedCard.h"
#include "views/SubscriptionRow.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

bool isZh() {
    return LocalizationManager::shared().isZh();
}

const QColor &destructive() {
    static const QColor red(255, 107, 107);
    return red;
}

// Chinese faces have tall line boxes; one line of text needs no more than 1.3 times its size, so
// the sheet has the same height in both languages.
int lineHeight(const QFont &font) {
    return qCeil(font.pixelSize() * 1.3);
}

QLabel *makeLabel(const QFont &font, const QColor &color, const QString &name, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFixedHeight(lineHeight(font));
    Theme::style(label, font, color);
    return label;
}

// A button whose face is its own drawing: a symbol with a title (above it or beside it) on a
// rounded fill. The symbol may change (pause and resume).
class FaceButton : public QAbstractButton {
public:
    enum class Arrangement { stacked, inline_ };
    struct Look {
        Arrangement arrangement;
        double symbolSize;
        Symbols::Weight symbolWeight;
        QFont titleFont;
        QColor color;
        QColor fill;
        double spacing;
        double paddingY;
    };

    FaceButton(const Look &look, std::function<void()> action, QWidget *parent)
        : QAbstractButton(parent)
        , m_look(look) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);
        setFont(look.titleFont);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
            if (action)
                action();
        });
    }

    void setFace(const QString &symbol, const QString &title) {
        m_symbol = symbol;
        setProperty("symbol", symbol);
        setText(title);
        updateGeometry();
        update();
    }
    QString symbol() const { return m_symbol; }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        const double height = m_look.arrangement == Arrangement::stacked
                                  ? m_look.symbolSize + m_look.spacing + metrics.height()
                                  : qMax(m_look.symbolSize, metrics.height());
        const double width = m_look.arrangement == Arrangement::stacked
                                 ? qMax(m_look.symbolSize, metrics.horizontalAdvance(text()))
                                 : m_look.symbolSize + m_look.spacing + metrics.horizontalAdvance(text());
        return {qCeil(width + 16), qCeil(height + 2 * m_look.paddingY)};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QRectF area(rect());
        QPainterPath shape;
        shape.addRoundedRect(area, 14, 14);
        QColor fill = m_look.fill;
        if (isDown())
            fill = fill.lighter(140);
        else if (underMouse())
            fill = fill.lighter(120);
        painter.fillPath(shape, fill);
        if (m_keyboardFocus) {
            painter.setPen(QPen(Theme::textSecondary(), 1.5));
            painter.drawRoundedRect(area.adjusted(0.75, 0.75, -0.75, -0.75), 14, 14);
        }
        const QFontMetricsF metrics(font());
        const double s = m_look.symbolSize;
        const QPixmap symbol =
            Symbols::pixmap(m_symbol, s, m_look.color, m_look.symbolWeight, devicePixelRatioF());
        painter.setFont(font());
        painter.setPen(m_look.color);
        if (m_look.arrangement == Arrangement::stacked) {
            const double top = (area.height() - (s + m_look.spacing + metrics.height())) / 2;
            painter.drawPixmap(QPointF((area.width() - s) / 2, top), symbol);
            painter.drawText(QRectF(0, top + s + m_look.spacing, area.width(), metrics.height()),
                             Qt::AlignCenter, metrics.elidedText(text(), Qt::ElideRight, area.width() - 8));
        } else {
            const double titleWidth = metrics.horizontalAdvance(text());
            double x = (area.width() - (s + m_look.spacing + titleWidth)) / 2;
            painter.drawPixmap(QPointF(x, (area.height() - s) / 2), symbol);
            x += s + m_look.spacing;
            painter.drawText(QRectF(x, 0, titleWidth + 1, area.height()), Qt::AlignLeft | Qt::AlignVCenter,
                             text());
        }
    }
    void focusInEvent(QFocusEvent *event) override {
        m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        update();
        QAbstractButton::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override {
        m_keyboardFocus = false;
        update();
        QAbstractButton::focusOutEvent(event);
    }

private:
    Look m_look;
    QString m_symbol;
    bool m_keyboardFocus = false;
};

FaceButton *actionTile(const char *name, std::function<void()> action, QWidget *parent) {
    const FaceButton::Look look{FaceButton::Arrangement::stacked,
                                16,
                                Symbols::Weight::regular,
                                Theme::font(12, QFont::Medium),
                                Theme::text(),
                                Theme::card(),
                                7,
                                13};
    auto *button = new FaceButton(look, std::move(action), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

SubscriptionDetailView::SubscriptionDetailView(const Subscription &sub, std::function<void()> onEdit,
                                               std::function<void()> onToggle, std::function<void()> onDelete,
                                               QWidget *parent)
    : Sheet(sheetSize, parent)
    , m_sub(sub)
    , m_onEdit(std::move(onEdit))
    , m_onToggle(std::move(onToggle))
    , m_onDelete(std::move(onDelete)) {
    setObjectName(QStringLiteral("detailSheet"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: badge, name and category.
    auto *header = new QHBoxLayout;
    header->setContentsMargins(24, 28, 24, 0);
    header->setSpacing(14);
    auto *avatar = new BrandAvatar(sub.name, 52, !sub.isActive, this);
    avatar->setObjectName(QStringLiteral("avatar"));
    header->addWidget(avatar, 0, Qt::AlignVCenter);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    m_name = makeLabel(Theme::font(20, QFont::Bold), Theme::text(), QStringLiteral("nameLabel"), this);
    m_category = makeLabel(Theme::font(13), Theme::textSecondary(), QStringLiteral("categoryLabel"), this);
    titles->addWidget(m_name);
    titles->addWidget(m_category);
    header->addLayout(titles, 1);
    column->addLayout(header);

    // Amount and next charge.
    auto *amount = new QVBoxLayout;
    amount->setContentsMargins(24, 20, 24, 0);
    amount->setSpacing(6);
    m_amount = new FittedLabel(Theme::font(40, QFont::Bold, Theme::Design::rounded), Theme::text(), this);
    m_amount->setObjectName(QStringLiteral("amountLabel"));
    amount->addWidget(m_amount);
    m_next = makeLabel(Theme::font(13), Theme::textSecondary(), QStringLiteral("nextChargeLabel"), this);
    amount->addWidget(m_next);
    column->addLayout(amount);

    // Edit, pause or resume, copy.
    auto *actions = new QHBoxLayout;
    actions->setContentsMargins(24, 22, 24, 0);
    actions->setSpacing(10);
    const auto call = [](const std::function<void()> &f) {
        return [&f] {
            if (f)
                f();
        };
    };
    m_edit = actionTile("editAction", call(m_onEdit), this);
    m_toggle = actionTile("toggleAction", call(m_onToggle), this);
    m_copy = actionTile(
        "copyAction", [this] { copyToClipboard(); }, this);
    for (QAbstractButton *button : {m_edit, m_toggle, m_copy})
        actions->addWidget(button, 1);
    column->addLayout(actions);

    m_detailsTitle =
        makeLabel(Theme::font(15, QFont::DemiBold), Theme::text(), QStringLiteral("detailsTitle"), this);
    // Details: the title and the card of facts, scrolling when notes make it taller than the room.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("detailsScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(scrollAreaStyle(QStringLiteral("QScrollArea, #detailsBody")));
    auto *body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("detailsBody"));
    auto *details = new QVBoxLayout(body);
    details->setContentsMargins(24, 26, 24, 0);
    details->setSpacing(8);
    m_detailsTitle->setParent(body);
    details->addWidget(m_detailsTitle);
    m_factsCard = new RoundedCard(Theme::card(), 16, body);
    m_factsCard->setObjectName(QStringLiteral("factsCard"));
    m_factsLayout = new QVBoxLayout(m_factsCard);
    m_factsLayout->setContentsMargins(16, 4, 16, 4);
    m_factsLayout->setSpacing(0);
    details->addWidget(m_factsCard);
    details->addStretch(1);
    scroll->setWidget(body);
    column->addWidget(scroll, 1);

    const FaceButton::Look deleteLook{FaceButton::Arrangement::inline_,
                                      13,
                                      Symbols::Weight::semibold,
                                      Theme::font(14, QFont::DemiBold),
                                      destructive(),
                                      [] {
                                          QColor c = destructive();
                                          c.setAlphaF(0.12f);
                                          return c;
                                      }(),
                                      6,
                                      12};
    auto *remove = new FaceButton(deleteLook, call(m_onDelete), this);
    remove->setObjectName(QStringLiteral("deleteButton"));
    m_delete = remove;
    auto *deleteRow = new QHBoxLayout;
    deleteRow->setContentsMargins(24, 0, 24, 22);
    deleteRow->addWidget(m_delete);
    column->addLayout(deleteRow);

    auto *close = new IconButton(
        {QStringLiteral("xmark"), 12, Symbols::Weight::semibold, Theme::textSecondary(), 30, 15, 0.07}, this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->move(sheetSize.width() - 18 - 30, 18);
    close->raise();
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    m_close = close;

    // The order in which Tab walks the sheet.
    setTabOrder(m_edit, m_toggle);
    setTabOrder(m_toggle, m_copy);
    setTabOrder(m_copy, m_delete);
    setTabOrder(m_delete, m_close);

    retranslate();
}

QString SubscriptionDetailView::copyText(const Subscription &sub) {
    const QString kind = sub.billingType == BillingType::recurring
                             ? label(sub.cycle)
                             : (isZh() ? QStringLiteral("单次") : QStringLiteral("One-time"));
    return sub.name + QLatin1Char(' ') + Format::money(sub.amount, sub.currency) + QLatin1Char(' ') + kind;
}

void SubscriptionDetailView::copyToClipboard() const {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(copyText(m_sub));
}

QString SubscriptionDetailView::nextChargeLine() const {
    const auto next = m_sub.nextCharge(Clock::current().now(), Clock::current().zone());
    if (!next)
        return {};
    const bool zh = isZh();
    const QString prefix = m_sub.billingType == BillingType::recurring
                               ? (zh ? QStringLiteral("下次扣费 ") : QStringLiteral("Next charge "))
                               : (zh ? QStringLiteral("购买于 ") : QStringLiteral("Purchased "));
    return prefix + SubscriptionRow::dateText(next->day);
}

QList<SubscriptionDetailView::Fact> SubscriptionDetailView::facts() const {
    const bool zh = isZh();
    const bool recurring = m_sub.billingType == BillingType::recurring;
    QList<Fact> list;
    list.append({zh ? QStringLiteral("付费方式") : QStringLiteral("Billing"),
                 recurring ? (zh ? QStringLiteral("订阅续费") : QStringLiteral("Subscription"))
                           : (zh ? QStringLiteral("单次买断") : QStringLiteral("One-time"))});
    if (recurring) {
        list.append({zh ? QStringLiteral("续费周期") : QStringLiteral("Cycle"), label(m_sub.cycle)});
        list.append({zh ? QStringLiteral("折合每月") : QStringLiteral("Per month"),
                     Format::base(m_sub.monthlyAmountInCNY(), zh)});
    }
    list.append({zh ? QStringLiteral("币种") : QStringLiteral("Currency"), m_sub.currency});
    list.append({zh ? QStringLiteral("状态") : QStringLiteral("Status"),
                 m_sub.isActive ? (zh ? QStringLiteral("使用中") : QStringLiteral("Active"))
                                : (zh ? QStringLiteral("已停用") : QStringLiteral("Paused"))});
    if (!m_sub.notes.isEmpty())
        list.append({zh ? QStringLiteral("备注") : QStringLiteral("Notes"), m_sub.notes});
    return list;
}

void SubscriptionDetailView::rebuildFacts() {
    while (QLayoutItem *item = m_factsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<Fact> rows = facts();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            m_factsLayout->addWidget(new Divider(m_factsCard));
        auto *row = new QWidget(m_factsCard);
        row->setObjectName(QStringLiteral("factRow"));
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 12, 0, 12);
        line->setSpacing(16);
        QLabel *name = makeLabel(Theme::font(13), Theme::textSecondary(), QStringLiteral("factLabel"), row);
        name->setText(rows.at(i).label);

        const bool notes = i == rows.size() - 1 && !m_sub.notes.isEmpty();
        line->addWidget(name, 0, notes ? Qt::AlignTop : Qt::AlignVCenter);
        line->addStretch(1);
        QLabel *value =
            makeLabel(Theme::font(13, QFont::Medium), Theme::text(), QStringLiteral("factValue"), row);
        value->setAlignment(Qt::AlignRight | (notes ? Qt::AlignTop : Qt::AlignVCenter));
        if (notes) {
            // Up to four lines; the rest is cut.
            value->setWordWrap(true);
            value->setMinimumHeight(0);
            value->setMaximumHeight(4 * value->fontMetrics().lineSpacing());
            value->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        }
        value->setText(notes ? rows.at(i).value
                             : value->fontMetrics().elidedText(rows.at(i).value, Qt::ElideRight, 300));
        value->setAccessibleName(rows.at(i).value);
        line->addWidget(value, notes ? 1 : 0, notes ? Qt::AlignTop : Qt::AlignVCenter);
        m_factsLayout->addWidget(row);
    }
}

void SubscriptionDetailView::retranslate() {
    const bool zh = isZh();
    setWindowTitle(SubscriptionRow::displayName(m_sub.name));
    m_name->setText(SubscriptionRow::displayName(m_sub.name));
    m_category->setText(Format::categoryDisplay(m_sub.category, zh));
    m_amount->setText(QStringLiteral("-") + Format::money(m_sub.amount, m_sub.currency));
    const QString next = nextChargeLine();
    m_next->setText(next);
    m_next->setVisible(!next.isEmpty());
    static_cast<FaceButton *>(m_edit)->setFace(QStringLiteral("pencil"),
                                               zh ? QStringLiteral("编辑") : QStringLiteral("Edit"));
    if (m_sub.isActive)
        static_cast<FaceButton *>(m_toggle)->setFace(QStringLiteral("pause"),
                                                     zh ? QStringLiteral("停用") : QStringLiteral("Pause"));
    else
        static_cast<FaceButton *>(m_toggle)->setFace(QStringLiteral("play"),
                                                     zh ? QStringLiteral("启用") : QStringLiteral("Resume"));
    static_cast<FaceButton *>(m_copy)->setFace(QStringLiteral("doc.on.doc"),
                                               zh ? QStringLiteral("复制") : QStringLiteral("Copy"));
    m_detailsTitle->setText(zh ? QStringLiteral("详情") : QStringLiteral("Details"));
    rebuildFacts();
    static_cast<FaceButton *>(m_delete)->setFace(
        QStringLiteral("trash"), zh ? QStringLiteral("删除这个订阅") : QStringLiteral("Delete subscription"));
    static_cast<IconButton *>(m_close)->setTitle(zh ? QStringLiteral("关闭") : QStringLiteral("Close"));
}
