#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>

#include <functional>

class QPainter;

// The base of every button the views draw themselves: the face is the whole button, on a rounded
// fill. The base owns what all faces share: hover and press feedback through the fill, the focus
// ring (only when focus came by the keyboard, never when a sheet opens), the pointing cursor, the
// Tab stop, the accessible name and the optional action run on a click.
class PaintedButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { normal, hovered, pressed };

    // Sets the title, which is also the accessible name.
    void setTitle(const QString &title);
    QString title() const { return text(); }
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    // Whether the focus ring is drawn: focus that came by Tab or Backtab.
    bool hasKeyboardFocus() const { return m_keyboardFocus; }
    State state() const;

protected:
    explicit PaintedButton(std::function<void()> action, QWidget *parent);

    // The rounded fill in the given state, and its corner radius.
    virtual QColor fillColor(State state) const = 0;
    virtual double cornerRadius() const = 0;
    // Symbol and title over the fill.
    virtual void paintFace(QPainter &painter, const QRectF &area) const = 0;
    // Whether the face looks pressed; a menu button also while its menu is open.
    virtual bool looksPressed() const { return isDown(); }
    // The title changed: the size hint may have too.
    virtual void titleChanged() {}
    // The title's advance in the button's font; the size hint and the face share one layout of it.
    double titleAdvance() const;

    void paintEvent(QPaintEvent *event) final;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    std::function<void()> m_action;
    bool m_keyboardFocus = false;
    mutable QString m_measuredTitle;
    mutable QFont m_measuredFont;
    mutable double m_titleAdvance = -1;
};
