#include "CardList.h"

#include "views/SubscriptionRow.h"
#include "views/UpcomingCard.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

// The cards' records. Texts are worked out when asked for, so only the cards that are drawn or
// queried cost anything.
class CardListModel : public QAbstractListModel {
public:
    CardListModel(CardList::Kind kind, QObject *parent)
        : QAbstractListModel(parent)
        , m_kind(kind) {}

    void setSubscriptions(const QList<Subscription> &subscriptions, const QList<qsizetype> &order,
                          const QDateTime &now, const QTimeZone &zone) {
        beginResetModel();
        m_subscriptions = subscriptions;
        m_order = order;
        m_charges.clear();
        m_now = now;
        m_zone = zone;
        endResetModel();
    }

    void setCharges(const QList<UpcomingCharge> &charges) {
        beginResetModel();
        m_charges = charges;
        m_subscriptions.clear();
        m_order.clear();
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override {
        if (parent.isValid())
            return 0;
        return int(m_kind == CardList::Kind::subscriptions ? m_order.size() : m_charges.size());
    }

    const Subscription &subscription(int row) const {
        return m_kind == CardList::Kind::subscriptions ? m_subscriptions.at(m_order.at(row))
                                                       : m_charges.at(row).sub;
    }

    SubscriptionRow row(int row) const { return SubscriptionRow(subscription(row), m_now, m_zone); }
    UpcomingCard card(int row) const { return UpcomingCard(m_charges.at(row)); }

    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const int r = index.row();
        if (role == CardList::IdRole)
            return subscription(r).id;
        if (role == Qt::DisplayRole)
            return subscription(r).name;
        if (m_kind == CardList::Kind::subscriptions) {
            const SubscriptionRow texts = row(r);
            switch (role) {
            case Qt::AccessibleTextRole:
                return texts.accessibleText();
            case CardList::NameRole:
                return texts.name();
            case CardList::TagRole:
                return texts.tagText();
            case CardList::SummaryRole:
                return texts.summary();
            case CardList::AmountRole:
                return texts.amount();
            case CardList::MonthlyRole:
                return texts.monthly();
            case CardList::DimmedRole:
                return !texts.sub().isActive;
            default:
                return {};
            }
        }
        const UpcomingCard texts = card(r);
        switch (role) {
        case Qt::AccessibleTextRole:
            return texts.accessibleText();
        case CardList::NameRole:
            return texts.name();
        case CardList::DueRole:
            return texts.due();
        case CardList::AmountRole:
            return texts.amount();
        default:
            return {};
        }
    }

private:
    CardList::Kind m_kind;
    // The records in the store's order, shown in `m_order`'s: the list itself is shared, not copied.
    QList<Subscription> m_subscriptions;
    QList<qsizetype> m_order;
    QList<UpcomingCharge> m_charges;
    QDateTime m_now;
    QTimeZone m_zone;
};

namespace {

class CardDelegate : public QStyledItemDelegate {
public:
    CardDelegate(CardList::Kind kind, CardListModel &model, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_kind(kind)
        , m_model(model) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override {
        return {option.rect.width(), CardList::cardHeight(m_kind) + CardList::gap};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        QRect area = option.rect;
        area.setHeight(CardList::cardHeight(m_kind));
        if (m_kind == CardList::Kind::subscriptions) {
            const bool focused =
                (option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active);
            m_model.row(index.row()).paint(*painter, area, option.state & QStyle::State_MouseOver, focused);
        } else {
            m_model.card(index.row()).paint(*painter, area);
        }
    }

private:
    CardList::Kind m_kind;
    CardListModel &m_model;
};

} // namespace

CardList::CardList(Kind kind, QWidget *parent)
    : QListView(parent)
    , m_kind(kind)
    , m_model(new CardListModel(kind, this)) {
    setModel(m_model);
    setItemDelegate(new CardDelegate(kind, *m_model, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    if (kind == Kind::subscriptions) {
        setFocusPolicy(Qt::TabFocus);
        viewport()->setCursor(Qt::PointingHandCursor);
        connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
            if (index.isValid())
                Q_EMIT subscriptionChosen(m_model->subscription(index.row()));
        });
    } else {
        setFocusPolicy(Qt::NoFocus);
    }
    fitHeight();
}

CardList::~CardList() = default;

int CardList::cardHeight(Kind kind) {
    return kind == Kind::subscriptions ? SubscriptionRow::height : UpcomingCard::height;
}

void CardList::setSubscriptions(const QList<Subscription> &subscriptions, const QList<qsizetype> &order,
                                const QDateTime &now, const QTimeZone &zone) {
    // The keyboard stays on the same subscription across a rebuild.
    const QVariant currentId = currentIndex().data(IdRole);
    m_model->setSubscriptions(subscriptions, order, now, zone);
    if (currentId.isValid()) {
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (m_model->subscription(row).id == currentId.toUuid()) {
                selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::NoUpdate);
                break;
            }
        }
    }
    fitHeight();
}

void CardList::setCharges(const QList<UpcomingCharge> &charges) {
    m_model->setCharges(charges);
    fitHeight();
}

int CardList::count() const {
    return m_model->rowCount();
}

Subscription CardList::subscriptionAt(int row) const {
    return m_model->subscription(row);
}

QRect CardList::cardRect(int row) const {
    QRect rect = visualRect(m_model->index(row));
    rect.setHeight(cardHeight(m_kind));
    return rect;
}

QModelIndex CardList::indexAt(const QPoint &point) const {
    const QModelIndex index = QListView::indexAt(point);
    if (index.isValid() && !cardRect(index.row()).contains(point))
        return {};
    return index;
}

int CardList::heightFor(Kind kind, qsizetype count) {
    return count == 0 ? 0 : int(count) * (cardHeight(kind) + gap) - gap;
}

void CardList::fitHeight() {
    setFixedHeight(heightFor(m_kind, count()));
}

void CardList::keyPressEvent(QKeyEvent *event) {
    if (m_kind == Kind::subscriptions && currentIndex().isValid() && event->modifiers() == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            event->accept();
            Q_EMIT subscriptionChosen(m_model->subscription(currentIndex().row()));
            return;
        case Qt::Key_Delete:
            event->accept();
            Q_EMIT deleteRequested(m_model->subscription(currentIndex().row()));
            return;
        default:
            break;
        }
    }
    QListView::keyPressEvent(event);
}

void CardList::wheelEvent(QWheelEvent *event) {
    // The list never scrolls itself; the column around it does.
    event->ignore();
}

void CardList::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    QListView::currentChanged(current, previous);
    if (current.isValid())
        Q_EMIT currentCardMoved(cardRect(current.row()).translated(viewport()->pos()));
}
