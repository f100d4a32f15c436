#pragma once

#include <QString>
#include <QWidget>

class QPainter;

// The round badge that stands for a subscription: its first letter on a faint white disc. Every
// badge has the same fill; only the letter differs.
class BrandAvatar : public QWidget {
    Q_OBJECT
public:
    BrandAvatar(const QString &name, double size, bool dimmed = false, QWidget *parent = nullptr);

    // The first user-perceived character of the name without surrounding blanks, upper-cased
    // (it may grow, "ß" gives "SS"); "•" for a blank name.
    static QString letter(const QString &name);
    // The letter's size for a badge of `size`: 40 % of the diameter.
    static double letterSize(double size) { return size * 0.4; }
    // Draws a badge with `letter` into the square `circle`; for views that paint many badges
    // themselves (the list cards) rather than holding one widget each.
    static void paint(QPainter &painter, const QRectF &circle, const QString &letter, bool dimmed);

    QString name() const { return m_name; }
    double badgeSize() const { return m_size; }
    bool isDimmed() const { return m_dimmed; }
    QString shownLetter() const { return m_letter; }
    void setName(const QString &name);
    void setDimmed(bool dimmed);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QString m_letter;
    double m_size;
    bool m_dimmed;
};
