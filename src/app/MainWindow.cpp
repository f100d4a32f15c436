#include "MainWindow.h"

#include "settings/Preferences.h"
#include "views/Theme.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace {
const QString group = QStringLiteral("RenewlyMainWindow");
const QString key = QStringLiteral("geometry");
} // namespace

MainWindow::MainWindow(const QString &title, QWidget *parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(title);
    QPalette p = palette();
    p.setColor(QPalette::Window, Theme::bg());
    setPalette(p);
    setAutoFillBackground(true);
    resize(defaultWidth, defaultHeight);
    // Moving or resizing saves the frame shortly after the user stops, so a crash keeps it too.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(500);
    connect(&m_saveTimer, &QTimer::timeout, this, &MainWindow::saveFrame);
}

void MainWindow::placeInitially() {
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), QSize(defaultWidth, defaultHeight));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    restoreFrame();
}

void MainWindow::saveFrame() const {
    auto settings = Preferences::settings();
    settings->beginGroup(group);
    settings->setValue(key, saveGeometry());
    settings->endGroup();
}

bool MainWindow::restoreFrame() {
    auto settings = Preferences::settings();
    settings->beginGroup(group);
    const QVariant saved = settings->value(key);
    settings->endGroup();
    // Anything but a byte array, or bytes Qt does not accept, leaves the centred default.
    if (saved.typeId() != QMetaType::QByteArray)
        return false;
    return restoreGeometry(saved.toByteArray());
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // Closing hides the window; the process goes on in the tray with the same window and views.
    m_saveTimer.stop();
    saveFrame();
    event->accept();
}

void MainWindow::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    if (isVisible())
        m_saveTimer.start();
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (isVisible())
        m_saveTimer.start();
}
