#pragma once

#include <QColor>
#include <QWidget>

// A plain container drawn as a rounded rectangle in one colour; cards, the summary header and the
// settings' reminder box are built on it.
class RoundedCard : public QWidget {
    Q_OBJECT
public:
    RoundedCard(const QColor &fill, double radius, QWidget *parent = nullptr);

    QColor fill() const { return m_fill; }
    double radius() const { return m_radius; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    double m_radius;
};
