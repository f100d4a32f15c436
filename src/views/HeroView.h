#pragma once

#include "views/RoundedCard.h"

#include <functional>
#include <optional>

class FittedLabel;
class QLabel;
class ScanMenuButton;
class SoftButton;
class Store;

// The summary card at the top of the main window: the monthly spend, the Add button and the Scan
// menu, and three figures (yearly spend, active subscriptions, charges due in 7 days). It decides
// nothing: the actions are handed in and the figures come from the store.
class HeroView : public RoundedCard {
    Q_OBJECT
public:
    static constexpr int dueWindowDays = 7;

    // Empty until the first rebuild(), which the owner makes once it has the figures it shares.
    HeroView(Store &store, std::function<void()> onAdd, std::function<void()> onScanClipboard,
             std::function<void()> onScanFile, QWidget *parent = nullptr);

    void setScanning(bool isScanning);
    bool isScanning() const;

    // Redraws every figure and text from the store and the language of this moment. `dueSoon` is the
    // number of charges in the next 7 days when the caller already has it.
    void rebuild(std::optional<qsizetype> dueSoon = std::nullopt);

    SoftButton *addButton() const { return m_add; }
    ScanMenuButton *scanButton() const { return m_scan; }

private:
    QWidget *stat(FittedLabel *&value, QLabel *&caption, const char *name);

    Store &m_store;
    QLabel *m_monthlyCaption;
    FittedLabel *m_monthly;
    SoftButton *m_add;
    ScanMenuButton *m_scan;
    FittedLabel *m_yearly = nullptr;
    FittedLabel *m_active = nullptr;
    FittedLabel *m_dueSoon = nullptr;
    QLabel *m_yearlyCaption = nullptr;
    QLabel *m_activeCaption = nullptr;
    QLabel *m_dueSoonCaption = nullptr;
};
