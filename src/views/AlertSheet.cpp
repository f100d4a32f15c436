#include "AlertSheet.h"

#include "views/SoftButton.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int margin = 24;
constexpr int spacing = 12;
constexpr int buttonGap = 8;
} // namespace

AlertSheet::AlertSheet(const QString &message, Options options, QWidget *parent)
    : Sheet({sheetWidth, 1}, parent)
    , m_options(options) {
    setObjectName(QStringLiteral("scanAlert"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(margin, margin, margin, margin);
    column->setSpacing(spacing);
    m_title = ViewHelpers::makeLabel(
        {.font = Theme::font(17, QFont::Bold), .color = Theme::text(), .name = "alertTitle"}, this);
    column->addWidget(m_title);
    m_message = ViewHelpers::makeLabel({.font = Theme::font(13),
                                        .color = Theme::textSecondary(),
                                        .name = "alertMessage",
                                        .text = message,
                                        .wrap = true},
                                       this);
    column->addWidget(m_message);
    column->addSpacing(buttonGap);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = new SoftButton({.prominent = true, .action = [this] { reject(); }}, this);
    m_ok->setObjectName(QStringLiteral("alertOkButton"));
    buttons->addWidget(m_ok);
    column->addLayout(buttons);
    retranslate();
    m_ok->setFocus();
}

QString AlertSheet::title() const {
    return m_title->text();
}

QString AlertSheet::message() const {
    return m_message->text();
}

void AlertSheet::retranslate() {
    const bool zh = ViewHelpers::isZh();
    const QString title = m_options.aboutFile ? QStringLiteral("Renewly")
                          : zh                ? QStringLiteral("识别提示")
                                              : QStringLiteral("Scan");
    m_title->setText(title);
    setWindowTitle(title);
    setAccessibleName(title);
    m_ok->setTitle(zh ? QStringLiteral("好") : QStringLiteral("OK"));
    // As tall as the message needs at the fixed width.
    setFixedSize(sheetWidth, layout()->totalHeightForWidth(sheetWidth));
}

void AlertSheet::keyPressEvent(QKeyEvent *event) {
    // The one button has the cancel role and is also the default: Return closes like Escape.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        reject();
        return;
    }
    Sheet::keyPressEvent(event);
}
