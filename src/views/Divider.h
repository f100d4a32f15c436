#pragma once

#include <QWidget>

// A full-width line one pixel high in the hairline colour.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
