#pragma once

#include "views/Sheet.h"

#include <QList>
#include <QTimer>

class NotificationManager;
class QCheckBox;
class QLabel;
class QVBoxLayout;
class SegmentedControl;
class SoftButton;

// The settings sheet: the interface language, how many days before a charge the reminder comes,
// a test notification and whether the program starts at login. Both settings take effect as soon as they are
// picked.
class SettingsView : public Sheet {
    Q_OBJECT
public:
    static constexpr QSize sheetSize{420, 560};
    static constexpr int testResetMsecs = 3000;

    explicit SettingsView(NotificationManager &reminders, QWidget *parent = nullptr);

    static const QList<int> &dayOptions();
    // "当天" / "Same day" for 0, else the days with " 天" or "d".
    static QString dayTitle(int days, bool isZh);
    bool isTestSent() const { return m_testSent; }

Q_SIGNALS:
    // The user picked another lead time; it is already stored.
    void remindDaysBeforeChanged(int days);

protected:
    void retranslate() override;

private:
    void sendTest();
    void buildLoginSwitch(QVBoxLayout *column);

    NotificationManager &m_reminders;
    bool m_testSent = false;
    QLabel *m_title;
    QLabel *m_languageCaption;
    SegmentedControl *m_language;
    QLabel *m_remindersCaption;
    QLabel *m_daysQuestion;
    SegmentedControl *m_days;
    QLabel *m_daysHint;
    SoftButton *m_test;
    QLabel *m_hint;
    QCheckBox *m_login;
    QWidget *m_close;
};
