#pragma once

#include "model/Subscription.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

class QPainter;
class QRect;

// One subscription as a card of the main window's list: badge, name with a state tag, a summary
// of category, cycle and next charge, the amount and its monthly equivalent, and a chevron.
// A pure function of the record, the moment and the language; the list paints it.
class SubscriptionRow {
public:
    static constexpr int height = 64;

    enum class Tag { none, paused, oneTime };

    SubscriptionRow(const Subscription &sub, const QDateTime &now, const QTimeZone &zone);

    const Subscription &sub() const { return m_sub; }
    QString name() const { return m_name; }
    Tag tag() const { return m_tag; }
    QString tagText() const { return tagText(m_tag); }
    QString summary() const { return m_summary; }
    QString amount() const { return m_amount; }
    // Empty when the row shows no monthly line.
    QString monthly() const { return m_monthly; }
    // Every text of the row in reading order, for accessibility tools.
    QString accessibleText() const;

    void paint(QPainter &painter, const QRect &rect, bool hovered, bool focused) const;

    // The texts, each in the interface language of the moment.
    static QString displayName(const QString &name);
    static Tag tagOf(const Subscription &sub);
    static QString tagText(Tag tag);
    static QString summaryLine(const Subscription &sub, const QDateTime &now, const QTimeZone &zone);
    static QString amountLine(const Subscription &sub);
    static QString monthlyLine(const Subscription &sub);
    // "yyyy/MM/dd", the date pattern of every view.
    static QString dateText(const QDate &day);

private:
    Subscription m_sub;
    QString m_name;
    Tag m_tag;
    QString m_summary;
    QString m_amount;
    QString m_monthly;
};
