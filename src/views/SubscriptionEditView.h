#pragma once

#include "model/Clock.h"
#include "model/Subscription.h"
#include "views/Sheet.h"

#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class SegmentedControl;
class Store;

// The one form through which a subscription is created or changed. Add: empty; confirm scan:
// prefilled from a scan's proposal; edit: an existing record. Nothing reaches the store before
// Save or Delete; Save stays disabled while the name is blank or the amount is not a positive
// number.
class SubscriptionEditView : public Sheet {
    Q_OBJECT
public:
    static constexpr QSize sheetSize{460, 540};
    static constexpr int amountFieldMaxWidth = 160;
    static constexpr int currencyPickerWidth = 90;

    enum class Mode { add, confirmScan, edit };

    SubscriptionEditView(Store &store, std::optional<Subscription> existing,
                         std::optional<Subscription> prefill, QWidget *parent = nullptr);

    Mode mode() const;
    static QString title(Mode mode);

    // The form state, as the controls hold it.
    QString name() const;
    QString amountText() const;
    QString currency() const { return m_currency; }
    QString category() const { return m_category; }
    BillingType billingType() const { return m_billingType; }
    BillingCycle cycle() const { return m_cycle; }
    QDateTime startDate() const { return m_startDate; }
    QString notes() const;
    bool isActive() const;

    bool isValid() const;
    // Adds or updates the record in the store, then closes the sheet.
    void save();
    // Edit mode: removes the record from the store without asking, then closes the sheet.
    void remove();

    // Blanks (Unicode space separators and the tab, not line breaks) cut from both ends.
    static QString trimmed(const QString &text);
    // The whole text as a C-locale floating-point number: no blanks, no grouping, a point as the
    // separator, exponents allowed. Nothing when it does not parse.
    static std::optional<double> parseAmount(const QString &text);
    // A whole amount without a fractional part, any other in the shortest form that reads back the same.
    static QString formatAmount(double amount);

Q_SIGNALS:
    // Delete took `record` out of the store, where it stood at `index`.
    void removed(const Subscription &record, qsizetype index);

protected:
    void retranslate() override;

private:
    void buildHeader(QVBoxLayout *column);
    void buildForm(QVBoxLayout *column);
    QVBoxLayout *addSection(QVBoxLayout *form, QLabel *&header, const char *name);
    void buildBasics(QVBoxLayout *rows);
    void buildBilling(QVBoxLayout *rows);
    void buildNotes(QVBoxLayout *rows);
    void buildFooter(QVBoxLayout *column);
    void connectControls();
    void populate();
    void updateValidity();
    void updateBillingRows();

    Store &m_store;
    std::optional<Subscription> m_existing;
    std::optional<Subscription> m_prefill;
    const Clock &m_clock = Clock::current();

    QString m_currency = QStringLiteral("CNY");
    BillingType m_billingType = BillingType::recurring;
    BillingCycle m_cycle = BillingCycle::monthly;
    QDateTime m_startDate;
    QString m_category = QStringLiteral("AI/工具");

    QLabel *m_title;
    QLabel *m_basicsHeader;
    QLabel *m_nameLabel;
    QLineEdit *m_name;
    QLabel *m_amountLabel;
    QLineEdit *m_amount;
    QComboBox *m_currencyPicker;
    QLabel *m_categoryLabel;
    QComboBox *m_categoryPicker;
    QLabel *m_billingHeader;
    QLabel *m_typeLabel;
    SegmentedControl *m_typePicker;
    QWidget *m_cycleRow;
    QWidget *m_cycleDivider;
    QLabel *m_cycleLabel;
    QComboBox *m_cyclePicker;
    QLabel *m_dateLabel;
    QDateEdit *m_datePicker;
    QLabel *m_activeLabel;
    QCheckBox *m_active;
    QLabel *m_notesHeader;
    QPlainTextEdit *m_notes;
    QPushButton *m_delete;
    QPushButton *m_cancel;
    QPushButton *m_save;
};
