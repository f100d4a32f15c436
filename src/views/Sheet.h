#pragma once

#include <QDialog>

// A sheet of the main window: a window-modal dialog of fixed size over it, drawn on the dark
// background, whose texts follow every change of the interface language while it is open.
class Sheet : public QDialog {
    Q_OBJECT
public:
    Sheet(const QSize &size, QWidget *parent);

    // Shows the sheet without blocking: modal to its window only.
    void present();

    // A style sheet for a transparent scroll area with a thin, dark scroll bar.
    static QString scrollAreaStyle(const QString &selector = QStringLiteral("QScrollArea"));
    // The thin, dark scroll bar alone, for the bar itself: the widgets in the area are then styled
    // without a style sheet, which costs less to build and to draw.
    static QString scrollBarStyle();

protected:
    // Sets every text in the language of this moment; run once by the subclass when it is built
    // and again on every change of language.
    virtual void retranslate() = 0;
};
