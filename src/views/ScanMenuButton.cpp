#include "ScanMenuButton.h"

#include "settings/LocalizationManager.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

namespace {
constexpr double paddingX = 16;
constexpr double paddingY = 9;
constexpr double symbolSize = 12;
constexpr double spacing = 6;
constexpr double radius = 10;
} // namespace

ScanMenuButton::ScanMenuButton(QWidget *parent)
    : QPushButton(parent) {
    setObjectName(QStringLiteral("scanMenuButton"));
    setFont(Theme::font(13, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("scanMenu"));
    m_clipboard =
        menu->addAction(Symbols::icon(QStringLiteral("doc.on.clipboard"), Theme::text()), QString());
    m_clipboard->setObjectName(QStringLiteral("scanClipboardAction"));
    m_file = menu->addAction(Symbols::icon(QStringLiteral("photo"), Theme::text()), QString());
    m_file->setObjectName(QStringLiteral("scanFileAction"));
    setMenu(menu);

    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
    retranslate();
}

void ScanMenuButton::retranslate() {
    const bool zh = LocalizationManager::shared().isZh();
    setText(zh ? QStringLiteral("扫描识别") : QStringLiteral("Scan"));
    m_clipboard->setText(zh ? QStringLiteral("从剪贴板识别截图") : QStringLiteral("Scan from clipboard"));
    m_file->setText(zh ? QStringLiteral("选择图片文件…") : QStringLiteral("Choose image file…"));
    updateGeometry();
    update();
}

void ScanMenuButton::setSpinning(bool spinning) {
    if (spinning == m_spinning)
        return;
    m_spinning = spinning;
    if (spinning)
        m_spin.start();
    else
        m_spin.stop();
    update();
}

QSize ScanMenuButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    const double width = symbolSize + spacing + metrics.horizontalAdvance(text());
    const double height = qMax(symbolSize, metrics.height());
    return {qCeil(width + 2 * paddingX), qCeil(height + 2 * paddingY)};
}

QSize ScanMenuButton::minimumSizeHint() const {
    return sizeHint();
}

void ScanMenuButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(rect());
    QPainterPath shape;
    shape.addRoundedRect(area, radius, radius);
    const double opacity = isDown() || menu()->isVisible() ? 0.12 : underMouse() ? 0.1 : 0.07;
    painter.fillPath(shape, Theme::whiteAlpha(opacity));
    if (hasFocus() && (focusPolicy() & Qt::TabFocus)) {
        painter.setPen(QPen(Theme::textSecondary(), 1.5));
        painter.drawRoundedRect(area.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }

    const QFontMetricsF metrics(font());
    const double titleWidth = metrics.horizontalAdvance(text());
    double x = (area.width() - (symbolSize + spacing + titleWidth)) / 2;
    const QRectF symbolRect(x, (area.height() - symbolSize) / 2, symbolSize, symbolSize);
    if (m_spinning) {
        // A small arc turning in steps, like the platform's small progress spinner.
        QPen pen(Theme::text(), 1.8);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.drawArc(symbolRect.adjusted(1, 1, -1, -1), -m_angle * 16, 270 * 16);
    } else {
        painter.drawPixmap(symbolRect.topLeft(),
                           Symbols::pixmap(QStringLiteral("text.viewfinder"), symbolSize, Theme::text(),
                                           Symbols::Weight::semibold, devicePixelRatioF()));
    }
    x += symbolSize + spacing;
    painter.setFont(font());
    painter.setPen(Theme::text());
    painter.drawText(QRectF(x, 0, titleWidth + 1, area.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}
