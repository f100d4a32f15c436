#include "ScanMenuButton.h"

#include "views/Symbols.h"
#include "views/Theme.h"
#include "views/ViewHelpers.h"

#include <QAction>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

namespace {
constexpr double paddingX = 16;
constexpr double paddingY = 9;
constexpr double symbolSize = 12;
constexpr double spacing = 6;
constexpr double radius = 10;
constexpr int spinStepMsecs = 80;
constexpr int spinStepDegrees = 30;
} // namespace

ScanMenuButton::ScanMenuButton(QWidget *parent)
    : PaintedButton({}, parent)
    , m_clipboard(
          new QAction(Symbols::icon(QStringLiteral("doc.on.clipboard"), Theme::text()), QString(), this))
    , m_file(new QAction(Symbols::icon(QStringLiteral("photo"), Theme::text()), QString(), this)) {
    setObjectName(QStringLiteral("scanMenuButton"));
    setFont(Theme::font(13, QFont::DemiBold));
    Symbols::prepare(QStringLiteral("text.viewfinder"), symbolSize, Theme::text(), Symbols::Weight::semibold,
                     devicePixelRatioF());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_clipboard->setObjectName(QStringLiteral("scanClipboardAction"));
    m_file->setObjectName(QStringLiteral("scanFileAction"));
    // Like a menu button of the platform: the entries open on the press, and the button looks
    // pressed while they are open.
    connect(this, &QAbstractButton::pressed, this, &ScanMenuButton::showMenu);

    m_spin.setInterval(spinStepMsecs);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + spinStepDegrees) % 360;
        update();
    });
    retranslate();
}

QMenu *ScanMenuButton::menu() {
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("scanMenu"));
        m_menu->addAction(m_clipboard);
        m_menu->addAction(m_file);
        connect(m_menu, &QMenu::aboutToHide, this, [this] {
            setDown(false);
            update();
        });
    }
    return m_menu;
}

void ScanMenuButton::showMenu() {
    menu()->popup(mapToGlobal(QPoint(0, height())));
    update();
}

void ScanMenuButton::retranslate() {
    const bool zh = ViewHelpers::isZh();
    setTitle(zh ? QStringLiteral("扫描识别") : QStringLiteral("Scan"));
    m_clipboard->setText(zh ? QStringLiteral("从剪贴板识别截图") : QStringLiteral("Scan from clipboard"));
    m_file->setText(zh ? QStringLiteral("选择图片文件…") : QStringLiteral("Choose image file…"));
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
    const double width = symbolSize + spacing + titleAdvance();
    const double height = qMax(symbolSize, metrics.height());
    return {qCeil(width + 2 * paddingX), qCeil(height + 2 * paddingY)};
}

QSize ScanMenuButton::minimumSizeHint() const {
    return sizeHint();
}

bool ScanMenuButton::looksPressed() const {
    return isDown() || (m_menu && m_menu->isVisible());
}

QColor ScanMenuButton::fillColor(State state) const {
    return Theme::whiteAlpha(state == State::pressed ? 0.12 : state == State::hovered ? 0.1 : 0.07);
}

double ScanMenuButton::cornerRadius() const {
    return radius;
}

void ScanMenuButton::paintFace(QPainter &painter, const QRectF &area) const {
    const double titleWidth = titleAdvance();
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
