#pragma once

#include "store/Store.h"

#include <QDateTime>
#include <QListView>
#include <QTimeZone>

class CardListModel;

// A column of cards 8 points apart that never scrolls by itself: it is as tall as its cards and
// lives in the main window's scrolling column. The cards are painted, not built from widgets, so a
// list of thousands redraws and relayouts in a fraction of a frame; only the visible ones are drawn.
//
// The subscription list reports a click, Return or Space on a card, and Delete; the coming charges are
// display only. Every card's texts are exposed to accessibility tools and through the roles below.
class CardList : public QListView {
    Q_OBJECT
public:
    enum class Kind { subscriptions, upcoming };
    enum Role {
        IdRole = Qt::UserRole + 1,
        NameRole,
        TagRole,
        SummaryRole,
        AmountRole,
        MonthlyRole,
        DueRole,
        DimmedRole,
    };
    static constexpr int gap = 8;

    explicit CardList(Kind kind, QWidget *parent = nullptr);
    ~CardList() override;

    Kind kind() const { return m_kind; }
    // The subscription cards in `order` (positions in `subscriptions`), with the dates worked out
    // against `now` in `zone`.
    void setSubscriptions(const QList<Subscription> &subscriptions, const QList<qsizetype> &order,
                          const QDateTime &now, const QTimeZone &zone);
    void setCharges(const QList<UpcomingCharge> &charges);
    int count() const;
    Subscription subscriptionAt(int row) const;
    // Where card `row` is drawn, in viewport coordinates, without the gap below it.
    QRect cardRect(int row) const;
    // A point in a gap between cards hits no card.
    QModelIndex indexAt(const QPoint &point) const override;
    static int cardHeight(Kind kind);
    // The height of a list of `count` cards.
    static int heightFor(Kind kind, qsizetype count);

Q_SIGNALS:
    // A subscription card was clicked or chosen with Return, Enter or Space.
    void subscriptionChosen(const Subscription &subscription);
    // Delete was pressed on a subscription card.
    void deleteRequested(const Subscription &subscription);
    // The keyboard moved to another card; its rectangle in this widget's coordinates.
    void currentCardMoved(const QRect &rect);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void fitHeight();

    Kind m_kind;
    CardListModel *m_model;
};
