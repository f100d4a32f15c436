#include "SegmentedControl.h"

#include "views/Theme.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>

namespace {

// A segment shows its focus ring only when the keyboard brought the focus, as the painted buttons
// do; focus given when a sheet opens draws nothing.
class Segment : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void focusInEvent(QFocusEvent *event) override {
        setKeyboardFocus(event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason);
        QPushButton::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override {
        setKeyboardFocus(false);
        QPushButton::focusOutEvent(event);
    }

private:
    void setKeyboardFocus(bool on) {
        if (property("keyboardFocus").toBool() == on)
            return;
        setProperty("keyboardFocus", on);
        style()->unpolish(this);
        style()->polish(this);
        update();
    }
};

} // namespace

SegmentedControl::SegmentedControl(QWidget *parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this)) {
    m_group->setExclusive(true);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("SegmentedControl { background: %1; border-radius: 8px; }"
                                 "QPushButton { border: 1px solid transparent; border-radius: 6px;"
                                 " background: transparent; color: %2; padding: 4px 10px; }"
                                 "QPushButton:hover { background: %3; }"
                                 "QPushButton:checked { background: %4; color: %5; }"
                                 "QPushButton[keyboardFocus=\"true\"] { border: 1px solid %6; }")
                      .arg(Theme::css(Theme::whiteAlpha(0.07)), Theme::css(Theme::textSecondary()),
                           Theme::css(Theme::whiteAlpha(0.1)), Theme::css(Theme::whiteAlpha(0.2)),
                           Theme::css(Theme::text()), Theme::css(Theme::textSecondary())));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int index) {
        if (index >= 0 && index < m_values.size())
            Q_EMIT activated(m_values.at(index));
    });
}

void SegmentedControl::setSegments(const QList<std::pair<QString, int>> &segments) {
    const std::optional<int> selected = value();
    for (QPushButton *button : std::as_const(m_segments)) {
        m_group->removeButton(button);
        delete button;
    }
    m_segments.clear();
    m_values.clear();
    for (const auto &[title, segmentValue] : segments) {
        auto *button = new Segment(title, this);
        button->setCheckable(true);
        // In a dialog, Return belongs to the default button, not to a focused segment.
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setFont(Theme::font(12, QFont::Medium));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setObjectName(QStringLiteral("segment%1").arg(segmentValue));
        m_group->addButton(button, int(m_segments.size()));
        layout()->addWidget(button);
        m_segments.append(button);
        m_values.append(segmentValue);
    }
    setValue(selected);
}

void SegmentedControl::setTitles(const QStringList &titles) {
    for (qsizetype i = 0; i < qMin(titles.size(), m_segments.size()); ++i)
        m_segments.at(i)->setText(titles.at(i));
}

void SegmentedControl::setValue(std::optional<int> value) {
    const qsizetype index = value ? m_values.indexOf(*value) : -1;
    if (index >= 0) {
        m_segments.at(index)->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last button by itself.
    m_group->setExclusive(false);
    for (QPushButton *button : std::as_const(m_segments))
        button->setChecked(false);
    m_group->setExclusive(true);
}

std::optional<int> SegmentedControl::value() const {
    const int index = m_group->checkedId();
    if (index < 0 || index >= m_values.size())
        return std::nullopt;
    return m_values.at(index);
}

int SegmentedControl::count() const {
    return int(m_segments.size());
}

QPushButton *SegmentedControl::segment(int index) const {
    return index >= 0 && index < m_segments.size() ? m_segments.at(index) : nullptr;
}

QPushButton *SegmentedControl::segmentForValue(int value) const {
    return segment(int(m_values.indexOf(value)));
}

QStringList SegmentedControl::titles() const {
    QStringList list;
    for (const QPushButton *button : m_segments)
        list.append(button->text());
    return list;
}
