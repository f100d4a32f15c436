#include "BrandAvatar.h"

#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QPainter>
#include <QTextBoundaryFinder>

BrandAvatar::BrandAvatar(const QString &name, double size, bool dimmed, QWidget *parent)
    : QWidget(parent)
    , m_name(name)
    , m_letter(letter(name))
    , m_size(size)
    , m_dimmed(dimmed) {
    const int side = qMax(1, qRound(size));
    setFixedSize(side, side);
    setAccessibleName(m_letter);
}

QString BrandAvatar::letter(const QString &name) {
    const QString trimmed = ViewHelpers::trimmedBlanks(name);
    if (trimmed.isEmpty())
        return QStringLiteral("•");
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, trimmed);
    const qsizetype next = finder.toNextBoundary();
    const qsizetype length = next > 0 ? next : trimmed.size();
    return trimmed.left(length).toUpper();
}

void BrandAvatar::setName(const QString &name) {
    m_name = name;
    m_letter = letter(name);
    setAccessibleName(m_letter);
    update();
}

void BrandAvatar::setDimmed(bool dimmed) {
    m_dimmed = dimmed;
    update();
}

QSize BrandAvatar::sizeHint() const {
    const int side = qMax(1, qRound(m_size));
    return {side, side};
}

void BrandAvatar::paint(QPainter &painter, const QRectF &circle, const QString &letter, bool dimmed) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::whiteAlpha(dimmed ? 0.05 : 0.1));
    painter.drawEllipse(circle);
    painter.setFont(Theme::font(letterSize(circle.width()), QFont::DemiBold));
    painter.setPen(dimmed ? Theme::textTertiary() : Theme::text());
    painter.drawText(circle, Qt::AlignCenter, letter);
    painter.restore();
}

void BrandAvatar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, QRectF(0, 0, m_size, m_size), m_letter, m_dimmed);
}
