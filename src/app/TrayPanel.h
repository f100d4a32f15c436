#pragma once

#include "app/MenuBarView.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

class Store;

// The transient window that holds the panel under the tray icon. One window for the life of the
// process; a fresh MenuBarView on every opening. It closes by itself on a click outside it, on
// Escape and, on Wayland, when it loses focus.
class TrayPanel : public QWidget {
    Q_OBJECT
public:
    TrayPanel(Store &store, std::function<void()> onOpen, std::function<void()> onQuit);

    // Builds a new panel and shows it under `anchor` (the tray icon's screen rectangle), or at the
    // cursor when the anchor is unknown (an empty rectangle).
    void open(const QRect &anchor);
    bool isOpen() const { return isVisible(); }
    // Whether the panel was closed during the last few hundred milliseconds by a click on `icon`
    // (the tray icon's screen rectangle; any click when it is unknown): that click also reaches
    // the icon and must not reopen the panel. A click elsewhere followed by one on the icon opens it.
    bool justClosedBy(const QRect &icon) const;
    MenuBarView *view() const { return m_view; }

    // Top-left corner of a panel of `size`: centred under the anchor (above it when there is no room
    // below), or under the cursor without an anchor, then moved inside `available`.
    static QPoint placement(const QRect &anchor, const QSize &size, const QRect &available,
                            const QPoint &cursor);

Q_SIGNALS:
    void opened();
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Store &m_store;
    std::function<void()> m_onOpen;
    std::function<void()> m_onQuit;
    QPointer<MenuBarView> m_view;
    QDateTime m_closedTime; // by Clock::current(), so that tests move it
    QPoint m_closedAt;
    bool m_wasActive = false;
    bool m_closingByKey = false;
};
