#pragma once

#include "views/PaintedButton.h"

#include <QTimer>

class QAction;
class QMenu;

// The summary header's Scan menu: a soft button showing the viewfinder symbol, or a spinner while a
// scan runs, and the title; pressing it opens the two scan entries. The entries stay usable while a
// scan runs.
class ScanMenuButton : public PaintedButton {
    Q_OBJECT
public:
    explicit ScanMenuButton(QWidget *parent = nullptr);

    // The entries' menu, made when it is first asked for: a widget's hidden menu is polished with it,
    // and a menu's sheet and style take the window's first frame a while.
    QMenu *menu();
    QAction *clipboardAction() const { return m_clipboard; }
    QAction *fileAction() const { return m_file; }

    void setSpinning(bool spinning);
    bool isSpinning() const { return m_spinning; }
    // Sets the title and the two entries in the language of this moment.
    void retranslate();
    // Opens the entries under the button.
    void showMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    QColor fillColor(State state) const override;
    double cornerRadius() const override;
    void paintFace(QPainter &painter, const QRectF &area) const override;
    bool looksPressed() const override;

private:
    QMenu *m_menu = nullptr;
    QAction *m_clipboard;
    QAction *m_file;
    QTimer m_spin;
    bool m_spinning = false;
    int m_angle = 0;
};
