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

    // The figures, as the caller may have them already.
    struct Figures {
        double totalMonthlyCNY = 0;
        int active = 0;
        // Charges in the next 7 days.
        qsizetype dueSoon = 0;
    };
    // Redraws every figure and text from the store (or `figures`, worked out from the store's list of
    // this moment) and the language of this moment.
    void rebuild(const std::optional<Figures> &figures = std::nullopt);

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
