#pragma once

#include "views/PaintedButton.h"

#include <QString>

#include <functional>

// The common button: an optional symbol and a title on a soft rounded fill, or dark on near-white
// when prominent. It has no platform chrome; the drawing is the whole button.
class SoftButton : public PaintedButton {
    Q_OBJECT
public:
    struct Options {
        QString title = {};
        // A symbol name; none when empty.
        QString icon = {};
        bool prominent = false;
        std::function<void()> action = {};
    };

    explicit SoftButton(const Options &options, QWidget *parent = nullptr);

    QString iconName() const { return m_icon; }
    void setIconName(const QString &icon);
    bool isProminent() const { return m_prominent; }
    void setProminent(bool prominent);

    // The colour of the title and the symbol.
    QColor foreground() const;
    // The colour of the rounded fill at rest.
    QColor fill() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    QColor fillColor(State state) const override;
    double cornerRadius() const override;
    void paintFace(QPainter &painter, const QRectF &area) const override;

private:
    // Has the symbol drawn ahead of the first paint.
    void prepareIcon();
    QString m_icon;
    bool m_prominent;
};
