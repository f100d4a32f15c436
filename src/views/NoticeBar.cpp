#include "NoticeBar.h"

#include "views/SoftButton.h"
#include "views/Theme.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {
constexpr int padding = 12;
constexpr double messageSize = 13;
} // namespace

NoticeBar::NoticeBar(QWidget *parent)
    : QWidget(parent)
    , m_message(new QLabel(this))
    , m_action(new SoftButton({}, this)) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::card());
    setPalette(p);
    m_message->setObjectName(QStringLiteral("noticeMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    Theme::style(m_message, Theme::font(messageSize), Theme::text());
    m_action->setObjectName(QStringLiteral("noticeAction"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(padding * 2, padding, padding * 2, padding);
    layout->setSpacing(padding);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_action);
    hide();
}

void NoticeBar::showNotice(const QString &message, const QString &actionTitle, std::function<void()> action) {
    m_message->setText(message);
    m_action->setTitle(actionTitle);
    m_action->setAction(std::move(action));
    setAccessibleName(message);
    QWidget::show();
}

QString NoticeBar::message() const {
    return m_message->text();
}
