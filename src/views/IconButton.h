#pragma once

#include "views/PaintedButton.h"
#include "views/Symbols.h"

// A symbol centred on a soft rounded fill: the settings button of the header bar and the close
// buttons of the sheets. Icon-only, so its title is the accessible name and the tooltip.
class IconButton : public PaintedButton {
    Q_OBJECT
public:
    struct Look {
        QString symbol = {};
        double symbolSize = 12;
        Symbols::Weight weight = Symbols::Weight::semibold;
        QColor color = {};
        double side = 30;
        // Half the side draws a circle.
        double radius = 15;
        double fillOpacity = 0.07;
    };
    // The sheets' close button.
    static Look closeLook();

    explicit IconButton(const Look &look, QWidget *parent = nullptr);

    const Look &look() const { return m_look; }

    QSize sizeHint() const override;

protected:
    QColor fillColor(State state) const override;
    double cornerRadius() const override { return m_look.radius; }
    void paintFace(QPainter &painter, const QRectF &area) const override;
    void titleChanged() override;

private:
    Look m_look;
};
