#pragma once

#include "views/Sheet.h"

#include <QList>
#include <QTimer>

#include <functional>

class IconButton;
class NotificationManager;
class QCheckBox;
class QLabel;
class QVBoxLayout;
class SegmentedControl;
class SoftButton;
class Store;

// The settings sheet: the interface language, how many days before a charge the reminder comes,
// a test notification, whether the program starts at login and the data folder. Both settings take
// effect as soon as they are picked.
class SettingsView : public Sheet {
    Q_OBJECT
public:
    static constexpr QSize sheetSize{420, 560};
    // Taller by the data folder row.
    static constexpr QSize sheetSizeWithFolder{420, 700};
    static constexpr int testResetMsecs = 3000;

    explicit SettingsView(NotificationManager &reminders, QWidget *parent = nullptr);
    // With the data folder row, which moves `store`'s list to another folder.
    SettingsView(NotificationManager &reminders, Store &store, QWidget *parent = nullptr);

    // Asks for a folder, starting at `current`; empty when cancelled. A folder dialog unless replaced.
    using FolderChooser = std::function<QString(QWidget *parent, const QString &current)>;
    static FolderChooser &folderChooser();
    // Asks for another data folder and keeps the list there.
    void chooseDataFolder();
    QString dataFolderMessage() const;

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
    SettingsView(NotificationManager &reminders, Store *store, QWidget *parent);
    void buildLanguage(QVBoxLayout *column);
    void buildReminders(QVBoxLayout *column);
    void buildClose();
    void sendTest();
    void buildLoginSwitch(QVBoxLayout *column);
    void buildDataFolderRow(QVBoxLayout *column);

    NotificationManager &m_reminders;
    Store *m_store = nullptr;
    QLabel *m_folderCaption = nullptr;
    QLabel *m_folderPath = nullptr;
    SoftButton *m_folderButton = nullptr;
    QLabel *m_folderMessage = nullptr;
    // The outcome of the last choice, in the language of the moment.
    std::function<QString(bool isZh)> m_folderOutcome;
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
    IconButton *m_close;
};
