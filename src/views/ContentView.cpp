#include "ContentView.h"

#include "store/Store.h"
#include "views/Theme.h"

ContentView::ContentView(Store &store, QWidget *parent)
    : QWidget(parent)
    , m_store(store) {
    setObjectName(QStringLiteral("contentView"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::bg());
    setPalette(p);
    setMinimumSize(700, 600);
}
