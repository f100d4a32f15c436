#pragma once

#include "model/Clock.h"
#include "model/Subscription.h"
#include "views/Sheet.h"

#include <QList>

#include <functional>

class BrandAvatar;
class ElidedLabel;
class FittedLabel;
class IconButton;
class TileButton;
class QLabel;
class QVBoxLayout;

// The sheet of one subscription: badge, name, amount, next charge, a card of facts, and the
// actions edit, pause or resume, copy and delete. It changes nothing itself: edit, toggle and delete
// are reported to the window, which does the store work and closes the sheet. Copy and the close
// button act on their own.
class SubscriptionDetailView : public Sheet {
    Q_OBJECT
public:
    static constexpr QSize sheetSize{440, 600};

    struct Fact {
        QString label;
        QString value;
        bool operator==(const Fact &) const = default;
    };

    SubscriptionDetailView(const Subscription &sub, std::function<void()> onEdit,
                           std::function<void()> onToggle, std::function<void()> onDelete,
                           QWidget *parent = nullptr);

    const Subscription &sub() const { return m_sub; }
    // The card's rows in the language of this moment.
    QList<Fact> facts() const;
    // "Next charge …" / "Purchased …", or empty when there is no next charge.
    QString nextChargeLine() const;
    // Name, amount and cycle (or the one-time word) joined with spaces, in the language of this moment.
    static QString copyText(const Subscription &sub);
    // Replaces the clipboard's content with copyText.
    void copyToClipboard() const;

protected:
    void retranslate() override;

private:
    void buildHeader(QVBoxLayout *column);
    void buildAmount(QVBoxLayout *column);
    void buildActions(QVBoxLayout *column);
    void buildDetails(QVBoxLayout *column);
    void buildDelete(QVBoxLayout *column);
    void buildClose();
    void rebuildFacts();
    // Runs `callback` (held by this sheet) when it is set.
    static std::function<void()> call(const std::function<void()> &callback);

    Subscription m_sub;
    std::function<void()> m_onEdit;
    std::function<void()> m_onToggle;
    std::function<void()> m_onDelete;
    ElidedLabel *m_name;
    ElidedLabel *m_category;
    FittedLabel *m_amount;
    QLabel *m_next;
    TileButton *m_edit;
    TileButton *m_toggle;
    TileButton *m_copy;
    QLabel *m_detailsTitle;
    QWidget *m_factsCard;
    QVBoxLayout *m_factsLayout;
    TileButton *m_delete;
    IconButton *m_close;
};
