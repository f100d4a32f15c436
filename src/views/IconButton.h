#pragma once

#include "views/Symbols.h"

#include <QAbstractButton>

// A symbol centred on a soft rounded fill: the settings button of the header bar and the close
// buttons of the sheets. Icon-only, so it carries its text as accessible name and tooltip.
class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Look {
        QString symbol;
        double symbolSize = 12;
        Symbols::Weight weight = Symbols::Weight::semibold;
        QColor color;
        double side = 30;
        // Half the side draws a circle.
        double radius = 15;
        double fillOpacity = 0.07;
    };

    explicit IconButton(const Look &look, QWidget *parent = nullptr);

    const Look &look() const { return m_look; }
    // The accessible name and the tooltip.
    void setTitle(const QString &title);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Look m_look;
    bool m_keyboardFocus = false;
};
