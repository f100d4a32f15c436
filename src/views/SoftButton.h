#pragma once

#include <QAbstractButton>
#include <QString>

#include <functional>

// The common button: an optional symbol and a title on a soft rounded fill, or dark on near-white
// when prominent. It has no platform chrome; the drawing is the whole button.
class SoftButton : public QAbstractButton {
    Q_OBJECT
public:
    SoftButton(const QString &title, const QString &icon, bool prominent, std::function<void()> action = {},
               QWidget *parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString &title);
    QString iconName() const { return m_icon; }
    void setIconName(const QString &icon);
    bool isProminent() const { return m_prominent; }
    void setProminent(bool prominent);
    void setAction(std::function<void()> action) { m_action = std::move(action); }

    // The colour of the title and the symbol.
    QColor foreground() const;
    // The colour of the rounded fill.
    QColor fill() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void relayout();

    QString m_icon;
    bool m_prominent;
    bool m_hovered = false;
    bool m_keyboardFocus = false;
    std::function<void()> m_action;
};
