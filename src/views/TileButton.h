#pragma once

#include "views/PaintedButton.h"
#include "views/Symbols.h"

#include <QFont>

// A symbol with a title, above it (the detail sheet's action tiles) or beside it (its delete
// button), on a rounded fill. The symbol may change with the title (pause and resume).
class TileButton : public PaintedButton {
    Q_OBJECT
public:
    enum class Arrangement { stacked, inline_ };
    struct Look {
        Arrangement arrangement = Arrangement::stacked;
        double symbolSize = 16;
        Symbols::Weight symbolWeight = Symbols::Weight::regular;
        QFont titleFont = {};
        QColor color = {};
        QColor fill = {};
        double spacing = 7;
        double paddingY = 13;
        double radius = 14;
    };

    TileButton(const Look &look, std::function<void()> action, QWidget *parent = nullptr);

    void setFace(const QString &symbol, const QString &title);
    QString symbol() const { return m_symbol; }

    QSize sizeHint() const override;

protected:
    QColor fillColor(State state) const override;
    double cornerRadius() const override { return m_look.radius; }
    void paintFace(QPainter &painter, const QRectF &area) const override;

private:
    Look m_look;
    QString m_symbol;
};
