#pragma once

#include <QMainWindow>
#include <QTimer>

// The main window: created once, only hidden when closed, its frame kept in the preferences under
// "RenewlyMainWindow" and restored at the next start.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 960;
    static constexpr int defaultHeight = 640;

    explicit MainWindow(const QString &title, QWidget *parent = nullptr);

    // Centres the window on its screen, then lets a frame saved by an earlier run win.
    void placeInitially();
    void saveFrame() const;
    bool restoreFrame();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QTimer m_saveTimer;
};
