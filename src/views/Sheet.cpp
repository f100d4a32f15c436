#include "Sheet.h"

#include "settings/LocalizationManager.h"
#include "views/Theme.h"

Sheet::Sheet(const QSize &size, QWidget *parent)
    : QDialog(parent) {
    setFixedSize(size);
    setWindowModality(Qt::WindowModal);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::bg());
    setPalette(p);
    setSizeGripEnabled(false);
    connect(&LocalizationManager::shared(), &LocalizationManager::langChanged, this,
            [this] { retranslate(); });
}

void Sheet::present() {
    open();
}

QString Sheet::scrollAreaStyle(const QString &selector) {
    return selector + QStringLiteral(" { background: transparent; }") + scrollBarStyle();
}

QString Sheet::scrollBarStyle() {
    return QStringLiteral(
               "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
               "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 32px; }"
               "QScrollBar::handle:vertical:hover { background: %2; }"
               "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(Theme::css(Theme::whiteAlpha(0.18)), Theme::css(Theme::whiteAlpha(0.3)));
}
