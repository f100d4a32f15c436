#pragma once

#include "store/Store.h"

class QPainter;
class QRect;

// One charge of the coming week as a card: badge, name, when it is due, and the amount.
class UpcomingCard {
public:
    static constexpr int height = 60;

    explicit UpcomingCard(const UpcomingCharge &charge);

    const Subscription &sub() const { return m_sub; }
    // The name as shown: "未命名" / "Untitled" when empty.
    QString name() const { return m_name; }
    QString due() const { return m_due; }
    QString amount() const { return m_amount; }
    QString accessibleText() const;

    void paint(QPainter &painter, const QRect &rect) const;

    // "今天扣费" / "Charged today", else the days until the charge, in the language of the moment.
    static QString dueLabel(int days);

private:
    Subscription m_sub;
    QString m_name;
    QString m_due;
    QString m_amount;
};
