#include "TrayPanel.h"

#include "model/Clock.h"
#include "views/Theme.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int gap = 4;
constexpr int reopenGuardMs = 300;

// A Wayland compositor shows a popup only over a window of the same program, and the panel opens
// from the tray with no window of ours on screen: there it is a small frameless window of its
// own, placed by the compositor, and closes when it loses focus as a popup would.
bool isWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
} // namespace

TrayPanel::TrayPanel(Store &store, std::function<void()> onOpen, std::function<void()> onQuit)
    : QWidget(nullptr, isWayland() ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                   : Qt::Popup | Qt::FramelessWindowHint)
    , m_store(store)
    , m_onOpen(std::move(onOpen))
    , m_onQuit(std::move(onQuit)) {
    setObjectName(QStringLiteral("trayPanel"));
    setWindowTitle(QStringLiteral("Renewly"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::card());
    setPalette(p);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TrayPanel::open(const QRect &anchor) {
    if (m_view)
        delete m_view.data();
    m_view = new MenuBarView(m_store, m_onOpen, m_onQuit, this);
    layout()->addWidget(m_view);
    // Keep the window's size equal to the panel's whenever it redraws with more or fewer rows.
    connect(m_view, &MenuBarView::rebuilt, this, [this] {
        layout()->activate();
        adjustSize();
    });
    layout()->activate();
    adjustSize();

    const QPoint cursor = QCursor::pos();
    const QPoint probe = anchor.isEmpty() ? cursor : anchor.center();
    QScreen *screen = QGuiApplication::screenAt(probe);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    move(placement(anchor, size(), available, cursor));
    m_wasActive = false;
    show();
    raise();
    activateWindow();
    Q_EMIT opened();
}

bool TrayPanel::justClosedBy(const QRect &icon) const {
    if (!m_closedTime.isValid() || m_closedTime.msecsTo(Clock::current().now()) >= reopenGuardMs)
        return false;
    return icon.isEmpty() || icon.contains(m_closedAt);
}

QPoint TrayPanel::placement(const QRect &anchor, const QSize &size, const QRect &available,
                            const QPoint &cursor) {
    int x = 0;
    int y = 0;
    if (!anchor.isEmpty()) {
        x = anchor.x() + anchor.width() / 2 - size.width() / 2;
        y = anchor.bottom() + 1 + gap;
        if (available.isValid() && y + size.height() - 1 > available.bottom())
            y = anchor.top() - gap - size.height();
    } else {
        x = cursor.x() - size.width() / 2;
        y = cursor.y() + gap;
        if (available.isValid() && y + size.height() - 1 > available.bottom())
            y = cursor.y() - gap - size.height();
    }
    if (available.isValid()) {
        // Inside the available area; when the panel is larger than it, its top-left corner wins.
        x = qMax(available.left(), qMin(x, available.right() + 1 - size.width()));
        y = qMax(available.top(), qMin(y, available.bottom() + 1 - size.height()));
    }
    return {x, y};
}

void TrayPanel::hideEvent(QHideEvent *event) {
    // Only a close by a click can be followed by that same click reaching the icon.
    m_closedTime = m_closingByKey ? QDateTime() : Clock::current().now();
    m_closingByKey = false;
    m_closedAt = QCursor::pos();
    // A closed panel has nothing to redraw; the next opening builds a new one anyway. The view may
    // be inside its own click handler (Open closes the panel), so it goes once control is back.
    if (m_view) {
        m_view->disconnect(this);
        layout()->removeWidget(m_view);
        m_view->hide();
        m_view->deleteLater();
        m_view = nullptr;
    }
    QWidget::hideEvent(event);
    Q_EMIT closed();
}

void TrayPanel::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    // A popup closes by itself on a click outside; the Wayland window closes when the focus it was
    // given leaves it (the activation of another window may reach it before its own).
    if (event->type() != QEvent::ActivationChange || windowFlags().testFlag(Qt::Popup) || !isVisible())
        return;
    if (isActiveWindow())
        m_wasActive = true;
    else if (m_wasActive)
        close();
}

void TrayPanel::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        m_closingByKey = true;
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
