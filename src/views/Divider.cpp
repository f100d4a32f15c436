#include "Divider.h"

#include "views/Theme.h"

#include <QPainter>

Divider::Divider(QWidget *parent)
    : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent *) {
    QPainter(this).fillRect(rect(), Theme::hairline());
}
