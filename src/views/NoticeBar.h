#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class SoftButton;

// A strip along the bottom of the main window with one message and one action ("Retry", "Undo").
// Hidden until something is shown in it.
class NoticeBar : public QWidget {
    Q_OBJECT
public:
    explicit NoticeBar(QWidget *parent = nullptr);

    void showNotice(const QString &message, const QString &actionTitle, std::function<void()> action);
    QString message() const;
    SoftButton *actionButton() const { return m_action; }

private:
    QLabel *m_message;
    SoftButton *m_action;
};
