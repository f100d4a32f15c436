#pragma once

#include <QPushButton>
#include <QTimer>

class QAction;

// The summary header's Scan menu: a soft button showing the viewfinder symbol, or a spinner while a
// scan runs, and the title; pressing it opens the two scan entries. The entries stay usable while a
// scan runs.
class ScanMenuButton : public QPushButton {
    Q_OBJECT
public:
    explicit ScanMenuButton(QWidget *parent = nullptr);

    QAction *clipboardAction() const { return m_clipboard; }
    QAction *fileAction() const { return m_file; }

    void setSpinning(bool spinning);
    bool isSpinning() const { return m_spinning; }
    // Sets the title and the two entries in the language of this moment.
    void retranslate();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QAction *m_clipboard;
    QAction *m_file;
    QTimer m_spin;
    bool m_spinning = false;
    int m_angle = 0;
};
